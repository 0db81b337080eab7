#include "ScriptSupport.h"

#include "core/Config.h"
#include "core/Log.h"
#include "display/Window.h"
#include "net/NetClient.h"
#include "net/NetServer.h"
#include "net/NetworkServer.h"
#include "script/Bool.h"
#include "script/Double.h"
#include "script/Integer.h"
#include "script/Scene.h"
#include "script/String.h"
#include "shell/Application.h"

using namespace KavirelDLL;
using namespace KavirelTest;

namespace {

// The configuration stays the test's: the shell would delete its own.
struct TestShell : CApplication {
    explicit TestShell(CConfig* config) { m_config = config; }
    ~TestShell() override { m_config = nullptr; }
};

// A server whose sends are recorded instead of going out.
class RecordingServer : public CMC_NetServer {
public:
    RecordingServer(CMC_ObjectsContainer* scene, bool started, std::vector<std::string>* log)
        : CMC_NetServer(nullptr, scene), m_log(log) {
        setName("NETSERVER");
        if (started) m_server->start(0); // any free port
    }
    void sendVar(const CXString& target, CMC_Variable* value) override {
        m_log->push_back(std::string("send ") + target.GetBuffer() + value->toString().GetBuffer());
    }

private:
    std::vector<std::string>* m_log;
};

class VariableTest : public ScriptTest {
protected:
    void SetUp() override {
        ScriptTest::SetUp();
        shell = new TestShell(&config);
        window.SetApplicationInterface(shell);
        scene = new CMC_Scene(&window, nullptr, "ROOM", TYPE_SCENE);
        changed = new RecordingBehaviour(scene, "CHANGED", &log);
        scene->addObject(changed);
    }
    void TearDown() override {
        scene->unload();
        delete scene;
        delete shell;
        ScriptTest::TearDown();
    }

    template <typename T>
    T* declare(std::vector<std::pair<const char*, const char*>> properties, const char* name = "V") {
        CMElement* definition = element(name, properties);
        T* value = new T(scene, definition);
        delete definition;
        scene->addObject(value);
        return value;
    }

    std::string iniText() { return readNative(folder.path() / "saved.ini"); }

    std::vector<std::string> log;
    CTempFolder folder{"ini"};
    CConfig config{CXString(CPlatformFiles::toEngineName((folder.path() / "saved.ini").string()).c_str())};
    CWindow window;
    TestShell* shell = nullptr;
    CMC_Scene* scene = nullptr;
    RecordingBehaviour* changed = nullptr;
};

std::string kind(CMC_Variable* value) {
    std::string name = CMC_Object::typeToString(value->getType()).GetBuffer();
    return name + " " + value->toString().GetBuffer();
}

} // namespace

TEST_F(VariableTest, LiteralClassifier) {
    EXPECT_EQ(kind(CMC_Variable::resolve("")), "STRING ");
    EXPECT_EQ(kind(CMC_Variable::resolve("\"abc")), "STRING abc");
    EXPECT_EQ(kind(CMC_Variable::resolve("\"a\"")), "STRING a");
    EXPECT_EQ(kind(CMC_Variable::resolve("\"")), "STRING ");
    EXPECT_EQ(kind(CMC_Variable::resolve("12")), "INTEGER 12");
    EXPECT_EQ(kind(CMC_Variable::resolve("-7")), "INTEGER -7");
    EXPECT_EQ(kind(CMC_Variable::resolve("1.5")), "DOUBLE 1.50000");
    EXPECT_EQ(kind(CMC_Variable::resolve("-")), "INTEGER 0");
    EXPECT_EQ(kind(CMC_Variable::resolve("007")), "STRING 007");
    EXPECT_EQ(kind(CMC_Variable::resolve("0")), "INTEGER 0");
    EXPECT_EQ(kind(CMC_Variable::resolve("0.5")), "DOUBLE 0.50000");
    EXPECT_EQ(kind(CMC_Variable::resolve("1.2.3")), "DOUBLE 1.20000");
    EXPECT_EQ(kind(CMC_Variable::resolve("TRUE")), "BOOL TRUE");
    EXPECT_EQ(kind(CMC_Variable::resolve("FALSE")), "BOOL FALSE");
    EXPECT_EQ(kind(CMC_Variable::resolve("true")), "STRING true");
    EXPECT_EQ(kind(CMC_Variable::resolve("12a")), "STRING 12a");
    EXPECT_EQ(kind(CMC_Variable::resolve("99999999999")), "INTEGER 2147483647");
    EXPECT_FALSE(CMC_Variable::isNumber(""));
    EXPECT_TRUE(CMC_Variable::isNumber("-."));
}

