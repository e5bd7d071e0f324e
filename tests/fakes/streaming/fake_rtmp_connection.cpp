#include "tests/fakes/streaming/fake_rtmp_connection.h"

#include <chrono>
#include <utility>

#include "streaming/failure.h"
#include "streaming/tls_channel.h"

namespace quorvel::windows::test {

class FakeRtmpConnection final : public Connection {
 public:
  FakeRtmpConnection(FakeRtmpServer& server, const std::atomic<bool>& abort_requested, int number)
      : server_(server), abort_(abort_requested), number_(number) {}

  ~FakeRtmpConnection() override { log("close"); }

  void connect(const StreamTarget&) override {
    log("connect");
    std::unique_lock lock(server_.mutex_);
    while (server_.hold_connects_) {
      if (abort_.load()) throw Failure(kFailureAborted, "aborted while held");
      server_.cv_.wait_for(lock, std::chrono::milliseconds(1));
    }
    if (!server_.connect_failures_.empty()) {
      const FakeFailure failure = server_.connect_failures_.front();
      server_.connect_failures_.pop_front();
      lock.unlock();
      server_.raise(failure);
    }
    if (server_.always_fail_connect_) {
      const FakeFailure failure = server_.always_failure_;
      lock.unlock();
      server_.raise(failure);
    }
  }

  uint32_t publish(const StreamTarget&) override {
    log("publish");
    std::unique_lock lock(server_.mutex_);
    if (!server_.publish_failures_.empty()) {
      const FakeFailure failure = server_.publish_failures_.front();
      server_.publish_failures_.pop_front();
      lock.unlock();
      server_.raise(failure);
    }
    return FakeRtmpServer::kStreamId;
  }

  void send_message(uint8_t message_type, uint32_t message_stream_id, uint32_t timestamp,
                    std::span<const uint8_t> payload) override {
    std::unique_lock lock(server_.mutex_);
    while (server_.hold_sends_) {
      if (abort_.load() && !server_.hold_through_abort_) {
        server_.held_at_send_ = false;
        throw Failure(kFailureAborted, "aborted while held");
      }
      server_.held_at_send_ = true;
      server_.cv_.notify_all();
      server_.cv_.wait_for(lock, std::chrono::milliseconds(1));
    }
    server_.held_at_send_ = false;
    if (!server_.send_failures_.empty()) {
      const FakeFailure failure = server_.send_failures_.front();
      server_.send_failures_.pop_front();
      lock.unlock();
      server_.raise(failure);
    }
    server_.sent_.push_back({number_, message_type, message_stream_id, timestamp,
                             std::vector<uint8_t>(payload.begin(), payload.end()),
                             server_.renewals_});
    server_.cv_.notify_all();
  }

  void flush() override {
    std::lock_guard lock(server_.mutex_);
    server_.flushes_.push_back(server_.sent_.size());
    server_.cv_.notify_all();
  }

  bool inbound_pending() override {
    std::unique_lock lock(server_.mutex_);
    ++server_.polls_;
    while (server_.hold_polls_) {
      if (abort_.load()) {
        server_.held_at_poll_ = false;
        throw Failure(kFailureAborted, "aborted while held");
      }
      server_.held_at_poll_ = true;
      server_.cv_.notify_all();
      server_.cv_.wait_for(lock, std::chrono::milliseconds(1));
    }
    server_.held_at_poll_ = false;
    return !server_.inbound_.empty();
  }

  RtmpMessage read_message() override {
    std::lock_guard lock(server_.mutex_);
    pending_ = std::move(server_.inbound_.front());
    server_.inbound_.pop_front();
    return RtmpMessage{20, 0, {}};
  }

  std::vector<AmfValue> decode_command(const RtmpMessage&) override { return pending_; }

  void renew_io_deadline() override {
    std::lock_guard lock(server_.mutex_);
    ++server_.renewals_;
  }

  void delete_stream(uint32_t message_stream_id) noexcept override {
    log("delete_stream " + std::to_string(message_stream_id));
  }

 private:
  void log(const std::string& what) {
    std::lock_guard lock(server_.mutex_);
    server_.events_.push_back(what + " #" + std::to_string(number_));
    server_.cv_.notify_all();
  }

