#include "script/Scene.h"

#include <functional>
#include <string>

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/ElementsLoader.h"
#include "core/File.h"
#include "core/Folder.h"
#include "core/HiResTimer.h"
#include "core/Log.h"
#include "core/Path.h"
#include "core/WholeFile.h"
#include "display/Collisions.h"
#include "display/GraphicsObject.h"
#include "display/RefreshScreen.h"
#include "display/Window.h"
#include "script/Array.h"
#include "script/Behaviour.h"
#include "script/DLLExModule.h"
#include "script/Groupped.h"
#include "script/MultiArray.h"
#include "script/Services.h"
#include "script/String.h"
#include "script/Timer.h"
#include "script/TypeRegistry.h"

namespace KavirelDLL {

CMC_SceneUnit* CMC_Scene::s_defUnit = nullptr;

namespace {

// A cache cannot hold more records than it has bytes for their type ids.
constexpr int kTypeIdBytes = 4;

CMC_Settings* configOf(CWindow* window) {
    CMC_Host* host = CMC_Host::get();
    return host ? host->config(window) : nullptr;
}

// The type ids the engine itself gives out; any other comes from a plug-in module.
bool isEngineType(int type) {
    switch (type) {
    case TYPE_PLACEHOLDER:
    case TYPE_INTEGER:
    case TYPE_STRING:
    case TYPE_BOOL:
    case TYPE_DOUBLE:
    case TYPE_VARIABLE:
    case TYPE_CONDITION:
    case TYPE_COMPLEXCONDITION:
    case TYPE_EXPRESSION:
    case TYPE_BEHAVIOUR:
    case TYPE_MOUSE:
    case TYPE_KEYBOARD:
    case TYPE_RANDOM:
    case TYPE_CANVASOBSERVER:
    case TYPE_SYSTEM:
    case TYPE_CNVLOADER:
    case TYPE_CODE_LINE:
    case TYPE_KOLOROWANKA:
    case TYPE_MATRIX:
    case TYPE_SWF:
        return true;
    default:
        return (type >= TYPE_APPLICATION && type <= TYPE_SCENE) ||
               (type >= TYPE_ANIMO && type <= TYPE_INTERNET) ||
               (type >= TYPE_GROUP && type <= TYPE_MULTIARRAY);
    }
}

uint32_t seconds() { return CHiResTimer::timer.GetTickCount() / 1000; }

// Folder joins of the engine's names; an empty part adds nothing.
CXString joinPath(const CXString& a, const CXString& b) {
    if (!b.IsString()) return a;
    if (!a.IsString()) return b;
    return CPath::getFullPath(a, b);
}

// Keeps the working folder of the caller, whatever a load or a store changes.
class CurrentFolderGuard {
public:
    CurrentFolderGuard() : m_folder(CFile::getCurrentDirectory()) {}
    ~CurrentFolderGuard() { CFile::chDir(m_folder); }
    CurrentFolderGuard(const CurrentFolderGuard&) = delete;
    CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

private:
    CXString m_folder;
};

} // namespace

bool CMC_Scene::storeCacheFile(CWindow* window, const CXString& name,
                               const std::function<bool(CXArchive&)>& body) {
    return writeWholeFile(window, name, CFile::MODE_UPDATE | CFile::MODE_BINARY, "cache",
                          [&body](CFile& file) {
                              CXArchive archive(&file, true);
                              return body(archive) && archive.good();
                          }) == ERR_NONE;
}

// ---- construction ----

CMC_Scene::CMC_Scene(CWindow* window, int type)
    : CMC_ObjectsContainer(window, nullptr, CXString(""), type), m_binary(true) {
    setScene(this);
    construct();
}

CMC_Scene::CMC_Scene(CWindow* window, CMC_ObjectsContainer* parent, CMElement* element, int type)
    : CMC_ObjectsContainer(window, parent, element, type), m_binary(false) {
    if (element) {
        m_dlls = element->getPropertyValue("DLLS");
        m_description = element->getPropertyValue("DESCRIPTION");
        m_creationTime = element->getPropertyValue("CREATIONTIME");
        m_lastModifyTime = element->getPropertyValue("LASTMODIFYTIME");
        m_author = element->getPropertyValue("AUTHOR");
        m_coauthors = element->getPropertyValue("COAUTHORS");
        m_path = element->getPropertyValue("PATH");
        m_background = element->getPropertyValue("BACKGROUND");
        m_music = element->getPropertyValue("MUSIC");
        m_deamon = element->getPropertyBoolValue("DEAMON");
    }
    setScene(this);
    construct();
    if (parent) setParent(parent);
}

CMC_Scene::CMC_Scene(CWindow* window, CMC_ObjectsContainer* scene, const CXString& name, int type)
    : CMC_ObjectsContainer(window, scene, name, type), m_binary(true) {
    if (!scene) setScene(this);
    construct();
}

void CMC_Scene::construct() {
    m_subScenes = new CXVector(101, 0.75f);
    m_monitored = new CXVector(101, 0.75f);
    CMC_SceneMedia* media = CMC_SceneMedia::get();
    if (!s_defUnit && media) {
        s_defUnit = media->makeDefaultUnit(m_window);
        // The screen announces the running scene's first frame to this unit.
        CRefreshScreen::setDefaultUnitSource(&CMC_Scene::getDefUnit);
    }
    addObject(this);
}

CMC_Scene::~CMC_Scene() {
    // A scene that is not running has no handlers to tell and nothing to count.
    if (m_running) unload(nullptr);
    delete m_subScenes;
    m_subScenes = nullptr;
    m_history.clear();
    doneDLLs();
    if (m_monitored) {
        CCollisionInspector* inspector = m_window ? m_window->getCollisionInspectorInterface() : nullptr;
        // Only the pointers are compared: an object may be gone already.
        for (int i = 0; inspector && i < m_monitored->getSize(); ++i)
            inspector->removeMonitoredObject(reinterpret_cast<CGraphicsObject*>(m_monitored->at(i)));
        delete m_monitored;
        m_monitored = nullptr;
    }
}

CUnit6* CMC_Scene::getDefUnit() { return s_defUnit ? s_defUnit->mediaUnit() : nullptr; }

CMC_SceneUnit* CMC_Scene::defaultUnit() { return s_defUnit; }

void CMC_Scene::doneDefUnit() {
    delete s_defUnit;
    s_defUnit = nullptr;
}

CXString** CMC_Scene::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONDOMODAL", "ONRESTART", "ONMUSICLOOPED",
                          "ONACTIVATE", "ONDEACTIVATE"});
}

