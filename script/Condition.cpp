#include "script/Condition.h"

namespace KavirelDLL {

bool CMC_BasicCondition::valid(bool) {
    notBuilt("evaluating a condition");
    return false;
}

} // namespace KavirelDLL
