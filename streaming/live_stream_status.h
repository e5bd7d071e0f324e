// What the live streamer reports to the application: its state, the failure
// code that ended or interrupted the stream, and the counters of the control
// bar, the result message and the diagnostics report. A plain record copied
// out under the streamer's lock.
#pragma once

#include <cstdint>

namespace quorvel::windows {

enum class LiveStreamState : uint32_t {
  Idle = 0,          // not started, or the thread ended without error
  Starting = 1,      // first connection under way
  Publishing = 2,    // published, no video sent yet on this connection
  Streaming = 3,     // video sent on this connection
  Failed = 4,        // stopped with `error`; stays until the next start
  Reconnecting = 5,  // waiting for the back-off or reconnecting
};

// Failure codes beyond those the connection raises itself (streaming/failure.h).
inline constexpr int kFailureCongestion = 5;
inline constexpr int kFailureInternal = 6;
inline constexpr int kFailureTls = 8;
inline constexpr int kFailureCertificate = 9;

struct LiveStreamStatus {
  uint32_t state = static_cast<uint32_t>(LiveStreamState::Idle);
  int32_t error = 0;
  uint64_t bytes_sent = 0;  // FLV tag bodies, chunk headers not counted
  uint64_t video_packets_sent = 0;
  uint64_t audio_packets_sent = 0;
  uint64_t bitrate_bps = 0;  // 0 once the last send is more than 2 s old
  uint64_t pending_bytes = 0;  // queued plus in flight
  uint64_t peak_queued_bytes = 0;
  uint32_t reconnect_attempts = 0;
  uint32_t connections = 0;
  bool cover_video = false;
  bool mute_audio = false;
  bool cover_pending = false;  // uncovered, cover shown until a new key frame
};

}  // namespace quorvel::windows
