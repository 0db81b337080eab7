#include "ScriptSupport.h"

#include "core/ElementsLoader.h"
#include "core/Log.h"
#include "net/Internet.h"
#include "objects/Image.h"
#include "objects/Mouse.h"
#include "script/Array.h"
#include "script/Class.h"
#include "script/Condition.h"
#include "script/Groupped.h"
#include "script/Integer.h"
#include "script/Scene.h"
#include "script/String.h"
#include "script/Structure.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

// Records the order in which objects are ended, and whether it asks to be ended first.
class Ending : public CMC_Object {
public:
    Ending(const char* name, int type, bool first, std::vector<std::string>* log)
        : CMC_Object(CXString(name), type), m_first(first), m_log(log) {}
    bool doneFirst() override { return m_first; }
    bool done(bool flag) override {
        m_log->push_back(getName().GetBuffer());
        // The handler may delete this object (and with it the handler).
        std::shared_ptr<CMC_ObjectAnchor> self = anchor();
        if (onDone) {
            std::function<void()> run = onDone;
            run();
        }
        return self->object ? CMC_Object::done(flag) : true;
    }
    std::function<void()> onDone;

private:
    bool m_first;
    std::vector<std::string>* m_log;
};

class ContainerTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        application = new CMC_Scene(nullptr, nullptr, "APP", TYPE_APPLICATION);
        episode = new CMC_Scene(nullptr, nullptr, "EPISODE1", TYPE_EPISODE);
        scene = new CMC_Scene(nullptr, nullptr, "SCENE1", TYPE_SCENE);
        episode->setParent(application);
        scene->setParent(episode);
    }
    void TearDown() override {
        for (CMC_Scene* container : {scene, episode, application}) container->unload();
        delete scene;
        delete episode;
        delete application;
        ScriptTest::TearDown();
    }

    CMElements* load(std::vector<CMElement*> items) {
        auto* list = new CMElements(true);
        for (CMElement* item : items) list->add(item);
        return list;
    }

    CMC_Scene* application = nullptr;
    CMC_Scene* episode = nullptr;
    CMC_Scene* scene = nullptr;
};

} // namespace

TEST_F(ContainerTest, LookupFallsBackToCloneSourceAndParents) {
    application->addObject(new CMC_Object("GLOBAL", 0));
    scene->addObject(new CMC_Object("CAR", 0));
    EXPECT_EQ(scene->getObject("CAR_0"), scene->getObject("CAR"));
    EXPECT_EQ(scene->getObject("CAR_1"), nullptr);
    ASSERT_NE(scene->getObject("GLOBAL"), nullptr);
    EXPECT_EQ(scene->getObject("GLOBAL")->getScene(), nullptr);
    EXPECT_EQ(scene->getObject("EPISODE1"), episode);
    EXPECT_EQ(scene->getObject("APP"), application);
    EXPECT_EQ(scene->getObject("SCENE1"), scene);
    EXPECT_EQ(scene->getObject("NOWHERE"), nullptr);
    EXPECT_EQ(scene->getObjectId("GLOBAL"), -1); // no parent fall-back
    EXPECT_EQ(scene->getObject(9999), nullptr);
}

TEST_F(ContainerTest, ParentLoopEndsTheLookup) {
    application->setParent(scene); // a loop: scene -> episode -> application -> scene
    EXPECT_EQ(scene->getObject("NOWHERE"), nullptr);
    EXPECT_EQ(scene->getGraphicsObjectName(nullptr, true), CXString("UNKNOWN"));
    application->setParent(nullptr);
}

