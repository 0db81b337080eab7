#include "ScriptSupport.h"

#include <memory>
#include <typeinfo>

#include "core/Log.h"
#include "net/Internet.h"
#include "net/NetClient.h"
#include "net/NetServer.h"
#include "objects/Animo.h"
#include "objects/Button.h"
#include "objects/Canvas.h"
#include "objects/CanvasObserver.h"
#include "objects/Dialog.h"
#include "objects/EditBox.h"
#include "objects/Filter.h"
#include "objects/Font.h"
#include "objects/GrBuffer.h"
#include "objects/Image.h"
#include "objects/Joystick.h"
#include "objects/Keyboard.h"
#include "objects/Mouse.h"
#include "objects/Movie.h"
#include "objects/Pattern.h"
#include "objects/Scroll.h"
#include "objects/Sequence.h"
#include "objects/Sound.h"
#include "objects/Text.h"
#include "objects/VirtualGraphicsObject.h"
#include "script/Application.h"
#include "script/Array.h"
#include "script/Behaviour.h"
#include "script/Bool.h"
#include "script/CNVLoader.h"
#include "script/Class.h"
#include "script/Condition.h"
#include "script/Database.h"
#include "script/Double.h"
#include "script/DummyRunner.h"
#include "script/Episode.h"
#include "script/Expression.h"
#include "script/Groupped.h"
#include "script/Integer.h"
#include "script/MultiArray.h"
#include "script/Path.h"
#include "script/Quene.h"
#include "script/Rand.h"
#include "script/Scene.h"
#include "script/String.h"
#include "script/Structure.h"
#include "script/System.h"
#include "script/Timer.h"
#include "script/TypeRegistry.h"
#include "script/VariableRunner.h"
#include "script/Vector.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

class Signalled : public CMC_Object {
public:
    explicit Signalled(const char* name) : CMC_Object(CXString(name), 6666) {}
    CXString** getBehavioursList() override {
        return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONCLICK"});
    }
    CXObject* clone() override { return new Signalled(""); }
    using CMC_Object::clone;
};

class RunnerTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        scene = new CMC_Scene(nullptr, nullptr, "S", TYPE_SCENE);
        runner = new CMC_Runner();
        runner->prepareMthHashSet();
        target = new Signalled("OBJ");
        target->setScene(scene);
        scene->addObject(target);
        target->initializeBehaviours(scene, nullptr);
        behaviour = new RecordingBehaviour(scene, "BEH", &log);
        scene->addObject(behaviour);
    }
    void TearDown() override {
        for (CXString* text : texts) delete text;
        delete runner;
        scene->unload();
        delete scene;
        ScriptTest::TearDown();
    }

    // Arguments as a script line hands them over: values, here pool temporaries.
    CXVector* args(std::vector<CMC_Variable*> values) {
        argList.removeAll();
        for (CMC_Variable* value : values) argList.add(value);
        return &argList;
    }
    CMC_Variable* text(const char* value) {
        CMC_String* result = CMC_VariableFactory::allocString();
        result->setValue(value);
        return result;
    }
    CMC_Variable* number(int value) {
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(value);
        return result;
    }
    CMC_Variable* call(const char* method, std::vector<CMC_Variable*> values) {
        return runner->run(CXString(method), target, scene, args(values));
    }

    std::vector<std::string> log;
    std::vector<CXString*> texts;
    CXVector argList{101, 0.75f};
    CMC_Scene* scene = nullptr;
    CMC_Runner* runner = nullptr;
    Signalled* target = nullptr;
    RecordingBehaviour* behaviour = nullptr;
};

} // namespace

TEST_F(RunnerTest, MethodNamesAreExactAndCommonIdsFixed) {
    EXPECT_EQ(runner->resolveMethod("SEND"), 96);
    EXPECT_EQ(runner->resolveMethod("OVERIDESIGNALS"), 109);
    EXPECT_EQ(runner->resolveMethod("send"), -1);
    EXPECT_EQ(runner->resolveMethod("NOSUCH"), -1);
    EXPECT_EQ(call("NOSUCH", {}), nullptr);
}

