#include "streaming/flv_payload.h"

#include <mfapi.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include "tests/streaming/av_clip.h"

namespace quorvel::windows {
namespace {

using Bytes = std::vector<uint8_t>;
using Microsoft::WRL::ComPtr;

const Bytes kSps = {0x67, 0x4D, 0x40, 0x1E, 0xAB, 0xCD};
const Bytes kSps2 = {0x67, 0x64, 0x00, 0x28, 0x11};
const Bytes kPps = {0x68, 0xEE, 0x3C, 0x80};
const Bytes kIdr = {0x65, 0x88, 0x84, 0x00};
const Bytes kSlice = {0x41, 0x9A, 0x02};

Bytes annexb(std::initializer_list<Bytes> units) {
  Bytes out;
  for (const Bytes& unit : units) {
    out.insert(out.end(), {0, 0, 0, 1});
    out.insert(out.end(), unit.begin(), unit.end());
  }
  return out;
}

Bytes as_bytes(NalUnit unit) { return Bytes(unit.begin(), unit.end()); }

std::shared_ptr<EncodedPacket> video(Bytes data, int64_t dts_ms, int64_t pts_ms) {
  static const auto format = test::make_h264_format();
  auto packet = std::make_shared<EncodedPacket>();
  packet->format = format;
  packet->data = std::move(data);
  packet->decode_time = dts_ms * 10'000;
  packet->sample_time = pts_ms * 10'000;
  return packet;
}

std::shared_ptr<EncodedPacket> audio(int64_t ms) {
  static const auto format = test::make_aac_format(48000, 2);
  auto packet = std::make_shared<EncodedPacket>();
  packet->format = format;
  packet->data = {0x21, 0x10, 0x04};
  packet->sample_time = ms * 10'000;
  return packet;
}

TEST(FlvPayloadTest, SplitsMixedStartCodesAndDropsLeadingGarbage) {
  const Bytes data = {0xAA, 0xBB, 0, 0, 1, 0x67, 1, 2, 0, 0, 0, 1, 0x68, 3, 0, 0, 1, 0x65, 0, 0};
  const auto units = split_annexb_nal_units(data);
  ASSERT_EQ(units.size(), 3u);
  EXPECT_EQ(as_bytes(units[0]), (Bytes{0x67, 1, 2}));
  EXPECT_EQ(as_bytes(units[1]), (Bytes{0x68, 3}));
  EXPECT_EQ(as_bytes(units[2]), (Bytes{0x65, 0, 0}));
  EXPECT_TRUE(split_annexb_nal_units(Bytes{1, 2, 3, 0, 0, 2}).empty());
  // Back-to-back start codes yield no empty unit.
  EXPECT_EQ(split_annexb_nal_units(Bytes{0, 0, 1, 0, 0, 1, 0x41}).size(), 1u);
}

// The splitting rule as written: every position in turn, the 3-byte start
// code tested before the 4-byte one.
std::vector<std::pair<size_t, size_t>> split_byte_by_byte(const Bytes& data) {
  std::vector<std::pair<size_t, size_t>> units;
  const size_t n = data.size();
  bool begun = false;
  size_t begin = 0;
  size_t i = 0;
  while (i < n) {
    size_t code = 0;
    if (i + 2 < n && data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
      code = 3;
    } else if (i + 3 < n && data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 0 &&
               data[i + 3] == 1) {
      code = 4;
    }
    if (code == 0) {
      ++i;
      continue;
    }
    if (begun && i > begin) units.emplace_back(begin, i - begin);
    begun = true;
    begin = i + code;
    i = begin;
  }
  if (begun && n > begin) units.emplace_back(begin, n - begin);
  return units;
}

TEST(FlvPayloadTest, SplitsExactlyAsAByteByByteScan) {
  // Streams dense in zeros and ones put start codes, runs of zeros, ones
  // without zeros before them and codes at both ends side by side.
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  for (int round = 0; round < 3000; ++round) {
    Bytes data(next() % 48);
    for (uint8_t& byte : data) {
      const uint32_t pick = next() % 8;
      byte = pick < 4 ? 0 : pick < 6 ? 1 : static_cast<uint8_t>(2 + next() % 250);
    }
    std::vector<std::pair<size_t, size_t>> found;
    for (NalUnit unit : split_annexb_nal_units(data)) {
      found.emplace_back(static_cast<size_t>(unit.data() - data.data()), unit.size());
    }
    ASSERT_EQ(found, split_byte_by_byte(data)) << ::testing::PrintToString(data);
  }
}

TEST(FlvPayloadTest, BuildsAvcSequenceHeaderFromInBandParameterSets) {
  FlvState state;
  std::vector<FlvMessage> out;
  ASSERT_HRESULT_SUCCEEDED(
      make_flv_payload(state, *video(annexb({kSps, kPps, kIdr}), 0, 0), out));
  ASSERT_EQ(out.size(), 2u);
  const Bytes expected_header = {0x17, 0x00, 0x00, 0x00, 0x00,  // key, sequence header, cts 0
                                 0x01, 0x4D, 0x40, 0x1E,        // version, profile, compat, level
                                 0xFF, 0xE1,                    // 4-byte lengths, one SPS
                                 0x00, 0x06, 0x67, 0x4D, 0x40, 0x1E, 0xAB, 0xCD,
                                 0x01, 0x00, 0x04, 0x68, 0xEE, 0x3C, 0x80};
  EXPECT_EQ(out[0].message_type, 9);
  EXPECT_EQ(out[0].timestamp, 0u);
  EXPECT_EQ(out[0].body, expected_header);
  const Bytes expected_frame = {0x17, 0x01, 0x00, 0x00, 0x00,
                                0, 0, 0, 6, 0x67, 0x4D, 0x40, 0x1E, 0xAB, 0xCD,
                                0, 0, 0, 4, 0x68, 0xEE, 0x3C, 0x80,
                                0, 0, 0, 4, 0x65, 0x88, 0x84, 0x00};
  EXPECT_EQ(out[1].body, expected_frame);
  EXPECT_EQ(make_avc_sequence_header(kSps, kPps), expected_header);
}

TEST(FlvPayloadTest, BuildsAacSequenceHeaderFromTheConfiguration) {
  EXPECT_EQ(make_aac_config(48000, 2), (Bytes{0x11, 0x90}));
  EXPECT_EQ(make_aac_config(44100, 2), (Bytes{0x12, 0x10}));
  EXPECT_EQ(make_aac_config(7350, 1), (Bytes{0x16, 0x08}));
  EXPECT_FALSE(make_aac_config(47999, 2));
  EXPECT_FALSE(make_aac_config(48000, 3));
  EXPECT_FALSE(make_aac_config(48000, 0));

  FlvState state;
  std::vector<FlvMessage> out;
  ASSERT_HRESULT_SUCCEEDED(
      make_flv_payload(state, *video(annexb({kSps, kPps, kIdr}), 100, 100), out));
  ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *audio(123), out));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].message_type, 8);
  EXPECT_EQ(out[0].timestamp, 23u);
  EXPECT_EQ(out[0].body, (Bytes{0xAF, 0x00, 0x11, 0x90}));
  EXPECT_EQ(out[1].body, (Bytes{0xAF, 0x01, 0x21, 0x10, 0x04}));
  ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *audio(144), out));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].body[1], 0x01);
}

