// The registry's store file over any bytes: every key and value it reads, then a change, after which the file
// on disk reads back to the same records (a damaged file is moved aside whole, one that cannot be read is never
// written over).
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/Registry.h"

using namespace KavirelDLL;

namespace {

// Every key below the roots with its values, one line each, as far as a few thousand lines.
std::string dump(CPlatformRegistry& registry) {
    std::string out;
    size_t lines = 0;
    auto walk = [&](auto&& self, ERegistryRoot root, const std::string& key, int depth) -> void {
        if (depth > 32 || ++lines > 4000) return;
        out += key + "\n";
        std::vector<std::string> names;
        registry.listValues(root, key, names);
        for (const std::string& name : names) {
            std::string text;
            uint32_t number = 0;
            if (registry.getString(root, key, name, text) == EPlatformError::none)
                out += " " + name + "=" + text + "\n";
            else if (registry.getNumber(root, key, name, number) == EPlatformError::none)
                out += " " + name + "#" + std::to_string(number) + "\n";
        }
        std::vector<std::string> keys;
        registry.listSubKeys(root, key, keys);
        for (const std::string& sub : keys) self(self, root, key.empty() ? sub : key + "\\" + sub, depth + 1);
    };
    walk(walk, ERegistryRoot::currentUser, "", 0);
    walk(walk, ERegistryRoot::localMachine, "", 0);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::error_code ignored;
    std::filesystem::remove_all(KavirelFuzz::scratch() / "registry", ignored);
    std::string file = KavirelFuzz::writeScratch("registry/registry.txt", data, size).GetBuffer();
    std::string folder = file.substr(0, file.find_last_of('\\'));
    bool kept;
    std::string records;
    {
        CPlatformRegistry registry(folder);
        dump(registry);
        registry.setString(ERegistryRoot::currentUser, "Software\\Kavirel\\Gra", "FullName", "Moja gra");
        registry.setNumber(ERegistryRoot::currentUser, "Software\\Kavirel\\Gra", "TimesPlayed", 3);
        EPlatformError status = registry.loadStatus();
        kept = status == EPlatformError::none || status == EPlatformError::corrupt;
        records = dump(registry);
    }
    // What a store that reached its file holds is what a fresh one reads from it.
    if (kept) {
        CPlatformRegistry fresh(folder);
        if (dump(fresh) != records) __builtin_trap();
    }
    return 0;
}
