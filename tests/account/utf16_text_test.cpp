#include "account/utf16_text.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace halvarin::sdk {
namespace {

TEST(Utf8ToWideTest, ConvertsValidUtf8) {
  struct Case {
    const char* name;
    std::string text;
    std::wstring expected;
  };
  const std::vector<Case> cases = {
      {"ASCII", "abc", L"abc"},
      {"two bytes", "\xC3\xA9", std::wstring{wchar_t{0x00E9}}},
      {"three bytes", "\xE2\x82\xAC", std::wstring{wchar_t{0x20AC}}},
      {"Chinese", "\xE4\xB8\xAD\xE6\x96\x87", std::wstring{wchar_t{0x4E2D}, wchar_t{0x6587}}},
      {"four bytes become a surrogate pair", "\xF0\x9F\x98\x80",
       std::wstring{wchar_t{0xD83D}, wchar_t{0xDE00}}},
      {"embedded zero", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
      {"URL", "https://www.halvarin.com/user/", L"https://www.halvarin.com/user/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(utf8_to_wide(c.text), c.expected) << c.name;
  }
}

TEST(Utf8ToWideTest, InvalidOrEmptyInputGivesAnEmptyString) {
  struct Case {
    const char* name;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"empty", ""},
      {"lone continuation byte", "\x80"},
      {"truncated two-byte sequence", "a\xC3"},
      {"truncated three-byte sequence", "\xE2\x82"},
      {"overlong slash", "\xC0\xAF"},
      {"byte 0xFF", "ok\xFF"},
      {"encoded surrogate half", "\xED\xA0\xBD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80"},
      {"Latin-1 text", "caf\xE9"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(utf8_to_wide(c.text).empty()) << c.name;
  }
}

}  // namespace
}  // namespace halvarin::sdk
