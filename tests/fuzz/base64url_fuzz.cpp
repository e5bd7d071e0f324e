// Base64url as tokens, keys and signatures carry it: any text decodes to its
// bytes or to nothing, and encoded bytes decode to themselves.
#include <string>
#include <string_view>
#include <vector>

#include "account/base64url.h"
#include "tests/fuzz/fuzz_support.h"

using namespace halvarin::sdk;
using quorvel::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<uint8_t> decoded = base64url_decode(text);
  check(decoded.size() <= text.size() * 6 / 8, "decoded size bound");
  if (!decoded.empty()) {
    // Re-encoding gives the text back, less the bits of a last partial byte.
    const std::string again = base64url_encode(decoded.data(), decoded.size());
    check(text.starts_with(again.substr(0, again.size() - (again.size() % 4 == 0 ? 0 : 1))),
          "re-encoded prefix");
  }

  const std::string encoded = base64url_encode(data, size);
  check(encoded.find_first_of("=+/") == std::string::npos, "URL-safe alphabet, no padding");
  check(base64url_decode(encoded) == std::vector<uint8_t>(data, data + size), "round trip");
  return 0;
}
