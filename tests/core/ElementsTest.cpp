#include <gtest/gtest.h>

#include "core/Elements.h"

using namespace KavirelDLL;

namespace {

// Counts its deletions, so ownership can be checked without a leak checker.
class CountedElement : public CMElement {
public:
    CountedElement(const char* name, int* deaths) : CMElement(name), m_deaths(deaths) {}
    ~CountedElement() override { ++*m_deaths; }

private:
    int* m_deaths;
};

} // namespace

TEST(Elements, PropertiesKeepDuplicatesAndLookupsSeeTheFirst) {
    CMElement e("A");
    e.addProperty("TYPE", "ANIMO");
    e.addProperty("TYPE", "IMAGE");
    EXPECT_EQ(e.getProperties()->getSize(), 2);
    EXPECT_EQ(e.getPropertyValue("TYPE"), "ANIMO");

    e.addProperty("VISIBLE");
    e.addProperty("VISIBLE"); // an empty property is added only once
    EXPECT_EQ(e.getProperties()->getSize(), 3);
    e.addProperty("TYPE");
    EXPECT_EQ(e.getProperties()->getSize(), 3);

    e.setProperty("TYPE", "TEXT");
    EXPECT_EQ(e.getPropertyValue("TYPE"), "TEXT");
    EXPECT_EQ(e.getProperties()->getAt(1)->getValue(), "IMAGE");
    e.setProperty("NONE", "X"); // sets nothing, adds nothing
    EXPECT_FALSE(e.isPropertyAvailable("NONE"));

    e.removeProperty("TYPE");
    EXPECT_EQ(e.getPropertyValue("TYPE"), "IMAGE");
    e.removeProperty("NONE");
    EXPECT_EQ(e.getProperties()->getSize(), 2);

    e.removeAll();
    EXPECT_EQ(e.getProperties()->getSize(), 0);
    EXPECT_FALSE(e.isPropertyAvailable("TYPE"));
}

TEST(Elements, NamesAreExactExceptHasPropertyUpperCasesTheAsking) {
    CMElement e("A");
    e.addProperty("TYPE", "X");
    e.addProperty("lower", "y");
    EXPECT_TRUE(e.isPropertyAvailable("TYPE"));
    EXPECT_FALSE(e.isPropertyAvailable("type"));
    EXPECT_TRUE(e.hasProperty("type"));
    EXPECT_FALSE(e.hasProperty("lower")); // asked as LOWER
    EXPECT_TRUE(e.isPropertyAvailable("lower"));
    EXPECT_EQ(e.getPropertyValue("Type"), "");

    // Code page 1250 letters upper-case too: "źle" is asked as "ŹLE".
    e.addProperty("\x8F"
                  "LE",
                  "1");
    EXPECT_TRUE(e.hasProperty("\x9F"
                              "le"));
}

TEST(Elements, PropertyEqualityIsByNameOnly) {
    CMProperty a("X", "1"), b("X", "2"), c("x", "1");
    CXObject other;
    EXPECT_TRUE(a.equals(&b));
    EXPECT_FALSE(a.equals(&c));
    EXPECT_FALSE(a.equals(&other));
    EXPECT_FALSE(a.equals(nullptr));
    CMProperty empty;
    EXPECT_EQ(empty.getName(), "");
    EXPECT_EQ(empty.getValue(), "");
}

TEST(Elements, TypedGetters) {
    CMElement e("A");
    e.addProperty("N", "  -42abc");
    e.addProperty("B1", "true");
    e.addProperty("B2", "TRUE ");
    e.addProperty("B3", "1");
    e.addProperty("B4", "");
    e.addProperty("D", "2.5e1x");
    e.addProperty("P", "12, 34");
    e.addProperty("P2", "12 34");
    e.addProperty("PX", "x, y");
    e.addProperty("R", "1,2 ,3\r\n4");
    e.addProperty("L", ",a,, b\nc ");

    EXPECT_EQ(e.getPropertyIntValue("N"), -42);
    EXPECT_EQ(e.getPropertyIntValue("NONE"), 0);
    EXPECT_TRUE(e.getPropertyBoolValue("B1"));
    EXPECT_FALSE(e.getPropertyBoolValue("B2"));
    EXPECT_FALSE(e.getPropertyBoolValue("B3"));
    EXPECT_FALSE(e.getPropertyBoolValue("B4"));
    EXPECT_FALSE(e.getPropertyBoolValue("NONE"));
    EXPECT_DOUBLE_EQ(e.getPropertyDoubleValue("D"), 25.0);
    EXPECT_DOUBLE_EQ(e.getPropertyDoubleValue("NONE"), 0.0);
    EXPECT_EQ(e.getPropertyPointValue("P"), CXPoint(12, 34));
    EXPECT_EQ(e.getPropertyPointValue("P2"), CXPoint(12, 34));
    EXPECT_EQ(e.getPropertyPointValue("PX"), CXPoint(0, 0));
    EXPECT_EQ(e.getPropertyPointValue("NONE"), CXPoint(0, 0));
    CXSize s = e.getPropertySizeValue("P");
    EXPECT_EQ(s.cx, 12);
    EXPECT_EQ(s.cy, 34);
    EXPECT_EQ(e.getPropertyRectValue("R"), CXRect(1, 2, 3, 4));
    EXPECT_EQ(e.getPropertyRectValue("NONE"), CXRect(0, 0, 0, 0));

    EXPECT_EQ(e.getPropertyListValue("NONE"), nullptr);
    CXArray* list = e.getPropertyListValue("L");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->getSize(), 3);
    EXPECT_EQ(*list->stringAt(0), "a");
    EXPECT_EQ(*list->stringAt(1), "b");
    EXPECT_EQ(*list->stringAt(2), "c");
    CXString::releaseToVector(list);

    CMProperty p("POS", "7,8");
    EXPECT_EQ(p.getPointValue(), CXPoint(7, 8));
    EXPECT_EQ(p.getIntValue(), 7);
}

