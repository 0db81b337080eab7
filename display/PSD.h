#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "display/GraphicsObject.h"

namespace KavirelDLL {

class CWindow;
class CFile;

// One colour or alpha plane of a layer as the file describes it.
struct _psdchannel {
    int16_t id = 0;     // 0 red, 1 green, 2 blue, -1 alpha; others are not read
    int32_t length = 0; // stored bytes, the compression word included
    char* plane = nullptr;
};

// One layer: its rectangle on the canvas, its planes, its name and the 24-bit graphics object made of it.
struct _psdlayer {
    CXRect rect;
    int16_t channelCount = 0;
    std::vector<_psdchannel> channels;
    CXString name;
    CGraphicsObject* object = nullptr; // owned by the layer set
};

// A layered picture file read into one 24-bit graphics object per layer (with its alpha plane). Copies
// share the layers, which go with the last of them. A file that does not open leaves ERR_FILE_NOT_FOUND;
// one that is not a layered picture, or whose sections, rectangles or planes do not fit, ERR_FILE_DAMAGED
// and no layers.
class CPSD : public CGraphicsObject {
public:
    explicit CPSD(CWindow* window);
    CPSD(CWindow* window, CGraphicsObject* unused);
    CPSD(CPSD& other);
    CPSD(CWindow* window, CXString name);
    ~CPSD() override;

    using CGraphicsObject::Load;
    int Load(CXString name) override;
    int Load(CFile* file) override;

    int GetLayerNo() const;
    int GetSelLayer() const { return m_selected; }
    CGraphicsObject* GetCurrentLayer() const { return m_current; }
    void SelectLayer(int index);
    // The first layer of that name; no change when none has it.
    void SelectLayer(CXString name);
    // -1 is the selected layer.
    CXString GetLayerName(int index);
    // The selected layer's rectangle, whatever the index.
    CXRect GetLayerRect(int index);
    _psdlayer* GetLayer(int index) const;

    void SetPosition(int x, int y) override;
    // Moves the object and the current layer; the selected layer's rectangle follows, keeping its size.
    void SetPosition(CXPoint p) override;

private:
    using Layers = std::vector<_psdlayer>;
    struct LayerSet;

    int fail(const char* why);
    void clearLayers();

    std::shared_ptr<LayerSet> m_layers;
    int32_t m_selected = 0;
    CGraphicsObject* m_current = nullptr;
};

} // namespace KavirelDLL
