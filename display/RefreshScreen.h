#pragma once
#include "display/GraphicsObject.h"

namespace KavirelDLL {

class CCanvasObserver;
class CColor;
class CDirectDrawSurface;
class CRefreshRegion;
class CSurface;
class CUnit6;
class CValidationQuene;
class CXArray;

// The screen compositor. Visible graphics objects are put on its draw list with a priority (lower drawn
// first, the later of equals on top); they report the rectangles they change, and once a frame the compositor
// repaints only those rectangles: the background, then every listed object clipped to them. Each pixel of a
// dirty rectangle is painted exactly once per pass, so a frame drawn from dirty rectangles equals the frame
// drawn whole.
class CRefreshScreen : public CGraphicsObject {
public:
    // The background and its scrolling. A background larger than the screen scrolls and repeats without end.
    class CBackgroundManager : public CXObject {
    public:
        CBackgroundManager(CRefreshScreen* screen, CWindow* window);
        ~CBackgroundManager() override;
        CBackgroundManager(const CBackgroundManager&) = delete;
        CBackgroundManager& operator=(const CBackgroundManager&) = delete;

        // A screen-sized surface of the colour (null: (7, 7, 7)); no scrolling.
        void SetBackground(CColor* color);
        // A surface holding a copy of the object (null: no background).
        void SetBackground(CGraphicsObject* object);
        // Takes the surface (owned from now on).
        void setBackground(CDirectDrawSurface* surface);
        // Paints the background into every dirty rectangle of the target.
        void Redraw(CDirectDrawSurface* target, CRefreshRegion* region);

        CDirectDrawSurface* getBkg() const { return m_bkg; }
        // 0 none, 1 horizontal, 2 vertical, 3 both.
        int getScrollMode() const { return m_mode; }

    private:
        void chooseScrollMode();
        void paint(CDirectDrawSurface* target, const CXRect& rect, int px, int py);

        CDirectDrawSurface* m_bkg = nullptr;
        CRefreshScreen* m_screen;
        CWindow* m_window;
        int32_t m_mode = 3;
    };

    // A compositor of the window's screen size and depth. With a local buffer it draws into a surface of its
    // own (Redraw()); the window's compositor draws into the screen canvas it is given each frame.
    CRefreshScreen(CWindow* window, bool localBuffer);
    ~CRefreshScreen() override;

    void Visible(bool visible) override;
    void Redraw() override;
    using CGraphicsObject::Save;
    int Save(CXString name, _compression kind) override;
    using CGraphicsObject::Invalidate;
    // The rectangle cut to the screen (null: the whole screen) joins the dirty region.
    void Invalidate(CXRect* rect) override;
    void Invalidate() override;
    // The object's box, for a visible listed object.
    void Invalidate(CGraphicsObject* object);
    // The listed object at the point: within [lowest, highest] (a negative bound is none), visible when
    // asked, and unless ignoreAlpha not on a transparent pixel; the highest priority wins, of equals the one
    // on top.
    virtual CGraphicsObject* getGraphicsAt(int x, int y, bool visibleOnly, int lowest, int highest,
                                           bool ignoreAlpha);
    virtual void onFocusOn();
    virtual void onFocusOff();

    // ---- draw list
    void put(CGraphicsObject* object, int priority);
    CRefreshScreen& operator<<(CGraphicsObject* object);
    // Takes the object off the list (nothing is invalidated); the object forgets the screen.
    CRefreshScreen& operator>>(CGraphicsObject* object);
    // A listed object goes on top of its new equals; nothing is invalidated.
    void SetPriority(CGraphicsObject* object, int priority);
    int GetPriority(CGraphicsObject* object);
    using CGraphicsObject::GetFlags;
    using CGraphicsObject::SetFlags;
    // Null sets the screen's flags (2: grey after every redraw); a listed object its element's flags.
    bool SetFlags(CGraphicsObject* object, int flags);
    int GetFlags(CGraphicsObject* object);
    int getIndex(CGraphicsObject* object);
    void Empty();
    CValidationQuene* getDrawList() const { return m_list; }

    // ---- dirty region and drawing
    void validate();
    // The frame's repaint into the target, with a scene unit's first frame around it; true when something was
    // drawn. A unit's first frame sets *redrawAll, and without a background starts from black.
    bool Redraw(CDirectDrawSurface* target, CSurface* surface, bool* redrawAll);
    CRefreshRegion* getRefreshList() const { return m_region; }
    CGraphicsObject* getRefreshDestiny() const { return m_refreshDestiny; }
    int getRefreshCounter() const { return m_refreshCounter; }
    CDirectDrawSurface* GetLocalDestiny() const { return m_localDestiny; }
    int getScreenFlags() const { return m_screenFlags; }

    // ---- observers
    void addNotifier(CCanvasObserver* observer);
    void removeNotifier(CCanvasObserver* observer);
    // 0 onInitialUpdate, 1 onUpdate, 2 onUpdated, 3 onFocusOn, 4 onFocusOff, 5 onInitialUpdated.
    void notify(int code);
    void enableNotifyFlag(bool on) { m_notify = on; }
    bool isNotifyEnabled() const { return m_notify; }

    // ---- background
    void SetBackground(CColor* color);
    void SetBackground(CGraphicsObject* object);
    // Loads the image file and keeps it as the background picture; one that does not load changes nothing.
    void SetBackground(CXString fileName);
    CGraphicsObject* getBackgroundPicture() const { return m_backgroundPicture; }
    void setBackground(CDirectDrawSurface* surface);
    CDirectDrawSurface* getBackgroundIfc() const;
    CBackgroundManager* getBackgroundManager() const { return m_background; }
    // Frees the background picture.
    void flush();

    // The unit whose first frame the compositor announces: the running scene's default unit.
    static CUnit6* defaultUnit();
    static void setDefaultUnitSource(CUnit6* (*source)());

private:
    bool repaint(CDirectDrawSurface* target);
    // Paints the dirty region of the target black.
    void clearRegion(CDirectDrawSurface* target);
    // Whether the dirty region covers the whole rectangle.
    bool covered(const CXRect& rect) const;
    void drawClipped(CGraphicsObject* object, const CXRect& part, CDirectDrawSurface* target);
    void forget(CGraphicsObject* object);

    CGraphicsObject* m_refreshDestiny = nullptr;
    int32_t m_screenFlags = 0;
    bool m_localBuffer;
    int32_t m_refreshCounter = 0;
    CDirectDrawSurface* m_localDestiny = nullptr;
    CRefreshRegion* m_region = nullptr;
    CXArray* m_observers = nullptr;
    CGraphicsObject* m_backgroundPicture = nullptr;
    bool m_notify = false;
    CBackgroundManager* m_background = nullptr;
    CValidationQuene* m_list = nullptr;
};

} // namespace KavirelDLL
