#include "script/Application.h"

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/File.h"
#include "core/Folder.h"
#include "core/KavirelWEB.h"
#include "core/LanguageOSVer.h"
#include "core/Log.h"
#include "core/StringTokenizer.h"
#include "core/XVersion.h"
#include "display/GraphicsObject.h"
#include "display/Printer.h"
#include "display/Window.h"
#include "script/Behaviour.h"
#include "script/Bool.h"
#include "script/CNVLoader.h"
#include "script/Episode.h"
#include "script/Integer.h"
#include "script/RunnerFactory.h"
#include "script/Services.h"
#include "script/String.h"
#include "script/StructureParser.h"
#include "script/System.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace {

// The smallest episode record: a scene header of 12 bytes and the two counts.
constexpr int64_t kMinEpisodeBytes = 20;

} // namespace

CMC_Application::CMC_Application(CWindow* window, CMC_StructureParser* parser, CMElement* element)
    : CMC_Scene(window, nullptr, element, TYPE_APPLICATION) {
    if (element) {
        m_platformVersion = new CXVersion(element->getPropertyValue("KAVIREL_VERSION"));
        CXVersion* engine = CXVersion::getCurrentVersion();
        if (engine && engine->getType() == CXVersion::TYPE_WEB) {
            // A web-distributed engine records the game's version where its installer looks for it.
            CMC_Host* host = CMC_Host::get();
            const CXString path = host ? host->gamePath(window) : CXString("");
            CKavirelWEB::update_registry(ERegistryRoot::currentUser,
                                         CXString("Software\\OrvikMedia\\KavirelWeb\\") + path,
                                         CXString("Version"), element->getPropertyValue("VERSION"));
        }
    }
    if (CMC_SceneMedia* media = CMC_SceneMedia::get()) media->applicationStarts(window);
    CMC_Behaviour::initTrash();

    if (element && parser) {
        CStringTokenizer episodes(element->getPropertyValue("EPISODES"), ", ");
        while (episodes.hasMoreTokens()) {
            CMC_Object* found = parser->get(episodes.nextToken());
            if (!adoptSubScene(found, TYPE_EPISODE, false)) continue;
            // Scene names resolve from the application.
            CXVector* scenes = static_cast<CMC_Scene*>(found)->getSubScenes();
            for (int i = 0; scenes && i < scenes->getSize(); ++i)
                addObject(static_cast<CMC_Object*>(scenes->at(i)));
        }
        CStringTokenizer scenes(element->getPropertyValue("SCENES"), ", ");
        while (scenes.hasMoreTokens()) adoptSubScene(parser->get(scenes.nextToken()), TYPE_SCENE, true);
        CXString startWith = element->getPropertyValue("STARTWITH");
        CMC_Object* start = startWith.IsString() ? parser->get(startWith) : nullptr;
        if (start && (start->getType() == TYPE_SCENE || start->getType() == TYPE_EPISODE))
            m_startScene.set(start);
    }
    if (!m_startScene.current()) startWithSubScene(m_startScene, 0);

    enterDataFolder(m_path);
    // Its modules live as long as the application, so its own object file may hold their types, as the
    // application read from its cache does.
    if (m_dlls.IsString()) resolveDLLs(m_dlls);
    loadCnv();
}

CMC_Application::CMC_Application(CWindow* window) : CMC_Scene(window, TYPE_APPLICATION) {
    if (!CMC_RunnerFactory::isInitialized()) {
        m_ownsRuntime = true;
        CMC_VariableFactory::initialize();
        CMC_RunnerFactory::initialize();
    }
    CMC_Behaviour::initTrash();
    CFile file;
    if (file.Open(window, CXString("application.bin"), CFile::MODE_READ | CFile::MODE_BINARY) != ERR_NONE) {
        logMessage("application.bin cannot be opened; the application has no scenes");
        setErrorCode(ERR_FILE_NOT_FOUND);
        return;
    }
    {
        CXArchive archive(&file, false);
        serialize(&archive);
        if (!archive.good()) {
            logMessage("application.bin is damaged; what could be read is kept");
            setErrorCode(ERR_FILE_DAMAGED);
        }
    }
    file.Close();
    // The application's own objects are in its cache as well; without them its variables and behaviours
    // would be lost.
    loadCnv();
}

