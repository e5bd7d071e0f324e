#include "app/editor/screenshot_editor_toolbar_view.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "tests/app/editor/editor_test_support.h"
#include "tests/support/test_support.h"
#include "ui/platform/theme/scaled_metric.h"

namespace quorvel::windows::test {
namespace {

using quorvel::test::utf8;
using win32_ui::Theme;

// Ids left to right, with each column's width.
struct Column {
  int id;
  int width;
};
// The thickness label has no id of its own; it is found by class.
constexpr int kLabelColumn = 5;
constexpr int kListColumn = 6;
const Column kColumns[] = {{109, 40}, {100, 40}, {101, 40}, {102, 40}, {103, 40}, {0, 32},
                           {110, 64}, {111, 42}, {104, 40}, {105, 40}, {106, 40}, {107, 40}};

std::wstring window_text(HWND window) {
  wchar_t text[128] = {};
  GetWindowTextW(window, text, 128);
  return text;
}

RECT child_rect(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

HWND thickness_label(HWND toolbar) { return FindWindowExW(toolbar, nullptr, L"Static", nullptr); }

// An editor in editing mode, in `language`, with its toolbar shown.
class ToolbarView : public ::testing::Test {
 protected:
  void open(const wchar_t* language = L"en-US") {
    fixture_.application.set_language(language);
    ASSERT_TRUE(fixture_.open());
    fixture_.drag({50, 60}, {250, 160});
    ASSERT_NE(toolbar(), nullptr);
    pump_messages();
  }

  ScreenshotEditor& editor() { return *fixture_.editor; }
  HWND toolbar() { return fixture_.editor->toolbar(); }
  HWND control(int id) { return GetDlgItem(toolbar(), id); }
  void click(int id) {
    SendMessageW(toolbar(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control(id)));
  }
  WindowPixels pixels_of(int id) {
    HWND button = control(id);
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return WindowPixels(button);
  }

  EditorFixture fixture_;
};

TEST_F(ToolbarView, MakesOwnerDrawnButtonsAndAThicknessListWithThreePixelsChosen) {
  open();
  const std::vector<int> buttons{109, 100, 101, 102, 103, 104, 105, 106, 107, 111};
  for (int id : buttons) {
    HWND button = control(id);
    ASSERT_NE(button, nullptr) << id;
    const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    EXPECT_EQ(style & BS_TYPEMASK, BS_OWNERDRAW) << id;
    EXPECT_TRUE(style & WS_TABSTOP) << id;
  }
  HWND list = control(110);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(GetWindowLongPtrW(list, GWL_STYLE) & 0x3, CBS_DROPDOWNLIST);
  ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 5);
  const char* items[] = {"1 px", "3 px", "5 px", "8 px", "12 px"};
  for (int index = 0; index < 5; ++index) {
    wchar_t text[32] = {};
    SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(utf8(text), items[index]);
  }
  EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 1);

