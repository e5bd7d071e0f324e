#include "ui/platform/layout/layout_node.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace win32_ui::layout {
namespace {

float non_negative_max(float value) { return std::isnan(value) ? kUnbounded : non_negative(value); }

// Takes the given sums off both ends of a constraint; an unbounded maximum stays
// unbounded and nothing goes below 0.
SizeConstraint deflate(const SizeConstraint& c, float horizontal, float vertical) {
  SizeConstraint inner;
  inner.min_width = non_negative(c.min_width - horizontal);
  inner.min_height = non_negative(c.min_height - vertical);
  inner.max_width = std::isinf(c.max_width) ? kUnbounded : non_negative(c.max_width - horizontal);
  inner.max_height = std::isinf(c.max_height) ? kUnbounded : non_negative(c.max_height - vertical);
  return inner;
}

// Node limits narrow one axis of the inner constraint.
void apply_limits(float limit_min, float limit_max, float& min, float& max) {
  min = std::max(non_negative(limit_min), min);
  const float effective_max = std::max(non_negative_max(limit_max), min);
  max = std::min(effective_max, max);
}

// An explicit size pins one axis of the inner constraint.
void apply_explicit(float explicit_size, float& min, float& max) {
  float size = non_negative(explicit_size);
  if (size > max) {
    size = max;
  } else if (size < min) {
    size = min;
  }
  min = size;
  max = size;
}

float finite_or_zero(float value) { return std::isfinite(value) ? value : 0.0f; }

}  // namespace

float Thickness::horizontal() const { return non_negative(left) + non_negative(right); }
float Thickness::vertical() const { return non_negative(top) + non_negative(bottom); }

float non_negative(float value) {
  if (std::isnan(value)) return 0.0f;
  return value < 0.0f ? 0.0f : value;
}

SizeConstraint make_unbounded_size(float width, float height) {
  return SizeConstraint{0.0f, 0.0f, width, height};
}

SizeConstraint normalize_constraint(const SizeConstraint& c) {
  SizeConstraint n;
  n.min_width = non_negative(c.min_width);
  n.min_height = non_negative(c.min_height);
  n.max_width = std::max(non_negative_max(c.max_width), n.min_width);
  n.max_height = std::max(non_negative_max(c.max_height), n.min_height);
  return n;
}

Size LayoutNode::clamp_size(const SizeConstraint& constraint, Size size) {
  const SizeConstraint c = normalize_constraint(constraint);
  return Size{std::clamp(non_negative(size.width), c.min_width, c.max_width),
              std::clamp(non_negative(size.height), c.min_height, c.max_height)};
}

LayoutNode::MeasureKey LayoutNode::key_of(const SizeConstraint& normalized,
                                          const LayoutContext& context) {
  return MeasureKey{normalized,       context.dpi,      context.theme, context.text_measurer,
                    context.revision, context.direction};
}

Size LayoutNode::measure(const SizeConstraint& constraint, const LayoutContext& context) {
  direction_ = context.direction;
  const SizeConstraint c = normalize_constraint(constraint);

  if (params_.visibility == kCollapsed) {
    desired_size_ = Size{};
    desired_content_size_ = Size{};
    for (auto& entry : cache_) entry.valid = false;
    measured_ = true;
    return desired_size_;
  }

  if (measured_) {
    const MeasureKey key = key_of(c, context);
    for (std::size_t i = 0; i < cache_.size(); ++i) {
      if (cache_[i].valid && cache_[i].key == key) {
        newest_ = i;
        desired_size_ = cache_[i].desired;
        desired_content_size_ = cache_[i].desired_content;
        return desired_size_;
      }
    }
  } else {
    for (auto& entry : cache_) entry.valid = false;
  }
  return run_measure(c, context);
}

Size LayoutNode::run_measure(const SizeConstraint& c, const LayoutContext& context) {
  const float margin_h = params_.margin.horizontal();
  const float margin_v = params_.margin.vertical();

  SizeConstraint inner = deflate(c, margin_h, margin_v);
  apply_limits(params_.min_width, params_.max_width, inner.min_width, inner.max_width);
  apply_limits(params_.min_height, params_.max_height, inner.min_height, inner.max_height);
  if (params_.has_width) apply_explicit(params_.width, inner.min_width, inner.max_width);
  if (params_.has_height) apply_explicit(params_.height, inner.min_height, inner.max_height);

  const float padding_h = params_.padding.horizontal();
  const float padding_v = params_.padding.vertical();
  // Limits narrower than the offer can leave a maximum below the minimum;
  // overrides always see a normalised constraint.
  const SizeConstraint content = normalize_constraint(deflate(inner, padding_h, padding_v));
  const Size content_size = clamp_size(content, measure_override(content, context));

  desired_content_size_ =
      clamp_size(inner, Size{content_size.width + padding_h, content_size.height + padding_v});
  desired_size_ = clamp_size(c, Size{desired_content_size_.width + margin_h,
                                     desired_content_size_.height + margin_v});

  // The newest entry stays; the other one is replaced (or the free one used).
  std::size_t slot = 0;
  if (measured_) {
    slot = !cache_[0].valid ? 0 : (!cache_[1].valid ? 1 : 1 - newest_);
  }
  cache_[slot] = MeasureCacheEntry{true, key_of(c, context), desired_size_, desired_content_size_};
  newest_ = slot;
  override_entry_ = slot;
  measured_ = true;
  return desired_size_;
}

