// Publishes an FLV clip's packets to an RTMP or RTMPS server as fast as the
// connection takes them, in the streaming thread's pattern with a backlog:
// messages gathered into batches, the server's messages looked at every
// 100 ms, the batch flushed when nothing is left. Prints throughput and CPU
// time of the publishing itself.
//
//   rtmp_publish_bench.exe CLIP.flv rtmp[s]://localhost:PORT/live KEY
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "streaming/flv_payload.h"
#include "streaming/rtmp_connection.h"
#include "streaming/stream_target.h"
#include "streaming/tls_channel.h"
#include "tests/streaming/av_clip.h"

namespace {

using namespace quorvel::windows;

double cpu_seconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

double now_seconds() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: rtmp_publish_bench CLIP.flv URL KEY\n");
    return 2;
  }
  const auto clip = test::load_av_clip(argv[1]);
  StreamSettings settings;
  settings.server_url = argv[2];
  settings.stream_key = argv[3];
  const auto target = parse_stream_target(settings);
  if (clip.empty() || !target) {
    std::fprintf(stderr, "rtmp_publish_bench: bad clip or URL\n");
    return 2;
  }
  uint64_t clip_bytes = 0;
  for (const auto& p : clip) clip_bytes += p.packet->data.size();

  WSADATA data;
  if (WSAStartup(0x0202, &data) != 0) return 1;
  const double cpu_start = cpu_seconds();
  const double start = now_seconds();
  uint64_t body_bytes = 0;
  try {
    std::atomic<bool> abort_requested{false};
    auto connection = create_connection(abort_requested);
    connection->connect(*target);
    const uint32_t stream_id = connection->publish(*target);
    FlvState state;
    std::vector<FlvMessage> messages;
    constexpr double kInboundCheckSeconds = 0.1;
    double last_inbound_check = -1.0;
    for (const auto& p : clip) {
      connection->renew_io_deadline();
      const double now = now_seconds();
      if (now - last_inbound_check >= kInboundCheckSeconds) {
        if (connection->inbound_pending()) {
          connection->decode_command(connection->read_message());
        }
        last_inbound_check = now;
      }
      if (FAILED(make_flv_payload(state, *p.packet, messages))) return 1;
      for (const FlvMessage& m : messages) {
        connection->send_message(m.message_type, stream_id, m.timestamp, m.body);
        body_bytes += m.body.size();
      }
    }
    connection->flush();
    connection->delete_stream(stream_id);
  } catch (const Failure& failure) {
    std::fprintf(stderr, "rtmp_publish_bench: failure %d (%s)\n", failure.code,
                 failure.detail.c_str());
    return 1;
  } catch (const TlsFailure& failure) {
    std::fprintf(stderr, "rtmp_publish_bench: TLS failure 0x%08lX\n",
                 static_cast<unsigned long>(failure.status));
    return 1;
  }
  const double wall = now_seconds() - start;
  const double cpu = cpu_seconds() - cpu_start;
  std::printf("rtmp_publish_quorvel_media_bytes %llu bytes\n",
              static_cast<unsigned long long>(clip_bytes));
  std::printf("rtmp_publish_quorvel_flv_body_bytes %llu bytes\n",
              static_cast<unsigned long long>(body_bytes));
  std::printf("rtmp_publish_quorvel_wall %.3f s\n", wall);
  std::printf("rtmp_publish_quorvel_throughput %.2f MB/s\n", clip_bytes / 1e6 / wall);
  std::printf("rtmp_publish_quorvel_cpu %.3f s\n", cpu);
  WSACleanup();
  return 0;
}
