// Quorvel's start to its tray icon, its recording tick and its per-frame
// path, each against the least that work must do, measured in one run.
// Prints one "name value unit" line per figure; failures go to stderr with
// exit code 1. Run it with bench/app_bench.sh, which makes a throwaway Wine
// prefix with a warm server; QUORVEL_PROGRAM names Quorvel.exe (by default
// app\Quorvel.exe beside this program's folder).
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "bench/app/sample_statistics.h"
#include "bench/app/session_bench.h"
#include "bench/app/tray_startup.h"
#include "tests/app/process/program_process.h"

namespace {

using quorvel::bench::percentile;

constexpr int kStartRuns = 10;
constexpr int kPlainTicks = 10000;
constexpr int kStatusTicks = 200;
constexpr int kFrames = 60;
constexpr double kTickPeriodUs = 8000.0;

std::wstring own_folder() {
  wchar_t path[MAX_PATH]{};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return folder;
}

void print(const char* name, double value, const char* unit) {
  std::printf("%s %.2f %s\n", name, value, unit);
  std::fflush(stdout);
}

// Each program once unmeasured (the first start of a program reads its
// files from disk), then alternately, so both meet the same machine.
bool measure_startup() {
  std::wstring quorvel = quorvel::test::program_path();
  if (quorvel.empty()) quorvel = own_folder() + L"..\\app\\Quorvel.exe";
  const quorvel::bench::TrayProgram programs[] = {
      {quorvel, L"--tray", L"QuorvelMessageHost"},
      {own_folder() + L"bare_tray_window.exe", std::wstring(), L"QuorvelBenchBareTray"}};
  std::vector<double> times[2];
  for (int run = -1; run < kStartRuns; ++run) {
    for (int which = 0; which < 2; ++which) {
      const std::optional<double> elapsed =
          quorvel::bench::time_start_to_tray_icon(programs[which]);
      if (!elapsed) return false;
      if (run >= 0) times[which].push_back(*elapsed);
    }
  }
  const double quorvel_median = percentile(times[0], 0.5);
  const double bare_median = percentile(times[1], 0.5);
  print("startup_tray_quorvel_median", quorvel_median, "ms");
  print("startup_tray_quorvel_p90", percentile(times[0], 0.9), "ms");
  print("startup_tray_bare_median", bare_median, "ms");
  print("startup_tray_bare_p90", percentile(times[1], 0.9), "ms");
  print("startup_tray_ratio_median", quorvel_median / bare_median, "x");
  print("startup_tray_ratio_p90", percentile(times[0], 0.9) / percentile(times[1], 0.9), "x");
  return true;
}

bool measure_session() {
  quorvel::windows::SessionBench bench;
  std::string error;
  quorvel::windows::TickSamples ticks;
  quorvel::windows::PairedSamples frames;
  if (!bench.start(error) || !bench.measure_ticks(kPlainTicks, kStatusTicks, ticks, error) ||
      !bench.measure_frames(kFrames, frames, error)) {
    std::fprintf(stderr, "session: %s\n", error.c_str());
    return false;
  }
  const double tick_median = percentile(ticks.plain, 0.5);
  const double tick_p99 = percentile(ticks.plain, 0.99);
  const double peer_median = percentile(ticks.peer, 0.5);
  const double peer_p99 = percentile(ticks.peer, 0.99);
  print("tick_plain_median", tick_median, "us");
  print("tick_plain_p99", tick_p99, "us");
  print("tick_peer_median", peer_median, "us");
  print("tick_peer_p99", peer_p99, "us");
  print("tick_plain_ratio_median", tick_median / peer_median, "x");
  print("tick_plain_ratio_p99", tick_p99 / peer_p99, "x");
  const double status_median = percentile(ticks.status, 0.5);
  const double status_p99 = percentile(ticks.status, 0.99);
  print("tick_status_median", status_median, "us");
  print("tick_status_p99", status_p99, "us");
  print("tick_status_share_of_period_median", 100.0 * status_median / kTickPeriodUs, "%");
  print("tick_status_share_of_period_p99", 100.0 * status_p99 / kTickPeriodUs, "%");
  // What the checks add to a plain tick.
  print("tick_status_extra_median", status_median - tick_median, "us");
  const double app_frame = percentile(frames.product, 0.5);
  const double direct_frame = percentile(frames.peer, 0.5);
  print("frame_app_median", app_frame, "us");
  print("frame_app_p99", percentile(frames.product, 0.99), "us");
  print("frame_direct_median", direct_frame, "us");
  print("frame_direct_p99", percentile(frames.peer, 0.99), "us");
  print("frame_ratio_median", app_frame / direct_frame, "x");
  return true;
}

}  // namespace

int wmain() {
  // The programs started first: the in-process App below holds the tray and
  // hotkeys Quorvel.exe would otherwise find taken.
  if (!measure_startup()) return 1;
  return measure_session() ? 0 : 1;
}
