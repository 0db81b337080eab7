#pragma once
#include <vector>

#include "script/Variable.h"

namespace KavirelDLL {

class CMC_Bool;
class CMC_Double;
class CMC_Integer;
class CMC_String;

// The pools of temporary values every runner method returns its result in: 500 of each scalar type,
// handed out round-robin and all handed back at the start of each frame step. A pool whose values are
// all taken grows by one (and says so once in the log) rather than hand out a value still in use.
//
// A temporary handed out holds nothing an earlier user left in it: its type's empty value (empty text, 0,
// FALSE, 0.0) when taken without one, else the value given. A text temporary keeps a buffer of at most
// kKeptTextCapacity characters once it is given back, but for the last kLongTextsKept given back (a runner
// may still read a value it has just handed back, as converting one does): handing back another frees the
// oldest one's, as do the frame step and handing the temporary out again for a shorter text.
class CMC_VariableFactory {
public:
    static constexpr int kPoolSize = 500;
    static constexpr int kKeptTextCapacity = 256;
    static constexpr int kLongTextsKept = 8;

    static void initialize();
    static void done();
    static bool isInitialized() { return !variablesBool.empty(); }

    // A temporary holding its type's empty value.
    static CMC_Bool* allocBool();
    static CMC_Double* allocDouble();
    static CMC_Integer* allocInteger();
    static CMC_String* allocString();
    // A temporary holding the value.
    static CMC_Bool* allocBool(bool value);
    static CMC_Double* allocDouble(double value);
    static CMC_Integer* allocInteger(int value);
    static CMC_String* allocString(const CXString& value);
    // A temporary of the scalar type holding its empty value; null for other types.
    static CMC_Variable* allocOfType(int type);
    static void free(CMC_Variable* value);
    // Hands every temporary back (the frame step), freeing the buffers long texts left.
    static void clearPool();

    // A new temporary of the same scalar type holding the same value; null for other types.
    static CMC_Variable* copyVariable(CMC_Variable* value);
    // A new value of the caller's own (never a pool temporary, which the frame step hands out again) of the
    // same scalar type holding the same value, named "temp"; null for other types.
    static CMC_Variable* ownedCopy(CMC_Variable* value);
    // Reads a type id and a value; null (after the id) for an unknown type.
    static CMC_Variable* restore(CXArchive* archive);
    // Reads a network form of length bytes; null when it is short, malformed or of an unknown type.
    static CMC_Variable* netrestore(const void* buffer, int length);

    // Values taken now, per pool (tests and diagnostics).
    static int takenCount(int type);

    static int32_t iVariablesBoolNo, iVariablesDoubleNo, iVariablesIntegerNo, iVariablesStringNo;
    static std::vector<CMC_Bool*> variablesBool;
    static std::vector<CMC_Double*> variablesDbl;
    static std::vector<CMC_Integer*> variablesInt;
    static std::vector<CMC_String*> variablesStr;
    static std::vector<bool> variablesBoolTaken, variablesDblTaken, variablesIntTaken, variablesStrTaken;
    static int32_t boolPtr, dblPtr, intPtr, strPtr;
};

} // namespace KavirelDLL
