#include "platform/Http.h"

#include <curl/curl.h>

#include <mutex>
#include <string>

namespace KavirelDLL {

namespace {

struct CTransfer {
    CURL* curl;
    CHttpSink& sink;
    const std::atomic<bool>& stop;
    bool opened = false;
    bool refused = false;
    long unfollowed = 0; // a redirect's status, when it came without a Location to follow
};

bool openOnce(CTransfer& transfer) {
    if (transfer.opened) return true;
    // Redirects with a Location are followed and never reach here: a 3xx that does is no file.
    long status = 0;
    if (curl_easy_getinfo(transfer.curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status >= 300 &&
        status < 400) {
        transfer.unfollowed = status;
        return false;
    }
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

std::atomic<long> g_lowSpeedBytes{1};
std::atomic<long> g_lowSpeedSeconds{30};

} // namespace

void CPlatformHttp::setLowSpeedLimit(long bytesPerSecond, long seconds) {
    g_lowSpeedBytes.store(bytesPerSecond);
    g_lowSpeedSeconds.store(seconds);
}

namespace {

// True once the connection was made.
bool connected(CURL* curl) {
    curl_off_t connect = 0;
    return curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connect) == CURLE_OK && connect > 0;
}

// Sets one option; a failure is named in detail.
template <typename T>
bool option(CURL* curl, CURLoption which, T value, const char* name, std::string* detail) {
    CURLcode code = curl_easy_setopt(curl, which, value);
    if (code == CURLE_OK) return true;
    if (detail) *detail = std::string("libcurl refused ") + name + ": " + curl_easy_strerror(code);
    return false;
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
    // The options a safe transfer cannot go without; the agent's name and the redirect count are not among them.
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Kavirel-agent-1");
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    const bool set =
        option(curl, CURLOPT_URL, url.c_str(), "the address", detail) &&
        option(curl, CURLOPT_PROTOCOLS_STR, "http,https", "http and https only", detail) &&
        option(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https", "redirects to http and https only", detail) &&
        option(curl, CURLOPT_FOLLOWLOCATION, 1L, "redirects", detail) &&
        option(curl, CURLOPT_SSL_VERIFYPEER, 1L, "certificate checks", detail) &&
        option(curl, CURLOPT_SSL_VERIFYHOST, 2L, "host name checks", detail) &&
        option(curl, CURLOPT_FAILONERROR, 1L, "failing on an error status", detail) &&
        // Other threads run: no alarm signals for name lookups.
        option(curl, CURLOPT_NOSIGNAL, 1L, "no signals", detail) &&
        option(curl, CURLOPT_CONNECTTIMEOUT, 60L, "the connection time limit", detail) &&
        // A server that accepts but sends (almost) nothing cannot hold the transfer for ever.
        option(curl, CURLOPT_LOW_SPEED_LIMIT, g_lowSpeedBytes.load(), "the low-speed limit", detail) &&
        option(curl, CURLOPT_LOW_SPEED_TIME, g_lowSpeedSeconds.load(), "the low-speed time", detail) &&
        option(curl, CURLOPT_ERRORBUFFER, error, "the error buffer", detail) &&
        option(curl, CURLOPT_WRITEFUNCTION, onBody, "the body's callback", detail) &&
        option(curl, CURLOPT_WRITEDATA, &transfer, "the body's callback", detail) &&
        option(curl, CURLOPT_XFERINFOFUNCTION, onProgress, "the stop's callback", detail) &&
        option(curl, CURLOPT_XFERINFODATA, &transfer, "the stop's callback", detail) &&
        option(curl, CURLOPT_NOPROGRESS, 0L, "the stop's callback", detail);
    if (!set) {
        curl_easy_cleanup(curl);
        return EHttpResult::OpenFailed;
    }

    CURLcode code = curl_easy_perform(curl);
    // An empty body never reaches the write callback.
    const bool whole = code == CURLE_OK && openOnce(transfer);
    EHttpResult result;
    if (transfer.unfollowed) {
        result = EHttpResult::OpenFailed;
    } else if (code == CURLE_OK) {
        result = whole ? EHttpResult::Complete : EHttpResult::Refused;
    } else if (stop.load() || code == CURLE_ABORTED_BY_CALLBACK) {
        result = EHttpResult::Stopped;
    } else if (transfer.refused) {
        result = EHttpResult::Refused;
    } else if (transfer.opened || (code == CURLE_OPERATION_TIMEDOUT && connected(curl))) {
        // Also a server that took the connection and then sent too little for too long.
        result = EHttpResult::ReadFailed;
    } else {
        result = EHttpResult::OpenFailed;
    }
    if (detail && transfer.unfollowed)
        *detail = "the server answered " + std::to_string(transfer.unfollowed) + " without a Location";
    else if (detail)
        *detail = error[0] ? error : curl_easy_strerror(code);
    curl_easy_cleanup(curl);
    return result;
}

} // namespace KavirelDLL
