// ViewRoot sits at the top of one view tree and is the ViewHost its views
// talk to. It collects repaint areas and layout requests and passes them to
// the surface's frame scheduler, keeps the tree's semantic snapshot, owns
// the animation clock and the focus state, dispatches events, keys and
// pointer actions into the tree, and runs the layout and draw passes.
//
// Handlers may rebuild the tree while a dispatch runs. The root counts the
// running dispatches; a root view set meanwhile waits (parked) and subtrees
// removed meanwhile are kept alive until the outermost dispatch returns, so
// no running dispatch ever touches a freed view. On every removal the root
// drops its own references into the removed subtrees (focus, capture,
// hover) and tells the views-removed listener.
//
// The surface owns one root and wires its listeners. UI thread only.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "ui/platform/layout/layout_types.h"
#include "ui/views/animation_clock.h"
#include "ui/views/dirty_region.h"
#include "ui/views/event.h"
#include "ui/views/focus_manager.h"
#include "ui/views/frame_scheduler.h"
#include "ui/views/input_adapter.h"
#include "ui/views/key_event.h"
#include "ui/views/pointer_event.h"
#include "ui/views/pointer_state.h"
#include "ui/views/semantic_tree.h"
#include "ui/views/view.h"
#include "ui/views/view_host.h"

namespace win32_ui::modern {

class DrawContext;

class ViewRoot final : public ViewHost {
 public:
  using TimePoint = ui::animation::AnimationClock::TimePoint;
  using TimeSource = std::function<TimePoint()>;
  using EventListener = std::function<void(Event&)>;
  using EventObserver = std::function<void(const Event&)>;
  using KeyListener = std::function<void(KeyEvent&)>;
  using PointerListener = std::function<void(PointerEvent&)>;
  using RootChangedListener = std::function<void(View*)>;
  using SemanticsListener = std::function<void(std::uint64_t)>;
  using InvalidationListener = std::function<void(int)>;
  // The roots of the subtrees just removed; called before they are freed.
  using ViewsRemovedListener = std::function<void(const std::vector<View*>&)>;

  // Durations of one kind of pass, in steady-clock nanoseconds.
  struct PassStatistics {
    std::int64_t last = 0;
    std::int64_t total = 0;
    std::int64_t maximum = 0;
    std::uint64_t count = 0;
  };

  // What the layout pass tells the surface, in DIP.
  struct LayoutResult {
    float viewport_width = 0.0f;
    float viewport_height = 0.0f;
    float content_width = 0.0f;
    float content_height = 0.0f;
  };

  ViewRoot();
  ~ViewRoot() override;
  ViewRoot(const ViewRoot&) = delete;
  ViewRoot& operator=(const ViewRoot&) = delete;

  // ---- Tree ----
  // Attaches the view at once; installs it now, or after the running
  // dispatch returns (a view parked earlier is then freed).
  void set_root(std::unique_ptr<View> view);
  View* root_view() const { return root_view_.get(); }
  View* parked_view() const { return parked_view_.get(); }
  // Every view, parents before children, children in order.
  void for_each_view(const std::function<void(View&)>& function) const;

  // ---- Listeners and platform seams ----
  void set_event_listener(EventListener listener) { event_listener_ = std::move(listener); }
  void set_event_observer(EventObserver observer) { event_observer_ = std::move(observer); }
  void set_key_preview_listener(KeyListener listener) { key_preview_ = std::move(listener); }
  void set_root_changed_listener(RootChangedListener listener) {
    root_changed_ = std::move(listener);
  }
  void set_semantics_listener(SemanticsListener listener) { semantics_ = std::move(listener); }
  void set_invalidation_listener(InvalidationListener listener) {
    invalidation_ = std::move(listener);
  }
  void set_unhandled_event_listener(EventListener listener) { unhandled_ = std::move(listener); }
  void set_views_removed_listener(ViewsRemovedListener listener) {
    views_removed_ = std::move(listener);
  }
  // Tells the scheduler at once when animations already wait.
  void set_frame_scheduler(platform::FrameScheduler* scheduler);
  // A different adapter first releases all pointer state through the old.
  void set_input_adapter(platform::InputAdapter* adapter);
  // The time animations and pass statistics read; the steady clock when
  // none is set.
  void set_time_source(TimeSource source) { time_source_ = std::move(source); }

