// Behaviour code run in a small world: the input is the code of a behaviour that the first scene runs when it
// starts and on each tick of its timer (line ends become blanks, as a definition holds one line).
#include <algorithm>
#include <string>

#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string code(reinterpret_cast<const char*>(data), size);
    std::replace(code.begin(), code.end(), '\n', ' ');
    std::replace(code.begin(), code.end(), '\r', ' ');
    KavirelFuzz::runWorld(KavirelFuzz::smallWorld(code), false);
    return 0;
}
