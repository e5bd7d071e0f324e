// A hosted "EDIT" window as the program's edit host describes it: role edit,
// the window's current text as value, read-only from the style, and the
// set-text action unless read-only. Its peer creates the window under the
// surface and places it over the view.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ui/platform/hosting/native_host.h"

namespace win32_ui::modern::testing {

class TestEditHost final : public NativeHost {
 public:
  TestEditHost(int control_id, std::wstring text, bool read_only);

  void describe(ElementInfo& info) const override;
  bool perform_action(const ElementAction& action) override;

 private:
  bool read_only_;
};

}  // namespace win32_ui::modern::testing