TEST_F(ContainerTest, AddingUnderATakenNameReplacesTheOwnedObject) {
    auto* first = new CMC_Object("X", 0);
    CMC_ObjectHandle handle(first);
    scene->addObject(first);
    scene->addObject(first); // the same object again stays
    EXPECT_EQ(scene->getObject("X"), first);
    EXPECT_EQ(scene->getObjects()->getSize(), 4); // the scene, its episode and application, and X

    auto* second = new CMC_Object("X", 0);
    scene->addObject(second);
    EXPECT_EQ(handle.get(), nullptr); // deleted
    EXPECT_EQ(scene->getObject("X"), second);

    // Scenes are listed, never owned: one replaced by name is not deleted.
    auto* other = new CMC_Scene(nullptr, nullptr, "EPISODE1", TYPE_SCENE);
    scene->addObject(other);
    EXPECT_EQ(scene->getObject("EPISODE1"), other);
    EXPECT_EQ(episode->getName(), CXString("EPISODE1"));
    scene->removeObject(other);
    other->unload();
    delete other;

    EXPECT_TRUE(scene->removeObject(second));
    EXPECT_FALSE(scene->removeObject(second));
    delete second;
}

TEST_F(ContainerTest, NamesTakenOutAndStoredAgain) {
    auto* a = new CMC_Integer(CXString("A"));
    auto* b = new CMC_Integer(CXString("B"));
    auto* c = new CMC_Integer(CXString("C"));
    for (CMC_Object* object : {a, b, c}) scene->addObject(object);
    auto integers = [&] {
        std::vector<CMC_Object*> found;
        CXVector* list = scene->getObjectsOfType(TYPE_INTEGER);
        for (int i = 0; i < list->getSize(); ++i) found.push_back(static_cast<CMC_Object*>(list->at(i)));
        delete list;
        return found;
    };
    // Taken out and stored again, an object comes last; the others keep their order.
    EXPECT_TRUE(scene->removeObject(b));
    scene->addObject(b);
    EXPECT_EQ(integers(), (std::vector<CMC_Object*>{a, c, b}));
    EXPECT_TRUE(scene->removeObject(b));
    EXPECT_EQ(integers(), (std::vector<CMC_Object*>{a, c}));
    EXPECT_EQ(scene->getObject("B"), nullptr);
    EXPECT_EQ(scene->getElementsNo(), 5);

    // A share's generation moves with each object stored or taken out under its names, and comes back to
    // the one of the same state.
    const int share = CMC_ObjectsContainer::nameShare("B", 1);
    EXPECT_EQ(CMC_ObjectsContainer::nameShare("B_0_0", 5), share);
    const uint64_t without = CMC_ObjectsContainer::getNameGeneration(share);
    scene->addObject(b);
    const uint64_t with = CMC_ObjectsContainer::getNameGeneration(share);
    EXPECT_NE(with, without);
    scene->removeObject(b);
    EXPECT_EQ(CMC_ObjectsContainer::getNameGeneration(share), without);
    scene->addObject(b);
    EXPECT_EQ(CMC_ObjectsContainer::getNameGeneration(share), with);
    EXPECT_EQ(scene->getObject("B_0"), b);
    // Another object under that name is another state, also once taken out and b stored again.
    auto* other = new CMC_Integer(CXString("B"));
    CMC_ObjectHandle bHandle(b);
    scene->addObject(other); // b is deleted
    EXPECT_EQ(bHandle.get(), nullptr);
    const uint64_t withOther = CMC_ObjectsContainer::getNameGeneration(share);
    EXPECT_NE(withOther, with);
    EXPECT_NE(withOther, without);
    EXPECT_EQ(scene->getObject("B"), other);
    // The same object under another name of the share is another state too.
    scene->removeObject(other);
    other->setName(CXString("B_0"));
    scene->addObject(other);
    EXPECT_NE(CMC_ObjectsContainer::getNameGeneration(share), withOther);
    EXPECT_EQ(scene->getObject("B"), nullptr);
    EXPECT_EQ(scene->getObject("B_0"), other);

    // Renamed while stored: taken out all the same, and names looked up before are looked up anew.
    other->setName(CXString("RENAMED"));
    uint64_t lookups = CMC_ObjectsContainer::getLookupGeneration();
    EXPECT_TRUE(scene->removeObject(other));
    EXPECT_NE(CMC_ObjectsContainer::getLookupGeneration(), lookups);
    EXPECT_EQ(scene->getObject("B_0"), nullptr);
    EXPECT_EQ(scene->getObject("RENAMED"), nullptr);
    EXPECT_EQ(integers(), (std::vector<CMC_Object*>{a, c}));
    // Stored again under its new name while listed under the old: listed once, found only by the new.
    scene->addObject(other);
    other->setName(CXString("NEWER"));
    scene->addObject(other);
    EXPECT_EQ(scene->getObject("RENAMED"), nullptr);
    EXPECT_EQ(scene->getObject("NEWER"), other);
    EXPECT_EQ(integers(), (std::vector<CMC_Object*>{a, c, other}));
    EXPECT_EQ(scene->getObjects()->getSize(), 6);
    // Stored in a second container, it stays in the first, and each lets it go on its own.
    episode->addObject(other);
    EXPECT_EQ(episode->getObject("NEWER"), other);
    EXPECT_TRUE(scene->removeObject(other));
    EXPECT_EQ(scene->getObjects()->getSize(), 5);
    EXPECT_EQ(scene->getObject("NEWER"), other); // from the episode now
    EXPECT_EQ(episode->getObject("NEWER"), other);
    EXPECT_TRUE(episode->removeObject(other));
    EXPECT_FALSE(episode->removeObject(other));
    delete other;

    // Two objects taken out and stored again in the order they came out, then in the other: each under its
    // own name, listed once, and each share back at the generation it had with its object stored.
    auto* x = new CMC_Integer(CXString("LX"));
    auto* y = new CMC_Integer(CXString("LY"));
    auto generation = [](const char* name) {
        return CMC_ObjectsContainer::getNameGeneration(
            CMC_ObjectsContainer::nameShare(name, static_cast<int>(std::strlen(name))));
    };
    scene->addObject(x);
    scene->addObject(y);
    const uint64_t xWith = generation("LX"), yWith = generation("LY");
    for (bool reversed : {false, true}) {
        scene->removeObject(y);
        scene->removeObject(x);
        EXPECT_EQ(scene->getObject("LX"), nullptr);
        scene->addObject(reversed ? x : y);
        scene->addObject(reversed ? y : x);
        EXPECT_EQ(scene->getObject("LX"), x);
        EXPECT_EQ(scene->getObject("LY"), y);
        EXPECT_EQ(generation("LX"), xWith);
        EXPECT_EQ(generation("LY"), yWith);
        EXPECT_EQ(integers(), (std::vector<CMC_Object*>{a, c, reversed ? x : y, reversed ? y : x}));
    }
    // One renamed while out is stored under its new name only.
    scene->removeObject(x);
    x->setName(CXString("LZ"));
    scene->addObject(x);
    EXPECT_EQ(scene->getObject("LX"), nullptr);
    EXPECT_EQ(scene->getObject("LZ"), x);
    EXPECT_EQ(scene->getObjects()->getSize(), 7);
}

