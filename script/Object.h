#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/Containers.h"
#include "core/Hashtable.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

class CMC_Object;
class CMC_ObjectsContainer;
class CMC_Class;
class CMC_Behaviour;
class CMC_Runner;
class CMC_Variable;
class CMElement;
class CXArchive;

// Every script object owns one anchor, made the first time something takes a handle to it and cleared
// by the object's destructor. Whatever keeps a script object beyond the current call keeps a handle,
// never a bare pointer.
struct CMC_ObjectAnchor {
    explicit CMC_ObjectAnchor(CMC_Object* target) : object(target) {}
    CMC_Object* object;
};

// A checked reference to a script object: the object's anchor, its name, and the container where the
// name was found. While the object lives, get() is one pointer test. Once it is gone, the name is
// looked up again in that container, so a same-named replacement is found; without one (or without
// a container) the handle reads as missing.
class CMC_ObjectHandle {
public:
    CMC_ObjectHandle() = default;
    explicit CMC_ObjectHandle(CMC_Object* object, CMC_ObjectsContainer* lookIn = nullptr);
    // A handle to a name that may not exist yet.
    CMC_ObjectHandle(const CXString& name, CMC_ObjectsContainer* lookIn);

    void set(CMC_Object* object, CMC_ObjectsContainer* lookIn = nullptr);
    void clear();

    CMC_Object* get() {
        CMC_ObjectAnchor* anchor = m_anchor.get();
        if (anchor && anchor->object) return anchor->object;
        return m_lookIn ? relink() : nullptr;
    }
    // The object while it lives, without looking anything up.
    CMC_Object* current() const { return m_anchor ? m_anchor->object : nullptr; }
    // True only for this very object while it lives (never for another one at the same address).
    bool refersTo(const CMC_Object* object) const;
    const CXString& getName() const { return m_name; }
    CMC_ObjectsContainer* getLookIn() const;

private:
    CMC_Object* relink();

    std::shared_ptr<CMC_ObjectAnchor> m_anchor;
    std::shared_ptr<CMC_ObjectAnchor> m_lookIn;
    CXString m_name;
};

// One behaviour bound to an event key: the behaviour (a handle; none is allowed), the arguments it
// gets as its numbered parameters (owned strings) and the container that made the binding.
class CMC_Binding : public CXObject {
public:
    CMC_Binding(CMC_Behaviour* behaviour, CXArray* args, CMC_ObjectsContainer* container);
    // A binding to a behaviour known by name only: a stored binding still to be resolved, or a name
    // a script gave before the behaviour existed.
    CMC_Binding(const CXString& behaviourName, CXArray* args, CMC_ObjectsContainer* container,
                bool placeholder);
    ~CMC_Binding() override;
    CMC_Binding(const CMC_Binding&) = delete;
    CMC_Binding& operator=(const CMC_Binding&) = delete;

    // Null when there is none, it is gone without replacement, or the name now holds no behaviour.
    CMC_Behaviour* getBehaviour();
    void setBehaviour(CMC_Behaviour* behaviour, CMC_ObjectsContainer* lookIn);
    // The name of the behaviour, also when it is gone or still to be resolved.
    CXString getBehaviourName() const;
    bool isPlaceholder() const { return m_placeholder; }

    CXArray* getArguments() const { return m_args; }
    CMC_ObjectsContainer* getContainer();
    bool madeBy(const CMC_ObjectsContainer* container) const;

    // Arguments of one raise stand in for the binding's own while it runs; they are never freed here.
    void lendArguments(CXArray* args);
    void takeBackArguments();

    bool isRemoved() const { return m_removed; }
    void markRemoved() { m_removed = true; }

    CMC_Binding* copy() const;
    static CXArray* copyArguments(const CXArray* args);
    static void freeArguments(CXArray* args);

private:
    CMC_ObjectHandle m_behaviour;
    CMC_ObjectHandle m_container;
    CXArray* m_args;
    CXArray* m_ownArgs; // set aside while arguments are lent
    bool m_lent = false;
    bool m_placeholder = false;
    bool m_removed = false;
};

