#include "script/Behaviour.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/Log.h"
#include "display/Window.h"
#include "platform/Process.h"
#include "script/BehaviourEntry.h"
#include "script/Bool.h"
#include "script/Condition.h"
#include "script/Double.h"
#include "script/Expression.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/StopRequest.h"
#include "script/String.h"
#include "script/Structure.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

std::vector<CMC_ObjectHandle>* CMC_Behaviour::globalTrash = nullptr;

namespace {

// Behaviours repeating on a timer, and behaviours stopped by BREAK that left their scene while other
// objects may still be bound to them; the latter go when the trash is done.
std::vector<CMC_ObjectHandle> g_timerBehaviours;
std::vector<CMC_ObjectHandle> g_detached;

bool isScalar(int type) { return type >= TYPE_INTEGER && type <= TYPE_DOUBLE; }

// Script code that calls itself without end would overflow the stack; a run nested this deep is refused, and
// so is one that starts below the stack's floor: whatever a run nests within itself (argument lines,
// branches, expressions) needs at most the room kept under it.
constexpr int kMaxRunDepth = 1000;
constexpr size_t kStackKept = 1 << 20;
int g_runDepth = 0;
uintptr_t g_stackFloor = 0;

// Where the runs nested in an outermost one that starts at frame may go down to: kStackKept above the stack's
// end, wherever frame is (half the room left, on a stack of under 2 MB).
uintptr_t stackFloor(uintptr_t frame) {
    size_t room = CPlatformProcess::stackRoom();
    if (room == SIZE_MAX || room > frame) return 0;
    return frame - (room > 2 * kStackKept ? room - kStackKept : room / 2);
}

// Whether code starting at frame would start below the floor; outside any run the floor is worked out anew.
bool belowStackFloor(uintptr_t frame) {
    if (g_runDepth == 0) g_stackFloor = stackFloor(frame);
    return frame < g_stackFloor;
}

// Lists of parameter texts lent for one run or call and given back after it, texts and all, so that a run
// with parameters allocates nothing once warm.
class ParamLists {
public:
    struct List {
        CXArray array{4, 0.75f};
        std::vector<CXString*> texts;
        ~List() {
            for (CXString* text : texts) delete text;
        }
    };

    // A list of count texts (their contents left to the caller).
    static List* take(int count) {
        List* list;
        if (s_free.empty()) {
            list = new List();
        } else {
            list = s_free.back().release();
            s_free.pop_back();
        }
        while (static_cast<int>(list->texts.size()) < count) list->texts.push_back(new CXString());
        // Only this fills a list's array, always with its first texts: one as long holds them already.
        if (list->array.getSize() != count) {
            list->array.removeAll();
            for (int i = 0; i < count; ++i) list->array.add(list->texts[static_cast<size_t>(i)]);
        }
        return list;
    }
    static void give(List* list) {
        constexpr size_t kKept = 64;
        if (list && s_free.size() < kKept)
            s_free.emplace_back(list);
        else
            delete list;
    }

private:
    static std::vector<std::unique_ptr<List>> s_free;
};

std::vector<std::unique_ptr<ParamLists::List>> ParamLists::s_free;

// A list RUN lent from the pool for one run, which it keeps until the run returns.
CXArray* g_heldParams = nullptr;

// The parameters of one run, read by its lines. Whoever lent them may let them go while the lines run: a
// handler that deletes the object that raised it (and its bindings), a timer behaviour that stops itself;
// only the list RUN holds for the run is read as it is.
struct RunParams {
    explicit RunParams(CXArray* params) {
        if (!params) return;
        if (params == g_heldParams) {
            g_heldParams = nullptr;
            copy = params;
            return;
        }
        int count = params->getSize();
        list = ParamLists::take(count);
        for (int i = 0; i < count; ++i) {
            auto* text = static_cast<CXString*>(params->at(i));
            CXString* into = list->texts[static_cast<size_t>(i)];
            // Copied whole into the text's own storage.
            if (text)
                text->right(0, into);
            else
                *into = "";
        }
        copy = &list->array;
    }
    ~RunParams() { ParamLists::give(list); }
    RunParams(const RunParams&) = delete;
    RunParams& operator=(const RunParams&) = delete;
    ParamLists::List* list = nullptr;
    CXArray* copy = nullptr;
};

// The scene's "__RETURN__", when it is a value.
CMC_Variable* returnVariable(CMC_ObjectsContainer* container, CMC_CallMemo* memo = nullptr, int index = 0) {
    if (!container) return nullptr;
    CMC_ObjectsContainer* scene = container->getScene();
    if (!scene) scene = container;
    if (!memo) return scene->getVariable("__RETURN__");
    // Looked up as the memo's name after the parameters'.
    static const CXString kReturn("__RETURN__");
    CMC_Object* found = memo->objectNamed(index, scene, kReturn);
    int type = found ? found->getType() : 0;
    return type >= TYPE_INTEGER && type <= TYPE_DOUBLE ? static_cast<CMC_Variable*>(found) : nullptr;
}

} // namespace

