// One RTMP or RTMPS publishing connection: name resolution with a time-out,
// a non-blocking TCP socket, the TLS channel for "rtmps://", the handshake,
// the chunk stream and the command sequence that ends in a published stream.
//
// The streaming thread creates one per connection attempt through a
// ConnectionFactory (tests pass their own) and destroys it when the attempt
// ends. Every blocking step watches the I/O deadline (10 s, renewed by each
// message), the connection deadline (15 s until published) and the
// streamer's abort flag, the only datum shared with other threads. Failures
// leave as `Failure` or `TlsFailure`.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "engine/clock.h"
#include "streaming/amf0.h"
#include "streaming/failure.h"
#include "streaming/rtmp_chunk.h"
#include "streaming/stream_target.h"

namespace quorvel::windows {

// Outbound messages are gathered and sent in pieces of this many bytes: one
// system call per piece instead of one per chunk. Over TLS a piece is
// smaller, so that its four records with their framing still fit one
// 64 KiB socket send.
inline constexpr size_t kRtmpSendBatchBytes = 65536;
inline constexpr size_t kRtmpsSendBatchBytes = 61440;

class Connection {
 public:
  virtual ~Connection() = default;

  // Resolves, connects, runs TLS when asked, handshakes, sends Set Chunk Size 4096.
  virtual void connect(const StreamTarget& target) = 0;
  // connect, createStream and publish; returns the message stream id.
  virtual uint32_t publish(const StreamTarget& target) = 0;
  // Adds one message to the outbound batch. Whole 64 KiB pieces of the batch
  // go out as soon as they are full; the rest before any blocking read and
  // at `flush`.
  virtual void send_message(uint8_t message_type, uint32_t message_stream_id, uint32_t timestamp,
                            std::span<const uint8_t> payload) = 0;
  // Sends the batched messages now (one send, or one run of TLS records).
  virtual void flush() = 0;
  // True when an inbound message can be read without waiting for the network.
  virtual bool inbound_pending() = 0;
  // Flushes the batch first, since the server may be waiting for it.
  virtual RtmpMessage read_message() = 0;
  // Obeys or answers control messages; the AMF0 values of a command, else empty.
  virtual std::vector<AmfValue> decode_command(const RtmpMessage& message) = 0;
  // Gives the next network step a fresh 10 s.
  virtual void renew_io_deadline() = 0;
  // Sends the batch and "deleteStream" with a short deadline; never throws.
  virtual void delete_stream(uint32_t message_stream_id) noexcept = 0;
};

using ConnectionFactory =
    std::function<std::unique_ptr<Connection>(const std::atomic<bool>& abort_requested)>;

// The product's connection over Winsock (and Schannel for "rtmps://"). The
// caller has started Winsock on this thread's process. `clock` times the
// deadlines (the steady clock when null); tests pass one that runs faster.
// The waits themselves stay sliced into real 50 ms steps.
std::unique_ptr<Connection> create_connection(const std::atomic<bool>& abort_requested,
                                              std::shared_ptr<Clock> clock = nullptr);

}  // namespace quorvel::windows
