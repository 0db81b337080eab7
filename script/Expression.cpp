#include "script/Expression.h"

#include <optional>

#include "core/Archive.h"
#include "core/Elements.h"
#include "script/Behaviour.h"
#include "script/BehaviourEntry.h"
#include "script/Bool.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace {

// A value taken from the pools (its own until handed back), not an object a container holds.
bool isPoolTemporary(CMC_Variable* value) {
    return value->getType() >= TYPE_INTEGER && value->getType() <= TYPE_DOUBLE && value->getId() >= 0;
}

int opOfChar(char c) {
    switch (c) {
    case '+':
        return OP_ADD;
    case '-':
        return OP_SUBTRACT;
    case '*':
        return OP_MULTIPLY;
    case '@':
        return OP_DIVIDE;
    case '%':
        return OP_MODULO;
    default:
        return 0;
    }
}

int findOperator(const CXString& text, int from) {
    for (int i = from; i < text.GetLength(); ++i)
        if (opOfChar(text.GetAt(i))) return i;
    return text.GetLength();
}

int countIn(const CXString& text, int from, int to, char c) {
    int count = 0;
    for (int i = from; i < to; ++i)
        if (text.GetAt(i) == c) ++count;
    return count;
}

// Nested brackets inside brackets inside... a result that is itself an expression is followed this deep.
constexpr int kMaxNesting = 64;

} // namespace

CMC_Expression::CMC_Expression(CMC_ObjectsContainer* scene, const CXString& text)
    : CMC_Variable(CXString("temp"), TYPE_EXPRESSION) {
    if (scene) setScene(scene);
    split(text);
    init();
}

