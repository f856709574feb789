#include "heap_pages.h"

#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KUVORA_OWN_MALLOC 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define KUVORA_OWN_MALLOC 0
#endif
#endif
#ifndef KUVORA_OWN_MALLOC
#define KUVORA_OWN_MALLOC 1
#endif

namespace platform {

#if defined(__GLIBC__) && KUVORA_OWN_MALLOC

namespace {

constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
// glibc's defaults, put back once the heap is laid out.
constexpr int kDefaultMmapThreshold = 128 * 1024;
constexpr int kDefaultTrimThreshold = 128 * 1024;

std::uintptr_t alignUp(std::uintptr_t value) { return (value + kLargePage - 1) & ~(kLargePage - 1); }
std::uintptr_t alignDown(std::uintptr_t value) { return value & ~(kLargePage - 1); }

// The compiler may drop an allocation whose block is never used.
void keep(void* block) { asm volatile("" : : "r"(block) : "memory"); }

// The main arena's top chunk: the free space that ends at the program break.
struct Top {
    std::uintptr_t start = 0, end = 0;
};

Top currentTop() {
    const struct mallinfo2 info = mallinfo2();
    const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0));
    if (end == static_cast<std::uintptr_t>(-1) || info.keepcost > end) return {};
    return {end - info.keepcost, end};
}

// The first 2 MB boundary above `top` with room for the chunk headers.
std::uintptr_t firstLargePage(const Top& top) { return alignUp(top.start + 64); }

}  // namespace

void placeHeapOnLargePages() {
    static bool placed = false;
    if (placed) return;
    placed = true;
    // The heap grows 4 MB at a time (pages not touched take no memory) and
    // keeps that much free at its top when memory is given back, so that the
    // large page stays. While it is laid out, the two allocations below come
    // from the heap, not from mmap, and nothing is given back.
    mallopt(M_TOP_PAD, 4 << 20);
    mallopt(M_TRIM_THRESHOLD, 16 << 20);
    mallopt(M_MMAP_THRESHOLD, 16 << 20);
    const auto restore = [] {
        mallopt(M_MMAP_THRESHOLD, kDefaultMmapThreshold);
        mallopt(M_TRIM_THRESHOLD, kDefaultTrimThreshold);
    };
    Top top = currentTop();
    if (top.end == 0) return restore();
    std::uintptr_t page = firstLargePage(top);
    if (top.end < page + kLargePage) {
        // Grow the heap: a block from the top's start past the boundary,
        // given straight back, leaves a top that spans a whole large page.
        void* grow = std::malloc(page + kLargePage - top.start);
        keep(grow);
        std::free(grow);
        top = currentTop();
        page = firstLargePage(top);
    }
    void* filler = nullptr;
    if (top.end >= page + kLargePage &&
        madvise(reinterpret_cast<void*>(page), alignDown(top.end) - page, MADV_HUGEPAGE) == 0) {
        // Take what is left below the boundary, so that the next allocations
        // start on the large page. The block is kept for the process's life:
        // its pages are never touched and cost no memory.
        filler = std::malloc(page - top.start - sizeof(std::size_t));
        keep(filler);
        if (filler && currentTop().start != page) {
            // It came from a free block elsewhere: nothing was gained.
            std::free(filler);
            filler = nullptr;
        }
    }
    restore();
    (void)filler;
}

#else

void placeHeapOnLargePages() {}

#endif

}  // namespace platform
