#include "common/HeapPeak.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {
std::atomic<int64_t> Held{0}, Highest{0};

void* Take(std::size_t size)
{
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    const int64_t now = Held += int64_t(malloc_usable_size(p));
    for (int64_t high = Highest.load(); now > high && !Highest.compare_exchange_weak(high, now);) {
    }
    return p;
}

void Give(void* p) noexcept
{
    if (!p)
        return;
    Held -= int64_t(malloc_usable_size(p));
    std::free(p);
}
} // namespace

THeapPeak::THeapPeak() : FStart(Held.load()) { Highest = FStart; }

int64_t THeapPeak::Peak() const { return Highest.load() - FStart; }

void* operator new(std::size_t size) { return Take(size); }
void* operator new[](std::size_t size) { return Take(size); }
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, std::size_t) noexcept { Give(p); }
void operator delete[](void* p, std::size_t) noexcept { Give(p); }
