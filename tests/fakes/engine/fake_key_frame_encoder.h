// Makes the identity "encoder" of the fake encoding writers behave like an
// H.264 encoder where key frames matter: it wraps another encoding writer
// and flags every `interval`-th sample of each video stream (the first one
// included) as a clean point, the others explicitly not, before passing it
// on. Audio samples pass untouched (every AAC frame stands alone anyway).
#pragma once

#include <cstdint>

#include "engine/sink_writer_factory.h"
#include "tests/fakes/engine/fake_video_sample_rewriter.h"

namespace quorvel::windows::test {

class FakeKeyFrameEncoder final : public FakeVideoSampleRewriter {
 public:
  FakeKeyFrameEncoder(Microsoft::WRL::ComPtr<IMFSinkWriter> inner, uint64_t interval);

  // Wraps every writer `inner` makes.
  static SinkWriterFactory::EncodingWriterFunction wrap(SinkWriterFactory::EncodingWriterFunction inner,
                                                        uint64_t interval);

 private:
  HRESULT rewrite(IMFSample* sample, uint64_t number,
                  Microsoft::WRL::ComPtr<IMFSample>& written) override;

  const uint64_t interval_;
};

}  // namespace quorvel::windows::test