  // Five tools, four actions and the colour button have tooltips.
  ASSERT_NE(editor().toolbar_view()->tooltip(), nullptr);
  EXPECT_EQ(SendMessageW(editor().toolbar_view()->tooltip(), TTM_GETTOOLCOUNT, 0, 0), 10);
  TTTOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.hwnd = toolbar();
  info.uId = reinterpret_cast<UINT_PTR>(control(111));
  wchar_t tip[128] = {};
  info.lpszText = tip;
  SendMessageW(editor().toolbar_view()->tooltip(), TTM_GETTEXTW, 128,
               reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(utf8(tip), "Choose annotation color");
}

struct LabelCase {
  const char* name;
  const wchar_t* language;
  std::vector<std::wstring> labels;  // in column order, the list left out
};

class ToolbarViewLabels : public ToolbarView, public ::testing::WithParamInterface<LabelCase> {};

TEST_P(ToolbarViewLabels, NamesTheControlsInTheApplicationLanguage) {
  const LabelCase& c = GetParam();
  open(c.language);
  std::vector<HWND> labelled;
  for (const Column& column : kColumns) {
    if (column.id == 110) continue;
    labelled.push_back(column.id ? control(column.id) : thickness_label(toolbar()));
  }
  ASSERT_EQ(labelled.size(), c.labels.size());
  for (std::size_t index = 0; index < labelled.size(); ++index) {
    EXPECT_EQ(utf8(window_text(labelled[index])), utf8(c.labels[index])) << index;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Languages, ToolbarViewLabels,
    ::testing::Values(
        LabelCase{"English",
                  L"en-US",
                  {L"Pencil", L"Rectangle", L"Ellipse", L"Arrow", L"Text", L"Thickness", L"Color",
                   L"Undo", L"Copy", L"Save\u2026", L"Done"}},
        LabelCase{"Chinese",
                  L"zh-CN",
                  {L"\u753B\u7B14", L"\u77E9\u5F62", L"\u692D\u5706", L"\u7BAD\u5934",
                   L"\u6587\u5B57", L"\u7C97\u7EC6", L"\u989C\u8272", L"\u64A4\u9500",
                   L"\u590D\u5236", L"\u4FDD\u5B58\u2026", L"\u5B8C\u6210"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ToolbarView, LaysTheControlsOutInOneRowWithThreePixelGaps) {
  open();
  // The label's column holds its text and is never below 32, the list's
  // holds its widest item beside the field's insets and is never below 64;
  // the window's client area is exactly the row, so no control gives up a
  // pixel.
  const int label = std::max(32, window_text_width(thickness_label(toolbar())));
  const int list = thickness_list_column(toolbar(), 96);
  const auto width_of = [&](std::size_t index) {
    return index == kLabelColumn ? label : index == kListColumn ? list : kColumns[index].width;
  };
  int row = 8 + 3 * (static_cast<int>(std::size(kColumns)) - 1);
  for (std::size_t index = 0; index < std::size(kColumns); ++index) row += width_of(index);
  RECT client{};
  GetClientRect(toolbar(), &client);
  EXPECT_EQ(client.right, row);
  EXPECT_EQ(client.bottom, 36);
  int expected_left = 4;
  RECT previous{};
  for (std::size_t index = 0; index < std::size(kColumns); ++index) {
    const Column& column = kColumns[index];
    HWND child = index == kLabelColumn ? thickness_label(toolbar()) : control(column.id);
    ASSERT_NE(child, nullptr) << index;
    const RECT rect = child_rect(child);
    if (index > 0) {
      EXPECT_EQ(rect.left, previous.right + 3) << index;
    }
    EXPECT_EQ(rect.left, expected_left) << index;
    EXPECT_EQ(rect.top, 4) << index;
    const int width = width_of(index);
    EXPECT_EQ(rect.right - rect.left, width) << index;
    // The combo box's own height follows its font; the rest fill the row.
    if (column.id != 110) {
      EXPECT_EQ(rect.bottom - rect.top, 28) << index;
    }
    expected_left += width + 3;
    previous = rect;
  }
  EXPECT_EQ(previous.right, client.right - 4);
}

// The thickness label's text in the language fits its column, and the
// toolbar window holds the whole row, at the display's DPI.
void expect_the_label_fits(EditorFixture& fixture, const wchar_t* language, UINT dpi) {
  fixture.application.set_language(language);
  ASSERT_TRUE(fixture.open());
  fixture.drag({50, 60}, {250, 160});
  HWND toolbar = fixture.editor->toolbar();
  ASSERT_NE(toolbar, nullptr);
  pump_messages();
  ASSERT_EQ(GetDpiForWindow(toolbar), dpi);
  LOGFONTW font{};
  ASSERT_EQ(GetObjectW(fixture.editor->toolbar_font(), sizeof(font), &font),
            static_cast<int>(sizeof(font)));
  EXPECT_EQ(font.lfHeight, -MulDiv(9, static_cast<int>(dpi), 72));

  HWND label = thickness_label(toolbar);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)),
            fixture.editor->toolbar_font());
  const int text = window_text_width(label);
  ASSERT_GT(text, 0);
  const RECT box = child_rect(label);
  EXPECT_GE(box.right - box.left, text) << utf8(window_text(label));

  // Every control lies inside the client area, the last one before the padding.
  RECT client{};
  GetClientRect(toolbar, &client);
  const RECT done = child_rect(GetDlgItem(toolbar, kToolbarDoneId));
  EXPECT_LE(done.right + MulDiv(4, static_cast<int>(dpi), 96), client.right);
  EXPECT_GT(done.left, box.right);

  // The picture is for a look by eye (QUORVEL_CANVAS_PNG_DIR).
  RedrawWindow(toolbar, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  WindowPixels(toolbar).save_png_if_asked("editor_toolbar_" + utf8(language) + "_" +
                                          std::to_string(dpi) + ".png");
}

// Every item of the thickness list, drawn as the closed list's selection,
// fits the space the themed field leaves it: the field insets its text by 8
// DIP on the left and keeps 8 + 28 DIP on the right for the gap and the
// arrow box. The toolbar window still holds the whole row.
void expect_the_list_items_fit(EditorFixture& fixture, const wchar_t* language, UINT dpi) {
  fixture.application.set_language(language);
  ASSERT_TRUE(fixture.open());
  fixture.drag({50, 60}, {250, 160});
  HWND toolbar = fixture.editor->toolbar();
  ASSERT_NE(toolbar, nullptr);
  pump_messages();
  ASSERT_EQ(GetDpiForWindow(toolbar), dpi);

  HWND list = GetDlgItem(toolbar, kToolbarThicknessId);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)),
            fixture.editor->toolbar_font());
  RECT field{};
  GetClientRect(list, &field);
  const int room = field.right - win32_ui::scale_metric(8, dpi) - win32_ui::scale_metric(36, dpi);
  const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
  ASSERT_EQ(count, 5);
  for (LRESULT index = 0; index < count; ++index) {
    wchar_t item[32] = {};
    SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item));
    const int text = text_width_in(list, item);
    ASSERT_GT(text, 0) << utf8(item);
    EXPECT_GE(room, text) << utf8(item);
  }

  RECT client{};
  GetClientRect(toolbar, &client);
  const RECT box = child_rect(list);
  const RECT color = child_rect(GetDlgItem(toolbar, kToolbarColorId));
  const RECT done = child_rect(GetDlgItem(toolbar, kToolbarDoneId));
  EXPECT_GT(color.left, box.right);
  EXPECT_LE(done.right + MulDiv(4, static_cast<int>(dpi), 96), client.right);
}

