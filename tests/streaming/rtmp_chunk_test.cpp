#include "streaming/rtmp_chunk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "streaming/failure.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

using Bytes = std::vector<uint8_t>;

// Raw server bytes fed to the reader; running out is a peer close.
struct ByteFeed {
  Bytes bytes;
  size_t position = 0;
  ByteSource source() {
    return [this](std::span<uint8_t> into) {
      if (into.size() > bytes.size() - position) throw Failure(kFailureNetwork, "peer closed");
      // A zero-length message asks for no bytes, with a null span.
      if (into.empty()) return;
      std::memcpy(into.data(), bytes.data() + position, into.size());
      position += into.size();
    };
  }
};

struct SentControl {
  uint8_t type;
  Bytes payload;
};

struct ReaderFixture {
  ChunkReader reader;
  ByteFeed feed;
  std::vector<SentControl> sent;
  ControlSender sender() {
    return [this](uint8_t type, std::span<const uint8_t> payload) {
      sent.push_back({type, Bytes(payload.begin(), payload.end())});
    };
  }
  RtmpMessage read() { return reader.read_message(feed.source(), sender()); }
  int read_failure() {
    try {
      for (;;) read();
    } catch (const Failure& failure) {
      return failure.code;
    }
  }
};

Bytes chunked(uint8_t type, uint32_t stream, uint32_t timestamp, const Bytes& payload) {
  Bytes out;
  write_chunked_message(type, stream, timestamp, payload,
                        [&](std::span<const uint8_t> bytes) {
                          out.insert(out.end(), bytes.begin(), bytes.end());
                        });
  return out;
}

Bytes pattern(size_t size) {
  Bytes out(size);
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(i * 7 + 1);
  return out;
}

void append(Bytes& out, std::initializer_list<uint8_t> bytes) { out.insert(out.end(), bytes); }

// A one-byte command message with a format-0 header on chunk stream `csid` (2 to 319).
void append_empty_message(Bytes& out, uint32_t csid) {
  if (csid < 64) {
    append(out, {static_cast<uint8_t>(csid)});
  } else {
    append(out, {0x00, static_cast<uint8_t>(csid - 64)});
  }
  append(out, {0, 0, 0, 0, 0, 1, 20, 0, 0, 0, 0, 0x05});
}

TEST(RtmpChunkTest, SplitsA5000ByteVideoBodyAt4096Bytes) {
  const Bytes body = pattern(5000);
  std::vector<Bytes> writes;
  write_chunked_message(9, 1, 0x010203, body, [&](std::span<const uint8_t> bytes) {
    writes.emplace_back(bytes.begin(), bytes.end());
  });
  // Header, first piece, continuation header and second piece leave in one write.
  ASSERT_EQ(writes.size(), 1u);
  Bytes expected = {0x06, 0x01, 0x02, 0x03, 0x00, 0x13, 0x88, 0x09, 0x01, 0x00, 0x00, 0x00};
  expected.insert(expected.end(), body.begin(), body.begin() + 4096);
  expected.push_back(0xC6);
  expected.insert(expected.end(), body.begin() + 4096, body.end());
  EXPECT_EQ(writes[0], expected);
}

