// A thin divider filled with the border colour; a subtle one sinks into the
// dark theme's background instead. Its size comes from its layout
// parameters. Owned by its parent view; drawn on the UI thread.
#pragma once

#include "ui/views/view.h"

namespace quorvel::windows {

class Separator : public win32_ui::modern::View {
 public:
  explicit Separator(bool subtle_in_dark);
  ~Separator() override;

  bool subtle_in_dark() const { return subtle_in_dark_; }
  void draw(win32_ui::modern::DrawContext& context) override;

 private:
  bool subtle_in_dark_;
};

}  // namespace quorvel::windows
