// The three parts of a compact ID token (header.payload.signature), split
// and base64url-decoded. Plain byte handling with no platform calls, so the
// split is fuzzed natively.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace halvarin::sdk {

struct IdTokenParts {
  std::string_view signed_text;  // everything before the second dot
  std::string header;
  std::string payload;
  std::vector<uint8_t> signature;
};

// Splits at exactly two dots, the first not the last byte; false when the
// token has another shape. Parts that do not decode stay empty.
bool split_id_token(std::string_view token, IdTokenParts& parts);

}  // namespace halvarin::sdk