class ToolbarTextFit : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(ToolbarTextFit, TheThicknessLabelHoldsItsText) {
  if (display_dpi() != 96) GTEST_SKIP() << "runs at 96 DPI only";
  EditorFixture fixture;
  expect_the_label_fits(fixture, GetParam(), 96);
}

TEST_P(ToolbarTextFit, TheThicknessListShowsEachItemWhole) {
  if (display_dpi() != 96) GTEST_SKIP() << "runs at 96 DPI only";
  EditorFixture fixture;
  expect_the_list_items_fit(fixture, GetParam(), 96);
}

class ToolbarTextFitDpi144 : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(ToolbarTextFitDpi144, TheThicknessLabelHoldsItsText) {
  if (display_dpi() != 144) GTEST_SKIP() << "runs at 144 DPI only";
  EditorFixture fixture;
  expect_the_label_fits(fixture, GetParam(), 144);
}

TEST_P(ToolbarTextFitDpi144, TheThicknessListShowsEachItemWhole) {
  if (display_dpi() != 144) GTEST_SKIP() << "runs at 144 DPI only";
  EditorFixture fixture;
  expect_the_list_items_fit(fixture, GetParam(), 144);
}

const auto kLanguageName = [](const auto& info) {
  return std::wstring(info.param) == L"zh-CN" ? std::string("Chinese") : std::string("English");
};
INSTANTIATE_TEST_SUITE_P(Languages, ToolbarTextFit, ::testing::Values(L"en-US", L"zh-CN"),
                         kLanguageName);
