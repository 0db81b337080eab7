#pragma once
#include "ScriptSupport.h"

#include "core/XTimer.h"
#include "display/Window.h"
#include "platform/PlatformTime.h"
#include "script/BehaviourEntry.h"
#include "script/Bool.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/Scene.h"
#include "script/String.h"

namespace KavirelTest {

using namespace KavirelDLL;

// A window whose software timers run on an injected clock.
class TimerWindow : public CWindow {
public:
    TimerWindow() {
        if (!m_timers) {
            m_timers = &m_own;
            m_ownsList = true;
        }
    }
    ~TimerWindow() override {
        if (m_ownsList) m_timers = nullptr;
    }
    CXTimer* timers() { return m_timers; }

private:
    CXTimer m_own{nullptr};
    bool m_ownsList = false;
};

// A scene (inside an episode inside an application, as a game has it) and helpers to declare values and
// run code in it.
class InterpreterTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        CMC_Behaviour::initTrash();
        application = new CMC_Scene(&window, nullptr, "APP", TYPE_APPLICATION);
        episode = new CMC_Scene(&window, nullptr, "EPISODE", TYPE_EPISODE);
        episode->setParent(application);
        scene = new CMC_Scene(&window, nullptr, "SCENE", TYPE_SCENE);
        scene->setParent(episode);
    }
    void TearDown() override {
        CMC_Behaviour::doneTrash();
        scene->unload();
        delete scene;
        episode->unload();
        delete episode;
        application->unload();
        delete application;
        ScriptTest::TearDown();
    }

    CMC_Integer* integer(const char* name, int value = 0, CMC_ObjectsContainer* where = nullptr) {
        if (!where) where = scene;
        auto* variable = new CMC_Integer(CXString(name));
        variable->setValue(value);
        variable->setScene(where);
        where->addObject(variable);
        return variable;
    }
    CMC_Double* real(const char* name, double value = 0) {
        auto* variable = new CMC_Double(CXString(name));
        variable->setValue(value);
        variable->setScene(scene);
        scene->addObject(variable);
        return variable;
    }
    CMC_String* text(const char* name, const char* value = "") {
        auto* variable = new CMC_String(CXString(name), CXString(value));
        variable->setScene(scene);
        scene->addObject(variable);
        return variable;
    }
    CMC_Bool* flag(const char* name, bool value = false) {
        auto* variable = new CMC_Bool(CXString(name));
        variable->setValue(value);
        variable->setScene(scene);
        scene->addObject(variable);
        return variable;
    }
    CMC_Behaviour* behaviour(const char* name, const char* code) {
        auto* made = new CMC_Behaviour(scene, CXString(name), CXString(code));
        scene->addObject(made);
        made->init();
        return made;
    }
    // Runs code as the body of a behaviour named RUNNER; true when it broke.
    bool run(const char* code, std::vector<const char*> params = {}) {
        CMC_Behaviour* runner = behaviour("RUNNER", code);
        CXArray list(8, 0.75f);
        std::vector<CXString> texts(params.begin(), params.end());
        for (CXString& t : texts) list.add(&t);
        return runner->run(nullptr, params.empty() ? nullptr : &list, false);
    }
    int intOf(const char* name) {
        CMC_Object* object = scene->getObject(name);
        EXPECT_NE(object, nullptr) << name;
        return object && object->getType() == TYPE_INTEGER ? static_cast<CMC_Integer*>(object)->getValue()
                                                           : -12345;
    }
    double doubleOf(const char* name) {
        CMC_Object* object = scene->getObject(name);
        EXPECT_NE(object, nullptr) << name;
        return object && object->getType() == TYPE_DOUBLE ? static_cast<CMC_Double*>(object)->getValue()
                                                          : -12345;
    }
    std::string textOf(const char* name) {
        CMC_Object* object = scene->getObject(name);
        EXPECT_NE(object, nullptr) << name;
        return object && object->getType() == TYPE_STRING
                   ? static_cast<CMC_String*>(object)->getValue().GetBuffer()
                   : "<none>";
    }
    static int taken() {
        return CMC_VariableFactory::takenCount(TYPE_INTEGER) + CMC_VariableFactory::takenCount(TYPE_STRING) +
               CMC_VariableFactory::takenCount(TYPE_BOOL) + CMC_VariableFactory::takenCount(TYPE_DOUBLE);
    }

    TimerWindow window;
    CMC_Scene* application = nullptr;
    CMC_Scene* episode = nullptr;
    CMC_Scene* scene = nullptr;
};

} // namespace KavirelTest
