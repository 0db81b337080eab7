#include "script/BehaviourEntry.h"

#include <optional>

#include <bit>
#include <memory>
#include <type_traits>

#include "core/Log.h"
#include "script/Bool.h"
#include "script/Condition.h"
#include "script/Double.h"
#include "script/Expression.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/Structure.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

int CMC_Behaviour_Entry::s_running = 0;
int CMC_Behaviour_Entry::s_inlineCounter = 0;
std::vector<CMC_Behaviour_Entry*> CMC_Behaviour_Entry::s_retiredEntries;
std::vector<std::vector<CMC_Behaviour_Entry*>*> CMC_Behaviour_Entry::s_retiredLines;
std::vector<std::shared_ptr<CMC_ObjectAnchor>> CMC_Behaviour_Entry::s_retiredAnchors;
CMC_Debugger* CMC_Behaviour_Entry::debugger = nullptr;
CMC_CallMemo* CMC_CallMemo::s_current = nullptr;
CXVector* CMC_CallMemo::s_args = nullptr;
CXVector* CMC_CallMemo::s_droppedArgs = nullptr;

CMC_CallMemo::CMC_CallMemo() = default;
CMC_CallMemo::~CMC_CallMemo() = default;

CMC_Object* CMC_CallMemo::objectNamedAfresh(int index, CMC_ObjectsContainer* container,
                                            const CXString& name) {
    if (index < 0 || !container) return nullptr;
    if (static_cast<size_t>(index) >= m_named.size()) m_named.resize(static_cast<size_t>(index) + 1);
    Named& named = m_named[static_cast<size_t>(index)];
    if (!sameText(named.name, name)) {
        // Another name: its lookup starts afresh.
        named.name = name;
        named.lookup = CMC_NameLookup();
    }
    return named.lookup.get(container, named.name);
}

CMC_TestMemo* CMC_CallMemo::makeTest() {
    m_test = std::make_unique<CMC_TestMemo>();
    return m_test.get();
}

namespace {

bool isScalar(int type) { return type >= TYPE_INTEGER && type <= TYPE_DOUBLE; }

CMC_Runner* runnerOf(CMC_Object* object) {
    if (!object) return nullptr;
    CMC_Runner* runner = CMC_RunnerFactory::getRunner(object->getType());
    return runner ? runner : object->getRunner();
}

// Arguments, brackets and inline code inside one another: each level is parsed (and later run) one call
// deeper, so a line nested past this is not parsed.
constexpr int kMaxParseDepth = 256;
int g_parseDepth = 0;

CXString withoutBrackets(const CXString& text) {
    int length = text.GetLength();
    return text.Mid(1, length > 1 && text.lastChar() == ']' ? length - 1 : length);
}

} // namespace

// ---- splitting and deleting ----

std::vector<CXString> CMC_Behaviour_Entry::splitCode(const CXString& code) {
    std::vector<CXString> pieces;
    CXString piece;
    int depth = 0;
    int length = code.GetLength();
    const char* text = code.GetBuffer();
    for (int i = 0; i < length; ++i) {
        char c = text[i];
        if (c == ' ') continue;
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (c == ';' && depth == 0) {
            pieces.push_back(piece);
            piece = "";
            continue;
        }
        piece += c;
    }
    // What follows the last ";" is not a line.
    return pieces;
}

std::vector<CMC_Behaviour_Entry*>* CMC_Behaviour_Entry::getCodeLines(CMC_Behaviour* owner,
                                                                     const CXString& code) {
    auto* lines = new std::vector<CMC_Behaviour_Entry*>();
    for (const CXString& piece : splitCode(code)) {
        lines->push_back(new CMC_Behaviour_Entry(owner, piece));
        // A behaviour's own line: its run drops whatever value the line gives.
        lines->back()->m_valueDropped = true;
    }
    lines->push_back(nullptr);
    return lines;
}

void CMC_Behaviour_Entry::destroy(CMC_Behaviour_Entry* entry) {
    if (!entry) return;
    if (s_running > 0)
        s_retiredEntries.push_back(entry);
    else
        delete entry;
}

void CMC_Behaviour_Entry::destroyLines(std::vector<CMC_Behaviour_Entry*>* lines) {
    if (!lines) return;
    if (s_running > 0) {
        s_retiredLines.push_back(lines);
        return;
    }
    for (CMC_Behaviour_Entry* line : *lines) delete line;
    delete lines;
}

void CMC_Behaviour_Entry::flushRetired() {
    // Deleting lines deletes their inline behaviours, whose lines go too; no script code runs here.
    while (!s_retiredEntries.empty() || !s_retiredLines.empty()) {
        std::vector<CMC_Behaviour_Entry*> entries;
        std::vector<std::vector<CMC_Behaviour_Entry*>*> lists;
        entries.swap(s_retiredEntries);
        lists.swap(s_retiredLines);
        for (CMC_Behaviour_Entry* entry : entries) delete entry;
        for (auto* list : lists) {
            for (CMC_Behaviour_Entry* line : *list) delete line;
            delete list;
        }
    }
    // Nothing runs now, so no plain anchor pointer is held any more.
    s_retiredAnchors.clear();
}

