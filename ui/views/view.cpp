#include "ui/views/view.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <utility>

#include "ui/views/draw_context.h"
#include "ui/views/view_group.h"

namespace win32_ui::modern {
namespace {

using ui::graphics::DrawableState;
using ui::graphics::Point;
using ui::graphics::Transform;

std::atomic<std::uint64_t> next_view_id{1};

// The four progress values in their fixed order, with their state bit and
// the duration of their animation.
struct ProgressSlot {
  DrawableState bit;
  std::int64_t duration_ns;
};
constexpr std::array<ProgressSlot, 4> kProgressSlots{{
    {ui::graphics::kStateHovered, 100'000'000},
    {ui::graphics::kStatePressed, 70'000'000},
    {ui::graphics::kStateChecked, 130'000'000},
    {ui::graphics::kStateSelected, 130'000'000},
}};

bool is_finite(const Transform& t) {
  return std::isfinite(t.m11) && std::isfinite(t.m12) && std::isfinite(t.m21) &&
         std::isfinite(t.m22) && std::isfinite(t.dx) && std::isfinite(t.dy);
}

bool same_transform(const Transform& a, const Transform& b) {
  return a.m11 == b.m11 && a.m12 == b.m12 && a.m21 == b.m21 && a.m22 == b.m22 &&
         a.dx == b.dx && a.dy == b.dy;
}

float origin_fraction(float value) { return std::isfinite(value) ? value : 0.5f; }

// The box of the rectangle's four corners mapped through `transform`.
layout::LayoutRect map_box(const Transform& transform, float left, float top, float right,
                           float bottom) {
  const Point corners[] = {transform.map_point({left, top}), transform.map_point({right, top}),
                           transform.map_point({left, bottom}),
                           transform.map_point({right, bottom})};
  float min_x = corners[0].x, max_x = corners[0].x, min_y = corners[0].y, max_y = corners[0].y;
  for (const Point& p : corners) {
    min_x = std::min(min_x, p.x);
    max_x = std::max(max_x, p.x);
    min_y = std::min(min_y, p.y);
    max_y = std::max(max_y, p.y);
  }
  return {min_x, min_y, max_x - min_x, max_y - min_y};
}

layout::LayoutRect union_of(const layout::LayoutRect& a, const layout::LayoutRect& b) {
  const float left = std::min(a.x, b.x);
  const float top = std::min(a.y, b.y);
  const float right = std::max(a.x + a.width, b.x + b.width);
  const float bottom = std::max(a.y + a.height, b.y + b.height);
  return {left, top, right - left, bottom - top};
}

}  // namespace

View::View() : id_(next_view_id.fetch_add(1)) {}

View::~View() {
  // The clock must never call back into a view that is gone.
  if (auto* c = clock()) c->cancel_owner(this, false);
}

// ---- Slots ----

bool View::can_focus() const {
  return enabled_ && focusable_ && layout_params().visibility == layout::kVisible;
}

bool View::hit_test(Point point, HitTestResult& result) {
  if (layout_params().visibility != layout::kVisible || !is_hit_target()) return false;
  const Point local = to_local(point);
  const layout::LayoutRect& box = bounds();
  bool hit = std::isfinite(local.x) && std::isfinite(local.y) && local.x >= 0.0f &&
             local.x < box.width && local.y >= 0.0f && local.y < box.height;
  if (!hit && hit_shape_) hit = hit_shape_->contains(local, {box.width, box.height});
  if (!hit) return false;
  result.view = this;
  result.chain.assign(1, this);
  return true;
}

int View::cursor_kind() const { return enabled_ && pointer_input_ ? kCursorHand : kCursorNone; }

bool View::dispatch_pointer(PointerEvent& event) {
  if (event.action == kPointerEnter || event.action == kPointerLeave) {
    const DrawableState old_state = drawable_state();
    if (event.action == kPointerEnter) {
      hovered_pointers_.insert(event.pointer_id);
    } else {
      hovered_pointers_.erase(event.pointer_id);
    }
    update_interaction_progress(old_state);
  }
  View* const saved_current = event.current;
  const Point saved_local = event.local_position;
  event.current = this;
  event.local_position = to_local(event.position);

  bool handled = false;
  const auto handlers = pointer_handlers_;
  for (const auto& handler : handlers) {
    if (handler->on_pointer(*this, event)) {
      handled = true;
      break;
    }
    if (event.handled) break;
  }
  if (!handled && !event.handled) {
    if (pointer_function_) handled = pointer_function_(event);
    if (!handled && !event.handled) handled = handle_pointer(event);
  }
  const bool result = handled || event.handled;
  if (result) {
    event.handled = true;
    if (event.handler == nullptr) event.handler = this;
  }
  event.current = saved_current;
  event.local_position = saved_local;
  return result;
}

void View::request_disallow_intercept(bool disallow) {
  if (parent_ != nullptr) parent_->request_disallow_intercept(disallow);
}

void View::draw_background(DrawContext& context) {
  if (background_ && context.canvas() != nullptr && context.palette() != nullptr) {
    background_->draw(*context.canvas(), context.bounds_px(), *context.palette(),
                      drawable_state());
  }
}

void View::draw(DrawContext&) {}

void View::draw_children(DrawContext&) {}

void View::draw_foreground(DrawContext& context) {
  if (foreground_ && context.canvas() != nullptr && context.palette() != nullptr) {
    foreground_->draw(*context.canvas(), context.bounds_px(), *context.palette(),
                      drawable_state());
  }
}

void View::on_state_changed(DrawableState, DrawableState) {}

void View::describe(ElementInfo&) const {}

bool View::perform_action(const ElementAction& action) {
  if (action.kind != ElementAction::kFocus || host_ == nullptr) return false;
  return host_->request_focus(this, kFocusProgrammatic);
}

bool View::handle_pointer(PointerEvent& event) {
  return pointer_input_ && event.action != kPointerWheel && event.action != kPointerEnter &&
         event.action != kPointerLeave;
}

bool View::on_key(KeyEvent&) { return false; }

bool View::is_hit_target() const {
  return enabled_ && (pointer_input_ || pointer_function_ || !pointer_handlers_.empty());
}

// ---- Layout ----

layout::Size View::measure_override(const layout::SizeConstraint& content,
                                    const layout::LayoutContext&) {
  const layout::LayoutParams& params = layout_params();
  const layout::Size explicit_size{
      params.has_width ? params.width - params.padding.horizontal() : 0.0f,
      params.has_height ? params.height - params.padding.vertical() : 0.0f};
  return clamp_size(content, explicit_size);
}

void View::arrange_override(const layout::LayoutRect&, const layout::LayoutContext&) {}

}  // namespace win32_ui::modern