TEST_F(VariableTest, PoolsHandOutRoundRobinAndComeBackEachFrame) {
    CMC_Integer* first = CMC_VariableFactory::allocInteger();
    EXPECT_EQ(first->getId(), 1);
    EXPECT_EQ(first->getName(), CXString("f"));
    CMC_Object::flush(first);
    CMC_Integer* next = CMC_VariableFactory::allocInteger();
    EXPECT_EQ(next->getId(), 2); // round robin: not the one just handed back

    for (int i = 0; i < 497; ++i) CMC_VariableFactory::allocInteger();
    EXPECT_EQ(CMC_VariableFactory::takenCount(TYPE_INTEGER), 498);
    CMC_Integer* wrapped = CMC_VariableFactory::allocInteger();
    EXPECT_EQ(wrapped->getId(), 0);                             // after 499 the pointer wraps
    EXPECT_EQ(CMC_VariableFactory::allocInteger()->getId(), 1); // the one flushed earlier

    // A full pool grows instead of handing out a value that is still taken.
    CLogCapture capture;
    CMC_Integer* extra = CMC_VariableFactory::allocInteger();
    CMC_Integer* extra2 = CMC_VariableFactory::allocInteger();
    EXPECT_EQ(extra->getId(), 500);
    EXPECT_EQ(extra2->getId(), 501);
    EXPECT_EQ(capture.lines().size(), 1u);
    CMC_Object::flush(extra);
    EXPECT_EQ(CMC_VariableFactory::takenCount(TYPE_INTEGER), 501);

    CMC_VariableFactory::clearPool();
    EXPECT_EQ(CMC_VariableFactory::takenCount(TYPE_INTEGER), 0);

    // Flushing something that is not a pool value does nothing.
    CMC_Integer stray(CXString("f"), 3);
    CMC_VariableFactory::allocInteger();
    CMC_Object::flush(&stray);
    CMC_Object::flush(nullptr);
    EXPECT_EQ(CMC_VariableFactory::takenCount(TYPE_INTEGER), 1);

    // Taken without a value, a temporary holds its type's empty value, whatever its last user left.
    CMC_VariableFactory::clearPool();
    std::string longText(1000, 'x');
    for (int i = 0; i < CMC_VariableFactory::kPoolSize; ++i) {
        CMC_Object::flush(CMC_VariableFactory::allocString(CXString(longText.c_str())));
        CMC_VariableFactory::allocInteger()->setValue(7);
        CMC_VariableFactory::allocBool()->setValue(true);
        CMC_VariableFactory::allocDouble()->setValue(1.5);
    }
    CMC_VariableFactory::clearPool();
    EXPECT_EQ(kind(CMC_VariableFactory::allocString()), "STRING ");
    EXPECT_EQ(kind(CMC_VariableFactory::allocInteger()), "INTEGER 0");
    EXPECT_EQ(kind(CMC_VariableFactory::allocBool()), "BOOL FALSE");
    EXPECT_EQ(kind(CMC_VariableFactory::allocDouble()), "DOUBLE 0");
    EXPECT_EQ(kind(CMC_VariableFactory::allocOfType(TYPE_STRING)), "STRING ");
    EXPECT_EQ(kind(CMC_VariableFactory::allocOfType(TYPE_INTEGER)), "INTEGER 0");
    // Copied into itself (handed back, then next in turn), a temporary keeps its text.
    CMC_String* last = CMC_VariableFactory::allocString(CXString(longText.c_str()));
    last->setValue("short"); // in the long text's buffer
    CMC_Object::flush(last);
    CMC_VariableFactory::strPtr = last->getId() - 1;
    CMC_Variable* copy = CMC_VariableFactory::copyVariable(last);
    EXPECT_EQ(copy, last);
    EXPECT_EQ(kind(copy), "STRING short");
    CMC_VariableFactory::clearPool();
}

