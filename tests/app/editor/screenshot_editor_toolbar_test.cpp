#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "app/editor/screenshot_editor.h"
#include "app/editor/screenshot_editor_toolbar_view.h"
#include "tests/app/editor/editor_test_support.h"
#include "tests/support/test_support.h"

namespace quorvel::windows::test {
namespace {

using quorvel::test::utf8;
using win32_ui::Theme;

// The canvas sits at (100, 50); the dragged selection (50, 60)-(251, 161)
// is (150, 110)-(351, 211) on screen, so the toolbar goes to (150, 217). Its
// height is 38; its width is the row of columns (below) and its border.
const POINT kToolbarAt{150, 217};
constexpr int kToolbarHeight = 38;
// The row at 96 DPI without the thickness label's and list's columns:
// padding 4 on each side, eleven gaps of 3 and the ten other columns.
constexpr int kRowWithoutTexts = 8 + 33 + 40 * 9 + 42;

// The thickness label's column at 96 DPI: its text, never below 32.
int label_column(HWND toolbar, UINT dpi = 96) {
  HWND label = FindWindowExW(toolbar, nullptr, L"Static", nullptr);
  const int text = window_text_width(label);
  return std::max(32, (text * 96 + static_cast<int>(dpi) - 1) / static_cast<int>(dpi));
}

bool clipboard_has_dib() { return IsClipboardFormatAvailable(CF_DIB) != FALSE; }

void clear_clipboard() {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  CloseClipboard();
}

// An editor in editing mode after a drag, with its toolbar shown.
class EditorToolbar : public ::testing::Test {
 protected:
  void SetUp() override { open_and_drag(); }

  void open_and_drag() {
    ASSERT_TRUE(fixture_.open());
    fixture_.drag({50, 60}, {250, 160});
    ASSERT_FALSE(fixture_.editor->is_selecting());
    pump_messages();
  }

  ScreenshotEditor& editor() { return *fixture_.editor; }
  HWND canvas() { return editor().canvas(); }
  HWND toolbar() { return editor().toolbar(); }
  HWND control(int id) { return GetDlgItem(toolbar(), id); }

