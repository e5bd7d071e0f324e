// Quorvel.exe's entry point: the App with the product's own windows.
#include <windows.h>

#include <utility>

#include "app/app_platform.h"
#include "app/product_editor.h"
#include "app/product_main_window.h"
#include "app/run_quorvel.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int show_command) {
  // Libraries that Windows or the program load by name later come from the
  // system folder alone: a DLL dropped beside Quorvel.exe or in the current
  // folder is never picked up.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  quorvel::windows::AppPlatform platform;
  platform.make_main_window = quorvel::windows::make_product_main_window;
  platform.make_editor = quorvel::windows::make_product_editor;
  return quorvel::windows::run_quorvel(instance, command_line != nullptr ? command_line : L"",
                                       show_command, std::move(platform));
}
