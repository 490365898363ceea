#pragma once

#include <cstddef>

namespace pimra {

// The search's tables are read at random places of many megabytes: on small pages nearly
// every read also misses the TLB. These ask the system for huge pages where it gives them on
// request; where it does not, nothing changes.

// The size of a huge page, to which memory that asks for them is aligned.
constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

// Memory of at least `bytes`, aligned to a huge page and advised to use them; null when there
// is none. Freed with std::free.
void* allocateHugePages(std::size_t bytes);

// Moves the whole huge pages within memory already filled (a table read or solved) onto huge
// pages now, rather than whenever the system gets round to it.
void adviseHugePages(const void* data, std::size_t bytes);

}  // namespace pimra
