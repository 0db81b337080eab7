#include "script/Bool.h"

#include "core/Archive.h"
#include "core/Elements.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/String.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

CMC_Bool::CMC_Bool(const CXString& name) : CMC_Variable(name, TYPE_BOOL) {}

CMC_Bool::CMC_Bool(const CXString& name, int id) : CMC_Variable(name, TYPE_BOOL, id) {}

CMC_Bool::CMC_Bool(bool value)
    : CMC_Variable(CXString("temp"), TYPE_BOOL), m_value(value), m_default(value) {}

CMC_Bool::CMC_Bool(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Variable(scene, element, TYPE_BOOL) {
    if (!element) return;
    m_value = element->getPropertyBoolValue("VALUE");
    m_default =
        element->getPropertyValue("DEFAULT").IsString() ? element->getPropertyBoolValue("DEFAULT") : m_value;
}

bool CMC_Bool::valueOf(CMC_Variable* value, bool* out) {
    if (!value) return false;
    switch (value->getType()) {
    case TYPE_INTEGER:
        *out = static_cast<CMC_Integer*>(value)->getValue() != 0;
        return true;
    case TYPE_DOUBLE:
        *out = static_cast<CMC_Double*>(value)->getValue() != 0.0;
        return true;
    case TYPE_BOOL:
        *out = static_cast<CMC_Bool*>(value)->getValue();
        return true;
    case TYPE_STRING:
        *out = static_cast<CMC_String*>(value)->value().toBool();
        return true;
    default:
        return false;
    }
}

CXObject* CMC_Bool::clone() {
    auto* copy = new CMC_Bool(m_name);
    copy->m_value = m_value;
    copy->m_default = m_default;
    copy->m_isClone = true;
    return copy;
}

CXString CMC_Bool::toString() {
    return CXString(m_value ? "TRUE" : "FALSE");
}

void CMC_Bool::setValue(bool value) {
    m_value = value;
    onChange(false);
}

void CMC_Bool::set(CMC_Variable* other) {
    if (!other) return;
    CMC_Variable* converted = convertOperand(other, TYPE_BOOL);
    if (!converted) return;
    bool ok = converted->getType() == TYPE_BOOL;
    bool value = ok && static_cast<CMC_Bool*>(converted)->m_value;
    if (converted != other) flush(converted);
    if (!ok) return;
    bool old = m_value;
    m_value = value;
    onChange(old != value);
}

void CMC_Bool::clear() {
    bool old = m_value;
    m_value = false;
    onChange(old);
}

void CMC_Bool::swap(CMC_Variable*, CMC_Variable*) {
    m_value = !m_value;
    onChange(true);
}

void CMC_Bool::inc() {
    swap(nullptr, nullptr);
}

void CMC_Bool::dec() {
    swap(nullptr, nullptr);
}

bool CMC_Bool::equals(CMC_Variable* other) {
    CMC_Variable* converted = convertOperand(other, TYPE_BOOL);
    if (!converted || converted->getType() != TYPE_BOOL) return false;
    bool result = m_value == static_cast<CMC_Bool*>(converted)->m_value;
    if (converted != other) flush(converted);
    return result;
}

int CMC_Bool::compare(CMC_Variable* other) {
    CMC_Variable* converted = convertOperand(other, TYPE_BOOL);
    if (!converted || converted->getType() != TYPE_BOOL) return -1;
    bool value = static_cast<CMC_Bool*>(converted)->m_value;
    if (converted != other) flush(converted);
    if (m_value == value) return 0;
    return m_value ? 1 : -1;
}

CMC_Variable* CMC_Bool::convert(int type) {
    if (type == TYPE_BOOL) return this;
    bool value = m_value;
    flush(this);
    switch (type) {
    case TYPE_INTEGER: {
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(value ? 1 : 0);
        return result;
    }
    case TYPE_STRING: {
        CMC_String* result = CMC_VariableFactory::allocString();
        result->setValue(value ? "TRUE" : "FALSE");
        return result;
    }
    case TYPE_DOUBLE: {
        CMC_Double* result = CMC_VariableFactory::allocDouble();
        result->setValue(value ? 1.0 : 0.0);
        return result;
    }
    default:
        return nullptr;
    }
}

CMC_Variable* CMC_Bool::calculate(CMC_Variable* other, int op) {
    bool result = m_value;
    CMC_Variable* converted = convertOperand(other, TYPE_BOOL);
    if (converted && converted->getType() == TYPE_BOOL) {
        bool b = static_cast<CMC_Bool*>(converted)->m_value;
        if (op == OP_ADD) result = m_value && b;
        if (op == OP_MULTIPLY) result = m_value || b;
    }
    if (converted && converted != other) flush(converted);
    CMC_Bool* value = CMC_VariableFactory::allocBool();
    value->setValue(result);
    return value;
}

void CMC_Bool::setDefault(CMC_Variable* value) {
    CMC_Variable* converted = convertOperand(value, TYPE_BOOL);
    if (!converted || converted->getType() != TYPE_BOOL) return;
    m_default = static_cast<CMC_Bool*>(converted)->m_value;
    if (converted != value) flush(converted);
}

void CMC_Bool::resetINI() {
    if (!m_toIni) return;
    m_value = m_default;
    onChange(true);
}

int CMC_Bool::getBufferLen() {
    return 5;
}

void CMC_Bool::netstore(void* buffer) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    NetBytes::putU32(bytes, TYPE_BOOL);
    bytes[4] = m_value ? 1 : 0;
}

bool CMC_Bool::netrestore(const void* buffer, int length) {
    auto* bytes = static_cast<const unsigned char*>(buffer);
    if (!bytes || length < 5 || NetBytes::getU32(bytes) != TYPE_BOOL) return false;
    m_value = bytes[4] == 1;
    return true;
}

void CMC_Bool::store(CXArchive* archive) {
    if (!archive) return;
    *archive << static_cast<int>(TYPE_BOOL);
    *archive << (m_value ? 1 : 0);
}

void CMC_Bool::restore(CXArchive* archive) {
    if (!archive) return;
    int value = 0;
    *archive >> &value;
    m_value = value == 1;
}

void CMC_Bool::fromString(const CXString& text) {
    m_value = text.toBool();
}

void CMC_Bool::serialize(CXArchive* archive) {
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
