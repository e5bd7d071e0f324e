#include "ui/views/focus_manager.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/ui/views/logging_views.h"
#include "tests/ui/views/test_views.h"
#include "ui/views/overlay_panel.h"

namespace win32_ui::modern {
namespace {

using testing::add_placed;
using testing::lay_out;

struct Change {
  View* old_view;
  View* new_view;
  FocusOrigin origin;
  friend bool operator==(const Change&, const Change&) = default;
};

// A 400 x 300 overlay scope whose focusable children are placed by the test.
struct FocusFixture {
  OverlayPanel scope;
  FocusManager focus;
  std::vector<Change> changes;

  FocusFixture() {
    focus.set_scope(&scope);
    focus.set_callback([this](View* o, View* n, FocusOrigin origin) {
      changes.push_back({o, n, origin});
    });
  }
  View* add(float x, float y, float w = 20, float h = 20) {
    View* view = add_placed<View>(scope, x, y, w, h);
    view->set_focusable(true);
    return view;
  }
  void arrange() { lay_out(scope, 0, 0, 400, 300); }
};

TEST(FocusManagerTest, RefusesNullOutOfScopeAndUnfocusableViewsWithoutCallback) {
  FocusFixture f;
  View* plain = add_placed<View>(f.scope, 0, 0, 10, 10);  // not focusable
  View* disabled = f.add(0, 0);
  disabled->set_enabled(false);
  View* hidden = f.add(0, 0);
  layout::LayoutParams params = hidden->layout_params();
  params.visibility = layout::kHidden;
  hidden->set_layout_params(params);
  View outside;
  outside.set_focusable(true);

  for (View* view : {static_cast<View*>(nullptr), plain, disabled, hidden, &outside}) {
    EXPECT_FALSE(f.focus.request_focus(view, kFocusKeyboard));
  }
  EXPECT_EQ(f.focus.focused_view(), nullptr);
  EXPECT_TRUE(f.changes.empty());
}

TEST(FocusManagerTest, FocusMovesFlagsAndTellsTheCallback) {
  FocusFixture f;
  View* a = f.add(0, 0);
  View* b = f.add(50, 0);

  EXPECT_TRUE(f.focus.request_focus(a, kFocusPointer));
  EXPECT_TRUE(f.focus.request_focus(b, kFocusKeyboard));

  EXPECT_FALSE(a->is_focused());
  EXPECT_TRUE(b->is_focused());
  EXPECT_TRUE(f.focus.is_focus_visible());
  EXPECT_EQ(f.changes, (std::vector<Change>{{nullptr, a, kFocusPointer}, {a, b, kFocusKeyboard}}));

  f.focus.clear_focus(kFocusPointer);
  EXPECT_FALSE(b->is_focused());
  EXPECT_FALSE(f.focus.is_focus_visible());
  EXPECT_EQ(f.changes.back(), (Change{b, nullptr, kFocusPointer}));
}

TEST(FocusManagerTest, FocusedViewAskedAgainWithKeyboardShowsTheRingWithoutCallback) {
  FocusFixture f;
  View* a = f.add(0, 0);
  f.focus.request_focus(a, kFocusPointer);
  EXPECT_FALSE(f.focus.is_focus_visible());

  EXPECT_TRUE(f.focus.request_focus(a, kFocusKeyboard));
  EXPECT_TRUE(f.focus.is_focus_visible());
  EXPECT_TRUE(f.focus.request_focus(a, kFocusProgrammatic));
  EXPECT_FALSE(f.focus.is_focus_visible());
  EXPECT_EQ(f.changes.size(), 1u);
}

TEST(FocusManagerTest, NextWrapsAndPreviousWithNothingFocusedTakesTheLast) {
  FocusFixture f;
  View* a = f.add(0, 0);
  View* b = f.add(50, 0);
  View* c = f.add(100, 0);

  EXPECT_TRUE(f.focus.move_focus(kFocusPrevious, kFocusKeyboard));
  EXPECT_EQ(f.focus.focused_view(), c);
  EXPECT_TRUE(f.focus.move_focus(kFocusNext, kFocusKeyboard));
  EXPECT_EQ(f.focus.focused_view(), a);  // wrapped from the last
  EXPECT_TRUE(f.focus.move_focus(kFocusPrevious, kFocusKeyboard));
  EXPECT_EQ(f.focus.focused_view(), c);  // wrapped from the first
  f.focus.clear_focus(kFocusKeyboard);
  EXPECT_TRUE(f.focus.move_focus(kFocusNext, kFocusKeyboard));
  EXPECT_EQ(f.focus.focused_view(), a);
  f.focus.move_focus(kFocusNext, kFocusKeyboard);
  EXPECT_EQ(f.focus.focused_view(), b);
}

TEST(FocusManagerTest, NothingToFocusOrUnknownDirectionGivesFalse) {
  FocusFixture f;
  EXPECT_FALSE(f.focus.move_focus(kFocusNext, kFocusKeyboard));
  f.add(0, 0);
  EXPECT_FALSE(f.focus.move_focus(6, kFocusKeyboard));
  EXPECT_FALSE(f.focus.move_focus(-1, kFocusKeyboard));
  FocusManager no_scope;
  EXPECT_FALSE(no_scope.move_focus(kFocusNext, kFocusKeyboard));
}

TEST(FocusManagerTest, HiddenAndCollapsedSubtreesAreNoCandidates) {
  FocusFixture f;
  View* a = f.add(0, 0);
  for (const layout::Visibility visibility : {layout::kHidden, layout::kCollapsed}) {
    SCOPED_TRACE(visibility);
    auto* box = add_placed<OverlayPanel>(f.scope, 100, 100, 100, 100);
    layout::LayoutParams params = box->layout_params();
    params.visibility = visibility;
    box->set_layout_params(params);
    View* inner = add_placed<View>(*box, 0, 0, 10, 10);
    inner->set_focusable(true);
    EXPECT_TRUE(inner->can_focus());  // its own flags allow it

    f.focus.request_focus(a, kFocusKeyboard);
    EXPECT_TRUE(f.focus.move_focus(kFocusNext, kFocusKeyboard));
    EXPECT_EQ(f.focus.focused_view(), a);  // a was the only candidate
  }
}

TEST(FocusManagerTest, MovingRightALevelCandidateFartherAwayBeatsACloserDiagonalOne) {
  FocusFixture f;
  View* from = f.add(0, 100, 40, 40);
  View* diagonal = f.add(60, 150, 40, 40);  // gap 20, below the row
  View* level = f.add(200, 110, 40, 40);    // gap 160, overlapping the row
  f.arrange();
  f.focus.request_focus(from, kFocusKeyboard);

  EXPECT_TRUE(f.focus.move_focus(kFocusRight, kFocusKeyboard));
  EXPECT_EQ(f.focus.focused_view(), level);
  static_cast<void>(diagonal);
}

TEST(FocusManagerTest, DirectionsPickTheNearestOnThatSideOnly) {
  struct Case {
    const char* name;
    FocusDirection direction;
    int expected;  // index into the views: 0 left, 1 right, 2 up, 3 down
  };
  const Case cases[] = {{"left", kFocusLeft, 0},
                        {"right", kFocusRight, 1},
                        {"up", kFocusUp, 2},
                        {"down", kFocusDown, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FocusFixture f;
    View* from = f.add(100, 100, 40, 40);
    View* views[] = {f.add(20, 100, 40, 40), f.add(200, 100, 40, 40), f.add(100, 20, 40, 40),
                     f.add(100, 200, 40, 40)};
    f.arrange();
    f.focus.request_focus(from, kFocusKeyboard);
    EXPECT_TRUE(f.focus.move_focus(c.direction, kFocusKeyboard));
    EXPECT_EQ(f.focus.focused_view(), views[c.expected]);
  }
}

TEST(FocusManagerTest, EqualScoreAndPrimaryDistanceKeepTheEarlierInPreOrder) {
  FocusFixture f;
  View* from = f.add(100, 100, 40, 40);
  // Mirror images above and below the row's centre line, not overlapping it.
  View* first = f.add(200, 40, 40, 40);
  View* second = f.add(200, 160, 40, 40);
  f.arrange();
  f.focus.request_focus(from, kFocusKeyboard);
  EXPECT_TRUE(f.focus.move_focus(kFocusRight, kFocusKeyboard));
  EXPECT_EQ(f.focus.focused_view(), first);
  static_cast<void>(second);
}

TEST(FocusManagerTest, LowerScoreWinsAmongNonOverlappingCandidates) {
  FocusFixture f;
  View* from = f.add(100, 100, 40, 40);
  f.add(300, 150, 40, 40);               // gap 160, below: worse
  View* nearer = f.add(160, 150, 40, 40);  // gap 20, below
  f.arrange();
  f.focus.request_focus(from, kFocusKeyboard);
  f.focus.move_focus(kFocusRight, kFocusKeyboard);
  EXPECT_EQ(f.focus.focused_view(), nearer);
}

TEST(FocusManagerTest, DirectionWithoutAFocusedCandidateTakesTheFirst) {
  FocusFixture f;
  View* a = f.add(300, 0);
  f.add(0, 0);
  EXPECT_TRUE(f.focus.move_focus(kFocusLeft, kFocusPointer));
  EXPECT_EQ(f.focus.focused_view(), a);
}

TEST(FocusManagerTest, NoCandidateOnThatSideGivesFalse) {
  FocusFixture f;
  View* from = f.add(0, 0, 40, 40);
  f.add(100, 0, 40, 40);
  f.arrange();
  f.focus.request_focus(from, kFocusKeyboard);
  EXPECT_FALSE(f.focus.move_focus(kFocusLeft, kFocusKeyboard));
  EXPECT_EQ(f.focus.focused_view(), from);
}

TEST(FocusManagerTest, NewScopeDropsFocusAndSameScopeDropsOnlyAnInvalidFocus) {
  FocusFixture f;
  View* a = f.add(0, 0);
  f.focus.request_focus(a, kFocusKeyboard);

  f.focus.set_scope(&f.scope);  // unchanged and still valid
  EXPECT_EQ(f.focus.focused_view(), a);

  a->set_enabled(false);
  f.focus.validate_focus();
  EXPECT_EQ(f.focus.focused_view(), nullptr);
  EXPECT_EQ(f.changes.back(), (Change{a, nullptr, kFocusProgrammatic}));

  a->set_enabled(true);
  f.focus.request_focus(a, kFocusKeyboard);
  OverlayPanel other;
  f.focus.set_scope(&other);
  EXPECT_EQ(f.focus.scope(), &other);
  EXPECT_EQ(f.changes.back(), (Change{a, nullptr, kFocusProgrammatic}));
}

}  // namespace
}  // namespace win32_ui::modern
