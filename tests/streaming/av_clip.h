// The committed media fixture of the streaming tests: a short H.264 (with
// B-frames, a key frame every 2 s) + AAC 48 kHz stereo clip in an FLV file,
// turned into the engine's packets the way the encoders deliver them:
// Annex-B access units with SPS and PPS in-band before each key frame, raw
// AAC frames, and 100-ns times.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "engine/encoded_packet.h"

namespace quorvel::windows::test {

struct ClipPacket {
  std::shared_ptr<const EncodedPacket> packet;
  uint32_t dts_ms = 0;
  int32_t composition_ms = 0;
};

// The packets of `flv` in file order; empty for a file that cannot be read.
std::vector<ClipPacket> load_av_clip(const std::filesystem::path& flv);

// The fixture committed under tests/streaming/data.
std::filesystem::path av_clip_path();

// The big-endian value of `bytes` bytes at `p`, as FLV files store their
// sizes and times; read independently of the product's own helpers.
uint32_t read_flv_be(const uint8_t* p, int bytes);

// Formats like the platform encoders' output types: H.264 without a
// sequence-header blob, AAC with rate and channels but no user data.
std::shared_ptr<EncodedStreamFormat> make_h264_format();
std::shared_ptr<EncodedStreamFormat> make_aac_format(uint32_t rate, uint32_t channels);

}  // namespace quorvel::windows::test
