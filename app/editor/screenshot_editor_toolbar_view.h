// The content of the screenshot editor's toolbar window: five owner-drawn
// tool buttons, the thickness label and list, the colour button and four
// owner-drawn action buttons in one row, with tooltips, and the commands
// they run on the editor.
//
// Owned by its ScreenshotEditor, which it points back to; attached to the
// toolbar window, which the editor owns. UI thread only.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/editor/screenshot_editor.h"
#include "ui/platform/classic/button.h"
#include "ui/platform/classic/combo_box.h"
#include "ui/platform/classic/static_text.h"
#include "ui/platform/classic/window_view.h"

namespace quorvel::windows {

// Control ids of the toolbar, as its WM_COMMAND messages carry them.
inline constexpr int kToolbarPencilId = 109;
inline constexpr int kToolbarRectangleId = 100;
inline constexpr int kToolbarEllipseId = 101;
inline constexpr int kToolbarArrowId = 102;
inline constexpr int kToolbarTextId = 103;
inline constexpr int kToolbarUndoId = 104;
inline constexpr int kToolbarCopyId = 105;
inline constexpr int kToolbarSaveId = 106;
inline constexpr int kToolbarDoneId = 107;
inline constexpr int kToolbarThicknessId = 110;
inline constexpr int kToolbarColorId = 111;

// The tool buttons' ids in AnnotationTool order, and the action buttons'.
inline constexpr std::array<int, 5> kToolbarToolIds{kToolbarPencilId, kToolbarRectangleId,
                                                    kToolbarEllipseId, kToolbarArrowId,
                                                    kToolbarTextId};
inline constexpr std::array<int, 4> kToolbarActionIds{kToolbarUndoId, kToolbarCopyId,
                                                      kToolbarSaveId, kToolbarDoneId};
// The thickness list's items in pixels.
inline constexpr std::array<int, 5> kToolbarThicknesses{1, 3, 5, 8, 12};

class ScreenshotEditor::ToolbarView : public win32_ui::WindowView {
 public:
  explicit ToolbarView(ScreenshotEditor& editor);
  ~ToolbarView() override;

  void refresh() override;
  // Repaints the tool buttons and the colour button without erasing.
  void invalidate_tool_buttons();
  // Sends the font to the twelve controls.
  void set_controls_font(HFONT font);
  // Widens the thickness label's column to its text drawn in `font` at
  // `dpi` (never below the column's usual 32 DIP) and the thickness list's
  // column to its widest item beside the field's insets and arrow box (never
  // below its usual 64 DIP); lays out again when a column changed.
  void fit_thickness_columns(HFONT font, UINT dpi);
  // The row's width in DIP: the padding, every column and the gaps.
  float row_width() const;
  float thickness_column() const { return thickness_column_; }

  HWND tooltip() const { return tooltip_; }

 protected:
  bool create_controls() override;
  std::unique_ptr<win32_ui::layout::LayoutNode> build_layout() override;
  void bind_commands() override;

 private:
  bool create_tooltip();
  bool add_tooltip(HWND control, const std::wstring& text);
  void add_command(int id, std::wstring text, std::function<void()> action);

  ScreenshotEditor& editor_;
  HWND tooltip_ = nullptr;
  std::array<std::wstring, 5> tool_labels_;
  std::array<std::wstring, 4> action_labels_;
  std::wstring color_tip_;
  std::array<win32_ui::Button, 5> tool_buttons_;
  win32_ui::StaticText thickness_label_;
  win32_ui::ComboBox thickness_list_;
  win32_ui::Button color_button_;
  std::array<win32_ui::Button, 4> action_buttons_;
  float thickness_column_;
  float thickness_list_column_;
};

}  // namespace quorvel::windows
