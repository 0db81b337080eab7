#pragma once
#include "script/Variable.h"

namespace KavirelDLL {

// EXPRESSION: a value calculated from others. It loads with its definition; calculating comes with the
// interpreter, and until then calculate() leaves no result and sets ERR_NOT_BUILT.
class CMC_Expression : public CMC_Variable {
public:
    CMC_Expression(CMC_ObjectsContainer* scene, CMElement* element);
    ~CMC_Expression() override;

    using CMC_Variable::calculate;
    virtual void calculate();
    // The value of the last calculation; null before one.
    virtual CMC_Variable* getResult();
    // True for a declared expression, which outlives the line that uses it.
    virtual bool isStill();
    CMElement* getDefinition() { return m_definition; }

private:
    CMElement* m_definition;
};

} // namespace KavirelDLL
