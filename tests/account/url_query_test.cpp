#include "account/url_query.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace halvarin::sdk {
namespace {

using namespace std::string_literals;

TEST(UrlQueryTest, DecodesEscapesAndPlusAndKeepsEverythingElse) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"abc", "abc"},
      {"a%2Bb+c", "a+b c"},
      {"%41%62%7e", "Ab~"},
      {"%e4%B8%ad", "\xE4\xB8\xAD"},
      {"%00", "\0"s},
      {"a%00b", "a\0b"s},
      {"%zz", "%zz"},
      {"%%41", "%A"},
      // A "%" with only one or no character after it is kept as it stands.
      {"ab%4", "ab%4"},
      {"ab%", "ab%"},
      {"%", "%"},
      // One hexadecimal digit followed by something else is no escape.
      {"%4z", "%4z"},
      {"%z4", "%z4"},
      {"++", "  "},
      {"%2B%2b", "++"},
      {"%252B", "%2B"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(url_decode(c.text), c.expected) << c.text;
  }
}

TEST(UrlQueryTest, FindsTheFirstParameterByItsDecodedName) {
  struct Case {
    std::string target;
    std::string name;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"/callback?code=abc&state=xyz", "code", "abc"},
      {"/callback?code=abc&state=xyz", "state", "xyz"},
      {"/callback?code=abc&state=xyz", "error", ""},
      {"/callback?co%64e=abc", "code", "abc"},
      {"/callback?code=first&code=second", "code", "first"},
      {"/callback?codex=1&code=2", "code", "2"},
      {"/callback?Code=1", "code", ""},
      {"/callback?state=x%2By+z", "state", "x+y z"},
      {"/callback?code=a=b", "code", "a=b"},
      {"/callback?code=", "code", ""},
      {"/callback?code&code=2", "code", "2"},
      {"/callback?&&code=x&", "code", "x"},
      {"/callback?code=a&", "code", "a"},
      {"/callback?", "code", ""},
      {"/callback", "code", ""},
      {"/callback#code=1", "code", ""},
      {"/a?x=1?code=3", "code", ""},
      {"/a?x=1?code=3", "x", "1?code=3"},
      {"?code=%00", "code", "\0"s},
      {"/callback?error=access_denied&code=abc", "error", "access_denied"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(query_parameter(c.target, c.name), c.expected) << c.target << " " << c.name;
  }
}

}  // namespace
}  // namespace halvarin::sdk
