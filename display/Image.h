#pragma once
#include "display/GraphicsObject.h"
#include "display/Playable.h"

namespace KavirelDLL {

class CWindow;
class CFile;
class CMElement;
class JPEG;

// A still picture that is also a playable: read from an image file ("PIK", "NVI" or the headerless
// legacy layout, by names holding ".IMG") or from a JPEG file (any other name). A file that does not
// open leaves ERR_FILE_NOT_FOUND, one that cannot be read ERR_FILE_DAMAGED; either way the image stays
// empty and not loaded.
class CImage : public CGraphicsObject, public CPlayable {
public:
    explicit CImage(CWindow* window);
    // Share the other's pixels; the file name stays empty.
    CImage(CWindow* window, CGraphicsObject* other);
    CImage(CImage& other);
    // Loads the file at once; the result is the error code.
    CImage(CWindow* window, CXString name);
    // FILENAME, PRELOAD, VISIBLE and RELEASEAFTERUSE of a definition element.
    CImage(CWindow* window, CMElement* element);
    ~CImage() override;

    CXObject* clone() override;

    using CGraphicsObject::Load;
    // The error code; with convert the pixels are made the display's depth.
    virtual int Load(CXString name, bool convert);
    // Reads an image file from its start; the error code.
    int Load(CFile* file) override;
    // Reads an "NVI" file from the start of its header.
    virtual int Load3(CFile* file);
    // Reads a JPEG file (an engine name) into the display's depth.
    virtual int load(CXString path);
    // Frees the pixels; the image is no longer loaded.
    virtual void flush();

    using CPlayable::play;
    void play() override;
    void stop(bool notify) override;
    void pause() override;
    void resume() override;
    void seek(int position) override;
    // Loads what is not loaded yet, then shows.
    void show() override;
    // Frees the pixels first when they are released after use.
    void hide() override;
    void setVisibility(bool visible) override;
    bool isVisible() override;

    // The playable's file name (the name the image is loaded and shared by).
    CXString getFileName() override;
    using CGraphicsObject::getWindow;
    using CGraphicsObject::setPosition;

protected:
    // Unqualified, these are the graphics object's; the playable's carry their base's name.
    using CGraphicsObject::m_fileName;
    using CGraphicsObject::m_window;

private:
    // Reads the header fields and data of an image file into this object, or leaves it empty.
    int readImage(CFile* file);
    int readNvi(CFile* file);
    int fail(int code, const char* why);
    // The picture a reader made becomes this object's; the compression fields are the reader's to set.
    void adoptPicture(int width, int height, int bpp, int x, int y, const CSharedBlock& pixels,
                      const CSharedBlock& alpha, int alphaSize);
    // A JPEG read through the engine's files, which a disk path cannot name inside the big file.
    int loadFromGameFile(CXString name);
    int decodeJpeg(JPEG& jpeg);
};

} // namespace KavirelDLL
