// The setup window manager on real toolkit windows of the test display:
// a real Application with the product catalogue, the real main window and
// detail windows, real pop-up menus, driven by real messages, against a
// fake shell that logs its callbacks and pushes each change back. With
// QUORVEL_CANVAS_PNG_DIR set the main window and a detail window are saved
// as PNGs to look at.
#include "app/setup/modern_recording_preview.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/common/text_catalog.h"
#include "app/setup/preview_tree.h"
#include "app/setup/quality_row.h"
#include "app/setup/view_lookup.h"
#include "app/common/translate.h"
#include "engine/com_apartment.h"
#include "tests/app/setup/preview_test_fixture.h"
#include "tests/ui/views/graphics/paint_target.h"
#include "ui/platform/hosting/win32_combo_box.h"
#include "ui/platform/theme/window_subclass.h"
#include "ui/views/menus/menu_item.h"
#include "ui/views/widgets/slider.h"
#include "ui/views/widgets/widget.h"

namespace quorvel::windows {
namespace {

using test::Calls;
using test::kTitleTextId;
using test::pump;
using test::sample_state;
using test::window_text;
using win32_ui::modern::Widget;

class ModernRecordingPreviewTest : public test::PreviewFixture {};

// ---- Showing ----

TEST_F(ModernRecordingPreviewTest, ShowOpensAnUnownedTitledSubclassedWindowWithIcons) {
  open();
  ASSERT_TRUE(IsWindow(main()));
  EXPECT_TRUE(preview->is_visible());
  EXPECT_EQ(GetWindow(main(), GW_OWNER), nullptr);
  EXPECT_EQ(window_text(main()), L"Quorvel \u2014 New recording");
  EXPECT_TRUE(win32_ui::find_window_subclass(main(), main_window_subclass_proc,
                                             kMainWindowSubclassId, nullptr));
  EXPECT_NE(SendMessageW(main(), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(main(), WM_GETICON, ICON_SMALL, 0), 0);
  application.set_language(L"zh-CN");
  EXPECT_EQ(window_text(main()), L"Quorvel \u2014 \u65B0\u5EFA\u5F55\u5236");
  save_png(main(), "preview_main_window.png");
}

TEST_F(ModernRecordingPreviewTest, ASecondShowOnlyActivatesAndANewWindowRebindsCtrlR) {
  open();
  HWND first = main();
  Widget* tree = title_text();
  EXPECT_TRUE(preview->show());
  EXPECT_EQ(main(), first);
  EXPECT_EQ(title_text(), tree);

  DestroyWindow(first);
  EXPECT_FALSE(preview->is_open());
  ASSERT_TRUE(preview->show());
  pump();
  EXPECT_NE(main(), nullptr);
  EXPECT_EQ(host_of_main().surface().shortcuts().shortcuts().size(), 1u);
  press_ctrl_r(false);
  EXPECT_EQ(shell.take(), Calls{"start()"});
}

// ---- The record command ----

TEST_F(ModernRecordingPreviewTest, CtrlRStartsOnlyWhenRecordingCanStart) {
  const struct {
    bool record_enabled;
    OutputMode mode;
    bool repeat;
    Calls expected;
  } cases[] = {{true, OutputMode::kFileOnly, false, {"start()"}},
               {false, OutputMode::kFileOnly, false, {}},
               {true, OutputMode::kNone, false, {}},
               {true, OutputMode::kFileOnly, true, {}},
               {true, OutputMode::kLiveOnly, false, {"start()"}}};
  open();
  for (const auto& c : cases) {
    shell.state.record_enabled = c.record_enabled;
    shell.state.output_mode = c.mode;
    shell.push(*preview);
    pump();
    press_ctrl_r(c.repeat);
    EXPECT_EQ(shell.take(), c.expected)
        << c.record_enabled << " mode " << static_cast<int>(c.mode) << " repeat " << c.repeat;
  }
}

TEST_F(ModernRecordingPreviewTest, TheRecordButtonStartsOnce) {
  open();
  click_main(kRecordButtonId);
  EXPECT_EQ(shell.take(), Calls{"start()"});
}

TEST_F(ModernRecordingPreviewTest, EnablingRecordingInModeThreeKeepsTheButtonOffWithoutRebuild) {
  shell.state.output_mode = OutputMode::kNone;
  shell.state.record_enabled = false;
  open();
  Widget* tree = title_text();
  preview->set_recording_enabled(true);
  pump();
  EXPECT_EQ(title_text(), tree);
  ASSERT_NE(main_surface().find_widget(kRecordButtonId), nullptr);
  EXPECT_FALSE(main_surface().find_widget(kRecordButtonId)->is_enabled());
  EXPECT_TRUE(preview->state().record_enabled);
}

// ---- Window events ----

TEST_F(ModernRecordingPreviewTest, ACloseRequestHidesEverythingUnlessTheShellRefuses) {
  const struct {
    bool with_close;
    bool answer;
    bool hidden;
    Calls calls;
  } cases[] = {{false, true, true, {}},
               {true, true, true, {"close()"}},
               {true, false, false, {"close()"}}};
  for (const auto& c : cases) {
    preview = std::make_unique<ModernRecordingPreview>(GetModuleHandleW(nullptr),
                                                       message_window, application);
    shell.close_answer = c.answer;
    open(c.with_close);
    open_picture_window();
    SendMessageW(main(), WM_CLOSE, 0, 0);
    pump();
    EXPECT_EQ(shell.take(), c.calls);
    EXPECT_TRUE(IsWindow(main())) << "the main window is never destroyed by a close";
    EXPECT_EQ(IsWindowVisible(main()) == FALSE, c.hidden);
    EXPECT_EQ(!preview->picture_window().is_open(), c.hidden);
  }
}

TEST_F(ModernRecordingPreviewTest, MinimisingHidesEverythingAndDestroysTheDetailWindows) {
  open();
  open_sound_window();
  ShowWindow(main(), SW_MINIMIZE);
  pump();
  EXPECT_TRUE(IsWindow(main()));
  EXPECT_FALSE(IsWindowVisible(main()));
  EXPECT_FALSE(preview->sound_window().is_open());
}

TEST_F(ModernRecordingPreviewTest, MovingOrResizingClosesTheMenus) {
  open();
  const struct {
    const char* what;
    int dx;
    int dy;
  } moves[] = {{"move", 40, 0}, {"resize", 0, 30}};
  for (const auto& move : moves) {
    click_main(4);
    pump();
    ASSERT_TRUE(preview->help_menu().is_visible()) << move.what;
    RECT bounds{};
    GetWindowRect(main(), &bounds);
    if (move.dx != 0) {
      SetWindowPos(main(), nullptr, bounds.left + move.dx, bounds.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      SetWindowPos(main(), nullptr, 0, 0, bounds.right - bounds.left,
                   bounds.bottom - bounds.top + move.dy, SWP_NOMOVE | SWP_NOZORDER);
    }
    pump();
    EXPECT_FALSE(preview->help_menu().is_visible()) << move.what;
  }
}

TEST_F(ModernRecordingPreviewTest, DestroyingTheMainWindowDestroysTheDetailWindows) {
  open();
  open_recording_window();
  HWND detail = preview->recording_window().hwnd();
  DestroyWindow(main());
  pump();
  EXPECT_FALSE(IsWindow(detail));
  EXPECT_FALSE(preview->is_open());
  EXPECT_TRUE(shell.take().empty());
}

// ---- Refreshes ----

TEST_F(ModernRecordingPreviewTest, TwoChangedRefreshesPostOneRebuildShowingTheSecondState) {
  open();
  Widget* tree = title_text();
  shell.state.output_mode = OutputMode::kLiveOnly;
  shell.push(*preview);
  shell.state.output_mode = OutputMode::kFileAndLive;
  shell.push(*preview);
  EXPECT_EQ(title_text(), tree) << "nothing is rebuilt before the message runs";
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, main(), kDeferredRebuildMessage, kDeferredRebuildMessage,
                           PM_REMOVE));
  EXPECT_FALSE(PeekMessageW(&message, main(), kDeferredRebuildMessage, kDeferredRebuildMessage,
                            PM_NOREMOVE));
  DispatchMessageW(&message);
  EXPECT_NE(title_text(), tree);
  Widget* record = main_surface().find_widget(kRecordButtonId);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->text(), translate_for_locale(L"en-US", L"stream.start_both"));
}

TEST_F(ModernRecordingPreviewTest, ARebuildQueuedForADestroyedMainWindowLeavesTheNextOneRebuilding) {
  open();
  shell.state.output_mode = OutputMode::kLiveOnly;
  shell.push(*preview);
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, main(), kDeferredRebuildMessage, kDeferredRebuildMessage,
                           PM_NOREMOVE));
  // The queued rebuild goes with its window.
  DestroyWindow(main());
  pump();
  ASSERT_FALSE(preview->is_open());

  ASSERT_TRUE(preview->show());
  pump();
  Widget* tree = title_text();
  ASSERT_NE(tree, nullptr);
  application.set_language(L"zh-CN");
  shell.state.output_mode = OutputMode::kFileAndLive;
  shell.push(*preview);
  ASSERT_TRUE(PeekMessageW(&message, main(), kDeferredRebuildMessage, kDeferredRebuildMessage,
                           PM_NOREMOVE));
  pump();
  EXPECT_NE(title_text(), tree) << "the new window rebuilt its tree";
  Widget* record = main_surface().find_widget(kRecordButtonId);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->text(), translate_for_locale(L"zh-CN", L"stream.start_both"));
}