// ---- texts ----

const CXString& CMC_Behaviour_Entry::fillParams(const CXString& text, CXArray* params) {
    static CXString buff;
    buff = "";
    int count = params ? params->getSize() : 0;
    int length = text.GetLength();
    const char* chars = text.GetBuffer();
    for (int i = 0; i < length; ++i) {
        char c = chars[i];
        if (c != '$' || i + 1 >= length) {
            buff += c;
            continue;
        }
        int index = static_cast<unsigned char>(chars[i + 1]) - static_cast<unsigned char>('1');
        if (index >= 0 && index < count) {
            if (auto* value = static_cast<CXString*>(params->at(index))) buff += *value;
        } else {
            // No such parameter: both characters stay as they are.
            buff += c;
            buff += chars[i + 1];
        }
        ++i;
    }
    return buff;
}

bool CMC_Behaviour_Entry::fillsAs(const CXString& text, CXArray* params, const CXString& filled) {
    int count = params ? params->getSize() : 0;
    int length = text.GetLength();
    const char* chars = text.GetBuffer();
    if (length == 2 && chars[0] == '$') {
        // A whole argument of one parameter, the commonest.
        int index = static_cast<unsigned char>(chars[1]) - static_cast<unsigned char>('1');
        if (index >= 0 && index < count) {
            auto* value = static_cast<CXString*>(params->at(index));
            return value ? sameText(*value, filled) : !filled.IsString();
        }
    }
    const char* into = filled.GetBuffer();
    int left = filled.GetLength();
    for (int i = 0; i < length; ++i) {
        char c = chars[i];
        if (c != '$' || i + 1 >= length) {
            if (left == 0 || *into != c) return false;
            ++into;
            --left;
            continue;
        }
        int index = static_cast<unsigned char>(chars[i + 1]) - static_cast<unsigned char>('1');
        if (index >= 0 && index < count) {
            if (auto* value = static_cast<CXString*>(params->at(index))) {
                int n = value->GetLength();
                if (n > left || !sameText(into, value->GetBuffer(), static_cast<size_t>(n))) return false;
                into += n;
                left -= n;
            }
        } else {
            if (left < 2 || into[0] != c || into[1] != chars[i + 1]) return false;
            into += 2;
            left -= 2;
        }
        ++i;
    }
    return left == 0;
}

CXString CMC_Behaviour_Entry::getStringValue(CMC_Variable* value) {
    if (!value || isControlCode(value)) return CXString("");
    if (value->getType() == TYPE_STRING) return static_cast<CMC_String*>(value)->getValue();
    CMC_Variable* text = value->convert(TYPE_STRING);
    CXString result =
        text && text->getType() == TYPE_STRING ? static_cast<CMC_String*>(text)->getValue() : CXString("");
    if (text && text != value) flush(text);
    return result;
}

// ---- parsing ----

CMC_Behaviour_Entry::CMC_Behaviour_Entry(CMC_Behaviour* owner, const CXString& line)
    : CMC_Object(CXString("code"), TYPE_CODE_LINE), m_line(line) {
    if (owner) m_owner.set(owner);
    if (g_parseDepth >= kMaxParseDepth) {
        // A statement without a runner: it yields nothing.
        m_form = Form::Statement;
        logMessage("code nested more than %d deep is not parsed: %.40s", kMaxParseDepth, m_line.GetBuffer());
        return;
    }
    ++g_parseDepth;
    parse();
    --g_parseDepth;
}

CMC_Behaviour_Entry::~CMC_Behaviour_Entry() {
    releaseAnchor();
    for (Slot& slot : m_slots) {
        destroy(slot.nested);
        if (slot.kind == SlotKind::Inline && m_release) {
            if (CMC_Object* behaviour = slot.ref.current()) CMC_Behaviour::removeAndDelete(behaviour);
        }
        delete slot.owned;
    }
    delete m_expression;
    delete m_nestedView;
    delete m_ownLiteral;
}

CMC_Behaviour* CMC_Behaviour_Entry::getOwner() { return static_cast<CMC_Behaviour*>(m_owner.current()); }

CMC_ObjectsContainer* CMC_Behaviour_Entry::getScene() {
    // The owner is a behaviour, whose scene is its own.
    CMC_Object* owner = m_owner.current();
    return owner ? static_cast<CMC_ObjectsContainer*>(owner->sceneObject()) : nullptr;
}

CMC_Object* CMC_Behaviour_Entry::getObject() { return m_target.current(); }

CXVector* CMC_Behaviour_Entry::getParameters() {
    if (!m_nestedView) m_nestedView = new CXVector(static_cast<int>(m_slots.size()) + 1, 0.75f);
    m_nestedView->removeAll();
    for (const Slot& slot : m_slots) m_nestedView->add(slot.nested);
    return m_nestedView;
}

