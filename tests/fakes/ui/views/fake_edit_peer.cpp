#include "tests/fakes/ui/views/fake_edit_peer.h"

#include <utility>

namespace win32_ui::modern::testing {
namespace {

constexpr UINT_PTR kFakeEditSubclass = 0x54454454;  // "TEDT"

bool is_key_message(UINT message) {
  return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR ||
         message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_SYSCHAR;
}

}  // namespace

FakeEditPeer::FakeEditPeer(int control_id, std::shared_ptr<FakeEditLog> log)
    : control_id_(control_id), log_(std::move(log)) {}

FakeEditPeer::~FakeEditPeer() { release_window(); }

bool FakeEditPeer::attach_window(HWND parent, const NativeViewContext& context) {
  apply_context(context);
  if (log_->fail_attach || context.theme == nullptr) return false;
  if (window_ != nullptr && IsWindow(window_)) return GetParent(window_) == parent;
  window_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 1, 1,
                            parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id_)),
                            GetModuleHandleW(nullptr), nullptr);
  if (window_ == nullptr) return false;
  if (!SetWindowSubclass(window_, &FakeEditPeer::subclass_proc, kFakeEditSubclass,
                         reinterpret_cast<DWORD_PTR>(this))) {
    DestroyWindow(window_);
    window_ = nullptr;
    return false;
  }
  return true;
}

bool FakeEditPeer::adopt_window(HWND, bool, const NativeViewContext&) { return false; }

void FakeEditPeer::release_window() {
  if (window_ == nullptr) return;
  ++log_->releases;
  if (IsWindow(window_)) {
    RemoveWindowSubclass(window_, &FakeEditPeer::subclass_proc, kFakeEditSubclass);
    DestroyWindow(window_);
  }
  window_ = nullptr;
}

void FakeEditPeer::apply_context(const NativeViewContext& context) {
  log_->contexts.push_back({context.theme, context.style_identity,
                            std::wstring(context.locale_tag), context.localization_revision,
                            context.right_to_left});
}

void FakeEditPeer::place(const NativePlacement& placement) {
  log_->placements.push_back(placement);
  if (window_ == nullptr) return;
  const int scroll = static_cast<int>(placement.scroll_offset);
  SetWindowPos(window_, nullptr, static_cast<int>(placement.x),
               static_cast<int>(placement.y) - scroll, static_cast<int>(placement.width),
               static_cast<int>(placement.height),
               SWP_NOZORDER | SWP_NOACTIVATE |
                   (placement.hidden != 0 ? SWP_HIDEWINDOW : SWP_SHOWWINDOW));
  EnableWindow(window_, placement.enabled ? TRUE : FALSE);
}

bool FakeEditPeer::translate_notification(const NativeNotification& notification,
                                          Event& event) {
  if (notification.kind != NativeNotification::kCommand || notification.code != EN_CHANGE) {
    return false;
  }
  event.kind = Event::kTextChanged;
  const int length = GetWindowTextLengthW(window_);
  std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  const int copied = GetWindowTextW(window_, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  event.text = std::move(text);
  return true;
}

LRESULT CALLBACK FakeEditPeer::subclass_proc(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam, UINT_PTR, DWORD_PTR reference) {
  auto* peer = reinterpret_cast<FakeEditPeer*>(reference);
  if (message == WM_SETFOCUS) {
    SendMessageW(GetParent(window), kChildFocusMessage, 0, reinterpret_cast<LPARAM>(window));
  } else if (is_key_message(message)) {
    // The view tree may free the peer while it handles the key.
    const std::shared_ptr<FakeEditLog> log = peer->log_;
    ChildKeyRecord record{message, wparam, lparam, false};
    send_child_key_record(GetParent(window), record);
    log->key_results.push_back(record.handled);
    if (record.handled) return 0;
  }
  return DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace win32_ui::modern::testing