TEST_F(ModernRecordingPreviewTest, SliderValuesAloneUpdateTheOpenDetailWindowsInPlace) {
  open();
  open_picture_window();
  Widget* tree = title_text();
  shell.state.follow_strength = 0.56f;
  shell.state.system_gain = 0.25f;
  shell.push(*preview);
  MSG message;
  EXPECT_FALSE(PeekMessageW(&message, main(), kDeferredRebuildMessage, kDeferredRebuildMessage,
                            PM_NOREMOVE));
  pump();
  EXPECT_EQ(title_text(), tree);
  auto& picture = preview->picture_window().host().surface();
  auto* slider = dynamic_cast<win32_ui::modern::Slider*>(picture.find_widget(12));
  ASSERT_NE(slider, nullptr);
  EXPECT_FLOAT_EQ(slider->value(), 0.56f);
  ASSERT_NE(picture.find_widget(28), nullptr);
  EXPECT_EQ(picture.find_widget(28)->text(), L"Follow strength  56%");
  EXPECT_EQ(main_surface().find_widget(12), nullptr) << "the main window has no sliders";
  EXPECT_TRUE(shell.take().empty());

  SendMessageW(preview->picture_window().hwnd(), WM_CLOSE, 0, 0);
  pump();
  open_sound_window();
  shell.state.microphone_gain = 1.0f;
  shell.push(*preview);
  auto& sound = preview->sound_window().host().surface();
  ASSERT_NE(sound.find_widget(29), nullptr);
  EXPECT_EQ(sound.find_widget(29)->text(), L"System gain  50%");
  EXPECT_EQ(sound.find_widget(30)->text(), L"Microphone gain  200%");
  EXPECT_TRUE(shell.take().empty());
}

