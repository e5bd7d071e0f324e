// The live streamer against a scripted fake connection and a hand-driven
// clock: queue admission edges, reconnection and its back-off, the send
// loop's waits, the rate window, draining, stopping and the privacy cover.
#include "streaming/rtmp_streamer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "streaming/failure.h"
#include "tests/fakes/streaming/fake_rtmp_connection.h"
#include "tests/streaming/av_clip.h"
#include "tests/streaming/streamer_packets.h"

namespace quorvel::windows::test {
namespace {

constexpr int64_t kMs = 1'000'000;
constexpr int64_t kSecond = 1'000'000'000;

using State = LiveStreamState;

uint32_t as_int(State state) { return static_cast<uint32_t>(state); }

class RtmpStreamerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(packets_.ready());
    streamer_ = RtmpStreamer::create(
        [this](const std::atomic<bool>& abort) { return server_.make(abort); }, clock_);
  }
  void TearDown() override { RtmpStreamer::destroy(std::move(streamer_)); }

  static StreamTarget target() {
    StreamTarget target;
    target.host = L"127.0.0.1";
    target.app = "live";
    target.key = "key";
    target.tc_url = "rtmp://127.0.0.1/live";
    return target;
  }

  // Status changes come from the streaming thread with no event to wait
  // on; this waits (bounded, in real time) for the one a test expects.
  bool wait_status(const std::function<bool(const LiveStreamStatus&)>& done,
                   int timeout_ms = 5000) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done(streamer_->status())) {
      if (std::chrono::steady_clock::now() > limit) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  bool wait_state(State state, uint32_t connections = 0) {
    return wait_status([&](const LiveStreamStatus& s) {
      return s.state == as_int(state) && s.connections >= connections;
    });
  }

  void start_published(uint32_t max_reconnects = 5, const PrivacyMedia& privacy = {}) {
    ASSERT_TRUE(streamer_->start(target(), max_reconnects, privacy));
    ASSERT_TRUE(wait_state(State::Publishing, 1));
  }

  // A published stream whose first packet (a key frame) is held inside the
  // connection's send: one packet in flight, nothing queued.
  uint64_t start_with_send_in_flight() {
    start_published();
    server_.hold_sends(true);
    auto key = packets_.video(0, true, 0x10);
    const uint64_t size = key->data.size();
    EXPECT_EQ(streamer_->enqueue(key), S_OK);
    EXPECT_TRUE(server_.wait_held_at_send());
    return size;
  }

  // A published stream whose thread is held at its inbound poll with no
  // packet taken: nothing in flight, so every enqueue stays queued.
  void start_with_nothing_in_flight() {
    start_published();
    server_.hold_polls(true);
    ASSERT_TRUE(clock_->wait_for_waiter(clock_->now() + 20 * kMs));
    clock_->advance(20 * kMs);
    ASSERT_TRUE(server_.wait_held_at_poll());
  }

  // After an overflow: the queue is gone, the connection is dropped with
  // code 5 and a new one follows the first back-off.
  void expect_overflow_reconnect(int previous_connections) {
    ASSERT_TRUE(wait_state(State::Reconnecting));
    LiveStreamStatus status = streamer_->status();
    EXPECT_EQ(status.error, kFailureCongestion);
    EXPECT_EQ(status.pending_bytes, 0u);
    EXPECT_EQ(status.reconnect_attempts, 1u);
    server_.hold_sends(false);
    server_.hold_polls(false);
    ASSERT_TRUE(clock_->wait_for_waiter(clock_->now() + kSecond));
    clock_->advance(kSecond);
    ASSERT_TRUE(wait_state(State::Publishing, previous_connections + 1));
  }

  StreamerPackets packets_;
  FakeRtmpServer server_;
  std::shared_ptr<FakeClock> clock_ = std::make_shared<FakeClock>();
  std::unique_ptr<RtmpStreamer> streamer_;
};

// --- enqueue results ---------------------------------------------------------

TEST_F(RtmpStreamerTest, RefusesNullPacketsAndPacketsWhileIdle) {
  EXPECT_EQ(streamer_->enqueue(nullptr), E_INVALIDARG);
  auto formatless = std::make_shared<EncodedPacket>();
  formatless->data = {1};
  EXPECT_EQ(streamer_->enqueue(formatless), E_INVALIDARG);
  EXPECT_EQ(streamer_->enqueue(packets_.audio(0, 1)), E_FAIL);
  EXPECT_EQ(streamer_->status().state, as_int(State::Idle));
}

TEST_F(RtmpStreamerTest, DropsPacketsWhileConnectingAndFailsThemAfterFailure) {
  server_.hold_connects(true);
  server_.fail_next_connect({kFailureNetwork});
  server_.fail_next_connect({kFailureProtocol});
  ASSERT_TRUE(streamer_->start(target(), 5, {}));
  ASSERT_TRUE(server_.wait_attempts(1));
  EXPECT_EQ(streamer_->status().state, as_int(State::Starting));
  EXPECT_EQ(streamer_->enqueue(packets_.video(0, true, 1)), S_OK);
  EXPECT_EQ(streamer_->status().pending_bytes, 0u);
  server_.hold_connects(false);
  ASSERT_TRUE(wait_state(State::Reconnecting));
  EXPECT_EQ(streamer_->enqueue(packets_.video(0, true, 1)), S_OK);
  EXPECT_EQ(streamer_->status().pending_bytes, 0u);
  EXPECT_EQ(streamer_->status().peak_queued_bytes, 0u);

  clock_->advance(kSecond);
  ASSERT_TRUE(wait_state(State::Failed));
  EXPECT_EQ(streamer_->status().error, kFailureProtocol);
  EXPECT_EQ(streamer_->enqueue(packets_.video(0, true, 1)), E_FAIL);
}

// --- admission edges -----------------------------------------------------------

