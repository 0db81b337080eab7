#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "script/ObjectsContainer.h"
#include "script/Runner.h"

namespace KavirelDLL {

class CCollisionObserver;
class CGraphicsObject;
class CMC_Array;
class CMC_Groupped;
class CMC_SceneUnit;
class CUnit6;

// Events of the application, episodes and scenes, by index.
enum : int {
    EVT_SCENE_ONINIT = 0,
    EVT_SCENE_ONDONE = 1,
    EVT_SCENE_ONSIGNAL = 2,
    EVT_SCENE_ONDOMODAL = 3,
    EVT_SCENE_ONRESTART = 4,
    EVT_SCENE_ONMUSICLOOPED = 5,
    EVT_SCENE_ONACTIVATE = 6,
    EVT_SCENE_ONDEACTIVATE = 7,
};

// One scene of a game, and the base of the application and the episodes: a container of script objects with
// its folder, background, music, plug-in modules and play statistics, and a list of sub-scenes of which one
// runs now and one may be pending. A change a script asks for only sets the pending sub-scene; the next frame
// step carries it out, so the frame that asked completes first.
//
// The scene's objects come from its object file when it is entered and go when it is left: "<name>.cnv" for
// a scene built from its definition, or the binary cache "<name>.bin" for one rebuilt from
// "application.bin".
class CMC_Scene : public CMC_ObjectsContainer {
public:
    // The binary form: name, properties and objects come later from serialize and loadCnv.
    CMC_Scene(CWindow* window, int type);
    // From the scene's element of "application.def"; parent is the container parent (none for now).
    CMC_Scene(CWindow* window, CMC_ObjectsContainer* parent, CMElement* element, int type);
    // A scene made in code (tests and tools): named, no object file.
    CMC_Scene(CWindow* window, CMC_ObjectsContainer* scene, const CXString& name, int type);
    ~CMC_Scene() override;

    CXString** getBehavioursList() override;
    using CMC_Object::onSignal;
    // An event no behaviour answered runs the object named "__" + key + "__" instead, when there is one.
    bool onSignal(const CXString& key) override;
    // The object record and PATH; storing also writes the scene's own cache "<name>.bin".
    void serialize(CXArchive* archive) override;
    using CMC_ObjectsContainer::unload;

    virtual void resolveDLLs(const CXString& names);
    virtual void doneDLLs();
    // An object of a type id the cache reader does not know, from the first module that takes it; null.
    virtual CMC_Object* serializeEx(CXArchive* archive, int typeId);
    virtual void saveStats();
    virtual bool isBinary();
    using CMC_Object::getScene;
    // This scene, or the first sub-scene (at any depth) of that name; null.
    virtual CMC_Scene* getScene(const CXString& name);
    virtual CMC_Scene* getCurrentScene();
    // Enters the scene: modules, object file, unit, init, "__INIT__", "ONINIT", start time.
    virtual bool initialize(CMC_Scene* previous);
    // One frame: a pending change first, then the running sub-scene's step. False without a current one.
    virtual bool domodal();
    // A null name starts the unit's own music.
    virtual void startMusic(const char* name, bool loop);
    virtual void stopMusic();
    virtual CXString getMusicFilename();
    virtual bool shouldMusicBeStarted();
    virtual CMC_Object* resolveEx(CMElement* element);
    // Reads the object file; true only for the binary form.
    virtual bool loadCnv();
    virtual CMC_Scene* getMCApplication();
    virtual void restart();
    // Leaves the scene: statistics, objects, modules, unit, music.
    virtual void unload(CMC_Scene* next);
    virtual CMC_Scene* find(const CXString& name);
    virtual void _goto(CMC_Scene* target, CMC_Scene* previous);
    // The named sub-scene becomes pending; an unknown name cancels a pending change.
    virtual void _goto(const CXString& name);
    virtual void monitorCollisions(CGraphicsObject* object, bool flag, CCollisionObserver* observer);
    virtual void removeMonitorCollisions(CGraphicsObject* object, CCollisionObserver* observer);
    // Graphics registered through monitorCollisions and not removed.
    int getMonitoredCount() const { return m_monitored ? m_monitored->getSize() : 0; }
    virtual void getPlayingSeq(CMC_Array* array);
    virtual void getPlayingAnimo(CMC_Groupped* group);
    virtual void resumeExcept(CMC_Array* array);
    virtual void getRunningTimers(CMC_Groupped* group);
    virtual CMC_Object* createObject(const CXString& type, const CXString& name);
    virtual CXString getPath();
    virtual bool isDeamon();
    virtual void onInit();

