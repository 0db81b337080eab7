#pragma once
#include <cstdint>
#include <vector>

#include "core/XTimer.h"
#include "script/Object.h"
#include "script/Runner.h"

namespace KavirelDLL {

class CMC_BasicCondition;
class CMC_Behaviour_Entry;
class CWindow;

// Control codes travel where a line returns its value: -1 break (the behaviour stops and its callers with
// it), -2 one-break and -3 continue (only the running behaviour stops).
enum : int {
    CONTROL_BREAK = -1,
    CONTROL_ONEBREAK = -2,
    CONTROL_CONTINUE = -3,
};

inline CMC_Variable* controlCode(int code) {
    return reinterpret_cast<CMC_Variable*>(static_cast<intptr_t>(code));
}
inline bool isControlCode(const CMC_Variable* value) { return reinterpret_cast<intptr_t>(value) < 0; }
inline int controlCodeOf(const CMC_Variable* value) {
    return static_cast<int>(reinterpret_cast<intptr_t>(value));
}

// Reading a runner's arguments can run script code (an EXPRESSION is calculated when read, and so is an
// EXPRESSION receiver when its value is read), and that code may delete the object a method works on or the
// container it runs in. A method reads its arguments first and asks gone() before it touches either.
//
// A guard looks only when an argument or the receiver is an EXPRESSION; then it counts as a run, so the
// plain anchors it reads (CMC_Object::runAnchor) stay readable until it ends, and it shares none.
class CMC_ArgumentsGuard {
public:
    CMC_ArgumentsGuard(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) {
        if ((object && object->getType() == TYPE_EXPRESSION) || holdsExpression(args))
            look(object, container);
    }
    ~CMC_ArgumentsGuard() {
        if (m_running) leave();
    }
    // For a runner that looked at its arguments itself: expression tells whether one of them or the receiver
    // is an EXPRESSION.
    struct Seen {
        bool expression;
    };
    CMC_ArgumentsGuard(Seen seen, CMC_Object* object, CMC_ObjectsContainer* container) {
        if (seen.expression) look(object, container);
    }
    CMC_ArgumentsGuard(const CMC_ArgumentsGuard&) = delete;
    CMC_ArgumentsGuard& operator=(const CMC_ArgumentsGuard&) = delete;
    bool objectGone() const { return m_self && !m_self->object; }
    bool containerGone() const { return m_where && !m_where->object; }
    bool gone() const { return objectGone() || containerGone(); }

    // Whether an argument from index first on is an EXPRESSION.
    static bool holdsExpression(CXVector* args, int first = 0) {
        for (int i = first, count = args ? args->getSize() : 0; i < count; ++i) {
            auto* value = static_cast<CMC_Object*>(args->at(i));
            if (value && reinterpret_cast<intptr_t>(value) >= 0 && value->getType() == TYPE_EXPRESSION)
                return true;
        }
        return false;
    }

private:
    void look(CMC_Object* object, CMC_ObjectsContainer* container);
    void leave();

    // Taken only when an argument or the receiver is an EXPRESSION, inside a run of the guard's own.
    CMC_ObjectAnchor* m_self = nullptr;
    CMC_ObjectAnchor* m_where = nullptr;
    bool m_running = false;
};

// The argument lists of the calls in progress (a code line's, the text interpreter's), innermost first. An
// object deleted while one of them holds it leaves it: its place reads as null from then on, so neither the
// arguments still to be read (whose code deleted it) nor the call reads freed memory.
class CMC_ArgumentsWatch {
public:
    explicit CMC_ArgumentsWatch(CXVector* args) : m_args(args), m_outer(s_innermost) { s_innermost = this; }
    ~CMC_ArgumentsWatch() { s_innermost = m_outer; }
    CMC_ArgumentsWatch(const CMC_ArgumentsWatch&) = delete;
    CMC_ArgumentsWatch& operator=(const CMC_ArgumentsWatch&) = delete;

