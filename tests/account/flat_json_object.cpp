#include "tests/account/flat_json_object.h"

#include <cstdint>

namespace halvarin::sdk::test {
namespace {

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  void skip_blanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r')) {
      ++at_;
    }
  }
  bool take(char expected) {
    skip_blanks();
    if (at_ >= text_.size() || text_[at_] != expected) return false;
    ++at_;
    return true;
  }
  bool at_end() {
    skip_blanks();
    return at_ == text_.size();
  }

  std::optional<std::string> string() {
    if (!take('"')) return std::nullopt;
    std::string out;
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) return std::nullopt;
      const char escaped = text_[at_++];
      switch (escaped) {
        case '"':
        case '\\':
        case '/':
          out += escaped;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          const std::optional<uint32_t> unit = hex4();
          if (!unit) return std::nullopt;
          append_utf8(*unit, out);
          break;
        }
        default:
          return std::nullopt;
      }
    }
    return std::nullopt;
  }

 private:
  std::optional<uint32_t> hex4() {
    if (text_.size() - at_ < 4) return std::nullopt;
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[at_++];
      value <<= 4;
      if (c >= '0' && c <= '9')
        value |= static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        value |= static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        value |= static_cast<uint32_t>(c - 'A' + 10);
      else
        return std::nullopt;
    }
    return value;
  }

  // The bodies the fake reads carry no characters beyond the basic plane.
  static void append_utf8(uint32_t unit, std::string& out) {
    if (unit < 0x80) {
      out += static_cast<char>(unit);
    } else if (unit < 0x800) {
      out += static_cast<char>(0xC0 | (unit >> 6));
      out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (unit >> 12));
      out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

std::optional<FlatJsonObject> parse_flat_json_object(std::string_view text) {
  Reader reader(text);
  if (!reader.take('{')) return std::nullopt;
  FlatJsonObject object;
  if (!reader.take('}')) {
    do {
      std::optional<std::string> name = reader.string();
      if (!name || member(object, *name) || !reader.take(':')) return std::nullopt;
      std::optional<std::string> value = reader.string();
      if (!value) return std::nullopt;
      object.emplace_back(std::move(*name), std::move(*value));
    } while (reader.take(','));
    if (!reader.take('}')) return std::nullopt;
  }
  if (!reader.at_end()) return std::nullopt;
  return object;
}

std::optional<std::string> member(const FlatJsonObject& object, std::string_view name) {
  for (const auto& [key, value] : object) {
    if (key == name) return value;
  }
  return std::nullopt;
}

std::vector<std::string> member_names(const FlatJsonObject& object) {
  std::vector<std::string> names;
  for (const auto& entry : object) names.push_back(entry.first);
  return names;
}

}  // namespace halvarin::sdk::test
