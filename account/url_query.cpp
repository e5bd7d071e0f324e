#include "account/url_query.h"

#include <algorithm>

namespace halvarin::sdk {
namespace {

// The value of a hexadecimal digit, or -1.
int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string url_decode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out.push_back(' ');
      continue;
    }
    if (c == '%' && i + 2 < text.size()) {
      const int high = hex_value(text[i + 1]);
      const int low = hex_value(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out.push_back(static_cast<char>((high << 4) | low));
        i += 2;
        continue;
      }
    }
    // A "%" that does not start a complete escape stays, and the characters
    // after it are read on their own.
    out.push_back(c);
  }
  return out;
}

std::string query_parameter(std::string_view target, std::string_view name) {
  const size_t question = target.find('?');
  if (question == std::string_view::npos) return {};
  const std::string_view query = target.substr(question + 1);
  size_t start = 0;
  while (start < query.size()) {
    const size_t ampersand = std::min(query.find('&', start), query.size());
    const std::string_view segment = query.substr(start, ampersand - start);
    const size_t equals = segment.find('=');
    if (equals != std::string_view::npos && url_decode(segment.substr(0, equals)) == name) {
      return url_decode(segment.substr(equals + 1));
    }
    start = ampersand + 1;
  }
  return {};
}

}  // namespace halvarin::sdk