TEST_F(RtmpStreamerTest, ByteLimitCountsTheInFlightPacket) {
  const uint64_t in_flight = start_with_send_in_flight();
  const uint64_t rest = kStreamQueueMaxBytes - in_flight;
  EXPECT_EQ(streamer_->enqueue(packets_.blob(rest - 10)), S_OK);
  EXPECT_EQ(streamer_->enqueue(packets_.blob(10)), S_OK);
  LiveStreamStatus status = streamer_->status();
  EXPECT_EQ(status.pending_bytes, kStreamQueueMaxBytes);
  EXPECT_EQ(status.peak_queued_bytes, kStreamQueueMaxBytes);
  EXPECT_EQ(status.state, as_int(State::Publishing));

  EXPECT_EQ(streamer_->enqueue(packets_.blob(1)), S_OK);
  expect_overflow_reconnect(1);
}

struct CountCase {
  const char* name;
  bool in_flight;
};

class QueueCountTest : public RtmpStreamerTest,
                       public ::testing::WithParamInterface<CountCase> {};

TEST_P(QueueCountTest, HoldsAtMost4096PacketsInAll) {
  const bool in_flight = GetParam().in_flight;
  if (in_flight) {
    start_with_send_in_flight();
  } else {
    start_with_nothing_in_flight();
  }
  auto small = packets_.blob(1);
  const size_t room = kStreamQueueMaxPackets - (in_flight ? 1 : 0);
  for (size_t i = 0; i + 1 < room; ++i) ASSERT_EQ(streamer_->enqueue(small), S_OK);
  // The last packet that fits: 4096 held in all.
  EXPECT_EQ(streamer_->enqueue(small), S_OK);
  EXPECT_EQ(streamer_->status().pending_bytes,
            room + (in_flight ? packets_.video(0, true, 0x10)->data.size() : 0));
  EXPECT_EQ(streamer_->status().state, as_int(State::Publishing));
  // One more is an overflow.
  EXPECT_EQ(streamer_->enqueue(small), S_OK);
  expect_overflow_reconnect(1);
}

