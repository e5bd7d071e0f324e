#include "account/callback_page.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace halvarin::sdk {
namespace {

TEST(CallbackPageTest, ChoosesChineseOnlyForZhTags) {
  struct Case {
    std::string tag;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"zh", "zh-CN"},       {"ZH_tw", "zh-CN"},  {"zh-CN", "zh-CN"},  {"Zh-Hans-CN", "zh-CN"},
      {"ZH", "zh-CN"},       {"zh_", "zh-CN"},    {"zh-", "zh-CN"},    {"zhx", "en-US"},
      {"en-GB", "en-US"},    {"", "en-US"},       {"z", "en-US"},      {"zh_x", "zh-CN"},
      {"x-zh", "en-US"},     {"en-US", "en-US"},  {"zhtw", "en-US"},   {" zh", "en-US"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(callback_page_locale(c.tag), c.expected) << c.tag;
  }
}

// The page around its style element, written out from the page layout:
// doctype, html with its language, the head's three meta elements and
// title, then the body's one main card.
std::string page_head(std::string_view lang, std::string_view title) {
  return "<!doctype html><html lang=\"" + std::string(lang) +
         "\"><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">"
         "<meta name=\"color-scheme\" content=\"light dark\"><title>" +
         std::string(title) + " \xC2\xB7 Halvarin</title><style>";
}

std::string page_body(std::string_view mark_class, std::string_view mark, std::string_view title,
                      std::string_view message) {
  return "</style></head><body><main><div class=\"mark " + std::string(mark_class) + "\">" +
         std::string(mark) + "</div><h1>" + std::string(title) + "</h1><p>" +
         std::string(message) + "</p><div class=\"brand\">HALVARIN</div></main></body></html>";
}

TEST(CallbackPageTest, BuildsTheFourPagesAroundTheirTexts) {
  struct Case {
    std::string tag;
    bool success;
    std::string lang;
    std::string title;
    std::string message;
    std::string mark;
    std::string mark_class;
  };
  const std::vector<Case> cases = {
      {"en-US", true, "en", "Sign-in complete", "You can now return to the app.", "&#10003;",
       "success"},
      {"en-GB", false, "en", "Sign-in incomplete", "Return to the app and try again.", "!",
       "failure"},
      {"zh", true, "zh-CN", "\xE7\x99\xBB\xE5\xBD\x95\xE5\xAE\x8C\xE6\x88\x90",
       "\xE4\xBD\xA0\xE7\x8E\xB0\xE5\x9C\xA8\xE5\x8F\xAF\xE4\xBB\xA5\xE8\xBF\x94\xE5\x9B\x9E"
       "\xE5\xBA\x94\xE7\x94\xA8\xE3\x80\x82",
       "&#10003;", "success"},
      {"ZH_tw", false, "zh-CN", "\xE7\x99\xBB\xE5\xBD\x95\xE6\x9C\xAA\xE5\xAE\x8C\xE6\x88\x90",
       "\xE8\xAF\xB7\xE8\xBF\x94\xE5\x9B\x9E\xE5\xBA\x94\xE7\x94\xA8\xE5\x90\x8E\xE9\x87\x8D"
       "\xE8\xAF\x95\xE3\x80\x82",
       "!", "failure"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    const std::string page = make_callback_page(c.tag, c.success);
    const std::string head = page_head(c.lang, c.title);
    const std::string body = page_body(c.mark_class, c.mark, c.title, c.message);
    ASSERT_TRUE(page.starts_with(head)) << page.substr(0, head.size());
    ASSERT_TRUE(page.ends_with(body)) << page.substr(page.size() - std::min(page.size(), body.size()));
    const std::string style = page.substr(head.size(), page.size() - head.size() - body.size());
    EXPECT_EQ(style.find('<'), std::string::npos) << "one style element only";
    // A system font stack from Inter to sans-serif.
    const size_t fonts = style.find("font-family:");
    ASSERT_NE(fonts, std::string::npos);
    const size_t fonts_end = style.find_first_of(";}", fonts);
    const std::string stack = style.substr(fonts + 12, fonts_end - fonts - 12);
    EXPECT_TRUE(stack.starts_with("Inter,")) << stack;
    EXPECT_TRUE(stack.ends_with(",sans-serif")) << stack;
  }
}

TEST(CallbackPageTest, PageIsOneSelfContainedLine) {
  for (const std::string tag : {"en-US", "zh-CN"}) {
    for (const bool success : {true, false}) {
      const std::string page = make_callback_page(tag, success);
      SCOPED_TRACE(tag + (success ? " success" : " failure"));
      EXPECT_EQ(page.find_first_of("\r\n\t"), std::string::npos);
      EXPECT_EQ(page.find("> <"), std::string::npos);
      for (const char* banned : {"<script", "<img", "<link", "<iframe", "<object", "src=",
                                 "href=", "url(", "@import", "@font-face", "javascript:"}) {
        EXPECT_EQ(page.find(banned), std::string::npos) << banned;
      }
      // The palette of the light and the dark scheme.
      for (const char* colour :
           {"#10243d", "#f4f6f8", "#d9e0e8", "#087eea", "#e4f1ff", "#b94a18", "#fff0e8",
            "#607086", "#eef5ff", "#0d151f", "#283747", "#111d29", "#a9b8ca", "#5aafff",
            "#153757", "#ffac83", "#49291d", "prefers-color-scheme:dark", "max-width:560px",
            "padding:44px", "border-radius:20px", "width:48px", "height:48px",
            "border-radius:14px", "margin-bottom:28px", "font-size:26px", "font-size:32px",
            "line-height:1.2", "font-size:17px", "line-height:1.7", "font-size:13px",
            "margin-top:34px", "padding:32px", "box-sizing:border-box"}) {
        EXPECT_NE(page.find(colour), std::string::npos) << colour;
      }
    }
  }
}

TEST(CallbackPageTest, AnswerHeadCarriesThePageLengthInBytes) {
  // Two-byte characters: the length counts bytes, not characters.
  const std::string page = "<p>\xC3\xA9\xC3\xA9</p>";
  const std::string expected =
      "HTTP/1.1 200 OK\r\n"
      "Content-Type: text/html; charset=utf-8\r\n"
      "Content-Length: 11\r\n"
      "Cache-Control: no-store\r\n"
      "X-Content-Type-Options: nosniff\r\n"
      "Content-Security-Policy: default-src 'none'; style-src 'unsafe-inline'\r\n"
      "Connection: close\r\n"
      "\r\n"
      "<p>\xC3\xA9\xC3\xA9</p>";
  EXPECT_EQ(make_callback_response(page), expected);

  const std::string real_page = make_callback_page("zh-CN", true);
  const std::string response = make_callback_response(real_page);
  const std::string length_line = "\r\nContent-Length: " + std::to_string(real_page.size()) + "\r\n";
  EXPECT_NE(response.find(length_line), std::string::npos);
  EXPECT_TRUE(response.ends_with("\r\n\r\n" + real_page));
}

}  // namespace
}  // namespace halvarin::sdk
