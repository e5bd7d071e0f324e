#include "engine/capture_camera.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace quorvel::windows {
namespace {

constexpr double kMaxStep = 0.1;            // longer ticks are integrated as 0.1 s
constexpr double kSubstep = 1.0 / 240.0;    // longest integration sub-step
constexpr double kVelocitySmoothing = 0.045;  // time constant of the cursor velocity filter
constexpr double kRestSpeed = 0.025;        // views/s below which the cursor rests
constexpr double kDwellRamp = 0.18;         // seconds from the rest delay to the full boost
constexpr double kZoomEpsilon = 1e-9;
constexpr double kEdgeTouch = 1.0;          // px: a gap this small touches the edge
constexpr double kFullStrength = 0.999999999;

// Unlike std::clamp, defined for any pair of limits: settings without a
// range check (a negative speed limit, say) must not make a step undefined.
double limit(double value, double lo, double hi) {
  return std::max(lo, std::min(hi, value));
}

double smoothstep(double e0, double e1, double x) {
  const double t = limit((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

bool valid_bounds(const CaptureBounds& b) {
  return std::isfinite(b.left) && std::isfinite(b.top) && std::isfinite(b.right) &&
         std::isfinite(b.bottom) && b.right - b.left > 0 && b.bottom - b.top > 0;
}

void check_bounds(const CaptureBounds& b) {
  if (!valid_bounds(b)) throw std::invalid_argument("capture bounds must be valid");
}

bool dead_zone_valid(double ratio) { return ratio >= 0.0 && ratio < 0.5; }

// Pull of the dead zone: how far the offset reaches beyond the zone.
double dead_zone_excess(double offset, double zone) {
  if (offset > zone) return offset - zone;
  if (offset < -zone) return offset + zone;
  return 0.0;
}

}  // namespace

CaptureCamera::CaptureCamera(const CaptureCameraSettings& settings) : settings_(settings) {
  const CaptureCameraSettings& s = settings;
  if (!std::isfinite(s.aspect_ratio) || !(s.aspect_ratio > 0)) {
    throw std::invalid_argument("aspect_ratio must be finite and positive");
  }
  if (!std::isfinite(s.min_zoom) || !std::isfinite(s.max_zoom) || s.min_zoom < 1 ||
      s.min_zoom > s.max_zoom) {
    throw std::invalid_argument("zoom limits are invalid");
  }
  if (!dead_zone_valid(s.dead_zone_x) || !dead_zone_valid(s.dead_zone_y)) {
    throw std::invalid_argument("dead-zone ratios must be in [0, 0.5)");
  }
  const bool response_valid =
      std::isfinite(s.speed_low) && s.speed_low >= 0 && std::isfinite(s.speed_high) &&
      s.speed_high > s.speed_low && std::isfinite(s.max_response) && s.max_response >= 1 &&
      std::isfinite(s.dwell_delay) && s.dwell_delay >= 0 && std::isfinite(s.dwell_boost) &&
      s.dwell_boost >= 1;
  if (!response_valid) {
    throw std::invalid_argument("cursor motion response values are invalid");
  }
  // A NaN initial zoom would otherwise poison every later step.
  if (std::isnan(settings_.initial_zoom)) settings_.initial_zoom = settings_.min_zoom;
  zoom_ = limit(settings_.initial_zoom, settings_.min_zoom, settings_.max_zoom);
  target_zoom_ = zoom_;
}

CaptureCamera::FullView CaptureCamera::full_view(const CaptureBounds& bounds) const {
  const double bw = bounds.right - bounds.left;
  const double bh = bounds.bottom - bounds.top;
  if (bw / bh >= settings_.aspect_ratio) return {bh * settings_.aspect_ratio, bh};
  return {bw, bw / settings_.aspect_ratio};
}

double CaptureCamera::view_divisor(double zoom) const {
  return std::max(settings_.min_zoom, zoom);
}

uint8_t CaptureCamera::reset(double x, double y, const CaptureBounds& bounds) {
  check_bounds(bounds);
  center_x_ = x;
  center_y_ = y;
  velocity_x_ = 0;
  velocity_y_ = 0;
  zoom_ = limit(settings_.initial_zoom, settings_.min_zoom, settings_.max_zoom);
  zoom_velocity_ = 0;
  target_zoom_ = zoom_;
  transition_x_ = {};
  transition_y_ = {};
  last_cursor_x_ = x;
  last_cursor_y_ = y;
  smoothed_velocity_x_ = 0;
  smoothed_velocity_y_ = 0;
  speed_ = 0;
  response_ = 1;
  dwell_ = 0;
  has_previous_ = true;
  initialized_ = true;
  const FullView full = full_view(bounds);
  keep_inside(bounds, full.width / view_divisor(zoom_), full.height / view_divisor(zoom_));
  return edges_;
}

CaptureViewport CaptureCamera::step(const CaptureCameraInput& input) {
  check_bounds(input.bounds);
  if (!initialized_) reset(input.cursor_x, input.cursor_y, input.bounds);

  const double dt = limit(std::isfinite(input.dt) ? input.dt : 0.0, 0.0, kMaxStep);
  const FullView full = full_view(input.bounds);

  if (dt > 0) {
    const double vx = (input.cursor_x - last_cursor_x_) / dt;
    const double vy = (input.cursor_y - last_cursor_y_) / dt;
    last_cursor_x_ = input.cursor_x;
    last_cursor_y_ = input.cursor_y;
    const double blend = 1.0 - std::exp(-dt / kVelocitySmoothing);
    smoothed_velocity_x_ += (vx - smoothed_velocity_x_) * blend;
    smoothed_velocity_y_ += (vy - smoothed_velocity_y_) * blend;
    const double vw = std::max(1.0, full.width / view_divisor(zoom_));
    const double vh = std::max(1.0, full.height / view_divisor(zoom_));
    const double instant = std::hypot(vx / vw, vy / vh);
    speed_ = std::hypot(smoothed_velocity_x_ / vw, smoothed_velocity_y_ / vh);
    dwell_ = instant <= kRestSpeed ? std::min(settings_.dwell_delay + 1.0, dwell_ + dt) : 0.0;
    response_ = 1.0 + (settings_.max_response - 1.0) *
                          smoothstep(settings_.speed_low, settings_.speed_high, speed_);

    const int count = std::max(1, static_cast<int>(std::ceil(dt / kSubstep)));
    const double tau = dt / count;
    for (int i = 0; i < count; ++i) substep(input, full, tau);
  } else {
    keep_inside(input.bounds, full.width / view_divisor(zoom_),
                full.height / view_divisor(zoom_));
  }
  return viewport(full);
}

void CaptureCamera::substep(const CaptureCameraInput& input, const FullView& full, double tau) {
  const CaptureCameraSettings& s = settings_;
  const CaptureBounds& b = input.bounds;

  // Zoom target.
  const double target = limit(std::isfinite(input.zoom) ? input.zoom : zoom_, s.min_zoom, s.max_zoom);
  bool target_changed = false;
  if (std::abs(target - target_zoom_) > kZoomEpsilon) {
    transition_x_ = {};
    transition_y_ = {};
    target_zoom_ = target;
    target_changed = true;
  }

  // While the zoom changes, the centre of an axis may be tied to the zoom so
  // the view keeps to the edge it touches or stays inside the bounds.
  auto plan = [&](AxisTransition& transition, double full_size, double low, double high,
                  double center) {
    const double cur = full_size / view_divisor(zoom_) / 2.0;
    const double tgt = full_size / view_divisor(target) / 2.0;
    if (transition.active || std::abs(tgt - cur) <= kZoomEpsilon) return;
    double end = 0;
    if (tgt > cur) {
      const double lo = low + tgt;
      const double hi = high - tgt;
      end = lo >= hi ? (low + high) / 2.0 : limit(center, lo, hi);
    } else {
      if (!target_changed) return;
      const double gap_low = center - cur - low;
      const double gap_high = high - center - cur;
      const bool touches_low = gap_low <= kEdgeTouch;
      const bool touches_high = gap_high <= kEdgeTouch;
      if (touches_low == touches_high) return;
      end = touches_low ? low + tgt : high - tgt;
    }
    if (std::abs(end - center) <= kZoomEpsilon) return;
    transition = {cur, tgt, center, end, true};
  };
  plan(transition_x_, full.width, b.left, b.right, center_x_);
  plan(transition_y_, full.height, b.top, b.bottom, center_y_);

  // Zoom spring.
  zoom_velocity_ += ((target - zoom_) * s.zoom_stiffness - zoom_velocity_ * s.zoom_damping) * tau;
  zoom_velocity_ = limit(zoom_velocity_, -s.max_zoom_speed, s.max_zoom_speed);
  zoom_ += zoom_velocity_ * tau;
  if (zoom_ <= s.min_zoom) {
    zoom_ = s.min_zoom;
    if (zoom_velocity_ < 0) zoom_velocity_ = 0;
  } else if (zoom_ >= s.max_zoom) {
    zoom_ = s.max_zoom;
    if (zoom_velocity_ > 0) zoom_velocity_ = 0;
  }
  bool settled = false;
  if (std::abs(zoom_ - target) < 0.001 && std::abs(zoom_velocity_) < 0.01) {
    zoom_ = target;
    zoom_velocity_ = 0;
    settled = true;
  }

  const double w = full.width / view_divisor(zoom_);
  const double h = full.height / view_divisor(zoom_);
  const double half_w = w / 2.0;
  const double half_h = h / 2.0;

  // Follow spring, tightened by the follow strength, cursor speed and rest.
  const double strength =
      limit(std::isfinite(input.follow_strength) ? input.follow_strength : 0.5, 0.0, 1.0);
  const double rest = smoothstep(s.dwell_delay, s.dwell_delay + kDwellRamp, dwell_);
  const double r = response_;
  const double vmax = (1.45 * strength + 0.55) * s.max_speed * r;
  const double amax = (2.4 * strength + 0.6) * s.max_acceleration * r * r;
  const double m = (1.0 + (s.dwell_boost - 1.0) * rest) * (2.2 * strength + 0.55) * r;
  const double k = m * s.stiffness;
  const double c = std::sqrt(m) * s.damping;

  double ax = -c * velocity_x_;
  double ay = -c * velocity_y_;
  if (input.follow) {
    const double zone_scale = (1.5 - 1.3 * strength) / r;
    const double zx = w * s.dead_zone_x * zone_scale;
    const double zy = h * s.dead_zone_y * zone_scale;
    ax += dead_zone_excess(input.cursor_x - center_x_, zx) * k;
    ay += dead_zone_excess(input.cursor_y - center_y_, zy) * k;
  }
  ax = limit(ax, -amax, amax);
  ay = limit(ay, -amax, amax);
  velocity_x_ = limit(velocity_x_ + ax * tau, -vmax, vmax);
  velocity_y_ = limit(velocity_y_ + ay * tau, -vmax, vmax);
  center_x_ += velocity_x_ * tau;
  center_y_ += velocity_y_ * tau;

  // Keep the cursor (limited to the bounds) in view, in proportion to the
  // follow strength.
  const double qx = limit(input.cursor_x, b.left, b.right);
  const double qy = limit(input.cursor_y, b.top, b.bottom);
  if (input.follow && strength > 0) {
    const double ex = qx - center_x_;
    if (ex > half_w) center_x_ += (ex - half_w) * strength;
    else if (ex < -half_w) center_x_ += (ex + half_w) * strength;
    const double ey = qy - center_y_;
    if (ey > half_h) center_y_ += (ey - half_h) * strength;
    else if (ey < -half_h) center_y_ += (ey + half_h) * strength;
  }

  // A planned transition moves the centre in step with the zoom.
  auto apply = [](const AxisTransition& transition, double half, double& center,
                  double& velocity) {
    if (!transition.active) return;
    const double span = transition.to_half - transition.from_half;
    const double u =
        std::abs(span) <= 1e-12 ? 1.0 : limit((half - transition.from_half) / span, 0.0, 1.0);
    velocity = 0;
    center = transition.from_center + (transition.to_center - transition.from_center) * u;
  };
  apply(transition_x_, half_w, center_x_, velocity_x_);
  apply(transition_y_, half_h, center_y_, velocity_y_);

  if (input.follow && strength >= kFullStrength) {
    center_x_ = limit(center_x_, qx - half_w, qx + half_w);
    center_y_ = limit(center_y_, qy - half_h, qy + half_h);
  }

  keep_inside(b, w, h);

  if (settled) {
    transition_x_ = {};
    transition_y_ = {};
  }
}

void CaptureCamera::keep_inside(const CaptureBounds& b, double w, double h) {
  edges_ = 0;
  auto axis = [this](double low, double high, double size, double& center, double& velocity,
                     uint8_t low_flag, uint8_t high_flag) {
    const double half = size / 2.0;
    if (low + half >= high - half) {
      center = (low + high) / 2.0;
      velocity = 0;
      edges_ |= low_flag | high_flag;
    } else if (low + half >= center) {
      center = low + half;
      edges_ |= low_flag;
      if (velocity < 0) velocity = 0;
    } else if (high - half <= center) {
      center = high - half;
      edges_ |= high_flag;
      if (velocity > 0) velocity = 0;
    }
  };
  axis(b.left, b.right, w, center_x_, velocity_x_, EdgeLeft, EdgeRight);
  axis(b.top, b.bottom, h, center_y_, velocity_y_, EdgeTop, EdgeBottom);
}

CaptureViewport CaptureCamera::viewport(const FullView& full) const {
  const double half_w = full.width / view_divisor(zoom_) / 2.0;
  const double half_h = full.height / view_divisor(zoom_) / 2.0;
  CaptureViewport v;
  v.left = center_x_ - half_w;
  v.top = center_y_ - half_h;
  v.right = center_x_ + half_w;
  v.bottom = center_y_ + half_h;
  v.center_x = center_x_;
  v.center_y = center_y_;
  v.velocity_x = velocity_x_;
  v.velocity_y = velocity_y_;
  v.zoom = zoom_;
  v.zoom_velocity = zoom_velocity_;
  v.speed = speed_;
  v.response = response_;
  v.dwell = dwell_;
  v.edges = edges_;
  return v;
}

}  // namespace quorvel::windows
