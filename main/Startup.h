#pragma once
#include <string>
#include <vector>

#include "core/XString.h"

namespace KavirelDLL {
class CCommandLine6;
}

// The steps of start-up that need no window.

// The registry key of the engine's records.
extern const char* const kKavirelWebKey;

// A self-update is waiting: a file matching "temp\*.dll" (or a library, "temp\*.so") or, failing that,
// "temp\*.exe" below the current folder.
bool hasPendingUpdate();
// Hands the process to the "copy.exe" program of the current folder with the program's own arguments; returns
// only when it could not be started.
void handOverToUpdate(const std::vector<std::string>& arguments);
// Writes the engine's version as "Version" of the records' key; false when the store refused it.
bool writeEngineVersion();

// The main program's settings from its ini file ("Kavirel.ini" of the current folder, section MAIN).
struct SMainSettings {
    KavirelDLL::CXString product;
    KavirelDLL::CXString rootPath;
    KavirelDLL::CXString title;
    KavirelDLL::CXString icon;
    KavirelDLL::CXString ini;
    KavirelDLL::CXString subdir;
    KavirelDLL::CXString language;
    // The ini file the settings were read from: the per-user copy when a product is named.
    KavirelDLL::CXString configFile;
};

enum class ESettingsResult {
    ok,
    noUserFolder, // the application-data folder is unknown
    badProduct,   // PRODUCT is not the plain name of one folder
};

// Reads the settings; with a PRODUCT, copies the ini file to "OrvikMedia\<PRODUCT>\Kavirel.ini" below the
// user's application-data folder unless a copy is there already, and reads that copy. Gives the defaults
// ("Kavirel.ini", "OrvikMedia") and hands SUBDIR to a command line without a path. message says what failed.
ESettingsResult readMainSettings(KavirelDLL::CCommandLine6& commandLine, SMainSettings& settings,
                                 KavirelDLL::CXString& message);
