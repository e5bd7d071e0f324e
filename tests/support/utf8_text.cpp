// quorvel::test::utf8 without platform calls, so that the tests of the
// portable core also build natively (with the sanitizers).
#include <cstdint>

#include "tests/support/test_support.h"

namespace quorvel::test {
namespace {

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

// A unit that is no character (a lone surrogate) shows as U+FFFD.
std::string utf8(std::wstring_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t code_point = static_cast<uint32_t>(text[i]);
    if (code_point >= 0xD800 && code_point <= 0xDBFF && i + 1 < text.size() &&
        static_cast<uint32_t>(text[i + 1]) >= 0xDC00 &&
        static_cast<uint32_t>(text[i + 1]) <= 0xDFFF) {
      code_point = 0x10000 + ((code_point - 0xD800) << 10) +
                   (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if ((code_point >= 0xD800 && code_point <= 0xDFFF) || code_point > 0x10FFFF) {
      code_point = 0xFFFD;
    }
    append_code_point(out, code_point);
  }
  return out;
}

}  // namespace quorvel::test
