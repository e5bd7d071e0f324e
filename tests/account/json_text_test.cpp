#include "account/json_text.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace halvarin::sdk {
namespace {

// Bytes written out, so that the expected UTF-8 is spelled independently of
// the decoder.
std::string bytes(std::initializer_list<unsigned> values) {
  std::string out;
  for (const unsigned value : values) out.push_back(static_cast<char>(value));
  return out;
}

struct StringCase {
  const char* name;
  std::string json;
  std::string key;
  std::string expected;
};

TEST(JsonGetStringTest, ReadsTheStringValueBehindTheFirstOccurrenceOfTheKey) {
  const std::vector<StringCase> cases = {
      {"plain member", R"({"k":"v"})", "k", "v"},
      {"white space around the colon", R"({"k" :  "v"})", "k", "v"},
      {"white space of every kind", "{\"k\":\t\r\n\v\f \"v\"}", "k", "v"},
      {"nested key comes first", R"({"outer":{"k":"inner"},"k":"top"})", "k", "inner"},
      {"value equal to key then string", R"({"a":"k":"next"})", "k", "next"},
      {"keys match case-sensitively", R"({"K":"upper","k":"lower"})", "k", "lower"},
      {"missing key", R"({"a":"v"})", "k", ""},
      {"text shorter than the needle", R"("k)", "k", ""},
      {"no colon after the key", R"({"k"})", "k", ""},
      {"colon is the last byte", R"({"k":)", "k", ""},
      {"only white space after the colon", "{\"k\":  ", "k", ""},
      {"empty string value", R"({"k":""})", "k", ""},
      {"null is not the next string", R"({"k":null,"x":"y"})", "k", ""},
      {"number is not the next string", R"({"k":5,"x":"y"})", "k", ""},
      {"boolean is not the next string", R"({"k":true,"x":"y"})", "k", ""},
      {"object is not a string", R"({"k":{"x":"y"}})", "k", ""},
      {"array is not a string", R"({"k":["x"]})", "k", ""},
      {"refresh token null keeps id token out",
       R"({"refresh_token":null,"id_token":"eyJ"})", "refresh_token", ""},
      {"error null keeps the description's key out",
       R"({"error":null,"error_description":"x"})", "error", ""},
      {"quote, slash and backslash escapes", R"({"k":"a\"b\/c\\d"})", "k", "a\"b/c\\d"},
      {"control escapes", R"({"k":"\b\f\n\r\t"})", "k", "\b\f\n\r\t"},
      {"raw control bytes are copied", "{\"k\":\"a\x01\tb\"}", "k", "a\x01\tb"},
      {"one-byte \\u escape", R"({"k":"\u0041"})", "k", "A"},
      {"\\u0000 gives a zero byte", R"({"k":"a\u0000b"})", "k", std::string("a\0b", 3)},
      {"two-byte \\u escape", R"({"k":"\u00e9"})", "k", bytes({0xC3, 0xA9})},
      {"upper-case hexadecimal digits", R"({"k":"\u00E9"})", "k", bytes({0xC3, 0xA9})},
      {"highest two-byte code point", R"({"k":"\u07ff"})", "k", bytes({0xDF, 0xBF})},
      {"three-byte \\u escape", R"({"k":"\u20ac"})", "k", bytes({0xE2, 0x82, 0xAC})},
      {"lowest three-byte code point", R"({"k":"\u0800"})", "k", bytes({0xE0, 0xA0, 0x80})},
      {"surrogate halves encoded one by one", R"({"k":"\ud83d\ude00"})", "k",
       bytes({0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80})},
      {"lone low surrogate", R"({"k":"\udc00"})", "k", bytes({0xED, 0xB0, 0x80})},
      {"UTF-8 bytes pass through", "{\"k\":\"\xE4\xB8\xAD\"}", "k", bytes({0xE4, 0xB8, 0xAD})},
      {"unknown escape", R"({"k":"a\xb"})", "k", ""},
      {"escaped apostrophe is unknown", R"({"k":"a\'b"})", "k", ""},
      {"short \\u at the end", R"({"k":"\u00e)", "k", ""},
      {"short \\u before the quote", R"({"k":"\u00"})", "k", ""},
      {"non-hexadecimal \\u digit", R"({"k":"\u00g9"})", "k", ""},
      {"escape at the very end", "{\"k\":\"ab\\", "k", ""},
      {"unterminated string", R"({"k":"abc)", "k", ""},
      {"escaped closing quote only", R"({"k":"abc\")", "k", ""},
      {"empty key finds an empty-string member", R"({"":"v"})", "", "v"},
  };
  for (const StringCase& c : cases) {
    EXPECT_EQ(json_get_string(c.json, c.key), c.expected) << c.name;
  }
}

