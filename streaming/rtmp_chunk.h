// The RTMP chunk stream over plain bytes: splitting outbound messages into
// chunks, reassembling inbound chunks into messages, the protocol control
// messages the client must obey or answer, and the handshake checks. No
// platform calls: the connection supplies the byte source and sink, so tests
// and fuzzers can drive every rule with raw bytes.
//
// Inbound state is bounded for hostile servers: 64 chunk streams, 1 MiB per
// message. One reader per connection, used by the streaming thread only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

#include "streaming/amf0.h"

namespace quorvel::windows {

inline constexpr uint8_t kRtmpSetChunkSize = 1;
inline constexpr uint8_t kRtmpAbortMessage = 2;
inline constexpr uint8_t kRtmpAcknowledgement = 3;
inline constexpr uint8_t kRtmpUserControl = 4;
inline constexpr uint8_t kRtmpWindowAckSize = 5;
inline constexpr uint8_t kRtmpSetPeerBandwidth = 6;
inline constexpr uint8_t kRtmpAudio = 8;
inline constexpr uint8_t kRtmpVideo = 9;
inline constexpr uint8_t kRtmpAmf3Command = 17;
inline constexpr uint8_t kRtmpAmf0Command = 20;

inline constexpr uint32_t kRtmpOutChunkSize = 4096;
inline constexpr uint32_t kRtmpMaxInboundMessage = 0x100000;
inline constexpr size_t kRtmpMaxChunkStreams = 64;
inline constexpr uint32_t kRtmpMaxPayload = 0xFFFFFF;

// Receives the bytes of one whole outbound message.
using ByteSink = std::function<void(std::span<const uint8_t>)>;
// Fills the whole span or throws.
using ByteSource = std::function<void(std::span<uint8_t>)>;
// Sends one control message (type, payload) on message stream 0, timestamp 0.
using ControlSender = std::function<void(uint8_t type, std::span<const uint8_t> payload)>;

// Chunk stream id chosen for a message type: control 2, audio 4, video 6, others 3.
uint8_t chunk_stream_for(uint8_t message_type);

// Appends one message to `out` as a format-0 header plus pieces separated by
// format-3 headers, so that the caller can hand the network a whole message
// (or a batch of them) at once; code 3 for payloads over 0xFFFFFF bytes,
// with `out` unchanged.
void append_chunked_message(uint8_t message_type, uint32_t message_stream_id, uint32_t timestamp,
                            std::span<const uint8_t> payload, std::vector<uint8_t>& out);

// The same message handed to `write` in one call.
void write_chunked_message(uint8_t message_type, uint32_t message_stream_id, uint32_t timestamp,
                           std::span<const uint8_t> payload, const ByteSink& write);

struct RtmpMessage {
  uint8_t message_type = 0;
  uint32_t message_stream_id = 0;
  std::vector<uint8_t> payload;
};

struct ChunkStreamState {
  bool has_header = false;
  bool extended_timestamp = false;
  uint32_t timestamp = 0;
  uint32_t timestamp_delta = 0;
  uint32_t message_length = 0;
  uint32_t message_stream_id = 0;
  uint8_t message_type = 0;
  bool assembling = false;
  std::vector<uint8_t> message;
};

class ChunkReader {
 public:
  // Reads chunks from `source` until one message is complete. Sends an
  // Acknowledgement through `send_control` whenever the window is used up.
  RtmpMessage read_message(const ByteSource& source, const ControlSender& send_control);

  // Obeys or answers a protocol control message and returns the AMF0 values
  // of a command (empty for every other message). Code 3 for a broken size rule.
  std::vector<AmfValue> decode_command(const RtmpMessage& message,
                                       const ControlSender& send_control);

  uint32_t in_chunk_size() const { return in_chunk_size_; }
  uint32_t window_ack_size() const { return window_ack_size_; }
  uint64_t bytes_received() const { return bytes_received_; }
  // Counts bytes the connection read outside the chunk stream (the
  // handshake), which the acknowledgement window covers too.
  void count_received(uint64_t bytes) { bytes_received_ += bytes; }
  size_t chunk_stream_count() const { return chunk_streams_.size(); }
  // Bytes held by partly assembled messages (for the memory bound).
  size_t buffered_bytes() const;

 private:
  void read(const ByteSource& source, std::span<uint8_t> into);
  uint32_t read_be(const ByteSource& source, int bytes);

  uint32_t in_chunk_size_ = 128;
  uint32_t window_ack_size_ = 2'500'000;
  uint64_t bytes_received_ = 0;
  uint64_t bytes_acknowledged_ = 0;
  std::map<uint32_t, ChunkStreamState> chunk_streams_;
};

// The handshake as bytes. C1 is time 0, four zero bytes and the random part.
inline constexpr size_t kHandshakeSize = 1536;
inline constexpr size_t kHandshakeRandomSize = 1528;
std::vector<uint8_t> make_handshake_c1(std::span<const uint8_t, kHandshakeRandomSize> random);
// Code 3 unless S0 is version 3.
void check_handshake_s0(uint8_t s0);
// Code 3 unless S2 echoes C1's random part.
void check_handshake_s2(std::span<const uint8_t> s2, std::span<const uint8_t> c1);

}  // namespace quorvel::windows
