#include "ui/platform/classic/control.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/ui/platform/theme/control_test_window.h"
#include "ui/platform/classic/button.h"
#include "ui/platform/classic/combo_box.h"
#include "ui/platform/classic/static_text.h"
#include "ui/platform/layout/hwnd_element.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui {
namespace {

bool has_control_subclass(HWND window) {
  return find_window_subclass(window, &Control::subclass_procedure, kClassicControlSubclass,
                              nullptr);
}

std::wstring class_of(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring text_of(HWND window) {
  wchar_t text[64] = {};
  GetWindowTextW(window, text, 64);
  return text;
}

SIZE window_size(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

TEST(ControlTest, CreateOperationsMakeSubclassedChildrenOfOnePixel) {
  test::ControlTestWindow window;
  Button button;
  StaticText label;
  ComboBox combo;
  ASSERT_TRUE(button.create_button(window.hwnd(), L"Go", 42, BS_DEFPUSHBUTTON));
  ASSERT_TRUE(label.create_static(window.hwnd(), L"Name", 43, SS_RIGHT));
  ASSERT_TRUE(combo.create_combo_box(window.hwnd(), 44, CBS_DROPDOWNLIST));

  const struct {
    const char* name;
    HWND hwnd;
    const wchar_t* window_class;
    const wchar_t* text;
    int id;
    DWORD style;
  } cases[] = {
      {"button", button.hwnd(), L"Button", L"Go", 42, BS_DEFPUSHBUTTON},
      {"static", label.hwnd(), L"Static", L"Name", 43, SS_RIGHT},
      {"combo box", combo.hwnd(), L"ComboBox", L"", 44, CBS_DROPDOWNLIST},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(c.hwnd, nullptr);
    EXPECT_EQ(GetParent(c.hwnd), window.hwnd());
    EXPECT_EQ(_wcsicmp(class_of(c.hwnd).c_str(), c.window_class), 0);
    EXPECT_EQ(text_of(c.hwnd), c.text);
    EXPECT_EQ(GetDlgCtrlID(c.hwnd), c.id);
    const LONG_PTR style = GetWindowLongPtrW(c.hwnd, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
    EXPECT_EQ(style & c.style, static_cast<LONG_PTR>(c.style));
    EXPECT_EQ(window_size(c.hwnd).cx, 1);
    EXPECT_TRUE(has_control_subclass(c.hwnd));
  }
  EXPECT_EQ(window_size(button.hwnd()).cy, 1);
  EXPECT_EQ(window_size(label.hwnd()).cy, 1);
}

TEST(ControlTest, RefusesADeadParentAndAMissingClass) {
  HWND dead = nullptr;
  {
    test::ControlTestWindow gone;
    dead = gone.hwnd();
  }
  test::ControlTestWindow window;
  const struct {
    const char* name;
    HWND parent;
    const wchar_t* window_class;
  } cases[] = {
      {"null parent", nullptr, L"BUTTON"},
      {"dead parent", dead, L"BUTTON"},
      {"no class", window.hwnd(), L""},
      {"unknown class", window.hwnd(), L"NoSuchQuorvelClass"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Control control;
    ControlCreateParams params;
    params.parent = c.parent;
    params.class_name = c.window_class;
    EXPECT_FALSE(control.create(params));
    EXPECT_EQ(control.hwnd(), nullptr);
  }
}

TEST(ControlTest, CreatingAgainReplacesTheEarlierWindow) {
  test::ControlTestWindow window;
  Button button;
  ASSERT_TRUE(button.create_button(window.hwnd(), L"First", 1));
  const HWND first = button.hwnd();
  ASSERT_TRUE(button.create_button(window.hwnd(), L"Second", 2));
  EXPECT_FALSE(IsWindow(first));
  EXPECT_NE(button.hwnd(), nullptr);
  EXPECT_EQ(text_of(button.hwnd()), L"Second");
}

TEST(ControlTest, ParentDestroyedFirstLeavesTheControlEmpty) {
  auto window = std::make_unique<test::ControlTestWindow>();
  auto button = std::make_unique<Button>();
  ASSERT_TRUE(button->create_button(window->hwnd(), L"Go", 1));
  const HWND old = button->hwnd();
  window.reset();
  EXPECT_FALSE(IsWindow(old));
  EXPECT_EQ(button->hwnd(), nullptr);

  // Its destructor has nothing left to destroy: windows made since stay.
  test::ControlTestWindow later;
  HWND survivor = later.add_child(L"BUTTON", L"Stay", BS_PUSHBUTTON, {0, 0, 50, 20});
  button->destroy_window();
  button.reset();
  EXPECT_TRUE(IsWindow(survivor));
  EXPECT_TRUE(IsWindow(later.hwnd()));
}

TEST(ControlTest, DestroyingTheControlDestroysItsWindow) {
  test::ControlTestWindow window;
  HWND made = nullptr;
  {
    Button button;
    ASSERT_TRUE(button.create_button(window.hwnd(), L"Go", 1));
    made = button.hwnd();
    button.destroy_window();
    EXPECT_EQ(button.hwnd(), nullptr);
    EXPECT_FALSE(IsWindow(made));
    ASSERT_TRUE(button.create_button(window.hwnd(), L"Again", 1));
    made = button.hwnd();
  }
  EXPECT_FALSE(IsWindow(made));
}

TEST(ControlTest, SetFontReachesTheWindow) {
  test::ControlTestWindow window;
  Button button;
  HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  button.set_font(font, false);  // no window yet: nothing happens
  ASSERT_TRUE(button.create_button(window.hwnd(), L"Go", 1));
  button.set_font(font, true);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(button.hwnd(), WM_GETFONT, 0, 0)), font);
  button.destroy_window();
  DeleteObject(font);
}

TEST(ComboBoxTest, AddsItemsAndSelects) {
  test::ControlTestWindow window;
  ComboBox combo;
  EXPECT_EQ(combo.add_item(L"none"), -1);
  EXPECT_FALSE(combo.set_selection(0));

  ASSERT_TRUE(combo.create_combo_box(window.hwnd(), 7, CBS_DROPDOWNLIST));
  EXPECT_EQ(combo.add_item(L"720p"), 0);
  EXPECT_EQ(combo.add_item(L"1080p"), 1);
  EXPECT_TRUE(combo.set_selection(1));
  EXPECT_EQ(SendMessageW(combo.hwnd(), CB_GETCURSEL, 0, 0), 1);
  EXPECT_FALSE(combo.set_selection(5));
}

TEST(ComboBoxTest, SelectingMinusOneClearsTheSelectionAndReportsFalse) {
  test::ControlTestWindow window;
  ComboBox combo;
  ASSERT_TRUE(combo.create_combo_box(window.hwnd(), 7, CBS_DROPDOWNLIST));
  combo.add_item(L"720p");
  ASSERT_TRUE(combo.set_selection(0));
  EXPECT_FALSE(combo.set_selection(-1));
  EXPECT_EQ(SendMessageW(combo.hwnd(), CB_GETCURSEL, 0, 0), CB_ERR);
}

TEST(HwndElementForControlTest, LeafNamesTheControlsWindowAndItsWindowHeight) {
  test::ControlTestWindow window;
  ComboBox combo;
  ASSERT_TRUE(combo.create_combo_box(window.hwnd(), 7, CBS_DROPDOWNLIST));
  const auto plain = layout::HwndElement::for_control(combo);
  EXPECT_EQ(plain->hwnd(), combo.hwnd());
  EXPECT_FALSE(plain->window_height().has_value());
  const auto with_list = layout::HwndElement::for_control(combo, 180.0f);
  ASSERT_TRUE(with_list->window_height().has_value());
  EXPECT_EQ(*with_list->window_height(), 180.0f);
}

}  // namespace
}  // namespace win32_ui
