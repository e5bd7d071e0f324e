#include "ui/platform/theme/themed_menu_bar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/fakes/ui/platform/fake_theme_system.h"
#include "tests/ui/platform/theme/control_test_window.h"
#include "ui/platform/theme/native_theme_registry.h"
#include "ui/views/graphics/gdi_handles.h"

namespace win32_ui {
namespace {

using test::DibTarget;
using test::rgb;
using C = ThemeColor;

constexpr UINT kOpen = 101;
constexpr UINT kClose = 103;
constexpr UINT kRecentOne = 111;
constexpr UINT kLight = 201;
constexpr UINT kDark = 202;
constexpr UINT kHelp = 300;

// File: "Open\tCtrl+O" (checked), a separator, "Recent" > "One", "Close"
// (grayed). View: "Light" (radio, checked), "Dark" (radio). Help on the bar.
struct TestMenu {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  HMENU recent = CreatePopupMenu();
  HMENU view = CreatePopupMenu();

  TestMenu() {
    AppendMenuW(recent, MF_STRING, kRecentOne, L"One");
    AppendMenuW(file, MF_STRING | MF_CHECKED, kOpen, L"&Open\tCtrl+O");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_POPUP, reinterpret_cast<UINT_PTR>(recent), L"Recent");
    AppendMenuW(file, MF_STRING | MF_GRAYED, kClose, L"Close");
    AppendMenuW(view, MF_STRING, kLight, L"Light");
    AppendMenuW(view, MF_STRING, kDark, L"Dark");
    CheckMenuRadioItem(view, kLight, kDark, kLight, MF_BYCOMMAND);
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"&View");
    AppendMenuW(bar, MF_STRING, kHelp, L"&Help");
  }
  ~TestMenu() {
    // The drop-downs go with the bar.
    if (IsMenu(bar)) DestroyMenu(bar);
  }
  TestMenu(const TestMenu&) = delete;
  TestMenu& operator=(const TestMenu&) = delete;
};

MENUITEMINFOW item_info(HMENU menu, UINT position) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_DATA | MIIM_FTYPE;
  EXPECT_TRUE(GetMenuItemInfoW(menu, position, TRUE, &info));
  return info;
}

std::wstring menu_string(HMENU menu, UINT position) {
  wchar_t text[64] = {};
  GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
  return text;
}

COLORREF menu_background(HMENU menu) {
  MENUINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = MIM_BACKGROUND;
  if (!GetMenuInfo(menu, &info) || !info.hbrBack) return CLR_INVALID;
  LOGBRUSH brush{};
  if (GetObjectW(info.hbrBack, sizeof(brush), &brush) != sizeof(brush)) return CLR_INVALID;
  return brush.lbColor;
}

const MenuItemData* record_with_text(const ThemedMenuBar& bar, std::wstring_view text,
                                     bool separator = false) {
  for (const auto& item : bar.items()) {
    if (item->separator == separator && item->text == text) return item.get();
  }
  ADD_FAILURE() << "no record";
  return nullptr;
}

// The window's pixels, frame and menu bar included, as the screen shows them.
void read_window(HWND window, DibTarget& target) {
  HDC dc = GetWindowDC(window);
  BitBlt(target.dc(), 0, 0, target.width(), target.height(), dc, 0, 0, SRCCOPY);
  ReleaseDC(window, dc);
  GdiFlush();
}

// The menu bar's rectangle in window coordinates.
RECT menu_bar_in_window(HWND window) {
  MENUBARINFO bar{};
  bar.cbSize = sizeof(bar);
  RECT frame{};
  EXPECT_TRUE(GetMenuBarInfo(window, OBJID_MENU, 0, &bar));
  GetWindowRect(window, &frame);
  OffsetRect(&bar.rcBar, -frame.left, -frame.top);
  return bar.rcBar;
}

SIZE text_extent(std::wstring_view text, HFONT font) {
  HDC dc = GetDC(nullptr);
  RECT rect{};
  HGDIOBJ previous = SelectObject(dc, font);
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &rect, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, previous);
  ReleaseDC(nullptr, dc);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

