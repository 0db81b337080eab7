#include "net/Internet.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/Elements.h"
#include "core/Log.h"
#include "core/SelfExtract.h"
#include "platform/Files.h"
#include "platform/Http.h"
#include "script/ObjectsContainer.h"
#include "script/Integer.h"
#include "script/RunnerResults.h"

namespace KavirelDLL {

const char* const CInternet::kNoConnection = "Brak po\xB3\xB9\x63zenia z internetem";
const char* const CInternet::kOpenFailed = "B\xB3\xB9\x64 podczas otwierania URL";
const char* const CInternet::kNoWorker = "Error while creating worker thread.";
const char* const CInternet::kCannotCreate = "Nie moge utworzyc pliku.";
const char* const CInternet::kReadFailed = "Blad podczas wczytywania danych.";
const char* const CInternet::kStopped = "Wczytywanie pliku zostalo przerwane.";

namespace {

std::string text(const CXString& s) { return std::string(s.GetBuffer(), static_cast<size_t>(s.GetLength())); }

std::atomic<unsigned> g_partCounter{0};

// The downloader whose report this thread is giving: a listener's GET on it reports without locking again.
thread_local const CInternet* t_reporting = nullptr;

// Takes the downloader's lock unless this thread already gives one of its reports.
class CReportHolding {
public:
    CReportHolding(const CInternet* owner, std::mutex& lock) : m_outer(t_reporting) {
        if (m_outer != owner) m_lock = std::unique_lock<std::mutex>(lock);
        t_reporting = owner;
    }
    ~CReportHolding() { t_reporting = m_outer; }
    CReportHolding(const CReportHolding&) = delete;
    CReportHolding& operator=(const CReportHolding&) = delete;

private:
    const CInternet* m_outer;
    std::unique_lock<std::mutex> m_lock;
};

} // namespace

// The body of one transfer, written to a temporary file beside the target.
class CInternet::CFileSink : public CHttpSink {
public:
    CFileSink(CInternet& owner, std::string target) : m_owner(owner), m_target(std::move(target)) {}
    ~CFileSink() override { discard(); }

    bool opened(int64_t contentLength) override {
        m_owner.setTotalSize(contentLength > 0 ? contentLength : 0);
        // A name no one else uses: "wx" neither truncates nor follows what is already there.
        for (int attempt = 0; attempt < 16 && !m_file; ++attempt) {
            m_part = m_target + ".kvpart" + std::to_string(g_partCounter.fetch_add(1));
            m_file = std::fopen(m_part.c_str(), "wbx");
        }
        if (!m_file) {
            m_part.clear();
            m_createFailed = true;
            return false;
        }
        return true;
    }

    bool write(const char* data, size_t size) override {
        if (std::fwrite(data, 1, size, m_file) != size) return false;
        m_owner.onDownload(static_cast<int64_t>(size));
        return true;
    }

    // Puts the whole file in place of the target; false when it could not.
    bool commit() {
        if (!m_file) return false;
        bool good = std::fclose(m_file) == 0;
        m_file = nullptr;
        std::error_code error;
        if (good) std::filesystem::rename(m_part, m_target, error);
        if (!good || error) return false;
        m_part.clear();
        return true;
    }

    void discard() {
        if (m_file) std::fclose(m_file);
        m_file = nullptr;
        if (!m_part.empty()) std::remove(m_part.c_str());
        m_part.clear();
    }

    bool createFailed() const { return m_createFailed; }

private:
    CInternet& m_owner;
    std::string m_target;
    std::string m_part;
    std::FILE* m_file = nullptr;
    bool m_createFailed = false;
};

CInternet::CInternet() { init("http://www.orvikmedia.pl/"); }

CInternet::CInternet(CXString url) { init(url); }

CInternet::~CInternet() {
    stopDownload();
    joinWorker();
}

// libcurl needs no session: a connection is made per transfer.
void CInternet::init(CXString) { m_connected = true; }

CXString CInternet::getFailureReason() {
    std::lock_guard<std::mutex> lock(m_reasonLock);
    return CXString(m_reason.c_str());
}

void CInternet::setFailureReason(std::string reason) {
    std::lock_guard<std::mutex> lock(m_reasonLock);
    m_reason = std::move(reason);
}

CXString CInternet::getFilename() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_fileName;
}

void CInternet::registerListener(CDownloadListener* listener) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (listener && std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void CInternet::removeListener(CDownloadListener* listener) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
}

void CInternet::onDownloadFinish() {
    CReportHolding holding(this, m_lock);
    m_success.store(true);
    for (CDownloadListener* listener : m_listeners) listener->onDownloadFinish();
}

