#include "script/Condition.h"

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/Archive.h"
#include "core/Elements.h"
#include "script/Behaviour.h"
#include "script/BehaviourEntry.h"
#include "script/Bool.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/Structure.h"
#include "script/Variable.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace {

bool isCondition(CMC_Object* object) {
    return object && (object->getType() == TYPE_CONDITION || object->getType() == TYPE_COMPLEXCONDITION);
}

bool bothIntegers(CMC_Variable* first, CMC_Variable* second) {
    return first->getType() == TYPE_INTEGER && second->getType() == TYPE_INTEGER;
}

// What an INTEGER's equals and compare answer for another INTEGER, without the calls.
bool compareNumbers(CMC_Variable* first, CMC_Variable* second, int op) {
    int32_t a = static_cast<CMC_Integer*>(first)->getValue();
    int32_t b = static_cast<CMC_Integer*>(second)->getValue();
    switch (op) {
    case COND_EQUAL:
        return a == b;
    case COND_NOTEQUAL:
        return a != b;
    case COND_LESS:
        return a < b;
    case COND_LESSEQUAL:
        return a <= b;
    case COND_GREATER:
        return a > b;
    case COND_GREATEREQUAL:
        return a >= b;
    default:
        return false;
    }
}

// The first value's test against the second; the second is taken as it is.
bool compareBy(CMC_Variable* first, CMC_Variable* second, int op) {
    if (bothIntegers(first, second)) return compareNumbers(first, second, op);
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

bool isScalar(int type) { return type >= TYPE_INTEGER && type <= TYPE_DOUBLE; }

// ---- tests given as text, worked out once per text ----
//
// What a text says (its operator, where its operands are, which operand is a constant) never changes, so it
// is worked out once and kept under the text. What an operand names is looked up again whenever any
// container changed since (CMC_ObjectsContainer::getLookupGeneration), and an operand that is code runs
// through the text interpreter each time, so every answer is the one the text would give read afresh.

// One operand, as CMC_Behaviour::resolveParameter reads it.
struct Operand {
    enum class Kind : uint8_t { Code, Constant, Field, Name };
    Kind kind = Kind::Constant;
    bool plain = false; // a name or a constant: reading it runs no code and makes no temporary
    CXString given; // as written, for INSTANCEOF
    CXString text;  // without surrounding blanks
    CXString structName, fieldName;
    std::unique_ptr<CMC_Variable> constant; // the text's own value, where no object answers to the name
    CMC_NameLookup names;

    explicit Operand(const CXString& written) : given(written), text(written) {
        text.AllTrim();
        int length = text.GetLength();
        char first = text.GetAt(0);
        if ((length >= 2 && first == '[' && text.lastChar() == ']') ||
            (length >= 4 && std::strncmp(text.GetBuffer(), "CONV", 4) == 0) ||
            (text.Find('^') >= 0 && first != '"')) {
            kind = Kind::Code;
            return;
        }
        int bar = text.Find('|');
        if (first != '-' && (first < '0' || first > '9') && bar >= 0) {
            kind = Kind::Field;
            structName = text.Left(bar);
            fieldName = text.Right(bar + 1);
            return;
        }
        CMC_Variable* resolved = CMC_Variable::resolve(text);
        constant.reset(CMC_VariableFactory::ownedCopy(resolved));
        CMC_Object::flush(resolved);
        kind = first == '-' || (first >= '0' && first <= '9') ? Kind::Constant : Kind::Name;
        plain = true;
    }

    // The operand's value now: a pool temporary (the caller hands it back), an object, or null.
    CMC_Variable* value(CMC_ObjectsContainer* container) {
        switch (kind) {
        case Kind::Code:
            return valueOf(CMC_Behaviour::resolveParameter(container, nullptr, text, nullptr));
        case Kind::Field: {
            CMC_Object* structure = names.get(container, structName);
            if (!structure || structure->getType() != TYPE_STRUCTURE) return nullptr;
            return static_cast<CMC_Structure*>(structure)->getField(fieldName);
        }
        case Kind::Name: {
            CMC_Object* object = names.get(container, text);
            if (object && isScalar(object->getType())) return static_cast<CMC_Variable*>(object);
            return constant.get();
        }
        default:
            return constant.get();
        }
    }
};

// One test: an operator between two operands (no operator, -1: the test fails without reading them).
struct Test {
    int op = -1;
    std::shared_ptr<Operand> first;
    std::shared_ptr<Operand> second;
};

// A whole IF text: its tests, joined by "&&" or by "||".
struct Tests {
    bool any = false;
    std::vector<Test> tests;
};

struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
};

// Entries are shared: a test that is running holds its own, so the cache can be emptied under it (by code
// its operands run, which tests texts of its own).
template <typename T>
using TextMap = std::unordered_map<std::string, std::shared_ptr<T>, TextHash, std::equal_to<>>;