CMC_Expression::CMC_Expression(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Variable(scene, element, TYPE_EXPRESSION, NoBinding{}), m_still(true) {
    if (scene) setScene(scene);
    Item first;
    Item second;
    if (element) {
        first.text = element->getPropertyValue("OPERAND1");
        second.text = element->getPropertyValue("OPERAND2");
        second.op = resolveOp(element->getPropertyValue("OPERATOR"));
    }
    m_items.push_back(first);
    m_items.push_back(second);
    initializeBehaviours(scene, element);
}

CMC_Expression::~CMC_Expression() {
    releaseAnchor();
    dropLines();
    delete m_hidden;
    delete m_ownInteger;
    delete m_ownDouble;
    delete m_ownBool;
    delete m_ownString;
}

int CMC_Expression::resolveOp(const CXString& text) {
    if (text.GetLength() == 1) return opOfChar(text.GetAt(0));
    if (text.equals("ADD")) return OP_ADD;
    if (text.equals("SUB")) return OP_SUBTRACT;
    if (text.equals("MUL")) return OP_MULTIPLY;
    if (text.equals("DIV")) return OP_DIVIDE;
    if (text.equals("MOD")) return OP_MODULO;
    return 0;
}

void CMC_Expression::split(const CXString& text) {
    int length = text.GetLength();
    int p = 0;
    int op = 0;
    while (true) {
        // Operators inside a nested bracket belong to the operand.
        int q = findOperator(text, p);
        while (q < length && countIn(text, p, q, '[') != countIn(text, p, q, ']'))
            q = findOperator(text, q + 1);
        Item item;
        item.text = text.Mid(p, q);
        item.op = op;
        m_items.push_back(item);
        if (q >= length) break;
        op = opOfChar(text.GetAt(q));
        p = q + 1;
    }
}

void CMC_Expression::serialize(CXArchive* archive) {
    if (!archive) return;
    CMC_Variable::serialize(archive);
    if (archive->isStoring()) {
        *archive << static_cast<int32_t>(m_items.size());
        for (const Item& item : m_items) {
            *archive << static_cast<int32_t>(item.op);
            *archive << item.text;
        }
        return;
    }
    int32_t count = 0;
    *archive >> &count;
    // Each operand takes at least its operator and its text's length.
    constexpr int32_t kMaxOperands = 1 << 12;
    if (!archive->good() || count < 0 || count > kMaxOperands) {
        archive->setErrorCode(ERR_FILE_DAMAGED);
        return;
    }
    dropLines();
    m_items.clear();
    for (int32_t i = 0; i < count && archive->good(); ++i) {
        Item item;
        int32_t op = 0;
        *archive >> &op;
        *archive >> &item.text;
        item.op = op >= 0 && op <= OP_MODULO ? op : 0;
        m_items.push_back(item);
    }
}

CXString CMC_Expression::getOperandText(int i) const {
    return i >= 0 && i < static_cast<int>(m_items.size()) ? m_items[static_cast<size_t>(i)].text
                                                          : CXString("");
}

int CMC_Expression::getOperator(int i) const {
    return i >= 0 && i < static_cast<int>(m_items.size()) ? m_items[static_cast<size_t>(i)].op : 0;
}

void CMC_Expression::dropLines() {
    for (Item& item : m_items) {
        CMC_Behaviour_Entry::destroy(item.line);
        item.line = nullptr;
    }
}

void CMC_Expression::init() {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    CMC_Object::init();
    if (!self->object) return;
    dropLines();
    CMC_Behaviour::placeHidden(m_hidden, getScene());
    // An empty operand (a leading sign, two operators in a row) gives no value.
    for (Item& item : m_items)
        if (item.text.IsString()) item.line = new CMC_Behaviour_Entry(m_hidden, item.text);
}

void CMC_Expression::keep(CMC_Variable* value, int depth) {
    m_result = nullptr;
    if (m_resultHeld) {
        m_resultObject.clear();
        m_resultHeld = false;
    }
    if (!value) return;
    switch (value->getType()) {
    case TYPE_INTEGER:
        if (!m_ownInteger) m_ownInteger = new CMC_Integer(CXString("temp"));
        m_ownInteger->setValue(static_cast<CMC_Integer*>(value)->getValue());
        m_result = m_ownInteger;
        break;
    case TYPE_DOUBLE:
        if (!m_ownDouble) m_ownDouble = new CMC_Double(CXString("temp"));
        m_ownDouble->setValue(static_cast<CMC_Double*>(value)->getValue());
        m_result = m_ownDouble;
        break;
    case TYPE_BOOL:
        if (!m_ownBool) m_ownBool = new CMC_Bool(CXString("temp"));
        m_ownBool->setValue(static_cast<CMC_Bool*>(value)->getValue());
        m_result = m_ownBool;
        break;
    case TYPE_STRING:
        if (!m_ownString) m_ownString = new CMC_String(CXString("temp"));
        m_ownString->setValue(static_cast<CMC_String*>(value)->value());
        m_result = m_ownString;
        break;
    case TYPE_EXPRESSION: {
        if (value == this || depth > kMaxNesting) return;
        std::shared_ptr<CMC_ObjectAnchor> self = anchor();
        CMC_Variable* inner = static_cast<CMC_Expression*>(value)->calculatedResult();
        if (self->object) keep(inner, depth + 1);
        return;
    }
    default:
        m_resultObject.set(value);
        m_resultHeld = true;
        m_result = value;
        return;
    }
    flush(value);
}

void CMC_Expression::calculate() { evaluate(); }

bool CMC_Expression::evaluate() {
    // An expression whose operand names the expression itself would calculate for ever.
    if (m_calculating) return true;
    // Operand lines may run script code that deletes this expression: stop touching it then. Only code can
    // delete it, so the anchor is taken before the first code runs (an operand that is not a value line, a
    // step of a value that is not a number), and so is the guard that keeps lines replaced meanwhile until
    // every run has returned.
    std::shared_ptr<CMC_ObjectAnchor> self;
    std::optional<CMC_Behaviour_Entry::RunGuard> running;
    auto beforeCode = [&] {
        if (self) return;
        self = anchor();
        running.emplace();
    };
    m_calculating = true;
    CMC_Variable* value = nullptr;
    // While every operand so far was an INTEGER (or every one a DOUBLE) the value is a number here, not a
    // temporary: the same steps the values' own arithmetic takes, without taking and handing back a value
    // for each one.
    int number = 0; // 1 an INTEGER in whole, 2 a DOUBLE in real
    int32_t whole = 0;
    double real = 0.0;
    // The scene the operand lines read their names in, found again after code ran.
    CMC_ObjectsContainer* scene = m_hidden ? m_hidden->getScene() : nullptr;
    for (size_t i = 0; i < m_items.size(); ++i) {
        const Item& item = m_items[i];
        CMC_Behaviour_Entry::AtHand hand;
        // A value at hand is never a temporary: nothing to hand back.
        bool atHand = item.line && item.line->atHand(scene, &hand);
        CMC_Variable* operand = hand.value;
        if (!atHand) {
            if (item.line) {
                beforeCode();
                // The value so far may be an object of a container, which the code may delete: it is watched,
                // and once gone it reads as missing.
                CMC_ObjectAnchor* held =
                    value && !(isPoolTemporary(value)) ? value->runAnchor() : nullptr;
                operand = item.line->runOnce(this, nullptr);
                if (isControlCode(operand)) operand = nullptr;
                if (held && !held->object) value = nullptr;
            }
            if (self && !self->object) {
                flush(value);
                flush(operand);
                return false;
            }
            scene = m_hidden ? m_hidden->getScene() : nullptr;
        }
        int type = operand            ? operand->getType()
                   : hand.number == 1 ? TYPE_INTEGER
                   : hand.number == 2 ? TYPE_DOUBLE
                                      : 0;
        if (i == 0 || number) {
            if (type == TYPE_INTEGER && (i == 0 || number == 1)) {
                int32_t given = operand ? static_cast<CMC_Integer*>(operand)->getValue() : hand.whole;
                whole = i == 0 ? given : CMC_Integer::arithmetic(whole, given, item.op);
                number = 1;
                if (!atHand) flush(operand);
                continue;
            }
            if (type == TYPE_DOUBLE && (i == 0 || number == 2)) {
                double given = operand ? static_cast<CMC_Double*>(operand)->getValue() : hand.real;
                real = i == 0 ? given : CMC_Double::arithmetic(real, given, item.op);
                number = 2;
                if (!atHand) flush(operand);
                continue;
            }
            if (number) {
                // Another kind of operand: on with the value as a temporary, as it would have been.
                value = number == 1 ? static_cast<CMC_Variable*>(CMC_VariableFactory::allocInteger(whole))
                                    : CMC_VariableFactory::allocDouble(real);
                number = 0;
            }
        }
        // A number literal given as a number takes its value as a value now (its line runs no code).
        if (!operand && hand.number) operand = item.line->runOnce(this, nullptr);
        if (i == 0) {
            value = operand;
            continue;
        }
        if (!value) {
            flush(operand);
            continue;
        }
        // An operand that is an expression calculates now, with the same risk.
        beforeCode();
        CMC_Variable* next = value->calculate(operand, item.op);
        flush(value);
        flush(operand);
        value = next;
        if (!self->object) {
            flush(value);
            return false;
        }
        scene = m_hidden ? m_hidden->getScene() : nullptr;
    }
    if (number && m_resultHeld) {
        m_resultObject.clear();
        m_resultHeld = false;
    }
    if (number == 1) {
        if (!m_ownInteger) m_ownInteger = new CMC_Integer(CXString("temp"));
        m_ownInteger->setValue(whole);
        m_result = m_ownInteger;
    } else if (number == 2) {
        if (!m_ownDouble) m_ownDouble = new CMC_Double(CXString("temp"));
        m_ownDouble->setValue(real);
        m_result = m_ownDouble;
    } else {
        beforeCode();
        keep(value, 0);
        if (!self->object) return false;
    }
    m_calculating = false;
    return true;
}

CMC_Variable* CMC_Expression::getResult() {
    if (m_result && m_result != m_ownInteger && m_result != m_ownDouble && m_result != m_ownBool &&
        m_result != m_ownString)
        return static_cast<CMC_Variable*>(m_resultObject.current());
    return m_result;
}

bool CMC_Expression::isStill() { return m_still; }

// Calculating runs the operands' code, which may delete the expression: its value is read only if it lives.
CMC_Variable* CMC_Expression::calculatedResult() {
    return evaluate() ? CMC_Expression::getResult() : nullptr;
}

CXObject* CMC_Expression::clone() {
    CMC_Variable* result = calculatedResult();
    return result ? result->clone() : nullptr;
}

CXString CMC_Expression::toString() {
    CMC_Variable* result = calculatedResult();
    return result ? result->toString() : CXString("");
}

void CMC_Expression::set(CMC_Variable*) {}
void CMC_Expression::clear() {}
void CMC_Expression::swap(CMC_Variable*, CMC_Variable*) {}
void CMC_Expression::inc() {}
void CMC_Expression::dec() {}
void CMC_Expression::setDefault(CMC_Variable*) {}
void CMC_Expression::resetINI() {}
int CMC_Expression::getBufferLen() { return 0; }
void CMC_Expression::netstore(void*) {}
bool CMC_Expression::netrestore(const void*, int) { return false; }
void CMC_Expression::store(CXArchive*) {}
void CMC_Expression::restore(CXArchive*) {}
void CMC_Expression::fromString(const CXString&) {}

bool CMC_Expression::equals(CMC_Variable* other) {
    CMC_Variable* result = calculatedResult();
    if (!result || !other) return false;
    CMC_Variable* compared = other;
    if (other->getType() != result->getType()) compared = other->convert(result->getType());
    if (!compared) return false;
    bool same = result->equals(compared);
    flush(compared);
    return same;
}

int CMC_Expression::compare(CMC_Variable* other) {
    CMC_Variable* result = calculatedResult();
    if (!result || !other) return -1;
    CMC_Variable* compared = other;
    if (other->getType() != result->getType()) compared = other->convert(result->getType());
    if (!compared) return -1;
    int order = result->compare(compared);
    flush(compared);
    return order;
}

CMC_Variable* CMC_Expression::convert(int type) {
    CMC_Variable* result = calculatedResult();
    return result ? result->convert(type) : nullptr;
}

CMC_Variable* CMC_Expression::calculate(CMC_Variable* other, int op) {
    CMC_Variable* result = calculatedResult();
    return result ? result->calculate(other, op) : nullptr;
}

} // namespace KavirelDLL
