#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace KavirelDLL {

// The bytes of a movie file: the engine hands its own files (the disk, the big file) to the decoder.
class CMovieSource {
public:
    virtual ~CMovieSource() = default;
    // Bytes read, 0 at the end, -1 on a failure.
    virtual int read(uint8_t* buffer, int size) = 0;
    // origin 0 start, 1 current, 2 end; the new position, or -1.
    virtual int64_t seek(int64_t offset, int origin) = 0;
    // -1 when unknown.
    virtual int64_t size() = 0;
};

// A source over bytes in memory (tests, fuzzing).
std::unique_ptr<CMovieSource> movieSourceFromMemory(std::vector<uint8_t> bytes);

struct CMovieInfo {
    int width = 0;
    int height = 0;
    // Microseconds; 0 when the file does not say.
    int64_t durationUs = 0;
    // Microseconds between frames as the stream declares them (40000 when it does not).
    int64_t frameUs = 40000;
    bool hasAudio = false;
};

// One movie file's primary video stream, decoded frame by frame into 16-bit pixels (5-6-5, or 5-5-5 with 15
// bits) without dithering, and its primary audio stream as 16-bit stereo samples. Not thread-safe: one thread at
// a time.
class CMovieDecoder {
public:
    enum : int { RESULT_FRAME = 1, RESULT_END = 0, RESULT_ERROR = -1 };
    // Frames larger than this are refused (4096 x 4096).
    static constexpr int64_t kMaxPixels = 4096LL * 4096LL;

    virtual ~CMovieDecoder() = default;

    // Null when the bytes are not a movie FFmpeg decodes (no video stream, no decoder, a size out of range).
    static std::unique_ptr<CMovieDecoder> open(std::unique_ptr<CMovieSource> source, int bpp);

    virtual const CMovieInfo& info() const = 0;
    // The next frame into pixels (rows of pitch pixels, the movie's width and height); its time in us.
    virtual int nextFrame(uint16_t* pixels, int pitch, int64_t* timeUs) = 0;
    // Frames that end before the time are passed over by the next nextFrame.
    virtual bool seek(int64_t timeUs) = 0;
    // The audio stream from here to its end (at most maxFrames), interleaved stereo at the rate. False when
    // there is no audio or it does not decode; samples decoded before a failure are kept.
    virtual bool decodeAudio(std::vector<int16_t>& out, int rate, int64_t maxFrames) = 0;
};

// A small AVI writer for tests, benchmarks and the sample tool: frames painted as 24-bit RGB, and a sine tone.
struct CMovieWriterOptions {
    enum Codec { RAW, MPEG4, MSVIDEO1 };
    int width = 64;
    int height = 48;
    int fps = 25;
    int frames = 25;
    Codec codec = RAW;
    // Hz of a tone on a 16-bit mono PCM track, 0 for no audio.
    int toneHz = 0;
    int audioRate = 22050;
};
// Paints frame index into rgb (rows of pitch bytes, three bytes R, G, B a pixel).
using CMovieFramePainter = std::function<void(int index, uint8_t* rgb, int pitch)>;
// False (and a log line) when the file cannot be written.
bool writeMovie(const std::string& path, const CMovieWriterOptions& options, const CMovieFramePainter& paint);

} // namespace KavirelDLL
