#include "app/settings_store.h"

#include <windows.h>

#include <span>
#include <utility>
#include <vector>

#include "app/data_protection.h"
#include "app/registry_values.h"
#include "app/stream_target_record.h"

namespace quorvel::windows {
namespace {

constexpr wchar_t kLanguage[] = L"Language";
constexpr wchar_t kHotkeyVersionValue[] = L"HotkeyVersion";
constexpr wchar_t kCloseBehavior[] = L"MainWindowCloseBehavior";
constexpr wchar_t kRecordingQuality[] = L"RecordingQualityV1";
constexpr wchar_t kStreamQuality[] = L"StreamQualityV1";
constexpr wchar_t kStreamTarget[] = L"StreamTargetV1";
constexpr wchar_t kThemeModeValue[] = L"ThemeMode";
constexpr wchar_t kWatermarkEnabled[] = L"WatermarkEnabled";
constexpr wchar_t kWatermarkMode[] = L"WatermarkMode";
constexpr wchar_t kWatermarkText[] = L"WatermarkText";
constexpr wchar_t kWatermarkImagePath[] = L"WatermarkImagePath";

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Quorvel";
constexpr wchar_t kStreamTargetDescription[] = L"Quorvel stream target";

constexpr DWORD kModulePathCapacity = 32768;

// Defaults written by older layouts, as stored (modifiers << 16 | key); a
// stored value equal to its row's is an untouched default and gives way to
// the current one. None of them stored the quick-record hotkey.
using LegacyHotkeys = std::array<uint32_t, kHotkeyCount - 1>;
constexpr LegacyHotkeys kVersion2Hotkeys = {0x00020070, 0x00020071, 0x00020072, 0x00020073,
                                            0x00020074, 0x00020075, 0x00020076, 0x00020077,
                                            0x00020078, 0x00060041};
constexpr LegacyHotkeys kVersion3Hotkeys = {0x00020070, 0x00020071, 0x00020072, 0x00020073,
                                            0x0006005A, 0x0003005A, 0x00060058, 0x00060053,
                                            0x0000007B, 0x00060041};
constexpr LegacyHotkeys kVersion4Hotkeys = {0x00020070, 0x00020071, 0x00020072, 0x00020073,
                                            0x0006005A, 0x0003005A, 0x00060058, 0x00060053,
                                            0x0002007B, 0x00060041};

const LegacyHotkeys* legacy_hotkeys(uint32_t version) {
  switch (version) {
    case 2: return &kVersion2Hotkeys;
    case 3: return &kVersion3Hotkeys;
    case 4:
    case 5: return &kVersion4Hotkeys;
    default: return nullptr;
  }
}

std::wstring hotkey_value_name(std::size_t index) { return L"Hotkey" + std::to_wstring(index); }

uint32_t pack_hotkey(const HotkeyValue& value) {
  return (static_cast<uint32_t>(value.modifiers) & 0xFFFF) << 16 |
         (static_cast<uint32_t>(value.key) & 0xFFFF);
}

// The stored hotkey of one row as it may be registered: empty for a cleared
// binding, an untouched legacy default, or a combination that would take a
// key from every program. Stray modifier bits are dropped.
std::optional<HotkeyValue> accepted_hotkey(uint32_t stored, const LegacyHotkeys* legacy,
                                           std::size_t row) {
  const uint32_t key = stored & 0xFFFF;
  const uint32_t modifiers = (stored >> 16) & kHotkeyModifierMask;
  if (key == 0) return std::nullopt;
  if (legacy != nullptr && (modifiers << 16 | key) == (*legacy)[row]) return std::nullopt;
  if (!is_acceptable_hotkey(modifiers, key)) return std::nullopt;
  return HotkeyValue{static_cast<int32_t>(modifiers), static_cast<int32_t>(key)};
}

std::wstring module_path() {
  std::vector<wchar_t> buffer(kModulePathCapacity);
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), kModulePathCapacity);
  // A path that fills the buffer may have been cut short.
  if (length == 0 || length >= kModulePathCapacity) return {};
  return std::wstring(buffer.data(), length);
}

}  // namespace

SettingsStore::SettingsStore(std::wstring sub_key) : sub_key_(std::move(sub_key)) {}