  FakeRtmpServer& server_;
  const std::atomic<bool>& abort_;
  const int number_;
  std::vector<AmfValue> pending_;
};

void FakeRtmpServer::fail_next_connect(FakeFailure failure) {
  std::lock_guard lock(mutex_);
  connect_failures_.push_back(failure);
}

void FakeRtmpServer::fail_next_publish(FakeFailure failure) {
  std::lock_guard lock(mutex_);
  publish_failures_.push_back(failure);
}

void FakeRtmpServer::always_fail_connect(FakeFailure failure) {
  std::lock_guard lock(mutex_);
  always_fail_connect_ = true;
  always_failure_ = failure;
}

void FakeRtmpServer::fail_next_send(FakeFailure failure) {
  std::lock_guard lock(mutex_);
  send_failures_.push_back(failure);
}

void FakeRtmpServer::hold_sends(bool hold, bool hold_through_abort) {
  std::lock_guard lock(mutex_);
  hold_sends_ = hold;
  hold_through_abort_ = hold_through_abort;
  cv_.notify_all();
}

void FakeRtmpServer::hold_connects(bool hold) {
  std::lock_guard lock(mutex_);
  hold_connects_ = hold;
  cv_.notify_all();
}

void FakeRtmpServer::hold_polls(bool hold) {
  std::lock_guard lock(mutex_);
  hold_polls_ = hold;
  cv_.notify_all();
}

bool FakeRtmpServer::wait_for(std::unique_lock<std::mutex>& lock, int timeout_ms,
                              const std::function<bool()>& predicate) {
  return cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms), predicate);
}

bool FakeRtmpServer::wait_held_at_send(int timeout_ms) {
  std::unique_lock lock(mutex_);
  return wait_for(lock, timeout_ms, [this] { return held_at_send_; });
}

bool FakeRtmpServer::wait_held_at_poll(int timeout_ms) {
  std::unique_lock lock(mutex_);
  return wait_for(lock, timeout_ms, [this] { return held_at_poll_; });
}

void FakeRtmpServer::push_command(std::vector<AmfValue> values) {
  std::lock_guard lock(mutex_);
  inbound_.push_back(std::move(values));
}

bool FakeRtmpServer::wait_sent(size_t count, int timeout_ms) {
  std::unique_lock lock(mutex_);
  return wait_for(lock, timeout_ms, [&] { return sent_.size() >= count; });
}

bool FakeRtmpServer::wait_attempts(int count, int timeout_ms) {
  std::unique_lock lock(mutex_);
  return wait_for(lock, timeout_ms, [&] { return attempts_ >= count; });
}

std::vector<FakeSentMessage> FakeRtmpServer::sent() {
  std::lock_guard lock(mutex_);
  return sent_;
}

std::vector<size_t> FakeRtmpServer::flushes() {
  std::lock_guard lock(mutex_);
  return flushes_;
}

bool FakeRtmpServer::wait_flushes(size_t count, int timeout_ms) {
  std::unique_lock lock(mutex_);
  return wait_for(lock, timeout_ms, [&] { return flushes_.size() >= count; });
}

int FakeRtmpServer::polls() {
  std::lock_guard lock(mutex_);
  return polls_;
}

std::vector<std::string> FakeRtmpServer::events() {
  std::lock_guard lock(mutex_);
  return events_;
}

int FakeRtmpServer::attempts() {
  std::lock_guard lock(mutex_);
  return attempts_;
}

int FakeRtmpServer::renewals() {
  std::lock_guard lock(mutex_);
  return renewals_;
}

std::unique_ptr<Connection> FakeRtmpServer::make(const std::atomic<bool>& abort_requested) {
  int number = 0;
  {
    std::lock_guard lock(mutex_);
    number = ++attempts_;
    cv_.notify_all();
  }
  return std::make_unique<FakeRtmpConnection>(*this, abort_requested, number);
}

void FakeRtmpServer::raise(const FakeFailure& failure) {
  if (failure.tls) throw TlsFailure(failure.certificate, -1);
  throw Failure(failure.code, "scripted");
}

}  // namespace quorvel::windows::test
