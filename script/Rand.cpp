#include "script/Rand.h"

#include <memory>

#include "core/XRandom.h"
#include "script/Array.h"
#include "script/Bool.h"
#include "script/CollectionSupport.h"
#include "script/Integer.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerResults.h"

namespace KavirelDLL {

using namespace CollectionSupport;
using namespace RunnerResults;

void CMC_Rand_Runner::prepareMthHashSet() {
    CMC_Runner::prepareMthHashSet();
    addMethod("GET", MTH_GET);
    addMethod("GETPLENTY", MTH_GETPLENTY);
}

CMC_Variable* CMC_Rand_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                   CXVector* args) {
    int count = argumentCount(args);
    switch (id) {
    case MTH_GET: {
        if (count == 0) return integerResult(0);
        int first = getParameterInteger(args, 0)->getValue();
        if (count == 1) return integerResult(CXRandom::random(first));
        return integerResult(CXRandom::random(first, getParameterInteger(args, 1)->getValue()));
    }
    case MTH_GETPLENTY: {
        std::shared_ptr<CMC_ObjectAnchor> where = container ? container->anchor() : nullptr;
        CXString name = nameIn(getParameter(args, 0), TYPE_ARRAY);
        int times = getParameterInteger(args, 1)->getValue();
        int base = getParameterInteger(args, 2)->getValue();
        int n = getParameterInteger(args, 3)->getValue();
        bool unique = getParameterBool(args, 4)->getValue();
        if (where && !where->object) return nullptr;
        CMC_Object* target = objectOfType(container, name, TYPE_ARRAY);
        if (!target) return nullptr;
        static_cast<CMC_Array*>(target)->addRandom(times, base, n, unique);
        return nullptr;
    }
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}

} // namespace KavirelDLL
