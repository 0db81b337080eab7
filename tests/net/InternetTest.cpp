// CInternet against a server of the test's own: files whole, failures that leave an earlier file as it was,
// stops, refusals and deletion while the worker runs.
#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "harness/Environment.h"
#include "net/Internet.h"
#include "net/platform/HttpServer.h"
#include "platform/Http.h"
#include "platform/TempFolder.h"

using namespace KavirelDLL;
using KavirelTest::CScopedEnv;
namespace fs = std::filesystem;

namespace {

// Records what a downloader reports; waits for its end.
class CRecorder : public CDownloadListener {
public:
    void onDownloadFinish() override { add("finished"); }
    void onError(CXString text) override {
        add(text.GetBuffer());
        if (source) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_reasons.push_back(source->getFailureReason().GetBuffer());
        }
    }
    std::vector<std::string> reports() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_reports;
    }
    // The downloader's failure reason as each error was heard, when source is set.
    std::vector<std::string> reasons() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_reasons;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reports.clear();
        m_reasons.clear();
    }
    CInternet* source = nullptr;

private:
    void add(std::string text) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reports.push_back(std::move(text));
    }
    std::mutex m_mutex;
    std::vector<std::string> m_reports, m_reasons;
};

std::string randomBytes(size_t n, unsigned seed) {
    std::mt19937 generator(seed);
    std::string out(n, '\0');
    for (char& c : out) c = static_cast<char>(generator());
    return out;
}

// No proxy of the machine's between the tests and their server.
struct CNoProxies {
    CScopedEnv a{"http_proxy", nullptr}, b{"HTTP_PROXY", nullptr}, c{"https_proxy", nullptr},
        d{"HTTPS_PROXY", nullptr}, e{"all_proxy", nullptr}, f{"ALL_PROXY", nullptr};
};

class InternetThreaded : public ::testing::Test {
protected:
    InternetThreaded() {
        server.put("/f.bin", file);
        internet.registerListener(&recorder);
    }
    // A full download into name below the folder; the reports it gave.
    std::vector<std::string> fetch(const std::string& path, const std::string& name) {
        recorder.clear();
        internet.GET(("http://" + server.host() + path).c_str(), (folder.path() / name).string().c_str());
        internet.waitForEnd();
        return recorder.reports();
    }
    std::vector<std::string> leftovers() {
        std::vector<std::string> parts;
        for (const auto& entry : fs::recursive_directory_iterator(folder.path()))
            if (entry.path().string().find(".kvpart") != std::string::npos) parts.push_back(entry.path());
        return parts;
    }
    using Reports = std::vector<std::string>;

    CNoProxies noProxies;
    CTestHttpServer server;
    CTempFolder folder{"internet"};
    CInternet internet;
    CRecorder recorder;
    std::string file = randomBytes(300000, 7);
    const Reports finished{"finished"};
};

} // namespace

