#include "account/id_token_parts.h"

#include "account/base64url.h"

namespace halvarin::sdk {
namespace {

std::string text_of(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

bool split_id_token(std::string_view token, IdTokenParts& parts) {
  const size_t first = token.find('.');
  if (token.empty() || first == std::string_view::npos || first + 1 == token.size()) return false;
  const size_t second = token.find('.', first + 1);
  if (second == std::string_view::npos || token.find('.', second + 1) != std::string_view::npos) {
    return false;
  }
  parts.signed_text = token.substr(0, second);
  parts.header = text_of(base64url_decode(token.substr(0, first)));
  parts.payload = text_of(base64url_decode(token.substr(first + 1, second - first - 1)));
  parts.signature = base64url_decode(token.substr(second + 1));
  return true;
}

}  // namespace halvarin::sdk
