#pragma once
#include <cstdint>
#include <string>

namespace KavirelDLL {

class CDisplay;

enum class EMessageButtons : uint8_t { Ok, YesNo };
enum class EMessageAnswer : uint8_t { Ok, Yes, No };

// A modal message box over the owner window (may be null), title and text in code page 1250. Running
// headless, or when the desktop cannot show the box, the text goes to standard error and the default answer
// comes back. The default is also the button Enter picks; with Yes/No buttons a default of Ok counts as No.
EMessageAnswer showMessageBox(const std::string& title, const std::string& text,
                              EMessageButtons buttons = EMessageButtons::Ok,
                              EMessageAnswer defaultAnswer = EMessageAnswer::Ok, CDisplay* owner = nullptr);

// A Yes/No question before something is removed for good: Yes is the button Enter picks, but a box that could not
// be shown (headless, or the desktop refused it) answers No, with the reason on standard error.
EMessageAnswer askBeforeRemoving(const std::string& title, const std::string& text, CDisplay* owner = nullptr);

} // namespace KavirelDLL
