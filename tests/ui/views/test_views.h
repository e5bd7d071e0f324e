// Views and helpers for the view-tree tests: a probe view that counts its
// state changes, draws a labelled mark and describes itself as told; a
// drawable that writes its label; a layout helper.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/views/draw_context.h"
#include "ui/views/view.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/view_group.h"

namespace win32_ui::modern::testing {

// Draws its label as text, so the canvas log names who drew what.
class LabelDrawable final : public ui::graphics::Drawable {
 public:
  explicit LabelDrawable(std::wstring label) : label_(std::move(label)) {}
  void draw(ui::graphics::Canvas& canvas, const ui::graphics::Rect& rect,
            const ui::graphics::RenderPalette&, ui::graphics::DrawableState state) const override {
    ui::graphics::TextStyle style;
    style.font = state;
    canvas.draw_text(label_, rect, style);
  }

 private:
  std::wstring label_;
};

class ProbeView : public View {
 public:
  explicit ProbeView(std::wstring label = {}) : label_(std::move(label)) {}

  using View::set_checked_flag;

  struct StateChange {
    ui::graphics::DrawableState old_state;
    ui::graphics::DrawableState new_state;
  };
  std::vector<StateChange> state_changes;
  // What describe fills in.
  ElementInfo described;
  std::vector<ElementAction> performed;

  void draw(DrawContext& context) override {
    if (label_.empty()) return;
    context.canvas()->draw_text(L"draw:" + label_, context.bounds_px(), {});
  }
  void on_state_changed(ui::graphics::DrawableState old_state,
                        ui::graphics::DrawableState new_state) override {
    state_changes.push_back({old_state, new_state});
  }
  void describe(ElementInfo& info) const override {
    const ElementInfo base = info;
    info = described;
    info.enabled = base.enabled;
    info.focusable = base.focusable;
    info.focused = base.focused;
    info.selected = base.selected;
    info.add_flags(base.action_flags);
  }
  bool perform_action(const ElementAction& action) override {
    performed.push_back(action);
    return View::perform_action(action) || action.kind != ElementAction::kFocus;
  }

 private:
  std::wstring label_;
};

// An overlay group that draws a labelled mark of its own.
class ProbeGroup : public OverlayPanel {
 public:
  explicit ProbeGroup(std::wstring label = {}) : label_(std::move(label)) {}
  void draw(DrawContext& context) override {
    if (label_.empty()) return;
    context.canvas()->draw_text(L"draw:" + label_, context.bounds_px(), {});
  }

 private:
  std::wstring label_;
};

// Layout params with an explicit size.
inline layout::LayoutParams sized(float width, float height) {
  layout::LayoutParams params;
  params.width = width;
  params.has_width = true;
  params.height = height;
  params.has_height = true;
  return params;
}

template <typename T = ProbeView, typename... Args>
std::unique_ptr<T> make_sized(float width, float height, Args&&... args) {
  auto view = std::make_unique<T>(std::forward<Args>(args)...);
  view->set_layout_params(sized(width, height));
  return view;
}

// Measures the tree in (width, height) and arranges it at (x, y).
inline void lay_out(View& root, float x, float y, float width, float height,
                    std::int32_t direction = layout::kLayoutLeftToRight) {
  layout::LayoutContext context;
  context.direction = direction;
  root.measure(layout::make_unbounded_size(width, height), context);
  root.arrange({x, y, width, height}, context);
}

}  // namespace win32_ui::modern::testing