  // A button's click as the button reports it to the toolbar.
  LRESULT click(int id) {
    return SendMessageW(toolbar(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(control(id)));
  }

  // A mark dragged inside the selection.
  void draw_mark(POINT from, POINT to) {
    fixture_.press(from.x, from.y);
    fixture_.move(to.x, to.y);
    fixture_.release(to.x, to.y);
  }

  EditorFixture fixture_;
};

TEST_F(EditorToolbar, ShowsATopmostToolWindowOwnedByTheCanvasWithoutTakingTheFocus) {
  ASSERT_NE(toolbar(), nullptr);
  wchar_t class_name[64] = {};
  GetClassNameW(toolbar(), class_name, 64);
  EXPECT_EQ(utf8(class_name), "QuorvelScreenshotToolbar");
  const LONG_PTR ex_style = GetWindowLongPtrW(toolbar(), GWL_EXSTYLE);
  const LONG_PTR style = GetWindowLongPtrW(toolbar(), GWL_STYLE);
  EXPECT_EQ(ex_style & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST), WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  EXPECT_EQ(style & (WS_POPUP | WS_BORDER | WS_CHILD), WS_POPUP | WS_BORDER);
  EXPECT_EQ(GetWindow(toolbar(), GW_OWNER), canvas());
  EXPECT_TRUE(IsWindowVisible(toolbar()));
  RECT rect{};
  GetWindowRect(toolbar(), &rect);
  EXPECT_EQ(rect.left, kToolbarAt.x);
  EXPECT_EQ(rect.top, kToolbarAt.y);
  EXPECT_EQ(rect.bottom - rect.top, kToolbarHeight);
  EXPECT_EQ(rect.right - rect.left,
            kRowWithoutTexts + label_column(toolbar()) + thickness_list_column(toolbar(), 96) + 2);
  EXPECT_EQ(GetFocus(), canvas());
  EXPECT_EQ(GetForegroundWindow(), canvas());
  EXPECT_EQ(editor().tool(), kToolRectangle);
  EXPECT_EQ(fixture_.toolbar_creations, 1);
  // A second showing reuses the window.
  editor().show_toolbar();
  EXPECT_EQ(fixture_.toolbar_creations, 1);
  EXPECT_EQ(GetFocus(), canvas());
}

TEST(EditorToolbarCreation, ResetsTheToolAndDropsAnOpenTextBoxWithoutAMark) {
  EditorFixture fixture;
  ASSERT_TRUE(fixture.open());
  // A click waits for a possible second click before the toolbar shows.
  fixture.press(400, 300);
  fixture.release(400, 300);
  ASSERT_FALSE(fixture.editor->is_selecting());
  ASSERT_EQ(fixture.editor->toolbar(), nullptr);
  fixture.editor->set_tool(kToolText);
  fixture.editor->open_text_box({300, 300});
  ASSERT_NE(fixture.editor->text_box(), nullptr);
  SetWindowTextW(fixture.editor->text_box(), L"unsaid");

  fixture.send(WM_TIMER, kToolbarDelayTimer, 0);
  ASSERT_NE(fixture.editor->toolbar(), nullptr);
  EXPECT_EQ(fixture.editor->text_box(), nullptr);
  EXPECT_TRUE(fixture.editor->annotations().empty());
  EXPECT_EQ(fixture.editor->tool(), kToolRectangle);
  EXPECT_FALSE(KillTimer(fixture.editor->canvas(), kToolbarDelayTimer));
}

TEST(EditorToolbarCreation, APressWhileWaitingShowsTheToolbarFirst) {
  EditorFixture fixture;
  ASSERT_TRUE(fixture.open());
  fixture.press(400, 300);
  fixture.release(400, 300);
  ASSERT_EQ(fixture.editor->toolbar(), nullptr);
  fixture.press(300, 300);
  fixture.release(300, 300);
  EXPECT_NE(fixture.editor->toolbar(), nullptr);
  EXPECT_FALSE(KillTimer(fixture.editor->canvas(), kToolbarDelayTimer));
}

struct ToolCommand {
  int id;
  AnnotationTool tool;
};

TEST_F(EditorToolbar, ToolButtonsSetTheToolAndDropAnOpenTextBoxWithoutAMark) {
  const ToolCommand cases[] = {{kToolbarPencilId, kToolPencil},
                               {kToolbarRectangleId, kToolRectangle},
                               {kToolbarEllipseId, kToolEllipse},
                               {kToolbarArrowId, kToolArrow},
                               {kToolbarTextId, kToolText}};
  for (const ToolCommand& c : cases) {
    editor().open_text_box({100, 100});
    ASSERT_NE(editor().text_box(), nullptr);
    SetWindowTextW(editor().text_box(), L"note");
    ASSERT_EQ(GetFocus(), editor().text_box());
    EXPECT_EQ(click(c.id), 0);
    EXPECT_EQ(editor().tool(), c.tool) << c.id;
    EXPECT_EQ(editor().text_box(), nullptr) << c.id;
    EXPECT_TRUE(editor().annotations().empty()) << c.id;
    EXPECT_EQ(GetFocus(), canvas()) << c.id;
  }
}

TEST_F(EditorToolbar, TheThicknessListAppliesToLaterMarksOnly) {
  draw_mark({60, 70}, {120, 120});
  ASSERT_EQ(editor().annotations().size(), 1u);
  EXPECT_EQ(editor().annotations()[0].thickness, 3);

  HWND list = control(kToolbarThicknessId);
  SendMessageW(list, CB_SETCURSEL, 4, 0);
  SetFocus(list);
  SendMessageW(toolbar(), WM_COMMAND, MAKEWPARAM(kToolbarThicknessId, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  EXPECT_EQ(editor().thickness(), 12);
  EXPECT_EQ(GetFocus(), canvas());

  draw_mark({70, 80}, {200, 140});
  ASSERT_EQ(editor().annotations().size(), 2u);
  EXPECT_EQ(editor().annotations()[0].thickness, 3);
  EXPECT_EQ(editor().annotations()[1].thickness, 12);
}

TEST_F(EditorToolbar, TheColourDialogSetsTheColourOnOkOnlyAndKeepsCustomColours) {
  std::vector<COLORREF> offered;
  std::vector<HWND> owners;
  std::array<COLORREF, 16> seen_custom{};
  bool accept = false;
  fixture_.choose_color = [&](HWND owner, COLORREF& color, std::array<COLORREF, 16>& custom) {
    owners.push_back(owner);
    offered.push_back(color);
    seen_custom = custom;
    custom[3] = RGB(1, 2, 3);
    if (accept) color = RGB(0, 128, 0);
    return accept;
  };

  EXPECT_EQ(click(kToolbarColorId), 0);
  EXPECT_EQ(editor().color(), kDefaultAnnotationColor);
  EXPECT_EQ(GetFocus(), canvas());

  accept = true;
  click(kToolbarColorId);
  EXPECT_EQ(editor().color(), RGB(0, 128, 0));
  ASSERT_EQ(offered.size(), 2u);
  EXPECT_EQ(offered[0], kDefaultAnnotationColor);
  EXPECT_EQ(offered[1], kDefaultAnnotationColor);
  EXPECT_EQ(owners[0], toolbar());
  // The custom colour defined in the first dialog comes back in the second.
  EXPECT_EQ(seen_custom[3], RGB(1, 2, 3));

  HWND swatch = control(kToolbarColorId);
  UpdateWindow(swatch);
  const WindowPixels pixels(swatch);
  EXPECT_EQ(pixels.at(pixels.width() / 2, pixels.height() / 2), RGB(0, 128, 0));

  draw_mark({60, 70}, {120, 120});
  ASSERT_EQ(editor().annotations().size(), 1u);
  EXPECT_EQ(editor().annotations()[0].color, RGB(0, 128, 0));
}

TEST_F(EditorToolbar, UndoCopyAndDoneRunOnTheEditorAndGiveTheFocusBack) {
  draw_mark({60, 70}, {120, 120});
  draw_mark({70, 80}, {130, 130});
  ASSERT_EQ(editor().annotations().size(), 2u);
  EXPECT_EQ(click(kToolbarUndoId), 0);
  EXPECT_EQ(editor().annotations().size(), 1u);
  EXPECT_EQ(GetFocus(), canvas());

  clear_clipboard();
  click(kToolbarCopyId);
  EXPECT_TRUE(clipboard_has_dib());
  EXPECT_TRUE(editor().is_open());
  EXPECT_EQ(GetFocus(), canvas());

  clear_clipboard();
  click(kToolbarDoneId);
  EXPECT_TRUE(clipboard_has_dib());
  EXPECT_FALSE(editor().is_open());
  EXPECT_EQ(fixture_.closes, 1);
  EXPECT_TRUE(fixture_.messages.empty());
}

TEST_F(EditorToolbar, AnUnknownCommandIsLeftToDefaultProcessing) {
  HWND undo = control(kToolbarUndoId);
  SetFocus(undo);
  ASSERT_EQ(GetFocus(), undo);
  EXPECT_EQ(SendMessageW(toolbar(), WM_COMMAND, MAKEWPARAM(555, BN_CLICKED), 0), 0);
  // Nothing ran: the focus was not handed back.
  EXPECT_EQ(GetFocus(), undo);
  EXPECT_TRUE(editor().is_open());
}

TEST(EditorToolbarSave, TheSaveButtonWritesThroughTheSaveDialog) {
  quorvel::test::TempDir folder;
  const std::filesystem::path path = folder / "toolbar.png";
  EditorFixture fixture;
  EditorSeams seams = recording_seams(fixture);
  int dialogs = 0;
  seams.choose_save_path = [&](HWND, const std::wstring&, const std::wstring&) {
    ++dialogs;
    return path.wstring();
  };
  fixture.editor = std::make_unique<ScreenshotEditor>(
      GetModuleHandleW(nullptr), DesktopSnapshot{}, POINT{0, 0}, L"C:\\", *fixture.registry,
      fixture.application, [&fixture] { ++fixture.closes; }, std::move(seams));
  ASSERT_TRUE(fixture.open());
  fixture.drag({50, 60}, {250, 160});
  HWND toolbar = fixture.editor->toolbar();
  ASSERT_NE(toolbar, nullptr);
  SendMessageW(toolbar, WM_COMMAND, MAKEWPARAM(kToolbarSaveId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(toolbar, kToolbarSaveId)));
  EXPECT_EQ(dialogs, 1);
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_GT(std::filesystem::file_size(path), 0u);
  EXPECT_EQ(GetFocus(), fixture.editor->canvas());
}

struct KeyCase {
  const char* name;
  int target;  // a control id, or 0 for the toolbar window
  WPARAM key;
  bool copied;
};

class EditorToolbarKeys : public EditorToolbar, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(EditorToolbarKeys, EnterFinishesAndEscapeCloses) {
  const KeyCase& c = GetParam();
  clear_clipboard();
  HWND target = c.target ? control(c.target) : toolbar();
  ASSERT_NE(target, nullptr);
  SendMessageW(target, WM_KEYDOWN, c.key, 0);
  EXPECT_FALSE(editor().is_open());
  EXPECT_EQ(fixture_.closes, 1);
  EXPECT_EQ(clipboard_has_dib(), c.copied);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EditorToolbarKeys,
    ::testing::Values(KeyCase{"EnterOnAToolButton", kToolbarEllipseId, VK_RETURN, true},
                      KeyCase{"EnterOnTheDoneButton", kToolbarDoneId, VK_RETURN, true},
                      KeyCase{"EnterOnTheClosedList", kToolbarThicknessId, VK_RETURN, true},
                      KeyCase{"EnterOnTheToolbar", 0, VK_RETURN, true},
                      KeyCase{"EscapeOnTheColourButton", kToolbarColorId, VK_ESCAPE, false},
                      KeyCase{"EscapeOnTheToolbar", 0, VK_ESCAPE, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct HandleMove {
  const char* name;
  POINT grab;
  POINT to;
  POINT toolbar;  // the toolbar's top-left on screen afterwards
};

class EditorToolbarResize : public EditorToolbar,
                            public ::testing::WithParamInterface<HandleMove> {};

TEST_P(EditorToolbarResize, ResizingTheSelectionPlacesTheToolbarBesideTheNewSelection) {
  const HandleMove& c = GetParam();
  RECT before{};
  ASSERT_TRUE(GetWindowRect(toolbar(), &before));
  // Moved away first, so that staying beside the selection is the resize's doing.
  SetWindowPos(toolbar(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  fixture_.press(c.grab.x, c.grab.y);
  fixture_.move(c.to.x, c.to.y);
  const auto expect_at_the_selection = [&](const char* when) {
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(toolbar(), &rect));
    EXPECT_EQ(rect.left, c.toolbar.x) << when;
    EXPECT_EQ(rect.top, c.toolbar.y) << when;
    EXPECT_EQ(rect.right - rect.left, before.right - before.left) << when;
    EXPECT_EQ(rect.bottom - rect.top, before.bottom - before.top) << when;
  };
  expect_at_the_selection("while dragging");
  SetWindowPos(toolbar(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  fixture_.release(c.to.x, c.to.y);
  expect_at_the_selection("after the release");
  EXPECT_TRUE(IsWindowVisible(toolbar()));
  EXPECT_EQ(GetFocus(), canvas());
}

// The canvas sits at (100, 50); the toolbar goes 6 pixels below the
// selection's bottom edge, at its left edge.
INSTANTIATE_TEST_SUITE_P(
    Handles, EditorToolbarResize,
    ::testing::Values(HandleMove{"Left", {50, 110}, {20, 110}, {120, 217}},
                      HandleMove{"Right", {250, 110}, {400, 110}, {150, 217}},
                      HandleMove{"Top", {150, 60}, {150, 30}, {150, 217}},
                      HandleMove{"Bottom", {150, 160}, {150, 300}, {150, 357}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorToolbar, ClosingTheToolbarClosesTheEditor) {
  EXPECT_EQ(SendMessageW(toolbar(), WM_CLOSE, 0, 0), 0);
  EXPECT_FALSE(editor().is_open());
  EXPECT_EQ(editor().toolbar(), nullptr);
  EXPECT_EQ(fixture_.closes, 1);
}

TEST_F(EditorToolbar, ForgetsTheToolbarWhenItsWindowIsDestroyed) {
  DestroyWindow(toolbar());
  EXPECT_EQ(editor().toolbar(), nullptr);
  EXPECT_TRUE(editor().is_open());
  // The next showing makes a new one.
  editor().show_toolbar();
  EXPECT_NE(editor().toolbar(), nullptr);
  EXPECT_EQ(fixture_.toolbar_creations, 2);
  EXPECT_EQ(GetFocus(), canvas());
}

TEST_F(EditorToolbar, AnOpenDropDownTakesEnterAndTheFirstEscape) {
  HWND list = control(kToolbarThicknessId);
  SetFocus(list);
  SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0));
  SendMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
  pump_messages();
  EXPECT_TRUE(editor().is_open());
  EXPECT_FALSE(SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0));

  SetFocus(list);
  SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0));
  SendMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0);
  pump_messages();
  EXPECT_TRUE(editor().is_open());
  EXPECT_FALSE(SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0));
  SendMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(editor().is_open());
  EXPECT_EQ(fixture_.closes, 1);
}

TEST_F(EditorToolbar, TakesTheSuggestedRectangleAndABiggerFontWhenTheDpiChanges) {
  RECT suggested{0, 0, 810, 57};
  EXPECT_EQ(SendMessageW(toolbar(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                         reinterpret_cast<LPARAM>(&suggested)),
            0);
  RECT rect{};
  GetWindowRect(toolbar(), &rect);
  // The suggested height, placed again beside the selection, as wide as the
  // row of columns at the new DPI with the label and the list's items
  // measured in the new font.
  EXPECT_EQ(rect.left, 150);
  EXPECT_EQ(rect.top, 217);
  const int row = kRowWithoutTexts + label_column(toolbar(), 144) +
                  thickness_list_column(toolbar(), 144);
  EXPECT_EQ(rect.right - rect.left, (row * 3 + 1) / 2 + 2);
  EXPECT_EQ(rect.bottom - rect.top, 57);
  LOGFONTW font{};
  ASSERT_EQ(GetObjectW(editor().toolbar_font(), sizeof(font), &font),
            static_cast<int>(sizeof(font)));
  EXPECT_EQ(font.lfHeight, -18);
  for (int id : {kToolbarPencilId, kToolbarThicknessId, kToolbarDoneId}) {
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control(id), WM_GETFONT, 0, 0)),
              editor().toolbar_font())
        << id;
  }
}

TEST(EditorToolbarRefused, ReportsItOnceAndKeepsTheKeyboardShortcuts) {
  clear_clipboard();
  EditorFixture fixture;
  fixture.refuse_toolbar = true;
  ASSERT_TRUE(fixture.open());
  fixture.drag({50, 60}, {250, 160});
  EXPECT_EQ(fixture.toolbar_creations, 1);
  EXPECT_EQ(fixture.editor->toolbar(), nullptr);
  ASSERT_EQ(fixture.messages.size(), 1u);
  EXPECT_EQ(fixture.messages[0].owner, fixture.editor->canvas());
  EXPECT_EQ(utf8(fixture.messages[0].text), "Could not create the screenshot editor window.");

  {
    HeldKeys control({VK_CONTROL});
    fixture.send(WM_KEYDOWN, 'C', 0);
  }
  EXPECT_TRUE(clipboard_has_dib());
  EXPECT_TRUE(fixture.editor->is_open());
  EXPECT_EQ(fixture.messages.size(), 1u);
}

// Clicks at a screen point with real input.
void real_click(POINT screen) {
  SetCursorPos(screen.x, screen.y);
  INPUT inputs[2] = {};
  inputs[0].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[1].type = INPUT_MOUSE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ASSERT_EQ(SendInput(2, inputs, sizeof(INPUT)), 2u);
}

void real_button(DWORD flag) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flag;
  ASSERT_EQ(SendInput(1, &input, sizeof(INPUT)), 1u);
}

TEST(EditorToolbarRealInput, AClickOnAToolAfterADraggedSelectionSetsTheToolWithoutAMark) {
  EditorFixture fixture;
  ASSERT_TRUE(fixture.open({150, 110}));
  real_button(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(pump_until([&] { return GetCapture() == fixture.editor->canvas(); }));
  SetCursorPos(250, 160);
  pump_messages();
  SetCursorPos(350, 210);
  pump_messages();
  real_button(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(pump_until([&] { return fixture.editor->toolbar() != nullptr; }));
  const RECT dragged{50, 60, 251, 161};
  EXPECT_TRUE(EqualRect(&fixture.editor->selection(), &dragged));

  HWND ellipse = GetDlgItem(fixture.editor->toolbar(), kToolbarEllipseId);
  RECT button{};
  GetWindowRect(ellipse, &button);
  real_click({(button.left + button.right) / 2, (button.top + button.bottom) / 2});
  ASSERT_TRUE(pump_until([&] { return fixture.editor->tool() == kToolEllipse; }));
  pump_messages();
  EXPECT_TRUE(fixture.editor->annotations().empty());
  EXPECT_FALSE(fixture.editor->is_drawing());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetFocus(), fixture.editor->canvas());
}

}  // namespace
}  // namespace quorvel::windows::test
