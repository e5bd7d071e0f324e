#include "ui/views/view_root.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_set>
#include <utility>

#include "ui/views/draw_context.h"
#include "ui/views/view_group.h"

namespace win32_ui::modern {
namespace {

float viewport_length(float value) { return std::isfinite(value) && value > 0.0f ? value : 0.0f; }

bool is_finite(const layout::LayoutRect& r) {
  return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) &&
         std::isfinite(r.height);
}

void collect_subtree(const View& view, std::unordered_set<const View*>& out) {
  out.insert(&view);
  if (const auto* group = dynamic_cast<const ViewGroup*>(&view)) {
    for (std::size_t i = 0; i < group->child_count(); ++i) collect_subtree(*group->child_at(i), out);
  }
}

void visit(View& view, const std::function<void(View&)>& function) {
  function(view);
  if (auto* group = dynamic_cast<ViewGroup*>(&view)) {
    for (std::size_t i = 0; i < group->child_count(); ++i) {
      if (View* child = group->child_at(i)) visit(*child, function);
    }
  }
}

}  // namespace

// Counts one running dispatch; the outermost one's end frees what was
// retired meanwhile and installs a parked root view.
class ViewRoot::DispatchScope {
 public:
  explicit DispatchScope(ViewRoot& root) : root_(root) { ++root_.dispatch_depth_; }
  ~DispatchScope() { root_.end_dispatch(); }
  DispatchScope(const DispatchScope&) = delete;
  DispatchScope& operator=(const DispatchScope&) = delete;

 private:
  ViewRoot& root_;
};

// Times one pass with the root's time source while statistics are on.
class ViewRoot::PassTimer {
 public:
  PassTimer(ViewRoot& root, PassStatistics& statistics) : root_(root), statistics_(statistics) {
    if (root_.statistics_enabled_) start_ = root_.animation_time();
  }
  ~PassTimer() {
    if (!start_ || !root_.statistics_enabled_) return;
    const std::int64_t duration =
        std::chrono::duration_cast<std::chrono::nanoseconds>(root_.animation_time() - *start_)
            .count();
    statistics_.last = duration;
    statistics_.total += duration;
    statistics_.maximum = std::max(statistics_.maximum, duration);
    ++statistics_.count;
  }
  PassTimer(const PassTimer&) = delete;
  PassTimer& operator=(const PassTimer&) = delete;

 private:
  ViewRoot& root_;
  PassStatistics& statistics_;
  std::optional<TimePoint> start_;
};

ViewRoot::ViewRoot() {
  clock_.set_request_frame([this] {
    if (scheduler_ != nullptr) scheduler_->start_frame_timer();
  });
}

ViewRoot::~ViewRoot() {
  // The owner is being destroyed around the root: none of its listeners is
  // called any more, not even by the focus change below.
  invalidation_ = {};
  root_changed_ = {};
  unhandled_ = {};
  event_observer_ = {};
  event_listener_ = {};
  key_preview_ = {};
  semantics_ = {};
  views_removed_ = {};
  focus_.set_callback({});
  clock_.set_request_frame({});
  pointers_.release_all(adapter_);
  focus_.set_scope(nullptr);
  if (root_view_) root_view_->attach_host(nullptr);
  if (parked_view_) parked_view_->attach_host(nullptr);
  retired_.clear();
  parked_view_.reset();
  root_view_.reset();
}

// ---- Tree ----

void ViewRoot::set_root(std::unique_ptr<View> view) {
  if (view) view->attach_host(this);
  if (dispatch_depth_ > 0) {
    if (parked_view_) parked_view_->attach_host(nullptr);
    parked_view_ = std::move(view);
    root_pending_ = true;
    return;
  }
  install(std::move(view));
}

void ViewRoot::install(std::unique_ptr<View> view) {
  pointers_.release_all(adapter_);
  focus_.set_scope(nullptr);
  std::unique_ptr<View> old = std::move(root_view_);
  if (old) old->attach_host(nullptr);
  old.reset();
  root_view_ = std::move(view);
  if (root_view_) root_view_->attach_host(this);
  focus_.set_scope(root_view_.get());
  needs_layout_ = true;
  needs_paint_ = true;
  notify_semantics_changed();
  request_layout();
  if (root_changed_) root_changed_(root_view_.get());
}

