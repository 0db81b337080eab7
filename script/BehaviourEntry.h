#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "script/Behaviour.h"
#include "script/Condition.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"

namespace KavirelDLL {

class CMC_Debugger;
class CMC_Expression;
class CMC_TestMemo;

// What a statement line keeps for the runner it calls, from one run to the next: the objects its arguments
// name and the test its text gives. A runner finds it by the arguments the line passes, and only while the
// line's call is running (not inside its own call again), so it never serves another call. Every answer is
// checked against the name or text given now and the lookup generations.
class CMC_CallMemo {
public:
    CMC_CallMemo();
    ~CMC_CallMemo();
    CMC_CallMemo(const CMC_CallMemo&) = delete;
    CMC_CallMemo& operator=(const CMC_CallMemo&) = delete;

    // The memo of the line whose call passes these arguments now; null for any other call.
    static CMC_CallMemo* of(CXVector* args) { return args && args == s_args ? s_current : nullptr; }
    // getObject (name) of the container, for the name that argument index gives.
    CMC_Object* objectNamed(int index, CMC_ObjectsContainer* container, const CXString& name) {
        // The name given last time, at hand without a call.
        if (index >= 0 && container && static_cast<size_t>(index) < m_named.size()) {
            Named& named = m_named[static_cast<size_t>(index)];
            if (sameText(named.name, name)) return named.lookup.get(container, named.name);
        }
        return objectNamedAfresh(index, container, name);
    }
    CMC_TestMemo* test() { return m_test ? m_test.get() : makeTest(); }
    // The line is a behaviour's own: whatever value the call gives is dropped unread.
    bool valueDropped = false;

    // Offers the memo to the call passing args while it lives.
    struct Scope {
        Scope(CMC_CallMemo* memo, CXVector* args) : m_memo(s_current), m_args(s_args) {
            s_current = memo;
            s_args = memo ? args : nullptr;
        }
        ~Scope() {
            s_current = m_memo;
            s_args = m_args;
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        CMC_CallMemo* m_memo;
        CXVector* m_args;
    };

    // Whether the line whose call passes these arguments now is a behaviour's own, which drops the value
    // the call gives unread (told to a value's methods given arguments: CMC_Behaviour_Entry::tellsDropped).
    static bool droppedBy(CXVector* args) { return args && args == s_droppedArgs; }
    // Tells the call passing args, while it lives, that its value is dropped.
    struct Dropping {
        explicit Dropping(CXVector* args) : m_args(s_droppedArgs) { s_droppedArgs = args; }
        ~Dropping() { s_droppedArgs = m_args; }
        Dropping(const Dropping&) = delete;
        Dropping& operator=(const Dropping&) = delete;

    private:
        CXVector* m_args;
    };

private:
    struct Named {
        CXString name;
        CMC_NameLookup lookup;
    };
    CMC_TestMemo* makeTest();
    CMC_Object* objectNamedAfresh(int index, CMC_ObjectsContainer* container, const CXString& name);

    std::vector<Named> m_named;
    std::unique_ptr<CMC_TestMemo> m_test;

    static CMC_CallMemo* s_current;
    static CXVector* s_args;
    static CXVector* s_droppedArgs;
};

// One parsed code line of a behaviour. The line is parsed once: its form, target, runner, method id and
// arguments are found then, and what it names is kept by handle, so a line never reaches an object that
// has been deleted (a same-named replacement is found instead). run() returns a value (a pool temporary,
// an object, or null) or a negative control code.
class CMC_Behaviour_Entry final : public CMC_Object {
public:
    CMC_Behaviour_Entry(CMC_Behaviour* owner, const CXString& line);
    ~CMC_Behaviour_Entry() override;

