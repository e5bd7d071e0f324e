// The user's persistent choices in the registry of the current user: UI
// language, global hotkeys, what closing the main window does, recording and
// live-stream quality, the protected live target, theme mode and watermark,
// and the autostart entry under the Run key.
//
// The values live directly under one sub-key of HKEY_CURRENT_USER (the
// product uses "Software\Quorvel"; tests pass a key of their own). Their
// names, types and layouts are read by other builds of the program and must
// not change. The store keeps no open key and no cache: every operation opens
// the key, reads or writes, and closes it. Reads fall back to defaults and
// never fail; writes report false. UI thread only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/common/hotkey_binding.h"
#include "app/common/quality_setting.h"
#include "engine/recording_options.h"
#include "ui/platform/theme/theme.h"

namespace quorvel::windows {

// The product's settings key under HKEY_CURRENT_USER.
inline constexpr wchar_t kSettingsKey[] = L"Software\\Quorvel";

// One stored hotkey: RegisterHotKey modifier bits and a virtual-key code.
struct HotkeyValue {
  int32_t modifiers = 0;
  int32_t key = 0;

  friend bool operator==(const HotkeyValue&, const HotkeyValue&) = default;
};

using HotkeyValues = std::array<HotkeyValue, kHotkeyCount>;

// What closing the main window does.
struct MainWindowCloseBehavior {
  static constexpr uint32_t kAsk = 0;
  static constexpr uint32_t kKeepInTray = 1;
  static constexpr uint32_t kExit = 2;
};

class SettingsStore {
 public:
  // The layout version the hotkeys are written in.
  static constexpr uint32_t kHotkeyVersion = 6;
  // The longest watermark text and image path the store keeps.
  static constexpr std::size_t kMaxWatermarkText = 320;
  static constexpr std::size_t kMaxWatermarkImagePath = 2048;

  explicit SettingsStore(std::wstring sub_key);

  const std::wstring& sub_key() const { return sub_key_; }

  // The stored UI locale tag as it stands; empty when missing, of another
  // type, empty or longer than 31 characters.
  std::optional<std::wstring> read_language() const;
  bool write_language(std::wstring_view tag) const;

  // Replaces an entry only with an accepted stored value; stored values of
  // an older layout are rewritten in the current one.
  void read_hotkeys(HotkeyValues& hotkeys) const;
  // Reports nothing: a value that cannot be set keeps its old content.
  void write_hotkeys(const HotkeyValues& hotkeys) const;

  uint32_t read_close_behavior() const;
  bool write_close_behavior(uint32_t behavior) const;

  QualitySetting read_recording_quality() const;
  QualitySetting read_stream_quality() const;
  bool write_recording_quality(QualitySetting quality) const;
  bool write_stream_quality(QualitySetting quality) const;

  StreamSettings read_stream_target() const;
  bool write_stream_target(const StreamSettings& settings) const;

  win32_ui::ThemeMode read_theme_mode() const;
  bool write_theme_mode(win32_ui::ThemeMode mode) const;

  // Opacity and seed are not stored and come back as the defaults.
  RecordingWatermark read_watermark() const;
  bool write_watermark(const RecordingWatermark& watermark) const;

  // Whether the per-user Run key starts the program with Windows; the path
  // in the entry is not compared with this program's.
  bool starts_with_windows() const;
  bool set_start_with_windows(bool enable) const;

  // A REG_SZ value of up to 8191 characters, up to its first NUL; empty when
  // missing, of another type or longer.
  std::wstring read_string(const wchar_t* name) const;

 private:
  QualitySetting read_quality(const wchar_t* name) const;
  bool write_quality(const wchar_t* name, QualitySetting quality) const;
  bool write_dword(const wchar_t* name, uint32_t value) const;

  std::wstring sub_key_;
};

}  // namespace quorvel::windows