void ViewRoot::end_dispatch() {
  if (--dispatch_depth_ > 0) return;
  std::vector<std::unique_ptr<View>> retired = std::move(retired_);
  retired_.clear();
  retired.clear();
  if (root_pending_) {
    root_pending_ = false;
    install(std::move(parked_view_));
  }
}

void ViewRoot::for_each_view(const std::function<void(View&)>& function) const {
  if (root_view_ && function) visit(*root_view_, function);
}

bool ViewRoot::is_live(const View* view) const {
  return view != nullptr && view->host() == this;
}

std::vector<View*> ViewRoot::path_to_root(View* view) const {
  std::vector<View*> path;
  for (View* v = view; v != nullptr; v = v->parent()) {
    path.push_back(v);
    if (v == root_view_.get()) break;
  }
  return path;
}

// ---- Removal ----

void ViewRoot::retire_views(std::vector<std::unique_ptr<View>> views) {
  std::erase_if(views, [](const std::unique_ptr<View>& v) { return !v; });
  if (views.empty()) return;
  drop_references(views);
  if (views_removed_) {
    std::vector<View*> roots;
    for (const auto& view : views) roots.push_back(view.get());
    const ViewsRemovedListener listener = views_removed_;
    listener(roots);
  }
  if (dispatch_depth_ > 0) {
    for (auto& view : views) retired_.push_back(std::move(view));
    return;
  }
  views.clear();
}

void ViewRoot::drop_references(const std::vector<std::unique_ptr<View>>& removed) {
  std::unordered_set<const View*> views;
  for (const auto& view : removed) collect_subtree(*view, views);
  if (views.count(focus_.focused_view()) != 0) focus_.clear_focus(kFocusProgrammatic);
  pointers_.purge(views, adapter_);
  // The snapshot points at the removed views until it is rebuilt.
  semantics_stale_ = true;
}

// ---- Listeners and seams ----

void ViewRoot::set_frame_scheduler(platform::FrameScheduler* scheduler) {
  scheduler_ = scheduler;
  if (scheduler_ != nullptr && clock_.is_running()) scheduler_->start_frame_timer();
}

void ViewRoot::set_input_adapter(platform::InputAdapter* adapter) {
  if (adapter == adapter_) return;
  pointers_.release_all(adapter_);
  for_each_view([](View& view) {
    if (auto* group = dynamic_cast<ViewGroup*>(&view)) group->drop_pointer_tracking();
  });
  adapter_ = adapter;
}

ViewRoot::TimePoint ViewRoot::animation_time() {
  return time_source_ ? time_source_() : std::chrono::steady_clock::now();
}

// ---- ViewHost ----

void ViewRoot::mark_dirty(bool all, const layout::LayoutRect& area, int frame_kind) {
  needs_paint_ = true;
  if (all) {
    dirty_.invalidate_all();
  } else {
    dirty_.add(area.x, area.y, area.width, area.height);
  }
  ++paint_generation_;
  if (scheduler_ != nullptr) scheduler_->request_frame(frame_kind);
  if (invalidation_) invalidation_(frame_kind);
}

void ViewRoot::invalidate_rect(const layout::LayoutRect& area) {
  if (!is_finite(area)) {
    invalidate_all();
    return;
  }
  if (area.width <= 0.0f || area.height <= 0.0f) return;
  mark_dirty(false, area, 0);
}

void ViewRoot::invalidate_all() { mark_dirty(true, {}, 0); }

void ViewRoot::request_layout() {
  needs_layout_ = true;
  mark_dirty(true, {}, 1);
}

void ViewRoot::notify_semantics_changed() {
  semantics_stale_ = true;
  ++semantics_revision_;
  if (semantics_) semantics_(semantics_revision_);
}

bool ViewRoot::request_focus(View* view, FocusOrigin origin) {
  const bool known = origin == kFocusPointer || origin == kFocusKeyboard || origin == kFocusNative;
  return focus_.request_focus(view, known ? origin : kFocusProgrammatic);
}

void ViewRoot::mark_painted(std::uint64_t generation) {
  if (generation != paint_generation_) return;
  needs_paint_ = false;
  dirty_.clear();
}

const SemanticTree& ViewRoot::semantic_tree() {
  if (semantics_stale_) {
    semantic_tree_.rebuild(root_view_.get(), semantics_revision_);
    semantics_stale_ = false;
  }
  return semantic_tree_;
}

