#include "app/recording/live_result_keys.h"

namespace quorvel::windows {

std::wstring_view stream_error_key(int32_t code) {
  switch (code) {
    case 2: return L"stream.error.timeout";
    case 3: return L"stream.error.protocol";
    case 4: return L"stream.error.rejected";
    case 5: return L"stream.error.congestion";
    case 6: return L"stream.error.encoding";
    case 7: return L"stream.error.not_accepted";
    case 8: return L"stream.error.tls";
    case 9: return L"stream.error.certificate";
    default: return L"stream.error.network";
  }
}

std::optional<std::wstring_view> live_only_result_key(int32_t code) {
  if (code == 0) return std::nullopt;
  return stream_error_key(code);
}

}  // namespace quorvel::windows
