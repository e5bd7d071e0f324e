#include "ui/views/graphics/text_format_key.h"

#include <dwrite.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace win32_ui::modern::detail {
namespace {

std::wstring family_of(const TextFormatKey& key) { return key.family.data(); }

TEST(TextFormatKeyTest, WithoutAFontUsesSegoeUiTwelvePixelsRegular) {
  const TextFormatKey key = TextFormatKey::make(nullptr, L"de-DE", DWRITE_TEXT_ALIGNMENT_CENTER,
                                                DWRITE_PARAGRAPH_ALIGNMENT_FAR,
                                                DWRITE_READING_DIRECTION_RIGHT_TO_LEFT,
                                                DWRITE_WORD_WRAPPING_NO_WRAP);
  EXPECT_EQ(family_of(key), L"Segoe UI");
  EXPECT_EQ(key.height, -12);
  EXPECT_EQ(key.weight, 400);
  EXPECT_FALSE(key.italic);
  EXPECT_EQ(std::wstring(key.locale.data()), L"de-DE");
  EXPECT_EQ(key.text_alignment, DWRITE_TEXT_ALIGNMENT_CENTER);
  EXPECT_EQ(key.paragraph_alignment, DWRITE_PARAGRAPH_ALIGNMENT_FAR);
  EXPECT_EQ(key.reading_direction, DWRITE_READING_DIRECTION_RIGHT_TO_LEFT);
  EXPECT_EQ(key.word_wrapping, DWRITE_WORD_WRAPPING_NO_WRAP);
}

TEST(TextFormatKeyTest, TakesHeightWeightStyleAndFaceFromTheFont) {
  const HFONT font = CreateFontW(-20, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH, L"Tahoma");
  ASSERT_NE(font, nullptr);
  const TextFormatKey key = TextFormatKey::make(font, L"en-US", 0, 0, 0, 0);
  EXPECT_EQ(key.font, font);
  EXPECT_EQ(family_of(key), L"Tahoma");
  EXPECT_EQ(key.height, -20);
  EXPECT_EQ(key.weight, 700);
  EXPECT_TRUE(key.italic);
  EXPECT_EQ(key, TextFormatKey::make(font, L"en-US", 0, 0, 0, 0));
  EXPECT_NE(key, TextFormatKey::make(font, L"en-GB", 0, 0, 0, 0));
  DeleteObject(font);
}

TEST(TextFormatKeyTest, HashIsFnv1a64) {
  // Published FNV-1a 64 test vectors.
  EXPECT_EQ(fnv1a(kFnvOffsetBasis, "", 0), 0xcbf29ce484222325ull);
  EXPECT_EQ(fnv1a(kFnvOffsetBasis, "a", 1), 0xaf63dc4c8601ec8cull);
  EXPECT_EQ(fnv1a(kFnvOffsetBasis, "foobar", 6), 0x85944171f73967e8ull);
  const TextFormatKey key = TextFormatKey::make(nullptr, L"en-US", 0, 0, 0, 0);
  EXPECT_EQ(hash_key(kFnvOffsetBasis, key), hash_key(kFnvOffsetBasis, key));
  EXPECT_NE(hash_key(kFnvOffsetBasis, key),
            hash_key(kFnvOffsetBasis, TextFormatKey::make(nullptr, L"en-US", 1, 0, 0, 0)));
}

}  // namespace
}  // namespace win32_ui::modern::detail
