#pragma once
#include <cstdint>
#include <vector>

#include "display/GraphicsObject.h"

namespace KavirelDLL {

class CAnimo;
class CAnimoReader;

// One image of an animation: the raster with the picture-list generation it was read with, its own
// position from its image header and the offset added to it.
class CFrame : public CGraphicsObject {
public:
    explicit CFrame(CWindow* window);

    // Its own position (and the raster's); the offset is cleared.
    void SetPosition(int x, int y) override;
    using CGraphicsObject::SetPosition;
    void SetPosOffset(int x, int y);
    CXPoint getPosOffset() const { return CXPoint(m_offsetX, m_offsetY); }
    CXPoint GetFramePosition() const { return CXPoint(m_ownX, m_ownY); }
    // Moves the raster and adds the amounts to its own position and to the offset.
    void Move(int dx, int dy) override;
    using CGraphicsObject::Move;

    // Codes 2, 3 and 5 are decoded; code-1 data are drawn as stored when they (and their alpha plane) hold
    // every pixel.
    void DeCompress() override;
    // Decodes what is still packed on its first draw; run-length pixels are unpacked for each draw.
    void redraw(CGraphicsObject* destination) override;

    // Image headers: 52 bytes, 32 bytes, and the picture-list ones (generation 1: 20 bytes, 2 and 3: 32).
    // Each answers false on a header out of range or a file too short.
    bool LoadHeaderNew2(CFile* file);
    bool LoadHeaderNew(CFile* file);
    bool LoadHeader(CFile* file, int generation);
    // The data after a 32- or 52-byte header, and after a picture-list header.
    bool LoadNew(CFile* file);
    // 0, or ERR_FILE_DAMAGED.
    int Load(CFile* file) override;
    using CGraphicsObject::Load;

    // The header fields and data as the writers put them.
    void SaveHeaderNew(std::vector<uint8_t>& out, int unused = 0);
    void SaveHeader3(std::vector<uint8_t>& out, int unused = 0);
    void SaveHeader(std::vector<uint8_t>& out, int generation);
    void SaveNew(std::vector<uint8_t>& out);
    void Save(std::vector<uint8_t>& out, int generation);
    using CGraphicsObject::Save;

    int getGeneration() const { return m_generation; }
    int getDataSize() const { return m_compressedSize; }
    int getSizeEntries() const { return m_sizeEntries; }
    // The current-layout reader decodes at once; false (with the reason logged) when the data are damaged.
    bool decodeNow();
    // Run-length data that do not unpack to the picture's size are damaged.
    bool runLengthValid();

private:
    friend class CAnimo;
    // Decodes what is still packed on its first draw; false when the image cannot be drawn.
    bool readyToDraw();
    bool parseHeader(const uint8_t* h, int length);
    bool readPictureListHeader(CAnimoReader& in, int generation);
    bool readData(CAnimoReader& in, int64_t pixels, int64_t alpha);
    bool readData(CAnimoReader& in) { return readData(in, m_compressedSize, m_channelSize[3]); }
    bool readPictureListData(CAnimoReader& in);
    void writeHeader(std::vector<uint8_t>& out, int length);
    // Stored pixels and alpha plane cover the picture.
    bool rawSizeFits() const;
    // The bytes the writers put down for the pixels and the alpha plane.
    int storedSize() const;
    int storedAlphaSize() const;

    int32_t m_generation = 0;
    int32_t m_offsetX = 0;
    int32_t m_offsetY = 0;
    int32_t m_ownX = 0;
    int32_t m_ownY = 0;
    int32_t m_sizeEntries = 0;
    bool m_decodeFailed = false;
};

} // namespace KavirelDLL
