// Quorvel.exe's entry point: the App with the product's own windows.
#include <windows.h>

#include <utility>

#include "app/app_platform.h"
#include "app/load_configuration.h"
#include "app/product_editor.h"
#include "app/product_main_window.h"
#include "app/run_quorvel.h"

#if defined(__MINGW32__)
// The DLLs Quorvel.exe imports (d3d11, dwmapi, winhttp and others that are
// not among the system's known DLLs) are resolved by the loader before any
// of its code runs, and would be looked for beside the program first: a
// dwmapi.dll lying in the Downloads folder next to it would be loaded. The
// load configuration's DependentLoadFlags restrict that search to the
// system folder. GNU ld leaves the PE's load-configuration directory empty;
// the build points it at this structure after the link
// (cmake/QuorvelLoadConfiguration.cmake). MSVC builds take the CRT's
// structure and /DEPENDENTLOADFLAG instead.
extern "C" [[gnu::used]] constinit const IMAGE_LOAD_CONFIG_DIRECTORY64 _load_config_used =
    quorvel::windows::load_configuration(LOAD_LIBRARY_SEARCH_SYSTEM32);
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int show_command) {
  // What Windows or the program load by name from here on comes from the
  // system folder alone as well: a DLL dropped beside Quorvel.exe or in the
  // current folder is never picked up. This covers run-time loads only; the
  // imports were resolved before wWinMain, under the load configuration.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  quorvel::windows::AppPlatform platform;
  platform.make_main_window = quorvel::windows::make_product_main_window;
  platform.make_editor = quorvel::windows::make_product_editor;
  return quorvel::windows::run_quorvel(instance, command_line != nullptr ? command_line : L"",
                                       show_command, std::move(platform));
}
