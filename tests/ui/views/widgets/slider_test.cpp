#include "ui/views/widgets/slider.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>

#include "tests/fakes/ui/views/fake_view_host.h"
#include "tests/ui/views/widgets/event_recorder.h"
#include "tests/ui/views/widgets/widget_fixture.h"
#include "ui/views/key_codes.h"
#include "ui/views/view_root.h"

namespace win32_ui::modern {
namespace {

using quorvel::test::FakeViewHost;
using testing::EventRecorder;
using testing::make_action;
using testing::light_palette;
using testing::Painter;

// A slider as the root of a view root, so that its events are dispatched.
struct SliderRoot {
  ViewRoot root;
  Slider* slider = nullptr;

  SliderRoot(float value, float width, bool right_to_left = false) {
    auto owned = std::make_unique<Slider>(5, value);
    slider = owned.get();
    root.set_root(std::move(owned));
    layout::LayoutContext context;
    context.direction = right_to_left ? layout::kLayoutRightToLeft : layout::kLayoutLeftToRight;
    layout::LayoutParams params;
    params.width = width;
    params.has_width = true;
    params.horizontal_alignment = layout::kAlignStart;
    slider->set_layout_params(params);
    root.layout(400, 30, context);
  }

  void press_at(float x) {
    PointerEvent event;
    event.action = kPointerDown;
    event.position = {x, 10};
    event.local_position = {x, 10};
    slider->handle_pointer(event);
  }
};

KeyEvent key(std::int32_t code) {
  KeyEvent event;
  event.key = code;
  return event;
}

TEST(SliderPointerTest, MapsThePressAlongTheTrackInsideEightDip) {
  struct Case {
    float width;
    float x;
    bool right_to_left;
    float expected;
  };
  const Case cases[] = {
      {116, 8, false, 0.0f},   {116, 58, false, 0.5f}, {116, 108, false, 1.0f},
      {116, 300, false, 1.0f}, {116, -5, false, 0.0f}, {116, 8, true, 1.0f},
      {116, 33, true, 0.75f},  {10, 8.5f, false, 0.5f}, {10, 9, false, 1.0f},
  };
  for (const Case& c : cases) {
    SliderRoot tree(0.3f, c.width, c.right_to_left);
    ASSERT_FLOAT_EQ(tree.slider->bounds().width, c.width);
    tree.press_at(c.x);
    EXPECT_NEAR(tree.slider->value(), c.expected, 1e-6f)
        << "width " << c.width << " x " << c.x << " rtl " << c.right_to_left;
  }
}

TEST(SliderPointerTest, FollowsTheCapturedPointerAndRaisesValueChanged) {
  SliderRoot tree(0.0f, 116);
  EventRecorder recorder(*tree.slider);
  tree.press_at(58);
  PointerEvent move;
  move.action = kPointerMove;
  move.local_position = {108, 10};
  EXPECT_TRUE(tree.slider->handle_pointer(move));
  PointerEvent up;
  up.action = kPointerUp;
  up.position = {108, 10};
  EXPECT_TRUE(tree.slider->handle_pointer(up));
  ASSERT_EQ(recorder.events.size(), 2u);
  EXPECT_EQ(recorder.events[0].kind, Event::kValueChanged);
  EXPECT_FLOAT_EQ(recorder.events[0].value, 0.5f);
  EXPECT_EQ(recorder.events[0].origin, kInputPointer);
  EXPECT_FLOAT_EQ(recorder.events[1].value, 1.0f);
}

TEST(SliderKeyTest, UpReachesOneOnceAndStops) {
  SliderRoot tree(0.98f, 116);
  EventRecorder recorder(*tree.slider);
  KeyEvent up = key(kKeyUp);
  EXPECT_TRUE(tree.slider->on_key(up));
  EXPECT_FLOAT_EQ(tree.slider->value(), 1.0f);
  ASSERT_EQ(recorder.events.size(), 1u);
  EXPECT_EQ(recorder.events[0].origin, kInputKeyboard);
  KeyEvent again = key(kKeyUp);
  EXPECT_TRUE(tree.slider->on_key(again)) << "handled even at the end";
  EXPECT_FLOAT_EQ(tree.slider->value(), 1.0f);
  EXPECT_EQ(recorder.events.size(), 1u);
}

TEST(SliderKeyTest, ArrowsFollowTheLayoutDirection) {
  struct Case {
    std::int32_t key;
    bool right_to_left;
    float expected;
  };
  const Case cases[] = {
      {kKeyLeft, false, 0.45f}, {kKeyRight, false, 0.55f}, {kKeyLeft, true, 0.55f},
      {kKeyRight, true, 0.45f}, {kKeyDown, false, 0.45f},  {kKeyDown, true, 0.45f},
  };
  for (const Case& c : cases) {
    SliderRoot tree(0.5f, 116, c.right_to_left);
    KeyEvent event = key(c.key);
    EXPECT_TRUE(tree.slider->on_key(event));
    EXPECT_NEAR(tree.slider->value(), c.expected, 1e-6f) << c.key << " rtl " << c.right_to_left;
  }
  SliderRoot tree(0.5f, 116);
  KeyEvent enter = key(kKeyEnter);
  EXPECT_FALSE(tree.slider->on_key(enter));
}

TEST(SliderValueTest, ChangesUnderATenThousandthAreDropped) {
  FakeViewHost host;
  Slider slider(1, 0.5f);
  slider.attach_host(&host);
  slider.set_value(0.50005f, kInputKeyboard, true);
  EXPECT_FLOAT_EQ(slider.value(), 0.5f);
  EXPECT_TRUE(host.requests.empty());

  slider.set_value(0.25f, kInputKeyboard, false);
  EXPECT_FLOAT_EQ(slider.value(), 0.25f);
  EXPECT_EQ(host.count(FakeViewHost::Request::kDispatchEvent), 0u) << "notify was off";
  slider.set_value(0.75f, kInputKeyboard, true);
  EXPECT_EQ(host.count(FakeViewHost::Request::kDispatchEvent), 1u);
  slider.attach_host(nullptr);
}

TEST(SliderValueTest, ANaNValueNeverReachesTheSlider) {
  FakeViewHost host;
  Slider slider(1, 0.5f);
  slider.attach_host(&host);
  slider.set_value(std::numeric_limits<float>::quiet_NaN(), kInputKeyboard, true);
  EXPECT_FLOAT_EQ(slider.value(), 0.5f);
  EXPECT_TRUE(host.requests.empty());
  slider.attach_host(nullptr);
  EXPECT_FLOAT_EQ(Slider(1, std::numeric_limits<float>::quiet_NaN()).value(), 0.0f);
}

TEST(SliderValueTest, TheConstructorClampsAndIgnoresTinyValues) {
  EXPECT_FLOAT_EQ(Slider(1, 0.00005f).value(), 0.0f);
  EXPECT_FLOAT_EQ(Slider(1, 2.0f).value(), 1.0f);
  EXPECT_FLOAT_EQ(Slider(1, -1.0f).value(), 0.0f);
  EXPECT_FLOAT_EQ(Slider(1, 0.4f).value(), 0.4f);
  EXPECT_EQ(Slider(1, 0.4f).measure({}, {}), (layout::Size{160, 30}));
}

TEST(SliderActionTest, ARangeActionSetsFiniteValuesAndRefusesNaN) {
  SliderRoot tree(0.5f, 116);
  EventRecorder recorder(*tree.slider);
  EXPECT_FALSE(tree.slider->perform_element_action(make_action(ElementAction::kSetRangeValue, std::numeric_limits<double>::quiet_NaN())));
  EXPECT_FLOAT_EQ(tree.slider->value(), 0.5f);
  EXPECT_TRUE(recorder.events.empty());

  EXPECT_TRUE(tree.slider->perform_element_action(make_action(ElementAction::kSetRangeValue, 0.25)));
  EXPECT_FLOAT_EQ(tree.slider->value(), 0.25f);
  ASSERT_EQ(recorder.events.size(), 1u);
  EXPECT_EQ(recorder.events[0].origin, kInputAccessibility);

  ElementInfo info;
  tree.slider->describe_element(info);
  EXPECT_EQ(info.role, ElementRole::kSlider);
  EXPECT_TRUE(info.has_range);
  EXPECT_DOUBLE_EQ(info.range_value, 0.25);
  EXPECT_DOUBLE_EQ(info.range_maximum, 1.0);
  EXPECT_DOUBLE_EQ(info.range_step, 0.05f);
}

TEST(SliderDrawTest, TheThumbGrowsWithHoverAndPress) {
  Slider slider(1, 0.5f);
  testing::lay_out(slider, {0, 0, 116, 30});
  struct Case {
    bool hovered;
    bool pressed;
    const char* thumb;
  };
  // Thumb centre x 58, y 15; diameter 16, 18, 20.
  const Case cases[] = {{false, false, "fill_ellipse 50 7 66 23 "},
                        {true, false, "fill_ellipse 49 6 67 24 "},
                        {true, true, "fill_ellipse 48 5 68 25 "}};
  for (const Case& c : cases) {
    Painter painter(light_palette());
    painter.setup.hovered = c.hovered ? &slider : nullptr;
    painter.setup.pressed = c.pressed ? &slider : nullptr;
    const auto& calls = painter.paint(slider);
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[0], "fill_round_rect 8 13 108 17 2 " + painter.hex(3));
    EXPECT_EQ(calls[1], "fill_round_rect 8 13 58 17 2 " + painter.hex(9));
    EXPECT_EQ(calls[2], c.thumb + painter.hex(1));
    EXPECT_EQ(calls[3].rfind("stroke_ellipse", 0), 0u);
  }
}

}  // namespace
}  // namespace win32_ui::modern
