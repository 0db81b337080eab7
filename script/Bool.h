#pragma once
#include "script/Scalar.h"

namespace KavirelDLL {

// BOOL. In arithmetic, add is "and", multiply is "or"; the other operations keep this value. Swapping,
// incrementing and decrementing all toggle it.
class CMC_Bool : public CMC_Scalar<bool> {
public:
    explicit CMC_Bool(const CXString& name);
    CMC_Bool(const CXString& name, int id);
    // Named "temp".
    explicit CMC_Bool(bool value);
    CMC_Bool(CMC_ObjectsContainer* scene, CMElement* element);

    void swap(CMC_Variable* a, CMC_Variable* b) override;
};

} // namespace KavirelDLL