    CMC_ObjectsContainer* getScene() override;
    virtual CMC_Variable* run(CMC_Object* current, CXArray* params);
    // run(), but a plain literal comes in a value of the line's own rather than a pool temporary: for callers
    // that never run the same line again while they use its value (an argument outside recursion, the
    // operand of an expression or a condition, which refuse to test or calculate themselves again).
    CMC_Variable* runOnce(CMC_Object* current, CXArray* params);
    // What runOnce() answers, for a line that needs no run (a value line: a name, a literal, a field): true
    // with value, or for a number literal that no value of its name hides now, value null and number 1
    // with whole (INTEGER) or 2 with real (DOUBLE). False when the line has to run. scene: getScene(), which
    // a caller reading many lines of one owner finds once.
    struct AtHand {
        CMC_Variable* value = nullptr;
        int number = 0;
        int32_t whole = 0;
        double real = 0.0;
    };
    bool atHand(CMC_ObjectsContainer* scene, AtHand* out);

    CXString getLine() const { return m_line; }
    CMC_Behaviour* getOwner();
    // The target bound when the line was parsed (null when it is looked up as the line runs).
    CMC_Object* getObject();
    CXString getMethod() const { return m_method; }
    int getMethodId() const { return m_methodId; }
    // The nested lines of the arguments, one slot per argument (null where an argument is a value).
    CXVector* getParameters();
    bool isReference() const { return m_reference; }
    // Whether deleting the line also deletes the inline behaviours its arguments made.
    void releaseTempBeh(bool flag) { m_release = flag; }

    // Splits code at depth-0 ";" (blanks dropped, text after the last ";" dropped) and parses each piece.
    // The result ends with a null; the caller owns it.
    static std::vector<CMC_Behaviour_Entry*>* getCodeLines(CMC_Behaviour* owner, const CXString& code);
    // The pieces getCodeLines parses.
    static std::vector<CXString> splitCode(const CXString& code);
    // The value's text (non-STRING values through a STRING temporary, handed back at once).
    static CXString getStringValue(CMC_Variable* value);
    // $1 to $9 (and the characters after '9', ':' the tenth) replaced by the parameters. The result lives
    // in one shared buffer until the next call.
    static const CXString& fillParams(const CXString& text, CXArray* params);
    // Whether fillParams(text, params) gives filled, found without filling.
    static bool fillsAs(const CXString& text, CXArray* params, const CXString& filled);

    // Deletes a line now or, while any line runs, once the outermost has returned, so a line never loses
    // its own storage in the middle of its run. The same for a whole list of lines (and the list).
    static void destroy(CMC_Behaviour_Entry* entry);
    static void destroyLines(std::vector<CMC_Behaviour_Entry*>* lines);
    static bool isRunning() { return s_running > 0; }
    // What RunGuard does, for guards that count as a run only sometimes.
    static void enterRun() { ++s_running; }
    static void leaveRun() {
        if (--s_running == 0 && (!s_retiredEntries.empty() || !s_retiredLines.empty() || !s_retiredAnchors.empty()))
            flushRetired();
    }
    // Keeps the anchor of an object deleted during a run until the outermost run has returned.
    static void keepAnchor(std::shared_ptr<CMC_ObjectAnchor> anchor) { s_retiredAnchors.push_back(std::move(anchor)); }
    // The number given to the next inline behaviour ("temp_" + n, "xtemp_" + n).
    static int nextInlineNumber() { return s_inlineCounter++; }

    static CMC_Debugger* getDebuggerIfc() { return debugger; }
    static void initDebugger(CWindow*) {}
    static void doneDebugger(CWindow*) {}
    static CMC_Debugger* debugger;

    // Counts a run in progress; the last one out deletes what was destroyed meanwhile.
    struct RunGuard {
        RunGuard() { enterRun(); }
        ~RunGuard() { leaveRun(); }
        RunGuard(const RunGuard&) = delete;
        RunGuard& operator=(const RunGuard&) = delete;
    };

private:
    enum class Form : uint8_t { Value, ValueText, Expression, Statement, Call, This, Reference };
    enum class SlotKind : uint8_t { Nested, Expression, Inline, Variable, Value };
    enum class Literal : uint8_t { String, Integer, Double, Bool };

