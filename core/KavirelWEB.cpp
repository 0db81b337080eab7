#include "core/KavirelWEB.h"

#include <atomic>
#include <string>

#include "core/DownloadManagerIfc.h"
#include "core/File.h"
#include "core/Log.h"
#include "core/Path.h"
#include "core/SelfExtract.h"
#include "core/XObject.h"
#include "platform/Files.h"
#include "platform/PlatformTime.h"

namespace KavirelDLL {

namespace {

std::atomic<CPlatformRegistry*> g_registry{nullptr};

std::string text(const CXString& s) { return std::string(s.GetBuffer(), static_cast<size_t>(s.GetLength())); }

// Values are read into a buffer of 200 bytes, terminator included.
constexpr size_t kValueBuffer = 200;

CXString gameKey(const CXString& game) { return CXString(CKavirelWEB::kKey) + "\\" + game; }

} // namespace

void CKavirelWEB::setRegistry(CPlatformRegistry* registry) { g_registry.store(registry); }

CPlatformRegistry& CKavirelWEB::registry() {
    CPlatformRegistry* registry = g_registry.load();
    return registry ? *registry : CPlatformRegistry::shared();
}

CXString CKavirelWEB::get_registry(ERegistryRoot root, CXString key, CXString name) {
    std::string value;
    if (registry().getString(root, text(key), text(name), value) != EPlatformError::none) return CXString();
    if (value.size() >= kValueBuffer || value.find('\0') != std::string::npos) return CXString();
    return CXString(value.c_str());
}

void CKavirelWEB::delete_registry(ERegistryRoot root, CXString key, CXString name) {
    registry().deleteValue(root, text(key), text(name));
}

bool CKavirelWEB::delete_registry_key(ERegistryRoot root, CXString key) {
    return key.IsString() && registry().deleteKey(root, text(key)) == EPlatformError::none;
}

bool CKavirelWEB::set_registry(ERegistryRoot root, CXString key, CXString name, CXString value) {
    return registry().setString(root, text(key), text(name), text(value)) == EPlatformError::none;
}

bool CKavirelWEB::update_registry(ERegistryRoot root, CXString key, CXString name, CXString value) {
    if (get_registry(root, key, name).IsString()) delete_registry(root, key, name);
    return set_registry(root, key, name, value);
}

bool CKavirelWEB::add_registry(ERegistryRoot root, CXString key, CXString name, CXString value) {
    return update_registry(root, key, name, value);
}

CXString CKavirelWEB::get_full_kvweb_path() {
    CXString path = get_registry(ERegistryRoot::currentUser, kKey, "Path");
    if (path.lastChar() != '\\') path += "\\";
    return path + get_registry(ERegistryRoot::currentUser, kKey, "File");
}

bool CKavirelWEB::isGameName(const CXString& game) {
    const std::string s = text(game);
    return !s.empty() && s != "." && s != ".." && s.find_first_of("\\/:") == std::string::npos &&
           s.find('\0') == std::string::npos;
}

CXString CKavirelWEB::gamesFolder() {
    const std::string data = CPlatformFiles::userDataFolder();
    if (data.empty()) return CXString();
    const std::string folder = data + "\\games";
    EPlatformError error = CPlatformFiles::createFolder(folder);
    if (error != EPlatformError::none) {
        logMessage("the web games' folder \"%s\" cannot be made: %s", folder.c_str(),
                   platformErrorText(error));
        return CXString();
    }
    return CXString(folder.c_str());
}

bool CKavirelWEB::recordProgram(CXString programName) {
    const CXString folder = gamesFolder();
    if (!folder.IsString()) return false;
    bool good = update_registry(ERegistryRoot::currentUser, kKey, "Path", folder) &&
                update_registry(ERegistryRoot::currentUser, kKey, "File", programName);
    if (!good) logMessage("the web games' folder could not be recorded");
    return good;
}

bool CKavirelWEB::install(CDownloadManagerIfc* downloader, CXString game, CXString fullName,
                          CXString address) {
    if (!isGameName(game)) {
        logMessage("web game \"%s\" not installed: not a plain name", game.GetBuffer());
        return false;
    }
    const CXString key = gameKey(game);
    if (CPlatformFiles::isFolder(text(game)) &&
        get_registry(ERegistryRoot::currentUser, key, "InstallTime").IsString())
        return true;

    const CXString current = CFile::diskCurrentDirectory();
    const CXString packageName = game + ".pik";
    if (downloader && !downloader->download(packageName, address)) {
        logMessage("web game \"%s\": the download from \"%s\" failed", game.GetBuffer(), address.GetBuffer());
        return false;
    }
    {
        CSelfExtract package(packageName);
        const bool whole = package.ReadTOC() && package.ExtractFiles(current);
        if (!whole && package.LastError() == ERR_FILE_NOT_FOUND) {
            logMessage("web game \"%s\" not installed: there is no package %s", game.GetBuffer(),
                       packageName.GetBuffer());
            return false;
        }
        // The package goes whatever it held: a damaged one would only be fetched again.
        CPlatformFiles::removeFile(text(packageName));
        if (!whole) {
            logMessage("web game \"%s\" not installed: its package is damaged (it could not be read or "
                       "extracted whole) and was removed",
                       game.GetBuffer());
            return false;
        }
    }

    CXString installTime;
    installTime.Format("%d", static_cast<int>(static_cast<uint32_t>(CPlatformClock::wallSeconds())));
    const ERegistryRoot user = ERegistryRoot::currentUser;
    // Every record is tried, whatever an earlier one gave.
    bool good = set_registry(user, key, "TimesPlayed", "0");
    good = set_registry(user, key, "TotalTime", "0") && good;
    good = set_registry(user, key, "InstallTime", installTime) && good;
    good = set_registry(user, key, "FullName", fullName) && good;
    const CXString uninstallKey = CXString(kUninstallKey) + game;
    good = set_registry(ERegistryRoot::localMachine, uninstallKey, "DisplayName",
                        CXString("KavirelWEB - ") + game) &&
           good;
    good = set_registry(ERegistryRoot::localMachine, uninstallKey, "UninstallString",
                        get_full_kvweb_path() + " -uninstall -game " + game) &&
           good;
    if (!good) logMessage("web game \"%s\": its records could not all be written", game.GetBuffer());
    return CPlatformFiles::isFolder(text(game));
}

int CKavirelWEB::uninstall(CXString game) {
    if (!isGameName(game)) {
        logMessage("web game \"%s\" not uninstalled: not a plain name", game.GetBuffer());
        return 1;
    }
    int result = 1;
    const CXString path = get_registry(ERegistryRoot::currentUser, kKey, "Path");
    if (!path.IsString()) {
        logMessage("web game \"%s\": no folder removed, the web games' folder is not recorded",
                   game.GetBuffer());
    } else {
        const CXString folder = CPath::getFullPath(path, game);
        EPlatformError error = CPlatformFiles::removeFolderTree(text(folder));
        if (error == EPlatformError::none)
            result = 0;
        else
            logMessage("web game folder \"%s\" not removed: %s", folder.GetBuffer(),
                       platformErrorText(error));
    }
    const CXString key = gameKey(game);
    for (const char* name : {"Path", "File", "Lang", "FullName", "Version"})
        delete_registry(ERegistryRoot::currentUser, key, name);
    delete_registry_key(ERegistryRoot::currentUser, key);
    const CXString uninstallKey = CXString(kUninstallKey) + game;
    delete_registry(ERegistryRoot::localMachine, uninstallKey, "DisplayName");
    delete_registry(ERegistryRoot::localMachine, uninstallKey, "UninstallString");
    delete_registry_key(ERegistryRoot::localMachine, uninstallKey);
    return result;
}

} // namespace KavirelDLL
