#include "streaming/rtmp_streamer.h"

#include <winsock2.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <system_error>
#include <utility>

#include "engine/com_apartment.h"
#include "streaming/amf0.h"
#include "streaming/failure.h"
#include "streaming/flv_payload.h"
#include "streaming/saturating.h"
#include "streaming/tls_channel.h"

namespace quorvel::windows {
namespace {

constexpr int64_t kNsPerMs = 1'000'000;
constexpr int64_t kNsPerSecond = 1'000'000'000;
constexpr int64_t kSendWaitNs = 20 * kNsPerMs;
// While a backlog keeps the batch from being flushed, the server's messages
// are still looked at this often.
constexpr int64_t kInboundCheckNs = 100 * kNsPerMs;
constexpr int64_t kDrainNs = kNsPerSecond;
constexpr int64_t kRateWindowNs = kNsPerSecond;
constexpr int64_t kRateIdleNs = 2 * kNsPerSecond;
// Toggling is a user action; a few dozen stretches cover any real stream.
constexpr size_t kMaxSilencedIntervals = 64;

bool is_video(const EncodedPacket& packet) {
  return packet.format->kind == EncodedStreamFormat::kH264Video;
}

// A cover packet dressed in the timing of the real packet it stands in for.
std::shared_ptr<const EncodedPacket> make_replacement(const EncodedPacket& cover,
                                                      const EncodedPacket& real) {
  auto replacement = std::make_shared<EncodedPacket>();
  replacement->stream_index = real.stream_index;
  replacement->format = cover.format;
  replacement->data = cover.data;
  replacement->sample_time = real.sample_time;
  replacement->decode_time = real.decode_time;
  replacement->duration = real.duration;
  replacement->keyframe = cover.keyframe;
  replacement->discontinuity = cover.discontinuity;
  return replacement;
}

}  // namespace

std::unique_ptr<RtmpStreamer> RtmpStreamer::create() {
  std::shared_ptr<Clock> clock = make_steady_clock();
  return create(
      [clock](const std::atomic<bool>& abort_requested) {
        return create_connection(abort_requested, clock);
      },
      clock);
}

std::unique_ptr<RtmpStreamer> RtmpStreamer::create(ConnectionFactory connection_factory,
                                                   std::shared_ptr<Clock> clock) {
  return std::unique_ptr<RtmpStreamer>(
      new RtmpStreamer(std::move(connection_factory), std::move(clock)));
}

void RtmpStreamer::destroy(std::unique_ptr<RtmpStreamer> streamer) {
  if (!streamer) return;
  streamer->stop();
  streamer.reset();
}

RtmpStreamer::RtmpStreamer(ConnectionFactory connection_factory,
                           std::shared_ptr<Clock> clock)
    : connection_factory_(std::move(connection_factory)), clock_(std::move(clock)) {}

RtmpStreamer::~RtmpStreamer() {
  // A streamer dropped without destroy still must not leave its thread
  // running against freed members.
  if (std::this_thread::get_id() != thread_id_.load() && thread_.joinable()) stop();
}

bool RtmpStreamer::start(const StreamTarget& target, uint32_t max_reconnects,
                         const PrivacyMedia& privacy, MediaClock media_clock) {
  stop();
  std::shared_ptr<const MediaClock> shared_media_clock;
  try {
    if (media_clock) shared_media_clock = std::make_shared<const MediaClock>(std::move(media_clock));
  } catch (...) {
    std::lock_guard lock(mutex_);
    status_.state = static_cast<uint32_t>(LiveStreamState::Failed);
    status_.error = kFailureInternal;
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    const LiveStreamStatus cleared{};
    status_ = cleared;
    status_.state = static_cast<uint32_t>(LiveStreamState::Starting);
    stop_requested_.exchange(false);
    abort_requested_.exchange(false);
    max_reconnects_ = std::min(max_reconnects, kStreamMaxReconnects);
    privacy_ = privacy;
    cover_active_ = false;
    cover_release_after_ = -1;
    latest_video_time_ = -1;
    media_clock_ = std::move(shared_media_clock);
    media_estimate_.reset();
    silenced_since_ = -1;
    silenced_intervals_.clear();
    override_failure_ = 0;
    rate_window_bytes_ = 0;
    last_send_time_ = 0;
  }
  try {
    thread_ = std::thread([this, copy = target]() mutable {
      thread_id_.store(std::this_thread::get_id());
      run(std::move(copy));
    });
  } catch (...) {
    std::lock_guard lock(mutex_);
    status_.state = static_cast<uint32_t>(LiveStreamState::Failed);
    status_.error = kFailureNetwork;
    return false;
  }
  return true;
}

HRESULT RtmpStreamer::enqueue(std::shared_ptr<const EncodedPacket> packet) {
  if (!packet || !packet->format) return E_INVALIDARG;
  try {
    std::unique_lock lock(mutex_);
    if (stop_requested_.load()) return S_OK;
    const LiveStreamState state = state_locked();
    if (state == LiveStreamState::Idle || state == LiveStreamState::Failed) return E_FAIL;
    if (is_video(*packet)) latest_video_time_ = std::max(latest_video_time_, packet->sample_time);
    const int64_t now = clock_->now();
    media_estimate_.observe(
        now, saturating_add(packet->sample_time, std::max<int64_t>(packet->duration, 0)));
    if (!accepting_ || abort_requested_.load()) return S_OK;

    const uint64_t size = packet->data.size();
    const size_t held = queue_.size() + (in_flight_ ? 1 : 0);
    const bool fits = queued_bytes_ + in_flight_bytes_ + size <= kStreamQueueMaxBytes &&
                      held < kStreamQueueMaxPackets &&
                      (!in_flight_ || now - in_flight_enqueued_at_ <= kStreamQueueMaxAgeNs) &&
                      (queue_.empty() || now - queue_.front().enqueued_at <= kStreamQueueMaxAgeNs);
    if (fits) {
      queue_.push_back({std::move(packet), now});
      queued_bytes_ += size;
      status_.peak_queued_bytes =
          std::max(status_.peak_queued_bytes, queued_bytes_ + in_flight_bytes_);
      cv_.notify_one();
      return S_OK;
    }
    // Stale media is worth nothing live: drop it all and start over at the
    // live edge on a fresh connection.
    override_failure_ = kFailureCongestion;
    abort_requested_.exchange(true);
    clear_queue_locked();
    cv_.notify_all();
    return S_OK;
  } catch (...) {
    stop_requested_.exchange(true);
    abort_requested_.exchange(true);
    try {
      std::lock_guard lock(mutex_);
      mark_failed_locked(kFailureInternal);
    } catch (...) {
    }
    cv_.notify_all();
    return E_OUTOFMEMORY;
  }
}

bool RtmpStreamer::set_privacy(bool cover_video, bool mute_audio) {
  const int64_t session_now = read_media_clock();
  std::lock_guard lock(mutex_);
  if (!privacy_.video_key_frame) return false;
  if ((cover_video || mute_audio) && !privacy_.audio_packet) return false;
  if (stop_requested_.load() || state_locked() == LiveStreamState::Failed) return false;

  const int64_t media_now = media_now_locked(session_now);
  const bool was_silenced = status_.cover_video || status_.mute_audio;
  const bool silenced = cover_video || mute_audio;
  if (!was_silenced && silenced) silenced_since_ = media_now;
  if (was_silenced && !silenced) {
    // Audio still inside the encoder or already taken off the queue was
    // captured in this stretch; it is judged by its own time, not by when
    // it happens to reach the send loop.
    if (silenced_intervals_.size() == kMaxSilencedIntervals) silenced_intervals_.pop_front();
    silenced_intervals_.push_back({silenced_since_, media_now});
  }
  if (cover_video != status_.cover_video) {
    cover_active_ = true;
    // Only a key frame captured after this switch may end the cover.
    cover_release_after_ = std::max(latest_video_time_, media_now);
    clear_queue_locked();
  }
  if (status_.mute_audio && !mute_audio) {
    for (auto it = queue_.begin(); it != queue_.end();) {
      if (!is_video(*it->packet)) {
        queued_bytes_ -= it->packet->data.size();
        it = queue_.erase(it);
      } else {
        ++it;
      }
    }
  }
  status_.cover_video = cover_video;
  status_.mute_audio = mute_audio;
  status_.cover_pending = !cover_video && cover_active_;
  cv_.notify_all();
  return true;
}

void RtmpStreamer::drain_and_stop() {
  {
    std::unique_lock lock(mutex_);
    const int64_t deadline = saturating_add(clock_->now(), kDrainNs);
    auto pending = [this] {
      const LiveStreamState state = state_locked();
      return (!queue_.empty() || in_flight_) && state != LiveStreamState::Idle &&
             state != LiveStreamState::Failed;
    };
    while (pending() && clock_->now() < deadline) clock_->wait_until(cv_, lock, deadline);
    if (pending()) mark_failed_locked(kFailureCongestion);
  }
  stop();
}

void RtmpStreamer::stop() {
  stop_requested_.exchange(true);
  abort_requested_.exchange(true);
  {
    // Taking the lock orders the flags before any waiter's next check.
    std::lock_guard lock(mutex_);
    cv_.notify_all();
  }
  if (std::this_thread::get_id() == thread_id_.load()) {
    throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur));
  }
  if (!thread_.joinable()) return;
  thread_.join();
  thread_ = std::thread();
  thread_id_.store(std::thread::id());
}