TEST(JsonGetStringTest, ReadsAValueEqualToTheKeyAsTheKeysOccurrence) {
  // The key's first occurrence is the value of "a"; the colon that follows
  // belongs to "b", whose string value is then read.
  EXPECT_EQ(json_get_string(R"({"a":"k","b":"x"})", "k"), "x");
  EXPECT_EQ(json_get_string(R"({"a":"k" , "b": "x","k":"own"})", "k"), "x");
  EXPECT_EQ(json_get_string(R"(["k": "value"])", "k"), "value");
}

TEST(JsonGetStringTest, SurvivesHostileInput) {
  std::string deep(100000, '{');
  deep.append("\"k\":\"v\"").append(100000, '}');
  EXPECT_EQ(json_get_string(deep, "k"), "v");
  const std::string long_value = "{\"k\":\"" + std::string(1 << 20, 'a') + "\"}";
  EXPECT_EQ(json_get_string(long_value, "k").size(), size_t{1} << 20);
  const std::string many_escapes = "{\"k\":\"" + std::string(30001, '\\');
  EXPECT_EQ(json_get_string(many_escapes, "k"), "");
  EXPECT_EQ(json_get_string(std::string("\0\"k\":\"\0\"", 8), "k"), std::string(1, '\0'));
  EXPECT_EQ(json_get_string("", "k"), "");
}

struct Int64Case {
  const char* name;
  std::string json;
  int64_t expected;
};

TEST(JsonGetInt64Test, ReadsDecimalIntegersWithinTheInt64Range) {
  const std::vector<Int64Case> cases = {
      {"ten digits", R"({"n":1234567890})", 1234567890},
      {"zero", R"({"n":0})", 0},
      {"negative", R"({"n":-5})", -5},
      {"white space before the value", "{\"n\": \t\r\n\v\f42}", 42},
      {"fraction is cut off", R"({"n":12.9})", 12},
      {"exponent is ignored", R"({"n":3e5})", 3},
      {"comma ends the digits", R"({"n":7,"m":8})", 7},
      {"leading zeros", R"({"n":007})", 7},
      {"largest value", R"({"n":9223372036854775807})", INT64_MAX},
      {"smallest value", R"({"n":-9223372036854775808})", INT64_MIN},
      {"one above the largest", R"({"n":9223372036854775808})", 0},
      {"one below the smallest", R"({"n":-9223372036854775809})", 0},
      {"twenty digits", R"({"n":18446744073709551616})", 0},
      {"huge number", "{\"n\":" + std::string(5000, '9') + "}", 0},
      {"plus sign", R"({"n":+5})", 0},
      {"quoted number", R"({"n":"5"})", 0},
      {"boolean", R"({"n":true})", 0},
      {"null", R"({"n":null})", 0},
      {"minus without digits", R"({"n":-})", 0},
      {"double minus", R"({"n":--5})", 0},
      {"minus then blank", R"({"n":- 5})", 0},
      {"missing key", R"({"m":5})", 0},
      {"colon is the last byte", R"({"n":)", 0},
      {"key found inside a nested object first", R"({"o":{"n":1},"n":2})", 1},
  };
  for (const Int64Case& c : cases) {
    EXPECT_EQ(json_get_int64(c.json, "n"), c.expected) << c.name;
  }
}

struct ListCase {
  const char* name;
  std::string json;
  std::vector<std::string> expected;
};

