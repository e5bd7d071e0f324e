#include "engine/capture_camera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>

namespace quorvel::windows {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The settings the application runs the camera with.
CaptureCameraSettings app_settings(double aspect, double zoom) {
  CaptureCameraSettings s;
  s.aspect_ratio = aspect;
  s.initial_zoom = zoom;
  s.min_zoom = 1;
  s.max_zoom = 6;
  s.dead_zone_x = 0.12;
  s.dead_zone_y = 0.12;
  s.stiffness = 34;
  s.damping = 11.5;
  s.max_speed = 3200;
  s.max_acceleration = 16000;
  s.speed_low = 0.35;
  s.speed_high = 2.5;
  s.max_response = 1.8;
  s.dwell_delay = 0.12;
  s.dwell_boost = 2.5;
  s.zoom_stiffness = 42;
  s.zoom_damping = 13;
  s.max_zoom_speed = 5;
  return s;
}

CaptureCameraInput input_at(double x, double y, const CaptureBounds& bounds, double zoom,
                            double strength, double dt, bool follow) {
  CaptureCameraInput in;
  in.cursor_x = x;
  in.cursor_y = y;
  in.bounds = bounds;
  in.zoom = zoom;
  in.follow_strength = strength;
  in.dt = dt;
  in.follow = follow;
  return in;
}

std::string thrown_message(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::invalid_argument& error) {
    return error.what();
  }
  return "(nothing thrown)";
}

TEST(CaptureCameraTest, ConstructorRejectsInvalidSettingsWithTheFirstApplicableMessage) {
  struct Case {
    const char* name;
    std::function<void(CaptureCameraSettings&)> change;
    const char* message;
  };
  const char* kAspect = "aspect_ratio must be finite and positive";
  const char* kZoom = "zoom limits are invalid";
  const char* kDeadZone = "dead-zone ratios must be in [0, 0.5)";
  const char* kResponse = "cursor motion response values are invalid";
  const Case cases[] = {
      {"aspect zero", [](auto& s) { s.aspect_ratio = 0; }, kAspect},
      {"aspect negative", [](auto& s) { s.aspect_ratio = -1.5; }, kAspect},
      {"aspect NaN", [](auto& s) { s.aspect_ratio = kNaN; }, kAspect},
      {"aspect infinite", [](auto& s) { s.aspect_ratio = kInf; }, kAspect},
      {"aspect before zoom", [](auto& s) { s.aspect_ratio = 0; s.min_zoom = 0; }, kAspect},
      {"min zoom below 1", [](auto& s) { s.min_zoom = 0.99; }, kZoom},
      {"min above max", [](auto& s) { s.min_zoom = 3; s.max_zoom = 2; }, kZoom},
      {"min zoom NaN", [](auto& s) { s.min_zoom = kNaN; }, kZoom},
      {"max zoom infinite", [](auto& s) { s.max_zoom = kInf; }, kZoom},
      {"zoom before dead zone", [](auto& s) { s.max_zoom = kNaN; s.dead_zone_x = 1; }, kZoom},
      {"dead zone x negative", [](auto& s) { s.dead_zone_x = -0.01; }, kDeadZone},
      {"dead zone x half", [](auto& s) { s.dead_zone_x = 0.5; }, kDeadZone},
      {"dead zone y NaN", [](auto& s) { s.dead_zone_y = kNaN; }, kDeadZone},
      {"dead zone before response",
       [](auto& s) { s.dead_zone_y = 0.7; s.speed_low = -1; }, kDeadZone},
      {"speed low negative", [](auto& s) { s.speed_low = -0.1; }, kResponse},
      {"speed high equal to low", [](auto& s) { s.speed_high = s.speed_low; }, kResponse},
      {"speed high infinite", [](auto& s) { s.speed_high = kInf; }, kResponse},
      {"max response below 1", [](auto& s) { s.max_response = 0.9; }, kResponse},
      {"dwell delay negative", [](auto& s) { s.dwell_delay = -0.5; }, kResponse},
      {"dwell delay NaN", [](auto& s) { s.dwell_delay = kNaN; }, kResponse},
      {"dwell boost below 1", [](auto& s) { s.dwell_boost = 0.5; }, kResponse},
  };
  for (const Case& c : cases) {
    CaptureCameraSettings settings = app_settings(16.0 / 9.0, 1);
    c.change(settings);
    EXPECT_EQ(thrown_message([&] { CaptureCamera camera(settings); }), c.message) << c.name;
  }
}