CMC_Variable* CMC_Behaviour_Entry::asVariable(CMC_Object* object) {
    return dynamic_cast<CMC_Variable*>(object);
}

CMC_Behaviour* CMC_Behaviour_Entry::makeInlineBehaviour(CMC_ObjectsContainer* scene, const CXString& piece,
                                                        const char* prefix, CXString* name) {
    int length = piece.GetLength();
    CXString code = piece.GetAt(0) == '"' ? piece.Mid(2, length - 2) : piece.Mid(1, length - 1);
    *name = CXString(prefix) + CXString::toString(nextInlineNumber());
    auto* behaviour = new CMC_Behaviour(scene, *name, code);
    CMC_ObjectHandle handle(behaviour);
    behaviour->init();
    if (!handle.current()) return nullptr;
    if (scene) scene->addObject(behaviour);
    return behaviour;
}

void CMC_Behaviour_Entry::parse() {
    CXString line = m_line;
    if (line.GetLength() > 0 && line.lastChar() == ';') line.left(line.GetLength() - 1);
    m_line = line;
    int length = line.GetLength();
    int p = line.Find('(');
    if (p < 0) p = length;
    CMC_ObjectsContainer* scene = getScene();
    char first = line.GetAt(0);

    if (first == '@') {
        m_form = Form::Statement;
        m_method = line.Mid(1, p);
        m_runner = CMC_RunnerFactory::getRunner(TYPE_PLACEHOLDER);
        if (!m_runner) {
            if (CMC_Behaviour* owner = getOwner()) m_runner = owner->getRunner();
        }
        m_methodId = m_runner ? m_runner->resolveMethod(m_method) : -1;
    } else if (first == '*') {
        m_form = Form::Reference;
        m_reference = true;
        int close = line.Find(']');
        int r = close >= 0 ? close + 1 : 0;
        int c;
        if (r < p) {
            c = line.Find('^', r);
            if (c < 0) c = length;
            p = line.Find('(', c);
            if (p < 0) p = length;
        } else {
            c = line.Find('^');
            if (c < 0) c = length;
        }
        m_referenceText = line.Mid(1, c);
        if (m_referenceText.GetAt(0) == '[') {
            m_expression = new CMC_Expression(scene, withoutBrackets(m_referenceText));
        } else if (scene) {
            if (CMC_Object* source = scene->getObject(m_referenceText)) m_referenceSource.set(source, scene);
        }
        m_method = line.Mid(c + 1, p);
    } else if (line.startsWith("THIS")) {
        m_form = Form::This;
        m_this = true;
        m_method = line.Mid(5, p);
    } else if (first == '[') {
        CXString rest = withoutBrackets(line);
        if (rest.Find('$') >= 0) {
            m_form = Form::ValueText;
            m_valueText = "[" + rest + "]";
            m_dollar = true;
            parseLiteral(m_line);
        } else {
            m_form = Form::Expression;
            m_expression = new CMC_Expression(scene, rest);
        }
        return;
    } else if (line.Find('^') < 0 || first == '"') {
        parseValue(line);
        return;
    } else {
        m_form = Form::Call;
        int caret = line.Find('^');
        m_targetName = line.Left(caret);
        m_method = line.Mid(caret + 1, p);
        if (m_targetName.Find('$') >= 0) {
            m_deferredTarget = true;
        } else if (CMC_Object* target = findTarget(scene)) {
            // Local variables come and go with each run: they are looked up as the line runs.
            if (!target->isTemporary()) bindTarget(target);
        }
    }
    m_methodDollar = m_method.Find('$') >= 0;
    m_argText = p < length ? line.Mid(p + 1, length - 1) : CXString("");
    parseArguments(m_argText);
}

void CMC_Behaviour_Entry::parseValue(const CXString& text) {
    m_form = Form::ValueText;
    m_valueText = text;
    m_dollar = text.Find('$') >= 0;
    CMC_ObjectsContainer* scene = getScene();
    if (scene) {
        CMC_Object* object = scene->getObject(text);
        // An object that is not a value (an animation, a behaviour) goes by its name instead.
        if (object && !object->isTemporary() && asVariable(object)) {
            m_form = Form::Value;
            m_constant.set(object, scene);
        }
    }
    int bar = text.Find('|');
    if (bar >= 0) {
        m_structName = text.Left(bar);
        m_fieldName = text.Right(bar + 1);
    }
    m_plain = !m_dollar && !m_structName.IsString() && !m_fieldName.IsString();
    parseLiteral(m_line);
}

void CMC_Behaviour_Entry::LiteralText::read(const CXString& line) {
    kind = Literal::String;
    if (!line.IsString()) {
        text = "";
    } else if (line.GetAt(0) == '"') {
        CXString inner = line.Right(1);
        if (inner.GetLength() > 0 && inner.lastChar() == '"') inner.left(inner.GetLength() - 1);
        text = inner;
    } else if (CMC_Variable::isNumber(line)) {
        if (line.Find('.') < 0) {
            kind = Literal::Integer;
            whole = line.toNumber();
        } else {
            kind = Literal::Double;
            real = line.toDouble();
        }
    } else if (line.equals("TRUE") || line.equals("FALSE")) {
        kind = Literal::Bool;
        flag = line.equals("TRUE");
    } else {
        text = line;
    }
}