std::optional<std::wstring> SettingsStore::read_language() const {
  // 64 bytes: a tag of at most 31 characters and its NUL.
  wchar_t buffer[32] = {};
  DWORD size = sizeof(buffer);
  if (RegGetValueW(HKEY_CURRENT_USER, sub_key_.c_str(), kLanguage, RRF_RT_REG_SZ, nullptr, buffer,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::wstring tag(buffer);
  if (tag.empty()) return std::nullopt;
  return tag;
}

bool SettingsStore::write_language(std::wstring_view tag) const {
  const UniqueRegistryKey key = create_user_key_for_write(sub_key_);
  return key && set_string(key.get(), kLanguage, tag);
}

void SettingsStore::read_hotkeys(HotkeyValues& hotkeys) const {
  uint32_t version = 0;
  {
    const UniqueRegistryKey key = open_user_key_for_query(sub_key_);
    if (!key) return;
    const std::optional<uint32_t> stored_version = query_dword(key.get(), kHotkeyVersionValue);
    if (!stored_version || *stored_version < 2 || *stored_version > kHotkeyVersion) return;
    version = *stored_version;
    const LegacyHotkeys* legacy = legacy_hotkeys(version);
    const std::size_t stored_rows = version == kHotkeyVersion ? kHotkeyCount : kHotkeyCount - 1;
    for (std::size_t row = 0; row < stored_rows; ++row) {
      const std::optional<uint32_t> stored = query_dword(key.get(), hotkey_value_name(row).c_str());
      if (!stored) continue;
      if (const auto value = accepted_hotkey(*stored, legacy, row)) hotkeys[row] = *value;
    }
  }
  if (version < kHotkeyVersion) write_hotkeys(hotkeys);
}

void SettingsStore::write_hotkeys(const HotkeyValues& hotkeys) const {
  const UniqueRegistryKey key = create_user_key_for_write(sub_key_);
  if (!key) return;
  (void)set_dword(key.get(), kHotkeyVersionValue, kHotkeyVersion);
  for (std::size_t row = 0; row < kHotkeyCount; ++row) {
    (void)set_dword(key.get(), hotkey_value_name(row).c_str(), pack_hotkey(hotkeys[row]));
  }
}

uint32_t SettingsStore::read_close_behavior() const {
  const std::optional<uint32_t> value = read_user_dword(sub_key_, kCloseBehavior);
  return value && *value <= MainWindowCloseBehavior::kExit ? *value : MainWindowCloseBehavior::kAsk;
}

bool SettingsStore::write_close_behavior(uint32_t behavior) const {
  if (behavior > MainWindowCloseBehavior::kExit) return false;
  return write_dword(kCloseBehavior, behavior);
}

QualitySetting SettingsStore::read_recording_quality() const { return read_quality(kRecordingQuality); }
QualitySetting SettingsStore::read_stream_quality() const { return read_quality(kStreamQuality); }

bool SettingsStore::write_recording_quality(QualitySetting quality) const {
  return write_quality(kRecordingQuality, quality);
}

bool SettingsStore::write_stream_quality(QualitySetting quality) const {
  return write_quality(kStreamQuality, quality);
}

QualitySetting SettingsStore::read_quality(const wchar_t* name) const {
  const std::optional<uint64_t> stored = read_user_qword(sub_key_, name);
  if (!stored) return QualitySetting{};
  const QualitySetting quality{static_cast<uint32_t>(*stored >> 32),
                               static_cast<uint32_t>(*stored & 0xFFFFFFFF)};
  // Never a mix of stored and default fields.
  return is_valid_quality(quality) ? quality : QualitySetting{};
}

bool SettingsStore::write_quality(const wchar_t* name, QualitySetting quality) const {
  if (!is_valid_quality(quality)) return false;
  const UniqueRegistryKey key = create_user_key_for_write(sub_key_);
  return key && set_qword(key.get(), name, static_cast<uint64_t>(quality.level) << 32 | quality.kbps);
}

StreamSettings SettingsStore::read_stream_target() const {
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, sub_key_.c_str(), kStreamTarget, RRF_RT_REG_BINARY, nullptr,
                   nullptr, &size) != ERROR_SUCCESS ||
      size < 1 || size > 65536) {
    return {};
  }
  std::vector<BYTE> blob(size, 0);
  if (RegGetValueW(HKEY_CURRENT_USER, sub_key_.c_str(), kStreamTarget, RRF_RT_REG_BINARY, nullptr,
                   blob.data(), &size) != ERROR_SUCCESS) {
    return {};
  }
  const UnprotectedData plaintext(std::span<const BYTE>(blob.data(), size));
  if (!plaintext.valid()) return {};
  return parse_stream_target_record(plaintext.bytes()).value_or(StreamSettings{});
}

