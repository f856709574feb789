// Where a short-lived process keeps its heap.
#pragma once

namespace platform {

// Lets the heap grow on one 2 MB transparent huge page instead of 4 KB pages
// taken one fault at a time. Call it first thing in main(), before the work.
// On a virtual machine every first touch of a 4 KB page costs microseconds,
// and a read grows the heap by some sixty pages (SQLite's page cache and
// parser, the history's texts); one huge page costs one fault. Does nothing
// where the C library is not glibc, under the sanitizers, or when the heap
// is not laid out as expected; never fails.
void placeHeapOnLargePages();

}  // namespace platform