int metric(int index) { return std::max(GetSystemMetricsForDpi(index, 96), 1); }

TEST(ThemedMenuBarTest, SetThemeThenMakeOwnerDrawnKeepsIdsStatesSubmenusAndTexts) {
  test::ControlTestWindow window;
  TestMenu menu;
  ASSERT_TRUE(SetMenu(window.hwnd(), menu.bar));
  ThemedMenuBar bar(window.hwnd(), menu.bar);
  const Theme theme = test::distinct_theme();
  const struct {
    HMENU menu;
    UINT position;
  } positions[] = {{menu.bar, 0},  {menu.bar, 1},  {menu.bar, 2},    {menu.file, 0}, {menu.file, 1},
                   {menu.file, 2}, {menu.file, 3}, {menu.recent, 0}, {menu.view, 0}, {menu.view, 1}};
  std::vector<UINT> states_before;
  for (const auto& at : positions) states_before.push_back(item_info(at.menu, at.position).fState);
  bar.set_theme(theme);
  bar.make_owner_drawn();

  for (HMENU each : {menu.bar, menu.file, menu.recent, menu.view}) {
    EXPECT_EQ(menu_background(each), theme.color(C::window_background));
  }
  const struct {
    HMENU menu;
    UINT position;
    UINT id;
    HMENU submenu;
    bool separator;
    bool radio;
    const wchar_t* text;
  } items[] = {
      {menu.bar, 0, 0, menu.file, false, false, L"&File"},
      {menu.bar, 1, 0, menu.view, false, false, L"&View"},
      {menu.bar, 2, kHelp, nullptr, false, false, L"&Help"},
      {menu.file, 0, kOpen, nullptr, false, false, L"&Open\tCtrl+O"},
      {menu.file, 1, 0, nullptr, true, false, L""},
      {menu.file, 2, 0, menu.recent, false, false, L"Recent"},
      {menu.file, 3, kClose, nullptr, false, false, L"Close"},
      {menu.recent, 0, kRecentOne, nullptr, false, false, L"One"},
      // The checked item of a radio group is the radio item.
      {menu.view, 0, kLight, nullptr, false, true, L"Light"},
      {menu.view, 1, kDark, nullptr, false, false, L"Dark"},
  };
  EXPECT_TRUE(item_info(menu.file, 0).fState & MFS_CHECKED);
  EXPECT_TRUE(item_info(menu.file, 3).fState & MFS_GRAYED);
  for (std::size_t index = 0; index < std::size(items); ++index) {
    const auto& expected = items[index];
    SCOPED_TRACE(testing::Message() << "position " << expected.position << " id " << expected.id);
    const MENUITEMINFOW info = item_info(expected.menu, expected.position);
    EXPECT_TRUE(info.fType & MFT_OWNERDRAW);
    EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, expected.separator);
    if (!expected.submenu) {
      EXPECT_EQ(info.wID, expected.id);
    }
    EXPECT_EQ(info.fState, states_before[index]);
    EXPECT_EQ(info.hSubMenu, expected.submenu);
    const auto* record = reinterpret_cast<const MenuItemData*>(info.dwItemData);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->menu, expected.menu);
    EXPECT_EQ(record->text, expected.text);
    EXPECT_EQ(record->menu_bar_item, expected.menu == menu.bar);
    EXPECT_EQ(record->has_submenu, expected.submenu != nullptr);
    EXPECT_EQ(record->radio, expected.radio);
    if (!expected.separator) {
      EXPECT_EQ(menu_string(expected.menu, expected.position), expected.text);
    }
  }
  EXPECT_EQ(GetMenuItemCount(menu.file), 4);

  // Again, as the registry does on every registration.
  bar.make_owner_drawn();
  EXPECT_EQ(GetMenuItemCount(menu.file), 4);
  EXPECT_EQ(item_info(menu.file, 0).wID, kOpen);
}