void CMC_Behaviour_Entry::parseLiteral(const CXString& text) {
    LiteralText literal;
    literal.read(text);
    m_literal = literal.kind;
    m_literalText = literal.text;
    m_literalInteger = literal.whole;
    m_literalDouble = literal.real;
    m_literalBool = literal.flag;
}

void CMC_Behaviour_Entry::parseArguments(const CXString& text) {
    CMC_ObjectsContainer* scene = getScene();
    CMC_Behaviour* owner = getOwner();
    int length = text.GetLength();
    int depth = 0;
    int start = 0;
    for (int i = 0; i <= length; ++i) {
        char c = i < length ? text.GetAt(i) : ',';
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (c != ',' || (depth != 0 && i < length)) continue;
        CXString piece = text.Mid(start, i);
        start = i + 1;
        if (!piece.IsString()) continue;

        Slot slot;
        char first = piece.GetAt(0);
        bool dollar = piece.Find('$') >= 0;
        slot.dollar = dollar;
        if (first == '[' && !dollar) {
            slot.kind = SlotKind::Expression;
            slot.owned = new CMC_Expression(scene, withoutBrackets(piece));
        } else if (first == '@' || dollar || piece.Find('^') >= 0) {
            if (first == '{' || (first == '"' && piece.GetAt(1) == '{')) {
                CXString name;
                CMC_Behaviour* behaviour = makeInlineBehaviour(scene, piece, "temp_", &name);
                slot.kind = SlotKind::Inline;
                if (behaviour) slot.ref.set(behaviour);
                slot.owned = new CMC_String(CXString("temp"), name);
                if (dollar) m_constantArgs = false;
            } else {
                slot.kind = SlotKind::Nested;
                slot.nested = new CMC_Behaviour_Entry(owner, piece);
                m_constantArgs = false;
            }
        } else if (first == '&') {
            slot.kind = SlotKind::Variable;
            CXString name = piece.Right(1);
            CMC_Variable* variable = scene ? scene->getVariable(name) : nullptr;
            if (variable) {
                slot.ref.set(variable, scene);
            } else {
                CMC_Variable* resolved = CMC_Variable::resolve(name);
                slot.owned = CMC_VariableFactory::ownedCopy(resolved);
                flush(resolved);
            }
        } else {
            slot.kind = SlotKind::Nested;
            slot.nested = new CMC_Behaviour_Entry(owner, piece);
            m_constantArgs = false;
        }
        m_slots.push_back(std::move(slot));
    }
}

CMC_Object* CMC_Behaviour_Entry::findTarget(CMC_ObjectsContainer* scene) {
    if (!scene) return nullptr;
    int bar = m_targetName.Find('|');
    if (bar >= 0) {
        CMC_Object* structure = scene->getObject(m_targetName.Left(bar));
        if (structure && structure->getType() == TYPE_STRUCTURE)
            return static_cast<CMC_Structure*>(structure)->getField(m_targetName.Right(bar + 1));
    }
    return scene->getObject(m_targetName);
}

void CMC_Behaviour_Entry::bindTarget(CMC_Object* object) {
    m_target.set(object);
    m_targetBound = true;
    m_runner = runnerOf(object);
    m_methodId = m_runner ? m_runner->resolveMethod(m_method) : -1;
}

// ---- running ----

CMC_Variable* CMC_Behaviour_Entry::makeLiteral() {
    switch (m_literal) {
    case Literal::Integer:
        return CMC_VariableFactory::allocInteger(m_literalInteger);
    case Literal::Double:
        return CMC_VariableFactory::allocDouble(m_literalDouble);
    case Literal::Bool:
        return CMC_VariableFactory::allocBool(m_literalBool);
    default:
        return CMC_VariableFactory::allocString(m_literalText);
    }
}

namespace {

// Sets the line's own literal only when a runner changed it: it has no handlers, so setting the value it
// holds would do nothing.
template <typename V, typename T>
void setOwn(CMC_Variable* value, const T& literal) {
    auto* own = static_cast<V*>(value);
    if constexpr (std::is_same_v<T, CXString>) {
        if (!sameText(own->value(), literal)) own->setValue(literal);
    } else if constexpr (std::is_same_v<T, double>) {
        // Bit for bit: -0.0 is not the literal 0.0.
        if (std::bit_cast<uint64_t>(own->getValue()) != std::bit_cast<uint64_t>(literal))
            own->setValue(literal);
    } else {
        if (own->getValue() != literal) own->setValue(literal);
    }
}

} // namespace