TEST_F(VariableTest, ChangeEventsDetailedFirstAndInOrder) {
    auto* five = new RecordingBehaviour(scene, "FIVE", &log);
    auto* brutal = new RecordingBehaviour(scene, "BRUTAL", &log);
    scene->addObject(five);
    scene->addObject(brutal);
    auto* value = declare<CMC_Integer>(
        {{"VALUE", "1"}, {"ONCHANGED", "CHANGED"}, {"ONCHANGED^5", "FIVE"}, {"ONBRUTALCHANGED", "BRUTAL"}});

    auto* number = new CMC_Integer(CXString("N"));
    number->setValue(5);
    value->set(number);
    value->set(number); // unchanged: only the brutal event
    number->setValue(6);
    value->set(number);
    EXPECT_EQ(log, (std::vector<std::string>{"BRUTAL:V", "FIVE:V", "BRUTAL:V", "BRUTAL:V", "CHANGED:V"}));
    log.clear();
    value->setValue(9); // no change report
    EXPECT_EQ(log, (std::vector<std::string>{"BRUTAL:V"}));
    delete number;
}

TEST_F(VariableTest, ChangeHandlerMayDeleteTheValue) {
    auto* value = declare<CMC_Integer>({{"ONCHANGED", "CHANGED"}, {"TOINI", "TRUE"}});
    changed->onRun = [this](CMC_Object* current) {
        scene->removeObject(current);
        delete current;
    };
    value->inc();
    EXPECT_EQ(scene->getObject("V"), nullptr);
    EXPECT_EQ(config.GetString("ROOM", "V"), CXString("")); // the ini write stopped with it
}

TEST_F(VariableTest, SavedValuesComeFromAndGoToTheIniFile) {
    auto* fresh = declare<CMC_Integer>({{"VALUE", "3"}, {"TOINI", "TRUE"}}, "FRESH");
    fresh->init();
    EXPECT_EQ(config.GetString("ROOM", "FRESH"), CXString("3")); // missing key: written at init
    EXPECT_NE(iniText().find("[ROOM]"), std::string::npos);
    EXPECT_NE(iniText().find("FRESH=3"), std::string::npos);

    config.PutString("ROOM", "KEPT", "42");
    auto* kept = declare<CMC_Integer>({{"VALUE", "3"}, {"TOINI", "TRUE"}}, "KEPT");
    kept->init();
    EXPECT_EQ(kept->getValue(), 42);

    auto* flag = declare<CMC_Bool>({{"VALUE", "TRUE"}, {"TOINI", "TRUE"}}, "FLAG");
    flag->init();
    flag->clear();
    EXPECT_EQ(config.GetString("ROOM", "FLAG"), CXString("FALSE"));
    flag->clear(); // no change, no write
    config.PutString("ROOM", "FLAG", "edited");
    flag->clear();
    EXPECT_EQ(config.GetString("ROOM", "FLAG"), CXString("edited"));

    kept->setDefault(CMC_Variable::resolve("7"));
    kept->resetINI();
    EXPECT_EQ(config.GetString("ROOM", "KEPT"), CXString("7"));

    auto* text = declare<CMC_String>({{"VALUE", "abc"}}, "NOTSAVED");
    text->init();
    text->setValue("x");
    EXPECT_EQ(config.GetString("ROOM", "NOTSAVED"), CXString(""));
    text->resetINI(); // only for saved values
    EXPECT_EQ(text->getValue(), CXString("x"));
}

TEST_F(VariableTest, SavedValueWithoutConfigurationSaysSo) {
    auto* lonely = new CMC_Scene(nullptr, nullptr, "NOWINDOW", TYPE_SCENE);
    CMElement* definition = element("L", {{"TOINI", "TRUE"}});
    auto* value = new CMC_Integer(lonely, definition);
    lonely->addObject(value);
    CLogCapture capture;
    value->init();
    value->inc();
    EXPECT_TRUE(capture.contains("L"));
    lonely->unload();
    delete lonely;
    delete definition;
}

