#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/Geometry.h"
#include "core/XObject.h"
#include "core/XString.h"
#include "display/Color.h"
#include "display/InvalidateObserver.h"
#include "display/SharedBlock.h"

namespace KavirelDLL {

class CWindow;
class CRefreshScreen;
class CDataBuffer2Dim;
class CValidationQuene;
class CXArray;
class CFile;
struct _palette;

// Error codes a graphics object leaves in LastError().
// Besides ERR_NOT_BUILT and ERR_FILE_DAMAGED (compressed pixels that do not decode to the object's size):
enum : int {
    ERR_GRAPHICS_SIZE = 4103, // a size out of range, or memory for it ran out
};

// Compression state of the pixel block.
enum _compression : int32_t {
    COMPRESSION_NONE = 0,
    COMPRESSION_LZO = 2,     // LZO blocks of the pixels and, when present, the alpha plane
    COMPRESSION_LZO_RLE = 3, // LZO over run-length data: undoing the outer layer leaves COMPRESSION_RLE
    COMPRESSION_RLE = 4,     // run-length: pixels as 16-bit elements, alpha as bytes
    COMPRESSION_JPEG = 5,
};

enum _channel : int32_t {
    CHANNEL_RED = 0,
    CHANNEL_GREEN = 1,
    CHANNEL_BLUE = 2,
    CHANNEL_ALPHA = -1,
};

// What a blitter is given of each side of a copy. The region is the source's clipping rectangle on the
// source side and the source's viewport on the destination side. Alpha rows are width bytes long.
struct _canvas {
    char* data = nullptr;
    char* alpha = nullptr;
    int16_t reserved = 0;
    int32_t bpp = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    CXRect region;
    int32_t pitch = 0; // pixels from one row to the next; the width when 0 (a display's rows are padded)
};

// One run of a scan-line flood fill.
struct _ffspan {
    int16_t x;
    int16_t y;
    int16_t length;
};

// The software raster behind every visible thing: 15-bit (5-5-5) or 16-bit (5-6-5) pixels, an optional
// 8-bit alpha plane (0 transparent, 255 opaque), a position with an anchor, clipping, viewport, opacity,
// compression states, invalidation observers and contained children. Pixel blocks are shared between
// copies and freed with their last holder.
class CGraphicsObject : public CXObject, public CInvalidateObserver {
public:
    explicit CGraphicsObject(CWindow* window);
    CGraphicsObject(CWindow* window, CXSize size, int bpp);
    // Takes the block (allocated with new[]).
    CGraphicsObject(CWindow* window, CXSize size, int bpp, char* data);
    // Shares the other's pixel block and planes.
    CGraphicsObject(CWindow* window, CGraphicsObject& other);
    CGraphicsObject(const CGraphicsObject&) = delete;
    CGraphicsObject& operator=(const CGraphicsObject&) = delete;
    ~CGraphicsObject() override;

    CXObject* clone() override;