// Base of every object a script can name.
class CMC_Object : public CXObject {
public:
    CMC_Object(const CXString& name, int type);
    CMC_Object(CMC_ObjectsContainer* scene, CMElement* element, int type);
    // A copy would share the bindings it must free; script objects are copied through clone().
    CMC_Object(const CMC_Object&) = delete;
    CMC_Object& operator=(const CMC_Object&) = delete;
    ~CMC_Object() override;

    CXObject* clone() override;
    CXString toString() override;
    virtual void init();
    virtual bool doneFirst();
    virtual bool done(bool flag);
    virtual void setScene(CMC_ObjectsContainer* scene);
    virtual CMC_ObjectsContainer* getScene();
    // What getScene() gives for any object but a code line (which answers for its behaviour), read in place.
    CMC_Object* sceneObject() const { return m_scene.current(); }
    virtual int getClonesNo();
    virtual int getCloneIdx();
    virtual CXString getCloneName();
    virtual void clone(CMC_Object* target);
    virtual void clone(int count);
    virtual void resetClones();
    virtual void flush();
    virtual int getBehaviourIndex(const CXString& key);
    virtual void initializeBehaviours(CMC_ObjectsContainer* scene, CMElement* element);
    // Asks verifyBehaviour of every bound event again (bindings read back from a cache, which went by no
    // definition's checks).
    void verifyBindings();
    // A new null-terminated list of event names, index 0 "ONINIT" and 1 "ONDONE"; null for none.
    virtual CXString** getBehavioursList();
    virtual CMC_Runner* getRunner();
    virtual bool verifyBehaviour(const CXString& key);
    // Takes ownership of args.
    virtual void addBehaviour(const CXString& key, CMC_Behaviour* behaviour, CXArray* args,
                              CMC_ObjectsContainer* container);
    virtual void removeBehaviour(const CXString& key, CMC_ObjectsContainer* container);
    virtual void removeBehaviourForce(const CXString& key);
    virtual void removeAllBehaviours();
    // The bindings (CMC_Binding) stored under exactly this key, or null.
    virtual CXVector* getBehaviour(const CXString& key);
    virtual CMC_Binding* getSingleBehaviour(const CXString& key, int index);
    // The behaviours made from inline code of this object's definition that still exist.
    virtual CXVector* getTmpBehList();
    virtual CMC_Class* getClass();
    virtual void setClass(CMC_Class* scriptClass);
    virtual bool onSignal(const CXString& key, CXArray* args);
    virtual bool onSignal(const CXString& key);
    virtual void serialize(CXArchive* archive);
    virtual void onSceneDone(CMC_ObjectsContainer* container);

    CXString getName() const { return m_name; }
    const CXString& name() const { return m_name; }
    void setName(const CXString& name) { m_name = name; }
    int getType() const { return m_type; }
    bool isClone() const { return m_isClone; }
    bool isTemporary() const { return m_isTemporary; }
    // True while a container lists this object (and so owns it, or keeps it for lookup).
    bool isHeld() const;
    void setAsTemporary() { m_isTemporary = true; }
    // True when nothing but its name, scene and value tells the object from a new one of its type: no
    // bindings, clones, class, holder, error, nor anything keeping a handle to it. A local that ended so
    // may serve again as the next local of its type.
    bool canStartAfresh() const;
    void overideSignals(bool flag) { m_override = flag; }
    int getSignalIndex(const CXString& key);
    // Raises an event with details: event^detail for each detail in order until a behaviour answers one,
    // then the plain event when none did. Stops once a handler deleted this object. True when one answered.
    bool raiseDetailed(const CXString& event, std::initializer_list<CXString> details);
    // Whether a behaviour was ever bound to the event at this index of the event list.
    bool hasHandler(int eventIndex) const {
        return eventIndex >= 0 && eventIndex < static_cast<int>(m_handlerFlags.size()) &&
               m_handlerFlags[eventIndex];
    }
    int getEventCount() const { return m_eventCount; }
    CXString** getEventList() const { return m_events.get(); }