void CInternet::onError(const CXString& message, const char* then) {
    CReportHolding holding(this, m_lock);
    m_success.store(false);
    // By index: a listener's own refused GET reports here too, in the same holding.
    for (size_t i = 0; i < m_listeners.size(); ++i) m_listeners[i]->onError(message);
    if (then)
        for (size_t i = 0; i < m_listeners.size(); ++i) m_listeners[i]->onError(then);
}

void CInternet::joinWorker() {
    if (m_worker.joinable() && m_worker.get_id() != std::this_thread::get_id()) m_worker.join();
}

void CInternet::waitForEnd() { joinWorker(); }

void CInternet::stopDownload() { m_stop.store(true); }

void CInternet::GET(CXString url, CXString localFile) {
    if (!m_connected) {
        onError(kNoConnection);
        return;
    }
    // A running transfer keeps its name, counters and worker. A listener asking while it hears a report (on the
    // worker, which cannot join itself) is refused in the holding of that report.
    if (t_reporting == this || m_busy.load() ||
        (m_worker.joinable() && m_worker.get_id() == std::this_thread::get_id())) {
        onError(kNoWorker);
        return;
    }
    joinWorker(); // the last one has reported and is ending
    if (!localFile.IsString()) return;

    std::string target;
    EPlatformError resolved = CPlatformFiles::resolveForWrite(text(localFile), target);
    std::error_code error;
    if (resolved == EPlatformError::none) target = std::filesystem::absolute(target, error).string();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_fileName = localFile;
    }
    m_dataBytes.store(0);
    m_totalSize.store(0);
    m_stop.store(false);
    m_success.store(false);
    setFailureReason("");
    if (resolved != EPlatformError::none || error) {
        logMessage("download of \"%s\": \"%s\" is not a place for a file", url.GetBuffer(), localFile.GetBuffer());
        onError(kCannotCreate, kReadFailed);
        return;
    }
    m_busy.store(true);
    try {
        m_worker = std::thread(&CInternet::downloadThread, this, text(url), target);
    } catch (const std::system_error& failure) {
        m_busy.store(false);
        logMessage("download of \"%s\": no worker thread (%s)", url.GetBuffer(), failure.what());
        onError(kNoWorker);
    }
}

void CInternet::downloadThread(std::string url, std::string target) {
    CFileSink sink(*this, target);
    std::string detail;
    EHttpResult result = CPlatformHttp::get(url, sink, m_stop, &detail);
    if (result == EHttpResult::Complete && m_stop.load()) result = EHttpResult::Stopped;
    bool placed = result == EHttpResult::Complete && sink.commit();
    if (!placed) sink.discard();
    if (result != EHttpResult::Complete && result != EHttpResult::Stopped) {
        logMessage("download of \"%s\" failed: %s", url.c_str(), detail.c_str());
        if (result != EHttpResult::Refused) setFailureReason(detail);
    }
    if (placed) {
        std::filesystem::path folder = std::filesystem::path(target).parent_path();
        CPlatformFiles::invalidateIndex(CPlatformFiles::toEngineName(folder.string()));
    }
    // Marked idle before anyone hears of it: a listener's owner may start the next one at once.
    m_busy.store(false);
    switch (result) {
    case EHttpResult::Complete:
        if (placed) {
            onDownloadFinish();
        } else {
            logMessage("download of \"%s\": \"%s\" could not be put in place", url.c_str(), target.c_str());
            onError(kCannotCreate, kReadFailed);
        }
        break;
    case EHttpResult::OpenFailed:
        onError(kOpenFailed, kNoWorker);
        break;
    case EHttpResult::Refused:
        if (sink.createFailed()) {
            logMessage("download of \"%s\": \"%s\" cannot be created", url.c_str(), target.c_str());
            onError(kCannotCreate, kReadFailed);
        } else {
            onError(kReadFailed);
        }
        break;
    case EHttpResult::ReadFailed:
        onError(kReadFailed);
        break;
    case EHttpResult::Stopped:
        onError(kStopped);
        break;
    }
}

// ---- CStringReader, CHttpHeaderParser ----

bool CStringReader::readLine(CXString& line) {
    if (m_position >= m_length) return false;
    int end = m_position;
    while (end < m_length && m_text[end] != '\n') ++end;
    line = "";
    for (int i = m_position; i < end; ++i) line += m_text[i];
    m_position = end < m_length ? end + 1 : end;
    return true;
}

