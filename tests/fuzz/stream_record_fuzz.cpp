// The stored live target after unprotecting: any bytes parse or are
// refused, a parsed record is exactly the record of what it parsed to, and a
// storable target comes back from its record unchanged.
#include <vector>

#include "app/stream_target_record.h"
#include "tests/fuzz/fuzz_support.h"

using namespace quorvel::windows;
using quorvel::fuzz::check;
using quorvel::fuzz::take_wide;

namespace {

std::vector<uint8_t> record_bytes(const StreamSettings& settings) {
  std::vector<uint8_t> bytes;
  for (wchar_t unit : make_stream_target_record(settings)) {
    bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<uint8_t>((unit >> 8) & 0xFF));
  }
  return bytes;
}

bool same(const StreamSettings& a, const StreamSettings& b) {
  return a.complete_url == b.complete_url && a.server_url == b.server_url &&
         a.stream_key == b.stream_key;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parsed = parse_stream_target_record({data, size});
  if (parsed) {
    check(parsed->server_url.find(L'\0') == std::wstring::npos &&
              parsed->stream_key.find(L'\0') == std::wstring::npos,
          "parsed target holds no U+0000");
    // A record whose URL runs to the last unit reads as an empty key; its
    // own record then has the key's closing U+0000 too.
    std::vector<uint8_t> input(data, data + size);
    const std::vector<uint8_t> again = record_bytes(*parsed);
    if (again.size() == size + 2 && parsed->stream_key.empty()) input.insert(input.end(), {0, 0});
    check(again == input, "record round trip");
  }

  FuzzedDataProvider input(data, size);
  StreamSettings settings;
  settings.complete_url = input.ConsumeBool();
  settings.server_url = take_wide(input, 512);
  settings.stream_key = take_wide(input, 512);
  if (!is_storable_stream_target(settings)) return 0;
  const auto again = parse_stream_target_record(record_bytes(settings));
  check(again.has_value() && same(*again, settings), "settings round trip");
  return 0;
}