TEST_F(InternetThreaded, FetchesBodiesWholeWithTheirProgress) {
    for (const char* path : {"/f.bin", "/redirect/f.bin", "/chunked/f.bin", "/nolength/f.bin"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(fetch(path, "out.bin"), finished);
        EXPECT_EQ(readNative(folder.path() / "out.bin"), file);
        EXPECT_TRUE(internet.isSuccess());
        EXPECT_EQ(internet.getDataBytes(), static_cast<int64_t>(file.size()));
        bool sized = std::string(path) == "/f.bin" || std::string(path) == "/redirect/f.bin";
        EXPECT_EQ(internet.getTotalSize(), sized ? static_cast<int64_t>(file.size()) : 0);
    }
    EXPECT_TRUE(leftovers().empty());
    // The counters start again with every transfer.
    server.put("/small", "abc");
    EXPECT_EQ(fetch("/small", "small"), finished);
    EXPECT_EQ(internet.getDataBytes(), 3);
    EXPECT_EQ(internet.getTotalSize(), 3);
}

TEST_F(InternetThreaded, FailuresLeaveAnEarlierFileAsItWas) {
    const Reports openFailed{CInternet::kOpenFailed, CInternet::kNoWorker};
    const Reports readFailed{CInternet::kReadFailed};
    struct Case {
        const char* path;
        Reports reports;
    };
    // A redirect without a Location, with a body or without, is no file either.
    for (const Case& c : {Case{"/404", openFailed}, Case{"/500", openFailed}, Case{"/ftp", openFailed},
                          Case{"/moved", openFailed}, Case{"/gone-elsewhere", openFailed},
                          Case{"/reset/f.bin", readFailed}}) {
        SCOPED_TRACE(c.path);
        folder.put("earlier.bin", "earlier");
        EXPECT_EQ(fetch(c.path, "earlier.bin"), c.reports);
        EXPECT_FALSE(internet.isSuccess());
        EXPECT_EQ(readNative(folder.path() / "earlier.bin"), "earlier");
        EXPECT_EQ(fetch(c.path, "new.bin"), c.reports);
        EXPECT_FALSE(fs::exists(folder.path() / "new.bin"));
    }
    EXPECT_EQ(server.requests(), 12);
    // A folder that is not there: both reports, in order.
    EXPECT_EQ(fetch("/f.bin", "missing/x.bin"), (Reports{CInternet::kCannotCreate, CInternet::kReadFailed}));
    EXPECT_TRUE(leftovers().empty());

    // The transport's reason is there while the failure is heard, and gone with the next transfer.
    recorder.source = &internet;
    fetch("/404", "new.bin");
    ASSERT_EQ(recorder.reasons().size(), 2u);
    EXPECT_NE(recorder.reasons()[0].find("404"), std::string::npos) << recorder.reasons()[0];
    EXPECT_EQ(fetch("/f.bin", "ok.bin"), finished);
    EXPECT_FALSE(internet.getFailureReason().IsString());
}

TEST_F(InternetThreaded, StopEndsAStalledOrSilentTransfer) {
    for (const char* path : {"/stall/f.bin", "/silent"}) {
        SCOPED_TRACE(path);
        folder.put("earlier.bin", "earlier");
        recorder.clear();
        internet.GET(("http://" + server.host() + path).c_str(), (folder.path() / "earlier.bin").string().c_str());
        if (std::string(path) == "/stall/f.bin") server.waitForStall();
        EXPECT_TRUE(internet.isDownloading());
        internet.stopDownload();
        internet.waitForEnd();
        EXPECT_EQ(recorder.reports(), Reports{CInternet::kStopped});
        EXPECT_EQ(readNative(folder.path() / "earlier.bin"), "earlier");
    }
    EXPECT_TRUE(leftovers().empty());
    // A stop does not outlive its transfer.
    EXPECT_EQ(fetch("/f.bin", "after.bin"), finished);
}

TEST_F(InternetThreaded, ASecondGetIsRefusedAndTheFirstCompletes) {
    internet.GET(("http://" + server.host() + "/stall/f.bin").c_str(), (folder.path() / "a.bin").string().c_str());
    server.waitForStall();
    internet.GET(("http://" + server.host() + "/f.bin").c_str(), (folder.path() / "b.bin").string().c_str());
    EXPECT_EQ(recorder.reports(), Reports{CInternet::kNoWorker});
    EXPECT_EQ(std::string(internet.getFilename().GetBuffer()), (folder.path() / "a.bin").string());
    server.release();
    internet.waitForEnd();
    EXPECT_EQ(recorder.reports(), (Reports{CInternet::kNoWorker, "finished"}));
    EXPECT_EQ(readNative(folder.path() / "a.bin"), file);
    EXPECT_FALSE(fs::exists(folder.path() / "b.bin"));
    EXPECT_EQ(server.requests(), 1);
}

TEST_F(InternetThreaded, TwoDownloadersAtOnceAndOneDeletedMidTransfer) {
    auto other = std::make_unique<CInternet>();
    CRecorder otherRecorder;
    other->registerListener(&otherRecorder);
    server.put("/g.bin", "second file");
    other->GET(("http://" + server.host() + "/stall/f.bin").c_str(), (folder.path() / "x.bin").string().c_str());
    server.waitForStall();
    EXPECT_EQ(fetch("/g.bin", "g.bin"), finished);
    EXPECT_EQ(readNative(folder.path() / "g.bin"), "second file");
    // Deleting stops and waits for the worker, which reports the stop before it goes.
    other.reset();
    EXPECT_EQ(otherRecorder.reports(), Reports{CInternet::kStopped});
    EXPECT_FALSE(fs::exists(folder.path() / "x.bin"));
    EXPECT_TRUE(leftovers().empty());
}

TEST_F(InternetThreaded, CertificatesNoAuthorityKnowsAreRefused) {
    CTempFolder site{"https"};
    site.put("f.bin", "secret");
    CPythonHttpsServer https(site.path());
    if (!https.ok()) GTEST_SKIP() << "python3 or openssl is missing";
    recorder.clear();
    internet.GET(("https://127.0.0.1:" + std::to_string(https.port()) + "/f.bin").c_str(),
                 (folder.path() / "s.bin").string().c_str());
    internet.waitForEnd();
    EXPECT_EQ(recorder.reports(), (Reports{CInternet::kOpenFailed, CInternet::kNoWorker}));
    EXPECT_FALSE(fs::exists(folder.path() / "s.bin"));
}

// A listener that, hearing the first text of a failure, starts the next GET on the same downloader (on the
// worker) and has another thread read what was recorded once the reports let it.
class CEagerListener : public CDownloadListener {
public:
    CEagerListener(CInternet& internet, CRecorder& recorder) : m_internet(internet), m_recorder(recorder) {}
    void onError(CXString) override {
        if (m_asked) return;
        m_asked = true;
        m_reader = std::thread([this] {
            std::unique_lock<std::mutex> reports = m_internet.holdReports();
            m_seen = m_recorder.reports();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // room for the reader to come in early
        m_internet.GET("http://127.0.0.1:1/x", "next.bin");
        m_returned = true;
    }
    std::vector<std::string> seen() {
        if (m_reader.joinable()) m_reader.join();
        return m_seen;
    }
    bool m_returned = false;

private:
    CInternet& m_internet;
    CRecorder& m_recorder;
    bool m_asked = false;
    std::thread m_reader;
    std::vector<std::string> m_seen;
};

TEST_F(InternetThreaded, AListenersGetIsRefusedAndAFailuresTwoTextsComeTogether) {
    CEagerListener eager(internet, recorder);
    internet.registerListener(&eager);
    // The recorder hears first; the eager listener's GET is refused within the same reports, then the second text.
    const Reports reports{CInternet::kOpenFailed, CInternet::kNoWorker, CInternet::kNoWorker};
    EXPECT_EQ(fetch("/404", "gone.bin"), reports);
    EXPECT_TRUE(eager.m_returned);
    EXPECT_EQ(eager.seen(), reports);
    internet.removeListener(&eager);
    EXPECT_EQ(fetch("/f.bin", "after.bin"), finished);
}

TEST_F(InternetThreaded, AServerThatSendsTooLittleEndsTheTransfer) {
    CPlatformHttp::setLowSpeedLimit(1, 1);
    server.put("/two", "ab");
    for (const char* path : {"/silent", "/stall/two"}) {
        SCOPED_TRACE(path);
        folder.put("earlier.bin", "earlier");
        EXPECT_EQ(fetch(path, "earlier.bin"), Reports{CInternet::kReadFailed});
        EXPECT_EQ(readNative(folder.path() / "earlier.bin"), "earlier");
    }
    CPlatformHttp::setLowSpeedLimit(1, 30);
    server.release();
    EXPECT_TRUE(leftovers().empty());
}

TEST(HttpHeaderParser, ReadsTheLastContentLength) {
    struct Case {
        std::string text;
        bool good;
        int64_t length;
    };
    for (const Case& c : {Case{"HTTP/1.1 200 OK\r\nContent-Length: 1234\r\nX: y\r\n", true, 1234},
                          Case{"Content-Length:\t 7 \r\nContent-Length: 9", true, 9},
                          Case{"HTTP/1.1 200 OK\r\n\r\n", true, 0}, Case{"", true, 0},
                          Case{"Content-Length: 12x\r\n", false, 0}, Case{"Content-Length:\r\n", false, 0},
                          Case{"Content-Length: 99999999999999999999\n", false, 0},
                          Case{"Content-Length: -5\n", false, 0}, Case{"content-length: 5\n", true, 0},
                          Case{"Content-Length: x\nContent-Length: 5\n", false, 5},
                          Case{"Content-Length: 5\nContent-Length: x\n", false, 5},
                          Case{"Content-Length 5\n", true, 0}, Case{"Content-Length: 4294967296\n", true,
                                                                    4294967296LL}}) {
        SCOPED_TRACE(c.text);
        CHttpHeaderParser parser;
        EXPECT_EQ(parser.parse(c.text.data(), static_cast<int>(c.text.size())), c.good);
        EXPECT_EQ(parser.getContentLength(), c.length);
    }
    CStringReader reader("a\nb", 3);
    CXString line;
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_STREQ(line.GetBuffer(), "a");
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_STREQ(line.GetBuffer(), "b");
    EXPECT_FALSE(reader.readLine(line));
}
