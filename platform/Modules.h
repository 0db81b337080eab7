#pragma once
#include "platform/PlatformError.h"

#include <string>

namespace KavirelDLL {

// A plug-in module: a shared library loaded from a folder. A name ending in ".dll" (any case) is looked up
// as the same name ending in ".so"; the name is matched without regard to case, like every file name, and
// never searched for outside the folder. Modules export their entry points as extern "C".
class CPlatformModule {
public:
    CPlatformModule() = default;
    // Unloads a module still loaded.
    ~CPlatformModule();
    CPlatformModule(const CPlatformModule&) = delete;
    CPlatformModule& operator=(const CPlatformModule&) = delete;

    // Loads name (an engine name, may hold sub-folders) from folder; a module already loaded is unloaded
    // first.
    EPlatformError load(const std::string& folder, const std::string& name);
    // Address of an exported symbol, or null (lastError() then says why).
    void* symbol(const std::string& name);
    void unload();
    bool isLoaded() const { return m_handle != nullptr; }
    // Text of the last failure of this module, empty after a success.
    const std::string& lastError() const { return m_lastError; }
    // Native path of the loaded library.
    const std::string& path() const { return m_path; }
    // The file name a module name stands for: "x.DLL" gives "x.so"; other names are kept.
    static std::string libraryFileName(const std::string& name);

private:
    void* m_handle = nullptr;
    std::string m_path;
    std::string m_lastError;
};

} // namespace KavirelDLL
