#include "tests/fakes/ui/platform/fake_theme_system.h"

#include <atomic>
#include <stdexcept>

namespace quorvel::test {
namespace {

constexpr wchar_t kPersonalize[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kValueName[] = L"AppsUseLightTheme";

std::atomic<unsigned> g_instance{0};

}  // namespace

FakeThemeSystem::FakeThemeSystem() {
  root_path_ = L"Software\\Quorvel.Tests\\theme-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(g_instance.fetch_add(1));
  if (RegCreateKeyExW(HKEY_CURRENT_USER, root_path_.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &root_, nullptr) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot create the test registry key");
  }
}

FakeThemeSystem::~FakeThemeSystem() {
  RegCloseKey(root_);
  RegDeleteTreeW(HKEY_CURRENT_USER, root_path_.c_str());
}

HKEY FakeThemeSystem::personalize_key() {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root_, kPersonalize, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    throw std::runtime_error("cannot create the Personalize test key");
  }
  return key;
}

void FakeThemeSystem::set_apps_use_light_theme_dword(DWORD value) {
  HKEY key = personalize_key();
  RegSetValueExW(key, kValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
  RegCloseKey(key);
}

void FakeThemeSystem::set_apps_use_light_theme_qword(ULONGLONG value) {
  HKEY key = personalize_key();
  RegSetValueExW(key, kValueName, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
  RegCloseKey(key);
}

void FakeThemeSystem::set_apps_use_light_theme_string(const std::wstring& value) {
  HKEY key = personalize_key();
  RegSetValueExW(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

void FakeThemeSystem::remove_apps_use_light_theme() {
  HKEY key = personalize_key();
  RegDeleteValueW(key, kValueName);
  RegCloseKey(key);
}

void FakeThemeSystem::remove_personalize_key() { RegDeleteTreeW(root_, L"Software"); }

BOOL FakeThemeSystem::get_high_contrast(HIGHCONTRASTW* info) {
  ++high_contrast_calls;
  last_high_contrast_size = info->cbSize;
  if (!high_contrast_call_succeeds) {
    // A failing call leaves whatever the record held.
    info->dwFlags = HCF_HIGHCONTRASTON;
    return FALSE;
  }
  info->dwFlags = HCF_AVAILABLE | (high_contrast_on ? HCF_HIGHCONTRASTON : 0);
  info->lpszDefaultScheme = nullptr;
  return TRUE;
}

COLORREF FakeThemeSystem::get_sys_color(int index) {
  const auto it = sys_colors.find(index);
  return it != sys_colors.end() ? it->second : RGB(0x80, 0x80, 0x80);
}

LSTATUS FakeThemeSystem::get_registry_value(HKEY key, const wchar_t* subkey, const wchar_t* value,
                                            DWORD flags, DWORD* type, void* data, DWORD* size) {
  ++registry_calls;
  last_registry_root = key;
  last_registry_subkey = subkey != nullptr ? subkey : L"";
  last_registry_value = value != nullptr ? value : L"";
  last_registry_flags = flags;
  last_registry_buffer_size = size != nullptr ? *size : 0;
  // The test key stands in for the current user's hive only.
  if (key != HKEY_CURRENT_USER) return ERROR_ACCESS_DENIED;
  return RegGetValueW(root_, subkey, value, flags, type, data, size);
}

}  // namespace quorvel::test
