#include "tests/account/scoped_local_app_data.h"

#include <windows.h>

#include <stdexcept>
#include <utility>

namespace halvarin::sdk::test {
namespace {

constexpr wchar_t kVariable[] = L"LOCALAPPDATA";

std::optional<std::wstring> current_value() {
  SetLastError(ERROR_SUCCESS);
  const DWORD size = GetEnvironmentVariableW(kVariable, nullptr, 0);
  if (size == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::wstring();
  }
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(kVariable, value.data(), size));
  return value;
}

void set_value(const std::optional<std::wstring>& value) {
  if (!SetEnvironmentVariableW(kVariable, value ? value->c_str() : nullptr)) {
    throw std::runtime_error("LOCALAPPDATA could not be changed");
  }
}

}  // namespace

ScopedLocalAppData::ScopedLocalAppData() : previous_(current_value()) {
  set_value(folder_.path().wstring());
}

ScopedLocalAppData::ScopedLocalAppData(std::optional<std::wstring> value)
    : previous_(current_value()) {
  set_value(value);
}

ScopedLocalAppData::~ScopedLocalAppData() {
  SetEnvironmentVariableW(kVariable, previous_ ? previous_->c_str() : nullptr);
}

}  // namespace halvarin::sdk::test
