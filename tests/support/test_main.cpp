// Entry point of every test executable.
//
// Under Wine an unhandled crash can open the debugger and hang, or end the
// process with exit code 0. Report the exception and terminate with a
// non-zero code instead, so a crash always fails the CTest run.
#include <windows.h>

#include <cstdio>

#include <gtest/gtest.h>

namespace {

constexpr UINT kCrashExitCode = 134;

LONG WINAPI report_and_terminate(EXCEPTION_POINTERS* info) {
  const DWORD code = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionCode : 0;
  const void* address = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionAddress : nullptr;
  std::fprintf(stderr, "\nFATAL: unhandled exception 0x%08lX at %p\n",
               static_cast<unsigned long>(code), address);
  std::fflush(stderr);
  std::fflush(stdout);
  // A fixed code: Wine hands only the low byte of the exit code to the host,
  // and some exception codes end in 0x00.
  TerminateProcess(GetCurrentProcess(), kCrashExitCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(report_and_terminate);
  SetConsoleOutputCP(CP_UTF8);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
