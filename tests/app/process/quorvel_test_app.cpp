// quorvel_test_app.exe: the program as Quorvel.exe runs it, with the
// platform pieces Wine lacks (desktop duplication, the encoders and the MP4
// writer, sound) replaced by the engine's fakes and the boxes and folder
// openers reported to an event file, so that the process tests can record
// through the whole program from outside.
//
//   quorvel_test_app.exe [--tray] --events PATH
//
// PATH receives one line per event (see event_file.h). Without it the
// events go nowhere. A crash ends the process with code 134 instead of
// waiting for a debugger.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <utility>

#include "app/run_quorvel.h"
#include "tests/app/process/test_app_world.h"

namespace {

constexpr UINT kCrashExitCode = 134;

LONG WINAPI terminate_on_crash(EXCEPTION_POINTERS*) {
  TerminateProcess(GetCurrentProcess(), kCrashExitCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

// The value after "--events", or empty.
std::wstring event_path(const wchar_t* command_line) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(command_line, &count);
  if (arguments == nullptr) return {};
  std::wstring path;
  for (int i = 0; i + 1 < count; ++i) {
    if (std::wstring(arguments[i]) == L"--events") path = arguments[i + 1];
  }
  LocalFree(arguments);
  return path;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int show_command) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(terminate_on_crash);
  const std::wstring arguments = command_line != nullptr ? command_line : L"";
  // CommandLineToArgvW reads its first word as the program's name.
  quorvel::test::TestAppWorld world(event_path((L"quorvel_test_app " + arguments).c_str()));
  return quorvel::windows::run_quorvel(instance, arguments, show_command, world.platform());
}
