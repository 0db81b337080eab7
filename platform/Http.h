#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace KavirelDLL {

// Where the body of one HTTP response goes. Called on the thread that runs the transfer.
class CHttpSink {
public:
    virtual ~CHttpSink() = default;
    // The final response answered with a status below 300 (redirects followed); contentLength is -1 when it
    // sent none.
    // False abandons the transfer (EHttpResult::Refused).
    virtual bool opened(int64_t contentLength) = 0;
    // The next bytes of the body; false abandons the transfer (EHttpResult::Refused).
    virtual bool write(const char* data, size_t size) = 0;
};

enum class EHttpResult {
    Complete,   // every byte of the body arrived
    OpenFailed, // no response to take: bad address, no connection, TLS refused, status 400 or above, or a
                // redirect (3xx) without a Location
    ReadFailed, // the connection failed or closed before the body was whole
    Stopped,    // the stop flag was seen
    Refused,    // the sink refused the response or its bytes
};

// HTTP and HTTPS through libcurl: agent "Kavirel-agent-1", proxies from the environment (http_proxy,
// https_proxy, no_proxy), redirects followed to http and https addresses only, certificates verified against
// the system's authorities.
class CPlatformHttp {
public:
    // Fetches url into sink, blocking the calling thread. The stop flag is read at least once a second, also
    // while the server sends nothing. detail receives libcurl's words about a failure.
    static EHttpResult get(const std::string& url, CHttpSink& sink, const std::atomic<bool>& stop,
                           std::string* detail = nullptr);
    // A transfer that receives under bytesPerSecond for seconds in a row fails: ReadFailed once connected
    // (a server that accepts and then says nothing), OpenFailed before. The default is 1 byte a second for 30 s.
    static void setLowSpeedLimit(long bytesPerSecond, long seconds);
};

} // namespace KavirelDLL
