// The account service's JSON answers: any text gives each reader its value
// or its empty value, and an escaped value reads back unchanged.
#include <string>
#include <string_view>

#include "account/json_text.h"
#include "tests/fuzz/fuzz_support.h"

using namespace halvarin::sdk;
using quorvel::fuzz::check;

namespace {

constexpr std::string_view kKeys[] = {"access_token", "id_token", "refresh_token", "expires_in",
                                      "keys", "kid", "n", "e", "error", "code", ""};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view json(reinterpret_cast<const char*>(data), size);
  for (std::string_view key : kKeys) {
    (void)json_get_string(json, key);
    (void)json_get_int64(json, key);
    for (const std::string& object : json_get_string_list(json, key)) {
      check(object.size() >= 2 && object.front() == '{' && object.back() == '}',
            "list entries are whole objects");
      check(json.find(object) != std::string_view::npos, "list entries come from the text");
    }
  }

  FuzzedDataProvider input(data, size);
  const std::string key = input.ConsumeRandomLengthString(16);
  const std::string value = input.ConsumeRandomLengthString(256);
  const int64_t number = input.ConsumeIntegral<int64_t>();
  if (key.find_first_of("\"\\") != std::string::npos) return 0;
  const std::string body = "{\"" + key + "\":\"" + json_escape(value) + "\"}";
  check(json_get_string(body, key) == value, "escaped string round trip");
  const std::string numbers = "{\"" + key + "\": " + std::to_string(number) + "}";
  check(json_get_int64(numbers, key) == number, "integer round trip");
  return 0;
}
