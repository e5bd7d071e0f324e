#include "app/overlay/selection_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quorvel::windows {
namespace {

// Like std::clamp, but defined when the bounds cross: the upper one wins.
LONG clamp_to(LONG value, LONG low, LONG high) { return std::min(std::max(value, low), high); }

// Makes the span [low, high) of a side of `limit` pixels even: one more pixel
// at the far end, or at the near end when the far end is the monitor's edge.
void make_even(LONG& low, LONG& high, LONG limit) {
  if ((high - low) % 2 == 0) return;
  if (high < limit) {
    ++high;
  } else if (low > 0) {
    --low;
  }
}

bool contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

RECT shrunk(RECT rect, int by) {
  InflateRect(&rect, -by, -by);
  return rect;
}

RECT panel_at(POINT top_left, SIZE panel) {
  return {top_left.x, top_left.y, top_left.x + panel.cx, top_left.y + panel.cy};
}

bool intersects(const RECT& a, const RECT& b) {
  RECT common;
  return IntersectRect(&common, &a, &b) != FALSE;
}

// Offset of the crosshair from the centre along one axis, from the pointer's
// place relative to a selection's span [low, high).
int edge_offset(LONG pointer, LONG low, LONG high) {
  if (pointer <= low) return -1;
  if (pointer >= high - 1) return 1;
  return 0;
}

// Spot 1 to 3 of the magnifier inside the selection: beside the pointer, away
// from the reference point (the anchor while dragging, else the selection's
// centre).
std::optional<RECT> loupe_inside_selection(POINT p, const RECT& selection,
                                           const LoupePlacement& placement, SIZE panel) {
  const int gap = scale_dip(18, placement.dpi);
  const POINT reference =
      placement.drag_started
          ? placement.anchor
          : POINT{(selection.left + selection.right) / 2, (selection.top + selection.bottom) / 2};
  const bool right = p.x >= reference.x;
  const bool lower = p.y >= reference.y;
  const LONG x0 = right ? p.x - panel.cx - gap : p.x + gap;
  const LONG y0 = lower ? p.y - panel.cy - gap : p.y + gap;
  const std::array<POINT, 3> spots{
      POINT{x0, y0},
      POINT{x0, lower ? selection.top + gap : selection.bottom - panel.cy - gap},
      POINT{right ? selection.left + gap : selection.right - panel.cx - gap, y0},
  };
  const RECT room = shrunk(selection, scale_dip(3, placement.dpi));
  for (const POINT& spot : spots) {
    const RECT candidate = panel_at(spot, panel);
    if (contains(room, candidate)) return candidate;
  }
  return std::nullopt;
}

}  // namespace

int scale_dip(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), 96); }

RECT fit_region(RECT region, SIZE monitor) {
  const LONG width = std::max<LONG>(monitor.cx, 1);
  const LONG height = std::max<LONG>(monitor.cy, 1);
  region.left = clamp_to(region.left, 0, width - 1);
  region.top = clamp_to(region.top, 0, height - 1);
  region.right = clamp_to(region.right, region.left + 1, width);
  region.bottom = clamp_to(region.bottom, region.top + 1, height);
  make_even(region.left, region.right, width);
  make_even(region.top, region.bottom, height);
  return region;
}

RegionCheck check_region(RECT selection, SIZE monitor) {
  if (selection.right - selection.left < kMinimumRegionSide ||
      selection.bottom - selection.top < kMinimumRegionSide) {
    return {RegionVerdict::too_small, selection};
  }
  const RECT fitted = fit_region(selection, monitor);
  if ((fitted.right - fitted.left) % 2 != 0 || (fitted.bottom - fitted.top) % 2 != 0) {
    return {RegionVerdict::odd_at_edge, fitted};
  }
  return {RegionVerdict::accepted, fitted};
}

