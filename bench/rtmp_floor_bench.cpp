// The floor under the publisher: what this Wine and this machine cost for
// the same bytes with nothing else to do. The whole chunk stream of a clip
// (Set Chunk Size, the three commands, every media message, deleteStream) is
// built before the clock starts; then, after the RTMP handshake (and the TLS
// one for rtmps), it is sent in 64 KiB calls without reading any reply, and
// the clock stops when the server has closed the connection.
//
//   rtmp_floor_bench.exe CLIP.flv rtmp[s]://localhost:PORT/live KEY
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/byte_order.h"
#include "streaming/failure.h"
#include "streaming/flv_payload.h"
#include "streaming/rtmp_chunk.h"
#include "streaming/rtmp_commands.h"
#include "streaming/stream_target.h"
#include "streaming/tls_channel.h"
#include "tests/streaming/av_clip.h"

namespace {

using namespace quorvel::windows;

constexpr size_t kPiece = 65536;
constexpr uint32_t kStreamId = 1;  // nginx-rtmp gives the first stream id 1

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

bool send_all(SOCKET socket, std::span<const uint8_t> bytes) {
  size_t offset = 0;
  while (offset < bytes.size()) {
    const int sent = ::send(socket, reinterpret_cast<const char*>(bytes.data() + offset),
                            static_cast<int>(bytes.size() - offset), 0);
    if (sent <= 0) return false;
    offset += static_cast<size_t>(sent);
  }
  return true;
}

std::vector<uint8_t> receive_some(SOCKET socket, bool wait) {
  if (!wait) {
    u_long available = 0;
    if (ioctlsocket(socket, FIONREAD, &available) != 0 || available == 0) return {};
  }
  std::vector<uint8_t> bytes(kPiece);
  const int got =
      ::recv(socket, reinterpret_cast<char*>(bytes.data()), static_cast<int>(kPiece), 0);
  if (got <= 0) throw Failure(kFailureNetwork, "recv");
  bytes.resize(static_cast<size_t>(got));
  return bytes;
}

bool receive_exact(SOCKET socket, TlsChannel* tls, std::span<uint8_t> into) {
  if (tls) {
    tls->read_exact(into);
    return true;
  }
  size_t filled = 0;
  while (filled < into.size()) {
    const int got = ::recv(socket, reinterpret_cast<char*>(into.data() + filled),
                           static_cast<int>(into.size() - filled), 0);
    if (got <= 0) return false;
    filled += static_cast<size_t>(got);
  }
  return true;
}

SOCKET connect_to(const StreamTarget& target) {
  const std::string host = to_utf8(target.host);
  const std::string port = std::to_string(target.port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) return INVALID_SOCKET;
  SOCKET result = INVALID_SOCKET;
  for (addrinfo* a = found; a != nullptr && result == INVALID_SOCKET; a = a->ai_next) {
    SOCKET s = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (s == INVALID_SOCKET) continue;
    if (::connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) {
      result = s;
    } else {
      closesocket(s);
    }
  }
  freeaddrinfo(found);
  if (result != INVALID_SOCKET) {
    BOOL no_delay = TRUE;
    setsockopt(result, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&no_delay),
               sizeof(no_delay));
    DWORD timeout_ms = 20000;
    setsockopt(result, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout_ms),
               sizeof(timeout_ms));
  }
  return result;
}

// Everything the client sends after the handshake, as one chunk stream.
std::vector<uint8_t> build_stream(const StreamTarget& target,
                                  const std::vector<test::ClipPacket>& clip, uint64_t& media) {
  std::vector<uint8_t> stream;
  std::vector<uint8_t> chunk_size;
  write_uint_be(chunk_size, kRtmpOutChunkSize, 4);
  append_chunked_message(kRtmpSetChunkSize, 0, 0, chunk_size, stream);
  append_chunked_message(kRtmpAmf0Command, 0, 0, make_connect_command(target), stream);
  append_chunked_message(kRtmpAmf0Command, 0, 0, make_create_stream_command(), stream);
  append_chunked_message(kRtmpAmf0Command, kStreamId, 0, make_publish_command(target.key), stream);
  FlvState state;
  std::vector<FlvMessage> messages;
  for (const auto& p : clip) {
    media += p.packet->data.size();
    if (FAILED(make_flv_payload(state, *p.packet, messages))) return {};
    for (const FlvMessage& m : messages) {
      append_chunked_message(m.message_type, kStreamId, m.timestamp, m.body, stream);
    }
  }
  append_chunked_message(kRtmpAmf0Command, 0, 0, make_delete_stream_command(kStreamId), stream);
  return stream;
}

