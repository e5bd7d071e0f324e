// View is the base of every element of a retained view tree: panels,
// widgets, menus, hosted native controls and the product's own views. It
// derives from the layout engine's node, so the tree is measured and
// arranged by the layout engine; on top it keeps the view's appearance
// (opacity, render transform, drawables), its interaction state with
// animated progress values, its hit testing and its accessibility overrides.
//
// A view is owned by its parent group (or by whoever holds the root) and
// talks to its ViewHost while attached. Setters return the view for
// chaining, do nothing when the value is unchanged and reach the host only
// while attached. UI thread only, except that ids come from a process-wide
// atomic counter.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "ui/platform/layout/layout_node.h"
#include "ui/views/drawable.h"
#include "ui/views/drawable_state.h"
#include "ui/views/element_info.h"
#include "ui/views/event.h"
#include "ui/views/key_event.h"
#include "ui/views/pointer_event.h"
#include "ui/views/token_dictionary.h"
#include "ui/views/transform.h"
#include "ui/views/view_host.h"

namespace win32_ui::modern {

class DrawContext;
class View;
class ViewGroup;

// The result of a hit test: the innermost view hit and the chain of views
// from the outermost group tried down to it.
struct HitTestResult {
  View* view = nullptr;
  std::vector<View*> chain;
};

// A custom hit area, asked when a point misses the view's rectangle.
class HitShape {
 public:
  virtual ~HitShape() = default;
  // `local` has its origin at the view's top-left corner.
  virtual bool contains(ui::graphics::Point local, layout::Size size) const = 0;
};

// One entry of a view's pointer-handler list.
class PointerHandler {
 public:
  virtual ~PointerHandler() = default;
  // True when it handled the event.
  virtual bool on_pointer(View& view, PointerEvent& event) = 0;
};

// Cursor kinds answered by View::cursor_kind.
inline constexpr int kCursorNone = 0;
inline constexpr int kCursorHand = 1;
inline constexpr int kCursorSizeWestEast = 2;

// Animation keys of the four progress values in the host's clock.
inline constexpr std::uint64_t kProgressAnimationKey = 0x494E5400;

class View : public layout::LayoutNode {
 public:
  using PointerFunction = std::function<bool(PointerEvent&)>;
  using EventFunction = std::function<void(Event&)>;
  using KeyFunction = std::function<void(KeyEvent&)>;

  // One entry of the event-handler table.
  struct EventHandlerEntry {
    std::int32_t kind = 0;
    std::int32_t phase = Event::kPhaseTarget;
    EventFunction function;
  };
  // One entry of the key-handler table; phases as Event's.
  struct KeyHandlerEntry {
    std::int32_t phase = Event::kPhaseTarget;
    KeyFunction function;
  };

  View();
  ~View() override;

  // ---- Virtual operations, in slot order after the layout node's ----
  virtual bool can_focus() const;
  // `point` in root coordinates. On a hit fills `result` and returns true.
  virtual bool hit_test(ui::graphics::Point point, HitTestResult& result);
  virtual int cursor_kind() const;
  virtual bool dispatch_pointer(PointerEvent& event);
  virtual void request_disallow_intercept(bool disallow);
  virtual void draw_background(DrawContext& context);
  virtual void draw(DrawContext& context);
  virtual void draw_children(DrawContext& context);
  virtual void draw_foreground(DrawContext& context);
  virtual void on_state_changed(ui::graphics::DrawableState old_state,
                                ui::graphics::DrawableState new_state);
  virtual void describe(ElementInfo& info) const;
  virtual bool perform_action(const ElementAction& action);
  virtual bool handle_pointer(PointerEvent& event);
  virtual bool on_key(KeyEvent& event);
  virtual bool is_hit_target() const;

