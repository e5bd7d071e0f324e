#include "ui/views/widgets/text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/fakes/ui/views/fake_view_host.h"
#include "tests/ui/views/widgets/widget_fixture.h"
#include "ui/platform/localization_context.h"
#include "ui/platform/resource_bundle.h"

namespace win32_ui::modern {
namespace {

using quorvel::test::FakeViewHost;
using Request = FakeViewHost::Request;
using testing::FixedTextMeasurer;
using testing::light_palette;
using testing::Painter;

std::shared_ptr<const ResourceBundle> greeting_bundle() {
  return std::make_shared<const ResourceBundle>(
      std::vector<ResourceEntry>{{L"en-US", L"greeting", L"Hello"},
                                 {L"zh-CN", L"greeting", L"\u4F60\u597D"}},
      L"en-US", nullptr);
}

LocalizationContext context_for(const wchar_t* locale) {
  LocalizationContext localization(locale, nullptr);
  localization.set_bundle(greeting_bundle());
  return localization;
}

TEST(TextTest, AKeyTextIsEmptyUntilRefreshedThenFollowsTheLanguage) {
  FakeViewHost host;
  Text text(LocalizedText::from_key(L"greeting", {}), 2, {});
  text.attach_host(&host);
  EXPECT_EQ(text.text(), L"");

  text.refresh_localized_text(context_for(L"en-US"));
  EXPECT_EQ(text.text(), L"Hello");
  text.refresh_localized_text(context_for(L"zh-CN"));
  EXPECT_EQ(text.text(), L"\u4F60\u597D");
  text.attach_host(nullptr);
}

TEST(TextTest, ARefreshWithoutChangeNeitherRelaysOutNorNotifies) {
  FakeViewHost host;
  Text text(LocalizedText::from_key(L"greeting", {}), 2, {});
  text.attach_host(&host);
  text.refresh_localized_text(context_for(L"en-US"));
  EXPECT_EQ(host.count(Request::kRequestLayout), 1u);
  EXPECT_EQ(host.count(Request::kSemanticsChanged), 1u);

  host.clear_requests();
  text.refresh_localized_text(context_for(L"en-US"));
  EXPECT_EQ(host.count(Request::kRequestLayout), 0u);
  EXPECT_EQ(host.count(Request::kSemanticsChanged), 0u);
  text.attach_host(nullptr);
}

TEST(TextTest, ALiteralShowsAtOnceAndAWidgetWithoutSourceIsLeftAlone) {
  Text literal(L"Plain", 2, {});
  EXPECT_EQ(literal.text(), L"Plain");
  literal.refresh_localized_text(context_for(L"zh-CN"));
  EXPECT_EQ(literal.text(), L"Plain");

  Widget bare(kWidgetText, {});
  bare.refresh_localized_text(context_for(L"en-US"));
  EXPECT_EQ(bare.text(), L"");
  EXPECT_FALSE(bare.has_localized_text());
}

TEST(TextTest, TheDefaultSizeWinsWhenLargerThanTheText) {
  struct Case {
    const char* name;
    layout::Size default_size;
    layout::Size expected;
  };
  // "ab" estimates to 16 x 18 in body text.
  const Case cases[] = {
      {"text decides", {0, 0}, {16, 18}},
      {"wider default", {100, 0}, {100, 18}},
      {"taller default", {0, 40}, {16, 40}},
  };
  for (const Case& c : cases) {
    Text text(L"ab", 2, c.default_size);
    EXPECT_EQ(text.measure({}, {}), c.expected) << c.name;
  }
  FixedTextMeasurer measurer(layout::Size{50, 20});
  layout::LayoutContext context;
  context.text_measurer = &measurer;
  Text measured(L"ab", 2, {30, 10});
  EXPECT_EQ(measured.measure({}, context), (layout::Size{50, 20}));
}

TEST(TextTest, BodyTextWrapsFrom44DipAndCaptionsStayOnOneLine) {
  struct Case {
    int style;
    float height;
    const char* expected;
  };
  const Case cases[] = {{2, 44, " multi ellipsis"}, {2, 43, " single ellipsis"},
                        {3, 60, " single ellipsis"}};
  for (const Case& c : cases) {
    Text text(L"Words", c.style, {});
    testing::lay_out(text, {0, 0, 120, c.height});
    Painter painter(light_palette());
    const auto& calls = painter.paint(text);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_NE(calls[0].find(c.expected), std::string::npos) << calls[0];
    EXPECT_NE(calls[0].find("font " + std::to_string(c.style + 1) + " " + painter.hex(6) +
                            " align 0 1"),
              std::string::npos)
        << calls[0];
  }
}

TEST(TextTest, ADisabledTextUsesColourEight) {
  Text text(L"Off", 2, {});
  text.set_enabled(false);
  testing::lay_out(text, {0, 0, 80, 20});
  Painter painter(light_palette());
  const auto& calls = painter.paint(text);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_NE(calls[0].find(painter.hex(8)), std::string::npos);
}

TEST(TextTest, IsExposedAsTextNamedByItsShownText) {
  Text text(L"Status line", 2, {});
  ElementInfo info;
  text.describe_element(info);
  EXPECT_EQ(info.role, ElementRole::kText);
  EXPECT_EQ(info.name, L"Status line");
  EXPECT_TRUE(info.exposed);
}

}  // namespace
}  // namespace win32_ui::modern