  // ---- State ----
  FocusManager& focus_manager() { return focus_; }
  const ui::graphics::DirtyRegion& dirty_region() const { return dirty_; }
  bool needs_layout() const { return needs_layout_; }
  bool needs_paint() const { return needs_paint_; }
  std::uint64_t paint_generation() const { return paint_generation_; }
  // Clears the dirty state unless a request came after `generation`.
  void mark_painted(std::uint64_t generation);
  std::int32_t dispatch_depth() const { return dispatch_depth_; }
  View* hovered_view(std::uint32_t pointer_id) const { return pointers_.hovered_view(pointer_id); }
  View* captured_view(std::uint32_t pointer_id) const {
    return pointers_.captured_view(pointer_id);
  }
  bool tick_animations(TimePoint now) { return clock_.tick(now); }

  // ---- Statistics ----
  void set_statistics_enabled(bool enabled) { statistics_enabled_ = enabled; }
  bool statistics_enabled() const { return statistics_enabled_; }
  const PassStatistics& layout_statistics() const { return layout_statistics_; }
  const PassStatistics& draw_statistics() const { return draw_statistics_; }

  // ---- Passes ----
  // Measures the root view with `width` and unbounded height and arranges
  // it at (0, 0, width, max(desired height, height)).
  LayoutResult layout(float width, float height, const layout::LayoutContext& context);
  void draw(DrawContext& context);

  // ---- Dispatch ----
  // Capture, target and bubble phases; `listener` (else the root's event
  // listener) runs between target and bubble.
  void dispatch_event(Event& event, const EventListener& listener);
  // Returns whether a view handled it; `listener` sees the event at the end.
  bool dispatch_pointer(PointerEvent& event, const PointerListener& listener = {});
  // The key's target is the focused view; `fallback` is the default key
  // handling between the target and the bubble phase. Returns handled.
  bool dispatch_key(KeyEvent& event, const KeyListener& fallback = {});

  // ---- Accessibility ----
  // Rebuilt from the root view when stale.
  const SemanticTree& semantic_tree();
  std::uint64_t semantics_revision() const { return semantics_revision_; }
  bool semantics_stale() const { return semantics_stale_; }

  // ---- ViewHost ----
  void invalidate_rect(const layout::LayoutRect& area) override;
  void invalidate_all() override;
  void request_layout() override;
  void notify_semantics_changed() override;
  void dispatch_event(Event& event) override;
  ui::animation::AnimationClock* animation_clock() override { return &clock_; }
  bool request_focus(View* view, FocusOrigin origin) override;
  void retire_views(std::vector<std::unique_ptr<View>> views) override;
  TimePoint animation_time() override;

 private:
  class DispatchScope;
  class PassTimer;

  void end_dispatch();
  void install(std::unique_ptr<View> view);
  // Whether the view is still part of this root's tree.
  bool is_live(const View* view) const;
  void drop_references(const std::vector<std::unique_ptr<View>>& removed);
  void mark_dirty(bool all, const layout::LayoutRect& area, int frame_kind);

  // Pointer routing.
  void route_pointer(PointerEvent& event);
  void pointer_down(PointerEvent& event);
  void pointer_move(PointerEvent& event);
  void pointer_leave(PointerEvent& event);
  void pointer_wheel(PointerEvent& event);
  void pointer_context_menu(PointerEvent& event);
  void update_hover(PointerEvent& event, bool deliver);
  void send_copy(View& view, const PointerEvent& event, PointerAction action);

  // Event and key phases.
  void run_event_phases(Event& event, const std::vector<View*>& path,
                        const EventListener& listener);
  void run_key_phases(KeyEvent& event, const std::vector<View*>& path,
                      const KeyListener& fallback);
  std::vector<View*> path_to_root(View* view) const;

  std::unique_ptr<View> root_view_;
  std::unique_ptr<View> parked_view_;
  // Subtrees removed while a dispatch ran, freed when it returns.
  std::vector<std::unique_ptr<View>> retired_;
  InvalidationListener invalidation_;
  platform::FrameScheduler* scheduler_ = nullptr;
  platform::InputAdapter* adapter_ = nullptr;
  RootChangedListener root_changed_;
  EventListener unhandled_;
  EventObserver event_observer_;
  EventListener event_listener_;
  KeyListener key_preview_;
  SemanticsListener semantics_;
  ViewsRemovedListener views_removed_;
  TimeSource time_source_;
  std::int32_t dispatch_depth_ = 0;
  bool root_pending_ = false;
  bool needs_layout_ = true;
  bool needs_paint_ = true;
  ui::graphics::DirtyRegion dirty_;
  std::uint64_t paint_generation_ = 0;
  bool statistics_enabled_ = false;
  PassStatistics layout_statistics_;
  PassStatistics draw_statistics_;
  SemanticTree semantic_tree_;
  std::uint64_t semantics_revision_ = 1;
  bool semantics_stale_ = true;
  FocusManager focus_;
  ui::animation::AnimationClock clock_;
  PointerState pointers_;
};

}  // namespace win32_ui::modern
