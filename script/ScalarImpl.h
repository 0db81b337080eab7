#pragma once
// The shared operations of the scalar values, included only by the sources of INTEGER, DOUBLE, BOOL and
// STRING. Each of them defines its ScalarRules<T> and then instantiates CMC_Scalar<T>.
#include <cstring>
#include <type_traits>

#include "core/Archive.h"
#include "core/Elements.h"
#include "script/Bool.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

// The type id, the temporaries and every conversion of one scalar type, so that convert() and valueOf()
// agree between all four.
template <typename T>
struct ScalarKind;

template <>
struct ScalarKind<int32_t> {
    static constexpr int type = TYPE_INTEGER;
    using Class = CMC_Integer;
    static CMC_Integer* alloc(int32_t v) { return CMC_VariableFactory::allocInteger(v); }
    static int32_t toInteger(int32_t v) { return v; }
    static double toDouble(int32_t v) { return static_cast<double>(v); }
    static bool toBool(int32_t v) { return v != 0; }
    static CXString toText(int32_t v) { return CXString::toString(static_cast<int>(v)); }
};

template <>
struct ScalarKind<double> {
    static constexpr int type = TYPE_DOUBLE;
    using Class = CMC_Double;
    static CMC_Double* alloc(double v) { return CMC_VariableFactory::allocDouble(v); }
    static int32_t toInteger(double v) { return CMC_Double::toInteger(v); }
    static double toDouble(double v) { return v; }
    static bool toBool(double v) { return v != 0.0; }
    static CXString toText(double v) { return CXString::toString(v); }
};

template <>
struct ScalarKind<bool> {
    static constexpr int type = TYPE_BOOL;
    using Class = CMC_Bool;
    static CMC_Bool* alloc(bool v) { return CMC_VariableFactory::allocBool(v); }
    static int32_t toInteger(bool v) { return v ? 1 : 0; }
    static double toDouble(bool v) { return v ? 1.0 : 0.0; }
    static bool toBool(bool v) { return v; }
    static CXString toText(bool v) { return CXString(v ? "TRUE" : "FALSE"); }
};

template <>
struct ScalarKind<CXString> {
    static constexpr int type = TYPE_STRING;
    using Class = CMC_String;
    static CMC_String* alloc(const CXString& v) { return CMC_VariableFactory::allocString(v); }
    static int32_t toInteger(const CXString& v) { return v.toNumber(); }
    static double toDouble(const CXString& v) { return v.toDouble(); }
    static bool toBool(const CXString& v) { return v.toBool(); }
    static CXString toText(const CXString& v) { return v; }
};

template <typename To, typename From>
To scalarCast(const From& value) {
    if constexpr (std::is_same_v<To, int32_t>)
        return ScalarKind<From>::toInteger(value);
    else if constexpr (std::is_same_v<To, double>)
        return ScalarKind<From>::toDouble(value);
    else if constexpr (std::is_same_v<To, bool>)
        return ScalarKind<From>::toBool(value);
    else
        return ScalarKind<From>::toText(value);
}

// A pool temporary holding the value.
template <typename T>
CMC_Variable* scalarTemporary(const T& value) {
    return ScalarKind<T>::alloc(value);
}

// Each type's own rules: how a definition gives it, when it counts as changed, equality, order, arithmetic,
// stepping, the network form (after the 32-bit type id) and the archive form (after the type id).
template <typename T>
struct ScalarRules;

// The rules the numbers and BOOL share.
template <typename T>
struct PlainScalarRules {
    // What compare() answers for a value that does not convert.
    static constexpr int kUnordered = -1;
    static bool same(T a, T b) { return a == b; }
    static bool equal(T a, T b) { return a == b; }
    static int order(T a, T b) { return a == b ? 0 : (a < b ? -1 : 1); }
};

template <typename T>
CMC_Scalar<T>::CMC_Scalar(const CXString& name) : CMC_Variable(name, ScalarKind<T>::type) {}

template <typename T>
CMC_Scalar<T>::CMC_Scalar(const CXString& name, int id) : CMC_Variable(name, ScalarKind<T>::type, id) {}

template <typename T>
CMC_Scalar<T>::CMC_Scalar(const CXString& name, int id, const T& value)
    : CMC_Variable(name, ScalarKind<T>::type, id), m_value(value), m_default(value) {}

