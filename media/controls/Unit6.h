#pragma once
#include <memory>

#include "core/XObject.h"
#include "core/XTimer.h"
#include "display/InvalidateObserver.h"
#include "display/MouseListener.h"
#include "display/Playable.h"
#include "input/KeyListener.h"
#include "media/controls/Control.h"
#include "media/sequences/RandomPlayable.h"

namespace KavirelDLL {

class CAnimo6;
class CShellServices;
class CEditBox6;
class CGraphicsObject;
class CMElement;
class CSimpleFont6;
class CMC_Scene;
class CMElements;
class CRandomPlayable;
class CRefreshScreen;
class CResourcesManager;
class CWindow;
class CXArray;
class CXVector;

enum : int {
    ERR_UNIT_NOT_RUNNING = 3100, // asked of a scene unit what needs a running scene
};

// The run-time side of the running scene: its name, background and music, its own resource cache, its random
// playables, its edit boxes, the drag and drop of controls, and the return code that ends the scene's modal
// run. The engine makes one, the default unit, that every scene shows itself through; it is initialised when
// a scene is entered and done when it is left. While a scene runs it listens to the mouse at 100000 and to
// the keys.
//
// A dragged graphic destroyed during its drag, or a dragged control deleted, is forgotten: the drag goes on
// to its end without them.
class CUnit6 : public CXObject,
               public CControlNotifier,
               public CPlayableObserver,
               public CKeyListener,
               public CMouseListener,
               public CRandomPlayableNotifier,
               public CInvalidateObserver,
               public CTimerNotificator {
public:
    CUnit6(CWindow* window, CXString name);
    ~CUnit6() override;
    CUnit6(const CUnit6&) = delete;
    CUnit6& operator=(const CUnit6&) = delete;

    // Prepares the unit for the scene entered (after its objects are loaded): return code 0, active, the
    // previous unit's music remembered, the background shown, and key and mouse input taken.
    virtual bool initialize(CMC_Scene* scene, CUnit6* previous);
    // The scene's first frame on screen: the unit counts as initially updated and the scene's music starts.
    virtual bool onInitialUpdate();
    // Every later frame of the scene.
    virtual void onCanvasRefreshed() {}
    virtual bool wasInitiallyUpdated();
    // True when the return code asks the scene's modal run to end.
    virtual bool domodal();
    // Ends the unit's work for the scene left (and a drag still running); next is the unit of the scene that
    // follows, or null.
    virtual bool done(CMC_Scene* scene, CUnit6* next);
    virtual CWindow* getWindow() { return m_window; }
    virtual CRefreshScreen* getCanvas() { return m_refreshScreen; }
    virtual CRefreshScreen* getRefreshScreenInterface() { return m_refreshScreen; }
    virtual bool isActive();
    // The scene's music (null: the scene's own file), started looped unless it plays already; nothing without
    // a scene, or when the scene says its music is not to start and force is not set.
    virtual void startMusic(const char* name, bool force);
    virtual void stopMusic();
    virtual CXString getMusicFileName() { return m_musicFileName; }
    virtual CXString getBackgroundFileName() { return m_backgroundFileName; }
    // Shows the background file, or none when its name is empty.
    virtual void setBackground();
    // A software timer added for the unit is due; a unit type may act on it.
    void onTimer(int id) override;
    // With the check asked for, the unit's timers call it only while it is active and had its first frame.
    bool acceptsTimer() override { return isActive() && wasInitiallyUpdated(); }
    virtual CResourcesManager* getResourcesManager() { return m_resources; }
    // The elements of a scene's definition before its objects are made; a unit type may return another set.
    virtual CMElements* resolveObjects(CMC_Scene* scene, CMElements* elements);
    // Deletes the edit boxes and forgets the focused one.
    virtual void flushEditBoxes();

    // ---- drag and drop of controls: the graphic is drawn at 10000 while the pointer moves it
    using CControlNotifier::onDragging;
    using CControlNotifier::onEndDragging;
    using CControlNotifier::onStartDragging;
    virtual bool onStartDragging(CGraphicsObject* graphic, CXPoint point, void* control);
    virtual bool onDragging(CXPoint point);
    virtual bool onEndDragging(CXPoint point);
    virtual void onNotify(CControl*) {}
    // Before initialize there is nothing to play it: ERR_UNIT_NOT_RUNNING and a log line.
    virtual void addRandomPlayable(CPlayable* playable, double perMinute, int maxRepeat, CXString event);
    virtual void removeRandomPlayable(CPlayable* playable);
    // The cursor graphic given to every edit box made afterwards.
    virtual void setCursor(CGraphicsObject* cursor);
    virtual CEditBox6* addEditBox(CSimpleFont6* font, CXRect rect, int priority, CXString text);
    virtual void activateEditBox(CEditBox6* box);
    virtual void removeEditBox(CEditBox6* box);
    // -1: no box, or none focused.
    virtual int getCurrentEditBoxIndex();
    virtual void nextEditBox();
    virtual void prevEditBox();
    // The dragged graphic back where its drag began (a refused drop); the point is not used.
    void bringBackDraggingObjectPosition(CXPoint point);
    bool isDragging() const { return m_dragging; }
    // False: a drag ends at the left release; true: at the next left press.
    bool getDraggingMode() const { return m_draggingMode; }
    void setDraggingMode(bool mode) { m_draggingMode = mode; }
    CGraphicsObject* getDraggedGraphic() const { return m_draggedGraphic; }
    CRandomPlayable* getRandomPlayables() const { return m_randomPlayables; }

    // ---- input: the mouse's left button while a scene runs, and the keys
    using CMouseListener::onClick;
    using CMouseListener::onRelease;
    bool onMouseMove(CXPoint point) override;
    bool onClick(CXPoint point) override;
    bool onRelease(CXPoint point) override;
    void onKeyDown(int key) override;
    void onKeyUp(int) override {}
    void onChar(unsigned char) override {}

    // ---- the dragged graphic watched
    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject* source) override;