// ---- Passes ----

ViewRoot::LayoutResult ViewRoot::layout(float width, float height,
                                        const layout::LayoutContext& context) {
  const PassTimer timer(*this, layout_statistics_);
  const float w = viewport_length(width);
  const float h = viewport_length(height);
  if (!root_view_) {
    needs_layout_ = false;
    return {w, h, 0.0f, 0.0f};
  }
  root_view_->measure(layout::make_unbounded_size(w, layout::kUnbounded), context);
  const float content_height = std::max(root_view_->desired_size().height, h);
  root_view_->arrange({0.0f, 0.0f, w, content_height}, context);
  focus_.validate_focus();
  needs_layout_ = false;
  notify_semantics_changed();
  needs_paint_ = true;
  dirty_.invalidate_all();
  ++paint_generation_;
  return {w, h, w, content_height};
}

void ViewRoot::draw(DrawContext& context) {
  const PassTimer timer(*this, draw_statistics_);
  if (root_view_) root_view_->render(context);
}

}  // namespace win32_ui::modern

namespace win32_ui::modern {

// ---- Events ----

void ViewRoot::dispatch_event(Event& event) { dispatch_event(event, {}); }

void ViewRoot::dispatch_event(Event& event, const EventListener& listener) {
  const DispatchScope scope(*this);
  if (event.source != nullptr) {
    run_event_phases(event, path_to_root(event.source), listener);
  } else if (!event.skip_root_listener) {
    const EventListener root_listener = listener ? listener : event_listener_;
    if (root_listener) root_listener(event);
  }
  if (!event.stop && unhandled_) {
    const EventListener unhandled = unhandled_;
    unhandled(event);
  }
  if (event_observer_) {
    const EventObserver observer = event_observer_;
    observer(event);
  }
}

// Views removed by a handler meanwhile are still alive but get nothing more:
// the walk goes on over the views that are still in the tree.
void ViewRoot::run_event_phases(Event& event, const std::vector<View*>& path,
                                const EventListener& listener) {
  View* const source = path.front();
  event.phase = Event::kPhaseCapture;
  for (std::size_t i = path.size(); i-- > 0 && !event.stop;) {
    if (is_live(path[i])) path[i]->run_event_handlers(event, Event::kPhaseCapture);
  }
  if (!event.stop) {
    event.phase = Event::kPhaseTarget;
    event.current = source;
    if (is_live(source)) source->run_event_handlers(event, Event::kPhaseTarget);
  }
  if (!event.skip_root_listener) {
    const EventListener root_listener = listener ? listener : event_listener_;
    if (root_listener) root_listener(event);
  }
  event.phase = Event::kPhaseBubble;
  for (std::size_t i = 1; i < path.size() && !event.stop; ++i) {
    if (is_live(path[i])) path[i]->run_event_handlers(event, Event::kPhaseBubble);
  }
  event.current = nullptr;
}

// ---- Keys ----

bool ViewRoot::dispatch_key(KeyEvent& event, const KeyListener& fallback) {
  const DispatchScope scope(*this);
  if (key_preview_) {
    const KeyListener preview = key_preview_;
    preview(event);
  }
  if (event.handled) return true;
  if (is_live(event.target)) {
    run_key_phases(event, path_to_root(event.target), fallback);
  } else if (!event.default_prevented && fallback) {
    fallback(event);
  }
  return event.handled;
}

void ViewRoot::run_key_phases(KeyEvent& event, const std::vector<View*>& path,
                              const KeyListener& fallback) {
  View* const target = path.front();
  for (std::size_t i = path.size(); i-- > 0 && !event.handled;) {
    if (is_live(path[i])) path[i]->run_key_handlers(event, Event::kPhaseCapture);
  }
  if (!event.handled && is_live(target)) target->run_key_handlers(event, Event::kPhaseTarget);
  if (!event.handled && !event.default_prevented && is_live(target)) {
    event.current = target;
    if (target->on_key(event)) event.handled = true;
  }
  if (!event.handled && !event.default_prevented && fallback) fallback(event);
  for (std::size_t i = 1; i < path.size() && !event.handled; ++i) {
    if (is_live(path[i])) path[i]->run_key_handlers(event, Event::kPhaseBubble);
  }
  event.current = nullptr;
}

// ---- Pointers ----

bool ViewRoot::dispatch_pointer(PointerEvent& event, const PointerListener& listener) {
  if (!root_view_) return false;
  const DispatchScope scope(*this);
  route_pointer(event);
  if (listener) listener(event);
  return event.handled;
}

void ViewRoot::route_pointer(PointerEvent& event) {
  View* const root = root_view_.get();
  const bool touch = event.device == kDeviceTouch;
  switch (event.action) {
    case kPointerDown:
      pointer_down(event);
      break;
    case kPointerMove:
      pointer_move(event);
      break;
    case kPointerUp:
    case kPointerCancel:
      root->dispatch_pointer(event);
      pointers_.release(event.pointer_id, adapter_);
      break;
    case kPointerWheel:
      pointer_wheel(event);
      break;
    case kPointerEnter:
      if (!touch) update_hover(event, false);
      break;
    case kPointerLeave:
      if (!touch) pointer_leave(event);
      break;
    case kPointerContextMenu:
      pointer_context_menu(event);
      break;
    default:
      break;
  }
}

void ViewRoot::pointer_down(PointerEvent& event) {
  root_view_->dispatch_pointer(event);
  // A handler may have removed the view that took the down: nothing holds
  // the pointer then.
  if (event.handled && is_live(event.handler)) {
    pointers_.capture(event.pointer_id, event.handler, adapter_);
  }
}

void ViewRoot::pointer_move(PointerEvent& event) {
  if (event.device != kDeviceTouch) {
    update_hover(event, !pointers_.is_captured(event.pointer_id));
  }
  if (pointers_.is_captured(event.pointer_id)) root_view_->dispatch_pointer(event);
}

void ViewRoot::pointer_leave(PointerEvent& event) {
  const PointerState::Chain chain = pointers_.take_hover_chain(event.pointer_id);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (is_live(*it)) send_copy(**it, event, kPointerLeave);
  }
}