LiveStreamStatus RtmpStreamer::status() {
  std::lock_guard lock(mutex_);
  LiveStreamStatus copy = status_;
  copy.pending_bytes = queued_bytes_ + in_flight_bytes_;
  if (copy.bitrate_bps != 0 && clock_->now() - last_send_time_ > kRateIdleNs) copy.bitrate_bps = 0;
  return copy;
}

void RtmpStreamer::run(StreamTarget target) {
  const ComApartment apartment;
  WSADATA wsa{};
  if (WSAStartup(0x0202, &wsa) != 0) {
    std::lock_guard lock(mutex_);
    mark_failed_locked(kFailureInternal);
  } else {
    try {
      run_connections(target);
    } catch (...) {
      try {
        std::lock_guard lock(mutex_);
        mark_failed_locked(kFailureInternal);
      } catch (...) {
      }
    }
    WSACleanup();
  }
  {
    std::lock_guard lock(mutex_);
    accepting_ = false;
    clear_queue_locked();
    in_flight_ = false;
    in_flight_bytes_ = 0;
    status_.bitrate_bps = 0;
    if (state_locked() != LiveStreamState::Failed) {
      status_.state = static_cast<uint32_t>(LiveStreamState::Idle);
    }
    cv_.notify_all();
  }
}

void RtmpStreamer::run_connections(const StreamTarget& target) {
  for (;;) {
    if (stop_requested_.load()) return;
    int code = kFailureAborted;
    try {
      publish_and_send(target);
    } catch (const Failure& failure) {
      code = failure.code;
    } catch (const TlsFailure& failure) {
      code = failure.certificate ? kFailureCertificate : kFailureTls;
    }
    if (!prepare_reconnect(code)) return;
  }
}