INSTANTIATE_TEST_SUITE_P(InFlight, QueueCountTest,
                         ::testing::Values(CountCase{"NothingInFlight", false},
                                           CountCase{"OneInFlight", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RtmpStreamerTest, InFlightPacketAgedExactlyFiveSecondsStillAdmits) {
  start_with_send_in_flight();
  clock_->advance(5 * kSecond);
  EXPECT_EQ(streamer_->enqueue(packets_.blob(1)), S_OK);
  EXPECT_EQ(streamer_->status().pending_bytes, packets_.video(0, true, 0x10)->data.size() + 1);
  clock_->advance(1);
  EXPECT_EQ(streamer_->enqueue(packets_.blob(1)), S_OK);
  expect_overflow_reconnect(1);
}

TEST_F(RtmpStreamerTest, OldestQueuedPacketAgedExactlyFiveSecondsStillAdmits) {
  start_with_nothing_in_flight();
  EXPECT_EQ(streamer_->enqueue(packets_.blob(3)), S_OK);
  clock_->advance(5 * kSecond);
  EXPECT_EQ(streamer_->enqueue(packets_.blob(4)), S_OK);
  EXPECT_EQ(streamer_->status().pending_bytes, 7u);
  clock_->advance(1);
  EXPECT_EQ(streamer_->enqueue(packets_.blob(5)), S_OK);
  expect_overflow_reconnect(1);
}

TEST_F(RtmpStreamerTest, PacketFiveSecondsOldWhenTakenFailsTheConnectionWithCongestion) {
  start_with_nothing_in_flight();
  EXPECT_EQ(streamer_->enqueue(packets_.video(0, true, 1)), S_OK);
  clock_->advance(5 * kSecond);
  server_.hold_polls(false);
  ASSERT_TRUE(wait_state(State::Reconnecting));
  EXPECT_EQ(streamer_->status().error, kFailureCongestion);
  EXPECT_TRUE(server_.sent().empty());
}

// --- reconnection ----------------------------------------------------------------

struct BudgetCase {
  uint32_t max_reconnects;
  uint32_t expected_reconnects;
};

class ReconnectBudgetTest : public RtmpStreamerTest,
                            public ::testing::WithParamInterface<BudgetCase> {};

TEST_P(ReconnectBudgetTest, BacksOffOneTwoFourEightEightSecondsThenFails) {
  const BudgetCase c = GetParam();
  server_.always_fail_connect({kFailureTimeout});
  ASSERT_TRUE(streamer_->start(target(), c.max_reconnects, {}));
  const int64_t delays[] = {1, 2, 4, 8, 8};
  for (uint32_t i = 0; i < c.expected_reconnects; ++i) {
    ASSERT_TRUE(wait_status([&](const LiveStreamStatus& s) {
      return s.state == as_int(State::Reconnecting) && s.reconnect_attempts == i + 1;
    })) << "reconnect " << i + 1;
    EXPECT_EQ(streamer_->status().error, kFailureTimeout);
    // The thread waits for exactly the back-off, measured from the failure.
    ASSERT_TRUE(clock_->wait_for_waiter(clock_->now() + delays[i] * kSecond)) << i;
    EXPECT_EQ(server_.attempts(), static_cast<int>(i + 1));
    clock_->advance(delays[i] * kSecond);
    ASSERT_TRUE(server_.wait_attempts(static_cast<int>(i + 2)));
  }
  ASSERT_TRUE(wait_state(State::Failed));
  const LiveStreamStatus status = streamer_->status();
  EXPECT_EQ(status.error, kFailureTimeout);
  EXPECT_EQ(status.reconnect_attempts, c.expected_reconnects);
  EXPECT_EQ(status.connections, 0u);
  EXPECT_EQ(server_.attempts(), static_cast<int>(c.expected_reconnects + 1));
}

INSTANTIATE_TEST_SUITE_P(Budgets, ReconnectBudgetTest,
                         ::testing::Values(BudgetCase{0, 0}, BudgetCase{2, 2}, BudgetCase{5, 5},
                                           BudgetCase{100, 5}));

TEST_F(RtmpStreamerTest, BudgetCoversEveryOutageFromStartToStop) {
  start_published();
  for (int outage = 1; outage <= 6; ++outage) {
    server_.fail_next_send({kFailureNetwork});
    ASSERT_EQ(streamer_->enqueue(packets_.video(0, true, 1)), S_OK);
    if (outage == 6) break;
    ASSERT_TRUE(wait_status([&](const LiveStreamStatus& s) {
      return s.state == as_int(State::Reconnecting) &&
             s.reconnect_attempts == static_cast<uint32_t>(outage);
    }));
    clock_->advance(8 * kSecond);
    ASSERT_TRUE(wait_state(State::Publishing, outage + 1));
  }
  ASSERT_TRUE(wait_state(State::Failed));
  LiveStreamStatus status = streamer_->status();
  EXPECT_EQ(status.error, kFailureNetwork);
  EXPECT_EQ(status.connections, 6u);
  EXPECT_EQ(status.reconnect_attempts, 5u);

  // A new start has a fresh budget and fresh counters.
  start_published();
  status = streamer_->status();
  EXPECT_EQ(status.error, 0);
  EXPECT_EQ(status.connections, 1u);
  EXPECT_EQ(status.reconnect_attempts, 0u);
}

struct FailureCase {
  const char* name;
  FakeFailure failure;
  bool at_publish;
  int expected_code;
  bool retried;
};

class FailureCodeTest : public RtmpStreamerTest,
                        public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureCodeTest, RetriesOnlyNetworkTimeoutAndCongestion) {
  const FailureCase c = GetParam();
  if (c.at_publish) {
    server_.fail_next_publish(c.failure);
  } else {
    server_.fail_next_connect(c.failure);
  }
  ASSERT_TRUE(streamer_->start(target(), 5, {}));
  ASSERT_TRUE(wait_status([](const LiveStreamStatus& s) {
    return s.state == as_int(State::Failed) || s.state == as_int(State::Reconnecting);
  }));
  const LiveStreamStatus status = streamer_->status();
  EXPECT_EQ(status.error, c.expected_code);
  EXPECT_EQ(status.state, as_int(c.retried ? State::Reconnecting : State::Failed));
  EXPECT_EQ(status.reconnect_attempts, c.retried ? 1u : 0u);
  EXPECT_EQ(status.connections, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, FailureCodeTest,
    ::testing::Values(
        FailureCase{"Network", {kFailureNetwork}, false, kFailureNetwork, true},
        FailureCase{"Timeout", {kFailureTimeout}, true, kFailureTimeout, true},
        FailureCase{"AbortCountsAsNetwork", {kFailureAborted}, false, kFailureNetwork, true},
        FailureCase{"Protocol", {kFailureProtocol}, true, kFailureProtocol, false},
        FailureCase{"Rejected", {kFailureRejected}, true, kFailureRejected, false},
        FailureCase{"Internal", {kFailureInternal}, false, kFailureInternal, false},
        FailureCase{"NotAccepted", {kFailureNotAccepted}, true, kFailureNotAccepted, false},
        FailureCase{"Tls", {0, true, false}, false, kFailureTls, false},
        FailureCase{"Certificate", {0, true, true}, false, kFailureCertificate, false}),
    [](const auto& info) { return std::string(info.param.name); });

// --- send loop -------------------------------------------------------------------

struct InboundCase {
  const char* name;
  std::vector<AmfValue> command;
  bool fails;
};

AmfValue text(const char* value) {
  AmfValue v;
  v.text = value;
  return v;
}

AmfValue status_object(const char* code) {
  AmfValue v;
  v.object["code"] = text(code);
  return v;
}

class InboundTest : public RtmpStreamerTest,
                    public ::testing::WithParamInterface<InboundCase> {};

TEST_P(InboundTest, ServerMessagesAreNoticedWithinTheTwentyMillisecondWait) {
  start_published();
  server_.push_command(GetParam().command);
  // No packet arrives; the loop's bounded wait alone brings it to the poll.
  ASSERT_TRUE(clock_->wait_for_waiter(clock_->now() + 20 * kMs));
  clock_->advance(20 * kMs);
  if (GetParam().fails) {
    ASSERT_TRUE(wait_state(State::Failed));
    EXPECT_EQ(streamer_->status().error, kFailureRejected);
  } else {
    ASSERT_TRUE(clock_->wait_for_waiter(clock_->now() + 20 * kMs));
    EXPECT_EQ(streamer_->status().state, as_int(State::Publishing));
    EXPECT_EQ(streamer_->status().error, 0);
  }
  EXPECT_GE(server_.renewals(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, InboundTest,
    ::testing::Values(
        InboundCase{"Error", {text("_error"), AmfValue{}, AmfValue{}, status_object("X")}, true},
        InboundCase{"BadName",
                    {text("onStatus"), AmfValue{}, AmfValue{},
                     status_object("NetStream.Publish.BadName")},
                    true},
        InboundCase{"PublishStartAgain",
                    {text("onStatus"), AmfValue{}, AmfValue{},
                     status_object("NetStream.Publish.Start")},
                    false},
        InboundCase{"OtherCommand", {text("onBWDone")}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RtmpStreamerTest, SendsPacketsAndCountsThem) {
  start_published();
  auto key = packets_.video(0, true, 0x11);
  ASSERT_EQ(streamer_->enqueue(key), S_OK);
  ASSERT_TRUE(server_.wait_sent(2));
  // The server can see the video before the streamer has settled it; the
  // peak below must not count the key frame as still in flight.
  ASSERT_TRUE(wait_status([](const LiveStreamStatus& s) { return s.video_packets_sent == 1; }));
  ASSERT_EQ(streamer_->enqueue(packets_.audio(10, 0x21)), S_OK);
  // Sequence header and frame for each.
  ASSERT_TRUE(server_.wait_sent(4));
  ASSERT_TRUE(wait_status([](const LiveStreamStatus& s) { return s.audio_packets_sent == 1; }));
  const LiveStreamStatus status = streamer_->status();
  EXPECT_EQ(status.state, as_int(State::Streaming));
  EXPECT_EQ(status.video_packets_sent, 1u);
  uint64_t bytes = 0;
  for (const FakeSentMessage& m : server_.sent()) {
    bytes += m.body.size();
    EXPECT_EQ(m.stream_id, FakeRtmpServer::kStreamId);
  }
  EXPECT_EQ(status.bytes_sent, bytes);
  EXPECT_EQ(status.pending_bytes, 0u);
  EXPECT_EQ(status.peak_queued_bytes, key->data.size());
  // Each packet gets a fresh I/O deadline before its messages go out.
  const std::vector<FakeSentMessage> sent = server_.sent();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_GE(sent[0].renewals, 1);
  EXPECT_EQ(sent[1].renewals, sent[0].renewals);
  EXPECT_GT(sent[2].renewals, sent[1].renewals);
  EXPECT_EQ(sent[3].renewals, sent[2].renewals);
}

TEST_F(RtmpStreamerTest, QueuedPacketsLeaveInOneBatchWithoutPollsBetweenThem) {
  start_with_nothing_in_flight();
  const int polls_before = server_.polls();
  ASSERT_EQ(streamer_->enqueue(packets_.video(0, true, 0x01)), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.audio(10, 0x02)), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.video(33, false, 0x03)), S_OK);
  server_.hold_polls(false);
  // Sequence header and frame, audio header and frame, then the frame.
  ASSERT_TRUE(server_.wait_flushes(1));
  ASSERT_TRUE(wait_status([](const LiveStreamStatus& s) { return s.pending_bytes == 0; }));
  EXPECT_EQ(server_.sent().size(), 5u);
  EXPECT_EQ(server_.flushes(), std::vector<size_t>{5});
  // Only the poll the thread was held at: none while the backlog went out.
  EXPECT_EQ(server_.polls(), polls_before);
}

TEST_F(RtmpStreamerTest, EachLivePacketIsFlushedAndTheServerHeardBeforeTheNext) {
  start_published();
  const int polls_before = server_.polls();
  ASSERT_EQ(streamer_->enqueue(packets_.video(0, true, 0x01)), S_OK);
  ASSERT_TRUE(server_.wait_flushes(1));
  ASSERT_EQ(streamer_->enqueue(packets_.video(33, false, 0x02)), S_OK);
  ASSERT_TRUE(server_.wait_flushes(2));
  EXPECT_EQ(server_.flushes(), (std::vector<size_t>{2, 3}));
  // One poll before each packet, after the flush before it.
  EXPECT_EQ(server_.polls(), polls_before + 2);
}

struct BacklogPollCase {
  const char* name;
  int64_t held_ms;  // how long the first packet's send is held
  int extra_polls;  // polls while the two packets behind it go out
};

class BacklogPollTest : public RtmpStreamerTest,
                        public ::testing::WithParamInterface<BacklogPollCase> {};

TEST_P(BacklogPollTest, ABacklogStillHearsTheServerEveryHundredMilliseconds) {
  start_published();
  server_.hold_sends(true);
  ASSERT_EQ(streamer_->enqueue(packets_.video(0, true, 0x01)), S_OK);
  ASSERT_TRUE(server_.wait_held_at_send());
  const int polls_before = server_.polls();
  ASSERT_EQ(streamer_->enqueue(packets_.video(33, false, 0x02)), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.video(66, false, 0x03)), S_OK);
  clock_->advance(GetParam().held_ms * kMs);
  server_.hold_sends(false);
  ASSERT_TRUE(server_.wait_flushes(1));
  EXPECT_EQ(server_.flushes(), std::vector<size_t>{4});
  EXPECT_EQ(server_.polls(), polls_before + GetParam().extra_polls);
}

INSTANTIATE_TEST_SUITE_P(
    Waits, BacklogPollTest,
    ::testing::Values(BacklogPollCase{"NoTime", 0, 0}, BacklogPollCase{"JustShort", 99, 0},
                      BacklogPollCase{"HundredMilliseconds", 100, 1},
                      BacklogPollCase{"Longer", 400, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RtmpStreamerTest, RateWindowGivesBitsPerSecondAndReadsZeroAfterTwoIdleSeconds) {
  start_published();
  ASSERT_EQ(streamer_->enqueue(packets_.video(0, true, 1)), S_OK);
  ASSERT_TRUE(server_.wait_sent(2));
  // The server can see the bytes before the streamer has counted them; the
  // clock must not move before they are in the window.
  ASSERT_TRUE(wait_status([](const LiveStreamStatus& s) { return s.video_packets_sent == 1; }));
  EXPECT_EQ(streamer_->status().bitrate_bps, 0u);  // the window is not a second old yet
  clock_->advance(1250 * kMs);
  ASSERT_EQ(streamer_->enqueue(packets_.video(40, false, 2)), S_OK);
  ASSERT_TRUE(server_.wait_sent(3));
  ASSERT_TRUE(wait_status([](const LiveStreamStatus& s) { return s.video_packets_sent == 2; }));
  const LiveStreamStatus status = streamer_->status();
  EXPECT_EQ(status.bitrate_bps, status.bytes_sent * 8000 / 1250);
  clock_->advance(2 * kSecond);
  EXPECT_EQ(streamer_->status().bitrate_bps, status.bitrate_bps);
  clock_->advance(1);
  EXPECT_EQ(streamer_->status().bitrate_bps, 0u);
}

// --- stop and drain --------------------------------------------------------------

TEST_F(RtmpStreamerTest, UserStopSendsDeleteStreamBeforeClosing) {
  start_published();
  streamer_->stop();
  const std::vector<std::string> events = server_.events();
  const std::vector<std::string> expected = {"connect #1", "publish #1", "delete_stream 1 #1",
                                             "close #1"};
  EXPECT_EQ(events, expected);
  EXPECT_EQ(streamer_->status().state, as_int(State::Idle));
}

TEST_F(RtmpStreamerTest, StopDuringBlockedSendDoesNotSendDeleteStream) {
  start_with_send_in_flight();
  streamer_->stop();
  const std::vector<std::string> events = server_.events();
  EXPECT_EQ(std::count(events.begin(), events.end(), "delete_stream 1 #1"), 0);
  EXPECT_EQ(events.back(), "close #1");
  const LiveStreamStatus status = streamer_->status();
  EXPECT_EQ(status.state, as_int(State::Idle));
  EXPECT_EQ(status.pending_bytes, 0u);
}

TEST_F(RtmpStreamerTest, DrainWithEmptyQueueReturnsAtOnce) {
  start_published();
  // The clock never moves: only an empty queue lets this return.
  streamer_->drain_and_stop();
  EXPECT_EQ(streamer_->status().state, as_int(State::Idle));
  EXPECT_EQ(streamer_->status().error, 0);
}

TEST_F(RtmpStreamerTest, DrainWaitsForQueuedMediaThenStopsProperly) {
  start_published();
  server_.hold_sends(true);
  ASSERT_EQ(streamer_->enqueue(packets_.video(0, true, 1)), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.audio(0, 2)), S_OK);
  ASSERT_TRUE(server_.wait_held_at_send());
  auto drained = std::async(std::launch::async, [this] { streamer_->drain_and_stop(); });
  ASSERT_TRUE(clock_->wait_for_waiter(clock_->now() + kSecond));
  // Still within the second: the drain waits for the media, not the clock.
  EXPECT_EQ(drained.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  server_.hold_sends(false);
  ASSERT_EQ(drained.wait_for(std::chrono::seconds(5)), std::future_status::ready);

  const LiveStreamStatus status = streamer_->status();
  EXPECT_EQ(status.state, as_int(State::Idle));
  EXPECT_EQ(status.error, 0);
  EXPECT_EQ(status.video_packets_sent, 1u);
  EXPECT_EQ(status.audio_packets_sent, 1u);
  const std::vector<std::string> events = server_.events();
  const std::vector<std::string> expected = {"connect #1", "publish #1", "delete_stream 1 #1",
                                             "close #1"};
  EXPECT_EQ(events, expected);
  // Stopped: packets still coming from the encoders are dropped quietly
  // until the next start.
  EXPECT_EQ(streamer_->enqueue(packets_.video(40, false, 3)), S_OK);
  EXPECT_EQ(streamer_->status().pending_bytes, 0u);
}

TEST_F(RtmpStreamerTest, DrainThatTimesOutStaysFailedEvenIfTheSendCompletesLater) {
  start_published();
  server_.hold_sends(true, /*hold_through_abort=*/true);
  ASSERT_EQ(streamer_->enqueue(packets_.video(0, true, 1)), S_OK);
  ASSERT_TRUE(server_.wait_held_at_send());
  auto drained = std::async(std::launch::async, [this] { streamer_->drain_and_stop(); });
  ASSERT_TRUE(clock_->wait_for_waiter(clock_->now() + kSecond));
  clock_->advance(kSecond);
  ASSERT_TRUE(wait_state(State::Failed));
  // The stalled send now goes through: the stream must still be reported
  // as failed, since the drain gave up on media it could not send.
  server_.hold_sends(false);
  ASSERT_EQ(drained.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  ASSERT_TRUE(server_.wait_sent(2));
  const LiveStreamStatus status = streamer_->status();
  EXPECT_EQ(status.video_packets_sent, 1u);
  EXPECT_EQ(status.state, as_int(State::Failed));
  EXPECT_EQ(status.error, kFailureCongestion);
}

TEST_F(RtmpStreamerTest, StopWhileReconnectingEndsIdleWithoutWaitingForTheBackOff) {
  server_.always_fail_connect({kFailureNetwork});
  ASSERT_TRUE(streamer_->start(target(), 5, {}));
  ASSERT_TRUE(wait_state(State::Reconnecting));
  streamer_->stop();
  EXPECT_EQ(streamer_->status().state, as_int(State::Idle));
  EXPECT_EQ(server_.attempts(), 1);
}

TEST_F(RtmpStreamerTest, StopFromTheStreamingThreadIsRefusedAsADeadlock) {
  // The connection factory runs on the streaming thread: a stop from there
  // could never join and must say so instead of hanging.
  std::promise<std::error_code> refused;
  RtmpStreamer* streamer = nullptr;
  auto own = RtmpStreamer::create(
      [&](const std::atomic<bool>& abort) {
        try {
          streamer->stop();
          refused.set_value({});
        } catch (const std::system_error& error) {
          refused.set_value(error.code());
        }
        return server_.make(abort);
      },
      clock_);
  streamer = own.get();
  ASSERT_TRUE(own->start(target(), 5, {}));
  auto code = refused.get_future();
  ASSERT_EQ(code.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(code.get(), std::errc::resource_deadlock_would_occur);
  // The request itself stands: the thread ends on its own and joins.
  RtmpStreamer::destroy(std::move(own));
  EXPECT_EQ(server_.attempts(), 1);
}

// --- privacy -----------------------------------------------------------------------

struct PrivacyRefusal {
  const char* name;
  bool has_video;
  bool has_audio;
  bool cover;
  bool mute;
  bool applied;
};

class PrivacyRefusalTest : public RtmpStreamerTest,
                           public ::testing::WithParamInterface<PrivacyRefusal> {};

TEST_P(PrivacyRefusalTest, NeedsTheCoverPacketsItWouldSend) {
  const PrivacyRefusal c = GetParam();
  PrivacyMedia media;
  if (c.has_video) media.video_key_frame = packets_.cover_video();
  if (c.has_audio) media.audio_packet = packets_.cover_audio();
  start_published(5, media);
  EXPECT_EQ(streamer_->set_privacy(c.cover, c.mute), c.applied);
  const LiveStreamStatus status = streamer_->status();
  EXPECT_EQ(status.cover_video, c.applied && c.cover);
  EXPECT_EQ(status.mute_audio, c.applied && c.mute);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrivacyRefusalTest,
    ::testing::Values(PrivacyRefusal{"NoVideo", false, true, false, true, false},
                      PrivacyRefusal{"NoAudioCover", true, false, true, false, false},
                      PrivacyRefusal{"NoAudioMute", true, false, false, true, false},
                      PrivacyRefusal{"NoAudioNothingRequested", true, false, false, false, true},
                      PrivacyRefusal{"Both", true, true, true, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RtmpStreamerTest, PrivacyIsRefusedOnceFailed) {
  PrivacyMedia media{packets_.cover_video(), packets_.cover_audio()};
  server_.fail_next_connect({kFailureProtocol});
  ASSERT_TRUE(streamer_->start(target(), 5, media));
  ASSERT_TRUE(wait_state(State::Failed));
  EXPECT_FALSE(streamer_->set_privacy(true, true));
}

// The frames as the server received them: one marker per media message
// (sequence headers skipped), 'v'/'a' plus the payload's last byte.
std::vector<std::string> media_markers(const std::vector<FakeSentMessage>& sent) {
  std::vector<std::string> out;
  for (const FakeSentMessage& m : sent) {
    if (m.body.size() < 3 || m.body[1] != 1) continue;
    char marker[8];
    std::snprintf(marker, sizeof(marker), "%c%02X", m.type == 9 ? 'v' : 'a', m.body.back());
    out.emplace_back(marker);
  }
  return out;
}

TEST_F(RtmpStreamerTest, CoverReplacesPictureAndSoundUntilAKeyFrameCapturedAfterUncover) {
  start_published(5, {packets_.cover_video(), packets_.cover_audio()});
  const int64_t frame = 33;
  ASSERT_EQ(streamer_->enqueue(packets_.video(0, true, 0x01)), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.audio(0, 0x02)), S_OK);
  ASSERT_TRUE(server_.wait_sent(4));

  ASSERT_TRUE(streamer_->set_privacy(true, false));
  ASSERT_EQ(streamer_->enqueue(packets_.video(frame, false, 0x03)), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.audio(21, 0x04)), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.video(2 * frame, true, 0x05)), S_OK);
  // Audio runs ahead of the picture: the media stands at 100 ms when the
  // cover goes off.
  ASSERT_EQ(streamer_->enqueue(packets_.audio(79, 0x06)), S_OK);
  ASSERT_TRUE(server_.wait_sent(8));

  ASSERT_TRUE(streamer_->set_privacy(false, false));
  EXPECT_TRUE(streamer_->status().cover_pending);
  // Still inside the encoder at the switch: captured while covered.
  ASSERT_EQ(streamer_->enqueue(packets_.video(3 * frame, true, 0x07)), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.video(4 * frame, false, 0x08)), S_OK);
  // The first key frame from after the switch brings the picture back.
  ASSERT_EQ(streamer_->enqueue(packets_.video(5 * frame, true, 0x09)), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.audio(120, 0x0A)), S_OK);
  ASSERT_TRUE(server_.wait_sent(12)) << ::testing::PrintToString(media_markers(server_.sent()));
  ASSERT_TRUE(wait_status([](const LiveStreamStatus& s) { return s.audio_packets_sent == 4; }));
  EXPECT_FALSE(streamer_->status().cover_pending);

  const std::vector<std::string> expected = {"v01", "a02", "vCC", "aCA", "vCC",
                                             "aCA", "vCC", "vCC", "v09", "a0A"};
  EXPECT_EQ(media_markers(server_.sent()), expected);
}

TEST_F(RtmpStreamerTest, UnmuteDropsQueuedAudioButKeepsQueuedVideo) {
  start_published(5, {packets_.cover_video(), packets_.cover_audio()});
  ASSERT_TRUE(streamer_->set_privacy(false, true));
  server_.hold_polls(true);
  ASSERT_TRUE(clock_->wait_for_waiter(clock_->now() + 20 * kMs));
  clock_->advance(20 * kMs);
  ASSERT_TRUE(server_.wait_held_at_poll());
  auto key = packets_.video(0, true, 0x01);
  ASSERT_EQ(streamer_->enqueue(key), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.audio(0, 0x02)), S_OK);
  ASSERT_TRUE(streamer_->set_privacy(false, false));
  EXPECT_EQ(streamer_->status().pending_bytes, key->data.size());
  server_.hold_polls(false);
  ASSERT_TRUE(server_.wait_sent(2));
  ASSERT_TRUE(wait_status([](const LiveStreamStatus& s) { return s.video_packets_sent == 1; }));
  const std::vector<std::string> expected = {"v01"};
  EXPECT_EQ(media_markers(server_.sent()), expected);
}

TEST_F(RtmpStreamerTest, AudioCapturedWhileMutedNeverGoesOutHoweverLateItArrives) {
  start_published(5, {packets_.cover_video(), packets_.cover_audio()});
  ASSERT_EQ(streamer_->enqueue(packets_.video(0, true, 0x01)), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.audio(0, 0x02)), S_OK);
  ASSERT_TRUE(server_.wait_sent(4));
  ASSERT_TRUE(streamer_->set_privacy(false, true));

  // Taken off the queue while muted, held at the poll while the user
  // unmutes: it was captured during the mute.
  server_.hold_polls(true);
  ASSERT_EQ(streamer_->enqueue(packets_.audio(40, 0x03)), S_OK);
  ASSERT_TRUE(server_.wait_held_at_poll());
  ASSERT_EQ(streamer_->enqueue(packets_.audio(61, 0x04)), S_OK);  // dropped by the unmute
  ASSERT_TRUE(streamer_->set_privacy(false, false));
  server_.hold_polls(false);
  ASSERT_TRUE(server_.wait_sent(5));

  // Still in the encoder at the unmute: stamped inside the muted stretch.
  ASSERT_EQ(streamer_->enqueue(packets_.audio(70, 0x05)), S_OK);
  // Captured after the unmute (the media stood at 82.3 ms).
  ASSERT_EQ(streamer_->enqueue(packets_.audio(83, 0x06)), S_OK);
  ASSERT_TRUE(server_.wait_sent(7));
  const std::vector<std::string> expected = {"v01", "a02", "aCA", "aCA", "a06"};
  EXPECT_EQ(media_markers(server_.sent()), expected);
}

TEST_F(RtmpStreamerTest, MediaStillInTheEncodersAtASwitchIsJudgedByTheTimeOfTheSwitch) {
  start_published(5, {packets_.cover_video(), packets_.cover_audio()});
  ASSERT_EQ(streamer_->enqueue(packets_.video(0, true, 0x01)), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.audio(0, 0x02)), S_OK);
  ASSERT_TRUE(wait_status([](const LiveStreamStatus& s) {
    return s.video_packets_sent == 1 && s.audio_packets_sent == 1;
  }));

  // Muted from 0.5 s to 1 s after the last packet came (which ended at
  // 33.3 ms of media time); nothing was offered meanwhile.
  clock_->advance(500 * kMs);
  ASSERT_TRUE(streamer_->set_privacy(false, true));
  clock_->advance(500 * kMs);
  ASSERT_TRUE(streamer_->set_privacy(false, false));
  // Captured at 600 ms, inside the mute, delivered only now; and a frame
  // whose last samples were captured after the mute began.
  ASSERT_EQ(streamer_->enqueue(packets_.audio(600, 0x03)), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.audio(520, 0x09)), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.audio(1040, 0x04)), S_OK);
  // Switching the cover clears the queue; let these go out first.
  ASSERT_TRUE(wait_status([](const LiveStreamStatus& s) { return s.audio_packets_sent == 4; }));

  // Covered from 1.5 s to 2 s of steady time, which the audio just offered
  // (ending at 1061.3 ms) places at 1561.3 ms and 2061.3 ms of media time.
  clock_->advance(500 * kMs);
  ASSERT_TRUE(streamer_->set_privacy(true, false));
  ASSERT_EQ(streamer_->enqueue(packets_.video(1520, false, 0x05)), S_OK);
  ASSERT_TRUE(wait_status([](const LiveStreamStatus& s) { return s.video_packets_sent == 2; }));
  clock_->advance(500 * kMs);
  ASSERT_TRUE(streamer_->set_privacy(false, false));
  EXPECT_TRUE(streamer_->status().cover_pending);
  // A key frame and audio captured while covered, still in the encoders at
  // the uncover: neither may show the screen or play the sound.
  ASSERT_EQ(streamer_->enqueue(packets_.video(1900, true, 0x06)), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.audio(1950, 0x07)), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.video(2100, true, 0x08)), S_OK);
  ASSERT_TRUE(wait_status([](const LiveStreamStatus& s) {
    return s.video_packets_sent == 4 && s.audio_packets_sent == 5;
  })) << ::testing::PrintToString(media_markers(server_.sent()));
  EXPECT_FALSE(streamer_->status().cover_pending);

  const std::vector<std::string> expected = {"v01", "a02", "aCA", "aCA", "a04",
                                             "vCC", "vCC", "aCA", "v08"};
  EXPECT_EQ(media_markers(server_.sent()), expected);
}


