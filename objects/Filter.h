#pragma once
#include <memory>

#include "media/filters/GraphFilter.h"
#include "media/filters/StaticFilter.h"
#include "objects/MediaObject.h"
#include "script/Object.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

enum : int {
    EVT_FILTER_ONSTARTED = 3,
    EVT_FILTER_ONFINISHED = 4,
    EVT_FILTER_ONTICK = 5,
};

// What FILTER and STATICFILTER share: the ACTION, the window, the filter the ACTION names. The final
// constructor calls setUp, so that makeFilter and filterMade reach the final type.
template <class FilterIfc>
class CMC_FilterObject : public CMC_Object {
public:
    ~CMC_FilterObject() override;

    CXString toString() override { return CXString("Filter"); }
    bool doneFirst() override { return true; }
    void serialize(CXArchive* archive) override;

    // Builds the filter ACTION names; another ACTION makes none (a log line).
    void createFilter();
    FilterIfc* getFilter() const { return m_filter.get(); }
    CXString getAction() const { return m_action; }
    CWindow* getWindow() const { return m_window; }

protected:
    // typeName heads the log line of an ACTION that names no filter.
    CMC_FilterObject(CMC_ObjectsContainer* container, CMElement* element, int typeId, const char* typeName);
    // A null element makes a blank object named "temp" (the cache reader fills it).
    void setUp(CMC_ObjectsContainer* container, CMElement* element);
    virtual FilterIfc* makeFilter() = 0;
    virtual void filterMade() {}

    CWindow* m_window = nullptr;
    std::unique_ptr<FilterIfc> m_filter;
    CXString m_action = "";

private:
    const char* m_typeName;
};

// FILTER: one dynamic filter chosen by ACTION (FADEIN, FADEOUT, FADEINOUT, PATH, WATER, WAVING), linked to
// the graphics of script objects; raises "ONSTARTED", "ONTICK" and "ONFINISHED" with the linking object's
// name as detail. Another ACTION makes no filter (a log line) and the methods do nothing.
class CMC_Filter : public CMC_FilterObject<CGraphDynamicFilterIfc>, public CGraphFilterNotifierIfc {
public:
    CMC_Filter(CMC_ObjectsContainer* container, CMElement* element);

    CXString** getBehavioursList() override;

    void onFilterStarted(CGraphFilterObjectsIfc* record, CGraphDynamicFilterIfc* filter) override;
    void onFilterTick(CGraphFilterObjectsIfc* record, CGraphDynamicFilterIfc* filter) override;
    void onFilterFinished(CGraphFilterObjectsIfc* record, CGraphDynamicFilterIfc* filter) override;

protected:
    CGraphDynamicFilterIfc* makeFilter() override;
    // Listens to the new filter.
    void filterMade() override { m_filter->addNotifier(this); }

private:
    void raise(int index, const char* event, CGraphFilterObjectsIfc* record);
};

// STATICFILTER: one static filter chosen by ACTION (COLORCHANNEL, GRAYSCALE, ROTATE, BLUR, SCALE, NEGATIVE,
// RANDOMJITTER, WAVES); LINK filters a graphic at once, UNLINK and done put it back (with CANUNDO).
class CMC_StaticFilter : public CMC_FilterObject<CGraphStaticFilterIfc> {
public:
    CMC_StaticFilter(CMC_ObjectsContainer* container, CMElement* element);

    bool done(bool flag) override;
    CXString** getBehavioursList() override;

protected:
    CGraphStaticFilterIfc* makeFilter() override { return createStaticFilter(m_action, m_window); }
};

class CMC_Filter_Runner : public CMC_MediaRunner {
public:
    enum : int {
        MTH_SETPROPERTY = 1,
        MTH_LINK = 2,
        MTH_UNLINK = 3,
        MTH_START = 4,
        MTH_STOP = 5,
        MTH_ISRUNNING = 6
    };
    CMC_Filter_Runner() : CMC_MediaRunner(TYPE_FILTER) {}
    void prepareMthHashSet() override;
};

class CMC_StaticFilter_Runner : public CMC_MediaRunner {
public:
    enum : int { MTH_SETPROPERTY = 1, MTH_LINK = 2, MTH_UNLINK = 3 };
    CMC_StaticFilter_Runner() : CMC_MediaRunner(TYPE_STATICFILTER) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL
