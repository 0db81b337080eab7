#include "media/controls/Unit6.h"

#include <set>
#include <string>

#include "core/Containers.h"
#include "core/Log.h"
#include "display/RefreshScreen.h"
#include "display/ResourcesManager.h"
#include "display/Window.h"
#include "script/Scene.h"
#include "shell/Application.h"

namespace KavirelDLL {

CUnit6::CUnit6(CWindow* window, CXString name)
    : m_unitName(name), m_window(window), m_retPath(new CXArray(101, 0.75f)),
      m_resources(new CResourcesManager(window)), m_editBoxes(new CXVector(101, 0.75f)) {
    if (window) {
        m_refreshScreen = window->GetRefreshScreenInterface();
        m_application = window->GetApplicationInterface();
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
    if (CResourcesManager* general = m_application ? m_application->getGeneralResourcesManager() : nullptr)
        general->remove(m_resources);
    delete m_resources;
    delete m_retPath;
    flushEditBoxes();
    delete m_editBoxes;
}

bool CUnit6::initialize(CMC_Scene* scene, CUnit6* previous) {
    m_retCode = 0;
    m_active = true;
    m_scene = scene;
    m_musicFileName = previous ? previous->getMusicFileName() : CXString("");
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

bool CUnit6::domodal() { return m_retCode != 0; }

bool CUnit6::done(CMC_Scene*, CUnit6*) {
    m_dragging = false;
    if (m_window) m_refreshScreen = m_window->GetRefreshScreenInterface();
    if (m_refreshScreen) {
        m_refreshScreen->flush();
        m_refreshScreen->SetBackground(static_cast<CGraphicsObject*>(nullptr));
    }
    m_scene = nullptr;
    m_active = false;
    m_initiallyUpdated = false;
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

void CUnit6::flushEditBoxes() {
    m_currentEditBox = nullptr;
    for (int i = 0; m_editBoxes && i < m_editBoxes->getSize(); ++i) delete m_editBoxes->at(i);
    if (m_editBoxes) m_editBoxes->removeAll();
}

} // namespace KavirelDLL

namespace KavirelDLL {

void CUnit6::notBuilt(const char* operation) {
    static std::set<std::string> told;
    setErrorCode(ERR_NOT_BUILT);
    if (told.insert(operation).second) logMessage("scene unit: %s is not built yet", operation);
}

bool CUnit6::onStartDragging(CGraphicsObject*, CXPoint, void*) {
    notBuilt("dragging controls");
    return false;
}

bool CUnit6::onDragging(CXPoint) { return m_dragging; }

bool CUnit6::onEndDragging(CXPoint) {
    m_dragging = false;
    return true;
}

void CUnit6::bringBackDraggingObjectPosition(CXPoint) {}

void CUnit6::addRandomPlayable(CPlayable*, double, int, CXString) { notBuilt("playing at random"); }

void CUnit6::removeRandomPlayable(CPlayable*) {}

void CUnit6::setCursor(CGraphicsObject*) { notBuilt("the edit-box cursor"); }

CEditBox6* CUnit6::addEditBox(CSimpleFont6*, CXRect, int, CXString) {
    notBuilt("edit boxes");
    return nullptr;
}

void CUnit6::activateEditBox(CEditBox6* box) {
    if (box) notBuilt("edit boxes");
    m_currentEditBox = nullptr;
}

void CUnit6::removeEditBox(CEditBox6* box) {
    if (box && box == m_currentEditBox) m_currentEditBox = nullptr;
}

int CUnit6::getCurrentEditBoxIndex() { return -1; }

// Without edit boxes there is nothing to move the focus to.
void CUnit6::nextEditBox() {}

void CUnit6::prevEditBox() {}

void CUnit6::setTimer(int id, unsigned ms, bool flag) {
    if (m_window) m_window->SetTimer(id, ms, this, flag);
}

void CUnit6::killTimer(int id) {
    if (m_window) m_window->KillTimer(id);
}

void CUnit6::putOnCanvas(CXObject*, CMElement*) { notBuilt("putting a definition's graphics on the screen"); }

void CUnit6::putOnCanvas(CAnimo6*, CMElement*) { notBuilt("putting a definition's graphics on the screen"); }

} // namespace KavirelDLL
