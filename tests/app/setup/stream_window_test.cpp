// The stream settings window over the main window on the test display:
// opening rules, the masked fields, the live quality, the help box and the
// save that keeps the target only when the application accepts it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/common/translate.h"
#include "app/setup/quality_row.h"
#include "app/setup/stream_tree.h"
#include "tests/app/setup/preview_test_fixture.h"
#include "tests/app/setup/view_dump.h"

namespace quorvel::windows {
namespace {

using test::Calls;
using test::pump;

constexpr int kLiveLinkId = 20769;

// What the help box showed; filled by the timer that closes it.
struct SeenMessageBox {
  HWND owner = nullptr;
  std::wstring caption;
  std::wstring text;
  bool found = false;
};
SeenMessageBox* seen_box = nullptr;

BOOL CALLBACK find_message_box(HWND window, LPARAM) {
  wchar_t class_name[16] = {};
  GetClassNameW(window, class_name, 16);
  if (std::wstring(class_name) != L"#32770") return TRUE;
  seen_box->found = true;
  seen_box->owner = GetWindow(window, GW_OWNER);
  seen_box->caption = test::window_text(window);
  seen_box->text = test::window_text(GetDlgItem(window, 0xFFFF));
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  return FALSE;
}

void CALLBACK close_message_box(HWND, UINT, UINT_PTR timer, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), find_message_box, 0);
  if (seen_box->found) KillTimer(nullptr, timer);
}

class StreamWindowTest : public test::PreviewFixture {
 protected:
  StreamWindowTest() {
    shell.stream = {false, L"rtmp://cached.example.test/live", L"cached-key"};
    shell.state.stream_quality.kbps = 4321;
  }
  void open_stream() {
    open();
    click_main(kLiveLinkId);
    pump();
    ASSERT_TRUE(preview->stream_window().is_open());
    shell.take();
  }
  win32_ui::modern::WindowHost& live() { return preview->stream_window().host(); }
  HWND live_window() { return preview->stream_window().hwnd(); }
  HWND child(int id) { return GetDlgItem(live_window(), id); }
  void set_text(int id, const wchar_t* text) { SetWindowTextW(child(id), text); }
  bool main_shows(const std::wstring& text) {
    const auto texts = test::texts_of(*main_surface().root_view());
    return std::any_of(texts.begin(), texts.end(), [&text](const std::wstring& shown) {
      return shown.size() >= text.size() &&
             shown.compare(shown.size() - text.size(), text.size(), text) == 0;
    });
  }
};

TEST_F(StreamWindowTest, OpensOnlyWithTheMainWindowAndBothCallbacks) {
  preview->show_stream_window();
  EXPECT_FALSE(preview->stream_window().is_open()) << "no main window";
  open();
  preview->set_stream_handlers(nullptr, [] { return StreamSettings{}; }, nullptr);
  preview->show_stream_window();
  EXPECT_FALSE(preview->stream_window().is_open()) << "no save callback";
}

TEST_F(StreamWindowTest, IsOwnedByTheDisabledMainWindowAndReopeningOnlyActivates) {
  open_stream();
  EXPECT_EQ(GetWindow(live_window(), GW_OWNER), main());
  EXPECT_FALSE(IsWindowEnabled(main()));
  set_text(kStreamAddressEditId, L"rtmp://typed");
  preview->show_stream_window();
  EXPECT_TRUE(shell.take().empty());
  EXPECT_EQ(test::window_text(child(kStreamAddressEditId)), L"rtmp://typed");
  EXPECT_EQ(GetForegroundWindow(), live_window());
  DestroyWindow(live_window());
  pump();
  EXPECT_TRUE(IsWindowEnabled(main()));
}

TEST_F(StreamWindowTest, ShowsTheCachedTargetNotTheGettersLaterAnswer) {
  open();
  shell.stream = {true, L"rtmp://later.example.test/x", L""};
  click_main(kLiveLinkId);
  pump();
  ASSERT_TRUE(preview->stream_window().is_open());
  EXPECT_EQ(test::window_text(child(kStreamAddressEditId)), L"rtmp://cached.example.test/live");
  EXPECT_EQ(test::window_text(child(kStreamKeyEditId)), L"cached-key");
  EXPECT_FALSE(live().surface().find_widget(kStreamCompleteUrlBoxId)->is_checked());
}

TEST_F(StreamWindowTest, TheRevealBoxUnmasksAndMasksBothFields) {
  open_stream();
  for (int id : {kStreamAddressEditId, kStreamKeyEditId}) {
    EXPECT_NE(SendMessageW(child(id), EM_GETPASSWORDCHAR, 0, 0), 0) << id;
    EXPECT_EQ(SendMessageW(child(id), EM_GETLIMITTEXT, 0, 0), 8192) << id;
  }
  click(live(), kStreamRevealBoxId);
  for (int id : {kStreamAddressEditId, kStreamKeyEditId}) {
    EXPECT_EQ(SendMessageW(child(id), EM_GETPASSWORDCHAR, 0, 0), 0) << id;
  }
  click(live(), kStreamRevealBoxId);
  for (int id : {kStreamAddressEditId, kStreamKeyEditId}) {
    EXPECT_EQ(SendMessageW(child(id), EM_GETPASSWORDCHAR, 0, 0), 0x25CF) << id;
  }
  click(live(), kStreamCompleteUrlBoxId);
  EXPECT_TRUE(shell.take().empty()) << "the complete-URL box waits for save";
}