    CXString getDesc() const { return m_description; }
    CMC_SceneUnit* getUnit() { return m_unit; }
    void setUnit(CMC_SceneUnit* unit) { m_unit = unit; }
    // The sub-scenes in order; the list does not own them.
    CXVector* getSubScenes() { return m_subScenes; }
    int getSubId(CMC_Scene* scene);
    CMC_Scene* getPendingScene();
    // The sub-scenes entered, oldest first (the last is the one entered last).
    int getHistorySize() const { return static_cast<int>(m_history.size()); }
    CMC_Scene* getHistoryAt(int index) const;
    void setDraggedName(const CXString& name) { m_draggedName = name; }
    CXString getDraggedName() const { return m_draggedName; }
    CXString getBackground() const { return m_background; }
    CXString getDLLs() const { return m_dlls; }
    // The loaded plug-in modules (CMC_DLLExModuleInterface), null while none is loaded.
    CXVector* getModules() { return m_modules; }
    bool isRunning() const { return m_running; }
    // The objects of the object file are here (entered, or loaded to be stored).
    bool isObjectFileLoaded() const { return m_loaded; }
    // Deletes the objects of the object file without ending them (no handler runs): they were loaded only to
    // be stored, and must not tick or answer while the scene does not run.
    void dropStoredObjects();

    // The one unit every scene shows itself through, made with the window by the first scene (when the media
    // objects are registered), as the scenes see it and as the media unit it is.
    static CMC_SceneUnit* defaultUnit();
    static CUnit6* getDefUnit();
    static void doneDefUnit();

    // The cache records the reader rebuilds: a blank object of the type, or null for a type it does not know.
    static CMC_Object* makeStoredObject(int typeId, CMC_Scene* scene);
    // Types no cache holds: containers and the application's built-in objects.
    static bool isNeverStored(int typeId);

protected:
    // Writes a cache file whole or not at all (writeWholeFile): a temporary of its own beside the name in the
    // current folder, renamed over the name once every byte is out. False (and a log line) when it could not be.
    static bool storeCacheFile(CWindow* window, const CXString& name,
                               const std::function<bool(CXArchive&)>& body);

    void construct();
    void setPending(CMC_Scene* scene);
    void setCurrent(CMC_Scene* scene);
    void appendHistory(CMC_Scene* scene);
    void removeLastHistory();
    // Appends a scene (or episode) the definition names, makes this its parent and, when asked, adds it to
    // the names. A container that belongs to another list already is skipped: it would be deleted twice.
    bool adoptSubScene(CMC_Object* object, int type, bool addToNames);
    // The application and the episodes own their sub-scenes: this deletes them and leaves the list empty.
    void deleteSubScenes();
    // start becomes the sub-scene at index, else the first; it stays as it is without sub-scenes.
    void startWithSubScene(CMC_ObjectHandle& start, int index);
    // The sub-scene part of an application's or episode's cache record: the count and the start's index,
    // then each record.
    void storeSubSceneCounts(CXArchive* archive, CMC_Scene* start);
    // Reads the count and the start's index, and empties the list for the records. False (and
    // ERR_FILE_DAMAGED on the archive) when the bytes left cannot hold count records of minBytes each.
    bool restoreSubSceneCounts(CXArchive* archive, int64_t minBytes, int32_t* count, int32_t* start);
    // The game's data folder, then path below it when one is given.
    static void enterDataFolder(const CXString& path);
    // The folder of this container's object file and cache, as its loading finds it: a scene's is the local
    // install's (CWindow::rootPath) when that holds its definition, else, as for episodes and the
    // application, the game's (the CD data root, which the shell sets to the game's folder).
    CXString dataFolder() const;
    // Writes "<name>.bin" in the current folder; false when it could not be written whole.
    bool writeCache();
    bool readCache();
    // Removes and deletes an object made by this scene, unless it is a container.
    void removeAndDelete(CMC_Object* object);
    // The scene's own event bindings of a binary scene come from its header, read once; leaving the scene
    // drops them (they are the scene's), so every entry binds them again, as the object file does for a
    // scene built from its definition.
    void keepStoredBindings();
    void restoreStoredBindings();

