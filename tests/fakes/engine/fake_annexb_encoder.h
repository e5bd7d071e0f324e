// A stand-in for the H.264 encoder's output format: wraps an encoding sink
// writer (the identity FakeSinkWriter) and replaces each video sample's
// bytes with a tiny Annex-B access unit before passing it on: SPS, PPS and
// an IDR slice for a sample flagged as a clean point, one non-IDR slice
// otherwise. Audio passes unchanged. With it the live stream's FLV packaging
// sees H.264 it can carry, so packets reach a server. Place it inside the
// wrapper that flags the key frames (FakeKeyFrameEncoder).
#pragma once

#include <cstdint>
#include <vector>

#include "engine/sink_writer_factory.h"
#include "tests/fakes/engine/fake_video_sample_rewriter.h"

namespace quorvel::windows::test {

class FakeAnnexBEncoder final : public FakeVideoSampleRewriter {
 public:
  explicit FakeAnnexBEncoder(Microsoft::WRL::ComPtr<IMFSinkWriter> inner);

  // Wraps every writer `inner` makes.
  static SinkWriterFactory::EncodingWriterFunction wrap(SinkWriterFactory::EncodingWriterFunction inner);

  // The access units written for a key frame and for any other frame.
  static std::vector<uint8_t> key_frame_unit();
  static std::vector<uint8_t> delta_frame_unit();

 private:
  HRESULT rewrite(IMFSample* sample, uint64_t number,
                  Microsoft::WRL::ComPtr<IMFSample>& written) override;
};

}  // namespace quorvel::windows::test
