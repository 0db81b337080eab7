#include "script/String.h"

#include <cstring>

#include "core/Archive.h"
#include "core/Elements.h"
#include "script/Bool.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/VariableFactory.h"

namespace KavirelDLL {

CMC_String::CMC_String(const CXString& name) : CMC_Variable(name, TYPE_STRING) {}

CMC_String::CMC_String(const CXString& name, int id) : CMC_Variable(name, TYPE_STRING, id) {}

CMC_String::CMC_String(const CXString& name, const CXString& text)
    : CMC_Variable(name, TYPE_STRING), m_value(text), m_default(text) {}

CMC_String::CMC_String(CMC_ObjectsContainer* scene, CMElement* element)
    : CMC_Variable(scene, element, TYPE_STRING) {
    if (!element) return;
    m_value = element->getPropertyValue("VALUE");
    CXString fallback = element->getPropertyValue("DEFAULT");
    m_default = fallback.IsString() ? fallback : m_value;
}

CXObject* CMC_String::clone() {
    auto* copy = new CMC_String(m_name, m_value);
    copy->m_default = m_default;
    copy->m_isClone = true;
    return copy;
}

CXString CMC_String::toString() {
    return m_value;
}

void CMC_String::setValue(const CXString& text) {
    bool changed = !m_value.equals(text);
    m_value = text;
    onChange(changed);
}

void CMC_String::set(CMC_Variable* other) {
    if (!other) return;
    CMC_Variable* converted = convertOperand(other, TYPE_STRING);
    if (!converted) return;
    bool ok = converted->getType() == TYPE_STRING;
    CXString text = ok ? static_cast<CMC_String*>(converted)->m_value : CXString("");
    if (converted != other) flush(converted);
    if (!ok) return;
    bool changed = !m_value.equals(text);
    m_value = text;
    onChange(changed);
}

void CMC_String::clear() {
    bool changed = m_value.IsString();
    m_value = "";
    onChange(changed);
}

void CMC_String::swap(CMC_Variable* a, CMC_Variable* b) {
    if (!a || !b) return;
    // An expression calculates for its text, and its code may delete this value.
    bool scripted = a->getType() == TYPE_EXPRESSION || b->getType() == TYPE_EXPRESSION;
    std::shared_ptr<CMC_ObjectAnchor> self = scripted ? anchor() : nullptr;
    CXString first = a->toString();
    if (self && !self->object) return;
    CXString next = m_value.equals(first) ? b->toString() : first;
    if (self && !self->object) return;
    bool changed = !m_value.equals(next);
    m_value = next;
    onChange(changed);
}

void CMC_String::inc() {}

void CMC_String::dec() {}

void CMC_String::lower() {
    m_value.Lower();
    onChange(true);
}

void CMC_String::upper() {
    m_value.Upper();
    onChange(true);
}

bool CMC_String::equals(CMC_Variable* other) {
    CMC_Variable* converted = convertOperand(other, TYPE_STRING);
    if (!converted || converted->getType() != TYPE_STRING) return false;
    bool result = m_value.equalsIgnoreCase(static_cast<CMC_String*>(converted)->m_value);
    if (converted != other) flush(converted);
    return result;
}

int CMC_String::compare(CMC_Variable* other) {
    CMC_Variable* converted = convertOperand(other, TYPE_STRING);
    if (!converted || converted->getType() != TYPE_STRING) return -1;
    CXString text = static_cast<CMC_String*>(converted)->m_value;
    if (converted != other) flush(converted);
    int result = std::strcmp(m_value.GetBuffer(), text.GetBuffer());
    return result == 0 ? 0 : (result < 0 ? -1 : 1);
}

CMC_Variable* CMC_String::convert(int type) {
    if (type == TYPE_STRING) return this;
    CXString text = m_value;
    flush(this);
    switch (type) {
    case TYPE_INTEGER: {
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(text.toNumber());
        return result;
    }
    case TYPE_BOOL: {
        CMC_Bool* result = CMC_VariableFactory::allocBool();
        result->setValue(text.toBool());
        return result;
    }
    case TYPE_DOUBLE: {
        CMC_Double* result = CMC_VariableFactory::allocDouble();
        result->setValue(text.toDouble());
        return result;
    }
    default:
        return nullptr;
    }
}

CMC_Variable* CMC_String::calculate(CMC_Variable* other, int op) {
    CXString result = m_value;
    CMC_Variable* converted = convertOperand(other, TYPE_STRING);
    if (converted && converted->getType() == TYPE_STRING && op == OP_ADD)
        result += static_cast<CMC_String*>(converted)->m_value;
    if (converted && converted != other) flush(converted);
    CMC_String* value = CMC_VariableFactory::allocString();
    value->setValue(result);
    return value;
}

void CMC_String::setDefault(CMC_Variable* value) {
    CMC_Variable* converted = convertOperand(value, TYPE_STRING);
    if (!converted || converted->getType() != TYPE_STRING) return;
    m_default = static_cast<CMC_String*>(converted)->m_value;
    if (converted != value) flush(converted);
}

void CMC_String::resetINI() {
    if (!m_toIni) return;
    m_value = m_default;
    onChange(true);
}

int CMC_String::getBufferLen() {
    return m_value.GetLength() + 5;
}

void CMC_String::netstore(void* buffer) {
    auto* bytes = static_cast<unsigned char*>(buffer);
    NetBytes::putU32(bytes, TYPE_STRING);
    std::memcpy(bytes + 4, m_value.GetBuffer(), static_cast<size_t>(m_value.GetLength()));
    bytes[4 + m_value.GetLength()] = 0;
}

bool CMC_String::netrestore(const void* buffer, int length) {
    auto* bytes = static_cast<const unsigned char*>(buffer);
    if (!bytes || length < 5 || NetBytes::getU32(bytes) != TYPE_STRING) return false;
    // The text ends at its zero byte, or at the end of what arrived.
    int end = 4;
    while (end < length && bytes[end] != 0)
        ++end;
    CXString text(end - 4);
    for (int i = 4; i < end; ++i)
        text += static_cast<char>(bytes[i]);
    m_value = text;
    return true;
}

void CMC_String::store(CXArchive* archive) {
    if (!archive) return;
    *archive << static_cast<int>(TYPE_STRING);
    *archive << m_value;
}

void CMC_String::restore(CXArchive* archive) {
    if (!archive) return;
    CXString text;
    *archive >> &text;
    m_value = text;
}

void CMC_String::fromString(const CXString& text) {
    m_value = text;
}

void CMC_String::serialize(CXArchive* archive) {
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
