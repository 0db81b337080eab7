#pragma once
#include "core/XString.h"
#include "platform/Registry.h"

namespace KavirelDLL {

class CDownloadManagerIfc;

// Installs and removes web games: a package "<game>.pik" extracted into the current folder, and the game's
// records in the registry (play counters, install time, the uninstall entry). Web games live in the player's
// data folder ("Path"), which the program records at start with its own name ("File").
class CKavirelWEB {
public:
    static constexpr const char* kKey = "Software\\OrvikMedia\\KavirelWeb";
    static constexpr const char* kUninstallKey =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KavirelWEB_";

    // A string value; empty when the key or value is missing, not a string, or 200 bytes or longer.
    static CXString get_registry(ERegistryRoot root, CXString key, CXString name);
    static void delete_registry(ERegistryRoot root, CXString key, CXString name);
    // Deletes the key with every key below it; true when the key was there and is gone.
    static bool delete_registry_key(ERegistryRoot root, CXString key);
    static bool set_registry(ERegistryRoot root, CXString key, CXString name, CXString value);
    static bool update_registry(ERegistryRoot root, CXString key, CXString name, CXString value);
    static bool add_registry(ERegistryRoot root, CXString key, CXString name, CXString value);
    // "Path", a '\' unless it ends with one, then "File".
    static CXString get_full_kvweb_path();

    // Downloads (when a downloader is given) and extracts "<game>.pik" into the current folder, deletes the
    // package whatever it held, and writes the game's records. A game already installed is left as it is.
    // Records are written only when every entry extracted; false otherwise. Then: whether the game's folder
    // exists.
    static bool install(CDownloadManagerIfc* downloader, CXString game, CXString fullName, CXString address);
    // Removes the game's folder below "Path" and its records; 0 when the folder was removed, else 1.
    static int uninstall(CXString game);

    // A game name the installer takes: not empty, no separator, drive or "..".
    static bool isGameName(const CXString& game);
    // Where web games go: "games" in the user's data folder, made when absent; empty when unknown.
    static CXString gamesFolder();
    // Records "Path" (gamesFolder) and "File" (the program's name); false when the store refused them.
    static bool recordProgram(CXString programName);

    // The store used; null restores the user's own (tests give a temporary one).
    static void setRegistry(CPlatformRegistry* registry);
    static CPlatformRegistry& registry();
};

} // namespace KavirelDLL
