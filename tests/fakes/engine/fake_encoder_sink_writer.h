// Wraps the encoding sink writer of a test (normally a FakeSinkWriter) and
// records what the recording session hands the encoder: the creation
// attributes, each stream's output type, and each input type with its
// encoding parameters. Every call is passed on unchanged.
#pragma once

#include <mfidl.h>
#include <mfreadwrite.h>
#include <windows.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "engine/sink_writer_factory.h"
#include "tests/fakes/engine/fake_sink_writer.h"

namespace quorvel::windows::test {

struct FakeEncoderRecord {
  std::optional<UINT32> hardware_transforms;
  std::optional<UINT32> low_latency;
  std::optional<UINT32> disable_throttling;
  bool has_device_manager = false;
  std::vector<Microsoft::WRL::ComPtr<IMFMediaType>> output_types;
  std::vector<Microsoft::WRL::ComPtr<IMFMediaType>> input_types;
  // A copy of each input type's parameters; null when none were given.
  std::vector<Microsoft::WRL::ComPtr<IMFAttributes>> parameters;
  // The wrapped writers, for their own counters.
  std::vector<Microsoft::WRL::ComPtr<FakeSinkWriter>> writers;
  // The first buffer of each written sample, as the encoder would see it.
  struct WrittenBuffer {
    DWORD stream = 0;
    DWORD current_length = 0;
    DWORD max_length = 0;
  };
  std::vector<WrittenBuffer> written_buffers;
  // Asked before each WriteSample is passed on; a failure is answered
  // instead (an encoder that refuses a sample). `writer` is the position of
  // the writer in `writers`.
  std::function<HRESULT(size_t writer, DWORD stream)> write_result;
};

class FakeEncoderSinkWriter final : public FakeSinkWriterBase {
 public:
  FakeEncoderSinkWriter(Microsoft::WRL::ComPtr<IMFSinkWriter> inner,
                        std::shared_ptr<FakeEncoderRecord> record);

  STDMETHODIMP AddStream(IMFMediaType* type, DWORD* index) override;
  STDMETHODIMP SetInputMediaType(DWORD index, IMFMediaType* type, IMFAttributes* parameters) override;
  STDMETHODIMP BeginWriting() override;
  STDMETHODIMP WriteSample(DWORD index, IMFSample* sample) override;
  STDMETHODIMP Finalize() override;

  // An encoding-writer factory making FakeSinkWriters (holding back
  // `held_back` samples per stream) wrapped in recorders reporting to `record`.
  static SinkWriterFactory::EncodingWriterFunction factory(std::shared_ptr<FakeEncoderRecord> record,
                                                           size_t held_back = 0);

 private:
  const Microsoft::WRL::ComPtr<IMFSinkWriter> inner_;
  const std::shared_ptr<FakeEncoderRecord> record_;
  const size_t number_;
};

}  // namespace quorvel::windows::test
