// Helpers shared by the fuzz targets: wide text from fuzz bytes (16-bit
// units, as the program sees them on Windows, whatever the width of wchar_t
// on the fuzzing host) and a check that stops the run with a report when a
// round trip or an invariant fails.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace quorvel::fuzz {

inline void check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

// Two bytes per unit, little-endian; an odd last byte is dropped.
inline std::wstring wide_units(std::string_view bytes) {
  std::wstring text;
  text.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<wchar_t>(static_cast<uint8_t>(bytes[i]) |
                                 (static_cast<uint8_t>(bytes[i + 1]) << 8));
  }
  return text;
}

inline std::wstring take_wide(FuzzedDataProvider& input, size_t max_units) {
  return wide_units(input.ConsumeRandomLengthString(2 * max_units));
}

}  // namespace quorvel::fuzz