TEST_F(ModernRecordingPreviewTest, ARefreshWhileClosedIsShownByTheNextShow) {
  shell.install(*preview);
  shell.state.output_mode = OutputMode::kLiveOnly;
  shell.push(*preview);
  EXPECT_FALSE(preview->is_open());
  ASSERT_TRUE(preview->show());
  Widget* record = main_surface().find_widget(kRecordButtonId);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->text(), translate_for_locale(L"en-US", L"stream.start"));
}

TEST_F(ModernRecordingPreviewTest, AChangedRecordingQualityDropsThePendingText) {
  shell.state.recording_quality = {3, 8000};
  open();
  open_recording_window();
  HWND edit = child(preview->recording_window(), kRecordingKbpsEditId);
  ASSERT_NE(edit, nullptr);
  SetWindowTextW(edit, L"9500");
  EXPECT_EQ(preview->pending_recording_bitrate_text(), std::optional<std::wstring>(L"9500"));
  shell.state.follow_mouse = false;
  shell.push(*preview);
  EXPECT_EQ(preview->pending_recording_bitrate_text(), std::optional<std::wstring>(L"9500"))
      << "an unchanged quality keeps the text";
  SetWindowTextW(edit, L"");
  EXPECT_EQ(preview->pending_recording_bitrate_text(), std::optional<std::wstring>(L""))
      << "an empty text is still typed";
  shell.state.recording_quality = {3, 9000};
  shell.push(*preview);
  EXPECT_FALSE(preview->pending_recording_bitrate_text().has_value());
  preview->clear_pending_stream_bitrate_text();
  EXPECT_FALSE(preview->pending_stream_bitrate_text().has_value());
}

