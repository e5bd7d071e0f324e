#include "ui/platform/theme/themed_combo_box.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "tests/fakes/ui/platform/fake_theme_system.h"
#include "tests/ui/platform/theme/control_test_window.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui {
namespace {

using test::DibTarget;
using test::rgb;
using C = ThemeColor;

constexpr DWORD kOwnerDrawnList = CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
constexpr UINT_PTR kSpyId = 0x53505921;  // "SPY!"

// Installed before theming, so it sees what the themed control passes on.
struct HeightSpy {
  std::vector<std::pair<int, int>> heights_sent;  // index, height

  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR, DWORD_PTR reference) {
    if (message == CB_SETITEMHEIGHT) {
      reinterpret_cast<HeightSpy*>(reference)->heights_sent.emplace_back(
          static_cast<int>(wparam), static_cast<int>(lparam));
    }
    return DefSubclassProc(window, message, wparam, lparam);
  }

  void watch(HWND combo) {
    ASSERT_TRUE(install_window_subclass(combo, &procedure, kSpyId,
                                        reinterpret_cast<DWORD_PTR>(this)));
  }
  std::vector<int> sent_for(int index) const {
    std::vector<int> heights;
    for (const auto& [i, h] : heights_sent) {
      if (i == index) heights.push_back(h);
    }
    return heights;
  }
};

class ComboFixture {
 public:
  explicit ComboFixture(DWORD style = kOwnerDrawnList, DWORD ex_style = 0) {
    combo_ = window_.add_child(L"COMBOBOX", L"", style | WS_VSCROLL, {10, 10, 210, 200}, 5,
                               ex_style);
    for (const wchar_t* text : {L"One", L"Two", L"Three"}) {
      SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
  }

  HWND combo() const { return combo_; }
  HWND parent() const { return window_.hwnd(); }
  RECT client() const {
    RECT client{};
    GetClientRect(combo_, &client);
    return client;
  }
  // The control's own painting of its client area into a fresh target.
  void print(DibTarget& target) const {
    EXPECT_EQ(SendMessageW(combo_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target.dc()),
                           PRF_CLIENT),
              0);
  }

 private:
  test::ControlTestWindow window_;
  HWND combo_ = nullptr;
};

class ThemedComboBoxTest : public testing::TestWithParam<PaintBackend> {
 protected:
  void SetUp() override { QUORVEL_REQUIRE_DPI(96); }

  // Themes the fixture's combo (which sets its height) and paints it into a
  // target of its client size; checks which renderer drew.
  std::unique_ptr<DibTarget> theme_and_print(const ComboFixture& fixture, const Theme& theme) {
    EXPECT_TRUE(theme_combo_control(fixture.combo(), theme, ComboBoxStyle{}, GetParam()));
    auto target = std::make_unique<DibTarget>(fixture.client().right, fixture.client().bottom);
    fixture.print(*target);
    EXPECT_EQ(test::alpha_at(*target, 4, target->height() / 2), test::expected_alpha(GetParam()));
    return target;
  }

  // Interior fill, outline and arrow of a painted field.
  static void expect_field(const DibTarget& target, COLORREF fill, COLORREF outline,
                           COLORREF arrow) {
    const int mid = target.height() / 2;
    EXPECT_EQ(target.pixel(4, mid), rgb(fill));
    EXPECT_EQ(target.pixel(target.width() / 2, 0), rgb(outline));
    EXPECT_EQ(target.pixel(0, mid), rgb(outline));
    EXPECT_EQ(target.pixel(target.width() - 14, mid), rgb(arrow));
  }

  const Theme theme_ = test::distinct_theme();
};

INSTANTIATE_TEST_SUITE_P(Backends, ThemedComboBoxTest, testing::ValuesIn(test::kBothBackends),
                         [](const auto& info) { return test::backend_name(info.param); });

