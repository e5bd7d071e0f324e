// Whether Quorvel comes back to where it was after each cycle of a day's
// use, and whether a long live stream stays flat. Prints one
// "name value unit" line per figure; failures go to stderr with exit code 1.
// Run it with bench/endurance.sh, which makes the display, the Wine prefix
// and the RTMP server on loopback.
//
//   endurance_bench.exe cycles COUNT [STEPS] [--gdi-only]
//     COUNT cycles of the shell (see shell_cycles.h), of only the STEPS
//     named (comma-separated: record, screenshot, windows, theme, signin)
//     when given, to find which one holds on to something; the process figures
//     after each cycle as "cycle N private_bytes handles gdi user threads
//     heap_busy_bytes" lines, the painting caches of the UI thread after
//     cycle 10 and after the last (bounded caches that fill are no leak),
//     then each figure after cycle 10 and after the last and its growth
//     per cycle, a least-squares fit over cycles 10 to the last.
//     --gdi-only makes Direct2D refuse its render targets, so that every
//     window paints with GDI (see direct2d_refusal.h).
//     Where a count moved, the per-type handle, GDI and window censuses of
//     cycle 10 and of the last cycle name the difference.
//     endurance_census.exe, the same program with every `new` recorded,
//     also prints the stacks holding the most bytes made in cycles 11 to
//     the last but two and still alive (see heap_census.h).
//   endurance_bench.exe platform-costs COUNT
//     What the system's graphics libraries keep per Direct2D paint, shader
//     compile and Direct3D device (see platform_costs.h), and in
//     endurance_census.exe the Direct3D resources each makes.
//   endurance_bench.exe stream URL KEY SECONDS
//     The streaming tests' clip, looped and paced as captured, through the
//     real streamer to URL/KEY for SECONDS; private bytes, handles and heap bytes every
//     10 s, then the streamer's status.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "bench/endurance/direct2d_refusal.h"
#include "bench/endurance/heap_census.h"
#include "bench/endurance/live_stream.h"
#include "bench/endurance/platform_costs.h"
#include "bench/endurance/process_figures.h"
#include "bench/endurance/shell_cycles.h"
#include "engine/com_apartment.h"
#include "tests/engine/gpu_test_support.h"
#include "ui/views/graphics/graphics_diagnostics.h"

