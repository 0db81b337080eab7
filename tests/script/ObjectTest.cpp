#include "ScriptSupport.h"

#include "script/Scene.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

// An object with a few events, cloneable like the media objects are.
class Clickable : public CMC_Object {
public:
    Clickable(const char* name) : CMC_Object(CXString(name), 5555) {}
    Clickable(CMC_ObjectsContainer* scene, CMElement* element) : CMC_Object(scene, element, 5555) {
        initializeBehaviours(scene, element);
    }
    CXString** getBehavioursList() override {
        return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONCLICK", "ONCLICKED"});
    }
    CXObject* clone() override { return new Clickable(""); }
    using CMC_Object::clone;
};

class ObjectTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        scene = new CMC_Scene(nullptr, nullptr, "SCENE1", TYPE_SCENE);
        onClick = new RecordingBehaviour(scene, "BCLICK", &log);
        onOk = new RecordingBehaviour(scene, "BOK", &log);
        scene->addObject(onClick);
        scene->addObject(onOk);
        car = new Clickable("CAR");
        car->setScene(scene);
        scene->addObject(car);
        car->initializeBehaviours(scene, nullptr);
    }
    void TearDown() override {
        scene->unload();
        delete scene;
        ScriptTest::TearDown();
    }

    std::vector<std::string> log;
    CMC_Scene* scene = nullptr;
    RecordingBehaviour* onClick = nullptr;
    RecordingBehaviour* onOk = nullptr;
    Clickable* car = nullptr;
};

} // namespace

TEST_F(ObjectTest, DetailedKeyRunsAloneAndSetsThePlainEventsFlag) {
    car->addBehaviour("ONCLICK^OK", onOk, nullptr, scene);
    EXPECT_TRUE(car->hasHandler(3));
    EXPECT_FALSE(car->hasHandler(4));

    // Objects raise the detailed key first and the plain name only when nothing answered.
    auto raise = [this](const char* detail) {
        if (!car->onSignal(CXString("ONCLICK^") + detail)) car->onSignal("ONCLICK");
    };
    raise("OK");
    raise("OTHER");
    EXPECT_EQ(log, (std::vector<std::string>{"BOK:CAR"}));

    car->addBehaviour("ONCLICK", onClick, nullptr, scene);
    raise("OTHER");
    raise("OK");
    EXPECT_EQ(log, (std::vector<std::string>{"BOK:CAR", "BCLICK:CAR", "BOK:CAR"}));
}

TEST_F(ObjectTest, OverrideFlagKeepsOneBindingPerKey) {
    car->addBehaviour("ONCLICK", onClick, nullptr, scene);
    car->addBehaviour("ONCLICK", onOk, nullptr, scene);
    car->onSignal("ONCLICK");
    EXPECT_EQ(log, (std::vector<std::string>{"BOK:CAR"}));

    log.clear();
    car->overideSignals(false);
    car->addBehaviour("ONCLICK", onClick, nullptr, scene);
    car->onSignal("ONCLICK");
    EXPECT_EQ(log, (std::vector<std::string>{"BOK:CAR", "BCLICK:CAR"}));
}

TEST_F(ObjectTest, RaisingWithArgumentsLendsThemToEachBindingInTurn) {
    auto* own = new CXArray(101, 0.75f);
    own->add(new CXString("mine"));
    car->addBehaviour("ONSIGNAL", onOk, own, scene);
    CXArray lent(101, 0.75f);
    CXString value("7");
    lent.add(&value);
    EXPECT_TRUE(car->onSignal("ONSIGNAL", &lent));
    car->onSignal("ONSIGNAL");
    EXPECT_EQ(log, (std::vector<std::string>{"BOK:CAR:7", "BOK:CAR:mine"}));
}

TEST_F(ObjectTest, BindingWithoutBehaviourStillAnswers) {
    EXPECT_FALSE(car->onSignal("ONCLICK"));
    car->addBehaviour("ONCLICK", nullptr, nullptr, scene);
    EXPECT_TRUE(car->onSignal("ONCLICK"));
    car->addBehaviour("ONUNKNOWN", onOk, nullptr, scene); // no such event: no flag, still raised by key
    EXPECT_TRUE(car->onSignal("ONUNKNOWN"));
    EXPECT_EQ(log.size(), 1u);
}

TEST_F(ObjectTest, EventIndexesByExactNameAndByPrefix) {
    EXPECT_EQ(car->getSignalIndex("ONCLICK^3"), 3);
    EXPECT_EQ(car->getSignalIndex("ONCLICKED"), 4);
    EXPECT_EQ(car->getSignalIndex("ONPRESS"), -1);
    // The first event the key extends wins, so ONCLICKED is found as ONCLICK.
    EXPECT_EQ(car->getBehaviourIndex("ONCLICKED"), 3);
    EXPECT_EQ(car->getBehaviourIndex("ONPRESS"), -1);
    CMC_Object bare("BARE", 0);
    EXPECT_EQ(bare.getSignalIndex("ONINIT"), -1);
}