void CMC_Behaviour::removeAndDelete(CMC_Object* object) {
    if (!object) return;
    if (CMC_ObjectsContainer* scene = object->getScene()) scene->removeObject(object);
    // Still listed somewhere (a container in the middle of unloading): the container deletes it.
    if (!object->isHeld()) delete object;
}

void CMC_ArgumentsGuard::look(CMC_Object* object, CMC_ObjectsContainer* container) {
    // A run of its own keeps the plain anchors readable until the guard ends.
    CMC_Behaviour_Entry::enterRun();
    m_running = true;
    if (object) {
        m_self = object->runAnchor();
        object->guardAdded();
    }
    if (container) m_where = container->runAnchor();
}

void CMC_ArgumentsGuard::leave() {
    if (m_self && m_self->object) m_self->object->guardRemoved();
    CMC_Behaviour_Entry::leaveRun();
}

CMC_ArgumentsWatch* CMC_ArgumentsWatch::s_innermost = nullptr;
CMC_Object* CMC_Behaviour::s_runFor = nullptr;
CMC_ObjectAnchor* CMC_Behaviour::s_runForAnchor = nullptr;

void CMC_ArgumentsWatch::forgetHeld(const CMC_Object* object) {
    for (CMC_ArgumentsWatch* watch = s_innermost; watch; watch = watch->m_outer) {
        CXVector* args = watch->m_args;
        for (int i = 0, count = args ? args->getSize() : 0; i < count; ++i)
            if (args->at(i) == object) args->setAt(i, nullptr);
    }
}

// ---- construction ----

CMC_Behaviour::CMC_Behaviour(CMC_ObjectsContainer* scene) : CMC_Object(CXString(""), TYPE_BEHAVIOUR) {
    if (scene) setScene(scene);
}

