#include "ui/platform/theme/window_subclass.h"

#include <gtest/gtest.h>

#include "tests/ui/platform/theme/control_test_window.h"

namespace win32_ui {
namespace {

constexpr UINT_PTR kTestId = 0x54455354;  // "TEST"
constexpr UINT kProbe = WM_APP + 7;

LRESULT CALLBACK answering_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                     UINT_PTR, DWORD_PTR reference) {
  if (message == kProbe) return static_cast<LRESULT>(reference);
  return default_subclass_proc(window, message, wparam, lparam);
}

LRESULT CALLBACK throwing_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR, DWORD_PTR) {
  return guarded_subclass_call(window, message, wparam, lparam, [&]() -> LRESULT {
    if (message == kProbe) throw std::runtime_error("probe");
    return default_subclass_proc(window, message, wparam, lparam);
  });
}

TEST(WindowSubclassTest, FindsTheReferenceDataOfAnInstalledSubclassUntilRemoved) {
  test::ControlTestWindow window;
  HWND child = window.add_child(L"STATIC", L"", SS_LEFT, {0, 0, 50, 20});
  DWORD_PTR reference = 0;
  EXPECT_FALSE(find_window_subclass(child, &answering_procedure, kTestId, &reference));

  ASSERT_TRUE(install_window_subclass(child, &answering_procedure, kTestId, 1234));
  EXPECT_TRUE(find_window_subclass(child, &answering_procedure, kTestId, &reference));
  EXPECT_EQ(reference, 1234u);
  EXPECT_EQ(SendMessageW(child, kProbe, 0, 0), 1234);
  // Another id is another subclass.
  EXPECT_FALSE(find_window_subclass(child, &answering_procedure, kTestId + 1, nullptr));

  EXPECT_TRUE(remove_window_subclass(child, &answering_procedure, kTestId));
  EXPECT_FALSE(find_window_subclass(child, &answering_procedure, kTestId, &reference));
  EXPECT_EQ(SendMessageW(child, kProbe, 0, 0), 0);
}

TEST(WindowSubclassTest, NullWindowHasNoSubclass) {
  EXPECT_FALSE(install_window_subclass(nullptr, &answering_procedure, kTestId, 1));
  EXPECT_FALSE(find_window_subclass(nullptr, &answering_procedure, kTestId, nullptr));
  EXPECT_FALSE(remove_window_subclass(nullptr, &answering_procedure, kTestId));
}

TEST(WindowSubclassTest, AnExceptionInTheHandlingEndsInDefaultProcessing) {
  test::ControlTestWindow window;
  HWND child = window.add_child(L"STATIC", L"", SS_LEFT, {0, 0, 50, 20});
  ASSERT_TRUE(install_window_subclass(child, &throwing_procedure, kTestId, 0));
  EXPECT_EQ(SendMessageW(child, kProbe, 0, 0), 0);
  EXPECT_TRUE(IsWindow(child));
  EXPECT_TRUE(remove_window_subclass(child, &throwing_procedure, kTestId));
}

}  // namespace
}  // namespace win32_ui