TEST(ThemedMenuBarTest, MeasuresSeparatorsBarItemsAndDropDownItems) {
  TestMenu menu;
  ThemedMenuBar bar(nullptr, menu.bar);
  const HFONT font = bar.menu_font(96);
  const int edge_x = metric(SM_CXEDGE);
  const int edge_y = metric(SM_CYEDGE);
  const int check_x = metric(SM_CXMENUCHECK);
  const int check_y = metric(SM_CYMENUCHECK);

  const auto measure = [&bar](const MenuItemData* record) {
    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemData = reinterpret_cast<ULONG_PTR>(record);
    EXPECT_TRUE(bar.measure_themed_menu_item(measure, 96));
    return SIZE{static_cast<LONG>(measure.itemWidth), static_cast<LONG>(measure.itemHeight)};
  };

  const SIZE separator = measure(record_with_text(bar, L"", true));
  EXPECT_EQ(separator.cx, 0);
  EXPECT_EQ(separator.cy, 2 * edge_y + 1);

  const SIZE label = text_extent(L"&Open", font);
  const SIZE shortcut = text_extent(L"Ctrl+O", font);
  const SIZE open = measure(record_with_text(bar, L"&Open\tCtrl+O"));
  EXPECT_EQ(open.cx, 4 * edge_x + label.cx + check_x + shortcut.cx + check_x);
  EXPECT_EQ(open.cy, 2 * edge_y + std::max<int>(label.cy, check_y));

  const SIZE recent = measure(record_with_text(bar, L"Recent"));
  EXPECT_EQ(recent.cx, 4 * edge_x + text_extent(L"Recent", font).cx + check_x + check_x);

  const SIZE file_label = text_extent(L"&File", font);
  const SIZE file = measure(record_with_text(bar, L"&File"));
  EXPECT_EQ(file.cx, file_label.cx + std::max(metric(SM_CXMENUSIZE), 6 * edge_x));
  EXPECT_EQ(file.cy, std::max<int>(metric(SM_CYMENU), file_label.cy + 2 * edge_y));
}

TEST(ThemedMenuBarTest, LeavesItemsThatAreNotItsOwn) {
  TestMenu menu;
  ThemedMenuBar bar(nullptr, menu.bar);
  MenuItemData stranger;
  stranger.text = L"Not ours";
  const struct {
    UINT type;
    ULONG_PTR data;
  } cases[] = {
      {ODT_MENU, reinterpret_cast<ULONG_PTR>(&stranger)},
      {ODT_MENU, 0},
      {ODT_BUTTON, reinterpret_cast<ULONG_PTR>(bar.items().front().get())},
  };
  for (const auto& c : cases) {
    MEASUREITEMSTRUCT measure{};
    measure.CtlType = c.type;
    measure.itemData = c.data;
    EXPECT_FALSE(bar.measure_themed_menu_item(measure, 96));
    DibTarget target(40, 20);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = c.type;
    draw.itemData = c.data;
    draw.hDC = target.dc();
    draw.rcItem = {0, 0, 40, 20};
    EXPECT_FALSE(bar.draw_themed_menu_item(draw, 96));
    EXPECT_FALSE(target.ink(ui::graphics::test::kWhite).any);
  }
}

TEST(ThemedMenuBarTest, MenuFontIsMadeOncePerDpi) {
  TestMenu menu;
  ThemedMenuBar bar(nullptr, menu.bar);
  const HFONT at96 = bar.menu_font(96);
  ASSERT_NE(at96, nullptr);
  EXPECT_EQ(bar.menu_font(96), at96);
  LOGFONTW small{};
  GetObjectW(at96, sizeof(small), &small);

  const HFONT at144 = bar.menu_font(144);
  ASSERT_NE(at144, nullptr);
  LOGFONTW large{};
  ASSERT_EQ(GetObjectW(at144, sizeof(large), &large), static_cast<int>(sizeof(large)));
  EXPECT_GT(std::abs(large.lfHeight), std::abs(small.lfHeight));
}

class ThemedMenuItemPaintTest : public testing::TestWithParam<PaintBackend> {
 protected:
  static constexpr int kWidth = 300;
  static constexpr int kHeight = 24;

