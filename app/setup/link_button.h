// A flat button whose label is drawn as a link in the accent colour. The
// Button's own text stays empty so that it draws no second label. Owned by
// its parent view; UI thread.
#pragma once

#include <string>

#include "ui/views/widgets/button.h"

namespace quorvel::windows {

class LinkButton : public win32_ui::modern::Button {
 public:
  LinkButton(int control_id, std::wstring text);
  ~LinkButton() override;

  const std::wstring& link_text() const { return link_text_; }
  void draw(win32_ui::modern::DrawContext& context) override;

 private:
  std::wstring link_text_;
};

}  // namespace quorvel::windows