TEST(CaptureCameraTest, AcceptsTheLimitsOfEveryRange) {
  CaptureCameraSettings settings = app_settings(0.01, 1);
  settings.min_zoom = 1;
  settings.max_zoom = 1;
  settings.dead_zone_x = 0;
  settings.dead_zone_y = 0.4999;
  settings.speed_low = 0;
  settings.max_response = 1;
  settings.dwell_delay = 0;
  settings.dwell_boost = 1;
  EXPECT_NO_THROW(CaptureCamera camera(settings));
}

TEST(CaptureCameraTest, InvalidBoundsThrowFromResetAndStepAndLeaveTheCameraUnchanged) {
  const CaptureBounds good{0, 0, 3840, 2160};
  const CaptureBounds invalid[] = {
      {100, 0, 100, 1080},  // zero width
      {0, 50, 1920, 50},    // zero height
      {0, 0, -1920, 1080},  // negative width
      {0, 0, kNaN, 1080},
      {-kInf, 0, 1920, 1080},
  };
  CaptureCamera camera(app_settings(16.0 / 9.0, 2));
  CaptureCamera twin(app_settings(16.0 / 9.0, 2));
  camera.reset(1000, 800, good);
  twin.reset(1000, 800, good);
  camera.step(input_at(2500, 1500, good, 2, 0.5, 0.05, true));
  twin.step(input_at(2500, 1500, good, 2, 0.5, 0.05, true));

  for (const CaptureBounds& bounds : invalid) {
    EXPECT_EQ(thrown_message([&] { camera.reset(10, 10, bounds); }),
              "capture bounds must be valid");
    EXPECT_EQ(thrown_message([&] { camera.step(input_at(10, 10, bounds, 3, 1, 0.1, true)); }),
              "capture bounds must be valid");
  }
  const CaptureViewport a = camera.step(input_at(2600, 1500, good, 2, 0.5, 0.05, true));
  const CaptureViewport b = twin.step(input_at(2600, 1500, good, 2, 0.5, 0.05, true));
  EXPECT_EQ(a.center_x, b.center_x);
  EXPECT_EQ(a.center_y, b.center_y);
  EXPECT_EQ(a.velocity_x, b.velocity_x);
  EXPECT_EQ(a.zoom, b.zoom);
  EXPECT_EQ(a.dwell, b.dwell);
}

TEST(CaptureCameraTest, ViewAsLargeAsTheBoundsStaysCentredWithAllFourEdges) {
  // Aspect 2 on 2000 x 1000 bounds: at zoom 1 the view is the bounds.
  const CaptureBounds bounds{100, 50, 2100, 1050};
  CaptureCamera camera(app_settings(2.0, 1));
  EXPECT_EQ(camera.reset(300, 900, bounds), 15);

  struct Move {
    double x, y, dt;
    bool follow;
  };
  const Move moves[] = {{100, 50, 0.1, true},   {2100, 1050, 0.016, true},
                        {-500, 3000, 0.05, true}, {1500, 200, 0.0, false},
                        {700, 700, 0.5, false}};
  for (const Move& m : moves) {
    const CaptureViewport v = camera.step(input_at(m.x, m.y, bounds, 1, 1, m.dt, m.follow));
    EXPECT_EQ(v.edges, EdgeLeft | EdgeTop | EdgeRight | EdgeBottom);
    EXPECT_EQ(v.center_x, 1100);
    EXPECT_EQ(v.center_y, 550);
    EXPECT_EQ(v.left, 100);
    EXPECT_EQ(v.top, 50);
    EXPECT_EQ(v.right, 2100);
    EXPECT_EQ(v.bottom, 1050);
    EXPECT_EQ(v.velocity_x, 0);
    EXPECT_EQ(v.velocity_y, 0);
  }
}

