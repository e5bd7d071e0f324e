// The program's one LocaleFormatter: numbers, percentages, dates and times
// through the Windows national-language functions, for a locale tag, with the
// user's default locale standing in for an empty or unknown tag.
//
// The formatter holds no state (locale data is read afresh on every call, so
// a change of regional settings shows at the next resolution) and may be
// called from any thread. It is made on first request and lives until exit.
#pragma once

#include <memory>

#include "ui/platform/locale_formatter.h"

namespace win32_ui::platform::windows {

std::shared_ptr<const win32_ui::modern::LocaleFormatter> windows_locale_formatter();

}  // namespace win32_ui::platform::windows