void RtmpStreamer::publish_and_send(const StreamTarget& target) {
  std::unique_ptr<Connection> connection = connection_factory_(abort_requested_);
  if (!connection) throw Failure(kFailureInternal, "no connection");
  connection->connect(target);
  const uint32_t stream_id = connection->publish(target);
  {
    std::lock_guard lock(mutex_);
    clear_queue_locked();
    accepting_ = true;
    ++status_.connections;
    set_state_locked(LiveStreamState::Publishing);
    rate_window_start_ = clock_->now();
    rate_window_bytes_ = 0;
  }
  send_loop(*connection, stream_id);
  // Only a stop that found the connection idle says goodbye properly; one
  // that broke into a network wait leaves nothing worth finishing.
  if (stop_requested_.load()) connection->delete_stream(stream_id);
}

void RtmpStreamer::send_loop(Connection& connection, uint32_t stream_id) {
  FlvState flv;
  std::vector<FlvMessage> messages;
  // The server is heard once per flush (and at every idle turn), not once
  // per packet: a backlog goes out in batches without a poll between them.
  bool flushed = true;
  // Messages handed to the connection since its last flush.
  bool unflushed = false;
  int64_t last_inbound_check = clock_->now();
  while (!stop_requested_.load() && !abort_requested_.load()) {
    std::shared_ptr<const EncodedPacket> packet;
    int64_t enqueued_at = 0;
    {
      std::unique_lock lock(mutex_);
      const int64_t deadline = saturating_add(clock_->now(), kSendWaitNs);
      while (!abort_requested_.load() && queue_.empty() && clock_->now() < deadline) {
        clock_->wait_until(cv_, lock, deadline);
      }
      if (abort_requested_.load()) return;
      if (!queue_.empty()) {
        QueuedPacket next = std::move(queue_.front());
        queue_.pop_front();
        const uint64_t size = next.packet->data.size();
        queued_bytes_ -= size;
        in_flight_ = true;
        in_flight_bytes_ = size;
        in_flight_enqueued_at_ = next.enqueued_at;
        packet = std::move(next.packet);
        enqueued_at = next.enqueued_at;
      }
    }
    if (abort_requested_.load()) throw Failure(kFailureAborted, "aborted");
    connection.renew_io_deadline();
    const int64_t now = clock_->now();
    if (!packet || flushed || now - last_inbound_check >= kInboundCheckNs) {
      check_inbound(connection);
      flushed = false;
      last_inbound_check = now;
    }
    if (!packet) {
      // The queue was emptied under the batch (a privacy switch): what it
      // holds must not wait for the next packet.
      if (unflushed) connection.flush();
      unflushed = false;
      continue;
    }
    if (clock_->now() - enqueued_at >= kStreamQueueMaxAgeNs) {
      throw Failure(kFailureCongestion, "packet too old");
    }

    packet = apply_privacy(std::move(packet));
    if (FAILED(make_flv_payload(flv, *packet, messages))) {
      throw Failure(kFailureInternal, "FLV packaging");
    }
    for (const FlvMessage& message : messages) {
      connection.send_message(message.message_type, stream_id, message.timestamp, message.body);
      record_sent_message(message.body.size());
      unflushed = true;
    }
    // Nothing waiting behind this packet: the batch leaves now, so a live
    // stream gains no latency. It leaves before the packet stops counting as
    // in flight, so a drain that sees nothing pending has nothing unsent.
    if (queue_empty()) {
      connection.flush();
      flushed = true;
      unflushed = false;
    }

    std::lock_guard lock(mutex_);
    if (!messages.empty()) {
      if (is_video(*packet)) {
        ++status_.video_packets_sent;
        if (state_locked() != LiveStreamState::Failed) {
          status_.state = static_cast<uint32_t>(LiveStreamState::Streaming);
          status_.error = 0;
        }
      } else {
        ++status_.audio_packets_sent;
      }
    }
    in_flight_ = false;
    in_flight_bytes_ = 0;
    cv_.notify_all();
  }
}

