#include <cstdint>

#include "streaming/stream_target.h"

namespace quorvel::windows {
namespace {

constexpr uint32_t kMaxCodePoint = 0x10FFFF;

bool is_high_surrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void append_code_point(std::string& out, uint32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

}  // namespace

// Written out rather than asked of the platform so that the URL parser that
// uses it stays free of platform calls. A unit is a UTF-16 code unit where
// wchar_t has 16 bits and may already be a whole code point where it has 32.
std::string to_utf8(std::span<const wchar_t> text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t code_point = static_cast<uint32_t>(text[i]);
    if (is_high_surrogate(code_point)) {
      if (i + 1 == text.size()) return {};
      const uint32_t low = static_cast<uint32_t>(text[i + 1]);
      if (!is_low_surrogate(low)) return {};
      code_point = 0x10000 + ((code_point - 0xD800) << 10) + (low - 0xDC00);
      ++i;
    } else if (is_low_surrogate(code_point) || code_point > kMaxCodePoint) {
      return {};
    }
    append_code_point(out, code_point);
  }
  return out;
}

}  // namespace quorvel::windows
