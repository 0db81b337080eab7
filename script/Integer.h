#pragma once
#include "script/Variable.h"

namespace KavirelDLL {

// INTEGER: a 32-bit value. Arithmetic wraps as on the original machine.
class CMC_Integer : public CMC_Variable {
public:
    explicit CMC_Integer(const CXString& name);
    CMC_Integer(const CXString& name, int id);
    // Named "temp".
    explicit CMC_Integer(int value);
    CMC_Integer(CMC_ObjectsContainer* scene, CMElement* element);

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

    int getValue() const { return m_value; }
    void setValue(int value);
    int getDefault() const { return m_default; }

    // Any scalar value read as an integer, without using the pools (doubles rounded, saturated).
    static bool valueOf(CMC_Variable* value, int* out);

private:
    int32_t m_value = 0;
    int32_t m_default = 0;
};

} // namespace KavirelDLL
