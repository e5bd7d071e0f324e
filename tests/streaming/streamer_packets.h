// Encoded packets for the streamer's tests, shaped like the encoders' output
// so that the FLV packaging accepts them: Annex-B H.264 with SPS and PPS
// before each IDR slice, raw AAC frames. Every packet's data ends with a
// marker byte, so a test can tell from a sent FLV body which packet (or
// which cover packet) it carried.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/encoded_packet.h"
#include "tests/streaming/av_clip.h"

namespace quorvel::windows::test {

class StreamerPackets {
 public:
  static constexpr uint8_t kCoverVideoMarker = 0xCC;
  static constexpr uint8_t kCoverAudioMarker = 0xCA;
  static constexpr int64_t kFrameDuration = 333'333;  // 30 frames/s, 100-ns units
  static constexpr int64_t kAudioDuration = 213'333;  // 1024 samples at 48 kHz

  bool ready() const { return video_format_ && audio_format_; }

  // A video access unit at `ms` milliseconds; key frames carry SPS, PPS and
  // an IDR slice, others one non-IDR slice.
  std::shared_ptr<const EncodedPacket> video(int64_t ms, bool key, uint8_t marker,
                                             size_t filler = 16) const {
    auto packet = std::make_shared<EncodedPacket>();
    packet->format = video_format_;
    std::vector<uint8_t>& d = packet->data;
    if (key) {
      d = {0, 0, 0, 1, 0x67, 0x42, 0x00, 0x1F, 0xDA, 0, 0, 0, 1, 0x68, 0xCE, 0x38, 0x80,
           0, 0, 0, 1, 0x65};
    } else {
      d = {0, 0, 0, 1, 0x41};
    }
    d.insert(d.end(), filler, 0x55);
    d.push_back(marker);
    packet->sample_time = ms * 10'000;
    packet->duration = kFrameDuration;
    packet->keyframe = key;
    return packet;
  }

  // One AAC frame at `ms` milliseconds.
  std::shared_ptr<const EncodedPacket> audio(int64_t ms, uint8_t marker) const {
    auto packet = std::make_shared<EncodedPacket>();
    packet->format = audio_format_;
    packet->data = {0x21, 0x10, 0x04, marker};
    packet->sample_time = ms * 10'000;
    packet->duration = kAudioDuration;
    packet->keyframe = true;
    return packet;
  }

  // A video packet of exactly `size` bytes that never reaches packaging in
  // the tests that use it (they fill the queue behind a held connection).
  std::shared_ptr<const EncodedPacket> blob(size_t size) const {
    auto packet = std::make_shared<EncodedPacket>();
    packet->format = video_format_;
    packet->data.assign(size, 0x77);
    return packet;
  }

  std::shared_ptr<const EncodedPacket> cover_video() const {
    return video(0, true, kCoverVideoMarker, 4);
  }
  std::shared_ptr<const EncodedPacket> cover_audio() const {
    return audio(0, kCoverAudioMarker);
  }

 private:
  std::shared_ptr<EncodedStreamFormat> video_format_ = make_h264_format();
  std::shared_ptr<EncodedStreamFormat> audio_format_ = make_aac_format(48000, 2);
};

}  // namespace quorvel::windows::test