TEST_F(RtmpStreamerTest, MediaClockReadingPlacesEachSwitch) {
  // The packets' timing says nothing here (the steady clock never moves);
  // only the recording's own clock tells where the mute began and ended.
  auto media_now = std::make_shared<std::atomic<int64_t>>(0);
  ASSERT_TRUE(streamer_->start(target(), 5, {packets_.cover_video(), packets_.cover_audio()},
                               [media_now] { return media_now->load(); }));
  ASSERT_TRUE(wait_state(State::Publishing, 1));
  ASSERT_EQ(streamer_->enqueue(packets_.video(0, true, 0x01)), S_OK);
  ASSERT_TRUE(server_.wait_sent(2));
  *media_now = 1000 * 10'000;
  ASSERT_TRUE(streamer_->set_privacy(false, true));
  *media_now = 2000 * 10'000;
  ASSERT_TRUE(streamer_->set_privacy(false, false));
  ASSERT_EQ(streamer_->enqueue(packets_.audio(900, 0x02)), S_OK);   // before the mute
  ASSERT_EQ(streamer_->enqueue(packets_.audio(990, 0x03)), S_OK);   // ends inside it
  ASSERT_EQ(streamer_->enqueue(packets_.audio(1500, 0x04)), S_OK);
  ASSERT_EQ(streamer_->enqueue(packets_.audio(1990, 0x05)), S_OK);  // begins inside it
  ASSERT_EQ(streamer_->enqueue(packets_.audio(2000, 0x06)), S_OK);  // after the unmute
  ASSERT_TRUE(wait_status([](const LiveStreamStatus& s) { return s.audio_packets_sent == 5; }));
  const std::vector<std::string> expected = {"v01", "a02", "aCA", "aCA", "aCA", "a06"};
  EXPECT_EQ(media_markers(server_.sent()), expected);
}

