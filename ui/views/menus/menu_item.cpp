#include "ui/views/menus/menu_item.h"

#include <algorithm>
#include <utility>

#include "ui/views/draw_context.h"
#include "ui/views/widgets/widget_drawing.h"

namespace win32_ui::modern {

using ui::graphics::Color;
using ui::graphics::Rect;

namespace {

constexpr float kRowRadius = 7.0f;

ui::graphics::TextStyle row_text_style(const DrawContext& context, Color color, int h_align) {
  ui::graphics::TextStyle style;
  style.font = context.font_for(2);
  style.color = color;
  style.h_align = h_align;
  style.v_align = 1;
  style.single_line = true;
  style.end_ellipsis = true;
  return context.apply_direction(style);
}

}  // namespace

// What one paint decided about the row: whether it is highlighted (high
// contrast) and the colour of its text and marks.
struct MenuItem::Look {
  bool highlighted = false;
  Color text;
  float checked = 0.0f;
};

MenuItem::MenuItem(int command_id, std::wstring text, bool checked)
    : Interactive(kWidgetButton, kInteractionPush, {0.0f, 40.0f}) {
  set_localized_text(LocalizedText::from_text(std::move(text)));
  set_control_id(command_id);
  set_text_style(2);
  set_checked_flag(checked);
}

MenuItem& MenuItem::set_mark(int mark) {
  if (mark == mark_) return *this;
  mark_ = mark;
  invalidate();
  notify_semantics_changed();
  return *this;
}

MenuItem& MenuItem::set_shortcut_text(std::wstring text) {
  if (text == shortcut_text_) return *this;
  shortcut_text_ = std::move(text);
  invalidate();
  notify_semantics_changed();
  return *this;
}

MenuItem& MenuItem::on_invoked(std::function<void()> callback) {
  add_event_handler(Event::kInvoked, [callback = std::move(callback)](Event&) {
    if (callback) callback();
  });
  return *this;
}

void MenuItem::describe(ElementInfo& info) const {
  Interactive::describe(info);
  if (!shortcut_text_.empty()) {
    if (!info.help_text.empty()) info.help_text += L"；";
    info.help_text += L"快捷键 " + shortcut_text_;
  }
  if (mark_ == MenuEntry::kMarkCheck || mark_ == MenuEntry::kMarkRadio) {
    info.role = mark_ == MenuEntry::kMarkCheck ? ElementRole::kCheckBox : ElementRole::kRadioButton;
    info.toggle_state = is_checked();
  }
}

MenuItem::Look MenuItem::look(const DrawContext& context) const {
  Look look;
  look.checked = effective_progress(*this, context, ui::graphics::kStateChecked);
  const bool focused = context.is_focused(*this);
  if (context.is_high_contrast()) {
    look.highlighted = accepts_input() &&
                       (context.is_hovered(*this) || context.is_pressed(*this) || focused);
  }
  look.text = look.highlighted ? context.color(13) : context.color(accepts_input() ? 6 : 8);
  return look;
}

void MenuItem::draw(DrawContext& context) {
  ui::graphics::Canvas* const canvas = context.canvas();
  if (canvas == nullptr) return;
  const Rect area = context.surface_bounds_px();
  const Look row = look(context);
  const bool rtl = context.is_right_to_left();
  const float radius = context.to_px(kRowRadius);

  if (row.highlighted) {
    canvas->fill_round_rect(area, radius, context.color(9));
  } else if (!context.is_high_contrast()) {
    const float hovered = effective_progress(*this, context, ui::graphics::kStateHovered);
    const float pressed = effective_progress(*this, context, ui::graphics::kStatePressed);
    const bool focused = context.is_focused(*this);
    if (row.checked > 0.001f || hovered > 0.001f || pressed > 0.001f || focused) {
      Color fill = mix_color(context.color(1), context.color(12), row.checked);
      fill = mix_color(fill, context.color(2), std::max(focused ? 1.0f : 0.0f, hovered));
      fill = mix_color(fill, context.color(3), pressed);
      canvas->fill_round_rect(area, radius, fill);
    }
  } else if (is_checked()) {
    canvas->fill_round_rect(area, radius, context.color(12));
  }

  draw_mark(context, area, row);

  const bool has_mark = mark_ == MenuEntry::kMarkCheck || mark_ == MenuEntry::kMarkRadio;
  const float inset = context.to_px(has_mark ? 40.0f : 16.0f);
  Rect label = area;
  if (rtl) {
    label.right -= inset;
  } else {
    label.left += inset;
  }
  if (!shortcut_text_.empty()) {
    const float width =
        std::clamp(0.48f * area.width(), context.to_px(76.0f), context.to_px(120.0f));
    const float end_gap = context.to_px(14.0f);
    const float label_gap = context.to_px(8.0f);
    Rect shortcut = area;
    if (rtl) {
      shortcut.left = area.left + end_gap;
      shortcut.right = shortcut.left + width;
      label.left = std::min(shortcut.right + label_gap, label.right);
    } else {
      shortcut.right = area.right - end_gap;
      shortcut.left = shortcut.right - width;
      label.right = std::max(shortcut.left - label_gap, label.left);
    }
    const Color color =
        row.highlighted || context.is_high_contrast() ? row.text : context.color(7);
    canvas->draw_text(shortcut_text_, shortcut, row_text_style(context, color, 2));
  }
  canvas->draw_text(text(), label, row_text_style(context, row.text, 0));

  if (context.shows_focus_ring(*this)) {
    const Color ring = row.highlighted ? row.text : context.outline_color();
    canvas->stroke_round_rect(inset_rect(area, context.to_px(2.0f)), context.to_px(6.0f), ring,
                              context.outline_width());
  }
}

void MenuItem::draw_mark(DrawContext& context, const Rect& area, const Look& row) const {
  if (mark_ != MenuEntry::kMarkCheck && mark_ != MenuEntry::kMarkRadio) return;
  ui::graphics::Canvas* const canvas = context.canvas();
  const bool check = mark_ == MenuEntry::kMarkCheck;
  const float from_start = context.to_px(check ? 24.0f : 20.0f);
  const float cx = context.is_right_to_left() ? area.right - from_start : area.left + from_start;
  const float cy = (area.top + area.bottom) / 2.0f;
  if (check) {
    const float half = context.to_px(8.0f);
    const Rect box{cx - half, cy - half, cx + half, cy + half};
    const float radius = context.to_px(3.0f);
    if (is_checked()) canvas->fill_round_rect(box, radius, context.color(9));
    const float width = std::max(context.to_px(1.2f), 1.0f);
    const Color stroke = row.highlighted ? row.text : context.color(is_checked() ? 9 : 5);
    canvas->stroke_round_rect(box, radius, stroke, width);
    if (is_checked()) {
      canvas->draw_text(L"\u2713", box, row_text_style(context, context.color(13), 1));
    }
    return;
  }
  const float r = context.to_px(7.0f);
  const float width = std::max(context.to_px(1.3f), 1.0f);
  const Color ring =
      row.highlighted ? row.text : mix_color(context.color(5), context.color(9), row.checked);
  canvas->stroke_ellipse({cx - r, cy - r, cx + r, cy + r}, ring, width);
  if (row.checked > 0.5f) {
    const float dot = context.to_px(3.5f);
    canvas->fill_ellipse({cx - dot, cy - dot, cx + dot, cy + dot},
                         row.highlighted ? row.text : context.color(9));
  }
}

}  // namespace win32_ui::modern
