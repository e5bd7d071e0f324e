#include "ui/views/tooltip_window.h"

#include <commctrl.h>

#include <iterator>
#include <utility>

namespace win32_ui::modern {
namespace {

bool same_rect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

void TooltipWindow::forget_if_gone() {
  if (hwnd_ != nullptr && !IsWindow(hwnd_)) {
    hwnd_ = nullptr;
    tools_.clear();
  }
}

void TooltipWindow::destroy() {
  forget_if_gone();
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  tools_.clear();
}

bool TooltipWindow::create(HWND owner, int max_width_px) {
  INITCOMMONCONTROLSEX init{sizeof(init), 0xFF};
  InitCommonControlsEx(&init);
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
  hwnd_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                          WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance, nullptr);
  if (hwnd_ == nullptr) return false;
  SendMessageW(hwnd_, TTM_SETMAXTIPWIDTH, 0, max_width_px);
  return true;
}

// The version 2 layout (without lpReserved) that every comctl32 accepts.
TOOLINFOW TooltipWindow::tool_info(HWND owner, const View* view, const Tool& tool) const {
  TOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.uFlags = TTF_SUBCLASS;
  info.hwnd = owner;
  info.uId = reinterpret_cast<UINT_PTR>(view);
  info.rect = tool.rect;
  info.lpszText = const_cast<wchar_t*>(tool.text.c_str());
  return info;
}

void TooltipWindow::sync(HWND owner, Tools wanted, int max_width_px) {
  forget_if_gone();
  if (wanted.empty()) {
    destroy();
    return;
  }
  if (hwnd_ == nullptr && !create(owner, max_width_px)) return;
  for (auto it = tools_.begin(); it != tools_.end();) {
    if (wanted.count(it->first) != 0) {
      ++it;
      continue;
    }
    TOOLINFOW info = tool_info(owner, it->first, it->second);
    SendMessageW(hwnd_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    it = tools_.erase(it);
  }
  for (auto& [view, tool] : wanted) {
    const auto known = tools_.find(view);
    if (known == tools_.end()) {
      TOOLINFOW info = tool_info(owner, view, tool);
      SendMessageW(hwnd_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
      tools_.emplace(view, std::move(tool));
      continue;
    }
    Tool& current = known->second;
    if (!same_rect(current.rect, tool.rect)) {
      current.rect = tool.rect;
      TOOLINFOW info = tool_info(owner, view, current);
      SendMessageW(hwnd_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&info));
    }
    if (current.text != tool.text) {
      current.text = std::move(tool.text);
      TOOLINFOW info = tool_info(owner, view, current);
      SendMessageW(hwnd_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    }
  }
}

}  // namespace win32_ui::modern
