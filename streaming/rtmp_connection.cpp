#include "streaming/rtmp_connection.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <bcrypt.h>

#include <cstddef>
#include <string>

#include "streaming/name_lookup.h"
#include "streaming/rtmp_commands.h"
#include "streaming/saturating.h"
#include "streaming/tls_channel.h"

namespace quorvel::windows {
namespace {

constexpr int64_t kNsPerMs = 1'000'000;
constexpr int64_t kIoTimeout = 10'000 * kNsPerMs;
constexpr int64_t kClosingTimeout = 200 * kNsPerMs;
constexpr int64_t kConnectTimeout = 15'000 * kNsPerMs;
constexpr int64_t kAddressTimeout = 3'000 * kNsPerMs;
constexpr int64_t kReplyTimeout = 10'000 * kNsPerMs;
constexpr long kWaitStepMicroseconds = 50'000;
constexpr size_t kSocketPiece = 65536;
constexpr uint32_t kOutboundChunkSize = 4096;

// Waits up to 50 ms for the socket to become readable or writable.
bool wait_socket(SOCKET socket, bool for_write) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(socket, &set);
  timeval step{0, kWaitStepMicroseconds};
  const int result = for_write ? select(0, nullptr, &set, nullptr, &step)
                               : select(0, &set, nullptr, nullptr, &step);
  if (result == SOCKET_ERROR) throw Failure(kFailureNetwork, "select");
  return result > 0;
}

void close_socket(SOCKET& socket) {
  if (socket == INVALID_SOCKET) return;
  shutdown(socket, SD_BOTH);
  closesocket(socket);
  socket = INVALID_SOCKET;
}

class SocketConnection final : public Connection {
 public:
  SocketConnection(const std::atomic<bool>& abort_requested, std::shared_ptr<Clock> clock)
      : abort_requested_(abort_requested),
        clock_(clock ? std::move(clock) : make_steady_clock()),
        io_deadline_(after(kIoTimeout)),
        connect_deadline_(after(kConnectTimeout)) {}

  ~SocketConnection() override {
    if (tls_) tls_->close();
    tls_.reset();
    close_socket(socket_);
  }

