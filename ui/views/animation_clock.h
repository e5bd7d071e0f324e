// AnimationClock runs the time-based animations of one view tree. The view
// root owns one clock and hands it to its views; the clock owns no timer of
// its own: it asks its host for frames through the request-frame callback,
// and the host calls tick() with the current time while animations are
// registered. Every time is supplied by the caller, so the clock never reads
// a real clock.
//
// UI thread only. Callbacks run synchronously inside the clock's operations
// and may start or cancel animations on the same clock.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>

namespace win32_ui::ui::animation {

// Easing codes of AnimationSpec::easing; any other code is linear.
inline constexpr int32_t kEasingLinear = 0;
inline constexpr int32_t kEasingQuadIn = 1;      // t * t
inline constexpr int32_t kEasingQuadOut = 2;     // 1 - (1 - t)^2
inline constexpr int32_t kEasingSmoothStep = 3;  // t * t * (3 - 2t)

// The eased value of raw progress t; t is taken as 0 when it is not a
// number and clamped to [0, 1] first.
float ease(int32_t easing, float t);

struct AnimationSpec {
  int64_t duration = 200'000'000;  // ns
  int64_t delay = 0;               // ns
  int32_t easing = kEasingSmoothStep;
  // Runs even while the clock is disabled (system animations off).
  bool run_when_disabled = false;
};

enum class CompletionStatus : int32_t {
  kFinished = 0,
  kCancelled = 1,
};

class AnimationClock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  using RequestFrame = std::function<void()>;
  using ProgressCallback = std::function<void(float)>;
  using DoneCallback = std::function<void(CompletionStatus)>;

  AnimationClock();
  ~AnimationClock();
  AnimationClock(AnimationClock&&) noexcept;
  AnimationClock& operator=(AnimationClock&&) noexcept;
  AnimationClock(const AnimationClock&) = delete;
  AnimationClock& operator=(const AnimationClock&) = delete;

  // Replaces the callback; calls the new one at once when animations are
  // registered so the host starts ticking.
  void set_request_frame(RequestFrame request_frame);

  // Switching off finishes every animation that does not run when disabled.
  void set_enabled(bool enabled);
  bool enabled() const;

  bool is_running() const;

  // Animates a float from `from` to `to`; on_value receives each eased value.
  // Returns the animation's id, or 0 when nothing was registered (an empty
  // on_value, or an animation that completed at once).
  uint64_t animate_float_for(const void* owner, uint64_t key, float from, float to,
                             const AnimationSpec& spec, std::function<void(float)> on_value,
                             DoneCallback on_done, TimePoint now);

  // Starts an animation; a running one of the same non-null owner and
  // non-zero key is cancelled first. Returns its id, or 0 when nothing was
  // registered (empty on_progress, or completed at once: disabled clock or
  // zero duration and delay).
  uint64_t start(const void* owner, uint64_t key, const AnimationSpec& spec,
                 ProgressCallback on_progress, DoneCallback on_done, TimePoint now);

  // Removes the animation, then tells its on_done kCancelled.
  bool cancel(uint64_t id);

  // Cancels every animation of the owner; without notify their on_done is
  // never called (the owner is going away). Returns how many were removed.
  size_t cancel_owner(const void* owner, bool notify);

  // Completes every animation that does not run when disabled: progress 1,
  // then kFinished.
  void finish_all();

  // Advances every animation to `now`; returns whether animations remain.
  bool tick(TimePoint now);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace win32_ui::ui::animation
