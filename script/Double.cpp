#include "script/Double.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "core/Archive.h"
#include "core/Elements.h"
#include "script/Bool.h"
#include "script/Integer.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace {

int32_t saturate(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

} // namespace

CMC_Double::CMC_Double(const CXString& name) : CMC_Variable(name, TYPE_DOUBLE) {}

CMC_Double::CMC_Double(const CXString& name, int id) : CMC_Variable(name, TYPE_DOUBLE, id) {}

CMC_Double::CMC_Double(double value)
    : CMC_Variable(CXString("temp"), TYPE_DOUBLE), m_value(value), m_default(value) {}

CMC_Double::CMC_Double(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Variable(scene, element, TYPE_DOUBLE) {
    if (!element) return;
    m_value = element->getPropertyDoubleValue("VALUE");
    m_default = element->getPropertyValue("DEFAULT").IsString() ? element->getPropertyDoubleValue("DEFAULT")
                                                                : m_value;
}

double CMC_Double::round(double value) {
    double whole = std::trunc(value);
    if (std::fabs(value - whole) >= 0.5) return value > 0 ? whole + 1 : whole - 1;
    return whole;
}

int CMC_Double::toInteger(double value) {
    return saturate(round(value));
}

bool CMC_Double::valueOf(CMC_Variable* value, double* out) {
    if (!value) return false;
    switch (value->getType()) {
    case TYPE_INTEGER:
        *out = static_cast<CMC_Integer*>(value)->getValue();
        return true;
    case TYPE_DOUBLE:
        *out = static_cast<CMC_Double*>(value)->getValue();
        return true;
    case TYPE_BOOL:
        *out = static_cast<CMC_Bool*>(value)->getValue() ? 1.0 : 0.0;
        return true;
    case TYPE_STRING:
        *out = static_cast<CMC_String*>(value)->value().toDouble();
        return true;
    default:
        return false;
    }
}

CXObject* CMC_Double::clone() {
    auto* copy = new CMC_Double(m_name);
    copy->m_value = m_value;
    copy->m_default = m_default;
    copy->m_isClone = true;
    return copy;
}

CXString CMC_Double::toString() {
    return CXString::toString(m_value);
}

void CMC_Double::setValue(double value) {
    m_value = value;
    onChange(false);
}

void CMC_Double::set(CMC_Variable* other) {
    if (!other) return;
    CMC_Variable* converted = convertOperand(other, TYPE_DOUBLE);
    if (!converted) return;
    bool ok = converted->getType() == TYPE_DOUBLE;
    double value = ok ? static_cast<CMC_Double*>(converted)->m_value : 0.0;
    if (converted != other) flush(converted);
    if (!ok) return;
    double old = m_value;
    m_value = value;
    onChange(old != value);
}

void CMC_Double::clear() {
    double old = m_value;
    m_value = 0.0;
    onChange(old != 0.0);
}

void CMC_Double::swap(CMC_Variable* a, CMC_Variable* b) {
    double first = 0.0;
    double second = 0.0;
    if (!valueOf(a, &first) || !valueOf(b, &second)) return;
    double old = m_value;
    m_value = m_value == first ? second : first;
    onChange(old != m_value);
}

void CMC_Double::inc() {
    m_value += 1.0;
    onChange(true);
}

void CMC_Double::dec() {
    m_value -= 1.0;
    onChange(true);
}

bool CMC_Double::equals(CMC_Variable* other) {
    CMC_Variable* converted = convertOperand(other, TYPE_DOUBLE);
    if (!converted || converted->getType() != TYPE_DOUBLE) return false;
    bool result = m_value == static_cast<CMC_Double*>(converted)->m_value;
    if (converted != other) flush(converted);
    return result;
}

int CMC_Double::compare(CMC_Variable* other) {
    CMC_Variable* converted = convertOperand(other, TYPE_DOUBLE);
    if (!converted || converted->getType() != TYPE_DOUBLE) return -1;
    double value = static_cast<CMC_Double*>(converted)->m_value;
    if (converted != other) flush(converted);
    return m_value == value ? 0 : (m_value < value ? -1 : 1);
}

CMC_Variable* CMC_Double::convert(int type) {
    if (type == TYPE_DOUBLE) return this;
    double value = m_value;
    flush(this);
    switch (type) {
    case TYPE_INTEGER: {
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(toInteger(value));
        return result;
    }
    case TYPE_STRING: {
        CMC_String* result = CMC_VariableFactory::allocString();
        result->setValue(CXString::toString(value));
        return result;
    }
    case TYPE_BOOL: {
        CMC_Bool* result = CMC_VariableFactory::allocBool();
        result->setValue(value != 0.0);
        return result;
    }
    default:
        return nullptr;
    }
}

CMC_Variable* CMC_Double::calculate(CMC_Variable* other, int op) {
    double a = m_value;
    double result = a;
    CMC_Variable* converted = convertOperand(other, TYPE_DOUBLE);
    if (converted && converted->getType() == TYPE_DOUBLE) {
        double b = static_cast<CMC_Double*>(converted)->m_value;
        switch (op) {
        case OP_ADD:
            result = a + b;
            break;
        case OP_SUBTRACT:
            result = a - b;
            break;
        case OP_MULTIPLY:
            result = a * b;
            break;
        case OP_DIVIDE:
            result = a / b;
            break;
        case OP_MODULO: {
            int64_t x = saturate(a);
            int64_t y = saturate(b);
            result = y == 0 ? 0.0 : static_cast<double>(x % y);
            break;
        }
        default:
            break;
        }
    }
    if (converted && converted != other) flush(converted);
    CMC_Double* value = CMC_VariableFactory::allocDouble();
    value->setValue(result);
    return value;
}

void CMC_Double::setDefault(CMC_Variable* value) {
    CMC_Variable* converted = convertOperand(value, TYPE_DOUBLE);
    if (!converted || converted->getType() != TYPE_DOUBLE) return;
    m_default = static_cast<CMC_Double*>(converted)->m_value;
    if (converted != value) flush(converted);
}

void CMC_Double::resetINI() {
    if (!m_toIni) return;
    m_value = m_default;
    onChange(true);
}

int CMC_Double::getBufferLen() {
    return 12;
}

void CMC_Double::netstore(void* buffer) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    NetBytes::putU32(bytes, TYPE_DOUBLE);
    uint64_t bits = 0;
    std::memcpy(&bits, &m_value, sizeof bits);
    NetBytes::putU32(bytes + 4, static_cast<uint32_t>(bits));
    NetBytes::putU32(bytes + 8, static_cast<uint32_t>(bits >> 32));
}

bool CMC_Double::netrestore(const void* buffer, int length) {
    auto* bytes = static_cast<const unsigned char*>(buffer);
    if (!bytes || length < 12 || NetBytes::getU32(bytes) != TYPE_DOUBLE) return false;
    uint64_t bits = uint64_t(NetBytes::getU32(bytes + 4)) | uint64_t(NetBytes::getU32(bytes + 8)) << 32;
    std::memcpy(&m_value, &bits, sizeof bits);
    return true;
}

void CMC_Double::store(CXArchive* archive) {
    if (!archive) return;
    *archive << static_cast<int>(TYPE_DOUBLE);
    *archive << m_value;
}

void CMC_Double::restore(CXArchive* archive) {
    if (!archive) return;
    *archive >> &m_value;
}

void CMC_Double::fromString(const CXString& text) {
    m_value = text.toDouble();
}

void CMC_Double::serialize(CXArchive* archive) {
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
