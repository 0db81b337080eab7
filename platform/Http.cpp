#include "platform/Http.h"

#include <curl/curl.h>

#include <mutex>

namespace KavirelDLL {

namespace {

struct CTransfer {
    CURL* curl;
    CHttpSink& sink;
    const std::atomic<bool>& stop;
    bool opened = false;
    bool refused = false;
};

bool openOnce(CTransfer& transfer) {
    if (transfer.opened) return true;
    transfer.opened = true;
    curl_off_t length = -1;
    if (curl_easy_getinfo(transfer.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK) length = -1;
    if (!transfer.sink.opened(length < 0 ? -1 : static_cast<int64_t>(length))) {
        transfer.refused = true;
        return false;
    }
    return true;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<CTransfer*>(user);
    size_t bytes = size * count;
    if (transfer.stop.load()) return CURL_WRITEFUNC_ERROR;
    if (!openOnce(transfer)) return CURL_WRITEFUNC_ERROR;
    if (bytes && !transfer.sink.write(data, bytes)) {
        transfer.refused = true;
        return CURL_WRITEFUNC_ERROR;
    }
    return transfer.stop.load() ? CURL_WRITEFUNC_ERROR : bytes;
}

// libcurl calls this about once a second even while nothing arrives, so a stop is seen on a silent server.
int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<CTransfer*>(user)->stop.load() ? 1 : 0;
}

} // namespace

EHttpResult CPlatformHttp::get(const std::string& url, CHttpSink& sink, const std::atomic<bool>& stop,
                               std::string* detail) {
    static std::once_flag global;
    std::call_once(global, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    if (stop.load()) return EHttpResult::Stopped;

    CURL* curl = curl_easy_init();
    if (!curl) {
        if (detail) *detail = "libcurl could not start a transfer";
        return EHttpResult::OpenFailed;
    }
    CTransfer transfer{curl, sink, stop};
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Kavirel-agent-1");
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L); // other threads run: no alarm signals for name lookups
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 60L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

    CURLcode code = curl_easy_perform(curl);
    EHttpResult result;
    if (code == CURLE_OK) {
        // An empty body never reaches the write callback.
        result = openOnce(transfer) ? EHttpResult::Complete : EHttpResult::Refused;
    } else if (stop.load() || code == CURLE_ABORTED_BY_CALLBACK) {
        result = EHttpResult::Stopped;
    } else if (transfer.refused) {
        result = EHttpResult::Refused;
    } else if (transfer.opened) {
        result = EHttpResult::ReadFailed;
    } else {
        result = EHttpResult::OpenFailed;
    }
    if (detail) *detail = error[0] ? error : curl_easy_strerror(code);
    curl_easy_cleanup(curl);
    return result;
}

} // namespace KavirelDLL