bool RtmpStreamer::queue_empty() {
  std::lock_guard lock(mutex_);
  return queue_.empty();
}

void RtmpStreamer::check_inbound(Connection& connection) {
  if (!connection.inbound_pending()) return;
  const RtmpMessage message = connection.read_message();
  const std::vector<AmfValue> values = connection.decode_command(message);
  if (values.empty()) return;
  if (values[0].text == "_error") throw Failure(kFailureRejected, "_error");
  if (values[0].text == "onStatus") {
    const std::string code = find_status_code(values);
    if (code != "NetStream.Publish.Start") throw Failure(kFailureRejected, code);
  }
}

std::shared_ptr<const EncodedPacket> RtmpStreamer::apply_privacy(
    std::shared_ptr<const EncodedPacket> packet) {
  std::lock_guard lock(mutex_);
  const bool video = is_video(*packet);
  if (video && cover_active_ && !status_.cover_video && packet->keyframe &&
      packet->sample_time > cover_release_after_) {
    cover_active_ = false;
  }
  status_.cover_pending = cover_active_ && !status_.cover_video;
  bool replace = status_.cover_video || cover_active_;
  if (!video) {
    replace = replace || status_.mute_audio ||
              silenced_locked(packet->sample_time,
                              saturating_add(packet->sample_time,
                                             std::max<int64_t>(packet->duration, 1)));
  }
  if (!replace) return packet;
  const std::shared_ptr<const EncodedPacket>& cover =
      video ? privacy_.video_key_frame : privacy_.audio_packet;
  if (!cover || !cover->format) throw Failure(kFailureInternal, "cover packet missing");
  return make_replacement(*cover, *packet);
}