TEST(FlvPayloadTest, TakesAacConfigurationFromUserData) {
  ComPtr<IMFMediaType> type;
  ASSERT_HRESULT_SUCCEEDED(MFCreateMediaType(&type));
  type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio);
  type->SetGUID(MF_MT_SUBTYPE, MFAudioFormat_AAC);
  Bytes user_data(12, 0);
  user_data.insert(user_data.end(), {0x12, 0x10, 0x56, 0xE5});
  type->SetBlob(MF_MT_USER_DATA, user_data.data(), static_cast<UINT32>(user_data.size()));
  std::shared_ptr<EncodedStreamFormat> format;
  ASSERT_HRESULT_SUCCEEDED(EncodedStreamFormat::create(type.Get(), format));

  FlvState state;
  std::vector<FlvMessage> out;
  ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *video(annexb({kSps, kPps, kIdr}), 0, 0), out));
  EncodedPacket packet = *audio(0);
  packet.format = format;
  ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, packet, out));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].body, (Bytes{0xAF, 0x00, 0x12, 0x10, 0x56, 0xE5}));

  // Without user data the configuration needs a rate from the table.
  FlvState other;
  ASSERT_HRESULT_SUCCEEDED(make_flv_payload(other, *video(annexb({kSps, kPps, kIdr}), 0, 0), out));
  packet.format = test::make_aac_format(47000, 2);
  EXPECT_EQ(make_flv_payload(other, packet, out), E_INVALIDARG);
}

