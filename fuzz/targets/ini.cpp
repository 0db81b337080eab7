// The ini engine over one file's bytes: reads of the keys games use, then a write that must keep the file.
#include "core/IniFile.h"
#include "fuzz/FuzzSupport.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CIniFile ini(KavirelFuzz::writeScratch("Kavirel.ini", data, size));
    CXString value;
    for (const char* section : {"MAIN", "main", "S1", ""})
        for (const char* key : {"TITLE", "INI", "Played", "x", ""}) {
            ini.getString(CXString(section), CXString(key), value);
            ini.getInt(CXString(section), CXString(key), -1);
        }
    ini.putString(CXString("MAIN"), CXString("TITLE"), CXString("Kavirel"));
    ini.putString(CXString("NEW SECTION"), CXString("Key"), CXString("\"quoted\""));
    ini.getString(CXString("NEW SECTION"), CXString("Key"), value);
    return 0;
}