// ---- lookups ----

bool CMC_Scene::isBinary() { return m_binary; }

bool CMC_Scene::isDeamon() { return m_deamon; }

CXString CMC_Scene::getPath() { return m_path; }

CMC_Scene* CMC_Scene::find(const CXString& name) {
    for (int i = 0; m_subScenes && i < m_subScenes->getSize(); ++i) {
        auto* scene = static_cast<CMC_Scene*>(m_subScenes->at(i));
        if (scene->name().equals(name)) return scene;
    }
    return nullptr;
}

CMC_Scene* CMC_Scene::getScene(const CXString& name) {
    if (m_name.equals(name)) return this;
    for (int i = 0; m_subScenes && i < m_subScenes->getSize(); ++i) {
        auto* scene = static_cast<CMC_Scene*>(m_subScenes->at(i));
        if (scene == this) continue;
        if (CMC_Scene* found = scene->getScene(name)) return found;
    }
    return nullptr;
}

int CMC_Scene::getSubId(CMC_Scene* scene) { return m_subScenes && scene ? m_subScenes->find(scene) : -1; }

CMC_Scene* CMC_Scene::getCurrentScene() { return static_cast<CMC_Scene*>(m_current.current()); }

CMC_Scene* CMC_Scene::getPendingScene() { return static_cast<CMC_Scene*>(m_pending.current()); }

CMC_Scene* CMC_Scene::getHistoryAt(int index) const {
    if (index < 0 || index >= static_cast<int>(m_history.size())) return nullptr;
    return static_cast<CMC_Scene*>(m_history[static_cast<size_t>(index)].current());
}

void CMC_Scene::setPending(CMC_Scene* scene) { m_pending.set(scene); }

void CMC_Scene::setCurrent(CMC_Scene* scene) { m_current.set(scene); }