CMC_Behaviour::CMC_Behaviour(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Object(scene, element, TYPE_BEHAVIOUR) {
    if (element) {
        m_code = stripBraces(element->getPropertyValue("CODE"));
        m_conditionName = element->getPropertyValue("CONDITION");
    }
    initializeBehaviours(scene, element);
}

CMC_Behaviour::CMC_Behaviour(CMC_ObjectsContainer* scene, const CXString& name, const CXString& code)
    : CMC_Object(name, TYPE_BEHAVIOUR), m_code(stripBraces(code)) {
    if (scene) setScene(scene);
}

CMC_Behaviour::~CMC_Behaviour() {
    releaseAnchor();
    dropLines(true);
    if (m_timerList) m_timerList->remove(m_timerId);
    m_timerList = nullptr;
    CMC_Behaviour_Runner::flushParams(m_timerParams);
    m_timerParams = nullptr;
    flushTempObjects();
    delete m_keptLocals;
    for (CMC_Variable* spare : m_spareLocals) delete spare;
}

void CMC_Behaviour::placeHidden(CMC_Behaviour*& hidden, CMC_ObjectsContainer* scene) {
    if (!hidden)
        hidden = new CMC_Behaviour(scene, CXString("temp"), CXString(""));
    else
        hidden->setScene(scene);
}

CXString CMC_Behaviour::stripBraces(const CXString& code) {
    CXString text = code;
    text.AllTrim();
    if (text.GetAt(0) == '{') text = text.Right(1);
    if (text.GetLength() > 0 && text.lastChar() == '}') text = text.Left(text.GetLength() - 1);
    text.AllTrim();
    return text;
}

CXString** CMC_Behaviour::getBehavioursList() { return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL"}); }

// ---- lines ----

void CMC_Behaviour::init() {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    CMC_Object::init();
    if (!self->object) return;
    if (m_code.GetAt(0) == '{') m_code = m_code.Mid(1, m_code.GetLength() - 1);
    done(false);
    if (!self->object) return;
    if (m_code.IsString()) parse(m_code);
}

bool CMC_Behaviour::done(bool flag) {
    dropLines(!flag);
    return CMC_Object::done(flag);
}

void CMC_Behaviour::dropLines(bool release) {
    if (!m_lines) return;
    std::vector<CMC_Behaviour_Entry*>* lines = m_lines;
    m_lines = nullptr;
    for (CMC_Behaviour_Entry* line : *lines)
        if (line) line->releaseTempBeh(release);
    CMC_Behaviour_Entry::destroyLines(lines);
}

void CMC_Behaviour::parse(const CXString& code) {
    std::vector<CMC_Behaviour_Entry*>* lines = CMC_Behaviour_Entry::getCodeLines(this, code);
    // Parsing runs nothing, but a line may have been parsed into this behaviour meanwhile.
    dropLines(true);
    m_lines = lines;
}

CMC_Behaviour_Entry** CMC_Behaviour::getLines() { return m_lines ? m_lines->data() : nullptr; }

int CMC_Behaviour::getLineCount() const { return m_lines ? static_cast<int>(m_lines->size()) - 1 : 0; }

void CMC_Behaviour::setParams(CXArray* params) {
    CXString code = params ? CMC_Behaviour_Entry::fillParams(m_code, params) : m_code;
    dropLines(true);
    if (code.IsString()) parse(code);
}

void CMC_Behaviour::serialize(CXArchive* archive) {
    if (!archive) return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << m_code;
        *archive << m_conditionName;
        return;
    }
    *archive >> &m_code;
    *archive >> &m_conditionName;
}

CMC_BasicCondition* CMC_Behaviour::getConditionInterface() {
    CMC_Object* condition = m_condition.get();
    if (!condition) return nullptr;
    int type = condition->getType();
    if (type != TYPE_CONDITION && type != TYPE_COMPLEXCONDITION) return nullptr;
    return static_cast<CMC_BasicCondition*>(condition);
}

void CMC_Behaviour::resolveCondition() {
    CMC_ObjectsContainer* scene = getScene();
    if (!m_conditionName.IsString() || !scene) return;
    CMC_Object* found = scene->getObject(m_conditionName);
    if (found)
        m_condition.set(found, scene);
    else
        m_condition = CMC_ObjectHandle(m_conditionName, scene);
}

// ---- running ----

bool CMC_Behaviour::run(CMC_Object* current, CXArray* params, bool checkCondition) {
    if (!m_enabled || !m_lines) return false;
    // Where the run's frame stands (a local's address: asking for the frame's would cost every run a frame
    // pointer).
    char frame;
    if (g_runDepth >= kMaxRunDepth || belowStackFloor(reinterpret_cast<uintptr_t>(&frame))) {
        // Reported as a break, so every caller in the runaway chain stops as well.
        logMessage("behaviour %s: runs nested %d deep; the run is refused and its callers stop",
                   m_name.GetBuffer(), g_runDepth);
        return true;
    }
    struct Depth {
        Depth() { ++g_runDepth; }
        ~Depth() { --g_runDepth; }
    } depth;
    // Inside the guard the plain anchor stays readable even when this behaviour is deleted by its code.
    CMC_Behaviour_Entry::RunGuard running;
    CMC_ObjectAnchor* self = runAnchor();
    // THIS may be deleted by the run's code; lines ask currentGone before they touch it.
    // A run for no object (RUN, a loop's body) leaves the outer one's standing: its lines have no THIS to ask for.
    struct RunFor {
        CMC_Object* object = nullptr;
        CMC_ObjectAnchor* anchor = nullptr;
        bool set;
        explicit RunFor(CMC_Object* current) : set(current != nullptr) {
            if (!set) return;
            object = s_runFor;
            anchor = s_runForAnchor;
            s_runFor = current;
            s_runForAnchor = current->runAnchor();
        }
        ~RunFor() {
            if (!set) return;
            s_runFor = object;
            s_runForAnchor = anchor;
        }
    } runFor(current);
    if (checkCondition && m_conditionName.IsString()) {
        if (CMC_BasicCondition* condition = getConditionInterface()) {
            bool valid = condition->valid(true);
            if (!self->object || !valid || !m_lines) return false;
        }
    }
    RunParams own(params);
    if (params) params = own.copy;
    // Lines replaced or deleted meanwhile stay until every run has returned, so this list stays valid.
    CMC_Behaviour_Entry** lines = m_lines->data();
    bool broke = false;
    // Every way out from here drops the run's locals, or the behaviour was deleted (which drops them).
    struct Runs {
        CMC_Behaviour* behaviour;
        CMC_ObjectAnchor* self;
        explicit Runs(CMC_Behaviour* b, CMC_ObjectAnchor* a) : behaviour(b), self(a) { ++b->m_runs; }
        ~Runs() {
            if (self->object) --behaviour->m_runs;
        }
    } runs(this, self);
    for (int i = 0; lines[i]; ++i) {
        if (CMC_StopRequest::check()) [[unlikely]] {
            broke = true;
            break;
        }
        CMC_Variable* result = lines[i]->run(current, params);
        if (isControlCode(result)) {
            broke = controlCodeOf(result) == CONTROL_BREAK;
            break;
        }
        // Only pool temporaries go back (CMC_Object::flush).
        if (result && isScalar(result->getType()) && result->getId() >= 0) flush(result);
        if (!self->object) return false;
    }
    if (self->object && !m_tempObjects.empty()) flushTempObjects();
    return broke;
}

void CMC_Behaviour::keepTempObject(CMC_Object* object) {
    if (!object) return;
    const std::shared_ptr<CMC_ObjectAnchor>& anchor = object->anchor();
    if (!m_keptLocals) m_keptLocals = new std::vector<std::shared_ptr<CMC_ObjectAnchor>>();
    m_keptLocals->push_back(anchor);
    m_tempObjects.push_back(anchor.get());
}

namespace {

// Few locals are declared in one run; past this many, those dropped go for good.
constexpr size_t kMaxSpareLocals = 8;

// Started afresh and set to the given value: one of its own type is taken as it is, since a fresh local tells
// no one of its change (no handlers, nothing to write or send).
void startAfresh(CMC_Variable* value, CMC_Variable* given) {
    bool taken;
    switch (value->getType()) {
    case TYPE_INTEGER:
        taken = static_cast<CMC_Integer*>(value)->startAfresh(given);
        break;
    case TYPE_DOUBLE:
        taken = static_cast<CMC_Double*>(value)->startAfresh(given);
        break;
    case TYPE_BOOL:
        taken = static_cast<CMC_Bool*>(value)->startAfresh(given);
        break;
    default:
        taken = static_cast<CMC_String*>(value)->startAfresh(given);
        break;
    }
    if (!taken) value->set(given);
}

} // namespace

inline void CMC_Behaviour::flushTempObjects() {
    if (m_tempObjects.empty()) return;
    // Taking values out and deleting them runs no script code, so the list cannot change under this walk. The
    // last declared goes first, so the first declared is the most recent spare, which the next run's first
    // declaration takes.
    for (size_t i = m_tempObjects.size(); i-- > 0;) {
        CMC_ObjectAnchor* anchor = m_tempObjects[i];
        CMC_Object* object = anchor->object;
        // The share kept of a local declared outside any run is no handle to it (canStartAfresh); the anchor
        // of one gone may go with it, as it is not read again.
        if (m_keptLocals && !m_keptLocals->empty()) dropKeptShare(anchor);
        if (!object) continue;
        // Locals are values, whose scene is their own.
        if (auto* scene = static_cast<CMC_ObjectsContainer*>(object->sceneObject()))
            scene->removeObject(object);
        // A local nothing else knows of any more is kept to serve as the next one.
        if (m_spareLocals.size() < kMaxSpareLocals && object->isTemporary() && isScalar(object->getType()) &&
            object->canStartAfresh()) {
            m_spareLocals.push_back(static_cast<CMC_Variable*>(object));
            continue;
        }
        if (!object->isHeld()) delete object;
    }
    m_tempObjects.clear();
}

void CMC_Behaviour::dropKeptShare(CMC_ObjectAnchor* anchor) {
    std::vector<std::shared_ptr<CMC_ObjectAnchor>>& kept = *m_keptLocals;
    for (size_t i = 0; i < kept.size(); ++i)
        if (kept[i].get() == anchor) {
            kept[i] = std::move(kept.back());
            kept.pop_back();
            return;
        }
}

CMC_Variable* CMC_Behaviour::reuseLocal(int type, const CXString& name, CMC_Variable* given) {
    if (m_spareLocals.empty()) return nullptr;
    // The most recently dropped first, and one of the same name before others: its name is already right.
    // The last one dropped mostly is that one (a local of every round).
    CMC_Variable* last = m_spareLocals.back();
    if (last->getType() == type && sameText(last->name(), name)) {
        m_spareLocals.pop_back();
        startAfresh(last, given);
        return last;
    }
    CMC_Variable* found = nullptr;
    size_t at = 0;
    bool named = false;
    for (size_t i = m_spareLocals.size(); i-- > 0;) {
        CMC_Variable* spare = m_spareLocals[i];
        if (spare->getType() != type) continue;
        bool same = sameText(spare->name(), name);
        if (!found || same) {
            found = spare;
            at = i;
            named = same;
        }
        if (same) break;
    }
    if (!found) return nullptr;
    m_spareLocals.erase(m_spareLocals.begin() + static_cast<std::ptrdiff_t>(at));
    if (!named) found->setName(name);
    startAfresh(found, given);
    return found;
}

// ---- timer repetition ----

CXTimer* CMC_Behaviour::timerList() {
    CMC_ObjectsContainer* scene = getScene();
    CWindow* window = scene ? scene->getWindow() : nullptr;
    return window ? window->GetTimerInterface() : nullptr;
}

std::vector<CMC_ObjectHandle>& CMC_Behaviour::getTimerBehaviours() {
    std::erase_if(g_timerBehaviours, [](const CMC_ObjectHandle& h) {
        CMC_Object* object = h.current();
        return !object || !static_cast<CMC_Behaviour*>(object)->isRunningOnTimer();
    });
    return g_timerBehaviours;
}

void CMC_Behaviour::runOnTimer(int interval, int count, CXArray* params, CMC_Behaviour* onDone) {
    if (m_timerList) m_timerList->remove(m_timerId);
    if (m_timerParams != params) CMC_Behaviour_Runner::flushParams(m_timerParams);
    m_timerParams = params;
    m_repeat = count;
    m_onDone.set(onDone);
    m_tick = 0;
    m_timerList = timerList();
    if (!m_timerList) {
        setErrorCode(ERR_NOT_BUILT);
        logMessage("behaviour %s: the scene's window has no timers; it does not repeat", m_name.GetBuffer());
        stopTimer(false);
        return;
    }
    m_timerId = CXTimer::newObjectId();
    m_timerList->add(m_timerId, static_cast<unsigned>(std::max(interval, 0)),
                     static_cast<CTimerNotificator*>(this));
    getTimerBehaviours().emplace_back(this);
}

void CMC_Behaviour::onTimer(int id) {
    if (!m_timerList || id != m_timerId) return;
    ++m_tick;
    if (m_timerParams && m_timerParams->getSize() > 0) {
        if (auto* first = static_cast<CXString*>(m_timerParams->at(0)))
            *first = CXString::toString(static_cast<int>(m_tick));
    }
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    bool broke = run(this, m_timerParams, false);
    if (!self->object || !m_timerList) return;
    if (broke || (m_repeat > 0 && m_tick >= m_repeat)) stopTimer(true);
}

void CMC_Behaviour::stopTimer(bool runOnDone) {
    std::shared_ptr<CMC_ObjectAnchor> self = anchor();
    if (m_timerList) m_timerList->remove(m_timerId);
    m_timerList = nullptr;
    CMC_Object* onDoneObject = m_onDone.current();
    m_onDone.clear();
    if (runOnDone && onDoneObject && onDoneObject->getType() == TYPE_BEHAVIOUR) {
        auto* onDone = static_cast<CMC_Behaviour*>(onDoneObject);
        CMC_ObjectHandle onDoneHandle(onDone);
        onDone->run(this, m_timerParams, true);
        if (!self->object) return;
        if (CMC_Object* still = onDoneHandle.current(); still && still->name().equals("temp"))
            removeAndDelete(still);
    }
    setToDelete();
    if (CMC_ObjectsContainer* scene = getScene()) scene->removeObject(this);
    CMC_Behaviour_Runner::flushParams(m_timerParams);
    m_timerParams = nullptr;
    addToTrash(this);
}

void CMC_Behaviour::detach() {
    setToDelete();
    if (CMC_ObjectsContainer* scene = getScene()) scene->removeObject(this);
    // Those deleted meanwhile (through the trash, by their owners) need no place here.
    std::erase_if(g_detached, [](const CMC_ObjectHandle& handle) { return !handle.current(); });
    for (const CMC_ObjectHandle& handle : g_detached)
        if (handle.refersTo(this)) return;
    g_detached.emplace_back(this);
}

void CMC_Behaviour::_break() {
    if (m_timerList) {
        m_timerList->remove(m_timerId);
        m_timerList = nullptr;
        m_onDone.clear();
        setToDelete();
        if (CMC_ObjectsContainer* scene = getScene()) scene->removeObject(this);
        CMC_Behaviour_Runner::flushParams(m_timerParams);
        m_timerParams = nullptr;
        addToTrash(this);
        return;
    }
    // Not repeating: it leaves its scene, and whatever is bound to it may still run it.
    CMC_Behaviour_Runner::flushParams(m_timerParams);
    m_timerParams = nullptr;
    detach();
}

// ---- the trash ----

void CMC_Behaviour::initTrash() {
    if (!globalTrash) globalTrash = new std::vector<CMC_ObjectHandle>();
}

void CMC_Behaviour::addToTrash(CMC_Object* object) {
    if (!object) return;
    initTrash();
    for (const CMC_ObjectHandle& handle : *globalTrash)
        if (handle.refersTo(object)) return;
    globalTrash->emplace_back(object);
}

void CMC_Behaviour::flushTrash() {
    if (!globalTrash) return;
    // Destructors may put more into the trash; that waits for the next flush.
    std::vector<CMC_ObjectHandle> objects;
    objects.swap(*globalTrash);
    for (CMC_ObjectHandle& handle : objects) removeAndDelete(handle.current());
}

void CMC_Behaviour::doneTrash() {
    flushTrash();
    delete globalTrash;
    globalTrash = nullptr;
    std::vector<CMC_ObjectHandle> detached;
    detached.swap(g_detached);
    for (CMC_ObjectHandle& handle : detached) removeAndDelete(handle.current());
}

int CMC_Behaviour::getTrashSize() { return globalTrash ? static_cast<int>(globalTrash->size()) : 0; }

// ---- the text interpreter ----

CMC_Object* CMC_Behaviour::resolveObject(CMC_ObjectsContainer* container, CMC_Object* current,
                                         const CXString& text, CXString* method, CMC_Behaviour*) {
    int caret = text.FindLast('^');
    CXString objectPart = caret >= 0 ? text.Left(caret) : text;
    if (method) *method = caret >= 0 ? text.Right(caret + 1) : CXString("");
    if (objectPart.GetAt(0) == '#') {
        // "#" and a character whose code, top bit cleared, is the index.
        if (objectPart.GetLength() < 3 || !container) return nullptr;
        return container->getObject(static_cast<int>(static_cast<unsigned char>(objectPart.GetAt(2)) & 0x7F));
    }
    if (objectPart.equals("THIS")) return currentGone(current) ? nullptr : current;
    return container ? container->getObject(objectPart) : nullptr;
}

CMC_Variable* CMC_Behaviour::runLine(CMC_ObjectsContainer* container, CMC_Object* current,
                                     const CXString& line, CMC_Behaviour* behaviour) {
    // A text whose arguments nest without end (one a script built) stops before the stack ends.
    if (belowStackFloor(reinterpret_cast<uintptr_t>(__builtin_frame_address(0)))) {
        logMessage("code nested too deep for the stack is not run: %.40s", line.GetBuffer());
        return nullptr;
    }
    int p = line.Find('(');
    if (p < 0) p = line.GetLength();
    CXString head = line.Left(p);
    CMC_Object* target = nullptr;
    CMC_Runner* runner = nullptr;
    CXString method;
    if (head.GetAt(0) == '@') {
        target = behaviour;
        runner = CMC_RunnerFactory::getRunner(TYPE_PLACEHOLDER);
        method = head.Right(1);
    } else if (head.GetAt(0) == '*') {
        int caret = head.FindLast('^');
        CXString objectPart = caret >= 0 ? head.Mid(1, caret) : head.Right(1);
        method = caret >= 0 ? head.Right(caret + 1) : CXString("");
        CMC_Variable* name = resolveParameter(container, current, objectPart, behaviour);
        CXString text = CMC_Behaviour_Entry::getStringValue(name);
        flush(name);
        target = container ? container->getObject(text) : nullptr;
        if (!target) return nullptr;
    } else {
        target = resolveObject(container, current, head, &method, behaviour);
        if (!target) {
            // No such object: the text names a built-in statement.
            target = behaviour;
            runner = CMC_RunnerFactory::getRunner(TYPE_PLACEHOLDER);
            method = head;
        }
    }
    if (!runner && target) {
        runner = CMC_RunnerFactory::getRunner(target->getType());
        if (!runner) runner = target->getRunner();
    }
    if (!runner) return nullptr;

    CXString argText = line.Right(p);
    argText.AllTrim();
    if (argText.GetAt(0) == '(') argText = argText.Right(1);
    if (argText.GetLength() > 0 && argText.lastChar() == ')') argText = argText.Left(argText.GetLength() - 1);
    argText.AllTrim();

    CMC_Behaviour_Entry::RunGuard running;
    // The arguments' code may delete the target or the container: then nothing is called.
    CMC_ObjectAnchor* targetAnchor = target ? target->runAnchor() : nullptr;
    CMC_ObjectAnchor* where = container ? container->runAnchor() : nullptr;
    CXVector* args = resolveParameters(container, current, argText, behaviour);
    CMC_ArgumentsWatch watch(args);
    CMC_Variable* result = nullptr;
    bool gone = (targetAnchor && !targetAnchor->object) || (where && !where->object);
    if (!gone && method.GetAt(0) == '#')
        result = runner->run(static_cast<int>(static_cast<unsigned char>(method.GetAt(1)) & 0x7F), target,
                             container, args);
    else if (!gone)
        result = runner->run(method, target, container, args);
    for (int i = 0; args && i < args->getSize(); ++i) flush(static_cast<CMC_Variable*>(args->at(i)));
    delete args;
    return result;
}

CMC_Variable* CMC_Behaviour::resolveParameter(CMC_ObjectsContainer* container, CMC_Object* current,
                                              const CXString& input, CMC_Behaviour* behaviour) {
    // Parsed code has no blanks left: a copy is made only when there are some to trim.
    int inputLength = input.GetLength();
    bool blanks = inputLength > 0 && (input.GetAt(0) == ' ' || input.lastChar() == ' ');
    CXString trimmed;
    if (blanks) {
        trimmed = input;
        trimmed.AllTrim();
    }
    const CXString& text = blanks ? trimmed : input;
    int length = text.GetLength();
    if (length >= 2 && text.GetAt(0) == '[' && text.lastChar() == ']') {
        CXString inner = text.Mid(1, length - 1);
        inner.AllTrim();
        auto* expression = new CMC_Expression(container, inner);
        addToTrash(expression);
        return expression;
    }
    if (length >= 4 && std::strncmp(text.GetBuffer(), "CONV", 4) == 0) {
        CMC_Variable* result = runLine(container, current, "@" + text, behaviour);
        return isControlCode(result) ? nullptr : result;
    }
    if (text.Find('^') >= 0 && text.GetAt(0) != '"') {
        CMC_Variable* result = runLine(container, current, text, behaviour);
        return isControlCode(result) ? nullptr : result;
    }
    char first = text.GetAt(0);
    if (first == '-' || (first >= '0' && first <= '9')) return CMC_Variable::resolve(text);
    int bar = text.Find('|');
    if (bar >= 0) {
        CMC_Object* structure = container ? container->getObject(text.Left(bar)) : nullptr;
        if (!structure || structure->getType() != TYPE_STRUCTURE) return nullptr;
        return static_cast<CMC_Structure*>(structure)->getField(text.Right(bar + 1));
    }
    if (container) {
        CMC_Object* object = container->getObject(text);
        if (object && isScalar(object->getType())) return static_cast<CMC_Variable*>(object);
    }
    return CMC_Variable::resolve(text);
}

CXVector* CMC_Behaviour::resolveParameters(CMC_ObjectsContainer* container, CMC_Object* current,
                                           const CXString& args, CMC_Behaviour* behaviour) {
    if (!args.IsString()) return nullptr;
    auto* result = new CXVector(101, 0.75f);
    CMC_ArgumentsWatch watch(result);
    int depth = 0;
    int start = 0;
    int length = args.GetLength();
    for (int i = 0; i <= length; ++i) {
        char c = i < length ? args.GetAt(i) : ',';
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (c != ',' || (depth != 0 && i < length)) continue;
        CMC_Variable* value = resolveParameter(container, current, args.Mid(start, i), behaviour);
        if (value) result->add(value);
        start = i + 1;
    }
    return result;
}

// ---- the BEHAVIOUR runner ----

void CMC_Behaviour_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("RUN", MTH_RUN);
    addMethod("RUNC", MTH_RUNC);
    addMethod("RUNLOOPED", MTH_RUNLOOPED);
    addMethod("BREAK", MTH_BREAK);
    addMethod("ENABLE", MTH_ENABLE);
    addMethod("DISABLE", MTH_DISABLE);
}

