#pragma once
#include "script/Runner.h"

namespace KavirelDLL {

class CMC_ArgumentsGuard;
class CMC_Variable;

// The methods of INTEGER, STRING, BOOL, DOUBLE and EXPRESSION values.
class CMC_Variable_Runner : public CMC_Runner {
public:
    enum : int {
        MTH_SET = 1,
        MTH_SWITCH = 2,
        MTH_CLEAR = 3,
        MTH_INC = 4,
        MTH_DEC = 5,
        MTH_ADD = 6,
        MTH_MUL = 7,
        MTH_RESETINI = 8,
        MTH_SETDEFAULT = 9,
        MTH_SUB = 10,
        MTH_DIV = 11,
        MTH_MOD = 12,
        MTH_ABS = 13,
        MTH_AND = 14,
        MTH_OR = 15,
        MTH_NOT = 16,
        MTH_XOR = 17,
        MTH_POWER = 18,
        MTH_SQRT = 20,
        MTH_CLAMP = 21,
        MTH_LENGTH = 22,
        MTH_ARCTAN = 23,
        MTH_GET = 24,
        MTH_MINA = 25,
        MTH_MAXA = 26,
        MTH_ARCTANEX = 27,
        MTH_SINUS = 28,
        MTH_COSINUS = 29,
        MTH_UPPER = 30,
        MTH_FIND = 31,
        MTH_CUT = 32,
        MTH_REPLACEAT = 33,
        MTH_INSERTAT = 34,
        MTH_REPLACE = 35,
        MTH_ROUND = 36,
        MTH_ISUPPERLETTER = 37,
        MTH_SGN = 38,
        MTH_COPYFILE = 39,
        MTH_RANDOM = 40,
        MTH_LOG = 41,
        MTH_LOWER = 48,
    };

    void prepareMthHashSet() override;
    using CMC_Runner::run;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;

private:
    CMC_Variable* arithmetic(CMC_Variable* value, CXVector* args, int op, bool keepResult,
                             const CMC_ArgumentsGuard& guard);
    CMC_Variable* integerMethod(int id, CMC_Variable* value, CXVector* args, const CMC_ArgumentsGuard& guard);
    CMC_Variable* doubleMethod(int id, CMC_Variable* value, CXVector* args, const CMC_ArgumentsGuard& guard);
    CMC_Variable* stringMethod(int id, CMC_Variable* value, CXVector* args, const CMC_ArgumentsGuard& guard);
    CMC_Variable* copyFile(CMC_ObjectsContainer* container, CXVector* args);
    CMC_Variable* random(CMC_Variable* value, CXVector* args, const CMC_ArgumentsGuard& guard);
};

} // namespace KavirelDLL
