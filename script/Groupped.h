#pragma once
#include <vector>

#include "script/Object.h"
#include "script/Runner.h"

namespace KavirelDLL {

// GROUP: a named list of other objects it does not own, kept as handles so a member that is deleted drops
// out (or is replaced by the object that took its name). A method the group does not know goes to every
// member in turn.
class CMC_Groupped : public CMC_Object {
public:
    CMC_Groupped(CMC_ObjectsContainer* scene, CMElement* element);
    CMC_Groupped(const CXString& name, CMC_ObjectsContainer* scene);
    ~CMC_Groupped() override;

    using CMC_Object::clone;
    // A group named "cloned" with the same members.
    CXObject* clone() override;
    // The members' texts joined by ",".
    CXString toString() override;
    CXString** getBehavioursList() override;

    // The member reached, or null (an empty group).
    virtual CMC_Object* prev(int n);
    virtual CMC_Object* next(int n);
    virtual void resetMarker();
    virtual int getMarkerPos();
    // Clamped to -1 .. size-1.
    virtual void setMarkerPos(int position);

    // Appends the object unless it is a member already.
    void add(CMC_Object* object);
    // Appends name_from .. name_to as they are found, members or not.
    void addClones(const CXString& name, int from, int to);
    void remove(CMC_Object* object);
    bool contains(CMC_Object* object);
    void removeAll();
    // Null when there is no member i.
    CMC_Object* get(int index);
    int getSize();
    // The members that exist now, in order; valid until the next call.
    CXVector* getList();

private:
    // Drops the members that are gone for good.
    void compact();

    std::vector<CMC_ObjectHandle> m_members;
    int32_t m_marker = -1;
    CXVector* m_snapshot = nullptr;
};

class CMC_Groupped_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_ADD = 1,
        MTH_REMOVE = 2,
        MTH_REMOVEALL = 3,
        MTH_GETSIZE = 4,
        MTH_GETNAME = 5,
        MTH_PREV = 6,
        MTH_NEXT = 7,
        MTH_ADDCLONES = 8,
        MTH_RESETMARKER = 9,
        MTH_GETMARKERPOS = 10,
        MTH_SETMARKERPOS = 11,
        MTH_CLONE = 12,
        MTH_GETCLONEINDEX = 13,
        MTH_GETNAMEATMARKER = 14,
        MTH_CONTAINS = 15,
    };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    // A group method by id; any other name to every member.
    CMC_Variable* run(const CXString& name, CMC_Object* object, CMC_ObjectsContainer* container,
                      CXVector* args) override;
};

} // namespace KavirelDLL
