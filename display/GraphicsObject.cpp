#include "display/GraphicsObject.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "core/Compression.h"
#include "core/Containers.h"
#include "core/DataBuffer.h"
#include "core/File.h"
#include "core/Log.h"
#include "display/Collisions.h"
#include "display/Jpeg.h"
#include "display/RefreshScreen.h"
#include "display/ValidationQuene.h"
#include "display/Window.h"

namespace KavirelDLL {

namespace {

// Rasters beyond this are broken sizes, not pictures.
constexpr int64_t kMaxBlockBytes = int64_t(1) << 30;

int16_t* g_mulArray = nullptr;
uint64_t* g_mmxArray = nullptr;

void putLE32(std::vector<uint8_t>& out, int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

int32_t readLE32(const char* p) {
    const auto* b = reinterpret_cast<const uint8_t*>(p);
    return static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                                uint32_t(b[3]) << 24);
}

} // namespace

// ---------------------------------------------------------------- construction

void CGraphicsObject::construct() {
    m_observers = new CXArray(101, 0.75f);
    if (!g_mulArray) __initialize_mul_array();
    if (!g_mmxArray) __initialize_mmx_array();
}

CGraphicsObject::CGraphicsObject(CWindow* window) : m_fileName(""), m_window(window) { construct(); }

CGraphicsObject::CGraphicsObject(CWindow* window, CXSize size, int bpp) : m_fileName(""), m_window(window) {
    construct();
    m_bpp = bpp;
    if (!sizeAcceptable(size.cx, size.cy, bpp)) return;
    m_width = size.cx;
    m_height = size.cy;
    m_pitch = size.cx;
    m_data = CSharedBlock::allocate(static_cast<size_t>(__get_data_size(size, bpp)));
}

CGraphicsObject::CGraphicsObject(CWindow* window, CXSize size, int bpp, char* data)
    : m_fileName(""), m_window(window) {
    construct();
    m_bpp = bpp;
    m_data = CSharedBlock::adopt(data);
    if (!sizeAcceptable(size.cx, size.cy, bpp)) return;
    m_width = size.cx;
    m_height = size.cy;
    m_pitch = size.cx;
}

CGraphicsObject::CGraphicsObject(CWindow* window, CGraphicsObject& other) : m_fileName(""), m_window(window) {
    construct();
    other.GetDataPtr();
    m_data = other.m_data;
    for (int i = 0; i < 4; ++i) {
        m_channel[i] = other.m_channel[i];
        m_channelSize[i] = other.m_channelSize[i];
    }
    m_ownsData = false;
    m_width = other.m_width;
    m_height = other.m_height;
    m_pitch = other.m_pitch;
    m_bpp = other.m_bpp;
    m_palette = other.m_palette;
    m_compression = other.m_compression;
    m_rawSize = other.m_rawSize;
    m_compressedSize = other.m_compressedSize;
    m_visible = other.m_visible;
    m_clip = other.m_clip;
    m_viewport = other.m_viewport;
    CXPoint p = other.GetPosition();
    m_x = p.x;
    m_y = p.y;
    m_fileName = other.m_fileName;
    m_destiny = other.m_destiny;
    m_alphaAsMask = other.m_alphaAsMask;
    m_flags = other.m_flags;
    m_opacity = other.m_opacity;
}

CGraphicsObject::~CGraphicsObject() {
    if (m_canvas) *m_canvas >> this;
    if (m_children) {
        for (int i = 0; i < m_children->getSize(); ++i)
            if (CValidationElement* e = m_children->elementAt(i))
                e->getObject()->removeInvalidateObserver(this);
        delete m_children;
        m_children = nullptr;
    }
    // An observer may leave the list while it is told.
    std::vector<CInvalidateObserver*> observers;
    for (int i = 0; i < m_observers->getSize(); ++i)
        observers.push_back(static_cast<CInvalidateObserver*>(m_observers->at(i)));
    for (CInvalidateObserver* o : observers) o->onDestroy(this);
    delete m_observers;
    m_observers = nullptr;
    Flush();
}

CXObject* CGraphicsObject::clone() { return new CGraphicsObject(m_window, *this); }

bool CGraphicsObject::sizeAcceptable(int width, int height, int bpp) {
    if (width < 0 || height < 0 ||
        int64_t(width) * int64_t(height) * int64_t(__get_pixel_size(bpp)) > kMaxBlockBytes) {
        logMessage("graphics object of %d x %d at %d bits refused", width, height, bpp);
        setErrorCode(ERR_GRAPHICS_SIZE);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- sizes and formats

int CGraphicsObject::__get_pixel_size(int bpp) {
    switch (bpp) {
    case 15:
    case 16:
        return 2;
    case 24:
        return 3;
    case 32:
        return 4;
    default:
        return 1;
    }
}

int CGraphicsObject::__get_data_size(int width, int height, int bpp) {
    return width * height * __get_pixel_size(bpp);
}

int CGraphicsObject::__get_data_size(CXSize size, int bpp) { return __get_data_size(size.cx, size.cy, bpp); }

int CGraphicsObject::GetFlagBpp(int bpp) {
    switch (bpp) {
    case 8:
        return 1;
    case 15:
        return 2;
    case 16:
        return 4;
    case 24:
        return 8;
    case 2:
        return 256;
    case 4:
        return 512;
    default:
        return 0;
    }
}

int CGraphicsObject::GetRealBpp(int code) {
    switch (code) {
    case 1:
        return 8;
    case 2:
        return 15;
    case 4:
        return 16;
    case 8:
        return 24;
    case 256:
        return 2;
    case 512:
        return 4;
    default:
        return 0;
    }
}

int CGraphicsObject::GetPixelSize() { return __get_pixel_size(m_bpp); }

// ---------------------------------------------------------------- blocks

void CGraphicsObject::alloc(CXSize size, int bpp, bool) {
    Flush();
    if (!sizeAcceptable(size.cx, size.cy, bpp)) return;
    m_width = size.cx;
    m_height = size.cy;
    m_pitch = size.cx;
    m_bpp = bpp;
    for (int& s : m_channelSize) s = 0;
    m_data = CSharedBlock::allocate(static_cast<size_t>(__get_data_size(size, bpp)));
    m_channel[3] = CSharedBlock::allocate(static_cast<size_t>(size.cx) * size.cy);
    m_channelSize[3] = m_channel[3] ? size.cx * size.cy : 0;
}

void CGraphicsObject::Alloc() {
    Flush();
    if (!sizeAcceptable(m_width, m_height, m_bpp)) return;
    m_data = CSharedBlock::allocate(static_cast<size_t>(__get_data_size(m_width, m_height, m_bpp)));
}

void CGraphicsObject::SetDataPtr(char* data, bool borrowed) {
    if (data == m_data.get()) return;
    m_data = borrowed ? CSharedBlock::borrow(data) : CSharedBlock::adopt(data);
}

char* CGraphicsObject::RedChannel(char* plane) {
    if (plane && plane != m_channel[0].get()) {
        m_channel[0] = CSharedBlock::adopt(plane);
        m_channelSize[0] = pixelCount();
    }
    return m_channel[0].get();
}

char* CGraphicsObject::GreenChannel(char* plane) {
    if (plane && plane != m_channel[1].get()) {
        m_channel[1] = CSharedBlock::adopt(plane);
        m_channelSize[1] = pixelCount();
    }
    return m_channel[1].get();
}

char* CGraphicsObject::BlueChannel(char* plane) {
    if (plane && plane != m_channel[2].get()) {
        m_channel[2] = CSharedBlock::adopt(plane);
        m_channelSize[2] = pixelCount();
    }
    return m_channel[2].get();
}

char* CGraphicsObject::AlphaChannel(char* plane) {
    if (plane != m_channel[3].get()) {
        m_channel[3] = CSharedBlock::adopt(plane);
        if (!plane)
            m_channelSize[3] = 0;
        else if (m_compression == COMPRESSION_NONE)
            m_channelSize[3] = pixelCount();
    }
    return m_channel[3].get();
}

char* CGraphicsObject::GetDataPtr() { return m_data.get(); }

bool CGraphicsObject::hasPixels() const {
    return m_data && m_compression == COMPRESSION_NONE && m_width > 0 && m_height > 0;
}

void CGraphicsObject::unshareData() {
    if (!m_data.isShared()) return;
    size_t bytes = static_cast<size_t>(__get_data_size(m_width, m_height, m_bpp));
    CSharedBlock copy = CSharedBlock::allocateCopy(m_data.get(), bytes);
    if (copy) m_data = copy;
}

void CGraphicsObject::unshareAlpha() {
    if (!m_channel[3].isShared() || m_channelSize[3] <= 0) return;
    CSharedBlock copy = CSharedBlock::allocateCopy(m_channel[3].get(), static_cast<size_t>(m_channelSize[3]));
    if (copy) m_channel[3] = copy;
}

void CGraphicsObject::dropBlocks() {
    m_data.reset();
    for (int i = 0; i < 4; ++i) {
        m_channel[i].reset();
        m_channelSize[i] = 0;
    }
    m_keptData.reset();
    m_keptAlpha.reset();
    m_keptAlphaSize = 0;
    m_mergeBytes.clear();
    m_mergeRect = CXRect();
    m_compression = COMPRESSION_NONE;
    m_rawSize = m_compressedSize = 0;
}

void CGraphicsObject::Flush() {
    delete m_backup;
    m_backup = nullptr;
    pack(true);
    // Shared blocks stay with their other holders; owned ones go with the last of them.
    dropBlocks();
}

// ---------------------------------------------------------------- position and geometry

void CGraphicsObject::notifyCollisions() {
    if (!m_monitorCollisions || !m_window) return;
    if (CCollisionInspector* inspector = m_window->getCollisionInspectorInterface())
        inspector->onPositionChanged(this);
}

void CGraphicsObject::setPosition(CXPoint p) { SetPosition(p.x, p.y); }

void CGraphicsObject::setPosition(int x, int y) { SetPosition(x, y); }

void CGraphicsObject::SetPosition(CXPoint p) { SetPosition(p.x, p.y); }

void CGraphicsObject::SetPosition(int x, int y) {
    m_x = x - m_anchorX;
    m_y = y - m_anchorY;
    notifyCollisions();
}

void CGraphicsObject::Move(CXPoint delta) { Move(delta.x, delta.y); }

void CGraphicsObject::Move(int dx, int dy) {
    CXRect before = GetBoundingBox();
    m_x += dx;
    m_y += dy;
    CXRect after = GetBoundingBox();
    if (m_canvas) {
        before.Sum(after);
        m_canvas->Invalidate(&before);
    }
    m_invalidated = true;
    notifyCollisions();
}

void CGraphicsObject::setAnchor(CXPoint anchor) { setAnchor(anchor.x, anchor.y); }

void CGraphicsObject::setAnchor(int x, int y) {
    m_anchorX = x;
    m_anchorY = y;
}

CXPoint CGraphicsObject::getAnchor() { return CXPoint(m_anchorX, m_anchorY); }

CXPoint CGraphicsObject::getCenterPoint() { return CXPoint(Width() / 2, Height() / 2); }

void CGraphicsObject::setSize(CXSize size) {
    m_width = size.cx;
    m_height = size.cy;
}

CXPoint CGraphicsObject::getPosition() { return GetPosition(); }

CXPoint CGraphicsObject::GetPosition() { return CXPoint(m_x, m_y); }

CXRect CGraphicsObject::getRect() { return CXRect(m_x, m_y, m_x + Width(), m_y + Height()); }

CXRect CGraphicsObject::GetBoundingBox() {
    CXRect box(m_x, m_y, m_x + Width(), m_y + Height());
    if (box.left < 0) box.left = 0;
    if (box.top < 0) box.top = 0;
    if (m_destiny) {
        box.right = std::min(box.right, m_destiny->Width());
        box.bottom = std::min(box.bottom, m_destiny->Height());
    }
    if (!m_clip.IsEmpty()) box.Common(m_clip + CXPoint(m_x, m_y));
    return box;
}

CXRect CGraphicsObject::GetAbsoluteBoundingBox() {
    CXRect box(m_x, m_y, m_x + Width(), m_y + Height());
    if (!m_clip.IsEmpty()) box.Common(m_clip + CXPoint(m_x, m_y));
    return box;
}

bool CGraphicsObject::isNear(CXRect rect, int percent) {
    CXRect box = GetBoundingBox();
    if (box.IsEmpty() || box.Width() < 0 || box.Height() < 0) return false;
    CXRect common;
    box.Common(rect, &common);
    double area = double(box.Width()) * double(box.Height());
    double shared =
        common.Width() > 0 && common.Height() > 0 ? double(common.Width()) * double(common.Height()) : 0.0;
    return double(percent) <= 100.0 * shared / area;
}

bool CGraphicsObject::isNear(CGraphicsObject* other, int percent) {
    return other ? isNear(other->GetBoundingBox(), percent) : false;
}

CXPoint CGraphicsObject::ClientCoords(CXPoint p) { return CXPoint(p.x - m_x, p.y - m_y); }

CXPoint CGraphicsObject::toLocalAxis(CXPoint p) { return ClientCoords(p); }

CXRect CGraphicsObject::toLocalAxis(CXRect r) { return r - CXPoint(m_x, m_y); }

void CGraphicsObject::FitRect(CXRect rect) {
    SetPosition(rect.left + (rect.right - Width() - rect.left) / 2,
                rect.top + (rect.bottom - Height() - rect.top) / 2);
}

void CGraphicsObject::FitObject(CGraphicsObject* other) {
    if (other) FitRect(other->GetBoundingBox());
}

bool CGraphicsObject::testHit(CXPoint p, bool boxOnly) {
    if (!GetBoundingBox().IsInRect(p)) return false;
    if (boxOnly || !m_channel[3]) return true;
    return GetPixel(CHANNEL_ALPHA, ClientCoords(p)) != 0;
}

bool CGraphicsObject::isAt(CXPoint p, bool alphaTest) {
    if (!GetBoundingBox().IsInRect(p)) return false;
    if (!alphaTest) return true;
    return GetPixel(CHANNEL_ALPHA, ClientCoords(p)) != 0;
}

bool CGraphicsObject::isInside(int x, int y, bool alphaTest) {
    CXRect box = GetBoundingBox();
    if (!box.IsInRect(x, y)) return false;
    if (!alphaTest) return true;
    return GetPixel(CHANNEL_ALPHA, CXPoint(x - box.left, y - box.top)) != 0;
}

// ---------------------------------------------------------------- visibility and opacity

void CGraphicsObject::Visible(bool visible) {
    if (!m_window) return;
    m_visible = visible;
    Invalidate();
}

void CGraphicsObject::AddOpacity(int16_t delta) {
    SetOpacity(static_cast<uint8_t>(std::clamp(int(m_opacity) + int(delta), 0, 255)));
}

// ---------------------------------------------------------------- invalidation

void CGraphicsObject::Invalidate() {
    CXRect box = GetBoundingBox();
    if (m_canvas) m_canvas->Invalidate(&box);
    notifyInvalidate(&box);
    m_invalidated = true;
}

void CGraphicsObject::Invalidate(CXRect* rect) {
    if (!rect) {
        Invalidate();
        return;
    }
    CXRect common;
    GetBoundingBox().Common(*rect, &common);
    if (common.IsEmpty()) return;
    if (m_canvas) m_canvas->Invalidate(&common);
    notifyInvalidate(&common);
    m_invalidated = true;
}

void CGraphicsObject::invalidateOnCanvas(CXRect rect) {
    if (m_canvas) m_canvas->Invalidate(&rect);
}

void CGraphicsObject::notifyInvalidate(CXRect* rect) {
    if (!m_observers) return;
    std::vector<CInvalidateObserver*> observers;
    for (int i = 0; i < m_observers->getSize(); ++i)
        observers.push_back(static_cast<CInvalidateObserver*>(m_observers->at(i)));
    for (CInvalidateObserver* o : observers) o->onInvalidate(this, rect);
}

void CGraphicsObject::addInvalidateObserver(CInvalidateObserver* observer) {
    if (!observer || !m_observers || m_observers->contains(observer)) return;
    m_observers->add(observer);
}

void CGraphicsObject::removeInvalidateObserver(CInvalidateObserver* observer) {
    if (m_observers) m_observers->remove(observer);
}

bool CGraphicsObject::isInvalidated() {
    bool was = m_invalidated;
    m_invalidated = false;
    return was;
}

void CGraphicsObject::onInvalidate(CGraphicsObject*, CXRect* rect) { Invalidate(rect); }

void CGraphicsObject::onDestroy(CGraphicsObject* child) {
    removeInvalidateObserver(child);
    removeObject(child);
}

// ---------------------------------------------------------------- children

bool CGraphicsObject::reportsTo(CGraphicsObject* target) {
    // Invalidations travel from an object to its observers: follow them, each object once.
    std::vector<CGraphicsObject*> pending{this};
    std::vector<CGraphicsObject*> seen;
    while (!pending.empty()) {
        CGraphicsObject* current = pending.back();
        pending.pop_back();
        if (current == target) return true;
        if (std::find(seen.begin(), seen.end(), current) != seen.end()) continue;
        seen.push_back(current);
        for (int i = 0; current->m_observers && i < current->m_observers->getSize(); ++i)
            if (auto* next = dynamic_cast<CGraphicsObject*>(
                    static_cast<CInvalidateObserver*>(current->m_observers->at(i))))
                pending.push_back(next);
    }
    return false;
}

void CGraphicsObject::addObject(CGraphicsObject* child, int) {
    if (!child || child == this) return;
    // A child that this object is drawn onto, directly or further up, would invalidate both without end.
    if (reportsTo(child)) {
        logMessage("graphics object \"%s\" is not drawn onto \"%s\", which is drawn onto it already",
                   child->m_fileName.GetBuffer(), m_fileName.GetBuffer());
        return;
    }
    if (!m_children) {
        m_children = new CValidationQuene();
        if (!m_backup && m_data && m_compression == COMPRESSION_NONE) {
            m_backup = new CDataBuffer2Dim(CXSize(m_width, m_height), 2);
            size_t bytes =
                std::min<size_t>(m_backup->getMemoryUsage(), __get_data_size(m_width, m_height, m_bpp));
            std::memcpy(m_backup->getBuffer(), m_data.get(), bytes);
        }
    }
    if (m_children->find(child)) return;
    m_children->add(child, 0, 0);
    child->addInvalidateObserver(this);
}

void CGraphicsObject::removeObject(CGraphicsObject* child) {
    if (!m_children || !child) return;
    if (m_children->find(child)) {
        m_children->remove(child);
        child->removeInvalidateObserver(this);
    }
    if (m_children->getSize() == 0) removeAllObjects();
}

void CGraphicsObject::removeAllObjects() {
    if (!m_children) return;
    for (int i = 0; i < m_children->getSize(); ++i)
        if (CValidationElement* e = m_children->elementAt(i)) e->getObject()->removeInvalidateObserver(this);
    delete m_children;
    m_children = nullptr;
    delete m_backup;
    m_backup = nullptr;
}

void CGraphicsObject::restoreImage() {
    if (!m_backup || !m_data || m_compression != COMPRESSION_NONE) return;
    size_t bytes = std::min<size_t>(m_backup->getMemoryUsage(), __get_data_size(m_width, m_height, m_bpp));
    std::memcpy(m_data.get(), m_backup->getBuffer(), bytes);
}

void CGraphicsObject::Redraw() {
    restoreImage();
    if (m_children) {
        // A child may leave the list while it draws.
        std::vector<CGraphicsObject*> children;
        for (int i = 0; i < m_children->getSize(); ++i)
            if (CValidationElement* e = m_children->elementAt(i)) children.push_back(e->getObject());
        for (CGraphicsObject* child : children) child->redraw(this);
    }
    if (m_destiny) redraw(m_destiny);
}

void CGraphicsObject::Blend(char*, int*, int, int) {
    logMessage("graphics object: Blend through caller tables is not built");
    setErrorCode(ERR_NOT_BUILT);
}

// ---------------------------------------------------------------- compression

bool CGraphicsObject::decodeRle(const char* src, int srcLength, int rawSize, bool sixteen,
                                CSharedBlock& out) {
    if (!src || srcLength < 0 || rawSize < 0) return false;
    char* decoded = sixteen ? CRLECompression::__decompress(src, srcLength, rawSize)
                            : CRLECompression::__decompresschar(src, srcLength, rawSize);
    if (!decoded) return false;
    out = CSharedBlock::adopt(decoded);
    return true;
}

void CGraphicsObject::Compress(_compression kind) {
    if (m_compression == COMPRESSION_NONE)
        m_rawSize = m_compressedSize = __get_data_size(m_width, m_height, m_bpp);
    if (kind != COMPRESSION_RLE || m_compression != COMPRESSION_NONE || !m_data) return;
    if (m_rawSize % 2 != 0) {
        logMessage("graphics object: %d-bit pixels cannot be run-length coded as words", m_bpp);
        return;
    }
    int packedLength = 0;
    char* packed = CRLECompression::__compress(m_data.get(), m_rawSize, packedLength);
    if (!packed) {
        setErrorCode(ERR_GRAPHICS_SIZE);
        return;
    }
    CSharedBlock packedAlpha;
    int alphaLength = 0;
    if (m_channel[3]) {
        char* a = CRLECompression::__compresschar(m_channel[3].get(), pixelCount(), alphaLength);
        if (!a) {
            delete[] packed;
            setErrorCode(ERR_GRAPHICS_SIZE);
            return;
        }
        packedAlpha = CSharedBlock::adopt(a);
    }
    // A new compressed block replaces whatever copy was kept.
    m_keptData.reset();
    m_keptAlpha.reset();
    m_unpacked = false;
    m_data = CSharedBlock::adopt(packed);
    m_compressedSize = packedLength;
    if (m_channel[3]) {
        m_channel[3] = packedAlpha;
        m_channelSize[3] = alphaLength;
    }
    m_compression = COMPRESSION_RLE;
}

void CGraphicsObject::DeCompress() {
    if (m_compression == COMPRESSION_LZO || m_compression == COMPRESSION_LZO_RLE) {
        if (!m_data) return;
        const bool inner = m_compression == COMPRESSION_LZO_RLE;
        CLZWCompression2 pixels(m_data.get(), m_compressedSize);
        char* decoded = pixels.decompress();
        int decodedSize = decoded ? readLE32(m_data.get()) : 0;
        int raw = __get_data_size(m_width, m_height, m_bpp);
        if (!decoded || (!inner && decodedSize != raw)) {
            delete[] decoded;
            logMessage("graphics object \"%s\": packed pixels do not decode to %d x %d",
                       m_fileName.GetBuffer(), m_width, m_height);
            setErrorCode(ERR_FILE_DAMAGED);
            return;
        }
        CSharedBlock alpha;
        int alphaSize = 0;
        if (m_channel[3] && m_channelSize[3] > 0) {
            CLZWCompression2 packedAlpha(m_channel[3].get(), m_channelSize[3]);
            char* a = packedAlpha.decompress();
            alphaSize = a ? readLE32(m_channel[3].get()) : 0;
            if (!a || (!inner && alphaSize != pixelCount())) {
                delete[] decoded;
                delete[] a;
                logMessage("graphics object \"%s\": packed alpha does not decode", m_fileName.GetBuffer());
                setErrorCode(ERR_FILE_DAMAGED);
                return;
            }
            alpha = CSharedBlock::adopt(a);
        }
        m_data = CSharedBlock::adopt(decoded);
        m_rawSize = raw;
        m_compressedSize = inner ? decodedSize : raw;
        if (alpha) {
            m_channel[3] = alpha;
            m_channelSize[3] = alphaSize;
        }
        m_compression = inner ? COMPRESSION_RLE : COMPRESSION_NONE;
    } else if (m_compression == COMPRESSION_JPEG) {
        if (!m_data || m_compressedSize <= 0) return;
        JPEG jpeg(m_data.get(), m_compressedSize);
        const int bpp = m_bpp == 15 ? 15 : 16;
        char* pixels = nullptr;
        if (jpeg.isReady() && jpeg.getWidth() == m_width && jpeg.getHeight() == m_height)
            pixels = jpeg.decompress(bpp);
        if (!pixels) {
            logMessage("graphics object \"%s\": JPEG pixels do not decode to %d x %d", m_fileName.GetBuffer(),
                       m_width, m_height);
            setErrorCode(ERR_FILE_DAMAGED);
            return;
        }
        m_data = CSharedBlock::adopt(pixels);
        m_bpp = bpp;
        m_rawSize = m_compressedSize = __get_data_size(m_width, m_height, bpp);
        m_compression = COMPRESSION_NONE;
    }
}

void CGraphicsObject::DeCompressRLE2() {
    if (m_compression != COMPRESSION_RLE || !m_data) return;
    int raw = __get_data_size(m_width, m_height, m_bpp);
    CSharedBlock pixels, alpha;
    if (!decodeRle(m_data.get(), m_compressedSize, raw, true, pixels) ||
        (m_channel[3] && !decodeRle(m_channel[3].get(), m_channelSize[3], pixelCount(), false, alpha))) {
        logMessage("graphics object \"%s\": run-length pixels do not decode to %d x %d",
                   m_fileName.GetBuffer(), m_width, m_height);
        setErrorCode(ERR_FILE_DAMAGED);
        return;
    }
    m_keptData = m_data;
    m_keptAlpha = m_channel[3];
    m_keptBpp = m_bpp;
    m_keptAlphaSize = m_channelSize[3];
    m_data = pixels;
    if (m_channel[3]) {
        m_channel[3] = alpha;
        m_channelSize[3] = pixelCount();
    }
    m_compression = COMPRESSION_NONE;
}

namespace {
// Where a draw that was given no cache decodes: the drawing thread's blocks, reused from draw to draw.
thread_local CGraphicsObject::CRleDrawCache t_drawScratch;
} // namespace

bool CGraphicsObject::decodeRleForDraw(CRleDrawCache* cache, int destinationBpp) {
    if (m_compression != COMPRESSION_RLE || !m_data) return false;
    const int raw = __get_data_size(m_width, m_height, m_bpp);
    const int alphaBytes = m_channel[3] ? pixelCount() : 0;
    if (raw <= 0 || (m_channel[3] && alphaBytes <= 0)) {
        DeCompressRLE2();
        return m_compression == COMPRESSION_NONE;
    }
    CRleDrawCache& c = cache ? *cache : t_drawScratch;
    const bool decoded = cache && c.source.get() == m_data.get() &&
                         c.sourceAlpha.get() == m_channel[3].get() && c.sourceSize == m_compressedSize &&
                         c.width == m_width && c.height == m_height && c.packedBpp == m_bpp &&
                         // Pixels converted for another depth would not come back exactly.
                         (c.drawnBpp == c.packedBpp || c.drawnBpp == destinationBpp);
    if (!decoded) {
        c.source.reset();
        if (c.pixels.size() < size_t(raw)) c.pixels.resize(size_t(raw));
        if (c.alpha.size() < size_t(alphaBytes)) c.alpha.resize(size_t(alphaBytes));
        if (!CRLECompression::__decompressInto(m_data.get(), m_compressedSize, c.pixels.data(), raw) ||
            (m_channel[3] && !CRLECompression::__decompresscharInto(m_channel[3].get(), m_channelSize[3],
                                                                    c.alpha.data(), alphaBytes))) {
            logMessage("graphics object \"%s\": run-length pixels do not decode to %d x %d",
                       m_fileName.GetBuffer(), m_width, m_height);
            setErrorCode(ERR_FILE_DAMAGED);
            return false;
        }
        // The packed blocks are held, so no other picture takes their addresses while the cache names them.
        if (cache) {
            c.source = m_data;
            c.sourceAlpha = m_channel[3];
        }
        c.sourceSize = m_compressedSize;
        c.width = m_width;
        c.height = m_height;
        c.packedBpp = c.drawnBpp = m_bpp;
    }
    m_keptData = m_data;
    m_keptAlpha = m_channel[3];
    m_keptBpp = m_bpp;
    m_keptAlphaSize = m_channelSize[3];
    m_data = CSharedBlock::borrow(c.pixels.data());
    m_bpp = c.drawnBpp;
    if (m_channel[3]) {
        m_channel[3] = CSharedBlock::borrow(c.alpha.data());
        m_channelSize[3] = alphaBytes;
    }
    m_compression = COMPRESSION_NONE;
    return true;
}

void CGraphicsObject::endRleDraw(CRleDrawCache* cache) {
    CRleDrawCache& c = cache ? *cache : t_drawScratch;
    // A conversion for the destination either changed the decoded pixels where they lie or replaced them.
    if (m_data.get() == c.pixels.data())
        c.drawnBpp = m_bpp;
    else
        c.source.reset();
    bringBackCompressed();
}

void CGraphicsObject::bringBackCompressed() {
    if (m_unpacked || !m_keptData) return;
    m_data = m_keptData;
    m_channel[3] = m_keptAlpha;
    m_channelSize[3] = m_keptAlpha ? m_keptAlphaSize : 0;
    m_bpp = m_keptBpp;
    m_keptData.reset();
    m_keptAlpha.reset();
    m_compression = COMPRESSION_RLE;
}

void CGraphicsObject::unpack() {
    if (m_unpacked) return;
    DeCompressRLE2();
    m_unpacked = true;
}

void CGraphicsObject::pack(bool freeWorking) {
    if (!m_unpacked) return;
    m_unpacked = false;
    if (!m_keptData) return;
    if (!freeWorking) {
        // The working blocks stay with whoever took their pointers.
        m_data.release();
        m_channel[3].release();
    }
    bringBackCompressed();
}

CGraphicsObject* CGraphicsObject::decodedView() {
    auto* view = new CGraphicsObject(nullptr, *this);
    if (view->m_compression == COMPRESSION_LZO || view->m_compression == COMPRESSION_LZO_RLE ||
        view->m_compression == COMPRESSION_JPEG)
        view->DeCompress();
    if (view->m_compression == COMPRESSION_RLE) {
        view->DeCompressRLE2();
        view->m_keptData.reset();
        view->m_keptAlpha.reset();
    }
    if (!view->hasPixels()) {
        delete view;
        return nullptr;
    }
    return view;
}

CGraphicsObject* CGraphicsObject::readable(std::unique_ptr<CGraphicsObject>& view) {
    if (m_compression == COMPRESSION_NONE) return this;
    view.reset(decodedView());
    return view.get();
}

// ---------------------------------------------------------------- loading and saving

int CGraphicsObject::Load(CXString) {
    if (m_window)
        if (CRefreshScreen* screen = m_window->GetRefreshScreenInterface()) Convert(screen->GetBpp());
    return LastError();
}

int CGraphicsObject::Load(CFile*) { return LastError(); }

int CGraphicsObject::Save(CXString name, _compression kind) {
    CFile file(m_window, name, CFile::MODE_BINARY);
    if (file.LastError() != 0) {
        setErrorCode(file.LastError());
        return LastError();
    }
    Save(&file, kind);
    int closed = file.Close();
    if (LastError() == 0 && closed != 0) setErrorCode(closed);
    return LastError();
}

int CGraphicsObject::Save(CFile* file, _compression kind) {
    std::vector<uint8_t> bytes;
    if (!file || !writePik(bytes, kind)) {
        setErrorCode(ERR_GRAPHICS_SIZE);
        return LastError();
    }
    if (file->Write(bytes.data(), int(bytes.size())) != int(bytes.size())) {
        logMessage("graphics object: \"%s\" could not be written whole", file->GetFileName().GetBuffer());
        setErrorCode(ERR_FILE_WRITE);
        return LastError();
    }
    setErrorCode(0);
    return 0;
}

bool CGraphicsObject::writePik(std::vector<uint8_t>& out, _compression kind) {
    out.clear();
    std::unique_ptr<CGraphicsObject> view;
    CGraphicsObject* source = readable(view);
    if (!source || !source->m_data) return false;

    const int w = source->m_width, h = source->m_height, ps = source->GetPixelSize();
    CXRect part(0, 0, w, h);
    if (!m_clip.IsEmpty() && m_clip != part) {
        part.Common(m_clip);
        if (part.Width() <= 0 || part.Height() <= 0) part = CXRect(0, 0, 0, 0);
    }
    const int pw = part.Width(), ph = part.Height();
    std::vector<char> pixels(static_cast<size_t>(pw) * ph * ps);
    std::vector<char> alpha;
    const char* alphaSrc = source->m_channel[3].get();
    if (alphaSrc) alpha.resize(static_cast<size_t>(pw) * ph);
    for (int r = 0; r < ph; ++r) {
        size_t from = (static_cast<size_t>(part.top + r) * w + part.left);
        std::memcpy(pixels.data() + static_cast<size_t>(r) * pw * ps, source->m_data.get() + from * ps,
                    static_cast<size_t>(pw) * ps);
        if (alphaSrc) std::memcpy(alpha.data() + static_cast<size_t>(r) * pw, alphaSrc + from, pw);
    }

    // The header says what the data are: kinds we cannot produce are written uncompressed.
    _compression written = COMPRESSION_NONE;
    if (kind == COMPRESSION_RLE && pixels.size() % 2 == 0) {
        int n = 0, an = 0;
        std::unique_ptr<char[]> p(CRLECompression::__compress(pixels.data(), int(pixels.size()), n));
        std::unique_ptr<char[]> a(
            alphaSrc ? CRLECompression::__compresschar(alpha.data(), int(alpha.size()), an) : nullptr);
        if (p && (!alphaSrc || a)) {
            pixels.assign(p.get(), p.get() + n);
            if (alphaSrc) alpha.assign(a.get(), a.get() + an);
            written = COMPRESSION_RLE;
        }
    } else if (kind == COMPRESSION_LZO) {
        int n = 0, an = 0;
        std::unique_ptr<char[]> p(CLZWCompression2(pixels.data(), int(pixels.size())).compress(n));
        std::unique_ptr<char[]> a;
        if (alphaSrc) a.reset(CLZWCompression2(alpha.data(), int(alpha.size())).compress(an));
        if (p && (!alphaSrc || a)) {
            pixels.assign(p.get(), p.get() + n + 8);
            if (alphaSrc) alpha.assign(a.get(), a.get() + an + 8);
            written = COMPRESSION_LZO;
        }
    }

    out.reserve(40 + pixels.size() + alpha.size());
    out.push_back('P');
    out.push_back('I');
    out.push_back('K');
    out.push_back(0);
    putLE32(out, pw);
    putLE32(out, ph);
    putLE32(out, source->m_bpp);
    putLE32(out, int32_t(pixels.size()));
    putLE32(out, 0);
    putLE32(out, written);
    putLE32(out, int32_t(alpha.size()));
    putLE32(out, m_x + part.left);
    putLE32(out, m_y + part.top);
    out.insert(out.end(), pixels.begin(), pixels.end());
    out.insert(out.end(), alpha.begin(), alpha.end());
    return true;
}

// ---------------------------------------------------------------- blend tables

void CGraphicsObject::__initialize_mul_array() {
    if (g_mulArray) return;
    g_mulArray = new int16_t[512 * 256];
    for (int d = -256; d < 256; ++d)
        for (int a = 0; a < 256; ++a) g_mulArray[(d + 256) * 256 + a] = static_cast<int16_t>(d * a);
}

void CGraphicsObject::__initialize_mmx_array() {
    if (g_mmxArray) return;
    g_mmxArray = new uint64_t[256];
    for (uint64_t a = 0; a < 256; ++a) g_mmxArray[a] = a | a << 16 | a << 32 | a << 48;
}

int16_t* CGraphicsObject::__get_mul_array() { return g_mulArray; }

uint64_t* CGraphicsObject::__get_mmx_array() { return g_mmxArray; }

void CGraphicsObject::__done_mul_array() {
    delete[] g_mulArray;
    g_mulArray = nullptr;
}

void CGraphicsObject::__done_mmx_array() {
    delete[] g_mmxArray;
    g_mmxArray = nullptr;
}

void CGraphicsObject::ReleaseGraphics() {
    __done_mul_array();
    __done_mmx_array();
}

} // namespace KavirelDLL
