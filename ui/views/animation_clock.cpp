#include "ui/views/animation_clock.h"

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace win32_ui::ui::animation {

struct AnimationClock::State {
  struct Entry {
    uint64_t id = 0;
    AnimationSpec spec;
    ProgressCallback on_progress;
    DoneCallback on_done;
    const void* owner = nullptr;
    uint64_t key = 0;
    int64_t start = 0;             // ns
    int64_t scaled_duration = 0;   // ns
    int64_t scaled_delay = 0;      // ns
  };

  RequestFrame request_frame;
  std::unordered_map<uint64_t, std::shared_ptr<Entry>> entries;
  uint64_t last_id = 0;
  float speed = 1.0f;
  bool enabled = true;

  // A copy, so a callback that replaces the request-frame callback does not
  // destroy the function while it runs.
  void call_request_frame() const {
    if (!request_frame) return;
    RequestFrame callback = request_frame;
    callback();
  }

  int64_t scaled(int64_t value) const {
    if (value == 0 || speed <= 0.0f) return 0;
    const double result = static_cast<double>(value) / 1e9 * static_cast<double>(speed) * 1e9;
    // A duration or delay near the int64 limit ("practically forever") comes
    // back from double precision as 2^63 or more, which an int64 cannot hold:
    // converted as is it would turn negative and end the animation at once.
    constexpr double kInt64Limit = 9223372036854775808.0;  // 2^63
    if (result >= kInt64Limit) return std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(result);
  }

  uint64_t next_id() {
    do {
      ++last_id;
    } while (last_id == 0 || entries.count(last_id) != 0);
    return last_id;
  }
};

namespace {

int64_t to_ns(AnimationClock::TimePoint time) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
}

}  // namespace

float ease(int32_t easing, float t) {
  if (std::isnan(t)) t = 0.0f;
  t = std::fmin(std::fmax(t, 0.0f), 1.0f);
  switch (easing) {
    case kEasingQuadIn:
      return t * t;
    case kEasingQuadOut:
      return 1.0f - (1.0f - t) * (1.0f - t);
    case kEasingSmoothStep:
      return t * t * (3.0f - 2.0f * t);
    default:
      return t;
  }
}

AnimationClock::AnimationClock() : state_(std::make_unique<State>()) {}
AnimationClock::~AnimationClock() = default;
AnimationClock::AnimationClock(AnimationClock&&) noexcept = default;
AnimationClock& AnimationClock::operator=(AnimationClock&&) noexcept = default;

void AnimationClock::set_request_frame(RequestFrame request_frame) {
  if (!state_) return;
  state_->request_frame = std::move(request_frame);
  if (!state_->entries.empty()) state_->call_request_frame();
}

void AnimationClock::set_enabled(bool enabled) {
  if (!state_) return;
  const bool was_enabled = state_->enabled;
  state_->enabled = enabled;
  if (was_enabled && !enabled) finish_all();
}

bool AnimationClock::enabled() const { return state_ && state_->enabled; }

bool AnimationClock::is_running() const { return state_ && !state_->entries.empty(); }

uint64_t AnimationClock::animate_float_for(const void* owner, uint64_t key, float from, float to,
                                           const AnimationSpec& spec,
                                           std::function<void(float)> on_value,
                                           DoneCallback on_done, TimePoint now) {
  if (!on_value) return 0;
  ProgressCallback progress = [from, to, on_value = std::move(on_value)](float p) {
    on_value(from + (to - from) * p);
  };
  return start(owner, key, spec, std::move(progress), std::move(on_done), now);
}