TEST_F(ModernRecordingPreviewTest, ResizingAcrossTheWideWidthRebuilds) {
  open();
  const auto resize_to = [&](float dip_width) {
    RECT bounds{};
    GetWindowRect(main(), &bounds);
    RECT client{};
    GetClientRect(main(), &client);
    const int frame = (bounds.right - bounds.left) - client.right;
    SetWindowPos(main(), nullptr, 0, 0, static_cast<int>(dip_width * 0.9f) + frame,
                 bounds.bottom - bounds.top, SWP_NOMOVE | SWP_NOZORDER);
    pump();
  };
  resize_to(900.0f);
  Widget* tree = title_text();
  resize_to(800.0f);
  EXPECT_EQ(title_text(), tree) << "still wide";
  resize_to(700.0f);
  EXPECT_NE(title_text(), tree) << "narrow";
  tree = title_text();
  resize_to(650.0f);
  EXPECT_EQ(title_text(), tree) << "still narrow";
  resize_to(780.0f);
  EXPECT_NE(title_text(), tree) << "wide again";
  EXPECT_TRUE(shell.take().empty());
}

// ---- Handlers ----

TEST_F(ModernRecordingPreviewTest, OutputSwitchesReportTheNewModeAndRebuild) {
  const struct {
    OutputMode from;
    int control;
    const char* call;
  } cases[] = {{OutputMode::kNone, 20784, "output_mode(0)"},
               {OutputMode::kLiveOnly, 20785, "output_mode(3)"},
               {OutputMode::kFileAndLive, 20784, "output_mode(1)"},
               {OutputMode::kFileOnly, 20785, "output_mode(2)"}};
  open();
  for (const auto& c : cases) {
    shell.state.output_mode = c.from;
    shell.push(*preview);
    pump();
    Widget* tree = title_text();
    click_main(c.control);
    EXPECT_EQ(shell.take(), Calls{c.call}) << c.call;
    EXPECT_NE(title_text(), tree) << c.call;
    pump();
  }
}

TEST_F(ModernRecordingPreviewTest, DraggingTheFollowSliderQuantisesAndLabelsIt) {
  open();
  open_picture_window();
  auto& host = preview->picture_window().host();
  Widget* slider = host.surface().find_widget(12);
  ASSERT_NE(slider, nullptr);
  const auto bounds = slider->bounds_in_root();
  const float zoom = host.surface().zoom();
  const int y = static_cast<int>((bounds.y + bounds.height / 2) * zoom);
  const int left = static_cast<int>(bounds.x * zoom);
  const int right = static_cast<int>((bounds.x + bounds.width) * zoom);
  SendMessageW(host.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(left + 2, y));
  SendMessageW(host.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((left + right) / 3, y));
  SendMessageW(host.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(right + 40, y));
  SendMessageW(host.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(right + 40, y));
  pump();
  const Calls calls = shell.take();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back(), "follow_strength(1)");
  EXPECT_FLOAT_EQ(preview->state().follow_strength, 1.0f);
  ASSERT_NE(host.surface().find_widget(28), nullptr);
  EXPECT_EQ(host.surface().find_widget(28)->text(), L"Follow strength  100%");
  for (const std::string& call : calls) {
    // Every reported value is a whole step.
    const float value = std::stof(call.substr(16));
    EXPECT_FLOAT_EQ(value * 100.0f, static_cast<float>(static_cast<int>(value * 100.0f + 0.5f)))
        << call;
  }
}

TEST_F(ModernRecordingPreviewTest, NewAudioDevicesRefillTheOpenSoundWindow) {
  open();
  open_sound_window();
  RecordingSetupState devices;
  devices.microphones = {L"Default", L"Studio"};
  devices.microphone_index = 1;
  devices.microphone_label = L"Studio";
  preview->set_audio_devices(devices);
  auto* combo = find_combo_box(preview->sound_window(), 17);
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->items(), (std::vector<std::wstring>{L"Default", L"Studio"}));
  EXPECT_EQ(combo->selected_index(), 1);
  EXPECT_EQ(preview->state().microphone_label, L"Studio");
}