TEST(CaptureCameraTest, CursorRestingInTheDeadZoneLetsTheViewComeToRestAndDwellGrow) {
  const CaptureBounds bounds{0, 0, 7680, 4320};
  CaptureCamera camera(app_settings(16.0 / 9.0, 2));  // view 3840 x 2160
  camera.reset(3840, 2160, bounds);
  const double dt = 1.0 / 60.0;

  // Pull the view to the right for a moment so it moves.
  CaptureViewport v{};
  for (int i = 0; i < 20; ++i) v = camera.step(input_at(5400, 2160, bounds, 2, 0.5, dt, true));
  ASSERT_GT(v.velocity_x, 100);

  // Then the cursor rests just ahead of the view's centre, inside the dead zone.
  const double rest_x = v.center_x + 20;
  double previous_speed = std::abs(v.velocity_x);
  v = camera.step(input_at(rest_x, 2160, bounds, 2, 0.5, dt, true));
  EXPECT_EQ(v.dwell, 0) << "the jump to the resting place is fast motion";
  for (int i = 1; i <= 300; ++i) {
    v = camera.step(input_at(rest_x, 2160, bounds, 2, 0.5, dt, true));
    ASSERT_LT(std::abs(rest_x - v.center_x), 0.12 * 3840 * (1.5 - 0.65) / v.response)
        << "step " << i;
    EXPECT_LE(std::abs(v.velocity_x), previous_speed) << "step " << i;
    previous_speed = std::abs(v.velocity_x);
    EXPECT_NEAR(v.dwell, std::min(0.12 + 1.0, i * dt), 1e-9) << "step " << i;
  }
  EXPECT_LT(std::abs(v.velocity_x), 1e-6);
  EXPECT_EQ(v.dwell, 0.12 + 1.0);

  // At rest it stays where it is.
  const double rested_x = v.center_x;
  const double rested_y = v.center_y;
  for (int i = 0; i < 60; ++i) v = camera.step(input_at(rest_x, 2160, bounds, 2, 0.5, dt, true));
  EXPECT_NEAR(v.center_x, rested_x, 1e-6);
  EXPECT_NEAR(v.center_y, rested_y, 1e-6);

  // The view is 3840 px wide, so 0.025 views/s is 96 px/s. Creeping slower
  // still counts as rest (1 px per step is 60 px/s); faster motion ends it.
  v = camera.step(input_at(rest_x + 1, 2160, bounds, 2, 0.5, dt, true));
  EXPECT_EQ(v.dwell, 0.12 + 1.0);
  v = camera.step(input_at(rest_x + 3, 2160, bounds, 2, 0.5, dt, true));  // 120 px/s
  EXPECT_EQ(v.dwell, 0);
  v = camera.step(input_at(rest_x + 3, 2160, bounds, 2, 0.5, dt, true));
  EXPECT_NEAR(v.dwell, dt, 1e-12);
}

TEST(CaptureCameraTest, ZoomingInAtTheLeftEdgeKeepsTheViewOnThatEdge) {
  // Aspect 2 on 3000 x 1000 bounds: at zoom 1 the view is 2000 x 1000.
  const CaptureBounds bounds{0, 0, 3000, 1000};
  CaptureCamera camera(app_settings(2.0, 1));
  EXPECT_EQ(camera.reset(0, 500, bounds), EdgeLeft | EdgeTop | EdgeBottom);

  CaptureViewport v{};
  double previous_zoom = 1;
  for (int i = 0; i < 180; ++i) {
    v = camera.step(input_at(0, 500, bounds, 2, 0.5, 1.0 / 60.0, false));
    EXPECT_NEAR(v.left, 0, 1e-9) << "step " << i;
    EXPECT_EQ(v.velocity_x, 0) << "step " << i;
    EXPECT_GE(v.zoom, previous_zoom);
    previous_zoom = v.zoom;
  }
  EXPECT_EQ(v.zoom, 2);
  EXPECT_TRUE(v.edges & EdgeLeft);
  EXPECT_NEAR(v.right, 1000, 1e-9);
  // Vertically the view touched both edges: no transition, it stays centred.
  EXPECT_NEAR(v.center_y, 500, 1e-9);
  EXPECT_NEAR(v.top, 250, 1e-9);
}