CMC_Variable* CMC_Behaviour_Entry::ownLiteral() {
    switch (m_literal) {
    case Literal::Integer:
        if (!m_ownLiteral) m_ownLiteral = new CMC_Integer(CXString("temp"));
        setOwn<CMC_Integer>(m_ownLiteral, m_literalInteger);
        break;
    case Literal::Double:
        if (!m_ownLiteral) m_ownLiteral = new CMC_Double(CXString("temp"));
        setOwn<CMC_Double>(m_ownLiteral, m_literalDouble);
        break;
    case Literal::Bool:
        if (!m_ownLiteral) m_ownLiteral = new CMC_Bool(CXString("temp"));
        setOwn<CMC_Bool>(m_ownLiteral, m_literalBool);
        break;
    default:
        if (!m_ownLiteral) m_ownLiteral = new CMC_String(CXString("temp"));
        setOwn<CMC_String>(m_ownLiteral, m_literalText);
        break;
    }
    return m_ownLiteral;
}

CMC_Variable* CMC_Behaviour_Entry::runValueText(CMC_ObjectsContainer* scene, CXArray* params, bool own) {
    if (!m_dollar) {
        if (m_structName.IsString() || m_fieldName.IsString()) {
            CMC_Object* structure = m_structLookup.get(scene, m_structName);
            if (structure && structure->getType() == TYPE_STRUCTURE) {
                if (CMC_Variable* field = static_cast<CMC_Structure*>(structure)->getField(m_fieldName))
                    return field;
            }
        } else {
            CMC_Object* object = m_valueLookup.get(scene, m_valueText);
            if (object && isScalar(object->getType())) return static_cast<CMC_Variable*>(object);
        }
        return own ? ownLiteral() : makeLiteral();
    }
    CXString text = fillParams(m_valueText, params);
    if (text.GetAt(0) == '[') {
        auto expression = std::make_unique<CMC_Expression>(scene, withoutBrackets(text));
        expression->calculate();
        CMC_Variable* result = expression->getResult();
        // The expression goes with this line; its value is taken over first.
        if (result) return isScalar(result->getType()) ? CMC_VariableFactory::copyVariable(result) : result;
        return makeLiteral();
    }
    if (scene) {
        if (CMC_Variable* variable = scene->getVariable(text)) return variable;
    }
    return CMC_Variable::resolve(text);
}

CMC_Behaviour_Entry::Filled::~Filled() { delete own; }

void CMC_Behaviour_Entry::Filled::learn(const CXString& filledText) {
    text = filledText;
    lookup = CMC_NameLookup();
    int length = text.GetLength();
    if (length >= 2 && text.GetAt(0) == '[' && text.lastChar() == ']') {
        kind = Kind::Expression;
    } else if (text.Find('@') < 0 && text.Find('$') < 0 && text.Find('^') < 0) {
        kind = Kind::Name;
        literal.read(text);
    } else {
        char first = text.GetAt(0);
        kind = first == '{' || (first == '"' && text.GetAt(1) == '{') ? Kind::Inline : Kind::Line;
    }
}

CMC_Variable* CMC_Behaviour_Entry::Filled::ownValue() {
    static constexpr int kTypes[] = {TYPE_STRING, TYPE_INTEGER, TYPE_DOUBLE, TYPE_BOOL};
    int type = kTypes[static_cast<int>(literal.kind)];
    if (own && own->getType() != type) {
        delete own;
        own = nullptr;
    }
    switch (literal.kind) {
    case Literal::Integer:
        if (!own) own = new CMC_Integer(CXString("temp"));
        setOwn<CMC_Integer>(own, literal.whole);
        break;
    case Literal::Double:
        if (!own) own = new CMC_Double(CXString("temp"));
        setOwn<CMC_Double>(own, literal.real);
        break;
    case Literal::Bool:
        if (!own) own = new CMC_Bool(CXString("temp"));
        setOwn<CMC_Bool>(own, literal.flag);
        break;
    default:
        if (!own) own = new CMC_String(CXString("temp"));
        setOwn<CMC_String>(own, literal.text);
        break;
    }
    return own;
}

CMC_Variable* CMC_Behaviour_Entry::evaluateSubstituted(CMC_ObjectsContainer* scene, CMC_Object* current,
                                                       CXArray* params, Slot& slot, uint8_t* made) {
    const CXString& line = slot.nested->m_line;
    // What the text says is worked out again only when the parameters give another text.
    Filled* filled = slot.filled.get();
    if (!filled || !fillsAs(line, params, filled->text)) {
        if (!filled) {
            slot.filled = std::make_unique<Filled>();
            filled = slot.filled.get();
        }
        filled->learn(fillParams(line, params));
    }
    // Whatever is made of the text copies it before any code runs, which may fill it again (recursion).
    const CXString& text = filled->text;
    switch (filled->kind) {
    case Filled::Kind::Expression:
        *made = 1;
        return new CMC_Expression(scene, text.Mid(1, text.GetLength() - 1));
    case Filled::Kind::Name: {
        if (scene) {
            CMC_Object* object = filled->lookup.get(scene, text);
            if (object && isScalar(object->getType())) return static_cast<CMC_Variable*>(object);
        }
        // Inside the line's own call the value another call of it holds stays untouched.
        if (m_busy != 1) return CMC_Variable::resolve(text);
        *made = 3;
        return filled->ownValue();
    }
    case Filled::Kind::Inline: {
        CXString name;
        if (!makeInlineBehaviour(scene, text, "xtemp_", &name)) return nullptr;
        *made = 2;
        return new CMC_String(CXString("xtemp"), name);
    }
    default:
        break;
    }
    CMC_Behaviour* owner = getOwner();
    if (!owner) return nullptr;
    auto* entry = new CMC_Behaviour_Entry(owner, text);
    CMC_Variable* value = entry->run(current, params);
    destroy(entry);
    return isControlCode(value) ? nullptr : value;
}

