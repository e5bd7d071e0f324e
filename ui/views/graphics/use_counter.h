// The per-thread counter that stamps every hit and insertion of the painting
// caches; the entry with the smallest stamp is the least recently used.
#pragma once

#include <cstdint>

namespace win32_ui::modern::detail {

struct UseCounter {
  std::uint64_t value = 0;

  std::uint64_t next() { return ++value; }
};

}  // namespace win32_ui::modern::detail