    // Puts the kept compressed copy back; without freeWorking the decoded blocks are left to whoever
    // took their pointers (nothing frees them here).
    virtual void pack(bool freeWorking);
    virtual void unpack();
    virtual int getGfxType() { return 0; }
    virtual void setMonitorCollisions(bool monitor) { m_monitorCollisions = monitor; }
    virtual bool getMonitorCollisionsFlag() { return m_monitorCollisions; }
    virtual void SetOpacity(uint8_t opacity) { m_opacity = opacity; }
    virtual void DeCompress();
    virtual void DeCompressRLE2();
    virtual void bringBackCompressed();
    virtual char* GetDataPtr();
    virtual bool testHit(CXPoint p, bool boxOnly);
    virtual CXPoint getCenterPoint();
    virtual void setPosition(CXPoint p);
    virtual void setPosition(int x, int y);
    virtual void SetPosition(CXPoint p);
    virtual void SetPosition(int x, int y);
    virtual void Move(CXPoint delta);
    virtual void Move(int dx, int dy);
    virtual void setAnchor(CXPoint anchor);
    virtual void setAnchor(int x, int y);
    virtual CXPoint getAnchor();
    virtual void Visible(bool visible);
    virtual void Flush();
    virtual int GetPixelSize();
    virtual uint8_t GetPixel(_channel channel, CXPoint p);
    virtual CColor GetPixel(CXPoint p);
    virtual CColor GetPixel(int x, int y);
    virtual void FlipH();
    virtual void FlipV();
    virtual void resetFlips();
    virtual void Fill(CColor* color);
    virtual void Fill(CXRect rect, CColor* color);
    virtual void redraw(CGraphicsObject* destination);
    // Run-length pixels decoded for drawing, kept by whoever draws the same packed pictures again and again
    // (an animation): a picture drawn again is not decoded again. It holds the packed blocks it was decoded
    // from, so no other picture takes their addresses.
    struct CRleDrawCache {
        CSharedBlock source, sourceAlpha;
        int32_t sourceSize = 0, width = 0, height = 0, packedBpp = 0, drawnBpp = 0;
        std::vector<char> pixels, alpha;
    };
    // As redraw, with run-length pixels decoded into (or found in) the cache; the object stays packed.
    void drawWith(CGraphicsObject* destination, CRleDrawCache* cache);
    virtual void Redraw();
    virtual void Blend(char* table, int* records, int a, int b);
    virtual int Load(CXString name);
    virtual int Load(CFile* file);
    virtual int Save(CXString name, _compression kind);
    virtual int Save(CFile* file, _compression kind);
    virtual int Width() { return m_width; }
    virtual int Height() { return m_height; }
    virtual CXSize Size() { return CXSize(m_width, m_height); }
    virtual void setSize(CXSize size);
    virtual CXPoint getPosition();
    virtual CXPoint GetPosition();
    virtual CXRect getRect();
    virtual int getWidth() { return Width(); }
    virtual int getHeight() { return Height(); }
    virtual CXRect GetBoundingBox();
    virtual CXRect GetAbsoluteBoundingBox();
    virtual bool isNear(CXRect rect, int percent);
    virtual bool isNear(CGraphicsObject* other, int percent);
    virtual CXPoint ClientCoords(CXPoint p);
    virtual void SetClippingRect(CXRect rect) { m_clip = rect; }
    // A raster is never turned: the picture stays as it is and the offset is (0, 0).
    virtual CXPoint rotateRZ(float) { return CXPoint(0, 0); }
    virtual void Invalidate(CXRect* rect);
    virtual void Invalidate();
    virtual void addInvalidateObserver(CInvalidateObserver* observer);
    virtual void removeInvalidateObserver(CInvalidateObserver* observer);
    virtual void notifyInvalidate(CXRect* rect);
    virtual CGraphicsObject* getDrawn() { return this; }

    // As the observer of its children.
    void onInvalidate(CGraphicsObject* child, CXRect* rect) override;
    void onDestroy(CGraphicsObject* child) override;

    // ---- sizes and formats
    static int __get_pixel_size(int bpp);
    static int __get_data_size(int width, int height, int bpp);
    static int __get_data_size(CXSize size, int bpp);
    static int GetFlagBpp(int bpp);
    static int GetRealBpp(int code);

    // ---- allocation (both flush first; the blocks are zero-filled)
    void alloc(CXSize size, int bpp, bool unused = true);
    void Alloc();

