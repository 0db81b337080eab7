#pragma once
#include "core/Containers.h"
#include "core/XObject.h"

namespace KavirelDLL {

class CMElements;

// One named text property of a definition element. Two properties are equal when their names are,
// byte for byte.
class CMProperty : public CXObject {
public:
    CMProperty();
    explicit CMProperty(CXString name);
    CMProperty(CXString name, CXString value);
    CMProperty(const char* name, const char* value);

    bool equals(CXObject* other) override;

    CXString getName() { return m_name; }
    void setName(CXString name);
    CXString getValue() { return m_value; }
    void setValue(CXString value);
    const CXString& name() const { return m_name; }
    const CXString& value() const { return m_value; }

    int getIntValue();
    // True only for "TRUE" in any letter case.
    bool getBoolValue();
    double getDoubleValue();
    // A new array of new strings, cut at ',', ' ', '\n' and '\r'; the caller owns both.
    CXArray* getListValue();
    // Items past the end of the list read as 0.
    CXPoint getPointValue();
    CXSize getSizeValue();
    CXRect getRectValue();

private:
    CXString m_name;
    CXString m_value;
};

// The ordered properties of one element; it owns and deletes them.
class CMProperties : public CXVector {
public:
    CMProperties();
    ~CMProperties() override;
    CMProperties(const CMProperties&) = delete;
    CMProperties& operator=(const CMProperties&) = delete;

    // Takes the property out and deletes it; a pointer the list does not hold is left alone.
    void remove(CXObject* x) override;

    CMProperty* getAt(int index) const;
    // The first property of that name, or null.
    CMProperty* get(CXString name) const;
    bool contains(CXString name) const;
    using CXVector::contains;
};

// A definition element: a name, its properties in file order, and the elements attached to it by
// ADD and APPLY. Children belong to the list the loader returned, never to their parent.
class CMElement : public CXObject {
public:
    explicit CMElement(CXString name);
    explicit CMElement(const char* name);
    ~CMElement() override;
    CMElement(const CMElement&) = delete;
    CMElement& operator=(const CMElement&) = delete;

    void setName(CXString name);
    CXString getName() { return m_name; }
    const CXString& name() const { return m_name; }

    // Adds an empty property unless one of that name exists.
    void addProperty(CXString name);
    // Always appends, also beside a property of the same name; lookups keep seeing the first.
    void addProperty(CXString name, CXString value);
    // Changes the first property of that name; adds nothing.
    void setProperty(CXString name, CXString value);
    void removeProperty(CXString name);
    // Deletes every property; the list is left empty.
    void removeAll();

    void addChild(CMElement* child);
    CMElements* getChildren() { return m_children; }
    CMProperties* getProperties() { return m_properties; }

    bool isPropertyAvailable(CXString name);
    // Upper-cases the name first, so a property stored in lower case is never found this way.
    bool hasProperty(CXString name);

    CMProperty* getProperty(const CXString& name) const { return m_properties->get(name); }
    CXString getPropertyValue(CXString name);
    int getPropertyIntValue(CXString name);
    bool getPropertyBoolValue(CXString name);
    double getPropertyDoubleValue(CXString name);
    // Null when there is no such property; otherwise the caller owns the array and its strings.
    CXArray* getPropertyListValue(CXString name);
    CXPoint getPropertyPointValue(CXString name);
    CXSize getPropertySizeValue(CXString name);
    CXRect getPropertyRectValue(CXString name);

private:
    CXString m_name;
    CMProperties* m_properties;
    CMElements* m_children;
};

// A list of elements. The list the loader returns owns its elements; children lists do not.
class CMElements : public CXVector {
public:
    explicit CMElements(bool owns);
    ~CMElements() override;
    CMElements(const CMElements&) = delete;
    CMElements& operator=(const CMElements&) = delete;

    // Takes the element out; an owning list deletes it. A list that does not own its elements never
    // deletes one, since the owning list still holds it.
    void remove(CXObject* x) override;
    // Empties the list, deleting the elements when it owns them.
    void release();

    bool ownsElements() const { return m_owns; }
    // Null outside the list.
    CMElement* getAt(int index) const;
    // The first element of that name, or null.
    CMElement* get(CXString name) const;
    bool contains(CXString name) const;
    using CXVector::contains;

private:
    bool m_owns;
};

} // namespace KavirelDLL