namespace {

// The text of a parameter: a name of an object that is not a scalar is quoted. Digits and texts are written
// into the given string's own storage.
void writeParam(CMC_Runner* runner, CMC_ObjectsContainer* container, CXVector* args, int i,
                const CMC_ArgumentsGuard& guard, CXString* into, CMC_CallMemo* memo = nullptr) {
    CMC_Variable* value = runner->getParameter(args, i);
    if (value && value->getType() == TYPE_STRING) {
        static_cast<CMC_String*>(value)->value().right(0, into);
    } else if (value && value->getType() == TYPE_INTEGER) {
        char digits[16];
        auto written =
            std::to_chars(digits, digits + sizeof digits - 1, static_cast<CMC_Integer*>(value)->getValue());
        *written.ptr = 0;
        // A parameter is often what it was at the last call: its text stays.
        auto length = static_cast<size_t>(written.ptr - digits);
        if (static_cast<size_t>(into->GetLength()) != length || !sameText(into->GetBuffer(), digits, length))
            *into = digits;
    } else {
        *into = CMC_Behaviour_Entry::getStringValue(value);
    }
    bool look = container && !guard.containerGone() && into->IsString();
    CMC_Object* named = !look  ? nullptr
                        : memo ? memo->objectNamed(i, container, *into)
                               : container->getObject(*into);
    if (named && named->getType() > TYPE_DOUBLE) *into = "\"" + *into + "\"";
}

} // namespace