TEST(FlvPayloadTest, TakesParameterSetsFromTheMediaTypesSequenceHeader) {
  // An encoder may keep SPS and PPS in its output type and send key frames
  // without them; a blob over 64 KiB is not read.
  auto format_with = [](const Bytes& blob) {
    ComPtr<IMFMediaType> type;
    EXPECT_HRESULT_SUCCEEDED(MFCreateMediaType(&type));
    type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
    type->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_H264);
    type->SetBlob(MF_MT_MPEG_SEQUENCE_HEADER, blob.data(), static_cast<UINT32>(blob.size()));
    std::shared_ptr<EncodedStreamFormat> format;
    EXPECT_HRESULT_SUCCEEDED(EncodedStreamFormat::create(type.Get(), format));
    return format;
  };
  FlvState state;
  std::vector<FlvMessage> out;
  auto packet = video(annexb({kIdr}), 0, 0);
  packet->format = format_with(annexb({kSps, kPps}));
  ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *packet, out));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].body, make_avc_sequence_header(kSps, kPps));
  EXPECT_EQ(out[1].body, (Bytes{0x17, 1, 0, 0, 0, 0, 0, 0, 4, 0x65, 0x88, 0x84, 0x00}));

  Bytes oversized = annexb({kSps, kPps});
  oversized.resize(65537, 0x11);  // the tail lengthens the PPS unit
  FlvState other;
  packet->format = format_with(oversized);
  EXPECT_EQ(make_flv_payload(other, *packet, out), E_INVALIDARG);
  oversized.resize(65536);
  packet->format = format_with(oversized);
  EXPECT_HRESULT_SUCCEEDED(make_flv_payload(other, *packet, out));
}

TEST(FlvPayloadTest, StartsEachConnectionAtTheFirstKeyFrame) {
  FlvState state;
  std::vector<FlvMessage> out;
  ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *audio(0), out));
  EXPECT_TRUE(out.empty());
  ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *video(annexb({kSlice}), 10, 10), out));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(state.has_time_origin);
  ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *video(annexb({kSps, kPps, kIdr}), 500, 540), out));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].timestamp, 0u);
  EXPECT_EQ(out[1].timestamp, 0u);
  EXPECT_EQ(Bytes(out[1].body.begin(), out[1].body.begin() + 5), (Bytes{0x17, 1, 0, 0, 40}));
  // Older than the origin: dropped.
  ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *audio(499), out));
  EXPECT_TRUE(out.empty());
  // B-frame shown before its decode time: negative composition offset.
  ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *video(annexb({kSlice}), 533, 520), out));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].timestamp, 33u);
  EXPECT_EQ(Bytes(out[0].body.begin(), out[0].body.begin() + 5),
            (Bytes{0x27, 1, 0xFF, 0xFF, 0xF3}));
}

TEST(FlvPayloadTest, SendsANewSequenceHeaderWhenTheSpsChanges) {
  FlvState state;
  std::vector<FlvMessage> out;
  ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *video(annexb({kSps, kPps, kIdr}), 0, 0), out));
  ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *video(annexb({kSps, kPps, kIdr}), 2000, 2000), out));
  EXPECT_EQ(out.size(), 1u);
  ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *video(annexb({kSps2, kPps, kIdr}), 4000, 4000), out));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].body, make_avc_sequence_header(kSps2, kPps));
  EXPECT_EQ(out[0].timestamp, 4000u);
}

