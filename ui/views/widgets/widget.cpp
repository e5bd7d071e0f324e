#include "ui/views/widgets/widget.h"

#include <utility>

namespace win32_ui::modern {

ElementRole role_of_widget_kind(WidgetKind kind) {
  switch (kind) {
    case kWidgetCard: return ElementRole::kGroup;
    case kWidgetText: return ElementRole::kText;
    case kWidgetButton: return ElementRole::kButton;
    case kWidgetToggle: return ElementRole::kSwitch;
    case kWidgetCheckBox: return ElementRole::kCheckBox;
    case kWidgetRadioButton: return ElementRole::kRadioButton;
    case kWidgetSlider: return ElementRole::kSlider;
    case kWidgetStatus: return ElementRole::kStatus;
    case kWidgetEdit: return ElementRole::kEdit;
    case kWidgetIcon: return ElementRole::kImage;
    case kWidgetLoadingIndicator: return ElementRole::kLoadingIndicator;
    default: return ElementRole::kView;
  }
}

Widget::Widget(WidgetKind kind, layout::Size default_size)
    : kind_(kind), default_size_(default_size) {
  if (kind >= kWidgetCard && kind <= kWidgetEdit && kind != kWidgetText && kind != kWidgetStatus) {
    set_animates_state(true);
  }
}

Widget& Widget::set_control_id(int control_id) {
  control_id_ = control_id;
  notify_semantics_changed();
  return *this;
}

Widget& Widget::set_text(std::wstring text) {
  return set_localized_text(LocalizedText::from_text(std::move(text)));
}

Widget& Widget::set_localized_text(LocalizedText text) {
  text_source_.kind = text.kind;
  text_source_.text = std::move(text.text);
  text_source_.args = std::move(text.args);
  text_source_.count = text.count;
  has_localized_text_ = true;
  if (text_source_.kind == LocalizedText::kLiteral) text_ = text_source_.text;
  invalidate_layout();
  notify_semantics_changed();
  return *this;
}

Widget& Widget::set_text_style(int text_style) {
  if (text_style_ == text_style) return *this;
  text_style_ = text_style;
  invalidate_layout();
  return *this;
}

void Widget::refresh_localized_text(const LocalizationContext& localization) {
  if (!has_localized_text_) return;
  std::wstring resolved = localization.resolve(text_source_);
  if (resolved == text_) return;
  text_ = std::move(resolved);
  invalidate_layout();
  notify_semantics_changed();
}

void Widget::describe(ElementInfo& info) const {
  info.role = role_of_widget_kind(kind_);
  info.name = text_;
  // Cards and icons are decoration: what they hold speaks for itself.
  info.exposed = kind_ != kWidgetCard && kind_ != kWidgetIcon;
}

layout::Size Widget::measure_override(const layout::SizeConstraint& content,
                                      const layout::LayoutContext&) {
  return clamp_size(content, default_size_);
}

}  // namespace win32_ui::modern