INSTANTIATE_TEST_SUITE_P(Languages, ToolbarTextFitDpi144, ::testing::Values(L"en-US", L"zh-CN"),
                         kLanguageName);

TEST_F(ToolbarView, OnlyTheCurrentToolsButtonIsFilledAsSelected) {
  open();
  const Theme& theme = fixture_.registry->theme();
  const COLORREF selected_fill =
      Theme::control_colors(theme, win32_ui::kControlToneSelectable, win32_ui::kVisualStateNormal,
                            true)
          .fill;
  const COLORREF plain_fill =
      Theme::control_colors(theme, win32_ui::kControlToneSelectable, win32_ui::kVisualStateNormal,
                            false)
          .fill;
  ASSERT_NE(selected_fill, plain_fill);
  for (AnnotationTool tool : {kToolRectangle, kToolEllipse, kToolPencil}) {
    click(kToolbarToolIds[static_cast<std::size_t>(tool)]);
    ASSERT_EQ(editor().tool(), tool);
    for (std::size_t index = 0; index < kToolbarToolIds.size(); ++index) {
      const WindowPixels pixels = pixels_of(kToolbarToolIds[index]);
      const bool current = static_cast<AnnotationTool>(index) == tool;
      EXPECT_EQ(pixels.at(5, 14), current ? selected_fill : plain_fill)
          << "tool " << tool << " button " << index;
    }
  }
  for (int id : kToolbarActionIds) {
    EXPECT_EQ(pixels_of(id).at(5, 14), plain_fill) << id;
  }
}

TEST_F(ToolbarView, DrawsTheRectangleGlyphInTheGlyphColourInsideTheFill) {
  open();
  const Theme& theme = fixture_.registry->theme();
  const win32_ui::ControlColors colors = Theme::control_colors(
      theme, win32_ui::kControlToneSelectable, win32_ui::kVisualStateNormal, true);
  const WindowPixels pixels = pixels_of(kToolbarRectangleId);
  pixels.save_png_if_asked("toolbar_rectangle_button.png");
  ASSERT_EQ(pixels.width(), 40);
  ASSERT_EQ(pixels.height(), 28);
  EXPECT_EQ(pixels.at(13, 14), colors.text);
  EXPECT_EQ(pixels.at(20, 14), colors.fill);
  for (POINT corner : {POINT{4, 3}, POINT{35, 3}, POINT{4, 24}, POINT{35, 24}}) {
    EXPECT_EQ(pixels.at(corner.x, corner.y), colors.fill) << corner.x << "," << corner.y;
  }
}

TEST_F(ToolbarView, FillsTheSwatchWithTheColourAndBordersItWithTheStrongBorder) {
  open();
  const WindowPixels pixels = pixels_of(kToolbarColorId);
  ASSERT_EQ(pixels.width(), 42);
  // A 17 x 13 swatch centred in 42 x 28: edges at 12.5 and 7.5.
  EXPECT_EQ(pixels.at(21, 14), kDefaultAnnotationColor);
  EXPECT_EQ(pixels.at(12, 14),
            fixture_.registry->theme().color(win32_ui::ThemeColor::border_strong));
}

TEST_F(ToolbarView, RepaintsTheButtonsInDarkColoursWhenTheThemeTurnsDark) {
  open();
  const Theme dark = Theme::dark(win32_ui::kDefaultAccent);
  const COLORREF light_fill =
      Theme::control_colors(fixture_.registry->theme(), win32_ui::kControlToneSelectable,
                            win32_ui::kVisualStateNormal, false)
          .fill;
  const COLORREF dark_fill = Theme::control_colors(dark, win32_ui::kControlToneSelectable,
                                                   win32_ui::kVisualStateNormal, false)
                                 .fill;
  ASSERT_NE(light_fill, dark_fill);
  EXPECT_EQ(pixels_of(kToolbarUndoId).at(5, 14), light_fill);
  // As the shell does: the registry turns dark, then the editor follows.
  fixture_.registry->set_mode(win32_ui::kThemeModeDark);
  ASSERT_EQ(fixture_.registry->theme(), dark);
  editor().set_theme(dark);
  pump_messages();
  EXPECT_EQ(pixels_of(kToolbarUndoId).at(5, 14), dark_fill);
  EXPECT_EQ(pixels_of(kToolbarPencilId).at(5, 14), dark_fill);
  const COLORREF dark_glyph = Theme::control_colors(dark, win32_ui::kControlToneSelectable,
                                                    win32_ui::kVisualStateNormal, true)
                                  .text;
  EXPECT_EQ(pixels_of(kToolbarRectangleId).at(13, 14), dark_glyph);
}

