#include "ui/platform/hosting/chrome_caption_button.h"

#include <algorithm>

#include "ui/platform/theme/theme.h"
#include "ui/views/draw_context.h"

namespace win32_ui::modern {
namespace {

constexpr float kGlyphHalf = 5.0f;
constexpr float kRestoreShift = 2.5f;
constexpr float kStrokeDip = 1.3f;
constexpr float kFocusInset = 5.0f;
constexpr float kFocusRadius = 4.0f;

const wchar_t* caption_key(CaptionAction action) {
  switch (action) {
    case CaptionAction::minimize: return kChromeMinimizeKey;
    case CaptionAction::maximize_or_restore: return kChromeMaximizeKey;
    case CaptionAction::close: return kChromeCloseKey;
  }
  return kChromeCloseKey;
}

ui::graphics::Color theme_color(const DrawContext& context, ThemeColor color) {
  return context.color(static_cast<int>(color));
}

ui::graphics::Rect square(float cx, float cy, float half) {
  return {cx - half, cy - half, cx + half, cy + half};
}

}  // namespace

WPARAM caption_command(CaptionAction action, bool zoomed) {
  switch (action) {
    case CaptionAction::minimize: return SC_MINIMIZE;
    case CaptionAction::maximize_or_restore: return zoomed ? SC_RESTORE : SC_MAXIMIZE;
    case CaptionAction::close: return SC_CLOSE;
  }
  return SC_CLOSE;
}

ChromeCaptionButton::ChromeCaptionButton(HWND window, CaptionAction action)
    : Interactive(kWidgetButton, kInteractionPush, {kChromeButtonWidth, kChromeCaptionHeight}),
      window_(window),
      action_(action) {
  set_localized_text(LocalizedText::from_key(caption_key(action), {}));
  add_event_handler(Event::kInvoked, [this](Event&) { post_command(); });
}

ChromeCaptionButton::~ChromeCaptionButton() = default;

bool ChromeCaptionButton::set_non_client_hover(bool hover) {
  if (hover == non_client_hover_) return false;
  non_client_hover_ = hover;
  invalidate();
  return true;
}

void ChromeCaptionButton::post_command() const {
  if (window_ == nullptr || !IsWindow(window_)) return;
  PostMessageW(window_, WM_SYSCOMMAND, caption_command(action_, IsZoomed(window_) != FALSE), 0);
}

void ChromeCaptionButton::draw(DrawContext& context) {
  ui::graphics::Canvas* canvas = context.canvas();
  if (canvas == nullptr) return;
  const ui::graphics::Rect bounds = context.bounds_px();
  const bool hovered = non_client_hover_ || is_hovered() || context.is_hovered(*this);
  const bool pressed = is_pressed() || context.is_pressed(*this);
  const bool is_close = action_ == CaptionAction::close;
  if (hovered || pressed) {
    const ThemeColor fill = is_close ? ThemeColor::red
                            : pressed ? ThemeColor::control_pressed
                                      : ThemeColor::control_hover;
    canvas->fill_rect(bounds, theme_color(context, fill));
  }
  const bool active = window_ != nullptr && GetActiveWindow() == window_;
  const ThemeColor glyph_color = is_close && (hovered || pressed) ? ThemeColor::text_on_red
                                 : active                         ? ThemeColor::text
                                                                  : ThemeColor::text_secondary;
  const ui::graphics::Color color = theme_color(context, glyph_color);
  const float cx = (bounds.left + bounds.right) / 2.0f;
  const float cy = (bounds.top + bounds.bottom) / 2.0f;
  const float h = context.to_px(kGlyphHalf);
  const float stroke = std::max(context.to_px(kStrokeDip), 1.0f);
  switch (action_) {
    case CaptionAction::minimize:
      canvas->draw_line({cx - h, cy}, {cx + h, cy}, color, stroke);
      break;
    case CaptionAction::close:
      canvas->draw_line({cx - h, cy - h}, {cx + h, cy + h}, color, stroke);
      canvas->draw_line({cx - h, cy + h}, {cx + h, cy - h}, color, stroke);
      break;
    case CaptionAction::maximize_or_restore:
      if (window_ != nullptr && IsZoomed(window_)) {
        const float v = context.to_px(kRestoreShift);
        canvas->stroke_round_rect(square(cx + v, cy - v, h), 0.0f, color, stroke);
        canvas->stroke_round_rect(square(cx - v, cy + v, h), 0.0f, color, stroke);
      } else {
        canvas->stroke_round_rect(square(cx, cy, h), 0.0f, color, stroke);
      }
      break;
  }
  if (context.shows_focus_ring(*this)) {
    const float inset = context.to_px(kFocusInset);
    const ui::graphics::Rect ring{bounds.left + inset, bounds.top + inset, bounds.right - inset,
                                  bounds.bottom - inset};
    canvas->stroke_round_rect(ring, context.to_px(kFocusRadius), context.outline_color(),
                              context.outline_width());
  }
}

}  // namespace win32_ui::modern