CXArray* CMC_Behaviour_Runner::getParams(CMC_ObjectsContainer* container, CXVector* args) {
    int count = argumentCount(args);
    auto* params = new CXArray(std::max(count, 1), 0.75f);
    CMC_ArgumentsGuard guard(nullptr, container, args);
    for (int i = 0; i < count; ++i) {
        auto* text = new CXString();
        writeParam(this, container, args, i, guard, text);
        params->add(text);
    }
    return params;
}

void CMC_Behaviour_Runner::flushParams(CXArray* params) {
    if (!params) return;
    for (int i = 0; i < params->getSize(); ++i) delete static_cast<CXString*>(params->at(i));
    delete params;
}

CMC_Variable* CMC_Behaviour_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                        CXVector* args) {
    if (!object || object->getType() != TYPE_BEHAVIOUR) return CMC_Runner::run(id, object, container, args);
    auto* behaviour = static_cast<CMC_Behaviour*>(object);
    switch (id) {
    case MTH_RUN:
    case MTH_RUNC: {
        std::shared_ptr<CMC_ObjectAnchor> scene = container ? container->anchor() : nullptr;
        // One guard for both: a container gone leaves the parameters unquoted, the behaviour gone stops RUN.
        CMC_ArgumentsGuard guard(behaviour, container, args);
        // The calling line's memo keeps the lookups of the parameters' texts and of the return value.
        CMC_CallMemo* memo = CMC_CallMemo::of(args);
        // As getParams makes them, in a list lent for the call.
        int count = argumentCount(args);
        ParamLists::List* params = ParamLists::take(count);
        for (int i = 0; i < count; ++i)
            writeParam(this, container, args, i, guard, params->texts[static_cast<size_t>(i)], memo);
        if (guard.objectGone()) {
            ParamLists::give(params);
            return nullptr;
        }
        g_heldParams = &params->array;
        bool broke = behaviour->run(nullptr, &params->array, id == MTH_RUNC);
        g_heldParams = nullptr;
        ParamLists::give(params);
        if (broke) return controlCode(CONTROL_BREAK);
        return CMC_VariableFactory::copyVariable(
            returnVariable(scene ? static_cast<CMC_ObjectsContainer*>(scene->object) : nullptr, memo, count));
    }
    case MTH_RUNLOOPED: {
        int count = argumentCount(args);
        if (count < 2) return nullptr;
        CMC_ObjectHandle scene(container);
        CMC_ObjectHandle self(behaviour);
        int start = getParameterInteger(args, 0)->getValue();
        int rounds = getParameterInteger(args, 1)->getValue();
        int step = count > 2 ? getParameterInteger(args, 2)->getValue() : 1;
        CXArray* params = getParams(container, args);
        // $1 is the counter; the start and count are not parameters, the step and what follows are.
        auto* counter = static_cast<CXString*>(params->at(0));
        delete static_cast<CXString*>(params->at(1));
        params->removeAt(1);
        long long end = static_cast<long long>(start) + rounds;
        for (long long c = start; c < end; c += step) {
            CMC_Object* target = self.current();
            if (!target || CMC_StopRequest::check()) break;
            *counter = CXString::toString(static_cast<int>(c));
            if (static_cast<CMC_Behaviour*>(target)->run(nullptr, params, true)) break;
        }
        flushParams(params);
        if (CMC_StopRequest::isAsked()) return controlCode(CONTROL_BREAK);
        return returnVariable(static_cast<CMC_ObjectsContainer*>(scene.current()));
    }
    case MTH_BREAK:
        behaviour->_break();
        return nullptr;
    case MTH_ENABLE:
        behaviour->enable(true);
        return nullptr;
    case MTH_DISABLE:
        behaviour->enable(false);
        return nullptr;
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

} // namespace KavirelDLL
