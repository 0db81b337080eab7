#pragma once

namespace KavirelDLL {

// The Ogg Vorbis services of package building and extraction. Paths are engine names taken as they are.
class COgg {
public:
    // Runs "oggenc" (from the program's folder, else along PATH) on the WAV file; true when it ended well and
    // wrote a non-empty Ogg file.
    static bool encodeWav(const char* wavPath, const char* oggPath);
    // Decodes the Ogg Vorbis file into a 16-bit PCM WAV file. The output is made only once the input opens as
    // an Ogg bitstream; damage other than a hole in the stream gives false.
    static bool decodeToWav(const char* oggPath, const char* wavPath);
    // The same from bytes in memory (what the fuzz target feeds).
    static bool decodeToWav(const unsigned char* ogg, long size, const char* wavPath);
};

} // namespace KavirelDLL
