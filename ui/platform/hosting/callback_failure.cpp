#include "ui/platform/hosting/callback_failure.h"

#include <windows.h>

namespace win32_ui::modern {
namespace {

std::wstring widen(const char* text) {
  if (text == nullptr || *text == '\0') return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (length <= 1) return {};
  std::wstring wide(static_cast<std::size_t>(length - 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
  return wide;
}

}  // namespace

void report_callback_failure(const wchar_t* what) noexcept {
  try {
    std::wstring line = what != nullptr ? what : L"callback";
    line += L": ";
    try {
      throw;
    } catch (const std::exception& error) {
      line += widen(error.what());
    } catch (...) {
      line += L"unknown exception";
    }
    line += L'\n';
    OutputDebugStringW(line.c_str());
  } catch (...) {
    OutputDebugStringW(what != nullptr ? what : L"callback failed");
  }
}

}  // namespace win32_ui::modern
