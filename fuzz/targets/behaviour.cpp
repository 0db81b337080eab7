// Behaviour code run in a small world. An input that starts with "{" is the code of the behaviour that the
// first scene runs when it starts and on each tick of its timer (line ends become blanks, as a definition
// holds one line); any other input is read by the generator of fuzz/BehaviourCode.h into the codes of that
// behaviour and of four more, in a world with more to call and delete. KAVIREL_FUZZ_SHOW=1 prints the codes.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KavirelFuzz::GeneratedCode code = KavirelFuzz::behaviourCode(data, size);
    std::replace(code.fuzz.begin(), code.fuzz.end(), '\n', ' ');
    std::replace(code.fuzz.begin(), code.fuzz.end(), '\r', ' ');
    if (std::getenv("KAVIREL_FUZZ_SHOW")) std::fprintf(stderr, "%s", KavirelFuzz::describe(code).c_str());
    KavirelFuzz::runWorld(KavirelFuzz::smallWorld(code), false);
    return 0;
}