CMC_Application::~CMC_Application() {
    delete m_platformVersion;
    m_platformVersion = nullptr;
    if (CMC_SceneMedia* media = CMC_SceneMedia::get()) media->applicationEnds();
    CMC_Behaviour::doneTrash();
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    if (getCurrentScene()) {
        onSignal("ONDONE");
        if (CMC_Scene* still = getCurrentScene()) still->unload(nullptr);
    }
    setCurrent(nullptr);
    CMC_ObjectsContainer::unload();
    deleteSubScenes();
    doneDefUnit();
    if (m_ownsRuntime) {
        CMC_RunnerFactory::done();
        CMC_VariableFactory::done();
    }
}

CXString** CMC_Application::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONDOMODAL", "ONRESTART", "ONMUSICLOOPED",
                          "ONACTIVATE", "ONDEACTIVATE", "ONUPGRADE"});
}

CMC_Scene* CMC_Application::getMCApplication() { return this; }

CMC_Scene* CMC_Application::getStartScene() { return static_cast<CMC_Scene*>(m_startScene.current()); }

CXString CMC_Application::getNextGame() { return m_nextGame; }

void CMC_Application::setNextGame(const CXString& name) { m_nextGame = name; }

bool CMC_Application::initialize(CMC_Scene*) {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    m_unit = defaultUnit();
    addObject(new CMC_Object(CXString("RANDOM"), TYPE_RANDOM));
    addObject(new CMC_System(this));
    addObject(new CMC_CNVLoader(m_window, this));
    onInit();
    if (!self->object) return false;
    if (hasHandler(EVT_SCENE_ONINIT)) {
        onSignal("ONINIT");
        if (!self->object) return false;
    }
    CMC_Object* init = findHere("__INIT__");
    if (init && init->getType() == TYPE_BEHAVIOUR) {
        static_cast<CMC_Behaviour*>(init)->run(this, nullptr, true);
        if (!self->object) return false;
    }
    CMC_Scene* start = getStartScene();
    if (!start) return false;
    _goto(start, nullptr);
    return true;
}

bool CMC_Application::domodal() {
    CMC_VariableFactory::clearPool();
    CMC_Behaviour::flushTrash();
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    CMC_Scene::domodal();
    return self->object && m_nextGame.IsString();
}

void CMC_Application::exit() {
    if (m_window) m_window->quit();
    onSignal("ONEXIT");
}

void CMC_Application::restart() {
    CMC_Scene* start = getStartScene();
    CMC_Scene* current = getCurrentScene();
    if (current && current == start) {
        current->restart();
        return;
    }
    // Without a start scene there is nothing to enter: the running scene stays.
    if (!start) return;
    std::shared_ptr<CMC_ObjectAnchor> startAnchor = start->anchor();
    if (current) current->unload(current);
    if (!startAnchor->object) return;
    setCurrent(start);
    start->initialize(start);
}

void CMC_Application::unload(CMC_Scene* next) {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    if (CMC_Scene* current = getCurrentScene()) {
        std::shared_ptr<CMC_ObjectAnchor> currentAnchor = current->anchor();
        onSignal("ONDONE");
        if (!self->object) return;
        if (currentAnchor->object) current->unload(next);
    }
    setCurrent(nullptr);
}

