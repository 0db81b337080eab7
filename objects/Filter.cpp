#include "objects/Filter.h"

#include "core/Archive.h"
#include "core/Elements.h"
#include "core/Log.h"
#include "display/Window.h"
#include "script/Bool.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"

namespace KavirelDLL {

namespace {

CGraphDynamicFilterIfc* makeDynamicFilter(const CXString& action, CWindow* window,
                                          CMC_ObjectsContainer* container) {
    if (action == "FADEIN") return new CGraphFilter_FadeIn(window);
    if (action == "FADEOUT") return new CGraphFilter_FadeOut(window);
    if (action == "FADEINOUT") return new CGraphFilter_FadeInOut(window);
    if (action == "PATH") return new CGraphFilter_Path(window, container);
    if (action == "WATER") return new CGraphFilter_Water(window);
    if (action == "WAVING") return new CGraphFilter_Waving(window);
    return nullptr;
}

// The script object a method names and its graphic; null graphic when there is none.
struct Target {
    CMC_Object* object = nullptr;
    CGraphicsObject* graphic = nullptr;
};

Target targetOf(CMC_MediaRunner::Call& call, const CXString& name) {
    Target t;
    CMC_ObjectsContainer* container = call.container();
    if (!container) container = static_cast<CMC_ObjectsContainer*>(call.self<CMC_Object>()->getScene());
    if (!container || !name.IsString()) return t;
    t.object = container->getObject(name);
    t.graphic = container->getGraphicsObject(name);
    return t;
}

} // namespace

// ---------------------------------------------------------------- FILTER

CMC_Filter::CMC_Filter(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, TYPE_FILTER), m_window(container ? container->getWindow() : nullptr) {
    if (!element) {
        setName("temp");
        return;
    }
    m_action = element->getPropertyValue("ACTION");
    createFilter();
    initializeBehaviours(container, element);
}

CMC_Filter::~CMC_Filter() {
    releaseAnchor();
    m_filter.reset();
}

void CMC_Filter::createFilter() {
    m_filter.reset();
    auto* container = static_cast<CMC_ObjectsContainer*>(getScene());
    m_filter.reset(makeDynamicFilter(m_action, m_window, container));
    if (!m_filter) {
        logMessage("FILTER \"%s\": ACTION \"%s\" names no filter; its methods do nothing",
                   getName().GetBuffer(), m_action.GetBuffer());
        return;
    }
    m_filter->addNotifier(this);
}

CXString** CMC_Filter::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONSTARTED", "ONFINISHED", "ONTICK"});
}

void CMC_Filter::serialize(CXArchive* archive) {
    CMC_Object::serialize(archive);
    if (!archive) return;
    if (archive->isStoring()) {
        *archive << m_action;
        return;
    }
    CXString action;
    *archive >> &action;
    if (!archive->good()) return;
    m_action = action;
    createFilter();
}

void CMC_Filter::raise(int index, const char* event, CGraphFilterObjectsIfc* record) {
    if (!record || !hasHandler(index)) return;
    raiseDetailed(CXString(event), {record->getScriptObjectName()});
}

void CMC_Filter::onFilterStarted(CGraphFilterObjectsIfc* record, CGraphDynamicFilterIfc*) {
    raise(EVT_FILTER_ONSTARTED, "ONSTARTED", record);
}

void CMC_Filter::onFilterTick(CGraphFilterObjectsIfc* record, CGraphDynamicFilterIfc*) {
    raise(EVT_FILTER_ONTICK, "ONTICK", record);
}

void CMC_Filter::onFilterFinished(CGraphFilterObjectsIfc* record, CGraphDynamicFilterIfc*) {
    raise(EVT_FILTER_ONFINISHED, "ONFINISHED", record);
}

