#pragma once
#include "script/Variable.h"

namespace KavirelDLL {

// DOUBLE: an IEEE double. Binary files keep it as the archive does, a 32-bit integer of the value × 10000.
class CMC_Double : public CMC_Variable {
public:
    explicit CMC_Double(const CXString& name);
    CMC_Double(const CXString& name, int id);
    // Named "temp".
    explicit CMC_Double(double value);
    CMC_Double(CMC_ObjectsContainer* scene, CMElement* element);

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

    double getValue() const { return m_value; }
    void setValue(double value);
    double getDefault() const { return m_default; }

    // Half away from zero, saturated to the 32-bit range (NaN gives 0).
    static int toInteger(double value);
    // Any scalar value read as a double, without using the pools.
    static bool valueOf(CMC_Variable* value, double* out);

private:
    static double round(double value);

    double m_value = 0.0;
    double m_default = 0.0;
};

} // namespace KavirelDLL
