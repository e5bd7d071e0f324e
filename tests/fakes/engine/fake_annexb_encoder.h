// A stand-in for the H.264 encoder's output format: wraps an encoding sink
// writer (the identity FakeSinkWriter) and replaces each video sample's
// bytes with a tiny Annex-B access unit before passing it on: SPS, PPS and
// an IDR slice for a sample flagged as a clean point, one non-IDR slice
// otherwise. Audio passes unchanged. With it the live stream's FLV packaging
// sees H.264 it can carry, so packets reach a server. Place it inside the
// wrapper that flags the key frames (FakeKeyFrameEncoder).
#pragma once

#include <windows.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <cstdint>
#include <mutex>
#include <set>
#include <vector>

#include "engine/sink_writer_factory.h"
#include "tests/fakes/engine/fake_sink_writer.h"

namespace quorvel::windows::test {

class FakeAnnexBEncoder final : public FakeSinkWriterBase {
 public:
  explicit FakeAnnexBEncoder(Microsoft::WRL::ComPtr<IMFSinkWriter> inner);

  STDMETHODIMP AddStream(IMFMediaType* type, DWORD* index) override;
  STDMETHODIMP SetInputMediaType(DWORD index, IMFMediaType* type, IMFAttributes* parameters) override;
  STDMETHODIMP BeginWriting() override;
  STDMETHODIMP WriteSample(DWORD index, IMFSample* sample) override;
  STDMETHODIMP Finalize() override;

  // Wraps every writer `inner` makes.
  static SinkWriterFactory::EncodingWriterFunction wrap(SinkWriterFactory::EncodingWriterFunction inner);

  // The access units written for a key frame and for any other frame.
  static std::vector<uint8_t> key_frame_unit();
  static std::vector<uint8_t> delta_frame_unit();

 private:
  const Microsoft::WRL::ComPtr<IMFSinkWriter> inner_;
  std::mutex mutex_;
  std::set<DWORD> video_streams_;
};

}  // namespace quorvel::windows::test