  // ---- Setters ----
  View& set_enabled(bool enabled);
  View& set_focusable(bool focusable);
  View& set_pointer_input(bool pointer_input);
  View& set_selected(bool selected);
  View& set_focused(bool focused);
  View& set_pressed(bool pressed);
  View& set_clips_children(bool clips);
  View& set_animates_state(bool animates);
  View& set_opacity(float opacity);
  View& set_render_transform(float m11, float m12, float m21, float m22, float dx, float dy);
  View& set_render_transform(const ui::graphics::Transform& transform);
  // Fractions of the view's width and height; a non-finite one counts as 0.5.
  View& set_transform_origin(float x, float y);
  View& set_padding(const layout::Thickness& padding);
  View& set_layout_params(const layout::LayoutParams& params);
  View& set_accessible_name(std::wstring name);
  View& set_accessible_help(std::wstring help);
  View& set_accessible_role(std::optional<ElementRole> role);
  View& set_accessibility_exposed(std::optional<bool> exposed);
  View& set_tooltip(std::wstring tooltip);
  View& set_background(std::shared_ptr<const ui::graphics::Drawable> drawable);
  View& set_foreground(std::shared_ptr<const ui::graphics::Drawable> drawable);
  View& set_token_overrides(std::shared_ptr<const TokenDictionary> tokens);
  View& set_pointer_function(PointerFunction function);
  View& set_context_menu_function(PointerFunction function);
  View& set_hit_shape(std::unique_ptr<HitShape> shape);
  View& add_pointer_handler(std::shared_ptr<PointerHandler> handler);

  // ---- Handler tables ----
  // Target-phase handler of events of `kind` raised by this view; an empty
  // function is ignored.
  View& add_event_handler(std::int32_t kind, EventFunction function);
  // Target-phase key handler: runs when this view has the focus.
  View& add_key_handler(KeyFunction function);
  // Capture-phase key handler: sees keys aimed at any focused descendant
  // before it does.
  View& add_key_preview_handler(KeyFunction function);
  // Sets the source to this view when empty and hands the event to the
  // host; a detached view drops it.
  void post_event(Event& event);
  // Run this view's handlers of the event's kind in `phase`, or its key
  // handlers of `phase`, with current = this view. The table is copied
  // first, so handlers added or removed meanwhile change nothing in this
  // run; a set stop (events) or handled (keys) flag ends the run.
  void run_event_handlers(Event& event, std::int32_t phase);
  void run_key_handlers(KeyEvent& event, std::int32_t phase);

  // ---- Getters ----
  std::uint64_t id() const { return id_; }
  ViewGroup* parent() const { return parent_; }
  ViewHost* host() const { return host_; }
  float opacity() const { return opacity_; }
  const ui::graphics::Transform& render_transform() const { return render_transform_; }
  ui::graphics::Point transform_origin() const { return transform_origin_; }
  const std::wstring& tooltip() const { return tooltip_; }
  bool is_enabled() const { return enabled_; }
  bool is_focusable() const { return focusable_; }
  bool is_focused() const { return focused_; }
  bool is_checked() const { return checked_; }
  bool is_selected() const { return selected_; }
  bool is_pressed() const { return pressed_; }
  bool is_hovered() const { return !hovered_pointers_.empty(); }
  bool takes_pointer_input() const { return pointer_input_; }
  bool clips_children() const { return clips_children_; }
  bool animates_state() const { return animates_state_; }
  bool has_context_handler() const { return static_cast<bool>(context_menu_function_); }
  const std::shared_ptr<const ui::graphics::Drawable>& background() const { return background_; }
  const std::shared_ptr<const ui::graphics::Drawable>& foreground() const { return foreground_; }
  ui::graphics::DrawableState drawable_state() const;
  // The progress value of kStateHovered, kStatePressed, kStateChecked or
  // kStateSelected; 0 for any other value.
  float interaction_progress(ui::graphics::DrawableState bit) const;

  // ---- Host requests (only while attached) ----
  void invalidate();
  void invalidate_layout();
  void notify_semantics_changed();
  bool request_focus(FocusOrigin origin);

