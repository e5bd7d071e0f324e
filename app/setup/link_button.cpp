#include "app/setup/link_button.h"

#include <utility>

#include "ui/views/draw_context.h"

namespace quorvel::windows {

namespace {
constexpr int kLinkTextStyle = 2;
}  // namespace

LinkButton::LinkButton(int control_id, std::wstring text)
    : Button(control_id, std::wstring(), 0), link_text_(std::move(text)) {
  set_flat(true);
  set_accessible_name(link_text_);
}

LinkButton::~LinkButton() = default;

void LinkButton::draw(win32_ui::modern::DrawContext& context) {
  Button::draw(context);
  int color_index = 9;
  if (!accepts_input()) {
    color_index = 8;
  } else if (context.is_pressed(*this)) {
    color_index = 10;
  }
  win32_ui::ui::graphics::TextStyle style;
  style.font = context.font_for(kLinkTextStyle);
  style.color = context.color(color_index);
  style.h_align = 1;
  style.v_align = 1;
  style.single_line = true;
  style.end_ellipsis = true;
  context.canvas()->draw_text(link_text_, context.surface_bounds_px(),
                              context.apply_direction(style));
}

}  // namespace quorvel::windows
