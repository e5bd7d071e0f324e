#include "app/common/translate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/common/text_catalog.h"
#include "tests/support/test_support.h"
#include "ui/platform/localization_context.h"
#include "ui/platform/localized_text.h"
#include "ui/platform/scaffold/application.h"
#include "ui/platform/theme/theme.h"

namespace quorvel::windows {
namespace {

using quorvel::test::utf8;
using win32_ui::modern::LocalizationContext;
using win32_ui::modern::LocalizedText;

TEST(TranslateForLocale, GivesTheEnglishStartupFailureCaption) {
  EXPECT_EQ(translate_for_locale(L"en-US", L"window.startup_failed"), L"Quorvel failed to start");
}

TEST(TranslateForLocale, NormalisesTheTagBeforeTheLookup) {
  // "Quorvel — 新建录制", spelled out so the check does not rest on the
  // source encoding.
  const std::wstring chinese = L"Quorvel \u2014 \u65B0\u5EFA\u5F55\u5236";
  EXPECT_EQ(translate_for_locale(L"zh-cn", L"window.main"), chinese);
  EXPECT_EQ(translate_for_locale(L"zh_Hans_CN", L"window.main"), chinese);
  // Traditional Chinese is not shipped: those users read English, not the
  // Simplified rows a plain "zh" prefix would reach.
  EXPECT_EQ(translate_for_locale(L"zh-TW", L"window.main"), L"Quorvel \u2014 New recording");
  EXPECT_EQ(translate_for_locale(L"", L"window.main"), L"Quorvel \u2014 New recording");
}

TEST(TranslateForLocale, ReplacesPlaceholdersWithTheArgumentsInOrder) {
  EXPECT_EQ(translate_for_locale(L"en-US", L"main.monitor_number", {L"2"}), L"Monitor 2");
  EXPECT_EQ(translate_for_locale(L"en-US", L"main.preset_current_max",
                                 {L"16", L"9", L"2560", L"1440"}),
            L"Current screen maximum 16:9 \u2014 2560 \u00D7 1440");
  EXPECT_EQ(translate_for_locale(L"zh-CN", L"main.monitor_number", {L"2"}),
            L"\u663E\u793A\u5668 2");
  // Without arguments the placeholder stays visible.
  EXPECT_EQ(translate_for_locale(L"en-US", L"main.monitor_number"), L"Monitor {0}");
}

TEST(TranslateForLocale, KeepsTheLiteralBarOfTheDualStatus) {
  for (const wchar_t* locale : {L"en-US", L"zh-CN"}) {
    EXPECT_EQ(translate_for_locale(locale, L"stream.dual_status", {L"Recording", L"Live", L"0:12"}),
              L"Recording | Live \u00B7 0:12")
        << utf8(locale);
  }
}

TEST(TranslateForLocale, ShowsAKeyOutsideTheCatalogueAsTheKeyItself) {
  EXPECT_EQ(translate_for_locale(L"en-US", L"window.nonexistent"), L"window.nonexistent");
  EXPECT_EQ(translate_for_locale(L"zh-CN", L"window.nonexistent", {L"x"}), L"window.nonexistent");
  // The toolkit's own dialog texts are not catalogue texts.
  EXPECT_EQ(translate_for_locale(L"en-US", L"scaffold.dialog.ok"), L"scaffold.dialog.ok");
  EXPECT_EQ(translate_for_locale(L"zh-CN", L"scaffold.dialog.ok"), L"scaffold.dialog.ok");
}

// translate looks up through a real toolkit application given the shared
// bundle and a language, as the program's windows do.
class Translate : public ::testing::Test {
 protected:
  Translate() {
    app_.set_resource_bundle(text_catalog_bundle());
    app_.set_language(L"en-US");
  }

  win32_ui::scaffold::Application app_{win32_ui::kThemeModeSystem, win32_ui::kDefaultAccent};
};

TEST_F(Translate, ReplacesPlaceholdersInTheApplicationLanguage) {
  EXPECT_EQ(translate(app_, L"main.monitor_number", {L"2"}), L"Monitor 2");
  app_.set_language(L"zh-CN");
  EXPECT_EQ(translate(app_, L"main.monitor_number", {L"2"}), L"\u663E\u793A\u5668 2");
  EXPECT_EQ(translate(app_, L"window.main"), translate_for_locale(L"zh-CN", L"window.main"));
}

TEST_F(Translate, KeepsTheLiteralBarOfTheDualStatus) {
  EXPECT_EQ(translate(app_, L"stream.dual_status", {L"Recording", L"Live", L"0:12"}),
            L"Recording | Live \u00B7 0:12");
}

TEST_F(Translate, KnowsTheToolkitTextsTheCatalogueLacks) {
  EXPECT_EQ(translate(app_, L"scaffold.dialog.ok"), L"OK");
  app_.set_language(L"zh-CN");
  EXPECT_EQ(translate(app_, L"scaffold.dialog.ok"), L"\u786E\u5B9A");
  EXPECT_EQ(translate_for_locale(L"zh-CN", L"scaffold.dialog.ok"), L"scaffold.dialog.ok");
}

TEST_F(Translate, ShowsAKeyKnownToNeitherAsTheKeyItself) {
  EXPECT_EQ(translate(app_, L"window.nonexistent"), L"window.nonexistent");
  EXPECT_EQ(translate(app_, L"window.nonexistent", {L"x"}), L"window.nonexistent");
}

// A view surface resolves catalogue keys through its own context given the
// shared bundle, and resolves again when the language changes.
TEST(TextCatalogLookup, ResolvesThroughALocalizationContextGivenTheBundle) {
  LocalizationContext context(L"en-US", nullptr);
  context.set_bundle(text_catalog_bundle());
  const LocalizedText text = LocalizedText::from_key(L"control.recording", {L"00:05"});
  EXPECT_EQ(context.resolve(text), L"Quorvel \u2014 Recording 00:05");
  const auto before = context.revision();
  context.set_locale(L"zh-CN");
  EXPECT_GT(context.revision(), before);
  EXPECT_EQ(context.resolve(text), translate_for_locale(L"zh-CN", L"control.recording", {L"00:05"}));
  EXPECT_EQ(context.resolve(text), L"Quorvel \u2014 \u6B63\u5728\u5F55\u5236 00:05");
  // A regional English tag reaches the English rows through the default
  // locale.
  context.set_locale(L"en-GB");
  EXPECT_EQ(context.resolve(text), L"Quorvel \u2014 Recording 00:05");
}

}  // namespace
}  // namespace quorvel::windows
