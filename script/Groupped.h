#pragma once
#include <vector>

#include "script/PendingObject.h"

namespace KavirelDLL {

// GROUP: a list of other objects it does not own, kept as handles so a member that is deleted drops
// out (or is replaced by the object that took its name). Its script methods, marker and method
// forwarding come with the interpreter.
class CMC_Groupped : public CMC_PendingObject {
public:
    CMC_Groupped(CMC_ObjectsContainer* scene, CMElement* element);
    CMC_Groupped(const CXString& name, CMC_ObjectsContainer* scene);
    ~CMC_Groupped() override;

    // Appends the object unless it is a member already.
    void add(CMC_Object* object);
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
    CXVector* m_snapshot = nullptr;
};

KAVIREL_PENDING_RUNNER(CMC_Groupped_Runner, "GROUP");

} // namespace KavirelDLL
