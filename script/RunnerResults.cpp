#include "script/RunnerResults.h"

#include "script/Bool.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace RunnerResults {

CMC_Integer* integerResult(int value) {
    CMC_Integer* result = CMC_VariableFactory::allocInteger();
    result->setValue(value);
    return result;
}

CMC_Double* doubleResult(double value) {
    CMC_Double* result = CMC_VariableFactory::allocDouble();
    result->setValue(value);
    return result;
}

CMC_Bool* boolResult(bool value) {
    CMC_Bool* result = CMC_VariableFactory::allocBool();
    result->setValue(value);
    return result;
}

CMC_String* stringResult(const CXString& value) {
    CMC_String* result = CMC_VariableFactory::allocString();
    result->setValue(value);
    return result;
}

} // namespace RunnerResults

} // namespace KavirelDLL