bool CMC_Scene::adoptSubScene(CMC_Object* object, int type, bool addToNames) {
    if (!object || object->getType() != type || object == this) return false;
    auto* scene = static_cast<CMC_Scene*>(object);
    if (scene->getParent()) {
        logMessage("%s: %s belongs to another list already and is skipped", m_name.GetBuffer(),
                   scene->getName().GetBuffer());
        return false;
    }
    scene->setParent(this);
    m_subScenes->add(scene);
    if (addToNames) addObject(scene);
    return true;
}

void CMC_Scene::deleteSubScenes() {
    // Deleting a scene may reach this list: it is swapped out first.
    CXVector* scenes = m_subScenes;
    m_subScenes = new CXVector(1, 0.75f);
    for (int i = 0; scenes && i < scenes->getSize(); ++i) delete scenes->at(i);
    delete scenes;
}

void CMC_Scene::startWithSubScene(CMC_ObjectHandle& start, int index) {
    if (index >= 0 && index < m_subScenes->getSize())
        start.set(static_cast<CMC_Scene*>(m_subScenes->at(index)));
    else if (m_subScenes->getSize() > 0)
        start.set(static_cast<CMC_Scene*>(m_subScenes->at(0)));
}

void CMC_Scene::storeSubSceneCounts(CXArchive* archive, CMC_Scene* start) {
    *archive << static_cast<int32_t>(m_subScenes->getSize());
    *archive << static_cast<int32_t>(getSubId(start));
}

bool CMC_Scene::restoreSubSceneCounts(CXArchive* archive, int64_t minBytes, int32_t* count, int32_t* start) {
    *archive >> count;
    *archive >> start;
    CFile* file = archive->GetFileHandle();
    int64_t left = file ? static_cast<int64_t>(file->Length()) - file->Tell() : 0;
    if (!archive->good() || *count < 0 || *count * minBytes > left) {
        archive->setErrorCode(ERR_FILE_DAMAGED);
        return false;
    }
    delete m_subScenes;
    m_subScenes = new CXVector(*count > 0 ? *count : 1, 0.75f);
    return true;
}

void CMC_Scene::enterDataFolder(const CXString& path) {
    CFile::chDir(CWindow::getCDPath() + CFolder::DATA_FOLDER);
    if (path.IsString()) CFile::chDir(path);
}

CXString CMC_Scene::dataFolder() const {
    if (getType() == TYPE_SCENE) {
        const CXString local = joinPath(CWindow::rootPath + CFolder::DATA_FOLDER, m_path);
        if (CFile::fileExists(m_window, joinPath(local, m_name + ".cnv"))) return local;
    }
    const CXString game = CWindow::getCDPath().IsString() ? CWindow::getCDPath() : CWindow::rootPath;
    return joinPath(game + CFolder::DATA_FOLDER, m_path);
}

void CMC_Scene::appendHistory(CMC_Scene* scene) {
    if (scene) m_history.emplace_back(scene);
}

void CMC_Scene::removeLastHistory() {
    if (!m_history.empty()) m_history.pop_back();
}

CMC_Scene* CMC_Scene::getMCApplication() {
    CMC_ObjectsContainer* parent = getParent();
    CMC_ObjectsContainer* grand = parent ? parent->getParent() : nullptr;
    // A scene the application lists itself has the application as its parent.
    if (!grand && parent && parent->getType() == TYPE_APPLICATION) grand = parent;
    if (!grand || grand->getType() < TYPE_APPLICATION || grand->getType() > TYPE_SCENE) return nullptr;
    return static_cast<CMC_Scene*>(grand);
}

CXString CMC_Scene::getMusicFilename() {
    if (m_music.IsString()) return m_music;
    CMC_ObjectsContainer* parent = getParent();
    if (parent && parent != this && parent->getType() >= TYPE_APPLICATION && parent->getType() <= TYPE_SCENE)
        return static_cast<CMC_Scene*>(parent)->getMusicFilename();
    return CXString("");
}

bool CMC_Scene::shouldMusicBeStarted() { return m_musicShouldStart; }

// ---- events ----

