// Fake Media Foundation sink writers for the tests of the packet recording
// writer and anything built on it. Wine's sink writer refuses
// SetInputMediaType and Finalize and Wine has no MP4 file writer, so tests
// substitute these at the SinkWriterFactory seam.
//
// FakeSinkWriter stands in for the encoding writer on a PacketSink: it adds
// a stream sink per AddStream, starts the sink's clock state at
// BeginWriting, and passes samples unchanged (the "encoder" is the identity)
// to the stream sink's ProcessSample whenever the stream has asked for one,
// as the platform's writer does. It can hold samples back like an encoder's
// delay; Finalize drains them.
//
// FakeFileSinkWriter stands in for the MP4 file writer: it records every
// AddStream and SetInputMediaType type and every sample's timing and
// attributes, and appends each sample's bytes to the file at its path so
// file names can be checked on disk.
#pragma once

#include <windows.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/sink_writer_factory.h"
#include "engine/unique_handle.h"

namespace quorvel::windows::test {

// IUnknown and the IMFSinkWriter methods nobody uses, shared by both fakes.
class FakeSinkWriterBase : public IMFSinkWriter {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP SendStreamTick(DWORD, LONGLONG) override { return E_NOTIMPL; }
  STDMETHODIMP PlaceMarker(DWORD, void*) override { return E_NOTIMPL; }
  STDMETHODIMP NotifyEndOfSegment(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP Flush(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetServiceForStream(DWORD, REFGUID, REFIID, void**) override { return E_NOTIMPL; }
  STDMETHODIMP GetStatistics(DWORD, MF_SINK_WRITER_STATISTICS*) override { return E_NOTIMPL; }

 protected:
  virtual ~FakeSinkWriterBase() = default;

 private:
  std::atomic<ULONG> references_{1};
};

class FakeSinkWriter final : public FakeSinkWriterBase {
 public:
  // `held_back`: how many samples per stream stay "inside the encoder"
  // until Finalize.
  explicit FakeSinkWriter(IMFMediaSink* sink, size_t held_back = 0);

  STDMETHODIMP AddStream(IMFMediaType* type, DWORD* index) override;
  STDMETHODIMP SetInputMediaType(DWORD index, IMFMediaType* type, IMFAttributes* parameters) override;
  STDMETHODIMP BeginWriting() override;
  STDMETHODIMP WriteSample(DWORD index, IMFSample* sample) override;
  STDMETHODIMP Finalize() override;

  int finalize_calls() const { return finalize_calls_; }
  // The next Finalize first runs `hook` on the calling thread, once: a test
  // looks at the program while it waits for its encoder to finish.
  void set_finalize_hook(std::function<void()> hook);
  // Finalize drains as usual, then answers `result` (an encoder that fails
  // while draining).
  void set_finalize_result(HRESULT result);
  size_t input_types_set() const;
  // Samples that reached the stream sinks' ProcessSample.
  size_t delivered_samples() const;
  // Samples written but not (yet) delivered.
  size_t pending_samples() const;

  // A SinkWriterFactory whose encoding writer is a new FakeSinkWriter; each
  // one made is stored in `made` (which must outlive the factory's use).
  static SinkWriterFactory::EncodingWriterFunction factory(
      std::vector<Microsoft::WRL::ComPtr<FakeSinkWriter>>* made, size_t held_back = 0);

 private:
  struct Stream {
    Microsoft::WRL::ComPtr<IMFStreamSink> sink;
    std::deque<Microsoft::WRL::ComPtr<IMFSample>> pending;
    size_t requests = 0;
  };

  // Counts the sample requests the stream queued since we last looked.
  void collect_requests_locked(Stream& stream);
  // Delivers pending samples while the stream has outstanding requests and
  // more than `keep` samples wait. The caller holds the lock.
  HRESULT deliver_locked(Stream& stream, size_t keep);

  mutable std::mutex mutex_;
  Microsoft::WRL::ComPtr<IMFMediaSink> sink_;
  const size_t held_back_;
  std::vector<Stream> streams_;
  size_t input_types_ = 0;
  size_t delivered_ = 0;
  HRESULT failure_ = S_OK;
  HRESULT finalize_result_ = S_OK;
  std::function<void()> finalize_hook_;
  bool writing_ = false;
  int finalize_calls_ = 0;
};

// One sample as the file writer received it.
struct FakeFileSample {
  DWORD stream = 0;
  LONGLONG time = 0;
  LONGLONG duration = 0;
  std::optional<UINT64> decode_time;
  std::optional<UINT32> clean_point;
  std::optional<UINT32> discontinuity;
  std::vector<uint8_t> bytes;
};

class FakeFileSinkWriter final : public FakeSinkWriterBase {
 public:
  // Called for each sample before it is recorded, outside the fake's lock;
  // a failure is returned from WriteSample and the sample is not recorded.
  using WriteHook = std::function<HRESULT(const FakeFileSample&)>;

  // `record_samples` false writes the bytes to the file without keeping a
  // record of them, for a program that records for seconds.
  FakeFileSinkWriter(std::wstring path, IMFAttributes* attributes, WriteHook hook,
                     bool record_samples = true);

  STDMETHODIMP AddStream(IMFMediaType* type, DWORD* index) override;
  STDMETHODIMP SetInputMediaType(DWORD index, IMFMediaType* type, IMFAttributes* parameters) override;
  STDMETHODIMP BeginWriting() override;
  STDMETHODIMP WriteSample(DWORD index, IMFSample* sample) override;
  STDMETHODIMP Finalize() override;

  const std::wstring& path() const { return path_; }
  // The creation attributes the writer cares about (absent when not set).
  std::optional<UINT32> disable_converters() const { return disable_converters_; }
  std::optional<UINT32> disable_throttling() const { return disable_throttling_; }

  std::vector<Microsoft::WRL::ComPtr<IMFMediaType>> added_types() const;
  std::vector<Microsoft::WRL::ComPtr<IMFMediaType>> input_types() const;
  std::vector<FakeFileSample> samples() const;
  bool began_writing() const;
  int finalize_calls() const;

 private:
  const std::wstring path_;
  std::optional<UINT32> disable_converters_;
  std::optional<UINT32> disable_throttling_;
  const WriteHook hook_;
  const bool record_samples_;

  mutable std::mutex mutex_;
  UniqueFile file_;
  std::vector<Microsoft::WRL::ComPtr<IMFMediaType>> added_types_;
  std::vector<Microsoft::WRL::ComPtr<IMFMediaType>> input_types_;
  std::vector<FakeFileSample> samples_;
  bool began_writing_ = false;
  int finalize_calls_ = 0;
};

// Makes FakeFileSinkWriters for the file side of a SinkWriterFactory and
// keeps every one it made.
class FakeFileWriterFactory {
 public:
  // Each writer made calls `hook` for every sample; `create_result` (when
  // a failure) is returned instead of making a writer.
  explicit FakeFileWriterFactory(FakeFileSinkWriter::WriteHook hook = {}, HRESULT create_result = S_OK);

  SinkWriterFactory::FileWriterFunction function();
  // Whether the writers made from now on keep a record of each sample
  // (they do unless told otherwise).
  void set_record_samples(bool record);

  std::vector<Microsoft::WRL::ComPtr<FakeFileSinkWriter>> made() const;
  int create_calls() const;

 private:
  FakeFileSinkWriter::WriteHook hook_;
  HRESULT create_result_;
  bool record_samples_ = true;
  mutable std::mutex mutex_;
  std::vector<Microsoft::WRL::ComPtr<FakeFileSinkWriter>> made_;
  int create_calls_ = 0;
};

}  // namespace quorvel::windows::test
