#include "script/Episode.h"

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/File.h"
#include "core/Log.h"
#include "core/Path.h"
#include "core/StringTokenizer.h"
#include "script/String.h"
#include "script/StructureParser.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace {

// The smallest scene header: name length, binding count and PATH length.
constexpr int64_t kMinHeaderBytes = 12;

// A container loaded only to be stored needs its modules as well, or the objects of their types would be
// missing from its cache. True when it loaded them (and so must let them go).
bool loadModulesToStore(CMC_Scene* scene) {
    if (!scene->getDLLs().IsString() || scene->getModules()) return false;
    scene->resolveDLLs(scene->getDLLs());
    return true;
}

} // namespace

CMC_Episode::CMC_Episode(CWindow* window) : CMC_Scene(window, TYPE_EPISODE) {}

CMC_Episode::CMC_Episode(CWindow* window, CMC_StructureParser* parser, CMElement* element)
    : CMC_Scene(window, nullptr, element, TYPE_EPISODE) {
    if (element && parser) {
        CStringTokenizer names(element->getPropertyValue("SCENES"), ", ");
        while (names.hasMoreTokens()) adoptSubScene(parser->get(names.nextToken()), TYPE_SCENE, true);
        CXString startWith = element->getPropertyValue("STARTWITH");
        CMC_Object* start = startWith.IsString() ? parser->get(startWith) : nullptr;
        if (start && start->getType() == TYPE_SCENE) m_startScene.set(start);
    }
    if (!m_startScene.current()) startWithSubScene(m_startScene, 0);
}

CMC_Episode::~CMC_Episode() {
    unload(nullptr);
    CMC_ObjectsContainer::unload();
    deleteSubScenes();
}

CMC_Scene* CMC_Episode::getStartScene() { return static_cast<CMC_Scene*>(m_startScene.current()); }

CMC_Scene* CMC_Episode::getMCApplication() {
    CMC_ObjectsContainer* parent = getParent();
    return parent && parent->getType() == TYPE_APPLICATION ? static_cast<CMC_Scene*>(parent) : nullptr;
}

CXString CMC_Episode::getLatestScene() { return m_latestScene; }

void CMC_Episode::next() {
    int count = m_subScenes->getSize();
    int i = getSubId(getCurrentScene());
    if (i < 0) {
        if (count > 0) setPending(static_cast<CMC_Scene*>(m_subScenes->at(0)));
        return;
    }
    if (i < count - 1) setPending(static_cast<CMC_Scene*>(m_subScenes->at(i + 1)));
}

void CMC_Episode::prev() {
    int i = getSubId(getCurrentScene());
    if (i > 0) setPending(static_cast<CMC_Scene*>(m_subScenes->at(i - 1)));
}

void CMC_Episode::back() {
    if (m_history.size() <= 1) return;
    setPending(getHistoryAt(static_cast<int>(m_history.size()) - 2));
    removeLastHistory();
}

bool CMC_Episode::initialize(CMC_Scene*) {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    enterDataFolder(m_path);
    if (m_dlls.IsString()) resolveDLLs(m_dlls);
    loadCnv();
    if (!self->object) return false;
    onInit();
    if (!self->object) return false;
    if (hasHandler(EVT_SCENE_ONINIT)) {
        onSignal("ONINIT");
        if (!self->object) return false;
    }
    CMC_Scene* start = getStartScene();
    if (!start) {
        setCurrent(nullptr);
        return false;
    }
    _goto(start, nullptr);
    return true;
}

void CMC_Episode::unload(CMC_Scene* next) {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    if (CMC_Scene* current = getCurrentScene()) {
        std::shared_ptr<CMC_ObjectAnchor> currentAnchor = current->anchor();
        if (hasHandler(EVT_SCENE_ONDONE)) onSignal("ONDONE");
        if (!self->object) return;
        if (currentAnchor->object) {
            CXString name = current->getName();
            current->unload(next);
            m_latestScene = name;
        }
    }
    setCurrent(nullptr);
}

