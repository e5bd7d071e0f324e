#include "ui/views/focus_manager.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "ui/views/view.h"
#include "ui/views/view_group.h"

namespace win32_ui::modern {
namespace {

// How one candidate lies against the focused view for a direction.
struct DirectionalScore {
  bool qualifies = false;
  bool overlaps = false;
  float primary = 0.0f;
  float score = 0.0f;
};

DirectionalScore score_candidate(const layout::LayoutRect& from, const layout::LayoutRect& to,
                                 FocusDirection direction) {
  const float from_right = from.x + from.width;
  const float from_bottom = from.y + from.height;
  const float to_right = to.x + to.width;
  const float to_bottom = to.y + to.height;
  const float dx = (to.x + to.width / 2.0f) - (from.x + from.width / 2.0f);
  const float dy = (to.y + to.height / 2.0f) - (from.y + from.height / 2.0f);
  const bool horizontal = direction == kFocusLeft || direction == kFocusRight;

  DirectionalScore result;
  float gap = 0.0f;
  switch (direction) {
    case kFocusLeft:
      result.qualifies = dx < 0.0f;
      gap = from.x - to_right;
      break;
    case kFocusRight:
      result.qualifies = dx > 0.0f;
      gap = to.x - from_right;
      break;
    case kFocusUp:
      result.qualifies = dy < 0.0f;
      gap = from.y - to_bottom;
      break;
    default:
      result.qualifies = dy > 0.0f;
      gap = to.y - from_bottom;
      break;
  }
  if (!result.qualifies) return result;
  result.primary = std::max(gap, 0.0f);
  if (result.primary == 0.0f) result.primary = std::fabs(horizontal ? dx : dy);
  const float cross = std::fabs(horizontal ? dy : dx);
  result.overlaps = horizontal ? (to.y < from_bottom && from.y < to_bottom)
                               : (to.x < from_right && from.x < to_right);
  result.score = 13.0f * result.primary * result.primary + cross * cross;
  return result;
}

// Whether `candidate` replaces `best`; ties and NaN keep the earlier one.
bool beats(const DirectionalScore& candidate, const DirectionalScore& best) {
  if (candidate.overlaps != best.overlaps) return candidate.overlaps;
  if (candidate.score < best.score) return true;
  return candidate.score == best.score && candidate.primary < best.primary;
}

void collect_candidates(View& view, std::vector<View*>& out) {
  if (view.layout_params().visibility != layout::kVisible) return;
  if (view.can_focus()) out.push_back(&view);
  if (auto* group = dynamic_cast<ViewGroup*>(&view)) {
    for (std::size_t i = 0; i < group->child_count(); ++i) {
      collect_candidates(*group->child_at(i), out);
    }
  }
}

}  // namespace

bool FocusManager::in_scope(const View* view) const {
  if (scope_ == nullptr) return false;
  for (const View* v = view; v != nullptr; v = v->parent()) {
    if (v == scope_) return true;
  }
  return false;
}

bool FocusManager::request_focus(View* view, FocusOrigin origin) {
  if (view == nullptr || !in_scope(view) || !view->can_focus()) return false;
  if (view == focused_) {
    focus_visible_ = origin == kFocusKeyboard;
    return true;
  }
  take_focus(view, origin);
  return true;
}

void FocusManager::take_focus(View* view, FocusOrigin origin) {
  View* const old = focused_;
  if (old != nullptr) old->set_focused(false);
  focused_ = view;
  view->set_focused(true);
  focus_visible_ = origin == kFocusKeyboard;
  if (callback_) callback_(old, view, origin);
}

void FocusManager::clear_focus(FocusOrigin origin) {
  focus_visible_ = false;
  if (focused_ == nullptr) return;
  View* const old = std::exchange(focused_, nullptr);
  old->set_focused(false);
  if (callback_) callback_(old, nullptr, origin);
}

void FocusManager::set_scope(View* scope) {
  if (scope != scope_) {
    clear_focus(kFocusProgrammatic);
    scope_ = scope;
    return;
  }
  validate_focus();
}

void FocusManager::validate_focus() {
  if (focused_ == nullptr) return;
  if (!in_scope(focused_) || !focused_->can_focus()) clear_focus(kFocusProgrammatic);
}

std::vector<View*> FocusManager::candidates() const {
  std::vector<View*> out;
  if (scope_ != nullptr) collect_candidates(*scope_, out);
  return out;
}

bool FocusManager::move_focus(FocusDirection direction, FocusOrigin origin) {
  if (direction < kFocusNext || direction > kFocusDown) return false;
  const std::vector<View*> list = candidates();
  if (list.empty()) return false;
  const auto position = std::find(list.begin(), list.end(), focused_);
  const bool found = position != list.end();
  View* target = nullptr;
  if (direction == kFocusNext) {
    target = !found || position + 1 == list.end() ? list.front() : *(position + 1);
  } else if (direction == kFocusPrevious) {
    target = !found || position == list.begin() ? list.back() : *(position - 1);
  } else if (!found) {
    target = list.front();
  } else {
    target = directional_candidate(list, direction);
  }
  return target != nullptr && request_focus(target, origin);
}

View* FocusManager::directional_candidate(const std::vector<View*>& candidates,
                                          FocusDirection direction) const {
  const layout::LayoutRect from = focused_->bounds();
  View* best = nullptr;
  DirectionalScore best_score;
  for (View* candidate : candidates) {
    if (candidate == focused_) continue;
    const DirectionalScore score = score_candidate(from, candidate->bounds(), direction);
    if (!score.qualifies) continue;
    if (best == nullptr || beats(score, best_score)) {
      best = candidate;
      best_score = score;
    }
  }
  return best;
}

}  // namespace win32_ui::modern