bool CMC_Scene::onSignal(const CXString& key) {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    if (CMC_Object::onSignal(key)) return true;
    if (!self->object) return true;
    CMC_Object* fallback = getObject("__" + key + "__");
    if (!fallback || fallback->getType() != TYPE_BEHAVIOUR) return false;
    static_cast<CMC_Behaviour*>(fallback)->run(this, nullptr, false);
    return true;
}

void CMC_Scene::onInit() {
    if (getElementsNo() == 0) return;
    // init runs handlers, which may add, remove or delete objects: walk handles of a copy. The containers
    // listed for lookup (this one, its episode and application) are not this scene's objects: each raises its
    // own ONINIT once, when it is entered.
    std::vector<CMC_ObjectHandle> objects;
    for (int i = 0; i < m_objects->getSize(); ++i) {
        auto* object = static_cast<CMC_Object*>(m_objects->at(i));
        if (isOwnedType(object->getType())) objects.emplace_back(object);
    }
    for (CMC_ObjectHandle& handle : objects)
        if (CMC_Object* object = handle.current()) object->init();
}

// ---- entering and leaving ----

void CMC_Scene::_goto(const CXString& name) { setPending(find(name)); }

void CMC_Scene::_goto(CMC_Scene* target, CMC_Scene* previous) {
    std::shared_ptr<CMC_ObjectAnchor> targetAnchor = target ? target->anchor() : nullptr;
    unload(target);
    if (target && !targetAnchor->object) target = nullptr;
    setCurrent(target);
    if (!target) return;
    target->initialize(previous);
    if (targetAnchor->object) appendHistory(target);
}

bool CMC_Scene::domodal() {
    if (CMC_Scene* pending = getPendingScene()) {
        // Cleared first: a scene entered may ask for the next change at once.
        setPending(nullptr);
        _goto(pending, getCurrentScene());
    }
    CMC_Scene* current = getCurrentScene();
    bool result = current ? current->domodal() : false;
    CXVector* internet = getInternetObjects();
    std::vector<CMC_ObjectHandle> objects;
    for (int i = 0; internet && i < internet->getSize(); ++i)
        objects.emplace_back(static_cast<CMC_Object*>(internet->at(i)));
    CMC_NetServices* net = CMC_NetServices::get();
    for (CMC_ObjectHandle& handle : objects)
        if (CMC_Object* object = handle.current(); object && net) net->flushDownloads(object);
    // The network peers dispatch what came once a frame, at the script root's step.
    if (getMCApplication() == this && getType() == TYPE_APPLICATION && net) net->tick();
    return result;
}

bool CMC_Scene::initialize(CMC_Scene* previous) {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    if (m_window) m_window->BeginWaitCursor();
    m_unit = defaultUnit();
    CFile::chDir(CWindow::rootPath);
    if (m_dlls.IsString()) resolveDLLs(m_dlls);

    CXString dataPath = joinPath(CXString(CFolder::DATA_FOLDER), m_path);
    if (CFile::chDir(dataPath) != 0 || !CFile::fileExists(m_window, m_name + ".cnv")) {
        CFile::chDir(CWindow::getCDPath());
        CFile::chDir(dataPath);
    }

    if (m_unit) {
        m_savedUnitName = m_unit->getUnitName();
        m_unit->setUnitName(m_name);
        loadCnv();
        if (!self->object) return false;
        if (m_unit) {
            m_unit->setBackgroundFileName(m_background);
            m_unit->enterScene(this, defaultUnit());
        }
        if (CMC_ObjectsContainer* parent = getParent()) {
            parent->setScene(this);
            if (CMC_ObjectsContainer* grand = parent->getParent()) grand->setScene(this);
        }
    }

    onInit();
    if (!self->object) return false;
    CMC_Object* init = findHere("__INIT__");
    if (init && init->getType() == TYPE_BEHAVIOUR) {
        static_cast<CMC_Behaviour*>(init)->run(this, nullptr, true);
        if (!self->object) return false;
    }
    if (hasHandler(EVT_SCENE_ONINIT)) {
        onSignal("ONINIT");
        if (!self->object) return false;
    }
    m_musicShouldStart = true;
    if (previous && previous->getMusicFilename().equals(getMusicFilename())) m_musicShouldStart = false;
    if (m_window) m_window->EndWaitCursor();
    m_startTime = static_cast<int32_t>(seconds());
    m_running = true;
    return true;
}

