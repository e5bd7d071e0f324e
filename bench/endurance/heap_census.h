// Who holds the C++ heap blocks a cycle leaves behind. In the census build
// of the endurance benchmark every `new` records the cycle it ran in and its
// caller's stack; `report` then groups the blocks of earlier cycles that are
// still alive by that stack. The plain build records nothing and reports
// that it cannot.
#pragma once

#include <cstdio>

namespace quorvel::bench::heap_census {

// Whether this build records allocations.
bool recording();
// Blocks allocated from now on belong to `cycle`.
void set_cycle(int cycle);
// Prints to `out` the `top` stacks holding the most bytes among the blocks
// allocated in cycles `first` to `last` that are still alive, with each
// frame as "module+0xRVA".
void report(int first, int last, std::size_t top, std::FILE* out);

// From now on counts, by the stack that asked, the buffers and 2-D textures
// every Direct3D 11 device of the process makes (the devices share one
// table of methods, which this patches).
void count_gpu_resources(struct ID3D11Device* device);
// Buffers and textures made since `count_gpu_resources`; 0 in the plain
// build.
std::size_t gpu_resources_made();
// Prints to `out` the `top` stacks that made the most buffers and textures
// in cycles `first` to `last`.
void report_gpu_resources(int first, int last, std::size_t top, std::FILE* out);

// Remembers which blocks of the process's heaps (every heap, whoever
// allocated in it) are in use now.
void remember_heap_blocks();
// Prints to `out`, for the `sizes` block sizes whose new blocks hold the
// most bytes since
// `remember_heap_blocks`, up to `samples` of the new blocks' first bytes,
// each pointer-sized word that points into a module named as
// "module+0xRVA" (a vtable names the kind of object).
void report_new_heap_blocks(std::size_t sizes, std::size_t samples, std::FILE* out);

// Remembers the committed private bytes of each of the process's
// allocations (regions by their allocation base) now.
void remember_private_regions();
// Prints to `out` the `top` allocations whose committed private bytes grew
// most since `remember_private_regions`, each with its reserved size, the
// heap blocks in use inside it and whether it is a heap's first region.
void report_private_regions(std::size_t top, std::FILE* out);

}  // namespace quorvel::bench::heap_census
