// Still images of a monitor as 8-bit BGRA, for the region-selection overlay
// and the screenshot editor. A snapshot runs a private DesktopCapture,
// converts the first real frame on the GPU (rotation undone, HDR tone-mapped
// to SDR with the recording's curve) and reads it back.
//
// capture_desktop_snapshot blocks its caller (the UI thread) until a frame is
// converted or the time-out ends; the conversion runs on the capture thread.
#pragma once

#include <windows.h>
#include <d3d11.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/captured_frame_info.h"
#include "engine/desktop_capture.h"

namespace quorvel::windows {

// One still image. Empty: all numbers 0, no pixels, hdr_source false.
struct DesktopSnapshot {
  // After undoing the monitor's rotation.
  uint32_t width = 0;
  uint32_t height = 0;
  // Always width x 4: rows are tightly packed.
  uint32_t stride = 0;
  // height x stride bytes of B, G, R, A, top row first, alpha always 255.
  std::vector<uint8_t> pixels;
  // The desktop came as FP16 scRGB and was tone-mapped.
  bool hdr_source = false;
};

// The snapshot shader's constant buffer.
struct SnapshotConstants {
  float sourceSize[2];
  float sdrWhiteNits;
  float maxLuminanceNits;
  uint32_t rotation;
  uint32_t hdrInput;
  uint32_t padding[2];
};
static_assert(sizeof(SnapshotConstants) == 32);

// Converts one captured frame into `out`: S_OK with `out` filled; S_FALSE,
// with `out` untouched, when every texel of the frame is zero (the
// placeholder of a new duplication); E_INVALIDARG for a null pointer;
// DXGI_ERROR_UNSUPPORTED for an empty texture or a format other than BGRA8
// and FP16; otherwise the failing Direct3D call's result.
[[nodiscard]] HRESULT convert_snapshot_frame(ID3D11Device* device, ID3D11DeviceContext* context,
                               ID3D11Texture2D* source, const CapturedFrameInfo& info,
                               DesktopSnapshot& out);

// One still image of `monitor`. `before_capture`, when given, runs on the
// calling thread before anything is captured (the time-out starts after it).
// Results: S_OK with `snapshot` filled; E_INVALIDARG for a null monitor or a
// time-out of zero or less (before_capture is then not called); E_FAIL when
// the capture cannot start; E_UNEXPECTED for an inconsistent image; the
// conversion's failure; when no frame came in time, the capture's own failure
// or else HRESULT_FROM_WIN32(ERROR_TIMEOUT). `snapshot` is emptied at entry
// and holds data only on S_OK. `seams` replaces the capture's platform calls
// and the clock of the time-out in tests.
[[nodiscard]] HRESULT capture_desktop_snapshot(HMONITOR monitor, DesktopSnapshot& snapshot, int32_t timeout_ms,
                                 std::function<void()> before_capture,
                                 DesktopCaptureSeams seams = {});

}  // namespace quorvel::windows
