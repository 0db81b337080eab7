#include "script/Timer.h"

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/Log.h"
#include "display/Window.h"
#include "script/Behaviour.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace {

CWindow* windowOf(CMC_ObjectsContainer* scene) { return scene ? scene->getWindow() : nullptr; }

// A negative interval would wrap to weeks; it ticks at every poll instead.
unsigned intervalOf(const CXString& elapse) {
    int ms = elapse.IsString() ? elapse.toNumber() : 0;
    return ms > 0 ? static_cast<unsigned>(ms) : 0u;
}

} // namespace

CMC_Timer::CMC_Timer(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Object(scene, element, TYPE_TIMER), m_window(windowOf(scene)) {
    if (element) {
        m_elapse = element->getPropertyValue("ELAPSE");
        m_tickLimit = element->getPropertyIntValue("TICKS");
        CMProperty* enabled = element->getProperty("ENABLED");
        if (enabled && !enabled->value().equalsIgnoreCase("true")) m_enabled = false;
    }
    if (m_elapse.IsString()) enter();
    initializeBehaviours(scene, element);
}

CMC_Timer::CMC_Timer(CMC_ObjectsContainer* scene)
    : CMC_Object(CXString("temp"), TYPE_TIMER), m_window(windowOf(scene)) {
    if (scene) setScene(scene);
}

CMC_Timer::~CMC_Timer() {
    releaseAnchor();
    if (CXTimer* list = timers(); list && m_timerId) list->remove(m_timerId);
}

CXTimer* CMC_Timer::timers() { return m_window ? m_window->GetTimerInterface() : nullptr; }

void CMC_Timer::enter() {
    CXTimer* list = timers();
    if (!list) {
        logMessage("TIMER %s: the window has no software timers; it never ticks", m_name.GetBuffer());
        return;
    }
    if (m_timerId) list->remove(m_timerId);
    m_timerId = CXTimer::newObjectId();
    list->add(m_timerId, intervalOf(m_elapse), static_cast<CTimerNotificator*>(this));
}

CXString** CMC_Timer::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONTICK"});
}

void CMC_Timer::serialize(CXArchive* archive) {
    if (!archive) return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << m_elapse;
        *archive << static_cast<int32_t>(m_tickLimit);
        return;
    }
    *archive >> &m_elapse;
    int32_t limit = 0;
    *archive >> &limit;
    m_tickLimit = limit;
    if (CMC_ObjectsContainer* scene = getScene(); scene && !m_window) m_window = scene->getWindow();
    if (archive->good()) enter();
}

void CMC_Timer::onTimer(int id) {
    if (id != m_timerId || !m_enabled) return;
    ++m_ticks;
    if (m_tickLimit >= 1 && m_ticks == m_tickLimit) m_enabled = false;
    if (!hasHandler(EVT_TIMER_ONTICK)) return;
    raiseDetailed("ONTICK", {CXString::toString(static_cast<int>(m_ticks))});
}

void CMC_Timer::enable() {
    if (m_enabled) return;
    m_ticks = 0;
    m_enabled = true;
    if (CXTimer* list = timers()) list->reset(m_timerId);
}

void CMC_Timer::disable() { m_enabled = false; }

void CMC_Timer::pause() {
    m_enabled = false;
    if (CXTimer* list = timers()) list->pause();
}

void CMC_Timer::resume() {
    if (m_enabled) return;
    m_enabled = true;
    if (CXTimer* list = timers()) list->resume();
}

void CMC_Timer::reset() {
    if (CXTimer* list = timers()) list->reset(m_timerId);
    m_ticks = 0;
}

void CMC_Timer::set(int limit) {
    if (CXTimer* list = timers()) list->reset(m_timerId);
    m_tickLimit = limit;
    m_ticks = 0;
}

void CMC_Timer::setElapse(int ms) {
    CXTimer* list = timers();
    CTimerObject* entry = list && m_timerId ? list->find(m_timerId) : nullptr;
    if (entry) entry->setInterval(ms > 0 ? static_cast<unsigned>(ms) : 0u);
}

// ---- runner ----

void CMC_Timer_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("ENABLE", MTH_ENABLE);
    addMethod("DISABLE", MTH_DISABLE);
    addMethod("PAUSE", MTH_PAUSE);
    addMethod("RESUME", MTH_RESUME);
    addMethod("GETTICKS", MTH_GETTICKS);
    addMethod("RESET", MTH_RESET);
    addMethod("SET", MTH_SET);
    addMethod("SETELAPSE", MTH_SETELAPSE);
}

CMC_Variable* CMC_Timer_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                    CXVector* args) {
    if (!object || object->getType() != TYPE_TIMER) return CMC_Runner::run(id, object, container, args);
    auto* timer = static_cast<CMC_Timer*>(object);
    switch (id) {
    case MTH_ENABLE:
        timer->enable();
        return nullptr;
    case MTH_DISABLE:
        timer->disable();
        return nullptr;
    case MTH_PAUSE:
        timer->pause();
        return nullptr;
    case MTH_RESUME:
        timer->resume();
        return nullptr;
    case MTH_GETTICKS: {
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(timer->getTick());
        return result;
    }
    case MTH_RESET:
        timer->reset();
        return nullptr;
    case MTH_SET:
    case MTH_SETELAPSE: {
        // Reading the argument may run code that deletes the timer.
        CMC_ArgumentsGuard guard(object, container, args);
        int value = getParameterInteger(args, 0)->getValue();
        if (guard.objectGone()) return nullptr;
        if (id == MTH_SET)
            timer->set(value);
        else
            timer->setElapse(value);
        return nullptr;
    }
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

} // namespace KavirelDLL
