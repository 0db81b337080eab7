#include "core/XObject.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/HiResTimer.h"
#include "core/Log.h"

namespace KavirelDLL {

CXObject::~CXObject() = default;

bool CXObject::isToDelete() { return m_toDelete; }

void CXObject::setToDelete() { m_toDelete = true; }

int CXObject::getHashcode() {
    return static_cast<int>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this)));
}

bool CXObject::equals(CXObject* other) { return other == this; }

int CXObject::compare(CXObject* other) { return other == this ? 1 : 0; }

CXObject* CXObject::clone() { return nullptr; }

CXString CXObject::toString() { return CXString(); }

void CXObject::notifyMessageReceive(CMessage*) {}

int CXObject::processMessage(CMessage*) { return 0; }

short CXObject::swap_word(short value) {
    uint16_t v = static_cast<uint16_t>(value);
    return static_cast<short>(static_cast<uint16_t>((v >> 8) | (v << 8)));
}

int CXObject::swap_dword(int value) {
    uint32_t v = static_cast<uint32_t>(value);
    v = (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
    return static_cast<int>(v);
}

void CXObject::log(const char* text, bool flag) { toWindowLog(text, flag); }

namespace {

struct Stopwatch {
    bool running = false;
    uint32_t start = 0;
    std::string name;
};

Stopwatch& stopwatch() {
    static Stopwatch watch;
    return watch;
}

} // namespace

void CXObject::profile(const char* name, bool flag) {
    Stopwatch& watch = stopwatch();
    if (name) {
        watch.start = CHiResTimer::timer.GetTickCount();
        watch.name = name;
        watch.running = true;
        return;
    }
    if (!watch.running) return;
    uint32_t elapsed = CHiResTimer::timer.GetTickCount() - watch.start;
    char text[512];
    std::snprintf(text, sizeof text, "Time spend in %s: %d ms.\n", watch.name.c_str(),
                  static_cast<int>(elapsed));
    logMessage("%s", text);
    if (flag) toWindowLog(text, true);
    watch.name.clear();
    watch.running = false;
}

} // namespace KavirelDLL