TEST(CaptureCameraTest, ZoomingInAwayFromTheEdgesLeavesTheCentreToTheSpring) {
  const CaptureBounds bounds{0, 0, 3000, 1000};
  CaptureCamera camera(app_settings(2.0, 1));
  camera.reset(1400, 500, bounds);
  CaptureViewport v{};
  for (int i = 0; i < 180; ++i) {
    v = camera.step(input_at(1400, 500, bounds, 3, 0.5, 1.0 / 60.0, false));
    // At rest and not following, nothing moves the centre.
    EXPECT_EQ(v.center_x, 1400) << "step " << i;
  }
  EXPECT_EQ(v.zoom, 3);
}

TEST(CaptureCameraTest, ZoomingOutNearAnEdgeMovesTheCentreWithTheZoomInsideTheBounds) {
  const CaptureBounds bounds{0, 0, 3000, 1000};
  CaptureCamera camera(app_settings(2.0, 3));  // view 666.7 x 333.3
  EXPECT_EQ(camera.reset(400, 200, bounds), 0);

  CaptureViewport v{};
  for (int i = 0; i < 180; ++i) {
    v = camera.step(input_at(400, 200, bounds, 1, 0.5, 1.0 / 60.0, false));
    const double half_w = (v.right - v.left) / 2;
    const double half_h = (v.bottom - v.top) / 2;
    // Each axis moves linearly with the half size, from where it was to
    // where the full-size view fits.
    const double u_x = (half_w - 1000.0 / 3.0) / (1000.0 - 1000.0 / 3.0);
    const double u_y = (half_h - 500.0 / 3.0) / (500.0 - 500.0 / 3.0);
    EXPECT_NEAR(v.center_x, 400 + (1000 - 400) * u_x, 1e-6) << "step " << i;
    EXPECT_NEAR(v.center_y, 200 + (500 - 200) * u_y, 1e-6) << "step " << i;
    EXPECT_GE(v.left, -1e-9);
    EXPECT_GE(v.top, -1e-9);
    EXPECT_LE(v.right, 3000 + 1e-9);
    EXPECT_LE(v.bottom, 1000 + 1e-9);
  }
  EXPECT_EQ(v.zoom, 1);
  EXPECT_NEAR(v.left, 0, 1e-9);
  // The grown view is as tall as the bounds: centred, both vertical edges.
  EXPECT_EQ(v.center_y, 500);
  EXPECT_EQ(v.edges, EdgeLeft | EdgeTop | EdgeBottom);
}

// The zoom spring alone, integrated in `count` equal sub-steps of `dt`, from
// rest at zoom `from` towards `to` (both inside the limits and far from them).
double zoom_after(double from, double to, double dt, int count) {
  double zoom = from;
  double velocity = 0;
  const double tau = dt / count;
  for (int i = 0; i < count; ++i) {
    velocity += ((to - zoom) * 42 - velocity * 13) * tau;
    velocity = std::clamp(velocity, -5.0, 5.0);
    zoom += velocity * tau;
  }
  return zoom;
}

TEST(CaptureCameraTest, TimeStepIsIntegratedInSubStepsOfAt240Hz) {
  const CaptureBounds bounds{0, 0, 7680, 4320};
  struct Case {
    double dt;
    int substeps;
    double integrated_dt;
  };
  const Case cases[] = {{0.1, 24, 0.1}, {0.5, 24, 0.1}, {0.05, 12, 0.05}, {0.001, 1, 0.001}};
  for (const Case& c : cases) {
    CaptureCamera camera(app_settings(16.0 / 9.0, 2));
    camera.reset(3840, 2160, bounds);
    const CaptureViewport v = camera.step(input_at(3840, 2160, bounds, 3, 0.5, c.dt, false));
    const double expected = zoom_after(2, 3, c.integrated_dt, c.substeps);
    EXPECT_NEAR(v.zoom, expected, 1e-12) << "dt " << c.dt;
    // One sub-step more or fewer gives a measurably different zoom.
    EXPECT_GT(std::abs(v.zoom - zoom_after(2, 3, c.integrated_dt, c.substeps + 1)), 1e-7)
        << "dt " << c.dt;
    if (c.substeps > 1) {
      EXPECT_GT(std::abs(v.zoom - zoom_after(2, 3, c.integrated_dt, c.substeps - 1)), 1e-7)
          << "dt " << c.dt;
    }
  }
}