    // ---- fields
    void setFileName(const CXString& name) { m_fileName = name; }
    CXString getFileName() const { return m_fileName; }
    CWindow* getWindow() const { return m_window; }
    void SetCanvas(CRefreshScreen* canvas) { m_canvas = canvas; }
    CRefreshScreen* GetCanvas() const { return m_canvas; }
    void SetDestiny(CGraphicsObject* destiny) { m_destiny = destiny; }
    CGraphicsObject* GetDestiny() const { return m_destiny; }
    void setPalette(_palette* palette) { m_palette = palette; }
    _palette* getPalette() const { return m_palette; }
    int GetPitch() const { return m_pitch; }
    void SetPitch(int pitch) { m_pitch = pitch; }
    // Takes the block (allocated with new[]) unless borrowed, for memory the engine does not own.
    void SetDataPtr(char* data, bool borrowed = false);
    int GetBpp() const { return m_bpp; }
    void SetBpp(int bpp) { m_bpp = bpp; }
    void SetFlags(int flags) { m_flags = flags; }
    int GetFlags() const { return m_flags; }
    void SetAutoClip(bool autoClip) { m_autoClip = autoClip; }
    bool GetAutoClip() const { return m_autoClip; }
    CXRect GetClippingRect() const { return m_clip; }
    void SetViewport(CXRect viewport) { m_viewport = viewport; }
    CXRect GetViewport() const { return m_viewport; }
    int GetChannelSize(int i) const { return i >= 0 && i < 4 ? m_channelSize[i] : 0; }
    void SetChannelSize(int i, int size) {
        if (i >= 0 && i < 4) m_channelSize[i] = size;
    }
    char* GetChannelRed() const { return m_channel[0].get(); }
    char* GetChannelGreen() const { return m_channel[1].get(); }
    char* GetChannelBlue() const { return m_channel[2].get(); }
    char* GetChannelAlpha() const { return m_channel[3].get(); }
    // Replace the plane (taking a new[] block) when given one; return the plane.
    char* RedChannel(char* plane);
    char* GreenChannel(char* plane);
    char* BlueChannel(char* plane);
    // Always replaces the alpha plane; null removes it. Its size becomes width × height when uncompressed.
    char* AlphaChannel(char* plane);
    void setAlphaAsMask(bool mask) { m_alphaAsMask = mask; }
    bool getAlphaAsMask() const { return m_alphaAsMask; }
    bool ownsData() const { return m_ownsData; }
    _compression GetCompression() const { return m_compression; }
    void SetCompression(_compression state) { m_compression = state; }
    int getRawSize() const { return m_rawSize; }
    int getCompressedSize() const { return m_compressedSize; }
    void setCompressedSize(int raw, int compressed) {
        m_rawSize = raw;
        m_compressedSize = compressed;
    }
    uint8_t GetOpacity() const { return m_opacity; }
    // Adds a signed delta and keeps the result within 0..255.
    void AddOpacity(int16_t delta);
    int getFFEnterances() const { return static_cast<int>(m_ffSpans.size()); }
    _ffspan* getFFArray() { return m_ffSpans.empty() ? nullptr : m_ffSpans.data(); }
    // Reads and clears the mark.
    bool isInvalidated();
    bool isUnpacked() const { return m_unpacked; }
    bool hasKeptCompressed() const { return static_cast<bool>(m_keptData); }
    bool isFlippedRows() const { return m_flippedRows; }
    bool isFlippedColumns() const { return m_flippedColumns; }
    void Rotate(float angle) { m_rotation = angle; }
    float getRotation() const { return m_rotation; }
    bool isVisible() const { return m_visible; }
    void Show() { Visible(true); }
    void Hide() { Visible(false); }

    // ---- geometry
    CXPoint toLocalAxis(CXPoint p);
    CXRect toLocalAxis(CXRect r);
    void FitRect(CXRect rect);
    void FitObject(CGraphicsObject* other);
    void FitCanvas() {}
    // True inside the bounding box, and with alphaTest only where the alpha is not 0.
    bool isAt(CXPoint p, bool alphaTest);
    bool isInside(int x, int y, bool alphaTest);

    // ---- children
    // The child is drawn onto this object; refused (with a log line) when this object is already drawn
    // onto the child, directly or through others, since the two would invalidate each other without end.
    void addObject(CGraphicsObject* child, int priority);
    // True when this object's invalidations reach target through its observers (or it is target).
    bool reportsTo(CGraphicsObject* target);
    void removeObject(CGraphicsObject* child);
    void removeAllObjects();
    void restoreImage();
    CValidationQuene* getChildren() const { return m_children; }

    // ---- compression
    void Compress(_compression kind);

