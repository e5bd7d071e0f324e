#include "bench/endurance/live_stream.h"

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "bench/endurance/process_figures.h"
#include "streaming/rtmp_streamer.h"
#include "streaming/stream_target.h"
#include "tests/streaming/av_clip.h"

namespace quorvel::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int64_t kUnitsPerSecond = 10'000'000;
constexpr auto kSampleEvery = std::chrono::seconds(10);

// The clip's length in 100-ns units: one frame past its last packet, so
// that the next loop starts where this one ends.
int64_t clip_length(const std::vector<windows::test::ClipPacket>& clip) {
  int64_t end = 0;
  for (const auto& p : clip) {
    end = std::max(end, p.packet->sample_time + std::max<int64_t>(p.packet->duration, 1));
  }
  return end;
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
  std::printf("stream_sample %.0f %llu %u\n", seconds,
              static_cast<unsigned long long>(figures.private_bytes), figures.handles);
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
  const int64_t length = clip_length(clip);
  const int64_t first_time = clip.front().packet->sample_time;
  const int64_t total = static_cast<int64_t>(seconds) * kUnitsPerSecond;

  std::unique_ptr<windows::RtmpStreamer> streamer = windows::RtmpStreamer::create();
  if (!streamer->start(*target, windows::kStreamMaxReconnects, {})) {
    std::fprintf(stderr, "endurance stream: the streamer did not start\n");
    return false;
  }
  const Clock::time_point start = Clock::now();
  Clock::time_point next_sample = start;
  uint64_t offered = 0;
  int64_t sent_until = 0;
  bool refused = false;
  for (int64_t loop = 0; !refused; ++loop) {
    const int64_t offset = loop * length;
    if (offset >= total) break;
    for (const auto& p : clip) {
      const int64_t media = p.packet->sample_time - first_time + offset;
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
      sent_until = std::max(sent_until, media + p.packet->duration);
    }
  }
  print_sample(std::chrono::duration<double>(Clock::now() - start).count());
  streamer->drain_and_stop();
  const windows::LiveStreamStatus status = streamer->status();
  windows::RtmpStreamer::destroy(std::move(streamer));
  print_sample(std::chrono::duration<double>(Clock::now() - start).count());
  std::printf("stream_offered_packets %llu packets\n", static_cast<unsigned long long>(offered));
  std::printf("stream_media_seconds %.3f s\n", static_cast<double>(sent_until) / kUnitsPerSecond);
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