void CMC_Scene::unload(CMC_Scene* next) {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    // The scene's own ONDONE, once and while its objects still exist: the notice to the parents below takes
    // away the bindings the scene made, its own among them.
    if (m_running && hasHandler(EVT_SCENE_ONDONE)) {
        onSignal("ONDONE");
        if (!self->object) return;
    }
    CMC_ObjectsContainer* parent = getParent();
    if (parent && parent != this) parent->onSubSceneDone(this);
    saveStats();
    if (CMC_SceneMedia* media = CMC_SceneMedia::get()) media->sceneLeaving(this);
    flushBehList();
    // The containers listed for lookup are not ended with the scene's objects.
    std::vector<CMC_Object*> containers;
    for (int i = 0; i < m_objects->getSize(); ++i) {
        auto* object = static_cast<CMC_Object*>(m_objects->at(i));
        if (!isOwnedType(object->getType())) containers.push_back(object);
    }
    for (CMC_Object* container : containers) removeObject(container);
    CMC_ObjectsContainer::unload();
    if (!self->object) return;
    m_loaded = false;
    doneDLLs();
    if (m_unit) {
        m_unit->leaveScene(this, next ? defaultUnit() : nullptr);
        m_unit->flushEditBoxes();
        m_unit->setUnitName(m_savedUnitName);
    }
    if (!next || !next->getMusicFilename().equals(getMusicFilename())) stopMusic();
}

void CMC_Scene::restart() {
    if (m_subScenes && m_subScenes->getSize() > 0) setPending(static_cast<CMC_Scene*>(m_subScenes->at(0)));
    if (hasHandler(EVT_SCENE_ONRESTART)) onSignal("ONRESTART");
}

void CMC_Scene::saveStats() {
    // Only a scene that was entered has a play to count.
    if (!m_running) return;
    m_running = false;
    CMC_Settings* config = configOf(m_window);
    int32_t started = m_startTime;
    m_startTime = 0;
    if (!config) return;
    int time = config->GetInt(m_name, "Time");
    int played = config->GetInt(m_name, "Played");
    played += 1;
    int32_t now = static_cast<int32_t>(seconds());
    if (now > started) time += now - started;
    config->PutInt(m_name, "Time", time);
    config->PutInt(m_name, "Played", played);
}

// ---- music ----

void CMC_Scene::startMusic(const char* name, bool loop) {
    if (!m_unit) return;
    if (name && !getMusicFilename().equals(CXString(name))) {
        m_music = name;
        m_musicShouldStart = true;
    }
    m_unit->startMusic(name, loop);
}

void CMC_Scene::stopMusic() {
    if (!m_unit) return;
    m_unit->stopMusic();
    m_musicShouldStart = true;
}

// ---- plug-in modules ----

void CMC_Scene::resolveDLLs(const CXString& names) {
    doneDLLs();
    m_modules = new CXVector(101, 0.75f);
    // Split at commas only: a blank stays part of a name.
    int start = 0;
    while (start <= names.GetLength()) {
        int comma = names.Find(',', start);
        int end = comma >= 0 ? comma : names.GetLength();
        CXString name = names.Mid(start, end);
        if (name.IsString()) m_modules->add(new CMC_DLLExModuleInterface(name, this));
        if (comma < 0) break;
        start = comma + 1;
    }
}

void CMC_Scene::doneDLLs() {
    CXVector* modules = m_modules;
    m_modules = nullptr;
    for (int i = 0; modules && i < modules->getSize(); ++i) delete modules->at(i);
    delete modules;
}

CMC_Object* CMC_Scene::resolveEx(CMElement* element) {
    for (int i = 0; m_modules && i < m_modules->getSize(); ++i) {
        CMC_ExternObject* module =
            static_cast<CMC_DLLExModuleInterface*>(m_modules->at(i))->getModuleInterface();
        if (!module) continue;
        if (CMC_Object* object = module->resolveObject(this, element)) return object;
    }
    return nullptr;
}