  ThemedMenuItemPaintTest() : bar_(nullptr, menu_.bar) {}

  // Paints the record into a fresh target with the item state given.
  std::unique_ptr<DibTarget> paint(const MenuItemData* record, UINT state, const Theme& theme) {
    bar_.set_theme(theme);
    auto target = std::make_unique<DibTarget>(kWidth, kHeight);
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = state;
    draw.hDC = target->dc();
    draw.rcItem = {0, 0, kWidth, kHeight};
    draw.itemData = reinterpret_cast<ULONG_PTR>(record);
    EXPECT_TRUE(bar_.draw_themed_menu_item(draw, 96, GetParam()));
    return target;
  }

  TestMenu menu_;
  ThemedMenuBar bar_;
};

INSTANTIATE_TEST_SUITE_P(Backends, ThemedMenuItemPaintTest, testing::ValuesIn(test::kBothBackends),
                         [](const auto& info) { return test::backend_name(info.param); });

TEST_P(ThemedMenuItemPaintTest, DrawsTheLabelLeftAndTheShortcutRight) {
  const Theme theme = test::distinct_theme();
  const HFONT font = bar_.menu_font(96);
  const int text_left = 2 * metric(SM_CXEDGE) + metric(SM_CXMENUCHECK);
  const int text_right = kWidth - 2 * metric(SM_CXEDGE);
  const int label = text_extent(L"Open", font).cx;
  const int shortcut = text_extent(L"Ctrl+O", font).cx;
  const auto background = rgb(theme.color(C::window_background));

  const auto with_shortcut = paint(record_with_text(bar_, L"&Open\tCtrl+O"), 0, theme);
  test::save_png_if_asked(*with_shortcut, "menu_item_" + test::backend_name(GetParam()) + ".png");
  const auto left_ink = with_shortcut->ink(background, {0, 0, kWidth / 2, kHeight});
  const auto right_ink = with_shortcut->ink(background, {kWidth / 2, 0, kWidth, kHeight});
  ASSERT_TRUE(left_ink.any);
  ASSERT_TRUE(right_ink.any);
  EXPECT_GE(left_ink.left, text_left);
  EXPECT_LE(left_ink.left, text_left + 2);
  EXPECT_LE(left_ink.right, text_left + label + 2);
  EXPECT_GE(right_ink.left, text_right - shortcut - 2);
  EXPECT_LE(right_ink.right, text_right);
  // Less the last glyph's bearing.
  EXPECT_GE(right_ink.right, text_right - 4);

  // "Close" has no shortcut: nothing on the right.
  const auto without = paint(record_with_text(bar_, L"Close"), 0, theme);
  EXPECT_TRUE(without->ink(background, {0, 0, kWidth / 2, kHeight}).any);
  EXPECT_FALSE(without->ink(background, {kWidth / 2, 0, kWidth, kHeight}).any);
}

TEST_P(ThemedMenuItemPaintTest, HighlightFillsHoverOrAccentInDarkHighContrast) {
  Theme dark_contrast = test::distinct_theme();
  dark_contrast.is_high_contrast = true;
  dark_contrast.is_dark = true;
  Theme light_contrast = dark_contrast;
  light_contrast.is_dark = false;
  const Theme plain = test::distinct_theme();

  const struct {
    const char* name;
    const Theme* theme;
    UINT state;
    ThemeColor fill;
  } cases[] = {
      {"rest", &plain, 0, C::window_background},
      {"selected", &plain, ODS_SELECTED, C::control_hover},
      {"hot", &plain, ODS_HOTLIGHT, C::control_hover},
      {"dark contrast selected", &dark_contrast, ODS_SELECTED, C::accent},
      {"dark contrast selected grayed", &dark_contrast, ODS_SELECTED | ODS_GRAYED,
       C::control_hover},
      {"light contrast selected", &light_contrast, ODS_SELECTED, C::control_hover},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto target = paint(record_with_text(bar_, L"Close"), c.state, *c.theme);
    EXPECT_EQ(target->pixel(kWidth - 3, 2), rgb(c.theme->color(c.fill)));
  }
}