TEST_F(RunnerTest, SendRaisesOnSignalWithTheTextOrTheTextItself) {
    target->addBehaviour("ONSIGNAL^GO", behaviour, nullptr, scene);
    target->addBehaviour("@GO", behaviour, nullptr, scene);
    behaviour->onRun = [this](CMC_Object*) { log.push_back("run"); };
    EXPECT_EQ(call("SEND", {text("GO")}), nullptr);
    EXPECT_EQ(call("SEND", {text("@GO")}), nullptr);
    EXPECT_EQ(call("SEND", {number(5)}), nullptr); // not a text: converted, ONSIGNAL^5 has no binding
    EXPECT_EQ(call("SEND", {}), nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"BEH:OBJ", "run", "BEH:OBJ", "run"}));
}

TEST_F(RunnerTest, AddBehaviourWithDollarKeysAndArguments) {
    call("ADDBEHAVIOUR", {text("ONCLICK$OK"), text("BEH")});
    CMC_Binding* binding = target->getSingleBehaviour("ONCLICK^OK", 0);
    ASSERT_NE(binding, nullptr);
    EXPECT_EQ(binding->getArguments(), nullptr);
    EXPECT_TRUE(target->hasHandler(3));

    call("ADDBEHAVIOUR", {text("ONCLICK"), text("BEH"), text("a"), number(2)});
    target->onSignal("ONCLICK");
    EXPECT_EQ(log, (std::vector<std::string>{"BEH:OBJ:a,2"}));

    call("ADDBEHAVIOUR", {text("ONINIT"), text("MISSING")});
    EXPECT_TRUE(target->onSignal("ONINIT")); // stored without behaviour, skipped
    call("ADDBEHAVIOUR", {text("ONDONE")});  // too few arguments
    EXPECT_EQ(target->getBehaviour("ONDONE"), nullptr);

    call("REMOVEBEHAVIOUR", {text("ONCLICK$OK")});
    EXPECT_EQ(target->getSingleBehaviour("ONCLICK^OK", 0), nullptr);
    call("REMOVEBEHAVIOURFORCE", {text("ONCLICK")});
    EXPECT_FALSE(target->onSignal("ONCLICK"));
    call("REMOVEALLBEHAVIOURS", {});
    EXPECT_FALSE(target->onSignal("ONINIT"));
}

TEST_F(RunnerTest, CloneNameAndCounters) {
    call("CLONE", {});
    EXPECT_NE(scene->getObject("OBJ_1"), nullptr);
    call("CLONE", {number(2)});
    EXPECT_NE(scene->getObject("OBJ_3"), nullptr);
    auto* count = static_cast<CMC_Integer*>(call("GETCLONESNO", {}));
    EXPECT_EQ(count->getValue(), 3);
    CMC_Object::flush(count);
    call("RESETCLONES", {});
    EXPECT_EQ(target->getClonesNo(), 0);

    auto* name = static_cast<CMC_String*>(runner->run("GETNAME", scene->getObject("OBJ_3"), scene, nullptr));
    EXPECT_EQ(name->getValue(), CXString("OBJ_3"));
    EXPECT_GE(name->getId(), 0);
    auto* index =
        static_cast<CMC_Integer*>(runner->run("GETCLONEINDEX", scene->getObject("OBJ_3"), scene, nullptr));
    EXPECT_EQ(index->getValue(), 3);
}