    // Software timers that call onTimer with the id; flag asks for the activity check.
    void setTimer(int id, unsigned ms, bool flag);
    void killTimer(int id);
    CXArray* getRetPath() { return m_retPath; }
    bool quitOnError(CXObject*) { return false; }
    void* getDraggedData() { return nullptr; }
    void setDraggedData(void*) {}

    void setActivity(bool active) { m_active = active; }
    void setUnitName(CXString name) { m_unitName = name; }
    CXString getUnitName() { return m_unitName; }
    void setBackgroundFileName(CXString name) { m_backgroundFileName = name; }
    void exit() { m_retCode = 1; }
    void setRetCode(int code) { m_retCode = code; }
    int getRetCode() const { return m_retCode; }
    CMC_Scene* getScene() { return m_scene; }

protected:
    // Graphics the definition puts on the screen itself (TOCANVAS, PRIORITY, ALWAYSONTOP).
    void putOnCanvas(CXObject* graphic, CMElement* element);
    void putOnCanvas(CAnimo6* animation, CMElement* element);

    // The edit boxes' share of the unit's routing (media/controls/Unit6EditBoxes.cpp). event is the hot
    // spot's code: HS_MOUSEMOVE, HS_LBUTTONDOWN or HS_LBUTTONUP. True takes the event from lower listeners.
    bool editBoxesOnMouse(int event, CXPoint point);
    // A key down (scan code); true when the edit boxes used it (Tab, Shift+Tab).
    bool editBoxesOnKey(int key);

    CXString m_unitName;
    bool m_dragging = false;
    bool m_draggingMode = false;
    int32_t m_savedPriority = -1;
    CXPoint m_lastDragPoint;
    CXPoint m_startPosition;
    CControl* m_draggedControl = nullptr;
    std::shared_ptr<bool> m_draggedControlAlive;
    CGraphicsObject* m_draggedGraphic = nullptr;
    CShellServices* m_application = nullptr;
    bool m_initiallyUpdated = false;
    CXString m_backgroundFileName;
    CMC_Scene* m_scene = nullptr;
    CWindow* m_window;
    CRefreshScreen* m_refreshScreen = nullptr;
    int32_t m_retCode = 0;
    CXArray* m_retPath;
    bool m_active = false;
    CResourcesManager* m_resources;
    CRandomPlayable* m_randomPlayables = nullptr;
    CGraphicsObject* m_editBoxCursor = nullptr;
    CXVector* m_editBoxes;
    CEditBox6* m_currentEditBox = nullptr;
    CXString m_musicFileName;
    bool m_listening = false;

private:
    // Forgets the dragged graphic and control.
    void clearDrag();
};

} // namespace KavirelDLL