    // Told by an object that goes.
    static void forget(const CMC_Object* object) {
        if (s_innermost) forgetHeld(object);
    }

private:
    static void forgetHeld(const CMC_Object* object);

    CXVector* m_args;
    CMC_ArgumentsWatch* m_outer;
    // Read by the library alone, so it is reached without the symbol table.
    [[gnu::visibility("hidden")]] static CMC_ArgumentsWatch* s_innermost;
};

// A behaviour: a named script procedure. Its code is split into lines once (init) and each line bound to
// what it names; running it runs the lines in order until one breaks.
class CMC_Behaviour : public CMC_Object, public CTimerNotificator {
public:
    explicit CMC_Behaviour(CMC_ObjectsContainer* scene);
    CMC_Behaviour(CMC_ObjectsContainer* scene, CMElement* element);
    CMC_Behaviour(CMC_ObjectsContainer* scene, const CXString& name, const CXString& code);
    ~CMC_Behaviour() override;

    void init() override;
    bool done(bool flag) override;
    CXString** getBehavioursList() override;
    // The object part, then the code and the condition's name: a behaviour read from a cache runs as the
    // one it was stored from.
    void serialize(CXArchive* archive) override;

    // True when a line broke out of the behaviour (code -1).
    virtual bool run(CMC_Object* current, CXArray* params, bool checkCondition);
    // Whether current, when it is the object the innermost run is for (THIS), was deleted since the run
    // began.
    static bool currentGone(const CMC_Object* current) {
        return current && current == s_runFor && !s_runForAnchor->object;
    }
    // A local, dropped when the run of this behaviour on the stack ends (or the next one, outside any).
    void addTempObject(CMC_Object* object) {
        if (object && m_runs > 0)
            m_tempObjects.push_back(object->runAnchor());
        else
            keepTempObject(object);
    }
    // A local of the type that an earlier run of this behaviour declared and dropped, started afresh under
    // the name and set to the given value when there is one (so declaring a local in every round allocates
    // nothing); null when there is none.
    CMC_Variable* reuseLocal(int type, const CXString& name, CMC_Variable* given = nullptr);
    // Repeats the behaviour every interval ms; count <= 0 repeats until a break. Takes params.
    virtual void runOnTimer(int interval, int count, CXArray* params, CMC_Behaviour* onDone);
    virtual void _break();
    void onTimer(int id) override;

    CXString getCode() const { return m_code; }
    CXString getCodition() const { return m_conditionName; }
    // The condition object named by CONDITION, when it exists and is a condition.
    CMC_BasicCondition* getConditionInterface();
    void resolveCondition();
    // The parsed lines ended by a null; null while the code is empty.
    CMC_Behaviour_Entry** getLines();
    int getLineCount() const;
    // Parses the code with $1.. replaced by the parameters; the stored code is unchanged.
    void setParams(CXArray* params);
    bool isEnabled() const { return m_enabled; }
    void enable(bool flag) { m_enabled = flag; }
    int getBreakpoint() const { return m_breakpoint; }
    void setBreakpoint(int line) { m_breakpoint = line; }
    void resetBreakpoint() { m_breakpoint = -1; }
    bool isRunningOnTimer() const { return m_timerList != nullptr; }
    int getTimerId() const { return m_timerId; }

    // Objects deleted at the next frame step (expressions made by resolveParameter, timer behaviours that
    // ended).
    static void initTrash();
    static void addToTrash(CMC_Object* object);
    static void flushTrash();
    static void doneTrash();
    static int getTrashSize();
    // The behaviours repeating on a timer now.
    static std::vector<CMC_ObjectHandle>& getTimerBehaviours();

    // Takes the object out of its scene and deletes it, unless a container still lists it (one that is
    // unloading deletes it itself).
    static void removeAndDelete(CMC_Object* object);

