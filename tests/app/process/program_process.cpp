#include "tests/app/process/program_process.h"

#include <cstdlib>
#include <string>

#include "tests/app/process/program_observation.h"

namespace quorvel::test {

std::wstring program_path(const char* variable) {
  const char* configured = std::getenv(variable);
  std::wstring path;
  for (const char* c = configured != nullptr ? configured : ""; *c != '\0'; ++c) {
    path.push_back(*c == '/' ? L'\\' : static_cast<unsigned char>(*c));
  }
  if (!path.empty() && path[0] == L'\\') path = L"Z:" + path;
  return path;
}

ProgramProcess::ProgramProcess(const std::wstring& arguments)
    : ProgramProcess(program_path(), arguments) {}

ProgramProcess::ProgramProcess(const std::wstring& program, const std::wstring& arguments) {
  std::wstring command_line = L"\"" + program + L"\"";
  if (!arguments.empty()) command_line += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &info)) {
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
  }
}

std::unique_ptr<ProgramProcess> ProgramProcess::find_running(DWORD timeout_ms) {
  HWND host = nullptr;
  poll_until([&] { return (host = FindWindowW(L"QuorvelMessageHost", nullptr)) != nullptr; },
             timeout_ms);
  DWORD id = 0;
  if (host == nullptr || GetWindowThreadProcessId(host, &id) == 0) return nullptr;
  const HANDLE process =
      OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, id);
  if (process == nullptr) return nullptr;
  return std::unique_ptr<ProgramProcess>(new ProgramProcess(process, id));
}

ProgramProcess::~ProgramProcess() {
  if (process_ == nullptr) return;
  if (running()) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 10000);
  }
  CloseHandle(process_);
}

std::optional<DWORD> ProgramProcess::wait_exit(DWORD timeout_ms) {
  if (process_ == nullptr || WaitForSingleObject(process_, timeout_ms) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}

bool ProgramProcess::running() const {
  return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool ProgramProcess::wait_idle(DWORD timeout_ms) {
  return process_ != nullptr && WaitForInputIdle(process_, timeout_ms) == 0;
}

namespace {

struct WindowSearch {
  DWORD process_id;
  const wchar_t* class_name;
  HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM lparam) {
  auto* search = reinterpret_cast<WindowSearch*>(lparam);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (owner == search->process_id && std::wstring(name) == search->class_name) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND ProgramProcess::find_window(const wchar_t* class_name) const {
  WindowSearch search{id_, class_name, nullptr};
  EnumWindows(&match_window, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace quorvel::test