namespace win32_ui::modern {

using ui::graphics::DrawableState;
using ui::graphics::Point;
using ui::graphics::Transform;

// ---- Setters ----

View& View::set_enabled(bool enabled) {
  if (enabled_ == enabled) return *this;
  const DrawableState old_state = drawable_state();
  enabled_ = enabled;
  // A disabled view cannot stay pressed: both change in one state update.
  if (!enabled) pressed_ = false;
  update_interaction_progress(old_state);
  notify_semantics_changed();
  return *this;
}

View& View::set_focusable(bool focusable) {
  if (focusable_ == focusable) return *this;
  focusable_ = focusable;
  notify_semantics_changed();
  return *this;
}

View& View::set_pointer_input(bool pointer_input) {
  if (pointer_input_ == pointer_input) return *this;
  pointer_input_ = pointer_input;
  notify_semantics_changed();
  return *this;
}

View& View::set_selected(bool selected) {
  if (selected_ == selected) return *this;
  const DrawableState old_state = drawable_state();
  selected_ = selected;
  update_interaction_progress(old_state);
  notify_semantics_changed();
  return *this;
}

View& View::set_focused(bool focused) {
  if (focused_ == focused) return *this;
  const DrawableState old_state = drawable_state();
  focused_ = focused;
  update_interaction_progress(old_state);
  notify_semantics_changed();
  return *this;
}

View& View::set_pressed(bool pressed) {
  if (pressed_ == pressed) return *this;
  const DrawableState old_state = drawable_state();
  pressed_ = pressed;
  update_interaction_progress(old_state);
  return *this;
}

View& View::set_checked_flag(bool checked) {
  if (checked_ == checked) return *this;
  const DrawableState old_state = drawable_state();
  checked_ = checked;
  update_interaction_progress(old_state);
  notify_semantics_changed();
  return *this;
}

View& View::set_clips_children(bool clips) {
  if (clips_children_ == clips) return *this;
  invalidate();
  clips_children_ = clips;
  invalidate();
  return *this;
}

View& View::set_animates_state(bool animates) {
  if (animates_state_ == animates) return *this;
  animates_state_ = animates;
  cancel_progress_animations();
  compute_drawable_state();
  invalidate();
  return *this;
}

View& View::set_opacity(float opacity) {
  const float value = std::isfinite(opacity) ? std::clamp(opacity, 0.0f, 1.0f) : 1.0f;
  if (opacity_ == value) return *this;
  opacity_ = value;
  invalidate();
  return *this;
}

View& View::set_render_transform(float m11, float m12, float m21, float m22, float dx, float dy) {
  return set_render_transform(Transform{m11, m12, m21, m22, dx, dy});
}

View& View::set_render_transform(const Transform& transform) {
  const Transform value = is_finite(transform) ? transform : Transform::identity();
  if (same_transform(render_transform_, value)) return *this;
  invalidate();
  render_transform_ = value;
  invalidate();
  return *this;
}

View& View::set_transform_origin(float x, float y) {
  const Point value{origin_fraction(x), origin_fraction(y)};
  if (transform_origin_.x == value.x && transform_origin_.y == value.y) return *this;
  invalidate();
  transform_origin_ = value;
  invalidate();
  return *this;
}

View& View::set_padding(const layout::Thickness& padding) {
  layout::LayoutParams params = layout_params();
  if (params.padding == padding) return *this;
  params.padding = padding;
  store_layout_params(params);
  if (host_ != nullptr) host_->request_layout();
  notify_semantics_changed();
  return *this;
}

View& View::set_layout_params(const layout::LayoutParams& params) {
  if (layout_params() == params) return *this;
  store_layout_params(params);
  if (host_ != nullptr) host_->request_layout();
  notify_semantics_changed();
  return *this;
}

View& View::set_accessible_name(std::wstring name) {
  if (accessible_name_ == name) return *this;
  accessible_name_ = std::move(name);
  notify_semantics_changed();
  return *this;
}

View& View::set_accessible_help(std::wstring help) {
  if (accessible_help_ == help) return *this;
  accessible_help_ = std::move(help);
  notify_semantics_changed();
  return *this;
}

View& View::set_accessible_role(std::optional<ElementRole> role) {
  if (accessible_role_ == role) return *this;
  accessible_role_ = role;
  notify_semantics_changed();
  return *this;
}

View& View::set_accessibility_exposed(std::optional<bool> exposed) {
  if (accessibility_exposed_ == exposed) return *this;
  accessibility_exposed_ = exposed;
  notify_semantics_changed();
  return *this;
}

View& View::set_tooltip(std::wstring tooltip) {
  if (tooltip_ == tooltip) return *this;
  tooltip_ = std::move(tooltip);
  // The surface rebuilds its tooltips on layout.
  if (host_ != nullptr) host_->request_layout();
  return *this;
}

View& View::set_background(std::shared_ptr<const ui::graphics::Drawable> drawable) {
  if (background_ == drawable) return *this;
  background_ = std::move(drawable);
  invalidate();
  return *this;
}

View& View::set_foreground(std::shared_ptr<const ui::graphics::Drawable> drawable) {
  if (foreground_ == drawable) return *this;
  foreground_ = std::move(drawable);
  invalidate();
  return *this;
}

View& View::set_token_overrides(std::shared_ptr<const TokenDictionary> tokens) {
  if (token_overrides_ == tokens) return *this;
  token_overrides_ = std::move(tokens);
  invalidate();
  return *this;
}

View& View::set_pointer_function(PointerFunction function) {
  pointer_function_ = std::move(function);
  return *this;
}

View& View::set_context_menu_function(PointerFunction function) {
  context_menu_function_ = std::move(function);
  return *this;
}

View& View::set_hit_shape(std::unique_ptr<HitShape> shape) {
  hit_shape_ = std::move(shape);
  return *this;
}

View& View::add_pointer_handler(std::shared_ptr<PointerHandler> handler) {
  if (handler) pointer_handlers_.push_back(std::move(handler));
  return *this;
}

// ---- Handler tables ----

View& View::add_event_handler(std::int32_t kind, EventFunction function) {
  return add_event_handler_in_phase(kind, Event::kPhaseTarget, std::move(function));
}

View& View::add_key_handler(KeyFunction function) {
  return add_key_handler_in_phase(Event::kPhaseTarget, std::move(function));
}

View& View::add_key_preview_handler(KeyFunction function) {
  return add_key_handler_in_phase(Event::kPhaseCapture, std::move(function));
}

View& View::add_event_handler_in_phase(std::int32_t kind, std::int32_t phase,
                                       EventFunction function) {
  if (function) event_handlers_.push_back({kind, phase, std::move(function)});
  return *this;
}

View& View::add_key_handler_in_phase(std::int32_t phase, KeyFunction function) {
  if (function) key_handlers_.push_back({phase, std::move(function)});
  return *this;
}

void View::post_event(Event& event) {
  if (event.source == nullptr) event.source = this;
  if (host_ != nullptr) host_->dispatch_event(event);
}

void View::run_event_handlers(Event& event, std::int32_t phase) {
  const std::vector<EventHandlerEntry> handlers = event_handlers_;
  for (const EventHandlerEntry& entry : handlers) {
    if (entry.kind != event.kind || entry.phase != phase) continue;
    event.current = this;
    entry.function(event);
    if (event.stop) return;
  }
}

void View::run_key_handlers(KeyEvent& event, std::int32_t phase) {
  const std::vector<KeyHandlerEntry> handlers = key_handlers_;
  for (const KeyHandlerEntry& entry : handlers) {
    if (entry.phase != phase) continue;
    event.current = this;
    entry.function(event);
    if (event.handled) return;
  }
}

// ---- Interaction state ----

DrawableState View::drawable_state() const {
  DrawableState state = 0;
  if (enabled_) state |= ui::graphics::kStateEnabled;
  if (pressed_) state |= ui::graphics::kStatePressed;
  if (is_hovered()) state |= ui::graphics::kStateHovered;
  if (focused_) state |= ui::graphics::kStateFocused;
  if (checked_) state |= ui::graphics::kStateChecked;
  if (selected_) state |= ui::graphics::kStateSelected;
  return state;
}

float View::interaction_progress(DrawableState bit) const {
  for (std::size_t i = 0; i < kProgressCount; ++i) {
    if (kProgressSlots[i].bit == bit) return progress_[i];
  }
  return 0.0f;
}

void View::compute_drawable_state() {
  const DrawableState state = drawable_state();
  for (std::size_t i = 0; i < kProgressCount; ++i) {
    progress_[i] = (state & kProgressSlots[i].bit) != 0 ? 1.0f : 0.0f;
  }
}

void View::update_interaction_progress(DrawableState old_state) {
  const DrawableState new_state = drawable_state();
  if (new_state == old_state) return;
  update_progress_values(old_state, new_state);
  on_state_changed(old_state, new_state);
  invalidate();
}

void View::update_progress_values(DrawableState old_state, DrawableState new_state) {
  if ((new_state & ui::graphics::kStateEnabled) == 0) {
    cancel_progress_animations();
    compute_drawable_state();
    return;
  }
  for (std::size_t i = 0; i < kProgressCount; ++i) {
    const DrawableState bit = kProgressSlots[i].bit;
    if ((old_state & bit) == (new_state & bit)) continue;
    animate_progress(i, (new_state & bit) != 0 ? 1.0f : 0.0f);
  }
}

void View::animate_progress(std::size_t index, float target) {
  ui::animation::AnimationClock* const c = clock();
  if (c != nullptr && progress_animations_[index] != 0) c->cancel(progress_animations_[index]);
  progress_animations_[index] = 0;
  if (c == nullptr || !animates_state_ || !c->enabled()) {
    progress_[index] = target;
    return;
  }
  ui::animation::AnimationSpec spec;
  spec.duration = kProgressSlots[index].duration_ns;
  spec.delay = 0;
  spec.easing = ui::animation::kEasingQuadOut;
  try {
    progress_animations_[index] = c->animate_float_for(
        this, kProgressAnimationKey + index, progress_[index], target, spec,
        [this, index](float value) {
          progress_[index] = value;
          invalidate();
        },
        [this, index](ui::animation::CompletionStatus) { progress_animations_[index] = 0; },
        host_->animation_time());
  } catch (...) {
    progress_animations_[index] = 0;
    progress_[index] = target;
  }
}

void View::cancel_progress_animations() {
  ui::animation::AnimationClock* const c = clock();
  for (std::uint64_t& id : progress_animations_) {
    const std::uint64_t running = std::exchange(id, 0);
    if (c != nullptr && running != 0) c->cancel(running);
  }
}

ui::animation::AnimationClock* View::clock() const {
  return host_ != nullptr ? host_->animation_clock() : nullptr;
}

// ---- Host requests ----

void View::invalidate() {
  if (host_ != nullptr) host_->invalidate_rect(visual_bounds());
}

void View::invalidate_layout() {
  invalidate_upward();
  if (host_ != nullptr) host_->request_layout();
}

void View::notify_semantics_changed() {
  if (host_ != nullptr) host_->notify_semantics_changed();
}

bool View::request_focus(FocusOrigin origin) {
  return host_ != nullptr && host_->request_focus(this, origin);
}

}  // namespace win32_ui::modern

