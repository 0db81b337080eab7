#pragma once
#include <cstdint>

#include "core/XObject.h"

namespace KavirelDLL {

// Random numbers from the C runtime's generator mixed with the high-resolution clock. The engine window
// seeds the generator at start-up.
class CXRandom : public CXObject {
public:
    // Seeds the generator with the current time in seconds.
    CXRandom();

    // A draw from 0 to |n|-1; 0 when n is 0.
    static int random(int n);
    // base plus a draw from 0 to |n|-1; base when n is 0.
    static int random(int base, int n);
    // Fills the shared table with count draws of base + random(n) (count 0: n - base) and returns it;
    // the next call overwrites it. More than TABLE_SIZE draws leave the table as it was.
    static int* random_vector(int base, int n, int count, bool unique);

    static constexpr int TABLE_SIZE = 10000;

private:
    static int s_table[TABLE_SIZE];
};

} // namespace KavirelDLL