TEST_P(ThemedMenuItemPaintTest, SeparatorIsASoftenedBorderLineAtMidHeight) {
  const MenuItemData* separator = record_with_text(bar_, L"", true);
  const int x = metric(SM_CXMENUCHECK) + 2 * metric(SM_CXEDGE) + 4;
  const int y = kHeight / 2;
  for (const bool high_contrast : {false, true}) {
    SCOPED_TRACE(high_contrast ? "high contrast" : "light");
    Theme theme = test::distinct_theme();
    theme.is_high_contrast = high_contrast;
    const COLORREF line =
        high_contrast ? theme.color(C::border)
                      : blend_colors(theme.color(C::border), theme.color(C::window_background), 72);
    const auto target = paint(separator, ODS_SELECTED, theme);
    EXPECT_EQ(target->pixel(x, y), rgb(line));
    EXPECT_EQ(target->pixel(x, y - 2), rgb(theme.color(C::control_hover)));
    EXPECT_EQ(target->pixel(2, y), rgb(theme.color(C::control_hover)));
  }
}

TEST_P(ThemedMenuItemPaintTest, CheckedItemsShowAMarkOrADot) {
  const Theme theme = test::distinct_theme();
  const int center_x = metric(SM_CXMENUCHECK) / 2;
  const int center_y = kHeight / 2;

  const auto radio = paint(record_with_text(bar_, L"Light"), ODS_CHECKED, theme);
  EXPECT_EQ(radio->pixel(center_x, center_y), rgb(theme.color(C::accent)));

  const auto unchecked = paint(record_with_text(bar_, L"Dark"), 0, theme);
  EXPECT_EQ(unchecked->pixel(center_x, center_y), rgb(theme.color(C::window_background)));

  const auto check = paint(record_with_text(bar_, L"&Open\tCtrl+O"), ODS_CHECKED, theme);
  const int unit = std::max(metric(SM_CXMENUCHECK) / 7, 1);
  const auto background = rgb(theme.color(C::window_background));
  // The check mark spans 6 units across and 4 down around the centre (an
  // anti-aliased pixel more with Direct2D); the label starts further right.
  const ui::graphics::test::Ink mark = check->ink(background, {0, 0, center_x + 3 * unit + 3, kHeight});
  ASSERT_TRUE(mark.any);
  EXPECT_GE(mark.left, center_x - 3 * unit - 1);
  EXPECT_LE(mark.right, center_x + 3 * unit + 2);
  EXPECT_GE(mark.top, center_y - 2 * unit - 1);
  EXPECT_LE(mark.bottom, center_y + 2 * unit + 2);
  bool accent_seen = false;
  for (int y = mark.top; y < mark.bottom; ++y) {
    for (int x = mark.left; x < mark.right; ++x) {
      accent_seen = accent_seen || test::nearer(check->pixel(x, y), theme.color(C::accent),
                                                theme.color(C::window_background));
    }
  }
  EXPECT_TRUE(accent_seen);
}

class ThemedMenuBarWindowTest : public testing::Test {
 protected:
  ThemedMenuBarWindowTest()
      : window_(300, 120),
        registry_(NativeThemeRegistry::create(kThemeModeDark, kDefaultAccent, system_)) {
    SetMenu(window_.hwnd(), menu_.bar);
    bar_ = std::make_unique<ThemedMenuBar>(window_.hwnd(), menu_.bar);
  }
  ~ThemedMenuBarWindowTest() override {
    registry_.reset();
    SetMenu(window_.hwnd(), nullptr);
  }

  quorvel::test::FakeThemeSystem system_;
  test::ControlTestWindow window_;
  TestMenu menu_;
  std::unique_ptr<NativeThemeRegistry> registry_;
  std::unique_ptr<ThemedMenuBar> bar_;
};

