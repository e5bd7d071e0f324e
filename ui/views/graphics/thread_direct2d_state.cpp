#include "ui/views/graphics/thread_direct2d_state.h"

#include <cwchar>

#include "ui/views/graphics/per_thread.h"

namespace win32_ui::modern::detail {

void ThreadRenderTarget::drop() {
  bitmaps.clear();
  target.Reset();
  in_use = false;
}

std::wstring_view ThreadDirect2dState::locale() {
  if (!locale_fetched_) {
    locale_fetched_ = true;
    if (GetUserDefaultLocaleName(locale_.data(), static_cast<int>(locale_.size())) == 0) {
      wcscpy_s(locale_.data(), locale_.size(), L"en-US");
    }
  }
  return std::wstring_view(locale_.data(), wcsnlen(locale_.data(), locale_.size()));
}

ThreadDirect2dState& thread_direct2d_state() { return PerThread<ThreadDirect2dState>::get(); }

}  // namespace win32_ui::modern::detail
