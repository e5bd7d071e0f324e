#include "account/json_text.h"

#include <limits>
#include <optional>

namespace halvarin::sdk {
namespace {

constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";
constexpr char kLowerHexDigits[] = "0123456789abcdef";

// The position just behind the colon that follows the first occurrence of
// the quoted key; nullopt when the key or the colon is missing.
std::optional<size_t> value_position(std::string_view json, std::string_view key) {
  std::string needle;
  needle.reserve(key.size() + 2);
  needle.push_back('"');
  needle.append(key);
  needle.push_back('"');
  if (json.size() < needle.size()) return std::nullopt;
  const size_t found = json.find(needle);
  if (found == std::string_view::npos) return std::nullopt;
  const size_t colon = json.find(':', found + needle.size());
  if (colon == std::string_view::npos) return std::nullopt;
  return colon + 1;
}

// The first byte of the value: white space behind the colon skipped.
std::optional<size_t> value_start(std::string_view json, std::string_view key) {
  const std::optional<size_t> position = value_position(json, key);
  if (!position) return std::nullopt;
  const size_t start = json.find_first_not_of(kWhiteSpace, *position);
  if (start == std::string_view::npos) return std::nullopt;
  return start;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The code unit of the four hexadecimal digits at `at`; nullopt when fewer
// than four are left or one is not a hexadecimal digit.
std::optional<uint32_t> read_hex4(std::string_view text, size_t at) {
  if (text.size() - at < 4) return std::nullopt;
  uint32_t unit = 0;
  for (size_t i = 0; i < 4; ++i) {
    const int digit = hex_value(text[at + i]);
    if (digit < 0) return std::nullopt;
    unit = unit * 16 + static_cast<uint32_t>(digit);
  }
  return unit;
}

// One UTF-16 code unit as UTF-8 of one to three bytes. A surrogate half is
// written on its own, as three bytes.
void append_utf8(std::string& out, uint32_t unit) {
  if (unit < 0x80) {
    out.push_back(static_cast<char>(unit));
  } else if (unit < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
    out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
    out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
  }
}

// The character a one-letter escape stands for; 0 for an unknown escape.
char simple_escape(char c) {
  switch (c) {
    case '"': return '"';
    case '\\': return '\\';
    case '/': return '/';
    case 'b': return '\b';
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    default: return 0;
  }
}

// Decodes the string literal whose opening quote is at `open`; nullopt when
// an escape is bad or the text ends before the closing quote.
std::optional<std::string> decode_string_literal(std::string_view json, size_t open) {
  std::string out;
  size_t i = open + 1;
  while (i < json.size()) {
    const char c = json[i];
    if (c == '"') return out;
    if (c != '\\') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (i + 1 >= json.size()) return std::nullopt;
    const char escaped = json[i + 1];
    if (escaped == 'u') {
      const std::optional<uint32_t> unit = read_hex4(json, i + 2);
      if (!unit) return std::nullopt;
      append_utf8(out, *unit);
      i += 6;
      continue;
    }
    const char plain = simple_escape(escaped);
    if (plain == 0) return std::nullopt;
    out.push_back(plain);
    i += 2;
  }
  return std::nullopt;
}

// The index just behind the object that opens at `open` (a "{"), braces
// inside string literals not counted; nullopt when the text ends inside it.
std::optional<size_t> object_end(std::string_view json, size_t open) {
  size_t depth = 0;
  bool in_string = false;
  for (size_t i = open; i < json.size(); ++i) {
    const char c = json[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '{') {
      ++depth;
    } else if (c == '}' && --depth == 0) {
      return i + 1;
    }
  }
  return std::nullopt;
}

}  // namespace

std::string json_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20) {
          out += "\\u00";
          out.push_back(kLowerHexDigits[byte >> 4]);
          out.push_back(kLowerHexDigits[byte & 0x0F]);
        } else {
          out.push_back(c);
        }
      }
    }
  }
  return out;
}

std::string json_get_string(std::string_view json, std::string_view key) {
  // Only a string literal right behind the colon is the key's value: a
  // null or a number must not pick up the next member's text.
  const std::optional<size_t> start = value_start(json, key);
  if (!start || json[*start] != '"') return {};
  return decode_string_literal(json, *start).value_or(std::string{});
}

int64_t json_get_int64(std::string_view json, std::string_view key) {
  const std::optional<size_t> start = value_start(json, key);
  if (!start) return 0;
  size_t i = *start;
  const bool negative = json[i] == '-';
  if (negative) ++i;
  // The magnitude is gathered unsigned, so -9223372036854775808 fits.
  const uint64_t limit = negative ? uint64_t{1} << 63
                                  : static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  uint64_t magnitude = 0;
  size_t digits = 0;
  for (; i < json.size() && json[i] >= '0' && json[i] <= '9'; ++i, ++digits) {
    const auto digit = static_cast<uint64_t>(json[i] - '0');
    if (magnitude > (limit - digit) / 10) return 0;
    magnitude = magnitude * 10 + digit;
  }
  if (digits == 0) return 0;
  if (!negative) return static_cast<int64_t>(magnitude);
  return magnitude == (uint64_t{1} << 63) ? std::numeric_limits<int64_t>::min()
                                          : -static_cast<int64_t>(magnitude);
}

std::vector<std::string> json_get_string_list(std::string_view json, std::string_view key) {
  // As for strings, only an array right behind the colon is the key's value.
  const std::optional<size_t> start = value_start(json, key);
  if (!start || json[*start] != '[') return {};
  std::vector<std::string> elements;
  size_t i = *start + 1;
  while (i < json.size()) {
    const char c = json[i];
    if (c == ',' || kWhiteSpace.find(c) != std::string_view::npos) {
      ++i;
    } else if (c == ']') {
      return elements;
    } else if (c == '{') {
      const std::optional<size_t> end = object_end(json, i);
      if (!end) return {};
      elements.emplace_back(json.substr(i, *end - i));
      i = *end;
    } else {
      return {};
    }
  }
  return elements;
}

}  // namespace halvarin::sdk
