// Makes the identity "encoder" of the fake encoding writers behave like an
// H.264 encoder where key frames matter: it wraps another encoding writer
// and flags every `interval`-th sample of each video stream (the first one
// included) as a clean point, the others explicitly not, before passing it
// on. Audio samples pass untouched (every AAC frame stands alone anyway).
#pragma once

#include <windows.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <cstdint>
#include <map>
#include <mutex>

#include "engine/sink_writer_factory.h"
#include "tests/fakes/engine/fake_sink_writer.h"

namespace quorvel::windows::test {

class FakeKeyFrameEncoder final : public FakeSinkWriterBase {
 public:
  FakeKeyFrameEncoder(Microsoft::WRL::ComPtr<IMFSinkWriter> inner, uint64_t interval);

  STDMETHODIMP AddStream(IMFMediaType* type, DWORD* index) override;
  STDMETHODIMP SetInputMediaType(DWORD index, IMFMediaType* type, IMFAttributes* parameters) override;
  STDMETHODIMP BeginWriting() override;
  STDMETHODIMP WriteSample(DWORD index, IMFSample* sample) override;
  STDMETHODIMP Finalize() override;

  // Wraps every writer `inner` makes.
  static SinkWriterFactory::EncodingWriterFunction wrap(SinkWriterFactory::EncodingWriterFunction inner,
                                                        uint64_t interval);

 private:
  const Microsoft::WRL::ComPtr<IMFSinkWriter> inner_;
  const uint64_t interval_;
  std::mutex mutex_;
  // Samples written so far per video stream.
  std::map<DWORD, uint64_t> video_samples_;
};

}  // namespace quorvel::windows::test