CMC_Object* CMC_Scene::serializeEx(CXArchive* archive, int typeId) {
    for (int i = 0; m_modules && i < m_modules->getSize(); ++i) {
        CMC_ExternObject* module =
            static_cast<CMC_DLLExModuleInterface*>(m_modules->at(i))->getModuleInterface();
        if (!module) continue;
        if (CMC_Object* object = module->restoreObject(typeId, archive)) return object;
    }
    return nullptr;
}

// ---- object files and caches ----

bool CMC_Scene::loadCnv() {
    m_loaded = true;
    if (m_binary) return readCache();

    CXString fileName = m_name + ".cnv";
    if (!CFile::fileExists(m_window, fileName)) return false;
    CMElements* elements = CMElementsLoader::load(m_window, fileName);
    if (!elements) return false;
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    CMElements* used = m_unit ? m_unit->resolveObjects(this, elements) : elements;
    if (!used) used = elements;
    CMElements* rest = resolveObjects(used);
    delete rest;
    if (self->object) {
        if (CMElement* own = used->get(m_name)) initializeBehaviours(this, own);
    }
    if (used != elements) delete used;
    delete elements;
    return false;
}

bool CMC_Scene::isNeverStored(int typeId) {
    switch (typeId) {
    case TYPE_APPLICATION:
    case TYPE_EPISODE:
    case TYPE_SCENE:
    case TYPE_RANDOM:
    case TYPE_SYSTEM:
    case TYPE_CNVLOADER:
        return true;
    default:
        return false;
    }
}

CMC_Object* CMC_Scene::makeStoredObject(int typeId, CMC_Scene* scene) {
    const CMC_TypeInfo* type = CMC_TypeRegistry::find(typeId);
    return type && type->blank ? type->blank(scene) : nullptr;
}

bool CMC_Scene::readCache() {
    CurrentFolderGuard folder;
    CFile::chDir(dataFolder());
    CXString fileName = m_name + ".bin";
    CFile file;
    if (file.Open(m_window, fileName, CFile::MODE_READ | CFile::MODE_BINARY) != ERR_NONE) {
        logMessage("scene %s: its cache %s cannot be opened; the scene has no objects", m_name.GetBuffer(),
                   fileName.GetBuffer());
        return true;
    }
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    {
        CXArchive archive(&file, false);
        archive >> &m_dlls;
        archive >> &m_background;
        archive >> &m_music;
        // The module list is only known now: a scene entered for the first time from its cache needs its
        // modules before the records they make.
        if (m_dlls.IsString() && !m_modules) resolveDLLs(m_dlls);
        int32_t count = 0;
        archive >> &count;
        int64_t left = static_cast<int64_t>(file.Length()) - file.Tell();
        if (!archive.good() || count < 0 || static_cast<int64_t>(count) * kTypeIdBytes > left) {
            logMessage("scene %s: its cache %s is damaged; the scene has no objects", m_name.GetBuffer(),
                       fileName.GetBuffer());
            count = 0;
        }
        for (int32_t i = 0; i < count; ++i) {
            int32_t typeId = 0;
            archive >> &typeId;
            if (!archive.good()) break;
            if (typeId == TYPE_MULTIARRAY) {
                // Its image is empty: serialize reads nothing, and no object comes of the record.
                CMC_MultiArray(nullptr, CXString("")).serialize(&archive);
                continue;
            }
            CMC_Object* object = makeStoredObject(typeId, this);
            bool fromModule = false;
            if (!object) {
                // A module's object has read its own image.
                object = serializeEx(&archive, typeId);
                fromModule = object != nullptr;
            }
            if (!object) {
                // Records carry no length: nothing after one that cannot be read can be found.
                logMessage(
                    "scene %s: cache record %d of type %d cannot be read; the records after it are lost",
                    m_name.GetBuffer(), i, typeId);
                break;
            }
            object->setScene(this);
            if (!fromModule) object->serialize(&archive);
            if (!archive.good()) {
                logMessage("scene %s: its cache %s ends inside record %d", m_name.GetBuffer(),
                           fileName.GetBuffer(), i);
                delete object;
                break;
            }
            addObject(object);
            if (!self->object) return true;
        }
    }
    file.Close();

    std::vector<CMC_ObjectHandle> objects;
    for (int i = 0; i < m_objects->getSize(); ++i)
        objects.emplace_back(static_cast<CMC_Object*>(m_objects->at(i)));
    restoreStoredBindings();
    for (CMC_ObjectHandle& handle : objects)
        if (CMC_Object* object = handle.current(); object && object != this)
            object->initializeBehaviours(this, nullptr);
    // Behaviours find their conditions, as those made from a definition do.
    for (CMC_ObjectHandle& handle : objects)
        if (CMC_Object* object = handle.current(); object && object->getType() == TYPE_BEHAVIOUR)
            static_cast<CMC_Behaviour*>(object)->resolveCondition();
    return true;
}

