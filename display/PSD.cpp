#include "display/PSD.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "core/Compression.h"
#include "core/File.h"
#include "core/Log.h"

namespace KavirelDLL {

namespace {

// Layer rasters beyond this are broken sizes, not pictures.
constexpr int64_t kMaxLayerBytes = int64_t(1) << 30;
constexpr int kMaxChannels = 56;
// Deflate, the tightest packing a plane may have, makes at most 1032 bytes of one.
constexpr int64_t kMostPlaneExpansion = 1032;

// Big-endian fields of a byte range; a read past the end marks the reader failed and gives zeros.
class CBigEndianReader {
public:
    CBigEndianReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool ok() const { return m_ok; }
    size_t tell() const { return m_pos; }
    size_t left() const { return m_size - m_pos; }
    bool has(size_t n) {
        if (m_ok && n <= left()) return true;
        m_ok = false;
        return false;
    }
    const uint8_t* take(size_t n) {
        if (!has(n)) return nullptr;
        const uint8_t* p = m_data + m_pos;
        m_pos += n;
        return p;
    }
    void skip(size_t n) { take(n); }
    void seek(size_t pos) {
        if (pos > m_size)
            m_ok = false;
        else
            m_pos = pos;
    }
    uint32_t u32() {
        const uint8_t* p = take(4);
        return p ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3] : 0;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    uint16_t u16() {
        const uint8_t* p = take(2);
        return p ? uint16_t(p[0] << 8 | p[1]) : 0;
    }
    int16_t i16() { return static_cast<int16_t>(u16()); }
    uint8_t u8() {
        const uint8_t* p = take(1);
        return p ? *p : 0;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

// One plane of width × height bytes, a new[] block; null when the data do not make one.
char* readPlane(CBigEndianReader& in, size_t end, int width, int height, int compression) {
    const size_t bytes = size_t(width) * size_t(height);
    if (compression == 0) {
        if (in.tell() + bytes > end) return nullptr;
        const uint8_t* p = in.take(bytes);
        char* plane = new (std::nothrow) char[bytes + 1];
        if (!p || !plane) {
            delete[] plane;
            return nullptr;
        }
        std::memcpy(plane, p, bytes);
        return plane;
    }
    // PackBits: the packed length of every row, then the rows.
    const size_t counts = size_t(height) * 2;
    if (in.tell() + counts > end) return nullptr;
    short* rowLengths = new (std::nothrow) short[size_t(height) + 1];
    if (!rowLengths) return nullptr;
    for (int r = 0; r < height; ++r) rowLengths[r] = static_cast<short>(in.u16());
    const size_t packed = end - in.tell();
    const uint8_t* data = in.take(packed);
    CRLECompression2 codec(CXSize(width, height), rowLengths,
                           reinterpret_cast<char*>(const_cast<uint8_t*>(data)), int(packed));
    return codec.Decompress();
}

} // namespace

struct CPSD::LayerSet {
    Layers layers;
    ~LayerSet() {
        for (_psdlayer& l : layers) delete l.object;
    }
};

// ---------------------------------------------------------------- construction

CPSD::CPSD(CWindow* window) : CGraphicsObject(window), m_layers(std::make_shared<LayerSet>()) {}

CPSD::CPSD(CWindow* window, CGraphicsObject*) : CPSD(window) {}

CPSD::CPSD(CPSD& other)
    : CGraphicsObject(other.m_window, other), m_layers(other.m_layers), m_selected(other.m_selected),
      m_current(other.m_current) {}

CPSD::CPSD(CWindow* window, CXString name) : CPSD(window) { Load(name); }

CPSD::~CPSD() = default;

void CPSD::clearLayers() {
    m_layers = std::make_shared<LayerSet>();
    m_selected = 0;
    m_current = nullptr;
}

int CPSD::fail(const char* why) {
    logMessage("layered picture \"%s\": %s", m_fileName.GetBuffer(), why);
    clearLayers();
    setErrorCode(ERR_FILE_DAMAGED);
    return ERR_FILE_DAMAGED;
}

// ---------------------------------------------------------------- loading

int CPSD::Load(CXString name) {
    Flush();
    clearLayers();
    setErrorCode(0);
    m_fileName = name;
    CFile file;
    if (file.Open(m_window, name, CFile::MODE_READ | CFile::MODE_BINARY) != 0) {
        logMessage("layered picture \"%s\": does not open", name.GetBuffer());
        setErrorCode(ERR_FILE_NOT_FOUND);
    } else {
        const int read = Load(&file);
        const int closed = file.Close();
        setErrorCode(read != 0 ? read : closed);
        if (LastError() == 0) Visible(true);
    }
    CGraphicsObject::Load(name);
    return LastError();
}

int CPSD::Load(CFile* file) {
    clearLayers();
    if (!file || !file->GetHandle()) {
        setErrorCode(ERR_FILE_NOT_FOUND);
        return ERR_FILE_NOT_FOUND;
    }
    const int length = file->Length() - file->Tell();
    if (length < 26) return fail("shorter than its header");
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    if (file->Read(bytes.data(), length) != length) return fail("could not be read");

    CBigEndianReader in(bytes.data(), bytes.size());
    const uint8_t* header = in.take(26);
    // Version 1 only: the large-document variant has wider lengths.
    if (std::memcmp(header, "8BPS", 4) != 0 || header[4] != 0 || header[5] != 1)
        return fail("not a layered picture");
    // Planes are read as one byte a sample.
    if (header[22] != 0 || header[23] != 8) return fail("not 8 bits a channel");
    in.skip(in.u32()); // colour-mode data
    in.skip(in.u32()); // image resources
    const uint32_t layerAndMask = in.u32();
    if (!in.ok()) return fail("sections run past the end");
    auto set = std::make_shared<LayerSet>();
    if (layerAndMask == 0) {
        m_layers = set;
        return 0;
    }
    in.u32(); // layer-info length
    const int count = std::abs(int(in.i16()));
    if (!in.ok()) return fail("sections run past the end");

    Layers& layers = set->layers;
    layers.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        _psdlayer layer;
        const int32_t top = in.i32(), left = in.i32(), bottom = in.i32(), right = in.i32();
        layer.rect = CXRect(left, top, right, bottom);
        if (bottom < top || right < left || int64_t(right) - left > INT32_MAX ||
            int64_t(bottom) - top > INT32_MAX ||
            (int64_t(right) - left) * (int64_t(bottom) - top) > kMaxLayerBytes / 3)
            return fail("layer rectangle out of range");
        layer.channelCount = in.i16();
        if (layer.channelCount < 0 || layer.channelCount > kMaxChannels)
            return fail("channel count out of range");
        int64_t stored = 0;
        for (int c = 0; c < layer.channelCount; ++c) {
            _psdchannel channel;
            channel.id = in.i16();
            channel.length = in.i32();
            if (channel.length < 0) return fail("channel length out of range");
            stored += channel.length;
            layer.channels.push_back(channel);
        }
        // The planes follow the records. The raster is made before they are read, so a few bytes must
        // not claim a huge one.
        if (stored > int64_t(in.left())) return fail("channel data run past the end");
        if ((int64_t(right) - left) * (int64_t(bottom) - top) > kMostPlaneExpansion * stored)
            return fail("layer larger than its planes could fill");
        in.skip(12); // blend signature, key, opacity, clipping, flags, filler
        const uint32_t extra = in.u32();
        const size_t extraStart = in.tell();
        if (!in.ok() || extra > in.left()) return fail("layer record runs past the end");
        const size_t extraEnd = extraStart + extra;
        in.skip(in.u32()); // layer mask
        in.skip(in.u32()); // blending ranges
        const uint8_t nameLength = in.u8();
        const uint8_t* name = in.take(nameLength);
        if (!in.ok() || in.tell() > extraEnd) return fail("layer record runs past its extra data");
        layer.name = CXString(std::string(reinterpret_cast<const char*>(name), nameLength).c_str());
        // What follows the name (padding, additional information blocks) is passed over whole.
        in.seek(extraEnd);
        layers.push_back(std::move(layer));
    }

