#pragma once
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/Elements.h"

// One definition text that uses every statement of the grammar, and what it must load into.
inline const std::string kDefinitionFixture = "# the scene's definitions\n"
                                              "DEF:BUTTON( TYPE = BUTTON |VISIBLE=TRUE|PRIORITY=5)\n"
                                              "OBJECT=BACK\n"
                                              "BACK:TYPE=IMAGE\n"
                                              "BACK:FILENAME=C:\\DANE\\BACK.IMG\n"
                                              "BACK:VISIBLE=TRUE\n"
                                              "BACK:TYPE=ANIMO\n"
                                              "\tBACK:PRIORITY=\t10\n"
                                              "OBJECT=HERO\n"
                                              "HERO:TYPE=ANIMO\n"
                                              "HERO:TEXT=one two /\n"
                                              "three\n"
                                              "HERO:NOTE=one/   \n"
                                              "two\n"
                                              "HERO:SAY=one/\n"
                                              "  two\n"
                                              "HERO:PA/TH=a\n"
                                              "b\n"
                                              "HERO:POS=12, 34\n"
                                              "HERO:RECT=1 2 3 4\n"
                                              "HERO:EXPR=a==b:c\n"
                                              "IMPORT=INTRO\n"
                                              "IMPORT=INTRO\n"
                                              "INTRO:FILENAME=INTRO.SEQ\n"
                                              "HERO:ADD=BACK:HERO:SPEED=3\n"
                                              "BACK:APPLY=INTRO:INTRO:VISIBLE\n"
                                              "OBJECT=HERO\n"
                                              "HERO:FLAG\n"
                                              "HERO:FLAG=TRUE\n"
                                              "MISSING:TYPE=X\n"
                                              "object=C\n"
                                              "  # OBJECT=D\n"
                                              "#OBJECT=E\n"
                                              "DEF:BUTTON(TYPE=OTHER)\n"
                                              "HERO:ADD=NOBODY\n"
                                              "INTRO:APPLY=NOBODY\n"
                                              "\n"
                                              "!\n"
                                              "OBJECT=LATE\n"
                                              "LATE:TYPE=IMAGE";

using FixtureProps = std::vector<std::pair<std::string, std::string>>;

inline FixtureProps fixturePropsOf(KavirelDLL::CMElement* e) {
    FixtureProps out;
    KavirelDLL::CMProperties* p = e->getProperties();
    for (int i = 0; i < p->getSize(); ++i)
        out.emplace_back(p->getAt(i)->getName().GetBuffer(), p->getAt(i)->getValue().GetBuffer());
    return out;
}

inline void expectFixtureElements(KavirelDLL::CMElements* list) {
    ASSERT_EQ(list->getSize(), 5);
    KavirelDLL::CMElement* button = list->getAt(0);
    KavirelDLL::CMElement* back = list->getAt(1);
    KavirelDLL::CMElement* hero = list->getAt(2);
    KavirelDLL::CMElement* intro = list->getAt(3);
    KavirelDLL::CMElement* button2 = list->getAt(4);

    EXPECT_EQ(button->getName(), "BUTTON");
    EXPECT_EQ(fixturePropsOf(button),
              (FixtureProps{{"TYPE", "BUTTON"}, {"VISIBLE", "TRUE"}, {"PRIORITY", "5"}}));
    EXPECT_EQ(button->getChildren()->getSize(), 0);

    EXPECT_EQ(back->getName(), "BACK");
    EXPECT_EQ(fixturePropsOf(back), (FixtureProps{{"TYPE", "IMAGE"},
                                                  {"FILENAME", "C \\DANE\\BACK.IMG"},
                                                  {"VISIBLE", "TRUE"},
                                                  {"TYPE", "ANIMO"},
                                                  {"PRIORITY", "10"}}));
    EXPECT_EQ(back->getPropertyValue("TYPE"), "IMAGE");
    EXPECT_EQ(back->getPropertyIntValue("PRIORITY"), 10);
    ASSERT_EQ(back->getChildren()->getSize(), 2);
    EXPECT_EQ(back->getChildren()->getAt(0), hero);  // HERO:ADD=BACK
    EXPECT_EQ(back->getChildren()->getAt(1), intro); // BACK:APPLY=INTRO

    EXPECT_EQ(hero->getName(), "HERO");
    EXPECT_EQ(fixturePropsOf(hero), (FixtureProps{{"TYPE", "ANIMO"},
                                                  {"TEXT", "one two three"},
                                                  {"NOTE", "onetwo"},
                                                  {"SAY", "one  two"},
                                                  {"PATH", "ab"},
                                                  {"POS", "12, 34"},
                                                  {"RECT", "1 2 3 4"},
                                                  {"EXPR", "a b c"},
                                                  {"SPEED", "3"},
                                                  {"FLAG", ""},
                                                  {"FLAG", "TRUE"}}));
    EXPECT_EQ(hero->getPropertyPointValue("POS"), KavirelDLL::CXPoint(12, 34));
    EXPECT_EQ(hero->getPropertyRectValue("RECT"), KavirelDLL::CXRect(1, 2, 3, 4));
    EXPECT_FALSE(hero->getPropertyBoolValue("FLAG"));
    EXPECT_EQ(hero->getChildren()->getSize(), 0);

    EXPECT_EQ(intro->getName(), "INTRO");
    EXPECT_EQ(fixturePropsOf(intro),
              (FixtureProps{{"TYPE", "SEQUENCE"}, {"FILENAME", "INTRO.SEQ"}, {"VISIBLE", ""}}));
    EXPECT_EQ(intro->getChildren()->getSize(), 0);

    EXPECT_EQ(button2->getName(), "BUTTON");
    EXPECT_EQ(fixturePropsOf(button2), (FixtureProps{{"TYPE", "OTHER"}}));
    EXPECT_EQ(list->get("BUTTON"), button);

    EXPECT_FALSE(list->contains("MISSING"));
    EXPECT_FALSE(list->contains("object"));
    EXPECT_FALSE(list->contains("C"));
    EXPECT_FALSE(list->contains("D"));
    EXPECT_FALSE(list->contains("E"));
    EXPECT_FALSE(list->contains("LATE"));
}

// Same names, properties and children (by position in the list), element by element.
inline void expectSameElements(KavirelDLL::CMElements* a, KavirelDLL::CMElements* b) {
    ASSERT_EQ(a->getSize(), b->getSize());
    for (int i = 0; i < a->getSize(); ++i) {
        KavirelDLL::CMElement* x = a->getAt(i);
        KavirelDLL::CMElement* y = b->getAt(i);
        EXPECT_EQ(x->getName(), y->getName()) << i;
        EXPECT_EQ(fixturePropsOf(x), fixturePropsOf(y)) << i;
        ASSERT_EQ(x->getChildren()->getSize(), y->getChildren()->getSize()) << i;
        for (int c = 0; c < x->getChildren()->getSize(); ++c)
            EXPECT_EQ(a->find(x->getChildren()->getAt(c)), b->find(y->getChildren()->getAt(c))) << i;
    }
}

// The text with every line end written as CR LF.
inline std::string withCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}
