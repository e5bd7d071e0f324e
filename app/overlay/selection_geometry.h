// The region overlay's geometry as functions of explicit inputs: fitting a
// selection to the encoder's rules, the first and the dragged selection, the
// hint banner and magnifier placement, the areas a selection change repaints,
// and the capture frame's hit codes and move/resize limits. Overlay client
// coordinates are monitor pixels with the monitor's top-left at (0, 0);
// rectangles exclude their right and bottom. Sizes in DIP are scaled with
// MulDiv(value, dpi, 96).
#pragma once

#include <windows.h>

#include <array>
#include <optional>

#include "engine/capture_camera.h"

namespace quorvel::windows {

// The smallest region, in pixels per side, that can be recorded.
inline constexpr int kMinimumRegionSide = 64;
// The magnifier shows this many source pixels per row and per column, the
// pointer's pixel at index 14.
inline constexpr int kLoupeCells = 29;
inline constexpr int kLoupeCentreCell = 14;

// `value` DIP at `dpi` in pixels.
int scale_dip(int value, UINT dpi);

// Clamps `region` into a monitor of `monitor` pixels (at least one pixel
// each way) and makes each side even by growing it by one pixel to the right
// (bottom), or to the left (top) when it touches the far edge. A side that
// spans the whole of an odd monitor dimension stays odd.
RECT fit_region(RECT region, SIZE monitor);

// What confirming a selection finds: acceptable, smaller than 64 x 64, or
// impossible to make even inside the monitor.
enum class RegionVerdict { accepted, too_small, odd_at_edge };

struct RegionCheck {
  RegionVerdict verdict = RegionVerdict::accepted;
  RECT fitted{};  // the region to record when accepted
};

RegionCheck check_region(RECT selection, SIZE monitor);

// The catalogue key of the banner message a refused region shows; null when
// the region is accepted.
const wchar_t* region_verdict_key(RegionVerdict verdict);

// The first selection of a region selection: the setup size centred on the
// pointer and kept inside the monitor, or the whole monitor when the setup
// size is below 64 either way or larger than the monitor.
RECT initial_selection(POINT pointer, SIZE setup, const CaptureBounds& monitor);

// The pointer of a mouse message: the signed 16-bit halves of `lparam`,
// clamped into the client area (0 when it is empty).
POINT overlay_point(LPARAM lparam, SIZE client);

// Half the system's drag distance, at least 2 pixels.
int drag_threshold(int drag_metric);

// True when `pointer` is at least the threshold away from `anchor` on either
// axis; `drag_metrics` are SM_CXDRAG and SM_CYDRAG.
bool drag_threshold_passed(POINT anchor, POINT pointer, SIZE drag_metrics);

// The free rectangle from a drag: both the anchor's and the pointer's pixel
// are inside.
RECT free_rect(POINT anchor, POINT pointer);

// The hint banner: at most 760 DIP wide, 16 DIP from both sides and the top,
// 32 DIP high, centred.
RECT hint_rect(int client_width, UINT dpi);

// The magnifier panel's size for cells of `cell` pixels.
SIZE loupe_panel_size(SIZE cell, UINT dpi);

// What places the magnifier besides the pointer.
struct LoupePlacement {
  SIZE client{};
  UINT dpi = 96;
  SIZE cell{8, 8};                 // one source pixel in the magnifier
  std::optional<RECT> selection;   // the current selection, when one is present
  bool drag_started = false;
  POINT anchor{};                  // where the button went down, while dragging
};

// Where the magnifier panel goes for a pointer at `pointer`: inside the
// selection away from its frame when it fits there, else beside the pointer
// clear of the banner, else beside the pointer anywhere in the client area,
// else pushed into the client area.
RECT loupe_rect(POINT pointer, const LoupePlacement& placement);

// The area to repaint when the magnifier at `loupe` moves: grown by 3 DIP.
RECT loupe_invalidation_rect(RECT loupe, UINT dpi);

// Which magnifier column and row (offsets -1, 0 or 1 from the centre) carry
// the crosshair: the frame line next to the pointer when the pointer is on or
// beyond an edge of the selection, or the side of the anchor while dragging.
struct CrosshairOffsets {
  int column = 0;
  int row = 0;

  friend bool operator==(const CrosshairOffsets&, const CrosshairOffsets&) = default;
};

CrosshairOffsets loupe_crosshair(POINT pointer, bool drag_started, POINT anchor,
                                 const std::optional<RECT>& selection);

// The four bands (top, bottom, left, right) that cover the frame line drawn
// around `selection`, 6 DIP either side of it: what a selection change
// repaints.
std::array<RECT, 4> selection_edge_bands(RECT selection, UINT dpi);

// WM_NCHITTEST of the overlay: HTCLIENT while selecting, HTTRANSPARENT while
// the frame is click-through, else the resize codes in 10 DIP bands along the
// window's edges and HTCAPTION inside, so dragging the inside moves it.
LRESULT overlay_hit_test(bool selecting, bool interactive, POINT screen_point, RECT window,
                         UINT dpi);

// WM_SIZING of the frame: the dragged edges stop at the monitor's edges and
// at 64 x 64. `edge` is the WMSZ_ code; `monitor` in screen pixels.
RECT clamp_sizing(RECT proposed, WPARAM edge, RECT monitor);

// WM_MOVING of the frame: kept inside the monitor at its size, unless it is
// wider or taller than the monitor.
RECT clamp_moving(RECT proposed, RECT monitor);

}  // namespace quorvel::windows
