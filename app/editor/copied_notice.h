// The short "copied" notice that the screenshot editor shows centred on the
// monitor after done: a topmost tool window that takes neither the focus nor
// the mouse, is kept out of screen captures and closes itself after 2.2 s.
// Owned by the editor, which outlives its canvas; destroying the notice
// destroys its window. UI thread only.
#pragma once

#include <windows.h>

#include <string>

#include "ui/platform/hosting/window_host.h"
#include "ui/platform/theme/theme.h"

namespace quorvel::windows {

inline constexpr wchar_t kScreenshotNoticeClass[] = L"QuorvelScreenshotNotice";
inline constexpr UINT_PTR kNoticeCloseTimer = 1;
inline constexpr UINT kNoticeCloseDelayMs = 2200;

class CopiedNotice {
 public:
  CopiedNotice() = default;
  ~CopiedNotice();
  CopiedNotice(const CopiedNotice&) = delete;
  CopiedNotice& operator=(const CopiedNotice&) = delete;

  // Replaces any window this notice shows with a new one for `message`,
  // centred on `monitor`. Shows nothing when a step fails.
  void show(HINSTANCE instance, RECT monitor, int dpi, std::wstring message,
            const win32_ui::Theme& theme);
  void apply_theme(const win32_ui::Theme& theme);
  HWND hwnd() const { return window_; }

  static LRESULT CALLBACK notice_window_proc(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam);

 private:
  bool build_content(HWND window, const std::wstring& message, const win32_ui::Theme& theme);

  HWND window_ = nullptr;
  win32_ui::modern::WindowHost host_;
};

}  // namespace quorvel::windows
