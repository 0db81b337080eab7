#include "script/DummyRunner.h"

#include <charconv>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "core/Log.h"
#include "script/Behaviour.h"
#include "script/BehaviourEntry.h"
#include "script/Bool.h"
#include "script/Condition.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"
#include "script/StopRequest.h"
#include "script/String.h"
#include "script/TypeRegistry.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

using RunnerResults::stringResult;

namespace {

bool isScalar(int type) { return type >= TYPE_INTEGER && type <= TYPE_DOUBLE; }

// The argument as getParameter reads it, without the call where it is not an expression.
CMC_Variable* argumentAt(CMC_Runner* runner, CXVector* args, int index) {
    auto* value = static_cast<CMC_Variable*>(args->at(index));
    return value && value->getType() == TYPE_EXPRESSION ? runner->getParameter(args, index) : value;
}

// A body, branch or on-done argument: the behaviour of that name, or inline code made into a behaviour
// named "temp" for the statement's time.
class CBody {
public:
    // memo: the calling line's, which looks the name of argument index up for it.
    CBody(CMC_ObjectsContainer* container, const CXString& name) {
        CMC_Object* found = container && name.IsString() ? container->getObject(name) : nullptr;
        if (found && found->getType() == TYPE_BEHAVIOUR) {
            m_anchor = found->anchor();
            return;
        }
        auto* behaviour = new CMC_Behaviour(container, CXString("temp"), name);
        m_anchor = behaviour->anchor();
        m_made = true;
        behaviour->init();
    }
    ~CBody() {
        CMC_Object* behaviour = m_made ? m_anchor->object : nullptr;
        if (!behaviour) return;
        if (behaviour->name().equals("temp"))
            CMC_Behaviour::removeAndDelete(behaviour);
        else if (!behaviour->isHeld())
            delete behaviour;
    }
    CBody(const CBody&) = delete;
    CBody& operator=(const CBody&) = delete;

    CMC_Behaviour* get() { return static_cast<CMC_Behaviour*>(m_anchor->object); }

private:
    // The behaviour's anchor: the body reads as missing once the behaviour is deleted.
    std::shared_ptr<CMC_ObjectAnchor> m_anchor;
    bool m_made = false;
};

// An argument's text for a test, without a copy where it can be had without one: a STRING's own text (not
// when copy asks for one), an INTEGER's digits, else the text it converts to.
struct TestText {
    void read(CMC_Variable* value, bool copy) {
        if (value && value->getType() == TYPE_INTEGER) {
            auto written =
                std::to_chars(digits, digits + sizeof digits, static_cast<CMC_Integer*>(value)->getValue());
            view = std::string_view(digits, static_cast<size_t>(written.ptr - digits));
            return;
        }
        const CXString* text;
        if (!copy && value && value->getType() == TYPE_STRING)
            text = &static_cast<CMC_String*>(value)->value();
        else
            text = &holder.emplace(CMC_Runner::argumentText(value));
        view = std::string_view(text->GetBuffer(), static_cast<size_t>(text->GetLength()));
    }

    char digits[16];
    std::optional<CXString> holder; // made only when needed: even an empty CXString takes memory
    std::string_view view;
};

// The operator of a test of two INTEGER values by a sign that compares (not "?"); 0 for any other test.
int numbersTest(CMC_Variable* left, CMC_Variable* sign, CMC_Variable* right) {
    if (!left || !right || !sign || left->getType() != TYPE_INTEGER || right->getType() != TYPE_INTEGER ||
        sign->getType() != TYPE_STRING)
        return 0;
    const CXString& text = static_cast<CMC_String*>(sign)->value();
    int op =
        CMC_Condition::operatorOf(std::string_view(text.GetBuffer(), static_cast<size_t>(text.GetLength())));
    return op == COND_INSTANCEOF ? 0 : op;
}

CMC_Variable* makeVariable(int type, const CXString& name) {
    switch (type) {
    case TYPE_INTEGER:
        return new CMC_Integer(name);
    case TYPE_STRING:
        return new CMC_String(name);
    case TYPE_BOOL:
        return new CMC_Bool(name);
    case TYPE_DOUBLE:
        return new CMC_Double(name);
    default:
        return nullptr;
    }
}

// "timer_" and a random number no object of the container bears, so one repeating behaviour never
// replaces another.
CXString timerName(CMC_ObjectsContainer* container) {
    for (int attempt = 0;; ++attempt) {
        CXString name = "timer_" + CXString::toString(std::rand());
        if (attempt >= 1000) name += "_" + CXString::toString(attempt);
        if (!container || !container->getObject(name)) return name;
    }
}

} // namespace

