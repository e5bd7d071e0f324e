// The tray icon against the real notification area of the test display,
// through a stand-in that records every record sent and can refuse a call:
// the settings checks, the records' layout, the version-4 and old callback
// formats, the posted menu request, activation, a shell restart, hiding and
// destruction. Nobody can click the icon on this display, so the shell's
// callback messages are made by hand.
#include "ui/platform/scaffold/tray_icon.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"
#include "tests/ui/platform/scaffold/tray_test_support.h"

namespace win32_ui::scaffold {
namespace {

using testing::kTrayCallback;
using testing::kTrayMenuMessage;
using testing::queued;
using testing::RecordingShell;
using testing::SentRecord;
using testing::TrayOwnerWindow;
using testing::v4_event;
using testing::v4_point;

constexpr std::uint32_t kId = 7;

class TrayIconTest : public ::testing::Test {
 protected:
  ~TrayIconTest() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, kTrayMenuMessage, kTrayMenuMessage, PM_REMOVE)) {
    }
  }

  bool configure(TrayIcon& icon, const std::wstring& tooltip = L"Quorvel") {
    return icon.configure(owner_.hwnd(), kId, kTrayCallback, kTrayMenuMessage, icon_, tooltip);
  }

  int send_event(TrayIcon& icon, UINT event, WPARAM point = 0) {
    return icon.route_message(kTrayCallback, point, v4_event(event, kId));
  }

  TrayOwnerWindow owner_;
  HICON icon_ = LoadIconW(nullptr, IDI_APPLICATION);
  RecordingShell shell_;
};

TEST_F(TrayIconTest, RefusesInvalidSettingsWithoutTalkingToTheShell) {
  TrayOwnerWindow dead;
  const HWND dead_owner = dead.hwnd();
  dead.destroy();
  struct Case {
    const char* name;
    HWND owner;
    std::uint32_t id;
    std::uint32_t callback;
    std::uint32_t menu;
    HICON icon;
  };
  const Case cases[] = {
      {"menu message equals callback", owner_.hwnd(), kId, kTrayCallback, kTrayCallback, icon_},
      {"zero id", owner_.hwnd(), 0, kTrayCallback, kTrayMenuMessage, icon_},
      {"zero callback", owner_.hwnd(), kId, 0, kTrayMenuMessage, icon_},
      {"zero menu message", owner_.hwnd(), kId, kTrayCallback, 0, icon_},
      {"null icon", owner_.hwnd(), kId, kTrayCallback, kTrayMenuMessage, nullptr},
      {"dead owner", dead_owner, kId, kTrayCallback, kTrayMenuMessage, icon_},
  };
  for (const Case& c : cases) {
    TrayIcon icon(shell_.notify());
    EXPECT_FALSE(icon.configure(c.owner, c.id, c.callback, c.menu, c.icon, L"tip")) << c.name;
    EXPECT_FALSE(icon.shown()) << c.name;
    EXPECT_EQ(icon.owner(), nullptr) << c.name << ": settings kept";
    EXPECT_TRUE(shell_.sent.empty()) << c.name;
    // Nothing is stored, so nothing answers to the refused messages.
    EXPECT_EQ(icon.route_message(kTrayCallback, 0, v4_event(WM_CONTEXTMENU, kId)), kTrayNotForIcon)
        << c.name;
  }
}

TEST_F(TrayIconTest, InvalidSettingsRemoveAShownIcon) {
  TrayIcon icon(shell_.notify());
  ASSERT_TRUE(configure(icon));
  shell_.sent.clear();

  EXPECT_FALSE(icon.configure(owner_.hwnd(), 0, kTrayCallback, kTrayMenuMessage, icon_, L"tip"));

  EXPECT_FALSE(icon.shown());
  ASSERT_EQ(shell_.sent.size(), 1u);
  EXPECT_EQ(shell_.sent[0].message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_TRUE(shell_.sent[0].result);
}

TEST_F(TrayIconTest, AddsTheIconThenAsksForVersion4AndDeletesItByIdOnly) {
  TrayIcon icon(shell_.notify());

  ASSERT_TRUE(configure(icon));

  EXPECT_TRUE(icon.shown());
  EXPECT_TRUE(icon.version_4());
  ASSERT_EQ(shell_.sent.size(), 2u);
  const SentRecord& add = shell_.sent[0];
  const SentRecord& version = shell_.sent[1];
  EXPECT_EQ(add.message, static_cast<DWORD>(NIM_ADD));
  EXPECT_TRUE(add.result) << "the real notification area took the icon";
  EXPECT_EQ(add.data.cbSize, 976u);
  EXPECT_EQ(add.data.uFlags, 7u);
  EXPECT_EQ(add.data.hWnd, owner_.hwnd());
  EXPECT_EQ(add.data.uID, kId);
  EXPECT_EQ(add.data.uCallbackMessage, kTrayCallback);
  EXPECT_EQ(add.data.hIcon, icon_);
  EXPECT_EQ(std::wstring(add.data.szTip), L"Quorvel");
  EXPECT_EQ(version.message, static_cast<DWORD>(NIM_SETVERSION));
  EXPECT_TRUE(version.result);
  EXPECT_EQ(version.data.cbSize, 976u);
  EXPECT_EQ(version.data.uVersion, 4u);
  EXPECT_EQ(version.data.uID, kId);
  EXPECT_EQ(version.data.uFlags, 7u);

  icon.reset();

  ASSERT_EQ(shell_.sent.size(), 3u);
  const SentRecord& removal = shell_.sent[2];
  EXPECT_EQ(removal.message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_TRUE(removal.result);
  EXPECT_EQ(removal.data.cbSize, 976u);
  EXPECT_EQ(removal.data.hWnd, owner_.hwnd());
  EXPECT_EQ(removal.data.uID, kId);
  EXPECT_EQ(removal.data.uFlags, 0u);
  EXPECT_EQ(removal.data.uCallbackMessage, 0u);
  EXPECT_EQ(removal.data.hIcon, nullptr);
  EXPECT_EQ(removal.data.szTip[0], L'\0');
  NOTIFYICONDATAW again{};
  again.cbSize = sizeof(again);
  again.hWnd = owner_.hwnd();
  again.uID = kId;
  EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &again)) << "the icon was already gone";
}