uint64_t AnimationClock::start(const void* owner, uint64_t key, const AnimationSpec& spec,
                               ProgressCallback on_progress, DoneCallback on_done, TimePoint now) {
  if (!state_ || !on_progress) return 0;

  if (owner != nullptr && key != 0) {
    std::vector<uint64_t> same;
    for (const auto& [id, entry] : state_->entries) {
      if (entry->owner == owner && entry->key == key) same.push_back(id);
    }
    for (uint64_t id : same) cancel(id);
    // The cancelled animation's on_done may have moved this clock away.
    if (!state_) return 0;
  }

  AnimationSpec copy = spec;
  if (copy.duration < 0) copy.duration = 0;
  if (copy.delay < 0) copy.delay = 0;

  if (state_->enabled || copy.run_when_disabled) {
    const int64_t duration = state_->scaled(copy.duration);
    const int64_t delay = state_->scaled(copy.delay);
    if (duration != 0 || delay != 0) {
      auto entry = std::make_shared<State::Entry>();
      entry->id = state_->next_id();
      entry->spec = copy;
      entry->on_progress = std::move(on_progress);
      entry->on_done = std::move(on_done);
      entry->owner = owner;
      entry->key = key;
      entry->start = to_ns(now);
      entry->scaled_duration = duration;
      entry->scaled_delay = delay;
      const uint64_t id = entry->id;
      state_->entries.emplace(id, std::move(entry));
      state_->call_request_frame();
      return id;
    }
  }

  on_progress(1.0f);
  if (on_done) on_done(CompletionStatus::kFinished);
  return 0;
}

bool AnimationClock::cancel(uint64_t id) {
  if (!state_ || id == 0) return false;
  auto it = state_->entries.find(id);
  if (it == state_->entries.end()) return false;
  std::shared_ptr<State::Entry> entry = std::move(it->second);
  state_->entries.erase(it);
  if (entry->on_done) entry->on_done(CompletionStatus::kCancelled);
  return true;
}

size_t AnimationClock::cancel_owner(const void* owner, bool notify) {
  if (!state_ || owner == nullptr) return 0;
  std::vector<uint64_t> ids;
  for (const auto& [id, entry] : state_->entries) {
    if (entry->owner == owner) ids.push_back(id);
  }
  size_t count = 0;
  for (uint64_t id : ids) {
    if (notify) {
      if (cancel(id)) ++count;
    } else if (state_ && state_->entries.erase(id) != 0) {
      ++count;
    }
  }
  return count;
}

void AnimationClock::finish_all() {
  if (!state_) return;
  std::vector<std::shared_ptr<State::Entry>> finished;
  for (auto it = state_->entries.begin(); it != state_->entries.end();) {
    if (!it->second->spec.run_when_disabled) {
      finished.push_back(std::move(it->second));
      it = state_->entries.erase(it);
    } else {
      ++it;
    }
  }
  for (const auto& entry : finished) {
    entry->on_progress(1.0f);
    if (entry->on_done) entry->on_done(CompletionStatus::kFinished);
  }
  if (state_ && !state_->entries.empty()) state_->call_request_frame();
}

bool AnimationClock::tick(TimePoint now) {
  if (!state_ || state_->entries.empty()) return false;

  // Callbacks may start or cancel animations during the walk; walking a copy
  // of the ids keeps the iteration valid.
  std::vector<uint64_t> ids;
  ids.reserve(state_->entries.size());
  for (const auto& [id, entry] : state_->entries) ids.push_back(id);

  const int64_t now_ns = to_ns(now);
  for (uint64_t id : ids) {
    if (!state_) return false;
    auto it = state_->entries.find(id);
    if (it == state_->entries.end()) continue;
    std::shared_ptr<State::Entry> entry = it->second;

    const int64_t elapsed = now_ns > entry->start ? now_ns - entry->start : 0;
    if (elapsed < entry->scaled_delay) continue;

    float raw = 1.0f;
    if (entry->scaled_duration > 0) {
      const float since_delay = static_cast<float>(static_cast<double>(elapsed - entry->scaled_delay) / 1e9);
      const float duration = static_cast<float>(static_cast<double>(entry->scaled_duration) / 1e9);
      raw = since_delay / duration;
      raw = std::isnan(raw) ? 1.0f : std::fmin(std::fmax(raw, 0.0f), 1.0f);
    }

    entry->on_progress(ease(entry->spec.easing, raw));

    if (!state_) return false;
    auto again = state_->entries.find(id);
    if (raw >= 1.0f && again != state_->entries.end() && again->second == entry) {
      state_->entries.erase(again);
      if (entry->on_done) entry->on_done(CompletionStatus::kFinished);
    }
  }

  if (!state_) return false;
  if (!state_->entries.empty()) state_->call_request_frame();
  return !state_->entries.empty();
}

}  // namespace win32_ui::ui::animation