TEST_F(ObjectTest, UnbindingByContainerAndByForce) {
    auto* other = new CMC_Scene(nullptr, nullptr, "SCENE2", TYPE_SCENE);
    car->overideSignals(false);
    car->addBehaviour("ONCLICK", onClick, nullptr, scene);
    car->addBehaviour("ONCLICK", onOk, nullptr, other);
    car->removeBehaviour("ONCLICK", other);
    car->onSignal("ONCLICK");
    EXPECT_EQ(log, (std::vector<std::string>{"BCLICK:CAR"}));

    car->addBehaviour("ONCLICKED", onOk, nullptr, other);
    car->onSceneDone(other);
    EXPECT_EQ(car->getBehaviour("ONCLICKED"), nullptr);
    EXPECT_NE(car->getBehaviour("ONCLICK"), nullptr);

    car->removeBehaviourForce("ONCLICK");
    EXPECT_FALSE(car->onSignal("ONCLICK"));
    EXPECT_TRUE(car->hasHandler(3)); // flags stay
    car->removeAllBehaviours();
    EXPECT_FALSE(car->hasHandler(3));
    other->unload();
    delete other;
}

TEST_F(ObjectTest, DefinitionHandlersBindNamedInlineAndWithArguments) {
    CMElement* definition = element("BOAT", {{"TYPE", "X"},
                                             {"ONCLICK^OK", "BOK"},
                                             {"ONCLICKED", " BCLICK ( a, b ) "},
                                             {"ONSIGNAL", "{ X^SHOW(); }"},
                                             {"ONDONE", "NOSUCH"},
                                             {"ONINIT", ""}});
    auto* boat = new Clickable(scene, definition);
    scene->addObject(boat);

    EXPECT_TRUE(boat->hasHandler(3)); // from ONCLICK^OK, and ONCLICKED extends ONCLICK too
    EXPECT_TRUE(boat->hasHandler(4));
    EXPECT_TRUE(boat->hasHandler(2));
    EXPECT_FALSE(boat->hasHandler(1)); // an unknown behaviour binds nothing
    EXPECT_FALSE(boat->hasHandler(0)); // an empty value binds nothing

    boat->onSignal("ONCLICK^OK");
    boat->onSignal("ONCLICK");
    boat->onSignal("ONCLICKED");
    EXPECT_EQ(log, (std::vector<std::string>{"BOK:BOAT", "BCLICK:BOAT:a,b"}));

    CMC_Object* inlineCode = scene->getObject("beh_BOAT_ONSIGNAL");
    ASSERT_NE(inlineCode, nullptr);
    EXPECT_EQ(static_cast<CMC_Behaviour*>(inlineCode)->getCode(), CXString("X^SHOW();"));
    ASSERT_EQ(boat->getTmpBehList()->getSize(), 1);
    EXPECT_EQ(boat->getTmpBehList()->at(0), inlineCode);
    delete definition;
}

TEST_F(ObjectTest, ClonesAreNamedAfterTheirSourceAndSkipOnInit) {
    car->addBehaviour("ONINIT", onOk, nullptr, scene);
    auto* args = new CXArray(101, 0.75f);
    args->add(new CXString("x"));
    car->addBehaviour("ONCLICK", onClick, args, scene);

    car->clone(2);
    EXPECT_EQ(car->getClonesNo(), 2);
    auto* first = scene->getObject("CAR_1");
    auto* second = scene->getObject("CAR_2");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(first->isClone());
    EXPECT_EQ(first->getScene(), scene);
    EXPECT_EQ(second->getCloneIdx(), 2);
    EXPECT_EQ(first->getBehaviour("ONINIT"), nullptr);
    first->onSignal("ONCLICK");
    EXPECT_EQ(log, (std::vector<std::string>{"BCLICK:CAR_1:x"}));

    // The clones share the source's event list and keep it after the source is gone.
    scene->removeObject(car);
    delete car;
    car = nullptr;
    EXPECT_EQ(first->getSignalIndex("ONCLICKED"), 4);
    EXPECT_TRUE(first->onSignal("ONCLICK"));

    CMC_Object plain("PLAIN", 0);
    plain.clone(3); // a type that cannot be copied makes nothing
    EXPECT_EQ(plain.getClonesNo(), 0);

    Clickable many("MANY");
    many.clone(2000000000); // a runaway count makes none rather than exhausting memory
    EXPECT_EQ(many.getClonesNo(), 0);
}

