#pragma once
#include "script/Variable.h"

namespace KavirelDLL {

// STRING: text in code page 1250. Equality ignores letter case, ordering does not.
class CMC_String : public CMC_Variable {
public:
    explicit CMC_String(const CXString& name);
    CMC_String(const CXString& name, int id);
    CMC_String(const CXString& name, const CXString& text);
    CMC_String(CMC_ObjectsContainer* scene, CMElement* element);

    using CMC_Variable::compare;
    using CMC_Variable::equals;
    CXObject* clone() override;
    CXString toString() override;
    void serialize(CXArchive* archive) override;
    void set(CMC_Variable* other) override;
    void clear() override;
    void swap(CMC_Variable* a, CMC_Variable* b) override;
    void inc() override;
    void dec() override;
    bool equals(CMC_Variable* other) override;
    int compare(CMC_Variable* other) override;
    CMC_Variable* convert(int type) override;
    CMC_Variable* calculate(CMC_Variable* other, int op) override;
    void setDefault(CMC_Variable* value) override;
    void resetINI() override;
    int getBufferLen() override;
    void netstore(void* buffer) override;
    bool netrestore(const void* buffer, int length) override;
    void store(CXArchive* archive) override;
    void restore(CXArchive* archive) override;
    void fromString(const CXString& text) override;
    virtual void lower();
    virtual void upper();

    CXString getValue() const { return m_value; }
    const CXString& value() const { return m_value; }
    void setValue(const CXString& text);
    CXString getDefault() const { return m_default; }

private:
    CXString m_value;
    CXString m_default;
};

} // namespace KavirelDLL
