// The control bar's view alone on a real window of the test display: the
// window host, the views and Direct2D are the real ones. Buttons are pressed
// through their own invoke path; texts, states and icons are read back from
// the views the tree holds. With QUORVEL_CANVAS_PNG_DIR set the bar is saved
// as PNG pictures to look at.
#include "app/control/recording_control_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/common/translate.h"
#include "app/control/control_button_icons.h"
#include "engine/com_apartment.h"
#include "tests/app/control/shown_control_icon.h"
#include "tests/support/test_support.h"
#include "tests/ui/platform/hosting/host_test_window.h"
#include "tests/ui/views/graphics/paint_target.h"

namespace quorvel::windows {
namespace {

using win32_ui::Theme;
using win32_ui::modern::Button;
using win32_ui::modern::testing::HostTestWindow;
using win32_ui::ui::graphics::test::DibTarget;
using win32_ui::ui::graphics::test::Rgb;

constexpr std::array<int, kControlCommandCount> kCommandIds = {100, 101, 102, 103, 104,
                                                               105, 106, 107, 108};
constexpr DWORD kBarStyle = WS_POPUP | WS_THICKFRAME;
constexpr DWORD kBarExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
constexpr int kLeft = 200;
constexpr int kTop = 150;

// The English texts the application hands the view, with a hotkey for the
// pause and stop buttons only.
RecordingControlTexts english_texts(bool live) {
  const auto text = [](const wchar_t* key) { return translate_for_locale(L"en-US", key); };
  RecordingControlTexts texts;
  texts.placement_note = text(L"control.move_outside");
  const wchar_t* label_keys[] = {L"control.top_left",   L"control.top_right",
                                 L"control.bottom_right", L"control.bottom_left",
                                 L"control.zoom_in",    L"control.zoom_out",
                                 L"control.hide",       L"control.pause",
                                 L"control.stop"};
  for (std::size_t i = 0; i < kControlCommandCount; ++i) {
    texts.button_labels[i] = text(label_keys[i]);
  }
  if (live) texts.button_labels[8] = text(L"stream.stop_both");
  texts.hotkey_texts[7] = L"Ctrl+Shift+S" + text(L"control.conflict");
  texts.hotkey_texts[8] = L"Ctrl+Shift+X";
  texts.live = live;
  texts.dock_top_text = text(L"control.dock_top");
  texts.dock_bottom_text = text(L"control.dock_bottom");
  texts.cover_action_text = text(L"stream.away_action");
  texts.mute_action_text = text(L"stream.mute_action");
  return texts;
}

// Paints the window now, as a WM_PAINT would.
void paint(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool shows_icon(const Button& button, int index) {
  return test::shows_control_icon(button, index);
}

class RecordingControlViewTest : public ::testing::Test {
 protected:
  // Makes the bar's window and a view on it with the given texts.
  void open(bool live) {
    window_ = std::make_unique<HostTestWindow>(kBarStyle, kLeft, kTop, 700, 140, kBarExStyle);
    view_ = std::make_unique<RecordingControlView>(
        kCommandIds, [this](int id) { sent_.push_back(id); }, english_texts(live));
    ASSERT_TRUE(view_->initialize(window_->hwnd(), theme_));
    ASSERT_TRUE(view_->place_window());
    paint(window_->hwnd());
  }

  HWND hwnd() const { return window_->hwnd(); }
  Button& button(std::size_t index) const {
    Button* found = view_->button(index);
    EXPECT_NE(found, nullptr) << "button " << index;
    return *found;
  }

  // The hit-test answer for a point in client pixels.
  LRESULT hit_test(int x, int y) const {
    POINT point{x, y};
    ClientToScreen(hwnd(), &point);
    return SendMessageW(hwnd(), WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
  }

  // The window's client area as shown.
  void read_back(DibTarget& target) const {
    HDC dc = GetDC(hwnd());
    EXPECT_TRUE(BitBlt(target.dc(), 0, 0, target.width(), target.height(), dc, 0, 0, SRCCOPY));
    ReleaseDC(hwnd(), dc);
  }

  // A button's rectangle in client pixels.
  RECT pixel_rect(const Button& button) const {
    const auto bounds = button.bounds_in_root();
    const float scale = RecordingControlView::kZoom;
    return {static_cast<LONG>(std::lround(bounds.x * scale)),
            static_cast<LONG>(std::lround(bounds.y * scale)),
            static_cast<LONG>(std::lround((bounds.x + bounds.width) * scale)),
            static_cast<LONG>(std::lround((bounds.y + bounds.height) * scale))};
  }

  const ComApartment apartment_{COINIT_APARTMENTTHREADED};
  Theme theme_ = Theme::light(win32_ui::kDefaultAccent);
  std::unique_ptr<HostTestWindow> window_;
  std::unique_ptr<RecordingControlView> view_;
  std::vector<int> sent_;
};

TEST_F(RecordingControlViewTest, TakesItsSizeWithAndWithoutTheLiveRowWhereTheWindowStands) {
  struct Case {
    bool live;
    float width;
    float height;
  };
  for (const Case c : {Case{false, 572.0f, 96.0f}, Case{true, 678.0f, 226.0f}}) {
    SCOPED_TRACE(c.live ? "live" : "plain");
    open(c.live);
    EXPECT_EQ(view_->host().preferred_size().width, c.width);
    EXPECT_EQ(view_->host().preferred_size().height, c.height);
    EXPECT_EQ(view_->host().minimum_size().width, c.width);
    EXPECT_EQ(view_->host().minimum_size().height, c.height);
    EXPECT_EQ(view_->host().chrome_mode(), 2);
    EXPECT_FLOAT_EQ(view_->host().zoom(), 0.9f);

    // The whole window is client area, drawn at nine tenths of a DIP.
    RECT client{};
    GetClientRect(hwnd(), &client);
    EXPECT_EQ(client.right, static_cast<LONG>(std::ceil(c.width * 0.9f)));
    EXPECT_EQ(client.bottom, static_cast<LONG>(std::ceil(c.height * 0.9f)));
    RECT outer{};
    GetWindowRect(hwnd(), &outer);
    EXPECT_EQ(outer.left, kLeft);
    EXPECT_EQ(outer.top, kTop);
  }
}

TEST_F(RecordingControlViewTest, WithoutLiveStreamHasNoLiveButtonsAndIgnoresTheLiveState) {
  open(false);
  for (std::size_t i = 0; i < RecordingControlView::kLiveCoverButton; ++i) {
    EXPECT_NE(view_->button(i), nullptr) << i;
  }
  EXPECT_EQ(view_->button(RecordingControlView::kLiveCoverButton), nullptr);
  EXPECT_EQ(view_->button(RecordingControlView::kLiveMuteButton), nullptr);
  EXPECT_EQ(view_->live_details_text(), nullptr);

  const RecordingControlTexts before = view_->texts();
  view_->set_live_state(L"Resume live picture", L"Unmute live audio", L"1280x720", false, true,
                        true);

  EXPECT_EQ(view_->texts().cover_action_text, before.cover_action_text);
  EXPECT_EQ(view_->texts().mute_action_text, before.mute_action_text);
  EXPECT_EQ(view_->texts().live_details, before.live_details);
}

TEST_F(RecordingControlViewTest, EachButtonSendsItsCommandThroughItsOwnInvokePath) {
  open(true);
  struct Case {
    std::size_t slot;
    int id;
  };
  const Case cases[] = {{0, 100},      {1, 101},      {2, 102},      {3, 103},
                        {4, 104},      {5, 105},      {6, 106},      {7, 107},
                        {8, 108},      {9, 0x5202},   {10, 0x5203},  {11, 0x5200},
                        {12, 0x5201}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.slot);
    sent_.clear();
    button(c.slot).activate(win32_ui::modern::kInputPointer);
    EXPECT_EQ(sent_, std::vector<int>{c.id});
  }
}

TEST_F(RecordingControlViewTest, DisabledButtonsSendNothing) {
  open(false);
  view_->set_zoom_enabled(false);
  view_->set_pause_enabled(false);
  view_->set_stop_enabled(false);

  for (std::size_t i = 0; i < RecordingControlView::kLiveCoverButton; ++i) {
    const bool disabled = i == 4 || i == 5 || i == 7 || i == 8;
    EXPECT_EQ(button(i).is_enabled(), !disabled) << i;
    button(i).activate(win32_ui::modern::kInputPointer);
  }
  EXPECT_EQ(sent_, (std::vector<int>{100, 101, 102, 103, 106, 0x5202, 0x5203}));

  view_->set_zoom_enabled(true);
  view_->set_pause_enabled(true);
  view_->set_stop_enabled(true);
  for (std::size_t i : {4, 5, 7, 8}) EXPECT_TRUE(button(i).is_enabled()) << i;
}

TEST_F(RecordingControlViewTest, TooltipsJoinTheHotkeyTextOrShowTheLabelAlone) {
  open(false);
  EXPECT_EQ(button(7).tooltip(), L"Pause recording  \u00B7  Ctrl+Shift+S (conflict)");
  EXPECT_EQ(button(8).tooltip(), L"Stop recording  \u00B7  Ctrl+Shift+X");
  EXPECT_EQ(button(0).tooltip(), L"Top left");
  EXPECT_EQ(button(6).tooltip(), L"Hide control bar");
  EXPECT_EQ(button(9).tooltip(), L"Dock top center");
  EXPECT_EQ(button(10).tooltip(), L"Dock bottom center");

  win32_ui::modern::ElementInfo info;
  button(7).describe_element(info);
  EXPECT_EQ(info.name, L"Pause recording");
  EXPECT_EQ(info.help_text, L"Ctrl+Shift+S (conflict)");
}

TEST_F(RecordingControlViewTest, ThePauseButtonSwitchesBetweenThePauseAndResumePictures) {
  open(false);
  EXPECT_TRUE(shows_icon(button(7), kControlIconPause));
  ASSERT_FALSE(shows_icon(button(7), kControlIconResume));

  view_->set_pause_state(L"Resume recording", true);
  paint(hwnd());
  EXPECT_TRUE(shows_icon(button(7), kControlIconResume));
  EXPECT_EQ(button(7).tooltip(), L"Resume recording  \u00B7  Ctrl+Shift+S (conflict)");

  view_->set_pause_state(L"Pause recording", false);
  paint(hwnd());
  EXPECT_TRUE(shows_icon(button(7), kControlIconPause));
  EXPECT_EQ(button(7).tooltip(), L"Pause recording  \u00B7  Ctrl+Shift+S (conflict)");
}

TEST_F(RecordingControlViewTest, TheLiveStateSelectsTheLiveButtonsAndSwitchesTheMutePicture) {
  open(true);
  EXPECT_TRUE(shows_icon(button(12), kControlIconUnmuted));
  EXPECT_TRUE(shows_icon(button(11), kControlIconLiveCover));
  EXPECT_EQ(button(11).tooltip(), L"Live away: black screen + silence");

  view_->set_live_state(L"Resume live picture", L"Unmute live audio", L"Requested 1920x1080",
                        true, true, true);
  paint(hwnd());
  EXPECT_TRUE(button(11).is_selected());
  EXPECT_TRUE(button(12).is_selected());
  EXPECT_EQ(button(11).tooltip(), L"Resume live picture");
  EXPECT_EQ(button(12).tooltip(), L"Unmute live audio");
  EXPECT_TRUE(shows_icon(button(12), kControlIconMuted));
  EXPECT_EQ(view_->live_details_text()->text(), L"Requested 1920x1080");

  view_->set_live_state(L"Resume live picture", L"Mute all live audio", L"", false, true, false);
  paint(hwnd());
  EXPECT_TRUE(button(11).is_selected());
  EXPECT_FALSE(button(12).is_selected());
  EXPECT_TRUE(shows_icon(button(12), kControlIconUnmuted));
  EXPECT_FALSE(button(11).is_enabled());
  EXPECT_FALSE(button(12).is_enabled());
}

TEST_F(RecordingControlViewTest, TheHeaderStripAboveTheButtonsDragsTheWindow) {
  open(false);
  RECT client{};
  GetClientRect(hwnd(), &client);
  const int middle = client.right / 2;
  struct Case {
    int y;
    LRESULT expected;
  };
  for (const Case c : {Case{5, HTCAPTION}, Case{33, HTCAPTION}, Case{34, HTCLIENT},
                       Case{60, HTCLIENT}}) {
    SCOPED_TRACE(c.y);
    EXPECT_EQ(hit_test(middle, c.y), c.expected);
  }
}

TEST_F(RecordingControlViewTest, ReleaseUnbindsTheWindowAndForgetsTheViews) {
  open(false);
  view_->release();

  EXPECT_EQ(view_->window(), nullptr);
  EXPECT_FALSE(view_->host().is_attached());
  EXPECT_EQ(view_->status_text(), nullptr);
  EXPECT_EQ(view_->note_text(), nullptr);
  for (std::size_t i = 0; i < RecordingControlView::kButtonCount; ++i) {
    EXPECT_EQ(view_->button(i), nullptr) << i;
  }
  EXPECT_EQ(hit_test(100, 10), HTCLIENT);
  // Setters on a released view find no views and change nothing shown.
  view_->set_status_text(L"Quorvel — Recording 00:00:01");
  view_->set_pause_state(L"Resume recording", true);
  view_->set_zoom_enabled(false);
}

TEST_F(RecordingControlViewTest, RefusesAWindowThatNoLongerExists) {
  window_ = std::make_unique<HostTestWindow>(kBarStyle, kLeft, kTop, 700, 140, kBarExStyle);
  RecordingControlView view(kCommandIds, nullptr, english_texts(false));
  const HWND gone = window_->hwnd();
  window_->destroy();

  EXPECT_FALSE(view.initialize(gone, theme_));
  EXPECT_EQ(view.window(), nullptr);
  EXPECT_EQ(view.button(0), nullptr);
}

TEST_F(RecordingControlViewTest, ADestroyedWindowTakesItsSubclassAlong) {
  open(false);
  window_->destroy();
  // The view outlives the window; releasing it later touches nothing dead.
  view_->release();
  EXPECT_EQ(view_->window(), nullptr);
}

TEST_F(RecordingControlViewTest, NewTextsReplaceTheShownOnesButKeepTheTree) {
  open(false);
  view_->set_status_text(L"Quorvel — Recording 01:01:53");
  EXPECT_EQ(view_->status_text()->text(), L"Quorvel — Recording 01:01:53");

  RecordingControlTexts chinese = english_texts(false);
  chinese.placement_note = translate_for_locale(L"zh-CN", L"control.not_recorded");
  chinese.button_labels[0] = translate_for_locale(L"zh-CN", L"control.top_left");
  chinese.hotkey_texts[0] = L"Ctrl+Alt+1";
  chinese.dock_top_text = translate_for_locale(L"zh-CN", L"control.dock_top");
  chinese.live = true;
  view_->set_texts(chinese);

  EXPECT_EQ(view_->note_text()->text(), chinese.placement_note);
  EXPECT_EQ(button(0).tooltip(), chinese.button_labels[0] + L"  \u00B7  Ctrl+Alt+1");
  EXPECT_EQ(button(9).tooltip(), chinese.dock_top_text);
  // The live flag takes effect only when the tree is built again.
  EXPECT_EQ(view_->button(RecordingControlView::kLiveCoverButton), nullptr);
  ASSERT_TRUE(view_->initialize(hwnd(), theme_));
  EXPECT_NE(view_->button(RecordingControlView::kLiveCoverButton), nullptr);
  EXPECT_EQ(view_->host().preferred_size().height, 226.0f);
}

TEST_F(RecordingControlViewTest, TheStatusColumnWidensForALongStatusAndTheNoteGivesWay) {
  // The header's halves: the bar's width less 12 DIP each side and 8 between.
  struct Case {
    bool live;
    const wchar_t* status;
    bool wider_than_half;
  };
  const Case cases[] = {
      {false, L"Quorvel — Recording 00:00:07", false},
      {true, L"Quorvel — Recording 00:00:07", false},
      {false, L"Recording | Live connecting/preparing · 100:00:00", true},
      {true, L"Recording | Live connecting/preparing · 100:00:00", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.live << " " << c.wider_than_half);
    open(c.live);
    const float width = c.live ? RecordingControlView::kLiveWidth : RecordingControlView::kWidth;
    const float half = (width - 24.0f - 8.0f) / 2.0f;
    view_->set_status_text(c.status);
    view_->refresh();
    paint(hwnd());
    const auto status = view_->status_text()->bounds();
    const auto note = view_->note_text()->bounds();
    if (c.wider_than_half) {
      // The whole status, as measured, and the note after it.
      EXPECT_GT(status.width, half);
      EXPECT_FLOAT_EQ(status.width, view_->status_text()->desired_size().width);
    } else {
      EXPECT_FLOAT_EQ(status.width, half);
    }
    EXPECT_GE(note.x, status.x + status.width + 8.0f - 0.01f);
    // Bounds are in the tree's coordinates, inside the 12 DIP side padding
    // of the client area (whole pixels at the bar's zoom).
    RECT client{};
    GetClientRect(hwnd(), &client);
    EXPECT_LE(note.x + note.width, client.right / RecordingControlView::kZoom - 12.0f + 0.01f);
  }
}

TEST_F(RecordingControlViewTest, DrawsTheBarWithItsPicturesInBothThemes) {
  struct Case {
    const char* name;
    Theme theme;
    bool live;
  };
  const Case cases[] = {
      {"light", Theme::light(win32_ui::kDefaultAccent), false},
      {"dark", Theme::dark(win32_ui::kDefaultAccent), false},
      {"light_live", Theme::light(win32_ui::kDefaultAccent), true},
      {"dark_live", Theme::dark(win32_ui::kDefaultAccent), true},
  };
  const Rgb stop_red{0xE0, 0x3E, 0x45};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    theme_ = c.theme;
    open(c.live);
    view_->set_status_text(L"Quorvel — Recording 00:12:34");
    if (c.live) {
      view_->set_live_state(L"Resume live picture", L"Unmute live audio",
                            L"Requested 1920x1080 at 30 fps, 6000 kbps\nSent 5980 kbps, "
                            L"reconnects 0\nLive audio muted",
                            true, false, true);
    }
    view_->refresh();
    paint(hwnd());
    RECT client{};
    GetClientRect(hwnd(), &client);
    DibTarget shown(client.right, client.bottom);
    read_back(shown);
    shown.save_png_if_asked(std::string("control_bar_") + c.name + ".png");

    // The stop picture's red fills the middle of the stop button.
    const RECT stop = pixel_rect(button(8));
    const int stop_x = (stop.left + stop.right) / 2;
    int red = 0;
    for (int y = stop.top; y < stop.bottom; ++y) red += shown.pixel(stop_x, y) == stop_red;
    EXPECT_GT(red, 8);
    // Every command button draws ink of its picture on the bar's background.
    const Rgb background = shown.pixel(client.right / 2, client.bottom - 3);
    for (std::size_t i = 0; i < RecordingControlView::kLiveCoverButton; ++i) {
      EXPECT_TRUE(shown.ink(background, pixel_rect(button(i))).any) << i;
    }
    // The status text is drawn in the header's first column.
    EXPECT_TRUE(shown.ink(background, {12, 2, client.right / 2, 30}).any);
  }
}

// Whether `c` lies between `a` and `b` in every channel, one step of
// rounding aside: a blend of the two.
bool between(Rgb c, Rgb a, Rgb b) {
  const auto within = [](int v, int x, int y) {
    return v >= std::min(x, y) - 1 && v <= std::max(x, y) + 1;
  };
  return within(c.r, a.r, b.r) && within(c.g, a.g, b.g) && within(c.b, a.b, b.b);
}

// The bar's buttons are flat: disabled, they stay at rest on the card, with
// no fill or outline that would read as hovered or pressed, and only their
// picture turns to the disabled ink.
TEST_F(RecordingControlViewTest, DisabledButtonsShowOnlyTheDisabledInkOnTheCardInEveryTheme) {
  struct Case {
    const char* name;
    Theme theme;
  };
  const Case cases[] = {{"light", Theme::light(win32_ui::kDefaultAccent)},
                        {"dark", Theme::dark(win32_ui::kDefaultAccent)},
                        {"high_contrast", Theme::high_contrast()}};
  // Every button the bar disables: zoom, pause, stop and the live buttons.
  const std::size_t disabled[] = {4, 5, 7, 8, RecordingControlView::kLiveCoverButton,
                                  RecordingControlView::kLiveMuteButton};
  for (const Case& c : cases) {
    for (const bool enabled : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.name << (enabled ? " enabled" : " disabled"));
      theme_ = c.theme;
      open(true);
      view_->set_zoom_enabled(enabled);
      view_->set_pause_enabled(enabled);
      view_->set_stop_enabled(enabled);
      view_->set_live_state(L"Live away", L"Mute live audio", L"", enabled, false, false);
      paint(hwnd());
      RECT client{};
      GetClientRect(hwnd(), &client);
      DibTarget shown(client.right, client.bottom);
      read_back(shown);
      shown.save_png_if_asked(std::string("control_bar_buttons_") + c.name +
                              (enabled ? "_enabled" : "_disabled") + ".png");

      const auto palette = Theme::to_render_palette(theme_);
      const auto rgb = [&](int index) {
        const auto color = palette.colors[static_cast<std::size_t>(index)];
        return Rgb{color.r, color.g, color.b};
      };
      const Rgb card = rgb(1);
      for (std::size_t i : disabled) {
        SCOPED_TRACE(i);
        const RECT box = pixel_rect(button(i));
        // From the button's edge, where an outline would be, to beside the
        // picture, where a fill would be: the card.
        const int middle = (box.top + box.bottom) / 2;
        for (int x = box.left; x <= box.left + 4; ++x) EXPECT_EQ(shown.pixel(x, middle), card) << x;
        if (enabled) {
          EXPECT_TRUE(shown.ink(card, box).any) << "its own picture";
          continue;
        }
        // Everywhere on the button only the card and the picture in the
        // disabled text colour, blended at its edges.
        int ink = 0;
        for (int y = box.top; y < box.bottom; ++y) {
          for (int x = box.left; x < box.right; ++x) {
            const Rgb pixel = shown.pixel(x, y);
            EXPECT_TRUE(between(pixel, card, rgb(8))) << x << "," << y;
            ink += pixel != card;
          }
        }
        EXPECT_GT(ink, 8) << "the picture is drawn";
      }
      // The buttons that stay enabled keep their look.
      const RECT corner = pixel_rect(button(0));
      EXPECT_EQ(shown.pixel(corner.left + 4, (corner.top + corner.bottom) / 2), card);
    }
  }
}

TEST_F(RecordingControlViewTest, TheSameStatusTextAgainLeavesTheBarUntouched) {
  open(false);
  view_->set_status_text(L"Quorvel — Recording 00:00:01");
  EXPECT_TRUE(GetUpdateRect(hwnd(), nullptr, FALSE));
  paint(hwnd());
  ASSERT_FALSE(GetUpdateRect(hwnd(), nullptr, FALSE));

  view_->set_status_text(L"Quorvel — Recording 00:00:01");
  EXPECT_FALSE(GetUpdateRect(hwnd(), nullptr, FALSE));
  view_->set_status_text(L"Quorvel — Recording 00:00:02");
  EXPECT_TRUE(GetUpdateRect(hwnd(), nullptr, FALSE));
  EXPECT_EQ(view_->status_text()->text(), L"Quorvel — Recording 00:00:02");
}

}  // namespace
}  // namespace quorvel::windows
