#include "ui/platform/classic/window_view.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "tests/fakes/ui/platform/fake_theme_system.h"
#include "tests/ui/platform/theme/control_test_window.h"
#include "ui/platform/classic/button.h"
#include "ui/platform/classic/combo_box.h"
#include "ui/platform/classic/static_text.h"
#include "ui/platform/layout/grid_panel.h"
#include "ui/platform/layout/hwnd_element.h"
#include "ui/platform/theme/native_theme_registry.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/themed_menu_bar.h"
#include "ui/platform/theme/window_subclass.h"
#include "ui/views/graphics/gdi_handles.h"

namespace win32_ui {
namespace {

using layout::GridCell;
using layout::GridLength;
using layout::GridPanel;
using layout::HwndElement;
using test::rgb;
using C = ThemeColor;

constexpr int kOkId = 2;
constexpr int kApplyId = 3;

bool has_view_subclass(HWND window) {
  return find_window_subclass(window, &WindowView::subclass_procedure, kClassicWindowViewSubclass,
                              nullptr);
}
bool has_host_subclass(HWND window) {
  return find_window_subclass(window, &LayoutHost::subclass_procedure,
                              kClassicLayoutHostSubclass, nullptr);
}
bool has_registry_subclass(HWND window) {
  return find_window_subclass(window, &NativeThemeRegistry::subclass_procedure,
                              kThemeRegistrySubclass, nullptr);
}

RECT child_rect(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// A small settings row: a label, a combo box, OK and Apply. What its
// overridable steps do is chosen by the test.
class TestView : public WindowView {
 public:
  enum class Failure { kNone, kCreateControls, kNullLayout, kThrowingLayout };

  explicit TestView(Failure failure = Failure::kNone) : failure_(failure) {}

  int refreshes = 0;
  int ok_runs = 0;
  int apply_runs = 0;
  StaticText label;
  ComboBox combo;
  Button ok;
  Button apply;

  void refresh() override { ++refreshes; }

 protected:
  bool create_controls() override {
    if (failure_ == Failure::kCreateControls) return false;
    return label.create_static(hwnd(), L"Quality", 1, SS_LEFT) &&
           combo.create_combo_box(hwnd(), 4, CBS_DROPDOWNLIST) &&
           ok.create_button(hwnd(), L"OK", kOkId, BS_DEFPUSHBUTTON) &&
           apply.create_button(hwnd(), L"Apply", kApplyId, BS_PUSHBUTTON);
  }

  std::unique_ptr<layout::LayoutNode> build_layout() override {
    if (failure_ == Failure::kNullLayout) return nullptr;
    if (failure_ == Failure::kThrowingLayout) throw std::runtime_error("no layout");
    auto grid = std::make_unique<GridPanel>(
        std::vector<GridLength>{GridLength::automatic(), GridLength::star(),
                                GridLength::automatic(), GridLength::automatic()},
        std::vector<GridLength>{GridLength::automatic()}, 8.0f, 0.0f,
        layout::Thickness{12, 12, 12, 12});
    grid->add_child(HwndElement::for_control(label), GridCell{0, 0, 1, 1});
    grid->add_child(HwndElement::for_control(combo, 200.0f), GridCell{1, 0, 1, 1});
    grid->add_child(HwndElement::for_control(ok), GridCell{2, 0, 1, 1});
    grid->add_child(HwndElement::for_control(apply), GridCell{3, 0, 1, 1});
    return grid;
  }

  void bind_commands() override {
    modern::Command ok_command;
    ok_command.id = kOkId;
    ok_command.text = L"OK";
    ok_command.action = [this] { ++ok_runs; };
    commands().add(ok_command);
    modern::Command apply_command;
    apply_command.id = kApplyId;
    apply_command.text = L"Apply";
    apply_command.action = [this] { ++apply_runs; };
    apply_command.can_execute = [](unsigned) { return false; };
    commands().add(apply_command);
  }

 private:
  Failure failure_;
};

class WindowViewTest : public testing::Test {
 protected:
  WindowViewTest()
      : window_(480, 80),
        registry_(NativeThemeRegistry::create(kThemeModeLight, kDefaultAccent, system_)) {}

  quorvel::test::FakeThemeSystem system_;
  test::ControlTestWindow window_;
  std::unique_ptr<NativeThemeRegistry> registry_;
};

TEST_F(WindowViewTest, AttachCreatesLaysOutBindsRegistersAndRefreshes) {
  TestView view;
  ASSERT_TRUE(view.attach(window_.hwnd(), registry_.get()));
  EXPECT_TRUE(view.attached());
  EXPECT_EQ(view.hwnd(), window_.hwnd());
  EXPECT_EQ(view.theme_registry(), registry_.get());
  EXPECT_TRUE(has_view_subclass(window_.hwnd()));
  EXPECT_TRUE(has_host_subclass(window_.hwnd()));
  EXPECT_TRUE(has_registry_subclass(window_.hwnd()));
  EXPECT_EQ(view.refreshes, 1);
  EXPECT_EQ(view.commands().size(), 2u);
  EXPECT_TRUE(view.layout_host().has_theme());
  EXPECT_EQ(view.layout_host().theme(), registry_->theme());

  // Laid out left to right inside the padding, the buttons as tall as the
  // theme's controls.
  const RECT label = child_rect(view.label.hwnd());
  const RECT combo = child_rect(view.combo.hwnd());
  const RECT ok = child_rect(view.ok.hwnd());
  const RECT apply = child_rect(view.apply.hwnd());
  EXPECT_LT(label.right, combo.left);
  EXPECT_LT(combo.right, ok.left);
  EXPECT_LT(ok.right, apply.left);
  EXPECT_GT(ok.right - ok.left, 1);
  QUORVEL_REQUIRE_DPI(96);
  EXPECT_EQ(label.left, 12);
  EXPECT_EQ(ok.bottom - ok.top, 28);
  EXPECT_EQ(apply.right, 480 - 12);
}

TEST_F(WindowViewTest, FailedAttachLeavesNoSubclassBehind) {
  const struct {
    const char* name;
    TestView::Failure failure;
  } cases[] = {
      {"create_controls fails", TestView::Failure::kCreateControls},
      {"build_layout returns null", TestView::Failure::kNullLayout},
      {"build_layout throws", TestView::Failure::kThrowingLayout},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestView view(c.failure);
    EXPECT_FALSE(view.attach(window_.hwnd(), registry_.get()));
    EXPECT_FALSE(view.attached());
    EXPECT_EQ(view.hwnd(), nullptr);
    EXPECT_EQ(view.theme_registry(), nullptr);
    EXPECT_EQ(view.commands().size(), 0u);
    EXPECT_EQ(view.layout_host().root(), nullptr);
    EXPECT_EQ(view.refreshes, 0);
    EXPECT_FALSE(has_view_subclass(window_.hwnd()));
    EXPECT_FALSE(has_host_subclass(window_.hwnd()));
    EXPECT_FALSE(has_registry_subclass(window_.hwnd()));
  }
}

TEST_F(WindowViewTest, RefusesBadWindowsNoRegistryAndASecondAttach) {
  TestView unattached;
  EXPECT_FALSE(unattached.attach(nullptr, registry_.get()));
  EXPECT_FALSE(unattached.attach(window_.hwnd(), nullptr));
  EXPECT_FALSE(has_view_subclass(window_.hwnd()));

  TestView view;
  ASSERT_TRUE(view.attach(window_.hwnd(), registry_.get()));
  test::ControlTestWindow other;
  EXPECT_FALSE(view.attach(other.hwnd(), registry_.get()));
  EXPECT_EQ(view.hwnd(), window_.hwnd());
  EXPECT_FALSE(has_view_subclass(other.hwnd()));
}

TEST_F(WindowViewTest, HandleCommandRunsBoundCommandsOnly) {
  TestView view;
  ASSERT_TRUE(view.attach(window_.hwnd(), registry_.get()));
  const struct {
    const char* name;
    unsigned id;
    HWND source;
    int result;
    int ok_runs;
  } cases[] = {
      {"bound, from its button", MAKEWPARAM(kOkId, BN_CLICKED), view.ok.hwnd(), 2, 1},
      {"bound, from a menu", kOkId, nullptr, 2, 2},
      {"refused by its predicate", kApplyId, view.apply.hwnd(), 1, 2},
      {"unknown", 99, nullptr, 0, 2},
      {"a notification of the button", MAKEWPARAM(kOkId, BN_SETFOCUS), view.ok.hwnd(), 0, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(view.handle_command(c.id, c.source), c.result);
    EXPECT_EQ(view.ok_runs, c.ok_runs);
  }
  EXPECT_EQ(view.apply_runs, 0);
}

TEST_F(WindowViewTest, DestroyedWindowIsNeverTouchedAgain) {
  auto view = std::make_unique<TestView>();
  ASSERT_TRUE(view->attach(window_.hwnd(), registry_.get()));
  DestroyWindow(window_.hwnd());
  EXPECT_EQ(view->hwnd(), nullptr);
  EXPECT_FALSE(view->attached());
  EXPECT_EQ(view->theme_registry(), nullptr);
  EXPECT_EQ(view->ok.hwnd(), nullptr);
  view->apply_theme(Theme::dark(kDefaultAccent));
  view.reset();
}

TEST_F(WindowViewTest, DestructorDetachesFromALiveWindow) {
  {
    TestView view;
    ASSERT_TRUE(view.attach(window_.hwnd(), registry_.get()));
  }
  EXPECT_TRUE(IsWindow(window_.hwnd()));
  EXPECT_FALSE(has_view_subclass(window_.hwnd()));
  EXPECT_FALSE(has_host_subclass(window_.hwnd()));
  EXPECT_FALSE(has_registry_subclass(window_.hwnd()));
  // Another view may take the window now.
  TestView next;
  EXPECT_TRUE(next.attach(window_.hwnd(), registry_.get()));
}

TEST_F(WindowViewTest, ApplyThemeRelaysOutAndRepaintsInTheRegistrysColours) {
  TestView view;
  ASSERT_TRUE(view.attach(window_.hwnd(), registry_.get()));
  Theme taller = Theme::light(kDefaultAccent);
  taller.metrics[static_cast<std::size_t>(ThemeMetric::control_height)] = 40;
  ASSERT_TRUE(registry_->set_mode(kThemeModeDark));
  view.apply_theme(taller);
  EXPECT_EQ(view.layout_host().theme(), taller);

  test::DibTarget target(20, 10);
  SendMessageW(view.label.hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(target.dc()),
               PRF_CLIENT);
  EXPECT_EQ(target.pixel(1, 1), rgb(registry_->theme().color(C::window_background)));
  QUORVEL_REQUIRE_DPI(96);
  const RECT ok = child_rect(view.ok.hwnd());
  EXPECT_EQ(ok.bottom - ok.top, 40);
}

// Reads the whole window, frame and menu bar included, as the screen shows it.
void read_window(HWND window, test::DibTarget& target) {
  HDC dc = GetWindowDC(window);
  BitBlt(target.dc(), 0, 0, target.width(), target.height(), dc, 0, 0, SRCCOPY);
  ReleaseDC(window, dc);
  GdiFlush();
}

TEST_F(WindowViewTest, ClassicWindowWithAThemedMenuShowsTheDarkTheme) {
  ASSERT_TRUE(registry_->set_mode(kThemeModeDark));
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, 101, L"&Open\tCtrl+O");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(file, MF_STRING, 102, L"E&xit");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  AppendMenuW(bar, MF_STRING, 103, L"&Help");
  ASSERT_TRUE(SetMenu(window_.hwnd(), bar));
  ThemedMenuBar menu(window_.hwnd(), bar);
  // Declared before the view: the controls go before their font.
  const modern::detail::UniqueGdiObject font_owner(CreateFontW(
      -13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
  const HFONT font = static_cast<HFONT>(font_owner.get());

  TestView view;
  ASSERT_TRUE(view.attach(window_.hwnd(), registry_.get(), &menu));
  for (Control* control : std::initializer_list<Control*>{&view.label, &view.combo, &view.ok,
                                                          &view.apply}) {
    control->set_font(font, true);
  }
  // The window's own font change makes the layout measure the controls again.
  SendMessageW(window_.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  view.combo.add_item(L"1080p, 60 frames per second");
  view.combo.set_selection(0);
  RedrawWindow(window_.hwnd(), nullptr, nullptr,
               RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  menu.paint_menu_bar_line();
  test::pump_messages();

  RECT frame{};
  GetWindowRect(window_.hwnd(), &frame);
  test::DibTarget target(frame.right - frame.left, frame.bottom - frame.top);
  read_window(window_.hwnd(), target);
  test::save_png_if_asked(target, "classic_window_dark.png");

  const Theme& theme = registry_->theme();
  // The right end of the "Help" item, clear of its label.
  RECT help{};
  ASSERT_TRUE(GetMenuItemRect(window_.hwnd(), bar, 1, &help));
  EXPECT_EQ(target.pixel(help.right - frame.left - 2, (help.top + help.bottom) / 2 - frame.top),
            rgb(theme.color(C::window_background)));
  POINT client_origin{0, 0};
  ClientToScreen(window_.hwnd(), &client_origin);
  const int client_x = client_origin.x - frame.left;
  const int client_y = client_origin.y - frame.top;
  EXPECT_EQ(target.pixel(client_x + 2, client_y + 4), rgb(theme.color(C::window_background)));
  // The default button is an accent one.
  const RECT ok = child_rect(view.ok.hwnd());
  EXPECT_EQ(target.pixel(client_x + ok.left + 3, client_y + (ok.top + ok.bottom) / 2),
            rgb(theme.color(C::accent)));
}

}  // namespace
}  // namespace win32_ui