    // A literal as a line's text reads (as CMC_Variable::resolve reads it).
    struct LiteralText {
        Literal kind = Literal::String;
        CXString text;
        int32_t whole = 0;
        double real = 0.0;
        bool flag = false;
        void read(const CXString& line);
    };

    // A nested line with $n: what the last text its parameters gave says, kept while they give that text.
    struct Filled {
        enum class Kind : uint8_t { Name, Expression, Inline, Line };
        CXString text;
        Kind kind = Kind::Name;
        // Name: the text looked up as a name, and read as a literal (the value when it names no value).
        CMC_NameLookup lookup;
        LiteralText literal;
        // That literal in a value of the slot's own, set again at each use (outside the line's own call).
        CMC_Variable* own = nullptr;
        Filled() = default;
        Filled(const Filled&) = delete;
        Filled& operator=(const Filled&) = delete;
        ~Filled();
        void learn(const CXString& filledText);
        CMC_Variable* ownValue();
    };

    struct Slot {
        SlotKind kind = SlotKind::Nested;
        bool dollar = false; // the argument's text holds $n
        CMC_Behaviour_Entry* nested = nullptr;
        CMC_Variable* owned = nullptr; // an expression, the name of an inline behaviour, a literal's copy
        CMC_ObjectHandle ref;          // the inline behaviour, or the variable of &NAME
        std::unique_ptr<Filled> filled;
    };

    // What a call line's argument holds for one run.
    struct ArgValue {
        CMC_Variable* value;
        uint8_t made; // 0 found, 1 an expression made now, 2 an inline behaviour's name made now, 3 nothing to
                      // hand back (a literal of the argument's line, a value neither a copy nor a pool
                      // temporary), 4 a copy found, watched through its anchor while the call runs
        CMC_ObjectAnchor* copy; // made 4: the copy's anchor (no initializer: a line's slots are written before read)
    };

    void parse();
    void parseValue(const CXString& text);
    void parseLiteral(const CXString& text);
    void parseArguments(const CXString& text);
    void bindTarget(CMC_Object* object);
    // The bound target, found again (and its runner and method) when it was deleted.
    CMC_Object* boundTarget();
    CMC_Object* findTarget(CMC_ObjectsContainer* scene);

    // own: the literal in the line's own value (ownLiteral) instead of a pool temporary.
    CMC_Variable* runValueText(CMC_ObjectsContainer* scene, CXArray* params, bool own = false);
    CMC_Variable* makeLiteral();
    // The literal in a value of the line's own, set again at each use (a runner may have changed it, as FOR
    // counts in its counter), so an argument that is a plain literal takes nothing from the pools.
    CMC_Variable* ownLiteral();
    // runValueText(scene, params, true) of a plain text (no $n, no structure field): the scalar it names,
    // else its own literal (own set to true).
    CMC_Variable* plainValue(CMC_ObjectsContainer* scene, bool* own) {
        CMC_Object* object = m_valueLookup.get(scene, m_valueText);
        if (object && object->getType() >= TYPE_INTEGER && object->getType() <= TYPE_DOUBLE)
            return static_cast<CMC_Variable*>(object);
        *own = true;
        // An INTEGER or text literal no runner changed is handed as it is.
        if (m_literal == Literal::Integer && m_ownLiteral &&
            static_cast<CMC_Integer*>(m_ownLiteral)->getValue() == m_literalInteger)
            return m_ownLiteral;
        if (m_literal == Literal::String && m_ownLiteral &&
            sameText(static_cast<CMC_String*>(m_ownLiteral)->value(), m_literalText))
            return m_ownLiteral;
        return ownLiteral();
    }
    CMC_Variable* evaluateSubstituted(CMC_ObjectsContainer* scene, CMC_Object* current, CXArray* params,
                                      Slot& slot, uint8_t* made);
    CMC_Variable* call(CMC_ObjectsContainer* scene, CMC_Object* current, CXArray* params, CXVector* args);
    // Argument values held in place by a line's run; more go to the heap.
    static constexpr int kInlineArgs = 8;
    CMC_Variable* runArguments(CMC_ObjectsContainer* scene, CMC_Object* current, CXArray* params, CXVector* args,
                               ArgValue* values, int count);
    [[gnu::noinline]] CMC_Variable* runApart(CMC_ObjectsContainer* scene, CMC_Object* current, CXArray* params,
                                             int count);
    // The line's method of a target found as the line runs, by the id its type's runner gave the last time.
    CMC_Variable* callFound(CMC_Object* target, CMC_ObjectsContainer* scene, CXVector* args);
    void releaseValue(CMC_ObjectsContainer* scene, const ArgValue& value);
    // Whether the call of a method of target is told that the line drops its value: only a value's
    // methods given arguments ask (ADD makes no temporary of its sum then), so other calls stay plain.
    bool tellsDropped(CMC_Object* target, CXVector* args) const {
        return m_valueDropped && args && args->getSize() > 0 && target->getType() >= TYPE_INTEGER &&
               target->getType() <= TYPE_DOUBLE;
    }

