// Start-up time of the toolkit's smallest window against a bare Win32
// window: launches hello_window_app and scaffold_app (built beside it) 20
// times each, alternating, and times CreateProcessW to the moment each
// program's message loop takes its first posted message. Prints the median
// and 90th percentile of each and their difference, "name value unit".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 20;

std::wstring sibling(const wchar_t* name) {
  wchar_t path[MAX_PATH]{};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return folder + name;
}

double now_ms() {
  LARGE_INTEGER frequency{};
  LARGE_INTEGER counter{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Milliseconds from CreateProcessW to the program's signal, or a negative
// value when it failed.
double time_launch(const std::wstring& program, int run) {
  const std::wstring event_name =
      L"Local\\QuorvelStartupBench." + std::to_wstring(GetCurrentProcessId()) + L"." +
      std::to_wstring(run);
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, event_name.c_str());
  if (event == nullptr) return -1.0;
  std::wstring command = L"\"" + program + L"\" " + event_name;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const double start = now_ms();
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &process)) {
    CloseHandle(event);
    return -1.0;
  }
  HANDLE waits[] = {event, process.hProcess};
  const DWORD which = WaitForMultipleObjects(2, waits, FALSE, 30000);
  const double elapsed = now_ms() - start;
  WaitForSingleObject(process.hProcess, 30000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(event);
  return which == WAIT_OBJECT_0 ? elapsed : -1.0;
}

double percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

}  // namespace

int main() {
  const std::wstring hello = sibling(L"hello_window_app.exe");
  const std::wstring scaffold = sibling(L"scaffold_app.exe");
  std::vector<double> hello_times;
  std::vector<double> scaffold_times;
  for (int run = 0; run < 2 * kRuns; ++run) {
    const bool is_hello = run % 2 == 0;
    const double elapsed = time_launch(is_hello ? hello : scaffold, run);
    if (elapsed < 0.0) {
      std::fprintf(stderr, "launch %d of %s failed\n", run, is_hello ? "hello" : "scaffold");
      return 1;
    }
    (is_hello ? hello_times : scaffold_times).push_back(elapsed);
  }
  const double hello_median = percentile(hello_times, 0.5);
  const double scaffold_median = percentile(scaffold_times, 0.5);
  std::printf("hello_window_median %.1f ms\n", hello_median);
  std::printf("hello_window_p90 %.1f ms\n", percentile(hello_times, 0.9));
  std::printf("scaffold_median %.1f ms\n", scaffold_median);
  std::printf("scaffold_p90 %.1f ms\n", percentile(scaffold_times, 0.9));
  std::printf("scaffold_minus_hello_median %.1f ms\n", scaffold_median - hello_median);
  return 0;
}