bool SettingsStore::write_stream_target(const StreamSettings& settings) const {
  if (!is_storable_stream_target(settings)) return false;
  std::wstring record = make_stream_target_record(settings);
  const std::vector<BYTE> blob = protect_for_current_user(
      std::span<const BYTE>(reinterpret_cast<const BYTE*>(record.data()),
                            record.size() * sizeof(wchar_t)),
      kStreamTargetDescription);
  SecureZeroMemory(record.data(), record.size() * sizeof(wchar_t));
  if (blob.empty()) return false;
  const UniqueRegistryKey key = create_user_key_for_write(sub_key_);
  return key && set_binary(key.get(), kStreamTarget, blob.data(), static_cast<DWORD>(blob.size()));
}

win32_ui::ThemeMode SettingsStore::read_theme_mode() const {
  const std::optional<uint32_t> value = read_user_dword(sub_key_, kThemeModeValue);
  if (!value || *value > static_cast<uint32_t>(win32_ui::kThemeModeDark)) {
    return win32_ui::kThemeModeSystem;
  }
  return static_cast<win32_ui::ThemeMode>(*value);
}

bool SettingsStore::write_theme_mode(win32_ui::ThemeMode mode) const {
  return write_dword(kThemeModeValue, static_cast<uint32_t>(mode));
}

std::wstring SettingsStore::read_string(const wchar_t* name) const {
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, sub_key_.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr,
                   &size) != ERROR_SUCCESS ||
      size < 2 || size > 16384) {
    return {};
  }
  std::vector<wchar_t> buffer(size / 2 + 1, L'\0');
  if (RegGetValueW(HKEY_CURRENT_USER, sub_key_.c_str(), name, RRF_RT_REG_SZ, nullptr,
                   buffer.data(), &size) != ERROR_SUCCESS) {
    return {};
  }
  return std::wstring(buffer.data());
}

RecordingWatermark SettingsStore::read_watermark() const {
  RecordingWatermark watermark;
  const std::optional<uint32_t> enabled = read_user_dword(sub_key_, kWatermarkEnabled);
  watermark.enabled = enabled && *enabled != 0;
  const std::optional<uint32_t> mode = read_user_dword(sub_key_, kWatermarkMode);
  if (mode && *mode <= static_cast<uint32_t>(RecordingWatermark::kModeImage)) {
    watermark.mode = static_cast<int32_t>(*mode);
  }
  std::wstring text = read_string(kWatermarkText);
  if (!text.empty()) watermark.text = std::move(text);
  watermark.image_path = read_string(kWatermarkImagePath);
  return watermark;
}

bool SettingsStore::write_watermark(const RecordingWatermark& watermark) const {
  if (watermark.text.size() > kMaxWatermarkText ||
      watermark.image_path.size() > kMaxWatermarkImagePath) {
    return false;
  }
  if (watermark.enabled) {
    if (watermark.mode == RecordingWatermark::kModeText && watermark.text.empty()) return false;
    if (watermark.mode == RecordingWatermark::kModeImage && watermark.image_path.empty()) return false;
  }
  const UniqueRegistryKey key = create_user_key_for_write(sub_key_);
  return key && set_dword(key.get(), kWatermarkEnabled, watermark.enabled ? 1 : 0) &&
         set_dword(key.get(), kWatermarkMode, static_cast<uint32_t>(watermark.mode)) &&
         set_string(key.get(), kWatermarkText, watermark.text) &&
         set_string(key.get(), kWatermarkImagePath, watermark.image_path);
}

bool SettingsStore::starts_with_windows() const {
  const UniqueRegistryKey key = open_user_key_for_query(kRunKey);
  if (!key) return false;
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), kRunValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return false;
  }
  return (type == REG_SZ || type == REG_EXPAND_SZ) && size > 2;
}

bool SettingsStore::set_start_with_windows(bool enable) const {
  if (!enable) {
    const LSTATUS status = RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }
  const UniqueRegistryKey key = create_user_key_for_write(kRunKey);
  if (!key) return false;
  const std::wstring path = module_path();
  if (path.empty()) return false;
  return set_string(key.get(), kRunValue, L"\"" + path + L"\" --tray");
}

bool SettingsStore::write_dword(const wchar_t* name, uint32_t value) const {
  const UniqueRegistryKey key = create_user_key_for_write(sub_key_);
  return key && set_dword(key.get(), name, value);
}

}  // namespace quorvel::windows
