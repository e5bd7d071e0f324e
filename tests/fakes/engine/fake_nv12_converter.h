// Stands in for the video processor and the NV12 sample pool, which Wine
// lacks (no D3D11 video device; its allocator refuses NV12 surfaces).
//
// The pool hands out samples holding one DXGI surface buffer over a
// B8G8R8A8 texture of the output size, at most `maximum` at a time, as the
// platform's allocator does: a sample is free again once nobody but the pool
// holds it. convert() records what it was asked to do, keeps a GPU copy of
// the source frame for read-back, and copies the source rectangle into the
// sample's surface when the sizes match (no scaling, no colour conversion).
#pragma once

#include <d3d11.h>
#include <mfidl.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/nv12_converter.h"

namespace quorvel::windows::test {

struct FakeConversion {
  RECT source_rect{};
  uint64_t frame_number = 0;
  D3D11_TEXTURE2D_DESC source_desc{};
  // A copy of the whole source frame as it was at the conversion.
  Microsoft::WRL::ComPtr<ID3D11Texture2D> source_copy;
  Microsoft::WRL::ComPtr<ID3D11Texture2D> target;
};

// What the fake saw; shared with the test, which keeps it after the session
// (and the converter) are gone.
struct FakeNv12Record {
  HRESULT open_result = S_OK;  // returned by open() when a failure
  // Whether each conversion keeps a copy of its source frame. A program that
  // records for seconds turns it off: a copy per frame would pile up.
  bool keep_source_copies = true;
  // The array slice each sample's surface buffer points at (the pool's
  // textures get one slice more).
  uint32_t surface_subresource = 0;
  bool opened = false;
  Nv12ConverterSettings settings;
  uint32_t initial_samples = 0;
  uint32_t maximum_samples = 0;
  std::optional<UINT32> buffers_per_sample;
  std::optional<UINT32> d3d11_usage;
  std::optional<UINT32> d3d11_bind_flags;
  bool had_device_manager = false;
  Microsoft::WRL::ComPtr<IMFMediaType> sample_type;
  std::vector<FakeConversion> conversions;
  uint32_t samples_made = 0;
};

class FakeNv12Converter final : public Nv12Converter {
 public:
  explicit FakeNv12Converter(std::shared_ptr<FakeNv12Record> record);

  HRESULT open(ID3D11Device* device, ID3D11DeviceContext* context, const Nv12ConverterSettings& settings,
               uint32_t& stage) override;
  HRESULT create_allocator(IMFDXGIDeviceManager* manager, uint32_t initial, uint32_t maximum,
                           IMFAttributes* attributes, IMFMediaType* type, uint32_t& stage) override;
  HRESULT allocate_sample(IMFSample** sample) override;
  HRESULT convert(ID3D11Texture2D* source, const RECT& source_rect, ID3D11Texture2D* target,
                  uint64_t frame_number, uint32_t& stage) override;

  // A converter factory whose converters all report to `record`.
  static Nv12ConverterFactory factory(std::shared_ptr<FakeNv12Record> record);

 private:
  HRESULT make_sample(Microsoft::WRL::ComPtr<IMFSample>& sample);

  const std::shared_ptr<FakeNv12Record> record_;
  Microsoft::WRL::ComPtr<ID3D11Device> device_;
  Microsoft::WRL::ComPtr<ID3D11DeviceContext> context_;
  std::vector<Microsoft::WRL::ComPtr<IMFSample>> pool_;
  bool allocator_ready_ = false;
};

}  // namespace quorvel::windows::test
