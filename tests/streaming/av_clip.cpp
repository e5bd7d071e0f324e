#include "tests/streaming/av_clip.h"

#include <mfapi.h>
#include <wrl/client.h>

#include <fstream>
#include <iterator>

#include "tests/support/test_support.h"

namespace quorvel::windows::test {
namespace {

using Microsoft::WRL::ComPtr;

bool start_media_foundation() {
  static const bool started = SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_LITE));
  return started;
}

std::shared_ptr<EncodedStreamFormat> make_format(const GUID& major, const GUID& subtype,
                                                 uint32_t rate, uint32_t channels) {
  ComPtr<IMFMediaType> type;
  if (!start_media_foundation() || FAILED(MFCreateMediaType(&type))) return nullptr;
  type->SetGUID(MF_MT_MAJOR_TYPE, major);
  type->SetGUID(MF_MT_SUBTYPE, subtype);
  if (rate != 0) {
    type->SetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, rate);
    type->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, channels);
  }
  std::shared_ptr<EncodedStreamFormat> format;
  if (FAILED(EncodedStreamFormat::create(type.Get(), format))) return nullptr;
  return format;
}

}  // namespace

uint32_t read_flv_be(const uint8_t* p, int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = (value << 8) | p[i];
  return value;
}

std::shared_ptr<EncodedStreamFormat> make_h264_format() {
  return make_format(MFMediaType_Video, MFVideoFormat_H264, 0, 0);
}

std::shared_ptr<EncodedStreamFormat> make_aac_format(uint32_t rate, uint32_t channels) {
  return make_format(MFMediaType_Audio, MFAudioFormat_AAC, rate, channels);
}

#ifdef QUORVEL_STREAMING_TEST_DATA
std::filesystem::path av_clip_path() {
  return quorvel::test::host_path(QUORVEL_STREAMING_TEST_DATA "/av_clip.flv");
}
#endif

std::vector<ClipPacket> load_av_clip(const std::filesystem::path& flv) {
  std::ifstream file(flv, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                   std::istreambuf_iterator<char>());
  std::vector<ClipPacket> packets;
  if (bytes.size() < 13 || bytes[0] != 'F' || bytes[1] != 'L' || bytes[2] != 'V') return packets;
  const auto video = make_h264_format();
  const auto audio = make_aac_format(48000, 2);
  if (!video || !audio) return packets;
  std::vector<uint8_t> parameter_sets;  // Annex-B SPS + PPS
  size_t pos = read_flv_be(&bytes[5], 4) + 4;
  while (pos + 11 <= bytes.size()) {
    const uint8_t type = bytes[pos] & 0x1F;
    const uint32_t size = read_flv_be(&bytes[pos + 1], 3);
    const uint32_t time = read_flv_be(&bytes[pos + 4], 3) | (uint32_t{bytes[pos + 7]} << 24);
    const size_t body_at = pos + 11;
    pos = body_at + size + 4;
    if (pos > bytes.size()) break;
    const uint8_t* body = &bytes[body_at];
    if (type == 9 && size >= 5 && body[1] == 0) {  // AVCDecoderConfigurationRecord
      const uint8_t* p = body + 5 + 5;
      const uint32_t sps_count = *p++ & 0x1F;
      parameter_sets.clear();
      for (uint32_t i = 0; i < sps_count; ++i) {
        const uint32_t length = read_flv_be(p, 2);
        parameter_sets.insert(parameter_sets.end(), {0, 0, 0, 1});
        parameter_sets.insert(parameter_sets.end(), p + 2, p + 2 + length);
        p += 2 + length;
      }
      const uint32_t pps_count = *p++;
      for (uint32_t i = 0; i < pps_count; ++i) {
        const uint32_t length = read_flv_be(p, 2);
        parameter_sets.insert(parameter_sets.end(), {0, 0, 0, 1});
        parameter_sets.insert(parameter_sets.end(), p + 2, p + 2 + length);
        p += 2 + length;
      }
    } else if (type == 9 && size > 5 && body[1] == 1) {
      const bool key = (body[0] >> 4) == 1;
      int32_t composition = static_cast<int32_t>(read_flv_be(body + 2, 3));
      if (composition & 0x800000) composition -= 0x1000000;
      auto packet = std::make_shared<EncodedPacket>();
      packet->format = video;
      if (key) packet->data = parameter_sets;
      for (uint32_t at = 5; at + 4 <= size;) {
        const uint32_t length = read_flv_be(body + at, 4);
        packet->data.insert(packet->data.end(), {0, 0, 0, 1});
        packet->data.insert(packet->data.end(), body + at + 4, body + at + 4 + length);
        at += 4 + length;
      }
      packet->decode_time = int64_t{time} * 10'000;
      packet->sample_time = (int64_t{time} + composition) * 10'000;
      packet->keyframe = key;
      packets.push_back({std::move(packet), time, composition});
    } else if (type == 8 && size > 2 && body[1] == 1) {
      auto packet = std::make_shared<EncodedPacket>();
      packet->stream_index = 1;
      packet->format = audio;
      packet->data.assign(body + 2, body + size);
      packet->sample_time = int64_t{time} * 10'000;
      packet->keyframe = true;
      packets.push_back({std::move(packet), time, 0});
    }
  }
  return packets;
}

}  // namespace quorvel::windows::test
