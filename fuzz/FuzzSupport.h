#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "core/File.h"
#include "core/XString.h"
#include "fuzz/BehaviourCode.h"

namespace KavirelDLL {
class CWindow;
} // namespace KavirelDLL

// Shared by the fuzz targets (fuzz/targets/): each defines LLVMFuzzerTestOneInput over one engine entry
// point. LLVMFuzzerInitialize, defined here, silences the engine's log, makes the process's scratch folder
// and confines writes to it. KAVIREL_FUZZ_LOG=1 keeps the log.
namespace KavirelFuzz {

// The process's scratch folder (native path). TMPDIR, HOME and the XDG folders point into it.
const std::filesystem::path& scratch();

// Writes the bytes to a file below the scratch folder (folders made as needed); the file's engine name.
KavirelDLL::CXString writeScratch(const std::string& relative, const void* data, size_t size);

// Opens such a file of the bytes for binary reading; false when it does not open.
bool openScratch(KavirelDLL::CFile& file, const std::string& relative, const void* data, size_t size);

// The window of 16-bit pixels that pictures load into.
KavirelDLL::CWindow* pictureWindow();

// A picture of type T (CImage, CPSD) read by its Load(CFile*) from a file of the bytes; null when it does not
// load.
template <typename T>
std::unique_ptr<T> loadPicture(const std::string& relative, const uint8_t* data, size_t size) {
    KavirelDLL::CFile file;
    if (!openScratch(file, relative, data, size)) return nullptr;
    auto picture = std::make_unique<T>(pictureWindow());
    if (picture->Load(&file) != 0) return nullptr;
    return picture;
}

// Takes an input apart: leading bytes as small numbers (0 once used up), the rest as data.
class CFuzzInput {
public:
    CFuzzInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint16_t word() { return static_cast<uint16_t>(byte() | (byte() << 8)); }
    const uint8_t* rest() const { return m_data + m_pos; }
    size_t restSize() const { return m_size - m_pos; }
    std::string restText() const { return std::string(reinterpret_cast<const char*>(rest()), restSize()); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// The files of a game folder by their path below it ("Dane/application.def").
using WorldFiles = std::map<std::string, std::string>;

// The small world that fuzzed code and caches run in: an application with one episode of two scenes. The
// first scene holds a value of each scalar type, an array, a group, a structure, a condition, an expression,
// a timer, and a behaviour FUZZ of the given code, run when the scene starts and on each tick of the timer.
WorldFiles smallWorld(const std::string& code);

// The small world running FUZZ's code; for generated code, with more for it to call, delete and change: the
// behaviours B0..B3 of their codes, a BOOL X, a STRING T0 and an ARRAY A2 (raising ONCHANGED) that run their
// behaviours on their events, a timer TM running its behaviour on each tick, a GROUP G2, an INTEGER W0 (the
// counter of generated WHILE loops), and a second scene S2 that goes back to S1 as it starts.
WorldFiles smallWorld(const GeneratedCode& code);

// The code a small world runs when nothing is fuzzed: a line of each kind.
extern const char* const kWorldCode;

// The small world running kWorldCode with its caches written ("Dane/application.bin", ...); made once.
const WorldFiles& smallWorldFiles();

// Runs a game folder of exactly these files a few frames, built from its definitions or from its caches.
void runWorld(const WorldFiles& files, bool fromCache);

// Runs the small world from its caches, one file replaced by the bytes given.
void runFromCaches(const std::string& relative, const uint8_t* data, size_t size);

} // namespace KavirelFuzz