TEST_F(RunnerTest, AddToGroupFillsArraysAndAddToArrayFillsGroups) {
    auto* array = new CMC_Array(scene, CXString("ARR"));
    auto* group = new CMC_Groupped(CXString("GRP"), scene);
    scene->addObject(array);
    scene->addObject(group);
    auto* value = new CMC_Integer(CXString("V"));
    value->setValue(4);
    scene->addObject(value);

    runner->run("ADDTOGROUP", value, scene, args({text("ARR")}));
    ASSERT_EQ(array->getSize(), 1);
    EXPECT_NE(array->get(0), value); // a copy
    EXPECT_EQ(static_cast<CMC_Integer*>(array->get(0))->getValue(), 4);

    runner->run("ADDTOARRAY", value, scene, args({text("GRP")}));
    runner->run("ADDTOARRAY", value, scene, args({text("GRP")}));
    EXPECT_EQ(group->getSize(), 1);
    runner->run("ADDTOARRAY", value, scene, args({text("ARR")}));  // not a group
    runner->run("ADDTOGROUP", target, scene, args({text("ARR")})); // not a value
    runner->run("ADDTOARRAY", value, scene, args({text("NONE")}));
    EXPECT_EQ(array->getSize(), 1);
}

TEST_F(RunnerTest, OverrideSignalsFromAScript) {
    call("OVERIDESIGNALS", {CMC_Variable::resolve("FALSE")});
    target->addBehaviour("ONCLICK", behaviour, nullptr, scene);
    target->addBehaviour("ONCLICK", behaviour, nullptr, scene);
    target->onSignal("ONCLICK");
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(RunnerTest, MissingArgumentsReadAsNull) {
    CXVector empty(101, 0.75f);
    EXPECT_EQ(runner->getParameter(nullptr, 0), nullptr);
    EXPECT_EQ(runner->getParameter(&empty, 3), nullptr);
    EXPECT_EQ(runner->getParameter(&empty, -1), nullptr);
    EXPECT_EQ(runner->getParameterInteger(&empty, 0)->getValue(), 0);
    EXPECT_EQ(runner->getParameterDouble(&empty, 2)->getValue(), 0.0);
    EXPECT_FALSE(runner->getParameterBool(nullptr, 0)->getValue());
    EXPECT_EQ(runner->getParameterString(&empty, 1)->getValue(), CXString(""));
    // Each null value went back to its pool at once.
    EXPECT_EQ(CMC_VariableFactory::takenCount(TYPE_INTEGER), 0);
}

TEST_F(RunnerTest, TypedArgumentsConvertAndHandBackTheirTemporaries) {
    CXVector* list = args({text("12"), number(7)});
    EXPECT_EQ(runner->getParameterInteger(list, 0)->getValue(), 12);
    EXPECT_EQ(runner->getParameterString(list, 1)->getValue(), CXString("7"));
    EXPECT_EQ(CMC_VariableFactory::takenCount(TYPE_INTEGER),
              0); // the argument 7 was handed back by its conversion
    // The argument of the right type itself is returned, not a copy.
    EXPECT_EQ(runner->getParameterInteger(list, 1), list->at(1));
}

TEST(RunnerFactory, RunnersPerType) {
    kavirelRegisterTypes();
    CMC_RunnerFactory::initialize();
    EXPECT_NE(CMC_RunnerFactory::getRunner(0), nullptr);
    EXPECT_EQ(CMC_RunnerFactory::getRunner(1), CMC_RunnerFactory::getRunner(12));
    EXPECT_EQ(CMC_RunnerFactory::getRunner(2018), CMC_RunnerFactory::getRunner(2019));
    EXPECT_EQ(CMC_RunnerFactory::getRunner(10), CMC_RunnerFactory::getRunner(11));
    for (int none : {5, 2010, 10002, 10003, 10060, 2003, 2025, -1, 99999})
        EXPECT_EQ(CMC_RunnerFactory::getRunner(none), nullptr) << none;
    for (int type : {13,   100,  101,  102,  103,  1000, 1001, 1002, 2000, 2001, 2002,  2004, 2005, 2006,
                     2007, 2008, 2009, 2011, 2012, 2013, 2014, 2015, 2016, 2017, 2020,  2021, 2022, 2023,
                     2024, 2026, 2027, 3000, 3001, 3002, 3003, 3004, 3005, 3006, 11000, 12000})
        EXPECT_NE(CMC_RunnerFactory::getRunner(type), nullptr) << type;
    CMC_RunnerFactory::done();
    EXPECT_EQ(CMC_RunnerFactory::getRunner(1), nullptr);
}

TEST_F(RunnerTest, TheTypeRegistryKeepsEveryTypesNameRunnerAndForms) {
    struct Type {
        int id;
        const char* name;
        const std::type_info& runner;
    };
    const std::vector<Type> types = {
        {TYPE_PLACEHOLDER, nullptr, typeid(CMC_Dummy_Runner)},
        {TYPE_INTEGER, "INTEGER", typeid(CMC_Variable_Runner)},
        {TYPE_STRING, "STRING", typeid(CMC_Variable_Runner)},
        {TYPE_BOOL, "BOOL", typeid(CMC_Variable_Runner)},
        {TYPE_DOUBLE, "DOUBLE", typeid(CMC_Variable_Runner)},
        {TYPE_EXPRESSION, "EXPRESSION", typeid(CMC_Variable_Runner)},
        {TYPE_CONDITION, "CONDITION", typeid(CMC_BasicCondition_Runner)},
        {TYPE_COMPLEXCONDITION, "COMPLEXCONDITION", typeid(CMC_BasicCondition_Runner)},
        {TYPE_BEHAVIOUR, "BEHAVIOUR", typeid(CMC_Behaviour_Runner)},
        {TYPE_MOUSE, "MOUSE", typeid(CMC_Mouse_Runner)},
        {TYPE_KEYBOARD, "KEYBOARD", typeid(CMC_Keyboard_Runner)},
        {TYPE_RANDOM, "RANDOM", typeid(CMC_Rand_Runner)},
        {TYPE_CANVASOBSERVER, "CANVAS_OBSERVER", typeid(CMC_CanvasObserver_Runner)},
        {TYPE_APPLICATION, "APPLICATION", typeid(CMC_Application_Runner)},
        {TYPE_EPISODE, "EPISODE", typeid(CMC_Episode_Runner)},
        {TYPE_SCENE, "SCENE", typeid(CMC_Scene_Runner)},
        {TYPE_ANIMO, "ANIMO", typeid(CMC_Animo_Runner)},
        {TYPE_BUTTON, "BUTTON", typeid(CMC_Button_Runner)},
        {TYPE_FONT, "FONT", typeid(CMC_Font_Runner)},
        {TYPE_SEQUENCE, "SEQUENCE", typeid(CMC_Sequence_Runner)},
        {TYPE_SOUND, "SOUND", typeid(CMC_Sound_Runner)},
        {TYPE_TEXT, "TEXT", typeid(CMC_Text_Runner)},
        {TYPE_TIMER, "TIMER", typeid(CMC_Timer_Runner)},
        {TYPE_IMAGE, "IMAGE", typeid(CMC_Image_Runner)},
        {TYPE_EDITBOX, "EDITBOX", typeid(CMC_EditBox_Runner)},
        {TYPE_NETSERVER, "NETSERVER", typeid(CMC_NetServer_Runner)},
        {TYPE_NETCLIENT, "NETCLIENT", typeid(CMC_NetClient_Runner)},
        {TYPE_DIALOG, "DIALOG", typeid(CMC_Dialog_Runner)},
        {TYPE_FILTER, "FILTER", typeid(CMC_Filter_Runner)},
        {TYPE_STATICFILTER, "STATICFILTER", typeid(CMC_StaticFilter_Runner)},
        {TYPE_VECTOR, "VECTOR", typeid(CMC_Vector_Runner)},
        {TYPE_PATH, "PATH", typeid(CMC_Path_Runner)},
        {TYPE_FIFO, "FIFO", typeid(CMC_Quene_Runner)},
        {TYPE_LIFO, "LIFO", typeid(CMC_Quene_Runner)},
        {TYPE_CANVAS, "CANVAS", typeid(CMC_Canvas_Runner)},
        {TYPE_PATTERN, "PATTERN", typeid(CMC_Pattern_Runner)},
        {TYPE_SCROLL, "SCROLL", typeid(CMC_Scroll_Runner)},
        {TYPE_JOYSTICK, "JOYSTICK", typeid(CMC_Joystick_Runner)},
        {TYPE_MOVIE, "MOVIE", typeid(CMC_Movie_Runner)},
        {TYPE_GRBUFFER, "GRBUFFER", typeid(CMC_GrBuffer_Runner)},
        {TYPE_INTERNET, "INTERNET", typeid(CMC_Internet_Runner)},
        {TYPE_GROUP, "GROUP", typeid(CMC_Groupped_Runner)},
        {TYPE_ARRAY, "ARRAY", typeid(CMC_Array_Runner)},
        {TYPE_STRUCTURE, "STRUCT", typeid(CMC_Structure_Runner)},
        {TYPE_DATABASE, "DATABASE", typeid(CMC_Database_Runner)},
        {TYPE_CLASS, "CLASS", typeid(CMC_Class_Runner)},
        {TYPE_VIRTUALGRAPHICSOBJECT, "VIRTUALGRAPHICSOBJECT", typeid(CMC_VirtualGraphicsObject_Runner)},
        {TYPE_MULTIARRAY, "MULTIARRAY", typeid(CMC_MultiArray_Runner)},
        {TYPE_SYSTEM, "SYSTEM", typeid(CMC_System_Runner)},
        {TYPE_CNVLOADER, "CNVLOADER", typeid(CMC_CNVLoader_Runner)},
    };
    for (const Type& type : types) {
        const CMC_TypeInfo* info = CMC_TypeRegistry::find(type.id);
        ASSERT_NE(info, nullptr) << type.id;
        EXPECT_STREQ(info->name ? info->name : "", type.name ? type.name : "") << type.id;
        CMC_Runner* runner = CMC_RunnerFactory::getRunner(type.id);
        ASSERT_NE(runner, nullptr) << type.id;
        EXPECT_EQ(typeid(*runner), type.runner) << type.id;
    }
    // Types that share a runner share the one object.
    EXPECT_EQ(CMC_RunnerFactory::getRunner(TYPE_STRING), CMC_RunnerFactory::getRunner(TYPE_EXPRESSION));
    EXPECT_EQ(CMC_RunnerFactory::getRunner(TYPE_FIFO), CMC_RunnerFactory::getRunner(TYPE_LIFO));
    EXPECT_EQ(CMC_TypeRegistry::find(50001), nullptr);
    EXPECT_EQ(CMC_TypeRegistry::fromDefinition(CXString("NETSERVER")), nullptr); // no definition makes one

    // The cache reader's blank objects, of their own type; every other type is left out of caches.
    const std::vector<int> stored = {1,    2,    3,    4,    10,   11,   12,   13,   100,  101,  103,  2000,
                                     2001, 2002, 2004, 2005, 2006, 2007, 2008, 2009, 2011, 2012, 2013, 2014,
                                     2015, 2016, 2017, 2018, 2019, 2020, 2021, 2022, 3000, 3001};
    for (int id : stored) {
        std::unique_ptr<CMC_Object> blank(CMC_Scene::makeStoredObject(id, nullptr));
        ASSERT_NE(blank, nullptr) << id;
        EXPECT_EQ(blank->getType(), id);
    }
    for (int id : {0, 5, 102, 1000, 1001, 1002, 2010, 2023, 2024, 2026, 2027, 3002, 3003, 3004, 3005, 3006, 11000,
                   12000, 50001})
        EXPECT_EQ(CMC_Scene::makeStoredObject(id, nullptr), nullptr) << id;

    // CREATEOBJECT makes these four and nothing else.
    for (const char* name : {"ANIMO", "IMAGE", "SOUND", "BUTTON"}) {
        const CMC_TypeInfo* info = CMC_TypeRegistry::created(CXString(name));
        ASSERT_NE(info, nullptr) << name;
        EXPECT_EQ(info->id, CMC_TypeRegistry::fromDefinition(CXString(name))->id);
    }
    for (const char* name : {"TEXT", "INTEGER", "VGO", "animo", "WIDGET"})
        EXPECT_EQ(CMC_TypeRegistry::created(CXString(name)), nullptr) << name;
}

TEST_F(RunnerTest, ABehavioursCodeLosesItsBraces) {
    // A behaviour's code loses its braces; until init parses it, running it runs nothing.
    CMC_Behaviour unparsed(scene, CXString("B"), CXString("{X^Y();}"));
    EXPECT_EQ(unparsed.getCode(), CXString("X^Y();"));
    EXPECT_FALSE(unparsed.run(nullptr, nullptr, true));
    EXPECT_EQ(unparsed.getLines(), nullptr);
}

TEST_F(RunnerTest, ArgumentsThatDeleteTheObjectStopTheMethod) {
    // An expression argument runs script code when it is read; here that code deletes the object.
    auto* killer = new RecordingBehaviour(scene, "KILL", &log);
    scene->addObject(killer);
    killer->onRun = [this](CMC_Object*) {
        if (CMC_Object* victim = scene->getObject("OBJ")) {
            scene->removeObject(victim);
            delete victim;
        }
        target = nullptr;
    };
    auto expression = std::make_unique<CMC_Expression>(scene, CXString("KILL^RUN()"));
    Signalled* victim = target;
    victim->addBehaviour("ONSIGNAL^", behaviour, nullptr, scene);

    EXPECT_EQ(runner->run("SEND", victim, scene, args({expression.get()})), nullptr);
    EXPECT_EQ(scene->getObject("OBJ"), nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"KILL:"}));

    victim = new Signalled("OBJ");
    scene->addObject(victim);
    runner->run("ADDBEHAVIOUR", victim, scene, args({text("ONCLICK"), text("BEH"), expression.get()}));
    EXPECT_EQ(scene->getObject("OBJ"), nullptr);

    // A structure's own methods stop the same way.
    CMElement* definition = element("REC", {{"FIELDS", "X<INTEGER>,Y<INTEGER>"}});
    auto* record = new CMC_Structure(scene, definition);
    delete definition;
    scene->addObject(record);
    killer->onRun = [this](CMC_Object*) {
        if (CMC_Object* victim = scene->getObject("REC")) {
            scene->removeObject(victim);
            delete victim;
        }
    };
    CMC_Runner* structures = CMC_RunnerFactory::getRunner(TYPE_STRUCTURE);
    structures->run("SETFIELD", record, scene, args({text("X"), expression.get()}));
    EXPECT_EQ(scene->getObject("REC"), nullptr);
    record = new CMC_Structure(CXString("REC"));
    record->declare("REC_X", "INTEGER");
    record->declare("REC_Y", "INTEGER");
    scene->addObject(record);
    structures->run("SET", record, scene, args({expression.get(), number(2)}));
    EXPECT_EQ(scene->getObject("REC"), nullptr);
}

TEST_F(RunnerTest, AnExpressionArgumentIsCalculatedOnce) {
    auto* counted = new RecordingBehaviour(scene, "COUNT", &log);
    scene->addObject(counted);
    auto expression = std::make_unique<CMC_Expression>(scene, CXString("5+COUNT^RUN()"));
    target->addBehaviour("ONSIGNAL^5", behaviour, nullptr, scene);
    call("SEND", {expression.get()});
    EXPECT_EQ(log, (std::vector<std::string>{"COUNT:", "BEH:OBJ"}));

    // A selector that is not an INTEGER names the field by its text.
    log.clear();
    auto* record = new CMC_Structure(CXString("REC"));
    record->declare("REC_X", "STRING");
    scene->addObject(record);
    auto byText = std::make_unique<CMC_Expression>(scene, CXString("1.5+COUNT^RUN()"));
    EXPECT_EQ(
        CMC_RunnerFactory::getRunner(TYPE_STRUCTURE)->run("GETFIELD", record, scene, args({byText.get()})),
        nullptr); // no field named 1.50000
    EXPECT_EQ(log, (std::vector<std::string>{"COUNT:"}));
}
