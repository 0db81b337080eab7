// "application.bin" read into a running world: the small world's other files and caches stay as written.
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KavirelFuzz::runFromCaches("Dane/application.bin", data, size);
    return 0;
}
