#include "harness/AllocationCount.h"

#include <cstddef>
#include <cstdlib>
#include <new>

// The sanitizers own operator new; their allocator calls a hook on every block instead. Without them the
// program's own operator new counts (the library's calls reach it too, since it does not define one).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KAVIREL_SANITIZED_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KAVIREL_SANITIZED_HEAP 1
#endif
#endif

namespace {
// Initial-exec: reading it never allocates, so the hook may run inside malloc.
thread_local long long t_blocks __attribute__((tls_model("initial-exec"))) = 0;
thread_local long long t_bytes __attribute__((tls_model("initial-exec"))) = 0;

void count(size_t size) {
    ++t_blocks;
    t_bytes += static_cast<long long>(size);
}
} // namespace

#ifdef KAVIREL_SANITIZED_HEAP
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, size_t),
                                                         void (*onFree)(const volatile void*));
namespace {
void countBlock(const volatile void*, size_t size) { count(size); }
void ignoreFree(const volatile void*) {}
const bool g_hooked = __sanitizer_install_malloc_and_free_hooks(countBlock, ignoreFree) != 0;
} // namespace
#else
void* operator new(std::size_t size) {
    count(size);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    count(size);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
#endif

namespace KavirelTest {

CAllocations allocationsOnThisThread() {
#ifdef KAVIREL_SANITIZED_HEAP
    (void)g_hooked;
#endif
    return {t_blocks, t_bytes};
}

} // namespace KavirelTest