TEST_F(ContainerTest, PassesMakeObjectsInTheirOrder) {
    CMElements* elements = load({
        element("ANIM", {{"TYPE", "ANIMO"}, {"ONINIT", "BEH"}}),
        element("COUNT", {{"TYPE", "INTEGER"}, {"VALUE", "5"}, {"ONCHANGED", "BEH"}}),
        element("BEH", {{"TYPE", "BEHAVIOUR"}, {"CODE", "{X^SHOW();}"}, {"CONDITION", "COND"}}),
        element("COND", {{"TYPE", "CONDITION"}}),
        element("REC", {{"TYPE", "STRUCT"}, {"FIELDS", "X<INTEGER>,Y<STRING>"}}),
        element("BAD", {{"TYPE", "STRUCTURE"}}),
        element("NOTYPE", {{"VALUE", "1"}}),
        element("CLS", {{"TYPE", "CLASS"}, {"DEF", "car.class"}, {"BASE", "A,B"}}),
        element("NET", {{"TYPE", "INTERNET"}}),
    });
    CLogCapture capture;
    CMElements* left = scene->resolveObjects(elements);

    // Every object found its behaviour, so the behaviour pass ran before theirs.
    ASSERT_NE(scene->getObject("COUNT"), nullptr);
    EXPECT_TRUE(scene->getObject("COUNT")->hasHandler(3));
    EXPECT_TRUE(scene->getObject("ANIM")->hasHandler(0));
    EXPECT_EQ(static_cast<CMC_Integer*>(scene->getObject("COUNT"))->getValue(), 5);
    EXPECT_EQ(static_cast<CMC_Object*>(
                  static_cast<CMC_Behaviour*>(scene->getObject("BEH"))->getConditionInterface()),
              scene->getObject("COND"));
    EXPECT_EQ(scene->getObject("ANIM")->getType(), TYPE_ANIMO);
    EXPECT_EQ(static_cast<CMC_Structure*>(scene->getObject("REC"))->getFieldsNo(), 2);
    EXPECT_EQ(scene->getObject("BAD"), nullptr); // "STRUCT", not "STRUCTURE"

    auto* cls = static_cast<CMC_Class*>(scene->getObject("CLS"));
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->getParent(), scene);
    EXPECT_EQ(cls->getDefinitionFile(), CXString("car.class"));
    EXPECT_EQ(scene->getInternetObjects()->getSize(), 1);

    ASSERT_EQ(left->getSize(), 2);
    EXPECT_EQ(left->getAt(0)->getName(), CXString("BAD"));
    EXPECT_EQ(left->getAt(1)->getName(), CXString("NOTYPE"));
    EXPECT_TRUE(capture.contains("STRUCTURE"));

    delete left;
    delete elements;

    // The side list of INTERNET objects forgets one that is deleted.
    CMC_Object* net = scene->getObject("NET");
    scene->removeObject(net);
    delete net;
    EXPECT_EQ(scene->getInternetObjects()->getSize(), 0);
}

