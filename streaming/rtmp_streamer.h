// Publishes a recording's encoded packets to one RTMP or RTMPS server.
//
// The application creates one streamer for its whole run, starts it for each
// recording with a live output, feeds it every encoded packet, switches the
// privacy cover, reads its status and stops it. All network work happens on
// the streamer's own thread; producers only append to a bounded send queue
// under the mutex and never wait for the network. Packets offered while no
// connection is published are dropped; a queue over its limits is dropped
// whole and the connection is renewed, so the stream resumes at the live edge.
//
// Threads: `start`, `stop`, `drain_and_stop`, `set_privacy` and `status` from
// the application's threads, `enqueue` from the encoders' output threads;
// none of them may be called from the streaming thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/encoded_packet.h"
#include "engine/privacy_media.h"
#include "engine/clock.h"
#include "streaming/live_stream_status.h"
#include "streaming/media_time_estimate.h"
#include "streaming/rtmp_connection.h"
#include "streaming/stream_target.h"

namespace quorvel::windows {


inline constexpr uint64_t kStreamQueueMaxBytes = 67108864;  // queued plus in flight
inline constexpr size_t kStreamQueueMaxPackets = 4096;      // queued plus in flight
inline constexpr int64_t kStreamQueueMaxAgeNs = 5'000'000'000;
inline constexpr uint32_t kStreamMaxReconnects = 5;

// The recording's media time now, in the packets' 100-ns units: the
// session's own time base (performance count minus the time spent paused).
// Called from the thread that switches the privacy, never under the
// streamer's lock, so it may take locks of its own.
using MediaClock = std::function<int64_t()>;

class RtmpStreamer {
 public:
  static std::unique_ptr<RtmpStreamer> create();
  // The same with the connection and the clock supplied by the caller.
  static std::unique_ptr<RtmpStreamer> create(ConnectionFactory connection_factory,
                                              std::shared_ptr<Clock> clock);
  // Stops the stream and frees the streamer.
  static void destroy(std::unique_ptr<RtmpStreamer> streamer);

  ~RtmpStreamer();
  RtmpStreamer(const RtmpStreamer&) = delete;
  RtmpStreamer& operator=(const RtmpStreamer&) = delete;

  // Stops any previous stream, resets the counters and starts the streaming
  // thread. `max_reconnects` is capped at 5 and covers everything until the
  // next stop. False (state Failed, error 1) when the thread cannot start,
  // or error 6 when no memory is left for the media clock.
  // `media_clock`, when given, places each privacy switch on the
  // recording's own time base; without it the switch is placed by the
  // timing of the packets offered.
  bool start(const StreamTarget& target, uint32_t max_reconnects, const PrivacyMedia& privacy,
             MediaClock media_clock = {});
  // E_INVALIDARG for a null packet or format; E_FAIL while idle or failed;
  // E_OUTOFMEMORY when the packet could not be stored (the stream fails);
  // S_OK otherwise, also when the packet was dropped.
  [[nodiscard]] HRESULT enqueue(std::shared_ptr<const EncodedPacket> packet);
  // Requests the cover picture and the audio mute; false when refused (a
  // needed cover packet is missing, the stream is stopping or failed). The
  // switch applies to the media captured from this moment on, also to what
  // is still inside the encoders.
  bool set_privacy(bool cover_video, bool mute_audio);
  // Gives the queue up to 1 s to be sent, then stops; media left unsent
  // fails the stream with code 5.
  void drain_and_stop();
  // Ends the stream and joins the thread; any time, also when idle.
  void stop();
  LiveStreamStatus status();

 private:
  struct QueuedPacket {
    std::shared_ptr<const EncodedPacket> packet;
    int64_t enqueued_at = 0;
  };
  // A stretch of media time during which audio was muted (or the picture
  // covered); audio stamped inside it never goes out, however late it comes.
  struct SilencedInterval {
    int64_t begin = 0;
    int64_t end = 0;
  };

  RtmpStreamer(ConnectionFactory connection_factory, std::shared_ptr<Clock> clock);

  void run(StreamTarget target);
  void run_connections(const StreamTarget& target);
  void publish_and_send(const StreamTarget& target);
  void send_loop(Connection& connection, uint32_t stream_id);
  void check_inbound(Connection& connection);
  bool queue_empty();
  std::shared_ptr<const EncodedPacket> apply_privacy(std::shared_ptr<const EncodedPacket> packet);
  void record_sent_message(size_t body_bytes);
  bool prepare_reconnect(int caught_code);
  void mark_failed_locked(int code);
  void clear_queue_locked();
  // True when any of [begin, end) was captured in a silenced stretch.
  bool silenced_locked(int64_t begin, int64_t end) const;
  // The media time of a switch made now, given the media clock's reading
  // (-1 when there is none).
  int64_t media_now_locked(int64_t session_now);
  // The media clock's reading, -1 without a usable one.
  int64_t read_media_clock();
  LiveStreamState state_locked() const { return static_cast<LiveStreamState>(status_.state); }
  void set_state_locked(LiveStreamState state);

  const ConnectionFactory connection_factory_;
  const std::shared_ptr<Clock> clock_;

  std::mutex mutex_;
  std::condition_variable cv_;
  std::atomic<bool> stop_requested_{false};
  std::atomic<bool> abort_requested_{false};
  std::thread thread_;
  // Stored by the streaming thread itself as it begins, so that a stop made
  // on that thread is recognised without reading `thread_`, which `start`
  // may still be assigning.
  std::atomic<std::thread::id> thread_id_{};

  std::deque<QueuedPacket> queue_;
  uint64_t queued_bytes_ = 0;
  bool in_flight_ = false;
  uint64_t in_flight_bytes_ = 0;
  int64_t in_flight_enqueued_at_ = 0;
  bool accepting_ = false;
  int64_t latest_video_time_ = -1;
  // Set by `start`; shared so that a switch can call it outside the lock.
  std::shared_ptr<const MediaClock> media_clock_;
  MediaTimeEstimate media_estimate_;
  bool cover_active_ = false;
  int64_t cover_release_after_ = -1;
  int64_t silenced_since_ = -1;
  std::deque<SilencedInterval> silenced_intervals_;
  int override_failure_ = 0;
  uint32_t max_reconnects_ = kStreamMaxReconnects;
  PrivacyMedia privacy_;
  int64_t rate_window_start_ = 0;
  uint64_t rate_window_bytes_ = 0;
  int64_t last_send_time_ = 0;
  LiveStreamStatus status_;
};

}  // namespace quorvel::windows