bool CMC_Scene::writeCache() {
    // Only what the reader can rebuild goes in; anything else would hide the records after it.
    std::vector<CMC_Object*> stored;
    for (int i = 0; i < m_objects->getSize(); ++i) {
        auto* object = static_cast<CMC_Object*>(m_objects->at(i));
        int type = object->getType();
        if (isNeverStored(type)) continue;
        CMC_Object* probe = makeStoredObject(type, nullptr);
        bool readable = probe != nullptr;
        delete probe;
        // A type the engine does not know comes from a module, which reads it back while the scene's modules
        // are loaded.
        if (!readable && !isEngineType(type) && m_modules && m_modules->getSize() > 0) readable = true;
        if (type == TYPE_MULTIARRAY) {
            // Stored as its type id alone, which a reader passes over.
            logMessage("scene %s: MULTIARRAY %s keeps no cells in a cache; a scene read from it has no %s",
                       m_name.GetBuffer(), object->getName().GetBuffer(), object->getName().GetBuffer());
            readable = true;
        }
        if (!readable) {
            logMessage("scene %s: %s (type %d) cannot be read back from a cache and is left out of it",
                       m_name.GetBuffer(), object->getName().GetBuffer(), type);
            continue;
        }
        stored.push_back(object);
    }
    return storeCacheFile(m_window, m_name + ".bin", [&](CXArchive& archive) {
        archive << m_dlls;
        archive << m_background;
        archive << m_music;
        archive << static_cast<int32_t>(stored.size());
        for (CMC_Object* object : stored) {
            archive << static_cast<int32_t>(object->getType());
            object->serialize(&archive);
        }
        return archive.good();
    });
}

void CMC_Scene::serialize(CXArchive* archive) {
    if (!archive) return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << m_path;
        CurrentFolderGuard folder;
        CFile::chDir(dataFolder());
        // The application's cache would send its reader to a scene cache that is not there.
        if (!writeCache()) archive->setErrorCode(ERR_FILE_WRITE);
        return;
    }
    *archive >> &m_path;
    // Made before its name was read: it is listed under the name it has now, so it reaches itself.
    addObject(this);
    keepStoredBindings();
}

void CMC_Scene::keepStoredBindings() {
    m_storedBindings.clear();
    CXVector* keys = m_bindings ? m_bindings->getKeys() : nullptr;
    for (int k = 0; keys && k < keys->getSize(); ++k) {
        auto* key = static_cast<CStringHashCode*>(keys->at(k));
        auto* list = static_cast<CXVector*>(m_bindings->get(key));
        for (int i = 0; list && i < list->getSize(); ++i) {
            auto* binding = static_cast<CMC_Binding*>(list->at(i));
            StoredBinding stored{key->getString(), binding->getBehaviourName(), {}};
            CXArray* args = binding->getArguments();
            for (int a = 0; args && a < args->getSize(); ++a) {
                auto* text = static_cast<CXString*>(args->at(a));
                stored.args.push_back(text ? *text : CXString(""));
            }
            m_storedBindings.push_back(std::move(stored));
        }
    }
    delete keys;
}