void CMC_Application::serialize(CXArchive* archive) {
    if (!archive) return;
    if (archive->isStoring()) {
        CMC_Scene::serialize(archive);
        storeSubSceneCounts(archive, getStartScene());
        int count = m_subScenes->getSize();
        for (int i = 0; i < count; ++i) static_cast<CMC_Scene*>(m_subScenes->at(i))->serialize(archive);
        return;
    }

    CMC_Scene::serialize(archive);
    int32_t count = 0;
    int32_t start = -1;
    if (!restoreSubSceneCounts(archive, kMinEpisodeBytes, &count, &start)) {
        logMessage("application.bin: its episode count is damaged; the application has no episodes");
        return;
    }
    for (int32_t i = 0; i < count; ++i) {
        auto* episode = new CMC_Episode(m_window);
        episode->serialize(archive);
        if (!archive->good()) {
            logMessage("application.bin ends inside episode record %d", i);
            delete episode;
            break;
        }
        episode->setParent(this);
        m_subScenes->add(episode);
        addObject(episode);
        CXVector* scenes = episode->getSubScenes();
        for (int s = 0; scenes && s < scenes->getSize(); ++s)
            addObject(static_cast<CMC_Object*>(scenes->at(s)));
    }
    // A start that is not one of the episodes (the definition named a scene inside one) enters the first.
    startWithSubScene(m_startScene, start);
}

bool CMC_Application::storeBinary() {
    // The reader takes every record for an episode: a loose scene's record would be misread.
    for (int i = 0; i < m_subScenes->getSize(); ++i) {
        auto* scene = static_cast<CMC_Scene*>(m_subScenes->at(i));
        if (scene->getType() != TYPE_EPISODE) {
            logMessage(
                "application.bin is not written: scene %s is not inside an episode, and the cache holds "
                "episodes only",
                scene->getName().GetBuffer());
            return false;
        }
    }
    if (getStartScene() && getSubId(getStartScene()) < 0)
        logMessage(
            "application.bin: the start scene %s is not an episode; the cache starts with the first episode",
            getStartScene()->getName().GetBuffer());
    CXString folder = CFile::getCurrentDirectory();
    // The game's data folder, where the shell looks for the cache, not the starting folder's.
    CFile::chDir((CWindow::getCDPath().IsString() ? CWindow::getCDPath() : CWindow::rootPath) +
                 CFolder::DATA_FOLDER);
    bool written = storeCacheFile(m_window, CXString("application.bin"), [this](CXArchive& archive) {
        serialize(&archive);
        return archive.good();
    });
    CFile::chDir(folder);
    return written;
}

// ---- runner ----

void CMC_Application_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("EXIT", MTH_EXIT);
    addMethod("RESTART", MTH_RESTART);
    addMethod("GOTO", MTH_GOTO);
    addMethod("SETLANGUAGE", MTH_SETLANGUAGE);
    addMethod("GETLANGUAGE", MTH_GETLANGUAGE);
    addMethod("PRINT", MTH_PRINT);
    addMethod("ENABLEMUSIC", MTH_ENABLEMUSIC);
    addMethod("DISABLEMUSIC", MTH_DISABLEMUSIC);
    addMethod("RUN", MTH_RUN);
    addMethod("STOREBINARY", MTH_STOREBINARY);
    addMethod("RUNENV", MTH_RUNENV);
    addMethod("EXISTSENV", MTH_EXISTSENV);
    addMethod("STARTDRAGGINGWINDOW", MTH_STARTDRAGGINGWINDOW);
    addMethod("STOPDRAGGINGWINDOW", MTH_STOPDRAGGINGWINDOW);
    addMethod("RELOAD", MTH_RELOAD);
    addMethod("GETPLAYER", MTH_GETPLAYER);
}

