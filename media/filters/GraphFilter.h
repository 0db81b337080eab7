#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/XObject.h"
#include "core/XString.h"
#include "core/XTimer.h"
#include "display/GraphicsObject.h"
#include "display/InvalidateObserver.h"
#include "script/Object.h"

namespace KavirelDLL {

class CWindow;
class CMC_ObjectsContainer;

// ---------------------------------------------------------------- settings

// A filter's settings, changed by key and value (both texts). Unknown keys are ignored.
class CGraphFilterSettingsIfc {
public:
    explicit CGraphFilterSettingsIfc(int32_t kind) : m_kind(kind) {}
    virtual ~CGraphFilterSettingsIfc() = default;
    virtual void setProperty(const CXString& key, const CXString& value);

    int32_t m_kind;
    bool m_oneAtTime = false;
};

class CGraphFilterSettings_Fade : public CGraphFilterSettingsIfc {
public:
    CGraphFilterSettings_Fade(int32_t kind, double start, double end)
        : CGraphFilterSettingsIfc(kind), m_start(start), m_end(end) {}
    void setProperty(const CXString& key, const CXString& value) override;

    double m_speed = 0.1;
    double m_start;
    double m_end;
};

class CGraphFilterSettings_FadeIn : public CGraphFilterSettings_Fade {
public:
    CGraphFilterSettings_FadeIn() : CGraphFilterSettings_Fade(1, 0.0, 255.0) {}
};

class CGraphFilterSettings_FadeOut : public CGraphFilterSettings_Fade {
public:
    CGraphFilterSettings_FadeOut() : CGraphFilterSettings_Fade(2, 255.0, 0.0) {}
};

class CGraphFilterSettings_Path : public CGraphFilterSettingsIfc {
public:
    CGraphFilterSettings_Path() : CGraphFilterSettingsIfc(4) {}
    void setProperty(const CXString& key, const CXString& value) override;

    int32_t m_speed = 1;
    CXString m_pathDef = "";
    bool m_looped = false;
};

class CGraphFilterSettings_Water : public CGraphFilterSettingsIfc {
public:
    CGraphFilterSettings_Water() : CGraphFilterSettingsIfc(5) {}
    void setProperty(const CXString& key, const CXString& value) override;

    double m_factor = 1.1;
};

class CGraphFilterSettings_Waving : public CGraphFilterSettingsIfc {
public:
    CGraphFilterSettings_Waving() : CGraphFilterSettingsIfc(300) {}
    void setProperty(const CXString& key, const CXString& value) override;

    int32_t m_amplitude = 4;
    double m_density = 1.0;
};

// ---------------------------------------------------------------- records and environments

// The state of the effect for one attached graphic, with a tick counter.
class CGraphFilterEnvironmentIfc {
public:
    virtual ~CGraphFilterEnvironmentIfc() = default;
    virtual void tick() { ++m_ticks; }
    virtual void resetTicks() { m_ticks = 0; }
    virtual int32_t getTicks() { return m_ticks; }

protected:
    int32_t m_ticks = 0;
};

// One attached graphic: the graphic (not owned), its environment (owned) and the script object that
// linked it (its name is the detail of the filter's events).
class CGraphFilterObjectsIfc : public CXObject {
public:
    CGraphFilterObjectsIfc(CGraphicsObject* graphic, CGraphFilterEnvironmentIfc* environment,
                           CMC_Object* linker);

