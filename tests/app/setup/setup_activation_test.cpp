// The setup trees on a real toolkit window, driven by real messages: clicks
// on their buttons and boxes, arrow keys in their combos, typing and Enter
// in their edits. Each control reports through exactly one callback; a tree
// built without handlers takes the same input without effect. With
// QUORVEL_CANVAS_PNG_DIR set the main tree and the sound panel are saved as
// PNGs to look at.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "app/setup/detail_contents.h"
#include "app/setup/preview_tree.h"
#include "app/setup/quality_row.h"
#include "app/setup/recording_size_card.h"
#include "tests/app/setup/recording_handlers.h"
#include "tests/app/setup/view_dump.h"
#include "tests/ui/views/graphics/paint_target.h"
#include "ui/platform/hosting/win32_combo_box.h"
#include "ui/platform/hosting/win32_edit.h"
#include "engine/com_apartment.h"
#include "ui/views/commands/command_table.h"
#include "ui/views/surface.h"
#include "ui/views/widgets/button.h"
#include "ui/views/widgets/check_box.h"
#include "ui/views/widgets/toggle.h"

namespace quorvel::windows {
namespace {

using Calls = std::vector<std::string>;
using win32_ui::modern::View;
using win32_ui::ui::graphics::test::DibTarget;
using win32_ui::ui::graphics::test::PopupWindow;

constexpr LPARAM kRepeatBit = LPARAM{1} << 30;

RecordingSetupState sample_state() {
  RecordingSetupState state;
  state.monitor_name = L"\\\\.\\DISPLAY2";
  state.monitor_width = 2560;
  state.monitor_height = 1440;
  state.presets = {{L"1920 \u00D7 1080", 1920, 1080}, {L"1280 \u00D7 720", 1280, 720},
                   {L"Custom", 0, 0}};
  state.preset_index = 0;
  state.frame_rate = 30;
  state.follow_mouse = true;
  state.recording_quality = {3, 8000};
  state.output_folder = L"C:\\Users\\me\\Videos";
  state.microphones = {L"Default", L"USB mic"};
  state.toggles = {true, true, true, false, false, false, false, false};
  state.record_enabled = true;
  state.custom_size = true;
  state.width = 1280;
  state.height = 720;
  return state;
}

// A tree shown on a popup window of the test display through a Surface.
class ShownTree {
 public:
  ShownTree(std::unique_ptr<View> tree, int width, int height)
      : window_(0, 0, width, height), width_(width), height_(height) {
    attached_ = surface_.attach(window_.hwnd(), win32_ui::Theme::light(win32_ui::kDefaultAccent));
    root_ = tree.get();
    surface_.set_content(std::move(tree));
    surface_.refresh();
  }
  ~ShownTree() { surface_.detach(); }

  bool attached() const { return attached_; }
  View& root() { return *root_; }

