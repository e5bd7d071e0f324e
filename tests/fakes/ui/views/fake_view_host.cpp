#include "tests/fakes/ui/views/fake_view_host.h"

#include <algorithm>

namespace quorvel::test {

using namespace std::chrono_literals;

// A fixed, arbitrary origin, so every time in a test is an offset from it.
FakeViewHost::FakeViewHost() : now_(TimePoint(1000s)) {}

FakeViewHost::~FakeViewHost() = default;

std::size_t FakeViewHost::count(Request request) const {
  return static_cast<std::size_t>(std::count(requests.begin(), requests.end(), request));
}

void FakeViewHost::clear_requests() {
  requests.clear();
  invalidated.clear();
  events.clear();
  focus_requests.clear();
}

bool FakeViewHost::advance(std::chrono::nanoseconds step) {
  now_ += step;
  return clock_.tick(now_);
}

void FakeViewHost::invalidate_rect(const win32_ui::layout::LayoutRect& area) {
  requests.push_back(Request::kInvalidateRect);
  invalidated.push_back(area);
}

void FakeViewHost::invalidate_all() { requests.push_back(Request::kInvalidateAll); }

void FakeViewHost::request_layout() { requests.push_back(Request::kRequestLayout); }

void FakeViewHost::notify_semantics_changed() { requests.push_back(Request::kSemanticsChanged); }

void FakeViewHost::dispatch_event(win32_ui::modern::Event& event) {
  requests.push_back(Request::kDispatchEvent);
  events.push_back(event);
}

win32_ui::ui::animation::AnimationClock* FakeViewHost::animation_clock() {
  return provides_clock ? &clock_ : nullptr;
}

bool FakeViewHost::request_focus(View* view, win32_ui::modern::FocusOrigin origin) {
  requests.push_back(Request::kRequestFocus);
  focus_requests.push_back({view, origin});
  return focus_result;
}

void FakeViewHost::retire_views(std::vector<std::unique_ptr<View>> views) {
  requests.push_back(Request::kRetireViews);
  retired_batches.push_back(views.size());
  for (auto& view : views) retired.push_back(std::move(view));
}

}  // namespace quorvel::test