    for (_psdlayer& layer : layers) {
        const int width = layer.rect.Width(), height = layer.rect.Height();
        auto* object = new CGraphicsObject(m_window, CXSize(width, height), 24);
        object->setFileName(layer.name);
        object->SetPosition(layer.rect.left, layer.rect.top);
        layer.object = object;
        for (_psdchannel& channel : layer.channels) {
            const size_t start = in.tell();
            if (!in.has(size_t(channel.length))) return fail("channel data run past the end");
            const size_t end = start + size_t(channel.length);
            const int compression = channel.length >= 2 ? in.u16() : -1;
            const bool wanted = channel.id >= -1 && channel.id <= 2;
            if (wanted && (compression == 0 || compression == 1)) {
                char* plane = readPlane(in, end, width, height, compression);
                if (!plane) return fail("channel data do not make a plane");
                switch (channel.id) {
                case 0:
                    object->RedChannel(plane);
                    break;
                case 1:
                    object->GreenChannel(plane);
                    break;
                case 2:
                    object->BlueChannel(plane);
                    break;
                default:
                    object->AlphaChannel(plane);
                    break;
                }
            }
            // Planes of other kinds, and unknown compressions, are passed over.
            in.seek(end);
            channel.plane = nullptr;
        }
        object->JoinChannels();
    }
    if (!in.ok()) return fail("channel data run past the end");

    m_layers = set;
    m_selected = 0;
    m_current = layers.empty() ? nullptr : layers.front().object;
    return 0;
}

// ---------------------------------------------------------------- layers

int CPSD::GetLayerNo() const { return int(m_layers->layers.size()); }

_psdlayer* CPSD::GetLayer(int index) const {
    if (index < 0 || index >= GetLayerNo()) return nullptr;
    return &m_layers->layers[size_t(index)];
}

void CPSD::SelectLayer(int index) {
    if (_psdlayer* layer = GetLayer(index)) {
        m_selected = index;
        m_current = layer->object;
    }
}

void CPSD::SelectLayer(CXString name) {
    for (int i = 0; i < GetLayerNo(); ++i)
        if (GetLayer(i)->name == name) {
            SelectLayer(i);
            return;
        }
}

CXString CPSD::GetLayerName(int index) {
    _psdlayer* layer = GetLayer(index == -1 ? m_selected : index);
    return layer ? layer->name : CXString("");
}

CXRect CPSD::GetLayerRect(int) {
    _psdlayer* layer = GetLayer(m_selected);
    return layer ? layer->rect : CXRect();
}

void CPSD::SetPosition(int x, int y) { SetPosition(CXPoint(x, y)); }

void CPSD::SetPosition(CXPoint p) {
    CGraphicsObject::SetPosition(p.x, p.y);
    if (m_current) m_current->SetPosition(p);
    if (_psdlayer* layer = GetLayer(m_selected)) {
        const int width = layer->rect.Width(), height = layer->rect.Height();
        if (p.x >= 0) {
            layer->rect.left = p.x;
            layer->rect.right = p.x + width;
        }
        if (p.y >= 0) {
            layer->rect.top = p.y;
            layer->rect.bottom = p.y + height;
        }
    }
}

} // namespace KavirelDLL