TEST_F(VariableTest, ChangesGoToTheNetworkOnlyWhenAsked) {
    auto* server = new RecordingServer(scene, true, &log);
    scene->addObject(server);
    auto* shared = declare<CMC_Integer>({{"NETNOTIFY", "TRUE"}}, "SHARED");
    auto* local = declare<CMC_Integer>({}, "LOCAL");
    EXPECT_TRUE(shared->isNetNotify());
    EXPECT_FALSE(shared->isToIni());
    shared->inc();
    local->inc();
    shared->setValue(1); // no change report, nothing sent
    EXPECT_EQ(log, (std::vector<std::string>{"send 1"}));

    // A value that came from the network is not sent back out.
    log.clear();
    CMC_Integer* incoming = CMC_VariableFactory::allocInteger();
    incoming->setValue(8);
    shared->onNetChange(incoming);
    EXPECT_EQ(shared->getValue(), 8);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(shared->isNetNotify());

    // A server that is not running sends nothing, nor does a client that is not connected.
    scene->removeObject(server);
    delete server;
    scene->addObject(new RecordingServer(scene, false, &log));
    auto* client = new CMC_NetClient(nullptr, scene);
    client->setName("NETCLIENT");
    scene->addObject(client);
    shared->inc();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(client->LastError(), 0);
}

TEST_F(VariableTest, TemporariesForStoredAndNetworkForms) {
    ArchiveScratch scratch;
    CXArchive& in = scratch.read({3, 0, 0, 0, 1, 0, 0, 0, 9, 0, 0, 0});
    CMC_Variable* value = CMC_VariableFactory::restore(&in);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(kind(value), "BOOL TRUE");
    EXPECT_EQ(CMC_VariableFactory::restore(&in), nullptr); // type 9: unknown
    EXPECT_TRUE(scratch.consumed());
    EXPECT_EQ(CMC_VariableFactory::restore(&in), nullptr); // nothing left

    unsigned char message[] = {2, 0, 0, 0, 'h', 'i', 0};
    value = CMC_VariableFactory::netrestore(message, sizeof message);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(kind(value), "STRING hi");
    EXPECT_EQ(CMC_VariableFactory::netrestore(message, 3), nullptr);
    unsigned char shortInteger[] = {1, 0, 0, 0, 5, 0};
    EXPECT_EQ(CMC_VariableFactory::netrestore(shortInteger, sizeof shortInteger), nullptr);
    unsigned char other[] = {77, 0, 0, 0};
    EXPECT_EQ(CMC_VariableFactory::netrestore(other, sizeof other), nullptr);
    // A text without its zero byte ends where the message does.
    unsigned char unterminated[] = {2, 0, 0, 0, 'a', 'b'};
    EXPECT_EQ(kind(CMC_VariableFactory::netrestore(unterminated, sizeof unterminated)), "STRING ab");

    auto* source = new CMC_Double(2.25);
    CMC_Variable* copy = CMC_VariableFactory::copyVariable(source);
    EXPECT_EQ(kind(copy), "DOUBLE 2.25000");
    EXPECT_GE(copy->getId(), 0);
    CMC_Object plain("P", 0);
    EXPECT_EQ(CMC_VariableFactory::copyVariable(nullptr), nullptr);
    delete source;
}

TEST_F(VariableTest, ReadingTheSavedValueHandsBackNothingTwice) {
    config.PutString("ROOM", "KEPT", "42");
    auto* kept = declare<CMC_Integer>({{"TOINI", "TRUE"}, {"ONCHANGED", "CHANGED"}}, "KEPT");
    // Every string temporary but one is in use; the change handler takes the last.
    for (int i = 0; i < CMC_VariableFactory::kPoolSize - 1; ++i) CMC_VariableFactory::allocString();
    CMC_String* held = nullptr;
    changed->onRun = [&held](CMC_Object*) { held = CMC_VariableFactory::allocString(); };
    kept->init();
    EXPECT_EQ(kept->getValue(), 42);
    ASSERT_NE(held, nullptr);
    // The handler's value is still taken after init returned.
    EXPECT_EQ(CMC_VariableFactory::takenCount(TYPE_STRING), CMC_VariableFactory::kPoolSize);
}
