// Replaces the global operator new and delete of the census build: each
// block carries a header with its size, the cycle it was made in and the
// stack that made it, and lives on one list while it is alive.
#include "bench/endurance/heap_census.h"

#include <windows.h>
#include <d3d11.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <new>
#include <utility>
#include <vector>

namespace {

constexpr int kFrames = 12;

struct alignas(16) BlockHeader {
  BlockHeader* previous;
  BlockHeader* next;
  std::size_t size;
  int cycle;
  int frames;
  void* stack[kFrames];
};

// The list and the cycle are the process's own: operator new is.
SRWLOCK list_lock = SRWLOCK_INIT;
BlockHeader list_head{&list_head, &list_head, 0, 0, 0, {}};
std::atomic<int> current_cycle{0};

void* allocate(std::size_t size) {
  auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
  if (header == nullptr) return nullptr;
  header->size = size;
  header->cycle = current_cycle.load(std::memory_order_relaxed);
  header->frames = RtlCaptureStackBackTrace(0, kFrames, header->stack, nullptr);
  AcquireSRWLockExclusive(&list_lock);
  header->previous = &list_head;
  header->next = list_head.next;
  list_head.next->previous = header;
  list_head.next = header;
  ReleaseSRWLockExclusive(&list_lock);
  return header + 1;
}

void release(void* block) {
  if (block == nullptr) return;
  auto* header = static_cast<BlockHeader*>(block) - 1;
  AcquireSRWLockExclusive(&list_lock);
  header->previous->next = header->next;
  header->next->previous = header->previous;
  ReleaseSRWLockExclusive(&list_lock);
  std::free(header);
}

struct Kept {
  std::size_t size;
  int frames;
  void* stack[kFrames];
};

void print_frame(void* address, std::FILE* out) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCWSTR>(address), &module)) {
    std::fprintf(out, " ?%p", address);
    return;
  }
  wchar_t path[MAX_PATH]{};
  GetModuleFileNameW(module, path, MAX_PATH);
  const wchar_t* name = std::max(wcsrchr(path, L'\\'), wcsrchr(path, L'/'));
  std::fprintf(out, " %ls+0x%llx", name != nullptr ? name + 1 : path,
               static_cast<unsigned long long>(static_cast<char*>(address) -
                                               reinterpret_cast<char*>(module)));
}

// Room for the census's own lists straight from the system's pages, so that
// they are never among the heaps' blocks they list.
template <typename T>
struct PageAllocator {
  using value_type = T;
  PageAllocator() = default;
  template <typename U>
  PageAllocator(const PageAllocator<U>&) {}
  T* allocate(std::size_t count) {
    void* pages = VirtualAlloc(nullptr, count * sizeof(T), MEM_RESERVE | MEM_COMMIT,
                               PAGE_READWRITE);
    if (pages == nullptr) throw std::bad_alloc();
    return static_cast<T*>(pages);
  }
  void deallocate(T* pages, std::size_t) { VirtualFree(pages, 0, MEM_RELEASE); }
  template <typename U>
  bool operator==(const PageAllocator<U>&) const {
    return true;
  }
};

struct HeapBlock {
  const void* address;
  std::size_t size;
  HANDLE heap;
};

std::vector<HANDLE> process_heaps() {
  std::vector<HANDLE> heaps(64);
  DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  if (count > heaps.size()) {
    heaps.resize(count);
    count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  }
  heaps.resize(std::min<std::size_t>(count, heaps.size()));
  return heaps;
}

// Every busy block of every heap. The room is made before each walk: the
// walk must not allocate in the heap it walks.
using HeapBlocks = std::vector<HeapBlock, PageAllocator<HeapBlock>>;
using BlockAddresses = std::vector<const void*, PageAllocator<const void*>>;

HeapBlocks busy_heap_blocks() {
  HeapBlocks blocks;
  for (HANDLE heap : process_heaps()) {
    std::size_t count = 0;
    if (!HeapLock(heap)) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry)) ++count;
    HeapUnlock(heap);
    blocks.reserve(blocks.size() + count + 4096);
    if (!HeapLock(heap)) continue;
    entry = PROCESS_HEAP_ENTRY{};
    while (HeapWalk(heap, &entry) && blocks.size() < blocks.capacity()) {
      if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) {
        blocks.push_back({entry.lpData, entry.cbData, heap});
      }
    }
    HeapUnlock(heap);
  }
  return blocks;
}