TEST_F(ContainerTest, SharedMouseTakesLaterHandlersUntilTheSceneEnds) {
    std::vector<std::string> log;
    auto* appBehaviour = new RecordingBehaviour(application, "APPCLICK", &log);
    auto* sceneBehaviour = new RecordingBehaviour(scene, "SCENECLICK", &log);
    application->addObject(appBehaviour);
    scene->addObject(sceneBehaviour);

    CMElements* appElements = load({element("MOUSE", {{"TYPE", "MOUSE"}, {"ONCLICK", "APPCLICK"}})});
    delete application->resolveObjects(appElements);
    CMC_Object* mouse = application->getObject("MOUSE");
    ASSERT_NE(mouse, nullptr);

    CMElements* sceneElements = load({element("MOUSE", {{"TYPE", "MOUSE"}, {"ONRELEASE", "SCENECLICK"}}),
                                      element("OTHERMOUSE", {{"TYPE", "MOUSE"}})});
    CMElements* left = scene->resolveObjects(sceneElements);
    EXPECT_EQ(scene->getObject("MOUSE"), mouse); // no second mouse named MOUSE
    EXPECT_NE(scene->getObject("OTHERMOUSE"), nullptr);
    ASSERT_EQ(left->getSize(), 1); // the reused element stays
    mouse->onSignal("ONRELEASE");
    mouse->onSignal("ONCLICK");
    EXPECT_EQ(log, (std::vector<std::string>{"SCENECLICK:MOUSE", "APPCLICK:MOUSE"}));

    // Leaving the scene drops what it bound, wherever the object lives.
    scene->onSubSceneDone(scene);
    EXPECT_FALSE(mouse->onSignal("ONRELEASE"));
    EXPECT_TRUE(mouse->onSignal("ONCLICK"));
    delete left;
    delete appElements;
    delete sceneElements;
}

TEST_F(ContainerTest, KeyboardIsAlwaysNamedKeyboard) {
    CMElements* elements = load({element("KEYS", {{"TYPE", "KEYBOARD"}})});
    delete application->resolveObjects(elements);
    EXPECT_NE(application->getObject("KEYBOARD"), nullptr);
    EXPECT_EQ(application->getObject("KEYS"), nullptr);
    delete elements;
}

