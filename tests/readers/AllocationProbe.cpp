// Replaces the global operator new and delete of the test program with ones that note the
// largest request and the sum of all requests; everything else is plain malloc and free.
#include "AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> g_largest{0};
std::atomic<std::size_t> g_total{0};

void Note(std::size_t size) {
    g_total.fetch_add(size, std::memory_order_relaxed);
    std::size_t seen = g_largest.load(std::memory_order_relaxed);
    while (size > seen && !g_largest.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
}

}  // namespace

void* operator new(std::size_t size) {
    Note(size);
    if (void* block = std::malloc(size != 0 ? size : 1)) return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}

namespace pictrove::test {

void ResetLargestAllocation() {
    g_largest.store(0);
    g_total.store(0);
}

std::size_t LargestAllocation() {
    return g_largest.load();
}

std::size_t TotalAllocated() {
    return g_total.load();
}

}  // namespace pictrove::test
