// The ini engine over one file's bytes: reads of the keys games use, then writes that must keep the file, and
// the copy it keeps in memory answering what the file it wrote holds.
#include <cstring>

#include "core/IniFile.h"
#include "fuzz/FuzzSupport.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CIniFile ini(KavirelFuzz::writeScratch("Kavirel.ini", data, size));
    CXString value;
    static const char* const sections[] = {"MAIN", "main", "S1", "", "NEW SECTION"};
    static const char* const keys[] = {"TITLE", "INI", "Played", "x", "", "Key"};
    for (const char* section : sections)
        for (const char* key : keys) {
            ini.getString(CXString(section), CXString(key), value);
            ini.getInt(CXString(section), CXString(key), -1);
        }
    ini.putString(CXString("MAIN"), CXString("TITLE"), CXString("Kavirel"));
    ini.putString(CXString("NEW SECTION"), CXString("Key"), CXString("\"quoted\""));
    ini.putString(CXString("S1"), CXString("Played"), CXString("7"));
    CIniFile fresh(ini.getFileName());
    CXString stored;
    for (const char* section : sections)
        for (const char* key : keys) {
            bool kept = ini.getString(CXString(section), CXString(key), value);
            bool read = fresh.getString(CXString(section), CXString(key), stored);
            if (kept != read || std::strcmp(value.GetBuffer(), stored.GetBuffer()) != 0) __builtin_trap();
        }
    return 0;
}