int publish(const StreamTarget& target, const std::vector<uint8_t>& stream, uint64_t media) {
  const SOCKET socket = connect_to(target);
  if (socket == INVALID_SOCKET) {
    std::fprintf(stderr, "rtmp_floor_bench: no connection\n");
    return 1;
  }
  std::unique_ptr<TlsChannel> tls;
  auto write = [&](std::span<const uint8_t> bytes) {
    if (tls) {
      tls->send(bytes);
    } else if (!send_all(socket, bytes)) {
      throw Failure(kFailureNetwork, "send");
    }
  };
  if (target.tls) {
    tls = TlsChannel::create(
        [socket](std::span<const uint8_t> bytes) {
          if (!send_all(socket, bytes)) throw Failure(kFailureNetwork, "send");
        },
        [socket](bool wait) { return receive_some(socket, wait); });
    tls->handshake(target);
  }
  std::vector<uint8_t> c0c1(1 + kHandshakeSize, 0);
  c0c1[0] = 3;
  write(c0c1);
  std::vector<uint8_t> s0s1s2(1 + 2 * kHandshakeSize);
  if (!receive_exact(socket, tls.get(), s0s1s2)) throw Failure(kFailureNetwork, "handshake");
  write(std::span<const uint8_t>(s0s1s2.data() + 1, kHandshakeSize));

  const double cpu_start = cpu_seconds();
  const double start = now_seconds();
  for (size_t offset = 0; offset < stream.size(); offset += kPiece) {
    write(std::span<const uint8_t>(stream.data() + offset,
                                   std::min(kPiece, stream.size() - offset)));
  }
  // The server has everything once it has closed its side after ours.
  shutdown(socket, SD_SEND);
  char drain[4096];
  while (::recv(socket, drain, sizeof(drain), 0) > 0) {
  }
  const double wall = now_seconds() - start;
  const double cpu = cpu_seconds() - cpu_start;
  closesocket(socket);
  std::printf("rtmp_floor_media_bytes %llu bytes\n", static_cast<unsigned long long>(media));
  std::printf("rtmp_floor_stream_bytes %llu bytes\n",
              static_cast<unsigned long long>(stream.size()));
  std::printf("rtmp_floor_wall %.3f s\n", wall);
  std::printf("rtmp_floor_throughput %.2f MB/s\n", static_cast<double>(media) / 1e6 / wall);
  std::printf("rtmp_floor_cpu %.3f s\n", cpu);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: rtmp_floor_bench CLIP.flv URL KEY\n");
    return 2;
  }
  const auto clip = test::load_av_clip(argv[1]);
  StreamSettings settings;
  settings.server_url = argv[2];
  settings.stream_key = argv[3];
  const auto target = parse_stream_target(settings);
  if (clip.empty() || !target) {
    std::fprintf(stderr, "rtmp_floor_bench: bad clip or URL\n");
    return 2;
  }
  uint64_t media = 0;
  const std::vector<uint8_t> stream = build_stream(*target, clip, media);
  if (stream.empty()) return 1;

  WSADATA data;
  if (WSAStartup(0x0202, &data) != 0) return 1;
  int result = 1;
  try {
    result = publish(*target, stream, media);
  } catch (const Failure& failure) {
    std::fprintf(stderr, "rtmp_floor_bench: failure %d (%s)\n", failure.code,
                 failure.detail.c_str());
  } catch (const TlsFailure& failure) {
    std::fprintf(stderr, "rtmp_floor_bench: TLS failure 0x%08lX\n",
                 static_cast<unsigned long>(failure.status));
  }
  WSACleanup();
  return result;
}
