#pragma once
#include "script/Scalar.h"

namespace KavirelDLL {

// DOUBLE: an IEEE double. Binary files keep it as the archive does, a 32-bit integer of the value × 10000.
class CMC_Double : public CMC_Scalar<double> {
public:
    explicit CMC_Double(const CXString& name);
    CMC_Double(const CXString& name, int id);
    // Named "temp".
    explicit CMC_Double(double value);
    CMC_Double(CMC_ObjectsContainer* scene, CMElement* element);

    // Half away from zero, saturated to the 32-bit range (NaN gives 0).
    static int toInteger(double value);

private:
    static double round(double value);
};

} // namespace KavirelDLL