    static CMC_Variable* asVariable(CMC_Object* object);
    static CMC_Behaviour* makeInlineBehaviour(CMC_ObjectsContainer* scene, const CXString& piece,
                                              const char* prefix, CXString* name);
    static void flushRetired();

    CXString m_line;
    CMC_ObjectHandle m_owner;
    Form m_form = Form::Value;
    CXString m_targetName;
    CMC_ObjectHandle m_target;
    bool m_targetBound = false;
    CMC_Runner* m_runner = nullptr;
    CXString m_method;
    int32_t m_methodId = -1;
    CXString m_argText;
    std::vector<Slot> m_slots;
    CXVector* m_nestedView = nullptr;
    CXVector m_args{4, 0.75f};
    // m_args emptied holds the line's arguments without making slots (it never shrinks, so once true it stays).
    bool m_argsFit = false;
    int m_busy = 0;
    bool m_reference = false;
    bool m_this = false;
    bool m_constantArgs = true;
    bool m_deferredTarget = false;
    bool m_release = true;
    bool m_dollar = false;
    bool m_methodDollar = false;
    bool m_plain = false; // a value text without $n or a structure field
    bool m_valueDropped = false;

    // A value line: the object bound when parsed, or the text looked up as it runs.
    CMC_ObjectHandle m_constant;
    CMC_Expression* m_expression = nullptr; // a bracketed value line, or the source of a "*[...]" line
    CXString m_valueText;
    CXString m_structName, m_fieldName;
    // Names looked up in a container, kept while no container anywhere changes.
    CMC_NameLookup m_valueLookup, m_structLookup, m_targetLookup;
    Literal m_literal = Literal::String;
    CXString m_literalText;
    int32_t m_literalInteger = 0;
    double m_literalDouble = 0.0;
    bool m_literalBool = false;
    CMC_Variable* m_ownLiteral = nullptr;
    // A "*" line: the object whose value names the target.
    CMC_ObjectHandle m_referenceSource;
    CXString m_referenceText;
    // The runner of the type of the target last found as the line ran, and the id it gives the method.
    CMC_Runner* m_foundRunner = nullptr;
    int32_t m_foundType = -1;
    int32_t m_foundMethodId = -1;
    // A statement's memo, made on its first call.
    std::unique_ptr<CMC_CallMemo> m_memo;

    static int s_running;
    static int s_inlineCounter;
    static std::vector<CMC_Behaviour_Entry*> s_retiredEntries;
    static std::vector<std::vector<CMC_Behaviour_Entry*>*> s_retiredLines;
    static std::vector<std::shared_ptr<CMC_ObjectAnchor>> s_retiredAnchors;
};

} // namespace KavirelDLL
