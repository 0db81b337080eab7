#include "core/Elements.h"

#include <cstring>
#include <utility>

namespace KavirelDLL {

namespace {

bool sameName(const CXString& a, const CXString& b) {
    return a.GetLength() == b.GetLength() &&
           std::memcmp(a.GetBuffer(), b.GetBuffer(), static_cast<size_t>(a.GetLength())) == 0;
}

// Item i of a list made by toVector, read as a number; past the end it is 0.
int numberAt(CXArray* list, int i) {
    if (!list || i >= list->getSize()) return 0;
    CXString* item = static_cast<CXString*>(list->at(i));
    return item ? item->toNumber() : 0;
}

CXPoint pointOf(const CXString& value) {
    CXArray* list = value.toVector();
    CXPoint point(numberAt(list, 0), numberAt(list, 1));
    CXString::releaseToVector(list);
    return point;
}

CXRect rectOf(const CXString& value) {
    CXArray* list = value.toVector();
    CXRect rect(numberAt(list, 0), numberAt(list, 1), numberAt(list, 2), numberAt(list, 3));
    CXString::releaseToVector(list);
    return rect;
}

} // namespace

// ---------------------------------------------------------------- CMProperty

CMProperty::CMProperty() = default;

CMProperty::CMProperty(CXString name) : m_name(std::move(name)) {}

CMProperty::CMProperty(CXString name, CXString value) : m_name(std::move(name)), m_value(std::move(value)) {}

CMProperty::CMProperty(const char* name, const char* value) : m_name(name), m_value(value) {}

bool CMProperty::equals(CXObject* other) {
    CMProperty* property = dynamic_cast<CMProperty*>(other);
    return property && sameName(m_name, property->m_name);
}

void CMProperty::setName(CXString name) { m_name = name; }

void CMProperty::setValue(CXString value) { m_value = value; }

int CMProperty::getIntValue() { return m_value.toNumber(); }

bool CMProperty::getBoolValue() { return m_value.toBool(); }

double CMProperty::getDoubleValue() { return m_value.toDouble(); }

CXArray* CMProperty::getListValue() { return m_value.toVector(); }

CXPoint CMProperty::getPointValue() { return pointOf(m_value); }

CXSize CMProperty::getSizeValue() {
    CXPoint p = pointOf(m_value);
    return CXSize(p.x, p.y);
}

CXRect CMProperty::getRectValue() { return rectOf(m_value); }

// ---------------------------------------------------------------- CMProperties

CMProperties::CMProperties() : CXVector(101, 0.75f) {}

CMProperties::~CMProperties() {
    for (int i = 0; i < m_count; ++i) delete m_items[i];
}

void CMProperties::remove(CXObject* x) {
    if (!x) return;
    int i = find(x);
    if (i < 0) return;
    removeAt(i);
    delete x;
}

CMProperty* CMProperties::getAt(int index) const {
    if (index < 0 || index >= m_count) return nullptr;
    return static_cast<CMProperty*>(m_items[index]);
}

CMProperty* CMProperties::get(CXString name) const {
    for (int i = 0; i < m_count; ++i) {
        CMProperty* property = static_cast<CMProperty*>(m_items[i]);
        if (sameName(property->name(), name)) return property;
    }
    return nullptr;
}

bool CMProperties::contains(CXString name) const { return get(name) != nullptr; }

// ---------------------------------------------------------------- CMElement

CMElement::CMElement(CXString name)
    : m_name(std::move(name)), m_properties(new CMProperties()), m_children(new CMElements(false)) {}

CMElement::CMElement(const char* name)
    : m_name(name), m_properties(new CMProperties()), m_children(new CMElements(false)) {}

CMElement::~CMElement() {
    removeAll();
    delete m_properties;
    delete m_children;
}

void CMElement::setName(CXString name) { m_name = name; }

void CMElement::addProperty(CXString name) {
    if (m_properties->get(name)) return;
    m_properties->add(new CMProperty(std::move(name)));
}

void CMElement::addProperty(CXString name, CXString value) {
    m_properties->add(new CMProperty(std::move(name), std::move(value)));
}

void CMElement::setProperty(CXString name, CXString value) {
    if (CMProperty* property = m_properties->get(name)) property->setValue(value);
}

void CMElement::removeProperty(CXString name) {
    if (CMProperty* property = m_properties->get(name)) m_properties->remove(property);
}

void CMElement::removeAll() {
    for (int i = 0; i < m_properties->getSize(); ++i) delete m_properties->getAt(i);
    m_properties->removeAll();
}

void CMElement::addChild(CMElement* child) { m_children->add(child); }

bool CMElement::isPropertyAvailable(CXString name) { return m_properties->get(name) != nullptr; }

bool CMElement::hasProperty(CXString name) {
    name.Upper();
    return isPropertyAvailable(name);
}

CXString CMElement::getPropertyValue(CXString name) {
    CMProperty* property = m_properties->get(name);
    return property ? property->value() : CXString();
}

int CMElement::getPropertyIntValue(CXString name) {
    CMProperty* property = m_properties->get(name);
    return property ? property->getIntValue() : 0;
}

bool CMElement::getPropertyBoolValue(CXString name) {
    CMProperty* property = m_properties->get(name);
    return property && property->getBoolValue();
}

double CMElement::getPropertyDoubleValue(CXString name) {
    CMProperty* property = m_properties->get(name);
    return property ? property->getDoubleValue() : 0.0;
}

CXArray* CMElement::getPropertyListValue(CXString name) {
    CMProperty* property = m_properties->get(name);
    return property ? property->getListValue() : nullptr;
}

CXPoint CMElement::getPropertyPointValue(CXString name) {
    CMProperty* property = m_properties->get(name);
    return property ? property->getPointValue() : CXPoint(0, 0);
}

CXSize CMElement::getPropertySizeValue(CXString name) {
    CMProperty* property = m_properties->get(name);
    return property ? property->getSizeValue() : CXSize(0, 0);
}

CXRect CMElement::getPropertyRectValue(CXString name) {
    CMProperty* property = m_properties->get(name);
    return property ? property->getRectValue() : CXRect(0, 0, 0, 0);
}

// ---------------------------------------------------------------- CMElements

CMElements::CMElements(bool owns) : CXVector(101, 0.75f), m_owns(owns) {}

CMElements::~CMElements() { release(); }

void CMElements::remove(CXObject* x) {
    if (!x) return;
    int i = find(x);
    if (i < 0) return;
    removeAt(i);
    if (m_owns) delete x;
}

void CMElements::release() {
    if (m_owns)
        for (int i = 0; i < m_count; ++i) delete m_items[i];
    m_count = 0;
}

CMElement* CMElements::getAt(int index) const {
    if (index < 0 || index >= m_count) return nullptr;
    return static_cast<CMElement*>(m_items[index]);
}

CMElement* CMElements::get(CXString name) const {
    for (int i = 0; i < m_count; ++i) {
        CMElement* element = static_cast<CMElement*>(m_items[i]);
        if (sameName(element->name(), name)) return element;
    }
    return nullptr;
}

bool CMElements::contains(CXString name) const { return get(name) != nullptr; }

} // namespace KavirelDLL
