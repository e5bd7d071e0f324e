#include "tests/app/process/program_observation.h"

#include <optional>

namespace quorvel::test {

int visible_tray_icons() {
  const HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
  if (tray == nullptr) return 0;
  int count = 0;
  for (HWND icon = FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr); icon != nullptr;
       icon = FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr)) {
    if (IsWindowVisible(icon)) ++count;
  }
  return count;
}

HWND wait_for_host(ProgramProcess& program, DWORD timeout_ms) {
  // Wine reports a program idle as soon as any of its threads waits for
  // messages, which may be before the host is made, so this also looks for
  // the window itself; the host answers only once its thread takes messages.
  if (!program.wait_idle(timeout_ms)) return nullptr;
  HWND host = nullptr;
  poll_until(
      [&] {
        host = program.find_window(L"QuorvelMessageHost");
        return host != nullptr || !program.running();
      },
      timeout_ms);
  DWORD_PTR answer = 0;
  if (host == nullptr ||
      !SendMessageTimeoutW(host, WM_NULL, 0, 0, SMTO_BLOCK, timeout_ms, &answer)) {
    return nullptr;
  }
  return host;
}

StoredSettings::~StoredSettings() {
  for (const std::wstring& name : names_) {
    write_raw_user_value(kProgramSettingsKey, name.c_str(), std::nullopt);
  }
}

void StoredSettings::set(const std::wstring& name, RawRegistryValue value) {
  names_.push_back(name);
  write_raw_user_value(kProgramSettingsKey, name.c_str(), value);
}

void StoredSettings::set_dword(const std::wstring& name, uint32_t value) {
  set(name, RawRegistryValue{REG_DWORD, dword_bytes(value)});
}

}  // namespace quorvel::test