void LayoutNode::arrange(const LayoutRect& offered, const LayoutContext& context) {
  direction_ = context.direction;
  const LayoutRect r{finite_or_zero(offered.x), finite_or_zero(offered.y),
                     std::isnan(offered.width) ? 0.0f : offered.width,
                     std::isnan(offered.height) ? 0.0f : offered.height};

  if (params_.visibility == kCollapsed) {
    bounds_ = LayoutRect{r.x, r.y, 0.0f, 0.0f};
    content_bounds_ = bounds_;
    arrange_override(content_bounds_, context);
    return;
  }

  // A cache hit handed out a result whose override run is not the one the
  // subtree holds now: bring the subtree in line before placing it.
  if (measured_ && newest_ != override_entry_ && cache_[newest_].valid) {
    const SizeConstraint constraint = cache_[newest_].key.constraint;
    cache_[newest_].valid = false;
    run_measure(constraint, context);
  }

  const LayoutRect a{r.x + non_negative(params_.margin.left), r.y + non_negative(params_.margin.top),
                     non_negative(r.width - params_.margin.horizontal()),
                     non_negative(r.height - params_.margin.vertical())};

  float width = a.width;
  if (params_.has_width) {
    width = non_negative(params_.width);
  } else if (params_.horizontal_alignment != kAlignStretch) {
    width = std::min(desired_content_size_.width, a.width);
  }
  float height = a.height;
  if (params_.has_height) {
    height = non_negative(params_.height);
  } else if (params_.vertical_alignment != kAlignStretch) {
    height = std::min(desired_content_size_.height, a.height);
  }

  const float min_w = non_negative(params_.min_width);
  const float min_h = non_negative(params_.min_height);
  width = std::clamp(width, min_w, std::max(min_w, non_negative_max(params_.max_width)));
  height = std::clamp(height, min_h, std::max(min_h, non_negative_max(params_.max_height)));
  width = std::min(a.width, width);
  height = std::min(a.height, height);

  float x = a.x;
  if (params_.horizontal_alignment == kAlignCenter) {
    x = a.x + (a.width - width) * 0.5f;
  } else if ((direction_ == kLayoutRightToLeft) != (params_.horizontal_alignment == kAlignEnd)) {
    x = a.x + a.width - width;
  }
  float y = a.y;
  if (params_.vertical_alignment == kAlignCenter) {
    y = a.y + (a.height - height) * 0.5f;
  } else if (params_.vertical_alignment == kAlignEnd) {
    y = a.y + a.height - height;
  }

  bounds_ = LayoutRect{x, y, width, height};
  content_bounds_ = LayoutRect{x + non_negative(params_.padding.left),
                               y + non_negative(params_.padding.top),
                               non_negative(width - params_.padding.horizontal()),
                               non_negative(height - params_.padding.vertical())};
  arrange_override(content_bounds_, context);
}

void LayoutNode::store_layout_params(const LayoutParams& params) {
  params_ = params;
  if (measured_) invalidate_upward();
}

void LayoutNode::invalidate_upward() {
  measured_ = false;
  for (LayoutNode* node = parent_; node != nullptr && node->measured_; node = node->parent_) {
    node->measured_ = false;
  }
}

Panel::~Panel() {
  // Children go in order, first to last.
  for (auto& child : children_) child.reset();
}

LayoutNode* Panel::add_child(std::unique_ptr<LayoutNode> child) {
  if (!child) throw std::invalid_argument("layout child must not be null");
  LayoutNode* raw = child.get();
  children_.push_back(std::move(child));
  raw->set_parent(this);
  if (is_measured()) invalidate_upward();
  return raw;
}

LayoutNode* Panel::child_at(std::size_t index) const {
  return index < children_.size() ? children_[index].get() : nullptr;
}

}  // namespace win32_ui::layout
