#include "app/editor/screenshot_output_format.h"

#include <windows.h>

#include <cstring>

namespace quorvel::windows {
namespace {

// Days since 1970-01-01 to a proleptic Gregorian date.
void civil_from_days(int64_t days, int64_t& year, unsigned& month, unsigned& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto day_of_era = static_cast<unsigned>(days - era * 146097);
  const unsigned year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const unsigned day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const unsigned shifted_month = (5 * day_of_year + 2) / 153;
  day = day_of_year - (153 * shifted_month + 2) / 5 + 1;
  month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
  year = static_cast<int64_t>(year_of_era) + era * 400 + (month <= 2 ? 1 : 0);
}

void append_digits(std::wstring& out, int64_t value, int width) {
  std::wstring digits(static_cast<size_t>(width), L'0');
  for (int i = width - 1; i >= 0 && value > 0; --i) {
    digits[static_cast<size_t>(i)] = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  }
  out += digits;
}

}  // namespace

std::vector<uint8_t> pack_clipboard_dib(const DesktopSnapshot& image) {
  if (image.width == 0 || image.height == 0 || image.stride != image.width * 4 ||
      image.pixels.size() != static_cast<size_t>(image.height) * image.stride) {
    return {};
  }
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = static_cast<LONG>(image.width);
  header.biHeight = static_cast<LONG>(image.height);
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  std::vector<uint8_t> block(sizeof(header) + image.pixels.size());
  std::memcpy(block.data(), &header, sizeof(header));
  uint8_t* out = block.data() + sizeof(header);
  for (uint32_t row = 0; row < image.height; ++row) {
    const uint8_t* source = image.pixels.data() + static_cast<size_t>(image.height - 1 - row) * image.stride;
    std::memcpy(out + static_cast<size_t>(row) * image.stride, source, image.stride);
  }
  return block;
}

std::wstring default_screenshot_name(std::chrono::system_clock::time_point time) {
  using Ticks = std::chrono::duration<int64_t, std::ratio<1, 10'000'000>>;
  const int64_t ticks = std::chrono::floor<Ticks>(time.time_since_epoch()).count();
  constexpr int64_t kTicksPerSecond = 10'000'000;
  constexpr int64_t kSecondsPerDay = 86'400;
  int64_t seconds = ticks / kTicksPerSecond;
  int64_t fraction = ticks % kTicksPerSecond;
  if (fraction < 0) {
    fraction += kTicksPerSecond;
    --seconds;
  }
  int64_t days = seconds / kSecondsPerDay;
  int64_t of_day = seconds % kSecondsPerDay;
  if (of_day < 0) {
    of_day += kSecondsPerDay;
    --days;
  }
  int64_t year = 0;
  unsigned month = 0;
  unsigned day = 0;
  civil_from_days(days, year, month, day);

  std::wstring name = L"Quorvel ";
  append_digits(name, year, 4);
  name += L'-';
  append_digits(name, month, 2);
  name += L'-';
  append_digits(name, day, 2);
  name += L' ';
  append_digits(name, of_day / 3600, 2);
  name += L'-';
  append_digits(name, of_day / 60 % 60, 2);
  name += L'-';
  append_digits(name, of_day % 60, 2);
  name += L'.';
  append_digits(name, fraction, 7);
  name += L".png";
  return name;
}

}  // namespace quorvel::windows