    static CXString typeToString(int type);
    static int getTypeId(const CXString& name);
    // Hands a pool temporary back; anything else is left alone.
    static void flush(CMC_Variable* value, bool flag = false);

    // The anchor handles share; made on first use.
    const std::shared_ptr<CMC_ObjectAnchor>& anchor();
    // The anchor without a share of it, for code inside a script run (CMC_Behaviour_Entry::RunGuard): an
    // object deleted while a run is on the stack leaves its anchor alive until the outermost run returns,
    // so the pointer stays readable until then (and reads null once the object is gone).
    // A runner's arguments guard watches this object through its plain anchor: while one does, a local is
    // not kept for reuse (canStartAfresh), so the guard sees it gone as it always did.
    void guardAdded() { ++m_guards; }
    void guardRemoved() { --m_guards; }
    CMC_ObjectAnchor* runAnchor() { return m_anchor ? m_anchor.get() : anchor().get(); }
    // Helpers for the types' event lists.
    static CXString** makeEventList(std::initializer_list<const char*> names);
    static void deleteEventList(CXString** list);

protected:
    void flushBehList();
    // Loads the event list and sizes the handler flags when they are not there yet.
    void ensureEventList();
    // A destructor that does work reaching other objects calls this first, so that handles stop
    // seeing the half-destroyed object.
    void releaseAnchor();

    CXString m_name;
    int32_t m_type;
    bool m_isClone = false;
    bool m_isTemporary = false;
    bool m_override = true;
    std::shared_ptr<CXString*> m_events; // shared with clones; freed by the last of them
    CHashtable* m_bindings = nullptr;
    std::vector<CMC_ObjectHandle>* m_tmpBehaviours = nullptr;
    std::vector<unsigned char> m_handlerFlags;
    int32_t m_eventCount = 0;
    CMC_ObjectHandle m_scene;
    CMC_ObjectHandle m_class;
    int32_t m_clones = 0;

private:
    friend class CMC_ObjectsContainer;

    // The container (mostly the one named last, so looked at first) lists the object, or lets it go.
    void heldBy(CMC_Object* container) {
        if (!m_holders.empty() && m_holders.back().container->object == container)
            m_holders.back().listed = true;
        else
            heldByAnother(container);
    }
    void heldByAnother(CMC_Object* container);
    void releasedBy(const CMC_Object* container) {
        if (!m_holders.empty() && m_holders.back().container->object == container)
            m_holders.back().listed = false;
        else
            releasedByAnother(container);
    }
    void releasedByAnother(const CMC_Object* container);
    void dropBinding(CXVector* list, CMC_Binding* binding);
    // Drops the list's bindings that which(binding) picks; how many.
    template <typename Which>
    int dropBindingsIf(CXVector* list, Which which);
    void purgeRemovedBindings();
    void clearBindings();

    // A container that lists this object, or let it go last: its entry stays then (not listed), so that an
    // object taken out and stored again in the same container (a local of every round) shares no anchor.
    struct Holder {
        std::shared_ptr<CMC_ObjectAnchor> container;
        bool listed;
    };
    // A container holds one entry at most.
    bool listedBy(const CMC_Object* container) const {
        for (auto holder = m_holders.rbegin(); holder != m_holders.rend(); ++holder)
            if (holder->container->object == container) return holder->listed;
        return false;
    }

    std::shared_ptr<CMC_ObjectAnchor> m_anchor;
    std::vector<Holder> m_holders;
    int m_signalDepth = 0;
    int m_guards = 0;
    std::vector<CMC_Binding*> m_removedBindings; // freed once no raise is running
    CXVector* m_tmpSnapshot = nullptr;
};

} // namespace KavirelDLL
