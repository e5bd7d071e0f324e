// Makes the identity "encoder" of the fake encoding writers compress as a
// real H.264 encoder does, for programs that record full-screen frames for
// seconds: it wraps another encoding writer and replaces each video sample
// by a small one in system memory (the frame's number and time, 32 bytes)
// with the same time, duration and attributes, before passing it on. The
// frame's pixels are never read back from the GPU and never reach the file.
// Audio samples pass untouched.
#pragma once

#include <cstdint>

#include "engine/sink_writer_factory.h"
#include "tests/fakes/engine/fake_video_sample_rewriter.h"

namespace quorvel::windows::test {

class FakeCompactVideoEncoder final : public FakeVideoSampleRewriter {
 public:
  static constexpr DWORD kPayloadBytes = 32;

  explicit FakeCompactVideoEncoder(Microsoft::WRL::ComPtr<IMFSinkWriter> inner);

  // Wraps every writer `inner` makes.
  static SinkWriterFactory::EncodingWriterFunction wrap(SinkWriterFactory::EncodingWriterFunction inner);

 private:
  // The small sample standing for video frame `number`.
  HRESULT rewrite(IMFSample* frame, uint64_t number,
                  Microsoft::WRL::ComPtr<IMFSample>& written) override;
};

}  // namespace quorvel::windows::test