TEST_F(ObjectTest, CloneIndexFromTheLastUnderscore) {
    auto index = [](const char* name) { return CMC_Object(CXString(name), 0).getCloneIdx(); };
    EXPECT_EQ(index("CAR_12"), 12);
    EXPECT_EQ(index("MY_CAR_3"), 3);
    EXPECT_EQ(index("_3"), 0);
    EXPECT_EQ(index("CAR_"), 0);
    EXPECT_EQ(index("CAR"), 0);
    CMC_Object car2("CAR", 0);
    EXPECT_EQ(car2.getCloneName(), CXString("CAR_1"));
    EXPECT_EQ(car2.getCloneName(), CXString("CAR_2"));
    car2.resetClones();
    EXPECT_EQ(car2.getCloneName(), CXString("CAR_1"));
}

TEST_F(ObjectTest, BehaviourDeletedOrReplacedLeavesNoDanglingBinding) {
    car->addBehaviour("ONCLICK", onClick, nullptr, scene);
    scene->removeObject(onClick);
    delete onClick;
    onClick = nullptr;
    EXPECT_TRUE(car->onSignal("ONCLICK")); // bound, but the behaviour is gone
    EXPECT_TRUE(log.empty());

    // A same-named behaviour put in its place answers the old binding.
    auto* replacement = new RecordingBehaviour(scene, "BCLICK", &log);
    scene->addObject(replacement);
    car->onSignal("ONCLICK");
    EXPECT_EQ(log, (std::vector<std::string>{"BCLICK:CAR"}));

    // Replacing by adding under the same name deletes the old one; the binding follows.
    auto* third = new RecordingBehaviour(scene, "BCLICK", &log);
    third->onRun = [&](CMC_Object*) { log.push_back("third"); };
    scene->addObject(third);
    car->onSignal("ONCLICK");
    EXPECT_EQ(log.back(), "third");

    // A name that now holds something else is not run as a behaviour.
    scene->removeObject(third);
    delete third;
    scene->addObject(new CMC_Object("BCLICK", 0));
    size_t before = log.size();
    car->onSignal("ONCLICK");
    EXPECT_EQ(log.size(), before);
}

TEST_F(ObjectTest, HandlersMayUnbindOrDeleteTheRaisingObject) {
    car->overideSignals(false);
    car->addBehaviour("ONCLICK", onClick, nullptr, scene);
    car->addBehaviour("ONCLICK", onOk, nullptr, scene);
    onClick->onRun = [](CMC_Object* current) { current->removeAllBehaviours(); };
    EXPECT_TRUE(car->onSignal("ONCLICK"));
    EXPECT_EQ(log, (std::vector<std::string>{"BCLICK:CAR"})); // the second binding went before its turn
    EXPECT_FALSE(car->onSignal("ONCLICK"));

    car->initializeBehaviours(scene, nullptr);
    car->addBehaviour("ONCLICK", onClick, nullptr, scene);
    car->addBehaviour("ONCLICK", onOk, nullptr, scene);
    onClick->onRun = [this](CMC_Object* current) {
        scene->removeObject(current);
        delete current;
        car = nullptr;
    };
    log.clear();
    EXPECT_TRUE(car->onSignal("ONCLICK"));
    EXPECT_EQ(car, nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"BCLICK:CAR"}));
    EXPECT_EQ(scene->getObject("CAR"), nullptr);
}

TEST_F(ObjectTest, ObjectDeletedWithoutRemovalLeavesItsContainers) {
    auto* other = new CMC_Scene(nullptr, nullptr, "OTHER", TYPE_SCENE);
    other->addObject(car); // listed in two containers
    delete car;
    car = nullptr;
    EXPECT_EQ(scene->getObject("CAR"), nullptr);
    EXPECT_EQ(other->getObject("CAR"), nullptr);
    EXPECT_EQ(scene->getObjectId("CAR"), -1);
    other->unload();
    delete other;
}

TEST_F(ObjectTest, HandlesRelinkByNameOrReadAsMissing) {
    CMC_ObjectHandle byName(onOk, scene);
    CMC_ObjectHandle bare(onOk);
    EXPECT_EQ(byName.get(), onOk);
    EXPECT_TRUE(bare.refersTo(onOk));
    scene->removeObject(onOk);
    delete onOk;
    onOk = nullptr;
    EXPECT_EQ(bare.get(), nullptr);
    EXPECT_EQ(byName.get(), nullptr);
    auto* again = new RecordingBehaviour(scene, "BOK", &log);
    scene->addObject(again);
    EXPECT_EQ(byName.get(), again);
    EXPECT_EQ(bare.get(), nullptr);

    // A handle whose container is gone reads as missing.
    auto* other = new CMC_Scene(nullptr, nullptr, "OTHER", TYPE_SCENE);
    auto* member = new CMC_Object("M", 0);
    other->addObject(member);
    CMC_ObjectHandle inOther(member, other);
    other->unload();
    delete other;
    EXPECT_EQ(inOther.get(), nullptr);
}