TEST_F(ContainerTest, UnloadEndsClassesFirstThenTheEagerThenTheRest) {
    std::vector<std::string> log;
    scene->addObject(new Ending("PLAIN", 0, false, &log));
    scene->addObject(new Ending("EAGER", 0, true, &log));
    scene->addObject(new Ending("CLASS", TYPE_CLASS, false, &log));
    scene->addObject(new Ending("LAST", 0, false, &log));
    auto* keep = new RecordingBehaviour(scene, "ONDONEBEH", &log);
    scene->addObject(keep);
    scene->unload();
    EXPECT_EQ(log, (std::vector<std::string>{"CLASS", "EAGER", "PLAIN", "LAST"}));
    EXPECT_EQ(scene->getElementsNo(), 0);
    EXPECT_EQ(scene->getObject("PLAIN"), nullptr);
    // Enclosing containers survive and still find their own objects.
    EXPECT_EQ(episode->getObject("EPISODE1"), episode);
    scene->addObject(new CMC_Object("AGAIN", 0));
    EXPECT_NE(scene->getObject("AGAIN"), nullptr);
}

TEST_F(ContainerTest, ObjectsDeletedWhileOthersEndAreSkipped) {
    std::vector<std::string> log;
    auto* bomb = new Ending("BOMB", 0, true, &log);
    scene->addObject(bomb);
    scene->addObject(new Ending("VICTIM", 0, false, &log));
    scene->addObject(new Ending("SURVIVOR", 0, false, &log));
    bomb->onDone = [this] {
        CMC_Object* target = scene->getObject("VICTIM");
        scene->removeObject(target);
        delete target;
        scene->addObject(new CMC_Object("NEWCOMER", 0));
    };
    scene->unload();
    EXPECT_EQ(log, (std::vector<std::string>{"BOMB", "SURVIVOR"}));
    EXPECT_EQ(scene->getObject("NEWCOMER"), nullptr); // deleted with the rest
}

// An object that deletes another script object when it goes, as a media object may delete its parts.
class Owner : public CMC_Object {
public:
    Owner(const char* name, CMC_Object* part) : CMC_Object(CXString(name), 0), m_part(part) {}
    ~Owner() override {
        releaseAnchor();
        if (CMC_Object* part = m_part.current()) delete part;
    }

private:
    CMC_ObjectHandle m_part;
};

TEST_F(ContainerTest, ObjectsDeletedByAnotherObjectAreDeletedOnce) {
    for (bool unloadFirst : {true, false}) {
        auto* room = new CMC_Scene(nullptr, nullptr, "ROOM", TYPE_SCENE);
        auto* part = new CMC_Object("PART", 0);
        room->addObject(new Owner("OWNER", part));
        room->addObject(part);
        room->addObject(new Owner("OTHER", new CMC_Object("LOOSE", 0)));
        if (unloadFirst) {
            room->unload();
            EXPECT_EQ(room->getElementsNo(), 0);
        }
        delete room;
    }
}

TEST_F(ContainerTest, AContainerListingItselfIsDeletedOnce) {
    for (bool unloadFirst : {true, false}) {
        auto* instance = new CMC_ObjectsContainer(nullptr, nullptr, CXString("INSTANCE"), TYPE_CLASS);
        instance->addObject(instance);
        instance->addObject(new CMC_Object("MEMBER", 0));
        EXPECT_EQ(instance->getObject("INSTANCE"), instance);
        if (unloadFirst) instance->unload();
        delete instance;
    }
}

TEST_F(ContainerTest, AContainerDeletedWhileItsObjectsEndStopsUnloading) {
    std::vector<std::string> log;
    auto* room = new CMC_Scene(nullptr, nullptr, "ROOM", TYPE_SCENE);
    auto* first = new Ending("FIRST", 0, true, &log);
    room->addObject(first);
    room->addObject(new Ending("SECOND", 0, false, &log));
    CMC_Scene** slot = &room;
    first->onDone = [slot] {
        CMC_Scene* going = *slot;
        *slot = nullptr;
        delete going;
    };
    room->unload();
    EXPECT_EQ(room, nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"FIRST"}));
}