bool CHttpHeaderParser::parse(const char* text, int length) {
    m_contentLength = 0;
    CStringReader reader(text, length);
    CXString line;
    bool good = true;
    while (reader.readLine(line)) {
        if (!line.startsWith("Content-Length")) continue;
        int colon = line.Find(':');
        if (colon < 0) continue;
        CXString value = line.Right(colon + 1);
        value.Replace('\r', ' ').Replace('\t', ' ').AllTrim();
        int64_t number = 0;
        bool valid = value.IsString();
        for (int i = 0; valid && i < value.GetLength(); ++i) {
            char c = value.GetAt(i);
            valid = c >= '0' && c <= '9' && number <= (INT64_MAX - (c - '0')) / 10;
            if (valid) number = number * 10 + (c - '0');
        }
        good = good && valid;
        if (valid) m_contentLength = number;
    }
    return good;
}

// ---- CMC_Internet ----

CMC_Internet::CMC_Internet(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_MediaObject(container, element, TYPE_INTERNET) {
    if (element) m_server = element->getPropertyValue("SERVER");
    if (!m_server.IsString() && container)
        if (CMC_Object* variable = container->getObject("VARSERVER")) m_server = variable->toString();
    if (!m_server.startsWith("http://")) m_server = CXString("http://") + m_server;
    m_internet = new CInternet(m_server);
    m_internet->registerListener(this);
    if (element) initializeBehaviours(container, element);
}

CMC_Internet::~CMC_Internet() {
    releaseAnchor();
    // The worker is stopped and joined before the object it reports to goes.
    m_internet->removeListener(this);
    delete m_internet;
}

CXString** CMC_Internet::getBehavioursList() {
    return makeEventList({"ONINIT", "ONDONE", "ONSIGNAL", "ONCONNECTED", "ONDOWNLOADED", "ONERROR"});
}

void CMC_Internet::onDownloadFinish() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_pending = true;
}

void CMC_Internet::onError(CXString text) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_errorText = text;
    m_pending = true;
}

void CMC_Internet::flushDownloadFinished() {
    bool failed;
    {
        // Between reports only: a failure's two texts raise one ONERROR.
        std::unique_lock<std::mutex> reports = m_internet->holdReports();
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_pending) return;
        m_pending = false;
        failed = m_errorText.IsString();
        m_errorText = "";
    }
    onSignal(failed ? "ONERROR" : "ONDOWNLOADED");
}

void CMC_Internet::get(CXString address, CXString localFile, bool hasLocalFile) {
    auto decode = [](CXString s) { return s.replace("&equals", "=").replace("&slash", "/"); };
    CXString url = CXString("http://") + decode(address);
    if (!hasLocalFile) return; // nothing to store it in: nothing fetched, no event
    m_internet->GET(url, decode(localFile));
}

bool CMC_Internet::extract(CXString package, CXString folder) {
    CSelfExtract extractor(CXString("temp\\") + package);
    if (!extractor.ReadTOC()) {
        logMessage("INTERNET %s: package \"temp\\%s\" cannot be read", getName().GetBuffer(), package.GetBuffer());
        return false;
    }
    return extractor.ExtractFiles(folder);
}

int CMC_Internet::getProgress() const {
    int64_t total = m_internet->getTotalSize();
    if (total <= 0) return 0;
    return static_cast<int>(std::min<int64_t>(m_internet->getDataBytes() * 100 / total, INT32_MAX));
}

// ---- runner ----

void CMC_Internet_Runner::prepareMthHashSet() {
    using Call = CMC_MediaRunner::Call;
    CMC_MediaRunner::prepareMthHashSet();
    addMethod("GET", MTH_GET, [](Call& c) -> CMC_Variable* {
        CXString address = c.count() > 0 ? c.string(0) : CXString();
        bool hasFile = c.count() > 1;
        CXString file = hasFile ? c.string(1) : CXString();
        if (c.gone()) return nullptr;
        c.self<CMC_Internet>()->get(address, file, hasFile);
        return nullptr;
    });
    addMethod("EXTRACT", MTH_EXTRACT, [](Call& c) -> CMC_Variable* {
        CXString package = c.count() > 0 ? c.string(0) : CXString();
        CXString folder = c.count() > 1 ? c.string(1) : CXString();
        if (c.gone()) return nullptr;
        c.self<CMC_Internet>()->extract(package, folder);
        return nullptr;
    });
    addMethod("GETPROGRESS", MTH_GETPROGRESS, [](Call& c) -> CMC_Variable* {
        return RunnerResults::integerResult(c.self<CMC_Internet>()->getProgress());
    });
}

} // namespace KavirelDLL
