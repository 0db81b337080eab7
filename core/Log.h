#pragma once
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace KavirelDLL {

// The engine's own diagnostics: one line per message on standard error, "kavirel: " in front.
// A trailing line end in the message is dropped. Safe to call from any thread.
void logMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A hook receives each line (without the prefix) instead of standard error; an empty hook restores
// standard error. Returns the hook it replaced. A hook runs under the log lock and must not log.
using LogHook = std::function<void(const std::string& line)>;
LogHook setLogHook(LogHook hook);

// The load messages the engine hands its window's log (`CWindow::toLog`, `CXObject::log`,
// `CFileResolver::log`). The window keeps no such log, so they are discarded.
void toWindowLog(const char* text, bool flag);

// Collects the lines logged during its lifetime (tests).
class CLogCapture {
public:
    CLogCapture();
    ~CLogCapture();
    CLogCapture(const CLogCapture&) = delete;
    CLogCapture& operator=(const CLogCapture&) = delete;

    std::vector<std::string> lines() const;
    bool contains(const std::string& part) const;
    void clear();

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    LogHook m_previous;
};

} // namespace KavirelDLL