TEST_F(StreamWindowTest, ARefusedSaveKeepsTheWindowAndTheTypedTexts) {
  shell.save_stream_answer = false;
  open_stream();
  click(live(), kStreamCompleteUrlBoxId);
  set_text(kStreamAddressEditId, L"rtmps://live.example.test/app/key");
  set_text(kStreamKeyEditId, L"");
  click(live(), kStreamSaveButtonId);
  pump();
  EXPECT_EQ(shell.take(), Calls{"save_stream_settings()"});
  EXPECT_TRUE(shell.saved_stream.complete_url);
  EXPECT_EQ(shell.saved_stream.server_url, L"rtmps://live.example.test/app/key");
  EXPECT_EQ(shell.saved_stream.stream_key, L"");
  ASSERT_TRUE(preview->stream_window().is_open());
  EXPECT_EQ(test::window_text(child(kStreamAddressEditId)), L"rtmps://live.example.test/app/key");
  EXPECT_FALSE(IsWindowEnabled(main()));
  EXPECT_EQ(preview->read_stream_fields()->server_url, L"rtmp://cached.example.test/live");
}

TEST_F(StreamWindowTest, AnAcceptedSaveClosesTheWindowAndRebuildsTheMainWindow) {
  shell.stream = {};
  open_stream();
  EXPECT_FALSE(main_shows(L"Streaming target configured"));
  click(live(), kStreamCompleteUrlBoxId);
  set_text(kStreamAddressEditId, L"rtmps://live.example.test/app/key");
  click(live(), kStreamSaveButtonId);
  pump();
  EXPECT_EQ(shell.take(), Calls{"save_stream_settings()"});
  EXPECT_FALSE(preview->stream_window().is_open());
  EXPECT_TRUE(IsWindowEnabled(main()));
  EXPECT_EQ(GetForegroundWindow(), main());
  const auto cached = preview->read_stream_fields();
  ASSERT_TRUE(cached.has_value());
  EXPECT_TRUE(cached->complete_url);
  EXPECT_EQ(cached->server_url, L"rtmps://live.example.test/app/key");
  EXPECT_TRUE(main_shows(L"Streaming target configured"));
  preview->refresh(shell.state, true);
  pump();
  EXPECT_TRUE(main_shows(L"Streaming target configured")) << "a later rebuild keeps it";
}

TEST_F(StreamWindowTest, TheCustomQualityReportsAndShowsTheStoredRate) {
  open_stream();
  HWND combo = child(kStreamQualityComboId);
  ASSERT_NE(combo, nullptr);
  EXPECT_NE(GetWindowLongW(child(kStreamKbpsEditId), GWL_STYLE) & ES_READONLY, 0);
  const auto choose_custom = [&] {
    SendMessageW(combo, CB_SETCURSEL, 3, 0);
    SendMessageW(live_window(), WM_COMMAND, MAKEWPARAM(kStreamQualityComboId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
  };
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    choose_custom();
    const Calls calls = shell.take();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().rfind("stream_quality(3,", 0), 0u) << calls.front();
    EXPECT_EQ(GetWindowLongW(child(kStreamKbpsEditId), GWL_STYLE) & ES_READONLY, 0);
    EXPECT_EQ(test::window_text(child(kStreamKbpsEditId)), L"4321");
    EXPECT_FALSE(preview->pending_stream_bitrate_text().has_value());
    // Typed and not committed: the next choice of the level drops it.
    SetWindowTextW(child(kStreamKbpsEditId), L"2500");
    EXPECT_EQ(preview->pending_stream_bitrate_text(), std::optional<std::wstring>(L"2500"));
  }
}

TEST_F(StreamWindowTest, TheHelpButtonShowsTheGuideOwnedByTheStreamWindow) {
  open_stream();
  const struct {
    const wchar_t* language;
    const wchar_t* caption;
  } cases[] = {{L"en-US", L"Platform setup guide"}, {L"zh-CN", L"\u5E73\u53F0\u8BBE\u7F6E\u6307\u5357"}};
  for (const auto& c : cases) {
    application.set_language(c.language);
    SeenMessageBox seen;
    seen_box = &seen;
    SetTimer(nullptr, 0, 50, close_message_box);
    click(live(), kStreamHelpButtonId);
    seen_box = nullptr;
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.owner, live_window());
    EXPECT_EQ(seen.caption, c.caption);
    EXPECT_EQ(seen.text, translate_for_locale(c.language, L"stream.platform_help"));
    EXPECT_GT(seen.text.size(), 40u);
  }
  EXPECT_TRUE(preview->stream_window().is_open());
}

TEST_F(StreamWindowTest, DismissingOrClosingSecondaryWindowsDestroysItAndEnablesTheMainWindow) {
  for (bool dismiss : {true, false}) {
    SCOPED_TRACE(dismiss ? "dismiss_popups" : "close_secondary_windows");
    if (!preview->is_open()) {
      open_stream();
    } else {
      preview->show();
      click_main(kLiveLinkId);
      pump();
    }
    ASSERT_TRUE(preview->stream_window().is_open());
    if (dismiss) {
      preview->dismiss_popups();
    } else {
      preview->close_secondary_windows();
    }
    pump();
    EXPECT_FALSE(preview->stream_window().is_open());
    EXPECT_TRUE(IsWindowEnabled(main()));
  }
}

TEST_F(StreamWindowTest, TheStreamWindowLooksRight) {
  open_stream();
  save_png(live_window(), "stream_window");
}

}  // namespace
}  // namespace quorvel::windows
