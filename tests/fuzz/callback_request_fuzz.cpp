// The browser's request to the loopback listener, as any local process may
// send it: the request line and the query decode without fault, and values
// the client percent-encodes decode to themselves.
#include <string>
#include <string_view>

#include "account/callback_request.h"
#include "account/percent_encoding.h"
#include "account/url_query.h"
#include "tests/fuzz/fuzz_support.h"

using namespace halvarin::sdk;
using quorvel::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view request(reinterpret_cast<const char*>(data), size);
  if (size >= kMaxCallbackRequestBytes) {
    check(callback_request_complete(request), "a full buffer ends the read");
  }
  if (const auto target = callback_request_target(request)) {
    check(request.starts_with("GET ") && target->data() == request.data() + 4,
          "target behind the method");
    check(target->find_first_of(" \r\n") == std::string_view::npos, "target is one word");
    for (std::string_view name : {"code", "state", "error", "error_description", ""}) {
      (void)query_parameter(*target, name);
    }
  }
  check(url_decode(request).size() <= size, "decoding never grows the text");

  FuzzedDataProvider input(data, size);
  const std::string name = input.ConsumeRandomLengthString(16);
  const std::string value = input.ConsumeRandomLengthString(512);
  check(url_decode(percent_encode(value)) == value, "percent-encoding round trip");
  const std::string target = "/callback?x=1&" + percent_encode(name) + "=" +
                             percent_encode(value) + "&" + percent_encode(name) + "=second";
  if (name != "x") {
    check(query_parameter(target, name) == value, "first parameter of its name");
  }
  return 0;
}
