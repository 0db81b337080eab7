#include "script/TypeRegistry.h"

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
#include "script/VariableRunner.h"
#include "script/Vector.h"

namespace KavirelDLL {

namespace {

std::vector<CMC_TypeInfo>& table() {
    static std::vector<CMC_TypeInfo> types;
    return types;
}

} // namespace

void CMC_TypeRegistry::add(const CMC_TypeInfo& info) {
    for (CMC_TypeInfo& type : table()) {
        if (type.id == info.id) {
            type = info;
            return;
        }
    }
    table().push_back(info);
}

const CMC_TypeInfo* CMC_TypeRegistry::find(int id) {
    for (const CMC_TypeInfo& type : table())
        if (type.id == id) return &type;
    return nullptr;
}

const CMC_TypeInfo* CMC_TypeRegistry::fromDefinition(const CXString& name) {
    for (const CMC_TypeInfo& type : table())
        if (type.fromDefinition && type.name && name.equals(type.name)) return &type;
    return nullptr;
}

const CMC_TypeInfo* CMC_TypeRegistry::created(const CXString& name) {
    for (const CMC_TypeInfo& type : table())
        if (type.created && type.name && name.equals(type.name)) return &type;
    return nullptr;
}

const std::vector<CMC_TypeInfo>& CMC_TypeRegistry::all() { return table(); }

namespace {

using R = CMC_TypeRegistry;

} // namespace

void registerScriptTypes() {
    // The statements of a line with no object before them.
    R::add({.id = TYPE_PLACEHOLDER, .makeRunner = &R::runner<CMC_Dummy_Runner>});

    // The scalar values and EXPRESSION share one runner.
    R::add({.id = TYPE_INTEGER,
            .name = "INTEGER",
            .fromDefinition = &makeFromDefinition<CMC_Integer>,
            .pass = 2,
            .blank = [](CMC_Scene*) -> CMC_Object* { return new CMC_Integer(CXString("")); },
            .makeRunner = &R::runner<CMC_Variable_Runner>});
    R::add({.id = TYPE_STRING,
            .name = "STRING",
            .fromDefinition = &makeFromDefinition<CMC_String>,
            .pass = 2,
            .blank = [](CMC_Scene*) -> CMC_Object* { return new CMC_String(CXString("")); },
            .sharesRunnerOf = TYPE_INTEGER});
    R::add({.id = TYPE_BOOL,
            .name = "BOOL",
            .fromDefinition = &makeFromDefinition<CMC_Bool>,
            .pass = 2,
            .blank = [](CMC_Scene*) -> CMC_Object* { return new CMC_Bool(CXString("")); },
            .sharesRunnerOf = TYPE_INTEGER});
    R::add({.id = TYPE_DOUBLE,
            .name = "DOUBLE",
            .fromDefinition = &makeFromDefinition<CMC_Double>,
            .pass = 2,
            .blank = [](CMC_Scene*) -> CMC_Object* { return new CMC_Double(CXString("")); },
            .sharesRunnerOf = TYPE_INTEGER});
    R::add({.id = TYPE_EXPRESSION,
            .name = "EXPRESSION",
            .fromDefinition = &makeFromDefinition<CMC_Expression>,
            .pass = 3,
            .blank = [](CMC_Scene* scene) -> CMC_Object* {
                return new CMC_Expression(scene, static_cast<CMElement*>(nullptr));
            },
            .sharesRunnerOf = TYPE_INTEGER});

    R::add({.id = TYPE_CONDITION,
            .name = "CONDITION",
            .fromDefinition = &makeFromDefinition<CMC_Condition>,
            .pass = 3,
            .blank = [](CMC_Scene* scene) -> CMC_Object* { return new CMC_Condition(scene); },
            .makeRunner = &R::runner<CMC_BasicCondition_Runner>});
    R::add({.id = TYPE_COMPLEXCONDITION,
            .name = "COMPLEXCONDITION",
            .fromDefinition = &makeFromDefinition<CMC_ComplexCondition>,
            .pass = 3,
            .blank = [](CMC_Scene* scene) -> CMC_Object* { return new CMC_ComplexCondition(scene); },
            .sharesRunnerOf = TYPE_CONDITION});
    R::add({.id = TYPE_BEHAVIOUR,
            .name = "BEHAVIOUR",
            .fromDefinition = &makeFromDefinition<CMC_Behaviour>,
            .pass = 1,
            .blank = [](CMC_Scene* scene) -> CMC_Object* { return new CMC_Behaviour(scene); },
            .makeRunner = &R::runner<CMC_Behaviour_Runner>});
    R::add({.id = TYPE_RANDOM, .name = "RANDOM", .makeRunner = &R::runner<CMC_Rand_Runner>});

    // The containers come from the structure parser or the application's cache, never from a TYPE.
    R::add({.id = TYPE_APPLICATION, .name = "APPLICATION", .makeRunner = &R::runner<CMC_Application_Runner>});
    R::add({.id = TYPE_EPISODE, .name = "EPISODE", .makeRunner = &R::runner<CMC_Episode_Runner>});
    R::add({.id = TYPE_SCENE, .name = "SCENE", .makeRunner = &R::runner<CMC_Scene_Runner>});

    R::add({.id = TYPE_TIMER,
            .name = "TIMER",
            .fromDefinition = &makeFromDefinition<CMC_Timer>,
            .pass = 6,
            .blank = [](CMC_Scene* scene) -> CMC_Object* { return new CMC_Timer(scene); },
            .makeRunner = &R::runner<CMC_Timer_Runner>});

    R::add({.id = TYPE_VECTOR,
            .name = "VECTOR",
            .fromDefinition = &makeFromDefinition<CMC_Vector>,
            .pass = 5,
            .blank = [](CMC_Scene* scene) -> CMC_Object* { return new CMC_Vector(scene, nullptr); },
            .makeRunner = &R::runner<CMC_Vector_Runner>});
    R::add({.id = TYPE_PATH,
            .name = "PATH",
            .fromDefinition = &makeFromDefinition<CMC_Path>,
            .pass = 6,
            .blank = [](CMC_Scene*) -> CMC_Object* { return new CMC_Path(); },
            .makeRunner = &R::runner<CMC_Path_Runner>});
    R::add({.id = TYPE_FIFO,
            .name = "FIFO",
            .fromDefinition = &makeFromDefinition<CMC_Fifo>,
            .pass = 6,
            .blank = [](CMC_Scene* scene) -> CMC_Object* { return new CMC_Fifo(scene); },
            .makeRunner = &R::runner<CMC_Quene_Runner>});
    R::add({.id = TYPE_LIFO,
            .name = "LIFO",
            .fromDefinition = &makeFromDefinition<CMC_Lifo>,
            .pass = 6,
            .blank = [](CMC_Scene* scene) -> CMC_Object* { return new CMC_Lifo(scene); },
            .sharesRunnerOf = TYPE_FIFO});
    R::add({.id = TYPE_GROUP,
            .name = "GROUP",
            .fromDefinition = &makeFromDefinition<CMC_Groupped>,
            .pass = 6,
            .blank = [](CMC_Scene* scene) -> CMC_Object* { return new CMC_Groupped(CXString(""), scene); },
            .makeRunner = &R::runner<CMC_Groupped_Runner>});
    R::add({.id = TYPE_ARRAY,
            .name = "ARRAY",
            .fromDefinition = &makeFromDefinition<CMC_Array>,
            .pass = 3,
            .blank = [](CMC_Scene* scene) -> CMC_Object* { return new CMC_Array(scene, CXString("")); },
            .makeRunner = &R::runner<CMC_Array_Runner>});

    // STRUCT, DATABASE and CLASS stay out of caches; a MULTIARRAY is stored as its bare type id, which the
    // reader passes over (CMC_Scene::readCache).
    R::add({.id = TYPE_STRUCTURE,
            .name = "STRUCT",
            .fromDefinition = &makeFromDefinition<CMC_Structure>,
            .pass = 3,
            .makeRunner = &R::runner<CMC_Structure_Runner>});
    R::add({.id = TYPE_DATABASE,
            .name = "DATABASE",
            .fromDefinition = &makeFromDefinition<CMC_Database>,
            .pass = 3,
            .makeRunner = &R::runner<CMC_Database_Runner>});
    R::add({.id = TYPE_CLASS,
            .name = "CLASS",
            .fromDefinition = &makeFromDefinition<CMC_Class>,
            .pass = 4,
            .sceneInResolve = true,
            .makeRunner = &R::runner<CMC_Class_Runner>});
    R::add({.id = TYPE_MULTIARRAY,
            .name = "MULTIARRAY",
            .fromDefinition = &makeFromDefinition<CMC_MultiArray>,
            .pass = 3,
            .makeRunner = &R::runner<CMC_MultiArray_Runner>});

    // The application's built-in objects.
    R::add({.id = TYPE_SYSTEM, .name = "SYSTEM", .makeRunner = &R::runner<CMC_System_Runner>});
    R::add({.id = TYPE_CNVLOADER, .name = "CNVLOADER", .makeRunner = &R::runner<CMC_CNVLoader_Runner>});
}

} // namespace KavirelDLL
