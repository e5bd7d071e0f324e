#include <windows.h>

#include <climits>

#include "streaming/stream_target.h"

namespace quorvel::windows {

std::string to_utf8(std::span<const wchar_t> text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int units = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), units,
                                        nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<size_t>(bytes), '\0');
  if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), units, out.data(), bytes,
                          nullptr, nullptr) != bytes) {
    return {};
  }
  return out;
}

}  // namespace quorvel::windows
