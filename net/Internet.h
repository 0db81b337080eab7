#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/XString.h"
#include "objects/MediaObject.h"
#include "script/TypeIds.h"

namespace KavirelDLL {

// Told how a download ended. Called on the download's worker thread (or on the caller's, for a GET refused at
// once) while the downloader holds its lock: a listener only records what it hears. A GET it makes on the same
// downloader is refused and reported to it at once, within the same holding.
class CDownloadListener {
public:
    virtual ~CDownloadListener() = default;
    // The transfer ended while still wanted, the file whole in its place.
    virtual void onDownloadFinish() {}
    // The transfer failed or was stopped; the local file was not touched.
    virtual void onError(CXString text) { (void)text; }
};

// One HTTP download at a time into a local file, on a worker thread of its own. The body goes to a unique
// temporary file beside the target, renamed over it once whole, so a failed or stopped transfer leaves an
// earlier file as it was.
class CInternet {
public:
    // The texts listeners are given (code page 1250).
    static const char* const kNoConnection;  // "Brak połączenia z internetem"
    static const char* const kOpenFailed;    // "Błąd podczas otwierania URL"
    static const char* const kNoWorker;      // "Error while creating worker thread."
    static const char* const kCannotCreate;  // "Nie moge utworzyc pliku."
    static const char* const kReadFailed;    // "Blad podczas wczytywania danych."
    static const char* const kStopped;       // "Wczytywanie pliku zostalo przerwane."

    CInternet();
    // The address is a server's; downloads take full addresses, so it is not kept.
    explicit CInternet(CXString url);
    // Stops a running transfer and waits for its worker.
    ~CInternet();
    // The worker holds this object: it is never copied.
    CInternet(const CInternet&) = delete;
    CInternet& operator=(const CInternet&) = delete;

    void init(CXString url);
    bool isConnected() const { return m_connected; }

    // Starts fetching url into localFile (an engine name, resolved now against the current folder). Refused,
    // touching nothing of the running one, while a transfer runs. An empty localFile fetches nothing and
    // reports nothing. The outcome reaches the listeners.
    void GET(CXString url, CXString localFile);
    // The running transfer ends within a second, reported as stopped.
    void stopDownload();
    // Waits until no transfer runs.
    void waitForEnd();
    // True from a started GET until its worker is about to report the outcome; false again just before the
    // listeners hear of it (waitForEnd, then isSuccess, gives the outcome).
    bool isDownloading() const { return m_busy.load(); }
    // Holds the downloader's reports back while the lock lives: a listener's owner reading what it recorded
    // under it sees whole reports (a failure's two texts together, or neither). Never from a listener.
    std::unique_lock<std::mutex> holdReports() { return std::unique_lock<std::mutex>(m_lock); }

    bool isSuccess() const { return m_success.load(); }
    // Why the last transfer failed in the transport's words (an HTTP status, a refused connection, an unknown
    // host); empty when it did not fail so or has not ended. Set before its failure is reported, so a
    // listener may read it while it hears the report.
    CXString getFailureReason();
    int64_t getDataBytes() const { return m_dataBytes.load(); }
    int64_t getTotalSize() const { return m_totalSize.load(); }
    void setTotalSize(int64_t size) { m_totalSize.store(size); }
    void onDownload(int64_t bytes) { m_dataBytes.fetch_add(bytes); }
    CXString getFilename();

    void registerListener(CDownloadListener* listener);
    void removeListener(CDownloadListener* listener);

private:
    class CFileSink;

    void downloadThread(std::string url, std::string target);
    // Reports under one holding of the lock, in listener order; a failure with two texts gives every listener
    // the first, then every listener the second. A report made from within a report (a listener's GET) is
    // given in the holding already there.
    void onDownloadFinish();
    void onError(const CXString& text, const char* then = nullptr);
    void joinWorker();
    void setFailureReason(std::string reason);

    std::mutex m_lock; // the listeners, the file name, the reports
    std::mutex m_reasonLock; // m_reason, read by listeners while m_lock is held
    std::string m_reason;
    std::vector<CDownloadListener*> m_listeners;
    CXString m_fileName;
    std::thread m_worker;
    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_success{false};
    std::atomic<int64_t> m_dataBytes{0};
    std::atomic<int64_t> m_totalSize{0};
    bool m_connected = false;
};

// Reads a block of text line by line: a line ends at "\n" (kept out of the line) or at the end.
class CStringReader {
public:
    CStringReader(const char* text, int length) : m_text(text), m_length(text && length > 0 ? length : 0) {}
    // False at the end.
    bool readLine(CXString& line);
    int getPosition() const { return m_position; }

private:
    const char* m_text;
    int m_length;
    int m_position = 0;
};

// Reads the Content-Length of a block of HTTP headers.
class CHttpHeaderParser {
public:
    // False when a Content-Length line holds no number, or one too large; such a line is passed over.
    bool parse(const char* text, int length);
    // The value of the last "Content-Length" line holding a number; 0 when there is none.
    int64_t getContentLength() const { return m_contentLength; }

private:
    int64_t m_contentLength = 0;
};

enum : int {
    EVT_INTERNET_ONCONNECTED = 3,
    EVT_INTERNET_ONDOWNLOADED = 4,
    EVT_INTERNET_ONERROR = 5,
};

// INTERNET: lets a game fetch a file over HTTP, unpack a downloaded package and watch the progress. The
// worker only records the outcome; the events are raised on the main thread by the frame's flush.
class CMC_Internet : public CMC_MediaObject, public CDownloadListener {
public:
    CMC_Internet(CMC_ObjectsContainer* container, CMElement* element);
    ~CMC_Internet() override;

    CXString** getBehavioursList() override;
    CInternet* getInternetIfc() { return m_internet; }
    // The base address from SERVER or the VARSERVER object; nothing uses it.
    CXString getServer() const { return m_server; }

    void onDownloadFinish() override;
    void onError(CXString text) override;
    // Called once per frame by the scene step: raises ONDOWNLOADED or ONERROR for a recorded outcome.
    virtual void flushDownloadFinished();

    // The script methods.
    void get(CXString address, CXString localFile, bool hasLocalFile);
    bool extract(CXString package, CXString folder);
    int getProgress() const;

private:
    CInternet* m_internet = nullptr;
    std::mutex m_lock; // the two fields below, written by the worker
    bool m_pending = false;
    CXString m_errorText;
    CXString m_server;
};

// INTERNET methods.
class CMC_Internet_Runner : public CMC_MediaRunner {
public:
    enum : int { MTH_GET = 1, MTH_EXTRACT = 2, MTH_GETPROGRESS = 3 };
    CMC_Internet_Runner() : CMC_MediaRunner(TYPE_INTERNET) {}
    void prepareMthHashSet() override;
};

} // namespace KavirelDLL
