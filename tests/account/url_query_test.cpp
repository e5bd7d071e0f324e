#include "account/url_query.h"

#include <random>
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

TEST(UrlQueryTest, HandlesArbitraryBytes) {
  // Bytes a hostile local process may send: decoding never grows the text,
  // and a found value is the decoding of bytes that were in the target.
  std::mt19937 random(12345);
  const std::string alphabet = std::string("%+&=?abcode0123456789AFzZ\r\n ", 28) + '\0' + '\xff';
  for (int round = 0; round < 2000; ++round) {
    std::string text(random() % 40, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    const std::string decoded = url_decode(text);
    EXPECT_LE(decoded.size(), text.size()) << text;
    const std::string value = query_parameter(text, "code");
    EXPECT_LE(value.size(), text.size()) << text;
    if (text.find('?') == std::string::npos) {
      EXPECT_EQ(value, "") << text;
    }
  }
}

}  // namespace
}  // namespace halvarin::sdk
