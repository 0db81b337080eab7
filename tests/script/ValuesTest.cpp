#include "ScriptSupport.h"

#include <cmath>
#include <limits>

#include "script/Bool.h"
#include "script/Double.h"
#include "script/Expression.h"
#include "script/Integer.h"
#include "script/Scene.h"
#include "script/String.h"
#include "script/Structure.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

CMC_Variable* literal(const char* text) { return CMC_Variable::resolve(text); }

std::string shown(CMC_Variable* value) {
    if (!value) return "null";
    return std::string(CMC_Object::typeToString(value->getType()).GetBuffer()) + " " +
           value->toString().GetBuffer();
}

std::string calc(const char* a, const char* b, int op) {
    return shown(literal(a)->calculate(literal(b), op));
}

std::string conv(const char* a, int type) { return shown(literal(a)->convert(type)); }

Bytes stored(CMC_Variable* value) {
    ArchiveScratch scratch;
    return scratch.write([value](CXArchive& out) { value->store(&out); });
}

Bytes network(CMC_Variable* value) {
    Bytes bytes(static_cast<size_t>(value->getBufferLen()), 0xEE);
    value->netstore(bytes.data());
    return bytes;
}

using ValuesTest = ScriptTest;

} // namespace

TEST_F(ValuesTest, Conversions) {
    EXPECT_EQ(conv("-0.5", TYPE_INTEGER), "INTEGER -1");
    EXPECT_EQ(conv("0.49", TYPE_INTEGER), "INTEGER 0");
    EXPECT_EQ(conv("2.5", TYPE_INTEGER), "INTEGER 3");
    EXPECT_EQ(conv("-2.5", TYPE_INTEGER), "INTEGER -3");
    EXPECT_EQ(conv("2.49", TYPE_INTEGER), "INTEGER 2");
    EXPECT_EQ(conv("99999999999.0", TYPE_INTEGER), "INTEGER 2147483647"); // saturates
    EXPECT_EQ(conv("2.5", TYPE_STRING), "STRING 2.50000");
    EXPECT_EQ(conv("0.0", TYPE_BOOL), "BOOL FALSE");
    EXPECT_EQ(conv("12", TYPE_STRING), "STRING 12");
    EXPECT_EQ(conv("12", TYPE_DOUBLE), "DOUBLE 12.00000");
    EXPECT_EQ(conv("-3", TYPE_BOOL), "BOOL TRUE");
    EXPECT_EQ(conv("TRUE", TYPE_INTEGER), "INTEGER 1");
    EXPECT_EQ(conv("FALSE", TYPE_DOUBLE), "DOUBLE 0");
    EXPECT_EQ(conv("TRUE", TYPE_STRING), "STRING TRUE");
    EXPECT_EQ(conv("12abc", TYPE_INTEGER), "INTEGER 12");
    EXPECT_EQ(conv("true", TYPE_BOOL), "BOOL TRUE");
    EXPECT_EQ(conv("yes", TYPE_BOOL), "BOOL FALSE");
    EXPECT_EQ(conv("abc", TYPE_DOUBLE), "DOUBLE 0");
    EXPECT_EQ(conv("12", 3002), "null");

    // Converting to its own type is the value itself; to another hands a temporary back first.
    CMC_Variable* temporary = literal("4");
    EXPECT_EQ(temporary->convert(TYPE_INTEGER), temporary);
    int before = CMC_VariableFactory::takenCount(TYPE_INTEGER);
    temporary->convert(TYPE_STRING);
    EXPECT_EQ(CMC_VariableFactory::takenCount(TYPE_INTEGER), before - 1);
}

