#include "ui/platform/classic/layout_host.h"

#include <algorithm>

#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui {
namespace {

constexpr UINT kBatchFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;

// Zero colours and clear flags until a theme is applied; the metrics are
// the standard ones.
Theme unthemed() {
  Theme theme;
  theme.metrics = Theme::light(kDefaultAccent).metrics;
  return theme;
}

struct PixelBox {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

PixelBox pixel_box(const layout::LayoutPlacement& placement, UINT dpi) {
  const RECT rect = layout::dip_rect_to_pixels(placement.rect, dpi);
  const auto length = [](LONG value) { return value < 1 ? 0 : static_cast<int>(value); };
  return {rect.left, rect.top, length(rect.right - rect.left), length(rect.bottom - rect.top)};
}

bool has_visible_style(HWND window) {
  return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

// Clears the flag however the pass ends.
class BusyScope {
 public:
  explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
  ~BusyScope() { busy_ = false; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& busy_;
};

}  // namespace

LayoutHost::LayoutHost(WindowPositioner& positioner)
    : positioner_(positioner), theme_(unthemed()) {}

LayoutHost::~LayoutHost() { detach(); }

bool LayoutHost::attach(HWND window) {
  if (!window || !IsWindow(window)) return false;
  if (window == window_) return true;
  release_window();
  if (!install_window_subclass(window, &subclass_procedure, kClassicLayoutHostSubclass,
                               reinterpret_cast<DWORD_PTR>(this))) {
    return false;
  }
  ++revision_;
  window_ = window;
  if (!root_) return true;
  root_->invalidate_upward();
  return apply(true);
}

void LayoutHost::release_window() {
  if (window_ && IsWindow(window_)) {
    remove_window_subclass(window_, &subclass_procedure, kClassicLayoutHostSubclass);
  }
  window_ = nullptr;
}

void LayoutHost::detach() {
  release_window();
  root_.reset();
}

void LayoutHost::set_root(std::unique_ptr<layout::LayoutNode> root) {
  root_ = std::move(root);
  relayout_after_change();
}

void LayoutHost::set_theme(const Theme& theme) {
  theme_ = theme;
  has_theme_ = true;
  relayout_after_change();
}

void LayoutHost::relayout_after_change() {
  ++revision_;
  if (root_) root_->invalidate_upward();
  if (window_) apply(true);
}

bool LayoutHost::apply(bool repaint) {
  if (busy_ || !window_ || !IsWindow(window_) || !root_) return false;
  BusyScope busy(busy_);
  try {
    return run_pass(repaint);
  } catch (...) {
    return false;
  }
}

bool LayoutHost::run_pass(bool repaint) {
  RECT client{};
  if (!GetClientRect(window_, &client)) return false;
  const UINT dpi = GetDpiForWindow(window_);
  const float scale = 96.0f / static_cast<float>(std::max<UINT>(dpi, 1));
  const float width = static_cast<float>(client.right - client.left) * scale;
  const float height = static_cast<float>(client.bottom - client.top) * scale;

  layout::LayoutContext context;
  context.dpi = dpi;
  context.theme = has_theme_ ? &theme_ : nullptr;
  context.revision = revision_;
  context.direction = layout::kLayoutLeftToRight;
  context.text_measurer = nullptr;
  root_->measure(layout::SizeConstraint{0.0f, 0.0f, width, height}, context);
  root_->arrange(layout::LayoutRect{0.0f, 0.0f, width, height}, context);

  std::vector<layout::LayoutPlacement> placements;
  layout::collect_native_placements(*root_, placements);
  if (placements.empty()) return true;
  return move_controls(placements, dpi, repaint);
}

bool LayoutHost::is_own_child(HWND control) const {
  return control && IsWindow(control) && IsChild(window_, control);
}

bool LayoutHost::move_controls(const std::vector<layout::LayoutPlacement>& placements, UINT dpi,
                               bool repaint) {
  HDWP batch = positioner_.begin_defer_window_pos(static_cast<int>(placements.size()));
  for (const layout::LayoutPlacement& placement : placements) {
    if (!batch) break;
    if (!is_own_child(placement.hwnd)) continue;
    const PixelBox box = pixel_box(placement, dpi);
    UINT flags = kBatchFlags;
    flags |= placement.visibility == layout::kVisible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW;
    if (!repaint) flags |= SWP_NOREDRAW;
    // A failed deferral has already abandoned the batch.
    batch = positioner_.defer_window_pos(batch, placement.hwnd, nullptr, box.x, box.y,
                                         box.width, box.height, flags);
  }
  if (batch) return positioner_.end_defer_window_pos(batch) != FALSE;
  return move_one_by_one(placements, dpi, repaint);
}

bool LayoutHost::move_one_by_one(const std::vector<layout::LayoutPlacement>& placements,
                                 UINT dpi, bool repaint) {
  bool all_moved = true;
  for (const layout::LayoutPlacement& placement : placements) {
    if (!is_own_child(placement.hwnd)) continue;
    if (placement.visibility != layout::kVisible) {
      positioner_.show_window(placement.hwnd, SW_HIDE);
      continue;
    }
    const PixelBox box = pixel_box(placement, dpi);
    if (!positioner_.move_window(placement.hwnd, box.x, box.y, box.width, box.height,
                                 repaint ? TRUE : FALSE)) {
      all_moved = false;
    }
    // The batch would have shown it too.
    if (!has_visible_style(placement.hwnd)) positioner_.show_window(placement.hwnd, SW_SHOWNA);
  }
  return all_moved;
}

LRESULT CALLBACK LayoutHost::subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                                LPARAM lparam, UINT_PTR, DWORD_PTR reference) {
  auto* host = reinterpret_cast<LayoutHost*>(reference);
  if (message == WM_NCDESTROY) {
    remove_window_subclass(window, &subclass_procedure, kClassicLayoutHostSubclass);
    if (host && host->window_ == window) host->window_ = nullptr;
    return default_subclass_proc(window, message, wparam, lparam);
  }
  const LRESULT result = default_subclass_proc(window, message, wparam, lparam);
  if (host && (message == WM_SIZE || message == WM_SETFONT || message == WM_DPICHANGED ||
               message == WM_DPICHANGED_AFTERPARENT || message == WM_THEMECHANGED)) {
    ++host->revision_;
    if (host->root_) host->root_->invalidate_upward();
    host->apply(true);
  }
  return result;
}

}  // namespace win32_ui
