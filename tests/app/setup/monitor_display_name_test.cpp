// Monitor labels in both UI languages.
#include "app/setup/monitor_display_name.h"

#include <gtest/gtest.h>

#include <string>

#include "app/common/translate.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

TEST(MonitorDisplayName, NumbersDisplaysOnlyDigitsAfterTheFirstDisplay) {
  for (const wchar_t* locale : {L"en-US", L"zh-CN"}) {
    SCOPED_TRACE(quorvel::test::utf8(locale));
    EXPECT_EQ(monitor_display_name(L"\\\\.\\DISPLAY2", locale),
              translate_for_locale(locale, L"main.monitor_number", {L"2"}));
    EXPECT_EQ(monitor_display_name(L"\\\\.\\DISPLAY12", locale),
              translate_for_locale(locale, L"main.monitor_number", {L"12"}));
    EXPECT_EQ(monitor_display_name(L"", locale),
              translate_for_locale(locale, L"main.current_monitor"));
    for (const wchar_t* unchanged : {L"\\\\.\\DISPLAY", L"\\\\.\\DISPLAY1a", L"\\\\.\\DISPLAY-1",
                                     L"Generic", L"DISPLAY\\\\.\\DISPLAY3"}) {
      SCOPED_TRACE(quorvel::test::utf8(unchanged));
      EXPECT_EQ(monitor_display_name(unchanged, locale), unchanged);
    }
  }
}

TEST(MonitorDisplayName, ShowsTheCatalogueTexts) {
  EXPECT_EQ(monitor_display_name(L"\\\\.\\DISPLAY2", L"en-US"), L"Monitor 2");
  EXPECT_EQ(monitor_display_name(L"\\\\.\\DISPLAY12", L"en-US"), L"Monitor 12");
  EXPECT_EQ(monitor_display_name(L"", L"en-US"), L"Current monitor");
  const std::wstring chinese = monitor_display_name(L"\\\\.\\DISPLAY2", L"zh-CN");
  EXPECT_NE(chinese, L"Monitor 2");
  EXPECT_NE(chinese.find(L'2'), std::wstring::npos);
}

}  // namespace
}  // namespace quorvel::windows