void CMC_Behaviour_Entry::releaseValue(CMC_ObjectsContainer*, const ArgValue& argument) {
    CMC_Variable* value = argument.value;
    if (!value) return;
    if (argument.made == 1) {
        delete value;
        return;
    }
    if (argument.made == 2) {
        CXString name = static_cast<CMC_String*>(value)->getValue();
        delete value;
        CMC_ObjectsContainer* scene = getScene();
        CMC_Object* behaviour = scene ? scene->getObject(name) : nullptr;
        if (behaviour && behaviour->getType() == TYPE_BEHAVIOUR) CMC_Behaviour::removeAndDelete(behaviour);
        return;
    }
    // A copy nobody keeps goes now; one that a container lists is the container's.
    if (argument.made == 4 && value->isClone() && !value->isHeld()) {
        delete value;
        return;
    }
    flush(value);
}

// The arguments read into args (and values, what each needs after the call), the call, and what the values
// need then. Inlined into run and runApart.
[[gnu::always_inline]] inline CMC_Variable* CMC_Behaviour_Entry::runArguments(CMC_ObjectsContainer* scene,
                                                                              CMC_Object* current,
                                                                              CXArray* params, CXVector* args,
                                                                              ArgValue* values, int count) {
    ++m_busy;
    // Whether a value needs anything after the call: mostly none does.
    bool releases = false;
    const bool fits =
        args == &m_args ? m_argsFit || (m_argsFit = args->fits(count)) : args && args->fits(count);
    // An argument's code, or the call, may delete what an argument holds: its place then reads as null.
    CMC_Variable* result;
    {
        CMC_ArgumentsWatch watch(args);
        for (int i = 0; i < count; ++i) {
            Slot& slot = m_slots[static_cast<size_t>(i)];
            ArgValue value{nullptr, 0, nullptr};
            switch (slot.kind) {
            case SlotKind::Nested: {
                CMC_Behaviour_Entry* nested = slot.nested;
                if (!slot.dollar) {
                    // An argument's line has this line's owner, so its scene is this one.
                    CMC_Object* bound =
                        nested->m_form == Form::Value ? nested->m_constant.current() : nullptr;
                    if (bound) {
                        // A value bound when parsed, still alive: what the line's run would give.
                        value.value = static_cast<CMC_Variable*>(bound);
                    } else if (m_busy == 1 && nested->m_form == Form::ValueText && nested->m_plain) {
                        bool own = false;
                        value.value = nested->plainValue(scene, &own);
                        if (own) value.made = 3;
                    } else if (m_busy == 1 && nested->m_form == Form::ValueText && !nested->m_dollar) {
                        value.value = nested->runValueText(scene, params, true);
                        if (value.value == nested->m_ownLiteral) value.made = 3;
                    } else
                        value.value =
                            m_busy == 1 ? nested->runOnce(current, params) : nested->run(current, params);
                    if (isControlCode(value.value)) value.value = nullptr;
                } else {
                    value.value = evaluateSubstituted(scene, current, params, slot, &value.made);
                }
                break;
            }
            case SlotKind::Inline:
                if (!m_constantArgs && params && scene) {
                    // Inline code that uses $n is parsed again with the parameters of this run.
                    auto* name = static_cast<CMC_String*>(slot.owned);
                    CMC_Object* behaviour = scene->getObject(name->value());
                    if (behaviour && behaviour->getType() == TYPE_BEHAVIOUR)
                        static_cast<CMC_Behaviour*>(behaviour)->setParams(params);
                }
                value.value = slot.owned;
                break;
            case SlotKind::Variable: {
                CMC_Object* variable = slot.ref.get();
                value.value = variable && isScalar(variable->getType()) ? static_cast<CMC_Variable*>(variable)
                                                                        : slot.owned;
                break;
            }
            default:
                value.value = slot.owned;
                break;
            }
            // What a found value needs after the call is decided now, while it surely lives: the call may
            // delete it (a copy a container drops, __RETURN__ that RETURN replaces).
            if (value.made == 0 && value.value && slot.kind == SlotKind::Nested) {
                if (value.value->isClone()) {
                    value.made = 4;
                    value.copy = value.value->runAnchor();
                } else if (!(isScalar(value.value->getType()) && value.value->getId() >= 0)) {
                    value.made = 3;
                }
            }
            // Field by field: a whole-struct copy of the halves just written stalls on the store.
            releases |= slot.kind == SlotKind::Nested && value.made != 3 && value.value;
            values[i].value = value.value;
            values[i].made = value.made;
            values[i].copy = value.copy;
            if (fits)
                args->appendFitting(value.value);
            else
                args->append(value.value);
        }

        result = call(scene, current, params, args);
    }

    for (int i = 0; releases && i < count; ++i) {
        const ArgValue& value = values[i];
        if (m_slots[static_cast<size_t>(i)].kind != SlotKind::Nested || value.made == 3 || !value.value)
            continue;
        // A copy the call deleted is gone already.
        if (value.made == 4 && !value.copy->object) continue;
        releaseValue(scene, value);
    }
    --m_busy;
    return result;
}