// The follow rules along one axis, written out from their definition, for a
// view far from the bounds' edges at a constant zoom (so no zoom transition
// and no edge takes part) and a cursor that moves only horizontally.
struct HorizontalFollowModel {
  // Application settings; view width w at the fixed zoom.
  double w = 0;
  double center = 0;
  double velocity = 0;
  double last_cursor = 0;
  double smoothed = 0;
  double speed = 0;
  double response = 1;
  double dwell = 0;

  static double smoothstep(double e0, double e1, double x) {
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
  }

  void step(double cursor, double strength, double dt_in, bool follow) {
    const double dt = std::clamp(dt_in, 0.0, 0.1);
    if (dt <= 0) return;
    const double v = (cursor - last_cursor) / dt;
    last_cursor = cursor;
    smoothed += (v - smoothed) * (1.0 - std::exp(-dt / 0.045));
    const double view = std::max(1.0, w);
    const double instant = std::abs(v / view);
    speed = std::abs(smoothed / view);
    dwell = instant <= 0.025 ? std::min(0.12 + 1.0, dwell + dt) : 0.0;
    response = 1.0 + (1.8 - 1.0) * smoothstep(0.35, 2.5, speed);
    const int n = std::max(1, static_cast<int>(std::ceil(dt / (1.0 / 240.0))));
    const double tau = dt / n;
    for (int i = 0; i < n; ++i) {
      const double j = strength;
      const double k_rest = smoothstep(0.12, 0.12 + 0.18, dwell);
      const double r = response;
      const double vmax = (1.45 * j + 0.55) * 3200 * r;
      const double amax = (2.4 * j + 0.6) * 16000 * r * r;
      const double m = (1.0 + (2.5 - 1.0) * k_rest) * (2.2 * j + 0.55) * r;
      const double spring = m * 34;
      const double damping = std::sqrt(m) * 11.5;
      double a = -damping * velocity;
      if (follow) {
        const double zone = w * 0.12 * (1.5 - 1.3 * j) / r;
        const double e = cursor - center;
        const double excess = e > zone ? e - zone : (e < -zone ? e + zone : 0.0);
        a += excess * spring;
      }
      a = std::clamp(a, -amax, amax);
      velocity = std::clamp(velocity + a * tau, -vmax, vmax);
      center += velocity * tau;
      if (follow && j > 0) {
        const double e = cursor - center;
        if (e > w / 2) center += (e - w / 2) * j;
        else if (e < -w / 2) center += (e + w / 2) * j;
      }
    }
  }
};

TEST(CaptureCameraTest, FollowSpringMovesTheViewAsItsRulesSay) {
  // 16:9 bounds of 23040 x 12960 at zoom 6: a 3840 x 2160 view that stays
  // far from every edge on this path.
  const CaptureBounds bounds{0, 0, 23040, 12960};
  struct Segment {
    int steps;
    double cursor_from, cursor_to;  // moved linearly over the segment
    bool follow;
  };
  const Segment path[] = {
      {1, 11520, 12600, true},    // a jump out of the dead zone
      {40, 12600, 12600, true},   // rest there: the rest boost builds up
      {60, 12600, 14600, true},   // steady motion
      {5, 9000, 9000, true},      // a jump far out of the view
      {30, 9000, 9400, true},
      {30, 9400, 9400, false},    // following off: the damping alone
  };
  const double time_steps[] = {1.0 / 60.0, 0.033, 0.1, 0.25, 0.004, 0.0125};
  const double strengths[] = {0.0, 0.35, 0.8};
  for (double strength : strengths) {
    SCOPED_TRACE(strength);
    CaptureCamera camera(app_settings(16.0 / 9.0, 6));
    camera.reset(11520, 6480, bounds);
    HorizontalFollowModel model;
    model.w = 3840;
    model.center = 11520;
    model.last_cursor = 11520;
    int step = 0;
    for (const Segment& segment : path) {
      for (int i = 1; i <= segment.steps; ++i, ++step) {
        const double cursor = segment.cursor_from +
                              (segment.cursor_to - segment.cursor_from) * i / segment.steps;
        const double dt = time_steps[step % std::size(time_steps)];
        const CaptureViewport v =
            camera.step(input_at(cursor, 6480, bounds, 6, strength, dt, segment.follow));
        model.step(cursor, strength, dt, segment.follow);
        ASSERT_NEAR(model.center, v.center_x, 1e-6) << "step " << step;
        ASSERT_NEAR(model.velocity, v.velocity_x, 1e-6) << "step " << step;
        ASSERT_NEAR(model.speed, v.speed, 1e-9) << "step " << step;
        ASSERT_NEAR(model.response, v.response, 1e-9) << "step " << step;
        ASSERT_NEAR(model.dwell, v.dwell, 1e-12) << "step " << step;
        ASSERT_EQ(6480, v.center_y) << "step " << step;
        ASSERT_EQ(0, v.velocity_y) << "step " << step;
        ASSERT_EQ(0, v.edges) << "step " << step;
        ASSERT_NEAR(v.right - v.left, 3840, 1e-9);
      }
    }
  }
}