  void connect(const StreamTarget& target) override {
    resolve_and_connect(target);
    BOOL no_delay = TRUE;
    setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&no_delay),
               sizeof(no_delay));
    // SO_SNDBUF stays unset: Windows then sizes the send buffer to the
    // connection's ideal backlog, about one round trip of data, so a slow
    // link cannot hide seconds of media from the queue's age rule. A fixed
    // size would switch that off and either cap fast long links or still
    // hold seconds of a slow one.
    if (target.tls) {
      tls_.reset();
      tls_ = TlsChannel::create(
          [this](std::span<const uint8_t> bytes) { socket_send(bytes); },
          [this](bool wait) { return socket_receive(wait); });
      tls_->handshake(target);
      check_deadlines();
    }
    run_handshake();
    std::vector<uint8_t> chunk_size;
    write_uint_be(chunk_size, kOutboundChunkSize, 4);
    send_message(kRtmpSetChunkSize, 0, 0, chunk_size);
    flush();
  }

  uint32_t publish(const StreamTarget& target) override {
    send_message(kRtmpAmf0Command, 0, 0, make_connect_command(target));
    const std::vector<AmfValue> connected = await_reply(1, {});
    const std::string code = find_status_code(connected);
    if (code != kConnectSuccess) throw Failure(kFailureRejected, code);

    send_message(kRtmpAmf0Command, 0, 0, make_create_stream_command());
    const uint32_t stream_id = stream_id_from_result(await_reply(2, {}));

    send_message(kRtmpAmf0Command, stream_id, 0, make_publish_command(target.key));
    try {
      await_reply(0, kPublishStart);
    } catch (const Failure& failure) {
      if (failure.code == kFailureNetwork) throw Failure(kFailureNotAccepted, failure.detail);
      throw;
    }
    published_ = true;
    return stream_id;
  }

  void send_message(uint8_t message_type, uint32_t message_stream_id, uint32_t timestamp,
                    std::span<const uint8_t> payload) override {
    if (payload.size() > kRtmpMaxPayload) throw Failure(kFailureProtocol, "payload too large");
    io_deadline_ = after(closing_ ? kClosingTimeout : kIoTimeout);
    append_chunked_message(message_type, message_stream_id, timestamp, payload, outbound_);
    if (outbound_.size() >= batch_piece()) send_full_pieces();
  }

  void flush() override {
    if (outbound_.empty()) return;
    write(outbound_);
    // The buffer keeps its capacity for the next batch.
    outbound_.clear();
  }

  bool inbound_pending() override {
    if (tls_) return tls_->ensure_plaintext();
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket_, &set);
    timeval zero{0, 0};
    const int result = select(0, &set, nullptr, nullptr, &zero);
    if (result == SOCKET_ERROR) throw Failure(kFailureNetwork, "select");
    return result > 0;
  }

  RtmpMessage read_message() override {
    flush();
    io_deadline_ = after(kIoTimeout);
    return reader_.read_message([this](std::span<uint8_t> into) { read_exact(into); },
                                control_sender());
  }

  std::vector<AmfValue> decode_command(const RtmpMessage& message) override {
    return reader_.decode_command(message, control_sender());
  }

  void renew_io_deadline() override { io_deadline_ = after(kIoTimeout); }

  void delete_stream(uint32_t message_stream_id) noexcept override {
    closing_ = true;
    try {
      send_message(kRtmpAmf0Command, 0, 0, make_delete_stream_command(message_stream_id));
      flush();
    } catch (...) {
    }
  }

 private:
  void check_deadlines() const {
    if (abort_requested_.load() && !closing_) throw Failure(kFailureAborted, "aborted");
    const int64_t now = clock_->now();
    if (now >= io_deadline_) throw Failure(kFailureTimeout, "I/O deadline");
    if (!published_ && now >= connect_deadline_) throw Failure(kFailureTimeout, "connect deadline");
  }

  // Answers (pongs, acknowledgements) leave at once: the server may be
  // waiting for them.
  ControlSender control_sender() {
    return [this](uint8_t type, std::span<const uint8_t> payload) {
      send_message(type, 0, 0, payload);
      flush();
    };
  }

  void resolve_and_connect(const StreamTarget& target) {
    const AddressList result = lookup_addresses(target.host, target.port, [this] {
      return abort_requested_.load() || clock_->now() >= io_deadline_;
    });
    if (!result) {
      check_deadlines();
      throw Failure(kFailureTimeout, "name resolution");
    }

    for (const ADDRINFOEXW* address = result.get(); address != nullptr;
         address = reinterpret_cast<const ADDRINFOEXW*>(address->ai_next)) {
      check_deadlines();
      close_socket(socket_);
      socket_ = socket(address->ai_family, address->ai_socktype, address->ai_protocol);
      if (socket_ == INVALID_SOCKET) continue;
      u_long non_blocking = 1;
      if (ioctlsocket(socket_, FIONBIO, &non_blocking) != 0) {
        throw Failure(kFailureNetwork, "FIONBIO");
      }
      if (::connect(socket_, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0) {
        return;
      }
      if (WSAGetLastError() != WSAEWOULDBLOCK) continue;
      if (wait_connected()) return;
    }
    close_socket(socket_);
    throw Failure(kFailureNetwork, "no address connected");
  }

  bool wait_connected() {
    const int64_t limit = std::min(after(kAddressTimeout), io_deadline_);
    while (clock_->now() < limit) {
      check_deadlines();
      fd_set writable;
      fd_set failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(socket_, &writable);
      FD_SET(socket_, &failed);
      timeval step{0, kWaitStepMicroseconds};
      const int result = select(0, nullptr, &writable, &failed, &step);
      if (result == SOCKET_ERROR) throw Failure(kFailureNetwork, "select");
      if (result == 0) continue;
      int error = 0;
      int length = sizeof(error);
      getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
      return error == 0 && FD_ISSET(socket_, &writable);
    }
    return false;
  }

  void run_handshake() {
    uint8_t random[kHandshakeRandomSize];
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, random, sizeof(random),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
      throw Failure(kFailureNetwork, "random");
    }
    const std::vector<uint8_t> c1 =
        make_handshake_c1(std::span<const uint8_t, kHandshakeRandomSize>(random));
    const uint8_t c0 = 3;
    write(std::span<const uint8_t>(&c0, 1));
    write(c1);
    uint8_t s0 = 0;
    read_handshake(std::span<uint8_t>(&s0, 1));
    check_handshake_s0(s0);
    std::vector<uint8_t> s1(kHandshakeSize);
    read_handshake(s1);
    write(s1);
    std::vector<uint8_t> s2(kHandshakeSize);
    read_handshake(s2);
    check_handshake_s2(s2, c1);
  }

  // The server counts the handshake in the bytes it expects acknowledged.
  void read_handshake(std::span<uint8_t> into) {
    read_exact(into);
    reader_.count_received(into.size());
  }

  std::vector<AmfValue> await_reply(double transaction, std::string_view expected_status) {
    const int64_t deadline = after(kReplyTimeout);
    for (;;) {
      if (clock_->now() >= deadline) throw Failure(kFailureTimeout, "reply deadline");
      const RtmpMessage message = read_message();
      std::vector<AmfValue> values = decode_command(message);
      if (values.empty()) continue;
      if (reply_ends_wait(values, transaction, expected_status)) return values;
    }
  }

  size_t batch_piece() const { return tls_ ? kRtmpsSendBatchBytes : kRtmpSendBatchBytes; }

  // Sends the batch's whole pieces and keeps the tail for the next messages.
  void send_full_pieces() {
    const size_t piece = batch_piece();
    const size_t full = outbound_.size() / piece * piece;
    for (size_t offset = 0; offset < full; offset += piece) {
      write(std::span<const uint8_t>(outbound_.data() + offset, piece));
    }
    outbound_.erase(outbound_.begin(), outbound_.begin() + static_cast<ptrdiff_t>(full));
  }

  void write(std::span<const uint8_t> bytes) {
    if (tls_) {
      tls_->send(bytes);
    } else {
      socket_send(bytes);
    }
  }

  void socket_send(std::span<const uint8_t> bytes) {
    size_t offset = 0;
    while (offset < bytes.size()) {
      check_deadlines();
      const int piece = static_cast<int>(std::min(bytes.size() - offset, kSocketPiece));
      const int sent =
          ::send(socket_, reinterpret_cast<const char*>(bytes.data() + offset), piece, 0);
      if (sent == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
        wait_socket(socket_, true);
        continue;
      }
      if (sent <= 0) throw Failure(kFailureNetwork, "send");
      offset += static_cast<size_t>(sent);
    }
  }

  // Receives into `into`; returns the count, 0 only when `wait` is false and
  // nothing is there.
  size_t socket_receive_into(std::span<uint8_t> into, bool wait) {
    for (;;) {
      check_deadlines();
      const int got = ::recv(socket_, reinterpret_cast<char*>(into.data()),
                             static_cast<int>(std::min(into.size(), kSocketPiece)), 0);
      if (got > 0) return static_cast<size_t>(got);
      if (got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
        if (!wait) return 0;
        wait_socket(socket_, false);
        continue;
      }
      throw Failure(kFailureNetwork, got == 0 ? "peer closed" : "recv");
    }
  }

  std::vector<uint8_t> socket_receive(bool wait) {
    std::vector<uint8_t> bytes(kSocketPiece);
    bytes.resize(socket_receive_into(bytes, wait));
    return bytes;
  }

  void read_exact(std::span<uint8_t> into) {
    if (tls_) {
      tls_->read_exact(into);
      return;
    }
    size_t filled = 0;
    while (filled < into.size()) filled += socket_receive_into(into.subspan(filled), true);
  }

  const std::atomic<bool>& abort_requested_;
  int64_t after(int64_t duration) { return saturating_add(clock_->now(), duration); }

  const std::shared_ptr<Clock> clock_;
  SOCKET socket_ = INVALID_SOCKET;
  std::unique_ptr<TlsChannel> tls_;
  bool closing_ = false;
  bool published_ = false;
  int64_t io_deadline_;
  int64_t connect_deadline_;
  ChunkReader reader_;
  // Chunked messages not yet handed to the socket or the TLS channel.
  std::vector<uint8_t> outbound_;
};

}  // namespace

std::unique_ptr<Connection> create_connection(const std::atomic<bool>& abort_requested,
                                              std::shared_ptr<Clock> clock) {
  return std::make_unique<SocketConnection>(abort_requested, std::move(clock));
}

}  // namespace quorvel::windows
