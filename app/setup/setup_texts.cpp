#include "app/setup/setup_texts.h"

#include <cmath>
#include <optional>
#include <utility>

#include "app/common/translate.h"

namespace quorvel::windows {

std::wstring setup_text(const PreviewHandlers& handlers, std::wstring_view key,
                        std::vector<std::wstring> args) {
  return translate_for_locale(handlers.locale, key, std::move(args));
}

std::wstring decimal_text(long long value) { return std::to_wstring(value); }

std::wstring scaled_percent_text(float value, int scale) {
  return decimal_text(std::llround(static_cast<double>(value) * scale));
}

std::wstring folder_leaf(const std::wstring& folder) {
  std::size_t root = 0;
  if (folder.size() >= 2 && folder[1] == L':') root = 2;
  const std::size_t separator = folder.find_last_of(L"\\/");
  if (separator == std::wstring::npos || separator < root) return folder.substr(root);
  return folder.substr(separator + 1);
}

std::wstring quality_kbps_text(const QualitySetting& quality, const RecordingSetupState& state) {
  if (state.width < 0 || state.height < 0 || state.frame_rate < 0) return {};
  const std::optional<uint32_t> rate =
      bitrate_for_quality(quality, static_cast<uint32_t>(state.width),
                          static_cast<uint32_t>(state.height),
                          static_cast<uint32_t>(state.frame_rate));
  return rate ? decimal_text(*rate / 1000u) : std::wstring{};
}

}  // namespace quorvel::windows
