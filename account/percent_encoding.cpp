#include "account/percent_encoding.h"

namespace halvarin::sdk {
namespace {

constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

bool is_unreserved(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '.' || c == '_' || c == '~';
}

}  // namespace

std::string percent_encode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (is_unreserved(c)) {
      out.push_back(c);
      continue;
    }
    const auto byte = static_cast<unsigned char>(c);
    out.push_back('%');
    out.push_back(kUpperHexDigits[byte >> 4]);
    out.push_back(kUpperHexDigits[byte & 0x0F]);
  }
  return out;
}

}  // namespace halvarin::sdk
