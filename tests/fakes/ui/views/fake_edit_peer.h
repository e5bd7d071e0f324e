// A NativeViewPeer that owns a real "EDIT" child window and behaves as the
// program's hosted controls do towards their parent: its subclass sends the
// focus message when the edit takes the focus and forwards key messages as
// child key records, swallowing those a view handled. It records what the
// Surface hands it in a log the test keeps after the peer is gone.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/platform/hosting/native_host.h"

namespace win32_ui::modern::testing {

struct FakeEditLog {
  struct Context {
    const Theme* theme = nullptr;
    const void* style_identity = nullptr;
    std::wstring locale_tag;
    std::uint64_t localization_revision = 0;
    bool right_to_left = false;
  };
  std::vector<Context> contexts;
  std::vector<NativePlacement> placements;
  // The answers of the forwarded key records, in order.
  std::vector<bool> key_results;
  int releases = 0;
  // attach_window refuses while set.
  bool fail_attach = false;
};

class FakeEditPeer final : public NativeViewPeer {
 public:
  FakeEditPeer(int control_id, std::shared_ptr<FakeEditLog> log);
  ~FakeEditPeer() override;
  FakeEditPeer(const FakeEditPeer&) = delete;
  FakeEditPeer& operator=(const FakeEditPeer&) = delete;

  int capabilities() const override { return 31; }
  HWND native_handle() const override { return window_; }
  bool attach_window(HWND parent, const NativeViewContext& context) override;
  bool adopt_window(HWND window, bool borrowed, const NativeViewContext& context) override;
  void release_window() override;
  void apply_context(const NativeViewContext& context) override;
  void place(const NativePlacement& placement) override;
  bool translate_notification(const NativeNotification& notification, Event& event) override;

 private:
  static LRESULT CALLBACK subclass_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR id, DWORD_PTR reference);

  int control_id_;
  std::shared_ptr<FakeEditLog> log_;
  HWND window_ = nullptr;
};

}  // namespace win32_ui::modern::testing
