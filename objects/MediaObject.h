#pragma once
#include <cstdint>
#include <vector>

#include "core/Geometry.h"
#include "display/Collisions.h"
#include "display/MouseListener.h"
#include "script/Behaviour.h"
#include "script/Object.h"
#include "script/Runner.h"

namespace KavirelDLL {

class CWindow;
class CGraphicsObject;
class CFileResolver;
class CResourcesManager;
class CRefreshScreen;
class CMC_Scene;

// What every script media object shares: its window, and the uses it takes of the scene unit's resource
// cache. Every use taken is remembered, so exactly those are given back (a reload, done, the destructor).
class CMC_MediaObject : public CMC_Object {
public:
    ~CMC_MediaObject() override;

    CWindow* getWindow() const { return m_window; }
    // The object's container (its scene), or null.
    CMC_ObjectsContainer* getContainer() const;
    // The scene of the container: the container itself when it is a scene, else the scene it runs.
    CMC_Scene* getContainerScene() const;
    // The scene unit's cache when the container is a scene, else null.
    CResourcesManager* getCache() const;
    // Uses of the cache this object holds now.
    int getCacheUses() const { return static_cast<int>(m_uses.size()); }
    bool holdsUseOf(CFileResolver* resource) const;

    static CResourcesManager* sceneCache(CMC_ObjectsContainer* container);

protected:
    // Blank (container may be null) and clone forms: the base from the name; clone also sets the container.
    CMC_MediaObject(CMC_ObjectsContainer* container, const CXString& name, int type, bool clone);
    // Definition form: the base from the element.
    CMC_MediaObject(CMC_ObjectsContainer* container, CMElement* element, int type);

    // One more use of the named resource from the cache (counted as this object's); null when none has it.
    CFileResolver* takeFromCache(const CXString& name);
    // A new resource into the cache with this object's use; false (nothing taken) without a cache.
    bool addToCache(CFileResolver* resource);
    // Gives back every use this object took; true when one of them destroyed the resource given.
    bool giveBackUses(CFileResolver* resource);

    CWindow* m_window = nullptr;

private:
    std::vector<CFileResolver*> m_uses;
};

// The graphic members (IMAGE, ANIMO): one graphics object on the window's screen list, which may act as a
// button and take part in collisions. A member makes its graphic in load (through setGraphic) and builds
// its own clone form in newClone; everything else here is shared.
class CMC_GraphicMedia : public CMC_MediaObject, public CCollisionObserver, public CMouseListener {
public:
    // The keys every graphic member's definition has, read in the definition's order.
    struct Keys {
        CXString fileName;
        bool toCanvas = false;
        bool visible = false;
        bool flushAfterPlayed = false;
        bool preload = true; // an absent PRELOAD counts as true
        bool monitorCollision = false;
        bool monitorCollisionAlpha = false;
        int32_t priority = 0;
        bool asButton = false;
    };

    ~CMC_GraphicMedia() override;

    CXObject* clone() override;
    bool done(bool flag) override;
    bool verifyBehaviour(const CXString& key) override;
    // Bindings read back from a cache are verified too, so a cached button listens.
    void initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element) override;
    // The nine fields after the base's part: button mode, the two monitor flags, file name, on screen,
    // visibility, priority, release-after-use, preload.
    void serialize(CXArchive* archive) override;

    virtual void removeCollisionsMonitoring();
    // The MONITORCOLLISION method: registers with the scene and sets the graphic's flag; the object's own
    // monitor fields (its definition's) stay. Registering again does nothing more.
    void monitorCollisionsNow(bool alpha);
    // The REMOVEMONITORCOLLISION method: this object's monitoring goes; the graphic's flag goes down unless
    // another object sharing the graphic still monitors it.
    void removeMonitoringNow();
    // True while some media object monitors the graphic.
    static bool isMonitored(CGraphicsObject* graphic);
    virtual void load(CXString fileName, bool preload) = 0;

    bool onMouseMove(CXPoint p) override;
    bool onClick(int button, CXPoint p) override;
    bool onRelease(int button, CXPoint p) override;
    using CMouseListener::onClick;
    using CMouseListener::onRelease;
    void onCollision(CGraphicsObject* a, CGraphicsObject* b) override;
    void onCollisionFinished(CGraphicsObject* a, CGraphicsObject* b) override;

    CGraphicsObject* getGraphic() const { return m_graphic; }
    CFileResolver* getResource() const { return m_resource; }
    CXPoint GetStartingPosition() const { return m_start; }
    void SetStartingPosition(int x, int y) { m_start = CXPoint(x, y); }
    virtual void setAsButton(bool enable, bool activeCursor);
    int getPriority() const { return m_priority; }
    bool isListening() const { return m_listening; }
    bool isFocused() const { return m_focused; }
    bool isButton() const { return m_buttonMode; }
    bool hasActiveCursor() const { return m_activeCursor; }
    bool getMonitorCollision() const { return m_monitorCollision; }
    bool getMonitorCollisionAlpha() const { return m_monitorCollisionAlpha; }
    bool getPreload() const { return m_preload; }

