// The texts the floating control bar shows, handed to its view as one
// record, and the command ids its buttons send. The application builds the
// record in its UI language at the bar's creation and again when the
// language changes; the view only shows what it is given.
#pragma once

#include <array>
#include <string>

namespace quorvel::windows {

// The id a control bar button sends through the view's command callback.
// 100-108 are the nine command buttons in order (the recording hotkey
// actions 0-8); the live and dock buttons send their own ids.
enum ControlCommand : int {
  kControlTopLeft = 100,
  kControlTopRight = 101,
  kControlBottomRight = 102,
  kControlBottomLeft = 103,
  kControlZoomIn = 104,
  kControlZoomOut = 105,
  kControlHide = 106,
  kControlPauseResume = 107,
  kControlStop = 108,
  kControlLiveCover = 0x5200,
  kControlLiveMute = 0x5201,
  kControlDockTop = 0x5202,
  kControlDockBottom = 0x5203,
};

// How many command buttons the bar has (ids 100-108 in the application).
inline constexpr int kControlCommandCount = 9;

struct RecordingControlTexts {
  // Whether the bar stays out of recordings, or asks to be moved outside.
  std::wstring placement_note;
  // The command buttons' labels, in command order; label 7 reads "resume"
  // while paused, label 8 names what stops (recording, stream or both).
  std::array<std::wstring, kControlCommandCount> button_labels;
  // The hotkeys of the same commands as shown to the user, with the conflict
  // mark when a hotkey could not be registered; empty when there is none.
  std::array<std::wstring, kControlCommandCount> hotkey_texts;
  // The session has a live stream: the bar grows the live buttons and the
  // details row.
  bool live = false;
  std::wstring dock_top_text;
  std::wstring dock_bottom_text;
  std::wstring cover_action_text;
  std::wstring mute_action_text;
  // Lines joined with "\n"; empty until the stream reports.
  std::wstring live_details;
};

}  // namespace quorvel::windows