void CMC_Episode::serialize(CXArchive* archive) {
    if (!archive) return;
    if (archive->isStoring()) {
        // The episode's own objects go into its cache, so they are loaded first.
        bool loadOwn = !m_loaded;
        bool ownModules = false;
        if (loadOwn) {
            enterDataFolder(m_path);
            ownModules = loadModulesToStore(this);
            loadCnv();
        }
        CMC_Scene::serialize(archive);
        if (loadOwn) dropStoredObjects();
        if (ownModules) doneDLLs();
        storeSubSceneCounts(archive, getStartScene());
        int count = m_subScenes->getSize();
        for (int i = 0; i < count; ++i) {
            auto* scene = static_cast<CMC_Scene*>(m_subScenes->at(i));
            // A scene that runs now (a script stored the cache) keeps the objects it has.
            bool load = !scene->isObjectFileLoaded();
            bool modules = false;
            if (load) {
                enterDataFolder(scene->getPath());
                scene->setParent(this);
                scene->setUnit(defaultUnit());
                modules = loadModulesToStore(scene);
                scene->loadCnv();
            }
            enterDataFolder(CXString(""));
            scene->serialize(archive);
            if (load) {
                scene->done(false);
                scene->dropStoredObjects();
            }
            // Only once the module's objects are gone.
            if (modules) scene->doneDLLs();
        }
        return;
    }

    CMC_Scene::serialize(archive);
    int32_t count = 0;
    int32_t start = -1;
    if (!restoreSubSceneCounts(archive, kMinHeaderBytes, &count, &start)) {
        logMessage("episode %s: its record is damaged; it has no scenes", m_name.GetBuffer());
        return;
    }
    for (int32_t i = 0; i < count; ++i) {
        auto* scene = new CMC_Scene(m_window, TYPE_SCENE);
        scene->setUnit(defaultUnit());
        scene->serialize(archive);
        if (!archive->good()) {
            logMessage("episode %s: its record ends inside scene %d", m_name.GetBuffer(), i);
            delete scene;
            break;
        }
        scene->setParent(this);
        m_subScenes->add(scene);
        addObject(scene);
    }
    startWithSubScene(m_startScene, start);
}

// ---- runner ----

void CMC_Episode_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("NEXT", MTH_NEXT);
    addMethod("PREV", MTH_PREV);
    addMethod("BACK", MTH_BACK);
    addMethod("RESTART", MTH_RESTART);
    addMethod("GOTO", MTH_GOTO);
    addMethod("GETLATESTSCENE", MTH_GETLATESTSCENE);
    addMethod("GETCURRENTSCENE", MTH_GETCURRENTSCENE);
}

CMC_Variable* CMC_Episode_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                      CXVector* args) {
    if (!object || object->getType() != TYPE_EPISODE) return CMC_Runner::run(id, object, container, args);
    auto* episode = static_cast<CMC_Episode*>(object);
    switch (id) {
    case MTH_NEXT:
        episode->next();
        return nullptr;
    case MTH_PREV:
        episode->prev();
        return nullptr;
    case MTH_BACK:
        episode->back();
        return nullptr;
    case MTH_RESTART:
        episode->restart();
        return nullptr;
    case MTH_GOTO:
        if (argumentCount(args) > 0) episode->_goto(getParameterString(args, 0)->getValue());
        return nullptr;
    case MTH_GETLATESTSCENE: {
        CMC_String* result = CMC_VariableFactory::allocString();
        result->setValue(episode->getLatestScene());
        return result;
    }
    case MTH_GETCURRENTSCENE: {
        CMC_String* result = CMC_VariableFactory::allocString();
        CMC_Scene* current = episode->getCurrentScene();
        result->setValue(current ? current->getName() : CXString(""));
        return result;
    }
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

} // namespace KavirelDLL
