// The layout engine's node: the two-pass (measure, then arrange) base of
// every classic layout element and of every view, and Panel, a node that owns
// an ordered list of child nodes.
//
// LayoutNode::measure and LayoutNode::arrange apply the node's LayoutParams
// (margins, padding, explicit size, limits, alignment, visibility) around the
// two virtual overrides and keep a measure cache keyed by the normalised
// constraint and the context's dpi, theme, text measurer, revision and
// direction. The cache remembers the last two distinct keys: a grid measures
// each child first unbounded and then within its column width, and a single
// entry would make nested grids re-measure every level twice per level, so
// the count would double with each level of nesting.
//
// A node is owned by its panel (or by whoever made the root). UI thread only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "ui/platform/layout/layout_types.h"

namespace win32_ui::layout {

class LayoutNode {
 public:
  LayoutNode() = default;
  virtual ~LayoutNode() = default;
  LayoutNode(const LayoutNode&) = delete;
  LayoutNode& operator=(const LayoutNode&) = delete;

  // The size the node wants including margins (stored as desired_size). The
  // only way panels, hosts and the view root measure a node.
  Size measure(const SizeConstraint& constraint, const LayoutContext& context);
  // Places the node inside `offered` (margins, alignment, limits) and
  // arranges its content. Always runs.
  void arrange(const LayoutRect& offered, const LayoutContext& context);

  const LayoutParams& layout_params() const { return params_; }
  // Replaces the block whole; a measured node is invalidated upward.
  void store_layout_params(const LayoutParams& params);

  LayoutNode* parent() const { return parent_; }
  void set_parent(LayoutNode* parent) { parent_ = parent; }
  // Clears `measured` on this node and on each parent in turn, stopping at
  // the first parent whose flag is already clear.
  void invalidate_upward();

  // Arranged rectangle: margins removed, alignment applied.
  const LayoutRect& bounds() const { return bounds_; }
  // bounds() less the padding: where the content goes.
  const LayoutRect& surface_bounds() const { return content_bounds_; }
  // The last measure result with margins.
  Size desired_size() const { return desired_size_; }
  // The same without margins (padding included).
  Size desired_content_size() const { return desired_content_size_; }
  // The context direction of the last measure or arrange (1 right to left).
  std::int32_t direction() const { return direction_; }
  bool is_measured() const { return measured_; }

  // Each dimension taken non-negative and clamped into the normalised
  // constraint's [min, max].
  static Size clamp_size(const SizeConstraint& constraint, Size size);

 protected:
  // The content size within the content constraint (margins and padding
  // already taken off).
  virtual Size measure_override(const SizeConstraint& content, const LayoutContext& context) = 0;
  // Lays the content out inside the content rectangle.
  virtual void arrange_override(const LayoutRect& content, const LayoutContext& context) = 0;

 private:
  struct MeasureKey {
    SizeConstraint constraint;
    std::uint32_t dpi = 0;
    const Theme* theme = nullptr;
    const TextMeasurer* text_measurer = nullptr;
    std::uint64_t revision = 0;
    std::int32_t direction = 0;

    friend bool operator==(const MeasureKey&, const MeasureKey&) = default;
  };
  struct MeasureCacheEntry {
    bool valid = false;
    MeasureKey key;
    Size desired;
    Size desired_content;
  };

  static MeasureKey key_of(const SizeConstraint& normalized, const LayoutContext& context);
  // Steps after the cache look-up: runs the override and stores the result
  // in the cache as the newest entry.
  Size run_measure(const SizeConstraint& normalized, const LayoutContext& context);

  LayoutNode* parent_ = nullptr;
  LayoutParams params_;
  Size desired_size_;
  Size desired_content_size_;
  LayoutRect bounds_;
  LayoutRect content_bounds_;
  std::array<MeasureCacheEntry, 2> cache_;
  // The entry the last measure returned.
  std::size_t newest_ = 0;
  // The entry whose override run produced the state the node and its subtree
  // hold now (grid track sizes, children's desired sizes). When a cache hit
  // returns the other entry, arrange runs the override again first.
  std::size_t override_entry_ = 0;
  std::int32_t direction_ = kLayoutLeftToRight;
  bool measured_ = false;
};

// A node with an ordered list of owned children. Measure and arrange stay
// for the concrete panel.
class Panel : public LayoutNode {
 public:
  Panel() = default;
  ~Panel() override;

  // Adopts the child and returns it. A null child throws
  // std::invalid_argument("layout child must not be null") and changes
  // nothing.
  LayoutNode* add_child(std::unique_ptr<LayoutNode> child);

  std::size_t child_count() const { return children_.size(); }
  // Null past the end.
  LayoutNode* child_at(std::size_t index) const;

 private:
  std::vector<std::unique_ptr<LayoutNode>> children_;
};

}  // namespace win32_ui::layout
