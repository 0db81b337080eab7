#pragma once
#include <vector>

#include "script/Variable.h"

namespace KavirelDLL {

class CMC_Behaviour;
class CMC_Behaviour_Entry;
class CMC_Bool;
class CMC_Double;
class CMC_Integer;
class CMC_String;

// EXPRESSION: operands joined by + - * @ % and calculated strictly from left to right, each step by the
// left value's own arithmetic ([2+3*4] is 20). Declared with OPERAND1, OPERATOR and OPERAND2, or made from
// the text of a bracketed argument.
//
// The result is kept in values of the expression's own, not in pool temporaries, so it stays valid after
// the frame step hands the pools back.
class CMC_Expression : public CMC_Variable {
public:
    // The bracketed form (brackets already removed): named "temp", initialised at once.
    CMC_Expression(CMC_ObjectsContainer* scene, const CXString& text);
    CMC_Expression(CMC_ObjectsContainer* scene, CMElement* element);
    ~CMC_Expression() override;

    void init() override;
    CXObject* clone() override;
    // The value part, then the operands with their operators: an expression read from a cache calculates as
    // the one it was stored from.
    void serialize(CXArchive* archive) override;
    // The calculated value's text.
    CXString toString() override;

    using CMC_Variable::calculate;
    virtual void calculate();
    // Calculates, then the result; null when the calculation gave nothing or deleted the expression.
    CMC_Variable* calculatedResult();
    // The value of the last calculation, not recalculated; null before one or when it gave nothing.
    virtual CMC_Variable* getResult();
    // True for a declared expression, which outlives the line that uses it.
    virtual bool isStill();

    KAVIREL_VALUE_OPERATIONS;

    // "+" or "ADD" 1, "-" or "SUB" 2, "*" or "MUL" 3, "@" or "DIV" 4, "%" or "MOD" 5; anything else 0,
    // which keeps the left value.
    static int resolveOp(const CXString& text);
    int getOperandCount() const { return static_cast<int>(m_items.size()); }
    CXString getOperandText(int i) const;
    int getOperator(int i) const;

private:
    struct Item {
        CXString text;
        int op = 0; // the operator before this operand; 0 for the first
        CMC_Behaviour_Entry* line = nullptr;
    };

    void split(const CXString& text);
    // Calculates; false when the calculation deleted the expression.
    bool evaluate();
    void dropLines();
    // Copies a value into the result (and hands a temporary back).
    void keep(CMC_Variable* value, int depth);

    std::vector<Item> m_items;
    CMC_Behaviour* m_hidden = nullptr;
    bool m_still = false;
    bool m_calculating = false;
    CMC_Variable* m_result = nullptr;
    CMC_ObjectHandle m_resultObject; // a result that is not one of the four scalars
    bool m_resultHeld = false;       // m_resultObject is set
    CMC_Integer* m_ownInteger = nullptr;
    CMC_Double* m_ownDouble = nullptr;
    CMC_Bool* m_ownBool = nullptr;
    CMC_String* m_ownString = nullptr;
};

} // namespace KavirelDLL