    CGraphicsObject* getGraphic() const { return m_graphic; }
    CGraphFilterEnvironmentIfc* getEnvironment() const { return m_environment.get(); }
    // The linking script object while it lives.
    CMC_Object* getScriptObject() const { return m_linker.current(); }
    // Its name, also once it is gone.
    CXString getScriptObjectName() const;
    int getScriptObjectType() const { return m_linkerType; }

private:
    CGraphicsObject* m_graphic;
    std::unique_ptr<CGraphFilterEnvironmentIfc> m_environment;
    CMC_ObjectHandle m_linker;
    CXString m_linkerName;
    int m_linkerType = 0;
};

class CGraphDynamicFilterObjectsIfc : public CGraphFilterObjectsIfc {
public:
    using CGraphFilterObjectsIfc::CGraphFilterObjectsIfc;
    virtual void setRunning(CGraphFilterSettingsIfc* settings, bool running);
    bool isRunning() const { return m_running; }

protected:
    bool m_running = false;
};

class CGraphFilterEnvironment_Fade : public CGraphFilterEnvironmentIfc {
public:
    double m_current = 0.0;
    int32_t m_direction = 0;
};

class CGraphFilterObjects_Fade : public CGraphDynamicFilterObjectsIfc {
public:
    using CGraphDynamicFilterObjectsIfc::CGraphDynamicFilterObjectsIfc;
    void setRunning(CGraphFilterSettingsIfc* settings, bool running) override;
};

class CGraphFilterEnvironment_Path : public CGraphFilterEnvironmentIfc {
public:
    int32_t m_startX = 0, m_startY = 0;
    double m_dx = 0.0, m_dy = 0.0;
    int32_t m_index = 0;
};

class CGraphFilterObjects_Path : public CGraphDynamicFilterObjectsIfc {
public:
    using CGraphDynamicFilterObjectsIfc::CGraphDynamicFilterObjectsIfc;
    void setRunning(CGraphFilterSettingsIfc* settings, bool running) override;
};

class CGraphFilterEnvironment_Water : public CGraphFilterEnvironmentIfc {
public:
    // Takes the graphic's pixels (unpacking a run-length graphic) and builds the tables.
    CGraphFilterEnvironment_Water(CGraphicsObject* graphic, double factor);
    // Builds the copy and the tables again when the graphic's size changed.
    void prepare(CGraphicsObject* graphic, double factor);

    std::vector<float> m_sin, m_cos;
    double m_factor = 0.0;
    std::vector<uint16_t> m_copy;
    int32_t m_width = -1, m_height = -1;
};

class CGraphFilterEnvironment_Waving : public CGraphFilterEnvironmentIfc {
public:
    int32_t m_phase = 0;
    // The unaltered picture, taken on the first step.
    bool m_taken = false;
    CGraphicsObject::BlockState m_unaltered;
};

class CGraphFilterObjects_Waving : public CGraphDynamicFilterObjectsIfc {
public:
    using CGraphDynamicFilterObjectsIfc::CGraphDynamicFilterObjectsIfc;
};

// ---------------------------------------------------------------- filters

// The framework every filter shares: the records of the attached graphics and the settings. A graphic
// that is destroyed leaves the filter.
class CGraphFilterIfc : public CInvalidateObserver {
public:
    CGraphFilterIfc(CWindow* window, CGraphFilterSettingsIfc* settings);
    virtual ~CGraphFilterIfc();
    CGraphFilterIfc(const CGraphFilterIfc&) = delete;
    CGraphFilterIfc& operator=(const CGraphFilterIfc&) = delete;

    virtual void removeAllObjects();
    virtual void link(CGraphicsObject* graphic, CMC_Object* scriptObject);
    virtual void addEntry(CGraphFilterObjectsIfc* record);
    virtual void unlink(CGraphicsObject* graphic);
    virtual void removeEntry(CGraphFilterObjectsIfc* record);
    virtual CGraphFilterObjectsIfc* getOrCreateEntry(CGraphicsObject* graphic, CMC_Object* scriptObject);
    virtual CGraphFilterObjectsIfc* findEntry(CGraphicsObject* graphic);
    virtual CGraphFilterObjectsIfc* createEntry(CGraphicsObject* graphic, CMC_Object* scriptObject) = 0;

    void setProperty(const CXString& key, const CXString& value);
    CGraphFilterSettingsIfc* getSettings() const { return m_settings.get(); }
    CWindow* getWindow() const { return m_window; }
    int getCount() const { return static_cast<int>(m_entries.size()); }
    CGraphFilterObjectsIfc* getEntry(int index) const;
    // The display's depth (16 or 15); without a display the graphic's (16 unless it is 15).
    int getBpp(CGraphicsObject* graphic = nullptr) const;

    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject* graphic) override;

protected:
    // Takes the record out of the list and deletes it; nothing else.
    void dropRecord(CGraphFilterObjectsIfc* record);
    // A record is deleted only once no pass walks the list.
    void deleteRecord(CGraphFilterObjectsIfc* record);
    void flushDeleted();