  // ---- Geometry ----
  // The render transform applied about the pivot, in root layout space; the
  // identity when a component is not finite.
  ui::graphics::Transform local_transform() const;
  ui::graphics::Transform accumulated_transform() const;
  // (+inf, +inf) when the accumulated transform cannot be inverted.
  ui::graphics::Point to_local(ui::graphics::Point root_point) const;
  layout::LayoutRect bounds_in_root() const;
  // The area a repaint of this view must cover: its bounds grown by 4 and,
  // unless it clips, every visible child's visual bounds.
  layout::LayoutRect visual_bounds() const;

  // ---- Tree ----
  // Attaches the view (and its subtree) to `host`, or detaches it with null.
  void attach_host(ViewHost* host);
  void set_parent(ViewGroup* parent);

  // Draws the view and its subtree.
  void render(DrawContext& context);

  bool dispatch_context_menu(PointerEvent& event);

  // ---- Accessibility ----
  void describe_element(ElementInfo& info) const;
  bool perform_element_action(const ElementAction& action);

  std::optional<ui::graphics::Color> find_color_override(std::uint64_t key) const;
  std::optional<float> find_metric_override(std::uint64_t key) const;

 protected:
  layout::Size measure_override(const layout::SizeConstraint& content,
                                const layout::LayoutContext& context) override;
  void arrange_override(const layout::LayoutRect& content,
                        const layout::LayoutContext& context) override;

  View& add_event_handler_in_phase(std::int32_t kind, std::int32_t phase,
                                   EventFunction function);
  View& add_key_handler_in_phase(std::int32_t phase, KeyFunction function);

  // The checked look belongs to toggling widgets, which expose it.
  View& set_checked_flag(bool checked);

  // Sets the four progress values to 1 or 0 from the current flags.
  void compute_drawable_state();
  // Called by every state setter with the state from before the change.
  void update_interaction_progress(ui::graphics::DrawableState old_state);

 private:
  static constexpr std::size_t kProgressCount = 4;

  void update_progress_values(ui::graphics::DrawableState old_state,
                              ui::graphics::DrawableState new_state);
  void animate_progress(std::size_t index, float target);
  void cancel_progress_animations();
  // The clock of the host, or null.
  ui::animation::AnimationClock* clock() const;

  ViewGroup* parent_ = nullptr;
  ViewHost* host_ = nullptr;
  std::uint64_t id_;
  float opacity_ = 1.0f;
  ui::graphics::Transform render_transform_;
  ui::graphics::Point transform_origin_{0.5f, 0.5f};
  bool clips_children_ = false;
  bool pointer_input_ = false;
  bool focusable_ = false;
  bool enabled_ = true;
  bool selected_ = false;
  bool pressed_ = false;
  bool focused_ = false;
  bool checked_ = false;
  bool animates_state_ = false;
  // Hovered, pressed, checked, selected.
  std::array<float, kProgressCount> progress_{};
  std::array<std::uint64_t, kProgressCount> progress_animations_{};
  std::shared_ptr<const ui::graphics::Drawable> background_;
  std::shared_ptr<const ui::graphics::Drawable> foreground_;
  std::shared_ptr<const TokenDictionary> token_overrides_;
  std::unordered_set<std::uint32_t> hovered_pointers_;
  PointerFunction pointer_function_;
  PointerFunction context_menu_function_;
  std::unique_ptr<HitShape> hit_shape_;
  std::vector<std::shared_ptr<PointerHandler>> pointer_handlers_;
  std::vector<EventHandlerEntry> event_handlers_;
  std::vector<KeyHandlerEntry> key_handlers_;
  std::optional<std::wstring> accessible_name_;
  std::wstring accessible_help_;
  std::optional<ElementRole> accessible_role_;
  std::wstring tooltip_;
  std::optional<bool> accessibility_exposed_;
};

}  // namespace win32_ui::modern