TEST(JsonGetStringListTest, ReturnsEachObjectOfTheArrayWhole) {
  const std::vector<ListCase> cases = {
      {"two objects", R"({"keys":[{"a":1},{"b":2}]})", {R"({"a":1})", R"({"b":2})"}},
      {"white space and commas between", "{\"keys\" : [ \n{\"a\":1} ,\t{\"b\":2} ]}",
       {R"({"a":1})", R"({"b":2})"}},
      {"nested objects kept whole", R"({"keys":[{"a":{"b":{}}}]})", {R"({"a":{"b":{}}})"}},
      {"brace inside a string", R"({"keys":[{"s":"}"},{"t":"{"}]})",
       {R"({"s":"}"})", R"({"t":"{"})"}},
      {"escaped quote inside a string", R"({"keys":[{"s":"\"}"}]})", {R"({"s":"\"}"})"}},
      {"empty array", R"({"keys":[]})", {}},
      {"array of strings", R"({"keys":["a","b"]})", {}},
      {"object then string", R"({"keys":[{"a":1},"b"]})", {}},
      {"array of numbers", R"({"keys":[1]})", {}},
      {"nested array", R"({"keys":[[{"a":1}]]})", {}},
      {"text ends inside an element", R"({"keys":[{"a":1},{"b":)", {}},
      {"text ends inside a string of an element", R"({"keys":[{"a":"}]})", {}},
      {"text ends before the bracket", R"({"keys":[{"a":1},{"b":2})", {R"({"a":1})", R"({"b":2})"}},
      {"text ends right after the bracket", R"({"keys":[)", {}},
      {"missing key", R"({"other":[{"a":1}]})", {}},
      {"value is not an array", R"({"keys":null,"other":[{"a":1}]})", {}},
      {"value is an object", R"({"keys":{"x":[{"a":1}]}})", {}},
      {"first occurrence is nested", R"({"o":{"keys":[{"a":1}]},"keys":[{"b":2}]})",
       {R"({"a":1})"}},
  };
  for (const ListCase& c : cases) {
    EXPECT_EQ(json_get_string_list(c.json, "keys"), c.expected) << c.name;
  }
}

TEST(JsonGetStringListTest, SurvivesDeepNestingAndManyElements) {
  const std::string deep_object = std::string(200000, '{') + std::string(200000, '}');
  const std::vector<std::string> deep = json_get_string_list("{\"keys\":[" + deep_object + "]}", "keys");
  ASSERT_EQ(deep.size(), 1u);
  EXPECT_EQ(deep[0], deep_object);

  const std::string unclosed = "{\"keys\":[" + std::string(200000, '{');
  EXPECT_TRUE(json_get_string_list(unclosed, "keys").empty());

  std::string many = "{\"keys\":[";
  for (int i = 0; i < 10000; ++i) many += "{},";
  many += "]}";
  EXPECT_EQ(json_get_string_list(many, "keys").size(), 10000u);
}

TEST(JsonEscapeTest, EscapesQuotesBackslashesAndControlBytesOnly) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"plain", "plain"},
      {"", ""},
      {"a\"b", "a\\\"b"},
      {"a\\b", "a\\\\b"},
      {"\b\f\n\r\t", "\\b\\f\\n\\r\\t"},
      {std::string(1, '\0'), "\\u0000"},
      {"\x01", "\\u0001"},
      {"\x0b", "\\u000b"},
      {"\x1f", "\\u001f"},
      {"/", "/"},
      {"\x7f", "\x7f"},
      {" ~", " ~"},
      {bytes({0xC3, 0xA9, 0x80, 0xFF}), bytes({0xC3, 0xA9, 0x80, 0xFF})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(json_escape(c.text), c.expected) << c.text;
  }
}

TEST(JsonEscapeTest, EscapedTextReadsBackUnchanged) {
  std::string every_byte;
  for (int byte = 1; byte < 256; ++byte) every_byte.push_back(static_cast<char>(byte));
  const std::string json = "{\"k\":\"" + json_escape(every_byte) + "\"}";
  EXPECT_EQ(json_get_string(json, "k"), every_byte);
}

}  // namespace
}  // namespace halvarin::sdk