CMC_Dummy_Runner::~CMC_Dummy_Runner() = default;

void CMC_Dummy_Runner::prepareMthHashSet() {
    clearMethods();
    addMethod("IF", STM_IF);
    addMethod("WHILE", STM_WHILE);
    addMethod("RETURN", STM_RETURN);
    addMethod("BREAK", STM_BREAK);
    addMethod("CONV", STM_CONV);
    addMethod("MSGBOX", STM_MSGBOX);
    addMethod("BOOL", STM_BOOL);
    addMethod("DOUBLE", STM_DOUBLE);
    addMethod("INT", STM_INT);
    addMethod("STRING", STM_STRING);
    addMethod("LOOP", STM_LOOP);
    addMethod("VALUE", STM_VALUE);
    addMethod("RUNONTIMER", STM_RUNONTIMER);
    addMethod("CREATE", STM_CREATE);
    addMethod("GETAPPLICATIONNAME", STM_GETAPPLICATIONNAME);
    addMethod("GETCURRENTSCENE", STM_GETCURRENTSCENE);
    addMethod("ONEBREAK", STM_ONEBREAK);
    addMethod("CONTINUE", STM_CONTINUE);
    addMethod("FOR", STM_FOR);
}

CXString CMC_Dummy_Runner::text(CXVector* args, int index) {
    if (index >= argumentCount(args)) return CXString("");
    return getParameterString(args, index)->getValue();
}

const CXString& CMC_Dummy_Runner::textOf(CXVector* args, int index, std::optional<CXString>& holder) {
    CMC_Variable* value = index < argumentCount(args) ? argumentAt(this, args, index) : nullptr;
    if (value && value->getType() == TYPE_STRING) return static_cast<CMC_String*>(value)->value();
    return holder.emplace(argumentText(value));
}

int CMC_Dummy_Runner::number(CXVector* args, int index, int fallback) {
    if (index >= argumentCount(args)) return fallback;
    return getParameterInteger(args, index)->getValue();
}

CMC_Variable* CMC_Dummy_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                    CXVector* args) {
    // A declaration ties its variable to the run of the behaviour given, and looks at its arguments itself.
    if (id >= STM_BOOL && id <= STM_STRING) {
        static constexpr int kDeclared[] = {TYPE_BOOL, TYPE_DOUBLE, TYPE_INTEGER, TYPE_STRING};
        return declare(kDeclared[id - STM_BOOL], object, container, args);
    }
    CMC_ArgumentsGuard guard(nullptr, container, args);
    switch (id) {
    case STM_IF:
        return ifStatement(container, args, guard);
    case STM_WHILE:
        return whileStatement(container, args, guard);
    case STM_RETURN:
        return returnStatement(container, args, guard);
    case STM_BREAK:
        return controlCode(CONTROL_BREAK);
    case STM_ONEBREAK:
        return controlCode(CONTROL_ONEBREAK);
    case STM_CONTINUE:
        return controlCode(CONTROL_CONTINUE);
    case STM_CONV:
        return conv(args);
    case STM_MSGBOX:
        return nullptr;
    case STM_LOOP:
        return loop(container, args, false, guard);
    case STM_FOR:
        return loop(container, args, true, guard);
    case STM_VALUE:
        return value(container, args, guard);
    case STM_RUNONTIMER:
        return runOnTimer(container, args, guard);
    case STM_CREATE:
        return create(container, args, guard);
    case STM_GETAPPLICATIONNAME: {
        // Parent chains are short; a longer one loops.
        int depth = 0;
        for (CMC_ObjectsContainer* at = container; at && depth < 64; at = at->getParent(), ++depth)
            if (at->getType() == TYPE_APPLICATION) return stringResult(at->getName());
        return stringResult(CXString(""));
    }
    case STM_GETCURRENTSCENE: {
        CMC_ObjectsContainer* scene = container ? container->getScene() : nullptr;
        return stringResult(scene ? scene->getName() : CXString(""));
    }
    default:
        return nullptr;
    }
}

