// Message dialogs and message_box on the test display, acted on from inside
// their own loop through posted work: button sets, default buttons, keys,
// the close box, heights by message length, and pictures for a look.
#include "ui/platform/scaffold/message_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/com_apartment.h"
#include "tests/fakes/ui/platform/fake_theme_system.h"
#include "tests/support/test_support.h"
#include "tests/ui/platform/scaffold/scaffold_test_support.h"
#include "tests/ui/views/graphics/paint_target.h"
#include "ui/platform/scaffold/application.h"
#include "ui/platform/scaffold/dialog.h"
#include "ui/platform/scaffold/window.h"
#include "ui/views/view_group.h"
#include "ui/views/widgets/button.h"
#include "ui/views/widgets/widget.h"

namespace win32_ui::scaffold {
namespace {

using testing::find_scaffold_window;
using testing::registered_window;
using testing::TaskWindow;

constexpr wchar_t kCaption[] = L"Quorvel message test";

// What one look inside a running message box found.
struct Look {
  HWND hwnd = nullptr;
  std::vector<std::wstring> labels;
  int focused_id = 0;
  std::vector<int> primary_ids;
  RECT client{};
};

enum class Ending { enter, escape, close_box };

class MessageDialogTest : public ::testing::Test {
 protected:
  MessageDialogTest() { app_.set_language(L"en-US"); }

