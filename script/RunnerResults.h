#pragma once
#include "core/XString.h"

namespace KavirelDLL {

class CMC_Bool;
class CMC_Double;
class CMC_Integer;
class CMC_String;

// The temporaries runner methods answer with: pool values holding the result, handed back by the caller.
namespace RunnerResults {

CMC_Integer* integerResult(int value);
CMC_Double* doubleResult(double value);
CMC_Bool* boolResult(bool value);
CMC_String* stringResult(const CXString& value);

} // namespace RunnerResults

} // namespace KavirelDLL