TEST_F(ValuesTest, Arithmetic) {
    EXPECT_EQ(calc("7", "2.6", OP_DIVIDE), "INTEGER 2");
    EXPECT_EQ(calc("7", "2", OP_MODULO), "INTEGER 1");
    EXPECT_EQ(calc("-7", "2", OP_DIVIDE), "INTEGER -3");
    EXPECT_EQ(calc("-7", "2", OP_MODULO), "INTEGER -1");
    EXPECT_EQ(calc("7", "0", OP_DIVIDE), "INTEGER 0");
    EXPECT_EQ(calc("7", "0", OP_MODULO), "INTEGER 0");
    EXPECT_EQ(calc("2147483647", "1", OP_ADD), "INTEGER -2147483648"); // wraps
    CMC_Integer lowest(INT32_MIN);
    EXPECT_EQ(shown(lowest.calculate(literal("-1"), OP_DIVIDE)), "INTEGER -2147483648");
    EXPECT_EQ(calc("3", "abc", OP_ADD), "INTEGER 3");
    EXPECT_EQ(calc("3", "4", 9), "INTEGER 3"); // unknown operation: this value

    EXPECT_EQ(calc("7.5", "2", OP_MODULO), "DOUBLE 1.00000");
    EXPECT_EQ(calc("7.5", "0.4", OP_MODULO), "DOUBLE 0");
    EXPECT_EQ(calc("1.5", "2", OP_MULTIPLY), "DOUBLE 3.00000");
    EXPECT_EQ(calc("1.0", "4", OP_DIVIDE), "DOUBLE 0.25000");
    EXPECT_EQ(calc("1.5", "0.25", OP_SUBTRACT), "DOUBLE 1.25000");
    CMC_Double one(1.0);
    CMC_Double zero(0.0);
    auto* infinite = static_cast<CMC_Double*>(one.calculate(&zero, OP_DIVIDE));
    EXPECT_TRUE(std::isinf(infinite->getValue()));

    EXPECT_EQ(calc("TRUE", "FALSE", OP_ADD), "BOOL FALSE");
    EXPECT_EQ(calc("TRUE", "FALSE", OP_MULTIPLY), "BOOL TRUE");
    EXPECT_EQ(calc("TRUE", "FALSE", OP_SUBTRACT), "BOOL TRUE");
    EXPECT_EQ(calc("FALSE", "TRUE", OP_DIVIDE), "BOOL FALSE");

    EXPECT_EQ(calc("\"5", "3", OP_ADD), "STRING 53");
    EXPECT_EQ(calc("\"5", "3", OP_SUBTRACT), "STRING 5");
    EXPECT_EQ(calc("\"a", "1.5", OP_ADD), "STRING a1.50000");

    // The operand is unchanged, the result is a new temporary.
    auto* seven = new CMC_Integer(7);
    CMC_Variable* result = seven->calculate(literal("1"), OP_ADD);
    EXPECT_EQ(seven->getValue(), 7);
    EXPECT_GE(result->getId(), 0);
    delete seven;
}

TEST_F(ValuesTest, ComparisonAndEquality) {
    EXPECT_TRUE(literal("\"abc")->equals(literal("\"ABC")));
    EXPECT_NE(literal("\"abc")->compare(literal("\"ABC")), 0);
    EXPECT_EQ(literal("\"abc")->compare(literal("\"abd")), -1);
    EXPECT_EQ(literal("\"\xB9")->compare(literal("\"a")), 1); // bytes compare unsigned
    EXPECT_TRUE(literal("5")->equals(literal("\"5")));
    EXPECT_TRUE(literal("3")->equals(literal("2.6"))); // 2.6 rounds to 3
    EXPECT_EQ(literal("3")->compare(literal("4")), -1);
    EXPECT_EQ(literal("3.5")->compare(literal("3.25")), 1);
    EXPECT_EQ(literal("TRUE")->compare(literal("FALSE")), 1);
    EXPECT_EQ(literal("FALSE")->compare(literal("TRUE")), -1);
    EXPECT_EQ(literal("TRUE")->compare(literal("\"true")), 0);

    // A value that does not convert compares as the type says.
    CMC_Structure record(CXString("R"));
    EXPECT_FALSE(literal("1")->equals(&record));
    EXPECT_EQ(literal("1")->compare(&record), 1);
    EXPECT_EQ(literal("1.0")->compare(&record), -1);
    EXPECT_EQ(literal("TRUE")->compare(&record), -1);
    EXPECT_EQ(literal("\"x")->compare(&record), -1);
    // Sorted lists compare values by content.
    CMC_Integer two(2);
    CMC_Integer three(3);
    EXPECT_EQ(static_cast<CXObject*>(&two)->compare(&three), -1);
}