TEST(FlvPayloadTest, RefusesUnusablePackets) {
  std::vector<FlvMessage> out;
  struct Case {
    const char* name;
    std::shared_ptr<EncodedPacket> packet;
    bool prime;  // send a key frame at 0 first
  };
  auto no_format = video(annexb({kIdr}), 0, 0);
  no_format->format = nullptr;
  auto empty = video({}, 0, 0);
  auto no_sps = video(annexb({kPps, kIdr}), 0, 0);
  auto short_sps = video(annexb({Bytes{0x67, 1, 2}, kPps, kIdr}), 0, 0);
  auto no_start_code = video(Bytes{0x65, 1, 2}, 10, 10);
  auto too_late = video(annexb({kSlice}), 4'294'967'296, 4'294'967'296);
  auto offset = video(annexb({kSlice}), 10, 10 + 8'388'608);
  Bytes huge_unit(0x1000000, 0x41);
  auto huge = video(annexb({huge_unit}), 10, 10);
  const Case cases[] = {{"no format", no_format, false}, {"empty", empty, false},
                        {"no SPS", no_sps, false},       {"short SPS", short_sps, false},
                        {"no start code", no_start_code, true}, {"2^32 ms", too_late, true},
                        {"offset over 24 bits", offset, true},  {"NAL over 24 bits", huge, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FlvState state;
    if (c.prime) {
      ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *video(annexb({kSps, kPps, kIdr}), 0, 0), out));
    }
    EXPECT_EQ(make_flv_payload(state, *c.packet, out), E_INVALIDARG);
  }
  FlvState state;
  ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *video(annexb({kSps, kPps, kIdr}), 0, 0), out));
  auto last_ms = video(annexb({kSlice}), 4'294'967'295, 4'294'967'295);
  ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *last_ms, out));
  EXPECT_EQ(out[0].timestamp, 4'294'967'295u);
}

TEST(FlvPayloadTest, PackagesTheFixtureClipWithItsOwnTimes) {
  const auto clip = test::load_av_clip(test::av_clip_path());
  ASSERT_GT(clip.size(), 400u);
  FlvState state;
  std::vector<FlvMessage> out;
  size_t headers = 0;
  size_t frames = 0;
  for (const test::ClipPacket& p : clip) {
    ASSERT_HRESULT_SUCCEEDED(make_flv_payload(state, *p.packet, out));
    for (const FlvMessage& m : out) {
      const bool header = m.body[1] == 0x00;
      headers += header;
      if (header) continue;
      ++frames;
      EXPECT_EQ(m.timestamp, p.dts_ms);
      if (m.message_type == 9) {
        int32_t offset = static_cast<int32_t>((m.body[2] << 16) | (m.body[3] << 8) | m.body[4]);
        if (offset & 0x800000) offset -= 0x1000000;
        EXPECT_EQ(offset, p.composition_ms);
      }
    }
  }
  EXPECT_EQ(headers, 2u);
  EXPECT_EQ(frames, clip.size());
}

TEST(FlvPayloadTest, ReusingTheOutputGivesTheSameMessagesAsFreshOnes) {
  const auto clip = test::load_av_clip(test::av_clip_path());
  ASSERT_GT(clip.size(), 400u);
  FlvState reused_state;
  FlvState fresh_state;
  std::vector<FlvMessage> reused;
  for (const test::ClipPacket& p : clip) {
    std::vector<FlvMessage> fresh;
    ASSERT_HRESULT_SUCCEEDED(make_flv_payload(fresh_state, *p.packet, fresh));
    ASSERT_HRESULT_SUCCEEDED(make_flv_payload(reused_state, *p.packet, reused));
    ASSERT_EQ(reused.size(), fresh.size());
    for (size_t i = 0; i < fresh.size(); ++i) {
      EXPECT_EQ(reused[i].message_type, fresh[i].message_type);
      EXPECT_EQ(reused[i].timestamp, fresh[i].timestamp);
      ASSERT_EQ(reused[i].body, fresh[i].body);
    }
  }
}

}  // namespace
}  // namespace quorvel::windows