    struct StoredBinding {
        CXString key;
        CXString behaviour;
        std::vector<CXString> args;
    };

    CXString m_dlls;
    CXString m_description;
    CXString m_creationTime;
    CXString m_lastModifyTime;
    CXString m_author;
    CXString m_coauthors;
    CXString m_path;
    CXString m_background;
    CXString m_music;
    CMC_SceneUnit* m_unit = nullptr;
    CXVector* m_subScenes;
    CMC_ObjectHandle m_current;
    CMC_ObjectHandle m_pending;
    std::vector<CMC_ObjectHandle> m_history;
    CXVector* m_monitored;
    CXVector* m_modules = nullptr;
    CXString m_draggedName;
    CXString m_savedUnitName;
    bool m_musicShouldStart = true;
    bool m_binary;
    bool m_deamon = false;
    int32_t m_startTime = 0;
    // Set while the scene is entered, so a scene entered in the clock's first second still counts its play.
    bool m_running = false;
    bool m_loaded = false;
    std::vector<StoredBinding> m_storedBindings;

private:
    static CMC_SceneUnit* s_defUnit;
};

// SCENE methods.
class CMC_Scene_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_STARTMUSIC = 1,
        MTH_STOPMUSIC = 2,
        MTH_GETDRAGGEDNAME = 3,
        MTH_GETPLAYINGSEQ = 4,
        MTH_RUN = 5,
        MTH_RUNCLONES = 6,
        MTH_CREATEOBJECT = 7,
        MTH_REMOVE = 8,
        MTH_REMOVECLONES = 9,
        MTH_SETMUSICVOLUME = 16,
        MTH_GETMUSICVOLUME = 17,
        MTH_SETMUSICPAN = 18,
        MTH_SETMUSICFREQ = 19,
        MTH_PAUSE = 20,
        MTH_RESUME = 21,
        MTH_SETMINHSPRIORITY = 22,
        MTH_SETMAXHSPRIORITY = 23,
        MTH_GETELEMENTSNO = 24,
        MTH_TOTIME = 25,
        MTH_ISPAUSED = 26,
        MTH_GETPLAYINGANIMO = 27,
        MTH_RESUMEONLY = 28,
        MTH_GETMINHSPRIORITY = 29,
        MTH_GETMAXHSPRIORITY = 30,
        MTH_GETRUNNINGTIMER = 31,
        MTH_GETOBJECTS = 32,
        MTH_RESUMESEQONLY = 33,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;

    // The reflective call RUN of scenes and of the application: the target looked up in lookIn, the
    // behaviour path for "RUN"/"RUNC" (any case when ignoreCase), else the runner's method by name.
    static CMC_Variable* reflectiveRun(CMC_Runner* runner, CMC_Object* receiver, CMC_ObjectsContainer* lookIn,
                                       CXVector* args, bool ignoreCase);
    // "1234" for 754 seconds.
    static CXString toTime(int seconds);
    // Script volume 0..800 to hundredths of a decibel; pan 0..800 likewise.
    static int volumeToDb(int volume);
    static int panToDb(int pan);

    bool isPaused() const { return m_paused; }

private:
    bool m_paused = false;
};

} // namespace KavirelDLL