// Texts made at run time ($n, texts built by scripts) could fill the cache without end: it holds at most
// this many entries, and starts again when a new one would pass that.
constexpr size_t kMaxCachedTexts = CMC_Condition::MAX_CACHED_TEXTS;

TextMap<Operand> g_operands;
TextMap<Test> g_tests;
TextMap<Tests> g_joined;

std::string_view viewOf(const CXString& text) {
    return std::string_view(text.GetBuffer(), static_cast<size_t>(text.GetLength()));
}

size_t cachedCount() { return g_operands.size() + g_tests.size() + g_joined.size(); }

// The entry of the text, made by make(the text as a CXString) the first time.
template <typename T, typename Make>
std::shared_ptr<T> cached(TextMap<T>& map, std::string_view view, Make make) {
    auto at = map.find(view);
    if (at != map.end()) return at->second;
    std::string key(view);
    std::shared_ptr<T> made = make(CXString(key.c_str()));
    // Making it may have added entries of the other kinds: the bound is checked just before adding.
    if (cachedCount() >= kMaxCachedTexts) {
        g_joined.clear();
        g_tests.clear();
        g_operands.clear();
    }
    map.emplace(std::move(key), made);
    return made;
}

std::shared_ptr<Operand> operandOf(std::string_view view) {
    return cached(g_operands, view, [](const CXString& text) { return std::make_shared<Operand>(text); });
}

std::shared_ptr<Test> testOf(std::string_view view) {
    return cached(g_tests, view, [](const CXString& text) {
        auto made = std::make_shared<Test>();
        int quote = text.Find('\'');
        int start;
        int after;
        if (quote >= 0) {
            char before = quote > 0 ? text.GetAt(quote - 1) : 0;
            made->op = before == '!'   ? COND_NOTEQUAL
                       : before == '<' ? COND_LESSEQUAL
                       : before == '>' ? COND_GREATEREQUAL
                                       : COND_EQUAL;
            start = made->op == COND_EQUAL ? quote : quote - 1;
            after = quote + 1;
        } else if ((start = text.Find('<')) >= 0) {
            made->op = COND_LESS;
            after = start + 1;
        } else if ((start = text.Find('>')) >= 0) {
            made->op = COND_GREATER;
            after = start + 1;
        } else if ((start = text.Find('?')) >= 0) {
            made->op = COND_INSTANCEOF;
            after = start + 1;
        } else {
            // No operator at all: nothing to test.
            return made;
        }
        made->first = operandOf(viewOf(text.Left(start)));
        made->second = operandOf(viewOf(text.Right(after)));
        return made;
    });
}

// Split at every "&&" when there is one, else at every "||"; "or" (stop at the first true piece) whenever
// a "||" stands anywhere, so in A'1&&B'2||C'3 the second piece compares B with the text 2||C'3.
std::shared_ptr<Tests> joinedOf(std::string_view view) {
    return cached(g_joined, view, [](const CXString& text) {
        auto made = std::make_shared<Tests>();
        bool hasAnd = std::strstr(text.GetBuffer(), "&&") != nullptr;
        made->any = std::strstr(text.GetBuffer(), "||") != nullptr;
        const char* separator = hasAnd ? "&&" : made->any ? "||" : nullptr;
        if (!separator) {
            made->tests.push_back(*testOf(viewOf(text)));
            return made;
        }
        CXString sep(separator);
        int start = 0;
        for (int at = text.indexOf(sep, 0); at >= 0; at = text.indexOf(sep, start)) {
            made->tests.push_back(*testOf(viewOf(text.Mid(start, at))));
            start = at + sep.GetLength();
        }
        made->tests.push_back(*testOf(viewOf(text.Right(start))));
        return made;
    });
}

// A value an operand gave back, handed back as CMC_Object::flush does (only pool temporaries go; an operand
// may be any object, so its type is asked before its pool id).
void handBack(CMC_Variable* value) {
    if (value && value->getType() >= TYPE_INTEGER && value->getType() <= TYPE_DOUBLE && value->getId() >= 0)
        CMC_Object::flush(value);
}