    // ---- pixel operations
    void SetPixel(int x, int y, CColor color);
    void putPixel(int x, int y, CColor color, int weight, bool replace);
    void putPixel15(int x, int y, CColor color, int weight, bool replace);
    void putPixel16(int x, int y, CColor color, int weight, bool replace);
    void replace_color(CColor* from, CColor* to);
    void ToGrayScale();
    void InvertColors();
    void outline(CColor* color, int thickness);
    void crop(CXRect rect);
    void Scale(float sx, float sy);
    void Scale2x();
    void Copy(CGraphicsObject* other);
    void Copy(CGraphicsObject* other, CXRect rect);
    void Split();
    void JoinChannels();
    void SplitOn2(const char* data, int count);
    // A new[] block of four bytes per pixel, owned by the caller; null without 24- or 32-bit pixels.
    char* Join2Channels();
    // offsets holds one point per pixel. Without freeOld the old blocks are left to whoever took their
    // pointers (nothing frees them here).
    void displacementFilter(const CXPoint* offsets, bool withAlpha, bool freeOld);
    void mergeAlpha(CXPoint p, CGraphicsObject* other);
    void restoreAlpha(CGraphicsObject* other);
    void mergeAlpha2(CXPoint p, CGraphicsObject* other, bool clearFirst);
    // Decodes packed pixels; true when the object then holds plain pixels.
    bool decodePixels() { return ensureDecoded(); }
    // Shows the other's decoded pixels and alpha plane through shared blocks (kept alive while either holds
    // them); only for the same width, height and depth: false, and nothing changed, otherwise.
    bool sharePixelsOf(CGraphicsObject& other);
    // What a filter takes aside and puts back: every block (packed ones included), the layout and the
    // position. The blocks stay alive while a state holds them.
    struct BlockState {
        CSharedBlock data, alpha, keptData, keptAlpha;
        int32_t width = 0, height = 0, pitch = 0, bpp = 0, alphaSize = 0, keptBpp = 0, keptAlphaSize = 0;
        int32_t rawSize = 0, compressedSize = 0, x = 0, y = 0;
        _compression compression = COMPRESSION_NONE;
        bool unpacked = false;
    };
    BlockState saveBlocks() const;
    // Puts the blocks and layout back; the position too with position.
    void restoreBlocks(const BlockState& state, bool position);
    // Installs plain pixels of a new size (alpha: a plane of width × height bytes, or none when keepAlpha
    // is false and alpha is empty).
    void installPixels(CSharedBlock pixels, int width, int height);
    void installAlpha(CSharedBlock alpha);
    CSharedBlock pixelBlock() const { return m_data; }
    CSharedBlock alphaBlock() const { return hasAlphaPlane() ? m_channel[3] : CSharedBlock(); }
    // buffer holds width × height 16-bit values; maxSpans bounds the spans kept (0: no bound).
    CXRect PrepareFloodFill(CXPoint p, CColor color, uint16_t* buffer, int maxSpans);
    void FloodFill(CColor color, uint16_t* buffer);

    // ---- format conversion
    void Convert(int bpp);
    void __convert_bpp(int from, int to);
    static int __get_convert_code(int from, int to);
    static void _convert15to16(char* data, int pixels);
    static void _convert16to15(char* data, int pixels);
    // New blocks of 16-bit pixels from three bytes per pixel (red, green, blue), owned by the caller.
    static char* _convert32to16(const char* data, int pixels);
    static char* _convert32to15(const char* data, int pixels);

    // ---- "PIK" image bytes, as Save writes them
    bool writePik(std::vector<uint8_t>& out, _compression kind);

    // ---- blend tables (built by the first constructor)
    static void __initialize_mul_array();
    static void __initialize_mmx_array();
    static int16_t* __get_mul_array();
    static uint64_t* __get_mmx_array();
    static void __done_mul_array();
    static void __done_mmx_array();
    static void ReleaseGraphics();

    // ---- blitters: (source, destination[, opacity]); each answers false when its region is crossed
    static bool __copy(_canvas* src, _canvas* dst);
    static bool __copy_alpha(_canvas* src, _canvas* dst);
    static bool __copy_blend(_canvas* src, _canvas* dst, uint8_t opacity);
    static bool __copy_alpha_as_mask(_canvas* src, _canvas* dst);
    static bool copyToCanvas(_canvas* src, _canvas* dst);
    static bool __copy_bpp15_16(_canvas* src, _canvas* dst);
    static bool __copy_bpp24(_canvas* src, _canvas* dst);
    static bool __copy_bpp32(_canvas* src, _canvas* dst);
    static bool __copy_alpha15(_canvas* src, _canvas* dst);
    static bool __copy_alpha16(_canvas* src, _canvas* dst);
    static bool __copy_alpha24(_canvas* src, _canvas* dst);
    static bool __copy_alpha32(_canvas* src, _canvas* dst);
    static bool __copy_blend15(_canvas* src, _canvas* dst, uint8_t opacity);
    static bool __copy_blend16(_canvas* src, _canvas* dst, uint8_t opacity);
    static bool __copy_blend24(_canvas* src, _canvas* dst, uint8_t opacity);
    static bool __copy_blend32(_canvas* src, _canvas* dst, uint8_t opacity);
    static bool __copy_alpha_blend15(_canvas* src, _canvas* dst, uint8_t opacity);
    static bool __copy_alpha_blend16(_canvas* src, _canvas* dst, uint8_t opacity);
    static bool __copy_alpha_blend24(_canvas* src, _canvas* dst, uint8_t opacity);
    static bool __copy_alpha_blend32(_canvas* src, _canvas* dst, uint8_t opacity);

