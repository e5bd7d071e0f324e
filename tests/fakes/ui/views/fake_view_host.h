// A ViewHost for tests: records every request a view tree makes, in order,
// keeps the subtrees handed to it, and owns an AnimationClock whose time
// moves only when the test says. Views attached to it must be destroyed
// before it (declare the host first).
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <vector>

#include "ui/views/animation_clock.h"
#include "ui/views/view.h"
#include "ui/views/view_host.h"

namespace quorvel::test {

class FakeViewHost final : public win32_ui::modern::ViewHost {
 public:
  using TimePoint = win32_ui::ui::animation::AnimationClock::TimePoint;
  using View = win32_ui::modern::View;

  enum class Request {
    kInvalidateRect,
    kInvalidateAll,
    kRequestLayout,
    kSemanticsChanged,
    kDispatchEvent,
    kRequestFocus,
    kRetireViews,
  };

  struct FocusRequest {
    View* view = nullptr;
    win32_ui::modern::FocusOrigin origin = 0;
  };

  FakeViewHost();
  ~FakeViewHost() override;

  // Every request, in order, and the arguments of each kind.
  std::vector<Request> requests;
  std::vector<win32_ui::layout::LayoutRect> invalidated;
  std::vector<win32_ui::modern::Event> events;
  std::vector<FocusRequest> focus_requests;
  // The retired subtrees, kept alive, and how many came in each call.
  std::vector<std::unique_ptr<View>> retired;
  std::vector<std::size_t> retired_batches;

  // What request_focus answers.
  bool focus_result = true;
  // When false, animation_clock answers null.
  bool provides_clock = true;

  std::size_t count(Request request) const;
  void clear_requests();

  win32_ui::ui::animation::AnimationClock& clock() { return clock_; }
  TimePoint now() const { return now_; }
  // Moves the time on and ticks the clock; returns whether animations remain.
  bool advance(std::chrono::nanoseconds step);

  void invalidate_rect(const win32_ui::layout::LayoutRect& area) override;
  void invalidate_all() override;
  void request_layout() override;
  void notify_semantics_changed() override;
  void dispatch_event(win32_ui::modern::Event& event) override;
  win32_ui::ui::animation::AnimationClock* animation_clock() override;
  bool request_focus(View* view, win32_ui::modern::FocusOrigin origin) override;
  void retire_views(std::vector<std::unique_ptr<View>> views) override;
  TimePoint animation_time() override { return now_; }

 private:
  win32_ui::ui::animation::AnimationClock clock_;
  TimePoint now_;
};

}  // namespace quorvel::test
