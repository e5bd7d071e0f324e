#include "app/recording/live_result_keys.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "streaming/failure.h"
#include "streaming/live_stream_status.h"

namespace quorvel::windows {
namespace {

struct KeyCase {
  int32_t code;
  const wchar_t* key;  // null: no message
};

TEST(LiveResultKeysTest, ALiveOnlySessionTellsItsFailureButNothingWithoutAnErrorCode) {
  const KeyCase cases[] = {
      {0, nullptr},
      {kFailureNetwork, L"stream.error.network"},
      {kFailureTimeout, L"stream.error.timeout"},
      {kFailureProtocol, L"stream.error.protocol"},
      {kFailureRejected, L"stream.error.rejected"},
      {kFailureCongestion, L"stream.error.congestion"},
      {kFailureInternal, L"stream.error.encoding"},
      {kFailureNotAccepted, L"stream.error.not_accepted"},
      {kFailureTls, L"stream.error.tls"},
      {kFailureCertificate, L"stream.error.certificate"},
      {10, L"stream.error.network"},
      {-1, L"stream.error.network"},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.code);
    const std::optional<std::wstring_view> key = live_only_result_key(c.code);
    if (c.key == nullptr) {
      EXPECT_FALSE(key.has_value());
    } else {
      ASSERT_TRUE(key.has_value());
      EXPECT_TRUE(*key == c.key);
    }
  }
}

TEST(LiveResultKeysTest, ANamelessCodeInAResultTextReadsAsANetworkFailure) {
  EXPECT_TRUE(stream_error_key(0) == L"stream.error.network");
  EXPECT_TRUE(stream_error_key(kFailureNetwork) == L"stream.error.network");
  EXPECT_TRUE(stream_error_key(kFailureRejected) == L"stream.error.rejected");
}

}  // namespace
}  // namespace quorvel::windows
