// The record a hosted native control hands its parent window for a key
// message it did not consume, so the parent's view tree can act on it (Tab
// moves view focus out of an edit field). It travels by pointer in the
// lParam of kChildKeyMessage, and any thread or process can send or post a
// message of that number: the receiver reads the pointer only while
// send_child_key_record has it in flight on the receiver's own thread.
#pragma once

#include <windows.h>

namespace win32_ui::modern {

// Sent by a hosted control to its parent when it takes the keyboard focus;
// lParam is the control's window.
inline constexpr UINT kChildFocusMessage = 0x8532;
// Sent by a hosted control to its parent for a key message; lParam points
// to a ChildKeyRecord.
inline constexpr UINT kChildKeyMessage = 0x8533;

struct ChildKeyRecord {
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  // Set by the parent: a view handled the key.
  bool handled = false;
};

// Sends `record` to `parent` with kChildKeyMessage from the calling thread,
// marking it as in flight for the duration of the send. Returns the
// parent's answer.
LRESULT send_child_key_record(HWND parent, ChildKeyRecord& record);

// The record behind an lParam of kChildKeyMessage when it is the one that
// send_child_key_record has in flight on the calling thread; null for
// anything else (posted, from another thread or process, null, stale).
ChildKeyRecord* child_key_record_in_flight(LPARAM lparam);

}  // namespace win32_ui::modern
