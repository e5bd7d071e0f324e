// The inbound RTMP chunk stream as a hostile server may send it: the reader
// reassembles messages and obeys control messages within its bounds or fails
// with the protocol failure; and a message the client chunks is read back
// whole by a reader told the client's chunk size.
#include <span>
#include <vector>

#include "streaming/failure.h"
#include "streaming/rtmp_chunk.h"
#include "tests/fuzz/fuzz_support.h"

using namespace quorvel::windows;
using quorvel::fuzz::check;

namespace {

// Hands out the input and then fails as a closed connection would.
ByteSource source_over(std::span<const uint8_t> bytes, size_t& position) {
  return [bytes, &position](std::span<uint8_t> into) {
    if (into.size() > bytes.size() - position) throw Failure(kFailureNetwork, "end of input");
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(position), into.size(), into.begin());
    position += into.size();
  };
}

void read_anything(std::span<const uint8_t> bytes) {
  ChunkReader reader;
  size_t position = 0;
  const ByteSource source = source_over(bytes, position);
  const ControlSender ignore = [](uint8_t, std::span<const uint8_t>) {};
  try {
    for (;;) {
      const RtmpMessage message = reader.read_message(source, ignore);
      check(message.payload.size() <= kRtmpMaxInboundMessage, "message size bound");
      (void)reader.decode_command(message, ignore);
      check(reader.chunk_stream_count() <= kRtmpMaxChunkStreams, "chunk stream bound");
      check(reader.in_chunk_size() >= 1 && reader.in_chunk_size() <= 0x100000,
            "chunk size bound");
    }
  } catch (const Failure& failure) {
    check(failure.code == kFailureProtocol || failure.code == kFailureNetwork,
          "only protocol failures or the end of input");
  }
}

void round_trip(FuzzedDataProvider& input) {
  const uint8_t type = input.ConsumeIntegral<uint8_t>();
  const uint32_t stream_id = input.ConsumeIntegral<uint32_t>();
  const uint32_t timestamp = input.ConsumeIntegral<uint32_t>();
  const std::vector<uint8_t> payload = input.ConsumeRemainingBytes<uint8_t>();

  std::vector<uint8_t> wire;
  const ByteSink sink = [&wire](std::span<const uint8_t> piece) {
    wire.insert(wire.end(), piece.begin(), piece.end());
  };
  // Set Chunk Size messages go out in 128-byte pieces, which a reader still
  // at its initial chunk size reads back; everything else follows the
  // client's announced chunk size.
  const bool announced = type != kRtmpSetChunkSize;
  if (announced) {
    std::vector<uint8_t> chunk_size;
    write_uint_be(chunk_size, kRtmpOutChunkSize, 4);
    write_chunked_message(kRtmpSetChunkSize, 0, 0, chunk_size, sink);
  }
  write_chunked_message(type, stream_id, timestamp, payload, sink);

  ChunkReader reader;
  size_t position = 0;
  const ByteSource source = source_over(wire, position);
  const ControlSender ignore = [](uint8_t, std::span<const uint8_t>) {};
  if (announced) {
    (void)reader.decode_command(reader.read_message(source, ignore), ignore);
    check(reader.in_chunk_size() == kRtmpOutChunkSize, "chunk size obeyed");
  }
  const RtmpMessage message = reader.read_message(source, ignore);
  check(message.message_type == type, "type round trip");
  check(message.message_stream_id == stream_id, "stream id round trip");
  check(message.payload == payload, "payload round trip");
  check(position == wire.size(), "every byte read");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  read_anything({data, size});
  FuzzedDataProvider input(data, size);
  round_trip(input);
  return 0;
}
