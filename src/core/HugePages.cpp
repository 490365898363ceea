#include "HugePages.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace pimra {

namespace {

// Collapsing filled memory at once came with Linux 6.1; older headers lack the name.
#ifndef MADV_COLLAPSE
constexpr int MADV_COLLAPSE = 25;
#endif

}  // namespace

void* allocateHugePages(std::size_t bytes) {
    const std::size_t rounded = (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
    void* memory = std::aligned_alloc(kHugePageBytes, rounded);
#ifdef MADV_HUGEPAGE
    if (memory != nullptr) ::madvise(memory, rounded, MADV_HUGEPAGE);
#endif
    return memory;
}

void adviseHugePages(const void* data, std::size_t bytes) {
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
    const std::uintptr_t end = (start + bytes) / kHugePageBytes * kHugePageBytes;
    if (first >= end) return;
    void* range = reinterpret_cast<void*>(first);
    const std::size_t length = end - first;
#ifdef MADV_HUGEPAGE
    ::madvise(range, length, MADV_HUGEPAGE);
#endif
    // Refused by kernels before 6.1 and where huge pages are off: the pages stay small.
    ::madvise(range, length, MADV_COLLAPSE);
}

}  // namespace pimra
