// The toolkit's smallest real window for startup_bench: an Application, one
// default Window holding a Text and a Button, activated, then the message
// loop. Prints where its time goes, one "name value unit" line per phase,
// each measured from the creation of the process.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/startup/startup_marker.h"
#include "ui/platform/scaffold/application.h"
#include "ui/platform/scaffold/window.h"
#include "ui/views/grid_panel.h"
#include "ui/views/widgets/button.h"
#include "ui/views/widgets/text.h"

namespace {

using win32_ui::layout::GridCell;
using win32_ui::layout::GridLength;

std::unique_ptr<win32_ui::modern::View> content() {
  auto grid = std::make_unique<win32_ui::modern::GridPanel>(
      std::vector<GridLength>{GridLength::star()},
      std::vector<GridLength>{GridLength::star(), GridLength::fixed(44.0f)}, 0.0f, 14.0f,
      win32_ui::layout::Thickness{20.0f, 20.0f, 20.0f, 20.0f});
  grid->add_child(std::make_unique<win32_ui::modern::Text>(std::wstring(L"Quorvel"), 2,
                                                           win32_ui::layout::Size{0.0f, 32.0f}),
                  GridCell{0, 0, 1, 1});
  grid->add_child(std::make_unique<win32_ui::modern::Button>(1, std::wstring(L"Start"), 0),
                  GridCell{0, 1, 1, 1});
  return grid;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const double entry = quorvel::bench::ms_since_process_start();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int code = 0;
  {
    win32_ui::scaffold::Application application(win32_ui::kThemeModeSystem,
                                                win32_ui::kDefaultAccent);
    win32_ui::scaffold::Window window(application);
    if (!window.create({})) return 3;
    window.set_content(content());
    const double created = quorvel::bench::ms_since_process_start();
    window.activate();
    const double shown = quorvel::bench::ms_since_process_start();
    code = quorvel::bench::run_loop_until_marker(argv[1]);
    const double looped = quorvel::bench::ms_since_process_start();
    std::printf("scaffold_phase_entry %.1f ms\n", entry);
    std::printf("scaffold_phase_create %.1f ms\n", created - entry);
    std::printf("scaffold_phase_show_and_first_paint %.1f ms\n", shown - created);
    std::printf("scaffold_phase_loop %.1f ms\n", looped - shown);
    std::fflush(stdout);
  }
  CoUninitialize();
  return code;
}
