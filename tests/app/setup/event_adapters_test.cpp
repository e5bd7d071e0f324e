// The adapters between control events and handlers: which indices and keys
// reach the handler and with what, and that an empty handler is harmless.
// The edits here have no window, as before their tree is shown.
#include "app/setup/event_adapters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/setup/preview_handlers.h"
#include "app/setup/setup_toggle_labels.h"
#include "app/common/translate.h"
#include "ui/views/key_codes.h"

namespace quorvel::windows {
namespace {

using win32_ui::modern::Event;
using win32_ui::modern::KeyEvent;
using win32_ui::modern::Win32Edit;

KeyEvent key(std::int32_t code, std::int32_t kind = KeyEvent::kDown, bool repeat = false) {
  KeyEvent event;
  event.key = code;
  event.kind = kind;
  event.repeat = repeat;
  return event;
}

TEST(EventAdapters, ChoicesMapOnlyTheirTwoIndices) {
  std::vector<int> seen;
  auto lens = two_way_choice_adapter([&](bool on) { seen.push_back(on ? 1 : 0); });
  auto rate = frame_rate_choice_adapter([&](unsigned fps) { seen.push_back(int(fps)); });
  for (const int index : {0, 1, -1, 2}) {
    lens(index);
    rate(index);
  }
  EXPECT_EQ(seen, (std::vector<int>{0, 30, 1, 60}));
  two_way_choice_adapter(nullptr)(1);
  frame_rate_choice_adapter(nullptr)(0);
}

TEST(EventAdapters, QualityLevelSendsTheStoredRateForLevelsZeroToThree) {
  std::vector<std::pair<int, std::wstring>> seen;
  auto adapter = quality_level_adapter(
      [&](int level, std::wstring text) { seen.emplace_back(level, std::move(text)); }, L"8000");
  for (const int index : {-1, 0, 3, 4}) adapter(index);
  EXPECT_EQ(seen, (std::vector<std::pair<int, std::wstring>>{{0, L"8000"}, {3, L"8000"}}));
}

TEST(EventAdapters, InvokeAndOriginAdaptersPassWhatTheyHold) {
  int invoked = 0;
  std::vector<int> origins;
  auto invoke = invoke_adapter([&] { ++invoked; });
  auto origin = origin_adapter([&](win32_ui::modern::InputOrigin o) { origins.push_back(o); });
  Event event;
  event.origin = win32_ui::modern::kInputKeyboard;
  invoke(event);
  origin(event);
  event.origin = win32_ui::modern::kInputPointer;
  origin(event);
  EXPECT_EQ(invoked, 1);
  EXPECT_EQ(origins, (std::vector<int>{1, 0}));
  invoke_adapter(nullptr)(event);
  origin_adapter(nullptr)(event);
}

TEST(EventAdapters, HotkeyRowPassesItsRow) {
  std::vector<std::uint64_t> rows;
  hotkey_row_adapter([&](std::uint64_t row) { rows.push_back(row); }, 4)();
  hotkey_row_adapter(nullptr, 5)();
  EXPECT_EQ(rows, std::vector<std::uint64_t>{4});
}

TEST(EventAdapters, EnterIsMarkedHandledAndOtherKeysPass) {
  Win32Edit width(8, L"1280", false);
  Win32Edit height(9, L"720", false);
  std::vector<std::wstring> commits;
  auto commit = size_enter_adapter(
      [&](std::wstring w, std::wstring h) { commits.push_back(w + L"x" + h); }, &width, &height,
      true);
  struct KeyCase {
    KeyEvent event;
    bool handled;
  };
  const KeyCase cases[] = {{key(win32_ui::modern::kKeyEnter), true},
                           {key(win32_ui::modern::kKeyEnter, KeyEvent::kDown, true), true},
                           {key(win32_ui::modern::kKeyEnter, KeyEvent::kUp), true},
                           {key(win32_ui::modern::kKeyTab), false}};
  for (KeyCase c : cases) {
    commit(c.event);
    EXPECT_EQ(c.event.handled, c.handled);
    EXPECT_EQ(c.event.default_prevented, c.handled);
  }
  EXPECT_EQ(commits, std::vector<std::wstring>{L"1280x720"});
}

TEST(EventAdapters, SizeEnterCommitsNothingWithoutCustomSize) {
  Win32Edit width(8, L"1280", true);
  Win32Edit height(9, L"720", true);
  int commits = 0;
  auto commit =
      size_enter_adapter([&](std::wstring, std::wstring) { ++commits; }, &width, &height, false);
  KeyEvent enter = key(win32_ui::modern::kKeyEnter);
  commit(enter);
  EXPECT_TRUE(enter.handled);
  EXPECT_EQ(commits, 0);
}

TEST(EventAdapters, KbpsAdaptersNeedAWritableEditWindow) {
  Win32Edit edit(20753, L"9500", false);
  int calls = 0;
  auto typed = kbps_text_adapter([&](std::wstring_view) { ++calls; }, &edit);
  auto enter = kbps_enter_adapter([&](int, std::wstring) { ++calls; }, &edit);
  typed(L"95");
  KeyEvent event = key(win32_ui::modern::kKeyEnter);
  enter(event);
  EXPECT_TRUE(event.handled);
  EXPECT_EQ(calls, 0);
}

TEST(PreviewHandlersRecord, CopiesAndMovesEveryMember) {
  int calls = 0;
  PreviewHandlers original;
  original.close = [&] { ++calls; };
  original.toggles[7] = [&](bool) { ++calls; };
  original.pending_recording_text = L"9500";
  original.stream_target.server_url = L"rtmp://example/live";
  original.locale = L"zh-CN";
  PreviewHandlers copy = original;
  copy.close();
  copy.toggles[7](true);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(copy.pending_recording_text, original.pending_recording_text);
  EXPECT_EQ(copy.stream_target.server_url, L"rtmp://example/live");
  PreviewHandlers moved = std::move(copy);
  ASSERT_TRUE(moved.close);
  moved.close();
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(moved.locale, L"zh-CN");
}

TEST(SetupToggleLabels, NameEachToggleInOrder) {
  const wchar_t* const english[] = {L"Mouse cursor", L"System audio", L"Microphone",
                                    L"Mute mic",     L"System track", L"System .m4a",
                                    L"Mic track",    L"Mic .m4a"};
  for (int i = 0; i < 8; ++i) {
    const std::wstring_view key = setup_toggle_label_key(static_cast<SetupToggle>(i));
    EXPECT_EQ(translate_for_locale(L"en-US", key), english[i]) << i;
    EXPECT_NE(translate_for_locale(L"zh-CN", key), english[i]) << i;
  }
  EXPECT_TRUE(setup_toggle_label_key(static_cast<SetupToggle>(8)).empty());
  EXPECT_EQ(translate_for_locale(L"en-US", kFollowMouseLabelKey),
            L"Follow the mouse while recording");
}

}  // namespace
}  // namespace quorvel::windows