TEST_F(ValuesTest, SwapIncrementClearAndText) {
    CMC_Integer value(3);
    CMC_Integer a(3);
    CMC_Integer b(8);
    value.swap(&a, &b);
    EXPECT_EQ(value.getValue(), 8);
    value.setValue(5);
    value.swap(&a, &b);
    EXPECT_EQ(value.getValue(), 3);
    CMC_String text(CXString("T"), CXString("8"));
    value.swap(&a, &text); // another type is read as this type
    EXPECT_EQ(value.getValue(), 8);

    CMC_Bool flag(false);
    flag.inc();
    EXPECT_TRUE(flag.getValue());
    flag.swap(nullptr, nullptr);
    EXPECT_FALSE(flag.getValue());
    flag.fromString("true");
    EXPECT_TRUE(flag.getValue());
    flag.fromString("yes");
    EXPECT_FALSE(flag.getValue());
    flag.fromString("TrUe");
    EXPECT_TRUE(flag.getValue());

    CMC_Double number(2.5);
    number.dec();
    EXPECT_EQ(number.getValue(), 1.5);
    number.fromString("3.25");
    EXPECT_EQ(number.toString(), CXString("3.25000"));

    // Code page 1250: "Zażółć" and its capitals.
    CMC_String word(CXString("W"), CXString("Za\xBF\xF3\xB3\xE6"));
    word.upper();
    EXPECT_EQ(word.getValue(), CXString("ZA\xAF\xD3\xA3\xC6"));
    word.lower();
    EXPECT_EQ(word.getValue(), CXString("za\xBF\xF3\xB3\xE6"));
    word.inc();
    EXPECT_EQ(word.getValue(), CXString("za\xBF\xF3\xB3\xE6"));
    CMC_String x(CXString("X"), CXString("x"));
    CMC_String y(CXString("Y"), CXString("y"));
    word.swap(&x, &y);
    EXPECT_EQ(word.getValue(), CXString("x"));
    word.swap(&x, &y);
    EXPECT_EQ(word.getValue(), CXString("y"));
    word.clear();
    EXPECT_EQ(word.getValue(), CXString(""));
}

TEST_F(ValuesTest, DefinitionValuesAndDefaults) {
    auto* scene = new CMC_Scene(nullptr, nullptr, "S", TYPE_SCENE);
    CMElement* a = element("A", {{"VALUE", "4"}, {"DEFAULT", "9"}});
    CMElement* b = element("B", {{"VALUE", "2.5"}});
    CMElement* c = element("C", {{"VALUE", "hello"}, {"DEFAULT", ""}});
    CMElement* d = element("D", {{"VALUE", "TRUE"}, {"TOINI", "yes"}});
    CMC_Integer ia(scene, a);
    CMC_Double db(scene, b);
    CMC_String sc(scene, c);
    CMC_Bool bd(scene, d);
    EXPECT_EQ(ia.getValue(), 4);
    EXPECT_EQ(ia.getDefault(), 9);
    EXPECT_EQ(db.getDefault(), 2.5);
    EXPECT_EQ(sc.getDefault(), CXString("hello"));
    EXPECT_TRUE(bd.getValue());
    EXPECT_FALSE(bd.isToIni()); // only "TRUE" in any case means true

    auto* copy = static_cast<CMC_Integer*>(ia.clone());
    EXPECT_TRUE(copy->isClone());
    EXPECT_EQ(copy->getId(), -1);
    EXPECT_EQ(copy->getValue(), 4);
    EXPECT_EQ(copy->getName(), CXString("A"));
    delete copy;
    for (CMElement* e : {a, b, c, d}) delete e;
    scene->unload();
    delete scene;
}

