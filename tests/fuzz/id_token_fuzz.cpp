// The ID token's split: any text either splits at exactly two dots into a
// signed text that is its prefix, or is refused.
#include <string_view>

#include "account/id_token_parts.h"
#include "tests/fuzz/fuzz_support.h"

using namespace halvarin::sdk;
using quorvel::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view token(reinterpret_cast<const char*>(data), size);
  IdTokenParts parts;
  const bool split = split_id_token(token, parts);
  size_t dots = 0;
  for (const char c : token) dots += c == '.' ? 1 : 0;
  const bool first_dot_last = !token.empty() && token.find('.') + 1 == token.size();
  check(split == (dots == 2 && !first_dot_last), "split exactly at two dots");
  if (split) {
    check(token.starts_with(parts.signed_text), "signed text is a prefix");
    check(token.size() > parts.signed_text.size() && token[parts.signed_text.size()] == '.',
          "signed text ends at the second dot");
    check(parts.header.size() <= token.size() && parts.payload.size() <= token.size() &&
              parts.signature.size() <= token.size(),
          "decoded parts bounded by the token");
  }
  return 0;
}
