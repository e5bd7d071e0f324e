// Quorvel.exe's entry point.
#include <windows.h>

#include "app/run_quorvel.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int show_command) {
  return quorvel::windows::run_quorvel(instance, command_line != nullptr ? command_line : L"",
                                       show_command, {});
}
