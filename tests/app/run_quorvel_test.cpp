#include "app/run_quorvel.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/utf8_conversion.h"
#include "tests/app/app_test_fixture.h"

namespace quorvel::windows {
namespace {

TEST(TraySwitch, CountsAnywhereInTheCommandLineButNeverInAShortOne) {
  const struct {
    const wchar_t* command_line;
    bool expected;
  } cases[] = {
      {L"--tray", true},     {L"x--trayx", true}, {L"/a --tray /b", true},
      {L"", false},          {L"--tra", false},   {L"--TRAY", false},
      {L"-tray", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(quorvel::windows::utf16_to_utf8(c.command_line));
    EXPECT_EQ(has_tray_switch(c.command_line), c.expected);
  }
}

TEST(Utf16ToUtf8, ConvertsAndKeepsEmptyEmpty) {
  EXPECT_EQ(utf16_to_utf8(L""), "");
  EXPECT_EQ(utf16_to_utf8(L"Quorvel"), "Quorvel");
  EXPECT_EQ(utf16_to_utf8(L"\u5f55\u5c4f \U0001F3A5"), "\xe5\xbd\x95\xe5\xb1\x8f \xf0\x9f\x8e\xa5");
}

LRESULT CALLBACK other_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(window, message, wparam, lparam);
}

TEST_F(AppTest, TakenWindowClassFailsTheStartWithTheFixedText) {
  WNDCLASSEXW taken{};
  taken.cbSize = sizeof(taken);
  taken.lpfnWndProc = &other_procedure;
  taken.hInstance = GetModuleHandleW(nullptr);
  taken.lpszClassName = L"QuorvelMessageHost";
  ASSERT_NE(RegisterClassExW(&taken), 0);
  std::vector<std::pair<std::wstring, std::wstring>> boxes;
  AppPlatform platform = make_platform();
  platform.failure_box = [&boxes](std::wstring_view text, std::wstring_view caption) {
    boxes.emplace_back(text, caption);
  };

  const int code = run_quorvel(GetModuleHandleW(nullptr), L"", SW_SHOWNORMAL, std::move(platform));

  UnregisterClassW(L"QuorvelMessageHost", GetModuleHandleW(nullptr));
  EXPECT_EQ(code, 1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].first, L"failed to register window classes");
  EXPECT_EQ(boxes[0].second, L"Quorvel failed to start");
  // The failed App gave its other classes back: a new one starts.
  App& app = start();
  EXPECT_NE(AppTestAccess::host_window(app), nullptr);
}

}  // namespace
}  // namespace quorvel::windows