CMC_Variable* CMC_Dummy_Runner::ifStatement(CMC_ObjectsContainer* container, CXVector* args,
                                            const CMC_ArgumentsGuard& guard) {
    int count = argumentCount(args);
    bool condition;
    std::optional<CXString> holder;
    CMC_CallMemo* memo = CMC_CallMemo::of(args);
    auto* left = count >= 4 ? static_cast<CMC_Variable*>(args->at(0)) : nullptr;
    auto* right = count >= 4 ? static_cast<CMC_Variable*>(args->at(2)) : nullptr;
    auto* sign = count >= 4 ? static_cast<CMC_Variable*>(args->at(1)) : nullptr;
    // A STRING argument's own text, else textOf's.
    auto textAt = [&](int index) -> const CXString& {
        auto* value = index < count ? static_cast<CMC_Variable*>(args->at(index)) : nullptr;
        if (value && value->getType() == TYPE_STRING) return static_cast<CMC_String*>(value)->value();
        return textOf(args, index, holder);
    };
    if (count < 4) {
        const CXString& test = textAt(0);
        if (guard.containerGone()) return nullptr;
        condition = CMC_Condition::test(container, test, memo ? memo->test() : nullptr);
    } else if (int numbers = numbersTest(left, sign, right)) {
        // Two numbers: their digits would read as the very same numbers, so they are tested as they are.
        condition = CMC_Condition::compareValues(left, right, numbers);
    } else {
        // Reading an expression runs code, which may change or delete a STRING read before it: then every
        // text is copied.
        bool code = false;
        for (int i = 0; i < 3; ++i) {
            auto* value = static_cast<CMC_Variable*>(args->at(i));
            code = code || (value && value->getType() == TYPE_EXPRESSION);
        }
        TestText left, op, right;
        left.read(argumentAt(this, args, 0), code);
        op.read(argumentAt(this, args, 1), code);
        right.read(argumentAt(this, args, 2), code);
        if (guard.containerGone()) return nullptr;
        condition =
            CMC_Condition::valid(container, left.view, right.view, CMC_Condition::operatorOf(op.view));
    }
    // The branch is read after the test, whose code may have changed it.
    int at = count < 4 ? (condition ? 1 : 2) : (condition ? 3 : 4);
    const CXString& branch = textAt(at);
    if (!branch.IsString() || guard.containerGone()) return nullptr;
    // A behaviour of that name runs as it is: nothing is made, so nothing needs watching after the run.
    CMC_Object* named = memo ? memo->objectNamed(at, container, branch) : container->getObject(branch);
    if (named && named->getType() == TYPE_BEHAVIOUR) {
        auto* behaviour = static_cast<CMC_Behaviour*>(named);
        return behaviour->run(behaviour, nullptr, false) ? controlCode(CONTROL_BREAK) : nullptr;
    }
    CBody body(container, branch);
    CMC_Behaviour* behaviour = body.get();
    if (behaviour && behaviour->run(behaviour, nullptr, false)) return controlCode(CONTROL_BREAK);
    return nullptr;
}

