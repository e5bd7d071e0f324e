// What the process tests read of a running Quorvel.exe from outside and
// the settings they store for it beforehand.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/app/process/program_process.h"
#include "tests/support/test_registry_key.h"

namespace quorvel::test {

inline constexpr wchar_t kProgramSettingsKey[] = L"Software\\Quorvel";

// The visible icons of Wine's stand-alone tray, the tray Wine shows on a
// display without a notification area.
int visible_tray_icons();

// Another process's windows and files give no signal to wait on, so this
// looks every 20 ms until `condition` holds or `timeout_ms` is up; the
// condition's last answer.
template <typename Condition>
bool poll_until(Condition condition, DWORD timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    Sleep(20);
  }
  return condition();
}

// The running program's message host once the program waits for input and
// the host exists and answers a message; null after `timeout_ms` or when the
// program ended first.
HWND wait_for_host(ProgramProcess& program, DWORD timeout_ms = 20000);

// Values under the program's settings key for one test, removed afterwards.
class StoredSettings {
 public:
  StoredSettings() = default;
  ~StoredSettings();
  StoredSettings(const StoredSettings&) = delete;
  StoredSettings& operator=(const StoredSettings&) = delete;

  void set(const std::wstring& name, RawRegistryValue value);
  void set_dword(const std::wstring& name, uint32_t value);
  // A value the program writes itself, removed afterwards too.
  void forget_after(const std::wstring& name) { names_.push_back(name); }

 private:
  std::vector<std::wstring> names_;
};

}  // namespace quorvel::test
