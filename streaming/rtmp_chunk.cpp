#include "streaming/rtmp_chunk.h"

#include <algorithm>
#include <cstring>

#include "engine/byte_order.h"
#include "streaming/failure.h"

namespace quorvel::windows {
namespace {

[[noreturn]] void protocol_error(const char* what) { throw Failure(kFailureProtocol, what); }

uint32_t be32(std::span<const uint8_t> bytes) {
  return static_cast<uint32_t>(read_uint_be(bytes.first(4)));
}

}  // namespace

uint8_t chunk_stream_for(uint8_t message_type) {
  if (message_type >= 1 && message_type <= 7) return 2;
  if (message_type == kRtmpAudio) return 4;
  if (message_type == kRtmpVideo) return 6;
  return 3;
}

void append_chunked_message(uint8_t message_type, uint32_t message_stream_id, uint32_t timestamp,
                            std::span<const uint8_t> payload, std::vector<uint8_t>& out) {
  if (payload.size() > kRtmpMaxPayload) protocol_error("outbound message too large");
  const uint8_t csid = chunk_stream_for(message_type);
  const bool extended = timestamp >= 0xFFFFFF;
  const uint32_t field = extended ? 0xFFFFFF : timestamp;
  const uint32_t length = static_cast<uint32_t>(payload.size());
  const size_t piece_limit = message_type == kRtmpSetChunkSize ? 128 : kRtmpOutChunkSize;
  const size_t extended_size = extended ? 4 : 0;
  const size_t continuations = payload.empty() ? 0 : (payload.size() - 1) / piece_limit;
  const size_t header_size = 12 + extended_size;
  const size_t total = header_size + payload.size() + continuations * (1 + extended_size);

  const size_t begin = out.size();
  out.resize(begin + total);
  uint8_t* at = out.data() + begin;
  at[0] = csid;
  store_uint_be(std::span<uint8_t>(at + 1, 3), field);
  store_uint_be(std::span<uint8_t>(at + 4, 3), length);
  at[7] = message_type;
  // The message stream id alone is little-endian.
  for (int i = 0; i < 4; ++i) at[8 + i] = static_cast<uint8_t>(message_stream_id >> (8 * i));
  uint8_t extended_bytes[4];
  store_uint_be(extended_bytes, timestamp);
  at += 12;
  if (extended) {
    std::memcpy(at, extended_bytes, 4);
    at += 4;
  }

  const uint8_t continuation = static_cast<uint8_t>(0xC0 | csid);
  size_t offset = 0;
  while (offset < payload.size()) {
    if (offset > 0) {
      *at++ = continuation;
      if (extended) {
        std::memcpy(at, extended_bytes, 4);
        at += 4;
      }
    }
    const size_t piece = std::min(piece_limit, payload.size() - offset);
    std::memcpy(at, payload.data() + offset, piece);
    at += piece;
    offset += piece;
  }
}

void write_chunked_message(uint8_t message_type, uint32_t message_stream_id, uint32_t timestamp,
                           std::span<const uint8_t> payload, const ByteSink& write) {
  std::vector<uint8_t> message;
  append_chunked_message(message_type, message_stream_id, timestamp, payload, message);
  write(message);
}

void ChunkReader::read(const ByteSource& source, std::span<uint8_t> into) {
  source(into);
  bytes_received_ += into.size();
}

uint32_t ChunkReader::read_be(const ByteSource& source, int bytes) {
  uint8_t buffer[4];
  const std::span<uint8_t> into(buffer, static_cast<size_t>(bytes));
  read(source, into);
  return static_cast<uint32_t>(read_uint_be(into));
}

size_t ChunkReader::buffered_bytes() const {
  size_t total = 0;
  for (const auto& [id, state] : chunk_streams_) total += state.message.capacity();
  return total;
}

RtmpMessage ChunkReader::read_message(const ByteSource& source,
                                      const ControlSender& send_control) {
  for (;;) {
    const uint32_t basic = read_be(source, 1);
    const uint32_t format = basic >> 6;
    uint32_t csid = basic & 0x3F;
    if (csid == 0) {
      csid = 64 + read_be(source, 1);
    } else if (csid == 1) {
      const uint32_t b1 = read_be(source, 1);
      const uint32_t b2 = read_be(source, 1);
      csid = 64 + b1 + 256 * b2;
    }

    auto found = chunk_streams_.find(csid);
    if (found == chunk_streams_.end()) {
      if (chunk_streams_.size() >= kRtmpMaxChunkStreams) protocol_error("too many chunk streams");
      found = chunk_streams_.emplace(csid, ChunkStreamState{}).first;
    }
    ChunkStreamState& state = found->second;

    const bool allowed = (format == 0 && !state.assembling) ||
                         ((format == 1 || format == 2) && state.has_header && !state.assembling) ||
                         (format == 3 && state.has_header);
    if (!allowed) protocol_error("chunk format not allowed here");

    uint32_t value = 0;
    if (format <= 2) {
      value = read_be(source, 3);
      state.extended_timestamp = value == 0xFFFFFF;
      if (format <= 1) {
        const uint32_t length = read_be(source, 3);
        const uint8_t type = static_cast<uint8_t>(read_be(source, 1));
        if (length > kRtmpMaxInboundMessage) protocol_error("inbound message too large");
        state.message_length = length;
        state.message_type = type;
      }
      if (format == 0) {
        uint8_t id[4];
        read(source, id);
        state.message_stream_id = uint32_t{id[0]} | (uint32_t{id[1]} << 8) |
                                  (uint32_t{id[2]} << 16) | (uint32_t{id[3]} << 24);
      }
    }
    if (state.extended_timestamp) value = read_be(source, 4);

    if (format == 0) {
      state.timestamp = value;
      state.timestamp_delta = 0;
    } else if (format <= 2) {
      state.timestamp_delta = value;
      state.timestamp += value;
    } else if (!state.assembling) {
      state.timestamp += state.timestamp_delta;
    }
    state.has_header = true;

    if (!state.assembling) {
      state.assembling = true;
      state.message.clear();
    }
    const size_t piece =
        std::min<size_t>(state.message_length - state.message.size(), in_chunk_size_);
    const size_t old_size = state.message.size();
    state.message.resize(old_size + piece);
    read(source, std::span<uint8_t>(state.message.data() + old_size, piece));

    if (window_ack_size_ != 0 && bytes_received_ - bytes_acknowledged_ >= window_ack_size_) {
      std::vector<uint8_t> ack;
      write_uint_be(ack, bytes_received_ & 0xFFFFFFFF, 4);
      send_control(kRtmpAcknowledgement, ack);
      bytes_acknowledged_ = bytes_received_;
    }

    if (state.message.size() == state.message_length) {
      RtmpMessage message;
      message.message_type = state.message_type;
      message.message_stream_id = state.message_stream_id;
      message.payload = std::move(state.message);
      state.message = {};
      state.assembling = false;
      return message;
    }
  }
}

std::vector<AmfValue> ChunkReader::decode_command(const RtmpMessage& message,
                                                  const ControlSender& send_control) {
  const std::span<const uint8_t> payload = message.payload;
  switch (message.message_type) {
    case kRtmpSetChunkSize: {
      if (payload.size() != 4) protocol_error("Set Chunk Size size");
      const uint32_t size = be32(payload);
      if (size < 1 || size > 0x100000) protocol_error("Set Chunk Size value");
      in_chunk_size_ = size;
      return {};
    }
    case kRtmpAbortMessage: {
      if (payload.size() != 4) protocol_error("Abort Message size");
      const auto found = chunk_streams_.find(be32(payload));
      if (found != chunk_streams_.end()) {
        found->second.message = {};
        found->second.assembling = false;
      }
      return {};
    }
    case kRtmpUserControl: {
      if (payload.size() < 2) protocol_error("User Control size");
      const uint16_t event = static_cast<uint16_t>((payload[0] << 8) | payload[1]);
      if (event == 6) {
        if (payload.size() != 6) protocol_error("ping size");
        std::vector<uint8_t> pong(payload.begin(), payload.end());
        pong[0] = 0;
        pong[1] = 7;
        send_control(kRtmpUserControl, pong);
      }
      return {};
    }
    case kRtmpWindowAckSize:
      if (payload.size() != 4) protocol_error("Window Acknowledgement Size size");
      window_ack_size_ = be32(payload);
      return {};
    case kRtmpSetPeerBandwidth:
      if (payload.size() != 5) protocol_error("Set Peer Bandwidth size");
      send_control(kRtmpWindowAckSize, payload.first(4));
      return {};
    case kRtmpAmf3Command:
      if (payload.empty() || payload[0] != 0) protocol_error("AMF3 command marker");
      return amf0_decode_values(payload.subspan(1));
    case kRtmpAmf0Command:
      return amf0_decode_values(payload);
    default:
      return {};
  }
}

std::vector<uint8_t> make_handshake_c1(std::span<const uint8_t, kHandshakeRandomSize> random) {
  std::vector<uint8_t> c1(kHandshakeSize, 0);
  std::copy(random.begin(), random.end(), c1.begin() + 8);
  return c1;
}

void check_handshake_s0(uint8_t s0) {
  if (s0 != 3) protocol_error("handshake version");
}

void check_handshake_s2(std::span<const uint8_t> s2, std::span<const uint8_t> c1) {
  if (s2.size() != kHandshakeSize || c1.size() != kHandshakeSize ||
      !std::equal(s2.begin() + 8, s2.end(), c1.begin() + 8)) {
    protocol_error("handshake echo");
  }
}

}  // namespace quorvel::windows
