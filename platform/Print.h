#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace KavirelDLL {

enum class EPrintResult : uint8_t {
    Printed, // the print command took the picture
    Kept,    // no print command, or it failed: the picture is kept as a file
    Failed,  // the picture could not even be kept
};

// Printing through the system's print command ("lp", else "lpr"): the picture goes as an image file,
// landscape, under a job title. A command that does not end within a few seconds is left to run.
class CPlatformPrint {
public:
    // bmp is a whole BMP file. When it is not printed it is kept in the user's data folder, under "prints",
    // and keptPath (native) names the file; message says what happened, for the log.
    static EPrintResult printPicture(const std::vector<uint8_t>& bmp, const std::string& title,
                                     std::string& keptPath, std::string& message);
    // The program to use instead of looking for "lp" and "lpr" (tests); empty restores the search.
    static void setPrintCommand(const std::string& program);
};

} // namespace KavirelDLL
