// Layout nodes for the layout engine's tests: a leaf with a fixed content
// size and a grid, both counting the overrides they run.
#pragma once

#include <vector>

#include "ui/platform/layout/grid_panel.h"
#include "ui/platform/layout/layout_node.h"

namespace win32_ui::layout::testing {

class TestLeaf : public LayoutNode {
 public:
  explicit TestLeaf(Size content = {}) : content_(content) {}

  void set_content(Size content) { content_ = content; }
  void set_params(const LayoutParams& params) { store_layout_params(params); }

  int measure_calls = 0;
  int arrange_calls = 0;
  SizeConstraint last_constraint;
  LayoutRect last_content_rect;

 protected:
  Size measure_override(const SizeConstraint& constraint, const LayoutContext&) override {
    ++measure_calls;
    last_constraint = constraint;
    return content_;
  }
  void arrange_override(const LayoutRect& content, const LayoutContext&) override {
    ++arrange_calls;
    last_content_rect = content;
  }

 private:
  Size content_;
};

class CountingGrid : public GridPanel {
 public:
  using GridPanel::GridPanel;
  int measure_calls = 0;

 protected:
  Size measure_override(const SizeConstraint& constraint, const LayoutContext& context) override {
    ++measure_calls;
    return GridPanel::measure_override(constraint, context);
  }
};

}  // namespace win32_ui::layout::testing