#ifdef QUORVEL_STREAMING_TEST_DATA
Bytes read_data_file(const char* name) {
  std::ifstream file(quorvel::test::host_path(std::string(QUORVEL_STREAMING_TEST_DATA "/") + name),
                     std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The same message laid out by hand: format-0 header (with the extended
// timestamp when the field saturates), 4096-byte pieces, each further piece
// behind 0xC6 (and the extended timestamp again).
Bytes video_message_layout(const Bytes& body, uint32_t timestamp) {
  const bool extended = timestamp >= 0xFFFFFF;
  const uint32_t field = extended ? 0xFFFFFF : timestamp;
  Bytes out = {0x06,
               static_cast<uint8_t>(field >> 16), static_cast<uint8_t>(field >> 8),
               static_cast<uint8_t>(field),
               static_cast<uint8_t>(body.size() >> 16), static_cast<uint8_t>(body.size() >> 8),
               static_cast<uint8_t>(body.size()),
               0x09, 0x01, 0x00, 0x00, 0x00};
  const Bytes stamp = {static_cast<uint8_t>(timestamp >> 24), static_cast<uint8_t>(timestamp >> 16),
                       static_cast<uint8_t>(timestamp >> 8), static_cast<uint8_t>(timestamp)};
  if (extended) out.insert(out.end(), stamp.begin(), stamp.end());
  for (size_t offset = 0; offset < body.size(); offset += 4096) {
    if (offset > 0) {
      out.push_back(0xC6);
      if (extended) out.insert(out.end(), stamp.begin(), stamp.end());
    }
    out.insert(out.end(), body.begin() + offset,
               body.begin() + std::min<size_t>(offset + 4096, body.size()));
  }
  return out;
}

struct GoldenCase {
  const char* file;
  uint32_t timestamp;
};

class ChunkGoldenTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(ChunkGoldenTest, TenKilobyteVideoMessageIsOneWriteOfTheRecordedBytes) {
  const Bytes body = pattern(10240);
  std::vector<Bytes> writes;
  write_chunked_message(9, 1, GetParam().timestamp, body, [&](std::span<const uint8_t> bytes) {
    writes.emplace_back(bytes.begin(), bytes.end());
  });
  ASSERT_EQ(writes.size(), 1u);
  // The golden file holds the bytes the writer produced before it gathered
  // messages into one buffer.
  const Bytes golden = read_data_file(GetParam().file);
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(writes[0], golden);
  EXPECT_EQ(writes[0], video_message_layout(body, GetParam().timestamp));
}

INSTANTIATE_TEST_SUITE_P(Timestamps, ChunkGoldenTest,
                         ::testing::Values(GoldenCase{"video_10k.bin", 0x123456},
                                           GoldenCase{"video_10k_extended.bin", 0x1234567}));
#endif

TEST(RtmpChunkTest, AppendsMessagesBehindWhatTheBufferHolds) {
  Bytes batch = {0xAA, 0xBB};
  const Bytes first = pattern(4096);
  const Bytes second = pattern(4097);
  append_chunked_message(9, 1, 5, first, batch);
  append_chunked_message(8, 1, 6, second, batch);
  append_chunked_message(20, 0, 0, {}, batch);
  Bytes expected = {0xAA, 0xBB};
  for (const Bytes& part :
       {chunked(9, 1, 5, first), chunked(8, 1, 6, second), chunked(20, 0, 0, {})}) {
    expected.insert(expected.end(), part.begin(), part.end());
  }
  EXPECT_EQ(batch, expected);
  // A refused message leaves the batch as it was.
  EXPECT_THROW(append_chunked_message(9, 1, 0, Bytes(0x1000000), batch), Failure);
  EXPECT_EQ(batch, expected);
}

TEST(RtmpChunkTest, RepeatsExtendedTimestampAfterEveryContinuation) {
  const Bytes body = pattern(9000);
  const Bytes out = chunked(8, 1, 0xFFFFFF, body);
  Bytes expected = {0x04, 0xFF, 0xFF, 0xFF, 0x00, 0x23, 0x28, 0x08, 1, 0, 0, 0,
                    0x00, 0xFF, 0xFF, 0xFF};
  expected.insert(expected.end(), body.begin(), body.begin() + 4096);
  append(expected, {0xC4, 0x00, 0xFF, 0xFF, 0xFF});
  expected.insert(expected.end(), body.begin() + 4096, body.begin() + 8192);
  append(expected, {0xC4, 0x00, 0xFF, 0xFF, 0xFF});
  expected.insert(expected.end(), body.begin() + 8192, body.end());
  EXPECT_EQ(out, expected);
}

TEST(RtmpChunkTest, ChoosesChunkStreamsByType) {
  EXPECT_EQ(chunk_stream_for(1), 2);
  EXPECT_EQ(chunk_stream_for(7), 2);
  EXPECT_EQ(chunk_stream_for(8), 4);
  EXPECT_EQ(chunk_stream_for(9), 6);
  EXPECT_EQ(chunk_stream_for(20), 3);
  EXPECT_EQ(chunk_stream_for(18), 3);
  EXPECT_THROW(chunked(9, 1, 0, Bytes(0x1000000)), Failure);
}

TEST(RtmpChunkTest, SplitsSetChunkSizeMessagesAt128Bytes) {
  // The server still reads 128-byte chunks until it has applied the new size.
  const Bytes body = pattern(200);
  Bytes expected = {0x02, 0, 0, 0, 0, 0, 200, 0x01, 0, 0, 0, 0};
  expected.insert(expected.end(), body.begin(), body.begin() + 128);
  expected.push_back(0xC2);
  expected.insert(expected.end(), body.begin() + 128, body.end());
  EXPECT_EQ(chunked(1, 0, 0, body), expected);
}

TEST(RtmpChunkTest, RoundTripsMessagesThroughTheReader) {
  ReaderFixture f;
  Bytes chunk_size;
  write_uint_be(chunk_size, 4096, 4);
  f.feed.bytes = chunked(1, 0, 0, chunk_size);
  const RtmpMessage set_size = f.read();
  f.reader.decode_command(set_size, f.sender());
  EXPECT_EQ(f.reader.in_chunk_size(), 4096u);

  struct Sent {
    uint8_t type;
    uint32_t stream;
    uint32_t timestamp;
    Bytes payload;
  };
  const Sent messages[] = {{9, 1, 0, pattern(10000)},
                           {8, 1, 23, pattern(300)},
                           {20, 0, 0, pattern(5)},
                           {9, 1, 0x1000000, pattern(4097)},
                           {8, 7, 40, Bytes()},
                           {18, 1, 5, pattern(kRtmpMaxInboundMessage)}};
  for (const Sent& m : messages) {
    const Bytes wire = chunked(m.type, m.stream, m.timestamp, m.payload);
    f.feed.bytes.insert(f.feed.bytes.end(), wire.begin(), wire.end());
  }
  for (const Sent& m : messages) {
    const RtmpMessage got = f.read();
    EXPECT_EQ(got.message_type, m.type);
    EXPECT_EQ(got.message_stream_id, m.stream);
    EXPECT_EQ(got.payload, m.payload);
  }
  EXPECT_EQ(f.feed.position, f.feed.bytes.size());
}

TEST(RtmpChunkTest, ReadsCompressedHeadersAndInterleavedStreams) {
  ReaderFixture f;
  Bytes& in = f.feed.bytes;
  // Format 0 on chunk stream 5: 200-byte audio message, split at 128 bytes,
  // interleaved with a 3-byte message on chunk stream 64 (two-byte form).
  append(in, {0x05, 0, 0, 10, 0, 0, 200, 8, 1, 0, 0, 0});
  in.insert(in.end(), 128, 0xAA);
  append(in, {0x00, 0x00, 0, 0, 0, 0, 0, 3, 20, 0, 0, 0, 0, 1, 2, 3});
  append(in, {0xC5});
  in.insert(in.end(), 72, 0xAB);
  // Format 1: delta 5, new length 2; format 2: delta 7; format 3: delta again.
  append(in, {0x45, 0, 0, 5, 0, 0, 2, 9, 0xB0, 0xB1});
  append(in, {0x85, 0, 0, 7, 0xC0, 0xC1});
  append(in, {0xC5, 0xD0, 0xD1});

  const RtmpMessage first = f.read();
  EXPECT_EQ(first.message_type, 20);
  EXPECT_EQ(first.payload, (Bytes{1, 2, 3}));
  const RtmpMessage second = f.read();
  EXPECT_EQ(second.message_type, 8);
  EXPECT_EQ(second.message_stream_id, 1u);
  EXPECT_EQ(second.payload.size(), 200u);
  EXPECT_EQ(second.payload[199], 0xAB);
  EXPECT_EQ(f.read().payload, (Bytes{0xB0, 0xB1}));
  EXPECT_EQ(f.read().payload, (Bytes{0xC0, 0xC1}));
  const RtmpMessage last = f.read();
  EXPECT_EQ(last.message_type, 9);
  EXPECT_EQ(last.payload, (Bytes{0xD0, 0xD1}));
  EXPECT_EQ(f.reader.chunk_stream_count(), 2u);
}

TEST(RtmpChunkTest, RefusesHostileChunkStreamsWithBoundedMemory) {
  struct Case {
    const char* name;
    Bytes bytes;
  };
  std::vector<Case> cases;
  {
    Bytes streams;
    for (uint32_t csid = 2; csid < 2 + 65; ++csid) append_empty_message(streams, csid);
    cases.push_back({"65th chunk stream", streams});
  }
  cases.push_back({"message over 1 MiB", {0x03, 0, 0, 0, 0x10, 0x00, 0x01, 20, 0, 0, 0, 0}});
  cases.push_back({"format 1 on an unknown chunk stream", {0x43, 0, 0, 0, 0, 0, 4, 20, 1, 2, 3, 4}});
  cases.push_back({"format 2 on an unknown chunk stream", {0x83, 0, 0, 0, 1, 2, 3, 4}});
  cases.push_back({"format 3 on an unknown chunk stream", {0xC3, 1, 2, 3, 4}});
  {
    Bytes restart = {0x03, 0, 0, 0, 0, 1, 0, 20, 0, 0, 0, 0};
    restart.insert(restart.end(), 128, 0x05);
    append(restart, {0x03, 0, 0, 0, 0, 0, 4, 20, 0, 0, 0, 0});
    cases.push_back({"format 0 while a message is assembled", restart});
  }
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReaderFixture f;
    f.feed.bytes = c.bytes;
    EXPECT_EQ(f.read_failure(), kFailureProtocol);
    EXPECT_LE(f.reader.chunk_stream_count(), kRtmpMaxChunkStreams);
    EXPECT_LT(f.reader.buffered_bytes(), 4096u);
  }
}

TEST(RtmpChunkTest, Accepts64ChunkStreams) {
  ReaderFixture f;
  for (uint32_t csid = 2; csid < 2 + 64; ++csid) append_empty_message(f.feed.bytes, csid);
  for (int i = 0; i < 64; ++i) f.read();
  EXPECT_EQ(f.reader.chunk_stream_count(), 64u);
  append(f.feed.bytes, {0x01, 0x00, 0x01, 0, 0, 0, 0, 0, 1, 20, 0, 0, 0, 0, 0x05});
  EXPECT_EQ(f.read_failure(), kFailureProtocol);
}

TEST(RtmpChunkTest, AppliesAndValidatesControlMessages) {
  struct Case {
    uint8_t type;
    Bytes payload;
    int failure;  // -1 = accepted
  };
  const Case cases[] = {
      {1, {0, 0, 0, 0}, kFailureProtocol},
      {1, {0, 0x10, 0, 1}, kFailureProtocol},
      {1, {0, 0x10, 0, 0}, -1},
      {1, {0, 0x10, 0}, kFailureProtocol},
      {2, {0, 0, 0}, kFailureProtocol},
      {4, {0}, kFailureProtocol},
      {4, {0, 6, 1, 2, 3}, kFailureProtocol},
      {4, {0, 6, 1, 2, 3, 4, 5}, kFailureProtocol},
      {4, {0, 0, 0, 0, 0, 1}, -1},
      {5, {0, 0, 1}, kFailureProtocol},
      {6, {0, 0, 0, 1}, kFailureProtocol},
      {17, {1, 0x05}, kFailureProtocol},
      {17, {}, kFailureProtocol},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.type));
    ReaderFixture f;
    int failure = -1;
    try {
      f.reader.decode_command({c.type, 0, c.payload}, f.sender());
    } catch (const Failure& e) {
      failure = e.code;
    }
    EXPECT_EQ(failure, c.failure);
  }

  ReaderFixture f;
  f.reader.decode_command({1, 0, {0, 0x10, 0, 0}}, f.sender());
  EXPECT_EQ(f.reader.in_chunk_size(), 1048576u);
  f.reader.decode_command({4, 0, {0, 6, 0xDE, 0xAD, 0xBE, 0xEF}}, f.sender());
  f.reader.decode_command({6, 0, {0, 0x4C, 0x4B, 0x40, 2}}, f.sender());
  f.reader.decode_command({5, 0, {0, 0, 0x10, 0}}, f.sender());
  EXPECT_EQ(f.reader.window_ack_size(), 4096u);
  const auto values = f.reader.decode_command({17, 0, {0, 0x02, 0, 1, 'x'}}, f.sender());
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].text, "x");
  EXPECT_TRUE(f.reader.decode_command({9, 1, {0x17, 1}}, f.sender()).empty());
  ASSERT_EQ(f.sent.size(), 2u);
  EXPECT_EQ(f.sent[0].type, 4);
  EXPECT_EQ(f.sent[0].payload, (Bytes{0, 7, 0xDE, 0xAD, 0xBE, 0xEF}));
  EXPECT_EQ(f.sent[1].type, 5);
  EXPECT_EQ(f.sent[1].payload, (Bytes{0, 0x4C, 0x4B, 0x40}));
}

