// The heap of a short-lived program on a transparent huge page.
#include "heap_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <malloc.h>
#include <unistd.h>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kOwnMalloc = false;
#else
constexpr bool kOwnMalloc = true;
#endif

constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;

std::string fileText(const char* path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The smaps block of the mapping that holds `address`.
std::string mappingOf(std::uintptr_t address) {
    std::istringstream smaps(fileText("/proc/self/smaps"));
    std::string line, block;
    bool inside = false;
    while (std::getline(smaps, line)) {
        std::uintptr_t from = 0, to = 0;
        char dash = 0;
        std::istringstream head(line);
        if (line.find(':') > line.find(' ') && (head >> std::hex >> from >> dash >> to) && dash == '-') {
            if (inside) break;
            inside = from <= address && address < to;
        }
        if (inside) block += line + '\n';
    }
    return block;
}

TEST(HeapPages, TheHeapGrowsFromALargePageThatMayBeHuge) {
    if (!kOwnMalloc) GTEST_SKIP() << "the sanitizers bring their own allocator";
    const std::string thp = fileText("/sys/kernel/mm/transparent_hugepage/enabled");
    if (thp.empty() || thp.find("[never]") != std::string::npos)
        GTEST_SKIP() << "transparent huge pages are off or missing on this machine";
    platform::placeHeapOnLargePages();
    platform::placeHeapOnLargePages();  // once is enough: a second call changes nothing

    // The free space at the heap's top starts on a 2 MB boundary, in a
    // mapping the kernel may back with huge pages.
    const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0));
    const std::uintptr_t top = end - mallinfo2().keepcost;
    EXPECT_EQ(top % kLargePage, 0u) << std::hex << top;
    EXPECT_GE(end - top, kLargePage);
    const std::string mapping = mappingOf(top);
    const auto eligible = mapping.find("THPeligible:");
    ASSERT_NE(eligible, std::string::npos) << mapping;
    EXPECT_EQ(std::stoi(mapping.substr(eligible + 12)), 1) << mapping;

    // A block no free one fits comes from there, and the heap still works
    // as before: blocks come and go, the large ones from mmap.
    void* next = std::malloc(96 * 1024);
    EXPECT_GE(reinterpret_cast<std::uintptr_t>(next), top);
    std::vector<void*> blocks;
    for (int i = 0; i < 2000; ++i) blocks.push_back(std::malloc(static_cast<std::size_t>(16 + i * 37)));
    blocks.push_back(std::malloc(8 << 20));
    for (void* b : blocks) ASSERT_NE(b, nullptr);
    for (void* b : blocks) std::free(b);
    std::free(next);
}

}  // namespace
