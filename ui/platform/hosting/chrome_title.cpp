#include "ui/platform/hosting/chrome_title.h"

#include <array>

#include "ui/platform/hosting/window_icon_image.h"
#include "ui/platform/theme/theme.h"
#include "ui/views/draw_context.h"

namespace win32_ui::modern {
namespace {

constexpr float kIconSide = 18.0f;
constexpr float kIconLeft = 13.0f;
constexpr float kIconRadius = 4.0f;
constexpr float kTextLeft = 42.0f;
constexpr float kTextRightInset = 6.0f;
constexpr int kTitleTextStyle = 2;
// GetWindowTextW's buffer: longer titles show their first 511 characters.
constexpr int kTitleBuffer = 512;

int color_index(ThemeColor color) { return static_cast<int>(color); }

}  // namespace

ChromeTitle::ChromeTitle(HWND window)
    : Widget(kWidgetText, {0.0f, 44.0f}), window_(window), icon_(window_small_icon(window)) {
  set_accessible_role(ElementRole::kView);
}

ChromeTitle::~ChromeTitle() = default;

void ChromeTitle::draw(DrawContext& context) {
  ui::graphics::Canvas* canvas = context.canvas();
  if (canvas == nullptr) return;
  const ui::graphics::Rect bounds = context.bounds_px();
  const float side = context.to_px(kIconSide);
  const float icon_left = bounds.left + context.to_px(kIconLeft);
  const float icon_top = bounds.top + (bounds.height() - side) / 2.0f;
  const ui::graphics::Rect icon_box{icon_left, icon_top, icon_left + side, icon_top + side};
  if (icon_.valid()) {
    canvas->draw_image(icon_, icon_box, 1.0f, true);
  } else {
    canvas->fill_round_rect(icon_box, context.to_px(kIconRadius),
                            context.color(color_index(ThemeColor::accent)));
  }

  std::array<wchar_t, kTitleBuffer> title{};
  const int length = window_ != nullptr ? GetWindowTextW(window_, title.data(), kTitleBuffer) : 0;
  if (length <= 0) return;
  const bool active = window_ != nullptr && GetActiveWindow() == window_;
  ui::graphics::TextStyle style;
  style.font = context.font_for(kTitleTextStyle);
  style.color = context.color(color_index(active ? ThemeColor::text : ThemeColor::text_secondary));
  style.h_align = 0;
  style.v_align = 1;
  style.single_line = true;
  style.end_ellipsis = true;
  const ui::graphics::Rect text_box{bounds.left + context.to_px(kTextLeft), bounds.top,
                                    bounds.right - context.to_px(kTextRightInset), bounds.bottom};
  if (text_box.empty()) return;
  canvas->draw_text(std::wstring_view(title.data(), static_cast<std::size_t>(length)), text_box,
                    context.apply_direction(style));
}

}  // namespace win32_ui::modern
