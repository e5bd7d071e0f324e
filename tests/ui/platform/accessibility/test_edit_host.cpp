#include "tests/ui/platform/accessibility/test_edit_host.h"

#include <cmath>
#include <vector>

namespace win32_ui::modern::testing {
namespace {

std::wstring window_text(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(window, buffer.data(), length + 1);
  return std::wstring(buffer.data());
}

class EditPeer final : public NativeViewPeer {
 public:
  EditPeer(int control_id, std::wstring text, bool read_only)
      : control_id_(control_id), text_(std::move(text)), read_only_(read_only) {}
  ~EditPeer() override { release_window(); }
  EditPeer(const EditPeer&) = delete;
  EditPeer& operator=(const EditPeer&) = delete;

  int capabilities() const override { return read_only_ ? 23 : 31; }
  HWND native_handle() const override { return window_; }
  bool attach_window(HWND parent, const NativeViewContext&) override {
    if (window_ != nullptr && GetParent(window_) == parent) return true;
    release_window();
    const DWORD style = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | (read_only_ ? ES_READONLY : 0);
    window_ = CreateWindowExW(0, L"EDIT", text_.c_str(), style, 0, 0, 1, 1, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id_)),
                              GetModuleHandleW(nullptr), nullptr);
    return window_ != nullptr;
  }
  bool adopt_window(HWND, bool, const NativeViewContext&) override { return false; }
  void release_window() override {
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
    window_ = nullptr;
  }
  void apply_context(const NativeViewContext&) override {}
  void place(const NativePlacement& placement) override {
    if (window_ == nullptr) return;
    const float scale = static_cast<float>(placement.dpi) / 96.0f * placement.zoom;
    MoveWindow(window_, static_cast<int>(std::lround(placement.x * scale)),
               static_cast<int>(std::lround((placement.y - placement.scroll_offset) * scale)),
               static_cast<int>(std::lround(placement.width * scale)),
               static_cast<int>(std::lround(placement.height * scale)), FALSE);
  }
  bool translate_notification(const NativeNotification&, Event&) override { return false; }

 private:
  int control_id_;
  std::wstring text_;
  bool read_only_;
  HWND window_ = nullptr;
};

}  // namespace

TestEditHost::TestEditHost(int control_id, std::wstring text, bool read_only)
    : NativeHost(control_id, 120.0f, 28.0f), read_only_(read_only) {
  set_peer(std::make_unique<EditPeer>(control_id, std::move(text), read_only));
}

void TestEditHost::describe(ElementInfo& info) const {
  NativeHost::describe(info);
  info.role = ElementRole::kEdit;
  if (const HWND window = native_handle()) info.value_text = window_text(window);
  info.read_only = read_only_;
  if (!read_only_) info.add_flags(ElementAction::kSetValueText);
}

bool TestEditHost::perform_action(const ElementAction& action) {
  if (action.kind == ElementAction::kSetValueText && !read_only_) {
    if (const HWND window = native_handle()) SetWindowTextW(window, action.text.c_str());
    notify_semantics_changed();
    return true;
  }
  return NativeHost::perform_action(action);
}

}  // namespace win32_ui::modern::testing
