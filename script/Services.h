#pragma once
#include "core/XString.h"

namespace KavirelDLL {

class CMElements;
class CMC_Array;
class CMC_Groupped;
class CMC_Object;
class CMC_ObjectsContainer;
class CMC_Scene;
class CMC_Variable;
class CUnit6;
class CWindow;

// What the script runtime asks of the folders above it. It declares the interfaces; media, objects, net and the
// shell implement them and install them when their types are registered (kavirelRegisterTypes), as the input
// pollers make themselves known to the window. Without one installed, what it would do is not done.

// The unit a scene shows itself through: its background, music, edit boxes and the objects its definition
// puts on the screen (media's CUnit6).
class CMC_SceneUnit {
public:
    virtual ~CMC_SceneUnit() = default;
    // The media unit itself, for whoever works with it.
    virtual CUnit6* mediaUnit() = 0;
    virtual CXString getUnitName() = 0;
    virtual void setUnitName(CXString name) = 0;
    virtual void setBackgroundFileName(CXString name) = 0;
    // A scene entered after the unit previous showed the one before; left for the unit next.
    virtual bool enterScene(CMC_Scene* scene, CMC_SceneUnit* previous) = 0;
    virtual bool leaveScene(CMC_Scene* scene, CMC_SceneUnit* next) = 0;
    // Puts the graphics of the scene's object file on the screen; the elements it leaves to the scene.
    virtual CMElements* resolveObjects(CMC_Scene* scene, CMElements* elements) = 0;
    virtual void flushEditBoxes() = 0;
    virtual void startMusic(const char* name, bool force) = 0;
    virtual void stopMusic() = 0;
};

// The scenes' operations over media objects (objects/).
class CMC_SceneMedia {
public:
    virtual ~CMC_SceneMedia() = default;
    static CMC_SceneMedia* get();
    static void install(CMC_SceneMedia* media);

    // The one unit every scene shows itself through, made with the first scene.
    virtual CMC_SceneUnit* makeDefaultUnit(CWindow* window) = 0;
    // GETPLAYINGSEQ: the names of the scene's playing sequences appended to the array.
    virtual void getPlayingSeq(CMC_Scene* scene, CMC_Array* array) = 0;
    // RESUMESEQONLY: the scene's paused sequences the array names go on.
    virtual void resumeExcept(CMC_Scene* scene, CMC_Array* array) = 0;
    // GETPLAYINGANIMO: the group becomes the scene's playing animations.
    virtual void getPlayingAnimo(CMC_Scene* scene, CMC_Groupped* group) = 0;
    // The scene's CREATEOBJECT: an empty object of the type ("BUTTON", "VGO") added to the scene; null.
    virtual CMC_Object* createObject(CMC_Scene* scene, const CXString& type, const CXString& name) = 0;
    // A scene is being left: the pointer's state of the scene is dropped.
    virtual void sceneLeaving(CMC_Scene* scene) = 0;
    // An application made from its definition starts, and any application ends: the sound codecs' state.
    virtual void applicationStarts(CWindow* window) = 0;
    virtual void applicationEnds() = 0;
};

// The network objects' share of the frame and of the values (net/).
class CMC_NetServices {
public:
    virtual ~CMC_NetServices() = default;
    static CMC_NetServices* get();
    static void install(CMC_NetServices* net);

    // An INTERNET object's finished downloads are announced.
    virtual void flushDownloads(CMC_Object* internet) = 0;
    // What came over the network is dispatched, once a frame at the script root's step.
    virtual void tick() = 0;
    // A NETNOTIFY value changed: the scene's started NETSERVER, else its connected NETCLIENT, sends it.
    virtual void sendChange(CMC_ObjectsContainer* scene, CMC_Variable* value) = 0;
};

// The program's settings file: the scripts' saved values and play statistics (the shell's CConfig).
class CMC_Settings {
public:
    virtual ~CMC_Settings() = default;
    // 0 when the key is missing.
    virtual int GetInt(CXString section, CXString key) = 0;
    // Empty when the key is missing.
    virtual CXString GetString(CXString section, CXString key) = 0;
    // False (and a log line) when the value could not be stored.
    virtual bool PutInt(CXString section, CXString key, int value) = 0;
    virtual bool PutString(CXString section, CXString key, CXString value) = 0;
    virtual CXString getConfigFileName() = 0;
};

// What the program running a window gives its scripts (shell/): its settings, its command line, and the
// animations and sounds PAUSE and RESUME stop and start.
class CMC_Host {
public:
    virtual ~CMC_Host() = default;
    static CMC_Host* get();
    static void install(CMC_Host* host);

    // Null without a program or without a settings file.
    virtual CMC_Settings* config(CWindow* window) = 0;
    // The window's command line: the game's path and the player's name; empty without one.
    virtual CXString gamePath(CWindow* window) = 0;
    virtual CXString player(CWindow* window) = 0;
    // The program's command line: a parameter's presence and value.
    virtual bool isParameter(CWindow* window, const CXString& name) = 0;
    virtual CXString parameter(CWindow* window, const CXString& name) = 0;
    // The program's animation manager; true when there is one.
    virtual bool hasAnimations(CWindow* window) = 0;
    virtual void pauseAnimations(CWindow* window) = 0;
    // All of them, or the group's only.
    virtual void resumeAnimations(CWindow* window, CMC_Groupped* only) = 0;
    virtual void pauseSounds(CWindow* window) = 0;
    virtual void resumeSounds(CWindow* window) = 0;
};

} // namespace KavirelDLL