TEST_F(ContainerTest, ObjectsOfTypeAndGroups) {
    scene->addObject(new CMC_Integer(CXString("A")));
    scene->addObject(new CMC_Integer(CXString("B")));
    scene->addObject(new CMC_String(CXString("C")));
    CXVector* integers = scene->getObjectsOfType(TYPE_INTEGER);
    EXPECT_EQ(integers->getSize(), 2);
    delete integers;

    auto* group = new CMC_Groupped(CXString("G"), scene);
    scene->addObject(group);
    scene->getObjects("INTEGER", group);
    EXPECT_EQ(group->getSize(), 2);
    EXPECT_EQ(scene->getVariable("C")->getType(), TYPE_STRING);
    EXPECT_EQ(scene->getVariable("G"), nullptr);

    // A member deleted drops out of the group; a same-named replacement takes its place.
    CMC_Object* a = scene->getObject("A");
    scene->removeObject(a);
    delete a;
    EXPECT_EQ(group->getSize(), 1);
    CMC_Object* b = scene->getObject("B");
    scene->addObject(new CMC_Integer(CXString("B")));
    EXPECT_EQ(group->getSize(), 1);
    EXPECT_NE(group->get(0), b);
    EXPECT_EQ(group->get(0), scene->getObject("B"));
    EXPECT_EQ(group->get(5), nullptr);
}

TEST_F(ContainerTest, ResolveMakesOneObjectAndCollectsInlineBehaviours) {
    auto* group = new CMC_Groupped(CXString("LOADED"), scene);
    scene->addObject(group);
    CMElement* definition = element("V", {{"TYPE", "INTEGER"}, {"ONCHANGED", "{ A^B(); }"}});
    CXVector* made = scene->resolve(definition, group);
    ASSERT_EQ(made->getSize(), 1);
    auto* value = static_cast<CMC_Object*>(made->at(0));
    EXPECT_EQ(scene->getObject("V"), nullptr); // resolve adds nothing
    ASSERT_EQ(group->getSize(), 1);
    EXPECT_EQ(group->get(0)->getName(), CXString("beh_V_ONCHANGED"));
    delete value;
    delete made;
    delete definition;

    CMElement* unknown = element("Q", {{"TYPE", "WIDGET"}});
    CLogCapture capture;
    CXVector* none = scene->resolve(unknown, nullptr);
    EXPECT_EQ(none->getSize(), 0);
    EXPECT_TRUE(capture.contains("WIDGET"));
    delete none;
    delete unknown;
}

TEST_F(ContainerTest, GraphicsLookupsOfUnbuiltObjectsFindNothing) {
    CMElements* elements = load({element("IMG", {{"TYPE", "GRBUFFER"}})});
    delete scene->resolveObjects(elements);
    EXPECT_EQ(scene->getGraphicsObject("IMG"), nullptr);
    EXPECT_EQ(scene->getGraphicsObject(""), nullptr);
    EXPECT_EQ(scene->getGraphicsObject("NOWHERE!frame"), nullptr);
    EXPECT_EQ(scene->getGraphicsObjectName(nullptr, true), CXString("UNKNOWN"));
    delete elements;
}