    // The text interpreter, for code that has no parsed line.
    static CMC_Variable* runLine(CMC_ObjectsContainer* container, CMC_Object* current, const CXString& line,
                                 CMC_Behaviour* behaviour);
    static CMC_Variable* resolveParameter(CMC_ObjectsContainer* container, CMC_Object* current,
                                          const CXString& text, CMC_Behaviour* behaviour);
    // A new vector (owned by the caller) of the values of the arguments split at depth-0 commas; null for
    // an empty text.
    static CXVector* resolveParameters(CMC_ObjectsContainer* container, CMC_Object* current,
                                       const CXString& args, CMC_Behaviour* behaviour);
    static CMC_Object* resolveObject(CMC_ObjectsContainer* container, CMC_Object* current,
                                     const CXString& text, CXString* method, CMC_Behaviour* behaviour);
    // The nameless behaviour an expression or a condition parses its operands into: made on first use,
    // and kept in the scene of the moment.
    static void placeHidden(CMC_Behaviour*& hidden, CMC_ObjectsContainer* scene);

protected:
    // Blanks trimmed, one leading "{" and one trailing "}" removed, trimmed again.
    static CXString stripBraces(const CXString& code);
    void parse(const CXString& code);
    void dropLines(bool release);
    // Ends the repetition: the timer goes, the on-done behaviour runs, the behaviour leaves its scene.
    void stopTimer(bool runOnDone);
    void detach();
    CXTimer* timerList();
    void dropKeptShare(CMC_ObjectAnchor* anchor);
    // Drops the locals of the run that ends (inlined into the run).
    [[gnu::always_inline]] inline void flushTempObjects();
    // A local declared outside any run of this behaviour.
    void keepTempObject(CMC_Object* object);

    CXString m_code;
    CXString m_conditionName;
    CMC_ObjectHandle m_condition;
    std::vector<CMC_Behaviour_Entry*>* m_lines = nullptr; // ended by a null
    int32_t m_tick = 0;
    int32_t m_repeat = 0;
    CXArray* m_timerParams = nullptr;
    CMC_ObjectHandle m_onDone;
    // The locals declared by a run, by anchor (they are never looked up again by name). Declared while a run
    // of this behaviour is on the stack, whose end drops it before the outermost run returns, a local reads
    // its anchor plainly (CMC_Object::runAnchor); declared outside any, it keeps a share of it in keptLocals.
    std::vector<CMC_ObjectAnchor*> m_tempObjects;
    std::vector<std::shared_ptr<CMC_ObjectAnchor>>* m_keptLocals = nullptr;
    // Runs of this behaviour on the stack that have started their lines.
    int32_t m_runs = 0;
    // Locals dropped at the end of a run, owned here until declared again.
    std::vector<CMC_Variable*> m_spareLocals;
    bool m_enabled = true;
    int32_t m_breakpoint = -1;
    CXTimer* m_timerList = nullptr;
    int m_timerId = 0;

public:
    static std::vector<CMC_ObjectHandle>* globalTrash;

private:
    // The object the innermost run is for, and its anchor (readable while the run lasts).
    [[gnu::visibility("hidden")]] static CMC_Object* s_runFor;
    [[gnu::visibility("hidden")]] static CMC_ObjectAnchor* s_runForAnchor;
};

// BEHAVIOUR methods: RUN, RUNC, RUNLOOPED, BREAK, ENABLE, DISABLE.
class CMC_Behaviour_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_RUN = 1,
        MTH_RUNC = 2,
        MTH_RUNLOOPED = 3,
        MTH_BREAK = 4,
        MTH_ENABLE = 5,
        MTH_DISABLE = 6
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;

    // The arguments as texts for a behaviour's $1..: a name of an object that is not a scalar is quoted.
    virtual CXArray* getParams(CMC_ObjectsContainer* container, CXVector* args);
    static void flushParams(CXArray* params);
};

} // namespace KavirelDLL