  // Runs message_box; from inside its loop records a Look and ends it.
  DialogResult run(unsigned flags, Ending ending, const std::wstring& text = L"Message") {
    tasks_.post([this, ending] {
      look_ = inspect();
      if (look_.hwnd == nullptr) return;
      switch (ending) {
        case Ending::enter:
          PostMessageW(look_.hwnd, WM_KEYDOWN, VK_RETURN, 0);
          break;
        case Ending::escape:
          PostMessageW(look_.hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
          break;
        case Ending::close_box:
          PostMessageW(look_.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
          break;
      }
    });
    return message_box(app_, nullptr, text, kCaption, flags);
  }

  Look inspect() {
    Look look;
    look.hwnd = find_scaffold_window(kCaption);
    Window* window = registered_window(app_, look.hwnd);
    if (window == nullptr) return look;
    GetClientRect(look.hwnd, &look.client);
    modern::Surface& surface = window->host().surface();
    for (int id = kDialogButtonId; auto* widget = surface.find_widget(id); ++id) {
      look.labels.emplace_back(widget->text());
      if (widget->is_focused()) look.focused_id = id;
      if (auto* button = dynamic_cast<modern::Button*>(widget); button && button->is_primary()) {
        look.primary_ids.push_back(id);
      }
    }
    return look;
  }

  const quorvel::windows::ComApartment apartment_{COINIT_APARTMENTTHREADED};
  quorvel::test::FakeThemeSystem system_;
  Application app_{kThemeModeSystem, kDefaultAccent, system_};
  TaskWindow tasks_;
  Look look_;
};

TEST_F(MessageDialogTest, YesNoWithTheSecondDefaultFocusesNoAndAnswersNo) {
  EXPECT_EQ(run(MB_YESNO | MB_DEFBUTTON2, Ending::enter), IDNO);
  EXPECT_EQ(look_.labels, (std::vector<std::wstring>{L"Yes", L"No"}));
  EXPECT_EQ(look_.focused_id, 0xD101);
  EXPECT_EQ(look_.primary_ids, (std::vector<int>{0xD101}));

  EXPECT_EQ(run(MB_YESNO | MB_DEFBUTTON2, Ending::close_box), IDNO);
  EXPECT_EQ(run(MB_YESNO, Ending::enter), IDYES);
  EXPECT_EQ(look_.focused_id, 0xD100);
}

TEST_F(MessageDialogTest, ADefaultButtonPastTheSetIsItsLastButton) {
  EXPECT_EQ(run(MB_OKCANCEL | MB_DEFBUTTON3, Ending::enter), IDCANCEL);
  EXPECT_EQ(look_.labels, (std::vector<std::wstring>{L"OK", L"Cancel"}));
  EXPECT_EQ(look_.focused_id, 0xD101);
  EXPECT_EQ(look_.primary_ids, (std::vector<int>{0xD101}));
}

TEST_F(MessageDialogTest, CancelTryContinueEndsWithCancelByEveryKeyAndTheCloseBox) {
  for (const Ending ending : {Ending::escape, Ending::close_box, Ending::enter}) {
    EXPECT_EQ(run(MB_CANCELTRYCONTINUE, ending), IDCANCEL) << static_cast<int>(ending);
    EXPECT_EQ(look_.labels, (std::vector<std::wstring>{L"Cancel", L"Try again", L"Continue"}));
  }
  EXPECT_EQ(run(MB_CANCELTRYCONTINUE | MB_DEFBUTTON3, Ending::enter), IDCONTINUE);
}

TEST_F(MessageDialogTest, EveryButtonSetAndItsCloseResult) {
  struct Case {
    unsigned flags;
    std::vector<std::wstring> labels;
    DialogResult closed;
  };
  const std::vector<Case> cases = {
      {MB_OK, {L"OK"}, IDOK},
      {MB_OKCANCEL, {L"OK", L"Cancel"}, IDCANCEL},
      {MB_ABORTRETRYIGNORE, {L"Abort", L"Retry", L"Ignore"}, IDABORT},
      {MB_YESNOCANCEL, {L"Yes", L"No", L"Cancel"}, IDCANCEL},
      {MB_YESNO, {L"Yes", L"No"}, IDNO},
      {MB_RETRYCANCEL, {L"Retry", L"Cancel"}, IDCANCEL},
      {0xF, {L"OK"}, IDOK},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.flags, Ending::escape), c.closed) << c.flags;
    EXPECT_EQ(look_.labels, c.labels) << c.flags;
  }
}

TEST_F(MessageDialogTest, HeightFollowsTheEstimatedLinesOfTheMessage) {
  struct Case {
    const char* name;
    std::wstring text;
    LONG height;
  };
  const std::vector<Case> cases = {
      {"100 Latin", std::wstring(100, L'a'), 224},
      {"30 Chinese", std::wstring(30, L'\u5F55'), 204},
      {"empty", std::wstring(), 204},
      {"very long", std::wstring(5000, L'a'), 540},
      {"four lines", L"a\nb\nc\nd", 248},
  };
  for (const Case& c : cases) {
    run(MB_OK, Ending::escape, c.text);
    EXPECT_EQ(look_.client.bottom, c.height) << c.name;
    EXPECT_EQ(look_.client.right, 440) << c.name;
  }
}

TEST_F(MessageDialogTest, TheHeadingNamesTheKindOfMessageAboveTheMessage) {
  struct Case {
    unsigned flags;
    const wchar_t* heading;
  };
  const Case cases[] = {{MB_ICONERROR, L"Error"},
                        {MB_ICONQUESTION, L"Question"},
                        {MB_ICONWARNING, L"Warning"},
                        {MB_ICONINFORMATION, L"Information"},
                        {0, L"Information"}};
  for (const Case& c : cases) {
    std::wstring heading;
    std::wstring message;
    tasks_.post([&] {
      HWND hwnd = find_scaffold_window(kCaption);
      Window* window = registered_window(app_, hwnd);
      ASSERT_NE(window, nullptr);
      // The root holds the body first; the body holds the heading, then
      // the message.
      auto* root = dynamic_cast<modern::ViewGroup*>(window->host().surface().root_view());
      ASSERT_NE(root, nullptr);
      auto* body = dynamic_cast<modern::ViewGroup*>(root->child_at(0));
      ASSERT_NE(body, nullptr);
      ASSERT_EQ(body->child_count(), 2u);
      heading = std::wstring(dynamic_cast<modern::Widget&>(*body->child_at(0)).text());
      message = std::wstring(dynamic_cast<modern::Widget&>(*body->child_at(1)).text());
      PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    message_box(app_, nullptr, L"Message text", kCaption, c.flags);
    EXPECT_EQ(heading, c.heading) << c.flags;
    EXPECT_EQ(message, L"Message text") << c.flags;
  }
}

// The pictures are for a look (QUORVEL_CANVAS_PNG_DIR); the test checks
// that the buttons and texts were drawn on the window background.
TEST_F(MessageDialogTest, DrawsTheHeadingTheMessageAndTheButtons) {
  for (const bool chinese : {false, true}) {
    app_.set_language(chinese ? L"zh-CN" : L"en-US");
    bool inked_buttons = false;
    bool inked_text = false;
    tasks_.post([&] {
      HWND hwnd = find_scaffold_window(kCaption);
      RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      RECT client{};
      GetClientRect(hwnd, &client);
      ui::graphics::test::DibTarget pixels(client.right, client.bottom);
      HDC dc = GetDC(hwnd);
      BitBlt(pixels.dc(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
      ReleaseDC(hwnd, dc);
      pixels.save_png_if_asked(chinese ? "message_box_zh.png" : "message_box.png");
      const ui::graphics::test::Rgb background = pixels.pixel(2, 2);
      inked_buttons = pixels.ink(background, {client.right - 220, client.bottom - 64,
                                              client.right - 20, client.bottom - 20})
                          .any;
      inked_text = pixels.ink(background, {20, 20, client.right - 20, 100}).any;
      PostMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(message_box(app_, nullptr, L"The recording could not be saved to the chosen folder.",
                          kCaption, MB_YESNO | MB_ICONWARNING),
              IDYES);
    EXPECT_TRUE(inked_buttons) << chinese;
    EXPECT_TRUE(inked_text) << chinese;
  }
}

}  // namespace
}  // namespace win32_ui::scaffold