const wchar_t* region_verdict_key(RegionVerdict verdict) {
  switch (verdict) {
    case RegionVerdict::too_small:
      return L"message.small_region_retry";
    case RegionVerdict::odd_at_edge:
      return L"message.edge_even_size";
    case RegionVerdict::accepted:
      break;
  }
  return nullptr;
}

RECT initial_selection(POINT pointer, SIZE setup, const CaptureBounds& monitor) {
  const LONG monitor_width = std::lround(monitor.right - monitor.left);
  const LONG monitor_height = std::lround(monitor.bottom - monitor.top);
  if (setup.cx < kMinimumRegionSide || setup.cy < kMinimumRegionSide ||
      setup.cx > std::floor(monitor.right - monitor.left) ||
      setup.cy > std::floor(monitor.bottom - monitor.top)) {
    return {0, 0, monitor_width, monitor_height};
  }
  const LONG left = clamp_to(pointer.x - setup.cx / 2, 0, monitor_width - setup.cx);
  const LONG top = clamp_to(pointer.y - setup.cy / 2, 0, monitor_height - setup.cy);
  return {left, top, left + setup.cx, top + setup.cy};
}

POINT overlay_point(LPARAM lparam, SIZE client) {
  const LONG x = static_cast<short>(LOWORD(lparam));
  const LONG y = static_cast<short>(HIWORD(lparam));
  return {client.cx > 0 ? clamp_to(x, 0, client.cx - 1) : 0,
          client.cy > 0 ? clamp_to(y, 0, client.cy - 1) : 0};
}

int drag_threshold(int drag_metric) { return std::max(drag_metric / 2, 2); }

bool drag_threshold_passed(POINT anchor, POINT pointer, SIZE drag_metrics) {
  return std::abs(pointer.x - anchor.x) >= drag_threshold(drag_metrics.cx) ||
         std::abs(pointer.y - anchor.y) >= drag_threshold(drag_metrics.cy);
}

RECT free_rect(POINT anchor, POINT pointer) {
  return {std::min(anchor.x, pointer.x), std::min(anchor.y, pointer.y),
          std::max(anchor.x, pointer.x) + 1, std::max(anchor.y, pointer.y) + 1};
}

RECT hint_rect(int client_width, UINT dpi) {
  const int width = std::min(scale_dip(760, dpi), client_width - scale_dip(32, dpi));
  return {(client_width - width) / 2, scale_dip(16, dpi), (width + client_width) / 2,
          scale_dip(48, dpi)};
}

SIZE loupe_panel_size(SIZE cell, UINT dpi) {
  const int margin = scale_dip(8, dpi);
  return {kLoupeCells * cell.cx + 2 * margin,
          kLoupeCells * cell.cy + 2 * margin + scale_dip(50, dpi)};
}

RECT loupe_rect(POINT p, const LoupePlacement& placement) {
  const SIZE panel = loupe_panel_size(placement.cell, placement.dpi);
  if (placement.selection) {
    if (auto inside = loupe_inside_selection(p, *placement.selection, placement, panel)) {
      return *inside;
    }
  }
  const int gap = scale_dip(18, placement.dpi);
  const int margin = scale_dip(10, placement.dpi);
  const std::array<POINT, 4> spots{
      POINT{p.x + gap, p.y + gap},                        // right, below
      POINT{p.x - panel.cx - gap, p.y + gap},             // left, below
      POINT{p.x + gap, p.y - gap - panel.cy},             // right, above
      POINT{p.x - panel.cx - gap, p.y - gap - panel.cy},  // left, above
  };
  const RECT room = shrunk({0, 0, placement.client.cx, placement.client.cy}, margin);
  const RECT banner = hint_rect(placement.client.cx, placement.dpi);
  for (const POINT& spot : spots) {
    const RECT candidate = panel_at(spot, panel);
    if (contains(room, candidate) && !intersects(candidate, banner)) return candidate;
  }
  for (const POINT& spot : spots) {
    const RECT candidate = panel_at(spot, panel);
    if (contains(room, candidate)) return candidate;
  }
  const LONG left = clamp_to(p.x + gap, margin, std::max<LONG>(margin, placement.client.cx - panel.cx - margin));
  const LONG top = clamp_to(p.y + gap, margin, std::max<LONG>(margin, placement.client.cy - panel.cy - margin));
  return panel_at({left, top}, panel);
}