TEST_F(ObjectTest, StoredFormAndPlaceholdersResolvedOnLoad) {
    auto* args = new CXArray(101, 0.75f);
    args->add(new CXString("1"));
    args->add(new CXString("two"));
    car->addBehaviour("ONCLICK^OK", onOk, args, scene);
    car->addBehaviour("ONCLICKED", onClick, nullptr, scene);
    car->addBehaviour("ONDONE", nullptr, nullptr, scene);
    car->removeBehaviourForce("ONDONE"); // an emptied key is not stored

    ArchiveScratch scratch;
    Bytes bytes = scratch.write([this](CXArchive& out) { car->serialize(&out); });

    Clickable loaded("");
    loaded.serialize(&scratch.read(bytes));
    EXPECT_TRUE(scratch.consumed());
    EXPECT_EQ(loaded.getName(), CXString("CAR"));
    ASSERT_NE(loaded.getSingleBehaviour("ONCLICK^OK", 0), nullptr);
    EXPECT_TRUE(loaded.getSingleBehaviour("ONCLICK^OK", 0)->isPlaceholder());
    EXPECT_TRUE(loaded.onSignal("ONCLICK^OK")); // placeholders run nothing
    EXPECT_TRUE(log.empty());

    loaded.setScene(scene);
    loaded.initializeBehaviours(scene, nullptr);
    loaded.onSignal("ONCLICK^OK");
    loaded.onSignal("ONCLICKED");
    EXPECT_EQ(log, (std::vector<std::string>{"BOK:CAR:1,two", "BCLICK:CAR"}));
    EXPECT_TRUE(loaded.hasHandler(3));
    EXPECT_TRUE(loaded.hasHandler(4) || loaded.hasHandler(3));

    // Without bindings: the name and a zero count.
    CMC_Object bare("AB", 0);
    Bytes small = scratch.write([&bare](CXArchive& out) { bare.serialize(&out); });
    EXPECT_EQ(small, (Bytes{2, 0, 0, 0, 'A', 'B', 0, 0, 0, 0}));
}

TEST_F(ObjectTest, DamagedStoredFormIsRefused) {
    ArchiveScratch scratch;
    Clickable loaded("");
    loaded.serialize(&scratch.read({1, 0, 0, 0, 'X', 0xff, 0xff, 0xff, 0x7f})); // 2^31-1 keys
    EXPECT_EQ(loaded.getName(), CXString("X"));
    EXPECT_EQ(loaded.getBehaviour("ONCLICK"), nullptr);

    Clickable partial("");
    CXArchive& cut = scratch.read({1, 0, 0, 0, 'Y', 1, 0, 0, 0, 7, 0, 0, 0, 'O', 'N'});
    partial.serialize(&cut); // stops at the end without reading past it
    EXPECT_EQ(partial.getName(), CXString("Y"));
    EXPECT_FALSE(cut.good());
    EXPECT_EQ(partial.getBehaviour("ON"), nullptr);
}

TEST(TypeNames, TableAndSpellings) {
    EXPECT_EQ(CMC_Object::typeToString(2014), CXString("FILTER"));
    EXPECT_EQ(CMC_Object::typeToString(2009), CXString("2009"));
    EXPECT_EQ(CMC_Object::typeToString(-1), CXString("-1"));
    EXPECT_EQ(CMC_Object::typeToString(11), CXString("COMPLEX CONDITION"));
    EXPECT_EQ(CMC_Object::typeToString(103), CXString("CANVAS OBSERVER"));
    EXPECT_EQ(CMC_Object::getTypeId("STRUCT"), -1);
    EXPECT_EQ(CMC_Object::getTypeId("STRUCTURE"), 3002);
    EXPECT_EQ(CMC_Object::getTypeId("MULTIARRAY"), 3006);
    EXPECT_EQ(CMC_Object::getTypeId("CANVAS_OBSERVER"), -1);
    EXPECT_EQ(CMC_Object::getTypeId("CANVASOBSERVER"), 103);
    EXPECT_EQ(CMC_Object::getTypeId("VIRTUAL_GRAPHICSOBJECT"), 3005);
    EXPECT_EQ(CMC_Object::getTypeId("integer"), -1);
    EXPECT_EQ(CMC_Object::getTypeId("JOYSTICK"), -1);
}