template <typename T>
CMC_Scalar<T>::CMC_Scalar(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Variable(scene, element, ScalarKind<T>::type) {
    if (!element) return;
    m_value = ScalarRules<T>::property(element, "VALUE");
    m_default = element->getPropertyValue("DEFAULT").IsString() ? ScalarRules<T>::property(element, "DEFAULT")
                                                                : m_value;
}

template <typename T>
bool CMC_Scalar<T>::valueOf(CMC_Variable* value, T* out) {
    if (!value) return false;
    switch (value->getType()) {
    case TYPE_INTEGER:
        *out = scalarCast<T>(static_cast<CMC_Scalar<int32_t>*>(value)->getValue());
        return true;
    case TYPE_DOUBLE:
        *out = scalarCast<T>(static_cast<CMC_Scalar<double>*>(value)->getValue());
        return true;
    case TYPE_BOOL:
        *out = scalarCast<T>(static_cast<CMC_Scalar<bool>*>(value)->getValue());
        return true;
    case TYPE_STRING:
        *out = scalarCast<T>(static_cast<CMC_Scalar<CXString>*>(value)->getValue());
        return true;
    default:
        return false;
    }
}

template <typename T>
CXObject* CMC_Scalar<T>::clone() {
    CMC_Scalar* copy = new typename ScalarKind<T>::Class(m_name);
    copy->m_value = m_value;
    copy->m_default = m_default;
    copy->m_isClone = true;
    return copy;
}

template <typename T>
CXString CMC_Scalar<T>::toString() {
    return scalarCast<CXString>(m_value);
}

template <typename T>
void CMC_Scalar<T>::setValue(const T& value) {
    m_value = value;
    onChange(false);
}

template <typename T>
T CMC_Scalar<T>::arithmetic(const T& a, const T& b, int op) {
    return ScalarRules<T>::arithmetic(a, b, op);
}

template <typename T>
void CMC_Scalar<T>::startAfresh() {
    if constexpr (std::is_same_v<T, CXString>) {
        // Emptied in place: a text keeps its storage.
        m_value = "";
        m_default = "";
    } else {
        m_value = T();
        m_default = T();
    }
}

template <typename T>
void CMC_Scalar<T>::set(CMC_Variable* other) {
    if (!other) return;
    // A value of this type converts to itself.
    CMC_Variable* converted =
        other->getType() == ScalarKind<T>::type ? other : convertOperand(other, ScalarKind<T>::type);
    if (!converted) return;
    bool ok = converted->getType() == ScalarKind<T>::type;
    T value = ok ? static_cast<CMC_Scalar*>(converted)->m_value : T();
    if (converted != other) flush(converted);
    if (!ok) return;
    bool changed = !ScalarRules<T>::same(m_value, value);
    m_value = value;
    onChange(changed);
}

template <typename T>
void CMC_Scalar<T>::clear() {
    bool changed = !ScalarRules<T>::same(m_value, T());
    m_value = T();
    onChange(changed);
}

// The numbers take the other of the two values; BOOL and STRING have their own.
template <typename T>
void CMC_Scalar<T>::swap(CMC_Variable* a, CMC_Variable* b) {
    T first{};
    T second{};
    if (!valueOf(a, &first) || !valueOf(b, &second)) return;
    T old = m_value;
    m_value = ScalarRules<T>::same(m_value, first) ? second : first;
    onChange(!ScalarRules<T>::same(old, m_value));
}

template <typename T>
void CMC_Scalar<T>::inc() {
    if (ScalarRules<T>::step(m_value, 1)) onChange(true);
}

template <typename T>
void CMC_Scalar<T>::dec() {
    if (ScalarRules<T>::step(m_value, -1)) onChange(true);
}

template <typename T>
bool CMC_Scalar<T>::equals(CMC_Variable* other) {
    CMC_Variable* converted = convertOperand(other, ScalarKind<T>::type);
    if (!converted || converted->getType() != ScalarKind<T>::type) return false;
    bool result = ScalarRules<T>::equal(m_value, static_cast<CMC_Scalar*>(converted)->m_value);
    if (converted != other) flush(converted);
    return result;
}

template <typename T>
int CMC_Scalar<T>::compare(CMC_Variable* other) {
    CMC_Variable* converted = convertOperand(other, ScalarKind<T>::type);
    if (!converted || converted->getType() != ScalarKind<T>::type) return ScalarRules<T>::kUnordered;
    T value = static_cast<CMC_Scalar*>(converted)->m_value;
    if (converted != other) flush(converted);
    return ScalarRules<T>::order(m_value, value);
}

template <typename T>
CMC_Variable* CMC_Scalar<T>::convert(int type) {
    if (type == ScalarKind<T>::type) return this;
    T value = m_value;
    flush(this);
    switch (type) {
    case TYPE_INTEGER:
        return scalarTemporary(scalarCast<int32_t>(value));
    case TYPE_DOUBLE:
        return scalarTemporary(scalarCast<double>(value));
    case TYPE_BOOL:
        return scalarTemporary(scalarCast<bool>(value));
    case TYPE_STRING:
        return scalarTemporary(scalarCast<CXString>(value));
    default:
        return nullptr;
    }
}

// The left value is taken before the operand converts: an expression operand runs script code.
template <typename T>
CMC_Variable* CMC_Scalar<T>::calculate(CMC_Variable* other, int op) {
    T result = m_value;
    CMC_Variable* converted =
        other && other->getType() == ScalarKind<T>::type ? other : convertOperand(other, ScalarKind<T>::type);
    if (converted && converted->getType() == ScalarKind<T>::type)
        result = ScalarRules<T>::arithmetic(result, static_cast<CMC_Scalar*>(converted)->m_value, op);
    if (converted && converted != other) flush(converted);
    return scalarTemporary(result);
}

template <typename T>
void CMC_Scalar<T>::calculateInPlace(const CMC_Scalar& operand, int op, CMC_Variable** result) {
    if constexpr (std::is_same_v<T, CXString>) {
        // A text grows where it is, so a text built by many ADDs is never copied whole at each one (the
        // operand may be this very value: appending its own text is safe).
        if (op == OP_ADD) {
            bool changed = operand.m_value.GetLength() > 0;
            m_value += operand.m_value;
            if (result) *result = scalarTemporary(m_value);
            onChange(changed);
            return;
        }
    }
    // The operand may be this very value: the result is taken whole before anything is stored.
    T value = ScalarRules<T>::arithmetic(m_value, operand.m_value, op);
    if (result) *result = scalarTemporary(value);
    bool changed = !ScalarRules<T>::same(m_value, value);
    m_value = value;
    onChange(changed);
}

template <typename T>
void CMC_Scalar<T>::setDefault(CMC_Variable* value) {
    CMC_Variable* converted = convertOperand(value, ScalarKind<T>::type);
    if (!converted || converted->getType() != ScalarKind<T>::type) return;
    m_default = static_cast<CMC_Scalar*>(converted)->m_value;
    if (converted != value) flush(converted);
}

template <typename T>
void CMC_Scalar<T>::resetINI() {
    if (!m_toIni) return;
    m_value = m_default;
    onChange(true);
}

template <typename T>
int CMC_Scalar<T>::getBufferLen() {
    return 4 + ScalarRules<T>::netSize(m_value);
}

template <typename T>
void CMC_Scalar<T>::netstore(void* buffer) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    NetBytes::putU32(bytes, ScalarKind<T>::type);
    ScalarRules<T>::netWrite(bytes + 4, m_value);
}

