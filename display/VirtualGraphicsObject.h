#pragma once
#include "display/FramedGraphic.h"
#include "display/GraphicsObject.h"

namespace KavirelDLL {

// Shows a source picture through a mask's alpha plane: no pixels of its own. The mask's position chooses
// which part of the source is seen; the object is the size both cover. Source and mask are observed (not
// owned): when one is destroyed the object forgets it.
class CVirtualGraphicsObject : public CGraphicsObject {
public:
    explicit CVirtualGraphicsObject(CWindow* window);
    ~CVirtualGraphicsObject() override;

    // A new object over the same source and mask, at the same place, visibility and clipping.
    CXObject* clone() override;

    // Each refuses (with a log line) a graphic that leads back to this object, which would draw and
    // measure itself without end.
    void setSource(CGraphicsObject* source);
    void setMask(CGraphicsObject* mask);
    // The mask is the animation's current frame; both are observed.
    void setMaskFromAnimo(CFramedGraphic* animo);
    void updateSize();

    CGraphicsObject* getSource() const { return m_source; }
    CGraphicsObject* getMask() const { return m_mask; }
    CGraphicsObject* getMaskOwner() const { return m_maskOwner; }

    int Width() override;
    int Height() override;
    bool testHit(CXPoint p, bool boxOnly) override;
    using CGraphicsObject::Invalidate;
    void Invalidate(CXRect* rect) override;
    void redraw(CGraphicsObject* destination) override;

    void onInvalidate(CGraphicsObject* source, CXRect* rect) override;
    void onDestroy(CGraphicsObject* source) override;

    // Whether this object draws through the graphic (its source or mask, directly or through other virtual
    // objects).
    bool leadsTo(CGraphicsObject* graphic);

private:
    bool refused(CGraphicsObject* graphic, const char* what);
    void observe(CGraphicsObject* graphic);
    void forget(CGraphicsObject* graphic);

    CRefreshScreen* m_screen = nullptr;
    CGraphicsObject* m_source = nullptr;
    CGraphicsObject* m_maskOwner = nullptr;
    CGraphicsObject* m_mask = nullptr;
};

} // namespace KavirelDLL
