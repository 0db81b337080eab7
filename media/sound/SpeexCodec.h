#pragma once

namespace KavirelDLL {

class CFile;

// Converts between RIFF WAVE files and Ogg Speex files (narrow band, one frame per packet). Paths are engine
// names taken as they are. Nothing in the engine calls these: they are file tools. What they report goes to
// the engine log.
class CSpeexCodec {
public:
    // A canonical 44-byte-header PCM WAVE file (1 or 2 channels, 8 or 16 bits) into an Ogg Speex file.
    static bool encode(const char* wavePath, const char* speexPath);
    // The same from a WAVE file already open at its start (left open). A read that fails before the file's
    // end fails the conversion, as does a file that ends before its data chunk (unless the chunk's size is
    // the unpatched 0x7FFFFFFF or 0xFFFFFFFF of a writer that could not seek back: its samples run to the
    // end). What was encoded until then is left as a whole stream.
    static bool encode(CFile& wave, const char* speexPath);
    // An Ogg Speex file into 16-bit samples: a WAVE file when the output name ends in ".wav" or ".WAV", raw
    // samples otherwise. False for a file that is not whole Speex: the output keeps what was decoded.
    static bool decode(const char* speexPath, const char* outputPath);
};

} // namespace KavirelDLL