CMC_Variable* CMC_Behaviour_Entry::run(CMC_Object* current, CXArray* params) {
    // A value bound when parsed, still alive: nothing runs.
    if (m_form == Form::Value) {
        if (CMC_Object* object = m_constant.current()) return static_cast<CMC_Variable*>(object);
    }
    RunGuard running;
    CMC_ObjectsContainer* scene = CMC_Behaviour_Entry::getScene();
    switch (m_form) {
    case Form::Value: {
        // Deleted: a same-named value that took its place, else the text as it reads now.
        CMC_Object* replacement = m_constant.get();
        if (replacement && !replacement->isTemporary() && asVariable(replacement))
            return static_cast<CMC_Variable*>(replacement);
        m_constant.clear();
        m_form = Form::ValueText;
        return runValueText(scene, params);
    }
    case Form::ValueText:
        return runValueText(scene, params);
    case Form::Expression:
        return m_expression;
    default:
        break;
    }

    int count = static_cast<int>(m_slots.size());
    if (m_busy || count > kInlineArgs) [[unlikely]]
        return runApart(scene, current, params, count);
    CXVector* args = nullptr;
    if (count > 0) {
        args = &m_args;
        args->CXVector::removeAll();
    }
    ArgValue values[kInlineArgs];
    return runArguments(scene, current, params, args, values, count);
}

// A line that runs again inside its own call (recursion) keeps its arguments apart; one with many keeps their
// values on the heap.
CMC_Variable* CMC_Behaviour_Entry::runApart(CMC_ObjectsContainer* scene, CMC_Object* current, CXArray* params,
                                            int count) {
    CXVector* args = nullptr;
    std::unique_ptr<CXVector> ownArgs;
    if (count > 0) {
        if (m_busy) {
            ownArgs = std::make_unique<CXVector>(count + 1, 0.75f);
            args = ownArgs.get();
        } else {
            args = &m_args;
        }
        args->CXVector::removeAll();
    }
    ArgValue inlineValues[kInlineArgs];
    std::unique_ptr<ArgValue[]> heapValues;
    ArgValue* values = inlineValues;
    if (count > kInlineArgs) {
        heapValues = std::make_unique<ArgValue[]>(static_cast<size_t>(count));
        values = heapValues.get();
    }
    return runArguments(scene, current, params, args, values, count);
}

CMC_Variable* CMC_Behaviour_Entry::runOnce(CMC_Object* current, CXArray* params) {
    if (m_form == Form::ValueText && !m_dollar) return runValueText(getScene(), params, true);
    return run(current, params);
}

bool CMC_Behaviour_Entry::atHand(CMC_ObjectsContainer* scene, AtHand* out) {
    if (m_form == Form::Value) {
        out->value = static_cast<CMC_Variable*>(m_constant.current());
        return out->value != nullptr;
    }
    if (m_form != Form::ValueText || m_dollar) return false;
    if ((m_literal == Literal::Integer || m_literal == Literal::Double) && !m_structName.IsString() &&
        !m_fieldName.IsString()) {
        // runValueText's steps, without the literal's value.
        CMC_Object* object = m_valueLookup.get(scene, m_valueText);
        if (object && isScalar(object->getType())) {
            out->value = static_cast<CMC_Variable*>(object);
        } else if (m_literal == Literal::Integer) {
            out->number = 1;
            out->whole = m_literalInteger;
        } else {
            out->number = 2;
            out->real = m_literalDouble;
        }
        return true;
    }
    out->value = runValueText(scene, nullptr, true);
    return out->value != nullptr;
}

