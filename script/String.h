#pragma once
#include "script/Scalar.h"

namespace KavirelDLL {

// STRING: text in code page 1250. Equality ignores letter case, ordering does not. Text does not step:
// incrementing and decrementing leave it as it is.
class CMC_String : public CMC_Scalar<CXString> {
public:
    explicit CMC_String(const CXString& name);
    CMC_String(const CXString& name, int id);
    CMC_String(const CXString& name, const CXString& text);
    CMC_String(CMC_ObjectsContainer* scene, CMElement* element);

    void swap(CMC_Variable* a, CMC_Variable* b) override;
    virtual void lower();
    virtual void upper();

    const CXString& value() const { return m_value; }
    // Empties the text and the default, as a pool temporary starts: a buffer over capacity characters, which
    // a long text left, is freed rather than kept.
    void startEmpty(int capacity);
    // Unlike the numbers', a new text counts as a change.
    void setValue(const CXString& text);
};

} // namespace KavirelDLL
