// MULTIARRAY's binary file: a load of the bytes, reads and counts over what it kept, and a save of it.
#include <cstdlib>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "script/Integer.h"
#include "script/MultiArray.h"
#include "script/VariableFactory.h"
#include "shell/RegisterTypes.h"

using namespace KavirelDLL;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Stored values are read through the value pools, which go when the process ends.
    static const bool pools = [] {
        kavirelRegisterTypes();
        CMC_VariableFactory::initialize();
        return std::atexit(CMC_VariableFactory::done) == 0;
    }();
    (void)pools;
    CMC_MultiArray grid(nullptr, CXString("GRID"));
    grid.load(KavirelFuzz::writeScratch("grid.bin", data, size));
    std::vector<int32_t> coords(static_cast<size_t>(grid.getDimensions()), 0);
    for (int32_t i = 0; i < 8; ++i) {
        coords[0] = i;
        grid.get(coords);
    }
    CMC_Integer one(1);
    grid.count(&one);
    grid.set(coords, &one);
    grid.save(KavirelFuzz::writeScratch("saved.bin", "", 0));
    return 0;
}