TEST_P(ThemedComboBoxTest, WithoutSelectionShowsFrameAndArrowButNoText) {
  ComboFixture fixture;
  SendMessageW(fixture.combo(), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  const std::unique_ptr<DibTarget> painted = theme_and_print(fixture, theme_);
  const DibTarget& target = *painted;
  const RECT client = fixture.client();
  expect_field(target, theme_.color(C::control_background), theme_.color(C::border_strong),
               theme_.color(C::text_secondary));
  EXPECT_EQ(target.pixel(0, 0), rgb(theme_.color(C::window_background)));
  // The text area, from the text inset to the arrow box, is all fill.
  const RECT text_area = {8, 2, client.right - 36, client.bottom - 2};
  EXPECT_FALSE(target.ink(rgb(theme_.color(C::control_background)), text_area).any);
}

TEST_P(ThemedComboBoxTest, HoverFocusAndDisabledStatesChangeFillOutlineAndArrow) {
  {
    ComboFixture fixture;
    ASSERT_TRUE(theme_combo_control(fixture.combo(), theme_, {}, GetParam()));
    SendMessageW(fixture.combo(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 5));
    DibTarget target(fixture.client().right, fixture.client().bottom);
    fixture.print(target);
    expect_field(target, theme_.color(C::control_hover), theme_.color(C::border_strong),
                 theme_.color(C::text_secondary));
    // Leaving clears the hover.
    SendMessageW(fixture.combo(), WM_MOUSELEAVE, 0, 0);
    fixture.print(target);
    EXPECT_EQ(target.pixel(4, target.height() / 2), rgb(theme_.color(C::control_background)));
  }
  {
    ComboFixture fixture;
    SetForegroundWindow(fixture.parent());
    SetFocus(fixture.combo());
    ASSERT_EQ(GetFocus(), fixture.combo());
    expect_field(*theme_and_print(fixture, theme_), theme_.color(C::control_background), theme_.color(C::focus_ring),
                 theme_.color(C::text_secondary));
  }
  {
    ComboFixture fixture;
    EnableWindow(fixture.combo(), FALSE);
    expect_field(*theme_and_print(fixture, theme_), theme_.color(C::control_pressed), theme_.color(C::border),
                 theme_.color(C::text_disabled));
  }
}

TEST_P(ThemedComboBoxTest, DarkHighContrastHoverIsAccent) {
  quorvel::test::FakeThemeSystem system;
  system.high_contrast_on = true;
  system.sys_colors = {{COLOR_WINDOW, RGB(0, 0, 0)},          {COLOR_BTNFACE, RGB(16, 16, 16)},
                       {COLOR_3DLIGHT, RGB(40, 40, 40)},      {COLOR_BTNSHADOW, RGB(90, 90, 90)},
                       {COLOR_WINDOWTEXT, RGB(255, 255, 255)}, {COLOR_GRAYTEXT, RGB(60, 255, 60)},
                       {COLOR_HIGHLIGHT, RGB(26, 235, 255)},  {COLOR_HIGHLIGHTTEXT, RGB(5, 6, 7)}};
  const Theme theme = Theme::high_contrast(system);
  ASSERT_TRUE(theme.is_dark && theme.is_high_contrast);

  ComboFixture fixture;
  const std::unique_ptr<DibTarget> painted = theme_and_print(fixture, theme);
  DibTarget& target = *painted;
  EXPECT_EQ(target.pixel(4, target.height() / 2), rgb(theme.color(C::control_background)));

  SendMessageW(fixture.combo(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 5));
  fixture.print(target);
  expect_field(target, theme.color(C::accent), theme.color(C::accent),
               theme.color(C::text_on_accent));
}

TEST_P(ThemedComboBoxTest, ZeroWidthClientDrawsNothing) {
  ComboFixture fixture;
  ASSERT_TRUE(theme_combo_control(fixture.combo(), theme_, {}, GetParam()));
  SetWindowPos(fixture.combo(), nullptr, 0, 0, 0, 30, SWP_NOMOVE | SWP_NOZORDER);
  ASSERT_EQ(fixture.client().right, 0);
  DibTarget target(40, 40);
  fixture.print(target);
  EXPECT_FALSE(target.ink(ui::graphics::test::kWhite).any);
  UpdateWindow(fixture.combo());
  EXPECT_TRUE(IsWindow(fixture.combo()));
}

TEST_P(ThemedComboBoxTest, PaintsTheSelectionText) {
  ComboFixture fixture;
  HFONT font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                           L"Tahoma");
  SendMessageW(fixture.combo(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageW(fixture.combo(), CB_SETCURSEL, 1, 0);
  const std::unique_ptr<DibTarget> painted = theme_and_print(fixture, Theme::light(kDefaultAccent));
  test::save_png_if_asked(*painted, "combo_" + test::backend_name(GetParam()) + ".png");
  expect_field(*painted, Theme::light(kDefaultAccent).color(C::control_background),
               Theme::light(kDefaultAccent).color(C::border_strong),
               Theme::light(kDefaultAccent).color(C::text_secondary));
  DestroyWindow(fixture.combo());
  DeleteObject(font);
}

TEST(ThemedComboBoxSetupTest, ThemingRemovesTheBorderAndSendsTheSelectionFieldHeight) {
  QUORVEL_REQUIRE_DPI(96);
  ComboFixture fixture;
  SetWindowLongPtrW(fixture.combo(), GWL_EXSTYLE,
                    GetWindowLongPtrW(fixture.combo(), GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
  HeightSpy spy;
  spy.watch(fixture.combo());
  ComboBoxStyle style;
  style.item_height = 34;
  ASSERT_TRUE(theme_combo_control(fixture.combo(), test::distinct_theme(), style));

  const std::vector<int> field = spy.sent_for(-1);
  ASSERT_FALSE(field.empty());
  for (int height : field) EXPECT_EQ(height, 25);
  EXPECT_EQ(spy.sent_for(0), std::vector<int>{34});
  EXPECT_EQ(GetWindowLongPtrW(fixture.combo(), GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE),
            0);
  EXPECT_EQ(GetWindowLongPtrW(fixture.combo(), GWL_STYLE) & WS_BORDER, 0);
}

TEST(ThemedComboBoxSetupTest, NoHeightIsSentWhenTheControlAlreadyHasIt) {
  QUORVEL_REQUIRE_DPI(96);
  ComboFixture fixture;
  const int current =
      static_cast<int>(SendMessageW(fixture.combo(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  Theme theme = test::distinct_theme();
  // At 96 DPI the field is control_height - 3.
  theme.metrics[static_cast<int>(ThemeMetric::control_height)] = current + 3;
  HeightSpy spy;
  spy.watch(fixture.combo());
  ASSERT_TRUE(theme_combo_control(fixture.combo(), theme, {}));
  EXPECT_TRUE(spy.heights_sent.empty());
}

TEST(ThemedComboBoxSetupTest, Dpi144SelectionFieldIs37Pixels) {
  QUORVEL_REQUIRE_DPI(144);
  ComboFixture fixture;
  ASSERT_EQ(GetDpiForWindow(fixture.combo()), 144u);
  HeightSpy spy;
  spy.watch(fixture.combo());
  ASSERT_TRUE(theme_combo_control(fixture.combo(), test::distinct_theme(), {}));
  const std::vector<int> field = spy.sent_for(-1);
  ASSERT_FALSE(field.empty());
  for (int height : field) EXPECT_EQ(height, 37);
}

TEST(ThemedComboBoxSetupTest, ThemingAgainKeepsOneStateAndNullIsRefused) {
  QUORVEL_REQUIRE_DPI(96);
  ComboFixture fixture;
  EXPECT_FALSE(theme_combo_control(nullptr, test::distinct_theme(), {}));
  ASSERT_TRUE(theme_combo_control(fixture.combo(), test::distinct_theme(), {}));
  ASSERT_TRUE(theme_combo_control(fixture.combo(), test::other_distinct_theme(), {}));
  DibTarget target(fixture.client().right, fixture.client().bottom);
  fixture.print(target);
  EXPECT_EQ(target.pixel(4, target.height() / 2),
            rgb(test::other_distinct_theme().color(C::control_background)));
}

// An owner-drawn list item as the combo's parent receives it.
DRAWITEMSTRUCT list_item(HWND combo, HDC dc, UINT id, UINT state) {
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_COMBOBOX;
  item.CtlID = 5;
  item.itemID = id;
  item.itemAction = ODA_DRAWENTIRE;
  item.itemState = state;
  item.hwndItem = combo;
  item.hDC = dc;
  item.rcItem = {0, 0, 200, 24};
  return item;
}

TEST_P(ThemedComboBoxTest, ListItemsAreDrawnOnlyForThemedOwnerDrawnCombos) {
  ComboFixture unthemed;
  DibTarget target(200, 24);
  EXPECT_FALSE(draw_themed_combo_item(list_item(unthemed.combo(), target.dc(), 1, ODS_SELECTED)));

  ComboFixture plain(CBS_DROPDOWNLIST | CBS_HASSTRINGS);
  ASSERT_TRUE(theme_combo_control(plain.combo(), theme_, {}, GetParam()));
  EXPECT_FALSE(draw_themed_combo_item(list_item(plain.combo(), target.dc(), 1, ODS_SELECTED)));

  DRAWITEMSTRUCT button = list_item(plain.combo(), target.dc(), 1, 0);
  button.CtlType = ODT_BUTTON;
  EXPECT_FALSE(draw_themed_combo_item(button));
  EXPECT_FALSE(target.ink(ui::graphics::test::kWhite).any);
}

TEST_P(ThemedComboBoxTest, SelectedListItemIsAccent) {
  ComboFixture fixture;
  ComboBoxStyle style;
  style.item_padding = 12;
  ASSERT_TRUE(theme_combo_control(fixture.combo(), theme_, style, GetParam()));
  const struct {
    UINT state;
    C fill;
  } cases[] = {{ODS_SELECTED, C::accent},
               {0, C::control_background},
               {ODS_SELECTED | ODS_DISABLED, C::control_background}};
  for (const auto& c : cases) {
    DibTarget target(200, 24);
    EXPECT_TRUE(draw_themed_combo_item(list_item(fixture.combo(), target.dc(), 1, c.state)));
    EXPECT_EQ(target.pixel(2, 12), rgb(theme_.color(c.fill)));
    EXPECT_EQ(target.pixel(197, 2), rgb(theme_.color(c.fill)));
    EXPECT_EQ(test::alpha_at(target, 2, 12), test::expected_alpha(GetParam()));
  }
  // The selection field item paints the whole field.
  DibTarget field(fixture.client().right, fixture.client().bottom);
  DRAWITEMSTRUCT edit = list_item(fixture.combo(), field.dc(), 0, ODS_COMBOBOXEDIT);
  edit.rcItem = {3, 3, 50, 20};
  EXPECT_TRUE(draw_themed_combo_item(edit));
  expect_field(field, theme_.color(C::control_background), theme_.color(C::border_strong),
               theme_.color(C::text_secondary));
}

TEST(ComboItemPictureTest, RightToLeftWindowRightAlignsTheItemText) {
  const Theme theme = test::distinct_theme();
  ComboBoxStyle style;
  style.item_padding = 12;
  for (const DWORD ex_style : {DWORD{0}, DWORD{WS_EX_LAYOUTRTL}, DWORD{WS_EX_RTLREADING}}) {
    SCOPED_TRACE(testing::Message() << "ex style " << ex_style);
    ComboFixture fixture(kOwnerDrawnList, ex_style);
    const ThemedPicture picture =
        combo_item_picture(list_item(fixture.combo(), nullptr, 2, ODS_SELECTED), theme, style, 96);
    const PictureText* text = picture.first<PictureText>();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text, L"Three");
    EXPECT_EQ(text->color, theme.color(C::text_on_accent));
    EXPECT_EQ(text->rect.left, 12);
    EXPECT_EQ(text->rect.right, 200 - 12);
    const UINT rtl = DT_RIGHT | DT_RTLREADING;
    EXPECT_EQ(text->format & rtl, ex_style ? rtl : 0u);
  }
}

}  // namespace
}  // namespace win32_ui