// Stacks of the resources made, with their cycle; kept in a fixed table so
// that counting never allocates inside the device's calls.
struct GpuCreation {
  int cycle;
  int frames;
  void* stack[kFrames];
};
constexpr std::size_t kMaxGpuCreations = 1 << 20;
GpuCreation* gpu_creations = nullptr;
std::atomic<std::size_t> gpu_creation_count{0};

void note_gpu_creation() {
  const std::size_t index = gpu_creation_count.fetch_add(1);
  if (gpu_creations == nullptr || index >= kMaxGpuCreations) return;
  GpuCreation& creation = gpu_creations[index];
  creation.cycle = current_cycle.load(std::memory_order_relaxed);
  creation.frames = RtlCaptureStackBackTrace(1, kFrames, creation.stack, nullptr);
}

using CreateBuffer = HRESULT(STDMETHODCALLTYPE*)(ID3D11Device*, const D3D11_BUFFER_DESC*,
                                                 const D3D11_SUBRESOURCE_DATA*, ID3D11Buffer**);
using CreateTexture2D = HRESULT(STDMETHODCALLTYPE*)(ID3D11Device*, const D3D11_TEXTURE2D_DESC*,
                                                    const D3D11_SUBRESOURCE_DATA*,
                                                    ID3D11Texture2D**);
CreateBuffer real_create_buffer = nullptr;
CreateTexture2D real_create_texture = nullptr;

// Stands in the device's table for a creation method: notes the stack,
// then calls the device's own method.
template <typename Description, typename Resource, auto& real_create>
HRESULT STDMETHODCALLTYPE counted_create(ID3D11Device* device, const Description* description,
                                         const D3D11_SUBRESOURCE_DATA* data, Resource** made) {
  note_gpu_creation();
  return real_create(device, description, data, made);
}

// Committed private bytes by allocation base.
std::map<const void*, std::size_t> private_regions() {
  std::map<const void*, std::size_t> regions;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* address = nullptr;
       VirtualQuery(address, &region, sizeof(region)) == sizeof(region);
       address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
      regions[region.AllocationBase] += region.RegionSize;
    }
    if (region.RegionSize == 0) break;
  }
  return regions;
}

std::map<const void*, std::size_t>& remembered_regions() {
  static std::map<const void*, std::size_t> regions;
  return regions;
}

// Sorted.
BlockAddresses& remembered_blocks() {
  static BlockAddresses blocks;
  return blocks;
}

}  // namespace

void* operator new(std::size_t size) {
  void* block = allocate(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size == 0 ? 1 : size);
}
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { release(block); }