void CMC_Filter_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("SETPROPERTY", MTH_SETPROPERTY, [](Call& call) -> CMC_Variable* {
        CXString key = call.string(0), value = call.string(1);
        if (call.gone()) return nullptr;
        CGraphDynamicFilterIfc* filter = call.self<CMC_Filter>()->getFilter();
        if (filter) filter->setProperty(key, value);
        return nullptr;
    });
    addMethod("LINK", MTH_LINK, [](Call& call) -> CMC_Variable* {
        CXString name = call.string(0);
        if (call.gone()) return nullptr;
        CGraphDynamicFilterIfc* filter = call.self<CMC_Filter>()->getFilter();
        Target t = targetOf(call, name);
        if (filter && t.graphic) filter->link(t.graphic, t.object);
        return nullptr;
    });
    addMethod("UNLINK", MTH_UNLINK, [](Call& call) -> CMC_Variable* {
        CXString name = call.string(0);
        if (call.gone()) return nullptr;
        CGraphDynamicFilterIfc* filter = call.self<CMC_Filter>()->getFilter();
        Target t = targetOf(call, name);
        if (filter && t.graphic) filter->unlink(t.graphic);
        return nullptr;
    });
    addMethod("START", MTH_START, [](Call& call) -> CMC_Variable* {
        CXString name = call.string(0);
        if (call.gone()) return nullptr;
        CGraphDynamicFilterIfc* filter = call.self<CMC_Filter>()->getFilter();
        Target t = targetOf(call, name);
        if (filter && t.graphic) filter->start(t.graphic);
        return nullptr;
    });
    addMethod("STOP", MTH_STOP, [](Call& call) -> CMC_Variable* {
        CXString name = call.string(0);
        if (call.gone()) return nullptr;
        CGraphDynamicFilterIfc* filter = call.self<CMC_Filter>()->getFilter();
        Target t = targetOf(call, name);
        if (filter && t.graphic) filter->stop(t.graphic);
        return nullptr;
    });
    addMethod("ISRUNNING", MTH_ISRUNNING, [](Call& call) -> CMC_Variable* {
        CXString name = call.string(0);
        if (call.gone()) return RunnerResults::boolResult(false);
        CGraphDynamicFilterIfc* filter = call.self<CMC_Filter>()->getFilter();
        Target t = targetOf(call, name);
        // A name without a graphic is not running.
        return RunnerResults::boolResult(filter && t.graphic && filter->isRunning(t.graphic));
    });
}

// ---------------------------------------------------------------- STATICFILTER

CMC_StaticFilter::CMC_StaticFilter(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, TYPE_STATICFILTER),
      m_window(container ? container->getWindow() : nullptr) {
    if (!element) {
        setName("temp");
        return;
    }
    m_action = element->getPropertyValue("ACTION");
    createFilter();
    initializeBehaviours(container, element);
}

CMC_StaticFilter::~CMC_StaticFilter() {
    releaseAnchor();
    m_filter.reset();
}

void CMC_StaticFilter::createFilter() {
    m_filter.reset(createStaticFilter(m_action, m_window));
    if (!m_filter)
        logMessage("STATICFILTER \"%s\": ACTION \"%s\" names no filter; its methods do nothing",
                   getName().GetBuffer(), m_action.GetBuffer());
}

bool CMC_StaticFilter::done(bool flag) {
    if (m_filter) m_filter->removeAllObjects();
    return CMC_Object::done(flag);
}

CXString** CMC_StaticFilter::getBehavioursList() { return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL"}); }

void CMC_StaticFilter::serialize(CXArchive* archive) {
    CMC_Object::serialize(archive);
    if (!archive) return;
    if (archive->isStoring()) {
        *archive << m_action;
        return;
    }
    CXString action;
    *archive >> &action;
    if (!archive->good()) return;
    m_action = action;
    createFilter();
}

void CMC_StaticFilter_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("SETPROPERTY", MTH_SETPROPERTY, [](Call& call) -> CMC_Variable* {
        CXString key = call.string(0), value = call.string(1);
        if (call.gone()) return nullptr;
        CGraphStaticFilterIfc* filter = call.self<CMC_StaticFilter>()->getFilter();
        if (filter) filter->setProperty(key, value);
        return nullptr;
    });
    addMethod("LINK", MTH_LINK, [](Call& call) -> CMC_Variable* {
        CXString name = call.string(0);
        if (call.gone()) return nullptr;
        CGraphStaticFilterIfc* filter = call.self<CMC_StaticFilter>()->getFilter();
        Target t = targetOf(call, name);
        if (!filter || !t.graphic) return nullptr;
        t.graphic->Invalidate();
        filter->link(t.graphic, t.object);
        t.graphic->Invalidate();
        return nullptr;
    });
    addMethod("UNLINK", MTH_UNLINK, [](Call& call) -> CMC_Variable* {
        CXString name = call.string(0);
        if (call.gone()) return nullptr;
        CGraphStaticFilterIfc* filter = call.self<CMC_StaticFilter>()->getFilter();
        Target t = targetOf(call, name);
        if (filter && t.graphic) filter->unlink(t.graphic);
        return nullptr;
    });
}

} // namespace KavirelDLL
