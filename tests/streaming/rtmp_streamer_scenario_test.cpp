// The live streamer with its real connection against a scripted, misbehaving
// RTMP server on loopback: one table of scenarios, each asserting the final
// state and code, the connection and reconnect counters and what the server
// received.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ostream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "streaming/failure.h"
#include "streaming/rtmp_streamer.h"
#include "tests/streaming/scripted_rtmp_server.h"
#include "tests/streaming/streamer_packets.h"

namespace quorvel::windows::test {
namespace {

using Clock = std::chrono::steady_clock;
using Script = ServerScript;

enum class Drive {
  Nothing,         // start and let the connection attempt play out
  Feed,            // feed a video stream (1.5 Mbit/s unless said) until the checkpoint
  StopAfterMedia,  // feed until the server saw media, then stop
  DrainStalled,    // fill the connection while the server stalls, then drain
  StopBlocked,     // fill the connection while the server stalls, then stop
};

struct Scenario {
  const char* name;
  Script script;
  Drive drive;
  uint32_t max_reconnects;
  uint32_t state;  // LiveStreamState at the checkpoint
  int error;
  uint32_t connections;
  uint32_t reconnects;
  std::vector<std::string> logged;      // in this order
  std::vector<std::string> not_logged;  // anywhere
  const char* wait_for_log = nullptr;   // Feed ends once this is logged
  const char* then_wait_log = nullptr;  // awaited after the checkpoint, before the stop
  size_t frame_bytes = 7500;            // fed every 40 ms
};

constexpr uint32_t kIdle = 0;
constexpr uint32_t kFailed = 4;
constexpr uint32_t kReconnecting = 5;
constexpr uint32_t kStreaming = 3;

Script script(std::function<void(Script&)> edit) {
  Script s;
  edit(s);
  return s;
}

const Scenario kScenarios[] = {
    {"BadS0", script([](Script& s) { s.handshake = Script::Handshake::BadS0; }), Drive::Nothing, 5,
     kFailed, kFailureProtocol, 0, 0, {"accept #1"}, {"handshake", "accept #2"}},
    {"BadS2", script([](Script& s) { s.handshake = Script::Handshake::BadS2; }), Drive::Nothing, 5,
     kFailed, kFailureProtocol, 0, 0, {"accept #1"}, {"command connect", "accept #2"}},
    {"ConnectError", script([](Script& s) { s.connect = Script::Connect::Error; }), Drive::Nothing, 5, kFailed,
     kFailureRejected, 0, 0, {"command connect"}, {"command createStream", "accept #2"}},
    {"StreamIdZero", script([](Script& s) { s.stream_id = 0; }), Drive::Nothing, 5, kFailed,
     kFailureProtocol, 0, 0, {"command createStream"}, {"command publish", "accept #2"}},
    {"StreamIdFraction", script([](Script& s) { s.stream_id = 1.5; }), Drive::Nothing, 5, kFailed,
     kFailureProtocol, 0, 0, {"command createStream"}, {"command publish", "accept #2"}},
    {"StreamIdTwoToThe32", script([](Script& s) { s.stream_id = 4294967296.0; }), Drive::Nothing,
     5, kFailed, kFailureProtocol, 0, 0, {"command createStream"},
     {"command publish", "accept #2"}},
    {"PublishBadName", script([](Script& s) { s.publish = Script::Publish::BadName; }),
     Drive::Nothing, 5, kFailed, kFailureRejected, 0, 0, {"command publish"}, {"accept #2"}},
    {"CloseAwaitingPublishStart", script([](Script& s) { s.publish = Script::Publish::Close; }),
     Drive::Nothing, 5, kFailed, kFailureNotAccepted, 0, 0, {"command publish"}, {"accept #2"}},
    {"MidStreamError", script([](Script& s) { s.media = Script::Media::ErrorAfterFirst; }),
     Drive::Feed, 5, kFailed, kFailureRejected, 1, 0, {"media #1"}, {"accept #2"}},
    // 200 kbit/s against a 16 Mbit/s stream: the socket's buffers fill in a
    // few seconds, then the queue ages past 5 s.
    {"SlowReader",
     script([](Script& s) {
       s.media = Script::Media::Slow;
       s.bytes_per_second = 25000;
     }),
     Drive::Feed, 5, kReconnecting, kFailureCongestion, 1, 1, {"media #1", "accept #2"}, {},
     nullptr, "accept #2", 80000},
    {"StallAtStop", script([](Script& s) { s.media = Script::Media::Stall; }), Drive::DrainStalled,
     5, kFailed, kFailureCongestion, 1, 0, {"command publish"}, {"accept #2"}},
    {"UserStop", Script{}, Drive::StopAfterMedia, 5, kIdle, 0, 1, 0,
     {"media #1", "command deleteStream", "eof #1"}, {"accept #2"}},
    {"StopDuringBlockedIo", script([](Script& s) { s.media = Script::Media::Stall; }),
     Drive::StopBlocked, 5, kIdle, 0, 1, 0, {"command publish", "eof #1"},
     {"command deleteStream", "accept #2"}},
    {"WindowAcknowledgement", script([](Script& s) { s.window_ack_size = 4096; }), Drive::Feed, 5,
     kStreaming, 0, 1, 0, {"window sent", "ack "}, {"accept #2"}, "ack "},
    {"PingAnswered", script([](Script& s) { s.ping = 0x12345678; }), Drive::Feed, 5, kStreaming,
     0, 1, 0, {"pong 305419896"}, {"accept #2"}, "pong "},
};

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

class StreamerScenarioTest : public ::testing::TestWithParam<Scenario> {
 protected:
  // Waits (bounded) for a status the scenario expects; with `feed` it keeps
  // offering a video stream meanwhile (`frame_bytes_` every 40 ms, a key
  // frame every 2 s).
  bool run_until(const std::function<bool(const LiveStreamStatus&)>& done, bool feed,
                 int timeout_ms) {
    const auto limit = Clock::now() + std::chrono::milliseconds(timeout_ms);
    auto next_frame = Clock::now();
    while (!done(streamer_->status())) {
      if (Clock::now() > limit) return false;
      if (feed && Clock::now() >= next_frame) {
        // The stream opens with a key frame once published, then has one every 2 s.
        const bool key = frame_ % 50 == 0 || streamer_->status().video_packets_sent == 0;
        // Dropped while not published, refused once failed; never anything else.
        const HRESULT offered =
            streamer_->enqueue(packets_.video(frame_ * 40, key, 0x01, frame_bytes_));
        EXPECT_TRUE(offered == S_OK || offered == E_FAIL) << offered;
        ++frame_;
        next_frame += std::chrono::milliseconds(40);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }

  // Offers 10 MB at once, far more than loopback buffers hold while the
  // server does not read, and waits until the thread is sending.
  void fill_connection() {
    ASSERT_EQ(streamer_->enqueue(packets_.video(0, true, 0x01, 1000)), S_OK);
    for (int i = 1; i <= 40; ++i) {
      ASSERT_EQ(streamer_->enqueue(packets_.video(i * 40, false, 0x02, 256 * 1024)), S_OK);
    }
    ASSERT_TRUE(run_until(
        [](const LiveStreamStatus& s) { return s.bytes_sent > 0 && s.pending_bytes > 0; }, false,
        10000));
    // Messages are counted as they join a batch, before the socket takes
    // them: only a count that stops growing while media waits shows the
    // thread blocked in a send to the stalled server.
    uint64_t last_sent = streamer_->status().bytes_sent;
    auto unchanged_since = Clock::now();
    ASSERT_TRUE(run_until(
        [&](const LiveStreamStatus& s) {
          if (s.bytes_sent != last_sent) {
            last_sent = s.bytes_sent;
            unchanged_since = Clock::now();
            return false;
          }
          return s.pending_bytes > 0 && Clock::now() - unchanged_since >= std::chrono::milliseconds(300);
        },
        false, 20000));
  }

  StreamerPackets packets_;
  std::unique_ptr<RtmpStreamer> streamer_ = RtmpStreamer::create();
  int64_t frame_ = 0;
  size_t frame_bytes_ = 7500;
};

TEST_P(StreamerScenarioTest, EndsAsScripted) {
  const Scenario& c = GetParam();
  ASSERT_TRUE(packets_.ready());
  ScriptedRtmpServer server(c.script);
  ASSERT_TRUE(server.listening());
  StreamTarget target;
  target.host = L"127.0.0.1";
  target.port = server.port();
  target.app = "live";
  target.key = "scenario";
  target.tc_url = "rtmp://127.0.0.1:" + std::to_string(server.port()) + "/live";
  frame_bytes_ = c.frame_bytes;
  ASSERT_TRUE(streamer_->start(target, c.max_reconnects, {}));

  auto published = [](const LiveStreamStatus& s) { return s.connections >= 1; };
  LiveStreamStatus at_checkpoint{};
  switch (c.drive) {
    case Drive::Nothing:
      ASSERT_TRUE(run_until([](const LiveStreamStatus& s) { return s.state == kFailed; }, false,
                            20000));
      at_checkpoint = streamer_->status();
      break;
    case Drive::Feed: {
      auto done = [&](const LiveStreamStatus& s) {
        if (c.wait_for_log != nullptr) {
          return server.count(c.wait_for_log) > 0 && s.video_packets_sent > 0;
        }
        return s.state == c.state && s.reconnect_attempts >= c.reconnects &&
               (s.error == c.error || s.state == kFailed);
      };
      ASSERT_TRUE(run_until(done, true, 60000)) << "state " << streamer_->status().state;
      at_checkpoint = streamer_->status();
      break;
    }
    case Drive::StopAfterMedia:
      ASSERT_TRUE(run_until(published, false, 10000));
      ASSERT_EQ(streamer_->enqueue(packets_.video(0, true, 0x01)), S_OK);
      ASSERT_TRUE(server.wait_logged("media #1"));
      streamer_->stop();
      at_checkpoint = streamer_->status();
      break;
    case Drive::DrainStalled: {
      ASSERT_TRUE(run_until(published, false, 10000));
      fill_connection();
      const auto before = Clock::now();
      streamer_->drain_and_stop();
      const auto took = Clock::now() - before;
      EXPECT_GE(took, std::chrono::milliseconds(990));
      EXPECT_LT(took, std::chrono::seconds(3));
      at_checkpoint = streamer_->status();
      server.resume_reading();
      break;
    }
    case Drive::StopBlocked: {
      ASSERT_TRUE(run_until(published, false, 10000));
      fill_connection();
      const auto before = Clock::now();
      streamer_->stop();
      // The connection's waits notice the abort within their polling step.
      EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(500));
      at_checkpoint = streamer_->status();
      server.resume_reading();
      break;
    }
  }

  EXPECT_EQ(at_checkpoint.state, c.state);
  EXPECT_EQ(at_checkpoint.error, c.error);
  EXPECT_EQ(at_checkpoint.connections, c.connections);
  EXPECT_EQ(at_checkpoint.reconnect_attempts, c.reconnects);
  // Whatever was queued when the connection ended is gone, not kept for the next one.
  if (c.state != kStreaming) {
    EXPECT_EQ(at_checkpoint.pending_bytes, 0u);
  }

  if (c.then_wait_log != nullptr) {
    EXPECT_TRUE(server.wait_logged(c.then_wait_log, 10000));
  }
  streamer_->stop();
  if (!c.logged.empty()) server.wait_logged(c.logged.back(), 5000);
  const std::vector<std::string> log = server.texts();
  size_t position = 0;
  for (const std::string& expected : c.logged) {
    auto found = std::find_if(log.begin() + static_cast<std::ptrdiff_t>(position), log.end(),
                              [&](const std::string& t) { return t.rfind(expected, 0) == 0; });
    ASSERT_NE(found, log.end()) << "server log lacks '" << expected << "' in order; log: "
                                << ::testing::PrintToString(log);
    position = static_cast<size_t>(found - log.begin()) + 1;
  }
  for (const std::string& unexpected : c.not_logged) {
    EXPECT_EQ(server.count(unexpected), 0) << "server logged '" << unexpected << "'";
  }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, StreamerScenarioTest, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

// One real reconnection end to end: the server closes the published
// connection, refuses the next one, and the budget of one reconnect is
// spent. The whole back-off schedule is proven on the injected clock; here
// the steady clock's wait is seen from the server's side.
TEST(StreamerScenarioTiming, RefusedReconnectionFollowsTheBackOffAndSpendsTheBudget) {
  StreamerPackets packets;
  ASSERT_TRUE(packets.ready());
  Script s;
  s.media = Script::Media::CloseAfterFirst;
  s.refuse_reconnections = true;
  ScriptedRtmpServer server(s);
  ASSERT_TRUE(server.listening());
  auto streamer = RtmpStreamer::create();
  StreamTarget target;
  target.host = L"127.0.0.1";
  target.port = server.port();
  target.app = "live";
  target.key = "backoff";
  target.tc_url = "rtmp://127.0.0.1/live";
  ASSERT_TRUE(streamer->start(target, 1, {}));
  const auto limit = Clock::now() + std::chrono::seconds(30);
  while (streamer->status().connections == 0 && Clock::now() < limit) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_EQ(streamer->enqueue(packets.video(0, true, 1)), S_OK);
  ASSERT_TRUE(server.wait_logged("accept #2", 30000));
  while (streamer->status().state != kFailed && Clock::now() < limit) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  const LiveStreamStatus status = streamer->status();
  EXPECT_EQ(status.state, kFailed);
  EXPECT_EQ(status.error, kFailureNetwork);
  EXPECT_EQ(status.connections, 1u);
  EXPECT_EQ(status.reconnect_attempts, 1u);
  EXPECT_EQ(status.pending_bytes, 0u);
  RtmpStreamer::destroy(std::move(streamer));

  // The server's own clock: the reconnection comes no earlier than the
  // first back-off after the connection ended, and not a further step later.
  std::vector<Clock::time_point> ends;
  std::vector<Clock::time_point> accepts;
  for (const auto& entry : server.log()) {
    if (entry.text.rfind("closed #", 0) == 0) ends.push_back(entry.time);
    if (entry.text.rfind("accept #", 0) == 0) accepts.push_back(entry.time);
  }
  ASSERT_EQ(accepts.size(), 2u);
  ASSERT_GE(ends.size(), 1u);
  EXPECT_GE(accepts[1] - ends[0], std::chrono::milliseconds(990));
  EXPECT_LT(accepts[1] - ends[0], std::chrono::milliseconds(2000));
  EXPECT_EQ(server.count("media #1"), 1);
}

}  // namespace
}  // namespace quorvel::windows::test

namespace quorvel::windows::test {
namespace {

// A listener whose backlog is full and that never accepts: a connect to it
// neither succeeds nor is refused, so only the connection's own time limit
// ends the attempt.
TEST(StreamerConnectTimeout, HangingConnectIsANetworkFailureAfterTheAddressTimeLimit) {
  WSADATA wsa{};
  ASSERT_EQ(WSAStartup(0x0202, &wsa), 0);
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_NE(listener, INVALID_SOCKET);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(listen(listener, 0), 0);
  int length = sizeof(address);
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  std::vector<SOCKET> fillers;
  for (int i = 0; i < 4; ++i) {
    SOCKET filler = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    u_long non_blocking = 1;
    ioctlsocket(filler, FIONBIO, &non_blocking);
    connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    fillers.push_back(filler);
  }

  auto streamer = RtmpStreamer::create();
  StreamTarget target;
  target.host = L"127.0.0.1";
  target.port = ntohs(address.sin_port);
  target.app = "live";
  target.key = "backlog";
  target.tc_url = "rtmp://127.0.0.1/live";
  const auto before = Clock::now();
  ASSERT_TRUE(streamer->start(target, 0, {}));
  const auto limit = before + std::chrono::seconds(20);
  while (streamer->status().state != kFailed && Clock::now() < limit) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const auto took = Clock::now() - before;
  const LiveStreamStatus status = streamer->status();
  RtmpStreamer::destroy(std::move(streamer));
  for (SOCKET filler : fillers) closesocket(filler);
  closesocket(listener);
  WSACleanup();

  EXPECT_EQ(status.state, kFailed);
  EXPECT_EQ(status.error, kFailureNetwork);
  EXPECT_EQ(status.connections, 0u);
  EXPECT_GE(took, std::chrono::milliseconds(2950));
  EXPECT_LT(took, std::chrono::seconds(15));
}

}  // namespace
}  // namespace quorvel::windows::test
