#pragma once
#include "script/Runner.h"

namespace KavirelDLL {

// The methods of the application's "RANDOM" object (a plain object of type 102).
class CMC_Rand_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_GET = 1,
        MTH_GETPLENTY = 2,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
};

} // namespace KavirelDLL