RECT loupe_invalidation_rect(RECT loupe, UINT dpi) {
  const int grow = scale_dip(3, dpi);
  InflateRect(&loupe, grow, grow);
  return loupe;
}

CrosshairOffsets loupe_crosshair(POINT pointer, bool drag_started, POINT anchor,
                                 const std::optional<RECT>& selection) {
  if (drag_started) {
    return {pointer.x < anchor.x ? -1 : 1, pointer.y < anchor.y ? -1 : 1};
  }
  if (selection) {
    return {edge_offset(pointer.x, selection->left, selection->right),
            edge_offset(pointer.y, selection->top, selection->bottom)};
  }
  return {};
}

std::array<RECT, 4> selection_edge_bands(RECT s, UINT dpi) {
  const int m = scale_dip(6, dpi);
  return {
      RECT{s.left - 1 - m, s.top - 1 - m, s.right + m, s.top - 1 + m},  // top
      RECT{s.left - 1 - m, s.bottom - m, s.right + m, s.bottom + m},    // bottom
      RECT{s.left - 1 - m, s.top - 1 - m, s.left - 1 + m, s.bottom + m},  // left
      RECT{s.right - m, s.top - 1 - m, s.right + m, s.bottom + m},      // right
  };
}

LRESULT overlay_hit_test(bool selecting, bool interactive, POINT p, RECT window, UINT dpi) {
  if (selecting) return HTCLIENT;
  if (!interactive) return HTTRANSPARENT;
  const int band = scale_dip(10, dpi);
  const bool on_left = p.x < window.left + band;
  const bool on_right = p.x >= window.right - band;
  const bool on_top = p.y < window.top + band;
  const bool on_bottom = p.y >= window.bottom - band;
  if (on_top && on_left) return HTTOPLEFT;
  if (on_top && on_right) return HTTOPRIGHT;
  if (on_bottom && on_left) return HTBOTTOMLEFT;
  if (on_bottom && on_right) return HTBOTTOMRIGHT;
  if (on_left) return HTLEFT;
  if (on_right) return HTRIGHT;
  if (on_top) return HTTOP;
  if (on_bottom) return HTBOTTOM;
  return HTCAPTION;
}

RECT clamp_sizing(RECT r, WPARAM edge, RECT monitor) {
  const bool left = edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
  const bool right = edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT;
  const bool top = edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
  const bool bottom = edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT;
  if (left) {
    r.left = r.left > r.right - kMinimumRegionSide ? r.right - kMinimumRegionSide
                                                   : std::max(r.left, monitor.left);
  }
  if (right) {
    r.right = r.right > monitor.right ? monitor.right
                                      : std::max(r.right, r.left + kMinimumRegionSide);
  }
  if (top) {
    r.top = r.top > r.bottom - kMinimumRegionSide ? r.bottom - kMinimumRegionSide
                                                  : std::max(r.top, monitor.top);
  }
  if (bottom) {
    r.bottom = r.bottom > monitor.bottom ? monitor.bottom
                                         : std::max(r.bottom, r.top + kMinimumRegionSide);
  }
  return r;
}

RECT clamp_moving(RECT r, RECT monitor) {
  const LONG width = r.right - r.left;
  const LONG height = r.bottom - r.top;
  if (width > monitor.right - monitor.left || height > monitor.bottom - monitor.top) return r;
  r.left = std::min(std::max(r.left, monitor.left), monitor.right - width);
  r.top = std::min(std::max(r.top, monitor.top), monitor.bottom - height);
  r.right = r.left + width;
  r.bottom = r.top + height;
  return r;
}

}  // namespace quorvel::windows
