#include "script/Integer.h"

#include <cstdint>

#include "core/Archive.h"
#include "core/Elements.h"
#include "script/Bool.h"
#include "script/Double.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

namespace {

// Script arithmetic wraps around like the 32-bit machine it was written for.
int32_t wrap(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

} // namespace

CMC_Integer::CMC_Integer(const CXString& name) : CMC_Variable(name, TYPE_INTEGER) {}

CMC_Integer::CMC_Integer(const CXString& name, int id) : CMC_Variable(name, TYPE_INTEGER, id) {}

CMC_Integer::CMC_Integer(int value)
    : CMC_Variable(CXString("temp"), TYPE_INTEGER), m_value(value), m_default(value) {}

CMC_Integer::CMC_Integer(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Variable(scene, element, TYPE_INTEGER) {
    if (!element) return;
    m_value = element->getPropertyIntValue("VALUE");
    m_default =
        element->getPropertyValue("DEFAULT").IsString() ? element->getPropertyIntValue("DEFAULT") : m_value;
}

bool CMC_Integer::valueOf(CMC_Variable* value, int* out) {
    if (!value) return false;
    switch (value->getType()) {
    case TYPE_INTEGER:
        *out = static_cast<CMC_Integer*>(value)->getValue();
        return true;
    case TYPE_DOUBLE:
        *out = CMC_Double::toInteger(static_cast<CMC_Double*>(value)->getValue());
        return true;
    case TYPE_BOOL:
        *out = static_cast<CMC_Bool*>(value)->getValue() ? 1 : 0;
        return true;
    case TYPE_STRING:
        *out = static_cast<CMC_String*>(value)->value().toNumber();
        return true;
    default:
        return false;
    }
}

CXObject* CMC_Integer::clone() {
    auto* copy = new CMC_Integer(m_name);
    copy->m_value = m_value;
    copy->m_default = m_default;
    copy->m_isClone = true;
    return copy;
}

CXString CMC_Integer::toString() {
    return CXString::toString(static_cast<int>(m_value));
}

void CMC_Integer::setValue(int value) {
    m_value = value;
    onChange(false);
}

void CMC_Integer::set(CMC_Variable* other) {
    if (!other) return;
    CMC_Variable* converted = convertOperand(other, TYPE_INTEGER);
    if (!converted) return;
    int value = 0;
    bool ok = converted->getType() == TYPE_INTEGER;
    if (ok) value = static_cast<CMC_Integer*>(converted)->m_value;
    if (converted != other) flush(converted);
    if (!ok) return;
    int old = m_value;
    m_value = value;
    onChange(old != value);
}

void CMC_Integer::clear() {
    int old = m_value;
    m_value = 0;
    onChange(old != 0);
}

void CMC_Integer::swap(CMC_Variable* a, CMC_Variable* b) {
    int first = 0;
    int second = 0;
    if (!valueOf(a, &first) || !valueOf(b, &second)) return;
    int old = m_value;
    m_value = m_value == first ? second : first;
    onChange(old != m_value);
}

void CMC_Integer::inc() {
    m_value = wrap(int64_t(m_value) + 1);
    onChange(true);
}

void CMC_Integer::dec() {
    m_value = wrap(int64_t(m_value) - 1);
    onChange(true);
}

bool CMC_Integer::equals(CMC_Variable* other) {
    CMC_Variable* converted = convertOperand(other, TYPE_INTEGER);
    if (!converted || converted->getType() != TYPE_INTEGER) return false;
    bool result = m_value == static_cast<CMC_Integer*>(converted)->m_value;
    if (converted != other) flush(converted);
    return result;
}

int CMC_Integer::compare(CMC_Variable* other) {
    CMC_Variable* converted = convertOperand(other, TYPE_INTEGER);
    if (!converted || converted->getType() != TYPE_INTEGER) return 1;
    int value = static_cast<CMC_Integer*>(converted)->m_value;
    if (converted != other) flush(converted);
    return m_value == value ? 0 : (m_value < value ? -1 : 1);
}

CMC_Variable* CMC_Integer::convert(int type) {
    if (type == TYPE_INTEGER) return this;
    int value = m_value;
    flush(this);
    switch (type) {
    case TYPE_STRING: {
        CMC_String* result = CMC_VariableFactory::allocString();
        result->setValue(CXString::toString(value));
        return result;
    }
    case TYPE_BOOL: {
        CMC_Bool* result = CMC_VariableFactory::allocBool();
        result->setValue(value != 0);
        return result;
    }
    case TYPE_DOUBLE: {
        CMC_Double* result = CMC_VariableFactory::allocDouble();
        result->setValue(static_cast<double>(value));
        return result;
    }
    default:
        return nullptr;
    }
}

CMC_Variable* CMC_Integer::calculate(CMC_Variable* other, int op) {
    int64_t a = m_value;
    int64_t result = a;
    CMC_Variable* converted = convertOperand(other, TYPE_INTEGER);
    if (converted && converted->getType() == TYPE_INTEGER) {
        int64_t b = static_cast<CMC_Integer*>(converted)->m_value;
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
        // Division by zero gives 0 rather than stopping the game.
        case OP_DIVIDE:
            result = b == 0 ? 0 : a / b;
            break;
        case OP_MODULO:
            result = b == 0 ? 0 : a % b;
            break;
        default:
            break;
        }
    }
    if (converted && converted != other) flush(converted);
    CMC_Integer* value = CMC_VariableFactory::allocInteger();
    value->setValue(wrap(result));
    return value;
}

void CMC_Integer::setDefault(CMC_Variable* value) {
    CMC_Variable* converted = convertOperand(value, TYPE_INTEGER);
    if (!converted || converted->getType() != TYPE_INTEGER) return;
    m_default = static_cast<CMC_Integer*>(converted)->m_value;
    if (converted != value) flush(converted);
}

void CMC_Integer::resetINI() {
    if (!m_toIni) return;
    m_value = m_default;
    onChange(true);
}

int CMC_Integer::getBufferLen() {
    return 8;
}

void CMC_Integer::netstore(void* buffer) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    NetBytes::putU32(bytes, TYPE_INTEGER);
    NetBytes::putU32(bytes + 4, static_cast<uint32_t>(m_value));
}

bool CMC_Integer::netrestore(const void* buffer, int length) {
    auto* bytes = static_cast<const unsigned char*>(buffer);
    if (!bytes || length < 8 || NetBytes::getU32(bytes) != TYPE_INTEGER) return false;
    m_value = static_cast<int32_t>(NetBytes::getU32(bytes + 4));
    return true;
}

void CMC_Integer::store(CXArchive* archive) {
    if (!archive) return;
    *archive << static_cast<int>(TYPE_INTEGER);
    *archive << static_cast<int>(m_value);
}

void CMC_Integer::restore(CXArchive* archive) {
    if (!archive) return;
    int value = 0;
    *archive >> &value;
    m_value = value;
}

void CMC_Integer::fromString(const CXString& text) {
    m_value = text.toNumber();
}

void CMC_Integer::serialize(CXArchive* archive) {
    CMC_Variable::serialize(archive);
    if (!archive) return;
    if (archive->isStoring()) {
        *archive << static_cast<int>(m_value);
        *archive << static_cast<int>(m_default);
    } else {
        int value = 0;
        int fallback = 0;
        *archive >> &value;
        *archive >> &fallback;
        m_value = value;
        m_default = fallback;
    }
}

} // namespace KavirelDLL
