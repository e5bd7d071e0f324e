// Test doubles for the live streamer's two seams: a connection whose every
// step is scripted by the test (failures per attempt, sends and polls that
// hold until released, server messages to deliver) and that records what the
// streamer did with it; and a clock that only moves when the test says so.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "streaming/rtmp_connection.h"
#include "streaming/rtmp_streamer.h"
#include "tests/support/fake_clock.h"

namespace quorvel::windows::test {

struct FakeSentMessage {
  int connection = 0;  // 1 for the first connection made
  uint8_t type = 0;
  uint32_t stream_id = 0;
  uint32_t timestamp = 0;
  std::vector<uint8_t> body;
  int renewals = 0;  // I/O deadline renewals made before this send
};

// A failure to raise: a `Failure` code, or a `TlsFailure` when `tls` is set.
struct FakeFailure {
  int code = 1;
  bool tls = false;
  bool certificate = false;
};

// Shared between the test and every FakeRtmpConnection it makes.
class FakeRtmpServer {
 public:
  static constexpr uint32_t kStreamId = 1;

  // Failures of successive connection attempts, consumed one per attempt;
  // an attempt with none queued succeeds. `always_fail_connect` applies when
  // the queue is empty.
  void fail_next_connect(FakeFailure failure);
  void fail_next_publish(FakeFailure failure);
  void always_fail_connect(FakeFailure failure);
  // The next send_message raises `failure`.
  void fail_next_send(FakeFailure failure);

  // While held, send_message (or inbound_pending) waits; an abort ends the
  // wait with code 0 unless `hold_through_abort` is set.
  void hold_sends(bool hold, bool hold_through_abort = false);
  void hold_polls(bool hold);
  // While held, connect waits (an abort ends the wait with code 0).
  void hold_connects(bool hold);
  // Waits (real time, bounded) until the streamer is held at a send or a poll.
  bool wait_held_at_send(int timeout_ms = 5000);
  bool wait_held_at_poll(int timeout_ms = 5000);

  // A command the "server" sends; read on the next poll.
  void push_command(std::vector<AmfValue> values);

  // Waits until `count` messages have been sent in all.
  bool wait_sent(size_t count, int timeout_ms = 5000);
  // Waits until at least `count` connection attempts were made.
  bool wait_attempts(int count, int timeout_ms = 5000);

  std::vector<FakeSentMessage> sent();
  // For each flush, how many messages had been sent in all when it came.
  std::vector<size_t> flushes();
  // Waits until at least `count` flushes were made.
  bool wait_flushes(size_t count, int timeout_ms = 5000);
  // Inbound polls (`inbound_pending` calls) made so far.
  int polls();
  // "connect #1", "publish #1", "delete_stream 1 #1" (stream id, connection), "close #1"
  std::vector<std::string> events();
  int attempts();
  int renewals();

  std::unique_ptr<Connection> make(const std::atomic<bool>& abort_requested);

 private:
  friend class FakeRtmpConnection;
  bool wait_for(std::unique_lock<std::mutex>& lock, int timeout_ms,
                const std::function<bool()>& predicate);
  void raise(const FakeFailure& failure);

  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<FakeFailure> connect_failures_;
  std::deque<FakeFailure> publish_failures_;
  std::deque<FakeFailure> send_failures_;
  bool always_fail_connect_ = false;
  FakeFailure always_failure_;
  bool hold_sends_ = false;
  bool hold_through_abort_ = false;
  bool hold_polls_ = false;
  bool hold_connects_ = false;
  bool held_at_send_ = false;
  bool held_at_poll_ = false;
  std::deque<std::vector<AmfValue>> inbound_;
  std::vector<FakeSentMessage> sent_;
  std::vector<size_t> flushes_;
  int polls_ = 0;
  std::vector<std::string> events_;
  int attempts_ = 0;
  int renewals_ = 0;
};

// A clock at a fixed time until `advance`. Waits on it last at most a
// millisecond of real time, so the waiter re-checks its deadline soon after
// the test moves the time.

}  // namespace quorvel::windows::test
