#pragma once
#include "script/PendingObject.h"

namespace KavirelDLL {

class CMC_Variable;

// ARRAY: an ordered list of values it owns. Values can be added (as copies) and read back; the rest of
// its methods, files and ini keeping come with the collections.
class CMC_Array : public CMC_PendingObject {
public:
    CMC_Array(CMC_ObjectsContainer* scene, CMElement* element);
    CMC_Array(CMC_ObjectsContainer* scene, const CXString& name);
    ~CMC_Array() override;

    // Appends a copy of the value.
    virtual void add(CMC_Variable* value);
    // Null outside the list.
    virtual CMC_Variable* get(int index);
    virtual int getSize();
    virtual void removeAll();

private:
    CXArray* m_elements;
};

KAVIREL_PENDING_RUNNER(CMC_Array_Runner, "ARRAY");

} // namespace KavirelDLL
