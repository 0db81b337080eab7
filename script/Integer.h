#pragma once
#include "script/Scalar.h"

namespace KavirelDLL {

// INTEGER: a 32-bit value. Arithmetic wraps at 32 bits, as game scripts expect.
class CMC_Integer : public CMC_Scalar<int32_t> {
public:
    explicit CMC_Integer(const CXString& name);
    CMC_Integer(const CXString& name, int id);
    // Named "temp".
    explicit CMC_Integer(int value);
    CMC_Integer(CMC_ObjectsContainer* scene, CMElement* element);
};

} // namespace KavirelDLL
