#include "script/RunnerResults.h"

#include "script/Bool.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace RunnerResults {

CMC_Integer* integerResult(int value) { return CMC_VariableFactory::allocInteger(value); }

CMC_Double* doubleResult(double value) { return CMC_VariableFactory::allocDouble(value); }

CMC_Bool* boolResult(bool value) { return CMC_VariableFactory::allocBool(value); }

CMC_String* stringResult(const CXString& value) { return CMC_VariableFactory::allocString(value); }

} // namespace RunnerResults

} // namespace KavirelDLL
