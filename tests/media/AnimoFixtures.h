#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Compression.h"
#include "display/ImageFixtures.h"
#include "display/Playable.h"
#include "media/anim/Animo6.h"

namespace KavirelTest {

using namespace KavirelDLL;

// One image of an animation file: its header fields and stored bytes.
struct AnnImage {
    int w = 2, h = 1, x = 0, y = 0, code = 0;
    std::string data;
    std::string alpha; // empty: no alpha plane
    int entries = -1;  // size entries written; -1: 4 with alpha, else 0
};

// One frame record of an event.
struct AnnFrame {
    int image = 0;
    int dx = 0, dy = 0, opacity = 255;
    std::string name, sound;
    bool params = false;
    float p[5] = {0, 0, 0, 0, 0};
};

inline AnnFrame shows(int image, int dx = 0, int dy = 0) {
    AnnFrame f;
    f.image = image;
    f.dx = dx;
    f.dy = dy;
    return f;
}

struct AnnEvent {
    std::string name;
    int loopStart = 0, loopEnd = 0, loopCount = 0, fps = 0, opacity = 255;
    uint32_t flags = 0;
    std::vector<AnnFrame> frames;
};

inline std::string event67(const AnnEvent& e) {
    Bytes b;
    std::string name = e.name;
    name.resize(32, '\0');
    b.raw(name)
        .le16(int(e.frames.size()))
        .zeros(4)
        .le16(e.loopStart)
        .le16(e.loopEnd)
        .le16(e.loopCount)
        .le16(0);
    b.le32(e.fps).le32(e.flags).u8(e.opacity).zeros(12);
    return b.s;
}

inline std::string floatBytes(float v) {
    std::string out(4, '\0');
    std::memcpy(out.data(), &v, 4);
    return out;
}

// An "NVI", "NV+" or "NVP" file.
inline std::string nvFile(const char* magic, int bpp, const std::vector<AnnEvent>& events,
                          const std::vector<AnnImage>& images, uint32_t flags = 0, int fps = 15,
                          const std::string& author = "A", const std::string& description = "") {
    Bytes b;
    b.raw(std::string(magic, 3)).u8(0).le16(int(images.size())).le16(bpp).le16(int(events.size())).zeros(13);
    b.le32(fps).le32(flags).u8(255).le16(7).zeros(10);
    b.le32(int64_t(author.size())).raw(author).le32(int64_t(description.size())).raw(description);
    for (const AnnEvent& e : events) {
        b.raw(event67(e));
        for (const AnnFrame& f : e.frames) b.le16(f.image);
        for (const AnnFrame& f : e.frames) {
            b.le32(f.name.empty() ? 0 : 1).le32(f.params ? 1 : 0).le16(f.dx).le16(f.dy).le32(-1);
            b.le32(f.sound.empty() ? 0 : 1).le32(0).u8(f.opacity).zeros(5);
            if (!f.name.empty()) b.le32(int64_t(f.name.size() + 1)).raw(f.name).u8(0);
            if (f.params) {
                b.le32(20);
                for (float v : f.p) b.raw(floatBytes(v));
            }
            if (!f.sound.empty()) b.le32(int64_t(f.sound.size() + 1)).raw(f.sound).u8(0);
        }
    }
    const int headerSize = magic[2] == '+' ? 32 : 52;
    for (const AnnImage& im : images) {
        Bytes h;
        const int n = im.entries >= 0 ? im.entries : (im.alpha.empty() ? 0 : 4);
        h.le16(im.w).le16(im.h).le16(im.x).le16(im.y).le16(im.code).le32(int64_t(im.data.size())).le16(n);
        for (int i = 0; i < n; ++i) h.le32(i == 3 ? int64_t(im.alpha.size()) : 0);
        h.zeros(size_t(headerSize) - h.size());
        b.raw(h.s);
    }
    for (const AnnImage& im : images) b.raw(im.data).raw(im.alpha);
    return b.s;
}

// A "PAK" file; events empty: none stored.
inline std::string pakFile(const std::vector<AnnEvent>& events, const std::vector<AnnImage>& images,
                           int bpp = 16) {
    Bytes b;
    b.raw(std::string("PAK\0", 4)).le16(int(images.size()));
    std::string author = "Pak author", description = "Pak text";
    author.resize(128, '\0');
    description.resize(256, '\0');
    b.raw(author).raw(description).le16(bpp).le16(int(events.size())).zeros(13);
    for (const AnnEvent& e : events) {
        std::string name = e.name;
        name.resize(32, '\0');
        b.raw(name).le16(int(e.frames.size())).le16(e.loopEnd).le16(0).le16(e.loopCount);
        for (const AnnFrame& f : e.frames) b.le16(f.image);
        for (const AnnFrame& f : e.frames) b.le16(f.dx).le16(f.dy).zeros(6);
    }
    for (const AnnImage& im : images) {
        Bytes h;
        const int n = im.alpha.empty() ? 0 : 4;
        h.le16(im.w).le16(im.h).le16(im.x).le16(im.y).le16(im.code).le32(int64_t(im.data.size())).le16(n);
        for (int i = 0; i < n; ++i) h.le32(i == 3 ? int64_t(im.alpha.size()) : 0);
        h.zeros(32 - h.size());
        b.raw(h.s);
    }
    for (const AnnImage& im : images) b.raw(im.data).raw(im.alpha);
    return b.s;
}

// A picture-list file: "PIK" (20-byte image headers) or "PI2"/"PI3" (32-byte); chunks as given.
inline std::string picFile(const char* magic, const std::vector<AnnImage>& images,
                           const std::string& chunks = "", int bppCode = 4) {
    Bytes b;
    b.raw(std::string(magic, 3)).u8(0).le16(int(images.size())).le16(bppCode).zeros(4).raw(chunks);
    for (const AnnImage& im : images) {
        if (magic[2] == 'K')
            b.le32(int64_t(im.data.size()))
                .le32(int64_t(im.alpha.size()))
                .le16(im.w)
                .le16(im.x)
                .le16(im.h)
                .le16(im.y)
                .le16(0)
                .le16(bppCode);
        else
            b.le16(im.w)
                .le16(im.x)
                .le16(im.h)
                .le16(im.y)
                .le16(0)
                .le16(bppCode)
                .le32(4)
                .le32(int64_t(im.data.size()))
                .le32(0)
                .le32(0)
                .le32(int64_t(im.alpha.size()));
    }
    for (const AnnImage& im : images) b.raw(im.data).raw(im.alpha);
    return b.s;
}

// An LZO block as the block codec writes it.
inline std::string lzo(const std::string& raw) {
    int n = 0;
    std::string copy = raw;
    std::unique_ptr<char[]> packed(CLZWCompression2(copy.data(), int(copy.size())).compress(n));
    return std::string(packed.get(), size_t(n) + 8);
}

inline std::string rle16(const std::string& raw) {
    int n = 0;
    std::unique_ptr<char[]> packed(CRLECompression::__compress(raw.data(), int(raw.size()), n));
    return std::string(packed.get(), size_t(n));
}

inline std::string rle8(const std::string& raw) {
    int n = 0;
    std::unique_ptr<char[]> packed(CRLECompression::__compresschar(raw.data(), int(raw.size()), n));
    return std::string(packed.get(), size_t(n));
}

// Pixels of a w × h image of one 16-bit value.
inline std::string fill16(int w, int h, uint16_t v) { return words(std::vector<uint16_t>(size_t(w) * h, v)); }

// A frame sound of the test's own: counts its starts and stops and plays until told otherwise.
class FakeSound : public CPlayable {
public:
    FakeSound() : CPlayable(nullptr) { m_type = 1; }
    void play() override {
        ++plays;
        m_status = STATUS_PLAYING;
    }
    void stop(bool) override {
        ++stops;
        m_status = 0;
    }
    void pause() override {}
    void resume() override {}
    void seek(int) override {}
    int plays = 0;
    int stops = 0;
};

// Records the notifications of a playable, and may run something on one.
class RecordingObserver : public CPlayableObserver {
public:
    bool onPlayableStarted(CPlayable*) override {
        calls.push_back("started");
        return false;
    }
    bool onPlayableTick(CPlayable* p) override {
        calls.push_back("tick");
        if (onTick) onTick(p);
        return false;
    }
    bool onPlayableFinished(CPlayable* p) override {
        calls.push_back("finished");
        if (onFinished) onFinished(p);
        return false;
    }
    std::vector<std::string> calls;
    std::function<void(CPlayable*)> onTick, onFinished;
};

} // namespace KavirelTest