  // A left click at the centre of the view with `id`, in window pixels.
  void click(int id) {
    View* view = only(id);
    if (view == nullptr) return;
    const auto bounds = view->bounds_in_root();
    const float zoom = surface_.zoom();
    const LPARAM at = MAKELPARAM(static_cast<int>((bounds.x + bounds.width / 2) * zoom),
                                 static_cast<int>((bounds.y + bounds.height / 2) * zoom));
    SendMessageW(window_.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(window_.hwnd(), WM_LBUTTONUP, 0, at);
  }
  // The native window of the hosted control with `id`.
  HWND child(int id) {
    auto* host = dynamic_cast<win32_ui::modern::NativeHost*>(only(id));
    return host != nullptr ? host->hwnd() : nullptr;
  }
  void key_to(int id, WPARAM key, LPARAM flags = 1) {
    HWND window = child(id);
    ASSERT_NE(window, nullptr) << id;
    SetFocus(window);
    SendMessageW(window, WM_KEYDOWN, key, flags);
  }
  void type_into(int id, const wchar_t* text) {
    HWND window = child(id);
    ASSERT_NE(window, nullptr) << id;
    SetFocus(window);
    SendMessageW(window, EM_SETSEL, 0, -1);
    for (const wchar_t* c = text; *c != 0; ++c) SendMessageW(window, WM_CHAR, *c, 1);
  }
  void save_png(const std::string& name) {
    // The PNG encoder is a COM object.
    const ComApartment apartment(COINIT_APARTMENTTHREADED);
    RedrawWindow(window_.hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DibTarget shown(width_, height_);
    window_.read_back(shown);
    shown.save_png_if_asked(name);
  }
  win32_ui::modern::Surface& surface() { return surface_; }

 private:
  View* only(int id) {
    const auto found = test::find_all(*root_, id);
    EXPECT_EQ(found.size(), 1u) << id;
    return found.size() == 1 ? found[0] : nullptr;
  }

  PopupWindow window_;
  int width_;
  int height_;
  win32_ui::modern::Surface surface_;
  View* root_ = nullptr;
  bool attached_ = false;
};

class SetupActivationTest : public ::testing::Test {
 protected:
  std::unique_ptr<ShownTree> show_main(const RecordingSetupState& state) {
    handlers = recorder.make(L"en-US");
    auto shown = std::make_unique<ShownTree>(build_preview_tree(true, state, handlers, 2), 900,
                                             826);
    EXPECT_TRUE(shown->attached());
    return shown;
  }
  // The call log since the last look.
  Calls take() { return std::exchange(recorder.calls, {}); }

  // A UI thread of the program runs in a single-threaded apartment; the
  // header's pictures are decoded through COM when the tree is built.
  const ComApartment apartment{COINIT_APARTMENTTHREADED};
  test::RecordingHandlers recorder;
  PreviewHandlers handlers;
};

TEST_F(SetupActivationTest, MainTreeControlsReportThroughTheirOwnCallbacks) {
  auto shown = show_main(sample_state());
  shown->save_png("setup_main_tree.png");
  // Every header button drew its picture.
  for (const int id : {1, 3, 2, 4, 20832}) {
    auto* button = test::find_one<win32_ui::modern::Button>(shown->root(), id);
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->light_icon_cache().scaled().valid()) << id;
  }
  struct ClickCase {
    int id;
    const char* call;
  };
  const ClickCase clicks[] = {{1, "screenshot()"},
                              {3, "open_preferences()"},
                              {2, "open_theme_menu(0)"},
                              {4, "open_help_menu(0)"},
                              {20832, "close()"},
                              {20800, "open_picture_settings()"},
                              {5, "change_screen()"},
                              {20801, "open_sound_settings()"},
                              {14, "toggle1(false)"},
                              {15, "toggle2(false)"},
                              {13, "toggle0(false)"},
                              {20784, "record_to_file_switch(false)"},
                              {20802, "open_recording_settings()"},
                              {20785, "stream_live_switch(true)"},
                              {20769, "open_stream_window()"},
                              {6, "reselect_region()"}};
  for (const ClickCase& c : clicks) {
    shown->click(c.id);
    EXPECT_EQ(take(), Calls{c.call}) << c.id;
  }
}

TEST_F(SetupActivationTest, RecordButtonRunsItsCommandWithoutACallback) {
  auto shown = show_main(sample_state());
  auto* record = test::find_one<win32_ui::modern::Button>(shown->root(), kRecordButtonId);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->command(), std::optional<int>(kRecordCommandId));
  int started = 0;
  win32_ui::modern::CommandTable commands;
  ASSERT_TRUE(commands.add({kRecordCommandId, L"", [&] { ++started; }, nullptr, nullptr}));
  shown->surface().set_command_table(&commands);
  shown->surface().refresh();
  shown->click(kRecordButtonId);
  EXPECT_EQ(started, 1);
  EXPECT_TRUE(take().empty());
  shown->surface().set_command_table(nullptr);
}

TEST_F(SetupActivationTest, HeaderMenusTellAKeyboardInvokeFromAClick) {
  auto shown = show_main(sample_state());
  auto* theme = test::find_one<win32_ui::modern::Button>(shown->root(), 2);
  ASSERT_NE(theme, nullptr);
  theme->activate(win32_ui::modern::kInputKeyboard);
  shown->click(2);
  EXPECT_EQ(take(), (Calls{"open_theme_menu(1)", "open_theme_menu(0)"}));
}

TEST_F(SetupActivationTest, MainTreeCombosSendTheirMappedChoices) {
  auto shown = show_main(sample_state());
  shown->key_to(10, VK_DOWN);
  EXPECT_EQ(take(), Calls{"frame_rate(60)"});
  shown->key_to(10, VK_UP);
  EXPECT_EQ(take(), Calls{"frame_rate(30)"});
  shown->key_to(20803, VK_UP);
  EXPECT_EQ(take(), Calls{"follow_flag(false)"});
  shown->key_to(7, VK_DOWN);
  EXPECT_EQ(take(), Calls{"size_preset(1)"});
}

TEST_F(SetupActivationTest, WritableKbpsEditTakesTypingAndOneEnter) {
  handlers = recorder.make(L"en-US");
  ShownTree shown(make_recording_settings_content(sample_state(), handlers), 560, 286);
  ASSERT_TRUE(shown.attached());
  EXPECT_EQ(SendMessageW(shown.child(kRecordingKbpsEditId), EM_GETLIMITTEXT, 0, 0), 7);
  shown.type_into(kRecordingKbpsEditId, L"95");
  Calls typed = take();
  ASSERT_FALSE(typed.empty());
  EXPECT_EQ(typed.back(), "recording_text_edited(\"95\")");
  shown.key_to(kRecordingKbpsEditId, VK_RETURN);
  shown.key_to(kRecordingKbpsEditId, VK_RETURN, 1 | kRepeatBit);
  EXPECT_EQ(take(), Calls{"recording_quality(3, \"95\")"});
  shown.click(24);
  shown.click(25);
  EXPECT_EQ(take(), (Calls{"choose_folder()", "open_folder()"}));
}

TEST_F(SetupActivationTest, ReadOnlyKbpsEditSendsNothing) {
  RecordingSetupState state = sample_state();
  state.recording_quality = {1, 8000};
  handlers = recorder.make(L"en-US");
  ShownTree shown(make_recording_settings_content(state, handlers), 560, 286);
  ASSERT_TRUE(shown.attached());
  shown.type_into(kRecordingKbpsEditId, L"95");
  shown.key_to(kRecordingKbpsEditId, VK_RETURN);
  EXPECT_TRUE(take().empty());
}

TEST_F(SetupActivationTest, SizeEditsCommitOnceOnlyForACustomSize) {
  for (const bool custom : {true, false}) {
    RecordingSetupState state = sample_state();
    state.custom_size = custom;
    handlers = recorder.make(L"en-US");
    ShownTree shown(make_picture_settings_content(state, handlers), 560, 452);
    ASSERT_TRUE(shown.attached());
    shown.key_to(kWidthEditId, VK_RETURN);
    shown.key_to(kHeightEditId, VK_RETURN, 1 | kRepeatBit);
    EXPECT_EQ(take(), custom ? Calls{"custom_size(\"1280\", \"720\")"} : Calls{}) << custom;
  }
}

TEST_F(SetupActivationTest, SoundPanelRefreshesDevicesWhenTheListOpens) {
  handlers = recorder.make(L"en-US");
  ShownTree shown(make_sound_settings_content(sample_state(), handlers), 560, 332);
  ASSERT_TRUE(shown.attached());
  shown.save_png("setup_sound_panel.png");
  SendMessageW(shown.child(17), CB_SHOWDROPDOWN, TRUE, 0);
  SendMessageW(shown.child(17), CB_SHOWDROPDOWN, FALSE, 0);
  EXPECT_EQ(take(), Calls{"device_refresh()"});
  shown.key_to(17, VK_DOWN);
  EXPECT_EQ(take(), Calls{"microphone_choice(1)"});
}

TEST_F(SetupActivationTest, TreesWithoutHandlersTakeInputWithoutEffect) {
  const PreviewHandlers empty;
  ShownTree main(build_preview_tree(true, sample_state(), empty, 2), 900, 826);
  ASSERT_TRUE(main.attached());
  for (const int id : {1, 3, 2, 4, 20832, 20800, 5, 20801, 14, 15, 13, 20784, 20802, 20785,
                       20769, 6, 26}) {
    main.click(id);
  }
  for (const int id : {7, 10, 20803}) main.key_to(id, VK_DOWN);
  ShownTree picture(make_picture_settings_content(sample_state(), empty), 560, 452);
  picture.key_to(kWidthEditId, VK_RETURN);
  for (const int id : {11, 13, 12}) picture.click(id);
  ShownTree sound(make_sound_settings_content(sample_state(), empty), 560, 332);
  for (const int id : {14, 15, 16, 18, 19, 20, 21, 22, 23}) sound.click(id);
  sound.key_to(17, VK_DOWN);
  SendMessageW(sound.child(17), CB_SHOWDROPDOWN, TRUE, 0);
  SendMessageW(sound.child(17), CB_SHOWDROPDOWN, FALSE, 0);
  ShownTree output(make_recording_settings_content(sample_state(), empty), 560, 286);
  output.type_into(kRecordingKbpsEditId, L"9");
  output.key_to(kRecordingKbpsEditId, VK_RETURN);
  output.key_to(kRecordingQualityComboId, VK_UP);
  for (const int id : {20784, 24, 25}) output.click(id);
  // The input did arrive: the boxes flipped with nobody to tell.
  auto* system = test::find_one<win32_ui::modern::CheckBox>(main.root(), 14);
  ASSERT_NE(system, nullptr);
  EXPECT_FALSE(system->is_checked());
  auto* folder_switch = test::find_one<win32_ui::modern::Toggle>(output.root(), 20784);
  ASSERT_NE(folder_switch, nullptr);
  EXPECT_FALSE(folder_switch->is_checked());
}

}  // namespace
}  // namespace quorvel::windows