TEST_F(ContainerTest, EveryTypeOfADefinitionFileLoads) {
    // One object of each TYPE the factory knows, written as a game's scene file.
    const std::vector<std::pair<std::string, int>> types = {
        {"BEHAVIOUR", TYPE_BEHAVIOUR},
        {"BOOL", TYPE_BOOL},
        {"DOUBLE", TYPE_DOUBLE},
        {"INTEGER", TYPE_INTEGER},
        {"STRING", TYPE_STRING},
        {"CONDITION", TYPE_CONDITION},
        {"COMPLEXCONDITION", TYPE_COMPLEXCONDITION},
        {"EXPRESSION", TYPE_EXPRESSION},
        {"ARRAY", TYPE_ARRAY},
        {"MULTIARRAY", TYPE_MULTIARRAY},
        {"IMAGE", TYPE_IMAGE},
        {"ANIMO", TYPE_ANIMO},
        {"VIRTUALGRAPHICSOBJECT", TYPE_VIRTUALGRAPHICSOBJECT},
        {"FONT", TYPE_FONT},
        {"MOUSE", TYPE_MOUSE},
        {"JOYSTICK", TYPE_JOYSTICK},
        {"TIMER", TYPE_TIMER},
        {"BUTTON", TYPE_BUTTON},
        {"SOUND", TYPE_SOUND},
        {"SEQUENCE", TYPE_SEQUENCE},
        {"CANVAS_OBSERVER", TYPE_CANVASOBSERVER},
        {"GROUP", TYPE_GROUP},
        {"TEXT", TYPE_TEXT},
        {"EDITBOX", TYPE_EDITBOX},
        {"FILTER", TYPE_FILTER},
        {"STATICFILTER", TYPE_STATICFILTER},
        {"VECTOR", TYPE_VECTOR},
        {"PATH", TYPE_PATH},
        {"FIFO", TYPE_FIFO},
        {"LIFO", TYPE_LIFO},
        {"CANVAS", TYPE_CANVAS},
        {"PATTERN", TYPE_PATTERN},
        {"DIALOG", TYPE_DIALOG},
        {"SCROLL", TYPE_SCROLL},
        {"STRUCT", TYPE_STRUCTURE},
        {"DATABASE", TYPE_DATABASE},
        {"CLASS", TYPE_CLASS},
        {"MOVIE", TYPE_MOVIE},
        {"GRBUFFER", TYPE_GRBUFFER},
        {"INTERNET", TYPE_INTERNET}};
    std::string text = "OBJECT=KEYBOARD\nKEYBOARD:TYPE=KEYBOARD\nKEYBOARD:ONKEYDOWN=OBJ0\n";
    for (size_t i = 0; i < types.size(); ++i) {
        std::string name = "OBJ" + std::to_string(i);
        text += "OBJECT=" + name + "\n" + name + ":TYPE=" + types[i].first + "\n";
        text += name + ":ONINIT={" + name + "^SHOW();}\n";
    }
    text += "OBJECT=ODD\nODD:TYPE=WIDGET\n";
    CTempFolder folder("cnv");
    folder.put("scene.cnv", text);
    std::string path = CPlatformFiles::toEngineName((folder.path() / "scene.cnv").string());
    CMElements* elements = CMElementsLoader::load(nullptr, CXString(path.c_str()));
    ASSERT_NE(elements, nullptr);
    ASSERT_EQ(elements->getSize(), static_cast<int>(types.size()) + 2);

    CMElements* left = scene->resolveObjects(elements);
    for (size_t i = 0; i < types.size(); ++i) {
        std::string name = "OBJ" + std::to_string(i);
        CMC_Object* object = scene->getObject(name.c_str());
        ASSERT_NE(object, nullptr) << types[i].first;
        EXPECT_EQ(object->getType(), types[i].second) << types[i].first;
        // The inline handler became a behaviour of the scene, bound to the object (a class declaration
        // has no events of its own).
        if (types[i].second == TYPE_CLASS) continue;
        EXPECT_NE(scene->getObject(("beh_" + name + "_ONINIT").c_str()), nullptr) << types[i].first;
        EXPECT_NE(object->getBehaviour("ONINIT"), nullptr) << types[i].first;
    }
    EXPECT_NE(scene->getObject("KEYBOARD")->getBehaviour("ONKEYDOWN"), nullptr);
    ASSERT_EQ(left->getSize(), 1);
    EXPECT_EQ(left->getAt(0)->getName(), CXString("ODD"));
    delete left;
    delete elements;
}