namespace quorvel::bench::heap_census {

bool recording() { return true; }

void count_gpu_resources(ID3D11Device* device) {
  if (real_create_buffer != nullptr) return;
  gpu_creations = static_cast<GpuCreation*>(
      VirtualAlloc(nullptr, sizeof(GpuCreation) * kMaxGpuCreations, MEM_RESERVE | MEM_COMMIT,
                   PAGE_READWRITE));
  void** table = *reinterpret_cast<void***>(device);
  constexpr int kCreateBufferSlot = 3;
  constexpr int kCreateTexture2dSlot = 5;
  DWORD protection = 0;
  if (!VirtualProtect(table, sizeof(void*) * 8, PAGE_READWRITE, &protection)) return;
  real_create_buffer = reinterpret_cast<CreateBuffer>(table[kCreateBufferSlot]);
  real_create_texture = reinterpret_cast<CreateTexture2D>(table[kCreateTexture2dSlot]);
  table[kCreateBufferSlot] = reinterpret_cast<void*>(
      &counted_create<D3D11_BUFFER_DESC, ID3D11Buffer, real_create_buffer>);
  table[kCreateTexture2dSlot] = reinterpret_cast<void*>(
      &counted_create<D3D11_TEXTURE2D_DESC, ID3D11Texture2D, real_create_texture>);
  VirtualProtect(table, sizeof(void*) * 8, protection, &protection);
}

std::size_t gpu_resources_made() { return gpu_creation_count.load(); }

void report_gpu_resources(int first, int last, std::size_t top, std::FILE* out) {
  const std::size_t count = std::min(gpu_creation_count.load(), kMaxGpuCreations);
  std::map<std::vector<void*>, std::size_t> by_stack;
  std::size_t total = 0;
  for (std::size_t i = 0; gpu_creations != nullptr && i < count; ++i) {
    const GpuCreation& creation = gpu_creations[i];
    if (creation.cycle < first || creation.cycle > last) continue;
    ++by_stack[std::vector<void*>(creation.stack, creation.stack + creation.frames)];
    ++total;
  }
  std::vector<std::pair<std::size_t, const std::vector<void*>*>> order;
  for (const auto& [stack, made] : by_stack) order.emplace_back(made, &stack);
  std::sort(order.begin(), order.end(),
            [](const auto& a, const auto& b) { return a.first > b.first; });
  std::fprintf(out, "# gpu resources made in cycles %d-%d: %zu, %zu stacks\n", first, last, total,
               by_stack.size());
  for (std::size_t i = 0; i < order.size() && i < top; ++i) {
    std::fprintf(out, "census %zu resources:", order[i].first);
    for (void* frame : *order[i].second) print_frame(frame, out);
    std::fprintf(out, "\n");
  }
}

void remember_private_regions() { remembered_regions() = private_regions(); }

void report_private_regions(std::size_t top, std::FILE* out) {
  const auto now = private_regions();
  const std::vector<HANDLE> heaps = process_heaps();
  std::vector<std::pair<long long, const void*>> growth;
  long long total = 0;
  for (const auto& [base, bytes] : now) {
    const auto before = remembered_regions().find(base);
    const long long grown =
        static_cast<long long>(bytes) -
        static_cast<long long>(before == remembered_regions().end() ? 0 : before->second);
    total += grown;
    if (grown != 0) growth.emplace_back(grown, base);
  }
  for (const auto& [base, bytes] : remembered_regions()) {
    if (now.count(base) == 0) total -= static_cast<long long>(bytes);
  }
  std::sort(growth.rbegin(), growth.rend());
  // A heap that outgrows its first region goes on in regions of their own:
  // the busy blocks inside a region say whether it is heap and how much of
  // it is in use.
  const HeapBlocks busy = busy_heap_blocks();
  std::fprintf(out, "# private regions: %lld bytes more in all\n", total);
  for (std::size_t i = 0; i < growth.size() && i < top; ++i) {
    const char* base = static_cast<const char*>(growth[i].second);
    const bool heap = std::find(heaps.begin(), heaps.end(), growth[i].second) != heaps.end();
    MEMORY_BASIC_INFORMATION region{};
    std::size_t reserved = 0;
    for (const char* address = base;
         VirtualQuery(address, &region, sizeof(region)) == sizeof(region) &&
         region.AllocationBase == base && region.RegionSize != 0;
         address += region.RegionSize) {
      reserved += region.RegionSize;
    }
    std::size_t blocks = 0;
    std::size_t block_bytes = 0;
    HANDLE owner = nullptr;
    for (const HeapBlock& block : busy) {
      const char* address = static_cast<const char*>(block.address);
      if (address >= base && address < base + reserved) {
        ++blocks;
        block_bytes += block.size;
        owner = block.heap;
      }
    }
    const char* owner_name = owner == nullptr                ? ""
                             : owner == GetProcessHeap()     ? ", the process heap"
                             : owner == HANDLE(_get_heap_handle()) ? ", the C runtime's heap"
                                                                   : ", another heap";
    std::fprintf(out,
                 "region %p %+lld bytes, now %zu committed of %zu, %zu busy heap blocks of %zu "
                 "bytes%s%s\n",
                 growth[i].second, growth[i].first, now.at(growth[i].second), reserved, blocks,
                 block_bytes, owner_name, heap ? " (its first region)" : "");
  }
}

void remember_heap_blocks() {
  BlockAddresses blocks;
  const HeapBlocks busy = busy_heap_blocks();
  blocks.reserve(busy.size());
  for (const HeapBlock& block : busy) blocks.push_back(block.address);
  std::sort(blocks.begin(), blocks.end());
  remembered_blocks() = std::move(blocks);
}

void report_new_heap_blocks(std::size_t sizes, std::size_t samples, std::FILE* out) {
  // The blocks are read while they are alive: the listing of them stays
  // until the report is done.
  const HeapBlocks busy = busy_heap_blocks();
  std::map<std::size_t, std::vector<const void*>> added;
  for (const HeapBlock& block : busy) {
    if (!std::binary_search(remembered_blocks().begin(), remembered_blocks().end(),
                            block.address)) {
      added[block.size].push_back(block.address);
    }
  }
  // By the bytes the new blocks of each size hold together.
  std::vector<std::pair<std::size_t, std::size_t>> order;  // bytes, size
  for (const auto& [size, blocks] : added) order.emplace_back(blocks.size() * size, size);
  std::sort(order.rbegin(), order.rend());
  for (std::size_t i = 0; i < order.size() && i < sizes; ++i) {
    const auto& blocks = added[order[i].second];
    std::fprintf(out, "# new heap blocks of %zu bytes: %zu (%zu bytes)\n", order[i].second,
                 blocks.size(), order[i].first);
    // Spread over the list: the newest blocks may be the last cycle's own.
    const std::size_t step = std::max<std::size_t>(1, blocks.size() / samples);
    for (std::size_t j = 0; j < blocks.size() && j / step < samples; j += step) {
      const auto* words = static_cast<void* const*>(blocks[j]);
      std::fprintf(out, "block %p:", blocks[j]);
      for (std::size_t w = 0; w < std::min<std::size_t>(order[i].second, 64) / sizeof(void*);
           ++w) {
        HMODULE module = nullptr;
        if (words[w] != nullptr &&
            GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                   GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               static_cast<LPCWSTR>(words[w]), &module)) {
          print_frame(words[w], out);
        } else {
          std::fprintf(out, " %p", words[w]);
        }
      }
      const auto* bytes = static_cast<const unsigned char*>(blocks[j]);
      std::fprintf(out, " |");
      for (std::size_t b = 0; b < std::min<std::size_t>(order[i].second, 64); ++b) {
        std::fputc(bytes[b] >= 32 && bytes[b] < 127 ? bytes[b] : '.', out);
      }
      std::fprintf(out, "|\n");
    }
  }
}