namespace win32_ui::modern {

// ---- Geometry ----

Transform View::local_transform() const {
  if (!is_finite(render_transform_)) return Transform::identity();
  const layout::LayoutRect& box = bounds();
  const float pivot_x = box.x + origin_fraction(transform_origin_.x) * box.width;
  const float pivot_y = box.y + origin_fraction(transform_origin_.y) * box.height;
  return Transform::multiply(
      Transform::multiply(Transform::translation(-pivot_x, -pivot_y), render_transform_),
      Transform::translation(pivot_x, pivot_y));
}

Transform View::accumulated_transform() const {
  const Transform own = local_transform();
  if (parent_ == nullptr) return own;
  return Transform::multiply(own, parent_->accumulated_transform());
}

Point View::to_local(Point root_point) const {
  const std::optional<Transform> inverse = accumulated_transform().inverted();
  if (!inverse) {
    constexpr float kInf = std::numeric_limits<float>::infinity();
    return {kInf, kInf};
  }
  const Point p = inverse->map_point(root_point);
  return {p.x - bounds().x, p.y - bounds().y};
}

layout::LayoutRect View::bounds_in_root() const {
  const layout::LayoutRect& box = bounds();
  return map_box(accumulated_transform(), box.x, box.y, box.x + box.width, box.y + box.height);
}

layout::LayoutRect View::visual_bounds() const {
  constexpr float kGrow = 4.0f;
  const layout::LayoutRect& box = bounds();
  layout::LayoutRect result = map_box(accumulated_transform(), box.x - kGrow, box.y - kGrow,
                                      box.x + box.width + kGrow, box.y + box.height + kGrow);
  if (clips_children_) return result;
  if (const auto* group = dynamic_cast<const ViewGroup*>(this)) {
    for (std::size_t i = 0; i < group->child_count(); ++i) {
      const View* child = group->child_at(i);
      if (child->layout_params().visibility != layout::kVisible) continue;
      result = union_of(result, child->visual_bounds());
    }
  }
  return result;
}

// ---- Tree ----

void View::attach_host(ViewHost* host) {
  if (host == host_) return;
  auto* group = dynamic_cast<ViewGroup*>(this);
  if (host_ != nullptr) {
    if (group != nullptr) group->on_detaching();
    if (auto* c = clock()) c->cancel_owner(this, false);
    progress_animations_.fill(0);
  }
  compute_drawable_state();
  host_ = host;
  if (group != nullptr) {
    for (std::size_t i = 0; i < group->child_count(); ++i) group->child_at(i)->attach_host(host);
    if (host_ != nullptr) group->on_attached();
  }
}

void View::set_parent(ViewGroup* parent) { parent_ = parent; }

// ---- Drawing ----

namespace {

// Keeps the canvas state balanced even when a view's drawing throws.
class CanvasStateScope {
 public:
  CanvasStateScope(DrawContext& context, View& view)
      : context_(context), saved_((context.canvas()->save(), context.push_view(view))) {}
  ~CanvasStateScope() {
    context_.pop_view(saved_);
    context_.canvas()->restore();
  }
  CanvasStateScope(const CanvasStateScope&) = delete;
  CanvasStateScope& operator=(const CanvasStateScope&) = delete;