namespace {

using quorvel::bench::ProcessFigures;

constexpr int kBaselineCycle = 10;

struct Census {
  std::map<std::string, int> handles;
  std::map<std::string, int> gdi;
  std::map<std::string, int> windows;
  std::map<std::string, int> heap_blocks;
};

Census take_census() {
  return {quorvel::bench::handle_census(), quorvel::bench::gdi_census(),
          quorvel::bench::window_census(), quorvel::bench::heap_block_census()};
}

// In the census build, counts from now on the Direct3D resources every
// device of the process makes. The devices share their methods' table: any
// device serves.
void count_gpu_resources_when_recording() {
  if (!quorvel::bench::heap_census::recording()) return;
  Microsoft::WRL::ComPtr<ID3D11Device> device;
  Microsoft::WRL::ComPtr<ID3D11DeviceContext> context;
  if (quorvel::windows::test::make_device(device, context)) {
    quorvel::bench::heap_census::count_gpu_resources(device.Get());
  }
}

void print_painting_caches(int cycle) {
  const auto caches = win32_ui::modern::detail::thread_graphics_diagnostics();
  std::printf("# painting caches after cycle %d: bitmaps %zu (%llu bytes) text formats %zu "
              "text layouts %zu (%zu units)\n",
              cycle, caches.bitmap_entries, static_cast<unsigned long long>(caches.bitmap_bytes),
              caches.format_entries, caches.layout_entries, caches.layout_text_units);
}

void print_census(const char* title, const std::map<std::string, int>& census) {
  std::printf("# %s:", title);
  for (const auto& [name, count] : census) std::printf(" %s=%d", name.c_str(), count);
  std::printf("\n");
}

int run_cycles(int count, const std::string& steps) {
  quorvel::bench::ShellCycles cycles;
  std::string error;
  if (!steps.empty() && !cycles.choose_steps(steps)) {
    std::fprintf(stderr, "endurance: unknown step in \"%s\"\n", steps.c_str());
    return 2;
  }
  count_gpu_resources_when_recording();
  if (!cycles.start(error)) {
    std::fprintf(stderr, "endurance: %s\n", error.c_str());
    return 1;
  }
  std::vector<ProcessFigures> figures;
  Census baseline;
  for (int cycle = 1; cycle <= count; ++cycle) {
    quorvel::bench::heap_census::set_cycle(cycle);
    if (!cycles.run_cycle(error)) {
      std::fprintf(stderr, "endurance: cycle %d: %s\n", cycle, error.c_str());
      return 1;
    }
    const ProcessFigures now = quorvel::bench::read_process_figures();
    figures.push_back(now);
    std::printf("cycle %d %llu %u %u %u %u %llu\n", cycle,
                static_cast<unsigned long long>(now.private_bytes), now.handles,
                now.gdi_objects, now.user_objects, now.threads,
                static_cast<unsigned long long>(now.heap_busy_bytes));
    std::fflush(stdout);
    if (cycle == kBaselineCycle) {
      quorvel::bench::heap_census::remember_heap_blocks();
      quorvel::bench::heap_census::remember_private_regions();
      baseline = take_census();
      print_painting_caches(cycle);
    }
  }
  if (count > kBaselineCycle) print_painting_caches(count);
  quorvel::bench::heap_census::set_cycle(0);
  // The last two cycles' blocks may still be held on purpose (the cycles
  // keep the previous recording's encoders): the census names older ones.
  if (quorvel::bench::heap_census::recording() && count > kBaselineCycle + 2) {
    quorvel::bench::heap_census::report(kBaselineCycle + 1, count - 2, 40, stdout);
    // The later half alone, once the bounded caches have filled.
    quorvel::bench::heap_census::report(std::max(kBaselineCycle + 1, count / 2), count - 2, 10,
                                        stdout);
    quorvel::bench::heap_census::report_gpu_resources(kBaselineCycle + 1, count - 2, 100, stdout);
    quorvel::bench::heap_census::report_new_heap_blocks(10, 8, stdout);
    quorvel::bench::heap_census::report_private_regions(16, stdout);
  }
  std::printf("endurance_encoders_kept_past_the_next_recording %d encoders\n",
              cycles.encoders_kept());
  if (count < kBaselineCycle + 1) return 0;

  const Census last = take_census();
  const ProcessFigures& at_baseline = figures[kBaselineCycle - 1];
  const ProcessFigures& at_last = figures.back();
  struct Figure {
    const char* name;
    double (*value)(const ProcessFigures&);
    const char* unit;
  };
  const Figure table[] = {
      {"private_bytes", [](const ProcessFigures& f) { return double(f.private_bytes); }, "bytes"},
      {"handles", [](const ProcessFigures& f) { return double(f.handles); }, "handles"},
      {"gdi_objects", [](const ProcessFigures& f) { return double(f.gdi_objects); }, "objects"},
      {"user_objects", [](const ProcessFigures& f) { return double(f.user_objects); }, "objects"},
      {"threads", [](const ProcessFigures& f) { return double(f.threads); }, "threads"},
      {"heap_busy_bytes", [](const ProcessFigures& f) { return double(f.heap_busy_bytes); },
       "bytes"},
  };
  std::vector<double> x;
  for (int cycle = kBaselineCycle; cycle <= count; ++cycle) x.push_back(cycle);
  for (const Figure& figure : table) {
    std::vector<double> y;
    for (int cycle = kBaselineCycle; cycle <= count; ++cycle) {
      y.push_back(figure.value(figures[cycle - 1]));
    }
    std::printf("endurance_%s_cycle10 %.0f %s\n", figure.name, figure.value(at_baseline),
                figure.unit);
    std::printf("endurance_%s_cycle%d %.0f %s\n", figure.name, count, figure.value(at_last),
                figure.unit);
    std::printf("endurance_%s_growth_per_cycle %.3f %s\n", figure.name,
                quorvel::bench::least_squares_slope(x, y), figure.unit);
  }
  // GetGuiResources may be a stub on some systems: the censuses give the
  // GDI and window counts as the process's own tables hold them.
  auto total = [](const std::map<std::string, int>& census) {
    int sum = 0;
    for (const auto& [name, count] : census) sum += count;
    return sum;
  };
  std::printf("endurance_gdi_census_cycle10 %d objects\n", total(baseline.gdi));
  std::printf("endurance_gdi_census_cycle%d %d objects\n", count, total(last.gdi));
  std::printf("endurance_windows_cycle10 %d windows\n", total(baseline.windows));
  std::printf("endurance_windows_cycle%d %d windows\n", count, total(last.windows));
  std::printf("endurance_handle_census_cycle10 %d handles\n", total(baseline.handles));
  std::printf("endurance_handle_census_cycle%d %d handles\n", count, total(last.handles));
  const std::string moved = "handles:\n" +
                            quorvel::bench::census_difference(baseline.handles, last.handles) +
                            "gdi:\n" + quorvel::bench::census_difference(baseline.gdi, last.gdi) +
                            "windows:\n" +
                            quorvel::bench::census_difference(baseline.windows, last.windows);
  std::printf("# census differences, cycle 10 -> %d\n%s", count, moved.c_str());
  // Heap blocks by size: only the sizes that gained most, which name the
  // kept objects' sizes where the heaps grow.
  std::vector<std::pair<int, std::string>> gained;
  for (const auto& [size, after] : last.heap_blocks) {
    const auto before = baseline.heap_blocks.find(size);
    const int gain = after - (before == baseline.heap_blocks.end() ? 0 : before->second);
    if (gain > 0) gained.emplace_back(gain, size);
  }
  std::sort(gained.rbegin(), gained.rend());
  std::printf("# heap blocks gained by size, cycle 10 -> %d:", count);
  for (size_t i = 0; i < gained.size() && i < 16; ++i) {
    std::printf(" %s:+%d", gained[i].second.c_str() + gained[i].second.find_first_not_of(' '),
                gained[i].first);
  }
  std::printf("\n");
  print_census("handles at the last cycle", last.handles);
  print_census("gdi at the last cycle", last.gdi);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  if (argc >= 3 && argc <= 5 && std::wstring(argv[1]) == L"cycles") {
    const quorvel::windows::ComApartment apartment(COINIT_APARTMENTTHREADED);
    std::string steps;
    bool gdi_only = false;
    for (int i = 3; i < argc; ++i) {
      if (std::wstring(argv[i]) == L"--gdi-only") {
        gdi_only = true;
      } else {
        for (const wchar_t* c = argv[i]; *c != 0; ++c) steps += static_cast<char>(*c);
      }
    }
    if (gdi_only && !quorvel::bench::refuse_direct2d_render_targets()) {
      std::fprintf(stderr, "endurance: Direct2D's render targets could not be refused\n");
      return 1;
    }
    return run_cycles(_wtoi(argv[2]), steps);
  }
  if (argc == 3 && std::wstring(argv[1]) == L"platform-costs") {
    const quorvel::windows::ComApartment apartment(COINIT_APARTMENTTHREADED);
    count_gpu_resources_when_recording();
    return quorvel::bench::run_platform_costs(_wtoi(argv[2])) ? 0 : 1;
  }
  if (argc == 5 && std::wstring(argv[1]) == L"stream") {
    return quorvel::bench::run_live_stream(argv[2], argv[3], _wtoi(argv[4])) ? 0 : 1;
  }
  std::fprintf(stderr,
               "usage: endurance_bench cycles COUNT [STEPS] [--gdi-only] | stream URL KEY SECONDS | "
               "platform-costs COUNT\n");
  return 2;
}
