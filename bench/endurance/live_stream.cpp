#include "bench/endurance/live_stream.h"

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "bench/endurance/process_figures.h"
#include "streaming/live_stream_status.h"
#include "streaming/rtmp_streamer.h"
#include "streaming/stream_target.h"
#include "tests/streaming/av_clip.h"

namespace quorvel::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int64_t kUnitsPerSecond = 10'000'000;
constexpr auto kSampleEvery = std::chrono::seconds(10);
constexpr auto kPublishTimeout = std::chrono::seconds(20);

// How the clip is looped. Its times are whole milliseconds on a 30 fps
// grid; each loop must carry that grid on unbroken (a loop that starts a
// few milliseconds off puts two frames in one frame slot for a reader that
// goes by the frame rate), so a loop lasts exactly its video frames' time.
// The audio frames do not fit that length exactly: those that would
// overlap the next loop's first one are left out, leaving a gap shorter
// than one audio frame.
struct ClipLoop {
  int64_t first_time = 0;    // the clip's earliest time, media time 0
  int64_t video_frames = 0;
  int64_t frame_rate = 0;    // whole frames per second
  int64_t audio_step = 0;    // one audio frame's time
  int64_t first_audio = 0;   // the first audio frame's media time
  // Where loop `index` starts, in 100-ns units, exact over any number of loops.
  int64_t offset(int64_t index) const {
    return index * video_frames * kUnitsPerSecond / frame_rate;
  }
  int64_t length() const { return offset(1); }
  int64_t frame_time() const { return kUnitsPerSecond / frame_rate; }
};

bool is_video(const windows::EncodedPacket& packet) {
  return packet.format->kind == windows::EncodedStreamFormat::kH264Video;
}

std::optional<ClipLoop> describe_loop(const std::vector<windows::test::ClipPacket>& clip) {
  ClipLoop loop;
  int64_t first_video = INT64_MAX, last_video = INT64_MIN;
  int64_t first_audio = INT64_MAX, last_audio = INT64_MIN;
  int64_t audio_frames = 0;
  loop.first_time = INT64_MAX;
  for (const auto& p : clip) {
    const int64_t time = p.packet->sample_time;
    loop.first_time = std::min(loop.first_time, time);
    if (is_video(*p.packet)) {
      ++loop.video_frames;
      first_video = std::min(first_video, time);
      last_video = std::max(last_video, time);
    } else {
      ++audio_frames;
      first_audio = std::min(first_audio, time);
      last_audio = std::max(last_audio, time);
    }
  }
  if (loop.video_frames < 2 || audio_frames < 2) return std::nullopt;
  const double period = double(last_video - first_video) / double(loop.video_frames - 1);
  loop.frame_rate = std::llround(kUnitsPerSecond / period);
  loop.audio_step = (last_audio - first_audio) / (audio_frames - 1);
  loop.first_audio = first_audio - loop.first_time;
  if (loop.frame_rate <= 0 || loop.audio_step <= 0) return std::nullopt;
  return loop;
}

std::shared_ptr<const windows::EncodedPacket> shifted(const windows::EncodedPacket& packet,
                                                      int64_t offset) {
  auto copy = std::make_shared<windows::EncodedPacket>(packet);
  copy->sample_time += offset;
  if (copy->decode_time) *copy->decode_time += offset;
  return copy;
}

void print_sample(double seconds) {
  const ProcessFigures figures = read_process_figures();
  std::printf("stream_sample %.0f %llu %u %llu\n", seconds,
              static_cast<unsigned long long>(figures.private_bytes), figures.handles,
              static_cast<unsigned long long>(figures.heap_busy_bytes));
  std::fflush(stdout);
}

}  // namespace