CMC_Variable* CMC_Application_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                          CXVector* args) {
    if (!object || object->getType() != TYPE_APPLICATION) return CMC_Runner::run(id, object, container, args);
    auto* application = static_cast<CMC_Application*>(object);
    CWindow* window = application->getWindow();
    CWindow* callerWindow = container && container->getWindow() ? container->getWindow() : window;
    int count = argumentCount(args);
    switch (id) {
    case MTH_EXIT:
        application->exit();
        return nullptr;
    case MTH_RESTART:
        application->restart();
        return nullptr;
    case MTH_GOTO:
        if (count > 0) application->_goto(getParameterString(args, 0)->getValue());
        return nullptr;
    case MTH_SETLANGUAGE:
        if (count > 0 && window && window->getLangIfc())
            window->getLangIfc()->setLanguageFolder(getParameterString(args, 0)->getValue());
        return nullptr;
    case MTH_GETLANGUAGE: {
        CMC_String* result = CMC_VariableFactory::allocString();
        result->setValue(window && window->getLangIfc() ? window->getLangIfc()->getLanguageFolder()
                                                        : CXString(""));
        return result;
    }
    case MTH_PRINT: {
        if (!window) return nullptr;
        CXSize size = window->GetScreenSize();
        CXRect rect(0, 0, size.cx, size.cy);
        if (count == 1) {
            CGraphicsObject* graphics =
                container ? container->getGraphicsObject(getParameterString(args, 0)->getValue()) : nullptr;
            if (!graphics) return nullptr;
            rect = graphics->GetBoundingBox();
        } else if (count == 4) {
            int left = getParameterInteger(args, 0)->getValue();
            int top = getParameterInteger(args, 1)->getValue();
            int right = getParameterInteger(args, 2)->getValue();
            int bottom = getParameterInteger(args, 3)->getValue();
            rect = CXRect(left, top, right, bottom);
        }
        { CPrinter printer(window, rect); }
        window->Invalidate();
        window->Redraw(false);
        return nullptr;
    }
    case MTH_ENABLEMUSIC:
        if (callerWindow) callerWindow->MusicOn(true);
        return nullptr;
    case MTH_DISABLEMUSIC:
        if (callerWindow) callerWindow->MusicOn(false);
        return nullptr;
    case MTH_RUN:
        return CMC_Scene_Runner::reflectiveRun(this, application, container ? container : application, args,
                                               true);
    case MTH_STOREBINARY:
        application->storeBinary();
        return nullptr;
    case MTH_RUNENV: {
        if (count < 2) return nullptr;
        CMC_Object* found = application->getObject(getParameterString(args, 0)->getValue());
        if (!found || found->getType() < TYPE_APPLICATION || found->getType() > TYPE_SCENE) return nullptr;
        auto* scene = static_cast<CMC_Scene*>(found);
        CMC_Object* behaviour = scene->getObject(getParameterString(args, 1)->getValue());
        if (!behaviour || behaviour->getType() != TYPE_BEHAVIOUR) return nullptr;
        CMC_ObjectHandle previous(behaviour->getScene());
        std::shared_ptr<CMC_ObjectAnchor> alive = behaviour->anchor();
        behaviour->setScene(scene);
        static_cast<CMC_Behaviour*>(behaviour)->run(scene, nullptr, true);
        if (alive->object) behaviour->setScene(static_cast<CMC_ObjectsContainer*>(previous.current()));
        return nullptr;
    }
    case MTH_EXISTSENV: {
        CMC_Bool* result = CMC_VariableFactory::allocBool();
        result->setValue(false);
        if (count < 2) return result;
        CXString outer = getParameterString(args, 0)->getValue();
        CXString inner = getParameterString(args, 1)->getValue();
        CMC_Object* found = application->getObject(outer);
        if (found && found->getType() >= TYPE_APPLICATION && found->getType() <= TYPE_SCENE)
            result->setValue(static_cast<CMC_ObjectsContainer*>(found)->getObjectId(inner) >= 0);
        return result;
    }
    case MTH_STARTDRAGGINGWINDOW:
        if (window && count >= 2)
            window->startDraggingWindow(getParameterInteger(args, 0)->getValue(),
                                        getParameterInteger(args, 1)->getValue());
        return nullptr;
    case MTH_STOPDRAGGINGWINDOW:
        if (window) window->stopDraggingWindow();
        return nullptr;
    case MTH_RELOAD:
        if (count > 0) application->setNextGame(getParameterString(args, 0)->getValue());
        return nullptr;
    case MTH_GETPLAYER: {
        CMC_String* result = CMC_VariableFactory::allocString();
        CMC_Host* host = CMC_Host::get();
        result->setValue(host ? host->player(window) : CXString(""));
        return result;
    }
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

} // namespace KavirelDLL
