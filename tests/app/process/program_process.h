// Quorvel.exe started by a test with CreateProcessW, or found running
// after a script started it, and watched from outside: its exit, its
// windows and its input-idle point. The process is ended when the object
// goes while it still runs.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

namespace quorvel::test {

// The program's path as Windows names it: QUORVEL_PROGRAM (or the
// environment variable `variable`), a host path under Wine ("/work/..."
// becomes "Z:\work\...").
std::wstring program_path(const char* variable = "QUORVEL_PROGRAM");

class ProgramProcess {
 public:
  // Starts the program with `arguments` after its quoted path.
  explicit ProgramProcess(const std::wstring& arguments);
  // Starts the program at `program` (a Windows path) instead.
  ProgramProcess(const std::wstring& program, const std::wstring& arguments);
  // The program someone else started (a script, as tools/run.sh does):
  // the process whose message host appears within `timeout_ms`; null when
  // none does.
  static std::unique_ptr<ProgramProcess> find_running(DWORD timeout_ms);
  ~ProgramProcess();
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  bool started() const { return process_ != nullptr; }
  DWORD id() const { return id_; }
  // The exit code once the process ended within `timeout_ms`.
  std::optional<DWORD> wait_exit(DWORD timeout_ms);
  bool running() const;
  // Waits until the program waits for input in its message loop.
  bool wait_idle(DWORD timeout_ms);
  // The program's top-level window of `class_name`, or null.
  HWND find_window(const wchar_t* class_name) const;

 private:
  ProgramProcess(HANDLE process, DWORD id) : process_(process), id_(id) {}

  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

}  // namespace quorvel::test
