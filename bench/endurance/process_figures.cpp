#include "bench/endurance/process_figures.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace quorvel::bench {
namespace {

// One entry of the GDI handle table the system maps into every process (the
// PEB's GdiSharedHandleTable): 24 bytes on 64-bit Windows and Wine alike.
struct GdiHandleEntry {
  uint64_t object;
  uint16_t process_id;
  uint16_t count;
  uint16_t unique;
  uint8_t type;
  uint8_t flags;
  uint64_t user_pointer;
};
static_assert(sizeof(GdiHandleEntry) == 24);

constexpr size_t kGdiTableEntries = 0x10000;
// Where the table's address lies inside the 64-bit PEB.
constexpr size_t kPebGdiSharedHandleTable = 0xF8;

const char* gdi_type_name(uint8_t type) {
  switch (type) {
    case 0x01: return "dc";
    case 0x04: return "region";
    case 0x05: return "bitmap";
    case 0x08: return "palette";
    case 0x09: return "colorspace";
    case 0x0a: return "font";
    case 0x10: return "brush";
    case 0x21: return "enhmetadc";
    case 0x26: return "metafile";
    case 0x46: return "enhmetafile";
    case 0x66: return "metadc";
    case 0x30: return "pen";
    case 0x50: return "extpen";
    default: return nullptr;
  }
}

const GdiHandleEntry* gdi_table() {
  const auto* peb = reinterpret_cast<const uint8_t*>(NtCurrentTeb()->ProcessEnvironmentBlock);
  const GdiHandleEntry* table = nullptr;
  std::memcpy(&table, peb + kPebGdiSharedHandleTable, sizeof(table));
  return table;
}

using NtQueryObjectFunction = NTSTATUS(NTAPI*)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG,
                                               PULONG);

NtQueryObjectFunction nt_query_object() {
  return reinterpret_cast<NtQueryObjectFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
}

std::string narrow(const wchar_t* text, size_t length) {
  std::string result;
  for (size_t i = 0; i < length; ++i) result += text[i] < 128 ? static_cast<char>(text[i]) : '?';
  return result;
}

BOOL CALLBACK count_child(HWND window, LPARAM census) {
  wchar_t name[128]{};
  const int length = GetClassNameW(window, name, 128);
  ++(*reinterpret_cast<std::map<std::string, int>*>(census))[narrow(name, length)];
  return TRUE;
}

BOOL CALLBACK count_top_level(HWND window, LPARAM census) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return TRUE;
  count_child(window, census);
  EnumChildWindows(window, count_child, census);
  return TRUE;
}

uint32_t thread_count() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  uint32_t count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

// Committed private memory, from the address space itself: for systems
// whose GetProcessMemoryInfo leaves PrivateUsage at 0.
uint64_t committed_private_bytes() {
  uint64_t total = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* address = nullptr;
       VirtualQuery(address, &region, sizeof(region)) == sizeof(region);
       address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    if (region.RegionSize == 0) break;
  }
  return total;
}

// Calls `visit` with the size of every block in use in the process's heaps.
template <typename Visit>
void walk_heaps(Visit visit) {
  std::vector<HANDLE> heaps(64);
  DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  if (count > heaps.size()) {
    heaps.resize(count);
    count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  }
  for (DWORD i = 0; i < count && i < heaps.size(); ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heaps[i], &entry)) {
      if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) visit(entry.cbData);
    }
    HeapUnlock(heaps[i]);
  }
}

uint64_t heap_busy_bytes() {
  uint64_t total = 0;
  walk_heaps([&total](uint64_t size) { total += size; });
  return total;
}

int census_total(const std::map<std::string, int>& census) {
  int total = 0;
  for (const auto& [name, count] : census) total += count;
  return total;
}

}  // namespace

ProcessFigures read_process_figures() {
  ProcessFigures figures;
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof(memory);
  if (GetProcessMemoryInfo(GetCurrentProcess(),
                           reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory))) {
    figures.private_bytes = memory.PrivateUsage;
  }
  DWORD handles = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &handles)) figures.handles = handles;
  figures.gdi_objects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  figures.user_objects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  figures.threads = thread_count();
  figures.heap_busy_bytes = heap_busy_bytes();
  // Where a call answers nothing (Wine leaves these at 0), the process's
  // own tables give the figure.
  if (figures.private_bytes == 0) figures.private_bytes = committed_private_bytes();
  if (figures.handles == 0) figures.handles = census_total(handle_census());
  if (figures.gdi_objects == 0) figures.gdi_objects = census_total(gdi_census());
  if (figures.user_objects == 0) figures.user_objects = census_total(window_census());
  return figures;
}