void ViewRoot::pointer_wheel(PointerEvent& event) {
  HitTestResult hit;
  if (!root_view_->hit_test(event.position, hit)) return;
  event.handler = hit.view;
  for (auto it = hit.chain.rbegin(); it != hit.chain.rend(); ++it) {
    if (is_live(*it) && (*it)->dispatch_pointer(event)) return;
  }
}

void ViewRoot::pointer_context_menu(PointerEvent& event) {
  if (event.device == kDeviceKeyboard && event.handler != nullptr) {
    for (View* v = event.handler; v != nullptr; v = v->parent()) {
      if (is_live(v) && v->dispatch_context_menu(event)) return;
    }
    return;
  }
  HitTestResult hit;
  if (!root_view_->hit_test(event.position, hit)) return;
  for (auto it = hit.chain.rbegin(); it != hit.chain.rend(); ++it) {
    if (is_live(*it) && (*it)->dispatch_context_menu(event)) return;
  }
}

void ViewRoot::update_hover(PointerEvent& event, bool deliver) {
  HitTestResult hit;
  PointerState::Chain now;
  if (root_view_->hit_test(event.position, hit)) now = std::move(hit.chain);
  const PointerState::Chain before = pointers_.hover_chain(event.pointer_id);
  std::size_t prefix = 0;
  while (prefix < before.size() && prefix < now.size() && before[prefix] == now[prefix]) ++prefix;
  for (std::size_t i = before.size(); i-- > prefix;) {
    if (is_live(before[i])) send_copy(*before[i], event, kPointerLeave);
  }
  for (std::size_t i = prefix; i < now.size(); ++i) {
    if (is_live(now[i])) send_copy(*now[i], event, kPointerEnter);
  }
  // Enter and leave handlers may have removed part of the new chain.
  const auto first_gone = std::find_if(now.begin(), now.end(),
                                       [this](const View* v) { return !is_live(v); });
  now.erase(first_gone, now.end());
  pointers_.set_hover_chain(event.pointer_id, now);
  if (!deliver || now.empty()) return;
  event.handler = now.back();
  now.back()->dispatch_pointer(event);
}

void ViewRoot::send_copy(View& view, const PointerEvent& event, PointerAction action) {
  PointerEvent copy = event;
  copy.action = action;
  copy.handler = &view;
  copy.current = nullptr;
  copy.handled = false;
  view.dispatch_pointer(copy);
}

}  // namespace win32_ui::modern
