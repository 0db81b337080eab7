#include "core/XRandom.h"

#include <cstdlib>
#include <ctime>
#include <unordered_set>

#include "core/HiResTimer.h"
#include "core/Log.h"

namespace KavirelDLL {

int CXRandom::s_table[CXRandom::TABLE_SIZE];

CXRandom::CXRandom() { std::srand(static_cast<unsigned>(std::time(nullptr))); }

int CXRandom::random(int n) {
    if (n == 0) return 0;
    // The sum is taken unsigned: a long-running clock would otherwise turn it, and the draw, negative.
    uint32_t sum = CHiResTimer::timer.GetTickCount() + static_cast<uint32_t>(std::rand());
    uint64_t range = n < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(n)) : static_cast<uint64_t>(n);
    return static_cast<int>(sum % range);
}

int CXRandom::random(int base, int n) {
    if (n == 0) return base;
    return static_cast<int>(static_cast<int64_t>(base) + random(n));
}

int* CXRandom::random_vector(int base, int n, int count, bool unique) {
    if (count == 0) count = static_cast<int>(static_cast<int64_t>(n) - base);
    if (count > TABLE_SIZE) {
        logMessage("Arguments error: Random::getPlenty( )\n");
        return s_table;
    }
    // Only |n| distinct values exist (one when n is 0); past them the draws may repeat, so a unique
    // request for more than that cannot loop for ever.
    int64_t distinct = n == 0 ? 1 : (n < 0 ? -static_cast<int64_t>(n) : n);
    if (unique && count > distinct)
        logMessage("Random::getPlenty: %d unique numbers asked from %lld values; the rest repeat", count,
                   static_cast<long long>(distinct));
    std::unordered_set<int> drawn;
    for (int i = 0; i < count; ++i) {
        int v = random(base, n);
        if (unique && i < distinct) {
            while (drawn.count(v)) v = random(base, n);
            drawn.insert(v);
        }
        s_table[i] = v;
    }
    return s_table;
}

} // namespace KavirelDLL