TEST_F(TrayIconTest, CutsALongTooltipTo127Characters) {
  TrayIcon icon(shell_.notify());
  std::wstring tooltip;
  for (int i = 0; i < 200; ++i) tooltip.push_back(static_cast<wchar_t>(L'a' + i % 26));

  ASSERT_TRUE(configure(icon, tooltip));

  const NOTIFYICONDATAW& sent = shell_.sent.at(0).data;
  EXPECT_EQ(std::wstring(sent.szTip), tooltip.substr(0, 127));
  EXPECT_EQ(sent.szTip[127], L'\0');
}

TEST_F(TrayIconTest, FailedVersion4KeepsTheIconInTheOldCallbackFormat) {
  shell_.fail(NIM_SETVERSION);
  TrayIcon icon(shell_.notify());
  ASSERT_TRUE(configure(icon));
  EXPECT_TRUE(icon.shown());
  EXPECT_FALSE(icon.version_4());
  ASSERT_TRUE(SetCursorPos(420, 310));
  POINT cursor{};
  GetCursorPos(&cursor);

  // The old format: the id in wParam, the event alone in lParam.
  EXPECT_EQ(icon.route_message(kTrayCallback, kId + 1, WM_CONTEXTMENU), kTrayHandled);
  EXPECT_EQ(queued(owner_.hwnd(), kTrayMenuMessage), 0) << "another icon's event";
  EXPECT_EQ(icon.route_message(kTrayCallback, kId, WM_CONTEXTMENU), kTrayHandled);

  EXPECT_EQ(queued(owner_.hwnd(), kTrayMenuMessage), 1);
  EXPECT_TRUE(icon.menu_pending());
  EXPECT_EQ(icon.menu_point().x, cursor.x);
  EXPECT_EQ(icon.menu_point().y, cursor.y);
}

TEST_F(TrayIconTest, RefusedAddLeavesTheIconHidden) {
  shell_.fail(NIM_ADD);
  TrayIcon icon(shell_.notify());

  EXPECT_FALSE(configure(icon));

  EXPECT_FALSE(icon.shown());
  ASSERT_EQ(shell_.sent.size(), 1u);
  EXPECT_EQ(shell_.sent[0].message, static_cast<DWORD>(NIM_ADD));
}

TEST_F(TrayIconTest, ContextMenuPostsOneMenuRequestAtTheCarriedPoint) {
  TrayIcon icon(shell_.notify());
  ASSERT_TRUE(configure(icon));

  EXPECT_EQ(send_event(icon, WM_CONTEXTMENU, v4_point(300, 200)), kTrayHandled);
  EXPECT_EQ(send_event(icon, WM_CONTEXTMENU, v4_point(10, 10)), kTrayHandled);
  EXPECT_EQ(send_event(icon, WM_RBUTTONUP), kTrayHandled);

  EXPECT_EQ(queued(owner_.hwnd(), kTrayMenuMessage), 1) << "one request while one is pending";
  EXPECT_EQ(icon.menu_point().x, 300);
  EXPECT_EQ(icon.menu_point().y, 200);
  EXPECT_EQ(icon.route_message(kTrayMenuMessage, 0, 0), kTrayShowMenu);
  EXPECT_FALSE(icon.menu_pending());
  EXPECT_EQ(icon.route_message(kTrayMenuMessage, 0, 0), kTrayHandled) << "nothing pending";
}

TEST_F(TrayIconTest, ReadsTheCarriedPointAsSignedAndFallsBackToTheCursorForMinusOne) {
  TrayIcon icon(shell_.notify());
  ASSERT_TRUE(configure(icon));
  ASSERT_TRUE(SetCursorPos(512, 384));
  POINT cursor{};
  GetCursorPos(&cursor);
  struct Case {
    int x;
    int y;
    LONG expected_x;
    LONG expected_y;
  };
  const Case cases[] = {
      {-1, -1, cursor.x, cursor.y}, {-300, -20, -300, -20}, {-1, 50, -1, 50}, {1700, 900, 1700, 900}};
  for (const Case& c : cases) {
    send_event(icon, WM_CONTEXTMENU, v4_point(c.x, c.y));
    EXPECT_EQ(icon.menu_point().x, c.expected_x) << c.x << "," << c.y;
    EXPECT_EQ(icon.menu_point().y, c.expected_y) << c.x << "," << c.y;
    EXPECT_EQ(icon.route_message(kTrayMenuMessage, 0, 0), kTrayShowMenu);
  }
}