CMC_Variable* CMC_Dummy_Runner::whileStatement(CMC_ObjectsContainer* container, CXVector* args,
                                               const CMC_ArgumentsGuard& guard) {
    if (argumentCount(args) < 4) return nullptr;
    CXString first = text(args, 0);
    CXString op = text(args, 1);
    CXString second = text(args, 2);
    CXString bodyName = text(args, 3);
    if (guard.containerGone()) return nullptr;
    int test =
        CMC_Condition::operatorOf(std::string_view(op.GetBuffer(), static_cast<size_t>(op.GetLength())));
    CMC_ObjectHandle scene(container);
    CBody body(container, bodyName);
    // The body's outcome does not end the loop; only the test does, or the program's end.
    while (true) {
        if (CMC_StopRequest::check()) return controlCode(CONTROL_BREAK);
        auto* here = static_cast<CMC_ObjectsContainer*>(scene.current());
        if (!here || !CMC_Condition::valid(here, first, second, test)) break;
        CMC_Behaviour* behaviour = body.get();
        if (!behaviour) break;
        behaviour->run(nullptr, nullptr, false);
    }
    return nullptr;
}

CMC_Variable* CMC_Dummy_Runner::loop(CMC_ObjectsContainer* container, CXVector* args, bool withCounter,
                                     const CMC_ArgumentsGuard& guard) {
    if (!container) return nullptr;
    int first = withCounter ? 1 : 0;
    CMC_ObjectHandle counter;
    if (withCounter) {
        CMC_Variable* given = getParameter(args, 0);
        if (!given || given->getType() != TYPE_INTEGER) {
            logMessage("FOR: the counter is not an INTEGER variable; the loop does not run");
            return nullptr;
        }
        counter.set(given);
    }
    CXString bodyName = text(args, first);
    bodyName.AllTrim();
    int start = number(args, first + 1, 0);
    int rounds = number(args, first + 2, 0);
    int step = number(args, first + 3, 1);
    if (guard.containerGone()) return nullptr;

    CMC_ObjectHandle scene(container);
    CMC_ObjectHandle hidden;
    if (!withCounter) {
        // The inner loop's "_I_" hides the outer one until it ends.
        if (CMC_Object* old = container->getObject("_I_")) {
            if (container->removeObject(old)) hidden.set(old);
        }
        auto* own = new CMC_Integer(CXString("_I_"));
        own->setScene(container);
        container->addObject(own);
        counter.set(own);
    }

    bool broke = false;
    {
        CBody body(container, bodyName);
        long long end = static_cast<long long>(start) + rounds;
        auto round = [&](long long c) {
            if (CMC_Object* value = counter.current())
                static_cast<CMC_Integer*>(value)->setValue(static_cast<int>(c));
            CMC_Behaviour* behaviour = body.get();
            if (!behaviour) return false;
            if (CMC_StopRequest::check() || behaviour->run(nullptr, nullptr, true)) {
                broke = true;
                return false;
            }
            return true;
        };
        if (start < end) {
            for (long long c = start; c < end; c += step)
                if (!round(c)) break;
        } else if (end < start) {
            for (long long c = start; c > end; c += step)
                if (!round(c)) break;
        }
    }

    if (!withCounter) {
        CMC_Behaviour::removeAndDelete(counter.current());
        auto* here = static_cast<CMC_ObjectsContainer*>(scene.current());
        // The outer "_I_" was taken out of this scene for the loop: it goes back, or, with the scene gone, it
        // goes too (unless another container took it meanwhile).
        CMC_Object* old = hidden.current();
        if (old && !old->isHeld()) {
            if (here)
                here->addObject(old);
            else
                delete old;
        }
    }
    return broke ? controlCode(CONTROL_BREAK) : nullptr;
}

CMC_Variable* CMC_Dummy_Runner::returnStatement(CMC_ObjectsContainer* container, CXVector* args,
                                                const CMC_ArgumentsGuard& guard) {
    CMC_Variable* given = getParameter(args, 0);
    if (!given || !container || guard.containerGone() || !isScalar(given->getType())) return nullptr;
    CMC_ObjectsContainer* scene = container->getScene();
    if (!scene) scene = container;
    // The value may be the old "__RETURN__" itself: take it before that goes.
    CMC_Variable* kept = CMC_VariableFactory::copyVariable(given);
    CMC_ObjectHandle sceneHandle(scene);
    if (CMC_Object* old = scene->getObject("__RETURN__")) CMC_Behaviour::removeAndDelete(old);
    scene = static_cast<CMC_ObjectsContainer*>(sceneHandle.current());
    if (!scene) {
        CMC_Object::flush(kept);
        return nullptr;
    }
    CMC_Variable* result = makeVariable(kept->getType(), CXString("__RETURN__"));
    result->set(kept);
    CMC_Object::flush(kept);
    result->setScene(scene);
    scene->addObject(result);
    return CMC_VariableFactory::copyVariable(result);
}

