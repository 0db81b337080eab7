#include "media/controls/Unit6.h"

#include "core/Containers.h"
#include "core/Elements.h"
#include "core/Log.h"
#include "display/GraphicsObject.h"
#include "display/RefreshScreen.h"
#include "display/ResourcesManager.h"
#include "display/ShellServices.h"
#include "display/UnitLink.h"
#include "display/Window.h"
#include "input/HotSpot.h"
#include "media/anim/Animo6.h"
#include "media/controls/EditBox6.h"
#include "script/Scene.h"

namespace KavirelDLL {

CUnit6::CUnit6(CWindow* window, CXString name)
    : m_unitName(name), m_window(window), m_retPath(new CXArray(101, 0.75f)),
      m_resources(new CResourcesManager(window)), m_editBoxes(new CXVector(101, 0.75f)) {
    if (window) {
        m_refreshScreen = window->GetRefreshScreenInterface();
        m_application = window->getShellServices();
    }
    // The application's cache keeps the list of the units' caches.
    if (CResourcesManager* general = m_application ? m_application->getGeneralResourcesManager() : nullptr)
        general->add(m_resources);
}

CUnit6::~CUnit6() {
    if (m_listening && m_window) {
        m_window->removeKeyListener(this);
        m_window->removeMouseListener(this);
    }
    clearDrag();
    delete m_randomPlayables;
    if (CResourcesManager* general = m_application ? m_application->getGeneralResourcesManager() : nullptr)
        general->remove(m_resources);
    delete m_resources;
    delete m_retPath;
    flushEditBoxes();
    // Boxes that focus-off handlers made during the flush outlive the unit, without it.
    if (int left = m_editBoxes->getSize()) {
        logMessage("scene unit %s: %d edit boxes made while it was deleted are left", m_unitName.GetBuffer(),
                   left);
        while (m_editBoxes->getSize() > 0) removeEditBox(static_cast<CEditBox6*>(m_editBoxes->at(0)));
    }
    if (m_editBoxCursor) m_editBoxCursor->removeInvalidateObserver(this);
    delete m_editBoxes;
}

bool CUnit6::initialize(CMC_Scene* scene, CUnit6* previous) {
    m_retCode = 0;
    m_active = true;
    m_scene = scene;
    m_musicFileName = previous ? previous->getMusicFileName() : CXString("");
    delete m_randomPlayables;
    m_randomPlayables = new CRandomPlayable(m_window, this);
    m_randomPlayables->addNotifier(this);
    setBackground();
    if (m_window) {
        // The window may have built its screen since the unit was made.
        m_refreshScreen = m_window->GetRefreshScreenInterface();
        m_window->registerKeyListener(this);
        m_window->registerMouseListener(this, 100000);
        m_listening = true;
    }
    return true;
}

bool CUnit6::onInitialUpdate() {
    m_initiallyUpdated = true;
    startMusic(nullptr, false);
    return true;
}

bool CUnit6::wasInitiallyUpdated() { return m_initiallyUpdated; }

bool CUnit6::isActive() { return m_active; }

namespace {
// The screen and the hot spots reach the unit through these.
bool answerForUnits() {
    CUnitLink::isActive = [](CUnit6* unit) { return unit->isActive(); };
    CUnitLink::wasInitiallyUpdated = [](CUnit6* unit) { return unit->wasInitiallyUpdated(); };
    CUnitLink::onInitialUpdate = [](CUnit6* unit) { return unit->onInitialUpdate(); };
    CUnitLink::onCanvasRefreshed = [](CUnit6* unit) { unit->onCanvasRefreshed(); };
    return true;
}
[[maybe_unused]] const bool g_unitLinked = answerForUnits();
} // namespace

bool CUnit6::domodal() { return m_retCode != 0; }

bool CUnit6::done(CMC_Scene*, CUnit6*) {
    // A drag running as the scene ends is ended: the control enabled, its graphic at its own priority.
    if (m_dragging) onEndDragging(m_lastDragPoint);
    clearDrag();
    if (m_window) m_refreshScreen = m_window->GetRefreshScreenInterface();
    if (m_refreshScreen) {
        m_refreshScreen->flush();
        m_refreshScreen->SetBackground(static_cast<CGraphicsObject*>(nullptr));
    }
    m_scene = nullptr;
    m_active = false;
    m_initiallyUpdated = false;
    delete m_randomPlayables;
    m_randomPlayables = nullptr;
    if (m_window && m_listening) {
        m_window->removeKeyListener(this);
        m_window->removeMouseListener(this);
    }
    m_listening = false;
    m_resources->flush();
    m_retPath->removeAll();
    return true;
}

void CUnit6::startMusic(const char* name, bool force) {
    if (!m_scene) return;
    if (!force && !m_scene->shouldMusicBeStarted()) return;
    CXString music = name ? CXString(name) : m_scene->getMusicFilename();
    bool playing = m_window && m_window->isMusicPlaying();
    if (music.IsString() && music.equalsIgnoreCase(m_musicFileName) && playing) return;
    if (!music.IsString() && playing) return;
    m_musicFileName = music;
    // No name and nothing playing: there is nothing to start.
    if (m_window && music.IsString()) m_window->StartMusic(music, true);
}

void CUnit6::stopMusic() {
    if (m_window) m_window->StopMusic();
}

void CUnit6::setBackground() {
    CXString name = getBackgroundFileName();
    if (m_window) m_refreshScreen = m_window->GetRefreshScreenInterface();
    if (!m_refreshScreen) return;
    if (!name.IsString())
        m_refreshScreen->SetBackground(static_cast<CGraphicsObject*>(nullptr));
    else
        m_refreshScreen->SetBackground(name);
}

void CUnit6::onTimer(int) {}

CMElements* CUnit6::resolveObjects(CMC_Scene*, CMElements* elements) { return elements; }

// ---------------------------------------------------------------- input

bool CUnit6::onMouseMove(CXPoint point) {
    if (m_dragging) return onDragging(point);
    return editBoxesOnMouse(HS_MOUSEMOVE, point);
}

bool CUnit6::onClick(CXPoint point) {
    if (m_dragging && m_draggingMode) onEndDragging(point);
    return editBoxesOnMouse(HS_LBUTTONDOWN, point);
}

bool CUnit6::onRelease(CXPoint point) {
    if (m_dragging && !m_draggingMode) onEndDragging(point);
    return editBoxesOnMouse(HS_LBUTTONUP, point);
}

void CUnit6::onKeyDown(int key) { editBoxesOnKey(key); }

// ---------------------------------------------------------------- drag and drop

bool CUnit6::onStartDragging(CGraphicsObject* graphic, CXPoint point, void* control) {
    // One drag at a time, and only of something drawn.
    if (!graphic || m_dragging) return false;
    if (m_window) m_refreshScreen = m_window->GetRefreshScreenInterface();
    m_dragging = true;
    m_draggedControl = static_cast<CControl*>(control);
    m_draggedControlAlive = m_draggedControl ? m_draggedControl->aliveToken() : nullptr;
    m_draggedGraphic = graphic;
    graphic->addInvalidateObserver(this);
    m_savedPriority = m_refreshScreen ? m_refreshScreen->GetPriority(graphic) : -1;
    if (m_refreshScreen) {
        m_refreshScreen->SetPriority(graphic, 10000);
        graphic->Invalidate();
    }
    m_startPosition = graphic->GetPosition();
    m_lastDragPoint = point;
    if (m_draggedControl) m_draggedControl->onStartDragging(point);
    return true;
}

bool CUnit6::onDragging(CXPoint point) {
    if (!m_dragging || !m_draggedGraphic) return m_dragging;
    m_draggedGraphic->Move(point.x - m_lastDragPoint.x, point.y - m_lastDragPoint.y);
    m_lastDragPoint = point;
    if (m_draggedControl && *m_draggedControlAlive) m_draggedControl->onDragging(point);
    return m_dragging;
}

bool CUnit6::onEndDragging(CXPoint point) {
    if (!m_dragging) return true;
    CGraphicsObject* graphic = m_draggedGraphic;
    if (graphic && m_refreshScreen && m_savedPriority >= 0) {
        m_refreshScreen->SetPriority(graphic, m_savedPriority);
        graphic->Invalidate();
    }
    if (m_draggedControl && *m_draggedControlAlive) {
        const std::shared_ptr<bool> alive = m_draggedControlAlive;
        m_draggedControl->Enable(true);
        // A graphic destroyed during the drag leaves the pointer as the place of the drop.
        if (*alive)
            m_draggedControl->onEndDragging(m_draggedGraphic ? m_draggedGraphic->GetPosition() : point);
    }
    clearDrag();
    return true;
}

void CUnit6::clearDrag() {
    // The edit boxes' cursor stays watched when it was the dragged graphic.
    if (m_draggedGraphic && m_draggedGraphic != m_editBoxCursor)
        m_draggedGraphic->removeInvalidateObserver(this);
    m_dragging = false;
    m_draggedGraphic = nullptr;
    m_draggedControl = nullptr;
    m_draggedControlAlive.reset();
}

void CUnit6::onDestroy(CGraphicsObject* source) {
    if (source == m_draggedGraphic) m_draggedGraphic = nullptr;
    if (source == m_editBoxCursor) m_editBoxCursor = nullptr;
}

void CUnit6::bringBackDraggingObjectPosition(CXPoint) {
    if (!m_draggedGraphic) return;
    m_draggedGraphic->Invalidate();
    m_draggedGraphic->SetPosition(m_startPosition);
    m_draggedGraphic->Invalidate();
}

// ---------------------------------------------------------------- random playables, timers, the screen

void CUnit6::addRandomPlayable(CPlayable* playable, double perMinute, int maxRepeat, CXString event) {
    if (m_randomPlayables) {
        m_randomPlayables->add(playable, perMinute, maxRepeat, event);
        return;
    }
    setErrorCode(ERR_UNIT_NOT_RUNNING);
    logMessage("scene unit %s: a random playable needs a running scene", m_unitName.GetBuffer());
}

void CUnit6::removeRandomPlayable(CPlayable* playable) {
    if (m_randomPlayables) m_randomPlayables->remove(playable);
}

void CUnit6::setTimer(int id, unsigned ms, bool flag) {
    if (m_window) m_window->SetTimer(id, ms, this, flag);
}

void CUnit6::killTimer(int id) {
    if (m_window) m_window->KillTimer(id);
}

void CUnit6::putOnCanvas(CXObject* graphic, CMElement* element) {
    auto* g = dynamic_cast<CGraphicsObject*>(graphic);
    if (!g || !element) return;
    const int priority =
        element->getPropertyBoolValue("ALWAYSONTOP") ? 1000 : element->getPropertyIntValue("PRIORITY");
    if (m_window) m_refreshScreen = m_window->GetRefreshScreenInterface();
    if (element->getPropertyBoolValue("TOCANVAS") && m_refreshScreen) m_refreshScreen->put(g, priority);
}

void CUnit6::putOnCanvas(CAnimo6* animation, CMElement* element) {
    putOnCanvas(static_cast<CXObject*>(static_cast<CGraphicsObject*>(animation)), element);
}

} // namespace KavirelDLL
