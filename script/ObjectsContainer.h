#pragma once
#include <vector>

#include "script/Object.h"

namespace KavirelDLL {

class CWindow;
class CGraphicsObject;
class CMC_Groupped;
class CMElements;

// The named objects of an application, episode, scene or class instance. It owns what it holds but
// applications, episodes and scenes, which it lists for lookup only. A name not found here is looked
// up in the parent.
class CMC_ObjectsContainer : public CMC_Object {
public:
    CMC_ObjectsContainer(CWindow* window, CMC_ObjectsContainer* scene, CMElement* element, int type);
    CMC_ObjectsContainer(CWindow* window, CMC_ObjectsContainer* scene, const CXString& name, int type);
    ~CMC_ObjectsContainer() override;

    // No container takes objects out its own way (so dropping a local calls it directly).
    virtual bool removeObject(CMC_Object* object) final;
    // An object already stored under the name is removed and, when owned, deleted.
    virtual void addObject(CMC_Object* object);
    virtual void getObjects(const CXString& typeName, CMC_Groupped* group);
    virtual void onSubSceneDone(CMC_ObjectsContainer* container);
    virtual void unload();

    CMC_Object* getObject(const char* name);
    CMC_Object* getObject(const CXString& name) { return lookUp(name.GetBuffer(), name.GetLength()); }
    // Null outside the list.
    CMC_Object* getObject(int index);
    CXVector* getObjects() { return m_objects; }
    int getElementsNo();
    int getObjectId(const CXString& name);
    // A new vector owned by the caller.
    CXVector* getObjectsOfType(int type);
    // The named INTEGER, STRING, BOOL or DOUBLE, else null.
    CMC_Variable* getVariable(const char* name);
    CMC_Variable* getVariable(const CXString& name) { return getVariable(name.GetBuffer()); }
    // What the named object draws; "NAME!FRAME" names a frame of an animation. Null for anything else.
    CGraphicsObject* getGraphicsObject(const CXString& target);
    // The name of the object that draws the graphics ("UNKNOWN" when none); a class instance answers for
    // its members.
    CXString getGraphicsObjectName(CGraphicsObject* graphics, bool searchParents);

    CMC_ObjectsContainer* getParent();
    void setParent(CMC_ObjectsContainer* parent);
    CWindow* getWindow() { return m_window; }
    // The INTERNET objects made here that still exist, in order.
    CXVector* getInternetObjects();

    // The TYPE factory: one object for one element, not added anywhere. A new vector owned by the caller.
    CXVector* resolve(CMElement* element, CMC_Groupped* group);
    // Makes and adds the objects of a whole definition, in passes by type. Returns the elements left over
    // (unknown types, and the MOUSE, KEYBOARD and CANVAS_OBSERVER elements bound to existing objects) in a
    // list that does not own them; the caller deletes the list.
    CMElements* resolveObjects(CMElements* elements);

    // True when the object is owned here (applications, episodes and scenes never are).
    static bool isOwnedType(int type) { return type < TYPE_APPLICATION || type > TYPE_SCENE; }

    // Moves whenever a container changes beyond one name (it forgets an object, goes away, is unloaded or
    // gets another parent). Gaining or losing one object moves only the generation of that name's share
    // (nameShare), so that a local declared and dropped again does not send every line to look its names up
    // anew. While both stay, a lookup of a name of that share answers as it did. Each pair of the two stands
    // for one state of the share's names: taking out the object the share's last change stored puts its
    // generation back to the one before, and storing that object there under that name again from that
    // generation gives the one it gave then, so the lookups of a local's name made in one run serve the next.
    static uint64_t getLookupGeneration() { return s_lookupGeneration; }
    static constexpr int kNameShares = 1024;
    // The share of a name: "X", "X_0" and "X_0_0" share one, since a lookup of the latter reads "X" too.
    static int nameShare(const char* name, int length);
    static uint64_t getNameGeneration(int share) { return s_nameGenerations[share]; }

protected:
    friend class CMC_Object;

    // The parent names are looked up in, without listing it here: the container never ends or deletes it.
    void setLookupParent(CMC_ObjectsContainer* parent);
    // Takes a dying object out of the lists without touching it.
    void forgetObject(CMC_Object* object);
    CMC_Object* findHere(const char* name);
    CMC_Object* findHere(const char* name, int length);
    // getObject of a name of that length.
    CMC_Object* lookUp(const char* name, int length);
    CMC_Object* makeObject(const CXString& type, CMElement* element, bool factoryContainers, bool* known);
    // The scene's plug-in modules, asked for a type the factory does not know.
    CMC_Object* resolvePlugin(CMElement* element);

    CStringHashCode* m_lookupKey;
    CXVector* m_objects;
    std::vector<CMC_ObjectHandle>* m_internetObjects;
    CHashtable* m_names;
    CMC_ObjectHandle m_parent;
    CWindow* m_window;

private:
    // Takes the object out of the name table.
    void takeName(CMC_Object* object);
    // takeName() of an object not found under its name.
    void takeLostName(CMC_Object* object);
    // addObject() past its common case.
    void storeAnyhow(CMC_Object* object);
    // Takes a listed object out of the list, wherever it is; false when it is not there.
    bool unlist(CMC_Object* object);
    // The names table's keys: a name with its share, and a serial no other key or name of this one shares.
    struct NameKey : CStringHashCode {
        explicit NameKey(const CXString& name);
        void rename(const CXString& name);
        int share;
        uint64_t serial;
    };
    // The share's generation after this container stored the object under the key's name, or took it out.
    void nameAdded(const CMC_Object* object, const NameKey* key);
    // nameAdded() of a state the share's last change does not return to.
    void nameChanged(const CMC_Object* object, const NameKey* key);
    void nameRemoved(const CMC_Object* object, int share);

    CXVector* m_internetSnapshot = nullptr;
    // Keys of names taken out, put to use again for the next names stored (a local declared in every round
    // takes back its own, hash and share known).
    std::vector<NameKey*> m_spareKeys;

    static uint64_t s_lookupGeneration;
    static uint64_t s_nameGenerations[kNameShares];
    // The last generation given to any share; a change that is no return takes the next.
    static uint64_t s_lastNameGeneration;
};

// One name's object in one container, looked up again only once the lookup generation or that of the
// name's share moved, so the answer is always the one getObject would give now. The interpreter's lines and
// its tests given as text keep one a name (always asked with the same name).
struct CMC_NameLookup {
    uint64_t generation = UINT64_MAX;
    uint64_t nameGeneration = 0;
    int share = 0;
    CMC_ObjectsContainer* scene = nullptr;
    CMC_Object* found = nullptr;

    CMC_Object* get(CMC_ObjectsContainer* container, const CXString& name) {
        if (!container) return nullptr;
        const uint64_t now = CMC_ObjectsContainer::getLookupGeneration();
        if (generation != now || scene != container ||
            nameGeneration != CMC_ObjectsContainer::getNameGeneration(share)) {
            share = CMC_ObjectsContainer::nameShare(name.GetBuffer(), name.GetLength());
            nameGeneration = CMC_ObjectsContainer::getNameGeneration(share);
            found = container->getObject(name);
            scene = container;
            generation = now;
        }
        return found;
    }
};

} // namespace KavirelDLL
