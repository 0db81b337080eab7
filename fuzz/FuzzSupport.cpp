#include "fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "core/File.h"
#include "core/Log.h"
#include "fuzz/platform/Sandbox.h"
#include "harness/GameHarness.h"
#include "harness/ImageFiles.h"
#include "platform/Files.h"
#include "script/StopRequest.h"

namespace KavirelFuzz {

namespace {

std::filesystem::path g_scratch;
// Where this process may write besides its current folder: its scratch folder, or all of its parent's when it
// was started by a fuzz process (libFuzzer's forks and jobs work in their parent's temporary folder).
std::filesystem::path g_writable;

void removeScratch() {
    std::error_code ignored;
    if (!g_scratch.empty()) std::filesystem::remove_all(g_scratch, ignored);
}

void prepare() {
    if (!g_scratch.empty()) return;
    // Failures of fuzzed inputs are logged by design; a line each would drown the fuzzer's own output.
    if (!std::getenv("KAVIREL_FUZZ_LOG")) KavirelDLL::setLogHook([](const std::string&) {});
    const char* parent = std::getenv("KAVIREL_FUZZ_SCRATCH");
    const char* tmp = std::getenv("TMPDIR");
    std::string base = parent && *parent ? parent : (tmp && *tmp ? tmp : "/tmp");
    std::string pattern = base + "/kavirel_fuzz_XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) {
        std::perror("kavirel fuzz: no scratch folder");
        std::abort();
    }
    g_scratch = name.data();
    g_writable = parent && *parent ? std::filesystem::path(parent) : g_scratch;
    setenv("KAVIREL_FUZZ_SCRATCH", g_scratch.c_str(), 1);
    std::atexit(removeScratch);
    for (const char* variable : {"HOME", "TMPDIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
        std::filesystem::path folder = g_scratch / variable;
        std::filesystem::create_directories(folder);
        setenv(variable, folder.c_str(), 1);
    }
}

// Besides the scratch folder and the current folder, libFuzzer's own outputs named on its command line: the
// first corpus folder (it adds inputs there) and the folders of its artifacts.
void confine(int argc, char** argv) {
    std::vector<std::string> writable{g_writable.string(), std::filesystem::current_path().string()};
    bool corpusSeen = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::error_code ignored;
        if (arg.rfind("-artifact_prefix=", 0) == 0 || arg.rfind("-exact_artifact_path=", 0) == 0) {
            std::filesystem::path path = std::filesystem::absolute(arg.substr(arg.find('=') + 1), ignored);
            writable.push_back((arg[1] == 'a' && arg.back() == '/' ? path : path.parent_path()).string());
        } else if (!corpusSeen && arg[0] != '-' && std::filesystem::is_directory(arg, ignored)) {
            writable.push_back(std::filesystem::absolute(arg, ignored).string());
            corpusSeen = true;
        }
    }
    std::string why;
    if (!confineWrites(writable, why)) {
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

bool openScratch(KavirelDLL::CFile& file, const std::string& relative, const void* data, size_t size) {
    return file.OpenDirect(writeScratch(relative, data, size),
                           KavirelDLL::CFile::MODE_READ | KavirelDLL::CFile::MODE_BINARY) == 0;
}

KavirelDLL::CWindow* pictureWindow() {
    static KavirelTest::ImageWindow window;
    return &window;
}

const char* const kWorldCode =
    "{N^ADD(2);S^ADD(\"x\");D^MUL(1.5);B^SET(FALSE);@IF(N>4,{S^UPPER();},{S^LOWER();});"
    "@LOOP({N^INC();S^ADD(_I_);},0,3,1);E^CALCULATE();C^CHECK(TRUE);"
    "S^REPLACEAT(1,\"yz\");GAME^GETNAME();ARR^ADD(N);G^ADD(N);ST^SET(1);N^SET([N+2*3]);@STRING(W,\"abc\");"
    "W^CUT(1,1);E1^GOTO(\"S2\");}";

WorldFiles smallWorld(const std::string& code) {
    WorldFiles files;
    files["Dane/application.def"] =
        (object("GAME", {{"TYPE", "APPLICATION"}, {"EPISODES", "E1"}, {"STARTWITH", "E1"}}) +
         object("E1", {{"TYPE", "EPISODE"}, {"SCENES", "S1,S2"}, {"PATH", "E1"}}) +
         object("S1", {{"TYPE", "SCENE"}, {"PATH", "E1\\S1"}}) +
         object("S2", {{"TYPE", "SCENE"}, {"PATH", "E1\\S2"}}));
    files["Dane/GAME.cnv"] = (object("LOG", {{"TYPE", "STRING"}, {"VALUE", ""}}));
    files["Dane/E1/E1.cnv"] = (object("EN", {{"TYPE", "INTEGER"}, {"VALUE", "1"}, {"TOINI", "TRUE"}}));
    files["Dane/E1/S1/S1.cnv"] =
        (object("N", {{"TYPE", "INTEGER"}, {"VALUE", "3"}, {"ONCHANGED", "CH"}}) +
         object("D", {{"TYPE", "DOUBLE"}, {"VALUE", "1.5"}}) +
         object("B", {{"TYPE", "BOOL"}, {"VALUE", "TRUE"}}) +
         object("S", {{"TYPE", "STRING"}, {"VALUE", "abc"}}) + object("ARR", {{"TYPE", "ARRAY"}}) +
         object("G", {{"TYPE", "GROUP"}}) +
         object("ST", {{"TYPE", "STRUCT"}, {"FIELDS", "X<INTEGER>,Y<STRING>"}}) +
         object("C", {{"TYPE", "CONDITION"}, {"OPERAND1", "N"}, {"OPERATOR", "LESS"}, {"OPERAND2", "100"}}) +
         object("E", {{"TYPE", "EXPRESSION"}, {"OPERAND1", "N"}, {"OPERATOR", "ADD"}, {"OPERAND2", "2"}}) +
         object("CH", {{"TYPE", "BEHAVIOUR"}, {"CODE", "{LOG^ADD(\"c\");}"}, {"CONDITION", "C"}}) +
         object("T", {{"TYPE", "TIMER"}, {"ELAPSE", "20"}, {"TICKS", "2"}, {"ONTICK", "FUZZ"}}) +
         object("FUZZ", {{"TYPE", "BEHAVIOUR"}, {"CODE", code}}) +
         object("__INIT__", {{"TYPE", "BEHAVIOUR"}, {"CODE", "{FUZZ^RUN();}"}}));
    files["Dane/E1/S2/S2.cnv"] = object("M", {{"TYPE", "INTEGER"}, {"VALUE", "7"}});
    return files;
}

WorldFiles smallWorld(const GeneratedCode& code) {
    WorldFiles files = smallWorld(code.fuzz);
    if (!code.generated()) return files;
    auto bound = [](KavirelTest::Properties properties, const std::string& event,
                    const std::string& handler) {
        if (!handler.empty()) properties.push_back({event, handler});
        return properties;
    };
    std::string extra =
        object("X", bound({{"TYPE", "BOOL"}, {"VALUE", "TRUE"}}, code.eventX, code.onX)) +
        object("T0", bound({{"TYPE", "STRING"}, {"VALUE", "a"}}, code.eventT0, code.onT0)) +
        object("A2", bound({{"TYPE", "ARRAY"}, {"SENDONCHANGE", "TRUE"}}, code.eventA2, code.onA2)) +
        object("TM", bound({{"TYPE", "TIMER"}, {"ELAPSE", "40"}, {"TICKS", "3"}}, "ONTICK", code.onTM)) +
        object("G2", {{"TYPE", "GROUP"}}) + object("W0", {{"TYPE", "INTEGER"}, {"VALUE", "0"}});
    for (size_t i = 0; i < code.behaviours.size(); ++i)
        extra += object("B" + std::to_string(i), {{"TYPE", "BEHAVIOUR"}, {"CODE", code.behaviours[i]}});
    // Before the first scene's __INIT__, which runs FUZZ: the array and the group hold a few things to walk.
    extra += object("__INIT__", {{"TYPE", "BEHAVIOUR"},
                                 {"CODE", "{A2^ADD(1,\"a\",N);G2^ADD(\"N\",\"X\",\"T0\");FUZZ^RUN();}"}});
    std::string& scene = files["Dane/E1/S1/S1.cnv"];
    const std::string init = object("__INIT__", {{"TYPE", "BEHAVIOUR"}, {"CODE", "{FUZZ^RUN();}"}});
    scene.replace(scene.find(init), init.size(), extra);
    files["Dane/E1/S2/S2.cnv"] += object("__INIT__", {{"TYPE", "BEHAVIOUR"}, {"CODE", "{E1^GOTO(\"S1\");}"}});
    return files;
}

const WorldFiles& smallWorldFiles() {
    static const WorldFiles files = [] {
        KavirelTest::CGameFolder folder;
        for (const auto& [name, content] : smallWorld(kWorldCode)) folder.write(name, content);
        {
            KavirelTest::CGameRun run(folder);
            if (!run.storeCache()) {
                std::fprintf(stderr, "kavirel fuzz: the small world wrote no caches\n");
                std::abort();
            }
        }
        WorldFiles found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path()))
            if (entry.is_regular_file()) {
                std::string relative = entry.path().lexically_relative(folder.path()).generic_string();
                found[relative] = folder.read(relative);
            }
        return found;
    }();
    return files;
}

namespace {

// Script code may run without end, as a game's author may write it, and a player would then close the window.
// A run is asked to end as the program asks it after this many looks at the request (one every
// CMC_StopRequest::kLinesPerLook lines or loop rounds): a count, so the same input always stops at the same
// line, and code that never looks still runs into libFuzzer's time-out.
constexpr int kLooksBeforeStop = 100;

bool lookedTooOften(void* looks) { return ++*static_cast<int*>(looks) > kLooksBeforeStop; }

} // namespace

void runWorld(const WorldFiles& files, bool fromCache) {
    // One folder for the process: the platform keeps an index of every folder it has seen.
    static KavirelTest::CGameFolder folder;
    // Back to exactly these files: what the last run wrote (ini values, caches, copies) goes.
    std::vector<std::filesystem::path> written;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path()))
        if (entry.is_regular_file() &&
            !files.count(entry.path().lexically_relative(folder.path()).generic_string()))
            written.push_back(entry.path());
    for (const std::filesystem::path& path : written) {
        std::filesystem::remove(path);
        KavirelDLL::CPlatformFiles::invalidateIndex(path.parent_path().string());
    }
    for (const auto& [name, content] : files) folder.write(name, content);
    KavirelTest::CGameOptions options;
    options.fromCache = fromCache;
    int looks = 0;
    KavirelDLL::CMC_StopRequest::clear();
    KavirelDLL::CMC_StopRequest::setWatch(&lookedTooOften, &looks, 0);
    {
        KavirelTest::CGameRun run(folder, options);
        run.frames(6);
    }
    KavirelDLL::CMC_StopRequest::setWatch(nullptr, nullptr);
    KavirelDLL::CMC_StopRequest::clear();
}

void runFromCaches(const std::string& relative, const uint8_t* data, size_t size) {
    WorldFiles files = smallWorldFiles();
    files[relative] = std::string(reinterpret_cast<const char*>(data), size);
    runWorld(files, true);
}

} // namespace KavirelFuzz

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    KavirelFuzz::scratch();
    KavirelFuzz::confine(*argc, *argv);
    return 0;
}