std::map<std::string, int> handle_census() {
  std::map<std::string, int> census;
  const NtQueryObjectFunction query = nt_query_object();
  if (query == nullptr) return census;
  DWORD total = 0;
  GetProcessHandleCount(GetCurrentProcess(), &total);
  alignas(8) unsigned char buffer[1024];
  int found = 0;
  // Handle values are small multiples of four, reused lowest first: a span
  // of a few times the count holds them all.
  // Without a count (Wine gives none) the span is a fixed one.
  const uintptr_t last = 4 * (static_cast<uintptr_t>(total) * 4 + 4096);
  for (uintptr_t value = 4; value <= last && (total == 0 || found < static_cast<int>(total));
       value += 4) {
    ULONG length = 0;
    const NTSTATUS status = query(reinterpret_cast<HANDLE>(value),
                                  static_cast<OBJECT_INFORMATION_CLASS>(2), buffer,
                                  sizeof(buffer), &length);
    if (status < 0) continue;
    const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer);
    ++census[narrow(name->Buffer, name->Length / sizeof(wchar_t))];
    ++found;
  }
  return census;
}

std::map<std::string, int> gdi_census() {
  const GdiHandleEntry* table = gdi_table();
  if (table == nullptr) return {};
  // The owner's id as the table keeps it. Windows shares one table among
  // the processes of a session and marks each entry with its owner's id;
  // Wine keeps a table of the process's own and leaves the id at 0, so
  // when nothing carries this process's id, the unmarked entries are ours.
  const auto count_owned_by = [table](uint16_t owner) {
    std::map<std::string, int> census;
    for (size_t index = 0; index < kGdiTableEntries; ++index) {
      const GdiHandleEntry& entry = table[index];
      if (entry.type == 0 || entry.object == 0 || entry.process_id != owner) continue;
      // Stock objects belong to every process.
      if ((entry.unique & 0x80) != 0) continue;
      // The kind is the low seven bits of the handle's upper word (pens and
      // brushes share the entry's own type field).
      const uint8_t kind = static_cast<uint8_t>(entry.unique & 0x7f);
      const char* name = gdi_type_name(kind);
      char unknown[16];
      if (name == nullptr) {
        std::snprintf(unknown, sizeof(unknown), "type_%02x", kind);
        name = unknown;
      }
      ++census[name];
    }
    return census;
  };
  std::map<std::string, int> census = count_owned_by(static_cast<uint16_t>(GetCurrentProcessId()));
  if (census.empty()) census = count_owned_by(0);
  return census;
}

std::map<std::string, int> heap_block_census() {
  std::map<uint64_t, int> by_size;
  walk_heaps([&by_size](uint64_t size) { ++by_size[size]; });
  std::map<std::string, int> census;
  for (const auto& [size, count] : by_size) {
    char name[32];
    std::snprintf(name, sizeof(name), "%8llu", static_cast<unsigned long long>(size));
    census[name] = count;
  }
  return census;
}

std::map<std::string, int> window_census() {
  std::map<std::string, int> census;
  EnumWindows(count_top_level, reinterpret_cast<LPARAM>(&census));
  return census;
}

double least_squares_slope(const std::vector<double>& x, const std::vector<double>& y) {
  const size_t n = std::min(x.size(), y.size());
  if (n < 2) return 0.0;
  double mean_x = 0.0;
  double mean_y = 0.0;
  for (size_t i = 0; i < n; ++i) {
    mean_x += x[i];
    mean_y += y[i];
  }
  mean_x /= static_cast<double>(n);
  mean_y /= static_cast<double>(n);
  double covariance = 0.0;
  double variance = 0.0;
  for (size_t i = 0; i < n; ++i) {
    covariance += (x[i] - mean_x) * (y[i] - mean_y);
    variance += (x[i] - mean_x) * (x[i] - mean_x);
  }
  return variance > 0.0 ? covariance / variance : 0.0;
}

std::string census_difference(const std::map<std::string, int>& before,
                              const std::map<std::string, int>& after) {
  std::map<std::string, std::pair<int, int>> both;
  for (const auto& [name, count] : before) both[name].first = count;
  for (const auto& [name, count] : after) both[name].second = count;
  std::string text;
  for (const auto& [name, counts] : both) {
    if (counts.first == counts.second) continue;
    text += "  " + name + " " + std::to_string(counts.first) + " -> " +
            std::to_string(counts.second) + "\n";
  }
  return text;
}

}  // namespace quorvel::bench