// Answers the colour dialog with OK once it is up, noting its owner.
HWND g_dialog_owner = nullptr;
bool g_dialog_seen = false;
void CALLBACK press_ok_in_dialog(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = FindWindowW(L"#32770", nullptr);
  if (!dialog || g_dialog_seen) return;
  g_dialog_seen = true;
  g_dialog_owner = GetWindow(dialog, GW_OWNER);
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

TEST(ToolbarViewColourDialog, TheRealDialogOwnedByTheToolbarReturnsOnOk) {
  EditorFixture fixture;
  fixture.editor = std::make_unique<ScreenshotEditor>(
      GetModuleHandleW(nullptr), DesktopSnapshot{}, POINT{0, 0}, L"C:\\", *fixture.registry,
      fixture.application, [&fixture] { ++fixture.closes; }, recording_seams(fixture));
  ASSERT_TRUE(fixture.open());
  fixture.drag({50, 60}, {250, 160});
  HWND toolbar = fixture.editor->toolbar();
  ASSERT_NE(toolbar, nullptr);
  g_dialog_owner = nullptr;
  g_dialog_seen = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, &press_ok_in_dialog);
  ASSERT_NE(timer, 0u);
  SendMessageW(toolbar, WM_COMMAND, MAKEWPARAM(kToolbarColorId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(toolbar, kToolbarColorId)));
  KillTimer(nullptr, timer);
  EXPECT_TRUE(g_dialog_seen);
  EXPECT_EQ(g_dialog_owner, toolbar);
  // OK on the initial colour keeps it.
  EXPECT_EQ(fixture.editor->color(), kDefaultAnnotationColor);
  EXPECT_TRUE(fixture.editor->is_open());
  EXPECT_EQ(GetFocus(), fixture.editor->canvas());
}

// The toolbar over an annotated selection, written out for a look when
// QUORVEL_CANVAS_PNG_DIR is set.
TEST_F(ToolbarView, ShowsOverAnAnnotatedSelectionInLightAndDark) {
  open();
  fixture_.press(60, 70);
  fixture_.move(200, 140);
  fixture_.release(200, 140);
  click(kToolbarEllipseId);
  fixture_.press(80, 80);
  fixture_.move(230, 150);
  fixture_.release(230, 150);
  ASSERT_EQ(editor().annotations().size(), 2u);
  for (const auto& [name, mode] : {std::pair{"light", win32_ui::kThemeModeLight},
                                   std::pair{"dark", win32_ui::kThemeModeDark}}) {
    fixture_.registry->set_mode(mode);
    const Theme theme = fixture_.registry->theme();
    ASSERT_EQ(theme.is_dark, mode == win32_ui::kThemeModeDark);
    editor().set_theme(theme);
    RedrawWindow(editor().canvas(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RedrawWindow(toolbar(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pump_messages();
    const WindowPixels screen(GetDesktopWindow());
    // The pencil button's fill: border 1, padding 4, then (5, 14) inside.
    EXPECT_EQ(screen.at(150 + 1 + 4 + 5, 217 + 1 + 4 + 14),
              Theme::control_colors(theme, win32_ui::kControlToneSelectable,
                                    win32_ui::kVisualStateNormal, false)
                  .fill)
        << name;
    screen.save_png_if_asked(std::string("toolbar_over_selection_") + name + ".png");
  }
}

}  // namespace
}  // namespace quorvel::windows::test
