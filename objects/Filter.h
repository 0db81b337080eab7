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

// FILTER: one dynamic filter chosen by ACTION (FADEIN, FADEOUT, FADEINOUT, PATH, WATER, WAVING), linked to
// the graphics of script objects; raises "ONSTARTED", "ONTICK" and "ONFINISHED" with the linking object's
// name as detail. Another ACTION makes no filter (a log line) and the methods do nothing.
class CMC_Filter : public CMC_Object, public CGraphFilterNotifierIfc {
public:
    // A null element makes a blank object named "temp" (the cache reader fills it).
    CMC_Filter(CMC_ObjectsContainer* container, CMElement* element);
    ~CMC_Filter() override;

    CXString toString() override { return CXString("Filter"); }
    bool doneFirst() override { return true; }
    CXString** getBehavioursList() override;
    void serialize(CXArchive* archive) override;

    // Builds the filter ACTION names and listens to it.
    void createFilter();
    CGraphDynamicFilterIfc* getFilter() const { return m_filter.get(); }
    CXString getAction() const { return m_action; }
    CWindow* getWindow() const { return m_window; }

    void onFilterStarted(CGraphFilterObjectsIfc* record, CGraphDynamicFilterIfc* filter) override;
    void onFilterTick(CGraphFilterObjectsIfc* record, CGraphDynamicFilterIfc* filter) override;
    void onFilterFinished(CGraphFilterObjectsIfc* record, CGraphDynamicFilterIfc* filter) override;

private:
    void raise(int index, const char* event, CGraphFilterObjectsIfc* record);

    CWindow* m_window = nullptr;
    std::unique_ptr<CGraphDynamicFilterIfc> m_filter;
    CXString m_action = "";
};

// STATICFILTER: one static filter chosen by ACTION (COLORCHANNEL, GRAYSCALE, ROTATE, BLUR, SCALE, NEGATIVE,
// RANDOMJITTER, WAVES); LINK filters a graphic at once, UNLINK and done put it back (with CANUNDO).
class CMC_StaticFilter : public CMC_Object {
public:
    CMC_StaticFilter(CMC_ObjectsContainer* container, CMElement* element);
    ~CMC_StaticFilter() override;

    CXString toString() override { return CXString("Filter"); }
    bool doneFirst() override { return true; }
    bool done(bool flag) override;
    CXString** getBehavioursList() override;
    void serialize(CXArchive* archive) override;

    void createFilter();
    CGraphStaticFilterIfc* getFilter() const { return m_filter.get(); }
    CXString getAction() const { return m_action; }
    CWindow* getWindow() const { return m_window; }

private:
    CWindow* m_window = nullptr;
    std::unique_ptr<CGraphStaticFilterIfc> m_filter;
    CXString m_action = "";
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