CMC_Variable* CMC_Dummy_Runner::conv(CXVector* args) {
    CXString type = text(args, 1);
    int id = type.equals("STRING")    ? TYPE_STRING
             : type.equals("INTEGER") ? TYPE_INTEGER
             : type.equals("BOOL")    ? TYPE_BOOL
             : type.equals("DOUBLE")  ? TYPE_DOUBLE
                                      : 0;
    if (!id) return nullptr;
    CMC_Variable* given = getParameter(args, 0);
    CMC_Variable* result = CMC_VariableFactory::allocOfType(id);
    if (given) result->set(given);
    return result;
}

namespace {

// A declaration once its name is read: the name and given value stay put until the variable is made.
[[gnu::always_inline]] inline CMC_Variable* declareNamed(int type, CMC_Object* object,
                                                         CMC_ObjectsContainer* container, CXVector* args,
                                                         const CXString& name, CMC_Variable* given,
                                                         const CMC_ArgumentsGuard& guard) {
    if (guard.gone()) return nullptr;
    if (!container || !name.IsString()) return nullptr;
    // The line's memo keeps the lookup of its name, which a local's coming and going leaves standing.
    CMC_CallMemo* memo = CMC_CallMemo::of(args);
    if (memo ? memo->objectNamed(0, container, name) : container->getObject(name)) return nullptr;
    CMC_Behaviour* behaviour =
        object && object->getType() == TYPE_BEHAVIOUR ? static_cast<CMC_Behaviour*>(object) : nullptr;
    CMC_Variable* variable = behaviour ? behaviour->reuseLocal(type, name, given) : nullptr;
    if (!variable) {
        variable = makeVariable(type, name);
        if (given) variable->set(given);
    }
    variable->setAsTemporary();
    // A local taken back from the behaviour's spares mostly has its scene already.
    if (variable->sceneObject() != container) variable->setScene(container);
    container->addObject(variable);
    // It lives until the run of the behaviour that declared it ends.
    if (behaviour)
        behaviour->addTempObject(variable);
    else
        CMC_Behaviour::addToTrash(variable);
    // A copy of its value, unless the line's value is dropped unread.
    return memo && memo->valueDropped ? nullptr : CMC_VariableFactory::copyVariable(variable);
}

} // namespace

CMC_Variable* CMC_Dummy_Runner::declare(int type, CMC_Object* object, CMC_ObjectsContainer* container,
                                        CXVector* args) {
    // The name is read without a copy unless the value is an expression, whose code may change it.
    int count = argumentCount(args);
    auto* first = count > 0 ? static_cast<CMC_Variable*>(args->at(0)) : nullptr;
    auto* second = count > 1 ? static_cast<CMC_Variable*>(args->at(1)) : nullptr;
    bool calculated = second && second->getType() == TYPE_EXPRESSION;
    // The guard looks as a runner's guard does: when the behaviour or an argument is an EXPRESSION.
    bool expression = calculated || (first && first->getType() == TYPE_EXPRESSION) ||
                      (object && object->getType() == TYPE_EXPRESSION) ||
                      (count > 2 && CMC_ArgumentsGuard::holdsExpression(args, 2));
    CMC_ArgumentsGuard guard(CMC_ArgumentsGuard::Seen{expression}, object, container);
    if (first && first->getType() == TYPE_STRING && !calculated)
        return declareNamed(type, object, container, args, static_cast<CMC_String*>(first)->value(), second,
                            guard);
    return declareCopied(type, object, container, args, second, calculated, guard);
}

