#include "account/callback_wait.h"

#include <ws2tcpip.h>

#include <future>
#include <limits>
#include <memory>
#include <stop_token>
#include <vector>

#include <gtest/gtest.h>

#include "account/unique_socket.h"
#include "account/winsock_session.h"
#include "tests/support/counting_clock.h"

namespace halvarin::sdk {
namespace {

using quorvel::windows::test::CountingClock;

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMs = 1'000'000;
constexpr int64_t kSecond = 1'000'000'000;

TEST(CallbackWaitTest, WaitsTheRemainingTimeInSlicesOfAtMost200Ms) {
  struct Case {
    int64_t remaining_ns;
    int64_t expected_us;
  };
  const std::vector<Case> cases = {
      {-kSecond, 0},           {0, 0},
      {999, 0},                {1'000, 1},
      {1'999, 1},              {150 * kMs, 150'000},
      {200 * kMs - 1, 199'999}, {200 * kMs, 200'000},
      {200 * kMs + 999, 200'000}, {5 * kSecond, 200'000},
      {kMax, 200'000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(callback_wait_slice_microseconds(c.remaining_ns), c.expected_us) << c.remaining_ns;
  }
}

TEST(CallbackWaitTest, PlacesTheDeadlineWithoutOverflow) {
  struct Case {
    int64_t start;
    int64_t timeout_seconds;
    int64_t expected;
  };
  const std::vector<Case> cases = {
      {1'000, 1, 1'000 + kSecond},
      {1'000, 180, 1'000 + 180 * kSecond},
      {1'000, 0, 1'000},
      {1'000, -3, 1'000},
      {-kSecond, 2, kSecond},
      {0, kMax, kMax},
      {0, kMax / kSecond, kMax},
      {kMax - 5, 1, kMax},
      {-kMax, kMax, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(callback_wait_deadline(c.start, c.timeout_seconds), c.expected)
        << c.start << " + " << c.timeout_seconds << " s";
  }
}

// A listener on 127.0.0.1 and, on demand, a client connected to it, which
// makes the listener readable.
class LoopbackPair {
 public:
  LoopbackPair() : listener_(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    EXPECT_EQ(listen(listener_.get(), 1), 0);
    int size = sizeof(address_);
    EXPECT_EQ(getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address_), &size), 0);
  }

  void connect_client() {
    client_.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    ASSERT_EQ(connect(client_.get(), reinterpret_cast<sockaddr*>(&address_), sizeof(address_)), 0);
  }

  SOCKET listener() const { return listener_.get(); }

 private:
  WinsockSession winsock_;
  UniqueSocket listener_;
  UniqueSocket client_;
  sockaddr_in address_{};
};

TEST(CallbackWaitTest, ReportsAReadableSocket) {
  LoopbackPair pair;
  pair.connect_client();
  auto clock = std::make_shared<CountingClock>();
  CallbackWait wait(clock, 180, {}, {});
  EXPECT_EQ(wait.until_readable(pair.listener()), CallbackWaitResult::kReadable);
}

TEST(CallbackWaitTest, StopOnEitherTokenEndsTheWaitBeforeTheClockIsRead) {
  LoopbackPair pair;
  for (const bool on_configuration : {true, false}) {
    SCOPED_TRACE(on_configuration ? "configuration token" : "sign-in token");
    std::stop_source configuration;
    std::stop_source sign_in;
    auto clock = std::make_shared<CountingClock>();
    CallbackWait wait(clock, 180, configuration.get_token(), sign_in.get_token());
    (on_configuration ? configuration : sign_in).request_stop();
    const int64_t reads = clock->reads();
    EXPECT_EQ(wait.until_readable(pair.listener()), CallbackWaitResult::kStopped);
    EXPECT_EQ(clock->reads(), reads);
  }
}

TEST(CallbackWaitTest, StopWinsOverReadableAndDeadline) {
  LoopbackPair pair;
  pair.connect_client();
  std::stop_source stop;
  stop.request_stop();
  auto clock = std::make_shared<CountingClock>();
  CallbackWait wait(clock, 0, {}, stop.get_token());
  EXPECT_EQ(wait.until_readable(pair.listener()), CallbackWaitResult::kStopped);
}

TEST(CallbackWaitTest, TimesOutExactlyAtTheDeadline) {
  LoopbackPair pair;
  auto clock = std::make_shared<CountingClock>();
  {
    CallbackWait no_time(clock, 0, {}, {});
    EXPECT_EQ(no_time.until_readable(pair.listener()), CallbackWaitResult::kTimedOut);
  }
  CallbackWait wait(clock, 1, {}, {});
  auto waiting = std::async(std::launch::async, [&] { return wait.until_readable(pair.listener()); });
  clock->advance(kSecond - 1);
  // Three reads after the move: a whole pass has seen 1 ns remaining and
  // waited again instead of giving up.
  ASSERT_TRUE(clock->wait_for_reads(clock->reads() + 3));
  EXPECT_EQ(waiting.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
  clock->advance(1);
  ASSERT_EQ(waiting.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(waiting.get(), CallbackWaitResult::kTimedOut);
}

TEST(CallbackWaitTest, FailsOnASocketThatIsNotOne) {
  const WinsockSession winsock;
  SOCKET closed = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  closesocket(closed);
  CallbackWait wait(std::make_shared<CountingClock>(), 180, {}, {});
  EXPECT_EQ(wait.until_readable(closed), CallbackWaitResult::kFailed);
}

}  // namespace
}  // namespace halvarin::sdk
