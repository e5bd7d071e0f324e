// The native half of toolkit windows: refused creations leave a live window
// working, hook answers and exceptions, and the unbinding on destruction.
#include "ui/platform/scaffold/native_window.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

namespace win32_ui::scaffold {
namespace {

constexpr UINT kProbe = WM_APP + 0x2A;

NativeWindow::Hook answering_probe(int& seen) {
  return [&seen](UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (message != kProbe) return std::nullopt;
    ++seen;
    return 42;
  };
}

TEST(NativeWindow, ASecondCreateIsRefusedAndTheLiveWindowKeepsItsHook) {
  NativeWindow native;
  int first_seen = 0;
  int second_seen = 0;
  ASSERT_TRUE(native.create(L"Native", nullptr, nullptr, WS_OVERLAPPEDWINDOW, 0,
                            answering_probe(first_seen)));
  const HWND hwnd = native.hwnd();

  EXPECT_FALSE(native.create(L"Again", nullptr, nullptr, WS_OVERLAPPEDWINDOW, 0,
                             answering_probe(second_seen)));

  EXPECT_EQ(native.hwnd(), hwnd);
  EXPECT_EQ(SendMessageW(hwnd, kProbe, 0, 0), 42);
  EXPECT_EQ(first_seen, 1);
  EXPECT_EQ(second_seen, 0);
}

TEST(NativeWindow, RefusesAnEmptyHook) {
  NativeWindow native;
  EXPECT_FALSE(native.create(L"Native", nullptr, nullptr, WS_OVERLAPPEDWINDOW, 0, nullptr));
  EXPECT_EQ(native.hwnd(), nullptr);
  EXPECT_FALSE(native.is_open());
}

TEST(NativeWindow, AThrowingHookGetsTheDefaultAnswerAndDestructionUnbinds) {
  NativeWindow native;
  ASSERT_TRUE(native.create(L"Native", nullptr, nullptr, WS_OVERLAPPEDWINDOW, 0,
                            [](UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
                              if (message == WM_GETTEXTLENGTH) throw std::runtime_error("hook");
                              return std::nullopt;
                            }));
  const HWND hwnd = native.hwnd();

  EXPECT_EQ(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0), 6) << "DefWindowProcW's answer";

  native.destroy();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(native.hwnd(), nullptr);
  // Created again on the same object after the destruction.
  int seen = 0;
  ASSERT_TRUE(native.create(L"Native", nullptr, nullptr, WS_OVERLAPPEDWINDOW, 0,
                            answering_probe(seen)));
  EXPECT_EQ(SendMessageW(native.hwnd(), kProbe, 0, 0), 42);
}

}  // namespace
}  // namespace win32_ui::scaffold