// Called from run alone, and inlined there: a line's call costs no frame of its own.
[[gnu::always_inline]] inline CMC_Variable*
CMC_Behaviour_Entry::call(CMC_ObjectsContainer* scene, CMC_Object* current, CXArray* params, CXVector* args) {
    if (m_form == Form::Statement) {
        if (!m_runner) return nullptr;
        CMC_Behaviour* owner = getOwner();
        // Inside its own call (recursion) the line runs without its memo.
        if (m_busy == 1 && !m_memo) {
            m_memo = std::make_unique<CMC_CallMemo>();
            m_memo->valueDropped = m_valueDropped;
        }
        CMC_CallMemo::Scope memo(m_busy == 1 ? m_memo.get() : nullptr, args);
        return m_methodId >= 0 ? m_runner->run(m_methodId, owner, scene, args)
                               : m_runner->run(m_method, owner, scene, args);
    }
    if (m_deferredTarget) {
        if (!scene) return nullptr;
        CMC_Object* target = scene->getObject(fillParams(m_targetName, params));
        if (!target) return nullptr;
        if (!m_methodDollar) return callFound(target, scene, args);
        CXString method = fillParams(m_method, params);
        CMC_Runner* runner = runnerOf(target);
        return runner ? runner->run(method, target, scene, args) : nullptr;
    }
    if (m_targetBound) {
        CMC_Object* target = m_target.current();
        if (!target) {
            // Deleted since the line was parsed: what bears its name now.
            target = findTarget(scene);
            if (!target) return nullptr;
            if (target->isTemporary()) {
                CMC_Runner* runner = runnerOf(target);
                return runner ? runner->run(m_method, target, scene, args) : nullptr;
            }
            bindTarget(target);
        }
        if (!m_runner) return nullptr;
        if (target->getType() == TYPE_BEHAVIOUR && m_busy == 1) {
            // RUN keeps the lookups of its parameters' texts in the line's memo.
            if (!m_memo) m_memo = std::make_unique<CMC_CallMemo>();
            CMC_CallMemo::Scope memo(m_memo.get(), args);
            return m_methodId >= 0 ? m_runner->run(m_methodId, target, scene, args)
                                   : m_runner->run(m_method, target, scene, args);
        }
        if (tellsDropped(target, args)) {
            CMC_CallMemo::Dropping dropping(args);
            return m_methodId >= 0 ? m_runner->run(m_methodId, target, scene, args)
                                   : m_runner->run(m_method, target, scene, args);
        }
        return m_methodId >= 0 ? m_runner->run(m_methodId, target, scene, args)
                               : m_runner->run(m_method, target, scene, args);
    }
    if (m_this) {
        // THIS deleted meanwhile is nothing.
        if (CMC_Behaviour::currentGone(current)) current = nullptr;
        CMC_Object* target;
        CMC_Runner* runner;
        if (scene && scene->getType() == TYPE_CLASS) {
            target = scene;
            runner = CMC_RunnerFactory::getRunner(TYPE_CLASS);
            if (!runner && current) runner = runnerOf(current);
        } else {
            target = current;
            runner = runnerOf(target);
        }
        if (!target || !runner) return nullptr;
        return runner->run(m_method, target, scene, args);
    }
    if (m_reference) {
        CXString text;
        if (m_expression) {
            text = getStringValue(m_expression);
        } else if (m_referenceSource.getName().IsString()) {
            CMC_Variable* source = asVariable(m_referenceSource.get());
            if (!source) return nullptr;
            text = getStringValue(source);
        } else {
            CMC_Object* source = m_valueLookup.get(scene, m_referenceText);
            if (!source || !isScalar(source->getType())) return nullptr;
            text = getStringValue(static_cast<CMC_Variable*>(source));
        }
        CMC_Object* target = scene ? scene->getObject(text) : nullptr;
        if (!target) return nullptr;
        CMC_Runner* runner =
            target->getType() < 10001 ? CMC_RunnerFactory::getRunner(target->getType()) : nullptr;
        if (!runner) runner = target->getRunner();
        return runner ? runner->run(m_method, target, scene, args) : nullptr;
    }
    CMC_Object* target = m_targetLookup.get(scene, m_targetName);
    if (!target) return nullptr;
    return callFound(target, scene, args);
}

CMC_Variable* CMC_Behaviour_Entry::callFound(CMC_Object* target, CMC_ObjectsContainer* scene,
                                             CXVector* args) {
    int type = target->getType();
    // A type's runner and its methods stay while the runners live; one of an object of its own may not.
    CMC_Runner* runner = CMC_RunnerFactory::getRunner(type);
    if (!runner) {
        runner = target->getRunner();
        return runner ? runner->run(m_method, target, scene, args) : nullptr;
    }
    if (runner != m_foundRunner || type != m_foundType) {
        m_foundRunner = runner;
        m_foundType = type;
        m_foundMethodId = runner->resolveMethod(m_method);
    }
    // A method the runner does not know goes by its name (a GROUP passes it to its members).
    if (tellsDropped(target, args)) {
        CMC_CallMemo::Dropping dropping(args);
        return m_foundMethodId >= 0 ? runner->run(m_foundMethodId, target, scene, args)
                                    : runner->run(m_method, target, scene, args);
    }
    return m_foundMethodId >= 0 ? runner->run(m_foundMethodId, target, scene, args)
                                : runner->run(m_method, target, scene, args);
}

} // namespace KavirelDLL