void CMC_Scene::restoreStoredBindings() {
    for (const StoredBinding& stored : m_storedBindings) {
        CXVector* list = getBehaviour(stored.key);
        bool present = false;
        for (int i = 0; list && i < list->getSize() && !present; ++i)
            present = static_cast<CMC_Binding*>(list->at(i))->getBehaviourName().equals(stored.behaviour);
        if (present) continue;
        CXArray* args = nullptr;
        if (!stored.args.empty()) {
            args = new CXArray(static_cast<int>(stored.args.size()), 0.75f);
            for (const CXString& text : stored.args) args->add(new CXString(text));
        }
        if (!m_bindings) m_bindings = new CHashtable(101, 0.75, true);
        if (!list) {
            list = new CXVector(101, 0.75f);
            m_bindings->put(new CStringHashCode(stored.key), list);
        }
        list->add(new CMC_Binding(stored.behaviour, args, nullptr, true));
    }
    initializeBehaviours(this, nullptr);
    // Leaving the scene cleared its handler flags; bindings it kept are not placeholders any more, so
    // resolving does not set them again.
    for (const StoredBinding& stored : m_storedBindings) {
        int index = getBehaviourIndex(stored.key);
        CXVector* list = getBehaviour(stored.key);
        if (index < 0 || index >= static_cast<int>(m_handlerFlags.size()) || !list) continue;
        for (int i = 0; i < list->getSize(); ++i)
            if (static_cast<CMC_Binding*>(list->at(i))->getBehaviour())
                m_handlerFlags[static_cast<size_t>(index)] = 1;
    }
}

// ---- collisions and queries ----

void CMC_Scene::monitorCollisions(CGraphicsObject* object, bool flag, CCollisionObserver* observer) {
    if (!object || object->getMonitorCollisionsFlag()) return;
    CCollisionInspector* inspector = m_window ? m_window->getCollisionInspectorInterface() : nullptr;
    if (inspector) {
        inspector->addNotifier(observer);
        inspector->addMonitoredObject(object, flag);
    }
    object->setMonitorCollisions(flag);
    m_monitored->add(object);
}

void CMC_Scene::removeMonitorCollisions(CGraphicsObject* object, CCollisionObserver* observer) {
    CCollisionInspector* inspector = m_window ? m_window->getCollisionInspectorInterface() : nullptr;
    if (inspector) {
        inspector->removeNotifier(observer);
        inspector->removeMonitoredObject(object);
    }
    m_monitored->remove(object);
}

void CMC_Scene::getPlayingSeq(CMC_Array* array) {
    CMC_SceneMedia* media = CMC_SceneMedia::get();
    if (array && media) media->getPlayingSeq(this, array);
}

void CMC_Scene::resumeExcept(CMC_Array* array) {
    CMC_SceneMedia* media = CMC_SceneMedia::get();
    if (array && media) media->resumeExcept(this, array);
}

void CMC_Scene::getPlayingAnimo(CMC_Groupped* group) {
    if (!group) return;
    CMC_SceneMedia* media = CMC_SceneMedia::get();
    if (media)
        media->getPlayingAnimo(this, group);
    else
        group->removeAll();
}

void CMC_Scene::getRunningTimers(CMC_Groupped* group) {
    if (!group) return;
    group->removeAll();
    CXVector* timers = getObjectsOfType(TYPE_TIMER);
    for (int i = 0; i < timers->getSize(); ++i) {
        auto* timer = static_cast<CMC_Timer*>(timers->at(i));
        if (timer->isEnabled()) group->add(timer);
    }
    delete timers;
}

CMC_Object* CMC_Scene::createObject(const CXString& type, const CXString& name) {
    CMC_SceneMedia* media = CMC_SceneMedia::get();
    return media ? media->createObject(this, type, name) : nullptr;
}

void CMC_Scene::dropStoredObjects() {
    std::vector<CMC_ObjectHandle> objects;
    for (int i = 0; i < m_objects->getSize(); ++i) {
        auto* object = static_cast<CMC_Object*>(m_objects->at(i));
        if (isOwnedType(object->getType())) objects.emplace_back(object);
    }
    for (CMC_ObjectHandle& handle : objects) {
        CMC_Object* object = handle.current();
        if (!object) continue;
        removeObject(object);
        if (!object->isHeld()) delete object;
    }
    m_loaded = false;
}

void CMC_Scene::removeAndDelete(CMC_Object* object) {
    if (!object || object == this || !isOwnedType(object->getType())) return;
    std::shared_ptr<CMC_ObjectAnchor> gone = object->anchor();
    removeObject(object);
    object->done(false);
    // Its ONDONE handler may have deleted it, or put it back in a container, which then owns it.
    if (gone->object && !object->isHeld()) delete object;
}

} // namespace KavirelDLL
