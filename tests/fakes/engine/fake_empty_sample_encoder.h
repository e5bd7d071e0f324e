// Makes the identity "encoder" of the fake encoding writers behave like the
// hardware H.264 encoders that put out a sample of 0 bytes at a format
// change or a drain: it wraps another encoding writer and, before the
// `before`-th video sample of each video stream (counted from 0), passes on
// an extra sample whose one buffer holds no bytes, with that sample's time
// and no duration. Every real sample passes unchanged; audio is untouched.
#pragma once

#include <cstdint>

#include "engine/sink_writer_factory.h"
#include "tests/fakes/engine/fake_video_sample_rewriter.h"

namespace quorvel::windows::test {

class FakeEmptySampleEncoder final : public FakeVideoSampleRewriter {
 public:
  FakeEmptySampleEncoder(Microsoft::WRL::ComPtr<IMFSinkWriter> inner, uint64_t before);

  // Wraps every writer `inner` makes.
  static SinkWriterFactory::EncodingWriterFunction wrap(SinkWriterFactory::EncodingWriterFunction inner,
                                                        uint64_t before);

 private:
  HRESULT emit_before(IMFSample* sample, uint64_t number,
                      Microsoft::WRL::ComPtr<IMFSample>& extra) override;
  HRESULT rewrite(IMFSample* sample, uint64_t number,
                  Microsoft::WRL::ComPtr<IMFSample>& written) override;

  const uint64_t before_;
};

}  // namespace quorvel::windows::test
