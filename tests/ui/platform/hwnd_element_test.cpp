#include "ui/platform/layout/hwnd_element.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <type_traits>
#include <vector>

#include "tests/ui/platform/layout_test_nodes.h"
#include "ui/platform/layout/grid_panel.h"
#include "ui/platform/theme/theme.h"

namespace win32_ui::layout {
namespace {

using testing::TestLeaf;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr wchar_t kHostClass[] = L"QuorvelLayoutTestHost";
constexpr wchar_t kPaneClass[] = L"QuorvelLayoutTestPane";

void register_classes() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kHostClass;
    RegisterClassExW(&wc);
    wc.lpszClassName = kPaneClass;
    RegisterClassExW(&wc);
    // The trackbar class lives in the common controls.
    if (HMODULE comctl = LoadLibraryW(L"comctl32.dll")) {
      using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
      if (auto init = reinterpret_cast<InitFn>(
              reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")))) {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
        init(&icc);
      }
    }
    return true;
  }();
  (void)registered;
}

struct WindowDeleter {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

class HwndElementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    register_classes();
    host_.reset(CreateWindowExW(0, kHostClass, L"host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_NE(host_.get(), nullptr);
  }

  HWND child(const wchar_t* window_class, const wchar_t* text, int width = 50, int height = 20) {
    HWND window = CreateWindowExW(0, window_class, text, WS_CHILD, 0, 0, width, height, host_.get(),
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(window, nullptr) << "class could not be created";
    return window;
  }

  UniqueWindow host_;
};

TEST_F(HwndElementTest, MeasuresControlsByClassWithTheThemeMetrics) {
  const Theme theme = Theme::light(kDefaultAccent);
  LayoutContext themed;
  themed.theme = &theme;
  const LayoutContext plain;
  const SizeConstraint unbounded = make_unbounded_size(kInf, kInf);

  HWND button = child(L"Button", L"Start recording");
  const Size text = measure_window_text(button, unbounded);
  ASSERT_GT(text.width, 0);
  ASSERT_GT(text.height, 0);

  struct Case {
    const char* name;
    HWND window;
    const LayoutContext* context;
    Size expected;
  };
  HWND edit = child(L"EDIT", L"");
  HWND combo = child(L"ComboBox", L"");
  HWND trackbar = child(L"msctls_trackbar32", L"");
  HWND label = child(L"Static", L"Start recording");
  const Size empty_text = measure_window_text(edit, unbounded);
  const Case cases[] = {
      {"button, themed", button, &themed, Size{24 + text.width, 28}},
      {"button, no theme", button, &plain, Size{24 + text.width, 32}},
      {"edit keeps 80", edit, &themed, Size{80, 28}},
      {"combo box keeps 80", combo, &themed, Size{80, 28}},
      {"trackbar", trackbar, &themed, Size{120, 28}},
      {"static is its text", label, &themed, text},
  };
  for (const Case& c : cases) {
    HwndElement element(c.window);
    EXPECT_EQ(element.measure(unbounded, *c.context), c.expected) << c.name;
  }
  EXPECT_EQ(empty_text.width, 0);
  EXPECT_GT(empty_text.height, 0);

  // Long texts widen edits and combo boxes past their minimum.
  HWND long_edit = child(L"Edit", L"A long enough text to pass eighty DIP for sure");
  const Size long_text = measure_window_text(long_edit, unbounded);
  ASSERT_GT(long_text.width, 80);
  HwndElement long_element(long_edit);
  EXPECT_EQ(long_element.measure(unbounded, themed), (Size{24 + long_text.width, 28}));
  // A drop-down combo box shows its text in its edit field.
  HWND long_combo = CreateWindowExW(0, L"ComboBox", L"", WS_CHILD | CBS_DROPDOWN, 0, 0, 50, 200,
                                    host_.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(long_combo, nullptr);
  SetWindowTextW(long_combo, L"A long enough text to pass eighty DIP for sure");
  const Size combo_text = measure_window_text(long_combo, unbounded);
  ASSERT_GT(combo_text.width, 80);
  HwndElement combo_element(long_combo);
  EXPECT_EQ(combo_element.measure(unbounded, themed), (Size{24 + combo_text.width + 24, 28}));
}

TEST_F(HwndElementTest, TextWrapsWithinAFiniteWidthAndFollowsTheFont) {
  HWND label = child(L"Static", L"one two three four five six seven eight nine ten eleven twelve");
  const Size single = measure_window_text(label, make_unbounded_size(kInf, kInf));
  const Size wrapped = measure_window_text(label, make_unbounded_size(100, kInf));
  EXPECT_LE(wrapped.width, 100);
  EXPECT_GT(wrapped.height, single.height);
  EXPECT_GT(single.width, 100);

  HFONT big = CreateFontW(-40, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH, L"Tahoma");
  ASSERT_NE(big, nullptr);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(big), FALSE);
  const Size large = measure_window_text(label, make_unbounded_size(kInf, kInf));
  EXPECT_GE(large.height, 40);
  EXPECT_GT(large.width, single.width);
  SendMessageW(label, WM_SETFONT, 0, FALSE);
  DeleteObject(big);
}

TEST_F(HwndElementTest, OtherClassesMeasureTheirWindowSizeInDip) {
  HWND pane = child(kPaneClass, L"", 150, 60);
  LayoutContext context;
  EXPECT_EQ(HwndElement::measure_by_class(pane, SizeConstraint{}, context), (Size{150, 60}));
  context.dpi = 192;
  EXPECT_EQ(HwndElement::measure_by_class(pane, SizeConstraint{}, context), (Size{75, 30}));
  context.dpi = 0;
  EXPECT_EQ(HwndElement::measure_by_class(pane, SizeConstraint{}, context), (Size{150 * 96, 60 * 96}));
}

TEST_F(HwndElementTest, MissingWindowsMeasureZero) {
  HwndElement null_element(nullptr);
  EXPECT_EQ(null_element.measure(make_unbounded_size(kInf, kInf), LayoutContext{}), (Size{0, 0}));

  HWND button = child(L"Button", L"Gone");
  DestroyWindow(button);
  HwndElement dead(button);
  EXPECT_EQ(dead.measure(make_unbounded_size(kInf, kInf), LayoutContext{}), (Size{0, 0}));
}

TEST_F(HwndElementTest, CustomMeasureFunctionReplacesTheClassRules) {
  HWND button = child(L"Button", L"OK");
  HWND seen_window = nullptr;
  SizeConstraint seen_constraint;
  HwndElement element(button, [&](HWND window, const SizeConstraint& constraint,
                                  const LayoutContext&) {
    seen_window = window;
    seen_constraint = constraint;
    return Size{33, 44};
  });
  LayoutParams params;
  params.margin = Thickness{2, 0, 2, 0};
  element.store_layout_params(params);
  EXPECT_EQ(element.measure(make_unbounded_size(100, 50), LayoutContext{}), (Size{37, 44}));
  EXPECT_EQ(seen_window, button);
  EXPECT_EQ(seen_constraint, (SizeConstraint{0, 0, 96, 50}));
}

TEST_F(HwndElementTest, CollectsPlacementsInTreeOrder) {
  HWND first = child(L"Button", L"1");
  HWND second = child(L"Edit", L"2");
  HWND third = child(L"ComboBox", L"3");

  GridPanel root({GridLength::fixed(100), GridLength::star(1)}, {GridLength::fixed(28)}, 8, 0,
                 Thickness{4, 4, 4, 4});
  root.add_child(std::make_unique<HwndElement>(first), GridCell{0, 0});
  auto* inner = static_cast<GridPanel*>(root.add_child(
      std::make_unique<GridPanel>(std::vector<GridLength>{GridLength::star(1), GridLength::star(1)},
                                  std::vector<GridLength>{}, 0, 0, Thickness{}),
      GridCell{1, 0}));
  inner->add_child(std::make_unique<TestLeaf>(), GridCell{0, 0});
  auto* edit = static_cast<HwndElement*>(inner->add_child(std::make_unique<HwndElement>(second), GridCell{0, 0}));
  auto* combo = static_cast<HwndElement*>(inner->add_child(std::make_unique<HwndElement>(third), GridCell{1, 0}));
  combo->set_window_height(200.0f);
  LayoutParams hidden;
  hidden.visibility = kHidden;
  edit->store_layout_params(hidden);

  root.measure(make_unbounded_size(320, 36), LayoutContext{});
  root.arrange(LayoutRect{0, 0, 320, 36}, LayoutContext{});

  std::vector<LayoutPlacement> placements;
  collect_native_placements(root, placements);
  ASSERT_EQ(placements.size(), 3u);
  EXPECT_EQ(placements[0].hwnd, first);
  EXPECT_EQ(placements[0].rect, (LayoutRect{4, 4, 100, 28}));
  EXPECT_EQ(placements[0].visibility, kVisible);
  EXPECT_EQ(placements[1].hwnd, second);
  EXPECT_EQ(placements[1].rect, (LayoutRect{112, 4, 102, 28}));
  EXPECT_EQ(placements[1].visibility, kHidden);
  EXPECT_EQ(placements[2].hwnd, third);
  EXPECT_EQ(placements[2].rect, (LayoutRect{214, 4, 102, 200}));

  combo->set_window_height(kNaN);
  ASSERT_TRUE(combo->window_height().has_value());
  EXPECT_EQ(*combo->window_height(), 0);
  combo->set_window_height(std::nullopt);
  placements.clear();
  collect_native_placements(*combo, placements);
  ASSERT_EQ(placements.size(), 1u);
  EXPECT_EQ(placements[0].rect.height, 28);

  placements.clear();
  TestLeaf leaf;
  collect_native_placements(leaf, placements);
  EXPECT_TRUE(placements.empty());
}

TEST(DipRectToPixelsTest, RoundsEdgesHalfAwayFromZero) {
  struct Case {
    const char* name;
    LayoutRect rect;
    std::uint32_t dpi;
    RECT expected;
  };
  const Case cases[] = {
      {"halves at 96", {10.5f, 0.5f, 20, 10}, 96, {11, 1, 31, 11}},
      {"144 dpi", {10, 10, 20.3f, 10}, 144, {15, 15, 45, 30}},
      {"negative halves", {-0.5f, -1.5f, 0, 0}, 96, {-1, -2, -1, -2}},
      {"dpi 0 counts as 1", {96, 192, 96, 96}, 0, {1, 2, 2, 3}},
      {"non-finite edges", {kNaN, kInf, 10, 10}, 96, {0, 0, 0, 0}},
      {"beyond 32 bits", {1e12f, -1e12f, 0, 0}, 96,
       {std::numeric_limits<LONG>::max(), std::numeric_limits<LONG>::min(),
        std::numeric_limits<LONG>::max(), std::numeric_limits<LONG>::min()}},
  };
  for (const Case& c : cases) {
    const RECT r = dip_rect_to_pixels(c.rect, c.dpi);
    EXPECT_EQ(r.left, c.expected.left) << c.name;
    EXPECT_EQ(r.top, c.expected.top) << c.name;
    EXPECT_EQ(r.right, c.expected.right) << c.name;
    EXPECT_EQ(r.bottom, c.expected.bottom) << c.name;
  }

  // Edges, not sizes, are rounded: neighbours stay adjacent.
  const RECT left = dip_rect_to_pixels(LayoutRect{0, 0, 33.3f, 10}, 144);
  const RECT right = dip_rect_to_pixels(LayoutRect{33.3f, 0, 33.3f, 10}, 144);
  EXPECT_EQ(left.right, right.left);
}

}  // namespace
}  // namespace win32_ui::layout
