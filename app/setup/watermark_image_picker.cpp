#include "app/setup/watermark_image_picker.h"

#include <algorithm>
#include <utility>

#include "app/setup/watermark_image_size.h"
#include "ui/views/draw_context.h"
#include "ui/views/event.h"

namespace quorvel::windows {

namespace {

using win32_ui::ui::graphics::Color;
using win32_ui::ui::graphics::Image;
using win32_ui::ui::graphics::Rect;
using win32_ui::ui::graphics::TextStyle;

constexpr float kDefaultHeight = 140.0f;
constexpr float kCornerRadius = 10.0f;
constexpr float kInset = 12.0f;
constexpr float kCheckerSide = 12.0f;
constexpr int kHorizontalSegments = 32;
constexpr int kVerticalSegments = 8;

TextStyle centred_line(const win32_ui::modern::DrawContext& context, int text_style,
                       Color color) {
  TextStyle style;
  style.font = context.font_for(text_style);
  style.color = color;
  style.h_align = 1;
  style.v_align = 1;
  style.single_line = true;
  style.end_ellipsis = true;
  return context.apply_direction(style);
}

}  // namespace

WatermarkImagePicker::WatermarkImagePicker(std::wstring path, std::wstring prompt,
                                           std::wstring alternate_prompt, std::wstring hint)
    : Interactive(win32_ui::modern::kWidgetButton, win32_ui::modern::kInteractionPush,
                  {0.0f, kDefaultHeight}),
      prompt_(std::move(prompt)),
      alternate_prompt_(std::move(alternate_prompt)),
      hint_(std::move(hint)) {
  set_control_id(kWatermarkImagePickerId);
  set_accessible_name(prompt_);
  set_accessible_help(hint_);
  set_path(std::move(path));
}

WatermarkImagePicker::~WatermarkImagePicker() = default;

void WatermarkImagePicker::set_path(std::wstring path) {
  path_ = std::move(path);
  image_ = Image();
  if (!path_.empty()) {
    Image decoded;
    if (SUCCEEDED(Image::decode_file(path_, decoded))) {
      const PixelSize fitted = fit_watermark_image({decoded.width(), decoded.height()});
      if (fitted != PixelSize{decoded.width(), decoded.height()}) {
        Image scaled;
        if (SUCCEEDED(decoded.resized(fitted.width, fitted.height, scaled))) {
          decoded = std::move(scaled);
        }
      }
      image_ = std::move(decoded);
    }
  }
  invalidate();
}

WatermarkImagePicker& WatermarkImagePicker::on_invoked(std::function<void()> callback) {
  add_event_handler(win32_ui::modern::Event::kInvoked,
                    [callback = std::move(callback)](win32_ui::modern::Event&) {
                      if (callback) callback();
                    });
  return *this;
}

void WatermarkImagePicker::show_alternate(bool alternate) {
  if (show_alternate_ == alternate) return;
  show_alternate_ = alternate;
  invalidate();
}

void WatermarkImagePicker::draw(win32_ui::modern::DrawContext& context) {
  auto& canvas = *context.canvas();
  const Rect bounds = context.surface_bounds_px();
  const bool pressed = context.is_pressed(*this);
  const Color outline = context.color(pressed ? 9 : 5);
  canvas.fill_round_rect(bounds, context.to_px(kCornerRadius), context.color(pressed ? 2 : 1));
  if (image_.valid()) {
    draw_image_area(context, bounds);
    canvas.stroke_round_rect(bounds, context.to_px(kCornerRadius), outline, context.to_px(1.0f));
  } else {
    draw_prompt_area(context, bounds, outline);
  }
  if (context.shows_focus_ring(*this)) {
    canvas.stroke_round_rect(bounds, context.to_px(kCornerRadius), context.outline_color(),
                             context.outline_width());
  }
}

void WatermarkImagePicker::draw_image_area(win32_ui::modern::DrawContext& context,
                                           const Rect& bounds) {
  auto& canvas = *context.canvas();
  const float inset = context.to_px(kInset);
  const Rect inner{bounds.left + inset, bounds.top + inset, bounds.right - inset,
                   bounds.bottom - inset};
  if (inner.empty()) return;
  canvas.save();
  canvas.clip_rect(inner);
  const float square = context.to_px(kCheckerSide);
  const Color checker = context.color(3);
  int row = 0;
  for (float top = inner.top; top < inner.bottom; top += square, ++row) {
    int column = 0;
    for (float left = inner.left; left < inner.right; left += square, ++column) {
      if ((row + column) % 2 == 1) {
        canvas.fill_rect({left, top, left + square, top + square}, checker);
      }
    }
  }
  const float scale = std::min(inner.height() / static_cast<float>(image_.height()),
                               inner.width() / static_cast<float>(image_.width()));
  const float width = image_.width() * scale;
  const float height = image_.height() * scale;
  const float centre_x = (inner.left + inner.right) / 2.0f;
  const float centre_y = (inner.top + inner.bottom) / 2.0f;
  canvas.draw_image(image_,
                    {centre_x - width / 2.0f, centre_y - height / 2.0f, centre_x + width / 2.0f,
                     centre_y + height / 2.0f},
                    1.0f, true);
  canvas.restore();
}

void WatermarkImagePicker::draw_prompt_area(win32_ui::modern::DrawContext& context,
                                            const Rect& bounds, const Color& outline) {
  auto& canvas = *context.canvas();
  const float line = context.to_px(1.0f);
  // The dashes run along the inside of the bounds, half a line in, so each
  // one covers whole pixels.
  const float left = bounds.left + line / 2.0f;
  const float right = bounds.right - line / 2.0f;
  const float top = bounds.top + line / 2.0f;
  const float bottom = bounds.bottom - line / 2.0f;
  const float dash_x = bounds.width() / kHorizontalSegments;
  for (int i = 0; i < kHorizontalSegments; i += 2) {
    const float from = bounds.left + dash_x * i;
    canvas.draw_line({from, top}, {from + dash_x, top}, outline, line);
    canvas.draw_line({from, bottom}, {from + dash_x, bottom}, outline, line);
  }
  const float dash_y = bounds.height() / kVerticalSegments;
  for (int i = 0; i < kVerticalSegments; i += 2) {
    const float from = bounds.top + dash_y * i;
    canvas.draw_line({left, from}, {left, from + dash_y}, outline, line);
    canvas.draw_line({right, from}, {right, from + dash_y}, outline, line);
  }
  const std::wstring& text = show_alternate_ ? alternate_prompt_ : prompt_;
  const Rect prompt_rect{bounds.left + context.to_px(12.0f), bounds.top + context.to_px(28.0f),
                         bounds.right - context.to_px(12.0f),
                         bounds.bottom - context.to_px(30.0f)};
  canvas.draw_text(text, prompt_rect,
                   centred_line(context, 2, context.color(is_enabled() ? 6 : 8)));
  const Rect hint_rect{bounds.left + context.to_px(12.0f), bounds.bottom - context.to_px(48.0f),
                       bounds.right - context.to_px(12.0f), bounds.bottom - context.to_px(8.0f)};
  canvas.draw_text(hint_, hint_rect, centred_line(context, 3, context.color(7)));
}

}  // namespace quorvel::windows