TEST_F(ValuesTest, StoredLayouts) {
    CMC_Integer integer(-2);
    EXPECT_EQ(stored(&integer), (Bytes{1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}));
    CMC_String text(CXString("T"), CXString("abc"));
    EXPECT_EQ(stored(&text), (Bytes{2, 0, 0, 0, 3, 0, 0, 0, 'a', 'b', 'c'}));
    CMC_Bool flag(true);
    EXPECT_EQ(stored(&flag), (Bytes{3, 0, 0, 0, 1, 0, 0, 0}));
    CMC_Double number(1.5);
    EXPECT_EQ(stored(&number), (Bytes{4, 0, 0, 0, 0x98, 0x3A, 0, 0}));
    CMC_Double negative(-2.71828);
    EXPECT_EQ(stored(&negative), (Bytes{4, 0, 0, 0, 0xD2, 0x95, 0xFF, 0xFF})); // -27182

    // Outside what 32 bits hold, the stored double saturates.
    CMC_Double huge(1e12);
    EXPECT_EQ(stored(&huge), (Bytes{4, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F}));
    CMC_Double tiny(-1e12);
    EXPECT_EQ(stored(&tiny), (Bytes{4, 0, 0, 0, 0, 0, 0, 0x80}));
    CMC_Double nan(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(stored(&nan), (Bytes{4, 0, 0, 0, 0, 0, 0, 0}));

    // Reading takes the value only; the type id is read by the factory.
    ArchiveScratch scratch;
    CMC_Double back(CXString("B"));
    back.restore(&scratch.read({0xD2, 0x95, 0xFF, 0xFF}));
    EXPECT_DOUBLE_EQ(back.getValue(), -2.7182);
    flag.restore(&scratch.read({2, 0, 0, 0}));
    EXPECT_FALSE(flag.getValue()); // only 1 is true
    CMC_String word(CXString("W"), CXString("keep"));
    word.restore(&scratch.read({9, 0, 0, 0, 'a'})); // longer than what is there
    EXPECT_EQ(word.getValue(), CXString(""));
}

TEST_F(ValuesTest, NetworkLayouts) {
    CMC_Integer integer(258);
    EXPECT_EQ(network(&integer), (Bytes{1, 0, 0, 0, 2, 1, 0, 0}));
    CMC_String text(CXString("T"), CXString("hi"));
    EXPECT_EQ(network(&text), (Bytes{2, 0, 0, 0, 'h', 'i', 0}));
    CMC_Bool flag(true);
    EXPECT_EQ(network(&flag), (Bytes{3, 0, 0, 0, 1}));
    CMC_Double number(1.5);
    EXPECT_EQ(network(&number), (Bytes{4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));

    CMC_Double back(CXString("B"));
    Bytes bytes = network(&number);
    EXPECT_TRUE(back.netrestore(bytes.data(), static_cast<int>(bytes.size())));
    EXPECT_EQ(back.getValue(), 1.5);
    EXPECT_FALSE(back.netrestore(bytes.data(), 11));
    Bytes flagBytes = {3, 0, 0, 0, 2};
    EXPECT_TRUE(flag.netrestore(flagBytes.data(), 5));
    EXPECT_FALSE(flag.getValue());
    EXPECT_FALSE(integer.netrestore(flagBytes.data(), 5)); // another type
    EXPECT_EQ(integer.getValue(), 258);
}

TEST_F(ValuesTest, CachedFormsRoundTrip) {
    auto* scene = new CMC_Scene(nullptr, nullptr, "S", TYPE_SCENE);
    CMElement* definition = element("N", {{"VALUE", "2.5"}, {"DEFAULT", "-1.25"}, {"TOINI", "TRUE"}});
    CMC_Double source(scene, definition);
    ArchiveScratch scratch;
    Bytes bytes = scratch.write([&source](CXArchive& out) { source.serialize(&out); });
    // name, no bindings, toIni, netNotify, value and default as fixed point
    EXPECT_EQ(bytes, (Bytes{1, 0, 0, 0, 'N', 0, 0, 0, 0, 1, 1, 0xA8, 0x61, 0, 0, 0x2C, 0xCF, 0xFF, 0xFF}));
    CMC_Double loaded(CXString(""));
    loaded.serialize(&scratch.read(bytes));
    EXPECT_EQ(loaded.getName(), CXString("N"));
    EXPECT_EQ(loaded.getValue(), 2.5);
    EXPECT_EQ(loaded.getDefault(), -1.25);
    EXPECT_TRUE(loaded.isToIni());
    delete definition;
    scene->unload();
    delete scene;
}

TEST_F(ValuesTest, StructureFieldsAndText) {
    auto* scene = new CMC_Scene(nullptr, nullptr, "S", TYPE_SCENE);
    CMElement* definition = element("POS", {{"FIELDS", "X<INTEGER>, Y<string>,BAD<FLOAT>,junk"}});
    auto* record = new CMC_Structure(scene, definition);
    scene->addObject(record);
    ASSERT_EQ(record->getFieldsNo(), 2);
    EXPECT_EQ(record->getField(0)->getName(), CXString("POS_X"));
    EXPECT_EQ(record->getField("Y")->getName(), CXString("POS_Y"));
    EXPECT_EQ(record->getField(2), nullptr);
    EXPECT_EQ(record->getField(-1), nullptr);

    record->setField("X", literal("4"));
    record->setField(1, literal("\"a"));
    EXPECT_EQ(record->toString(), CXString("4|a"));
    record->fromString("7|b");
    EXPECT_EQ(record->toString(), CXString("7|b"));
    record->fromString("8");
    EXPECT_EQ(record->toString(), CXString("8|b"));

    CMC_Runner* runner = CMC_RunnerFactory::getRunner(TYPE_STRUCTURE);
    CXVector args(101, 0.75f);
    args.add(literal("\"X"));
    CMC_Variable* x = runner->run("GETFIELD", record, scene, &args);
    EXPECT_EQ(shown(x), "INTEGER 8");
    EXPECT_NE(x, record->getField(0)); // a copy
    args.removeAll();
    args.add(literal("1"));
    EXPECT_EQ(shown(runner->run("GETFIELD", record, scene, &args)), "STRING b");
    args.removeAll();
    args.add(literal("5"));
    EXPECT_EQ(runner->run("GETFIELD", record, scene, &args), nullptr);
    args.removeAll();
    args.add(literal("1"));
    args.add(literal("\"z"));
    args.add(literal("99")); // more than the fields: ignored
    runner->run("SET", record, scene, &args);
    EXPECT_EQ(record->toString(), CXString("1|z"));
    args.removeAll();
    args.add(literal("\"Y"));
    args.add(literal("3"));
    runner->run("SETFIELD", record, scene, &args);
    EXPECT_EQ(record->toString(), CXString("1|3"));

    auto* copy = static_cast<CMC_Structure*>(record->clone());
    EXPECT_TRUE(copy->equals(record));
    copy->setField("X", literal("2"));
    EXPECT_FALSE(copy->equals(record));
    copy->setName("COPY");
    scene->addObject(copy);
    args.removeAll();
    args.add(literal("\"COPY"));
    runner->run("SET", record, scene, &args);
    EXPECT_EQ(record->toString(), CXString("2|3"));

    ArchiveScratch scratch;
    Bytes bytes = scratch.write([record](CXArchive& out) { record->store(&out); });
    EXPECT_EQ(bytes, (Bytes{1, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, '3'}));
    record->clear();
    EXPECT_EQ(record->toString(), CXString("0|"));
    record->restore(&scratch.read(bytes));
    EXPECT_EQ(record->toString(), CXString("2|3"));

    // A mapped structure reads the other's fields only while that one exists.
    auto* view = new CMC_Structure(CXString("VIEW"));
    view->map(copy);
    EXPECT_EQ(view->toString(), CXString("2|3"));
    scene->removeObject(copy);
    delete copy;
    EXPECT_EQ(view->getFieldsNo(), 0);
    EXPECT_EQ(view->toString(), CXString(""));
    delete view;

    // ... and sees what that one holds now, also after it dropped its fields.
    auto* source = static_cast<CMC_Structure*>(record->clone());
    view = new CMC_Structure(CXString("VIEW"));
    view->map(source);
    view->setField("X", literal("5"));
    EXPECT_EQ(source->toString(), CXString("5|3"));
    source->flush();
    EXPECT_EQ(view->toString(), CXString(""));
    source->declare("SRC_Z", "BOOL");
    EXPECT_EQ(view->toString(), CXString("FALSE"));
    EXPECT_FALSE(source->isMapped());
    source->map(view); // would make a loop: refused
    EXPECT_FALSE(source->isMapped());
    view->flush(); // drops the mapping only
    EXPECT_FALSE(view->isMapped());
    EXPECT_EQ(source->getFieldsNo(), 1);
    delete view;
    delete source;

    EXPECT_EQ(record->convert(TYPE_INTEGER), nullptr);
    EXPECT_EQ(record->calculate(literal("1"), OP_ADD), record);
    EXPECT_EQ(record->getBufferLen(), 0);
    delete definition;
    scene->unload();
    delete scene;
}

TEST_F(ValuesTest, AnExpressionOperandThatDeletesTheValueStopsTheOperation) {
    auto* scene = new CMC_Scene(nullptr, nullptr, "S", TYPE_SCENE);
    std::vector<std::string> log;
    auto* killer = new RecordingBehaviour(scene, "KILL", &log);
    scene->addObject(killer);
    killer->onRun = [scene](CMC_Object*) {
        if (CMC_Object* victim = scene->getObject("V")) {
            scene->removeObject(victim);
            delete victim;
        }
    };
    // The operand calculates as 2, running KILL on the way.
    auto operand = std::make_unique<CMC_Expression>(scene, CXString("2+KILL^RUN()"));
    using Operation = std::function<void(CMC_Variable*)>;
    std::vector<Operation> operations = {
        [&](CMC_Variable* v) { v->set(operand.get()); },
        [&](CMC_Variable* v) { v->equals(operand.get()); },
        [&](CMC_Variable* v) { v->compare(operand.get()); },
        [&](CMC_Variable* v) { CMC_Object::flush(v->calculate(operand.get(), OP_ADD)); },
        [&](CMC_Variable* v) { v->setDefault(operand.get()); },
    };
    auto text = std::make_unique<CMC_String>(CXString("T"), CXString("x"));
    auto* value = new CMC_String(CXString("V"));
    scene->addObject(value);
    value->swap(operand.get(), text.get());
    EXPECT_EQ(scene->getObject("V"), nullptr);
    value = new CMC_String(CXString("V"), CXString("x"));
    scene->addObject(value);
    value->swap(text.get(), operand.get());
    EXPECT_EQ(scene->getObject("V"), nullptr);
    log.clear();
    std::vector<std::function<CMC_Variable*()>> makers = {
        [] { return new CMC_Integer(CXString("V")); },
        [] { return new CMC_Double(CXString("V")); },
        [] { return new CMC_Bool(CXString("V")); },
        [] { return new CMC_String(CXString("V")); },
    };
    for (auto& make : makers) {
        for (auto& operation : operations) {
            CMC_Variable* value = make();
            scene->addObject(value);
            operation(value);
            EXPECT_EQ(scene->getObject("V"), nullptr);
        }
    }
    EXPECT_EQ(log.size(), makers.size() * operations.size());
    scene->unload();
    delete scene;
}
