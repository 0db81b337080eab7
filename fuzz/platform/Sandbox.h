#pragma once
#include <string>
#include <vector>

namespace KavirelFuzz {

// Keeps this process (and what it starts) from writing anywhere but below the given folders and to
// /dev/null: fuzzed scripts can copy files and make folders, and fuzzing often runs as root. Reads stay
// free. False, with the reason, where the kernel cannot confine the process.
bool confineWrites(const std::vector<std::string>& folders, std::string& why);

} // namespace KavirelFuzz
