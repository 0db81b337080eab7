#include "platform/MessageBox.h"

#include "platform/Codepage.h"
#include "platform/DisplayImpl.h"
#include "platform/Process.h"
#include "platform/Video.h"

#include <SDL2/SDL.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

namespace KavirelDLL {

namespace {

const char* answerName(EMessageAnswer answer) {
    switch (answer) {
    case EMessageAnswer::Yes:
        return "Yes";
    case EMessageAnswer::No:
        return "No";
    default:
        return "OK";
    }
}

EMessageAnswer toStderr(const std::string& title, const std::string& text, EMessageAnswer answer,
                        const char* why) {
    std::fprintf(stderr, "[message box%s%s] %s: %s (answered %s)\n", why ? ", " : "", why ? why : "",
                 cp1250ToUtf8(title).c_str(), cp1250ToUtf8(text).c_str(), answerName(answer));
    std::fflush(stderr);
    return answer;
}

struct CYesNo {
    const char* yes;
    const char* no;
};

// The desktop's language names the buttons, as the system's own boxes did.
CYesNo yesNoLabels() {
    const char* lang = nullptr;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        lang = std::getenv(name);
        if (lang && *lang) break;
    }
    if (lang && std::strncmp(lang, "pl", 2) == 0) return {"Tak", "Nie"};
    if (lang && std::strncmp(lang, "cs", 2) == 0) return {"Ano", "Ne"};
    if (lang && std::strncmp(lang, "hu", 2) == 0) return {"Igen", "Nem"};
    return {"Yes", "No"};
}

// The processes this thread started that still exist (or are unreaped): the thread's own list where the
// kernel keeps one, else every process whose parent is this one.
std::set<pid_t> childrenOf(pid_t thread) {
    std::set<pid_t> children;
    std::ifstream list("/proc/self/task/" + std::to_string(thread) + "/children");
    if (list) {
        for (pid_t pid; list >> pid;) children.insert(pid);
        return children;
    }
    DIR* proc = ::opendir("/proc");
    if (!proc) return children;
    const pid_t self = ::getpid();
    while (dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end) continue;
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        std::getline(stat, line);
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        const size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        long parent = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %ld", &state, &parent) == 2 && parent == self)
            children.insert(static_cast<pid_t>(pid));
    }
    ::closedir(proc);
    return children;
}

// SDL shows the desktop's box from a child process (its own X11 box, or zenity) and waits for it without
// looking at signals; while the box waits, this watch ends that child once a termination signal has come, so
// the box closes as if nobody answered. The watch runs on a thread of its own, joined when the box is gone.
class CBoxSignalWatch {
public:
    CBoxSignalWatch() : m_shower(::gettid()), m_before(childrenOf(m_shower)) {
        m_thread = std::thread([this] { watch(); });
        // SDL forks right after: a thread still starting up may hold the allocator's lock, and the child, which
        // has only the forking thread, would wait for it for ever.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [this] { return m_started; });
    }
    ~CBoxSignalWatch() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    CBoxSignalWatch(const CBoxSignalWatch&) = delete;
    CBoxSignalWatch& operator=(const CBoxSignalWatch&) = delete;

    // Whether the box was closed for a signal (read once the box is gone).
    bool closedBox() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_closed;
    }

private:
    void watch() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_started = true;
        m_wake.notify_all();
        while (!m_wake.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_done; })) {
            if (!CPlatformProcess::terminationRequested()) continue;
            // Killed, not asked: the child keeps the program's own signal handlers, which only take note.
            for (pid_t child : childrenOf(m_shower))
                if (!m_before.count(child) && ::kill(child, SIGKILL) == 0) m_closed = true;
        }
    }

    const pid_t m_shower;
    const std::set<pid_t> m_before;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    bool m_closed = false;
    bool m_started = false;
    std::thread m_thread;
};

// A box that cannot be shown answers notShown, or the default when that is null.
EMessageAnswer showBox(const std::string& title, const std::string& text, EMessageButtons buttons,
                       EMessageAnswer defaultAnswer, CDisplay* owner, const EMessageAnswer* notShown) {
    EMessageAnswer fallback = EMessageAnswer::Ok;
    if (buttons == EMessageButtons::YesNo)
        fallback = defaultAnswer == EMessageAnswer::Yes ? EMessageAnswer::Yes : EMessageAnswer::No;
    const EMessageAnswer failed = notShown ? *notShown : fallback;
    SDL_Window* parent = nullptr;
    if (auto* base = dynamic_cast<CDisplayBase*>(owner))
        parent = static_cast<SDL_Window*>(base->nativeWindow());
    if (!CVideo::desktopAvailable() || (owner && !parent)) return toStderr(title, text, failed, "headless");
    // Asked to end: nobody is there to answer.
    const EMessageAnswer refused = buttons == EMessageButtons::Ok ? EMessageAnswer::Ok : EMessageAnswer::No;
    if (CPlatformProcess::terminationRequested())
        return toStderr(title, text, refused, "not shown: the program is asked to end");

    const std::string utf8Title = cp1250ToUtf8(title);
    const std::string utf8Text = cp1250ToUtf8(text);
    SDL_MessageBoxButtonData data[2];
    int count = 0;
    if (buttons == EMessageButtons::Ok) {
        data[count++] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
                         static_cast<int>(EMessageAnswer::Ok), "OK"};
    } else {
        Uint32 yesFlags = fallback == EMessageAnswer::Yes ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0;
        Uint32 noFlags = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT |
                         (fallback == EMessageAnswer::No ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0);
        CYesNo labels = yesNoLabels();
        data[count++] = {yesFlags, static_cast<int>(EMessageAnswer::Yes), labels.yes};
        data[count++] = {noFlags, static_cast<int>(EMessageAnswer::No), labels.no};
    }
    SDL_MessageBoxData box{};
    box.flags = SDL_MESSAGEBOX_INFORMATION;
    box.window = parent;
    box.title = utf8Title.c_str();
    box.message = utf8Text.c_str();
    box.numbuttons = count;
    box.buttons = data;
    int pressed = -1;
    int shown;
    bool closed;
    {
        CBoxSignalWatch watch;
        shown = SDL_ShowMessageBox(&box, &pressed);
        closed = watch.closedBox();
    }
    if (closed) return toStderr(title, text, refused, "closed: the program is asked to end");
    if (shown != 0) return toStderr(title, text, failed, SDL_GetError());
    // Closing the box without a button counts as its escape button.
    if (pressed < 0) return refused;
    return static_cast<EMessageAnswer>(pressed);
}

} // namespace

EMessageAnswer showMessageBox(const std::string& title, const std::string& text, EMessageButtons buttons,
                              EMessageAnswer defaultAnswer, CDisplay* owner) {
    return showBox(title, text, buttons, defaultAnswer, owner, nullptr);
}

EMessageAnswer askBeforeRemoving(const std::string& title, const std::string& text, CDisplay* owner) {
    const EMessageAnswer notShown = EMessageAnswer::No;
    return showBox(title, text, EMessageButtons::YesNo, EMessageAnswer::Yes, owner, &notShown);
}

} // namespace KavirelDLL
