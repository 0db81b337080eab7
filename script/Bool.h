#pragma once
#include "script/Variable.h"

namespace KavirelDLL {

// BOOL. In arithmetic, add is "and", multiply is "or"; the other operations keep this value.
class CMC_Bool : public CMC_Variable {
public:
    explicit CMC_Bool(const CXString& name);
    CMC_Bool(const CXString& name, int id);
    // Named "temp".
    explicit CMC_Bool(bool value);
    CMC_Bool(CMC_ObjectsContainer* scene, CMElement* element);

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

    bool getValue() const { return m_value; }
    void setValue(bool value);
    bool getDefault() const { return m_default; }

    // Any scalar value read as a bool, without using the pools.
    static bool valueOf(CMC_Variable* value, bool* out);

private:
    bool m_value = false;
    bool m_default = false;
};

} // namespace KavirelDLL
