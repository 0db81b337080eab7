#include "script/Condition.h"

#include "core/Archive.h"
#include "core/Elements.h"
#include "script/Behaviour.h"
#include "script/BehaviourEntry.h"
#include "script/Bool.h"
#include "script/ObjectsContainer.h"
#include "script/Variable.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace {

bool isCondition(CMC_Object* object) {
    return object && (object->getType() == TYPE_CONDITION || object->getType() == TYPE_COMPLEXCONDITION);
}

// The first value's test against the second; the second is taken as it is.
bool compareBy(CMC_Variable* first, CMC_Variable* second, int op) {
    switch (op) {
    case COND_EQUAL:
        return first->equals(second);
    case COND_NOTEQUAL:
        return !first->equals(second);
    case COND_LESS:
        return first->compare(second) < 0;
    case COND_LESSEQUAL:
        return first->compare(second) <= 0;
    case COND_GREATER:
        return first->compare(second) > 0;
    case COND_GREATEREQUAL:
        return first->compare(second) >= 0;
    default:
        return false;
    }
}

CMC_Variable* valueOf(CMC_Variable* value) { return isControlCode(value) ? nullptr : value; }

} // namespace

// ---- CMC_BasicCondition ----

CMC_BasicCondition::CMC_BasicCondition(const CXString& name, int type) : CMC_Object(name, type) {}

CMC_BasicCondition::CMC_BasicCondition(CMC_ObjectsContainer* scene, CMElement* element, int type)
    : CMC_Object(scene, element, type) {
    initializeBehaviours(scene, element);
    takeEvents();
}

CMC_BasicCondition::~CMC_BasicCondition() {
    CMC_Binding::freeArguments(m_success.args);
    CMC_Binding::freeArguments(m_failed.args);
}

CXString** CMC_BasicCondition::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONRUNTIMESUCCESS", "ONRUNTIMEFAILED"});
}

void CMC_BasicCondition::takeEvents() {
    CMC_ObjectsContainer* scene = getScene();
    auto take = [&](const char* key, Event& event) {
        CMC_Binding* binding = getSingleBehaviour(key, 0);
        if (!binding) return;
        if (CMC_Behaviour* behaviour = binding->getBehaviour()) event.behaviour.set(behaviour, scene);
        CMC_Binding::freeArguments(event.args);
        event.args = CMC_Binding::copyArguments(binding->getArguments());
    };
    take("ONRUNTIMESUCCESS", m_success);
    take("ONRUNTIMEFAILED", m_failed);
}

bool CMC_BasicCondition::fire(bool result) {
    Event& event = result ? m_success : m_failed;
    CMC_Object* behaviour = event.behaviour.get();
    if (!behaviour || behaviour->getType() != TYPE_BEHAVIOUR) return true;
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    static_cast<CMC_Behaviour*>(behaviour)->run(this, event.args, true);
    return self->object != nullptr;
}

// ---- CMC_Condition ----

CMC_Condition::CMC_Condition(CMC_ObjectsContainer* scene)
    : CMC_BasicCondition(CXString("temp"), TYPE_CONDITION) {
    if (scene) setScene(scene);
}

