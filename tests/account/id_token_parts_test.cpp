#include "account/id_token_parts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace halvarin::sdk {
namespace {

struct SplitCase {
  const char* name;
  const char* token;
  bool split;
  const char* signed_text;
  const char* header;
  const char* payload;
  std::vector<uint8_t> signature;
};

class IdTokenPartsTest : public ::testing::TestWithParam<SplitCase> {};

// "eyJhIjoxfQ" is {"a":1}, "eyJiIjoyfQ" is {"b":2}, "AQID" the bytes 1 2 3.
TEST_P(IdTokenPartsTest, SplitsAtExactlyTwoDots) {
  const SplitCase& c = GetParam();
  IdTokenParts parts;
  ASSERT_EQ(split_id_token(c.token, parts), c.split);
  if (!c.split) return;
  EXPECT_EQ(parts.signed_text, c.signed_text);
  EXPECT_EQ(parts.header, c.header);
  EXPECT_EQ(parts.payload, c.payload);
  EXPECT_EQ(parts.signature, c.signature);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, IdTokenPartsTest,
    ::testing::Values(
        SplitCase{"ThreeParts", "eyJhIjoxfQ.eyJiIjoyfQ.AQID", true, "eyJhIjoxfQ.eyJiIjoyfQ",
                  "{\"a\":1}", "{\"b\":2}", {1, 2, 3}},
        SplitCase{"EmptySignature", "eyJhIjoxfQ.eyJiIjoyfQ.", true, "eyJhIjoxfQ.eyJiIjoyfQ",
                  "{\"a\":1}", "{\"b\":2}", {}},
        SplitCase{"EmptyHeaderAndPayload", "..AQID", true, ".", "", "", {1, 2, 3}},
        SplitCase{"UndecodablePartsStayEmpty", "e.*.AQID", true, "e.*", "", "", {1, 2, 3}},
        SplitCase{"Empty", "", false, "", "", "", {}},
        SplitCase{"NoDot", "eyJhIjoxfQ", false, "", "", "", {}},
        SplitCase{"OneDot", "eyJhIjoxfQ.eyJiIjoyfQ", false, "", "", "", {}},
        SplitCase{"FirstDotLast", "eyJhIjoxfQ.", false, "", "", "", {}},
        SplitCase{"ThirdDot", "a.b.c.d", false, "", "", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace halvarin::sdk