    CRefreshScreen* getScreen() const;
    // The graphic's draw priority; -1 when the screen list does not hold it (or there is none).
    int getDrawPriority() const;
    // True when a behaviour was bound to the event (its name, or its name with a detail).
    bool handles(const char* event);

protected:
    CMC_GraphicMedia(CMC_ObjectsContainer* container, const CXString& name, int type);
    CMC_GraphicMedia(CMC_ObjectsContainer* container, CGraphicsObject* graphic, CFileResolver* resource,
                     int type);
    CMC_GraphicMedia(CMC_ObjectsContainer* container, CMElement* element, int type);

    // Step 3 of the definition: the keys, with collision monitoring, priority and preload kept in this
    // object (the member reads its own after these).
    Keys readKeys(CMElement* element);
    // Steps 5 to 9, after load: the graphic's settings, the starting position, collision monitoring, the
    // screen list, button mode, and last the behaviours (so the listener takes the final priority).
    void finishDefinition(CMC_ObjectsContainer* container, CMElement* element, const Keys& keys);

    // The member's clone form around a copy of its graphic.
    virtual CMC_GraphicMedia* newClone(CGraphicsObject* copy) = 0;
    // Details tried, in order, before the plain collision event; the partner's name by default.
    virtual std::vector<CXString> collisionDetails(const CXString& partner);
    // The box the mouse is tested against.
    virtual CXRect hitBox();
    virtual bool graphicVisible();
    virtual void setGraphicVisible(bool visible);

    // The graphic and its file face (the same object, seen through its two bases).
    template <class T>
    void setGraphic(T* graphic) {
        setGraphic(static_cast<CGraphicsObject*>(graphic), static_cast<CFileResolver*>(graphic));
    }
    void setGraphic(CGraphicsObject* graphic, CFileResolver* resource);
    // Registers the graphic with the scene's collision inspector (the two flags say how); a graphic shared
    // through the cache is registered once, and every sharer that monitors it hears its collisions.
    void monitorCollisions(bool alpha);
    // Puts the graphic on the screen list at the priority unless it is listed already (by a sharer).
    void putOnScreen(int priority);
    // Lets go of the graphic: out of the inspector, every cache use given back, destroyed unless the cache
    // keeps it.
    void releaseGraphic();
    // Load's last step for a graphic that replaced one on the screen list: the new one at the old draw
    // priority, monitored again, with its collision flag. Nothing when the old one was not listed (-1).
    void replaceGraphicDone(int oldPriority);
    // The mouse rules' common part: button mode, a visible graphic and listening.
    bool mouseReady();

    CGraphicsObject* m_graphic = nullptr;
    CFileResolver* m_resource = nullptr;
    CXPoint m_start{0, 0};
    int32_t m_priority = 0;
    bool m_focused = false;
    bool m_listening = false;
    bool m_buttonMode = false;
    bool m_activeCursor = true;
    bool m_monitorCollision = false;
    bool m_monitorCollisionAlpha = false;
    bool m_preload = false;
    // This object put its graphic on the screen list (a sharer's listing is not this object's).
    bool m_putOnScreen = false;
    // The graphic this object registered for collisions, or null.
    CGraphicsObject* m_monitored = nullptr;

private:
    void raiseCollision(const char* event, CGraphicsObject* a, CGraphicsObject* b);
};

// The runner of a media type: its own methods, ids 1 to 95, go through a dense table of handlers; every
// other id (gaps, the common methods 96 to 109) goes to CMC_Runner::run.
class CMC_MediaRunner : public CMC_Runner {
public:
    // One call of a handler: the object (already checked to be of the runner's type), the container, the
    // arguments, and a guard taken before any argument was read.
    class Call {
    public:
        Call(CMC_MediaRunner& runner, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
        template <class T>
        T* self() const {
            return static_cast<T*>(m_object);
        }
        CMC_ObjectsContainer* container() const { return m_container; }
        CXVector* args() const { return m_args; }
        int count() const { return CMC_Runner::argumentCount(m_args); }
        int integer(int index) const;
        bool boolean(int index) const;
        double real(int index) const;
        CXString string(int index) const;
        // True once reading an argument deleted the object or the container.
        bool gone() const { return m_guard.gone(); }

    private:
        CMC_MediaRunner& m_runner;
        CMC_Object* m_object;
        CMC_ObjectsContainer* m_container;
        CXVector* m_args;
        CMC_ArgumentsGuard m_guard;
    };
    using Handler = CMC_Variable* (*)(Call& call);

    explicit CMC_MediaRunner(int typeId) : m_typeId(typeId) {}

    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    int getTypeId() const { return m_typeId; }

protected:
    // Enters the method under its id (1 to 95); a null handler leaves the id to the common methods.
    void addMethod(const char* name, int id, Handler handler);
    using CMC_Runner::addMethod;

private:
    int m_typeId;
    std::vector<Handler> m_handlers; // index: id
};

// The events that make a media object listen to the mouse.
inline bool isMouseEvent(const CXString& key) {
    return key.startsWith("ONCLICK") || key.startsWith("ONRELEASE") || key.equals("ONFOCUSON") ||
           key.equals("ONFOCUSOFF");
}

// The focus rule of the media objects the mouse enters: ONFOCUSON on entering, ONFOCUSOFF on leaving, the
// window's active cursor begun or ended with them while the object lives (a handler may delete it).
void trackFocus(CMC_Object* object, bool& focused, bool inside, const bool& activeCursor, CWindow* window);

} // namespace KavirelDLL
