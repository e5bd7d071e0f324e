#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/editor/screenshot_editor.h"
#include "tests/app/editor/editor_test_support.h"
#include "tests/support/test_support.h"

namespace quorvel::windows::test {
namespace {

// The file-name box of the common item dialog: a combo box on Windows, a
// plain edit in Wine's dialog.
constexpr int kFileNameCombo = 0x47c;
constexpr int kFileNameEdit = 0x480;

struct DialogAnswer {
  std::wstring offered;
  std::wstring answer;
  bool answered = false;
  int ticks = 0;
};
DialogAnswer* g_answer = nullptr;

HWND file_name_edit(HWND dialog) {
  HWND control = GetDlgItem(dialog, kFileNameCombo);
  if (!control) control = GetDlgItem(dialog, kFileNameEdit);
  if (!control) return nullptr;
  wchar_t name[32]{};
  GetClassNameW(control, name, 32);
  // A combo box holds its edit as a child.
  if (std::wstring(name) == L"ComboBox") return FindWindowExW(control, nullptr, L"Edit", nullptr);
  return control;
}

void CALLBACK answer_dialog(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_answer || g_answer->answered) return;
  HWND dialog = FindWindowW(L"#32770", nullptr);
  if (!dialog) return;
  HWND edit = file_name_edit(dialog);
  if (!edit) {
    // No file-name box to be found: end the dialog so the test fails
    // instead of waiting for ever.
    if (++g_answer->ticks > 100) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  wchar_t text[MAX_PATH]{};
  GetWindowTextW(edit, text, MAX_PATH);
  g_answer->offered = text;
  SetWindowTextW(edit, g_answer->answer.c_str());
  g_answer->answered = true;
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

// The digits of the hour field in "Quorvel YYYY-MM-DD HH-MM-SS.fffffff.png".
int hour_of(const std::wstring& name) {
  if (name.size() < 22) return -1;
  return std::stoi(name.substr(19, 2));
}

// Runs with QUORVEL_TEST_TZ eight hours east of UTC, so a name in local time
// would show another hour.
TEST(EditorSaveDialog, OffersTheUtcNameInTheSaveFolderAndSavesThere) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    quorvel::test::TempDir folder;
    EditorFixture fixture;
    EditorSeams seams;
    seams.exclude_from_capture = [](HWND) { return true; };
    seams.show_message = [&fixture](HWND owner, std::wstring_view text) {
      fixture.messages.push_back({owner, std::wstring(text)});
    };
    fixture.editor = std::make_unique<ScreenshotEditor>(
        GetModuleHandleW(nullptr), DesktopSnapshot{}, POINT{0, 0}, folder.path().wstring(),
        *fixture.registry, fixture.application, [&fixture] { ++fixture.closes; },
        std::move(seams));
    ASSERT_TRUE(fixture.open());
    fixture.drag({50, 60}, {250, 160});
    ASSERT_FALSE(fixture.editor->is_selecting());

    DialogAnswer answer;
    answer.answer = L"from_dialog.png";
    g_answer = &answer;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, &answer_dialog);
    SYSTEMTIME before{};
    GetSystemTime(&before);
    fixture.editor->save();
    SYSTEMTIME after{};
    GetSystemTime(&after);
    KillTimer(nullptr, timer);
    g_answer = nullptr;

    ASSERT_TRUE(answer.answered);
    EXPECT_EQ(answer.offered.rfind(L"Quorvel ", 0), 0u) << quorvel::test::utf8(answer.offered);
    const int hour = hour_of(answer.offered);
    EXPECT_TRUE(hour == before.wHour || hour == after.wHour)
        << quorvel::test::utf8(answer.offered) << " UTC hour " << before.wHour;
    SYSTEMTIME local{};
    GetLocalTime(&local);
    EXPECT_NE(local.wHour, after.wHour) << "the zone is not east of UTC";
    EXPECT_TRUE(fixture.messages.empty());
    EXPECT_TRUE(std::filesystem::exists(folder / L"from_dialog.png"));
    fixture.editor.reset();
  }
  CoUninitialize();
}

}  // namespace
}  // namespace quorvel::windows::test