// Mended: a value with fewer items than the getter reads gives 0 for each missing item instead of
// reading past the end of the list.
TEST(Elements, MissingItemsOfPointSizeAndRectReadAsZero) {
    CMElement e("A");
    e.addProperty("POS", "12");
    e.addProperty("EMPTY", "");
    e.addProperty("R3", "1,2,3");
    EXPECT_EQ(e.getPropertyPointValue("POS"), CXPoint(12, 0));
    EXPECT_EQ(e.getPropertyPointValue("EMPTY"), CXPoint(0, 0));
    CXSize s = e.getPropertySizeValue("POS");
    EXPECT_EQ(s.cx, 12);
    EXPECT_EQ(s.cy, 0);
    EXPECT_EQ(e.getPropertyRectValue("R3"), CXRect(1, 2, 3, 0));
    EXPECT_EQ(e.getPropertyRectValue("POS"), CXRect(12, 0, 0, 0));
    EXPECT_EQ(CMProperty("R", ",,").getRectValue(), CXRect(0, 0, 0, 0));
}

TEST(Elements, ListLookupIsExactAndFirstWins) {
    CMElements list(true);
    CMElement* a1 = new CMElement("A");
    CMElement* a2 = new CMElement("A");
    list.add(a1);
    list.add(a2);
    list.add(new CMElement("b"));
    EXPECT_EQ(list.get("A"), a1);
    EXPECT_EQ(list.get("a"), nullptr);
    EXPECT_TRUE(list.contains("b"));
    EXPECT_FALSE(list.contains("B"));
    EXPECT_EQ(list.getAt(1), a2);
    EXPECT_EQ(list.getAt(3), nullptr);
    EXPECT_EQ(list.getAt(-1), nullptr);

    list.remove(a1);
    EXPECT_EQ(list.get("A"), a2);
    EXPECT_EQ(list.getSize(), 2);
}

TEST(Elements, OwningListDeletesItsElementsAndChildrenListsDoNot) {
    int deaths = 0;
    {
        CMElements list(true);
        CMElement* parent = new CountedElement("P", &deaths);
        CMElement* child = new CountedElement("C", &deaths);
        list.add(parent);
        list.add(child);
        parent->addChild(child);
        EXPECT_EQ(parent->getChildren()->getAt(0), child);
        EXPECT_FALSE(parent->getChildren()->ownsElements());

        CMElement* dropped = new CountedElement("D", &deaths);
        list.add(dropped);
        list.remove(dropped);
        EXPECT_EQ(deaths, 1);
        list.remove(nullptr);
        CMElement stranger("S");
        list.remove(&stranger); // not in the list: left alone
        EXPECT_EQ(deaths, 1);
    }
    EXPECT_EQ(deaths, 3); // the child once, through the owning list only
}

// Mended: removing an element from a list that does not own it takes it out without deleting it;
// the owning list still holds it and deletes it once.
TEST(Elements, RemovingFromAChildrenListDoesNotDelete) {
    int deaths = 0;
    {
        CMElements list(true);
        CMElement* parent = new CountedElement("P", &deaths);
        CMElement* child = new CountedElement("C", &deaths);
        list.add(parent);
        list.add(child);
        parent->addChild(child);
        parent->getChildren()->remove(child);
        EXPECT_EQ(parent->getChildren()->getSize(), 0);
        EXPECT_EQ(deaths, 0);
        EXPECT_EQ(list.get("C"), child);
        EXPECT_EQ(child->getName(), "C");
    }
    EXPECT_EQ(deaths, 2);
}

TEST(Elements, PropertiesListOwnsItsProperties) {
    CMProperties props;
    CMProperty* a = new CMProperty("A", "1");
    props.add(a);
    props.add(new CMProperty("B", "2"));
    EXPECT_TRUE(props.contains("A"));
    EXPECT_EQ(props.get("B")->getValue(), "2");
    props.remove(a);
    EXPECT_FALSE(props.contains("A"));
    CMProperty outsider("X");
    props.remove(&outsider); // not held: not deleted
    props.remove(nullptr);
    EXPECT_EQ(props.getSize(), 1);
}
