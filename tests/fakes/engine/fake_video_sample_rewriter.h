// The shape the encoder stand-ins share: an encoding writer wrapped around
// another one (the identity FakeSinkWriter) that passes every call on and
// hands each video sample, numbered within its stream from 0, to `rewrite`
// first (and, where a stand-in wants, a sample of its own before it). Audio
// samples pass untouched.
#pragma once

#include <windows.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>

#include "engine/sink_writer_factory.h"
#include "tests/fakes/engine/fake_sink_writer.h"

namespace quorvel::windows::test {

class FakeVideoSampleRewriter : public FakeSinkWriterBase {
 public:
  STDMETHODIMP AddStream(IMFMediaType* type, DWORD* index) override;
  STDMETHODIMP SetInputMediaType(DWORD index, IMFMediaType* type, IMFAttributes* parameters) override;
  STDMETHODIMP BeginWriting() override;
  STDMETHODIMP WriteSample(DWORD index, IMFSample* sample) override;
  STDMETHODIMP Finalize() override;

 protected:
  explicit FakeVideoSampleRewriter(Microsoft::WRL::ComPtr<IMFSinkWriter> inner);

  // What goes on for video sample `number` of its stream: `sample` itself
  // (changed or not) or a sample made from it.
  virtual HRESULT rewrite(IMFSample* sample, uint64_t number,
                          Microsoft::WRL::ComPtr<IMFSample>& written) = 0;

  // A sample of the encoder's own to pass on before video sample `number`
  // (left null: none), as hardware encoders emit at a format change or a
  // drain.
  virtual HRESULT emit_before(IMFSample* sample, uint64_t number,
                              Microsoft::WRL::ComPtr<IMFSample>& extra);

  // A new sample holding `size` bytes, with the time, duration and
  // attributes of `source`.
  static HRESULT sample_with_bytes(IMFSample* source, const void* bytes, DWORD size,
                                   Microsoft::WRL::ComPtr<IMFSample>& made);

  // Wraps every writer `inner` makes in the writer `make(inner writer)`
  // returns (a new object holding one reference).
  template <typename Make>
  static SinkWriterFactory::EncodingWriterFunction wrap_each(
      SinkWriterFactory::EncodingWriterFunction inner, Make make) {
    return [inner = std::move(inner), make = std::move(make)](
               IMFMediaSink* sink, IMFAttributes* attributes, IMFSinkWriter** out) -> HRESULT {
      if (!out) return E_POINTER;
      *out = nullptr;
      Microsoft::WRL::ComPtr<IMFSinkWriter> wrapped;
      const HRESULT hr = inner(sink, attributes, &wrapped);
      if (FAILED(hr)) return hr;
      *out = make(std::move(wrapped));
      return S_OK;
    };
  }

 private:
  const Microsoft::WRL::ComPtr<IMFSinkWriter> inner_;
  std::mutex mutex_;
  // Video samples written so far per video stream.
  std::map<DWORD, uint64_t> video_samples_;
};

}  // namespace quorvel::windows::test
