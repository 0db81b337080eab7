#include "main/Startup.h"

#include "core/CommandLine6.h"
#include "core/Config.h"
#include "core/File.h"
#include "core/Log.h"
#include "core/Path.h"
#include "core/XVersion.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Registry.h"

using namespace KavirelDLL;

const char* const kKavirelWebKey = "Software\\OrvikMedia\\KavirelWeb";

namespace {

bool anyMatch(const char* pattern) {
    _finddata64i32_t found;
    int handle = CFile::findFirst(CXString(pattern), &found);
    if (handle < 0) return false;
    CFile::findClose(handle);
    return true;
}

} // namespace

bool hasPendingUpdate() {
    return anyMatch("temp\\*.dll") || anyMatch("temp\\*.so") || anyMatch("temp\\*.exe");
}

void handOverToUpdate(const std::vector<std::string>& arguments) {
    EPlatformError error = CPlatformProcess::exec("copy.exe", arguments);
    // Start-up goes on with the present version.
    logMessage("a pending update could not be handed to \"copy.exe\": %s", platformErrorText(error));
}

bool writeEngineVersion() {
    CXString version = CXVersion::getCurrentVersion()->toString();
    EPlatformError error = CPlatformRegistry::shared().setString(ERegistryRoot::currentUser, kKavirelWebKey,
                                                                 "Version", version.GetBuffer());
    if (error == EPlatformError::none) return true;
    logMessage("the engine's version could not be recorded: %s", platformErrorText(error));
    return false;
}

ESettingsResult readMainSettings(CCommandLine6& commandLine, SMainSettings& settings, CXString& message) {
    const CXString mainIni = CPath::getFullPath(CFile::getCurrentDirectory(), "Kavirel.ini");
    settings.configFile = mainIni;
    {
        CConfig config(mainIni);
        settings.product = config.GetString("MAIN", "PRODUCT");
        settings.rootPath = config.GetString("MAIN", "ROOTPATH");
    }

    if (settings.product.IsString()) {
        const std::string base = CPlatformFiles::userDataFolder();
        if (base.empty()) {
            message = "SHGetSpecialFolder returned 0";
            return ESettingsResult::noUserFolder;
        }
        // The product names one folder, as the application shell takes it.
        const std::string product = settings.product.GetBuffer();
        if (product == "." || product == ".." || product.find_first_of("\\/:") != std::string::npos) {
            message = CXString("Nieprawid\xB3owa nazwa produktu w pliku Kavirel.ini: ") + settings.product;
            return ESettingsResult::badProduct;
        }
        const std::string relative = "OrvikMedia\\" + product + "\\Kavirel.ini";
        std::string native;
        EPlatformError error = CPlatformFiles::createFolder(base);
        if (error == EPlatformError::none)
            error = CPlatformFiles::resolveInside(base, relative, native, false);
        if (error == EPlatformError::escapesRoot || error == EPlatformError::invalidName) {
            message = CXString("Nieprawid\xB3owa nazwa produktu w pliku Kavirel.ini: ") + settings.product;
            return ESettingsResult::badProduct;
        }
        if (error != EPlatformError::none) {
            message = CXString("SHGetSpecialFolder returned 0");
            logMessage("the per-user folder %s cannot be used: %s", base.c_str(), platformErrorText(error));
            return ESettingsResult::noUserFolder;
        }
        const std::string perUser = CPlatformFiles::toEngineName(native);
        const std::string folder = perUser.substr(0, perUser.rfind('\\'));
        error = CPlatformFiles::createFolder(folder);
        if (error == EPlatformError::none && !CPlatformFiles::exists(perUser)) {
            error = CPlatformFiles::copyFile(mainIni.GetBuffer(), perUser, true);
            if (error == EPlatformError::notFound) error = EPlatformError::none;
        }
        if (error != EPlatformError::none && error != EPlatformError::exists)
            logMessage("the per-user copy %s of Kavirel.ini could not be made: %s", perUser.c_str(),
                       platformErrorText(error));
        settings.configFile = CXString(perUser.c_str());
    }

    CConfig config(settings.configFile);
    settings.title = config.GetString("MAIN", "TITLE");
    settings.icon = config.GetString("MAIN", "ICON");
    settings.ini = config.GetString("MAIN", "INI");
    settings.subdir = config.GetString("MAIN", "SUBDIR");
    settings.language = config.GetString("MAIN", "LANGUAGE");
    if (!settings.ini.IsString()) settings.ini = "Kavirel.ini";
    if (!settings.title.IsString()) settings.title = "OrvikMedia";
    if (settings.subdir.IsString() && !commandLine.getPath().IsString()) commandLine.setPath(settings.subdir);
    return ESettingsResult::ok;
}
