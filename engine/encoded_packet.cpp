#include "engine/encoded_packet.h"

#include <mfapi.h>
#include <mferror.h>

#include <utility>

#include "engine/engine_errors.h"
#include "engine/media_foundation_library.h"

namespace quorvel::windows {

using Microsoft::WRL::ComPtr;

EncodedStreamFormat::EncodedStreamFormat(uint32_t kind, ComPtr<IMFMediaType> media_type)
    : kind(kind), media_type_(std::move(media_type)) {}

HRESULT EncodedStreamFormat::create(IMFMediaType* type, std::shared_ptr<EncodedStreamFormat>& out) {
  if (!type) return E_POINTER;
  GUID major{};
  GUID subtype{};
  HRESULT hr = type->GetGUID(MF_MT_MAJOR_TYPE, &major);
  if (FAILED(hr)) return hr;
  hr = type->GetGUID(MF_MT_SUBTYPE, &subtype);
  if (FAILED(hr)) return hr;

  const bool h264 = major == MFMediaType_Video && subtype == MFVideoFormat_H264;
  const bool aac = major == MFMediaType_Audio && subtype == MFAudioFormat_AAC;
  if (!h264 && !aac) return kErrorInvalidMediaType;

  ComPtr<IMFMediaType> copy;
  hr = media_foundation().create_media_type(&copy);
  if (FAILED(hr)) return hr;
  hr = type->CopyAllItems(copy.Get());
  if (FAILED(hr)) return hr;

  out.reset(new EncodedStreamFormat(h264 ? kH264Video : kAacAudio, std::move(copy)));
  return S_OK;
}

HRESULT EncodedStreamFormat::copy_media_type(IMFMediaType** out) const {
  if (!out) return E_POINTER;
  *out = nullptr;
  ComPtr<IMFMediaType> copy;
  HRESULT hr = media_foundation().create_media_type(&copy);
  if (FAILED(hr)) return hr;
  hr = media_type_->CopyAllItems(copy.Get());
  if (FAILED(hr)) return hr;
  *out = copy.Detach();
  return S_OK;
}

}  // namespace quorvel::windows
