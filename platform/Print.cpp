#include "platform/Print.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/Files.h"

extern char** environ;

namespace KavirelDLL {

namespace {

std::mutex g_mutex;
std::string g_command;

constexpr int kWaitMs = 5000;

// Print commands that outlived their wait; reaped by a later print so none stays a zombie.
std::vector<pid_t> g_stillRunning;

void reapFinished() {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::vector<pid_t> running;
    for (pid_t pid : g_stillRunning) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == 0) running.push_back(pid);
    }
    g_stillRunning.swap(running);
}

bool onPath(const std::string& program, std::string& found) {
    if (program.find('/') != std::string::npos) {
        found = program;
        return access(program.c_str(), X_OK) == 0;
    }
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (dir.empty()) dir.push_back('.');
        std::string candidate = dir;
        candidate.append("/").append(program);
        if (access(candidate.c_str(), X_OK) == 0) {
            found = candidate;
            return true;
        }
        start = end + 1;
    }
    return false;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

// Runs the program and waits a while for it; its exit status, -1 when it did not start, -2 while it still
// runs.
int run(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    reapFinished();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    for (int waited = 0; waited <= kWaitMs; waited += 10) {
        int status = 0;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        if (done < 0 && errno != EINTR) return 128;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    g_stillRunning.push_back(pid);
    return -2;
}

std::string keptName() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string name = "screen-";
    name.append(stamp);
    return name;
}

// Moves the picture into the user's data folder; the temporary file stays where it is when that fails.
bool keep(const std::string& temporary, std::string& keptPath) {
    std::string folder = CPlatformFiles::userDataFolder();
    if (folder.empty()) {
        keptPath = temporary;
        return true;
    }
    folder.append("\\prints");
    std::string native;
    if (CPlatformFiles::createFolder(folder) != EPlatformError::none ||
        CPlatformFiles::resolveForWrite(folder, native) != EPlatformError::none) {
        keptPath = temporary;
        return true;
    }
    std::string base = native;
    base.append("/").append(keptName());
    for (int n = 0; n < 1000; ++n) {
        std::string candidate = base;
        if (n) candidate.append("-").append(std::to_string(n));
        candidate.append(".bmp");
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0) continue;
        if (std::rename(temporary.c_str(), candidate.c_str()) == 0) {
            keptPath = candidate;
            return true;
        }
        break;
    }
    keptPath = temporary;
    return true;
}

} // namespace

void CPlatformPrint::setPrintCommand(const std::string& program) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_command = program;
}

EPrintResult CPlatformPrint::printPicture(const std::vector<uint8_t>& bmp, const std::string& title,
                                          std::string& keptPath, std::string& message) {
    keptPath.clear();
    std::string tmpFolder;
    if (CPlatformFiles::resolveForWrite(CPlatformFiles::tempFolder(), tmpFolder) != EPlatformError::none)
        tmpFolder = "/tmp";
    std::string pattern = tmpFolder;
    pattern.append("/kavirel-print-XXXXXX.bmp");
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemps(name.data(), 4);
    if (fd < 0) {
        message = "cannot make a file for the picture: ";
        message.append(std::strerror(errno));
        return EPrintResult::Failed;
    }
    close(fd);
    const std::string picture(name.data());
    if (!writeFile(picture, bmp)) {
        std::remove(picture.c_str());
        message = "cannot write the picture to ";
        message.append(picture);
        return EPrintResult::Failed;
    }

    std::string chosen;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        chosen = g_command;
    }
    std::string program;
    std::vector<std::string> args;
    bool found = false;
    if (!chosen.empty()) {
        found = onPath(chosen, program);
        args = {picture};
    } else if (onPath("lp", program)) {
        found = true;
        args = {"-o", "landscape", "-t", title, picture};
    } else if (onPath("lpr", program)) {
        found = true;
        args = {"-o", "landscape", "-T", title, picture};
    }
    if (found) {
        int status = run(program, args);
        if (status == 0) {
            std::remove(picture.c_str());
            message = "printed through ";
            message.append(program);
            return EPrintResult::Printed;
        }
        if (status == -2) {
            // The command still reads the file; it stays in the temporary folder.
            keptPath = picture;
            message = program;
            message.append(" did not end; the picture stays at ").append(picture);
            return EPrintResult::Kept;
        }
        message = program;
        if (status == -1)
            message.append(" could not start");
        else
            message.append(" failed (status ").append(std::to_string(status)).append(")");
    } else {
        message = "no print command (lp, lpr)";
    }
    keep(picture, keptPath);
    message.append("; the picture is kept at ").append(keptPath);
    return EPrintResult::Kept;
}

} // namespace KavirelDLL