    CWindow* m_window;
    std::unique_ptr<CGraphFilterSettingsIfc> m_settings;
    std::vector<CGraphFilterObjectsIfc*> m_entries;
    std::vector<CGraphFilterObjectsIfc*> m_deleted;
    int m_walking = 0;
    // Cleared by the destructor, so that a pass in progress stops.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

class CGraphDynamicFilterIfc;

class CGraphFilterNotifierIfc {
public:
    virtual void onFilterStarted(CGraphFilterObjectsIfc* record, CGraphDynamicFilterIfc* filter) = 0;
    virtual void onFilterTick(CGraphFilterObjectsIfc* record, CGraphDynamicFilterIfc* filter) = 0;
    virtual void onFilterFinished(CGraphFilterObjectsIfc* record, CGraphDynamicFilterIfc* filter) = 0;

protected:
    ~CGraphFilterNotifierIfc() = default;
};

// A filter that changes its running graphics one step every frame (a 1 ms timer of the window).
class CGraphDynamicFilterIfc : public CGraphFilterIfc, public CTimerNotificator {
public:
    CGraphDynamicFilterIfc(CWindow* window, CGraphFilterSettingsIfc* settings);
    ~CGraphDynamicFilterIfc() override;

    virtual bool isRunning(CGraphicsObject* graphic);
    virtual void startEntry(CGraphFilterObjectsIfc* record);
    virtual void start(CGraphicsObject* graphic);
    virtual void stopEntry(CGraphFilterObjectsIfc* record);
    virtual void stop(CGraphicsObject* graphic);
    // One step; true when the effect has finished for this graphic.
    virtual bool step(CGraphFilterObjectsIfc* record, CGraphFilterSettingsIfc* settings) = 0;

    void addNotifier(CGraphFilterNotifierIfc* notifier);
    void removeNotifier(CGraphFilterNotifierIfc* notifier);
    // The timer pass: one step of every running graphic.
    void onTimer(int id) override;
    int getTimerId() const { return m_timerId; }

private:
    std::vector<CGraphFilterNotifierIfc*> m_notifiers;
    int m_timerId = 0;
};

class CGraphFilter_FadeIn : public CGraphDynamicFilterIfc {
public:
    explicit CGraphFilter_FadeIn(CWindow* window);
    CGraphFilterObjectsIfc* createEntry(CGraphicsObject* graphic, CMC_Object* scriptObject) override;
    bool step(CGraphFilterObjectsIfc* record, CGraphFilterSettingsIfc* settings) override;

protected:
    CGraphFilter_FadeIn(CWindow* window, CGraphFilterSettingsIfc* settings);
    // Sets the opacity when its whole-number part changes; the value is kept in any case.
    static void apply(CGraphFilterObjectsIfc* record, double value);
};

class CGraphFilter_FadeOut : public CGraphFilter_FadeIn {
public:
    explicit CGraphFilter_FadeOut(CWindow* window);
    bool step(CGraphFilterObjectsIfc* record, CGraphFilterSettingsIfc* settings) override;
};

class CGraphFilter_FadeInOut : public CGraphFilter_FadeIn {
public:
    explicit CGraphFilter_FadeInOut(CWindow* window);
    bool step(CGraphFilterObjectsIfc* record, CGraphFilterSettingsIfc* settings) override;
};

// Moves graphics along the segments (VECTORs) of the scene's PATH named by PATHDEF.
class CGraphFilter_Path : public CGraphDynamicFilterIfc {
public:
    CGraphFilter_Path(CWindow* window, CMC_ObjectsContainer* container);
    CGraphFilterObjectsIfc* createEntry(CGraphicsObject* graphic, CMC_Object* scriptObject) override;
    bool step(CGraphFilterObjectsIfc* record, CGraphFilterSettingsIfc* settings) override;

private:
    CMC_ObjectHandle m_container;
};

class CGraphFilter_Water : public CGraphDynamicFilterIfc {
public:
    explicit CGraphFilter_Water(CWindow* window);
    CGraphFilterObjectsIfc* createEntry(CGraphicsObject* graphic, CMC_Object* scriptObject) override;
    bool step(CGraphFilterObjectsIfc* record, CGraphFilterSettingsIfc* settings) override;

private:
    float m_sin[51];
    float m_cos[51];
};

class CGraphFilter_Waving : public CGraphDynamicFilterIfc {
public:
    explicit CGraphFilter_Waving(CWindow* window);
    CGraphFilterObjectsIfc* createEntry(CGraphicsObject* graphic, CMC_Object* scriptObject) override;
    bool step(CGraphFilterObjectsIfc* record, CGraphFilterSettingsIfc* settings) override;
};

} // namespace KavirelDLL
