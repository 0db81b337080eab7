#include "platform/Modules.h"

#include "platform/Codepage.h"
#include "platform/Files.h"

#include <dlfcn.h>

namespace KavirelDLL {

CPlatformModule::~CPlatformModule() { unload(); }

std::string CPlatformModule::libraryFileName(const std::string& name) {
    if (name.size() >= 4 && foldCp1250(name.substr(name.size() - 4)) == ".dll")
        return name.substr(0, name.size() - 4) + ".so";
    return name;
}

EPlatformError CPlatformModule::load(const std::string& folder, const std::string& name) {
    unload();
    m_lastError.clear();
    std::string path;
    EPlatformError error = CPlatformFiles::resolveInside(folder, libraryFileName(name), path, true);
    if (error != EPlatformError::none) {
        m_lastError = "module " + cp1250ToUtf8(name) + ": " + platformErrorText(error);
        return error;
    }
    // The path always holds a '/', so dlopen never searches the system's library folders.
    dlerror();
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char* text = dlerror();
        m_lastError = text ? text : "dlopen failed";
        return EPlatformError::unsupported;
    }
    m_path = path;
    return EPlatformError::none;
}

void* CPlatformModule::symbol(const std::string& name) {
    if (!m_handle) {
        m_lastError = "symbol " + name + ": no module loaded";
        return nullptr;
    }
    dlerror();
    void* address = dlsym(m_handle, name.c_str());
    const char* text = dlerror();
    if (text || !address) {
        m_lastError = text ? text : "symbol " + name + " is null";
        return nullptr;
    }
    m_lastError.clear();
    return address;
}

void CPlatformModule::unload() {
    if (!m_handle) return;
    if (dlclose(m_handle) != 0) {
        const char* text = dlerror();
        m_lastError = text ? text : "dlclose failed";
    }
    m_handle = nullptr;
    m_path.clear();
}

} // namespace KavirelDLL