TEST(CaptureCameraTest, ZoomTargetIsLimitedAndTheZoomNeverLeavesItsLimits) {
  // Without zoom damping the spring overshoots its target; the limits hold
  // the zoom, and the motion past a limit stops there.
  struct Case {
    const char* name;
    double initial;
    double wanted;
    double limit;
  };
  const Case cases[] = {
      {"zoom in beyond the largest zoom", 2, 10, 3},
      {"zoom out below the smallest zoom", 2.5, 0.2, 1.5},
  };
  const CaptureBounds bounds{0, 0, 7680, 4320};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaptureCameraSettings settings = app_settings(16.0 / 9.0, c.initial);
    settings.min_zoom = 1.5;
    settings.max_zoom = 3;
    settings.zoom_damping = 0;
    CaptureCamera camera(settings);
    camera.reset(3840, 2160, bounds);
    bool reached = false;
    for (int i = 0; i < 120; ++i) {
      const CaptureViewport v =
          camera.step(input_at(3840, 2160, bounds, c.wanted, 0.5, 1.0 / 60.0, false));
      ASSERT_GE(v.zoom, 1.5) << "step " << i;
      ASSERT_LE(v.zoom, 3) << "step " << i;
      if (v.zoom == c.limit) {
        reached = true;
        // Held at the limit, the zoom does not keep moving past it.
        EXPECT_EQ(v.zoom_velocity, 0) << "step " << i;
        EXPECT_NEAR(v.right - v.left, 7680 / c.limit, 1e-9);
      }
    }
    EXPECT_TRUE(reached);
  }
}

TEST(CaptureCameraTest, ZeroTimeStepOnlyKeepsTheViewInsideTheBounds) {
  const CaptureBounds bounds{0, 0, 3000, 1000};
  CaptureCamera camera(app_settings(2.0, 2));  // view 1000 x 500
  camera.reset(1500, 500, bounds);
  CaptureViewport moving{};
  for (int i = 0; i < 10; ++i) {
    moving = camera.step(input_at(2500, 500, bounds, 2, 0.5, 1.0 / 60.0, true));
  }
  ASSERT_GT(moving.velocity_x, 0);

  const double time_steps[] = {0.0, -0.25, kNaN, kInf};
  for (double dt : time_steps) {
    const CaptureViewport v = camera.step(input_at(100, 900, bounds, 5, 1, dt, true));
    EXPECT_EQ(v.center_x, moving.center_x) << "dt " << dt;
    EXPECT_EQ(v.center_y, moving.center_y);
    EXPECT_EQ(v.velocity_x, moving.velocity_x);
    EXPECT_EQ(v.zoom, moving.zoom);
    EXPECT_EQ(v.dwell, moving.dwell);
    EXPECT_EQ(v.speed, moving.speed);
  }

  // Bounds that moved under a view heading left push it back inside: the
  // left edge is held and the motion towards it stops.
  CaptureCamera left_mover(app_settings(2.0, 2));
  left_mover.reset(1500, 500, bounds);
  CaptureViewport before = left_mover.step(input_at(0, 500, bounds, 2, 0.5, 0, true));
  for (int i = 0; i < 60 && before.left >= 800; ++i) {
    before = left_mover.step(input_at(0, 500, bounds, 2, 0.5, 1.0 / 60.0, true));
  }
  ASSERT_LT(before.velocity_x, 0);
  ASSERT_LT(before.left, 800);
  const CaptureBounds shifted{800, 0, 3800, 1000};
  const CaptureViewport v = left_mover.step(input_at(0, 500, shifted, 2, 0.5, 0, true));
  EXPECT_EQ(v.left, 800);
  EXPECT_EQ(v.edges, EdgeLeft);
  EXPECT_EQ(v.velocity_x, 0);
  EXPECT_EQ(v.velocity_y, before.velocity_y);
}