TEST_F(ThemedMenuBarWindowTest, RegisteredWindowMeasuresAndPaintsItsBarThroughThePainter) {
  ASSERT_TRUE(registry_->register_themed_window(window_.hwnd(), bar_.get()));
  EXPECT_TRUE(item_info(menu_.bar, 0).fType & MFT_OWNERDRAW);
  EXPECT_EQ(bar_->theme(), registry_->theme());
  SetWindowPos(window_.hwnd(), nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  RedrawWindow(window_.hwnd(), nullptr, nullptr,
               RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  test::pump_messages();

  // WM_MEASUREITEM reached the painter: the bar items differ in width as
  // its sizes do (the system adds its own spacing to each).
  RECT file{};
  RECT help{};
  ASSERT_TRUE(GetMenuItemRect(window_.hwnd(), menu_.bar, 0, &file));
  ASSERT_TRUE(GetMenuItemRect(window_.hwnd(), menu_.bar, 2, &help));
  const HFONT font = bar_->menu_font(96);
  const SIZE file_size = menu_item_size(*record_with_text(*bar_, L"&File"), font, 96);
  const SIZE help_size = menu_item_size(*record_with_text(*bar_, L"&Help"), font, 96);
  ASSERT_NE(file_size.cx, help_size.cx);
  EXPECT_EQ((file.right - file.left) - (help.right - help.left), file_size.cx - help_size.cx);

  // WM_DRAWITEM reached it too: the bar shows the dark window background.
  RECT frame{};
  GetWindowRect(window_.hwnd(), &frame);
  DibTarget target(frame.right - frame.left, frame.bottom - frame.top);
  read_window(window_.hwnd(), target);
  const RECT bar = menu_bar_in_window(window_.hwnd());
  const auto background = rgb(registry_->theme().color(C::window_background));
  EXPECT_EQ(target.pixel(bar.left + 2, bar.top + 2), background);
  EXPECT_EQ(target.pixel(bar.left + (file.right - file.left) - 2, bar.top + 2), background);
  // And the band under the bar.
  EXPECT_EQ(target.pixel(bar.left + 100, bar.bottom - 1), background);
  EXPECT_EQ(target.pixel(bar.left + 100, bar.bottom), background);
}

TEST_F(ThemedMenuBarWindowTest, MenuBarLineIsCoveredAfterSetTheme) {
  Theme theme = test::distinct_theme();
  bar_->set_theme(theme);
  RECT frame{};
  GetWindowRect(window_.hwnd(), &frame);
  DibTarget target(frame.right - frame.left, frame.bottom - frame.top);
  read_window(window_.hwnd(), target);
  const RECT bar = menu_bar_in_window(window_.hwnd());
  const int x = bar.left + (bar.right - bar.left) / 2;
  EXPECT_EQ(target.pixel(x, bar.bottom - 1), rgb(theme.color(C::window_background)));
  EXPECT_EQ(target.pixel(x, bar.bottom), rgb(theme.color(C::window_background)));
}

TEST_F(ThemedMenuBarWindowTest, RegisteredWindowCoversTheLineAgainWhenItsFrameIsRepainted) {
  ASSERT_TRUE(registry_->register_themed_window(window_.hwnd(), bar_.get()));
  const RECT bar = menu_bar_in_window(window_.hwnd());
  const RECT band = {bar.left, bar.bottom - 1, bar.right, bar.bottom + 1};
  const auto background = rgb(registry_->theme().color(C::window_background));
  RECT frame{};
  GetWindowRect(window_.hwnd(), &frame);
  const int x = bar.left + (bar.right - bar.left) / 2;

  for (const UINT message : {UINT{WM_NCPAINT}, UINT{WM_NCACTIVATE}}) {
    SCOPED_TRACE(testing::Message() << "message " << message);
    HDC dc = GetWindowDC(window_.hwnd());
    FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(window_.hwnd(), dc);
    SendMessageW(window_.hwnd(), message, message == WM_NCPAINT ? 1 : TRUE, 0);
    DibTarget target(frame.right - frame.left, frame.bottom - frame.top);
    read_window(window_.hwnd(), target);
    EXPECT_EQ(target.pixel(x, bar.bottom - 1), background);
    EXPECT_EQ(target.pixel(x, bar.bottom), background);
  }
}

}  // namespace
}  // namespace win32_ui
