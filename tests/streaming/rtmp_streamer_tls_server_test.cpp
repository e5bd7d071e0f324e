// The streamer with its real connection against the fixture's TLS script
// server, which takes the publish, reads the first video packet and then sends
// the TLS closing alert. The streamer has nothing more to send, so only its
// idle polls can find the alert. Its clock is moved by hand: each step ends
// one of the send loop's 20 ms waits. Needs the RTMP server fixture
// (QUORVEL_RTMP_SERVER_DIR); skipped without it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <ostream>
#include <string>

#include "streaming/rtmp_connection.h"
#include "streaming/rtmp_streamer.h"
#include "tests/streaming/streamer_packets.h"
#include "tests/support/fake_clock.h"
#include "tests/support/test_support.h"

namespace quorvel::windows::test {
namespace {

constexpr int64_t kMs = 1'000'000;
constexpr int64_t kSendWait = 20 * kMs;

struct AlertCase {
  const char* name;
  const char* app;  // the script server's scenario
};

void PrintTo(const AlertCase& alert, std::ostream* out) { *out << alert.name; }

class StreamerTlsServerTest : public ::testing::TestWithParam<AlertCase> {
 protected:
  void SetUp() override {
    ports_ = quorvel::test::fixture_ports(L"QUORVEL_RTMP_SERVER_DIR");
    if (ports_.empty()) GTEST_SKIP() << "no RTMP server fixture (QUORVEL_RTMP_SERVER_DIR)";
    ASSERT_TRUE(packets_.ready());
    streamer_ = RtmpStreamer::create(
        [clock = clock_](const std::atomic<bool>& abort_requested) {
          return create_connection(abort_requested, clock);
        },
        clock_);
  }
  void TearDown() override { RtmpStreamer::destroy(std::move(streamer_)); }

  StreamTarget target() const {
    const std::string port = ports_.at("script_tls");
    StreamTarget target;
    target.host = L"localhost";
    target.port = static_cast<uint16_t>(std::stoi(port));
    target.tls = true;
    target.app = GetParam().app;
    target.key = std::string("quorvel_") + GetParam().name;
    target.tc_url = "rtmps://localhost:" + port + "/" + target.app;
    return target;
  }

  // Ends the send loop's current 20 ms wait and waits (bounded, real time)
  // for its next one; false when none came, as when the thread has left.
  bool next_idle_turn() {
    clock_->advance(kSendWait);
    return clock_->wait_for_waiter(clock_->now() + kSendWait, 100);
  }

  std::map<std::string, std::string> ports_;
  StreamerPackets packets_;
  std::shared_ptr<FakeClock> clock_ = std::make_shared<FakeClock>();
  std::unique_ptr<RtmpStreamer> streamer_;
};

TEST_P(StreamerTlsServerTest, ClosingAlertWhileIdleFailsWithTheTlsCodeAndNoReconnect) {
  ASSERT_TRUE(streamer_->start(target(), 5, {}));
  // The clock stands still until the test moves it, so the first wait for
  // "now + 20 ms" is the send loop's: the stream is published.
  ASSERT_TRUE(clock_->wait_for_waiter(clock_->now() + kSendWait, 15000));
  clock_->advance(kMs);
  ASSERT_EQ(streamer_->enqueue(packets_.video(0, true, 0x01)), S_OK);
  // The loop waits again only once the packet has gone out.
  ASSERT_TRUE(clock_->wait_for_waiter(clock_->now() + kSendWait));
  LiveStreamStatus status = streamer_->status();
  ASSERT_EQ(status.state, static_cast<uint32_t>(LiveStreamState::Streaming));
  ASSERT_EQ(status.video_packets_sent, 1u);

  // The server sends the alert once it has read that packet; idle turns
  // until it is found (bounded: without it the stream would go on forever).
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (streamer_->status().state == static_cast<uint32_t>(LiveStreamState::Streaming) &&
         std::chrono::steady_clock::now() < limit) {
    next_idle_turn();
  }

  status = streamer_->status();
  EXPECT_EQ(status.state, static_cast<uint32_t>(LiveStreamState::Failed));
  EXPECT_EQ(status.error, kFailureTls);
  EXPECT_EQ(status.connections, 1u);
  EXPECT_EQ(status.reconnect_attempts, 0u);
  EXPECT_EQ(status.video_packets_sent, 1u);
  EXPECT_EQ(streamer_->enqueue(packets_.video(40, false, 0x02)), E_FAIL);
}

INSTANTIATE_TEST_SUITE_P(
    Alerts, StreamerTlsServerTest,
    ::testing::Values(AlertCase{"ConnectionKeptOpen", "alert_kept_open"},
                      AlertCase{"ConnectionClosedAfterIt", "alert_then_close"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel::windows::test
