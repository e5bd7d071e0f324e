// The Surface on real popup windows: attaching and detaching, its setters,
// scrolling, layout with its text measurer, and what it tells the UI
// Automation host.
#include "ui/views/surface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "tests/ui/views/surface_harness.h"
#include "ui/platform/theme/window_subclass.h"
#include "ui/platform/windows_locale_formatter.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/surface_impl.h"

namespace win32_ui::modern {
namespace {

using testing::FillView;
using testing::placed;
using testing::SurfaceHarness;
using ui::graphics::Color;

constexpr Color kRed{200, 30, 30};

// Measures a word through the layout's text measurer and records each run.
class MeasuringView : public View {
 public:
  int measures = 0;
  std::vector<layout::SizeConstraint> constraints;
  std::optional<layout::Size> measured;
  bool notify_while_measuring = false;

 protected:
  layout::Size measure_override(const layout::SizeConstraint& content,
                                const layout::LayoutContext& context) override {
    ++measures;
    constraints.push_back(content);
    if (context.text_measurer != nullptr) {
      measured = context.text_measurer->measure(L"Measure", 7, 3);
    }
    if (notify_while_measuring) notify_semantics_changed();
    return clamp_size(content, {40.0f, 20.0f});
  }
};

// Records its render transform as it is freed.
class TransformWitness : public View {
 public:
  explicit TransformWitness(std::optional<ui::graphics::Transform>* last) : last_(last) {}
  ~TransformWitness() override { *last_ = render_transform(); }

