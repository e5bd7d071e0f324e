// The platform pieces the App reaches that tests replace: one record of
// seams, each empty member meaning the real thing. The product passes
// AppPlatform{}; tests fill the members they need with fakes. Read on the UI
// thread only; the engine seams are handed to the engine objects the App
// makes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "account/ui/account_dialog.h"
#include "app/account_port.h"
#include "app/editor_port.h"
#include "app/main_window_port.h"
#include "app/settings_store.h"
#include "engine/audio_device_enumerator.h"
#include "engine/audio_mixer_clock.h"
#include "engine/desktop_capture.h"
#include "engine/desktop_snapshot.h"
#include "engine/recording_session.h"
#include "streaming/rtmp_streamer.h"

namespace win32_ui {
class NativeThemeRegistry;
}
namespace win32_ui::scaffold {
class Application;
}

namespace quorvel::windows {

struct AppPlatform {
  // Makes the main-window object (no window yet) for the module, the owner
  // of its dialogs and the application. Empty: no main window; showing it
  // then fails. The program passes make_product_main_window.
  using MainWindowFactory = std::function<std::unique_ptr<MainWindowPort>(
      HINSTANCE instance, HWND owner, win32_ui::scaffold::Application& application)>;
  // Makes an editor, not yet shown, for a snapshot whose top-left corner is
  // at `origin`; `on_closed` runs when the editor closes. Empty: no editor;
  // a screenshot then fails. The program passes make_product_editor.
  using EditorFactory = std::function<std::unique_ptr<EditorPort>(
      HINSTANCE instance, DesktopSnapshot snapshot, POINT origin, std::wstring save_folder,
      win32_ui::NativeThemeRegistry& theme_registry, win32_ui::scaffold::Application& application,
      std::function<void()> on_closed)>;
  using AccountFactory = std::function<std::unique_ptr<AccountPort>()>;
  using StreamerFactory = std::function<std::unique_ptr<RtmpStreamer>()>;
  // Loads Media Foundation, which recording and streaming need: S_OK, or why
  // it cannot be loaded. Empty: the process's library from the system folder.
  using MediaFoundationLoader = std::function<HRESULT()>;

  // Shows a message: owner, catalogue key, its arguments and MB_ flags;
  // returns the chosen command id. Empty: the toolkit's message box with
  // the caption "Quorvel" and the text in the current language.
  using MessageFunction = std::function<int(HWND owner, std::wstring_view key,
                                            const std::vector<std::wstring>& arguments,
                                            unsigned flags)>;
  // Shows a text composed of several catalogue texts under a caption
  // already in the current language; returns the chosen command id. Empty:
  // the toolkit's message box.
  using TextMessageFunction = std::function<int(HWND owner, std::wstring_view text,
                                                std::wstring_view caption, unsigned flags)>;
  // The account client's dialog. Empty: halvarin::sdk::ui::show_account_dialog.
  using AccountDialog = std::function<halvarin::sdk::AccountDialogResult(
      win32_ui::scaffold::Application& application, HWND owner,
      std::optional<halvarin::sdk::AccountIdentity> identity,
      const halvarin::sdk::AccountOperations& operations, halvarin::sdk::ui::Language language)>;
  // The entry's start-up failure box (no owner, error icon). Empty:
  // MessageBoxW.
  using FailureBox = std::function<void(std::wstring_view text, std::wstring_view caption)>;
  // Opens a folder in the shell. Empty: ShellExecuteW "open".
  using FolderOpener = std::function<bool(HWND owner, const std::wstring& folder)>;
  // Lets the user pick a folder (starting at `initial`) or an image file;
  // empty when cancelled. Empty: the shell's file-open dialog.
  using FolderPicker =
      std::function<std::optional<std::wstring>(HWND owner, const std::wstring& initial)>;
  using ImagePicker =
      std::function<std::optional<std::wstring>(HWND owner, const std::wstring& initial)>;
  // Keeps a window out of screen capture, or lets it back in. Empty:
  // SetWindowDisplayAffinity.
  using CaptureExclusion = std::function<BOOL(HWND window, DWORD affinity)>;
  // The local time now. Empty: GetLocalTime.
  using SystemTime = std::function<SYSTEMTIME()>;
  // The performance counter. Empty: QueryPerformanceCounter.
  using PerformanceCounter = std::function<int64_t()>;

  // The settings key under HKEY_CURRENT_USER.
  std::wstring settings_key = kSettingsKey;

  // Engine seams, passed to the engine objects as they are made.
  DesktopCaptureSeams capture;
  RecordingSessionPlatform sessions;
  AudioDeviceEnumeratorFactory audio_devices;
  std::shared_ptr<AudioMixerClock> mixer_clock;
  StreamerFactory make_streamer;
  MediaFoundationLoader load_media_foundation;

  MainWindowFactory make_main_window;
  EditorFactory make_editor;
  AccountFactory make_account;

  MessageFunction message;
  TextMessageFunction text_message;
  AccountDialog account_dialog;
  FailureBox failure_box;
  FolderOpener open_folder;
  FolderPicker pick_folder;
  ImagePicker pick_image;
  CaptureExclusion exclude_from_capture;
  SystemTime system_time;
  PerformanceCounter performance_counter;
};

}  // namespace quorvel::windows
