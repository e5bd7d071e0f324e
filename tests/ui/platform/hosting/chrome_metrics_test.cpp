// The custom frame's hit test from a table of metrics and points: resize
// bands and corners, the caption, the icon area and the caption buttons
// with and without the minimise and maximise boxes.
#include "ui/platform/hosting/chrome_metrics.h"

#include <gtest/gtest.h>

namespace win32_ui::modern {
namespace {

// 400 x 300 client, a 4-pixel band, the 96-DPI title row.
ChromeMetrics titled(bool minimize, bool maximize, bool zoomed = false, bool resizable = true) {
  ChromeMetrics m;
  m.client_width = 400;
  m.client_height = 300;
  m.caption_height = 44;
  m.border = 4;
  m.button_width = 46;
  m.icon_width = 48;
  m.zoomed = zoomed;
  m.resizable = resizable;
  m.has_minimize = minimize;
  m.has_maximize = maximize;
  return m;
}

struct HitCase {
  const char* name;
  ChromeMetrics metrics;
  int x;
  int y;
  ChromeHit hit;
};

class ChromeHitTest : public ::testing::TestWithParam<HitCase> {};

TEST_P(ChromeHitTest, FindsThePartUnderThePoint) {
  const HitCase& c = GetParam();
  EXPECT_EQ(chrome_hit_test(c.metrics, c.x, c.y), c.hit) << c.name;
}

ChromeMetrics borderless_mode_two() {
  ChromeMetrics m = titled(true, true);
  m.caption_height = 0;
  m.button_width = 0;
  m.icon_width = 0;
  return m;
}

const HitCase kHitCases[] = {
    {"left of the window", titled(true, true), -1, 100, ChromeHit::outside},
    {"past the bottom", titled(true, true), 100, 300, ChromeHit::outside},
    {"top-left corner", titled(true, true), 0, 0, ChromeHit::top_left},
    {"top-right corner", titled(true, true), 396, 3, ChromeHit::top_right},
    {"bottom-left corner", titled(true, true), 3, 296, ChromeHit::bottom_left},
    {"bottom-right corner", titled(true, true), 399, 299, ChromeHit::bottom_right},
    {"top band", titled(true, true), 200, 3, ChromeHit::top},
    {"bottom band", titled(true, true), 200, 296, ChromeHit::bottom},
    {"left band", titled(true, true), 3, 150, ChromeHit::left},
    {"right band", titled(true, true), 396, 150, ChromeHit::right},
    {"content", titled(true, true), 200, 44, ChromeHit::content},
    {"caption", titled(true, true), 200, 20, ChromeHit::caption},
    {"icon area", titled(true, true), 47, 20, ChromeHit::icon},
    {"close at the right edge", titled(true, true), 354, 20, ChromeHit::close_button},
    {"maximise left of close", titled(true, true), 308, 20, ChromeHit::maximize_button},
    {"minimise left of maximise", titled(true, true), 262, 20, ChromeHit::minimize_button},
    {"caption left of minimise", titled(true, true), 261, 20, ChromeHit::caption},
    {"no maximise: minimise next to close", titled(true, false), 308, 20,
     ChromeHit::minimize_button},
    {"no maximise: caption left of minimise", titled(true, false), 307, 20, ChromeHit::caption},
    {"no boxes: only close", titled(false, false), 353, 20, ChromeHit::caption},
    {"maximised: top pixels are caption", titled(true, true, true), 200, 0, ChromeHit::caption},
    {"maximised: no left band", titled(true, true, true), 0, 100, ChromeHit::content},
    {"fixed size: no bands", titled(true, true, false, false), 0, 0, ChromeHit::icon},
    {"mode 2: band kept", borderless_mode_two(), 200, 2, ChromeHit::top},
    {"mode 2: the rest is content", borderless_mode_two(), 200, 10, ChromeHit::content},
};

INSTANTIATE_TEST_SUITE_P(Table, ChromeHitTest, ::testing::ValuesIn(kHitCases));

TEST(ChromeHitCodeTest, ViewButtonsAnswerClientAndMaximiseAnswersMaxButton) {
  const struct {
    ChromeHit hit;
    LRESULT code;
  } cases[] = {
      {ChromeHit::outside, HTNOWHERE},        {ChromeHit::content, HTCLIENT},
      {ChromeHit::caption, HTCAPTION},        {ChromeHit::icon, HTSYSMENU},
      {ChromeHit::minimize_button, HTCLIENT}, {ChromeHit::maximize_button, HTMAXBUTTON},
      {ChromeHit::close_button, HTCLIENT},    {ChromeHit::left, HTLEFT},
      {ChromeHit::right, HTRIGHT},            {ChromeHit::top, HTTOP},
      {ChromeHit::bottom, HTBOTTOM},          {ChromeHit::top_left, HTTOPLEFT},
      {ChromeHit::top_right, HTTOPRIGHT},     {ChromeHit::bottom_left, HTBOTTOMLEFT},
      {ChromeHit::bottom_right, HTBOTTOMRIGHT},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(chrome_hit_code(c.hit), c.code) << static_cast<int>(c.hit);
  }
}

}  // namespace
}  // namespace win32_ui::modern
