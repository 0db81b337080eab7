#include <cstring>
#include <memory>

#include "core/File.h"
#include "core/Log.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "media/anim/Animo.h"
#include "media/anim/AnimoIO.h"

namespace KavirelDLL {

namespace {

constexpr int kHeader3 = 44;
constexpr int kHeaderPak = 407;
constexpr int kEvent3 = 67;
constexpr int kFrame3 = 30;
constexpr int kEventPak = 40;
constexpr int kFramePak = 10;
// An "EXT" text keeps at most this many bytes.
constexpr int kExtText = 256;

bool isMagic(const uint8_t* head, const char* magic) { return std::memcmp(head, magic, 4) == 0; }

} // namespace

int CAnimo::fail(int code, const char* why) {
    logMessage("animation \"%s\": %s", m_fileName.GetBuffer(), why);
    Flush();
    setErrorCode(code);
    return code;
}

// ---------------------------------------------------------------- loading

int CAnimo::Load(CXString name) {
    Flush();
    setErrorCode(0);
    m_fileName = name;
    logMessage("Loading file %s...", name.GetBuffer());
    CFile file;
    if (file.Open(CGraphicsObject::m_window, name, CFile::MODE_READ | CFile::MODE_BINARY) != 0) {
        logMessage(" - Failed.");
        setErrorCode(file.LastError() != 0 ? file.LastError() : ERR_FILE_NOT_FOUND);
        return LastError();
    }
    const int read = Load(&file);
    file.Close();
    if (read != 0) return LastError();
    m_fileName = name;
    setFilename(name);
    logMessage(" - Succesfull.");
    load();
    setVisibleFlag(true);
    if (LastError() == 0) {
        m_currentFrame = 0;
        showFrame(getFirstEvent(), 0);
    }
    return LastError();
}

int CAnimo::Load(CFile* file) {
    Flush();
    setErrorCode(0);
    // Only the current layout stores these; every other file plays with the defaults.
    m_animoFlags = 0;
    m_fps = 15;
    if (!file || !file->GetHandle()) return fail(ERR_FILE_NOT_FOUND, "no file to read");
    if (m_fileName.GetLength() == 0) m_fileName = file->GetFileName();
    CAnimoReader in(file);
    uint8_t head[12];
    if (!in.read(head, 12)) return fail(ERR_FILE_DAMAGED, "shorter than an animation header");
    if (isMagic(head, "NVI") || isMagic(head, "NV+") || isMagic(head, "NVP")) {
        in.back(12);
        return load3(in);
    }
    if (isMagic(head, "PAK")) {
        in.back(12);
        return loadNew(in);
    }
    return loadPictureList(in, head);
}

bool CAnimo::readImageHeaders(CAnimoReader& in, int count, int length, int bpp) {
    if (int64_t(count) * length > in.left()) return false;
    std::vector<uint8_t> headers(size_t(count) * size_t(length));
    if (!in.read(headers.data(), int64_t(headers.size()))) return false;
    for (int i = 0; i < count; ++i) {
        auto frame = std::make_shared<CFrame>(CGraphicsObject::m_window);
        frame->SetBpp(bpp);
        frame->setFileName(m_fileName);
        if (!frame->parseHeader(&headers[size_t(i) * size_t(length)], length)) return false;
        m_images.push_back(frame);
    }
    return true;
}

bool CAnimo::readImageData(CAnimoReader& in) {
    for (auto& frame : m_images)
        if (!frame->readData(in)) return false;
    return true;
}

bool CAnimo::readEvent3(CAnimoReader& in, _animoEvent& e) {
    using R = CAnimoReader;
    uint8_t r[kEvent3];
    if (!in.read(r, kEvent3)) return false;
    std::memcpy(e.name, r, 32);
    e.name[31] = 0;
    e.frames = R::u16(r + 32);
    e.loopStart = R::u16(r + 38);
    e.loopEnd = R::u16(r + 40);
    e.loopCount = R::u16(r + 42);
    e.loopCounter = R::u16(r + 44);
    e.fps = R::u32(r + 46);
    e.flags = R::u32(r + 50);
    e.opacity = r[54];
    std::memcpy(e.reserved, r + 55, 12);
    if (e.frames == 0) return true;
    // Every frame takes at least its index and its fixed record.
    if (int64_t(e.frames) * (2 + kFrame3) > in.left()) return false;
    std::vector<uint8_t> indices(size_t(e.frames) * 2);
    if (!in.read(indices.data(), int64_t(indices.size()))) return false;
    e.images.resize(e.frames);
    for (size_t i = 0; i < e.frames; ++i) e.images[i] = R::u16(indices.data() + 2 * i);
    e.records.resize(e.frames);
    for (auto& slot : e.records) {
        uint8_t f[kFrame3];
        if (!in.read(f, kFrame3)) return false;
        _animoFrame record;
        record.nameField = R::u32(f);
        record.paramField = R::u32(f + 4);
        record.x = R::s16(f + 8);
        record.y = R::s16(f + 10);
        record.reserved = R::s32(f + 12);
        record.soundField = R::u32(f + 16);
        record.reserved2 = R::u32(f + 20);
        record.opacity = f[24];
        std::memcpy(record.reserved3, f + 25, 5);
        uint8_t length[4];
        if (record.nameField) {
            if (!in.read(length, 4) || !in.text(R::u32(length), record.name)) return false;
        }
        if (record.paramField) {
            uint8_t block[20];
            if (!in.read(length, 4) || R::u32(length) != 20 || !in.read(block, 20)) return false;
            for (int i = 0; i < 5; ++i) record.params[i] = R::f32(block + 4 * i);
        }
        if (record.soundField) {
            if (!in.read(length, 4) || !in.text(R::u32(length), record.sound)) return false;
        }
        slot = std::move(record);
    }
    return true;
}

int CAnimo::Load3(CFile* file) {
    CAnimoReader in(file);
    return load3(in);
}

int CAnimo::load3(CAnimoReader& in) {
    using R = CAnimoReader;
    uint8_t h[kHeader3];
    if (!in.read(h, kHeader3)) return fail(ERR_FILE_DAMAGED, "shorter than its header");
    const int images = R::s16(h + 4);
    const int bpp = R::s16(h + 6);
    const int events = R::s16(h + 8);
    if (images < 0 || events < 0) return fail(ERR_FILE_DAMAGED, "negative image or event count");
    m_bpp = bpp;
    m_fps = static_cast<int32_t>(R::u32(h + 23));
    const uint32_t flags = R::u32(h + 27);
    m_flags = static_cast<int32_t>(flags & 0xFF);
    m_animoFlags = flags & 0xFFFF00;
    m_opacity = h[31];
    m_randomFrames = R::u16(h + 32);
    uint8_t length[4];
    if (!in.read(length, 4) || !in.text(R::u32(length), m_author) || !in.read(length, 4) ||
        !in.text(R::u32(length), m_description))
        return fail(ERR_FILE_DAMAGED, "author or description past the end");
    if (int64_t(events) * kEvent3 > in.left()) return fail(ERR_FILE_DAMAGED, "events past the end");
    m_events.resize(static_cast<size_t>(events));
    for (_animoEvent& e : m_events)
        if (!readEvent3(in, e)) return fail(ERR_FILE_DAMAGED, "an event past the end or out of range");

    if (!readImageHeaders(in, images, h[2] == '+' ? 32 : 52, bpp))
        return fail(ERR_FILE_DAMAGED, "image headers past the end or out of range");
    if (!readImageData(in)) return fail(ERR_FILE_DAMAGED, "image data past the end or too short");

    buildSoundTable();
    if (h[2] == '+' || h[2] == 'P') m_animoFlags |= ANIMO_NEW_FORMAT;
    if (!m_images.empty()) m_compression = m_images.front()->GetCompression();
    for (auto& frame : m_images)
        if (!frame->decodeNow()) return fail(ERR_FILE_DAMAGED, "packed image data do not decode to its size");
    return 0;
}

int CAnimo::LoadNew(CFile* file) {
    CAnimoReader in(file);
    return loadNew(in);
}

int CAnimo::loadNew(CAnimoReader& in) {
    using R = CAnimoReader;
    std::vector<uint8_t> h(kHeaderPak);
    if (!in.read(h.data(), kHeaderPak)) return fail(ERR_FILE_DAMAGED, "shorter than its header");
    const int images = R::s16(&h[4]);
    h[6 + 127] = 0;
    h[134 + 255] = 0;
    m_author = CXString(reinterpret_cast<const char*>(&h[6]));
    m_description = CXString(reinterpret_cast<const char*>(&h[134]));
    int bpp = R::s16(&h[390]);
    if (bpp == 0) bpp = 15;
    const int events = R::s16(&h[392]);
    if (images < 0 || events < 0) return fail(ERR_FILE_DAMAGED, "negative image or event count");
    m_bpp = bpp;
    if (events == 0) {
        makeStandardEvents(images);
    } else {
        if (int64_t(events) * kEventPak > in.left()) return fail(ERR_FILE_DAMAGED, "events past the end");
        m_events.resize(static_cast<size_t>(events));
        for (_animoEvent& e : m_events) {
            uint8_t r[kEventPak];
            if (!in.read(r, kEventPak)) return fail(ERR_FILE_DAMAGED, "an event past the end");
            std::memcpy(e.name, r, 32);
            e.name[31] = 0;
            e.frames = R::u16(r + 32);
            e.loopStart = e.loopEnd = R::u16(r + 34);
            e.loopCount = R::u16(r + 38);
            e.fps = 15;
            if (int64_t(e.frames) * (2 + kFramePak) > in.left())
                return fail(ERR_FILE_DAMAGED, "an event's frames past the end");
            std::vector<uint8_t> bytes(size_t(e.frames) * (2 + kFramePak));
            if (!in.read(bytes.data(), int64_t(bytes.size())))
                return fail(ERR_FILE_DAMAGED, "frames past the end");
            e.images.resize(e.frames);
            e.records.resize(e.frames);
            for (size_t i = 0; i < e.frames; ++i) {
                e.images[i] = R::u16(&bytes[2 * i]);
                const uint8_t* f = &bytes[size_t(e.frames) * 2 + kFramePak * i];
                _animoFrame record;
                record.x = R::s16(f);
                record.y = R::s16(f + 2);
                e.records[i] = record;
            }
        }
    }
    if (!readImageHeaders(in, images, 32, bpp))
        return fail(ERR_FILE_DAMAGED, "image headers past the end or out of range");
    if (!readImageData(in)) return fail(ERR_FILE_DAMAGED, "image data past the end or too short");
    buildSoundTable();
    CRefreshScreen* screen =
        CGraphicsObject::m_window ? CGraphicsObject::m_window->GetRefreshScreenInterface() : nullptr;
    if (screen) Convert(screen->GetBpp());
    return 0;
}

bool CAnimo::ReadChunk(CFile* file, int kind) {
    CAnimoReader in(file);
    return readChunk(in, kind);
}

bool CAnimo::readChunk(CAnimoReader& in, int kind) {
    static const char* const tags[] = {"EXT", "SEQ", "POS"};
    if (kind < 0 || kind > 2) return false;
    char tag[3];
    if (in.left() < 3) return false;
    if (!in.read(tag, 3)) return false;
    if (std::memcmp(tag, tags[kind], 3) != 0) {
        in.back(3);
        return false;
    }
    return true;
}

void CAnimo::makeStandardEvents(int images) {
    m_events.clear();
    for (int k = 0; k < 3; ++k) {
        _animoEvent e;
        e.setName("standard");
        e.frames = static_cast<uint16_t>(images);
        e.fps = 15;
        e.images.resize(static_cast<size_t>(images));
        e.records.resize(static_cast<size_t>(images));
        for (int i = 0; i < images; ++i)
            e.images[static_cast<size_t>(i)] = static_cast<uint16_t>(k == 2 ? images - 1 - i : i);
        m_events.push_back(std::move(e));
    }
}

int CAnimo::loadPictureList(CAnimoReader& in, const uint8_t* head) {
    using R = CAnimoReader;
    int generation = 0;
    _compression compression = COMPRESSION_NONE;
    if (isMagic(head, "PIK")) {
        generation = 1;
    } else if (isMagic(head, "PI2")) {
        generation = 2;
        compression = static_cast<_compression>(1);
    } else if (isMagic(head, "PI3")) {
        generation = 3;
        compression = COMPRESSION_LZO;
    }
    // A negative count reads as none.
    const int images = std::max<int>(0, R::s16(head + 4));
    m_bpp = GetRealBpp(R::s16(head + 6));

    uint8_t word[4];
    int sequence = 0;
    if (readChunk(in, 0)) {
        uint8_t length[4];
        CXString author, description;
        if (!in.read(word, 4) || !in.read(length, 4))
            return fail(ERR_FILE_DAMAGED, "the EXT chunk past the end");
        const int32_t authorLength = R::s32(length);
        if (authorLength > 0 && !in.text(authorLength, author, kExtText))
            return fail(ERR_FILE_DAMAGED, "the EXT author past the end");
        if (!in.read(length, 4)) return fail(ERR_FILE_DAMAGED, "the EXT chunk past the end");
        const int32_t descriptionLength = R::s32(length);
        if (descriptionLength > 0 && !in.text(descriptionLength, description, kExtText))
            return fail(ERR_FILE_DAMAGED, "the EXT description past the end");
        if (authorLength > 0) m_author = author;
        if (descriptionLength > 0) m_description = description;
    }
    if (readChunk(in, 1)) {
        if (!in.read(word, 4)) return fail(ERR_FILE_DAMAGED, "the SEQ chunk past the end");
        sequence = static_cast<int>(R::u32(word) & 0xFFFF);
        if (!in.skip(int64_t(sequence) * 4)) return fail(ERR_FILE_DAMAGED, "the SEQ entries past the end");
    }
    std::vector<_animoFrame> positions;
    if (readChunk(in, 2)) {
        if (int64_t(sequence) * 33 > in.left()) return fail(ERR_FILE_DAMAGED, "the POS records past the end");
        for (int i = 0; i < sequence; ++i) {
            uint8_t r[33];
            if (!in.read(r, 33)) return fail(ERR_FILE_DAMAGED, "the POS records past the end");
            _animoFrame record;
            record.x = static_cast<int16_t>(R::s32(r));
            record.y = static_cast<int16_t>(R::s32(r + 4));
            record.opacity = r[8];
            positions.push_back(record);
        }
    }

    for (int i = 0; i < images; ++i) {
        auto frame = std::make_shared<CFrame>(CGraphicsObject::m_window);
        frame->SetBpp(m_bpp);
        frame->SetCompression(compression);
        frame->setFileName(m_fileName);
        m_images.push_back(frame);
    }
    // Files of no generation have empty images: no headers and no data are read for them.
    if (generation > 0) {
        const int64_t headerSize = generation == 1 ? 20 : 32;
        if (int64_t(images) * headerSize > in.left())
            return fail(ERR_FILE_DAMAGED, "image headers past the end");
        for (auto& frame : m_images)
            if (!frame->readPictureListHeader(in, generation))
                return fail(ERR_FILE_DAMAGED, "an image header out of range");
        for (auto& frame : m_images)
            if (!frame->readPictureListData(in))
                return fail(ERR_FILE_DAMAGED, "image data past the end or too short");
        if (generation == 1) {
            CRefreshScreen* screen =
                CGraphicsObject::m_window ? CGraphicsObject::m_window->GetRefreshScreenInterface() : nullptr;
            if (screen) Convert(screen->GetBpp());
        }
    }
    makeStandardEvents(images);
    auto& first = m_events.front();
    for (size_t i = 0; i < positions.size() && i < first.records.size(); ++i) first.records[i] = positions[i];
    buildSoundTable();
    return 0;
}

// ---------------------------------------------------------------- saving

int CAnimo::Save(CXString name, _compression kind) {
    CFile file(CGraphicsObject::m_window, name, CFile::MODE_BINARY);
    if (file.LastError() != 0) {
        logMessage("animation \"%s\" cannot be written", name.GetBuffer());
        setErrorCode(ERR_FILE_WRITE);
        return LastError();
    }
    const int saved = Save3(&file, kind);
    const int closed = file.Close();
    if (saved == 0 && closed != 0) {
        logMessage("animation \"%s\" could not be written whole", name.GetBuffer());
        setErrorCode(ERR_FILE_WRITE);
    }
    return LastError();
}

int CAnimo::Save3(CFile* file, int compression) {
    std::vector<uint8_t> bytes;
    if (!file || !save3(bytes, compression)) {
        logMessage("animation \"%s\": too many images or events to write", m_fileName.GetBuffer());
        setErrorCode(ERR_FILE_WRITE);
        return LastError();
    }
    if (file->Write(bytes.data(), static_cast<int>(bytes.size())) != static_cast<int>(bytes.size())) {
        logMessage("animation: \"%s\" could not be written whole", file->GetFileName().GetBuffer());
        setErrorCode(ERR_FILE_WRITE);
        return LastError();
    }
    setErrorCode(0);
    return 0;
}

bool CAnimo::save3(std::vector<uint8_t>& out, int compression) {
    if (GetNOF() > INT16_MAX || GetNOE() > INT16_MAX) return false;
    // Images carry no depth of their own in the file: a draw may have converted some, so every raw image is
    // brought to one depth, that of the packed images when there are any (they are never converted).
    int depth = m_bpp;
    for (auto& frame : m_images)
        if (frame->GetCompression() != COMPRESSION_NONE) {
            depth = frame->GetBpp();
            break;
        }
    Convert(depth);
    out.clear();
    CAnimoWriter w(out);
    w.bytes("NVP", 4);
    w.u16(static_cast<uint16_t>(GetNOF()));
    w.u16(static_cast<uint16_t>(m_bpp));
    w.u16(static_cast<uint16_t>(GetNOE()));
    w.zeros(13);
    w.u32(static_cast<uint32_t>(m_fps));
    w.u32(m_animoFlags | static_cast<uint32_t>(m_flags & 0xFF));
    w.u8(m_opacity);
    w.u16(m_randomFrames);
    w.zeros(10);
    for (const CXString* text : {&m_author, &m_description}) {
        const size_t n = std::strlen(text->GetBuffer());
        w.u32(static_cast<uint32_t>(n));
        w.bytes(text->GetBuffer(), n);
    }
    for (const _animoEvent& e : m_events) {
        w.bytes(e.name, 32);
        w.u16(e.frames);
        w.zeros(4);
        w.u16(e.loopStart);
        w.u16(e.loopEnd);
        w.u16(e.loopCount);
        w.u16(e.loopCounter);
        w.u32(e.fps);
        w.u32(e.flags);
        w.u8(e.opacity);
        w.bytes(e.reserved, 12);
        if (e.frames == 0) continue;
        for (uint16_t image : e.images) w.u16(image);
        for (const auto& slot : e.records) {
            const _animoFrame record = slot ? *slot : _animoFrame{};
            w.u32(record.nameField ? 1 : 0);
            w.u32(record.paramField ? 1 : 0);
            w.u16(static_cast<uint16_t>(record.x));
            w.u16(static_cast<uint16_t>(record.y));
            w.u32(static_cast<uint32_t>(record.reserved));
            w.u32(record.soundField ? 1 : 0);
            w.u32(record.reserved2);
            w.u8(record.opacity);
            w.bytes(record.reserved3, 5);
            if (record.nameField) w.text(record.name);
            if (record.paramField) {
                w.u32(20);
                for (float p : record.params) w.f32(p);
            }
            if (record.soundField) w.text(record.sound);
        }
    }
    for (auto& frame : m_images) {
        frame->Compress(static_cast<_compression>(compression));
        frame->SaveHeaderNew(out);
    }
    for (auto& frame : m_images) frame->SaveNew(out);
    updateWithCurrentFrame();
    return true;
}

int CAnimo::Save(CFile* file, _compression mode) {
    std::vector<uint8_t> bytes;
    CAnimoWriter w(bytes);
    w.bytes(mode == 0 ? "PIK" : mode == 1 ? "PI2" : "PI3", 4);
    w.u16(static_cast<uint16_t>(GetNOF()));
    w.u16(static_cast<uint16_t>(GetFlagBpp(m_bpp)));
    w.zeros(4);
    if (!file || file->Write(bytes.data(), 12) != 12) {
        setErrorCode(ERR_FILE_WRITE);
        return LastError();
    }
    return 0;
}

} // namespace KavirelDLL
