#pragma once
// Heap blocks allocated by the calling thread, so a test can tell a text that grows in place from one
// copied whole at every step without timing anything.

namespace KavirelTest {

// Blocks this thread has allocated so far: every operator new, and under the sanitizers malloc as well.
long long allocationsOnThisThread();

// The blocks this thread allocates while it lives.
class CAllocationCount {
public:
    CAllocationCount() : m_start(allocationsOnThisThread()) {}
    long long count() const { return allocationsOnThisThread() - m_start; }

private:
    long long m_start;
};

} // namespace KavirelTest
