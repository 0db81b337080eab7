#pragma once
// Heap blocks allocated by the calling thread, so a test can tell a text that grows in place from one
// copied whole at every step without timing anything.

namespace KavirelTest {

struct CAllocations {
    long long blocks = 0;
    long long bytes = 0;
};

// What this thread has allocated so far: every operator new, and under the sanitizers malloc as well.
CAllocations allocationsOnThisThread();

// The blocks, and their bytes, this thread allocates while it lives.
class CAllocationCount {
public:
    CAllocationCount() : m_start(allocationsOnThisThread()) {}
    long long blocks() const { return allocationsOnThisThread().blocks - m_start.blocks; }
    long long bytes() const { return allocationsOnThisThread().bytes - m_start.bytes; }

private:
    CAllocations m_start;
};

} // namespace KavirelTest