template <typename T>
bool CMC_Scalar<T>::netrestore(const void* buffer, int length) {
    auto* bytes = static_cast<const unsigned char*>(buffer);
    if (!bytes || length < 4 + ScalarRules<T>::kNetMinimum || NetBytes::getU32(bytes) != ScalarKind<T>::type)
        return false;
    m_value = ScalarRules<T>::netRead(bytes + 4, length - 4);
    return true;
}

template <typename T>
void CMC_Scalar<T>::store(CXArchive* archive) {
    if (!archive) return;
    *archive << static_cast<int>(ScalarKind<T>::type);
    ScalarRules<T>::store(*archive, m_value);
}

template <typename T>
void CMC_Scalar<T>::restore(CXArchive* archive) {
    if (!archive) return;
    m_value = ScalarRules<T>::restore(*archive);
}

template <typename T>
void CMC_Scalar<T>::fromString(const CXString& text) {
    m_value = scalarCast<T>(text);
}

template <typename T>
void CMC_Scalar<T>::serialize(CXArchive* archive) {
    CMC_Variable::serialize(archive);
    if (!archive) return;
    if (archive->isStoring()) {
        *archive << m_value;
        *archive << m_default;
    } else {
        *archive >> &m_value;
        *archive >> &m_default;
    }
}

} // namespace KavirelDLL
