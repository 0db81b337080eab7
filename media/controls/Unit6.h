#pragma once
#include "core/XObject.h"
#include "display/KeyListener.h"
#include "display/MouseListener.h"
#include "display/Playable.h"

namespace KavirelDLL {

class CApplication;
class CEditBox6;
class CMC_Scene;
class CMElements;
class CRefreshScreen;
class CResourcesManager;
class CWindow;
class CXArray;
class CXVector;

// The run-time side of the running scene: its name, background and music, its own resource cache, its edit
// boxes, and the return code that ends the scene's modal run. The engine makes one, the default unit, that
// every scene shows itself through; it is initialised when a scene is entered and done when it is left.
//
// Drag and drop of controls, edit-box focus, random playables and the return path come with the controls;
// until then the unit takes no part in them.
class CUnit6 : public CXObject, public CPlayableObserver, public CKeyListener, public CMouseListener {
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
    // Ends the unit's work for the scene left; next is the unit of the scene that follows, or null.
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
    virtual void onTimer(int id);
    virtual CResourcesManager* getResourcesManager() { return m_resources; }
    // The elements of a scene's definition before its objects are made; a unit type may return another set.
    virtual CMElements* resolveObjects(CMC_Scene* scene, CMElements* elements);
    // Deletes the edit boxes and forgets the focused one.
    virtual void flushEditBoxes();

    void setActivity(bool active) { m_active = active; }
    void setUnitName(CXString name) { m_unitName = name; }
    CXString getUnitName() { return m_unitName; }
    void setBackgroundFileName(CXString name) { m_backgroundFileName = name; }
    void exit() { m_retCode = 1; }
    void setRetCode(int code) { m_retCode = code; }
    int getRetCode() const { return m_retCode; }
    CMC_Scene* getScene() { return m_scene; }

protected:
    CXString m_unitName;
    CApplication* m_application = nullptr;
    bool m_initiallyUpdated = false;
    CXString m_backgroundFileName;
    CMC_Scene* m_scene = nullptr;
    CWindow* m_window;
    CRefreshScreen* m_refreshScreen = nullptr;
    int32_t m_retCode = 0;
    CXArray* m_retPath;
    bool m_active = false;
    CResourcesManager* m_resources;
    CXVector* m_editBoxes;
    CEditBox6* m_currentEditBox = nullptr;
    CXString m_musicFileName;
    bool m_listening = false;
};

} // namespace KavirelDLL
