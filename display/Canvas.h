#pragma once
#include "display/GraphicsObject.h"

namespace KavirelDLL {

class CValidationQuene;

// A graphics object that composes child objects into its own raster, lowest priority first, like a small
// screen drawn on the screen (or on another canvas). With a backup it keeps a raster under its children, at
// priority -1, into which objects are stamped for good (draw), from which alpha is erased (erase) and into
// which the picture is flattened (capture). The children are not owned.
class CCanvas : public CGraphicsObject {
public:
    // Width, height and depth; with alpha an alpha plane (all 0), with backup a backup of the same size (with
    // an alpha plane of its own when alpha is set).
    CCanvas(CWindow* window, int width, int height, int bpp, bool alpha, bool backup);
    ~CCanvas() override;

    // A canvas of the same size and depth over the same children; on the screen when this one is.
    CXObject* clone() override;
    void Redraw() override;
    void onInvalidate(CGraphicsObject* child, CXRect* rect) override;
    void onDestroy(CGraphicsObject* child) override;

    // ---- added virtual operations, in the engine's order
    // A child already on the canvas keeps its place.
    virtual void add(CGraphicsObject* object, int priority);
    virtual void remove(CGraphicsObject* object);
    // Leaves the backup as the only child.
    virtual void removeAll();
    // Zero pixels (and alpha) inside the clipping rectangle, the whole canvas without one; withBackup clears
    // the backup's too.
    virtual void clear(bool withBackup);
    // Flattens the picture into the backup, which then is the only child.
    virtual void capture();
    // Lowers the alpha of the canvas and the backup by the object's alpha, the object placed at (x, y).
    virtual void erase(CGraphicsObject* object, int x, int y);
    // Stamps the object into the backup at (x, y).
    virtual void draw(CGraphicsObject* object, int x, int y);

    // Scales the canvas and its backup (with their alpha planes) alike.
    void scale(float sx, float sy);

    CGraphicsObject* getBackground() const { return m_backupObject; }
    CValidationQuene* getElements() const { return m_elements; }
    // Child invalidations passed on since the last redraw.
    int getForwardedCount() const { return m_forwarded; }

    // Child invalidations passed on as rectangles between two redraws; later ones invalidate the whole
    // canvas.
    static int maxRegions;

private:
    // A rectangle of the canvas (its own coordinates) to whoever shows the canvas.
    void forward(const CXRect& local);
    static void clearRect(CGraphicsObject* target, const CXRect& rect);

    CValidationQuene* m_elements = nullptr;
    CGraphicsObject* m_backupObject = nullptr;
    int32_t m_forwarded = 0;
};

} // namespace KavirelDLL