void RtmpStreamer::record_sent_message(size_t body_bytes) {
  std::lock_guard lock(mutex_);
  const int64_t now = clock_->now();
  status_.bytes_sent += body_bytes;
  rate_window_bytes_ += body_bytes;
  last_send_time_ = now;
  const int64_t elapsed = now - rate_window_start_;
  if (elapsed >= kRateWindowNs) {
    status_.bitrate_bps = rate_window_bytes_ * 8000 / static_cast<uint64_t>(elapsed / kNsPerMs);
    rate_window_bytes_ = 0;
    rate_window_start_ = now;
  }
}

bool RtmpStreamer::prepare_reconnect(int caught_code) {
  std::unique_lock lock(mutex_);
  accepting_ = false;
  clear_queue_locked();
  in_flight_ = false;
  in_flight_bytes_ = 0;
  status_.bitrate_bps = 0;
  cv_.notify_all();
  if (stop_requested_.load()) return false;
  // A stream already declared failed (a drain that ran out of time) keeps
  // its verdict; nothing later may report it as healthy or retry it.
  if (state_locked() == LiveStreamState::Failed) return false;

  int code = override_failure_ != 0 ? override_failure_ : caught_code;
  if (code == kFailureAborted) code = kFailureNetwork;
  status_.error = code;
  const bool retryable =
      code == kFailureNetwork || code == kFailureTimeout || code == kFailureCongestion;
  if (!retryable || status_.reconnect_attempts >= max_reconnects_) {
    status_.state = static_cast<uint32_t>(LiveStreamState::Failed);
    return false;
  }
  status_.state = static_cast<uint32_t>(LiveStreamState::Reconnecting);
  const int64_t delay = kNsPerSecond << std::min<uint32_t>(status_.reconnect_attempts, 3);
  ++status_.reconnect_attempts;
  const int64_t deadline = saturating_add(clock_->now(), delay);
  while (!stop_requested_.load() && clock_->now() < deadline) {
    clock_->wait_until(cv_, lock, deadline);
  }
  if (stop_requested_.load()) return false;
  abort_requested_.exchange(false);
  override_failure_ = 0;
  return true;
}

void RtmpStreamer::mark_failed_locked(int code) {
  if (state_locked() == LiveStreamState::Failed) return;
  status_.state = static_cast<uint32_t>(LiveStreamState::Failed);
  status_.error = code;
}

void RtmpStreamer::clear_queue_locked() {
  queue_.clear();
  queued_bytes_ = 0;
}

bool RtmpStreamer::silenced_locked(int64_t begin, int64_t end) const {
  for (const SilencedInterval& interval : silenced_intervals_) {
    if (begin < interval.end && end > interval.begin) return true;
  }
  return false;
}

int64_t RtmpStreamer::read_media_clock() {
  std::shared_ptr<const MediaClock> media_clock;
  {
    std::lock_guard lock(mutex_);
    media_clock = media_clock_;
  }
  if (!media_clock) return -1;
  try {
    return (*media_clock)();
  } catch (...) {
    // A clock that fails is no clock: the packets' timing still places the switch.
    return -1;
  }
}

int64_t RtmpStreamer::media_now_locked(int64_t session_now) {
  // Media keeps being captured while the encoders work on it, so the
  // packets offered so far lag the media clock. Its reading, else the
  // estimate from the packets' timing, places the switch; neither goes
  // back before media already offered.
  if (media_clock_ && session_now >= 0) return std::max(media_estimate_.media_edge(), session_now);
  return media_estimate_.media_now(clock_->now());
}

void RtmpStreamer::set_state_locked(LiveStreamState state) {
  if (state_locked() == LiveStreamState::Failed) return;
  status_.state = static_cast<uint32_t>(state);
}

}  // namespace quorvel::windows