CMC_Condition::CMC_Condition(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_BasicCondition(scene, element, TYPE_CONDITION) {
    if (element) {
        m_operatorText = element->getPropertyValue("OPERATOR");
        m_operand1 = element->getPropertyValue("OPERAND1");
        m_operand2 = element->getPropertyValue("OPERAND2");
    }
    m_operator = resolveCondition(m_operatorText);
    m_hidden = new CMC_Behaviour(getScene(), CXString("temp"), CXString(""));
}

CMC_Condition::~CMC_Condition() {
    releaseAnchor();
    dropLines();
    delete m_hidden;
}

int CMC_Condition::resolveCondition(const CXString& keyword) {
    static const char* const kKeywords[] = {"EQUAL",   "NOTEQUAL",     "LESS",      "LESSEQUAL",
                                            "GREATER", "GREATEREQUAL", "INSTANCEOF"};
    for (int i = 0; i < 7; ++i)
        if (keyword.equals(kKeywords[i])) return i + 1;
    return COND_EQUAL;
}

void CMC_Condition::dropLines() {
    CMC_Behaviour_Entry::destroy(m_line1);
    CMC_Behaviour_Entry::destroy(m_line2);
    m_line1 = m_line2 = nullptr;
}

void CMC_Condition::init() {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    CMC_Object::init();
    if (!self->object) return;
    dropLines();
    CMC_Behaviour::placeHidden(m_hidden, getScene());
    m_line1 = new CMC_Behaviour_Entry(m_hidden, m_operand1);
    m_line2 = new CMC_Behaviour_Entry(m_hidden, m_operand2);
}

bool CMC_Condition::done(bool flag) {
    dropLines();
    delete m_hidden;
    m_hidden = nullptr;
    return CMC_Object::done(flag);
}

void CMC_Condition::serialize(CXArchive* archive) {
    CMC_Object::serialize(archive);
    if (!archive) return;
    if (archive->isStoring()) {
        *archive << m_operand1;
        *archive << m_operand2;
        *archive << m_operatorText;
        return;
    }
    *archive >> &m_operand1;
    *archive >> &m_operand2;
    *archive >> &m_operatorText;
    m_operator = resolveCondition(m_operatorText);
}

bool CMC_Condition::valid(bool fireEvents) {
    // An operand that tests this condition again would test for ever.
    if (m_evaluating) return false;
    bool result = false;
    if (m_line1 && m_line2) {
        CMC_Behaviour_Entry::RunGuard running;
        std::shared_ptr<CMC_ObjectAnchor> self = anchor();
        m_evaluating = true;
        CMC_Behaviour_Entry* line1 = m_line1;
        CMC_Behaviour_Entry* line2 = m_line2;
        int op = m_operator;
        CMC_Variable* first = valueOf(line1->run(nullptr, nullptr));
        CMC_Variable* second = valueOf(line2->run(nullptr, nullptr));
        if (first && second) {
            CMC_Variable* compared = second;
            if (first->getType() != TYPE_EXPRESSION && second->getType() != TYPE_EXPRESSION &&
                first->getType() != second->getType())
                compared = second->convert(first->getType());
            if (compared) result = compareBy(first, compared, op);
            // A converted temporary was handed back by the conversion; the converted one goes now.
            flush(compared);
        } else {
            flush(second);
        }
        flush(first);
        if (!self->object) return result;
        m_evaluating = false;
    }
    if (fireEvents) fire(result);
    return result;
}

bool CMC_Condition::valid(CMC_ObjectsContainer* container, const CXString& text) {
    int quote = text.Find('\'');
    int op;
    int start;
    int after;
    if (quote >= 0) {
        char before = quote > 0 ? text.GetAt(quote - 1) : 0;
        op = before == '!'   ? COND_NOTEQUAL
             : before == '<' ? COND_LESSEQUAL
             : before == '>' ? COND_GREATEREQUAL
                             : COND_EQUAL;
        start = op == COND_EQUAL ? quote : quote - 1;
        after = quote + 1;
    } else if ((start = text.Find('<')) >= 0) {
        op = COND_LESS;
        after = start + 1;
    } else if ((start = text.Find('>')) >= 0) {
        op = COND_GREATER;
        after = start + 1;
    } else if ((start = text.Find('?')) >= 0) {
        op = COND_INSTANCEOF;
        after = start + 1;
    } else {
        // No operator at all: nothing to test.
        return false;
    }
    return valid(container, text.Left(start), text.Right(after), op);
}

bool CMC_Condition::valid(CMC_ObjectsContainer* container, const CXString& first, const CXString& second,
                          const CXString& op) {
    int id = COND_EQUAL;
    if (op.equals("!_") || op.equals("<>"))
        id = COND_NOTEQUAL;
    else if (op.equals("<"))
        id = COND_LESS;
    else if (op.equals("<_"))
        id = COND_LESSEQUAL;
    else if (op.equals(">"))
        id = COND_GREATER;
    else if (op.equals(">_"))
        id = COND_GREATEREQUAL;
    else if (op.equals("?"))
        id = COND_INSTANCEOF;
    return valid(container, first, second, id);
}

bool CMC_Condition::valid(CMC_ObjectsContainer* container, const CXString& first, const CXString& second,
                          int op) {
    CMC_Behaviour_Entry::RunGuard running;
    CMC_ObjectHandle scene(container);
    CMC_Variable* a = valueOf(CMC_Behaviour::resolveParameter(container, nullptr, first, nullptr));
    CMC_Variable* b = valueOf(CMC_Behaviour::resolveParameter(
        static_cast<CMC_ObjectsContainer*>(scene.current()), nullptr, second, nullptr));
    bool result = false;
    if (a && b) {
        if (op == COND_INSTANCEOF) {
            auto* here = static_cast<CMC_ObjectsContainer*>(scene.current());
            CMC_Object* object = here ? here->getObject(first) : nullptr;
            result = object && CMC_Object::typeToString(object->getType()).equals(second);
        } else {
            result = compareBy(a, b, op);
        }
    }
    CMC_Object::flush(a);
    CMC_Object::flush(b);
    return result;
}

// ---- CMC_ComplexCondition ----

CMC_ComplexCondition::CMC_ComplexCondition(CMC_ObjectsContainer* scene)
    : CMC_BasicCondition(CXString("temp"), TYPE_COMPLEXCONDITION) {
    if (scene) setScene(scene);
}

CMC_ComplexCondition::CMC_ComplexCondition(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_BasicCondition(scene, element, TYPE_COMPLEXCONDITION) {
    if (element) {
        m_condition1 = element->getPropertyValue("CONDITION1");
        m_condition2 = element->getPropertyValue("CONDITION2");
        m_operatorText = element->getPropertyValue("OPERATOR");
    }
    resolveOperator();
}

void CMC_ComplexCondition::resolveOperator() {
    if (m_operatorText.equals("AND"))
        m_operator = 1;
    else if (m_operatorText.equals("OR"))
        m_operator = 2;
}

void CMC_ComplexCondition::serialize(CXArchive* archive) {
    CMC_Object::serialize(archive);
    if (!archive) return;
    if (archive->isStoring()) {
        *archive << m_condition1;
        *archive << m_condition2;
        *archive << m_operatorText;
        return;
    }
    *archive >> &m_condition1;
    *archive >> &m_condition2;
    *archive >> &m_operatorText;
    resolveOperator();
}

bool CMC_ComplexCondition::valid(bool fireEvents) {
    // A condition made of itself would test for ever.
    if (m_evaluating) return false;
    CMC_ObjectsContainer* scene = getScene();
    CMC_Object* first = scene ? scene->getObject(m_condition1) : nullptr;
    CMC_Object* second = scene ? scene->getObject(m_condition2) : nullptr;
    if (!isCondition(first) || !isCondition(second)) return false;
    CMC_ObjectHandle secondHandle(second);
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    m_evaluating = true;
    bool result = static_cast<CMC_BasicCondition*>(first)->valid(true);
    bool decided = m_operator == 2 ? result : !result;
    if (!decided && self->object) {
        CMC_Object* still = secondHandle.current();
        result = still && static_cast<CMC_BasicCondition*>(still)->valid(true);
    }
    if (!self->object) return result;
    m_evaluating = false;
    if (fireEvents) fire(result);
    return result;
}

// ---- the runner ----

void CMC_BasicCondition_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("CHECK", MTH_CHECK);
    addMethod("BREAK", MTH_BREAK);
    addMethod("ONE_BREAK", MTH_ONE_BREAK);
}

CMC_Variable* CMC_BasicCondition_Runner::check(CMC_BasicCondition* condition, CXVector* args) {
    CMC_ArgumentsGuard guard(condition, nullptr, args);
    bool fireEvents = argumentCount(args) > 0 ? getParameterBool(args, 0)->getValue() : true;
    if (guard.gone()) return nullptr;
    bool result = condition->valid(fireEvents);
    CMC_Bool* value = CMC_VariableFactory::allocBool();
    value->setValue(result);
    return value;
}

CMC_Variable* CMC_BasicCondition_Runner::breakMth(CMC_BasicCondition* condition, CXVector* args,
                                                  bool oneBreak) {
    CMC_ArgumentsGuard guard(condition, nullptr, args);
    bool fireEvents = argumentCount(args) > 0 ? getParameterBool(args, 0)->getValue() : true;
    if (guard.gone()) return nullptr;
    if (!condition->valid(fireEvents)) return nullptr;
    return controlCode(oneBreak ? CONTROL_ONEBREAK : CONTROL_BREAK);
}

CMC_Variable* CMC_BasicCondition_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                             CXVector* args) {
    if (!isCondition(object)) return CMC_Runner::run(id, object, container, args);
    auto* condition = static_cast<CMC_BasicCondition*>(object);
    switch (id) {
    case MTH_CHECK:
        return check(condition, args);
    case MTH_BREAK:
        return breakMth(condition, args, false);
    case MTH_ONE_BREAK:
        return breakMth(condition, args, true);
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

} // namespace KavirelDLL