 private:
  DrawContext& context_;
  DrawContext::SavedView saved_;
};

}  // namespace

void View::render(DrawContext& context) {
  if (context.canvas() == nullptr) return;
  if (layout_params().visibility != layout::kVisible || !(opacity_ > 0.0f)) return;
  const bool entered_always = dynamic_cast<ViewGroup*>(this) != nullptr && !clips_children_;
  if (!entered_always && !context.is_visible(*this)) return;
  const CanvasStateScope scope(context, *this);
  draw_background(context);
  draw(context);
  draw_children(context);
  draw_foreground(context);
}

bool View::dispatch_context_menu(PointerEvent& event) {
  if (!enabled_ || !context_menu_function_) return false;
  event.current = this;
  event.local_position = to_local(event.position);
  if (focusable_) request_focus(event.device == kDeviceKeyboard ? kFocusKeyboard : kFocusPointer);
  // A copy: the function may replace itself while it runs.
  const PointerFunction function = context_menu_function_;
  if (!function(event)) return false;
  event.handled = true;
  event.handler = this;
  return true;
}

// ---- Accessibility ----

void View::describe_element(ElementInfo& info) const {
  info = ElementInfo{};
  info.enabled = enabled_;
  info.focusable = focusable_;
  info.focused = focused_;
  info.selected = selected_;
  if (focusable_) info.add_flags(ElementAction::kFocus);
  describe(info);
  if (accessible_name_) info.name = *accessible_name_;
  if (!accessible_help_.empty()) info.help_text = accessible_help_;
  if (accessible_role_) info.role = *accessible_role_;
  if (accessibility_exposed_) info.exposed = *accessibility_exposed_;
}

bool View::perform_element_action(const ElementAction& action) {
  if (action.kind != 0) {
    ElementInfo info;
    describe_element(info);
    if (!info.has_flag(action.kind)) return false;
  }
  return perform_action(action);
}

std::optional<ui::graphics::Color> View::find_color_override(std::uint64_t key) const {
  for (const View* view = this; view != nullptr; view = view->parent_) {
    if (!view->token_overrides_) continue;
    if (auto color = view->token_overrides_->find_color(key)) return color;
  }
  return std::nullopt;
}

std::optional<float> View::find_metric_override(std::uint64_t key) const {
  for (const View* view = this; view != nullptr; view = view->parent_) {
    if (!view->token_overrides_) continue;
    if (auto metric = view->token_overrides_->find_metric(key)) return metric;
  }
  return std::nullopt;
}

}  // namespace win32_ui::modern