CMC_Variable* CMC_Dummy_Runner::declareCopied(int type, CMC_Object* object, CMC_ObjectsContainer* container,
                                              CXVector* args, CMC_Variable* second, bool calculated,
                                              const CMC_ArgumentsGuard& guard) {
    std::optional<CXString> holder;
    const CXString& name = calculated ? holder.emplace(text(args, 0)) : textOf(args, 0, holder);
    // Read again after the name: its code may have deleted the value (its place then reads as null).
    CMC_Variable* given = calculated ? getParameter(args, 1)
                          : second   ? static_cast<CMC_Variable*>(args->at(1))
                                     : nullptr;
    return declareNamed(type, object, container, args, name, given, guard);
}

CMC_Variable* CMC_Dummy_Runner::value(CMC_ObjectsContainer* container, CXVector* args,
                                      const CMC_ArgumentsGuard& guard) {
    CXString name = text(args, 0);
    CMC_Object* found = container && !guard.containerGone() ? container->getObject(name) : nullptr;
    if (!found) return nullptr;
    // An object that is not a value answers with its name.
    if (auto* variable = dynamic_cast<CMC_Variable*>(found)) return variable;
    return stringResult(found->getName());
}

CMC_Variable* CMC_Dummy_Runner::runOnTimer(CMC_ObjectsContainer* container, CXVector* args,
                                           const CMC_ArgumentsGuard& guard) {
    int count = argumentCount(args);
    if (!container || count < 3) return nullptr;
    int interval = number(args, 0, 0);
    int repeat = number(args, 1, 0);
    CXString bodyName = text(args, 2);
    CXString onDoneName = text(args, 3);
    auto* params = new CXArray(count > 4 ? count - 3 : 1, 0.75f);
    params->add(new CXString("0"));
    for (int i = 4; i < count; ++i)
        params->add(new CXString(CMC_Behaviour_Entry::getStringValue(getParameter(args, i))));
    if (guard.containerGone()) {
        CMC_Behaviour_Runner::flushParams(params);
        return nullptr;
    }

    CMC_Object* existing = container->getObject(bodyName);
    CXString code = existing && existing->getType() == TYPE_BEHAVIOUR
                        ? static_cast<CMC_Behaviour*>(existing)->getCode()
                        : bodyName;
    // The timer's own parameters are written &1, &2 so the calling line leaves them alone.
    code.Replace('&', '$');

    CMC_ObjectHandle scene(container);
    CMC_ObjectHandle onDone;
    if (onDoneName.IsString()) {
        CMC_Object* found = container->getObject(onDoneName);
        if (found) {
            if (found->getType() == TYPE_BEHAVIOUR) onDone.set(found);
        } else {
            auto* made = new CMC_Behaviour(container, timerName(container), onDoneName);
            onDone.set(made);
            made->init();
            if (onDone.current()) container->addObject(made);
        }
    }

    auto* here = static_cast<CMC_ObjectsContainer*>(scene.current());
    if (!here) {
        CMC_Behaviour_Runner::flushParams(params);
        return nullptr;
    }
    CXString name = timerName(here);
    auto* timer = new CMC_Behaviour(here, name, code);
    CMC_ObjectHandle timerHandle(timer);
    timer->init();
    if (!timerHandle.current()) {
        CMC_Behaviour_Runner::flushParams(params);
        return nullptr;
    }
    here->addObject(timer);
    timer->runOnTimer(interval, repeat, params, static_cast<CMC_Behaviour*>(onDone.current()));
    return stringResult(name);
}

CMC_Variable* CMC_Dummy_Runner::create(CMC_ObjectsContainer* container, CXVector* args,
                                       const CMC_ArgumentsGuard& guard) {
    if (!container) return nullptr;
    CXString type = text(args, 0);
    CXString name = text(args, 1);
    if (guard.containerGone()) return nullptr;
    // The types CREATEOBJECT makes (ANIMO, IMAGE, SOUND, BUTTON) say so in the type registry.
    const CMC_TypeInfo* info = CMC_TypeRegistry::created(type);
    CMC_Object* made = info ? info->created(container) : nullptr;
    if (!made) return nullptr;
    made->setName(name);
    container->addObject(made);
    return nullptr;
}

} // namespace KavirelDLL
