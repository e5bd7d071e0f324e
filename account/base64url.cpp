#include "account/base64url.h"

namespace halvarin::sdk {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

int sextet_of(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '-') return 62;
  if (c == '_') return 63;
  return -1;
}

}  // namespace

std::string base64url_encode(const uint8_t* data, size_t size) {
  std::string out;
  if (data == nullptr || size == 0) return out;
  out.reserve((4 * size + 2) / 3);
  size_t i = 0;
  for (; i + 3 <= size; i += 3) {
    const uint32_t group = (uint32_t{data[i]} << 16) | (uint32_t{data[i + 1]} << 8) | data[i + 2];
    out.push_back(kAlphabet[(group >> 18) & 0x3F]);
    out.push_back(kAlphabet[(group >> 12) & 0x3F]);
    out.push_back(kAlphabet[(group >> 6) & 0x3F]);
    out.push_back(kAlphabet[group & 0x3F]);
  }
  const size_t rest = size - i;
  if (rest == 0) return out;
  uint32_t group = uint32_t{data[i]} << 16;
  if (rest == 2) group |= uint32_t{data[i + 1]} << 8;
  out.push_back(kAlphabet[(group >> 18) & 0x3F]);
  out.push_back(kAlphabet[(group >> 12) & 0x3F]);
  if (rest == 2) out.push_back(kAlphabet[(group >> 6) & 0x3F]);
  return out;
}

std::vector<uint8_t> base64url_decode(std::string_view text) {
  std::vector<uint8_t> out;
  out.reserve(text.size() * 3 / 4);
  uint32_t bits = 0;
  int bit_count = 0;
  for (const char c : text) {
    const int sextet = sextet_of(c);
    if (sextet < 0) return {};
    bits = (bits << 6) | static_cast<uint32_t>(sextet);
    bit_count += 6;
    if (bit_count >= 8) {
      bit_count -= 8;
      out.push_back(static_cast<uint8_t>(bits >> bit_count));
      bits &= (1u << bit_count) - 1;
    }
  }
  return out;
}

}  // namespace halvarin::sdk
