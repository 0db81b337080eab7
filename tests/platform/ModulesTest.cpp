#include "platform/Modules.h"

#include "platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace KavirelDLL;
namespace fs = std::filesystem;

namespace {
const fs::path kBuiltModule = fs::path(KAVIREL_BINARY_DIR) / "testmodules" / "TestModule.so";
}

TEST(PlatformModules, DllNamesAreLookedUpAsSharedObjects) {
    EXPECT_EQ(CPlatformModule::libraryFileName("plugin.dll"), "plugin.so");
    EXPECT_EQ(CPlatformModule::libraryFileName("Plugin.DLL"), "Plugin.so");
    EXPECT_EQ(CPlatformModule::libraryFileName("plugin.so"), "plugin.so");
    EXPECT_EQ(CPlatformModule::libraryFileName("plugin.dll.x"), "plugin.dll.x");
    EXPECT_EQ(CPlatformModule::libraryFileName(".dll"), ".so");
}

TEST(PlatformModules, LoadsBindsCallsAndUnloads) {
    ASSERT_TRUE(fs::exists(kBuiltModule)) << kBuiltModule;
    CTempFolder tmp;
    fs::create_directories(tmp.path() / "Dlls");
    fs::copy_file(kBuiltModule, tmp.path() / "Dlls" / "TestModule.so");

    CPlatformModule module;
    EXPECT_FALSE(module.isLoaded());
    EXPECT_EQ(module.symbol("create"), nullptr);
    EXPECT_FALSE(module.lastError().empty());

    ASSERT_EQ(module.load(tmp.str() + "\\dlls", "testmodule.DLL"), EPlatformError::none)
        << module.lastError();
    EXPECT_TRUE(module.isLoaded());
    EXPECT_EQ(module.path(), (tmp.path() / "Dlls" / "TestModule.so").string());

    auto create = reinterpret_cast<void (*)(void*)>(module.symbol("create"));
    auto release = reinterpret_cast<void (*)()>(module.symbol("release"));
    auto getInterface = reinterpret_cast<void* (*)()>(module.symbol("getModuleInterface"));
    auto container = reinterpret_cast<void* (*)()>(module.symbol("testContainer"));
    auto released = reinterpret_cast<int (*)()>(module.symbol("testReleased"));
    ASSERT_TRUE(create && release && getInterface && container && released) << module.lastError();
    EXPECT_TRUE(module.lastError().empty());
    int scene = 0;
    create(&scene);
    EXPECT_EQ(container(), &scene);
    ASSERT_NE(getInterface(), nullptr);
    EXPECT_EQ(*static_cast<int*>(getInterface()), 4661);
    release();
    EXPECT_EQ(released(), 1);

    EXPECT_EQ(module.symbol("missingEntry"), nullptr);
    EXPECT_NE(module.lastError().find("missingEntry"), std::string::npos) << module.lastError();

    module.unload();
    EXPECT_FALSE(module.isLoaded());
    module.unload(); // twice is harmless
}

TEST(PlatformModules, FailuresSayWhy) {
    CTempFolder tmp;
    CPlatformModule module;
    EXPECT_EQ(module.load(tmp.str(), "absent.dll"), EPlatformError::notFound);
    EXPECT_NE(module.lastError().find("absent.dll"), std::string::npos) << module.lastError();
    EXPECT_FALSE(module.isLoaded());

    tmp.put("broken.so", "not a library at all");
    EXPECT_EQ(module.load(tmp.str(), "BROKEN.dll"), EPlatformError::unsupported);
    EXPECT_FALSE(module.lastError().empty());
    EXPECT_FALSE(module.isLoaded());

    // Names never reach outside the module folder, nor the system's library search.
    fs::create_directories(tmp.path() / "mods");
    EXPECT_EQ(module.load(tmp.str() + "/mods", "..\\broken.dll"), EPlatformError::escapesRoot);
    EXPECT_EQ(module.load(tmp.str() + "/mods", "libc.so.6"), EPlatformError::notFound);
    EXPECT_EQ(module.load(tmp.str() + "/none", "x.dll"), EPlatformError::notFound);
}