TEST(RtmpChunkTest, AbortMessageDiscardsThePartlyAssembledMessage) {
  ReaderFixture f;
  append(f.feed.bytes, {0x07, 0, 0, 0, 0, 1, 0, 9, 1, 0, 0, 0});
  f.feed.bytes.insert(f.feed.bytes.end(), 128, 0x11);
  append(f.feed.bytes, {0x02, 0, 0, 0, 0, 0, 4, 2, 0, 0, 0, 0, 0, 0, 0, 7});
  const RtmpMessage abort = f.read();
  f.reader.decode_command(abort, f.sender());
  // Chunk stream 7 may start a new message with format 0 again.
  append(f.feed.bytes, {0x07, 0, 0, 0, 0, 0, 2, 9, 1, 0, 0, 0, 0x17, 0x01});
  EXPECT_EQ(f.read().payload, (Bytes{0x17, 0x01}));
}

TEST(RtmpChunkTest, AcknowledgesEveryWindowOfReceivedBytes) {
  ReaderFixture f;
  Bytes chunk_size;
  write_uint_be(chunk_size, 4096, 4);
  f.feed.bytes = chunked(1, 0, 0, chunk_size);
  f.reader.decode_command(f.read(), f.sender());
  const Bytes body = pattern(1000000);
  for (int i = 0; i < 3; ++i) {
    const Bytes wire = chunked(9, 1, 0, body);
    f.feed.bytes.insert(f.feed.bytes.end(), wire.begin(), wire.end());
  }
  for (int i = 0; i < 3; ++i) f.read();
  ASSERT_EQ(f.sent.size(), 1u);
  EXPECT_EQ(f.sent[0].type, 3);
  // 16 bytes of Set Chunk Size, then per message a 12-byte header, 1,000,000
  // payload bytes and 244 continuation headers. The window is used up by the
  // 122nd chunk of the third message: 2,000,528 + 4,108 + 121 x 4,097.
  EXPECT_EQ(f.sent[0].payload, (Bytes{0x00, 0x26, 0x27, 0x15}));  // 2,500,373
  EXPECT_EQ(f.reader.bytes_received(), 3'000'784u);
}

