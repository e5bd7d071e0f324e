// The live target typed by the user: any URL and key parse or are refused,
// and an accepted target is one the connection can use as it stands.
#include "streaming/stream_target.h"
#include "tests/fuzz/fuzz_support.h"

using namespace quorvel::windows;
using quorvel::fuzz::check;
using quorvel::fuzz::take_wide;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  StreamSettings settings;
  settings.complete_url = input.ConsumeBool();
  settings.stream_key = take_wide(input, 256);
  settings.server_url = take_wide(input, 9000);
  const auto target = parse_stream_target(settings);
  if (!target) return 0;
  check(!target->host.empty(), "host");
  check(target->port != 0, "port");
  check(!target->app.empty() && !target->key.empty(), "app and key");
  const std::string scheme = target->tls ? "rtmps://" : "rtmp://";
  check(target->tc_url.starts_with(scheme), "connect URL scheme");
  check(target->tc_url.ends_with("/" + target->app), "connect URL names the app");
  check(to_utf8(settings.server_url).starts_with(target->tc_url.substr(0, scheme.size())),
        "URL converts whole");

  // The same target typed as server URL and key parses to the same target.
  if (!settings.complete_url) return 0;
  const size_t slash = settings.server_url.rfind(L'/', settings.server_url.find(L'?'));
  StreamSettings split{false, settings.server_url.substr(0, slash), {}};
  split.stream_key = settings.server_url.substr(slash + 1);
  // A query stays with the key only in a complete URL; a separate server
  // URL loses a trailing '/' of its application.
  if (split.stream_key.find(L'?') != std::wstring::npos || target->app.ends_with('/')) return 0;
  const auto again = parse_stream_target(split);
  check(again.has_value(), "split key accepted");
  check(again->host == target->host && again->port == target->port &&
            again->tls == target->tls && again->app == target->app &&
            again->key == target->key && again->tc_url == target->tc_url,
        "complete URL and split key agree");
  return 0;
}
