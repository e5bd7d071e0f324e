// RecordingControlView is the content of the floating control bar: a status
// line, a placement note, a row of icon buttons that send ControlCommand ids
// to their owner and, for live sessions, the privacy cover and mute buttons
// with a multi-line details text. It builds its view tree in a window host
// bound to the bar's window and makes the bar's top strip drag the window.
// It knows nothing of recording: everything it shows arrives through its
// setters.
//
// Owned by the application for the life of one control bar; the views are
// owned by the host's tree and the pointers here are cleared whenever the
// tree is released. UI thread only.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "app/control/recording_control_texts.h"
#include "ui/platform/hosting/window_host.h"
#include "ui/platform/theme/theme.h"
#include "ui/views/widgets/button.h"
#include "ui/views/widgets/text.h"

namespace quorvel::windows {

class RecordingControlView {
 public:
  // Button slots: 0-8 the command buttons, then dock top and bottom, then
  // the live cover and mute buttons.
  static constexpr std::size_t kDockTopButton = 9;
  static constexpr std::size_t kDockBottomButton = 10;
  static constexpr std::size_t kLiveCoverButton = 11;
  static constexpr std::size_t kLiveMuteButton = 12;
  static constexpr std::size_t kButtonCount = 13;

  // Client sizes in DIP without and with the live row.
  static constexpr float kWidth = 572.0f;
  static constexpr float kHeight = 96.0f;
  static constexpr float kLiveWidth = 678.0f;
  static constexpr float kLiveHeight = 226.0f;
  // The host's zoom: the bar is drawn a little smaller than other windows.
  static constexpr float kZoom = 0.9f;

  // `command_ids` are sent by the nine command buttons in order; `callback`
  // receives the id of every pressed button and may be empty.
  RecordingControlView(std::array<int, kControlCommandCount> command_ids,
                       std::function<void(int)> callback, RecordingControlTexts texts);
  ~RecordingControlView();
  RecordingControlView(const RecordingControlView&) = delete;
  RecordingControlView& operator=(const RecordingControlView&) = delete;

  // Binds the window and builds the tree; false (nothing bound) when the
  // host cannot attach or the drag subclass cannot be installed.
  bool initialize(HWND window, const win32_ui::Theme& theme);
  void release();
  // Gives the window the preferred client size, fitted to its monitor's work
  // area, where it stands.
  bool place_window();
  // Lays out and repaints the tree.
  void refresh();
  void apply_theme(const win32_ui::Theme& theme);
  // Takes every text; the tree is kept, so a changed live flag shows only at
  // the next initialize.
  void set_texts(RecordingControlTexts texts);
  void set_status_text(const std::wstring& text);
  void set_pause_state(std::wstring label, bool paused);
  void set_zoom_enabled(bool enabled);
  void set_pause_enabled(bool enabled);
  void set_stop_enabled(bool enabled);
  // Only in a live session: the live buttons' texts, enabled and selected
  // states and the details text.
  void set_live_state(std::wstring cover_action, std::wstring mute_action, std::wstring details,
                      bool enabled, bool cover_on, bool muted);

  HWND window() const { return window_; }
  const RecordingControlTexts& texts() const { return texts_; }
  const win32_ui::modern::WindowHost& host() const { return host_; }
  // The views of the current tree, null when released or absent.
  win32_ui::modern::Button* button(std::size_t index) const;
  win32_ui::modern::Text* status_text() const { return status_text_; }
  win32_ui::modern::Text* note_text() const { return note_text_; }
  win32_ui::modern::Text* live_details_text() const { return live_details_text_; }

  static LRESULT CALLBACK subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR id, DWORD_PTR reference);

 private:
  std::unique_ptr<win32_ui::modern::View> build_tree();
  std::unique_ptr<win32_ui::modern::View> build_header();
  std::unique_ptr<win32_ui::modern::View> build_button_row();
  // Makes the button of slot `slot`, keeps its pointer and returns it.
  std::unique_ptr<win32_ui::modern::Button> make_slot_button(std::size_t slot, int id,
                                                             int icon_index);
  void update_command_button(std::size_t index);
  void update_dock_buttons();
  void update_live_buttons();
  void clear_view_pointers();

  std::array<int, kControlCommandCount> command_ids_;
  std::function<void(int)> callback_;
  RecordingControlTexts texts_;
  win32_ui::modern::WindowHost host_;
  HWND window_ = nullptr;
  win32_ui::modern::Text* status_text_ = nullptr;
  win32_ui::modern::Text* note_text_ = nullptr;
  win32_ui::modern::Text* live_details_text_ = nullptr;
  std::array<win32_ui::modern::Button*, kButtonCount> buttons_{};
  bool paused_ = false;
  bool cover_on_ = false;
  bool muted_ = false;
};

}  // namespace quorvel::windows
