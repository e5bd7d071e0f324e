// The tooltip pass of Surface::Impl: every shown view with a tooltip text
// gets one tool of the surface's native tooltip, over the part of the view
// that is inside the client area.
#include <algorithm>
#include <cmath>

#include "ui/views/surface_impl.h"
#include "ui/views/view_group.h"

namespace win32_ui::modern {
namespace {

// Tip texts wrap at this width (DIP).
constexpr float kMaxTipWidth = 360.0f;

void collect_view_tooltips(const View& view, const ui::graphics::DpiScale& scale,
                           float scroll_offset, const RECT& client, TooltipWindow::Tools& out) {
  if (view.layout_params().visibility != layout::kVisible) return;
  if (!view.tooltip().empty()) {
    const layout::LayoutRect r = view.bounds_in_root();
    const auto px = [&scale](float dip) { return static_cast<LONG>(std::lround(scale.to_px(dip))); };
    RECT rect{px(r.x), px(r.y - scroll_offset), px(r.x + r.width),
              px(r.y + r.height - scroll_offset)};
    rect.left = std::clamp(rect.left, client.left, client.right);
    rect.right = std::clamp(rect.right, client.left, client.right);
    rect.top = std::clamp(rect.top, client.top, client.bottom);
    rect.bottom = std::clamp(rect.bottom, client.top, client.bottom);
    if (rect.right > rect.left && rect.bottom > rect.top) {
      out[&view] = TooltipWindow::Tool{rect, view.tooltip()};
    }
  }
  if (const auto* group = dynamic_cast<const ViewGroup*>(&view)) {
    for (std::size_t i = 0; i < group->child_count(); ++i) {
      if (const View* child = group->child_at(i)) {
        collect_view_tooltips(*child, scale, scroll_offset, client, out);
      }
    }
  }
}

}  // namespace

TooltipWindow::Tools Surface::Impl::collect_tooltips() const {
  TooltipWindow::Tools tools;
  RECT client{};
  const View* root = view_root.root_view();
  if (root == nullptr || hwnd == nullptr || !GetClientRect(hwnd, &client)) return tools;
  collect_view_tooltips(*root, dpi_scale(), scroll_offset, client, tools);
  return tools;
}

void Surface::Impl::sync_tooltips() {
  if (hwnd == nullptr) return;
  const int max_width = static_cast<int>(std::lround(dpi_scale().to_px(kMaxTipWidth)));
  tooltip.sync(hwnd, collect_tooltips(), max_width);
}

}  // namespace win32_ui::modern