void set_cycle(int cycle) { current_cycle.store(cycle, std::memory_order_relaxed); }

void report(int first, int last, std::size_t top, std::FILE* out) {
  // Copied out under the lock into room made before it: the grouping
  // below allocates, and so takes the lock itself.
  std::vector<Kept> kept;
  for (;;) {
    std::size_t count = 0;
    AcquireSRWLockExclusive(&list_lock);
    for (BlockHeader* h = list_head.next; h != &list_head; h = h->next) ++count;
    ReleaseSRWLockExclusive(&list_lock);
    kept.clear();
    kept.reserve(count + 1024);
    bool fits = true;
    AcquireSRWLockExclusive(&list_lock);
    for (BlockHeader* h = list_head.next; h != &list_head; h = h->next) {
      if (h->cycle < first || h->cycle > last) continue;
      if (kept.size() == kept.capacity()) {
        fits = false;
        break;
      }
      Kept block{h->size, h->frames, {}};
      std::copy(h->stack, h->stack + h->frames, block.stack);
      kept.push_back(block);
    }
    ReleaseSRWLockExclusive(&list_lock);
    if (fits) break;
  }
  struct Group {
    std::size_t blocks = 0;
    std::size_t bytes = 0;
    const Kept* example = nullptr;
  };
  std::map<std::vector<void*>, Group> groups;
  std::size_t total_bytes = 0;
  for (const Kept& block : kept) {
    Group& group = groups[std::vector<void*>(block.stack, block.stack + block.frames)];
    ++group.blocks;
    group.bytes += block.size;
    group.example = &block;
    total_bytes += block.size;
  }
  std::vector<const Group*> order;
  for (const auto& [stack, group] : groups) order.push_back(&group);
  std::sort(order.begin(), order.end(),
            [](const Group* a, const Group* b) { return a->bytes > b->bytes; });
  std::fprintf(out, "# heap census: %zu blocks, %zu bytes made in cycles %d-%d still alive, "
                    "%zu stacks\n",
               kept.size(), total_bytes, first, last, groups.size());
  for (std::size_t i = 0; i < order.size() && i < top; ++i) {
    std::fprintf(out, "census %zu blocks %zu bytes:", order[i]->blocks, order[i]->bytes);
    for (int frame = 0; frame < order[i]->example->frames; ++frame) {
      print_frame(order[i]->example->stack[frame], out);
    }
    std::fprintf(out, "\n");
  }
}

}  // namespace quorvel::bench::heap_census
