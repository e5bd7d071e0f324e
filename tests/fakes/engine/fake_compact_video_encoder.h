// Makes the identity "encoder" of the fake encoding writers compress as a
// real H.264 encoder does, for programs that record full-screen frames for
// seconds: it wraps another encoding writer and replaces each video sample
// by a small one in system memory (the frame's number and time, 32 bytes)
// with the same time, duration and attributes, before passing it on. The
// frame's pixels are never read back from the GPU and never reach the file.
// Audio samples pass untouched.
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

class FakeCompactVideoEncoder final : public FakeSinkWriterBase {
 public:
  static constexpr DWORD kPayloadBytes = 32;

  explicit FakeCompactVideoEncoder(Microsoft::WRL::ComPtr<IMFSinkWriter> inner);

  STDMETHODIMP AddStream(IMFMediaType* type, DWORD* index) override;
  STDMETHODIMP SetInputMediaType(DWORD index, IMFMediaType* type, IMFAttributes* parameters) override;
  STDMETHODIMP BeginWriting() override;
  STDMETHODIMP WriteSample(DWORD index, IMFSample* sample) override;
  STDMETHODIMP Finalize() override;

  // Wraps every writer `inner` makes.
  static SinkWriterFactory::EncodingWriterFunction wrap(SinkWriterFactory::EncodingWriterFunction inner);

 private:
  // The small sample standing for video frame `number`.
  static HRESULT compact_sample(IMFSample* frame, uint64_t number, IMFSample** compact);

  const Microsoft::WRL::ComPtr<IMFSinkWriter> inner_;
  std::mutex mutex_;
  // Samples written so far per video stream.
  std::map<DWORD, uint64_t> video_samples_;
};

}  // namespace quorvel::windows::test