TEST(CaptureCameraTest, FirstStepWithoutResetStartsAtRestOnTheCursor) {
  const CaptureBounds bounds{0, 0, 7680, 4320};
  CaptureCamera camera(app_settings(16.0 / 9.0, 2));
  const CaptureViewport v = camera.step(input_at(3000, 2000, bounds, 2, 0.5, 0, false));
  EXPECT_EQ(v.center_x, 3000);
  EXPECT_EQ(v.center_y, 2000);
  EXPECT_EQ(v.right - v.left, 3840);
  EXPECT_EQ(v.bottom - v.top, 2160);
  EXPECT_EQ(v.response, 1);
}

TEST(CaptureCameraTest, FullFollowStrengthKeepsTheCursorInViewOverARandomWalk) {
  const CaptureBounds bounds{-1920, 0, 3840, 2160};
  CaptureCamera camera(app_settings(16.0 / 9.0, 3));
  camera.reset(0, 1000, bounds);
  std::mt19937 random(20261209);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::normal_distribution<double> stride(0.0, 40.0);
  double x = 0;
  double y = 1000;
  double zoom = 3;
  int outside = 0;
  for (int i = 0; i < 10000; ++i) {
    const double roll = unit(random);
    if (roll < 0.02) {  // a jump across the desktop
      x = bounds.left + unit(random) * (bounds.right - bounds.left);
      y = bounds.top + unit(random) * (bounds.bottom - bounds.top);
    } else {
      x = std::clamp(x + stride(random) * (roll < 0.2 ? 8 : 1), bounds.left, bounds.right);
      y = std::clamp(y + stride(random) * (roll < 0.2 ? 8 : 1), bounds.top, bounds.bottom);
    }
    if (unit(random) < 0.01) {  // the zoom commands
      zoom = std::clamp(unit(random) < 0.5 ? zoom * 1.35 : zoom / 1.35, 1.0, 6.0);
    }
    const double dt = 0.002 + unit(random) * 0.2;
    const CaptureViewport v = camera.step(input_at(x, y, bounds, zoom, 1, dt, true));
    const bool inside = v.left - 1e-6 <= x && x <= v.right + 1e-6 && v.top - 1e-6 <= y &&
                        y <= v.bottom + 1e-6;
    if (!inside && ++outside <= 5) {
      ADD_FAILURE() << "step " << i << ": cursor " << x << "," << y << " outside " << v.left
                    << "," << v.top << " - " << v.right << "," << v.bottom;
    }
    ASSERT_GE(v.left, bounds.left - 1e-6);
    ASSERT_LE(v.right, bounds.right + 1e-6);
    ASSERT_GE(v.top, bounds.top - 1e-6);
    ASSERT_LE(v.bottom, bounds.bottom + 1e-6);
  }
  EXPECT_EQ(outside, 0);
}

TEST(CaptureCameraTest, ZeroFollowStrengthLetsAFastCursorLeaveTheView) {
  const CaptureBounds bounds{0, 0, 7680, 4320};
  CaptureCamera camera(app_settings(16.0 / 9.0, 4));  // view 960 x 540
  camera.reset(1000, 2160, bounds);
  const CaptureViewport v = camera.step(input_at(2500, 2160, bounds, 4, 0, 0.05, true));
  EXPECT_LT(v.right, 2500);
  EXPECT_GT(v.velocity_x, 0);
}

TEST(CaptureCameraTest, NaNInitialZoomStartsAtTheSmallestZoom) {
  CaptureCamera camera(app_settings(2.0, kNaN));
  const CaptureBounds bounds{0, 0, 3000, 1000};
  camera.reset(1500, 500, bounds);
  const CaptureViewport v = camera.step(input_at(1500, 500, bounds, kNaN, kNaN, 0.1, true));
  EXPECT_EQ(v.zoom, 1);
  EXPECT_EQ(v.right - v.left, 2000);
}

}  // namespace
}  // namespace quorvel::windows
