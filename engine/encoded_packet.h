// Encoded media as it leaves the encoders: one H.264 access unit or one AAC
// frame with its timing and flags, and a shared description of its stream.
//
// Packets are made only by the packet media sink and are then shared
// read-only (through shared pointers to const) by the MP4 file queue and the
// live output; they are freed when the last holder lets go. Any thread may
// read a packet or its format.
#pragma once

#include <windows.h>
#include <mfidl.h>
#include <wrl/client.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quorvel::windows {

// The kind of an encoded stream with a private copy of the encoder's output
// media type. Never changed after creation; consumers compare formats by
// content, never by identity.
class EncodedStreamFormat {
 public:
  static constexpr uint32_t kH264Video = 0;
  static constexpr uint32_t kAacAudio = 1;

  // Accepts only (video, H.264) and (audio, AAC); anything else is
  // MF_E_INVALIDMEDIATYPE. On failure `out` is left as it was.
  [[nodiscard]] static HRESULT create(IMFMediaType* type, std::shared_ptr<EncodedStreamFormat>& out);

  // A fresh media type holding every attribute of the stored one; the caller
  // owns it. The stored type itself is never handed out.
  [[nodiscard]] HRESULT copy_media_type(IMFMediaType** out) const;

  const uint32_t kind;

 private:
  EncodedStreamFormat(uint32_t kind, Microsoft::WRL::ComPtr<IMFMediaType> media_type);

  Microsoft::WRL::ComPtr<IMFMediaType> media_type_;
};

// Largest packet the engine accepts: 64 MiB.
inline constexpr size_t kMaxEncodedPacketBytes = 0x4000000;

struct EncodedPacket {
  uint32_t stream_index = 0;
  std::shared_ptr<EncodedStreamFormat> format;
  std::vector<uint8_t> data;  // 1 to kMaxEncodedPacketBytes bytes
  int64_t sample_time = 0;    // 100-ns units
  std::optional<int64_t> decode_time;  // present only when the encoder set one
  int64_t duration = 0;       // 100-ns units
  bool keyframe = false;
  bool discontinuity = false;
};

// The engine's one packet hand-off. The receiver gets its own reference; a
// negative result means it failed.
using PacketCallback = std::function<HRESULT(std::shared_ptr<const EncodedPacket>)>;

}  // namespace quorvel::windows
