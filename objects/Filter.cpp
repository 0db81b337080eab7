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

// SETPROPERTY key, value: the same for both filter objects.
template <class Obj>
CMC_Variable* setPropertyOf(CMC_MediaRunner::Call& call) {
    CXString key = call.string(0), value = call.string(1);
    if (call.gone()) return nullptr;
    auto* filter = call.self<Obj>()->getFilter();
    if (filter) filter->setProperty(key, value);
    return nullptr;
}

// A method on the object named by its first argument: act(filter, target) runs when the filter and the
// object's graphic are both there.
template <class Obj, class Act>
CMC_Variable* onTarget(CMC_MediaRunner::Call& call, Act act) {
    CXString name = call.string(0);
    if (call.gone()) return nullptr;
    auto* filter = call.self<Obj>()->getFilter();
    Target t = targetOf(call, name);
    if (filter && t.graphic) act(filter, t);
    return nullptr;
}

// UNLINK name: the same for both filter objects.
template <class Obj>
CMC_Variable* unlinkOf(CMC_MediaRunner::Call& call) {
    return onTarget<Obj>(call, [](auto* filter, Target& t) { filter->unlink(t.graphic); });
}

} // namespace

// ---------------------------------------------------------------- FILTER and STATICFILTER

template <class FilterIfc>
CMC_FilterObject<FilterIfc>::CMC_FilterObject(CMC_ObjectsContainer* container, CMElement* element, int typeId,
                                              const char* typeName)
    : CMC_Object(container, element, typeId), m_window(container ? container->getWindow() : nullptr),
      m_typeName(typeName) {}

template <class FilterIfc>
CMC_FilterObject<FilterIfc>::~CMC_FilterObject() {
    releaseAnchor();
    m_filter.reset();
}

template <class FilterIfc>
void CMC_FilterObject<FilterIfc>::setUp(CMC_ObjectsContainer* container, CMElement* element) {
    if (!element) {
        setName("temp");
        return;
    }
    m_action = element->getPropertyValue("ACTION");
    createFilter();
    initializeBehaviours(container, element);
}

template <class FilterIfc>
void CMC_FilterObject<FilterIfc>::createFilter() {
    m_filter.reset();
    m_filter.reset(makeFilter());
    if (!m_filter) {
        logMessage("%s \"%s\": ACTION \"%s\" names no filter; its methods do nothing", m_typeName,
                   getName().GetBuffer(), m_action.GetBuffer());
        return;
    }
    filterMade();
}

template <class FilterIfc>
void CMC_FilterObject<FilterIfc>::serialize(CXArchive* archive) {
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

template class CMC_FilterObject<CGraphDynamicFilterIfc>;
template class CMC_FilterObject<CGraphStaticFilterIfc>;

// ---------------------------------------------------------------- FILTER

CMC_Filter::CMC_Filter(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_FilterObject(container, element, TYPE_FILTER, "FILTER") {
    setUp(container, element);
}

CGraphDynamicFilterIfc* CMC_Filter::makeFilter() {
    return makeDynamicFilter(m_action, m_window, static_cast<CMC_ObjectsContainer*>(getScene()));
}

CXString** CMC_Filter::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONSTARTED", "ONFINISHED", "ONTICK"});
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
    addMethod("SETPROPERTY", MTH_SETPROPERTY, &setPropertyOf<CMC_Filter>);
    addMethod("LINK", MTH_LINK, [](Call& call) {
        return onTarget<CMC_Filter>(call, [](auto* filter, Target& t) { filter->link(t.graphic, t.object); });
    });
    addMethod("UNLINK", MTH_UNLINK, &unlinkOf<CMC_Filter>);
    addMethod("START", MTH_START, [](Call& call) {
        return onTarget<CMC_Filter>(call, [](auto* filter, Target& t) { filter->start(t.graphic); });
    });
    addMethod("STOP", MTH_STOP, [](Call& call) {
        return onTarget<CMC_Filter>(call, [](auto* filter, Target& t) { filter->stop(t.graphic); });
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
    : CMC_FilterObject(container, element, TYPE_STATICFILTER, "STATICFILTER") {
    setUp(container, element);
}

bool CMC_StaticFilter::done(bool flag) {
    if (m_filter) m_filter->removeAllObjects();
    return CMC_Object::done(flag);
}

CXString** CMC_StaticFilter::getBehavioursList() { return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL"}); }

void CMC_StaticFilter_Runner::prepareMthHashSet() {
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("SETPROPERTY", MTH_SETPROPERTY, &setPropertyOf<CMC_StaticFilter>);
    addMethod("LINK", MTH_LINK, [](Call& call) {
        return onTarget<CMC_StaticFilter>(call, [](CGraphStaticFilterIfc* filter, Target& t) {
            // Linking an animation tells its handlers, which may remove it.
            std::shared_ptr<CMC_ObjectAnchor> target = t.object ? t.object->anchor() : nullptr;
            t.graphic->Invalidate();
            filter->link(t.graphic, t.object);
            if (target && !target->object) return;
            t.graphic->Invalidate();
        });
    });
    addMethod("UNLINK", MTH_UNLINK, &unlinkOf<CMC_StaticFilter>);
}

} // namespace KavirelDLL