// The test with both operands read now.
bool run(CMC_ObjectsContainer* container, const Test& test) {
    if (test.op < 0) return false;
    if (test.first->plain && test.second->plain && test.op != COND_INSTANCEOF) {
        // Names and constants: nothing runs, so nothing can go away meanwhile.
        CMC_Variable* a = test.first->value(container);
        CMC_Variable* b = test.second->value(container);
        bool result = a && b && (bothIntegers(a, b) ? compareNumbers(a, b, test.op) : compareBy(a, b, test.op));
        handBack(a);
        handBack(b);
        return result;
    }
    CMC_Behaviour_Entry::RunGuard running;
    // Only an operand that is code runs anything, and so may delete the container.
    bool code = test.first->kind == Operand::Kind::Code || test.second->kind == Operand::Kind::Code;
    std::shared_ptr<CMC_ObjectAnchor> scene = container && code ? container->anchor() : nullptr;
    auto live = [&] {
        if (!code) return container;
        return scene ? static_cast<CMC_ObjectsContainer*>(scene->object) : nullptr;
    };
    CMC_Variable* a = test.first->value(container);
    // The second operand's code may delete the object the first one read: it reads as missing then.
    CMC_ObjectAnchor* first =
        a && test.second->kind == Operand::Kind::Code && a->getId() < 0 ? a->runAnchor() : nullptr;
    // The first operand's code may have deleted the container.
    auto* here = live();
    CMC_Variable* b = test.second->value(here);
    if (first && !first->object) a = nullptr;
    bool result = false;
    if (a && b) {
        if (test.op == COND_INSTANCEOF) {
            here = live();
            CMC_Object* object = here ? here->getObject(test.first->given) : nullptr;
            result = object && CMC_Object::typeToString(object->getType()).equals(test.second->given);
        } else {
            result = compareBy(a, b, test.op);
        }
    }
    CMC_Object::flush(a);
    CMC_Object::flush(b);
    return result;
}

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
        CMC_Variable* first = valueOf(line1->runOnce(nullptr, nullptr));
        CMC_Variable* second = valueOf(line2->runOnce(nullptr, nullptr));
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
    std::shared_ptr<Test> test = testOf(viewOf(text));
    return run(container, *test);
}

CMC_TestMemo::CMC_TestMemo() = default;
CMC_TestMemo::~CMC_TestMemo() = default;

bool CMC_Condition::compareValues(CMC_Variable* first, CMC_Variable* second, int op) {
    if (!first || !second || op < COND_EQUAL || op > COND_GREATEREQUAL) return false;
    return compareBy(first, second, op);
}

bool CMC_Condition::test(CMC_ObjectsContainer* container, const CXString& text) {
    return test(container, text, nullptr);
}

bool CMC_Condition::test(CMC_ObjectsContainer* container, const CXString& text, CMC_TestMemo* memo) {
    std::string_view view = viewOf(text);
    std::shared_ptr<Tests> kept;
    const Tests* tests;
    if (memo) {
        // A line gives its memo only outside its own call, so no test run below changes what it holds.
        if (!memo->m_tests || memo->m_text.size() != view.size() ||
            !sameText(memo->m_text.data(), view.data(), view.size())) {
            memo->m_tests = joinedOf(view);
            memo->m_text.assign(view);
        }
        tests = static_cast<const Tests*>(memo->m_tests.get());
    } else {
        kept = joinedOf(view);
        tests = kept.get();
    }
    const Tests& joined = *tests;
    if (joined.tests.size() == 1) return run(container, joined.tests[0]);
    // Left to right, stopping at the first test that decides.
    std::shared_ptr<CMC_ObjectAnchor> scene = container ? container->anchor() : nullptr;
    bool result = false;
    for (const Test& test : joined.tests) {
        result = run(scene ? static_cast<CMC_ObjectsContainer*>(scene->object) : nullptr, test);
        if (result == joined.any) break;
    }
    return result;
}

size_t CMC_Condition::cachedTexts() { return cachedCount(); }

int CMC_Condition::operatorOf(std::string_view op) {
    if (op.size() == 1) {
        char sign = op[0];
        return sign == '<' ? COND_LESS : sign == '>' ? COND_GREATER : sign == '?' ? COND_INSTANCEOF : COND_EQUAL;
    }
    if (op.size() != 2) return COND_EQUAL;
    if (op[1] == '_') {
        char sign = op[0];
        return sign == '!'   ? COND_NOTEQUAL
               : sign == '<' ? COND_LESSEQUAL
               : sign == '>' ? COND_GREATEREQUAL
                             : COND_EQUAL;
    }
    return op[0] == '<' && op[1] == '>' ? COND_NOTEQUAL : COND_EQUAL;
}

bool CMC_Condition::valid(CMC_ObjectsContainer* container, const CXString& first, const CXString& second,
                          const CXString& op) {
    return valid(container, viewOf(first), viewOf(second), operatorOf(viewOf(op)));
}

bool CMC_Condition::valid(CMC_ObjectsContainer* container, const CXString& first, const CXString& second,
                          int op) {
    return valid(container, viewOf(first), viewOf(second), op);
}

bool CMC_Condition::valid(CMC_ObjectsContainer* container, std::string_view first, std::string_view second,
                          int op) {
    Test test;
    test.op = op;
    test.first = operandOf(first);
    test.second = operandOf(second);
    return run(container, test);
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