    // The SSE2 rows of the alpha and opacity blends (on by default where the processor has them);
    // both paths give the same pixels.
    static void setSimdBlending(bool on);
    static bool isSimdBlending();
    static bool hasSimdBlending();

protected:
    // The object's pixels are present and decoded.
    bool hasPixels() const;
    int pixelCount() const { return m_width * m_height; }
    // Replaces the pixel block with a private copy when another object shares it.
    void unshareData();
    void unshareAlpha();
    // Drops every block and working state; the size stays.
    void dropBlocks();
    // An alpha plane covering every pixel.
    bool hasAlphaPlane() const { return m_channel[3] && m_channelSize[3] >= pixelCount(); }
    // A temporary object sharing this one's blocks, decoded to plain pixels; null when it cannot be.
    CGraphicsObject* decodedView();
    // This object to read pixels from: itself, or when compressed its decoded view, kept in view; null when
    // it cannot be decoded.
    CGraphicsObject* readable(std::unique_ptr<CGraphicsObject>& view);
    // Decodes a compressed object for good (dropping any kept copy) before its pixels change.
    bool ensureDecoded();
    // Makes a working copy the object's own pixels: a kept copy would undo a change of size or layout.
    void dropKeptCompressed();
    // A new block of rect's size (zero outside the source) cut from this object's decoded pixels or alpha.
    CSharedBlock cutPixels(const CXRect& rect);
    CSharedBlock cutAlpha(const CXRect& rect);
    bool decodeRle(const char* src, int srcLength, int rawSize, bool sixteen, CSharedBlock& out);
    // As DeCompressRLE2 for one draw into a destination of that depth, into the cache's blocks (the drawing
    // thread's without one), which stand as the pixels until endRleDraw; false when nothing was decoded.
    bool decodeRleForDraw(CRleDrawCache* cache, int destinationBpp);
    void endRleDraw(CRleDrawCache* cache);
    bool sizeAcceptable(int width, int height, int bpp);
    void notifyCollisions();
    void invalidateOnCanvas(CXRect rect);
    void flipRows();
    void flipColumns();
    template <typename Op>
    void flipWith(Op op);
    // Replaces the pixels (and alpha) with a width × height picture whose pixel (row, col) is the old pixel
    // at index from(row, col).
    template <typename From>
    void resample(int width, int height, From from);
    // The start of a copy: this object drops its pixels and takes the other's name, window, destiny,
    // depth, clipping mode and flags.
    void takeSettingsOf(CGraphicsObject* other);
    // The pixels and alpha of part of source (decoded), at this object's size.
    void cutFrom(CGraphicsObject* source, const CXRect& part);
    // putPixel15 and putPixel16 for their depth.
    void putWeighted(int bpp, int x, int y, CColor color, int weight, bool replace);

    CXString m_fileName;
    CWindow* m_window = nullptr;
    CRefreshScreen* m_canvas = nullptr;
    CGraphicsObject* m_destiny = nullptr;
    CDataBuffer2Dim* m_backup = nullptr;
    _palette* m_palette = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_pitch = 0;
    CSharedBlock m_data;
    int32_t m_bpp = 0;
    int32_t m_flags = 0;
    bool m_autoClip = false;
    CXRect m_clip;
    CXRect m_viewport;
    int32_t m_x = 0;
    int32_t m_y = 0;
    int32_t m_anchorX = 0;
    int32_t m_anchorY = 0;
    bool m_flippedRows = false;
    bool m_flippedColumns = false;
    int32_t m_channelSize[4] = {0, 0, 0, 0};
    CSharedBlock m_channel[4]; // red, green, blue, alpha
    bool m_alphaAsMask = false;
    bool m_ownsData = true;
    int32_t m_rawSize = 0;
    int32_t m_compressedSize = 0;
    _compression m_compression = COMPRESSION_NONE;
    uint8_t m_opacity = 255;
    std::vector<_ffspan> m_ffSpans;
    CXRect m_mergeRect;
    std::vector<uint8_t> m_mergeBytes;
    bool m_invalidated = false;
    CXArray* m_observers = nullptr;
    CSharedBlock m_keptData;
    CSharedBlock m_keptAlpha;
    int32_t m_keptBpp = 0;
    int32_t m_keptAlphaSize = 0;
    bool m_monitorCollisions = false;
    bool m_unpacked = false;
    CValidationQuene* m_children = nullptr;
    float m_rotation = 0.0f;
    bool m_visible = true;

private:
    void construct();
};

} // namespace KavirelDLL