// --- privacy across a recording pause ------------------------------------------------

// A recording whose media time stops while it is paused. Packets leave the
// encoders the moment their media is complete (so the packets' own timing
// gives away where the media stands), except those the test holds back as
// if still inside an encoder at a switch. Audio comes in 20 ms frames, video
// in 40 ms frames with a key frame every 200 ms.
class PausedRecordingTest : public RtmpStreamerTest,
                            public ::testing::WithParamInterface<bool> {
 protected:
  static constexpr int64_t kUnitsPerMs = 10'000;

  struct Offered {
    int64_t begin_ms;
    int64_t end_ms;
    uint8_t marker;
  };

  void start_recording() {
    origin_ = clock_->now();
    MediaClock media_clock;
    if (GetParam()) {
      media_clock = [clock = clock_, origin = origin_, paused = paused_] {
        return (clock->now() - origin - paused->load()) / 100;
      };
    }
    ASSERT_TRUE(streamer_->start(target(), 5, {packets_.cover_video(), packets_.cover_audio()},
                                 media_clock));
    ASSERT_TRUE(wait_state(State::Publishing, 1));
  }

  int64_t media_ms() const { return (clock_->now() - origin_ - paused_->load()) / kMs; }

  void pause(int64_t ms) {
    clock_->advance(ms * kMs);
    *paused_ += ms * kMs;
  }

  // Moves the media time on to `until_ms`, offering every frame completed by
  // then from `next_ms_` on (frames completed before `hold_from_ms`, if
  // given, only).
  void record_until(int64_t until_ms, int64_t hold_from_ms = INT64_MAX) {
    for (int64_t end = next_ms_ + 20; end <= until_ms; end += 20) {
      if (end > hold_from_ms) break;
      clock_->advance((end - media_ms()) * kMs);
      offer_frames_ending_at(end);
      next_ms_ = end;
    }
    clock_->advance((until_ms - media_ms()) * kMs);
  }

  // Offers the frames held back, as the encoders finally deliver them.
  void release_held(int64_t until_ms) {
    for (; next_ms_ + 20 <= until_ms; next_ms_ += 20) offer_frames_ending_at(next_ms_ + 20);
  }

  // Video first: a connection's media begins with a key frame, and audio
  // offered before it would not be sent at all.
  void offer_frames_ending_at(int64_t end) {
    if (end % 40 == 0) {
      const int64_t begin = end - 40;
      auto video = std::make_shared<EncodedPacket>(
          *packets_.video(begin, begin % 200 == 0, next_marker()));
      video->duration = 40 * kUnitsPerMs;
      video_.push_back({begin, end, video->data.back()});
      ASSERT_EQ(streamer_->enqueue(video), S_OK);
    }
    if (video_.empty()) return;
    auto audio = std::make_shared<EncodedPacket>(*packets_.audio(end - 20, next_marker()));
    audio->duration = 20 * kUnitsPerMs;
    audio_.push_back({end - 20, end, audio->data.back()});
    ASSERT_EQ(streamer_->enqueue(audio), S_OK);
  }

  // Markers 0x01 to 0x64: never one of the cover packets'.
  uint8_t next_marker() { return static_cast<uint8_t>(marker_++ % 100 + 1); }

  // Waits until every packet offered so far has been sent.
  void wait_all_sent() {
    const size_t audio = audio_.size();
    const size_t video = video_.size();
    ASSERT_TRUE(wait_status([&](const LiveStreamStatus& s) {
      return s.audio_packets_sent == audio && s.video_packets_sent == video;
    })) << "sent " << streamer_->status().audio_packets_sent << " audio of " << audio << ", "
        << streamer_->status().video_packets_sent << " video of " << video;
  }

  // The last payload byte of each frame the server got, by kind, in order.
  std::vector<uint8_t> sent_markers(uint8_t type) {
    std::vector<uint8_t> out;
    for (const FakeSentMessage& m : server_.sent()) {
      if (m.type == type && m.body.size() >= 3 && m.body[1] == 1) out.push_back(m.body.back());
    }
    return out;
  }

  // Records a second, pauses 60 s, records on to 1990 ms of media time.
  void record_with_a_long_pause() {
    record_until(1000);
    wait_all_sent();
    pause(60'000);
    record_until(1990);
    wait_all_sent();
  }

  int64_t origin_ = 0;
  std::shared_ptr<std::atomic<int64_t>> paused_ = std::make_shared<std::atomic<int64_t>>(0);
  int64_t next_ms_ = 0;
  int marker_ = 0;
  std::vector<Offered> audio_;
  std::vector<Offered> video_;
};

TEST_P(PausedRecordingTest, AudioCapturedWhileMutedAfterAPauseNeverGoesOut) {
  start_recording();
  record_with_a_long_pause();
  ASSERT_TRUE(streamer_->set_privacy(false, true));
  // The last 190 ms of the mute are still in the encoder at the unmute.
  record_until(2990, 2800);
  wait_all_sent();
  ASSERT_TRUE(streamer_->set_privacy(false, false));
  release_held(2990);
  record_until(3400);
  wait_all_sent();

  const std::vector<uint8_t> sent = sent_markers(8);
  ASSERT_EQ(sent.size(), audio_.size());
  for (size_t i = 0; i < sent.size(); ++i) {
    const Offered& a = audio_[i];
    const bool muted = a.end_ms > 1990 && a.begin_ms < 2990;
    EXPECT_EQ(sent[i], muted ? StreamerPackets::kCoverAudioMarker : a.marker)
        << "audio frame at " << a.begin_ms << " ms";
  }
}

TEST_P(PausedRecordingTest, PictureReturnsOnTheFirstKeyFrameCapturedAfterTheUncoverAfterAPause) {
  start_recording();
  record_with_a_long_pause();
  ASSERT_TRUE(streamer_->set_privacy(true, false));
  // Frames from 2800 ms on are still in the encoders at the uncover; the
  // one at 2800 ms is a key frame, captured while covered.
  record_until(2990, 2800);
  wait_all_sent();
  ASSERT_TRUE(streamer_->set_privacy(false, false));
  release_held(2990);
  record_until(3400);
  wait_all_sent();

  const std::vector<uint8_t> video = sent_markers(9);
  ASSERT_EQ(video.size(), video_.size());
  for (size_t i = 0; i < video.size(); ++i) {
    const Offered& v = video_[i];
    // Covered from the switch until the key frame at 3000 ms.
    const bool covered = v.end_ms > 1990 && v.begin_ms < 3000;
    EXPECT_EQ(video[i], covered ? StreamerPackets::kCoverVideoMarker : v.marker)
        << "video frame at " << v.begin_ms << " ms";
  }
  const std::vector<uint8_t> audio = sent_markers(8);
  ASSERT_EQ(audio.size(), audio_.size());
  for (size_t i = 0; i < audio.size(); ++i) {
    const Offered& a = audio_[i];
    // Sound stays covered alongside the picture, until the key frame that
    // brings it back has gone out (it follows the audio up to 3040 ms).
    if (a.end_ms > 1990 && a.begin_ms < 2990) {
      EXPECT_EQ(audio[i], StreamerPackets::kCoverAudioMarker) << "audio at " << a.begin_ms;
    }
    if (a.begin_ms >= 3040 || a.end_ms <= 1990) {
      EXPECT_EQ(audio[i], a.marker) << "audio at " << a.begin_ms;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Clocks, PausedRecordingTest, ::testing::Bool(),
                         [](const auto& info) {
                           return std::string(info.param ? "WithMediaClock" : "EstimatedFromPackets");
                         });

}  // namespace
}  // namespace quorvel::windows::test
