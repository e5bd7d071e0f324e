// The follow-the-mouse camera: decides which part of the captured desktop a
// recording shows. A viewport of fixed aspect ratio moves over the capture
// bounds like a camera on a spring: the cursor may wander inside a dead zone
// without moving it, leaving the dead zone pulls the view after it with
// limited speed and acceleration, fast cursor motion and a resting cursor
// tighten the follow, and the zoom eases to its target while the view keeps
// to the edge it was touching.
//
// Pure computation on doubles in desktop pixels and seconds: no thread, no
// lock, no platform call. A camera holds all of its state and belongs to one
// caller; the application keeps it on the UI thread.
//
// How the application drives it: when a recording starts it builds a camera
// for the capture bounds and the selected region, resets it to the region's
// centre and steps it once with a time step of 0 and following off to get
// the first viewport. Every control tick then steps the same camera with the
// cursor, the bounds, the current zoom, the follow strength and the seconds
// since the previous tick. A zoom command only changes the zoom passed to the
// next step, so the view eases to the new zoom and keeps to the edge it
// touches; the camera is replaced (and its motion starts from rest) only when
// the capture bounds or the selected region change.
#pragma once

#include <cstdint>

namespace quorvel::windows {

// Edge flags of CaptureViewport::edges: the view was held at that edge of the
// bounds in the last step.
inline constexpr uint8_t EdgeLeft = 1;
inline constexpr uint8_t EdgeTop = 2;
inline constexpr uint8_t EdgeRight = 4;
inline constexpr uint8_t EdgeBottom = 8;

struct CaptureCameraSettings {
  double aspect_ratio = 16.0 / 9.0;  // view width / height; finite, > 0
  double initial_zoom = 1;           // clamped into [min_zoom, max_zoom]
  double min_zoom = 1;               // finite, >= 1
  double max_zoom = 6;               // finite, >= min_zoom
  double dead_zone_x = 0.12;         // half-width of the dead zone / view width, [0, 0.5)
  double dead_zone_y = 0.12;         // the same for the height
  double stiffness = 34;             // follow spring constant
  double damping = 11.5;             // follow damping
  double max_speed = 3200;           // px/s
  double max_acceleration = 16000;   // px/s^2
  double speed_low = 0.35;           // cursor speed (views/s) where tightening starts
  double speed_high = 2.5;           // cursor speed where tightening is full; > speed_low
  double max_response = 1.8;         // largest tightening factor, >= 1
  double dwell_delay = 0.12;         // seconds of rest before the rest boost begins
  double dwell_boost = 2.5;          // stiffness factor reached after resting, >= 1
  double zoom_stiffness = 42;
  double zoom_damping = 13;
  double max_zoom_speed = 5;         // zoom units/s
};

// A rectangle of the desktop in pixels; valid when it is finite and has a
// positive width and height.
struct CaptureBounds {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
};

struct CaptureCameraInput {
  double cursor_x = 0;
  double cursor_y = 0;
  CaptureBounds bounds;
  double zoom = 1;             // the wanted zoom; the current one when not finite
  double follow_strength = 0;  // 0 to 1; 0.5 when not finite
  double dt = 0;               // seconds since the previous step; 0 when not finite
  bool follow = false;
};

struct CaptureViewport {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
  double center_x = 0;
  double center_y = 0;
  double velocity_x = 0;  // px/s
  double velocity_y = 0;
  double zoom = 1;
  double zoom_velocity = 0;
  double speed = 0;     // smoothed cursor speed in view sizes per second
  double response = 1;  // tightening factor from the cursor speed
  double dwell = 0;     // seconds the cursor has rested
  uint8_t edges = 0;    // EdgeLeft | EdgeTop | EdgeRight | EdgeBottom
};

class CaptureCamera {
 public:
  // Throws std::invalid_argument when a setting is out of its range.
  explicit CaptureCamera(const CaptureCameraSettings& settings);

  // Puts the camera at rest on (x, y) at the initial zoom, kept inside the
  // bounds; returns the edge flags. Throws std::invalid_argument for invalid
  // bounds and then leaves the camera unchanged.
  uint8_t reset(double x, double y, const CaptureBounds& bounds);

  // Advances the camera by input.dt (limited to 0.1 s, integrated in
  // sub-steps of at most 1/240 s); a dt of 0 only keeps the view inside the
  // bounds. Throws std::invalid_argument for invalid bounds and then leaves
  // the camera unchanged.
  CaptureViewport step(const CaptureCameraInput& input);

 private:
  struct AxisTransition {
    double from_half = 0;
    double to_half = 0;
    double from_center = 0;
    double to_center = 0;
    bool active = false;
  };

  struct FullView {
    double width;
    double height;
  };

  FullView full_view(const CaptureBounds& bounds) const;
  double view_divisor(double zoom) const;
  void substep(const CaptureCameraInput& input, const FullView& full, double tau);
  void keep_inside(const CaptureBounds& bounds, double w, double h);
  CaptureViewport viewport(const FullView& full) const;

  CaptureCameraSettings settings_;
  double center_x_ = 0;
  double center_y_ = 0;
  double velocity_x_ = 0;
  double velocity_y_ = 0;
  double zoom_ = 1;
  double zoom_velocity_ = 0;
  double target_zoom_ = 1;
  AxisTransition transition_x_;
  AxisTransition transition_y_;
  double last_cursor_x_ = 0;
  double last_cursor_y_ = 0;
  double smoothed_velocity_x_ = 0;
  double smoothed_velocity_y_ = 0;
  double speed_ = 0;
  double response_ = 1;
  double dwell_ = 0;
  bool has_previous_ = false;
  uint8_t edges_ = 0;
  bool initialized_ = false;
};

}  // namespace quorvel::windows
