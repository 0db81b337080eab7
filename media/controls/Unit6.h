#pragma once
#include "core/XObject.h"

namespace KavirelDLL {

class CWindow;

// The run-time unit of a scene. Only what the software timers ask of it exists so far; the unit is
// completed with the controls.
class CUnit6 : public CXObject {
public:
    CUnit6(CWindow* window, CXString name);

    // The scene's first frame on screen: the unit counts as initially updated from now on (the scene's music
    // starts here once units have music).
    virtual bool onInitialUpdate();
    // Every later frame of the scene.
    virtual void onCanvasRefreshed() {}
    virtual bool wasInitiallyUpdated();
    virtual bool isActive();
    // A software timer added for the unit is due; a unit type may act on it.
    virtual void onTimer(int id);

    void setActivity(bool active) { m_active = active; }
    void setUnitName(CXString name) { m_unitName = name; }
    CXString getUnitName() { return m_unitName; }

protected:
    CXString m_unitName;
    bool m_initiallyUpdated = false;
    CWindow* m_window;
    bool m_active = false;
};

} // namespace KavirelDLL
