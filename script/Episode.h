#pragma once
#include "script/Scene.h"

namespace KavirelDLL {

class CMC_StructureParser;

// An episode: an ordered group of scenes inside the application, with its own object file, modules and
// events. It owns its scenes, remembers the one it left last, and steps forward, backward and back through
// them.
class CMC_Episode : public CMC_Scene {
public:
    // The binary form, read by serialize.
    explicit CMC_Episode(CWindow* window);
    // From its element of "application.def"; its scenes are the parser's, in the order of SCENES.
    CMC_Episode(CWindow* window, CMC_StructureParser* parser, CMElement* element);
    ~CMC_Episode() override;

    void serialize(CXArchive* archive) override;
    bool initialize(CMC_Scene* previous) override;
    CMC_Scene* getMCApplication() override;
    using CMC_Scene::unload;
    void unload(CMC_Scene* next) override;

    virtual void next();
    virtual void prev();
    virtual void back();
    virtual CXString getLatestScene();

    CMC_Scene* getStartScene();

protected:
    CMC_ObjectHandle m_startScene;
    CXString m_latestScene;
};

// EPISODE methods.
class CMC_Episode_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_NEXT = 1,
        MTH_PREV = 2,
        MTH_BACK = 3,
        MTH_RESTART = 4,
        MTH_GOTO = 5,
        MTH_GETLATESTSCENE = 6,
        MTH_GETCURRENTSCENE = 7,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

} // namespace KavirelDLL
