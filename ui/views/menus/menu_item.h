// MenuItem is one row of a popup menu: a push control with an optional
// check or radio mark before its label and a shortcut text at its end. A
// click, Enter or Space, or the accessibility invoke raises invoked, which
// on_invoked receives. Its control id is its command id and its checked
// flag the mark's state.
//
// Owned by its parent view (a MenuView's grid). UI thread only.
#pragma once

#include <functional>
#include <string>

#include "ui/views/menus/menu_entry.h"
#include "ui/views/widgets/interactive.h"

namespace win32_ui::modern {

class MenuItem : public Interactive {
 public:
  // No mark: a caller that wants one sets it.
  MenuItem(int command_id, std::wstring text, bool checked);

  // MenuEntry::kMarkNone, kMarkCheck or kMarkRadio.
  MenuItem& set_mark(int mark);
  // The row height is fixed: a new text repaints, it does not relayout.
  MenuItem& set_shortcut_text(std::wstring text);
  MenuItem& on_invoked(std::function<void()> callback);

  int mark() const { return mark_; }
  const std::wstring& shortcut_text() const { return shortcut_text_; }

  void draw(DrawContext& context) override;
  // A button, or a check box or radio button with its mark; a shortcut is
  // added to the help text.
  void describe(ElementInfo& info) const override;

 private:
  struct Look;
  Look look(const DrawContext& context) const;
  void draw_mark(DrawContext& context, const ui::graphics::Rect& area, const Look& look) const;

  int mark_ = MenuEntry::kMarkNone;
  std::wstring shortcut_text_;
};

}  // namespace win32_ui::modern