TEST(RtmpChunkTest, AcknowledgesExactlyWhenTheWindowIsReached) {
  // After Set Chunk Size 4096 and a window of 1000 bytes (16 bytes each on
  // the wire), video messages whose sizes put the count just short of or
  // exactly at each window. A single-chunk message is a 12-byte header and
  // its payload; a continuation header is one byte.
  struct Case {
    std::vector<size_t> payloads;
    std::vector<Bytes> acks;
  };
  const Case cases[] = {
      {{955}, {}},                                                   // 999 bytes
      {{956}, {{0x00, 0x00, 0x03, 0xE8}}},                           // 1000
      {{956, 987}, {{0x00, 0x00, 0x03, 0xE8}}},                      // 1000, 1999
      {{956, 988}, {{0x00, 0x00, 0x03, 0xE8}, {0x00, 0x00, 0x07, 0xD0}}},  // 1000, 2000
      // Counted per chunk: the first 4096-byte piece brings 4140.
      {{5000}, {{0x00, 0x00, 0x10, 0x2C}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.payloads));
    ReaderFixture f;
    Bytes chunk_size;
    write_uint_be(chunk_size, 4096, 4);
    Bytes window;
    write_uint_be(window, 1000, 4);
    f.feed.bytes = chunked(1, 0, 0, chunk_size);
    const Bytes window_message = chunked(5, 0, 0, window);
    f.feed.bytes.insert(f.feed.bytes.end(), window_message.begin(), window_message.end());
    f.reader.decode_command(f.read(), f.sender());
    f.reader.decode_command(f.read(), f.sender());
    ASSERT_EQ(f.reader.window_ack_size(), 1000u);
    ASSERT_EQ(f.reader.bytes_received(), 32u);
    for (size_t payload : c.payloads) {
      const Bytes wire = chunked(9, 1, 0, pattern(payload));
      f.feed.bytes.insert(f.feed.bytes.end(), wire.begin(), wire.end());
      f.read();
    }
    std::vector<Bytes> acks;
    for (const SentControl& sent : f.sent) {
      EXPECT_EQ(sent.type, 3);
      acks.push_back(sent.payload);
    }
    EXPECT_EQ(acks, c.acks);
  }
}

TEST(RtmpChunkTest, ChecksTheHandshake) {
  std::array<uint8_t, kHandshakeRandomSize> random{};
  for (size_t i = 0; i < random.size(); ++i) random[i] = static_cast<uint8_t>(i);
  const Bytes c1 = make_handshake_c1(random);
  ASSERT_EQ(c1.size(), 1536u);
  EXPECT_EQ(Bytes(c1.begin(), c1.begin() + 8), Bytes(8, 0));
  EXPECT_TRUE(std::equal(random.begin(), random.end(), c1.begin() + 8));

  EXPECT_NO_THROW(check_handshake_s0(3));
  EXPECT_THROW(check_handshake_s0(6), Failure);
  Bytes s2 = c1;
  s2[0] = 9;  // time and zero fields are not compared
  s2[5] = 9;
  EXPECT_NO_THROW(check_handshake_s2(s2, c1));
  s2[1535] ^= 1;
  EXPECT_THROW(check_handshake_s2(s2, c1), Failure);
}

}  // namespace
}  // namespace quorvel::windows
