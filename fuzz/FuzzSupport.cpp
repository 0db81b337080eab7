#include "fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "core/Log.h"
#include "fuzz/platform/Sandbox.h"
#include "harness/GameHarness.h"
#include "platform/Files.h"

namespace KavirelFuzz {

namespace {

std::filesystem::path g_scratch;

void removeScratch() {
    std::error_code ignored;
    if (!g_scratch.empty()) std::filesystem::remove_all(g_scratch, ignored);
}

void prepare() {
    if (!g_scratch.empty()) return;
    // Failures of fuzzed inputs are logged by design; a line each would drown the fuzzer's own output.
    if (!std::getenv("KAVIREL_FUZZ_LOG")) KavirelDLL::setLogHook([](const std::string&) {});
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kavirel_fuzz_XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) {
        std::perror("kavirel fuzz: no scratch folder");
        std::abort();
    }
    g_scratch = name.data();
    std::atexit(removeScratch);
    for (const char* variable : {"HOME", "TMPDIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
        std::filesystem::path folder = g_scratch / variable;
        std::filesystem::create_directories(folder);
        setenv(variable, folder.c_str(), 1);
    }
}

void confine() {
    std::string why;
    if (!confineWrites({g_scratch.string(), std::filesystem::current_path().string()}, why)) {
        // Fuzzed scripts copy files and make folders where they are told: never run them unconfined.
        std::fprintf(stderr, "kavirel fuzz: writes cannot be confined (%s)\n", why.c_str());
        if (!std::getenv("KAVIREL_FUZZ_UNCONFINED")) std::abort();
    }
}

std::string object(const std::string& name, const KavirelTest::Properties& properties) {
    return KavirelTest::object(name, properties);
}

} // namespace

const std::filesystem::path& scratch() {
    prepare();
    return g_scratch;
}

KavirelDLL::CXString writeScratch(const std::string& relative, const void* data, size_t size) {
    std::filesystem::path full = scratch() / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary | std::ios::trunc)
        .write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    KavirelDLL::CPlatformFiles::invalidateIndex(full.parent_path().string());
    return KavirelDLL::CXString(KavirelDLL::CPlatformFiles::toEngineName(full.string()).c_str());
}

const char* const kWorldCode =
    "{N^ADD(2);S^ADD(\"x\");D^MUL(1.5);B^SET(FALSE);@IF(N>4,{S^UPPER();},{S^LOWER();});"
    "@LOOP({N^INC();S^ADD(_I_);},0,3,1);@INT(I,0);@WHILE(\"I\",<,3,{I^INC();});E^CALCULATE();C^CHECK(TRUE);"
    "S^REPLACEAT(1,\"yz\");GAME^GETNAME();ARR^ADD(N);G^ADD(N);ST^SET(1);N^SET([N+2*3]);@STRING(W,\"abc\");"
    "W^CUT(1,1);E1^GOTO(\"S2\");}";

void writeSmallWorld(KavirelTest::CGameFolder& folder, const std::string& code) {
    folder.write("Dane/application.def",
                 object("GAME", {{"TYPE", "APPLICATION"}, {"EPISODES", "E1"}, {"STARTWITH", "E1"}}) +
                     object("E1", {{"TYPE", "EPISODE"}, {"SCENES", "S1,S2"}, {"PATH", "E1"}}) +
                     object("S1", {{"TYPE", "SCENE"}, {"PATH", "E1\\S1"}}) +
                     object("S2", {{"TYPE", "SCENE"}, {"PATH", "E1\\S2"}}));
    folder.write("Dane/GAME.cnv", object("LOG", {{"TYPE", "STRING"}, {"VALUE", ""}}));
    folder.write("Dane/E1/E1.cnv", object("EN", {{"TYPE", "INTEGER"}, {"VALUE", "1"}, {"TOINI", "TRUE"}}));
    folder.write(
        "Dane/E1/S1/S1.cnv",
        object("N", {{"TYPE", "INTEGER"}, {"VALUE", "3"}, {"TOINI", "TRUE"}, {"ONCHANGED", "CH"}}) +
            object("D", {{"TYPE", "DOUBLE"}, {"VALUE", "1.5"}}) +
            object("B", {{"TYPE", "BOOL"}, {"VALUE", "TRUE"}}) +
            object("S", {{"TYPE", "STRING"}, {"VALUE", "abc"}}) + object("ARR", {{"TYPE", "ARRAY"}}) +
            object("G", {{"TYPE", "GROUP"}}) +
            object("ST", {{"TYPE", "STRUCT"}, {"FIELDS", "X<INTEGER>,Y<STRING>"}}) +
            object("C",
                   {{"TYPE", "CONDITION"}, {"OPERAND1", "N"}, {"OPERATOR", "LESS"}, {"OPERAND2", "100"}}) +
            object("E", {{"TYPE", "EXPRESSION"}, {"OPERAND1", "N"}, {"OPERATOR", "ADD"}, {"OPERAND2", "2"}}) +
            object("CH", {{"TYPE", "BEHAVIOUR"}, {"CODE", "{LOG^ADD(\"c\");}"}, {"CONDITION", "C"}}) +
            object("T", {{"TYPE", "TIMER"}, {"ELAPSE", "20"}, {"TICKS", "2"}, {"ONTICK", "FUZZ"}}) +
            object("FUZZ", {{"TYPE", "BEHAVIOUR"}, {"CODE", code}}) +
            object("__INIT__", {{"TYPE", "BEHAVIOUR"}, {"CODE", "{FUZZ^RUN();}"}}));
    folder.write("Dane/E1/S2/S2.cnv", object("M", {{"TYPE", "INTEGER"}, {"VALUE", "7"}}));
}

const std::map<std::string, std::string>& smallWorldFiles() {
    static const std::map<std::string, std::string> files = [] {
        KavirelTest::CGameFolder folder;
        writeSmallWorld(folder, kWorldCode);
        {
            KavirelTest::CGameRun run(folder);
            if (!run.storeCache()) {
                std::fprintf(stderr, "kavirel fuzz: the small world wrote no caches\n");
                std::abort();
            }
        }
        std::map<std::string, std::string> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path()))
            if (entry.is_regular_file()) {
                std::string relative = entry.path().lexically_relative(folder.path()).generic_string();
                found[relative] = folder.read(relative);
            }
        return found;
    }();
    return files;
}

void runFromCaches(const std::string& relative, const uint8_t* data, size_t size) {
    KavirelTest::CGameFolder folder;
    for (const auto& [name, content] : smallWorldFiles())
        if (name != relative) folder.write(name, content);
    folder.write(relative, std::string(reinterpret_cast<const char*>(data), size));
    KavirelTest::CGameOptions options;
    options.fromCache = true;
    KavirelTest::CGameRun run(folder, options);
    run.frames(6);
}

} // namespace KavirelFuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    KavirelFuzz::scratch();
    KavirelFuzz::confine();
    return 0;
}
