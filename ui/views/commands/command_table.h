// Numbered commands of a window: what a button, a menu item or a shortcut
// does, kept apart from the control that starts it. A window fills its
// CommandTable with Command records (text, action, enabling predicate) and
// routes its controls' notifications to CommandTable::execute, or, in
// classic windows, WM_COMMAND to CommandTable::handle_command, whose ids are
// 16-bit.
//
// Owned by the window that built it; surfaces hold it without owning it. UI
// thread only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <unordered_map>

namespace win32_ui::modern {

struct Command {
  // Only the low 16 bits are used on the WM_COMMAND path.
  unsigned id = 0;
  std::wstring text;
  // Required.
  std::function<void()> action;
  // Optional: absent means always executable. Called with the command id.
  std::function<bool(unsigned id)> can_execute;
  // Copied with the command; the toolkit never calls it.
  std::function<void()> third_callback;
};

// FNV-1a over the four bytes of the id, low byte first, at the width of
// std::size_t.
struct CommandIdHash {
  std::size_t operator()(unsigned id) const noexcept;
};

class CommandTable {
 public:
  // What execute and handle_command report.
  static constexpr int kUnknown = 0;
  static constexpr int kRefused = 1;
  static constexpr int kExecuted = 2;

  // An empty table with room for `bucket_count` commands before it grows.
  explicit CommandTable(std::size_t bucket_count = 8);

  // False when the action is empty or the id is taken (the first command
  // stays).
  bool add(Command command);
  // Null when the id is not registered.
  Command* find(unsigned id);
  const Command* find(unsigned id) const;
  // False for an unknown id; else the predicate's answer, true without one.
  bool can_execute(unsigned id) const;
  // kUnknown, kRefused (can_execute is false; nothing runs) or kExecuted.
  int execute(unsigned id);
  // The WM_COMMAND route: a control's notification (non-null source) whose
  // id does not fit in 16 bits is not a command (kUnknown); otherwise
  // execute of the id's low 16 bits.
  int handle_command(unsigned id, HWND source);
  void clear();

  std::size_t size() const { return commands_.size(); }

 private:
  std::unordered_map<unsigned, Command, CommandIdHash> commands_;
};

}  // namespace win32_ui::modern
