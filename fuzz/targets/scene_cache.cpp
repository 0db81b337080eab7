// A "<scene>.bin" cache read into a running world. The first byte picks the cache (the application's
// objects, the episode's, either scene's); the rest replaces it.
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const kCaches[] = {"Dane/GAME.bin", "Dane/E1/E1.bin", "Dane/E1/S1/S1.bin",
                                          "Dane/E1/S2/S2.bin"};
    KavirelFuzz::CFuzzInput input(data, size);
    const char* cache = kCaches[input.byte() % 4];
    KavirelFuzz::runFromCaches(cache, input.rest(), input.restSize());
    return 0;
}