TEST_F(ModernRecordingPreviewTest, AMicrophoneBeyondTheStoredListStillReachesTheShell) {
  open();
  open_sound_window();
  // The shell's list shrank while the sound window still offers three.
  shell.state.microphones = {L"Default"};
  shell.state.microphone_index = 0;
  shell.push(*preview);
  pump();
  HWND list = child(preview->sound_window(), 17);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 3);
  SendMessageW(list, CB_SETCURSEL, 1, 0);
  SetFocus(list);
  SendMessageW(list, WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(shell.take(), Calls{"microphone(2)"});
  EXPECT_EQ(preview->state().microphone_index, 0);
  EXPECT_EQ(preview->state().microphones, std::vector<std::wstring>{L"Default"});

  // Within the list the choice is stored before the shell hears of it.
  shell.state.microphones = {L"Default", L"USB mic", L"Headset"};
  shell.push(*preview);
  pump();
  int reported = -1;
  RecordingSetupState seen;
  preview->set_device_handlers(
      [&](int index) {
        reported = index;
        seen = preview->state();
      },
      nullptr);
  SendMessageW(list, CB_SETCURSEL, 0, 0);
  SendMessageW(list, WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(reported, 1);
  EXPECT_EQ(seen.microphone_index, 1);
  EXPECT_EQ(seen.microphone_label, L"USB mic");
}

// ---- Installing callbacks ----

TEST_F(ModernRecordingPreviewTest, EachInstallReplacesTheCallbacksAndRereadsTheStreamTarget) {
  shell.stream = {false, L"rtmp://one.example/live", L"key-1"};
  shell.install(*preview);
  EXPECT_EQ(shell.take(), Calls{"stream_settings()"});
  ASSERT_TRUE(preview->read_stream_fields().has_value());
  EXPECT_EQ(preview->read_stream_fields()->server_url, L"rtmp://one.example/live");

  test::FakeSetupShell second;
  second.state = shell.state;
  second.stream = {true, L"rtmp://two.example/live/name", L""};
  second.install(*preview);
  EXPECT_EQ(second.take(), Calls{"stream_settings()"});
  ASSERT_TRUE(preview->read_stream_fields().has_value());
  EXPECT_TRUE(preview->read_stream_fields()->complete_url);
  EXPECT_EQ(preview->read_stream_fields()->server_url, L"rtmp://two.example/live/name");

  second.push(*preview);
  ASSERT_TRUE(preview->show());
  pump();
  press_ctrl_r(false);
  EXPECT_EQ(second.take(), Calls{"start()"});
  EXPECT_TRUE(shell.take().empty()) << "the first shell's callbacks are gone";
}

TEST_F(ModernRecordingPreviewTest, WithoutAStreamGetterNoTargetIsCached) {
  EXPECT_FALSE(preview->read_stream_fields().has_value());
  preview->set_stream_handlers(nullptr, nullptr, nullptr);
  EXPECT_FALSE(preview->read_stream_fields().has_value());
}

// ---- Housekeeping ----

TEST_F(ModernRecordingPreviewTest, ClosingSecondaryWindowsKeepsTheMainWindowAndRebuildsIt) {
  open();
  open_sound_window();
  click_main(4);
  pump();
  Widget* tree = title_text();
  preview->close_secondary_windows();
  pump();
  EXPECT_FALSE(preview->sound_window().is_open());
  EXPECT_FALSE(preview->help_menu().is_visible());
  EXPECT_TRUE(IsWindowVisible(main()));
  EXPECT_TRUE(IsWindowEnabled(main()));
  EXPECT_NE(title_text(), tree);
  EXPECT_TRUE(shell.take().empty());
}

TEST_F(ModernRecordingPreviewTest, DismissingWithNothingOpenDoesNothing) {
  shell.install(*preview);
  shell.take();
  preview->dismiss_popups();
  preview->close_secondary_windows();
  preview->set_recording_enabled(true);
  EXPECT_FALSE(preview->is_open());
  EXPECT_FALSE(preview->is_visible());
  EXPECT_TRUE(shell.take().empty());
  ASSERT_TRUE(preview->show());
  EXPECT_TRUE(preview->is_visible());
}

}  // namespace
}  // namespace quorvel::windows
