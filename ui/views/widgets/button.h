// Button is the toolkit's push control: a label with an optional icon (a
// vector glyph, or a pair of bitmaps for light and dark backgrounds) in a
// row or a tile (icon above the label), in a normal, flat or primary look,
// with an optional shortcut chip at its end. Its colours animate between the
// control tone's states. A disabled button draws its label and picture in
// the disabled text colour; a disabled flat one draws no frame at all. A
// click, Enter or Space, or the accessibility invoke raises invoked, which
// on_invoked receives.
//
// Owned by its parent view. UI thread only.
#pragma once

#include <functional>
#include <string>

#include "ui/views/graphics/canvas.h"
#include "ui/views/image.h"
#include "ui/views/widgets/interactive.h"
#include "ui/views/widgets/scaled_icon_cache.h"
#include "ui/views/widgets/tinted_icon_cache.h"
#include "ui/views/widgets/widget_drawing.h"
#include "ui/views/widgets/widget_tokens.h"

namespace win32_ui::modern {

class Button : public Interactive {
 public:
  static constexpr int kLayoutRow = 0;
  static constexpr int kLayoutTile = 1;

  Button(int control_id, std::wstring text, int glyph);

  Button& set_glyph(int glyph);
  // kLayoutTile puts the icon above the label and makes the button 64 DIP
  // tall by default; anything else is a 44 DIP row.
  Button& set_tall(int layout);
  Button& set_flat(bool flat);
  // Ignored unless finite and positive.
  Button& set_icon_size(float size);
  // Empties both scaled copies and the disabled copy.
  Button& set_icon_images(ui::graphics::Image light, ui::graphics::Image dark);
  Button& set_primary(bool primary);
  Button& set_shortcut_text(std::wstring text);
  Button& set_draws_background(bool draws);
  // Canvas alignment (0 start, 1 centre, 2 end) of a label without a side
  // icon.
  Button& set_label_alignment(int alignment);
  Button& on_invoked(std::function<void()> callback);

  int glyph() const { return glyph_; }
  bool is_primary() const { return primary_; }
  bool is_flat() const { return flat_; }
  const std::wstring& shortcut_text() const { return shortcut_text_; }
  float icon_size() const { return icon_size_; }
  int layout() const { return layout_; }
  // The scaled copies of the light and the dark image.
  const ScaledIconCache& light_icon_cache() const { return light_cache_; }
  const ScaledIconCache& dark_icon_cache() const { return dark_cache_; }
  // The picture in one colour, as last drawn while disabled.
  const TintedIconCache& disabled_icon_cache() const { return disabled_cache_; }

  void draw(DrawContext& context) override;

 protected:
  layout::Size measure_override(const layout::SizeConstraint& content,
                                const layout::LayoutContext& context) override;

 private:
  // The state progress values one paint reads.
  struct Progress {
    float selected = 0.0f;
    float hovered = 0.0f;
    float pressed = 0.0f;
    float any() const;
  };
  // What one paint decided about the icon.
  struct IconChoice {
    const ui::graphics::Image* image = nullptr;
    ScaledIconCache* cache = nullptr;
    bool has_icon = false;
    bool tile = false;
    float side = 0.0f;  // DIP
  };

  bool has_icon() const;
  bool has_image() const { return light_.valid() || dark_.valid(); }
  StateColorValues current_colors(const DrawContext& context, const Progress& progress) const;
  // Background and outline; `colors` supplies fill and border.
  void draw_frame(DrawContext& context, const ui::graphics::Rect& area,
                  const StateColorValues& colors, const Progress& progress) const;
  IconChoice choose_icon(const DrawContext& context, ui::graphics::Color text_color);
  void draw_icon(DrawContext& context, const ui::graphics::Rect& area, const IconChoice& icon,
                 ui::graphics::Color color);
  ui::graphics::Rect label_area(const DrawContext& context, const ui::graphics::Rect& area,
                                const IconChoice& icon) const;
  void draw_shortcut_chip(DrawContext& context, const ui::graphics::Rect& area,
                          ui::graphics::Color color) const;
  float outline_width(const DrawContext& context) const;

  int glyph_;
  ui::graphics::Image light_;
  ui::graphics::Image dark_;
  ScaledIconCache light_cache_;
  ScaledIconCache dark_cache_;
  TintedIconCache disabled_cache_;
  float icon_size_ = 32.0f;
  int layout_ = kLayoutRow;
  bool flat_ = false;
  bool draws_background_ = true;
  int label_alignment_ = 1;
  bool primary_ = false;
  std::wstring shortcut_text_;
};

}  // namespace win32_ui::modern
