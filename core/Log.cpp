#include "core/Log.h"

#include <cstdarg>
#include <cstdio>

namespace KavirelDLL {

void toWindowLog(const char*, bool) {}

namespace {

std::mutex& logMutex() {
    static std::mutex mutex;
    return mutex;
}

LogHook& currentHook() {
    static LogHook hook;
    return hook;
}

} // namespace

void logMessage(const char* format, ...) {
    if (!format) return;
    char small[512];
    std::string line;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int needed = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (needed < 0) {
        line = format;
    } else if (static_cast<size_t>(needed) < sizeof small) {
        line.assign(small, static_cast<size_t>(needed));
    } else {
        line.resize(static_cast<size_t>(needed) + 1);
        std::vsnprintf(line.data(), line.size(), format, again);
        line.resize(static_cast<size_t>(needed));
    }
    va_end(again);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();

    std::lock_guard<std::mutex> lock(logMutex());
    if (currentHook()) {
        currentHook()(line);
        return;
    }
    std::fprintf(stderr, "kavirel: %s\n", line.c_str());
}

LogHook setLogHook(LogHook hook) {
    std::lock_guard<std::mutex> lock(logMutex());
    LogHook previous = std::move(currentHook());
    currentHook() = std::move(hook);
    return previous;
}

CLogCapture::CLogCapture() {
    m_previous = setLogHook([this](const std::string& line) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(line);
    });
}

CLogCapture::~CLogCapture() { setLogHook(std::move(m_previous)); }

std::vector<std::string> CLogCapture::lines() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

bool CLogCapture::contains(const std::string& part) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& line : m_lines)
        if (line.find(part) != std::string::npos) return true;
    return false;
}

void CLogCapture::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.clear();
}

} // namespace KavirelDLL
