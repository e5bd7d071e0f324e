// A scripted stand-in for IDXGIOutputDuplication, for the tests of the
// desktop capture and the snapshot (Wine cannot duplicate an output).
//
// A FakeDuplicationScript is shared by every duplication its opener makes:
// the opener answers with scripted results and, on success, creates a
// FakeOutputDuplication on the capture's own (real) D3D11 device. As a real
// duplication does, a new one delivers the current desktop image (when the
// test has set one) as its first frame at once, whatever the other
// duplications are doing. After that, each AcquireNextFrame takes the next
// scripted step: a frame (a fresh texture on that device filled with the
// step's pixels, with its frame information and pointer shape), a time-out
// or an error. With no step queued it waits up to the requested time-out for
// one and then reports DXGI_ERROR_WAIT_TIMEOUT.
// The script counts what the capture did and checks the frame protocol
// (no acquire while a frame is held, no release without a frame).
//
// Tests push steps from their own thread while the capture thread consumes
// them; every member is thread-safe.
#pragma once

#include <windows.h>
#include <d3d11.h>
#include <dxgi1_2.h>
#include <wrl/client.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "engine/desktop_capture.h"

namespace quorvel::windows {

struct FakeAcquireStep {
  // S_OK delivers a frame; anything else is returned by AcquireNextFrame.
  HRESULT result = S_OK;
  DXGI_OUTDUPL_FRAME_INFO frame_info{};
  // One texel repeated over the whole desktop (4 bytes for BGRA, 8 for FP16);
  // empty for an all-zero desktop. Ignored when `image` is given.
  std::vector<uint8_t> texel;
  // The whole desktop, rows tightly packed.
  std::vector<uint8_t> image;
  std::vector<uint8_t> pointer_shape;
  DXGI_OUTDUPL_POINTER_SHAPE_INFO pointer_shape_info{};
  HRESULT pointer_shape_result = S_OK;

  static FakeAcquireStep timeout();
  static FakeAcquireStep error(HRESULT result);
  // A frame with one present and no mouse update.
  static FakeAcquireStep frame(std::vector<uint8_t> texel = {});
  // Adds a mouse update at `position`.
  FakeAcquireStep& with_mouse(POINT position, bool visible);
  // Adds a new pointer shape (PointerShapeBufferSize = bytes).
  FakeAcquireStep& with_shape(std::vector<uint8_t> bytes, DXGI_OUTDUPL_POINTER_SHAPE_INFO info);
  FakeAcquireStep& with_accumulated_frames(UINT count);
};

class FakeDuplicationScript {
 public:
  // Every duplication the opener makes reports `mode` (until set_mode) from
  // GetDesc and delivers textures of its size and format.
  explicit FakeDuplicationScript(DXGI_OUTDUPL_DESC mode);
  // A BGRA or FP16 desktop of the given size.
  static DXGI_OUTDUPL_DESC mode(UINT width, UINT height, DXGI_FORMAT format);

  // The mode of the duplications opened from now on (a display mode change).
  void set_mode(DXGI_OUTDUPL_DESC mode);

  // Results of the next opens, in order; once used up every open returns
  // the default result (S_OK unless changed).
  void push_open_result(HRESULT result);
  void set_default_open_result(HRESULT result);

  void push(FakeAcquireStep step);
  // What the screen shows now: the first frame of every duplication opened
  // from now on (until set again). It is never queued, so no duplication
  // takes it from another.
  void set_desktop(FakeAcquireStep frame);

  // The seam to hand to DesktopCapture. The script must outlive the capture.
  DuplicationOpener opener();

  // Waits until every queued step was taken and the capture came back for
  // more, so all its work on those steps is done. False on time-out.
  bool wait_until_drained(std::chrono::milliseconds timeout);

  int open_calls() const;
  int acquire_calls() const;
  // The time-out the capture passed to its latest AcquireNextFrame.
  UINT last_acquire_timeout_ms() const;
  int frames_delivered() const;
  int frames_released() const;
  // AcquireNextFrame while a frame was held, or ReleaseFrame without one.
  int protocol_errors() const;
  // Duplications not yet released by the capture.
  int live_duplications() const;
  // The texture of the last frame handed out.
  ID3D11Texture2D* last_texture() const;
  // The device and output of the last open.
  ID3D11Device* last_device() const;
  IDXGIOutput* last_output() const;

 private:
  friend class FakeOutputDuplication;
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace quorvel::windows