TEST_F(TrayIconTest, SortsIconEventsIntoActivateAndNothing) {
  TrayIcon icon(shell_.notify());
  ASSERT_TRUE(configure(icon));
  struct Case {
    const char* name;
    UINT message;
    LPARAM lparam;
    int expected;
  };
  const Case cases[] = {
      {"NIN_SELECT", kTrayCallback, v4_event(NIN_SELECT, kId), kTrayActivate},
      {"NIN_KEYSELECT", kTrayCallback, v4_event(NIN_KEYSELECT, kId), kTrayActivate},
      {"WM_LBUTTONDBLCLK", kTrayCallback, v4_event(WM_LBUTTONDBLCLK, kId), kTrayActivate},
      {"WM_LBUTTONUP", kTrayCallback, v4_event(WM_LBUTTONUP, kId), kTrayHandled},
      {"WM_MOUSEMOVE", kTrayCallback, v4_event(WM_MOUSEMOVE, kId), kTrayHandled},
      {"another icon's context menu", kTrayCallback, v4_event(WM_CONTEXTMENU, kId + 1),
       kTrayHandled},
      {"another icon's select", kTrayCallback, v4_event(NIN_SELECT, kId + 1), kTrayHandled},
      {"not an icon message", WM_APP + 0x70, v4_event(NIN_SELECT, kId), kTrayNotForIcon},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(icon.route_message(c.message, 0, c.lparam), c.expected) << c.name;
  }
  EXPECT_EQ(queued(owner_.hwnd(), kTrayMenuMessage), 0);
}

TEST_F(TrayIconTest, AShellRestartBringsBackOnlyAShownIcon) {
  TrayIcon icon(shell_.notify());
  ASSERT_TRUE(configure(icon));
  // A restarted shell has forgotten every icon.
  NOTIFYICONDATAW forget{};
  forget.cbSize = sizeof(forget);
  forget.hWnd = owner_.hwnd();
  forget.uID = kId;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &forget));
  shell_.sent.clear();

  EXPECT_EQ(icon.route_message(testing::taskbar_created(), 0, 0), kTrayHandled);

  EXPECT_TRUE(icon.shown());
  ASSERT_EQ(shell_.sent.size(), 2u);
  EXPECT_EQ(shell_.sent[0].message, static_cast<DWORD>(NIM_ADD));
  EXPECT_TRUE(shell_.sent[0].result);
  EXPECT_EQ(shell_.sent[1].message, static_cast<DWORD>(NIM_SETVERSION));

  icon.hide();
  shell_.sent.clear();
  EXPECT_EQ(icon.route_message(testing::taskbar_created(), 0, 0), kTrayHandled);
  EXPECT_FALSE(icon.shown());
  EXPECT_TRUE(shell_.sent.empty());
}

TEST_F(TrayIconTest, HidingDropsThePendingMenuAndAddShowsTheIconAgain) {
  TrayIcon icon(shell_.notify());
  ASSERT_TRUE(configure(icon));
  send_event(icon, WM_CONTEXTMENU, v4_point(300, 200));

  icon.hide();

  EXPECT_FALSE(icon.shown());
  EXPECT_FALSE(icon.menu_pending());
  EXPECT_EQ(shell_.sent.back().message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(icon.route_message(kTrayMenuMessage, 0, 0), kTrayHandled) << "no menu after hiding";
  EXPECT_EQ(send_event(icon, NIN_SELECT), kTrayNotForIcon) << "a hidden icon has no events";
  EXPECT_TRUE(icon.add());
  EXPECT_TRUE(icon.shown());
  EXPECT_EQ(shell_.sent.back().message, static_cast<DWORD>(NIM_SETVERSION));
}

TEST_F(TrayIconTest, TalksToTheRealShellByDefault) {
  NOTIFYICONDATAW probe{};
  probe.cbSize = sizeof(probe);
  probe.hWnd = owner_.hwnd();
  probe.uID = kId;
  probe.uFlags = NIF_TIP;
  {
    TrayIcon icon;
    ASSERT_TRUE(configure(icon));
    EXPECT_TRUE(icon.version_4());
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &probe)) << "the shell knows the icon";
  }
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &probe)) << "the shell forgot the icon";
}

TEST_F(TrayIconTest, DestructionDeletesTheIcon) {
  {
    TrayIcon icon(shell_.notify());
    ASSERT_TRUE(configure(icon));
  }
  ASSERT_FALSE(shell_.sent.empty());
  EXPECT_EQ(shell_.sent.back().message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_TRUE(shell_.sent.back().result);
}

}  // namespace
}  // namespace win32_ui::scaffold