bool run_live_stream(const std::wstring& url, const std::wstring& key, int seconds) {
  const auto clip = windows::test::load_av_clip(windows::test::av_clip_path());
  windows::StreamSettings settings;
  settings.server_url = url;
  settings.stream_key = key;
  const auto target = windows::parse_stream_target(settings);
  if (clip.empty() || !target) {
    std::fprintf(stderr, "endurance stream: no clip or a bad URL\n");
    return false;
  }
  WSADATA data;
  if (WSAStartup(0x0202, &data) != 0) return false;
  const std::optional<ClipLoop> loop_shape = describe_loop(clip);
  if (!loop_shape) {
    std::fprintf(stderr, "endurance stream: the clip has too little video or audio\n");
    return false;
  }
  const ClipLoop& shape = *loop_shape;
  const int64_t total = static_cast<int64_t>(seconds) * kUnitsPerSecond;

  std::unique_ptr<windows::RtmpStreamer> streamer = windows::RtmpStreamer::create();
  if (!streamer->start(*target, windows::kStreamMaxReconnects, {})) {
    std::fprintf(stderr, "endurance stream: the streamer did not start\n");
    return false;
  }
  // The streamer drops what is offered before the server has accepted the
  // stream, by design: the clip starts once it is published, so that every
  // packet offered is one the server is meant to get.
  const Clock::time_point publish_limit = Clock::now() + kPublishTimeout;
  for (;;) {
    const auto state = static_cast<windows::LiveStreamState>(streamer->status().state);
    if (state == windows::LiveStreamState::Publishing) break;
    if (state == windows::LiveStreamState::Failed || Clock::now() >= publish_limit) {
      std::fprintf(stderr, "endurance stream: not published (state %u, error %d)\n",
                   streamer->status().state, streamer->status().error);
      windows::RtmpStreamer::destroy(std::move(streamer));
      WSACleanup();
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const Clock::time_point start = Clock::now();
  Clock::time_point next_sample = start;
  uint64_t offered = 0;
  int64_t sent_from = INT64_MAX;
  int64_t sent_until = 0;
  bool refused = false;
  for (int64_t loop = 0; !refused; ++loop) {
    const int64_t offset = shape.offset(loop);
    if (offset >= total) break;
    for (const auto& p : clip) {
      const bool video = is_video(*p.packet);
      const int64_t in_clip = p.packet->sample_time - shape.first_time;
      // An audio frame that would run into the next loop's first one.
      if (!video && in_clip + shape.audio_step > shape.first_audio + shape.length()) continue;
      const int64_t media = in_clip + offset;
      if (media >= total) break;
      // Offered as an encoder hands packets over: when their time comes.
      const Clock::time_point due = start + std::chrono::microseconds(media / 10);
      while (Clock::now() < due) {
        if (Clock::now() >= next_sample) {
          print_sample(std::chrono::duration<double>(Clock::now() - start).count());
          next_sample += kSampleEvery;
        }
        std::this_thread::sleep_until(std::min(due, next_sample));
      }
      if (FAILED(streamer->enqueue(shifted(*p.packet, offset)))) {
        refused = true;
        break;
      }
      ++offered;
      sent_from = std::min(sent_from, media);
      sent_until = std::max(sent_until, media + (video ? shape.frame_time() : shape.audio_step));
    }
  }
  print_sample(std::chrono::duration<double>(Clock::now() - start).count());
  streamer->drain_and_stop();
  const windows::LiveStreamStatus status = streamer->status();
  windows::RtmpStreamer::destroy(std::move(streamer));
  print_sample(std::chrono::duration<double>(Clock::now() - start).count());
  std::printf("stream_offered_packets %llu packets\n", static_cast<unsigned long long>(offered));
  std::printf("stream_media_seconds %.3f s\n",
              offered == 0 ? 0.0 : static_cast<double>(sent_until - sent_from) / kUnitsPerSecond);
  std::printf("stream_state %u state\n", status.state);
  std::printf("stream_error %d code\n", status.error);
  std::printf("stream_video_packets_sent %llu packets\n",
              static_cast<unsigned long long>(status.video_packets_sent));
  std::printf("stream_audio_packets_sent %llu packets\n",
              static_cast<unsigned long long>(status.audio_packets_sent));
  std::printf("stream_bytes_sent %llu bytes\n", static_cast<unsigned long long>(status.bytes_sent));
  std::printf("stream_peak_queued_bytes %llu bytes\n",
              static_cast<unsigned long long>(status.peak_queued_bytes));
  std::printf("stream_reconnects %u attempts\n", status.reconnect_attempts);
  std::printf("stream_connections %u connections\n", status.connections);
  WSACleanup();
  return !refused && status.error == 0;
}

}  // namespace quorvel::bench