 private:
  std::optional<ui::graphics::Transform>* last_;
};

// A root of the given height with one child of its own.
struct TallContent {
  std::unique_ptr<OverlayPanel> root;
  View* title = nullptr;
};

TallContent tall_content(float height) {
  TallContent content;
  content.root = std::make_unique<OverlayPanel>();
  layout::LayoutParams params;
  params.height = height;
  params.has_height = true;
  content.root->set_layout_params(params);
  auto title = std::make_unique<FillView>(kRed);
  title->set_layout_params(placed(0, 0, 50, 20));
  content.title = title.get();
  content.root->add_child(std::move(title));
  return content;
}

bool same(const ui::graphics::Transform& a, const ui::graphics::Transform& b) {
  return a.m11 == b.m11 && a.m12 == b.m12 && a.m21 == b.m21 && a.m22 == b.m22 && a.dx == b.dx &&
         a.dy == b.dy;
}

bool has_surface_subclass(HWND window) {
  return Surface::Impl::from_window(window) != nullptr;
}

// ---- attach ----

TEST(SurfaceAttachTest, RefusesNullAndDestroyedWindowsAndKeepsItsWindow) {
  SurfaceHarness harness(60, 40);
  ASSERT_TRUE(harness.attach());
  ui::graphics::test::PopupWindow other(120, 40, 30, 30);
  const HWND dead = other.hwnd();
  other.destroy();
  const std::size_t calls = harness.log->calls.size();

  EXPECT_FALSE(harness.surface.attach(dead, Theme::light(kDefaultAccent)));
  EXPECT_FALSE(harness.surface.attach(nullptr, Theme::light(kDefaultAccent)));

  EXPECT_EQ(harness.surface.window(), harness.hwnd());
  EXPECT_TRUE(has_surface_subclass(harness.hwnd()));
  EXPECT_EQ(harness.log->calls.size(), calls);
}

TEST(SurfaceAttachTest, BindsToANewWindowAfterTheFirstIsDestroyed) {
  SurfaceHarness harness(60, 40);
  ASSERT_TRUE(harness.attach());
  harness.window.destroy();
  EXPECT_EQ(harness.surface.window(), nullptr);
  EXPECT_EQ(harness.log->calls.back(), "detach");

  ui::graphics::test::PopupWindow second(120, 40, 50, 30);
  ASSERT_TRUE(harness.surface.attach(second.hwnd(), Theme::light(kDefaultAccent)));
  EXPECT_EQ(harness.surface.window(), second.hwnd());
  EXPECT_TRUE(has_surface_subclass(second.hwnd()));
  EXPECT_EQ(harness.log->attached_window, second.hwnd());
  harness.surface.detach();
}

TEST(SurfaceAttachTest, DetachReleasesCaptureKillsTheTimerAndRemovesTheSubclass) {
  SurfaceHarness harness(60, 40);
  ASSERT_TRUE(harness.attach());
  Surface::Impl* impl = harness.impl();
  ASSERT_NE(impl, nullptr);
  DWORD_PTR reference = 0;
  ASSERT_TRUE(find_window_subclass(harness.hwnd(), &Surface::Impl::subclass_proc,
                                   0x57494D53, &reference));
  EXPECT_EQ(reference, reinterpret_cast<DWORD_PTR>(impl));
  ASSERT_TRUE(impl->capture_pointer(1));
  ASSERT_EQ(GetCapture(), harness.hwnd());
  impl->start_frame_timer();
  ASSERT_TRUE(impl->frame_timer_active);
  const UINT_PTR timer = impl->frame_timer_id();

  harness.surface.detach();

  EXPECT_NE(GetCapture(), harness.hwnd());
  EXPECT_FALSE(KillTimer(harness.hwnd(), timer)) << "the frame timer still runs";
  EXPECT_FALSE(has_surface_subclass(harness.hwnd()));
  EXPECT_EQ(harness.surface.window(), nullptr);
  EXPECT_EQ(harness.log->calls.back(), "detach");
}

// ---- setters ----

struct ZoomCase {
  float requested;
  float expected;
};

TEST(SurfaceSetterTest, ClampsTheZoom) {
  const ZoomCase cases[] = {{std::numeric_limits<float>::quiet_NaN(), 1.0f},
                            {3.0f, 2.0f},
                            {0.1f, 0.5f},
                            {1.25f, 1.25f}};
  for (const ZoomCase& c : cases) {
    Surface surface;
    surface.set_zoom(1.5f);
    surface.set_zoom(c.requested);
    EXPECT_FLOAT_EQ(surface.zoom(), c.expected) << c.requested;
  }
}

TEST(SurfaceSetterTest, IgnoresAZoomChangeBelowATenThousandth) {
  SurfaceHarness harness(60, 40);
  harness.surface.set_content(std::make_unique<OverlayPanel>());
  ASSERT_TRUE(harness.attach());
  harness.surface.set_zoom(1.5f);
  const std::size_t scales = harness.log->count("update_scale");

  harness.surface.set_zoom(1.5f + 0.00005f);

  EXPECT_FLOAT_EQ(harness.surface.zoom(), 1.5f);
  EXPECT_EQ(harness.log->count("update_scale"), scales) << "a relayout ran";
}

TEST(SurfaceSetterTest, TheSameLanguageOrBundleTwiceLaysOutOnce) {
  SurfaceHarness harness(60, 40);
  harness.surface.set_content(std::make_unique<OverlayPanel>());
  ASSERT_TRUE(harness.attach());
  const auto bundle = std::make_shared<const ResourceBundle>(
      std::vector<ResourceEntry>{{L"en-US", L"k", L"v"}}, L"en-US", nullptr);

  std::size_t before = harness.log->count("update_scale");
  harness.surface.set_language(L"en-US");
  EXPECT_EQ(harness.log->count("update_scale"), before + 1);
  harness.surface.set_language(L"en-US");
  EXPECT_EQ(harness.log->count("update_scale"), before + 1);
  EXPECT_EQ(harness.surface.localization().locale(), L"en-US");

  before = harness.log->count("update_scale");
  harness.surface.set_resource_bundle(bundle);
  EXPECT_EQ(harness.log->count("update_scale"), before + 1);
  harness.surface.set_resource_bundle(bundle);
  EXPECT_EQ(harness.log->count("update_scale"), before + 1);
  EXPECT_EQ(harness.surface.localization().bundle(), bundle);
}

TEST(SurfaceSetterTest, ALocalizationWithoutFormatterGetsTheSharedOne) {
  Surface surface;
  EXPECT_EQ(surface.localization().formatter(), platform::windows::windows_locale_formatter());
  EXPECT_EQ(surface.localization().locale(), L"zh-CN");

  surface.set_localization(LocalizationContext(L"fr-FR", {}));

  EXPECT_EQ(surface.localization().locale(), L"fr-FR");
  EXPECT_EQ(surface.localization().formatter(), platform::windows::windows_locale_formatter());
}

TEST(SurfaceSetterTest, NewContentGivesTheOldScrollViewTheIdentity) {
  SurfaceHarness harness(60, 100);
  std::optional<ui::graphics::Transform> last;
  auto root = std::make_unique<OverlayPanel>();
  layout::LayoutParams params;
  params.height = 300;
  params.has_height = true;
  root->set_layout_params(params);
  auto witness = std::make_unique<TransformWitness>(&last);
  View* title = witness.get();
  root->add_child(std::move(witness));
  harness.surface.set_content(std::move(root));
  ASSERT_TRUE(harness.attach());
  harness.surface.set_scroll_view(title);
  harness.surface.scroll_to(40);
  ASSERT_FLOAT_EQ(title->render_transform().dy, 40.0f);

  harness.surface.set_content(std::make_unique<OverlayPanel>());

  ASSERT_TRUE(last.has_value());
  EXPECT_TRUE(same(*last, ui::graphics::Transform::identity()));
}

// ---- scroll ----

struct ScrollCase {
  float content;
  float wanted;
  float expected;
};

TEST(SurfaceScrollTest, ClampsTheOffsetToTheContent) {
  const ScrollCase cases[] = {{250, 1000, 150}, {250, 60, 60}, {250, -5, 0}, {80, 50, 0}};
  for (const ScrollCase& c : cases) {
    SurfaceHarness harness(60, 100);
    harness.surface.set_content(tall_content(c.content).root);
    ASSERT_TRUE(harness.attach());
    harness.surface.scroll_to(c.wanted);
    EXPECT_FLOAT_EQ(harness.surface.scroll_offset(), c.expected)
        << c.content << " " << c.wanted;
  }
}

TEST(SurfaceScrollTest, ThePinnedViewCarriesTheOffsetAndSemanticsChangeOnce) {
  SurfaceHarness harness(60, 100);
  TallContent content = tall_content(250);
  View* title = content.title;
  harness.surface.set_content(std::move(content.root));
  ASSERT_TRUE(harness.attach());
  harness.surface.set_scroll_view(title);
  const std::size_t syncs = harness.log->count("sync");

  harness.surface.scroll_to(1000);

  EXPECT_TRUE(same(title->render_transform(), {1, 0, 0, 1, 0, 150}));
  EXPECT_EQ(harness.log->count("sync"), syncs + 1);
}

TEST(SurfaceScrollTest, AShrinkingWindowKeepsTheOffsetInsideTheContent) {
  SurfaceHarness harness(60, 100);
  harness.surface.set_content(tall_content(250).root);
  ASSERT_TRUE(harness.attach());
  harness.surface.scroll_to(150);

  SetWindowPos(harness.hwnd(), nullptr, 0, 0, 60, 200,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  EXPECT_FLOAT_EQ(harness.surface.scroll_offset(), 50.0f);
}

// ---- layout ----

struct MeasuredContent {
  std::unique_ptr<OverlayPanel> root;
  MeasuringView* view = nullptr;
};

MeasuredContent measured_content() {
  MeasuredContent content;
  content.root = std::make_unique<OverlayPanel>();
  auto view = std::make_unique<MeasuringView>();
  layout::LayoutParams params;
  params.max_width = 80;
  params.max_height = 30;
  params.horizontal_alignment = layout::kAlignStart;
  params.vertical_alignment = layout::kAlignStart;
  view->set_layout_params(params);
  content.view = view.get();
  content.root->add_child(std::move(view));
  return content;
}

TEST(SurfaceLayoutTest, MeasuresAgainAfterZoomAndLanguageButNotForAnUnchangedRelayout) {
  SurfaceHarness harness(200, 100);
  MeasuredContent content = measured_content();
  MeasuringView* view = content.view;
  harness.surface.set_content(std::move(content.root));
  ASSERT_TRUE(harness.attach());
  ASSERT_GE(view->measures, 1);
  ASSERT_TRUE(view->measured.has_value()) << "the surface gave no text measurer";
  const int first = view->measures;

  harness.surface.refresh();
  EXPECT_EQ(view->measures, first) << "an unchanged relayout measured again";

  harness.surface.set_zoom(0.5f);
  EXPECT_EQ(view->measures, first + 1);
  harness.surface.set_language(L"en-GB");
  EXPECT_EQ(view->measures, first + 2);
  harness.surface.set_theme(Theme::dark(kDefaultAccent));
  EXPECT_EQ(view->measures, first + 3);
  ASSERT_EQ(view->constraints.size(), 4u);
  for (const layout::SizeConstraint& constraint : view->constraints) {
    EXPECT_EQ(constraint, view->constraints[0]);
  }
}

TEST(SurfaceLayoutTest, ContentSetBeforeAttachingIsLaidOutForTheClientArea) {
  SurfaceHarness harness(200, 100);
  auto content = std::make_unique<OverlayPanel>();
  OverlayPanel* root = content.get();
  harness.surface.set_content(std::move(content));
  EXPECT_EQ(root->bounds().width, 0.0f);

  ASSERT_TRUE(harness.attach());

  EXPECT_EQ(root->bounds().width, 200.0f);
  EXPECT_EQ(root->bounds().height, 100.0f);
  EXPECT_EQ(harness.surface.root_view(), root);
}

// ---- automation ----

TEST(SurfaceAutomationTest, AttachBindsTheHostThenGivesItTheScale) {
  SurfaceHarness harness(60, 40);
  ASSERT_TRUE(harness.attach());
  ASSERT_GE(harness.log->calls.size(), 2u);
  // A detach of the unbound surface may come first.
  std::size_t i = 0;
  while (i < harness.log->calls.size() && harness.log->calls[i] == "detach") ++i;
  ASSERT_LT(i + 1, harness.log->calls.size());
  EXPECT_EQ(harness.log->calls[i], "attach");
  EXPECT_EQ(harness.log->calls[i + 1], "update_scale");
  EXPECT_EQ(harness.log->attached_window, harness.hwnd());
  ASSERT_FALSE(harness.log->scales.empty());
  EXPECT_EQ(harness.log->scales[0].dpi, 96u);
  EXPECT_EQ(harness.log->scales[0].zoom, 1.0f);
  EXPECT_EQ(harness.log->scales[0].scroll_offset, 0.0f);
}

TEST(SurfaceAutomationTest, AScrollUpdatesTheScale) {
  SurfaceHarness harness(60, 100);
  harness.surface.set_content(tall_content(250).root);
  ASSERT_TRUE(harness.attach());

  harness.surface.scroll_to(40);

  EXPECT_EQ(harness.log->calls.back(), "update_scale");
  EXPECT_EQ(harness.log->scales.back().scroll_offset, 40.0f);
}

TEST(SurfaceAutomationTest, SemanticsChangedDuringARelayoutSyncOnceAtItsEnd) {
  SurfaceHarness harness(200, 100);
  MeasuredContent content = measured_content();
  MeasuringView* view = content.view;
  harness.surface.set_content(std::move(content.root));
  ASSERT_TRUE(harness.attach());
  view->notify_while_measuring = true;
  const std::size_t syncs = harness.log->count("sync");

  harness.surface.set_zoom(1.5f);

  EXPECT_EQ(harness.log->count("sync"), syncs + 1);
  EXPECT_EQ(harness.log->calls.back(), "sync");
}

TEST(SurfaceAutomationTest, AConsumedMessageGetsTheHostsAnswerAndNothingElse) {
  SurfaceHarness harness(60, 40);
  harness.surface.set_content(std::make_unique<OverlayPanel>());
  ASSERT_TRUE(harness.attach());
  harness.log->consumed_message = WM_SIZE;
  harness.log->answer = 77;
  const std::size_t scales = harness.log->count("update_scale");

  EXPECT_EQ(SendMessageW(harness.hwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(60, 40)), 77);
  EXPECT_EQ(harness.log->count("update_scale"), scales) << "the surface handled it too";

  harness.log->consumed_message = 0;
  EXPECT_EQ(SendMessageW(harness.hwnd(), WM_ERASEBKGND, 0, 0), 1);
}

TEST(SurfaceAutomationTest, DispatchedEventsReachTheHost) {
  SurfaceHarness harness(60, 40);
  auto root = std::make_unique<OverlayPanel>();
  View* source = root.get();
  harness.surface.set_content(std::move(root));
  ASSERT_TRUE(harness.attach());

  Event event;
  event.kind = Event::kValueChanged;
  event.source = source;
  harness.surface.dispatch_event(event);

  ASSERT_EQ(harness.log->events.size(), 1u);
  EXPECT_EQ(harness.log->events[0].kind, Event::kValueChanged);
  EXPECT_EQ(harness.log->events[0].source, source);
}

TEST(SurfaceAutomationTest, DetachAndWindowDestructionDetachTheHost) {
  SurfaceHarness harness(60, 40);
  ASSERT_TRUE(harness.attach());
  harness.surface.detach();
  EXPECT_EQ(harness.log->calls.back(), "detach");
  EXPECT_EQ(harness.log->attached_window, nullptr);

  ASSERT_TRUE(harness.attach());
  EXPECT_EQ(harness.log->attached_window, harness.hwnd());
  harness.window.destroy();
  EXPECT_EQ(harness.log->calls.back(), "detach");
  EXPECT_EQ(harness.log->attached_window, nullptr);
}

}  // namespace
}  // namespace win32_ui::modern
