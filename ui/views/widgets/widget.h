// Widget is the leaf view that every ready-made control derives from: it
// carries a widget kind (which also fixes its accessibility role), a control
// id given by its owner, a default size that measure reports at least, and a
// text that comes from a LocalizedText and is resolved again whenever the
// surface's language changes.
//
// Owned by its parent view; configured through chaining setters before or
// after it is adopted. UI thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/platform/layout/layout_types.h"
#include "ui/platform/localization_context.h"
#include "ui/platform/localized_text.h"
#include "ui/views/element_info.h"
#include "ui/views/view.h"

namespace win32_ui::modern {

using WidgetKind = std::int32_t;
inline constexpr WidgetKind kWidgetCard = 0;
inline constexpr WidgetKind kWidgetText = 1;
inline constexpr WidgetKind kWidgetButton = 2;
inline constexpr WidgetKind kWidgetToggle = 3;
inline constexpr WidgetKind kWidgetCheckBox = 4;
inline constexpr WidgetKind kWidgetRadioButton = 5;
inline constexpr WidgetKind kWidgetSlider = 6;
inline constexpr WidgetKind kWidgetStatus = 7;
inline constexpr WidgetKind kWidgetEdit = 8;
inline constexpr WidgetKind kWidgetIcon = 9;
inline constexpr WidgetKind kWidgetLoadingIndicator = 10;

// The accessibility role of a widget kind.
ElementRole role_of_widget_kind(WidgetKind kind);

class Widget : public View {
 public:
  // Every control animates its state changes; text and status do not.
  Widget(WidgetKind kind, layout::Size default_size);

  Widget& set_control_id(int control_id);
  // A literal text.
  Widget& set_text(std::wstring text);
  // A literal shows at once; a key or plural text keeps the shown text until
  // the next language refresh resolves it.
  Widget& set_localized_text(LocalizedText text);
  Widget& set_text_style(int text_style);

  // Resolves the text source again; replaces the shown text (relayout and
  // semantics notification) only when the result differs.
  void refresh_localized_text(const LocalizationContext& localization);

  int control_id() const { return control_id_; }
  WidgetKind kind() const { return kind_; }
  std::wstring_view text() const { return text_; }
  int text_style() const { return text_style_; }
  layout::Size default_size() const { return default_size_; }
  bool has_localized_text() const { return has_localized_text_; }
  const LocalizedText& text_source() const { return text_source_; }

  void describe(ElementInfo& info) const override;

 protected:
  // The default size within the constraint.
  layout::Size measure_override(const layout::SizeConstraint& content,
                                const layout::LayoutContext& context) override;
  void set_default_size(layout::Size size) { default_size_ = size; }

 private:
  int control_id_ = 0;
  WidgetKind kind_;
  layout::Size default_size_;
  LocalizedText text_source_;
  std::wstring text_;
  int text_style_ = 2;
  bool has_localized_text_ = false;
};

}  // namespace win32_ui::modern
