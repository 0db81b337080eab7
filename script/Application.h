#pragma once
#include "script/Scene.h"

namespace KavirelDLL {

class CMC_StructureParser;
class CXVersion;

enum : int { EVT_APP_ONUPGRADE = 8 };

// The root of a running game's script world: it owns the episodes and loose scenes, the built-in objects
// ("RANDOM", "SYSTEM", "CNVLOADER"), the application-level objects, and runs the scene of the moment. Built
// once per game from "application.def" (through the parser) or from "application.bin"; the shell calls
// initialize once and domodal every frame.
class CMC_Application : public CMC_Scene {
public:
    // From the APPLICATION element; loads the application's own object file.
    CMC_Application(CWindow* window, CMC_StructureParser* parser, CMElement* element);
    // From "application.bin" in the current folder.
    explicit CMC_Application(CWindow* window);
    ~CMC_Application() override;

    CXString** getBehavioursList() override;
    void serialize(CXArchive* archive) override;
    // Adds the built-in objects, runs "__INIT__" and enters the start scene; false without one.
    bool initialize(CMC_Scene* previous) override;
    // One frame of the script world: temporaries handed back, the trash emptied, the scene step. True when
    // the game asks to be replaced by another (RELOAD).
    bool domodal() override;
    CMC_Scene* getMCApplication() override;
    void restart() override;
    using CMC_Scene::unload;
    void unload(CMC_Scene* next) override;

    // Closes the window, then raises "ONEXIT".
    virtual void exit();
    // Writes "application.bin" and every object file's cache below the data folder; false when
    // "application.bin" could not be written whole (or the world has loose scenes, which it cannot hold).
    virtual bool storeBinary();
    virtual CXString getNextGame();
    virtual void setNextGame(const CXString& name);

    CXVersion* getPlatformVersion() { return m_platformVersion; }
    bool check4Upgrade(bool) { return false; }
    CMC_Scene* getStartScene();
    CWindow* getApplicationWindow() { return m_window; }

protected:
    CMC_ObjectHandle m_startScene;
    CXVersion* m_platformVersion = nullptr;
    CXString m_nextGame;
    // Built from its cache there is no parser, so the application keeps the value pools and runners itself.
    bool m_ownsRuntime = false;
};

// APPLICATION methods.
class CMC_Application_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_EXIT = 1,
        MTH_RESTART = 2,
        MTH_GOTO = 3,
        MTH_SETLANGUAGE = 4,
        MTH_GETLANGUAGE = 5,
        MTH_PRINT = 6,
        MTH_ENABLEMUSIC = 7,
        MTH_DISABLEMUSIC = 8,
        MTH_RUN = 9,
        MTH_STOREBINARY = 10,
        MTH_RUNENV = 11,
        MTH_EXISTSENV = 12,
        MTH_STARTDRAGGINGWINDOW = 15,
        MTH_STOPDRAGGINGWINDOW = 16,
        MTH_RELOAD = 17,
        MTH_GETPLAYER = 18,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

} // namespace KavirelDLL
