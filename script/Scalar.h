#pragma once
#include <cstdint>
#include <type_traits>

#include "script/Variable.h"

namespace KavirelDLL {

// What INTEGER, DOUBLE, BOOL and STRING share: a value and a default of one C++ type (int32_t, double,
// bool, CXString) and the operations that convert, compare, calculate, store and send them alike. The
// conversions between the four are one table (script/ScalarImpl.h); each type's own arithmetic, order and
// stored forms are in its source file, and its class overrides what it does differently.
template <typename T>
class CMC_Scalar : public CMC_Variable {
public:
    using CMC_Variable::compare;
    using CMC_Variable::equals;
    CXObject* clone() override;
    CXString toString() override;
    void serialize(CXArchive* archive) override;
    KAVIREL_VALUE_OPERATIONS;

    T getValue() const { return m_value; }
    void setValue(const T& value);
    T getDefault() const { return m_default; }
    // Value and default as a new value has them.
    void startAfresh();
    // startAfresh(), then given's value when it is of this type (what set() of it gives a fresh value with no
    // handlers, which tells no one). False when given is of another type, for set() to convert it.
    bool startAfresh(CMC_Variable* given) {
        // A value of this type id is of this class.
        if (!given || given->getType() != getType()) {
            startAfresh();
            return !given;
        }
        m_value = static_cast<CMC_Scalar*>(given)->m_value;
        if constexpr (std::is_same_v<T, CXString>)
            m_default = ""; // emptied in place, as startAfresh() does
        else
            m_default = T();
        return true;
    }

    // Any scalar value read as this type, without using the pools.
    static bool valueOf(CMC_Variable* value, T* out);
    // What calculate() gives for two values of this type (op 1 add .. 5 modulo), without a temporary.
    static T arithmetic(const T& a, const T& b, int op);
    // calculate(&operand, op) followed by set() of its result, done in place: the same value and change
    // events. A temporary of the result goes into *result when result is given (made before the change
    // is told, so it holds the result whatever the handlers do).
    void calculateInPlace(const CMC_Scalar& operand, int op, CMC_Variable** result);

protected:
    explicit CMC_Scalar(const CXString& name);
    CMC_Scalar(const CXString& name, int id);
    // A value that is its own default.
    CMC_Scalar(const CXString& name, int id, const T& value);
    // VALUE, and DEFAULT when given (else the value).
    CMC_Scalar(CMC_ObjectsContainer* scene, CMElement* element);

    T m_value{};
    T m_default{};
};

extern template class CMC_Scalar<int32_t>;
extern template class CMC_Scalar<double>;
extern template class CMC_Scalar<bool>;
extern template class CMC_Scalar<CXString>;

} // namespace KavirelDLL
