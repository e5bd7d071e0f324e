#include "app/editor/screenshot_editor_toolbar_view.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/common/translate.h"
#include "ui/platform/layout/grid_panel.h"
#include "ui/platform/layout/hwnd_element.h"
#include "ui/platform/theme/child_control_theming.h"
#include "ui/platform/theme/native_theme_registry.h"
#include "ui/platform/theme/scaled_metric.h"
#include "ui/platform/theme/themed_combo_box.h"
#include "ui/platform/theme/window_subclass.h"

namespace quorvel::windows {
namespace {

using win32_ui::layout::GridCell;
using win32_ui::layout::GridLength;
using win32_ui::layout::GridPanel;
using win32_ui::layout::HwndElement;

constexpr UINT_PTR kToolbarControlSubclass = 1;
constexpr const wchar_t* kToolKeys[] = {L"editor.pencil", L"editor.rectangle", L"editor.ellipse",
                                        L"editor.arrow", L"editor.text"};
constexpr const wchar_t* kActionKeys[] = {L"editor.undo", L"editor.copy", L"editor.save",
                                          L"editor.done"};
constexpr float kColumnWidths[] = {40, 40, 40, 40, 40, 32, 64, 42, 40, 40, 40, 40};
constexpr std::size_t kThicknessLabelColumn = 5;
constexpr std::size_t kThicknessListColumn = 6;
constexpr float kColumnSpacing = 3.0f;
constexpr float kPadding = 4.0f;
constexpr float kThicknessDropDownHeight = 150.0f;

std::wstring thickness_item(int pixels) { return std::to_wstring(pixels) + L" px"; }

// The width in pixels of `text` drawn on one line in `font`; 0 when it
// cannot be measured.
int text_width(const std::wstring& text, HFONT font) {
  if (text.empty()) return 0;
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return 0;
  const HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
  SIZE size{};
  const bool measured =
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size) != FALSE;
  if (previous) SelectObject(dc, previous);
  DeleteDC(dc);
  return measured ? size.cx : 0;
}

std::wstring window_text(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

// The narrowest whole-DIP column at `dpi` that is `pixels` wide or wider
// (each edge of a column is rounded to a pixel on its own, so the width is
// never below the DIP width scaled and rounded down), never below `usual`.
float column_for(int pixels, UINT dpi, float usual) {
  const long long scale = std::max<UINT>(dpi, 1);
  const auto dip = static_cast<float>((static_cast<long long>(pixels) * 96 + scale - 1) / scale);
  return std::max(usual, dip);
}

}  // namespace

ScreenshotEditor::ToolbarView::ToolbarView(ScreenshotEditor& editor)
    : editor_(editor),
      thickness_column_(kColumnWidths[kThicknessLabelColumn]),
      thickness_list_column_(kColumnWidths[kThicknessListColumn]) {}

ScreenshotEditor::ToolbarView::~ToolbarView() {
  if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
  tooltip_ = nullptr;
}

bool ScreenshotEditor::ToolbarView::create_controls() {
  HWND window = hwnd();
  auto& context = editor_.ui_context_;
  for (std::size_t index = 0; index < tool_buttons_.size(); ++index) {
    tool_labels_[index] = translate(context, kToolKeys[index]);
    if (!tool_buttons_[index].create_button(window, tool_labels_[index], kToolbarToolIds[index],
                                            WS_TABSTOP | BS_OWNERDRAW)) {
      return false;
    }
  }
  if (!thickness_label_.create_static(window, translate(context, L"editor.thickness"), 0,
                                      SS_CENTERIMAGE) ||
      !thickness_list_.create_combo_box(window, kToolbarThicknessId,
                                        CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP)) {
    return false;
  }
  for (int pixels : kToolbarThicknesses) {
    if (thickness_list_.add_item(thickness_item(pixels)) < 0) return false;
  }
  if (!thickness_list_.set_selection(1)) return false;
  color_tip_ = translate(context, L"editor.color_tip");
  if (!color_button_.create_button(window, translate(context, L"editor.color"), kToolbarColorId,
                                   WS_TABSTOP | BS_OWNERDRAW)) {
    return false;
  }
  for (std::size_t index = 0; index < action_buttons_.size(); ++index) {
    action_labels_[index] = translate(context, kActionKeys[index]);
    if (!action_buttons_[index].create_button(window, action_labels_[index],
                                              kToolbarActionIds[index],
                                              WS_TABSTOP | BS_OWNERDRAW)) {
      return false;
    }
  }

  std::vector<HWND> keyed{thickness_list_.hwnd(), color_button_.hwnd()};
  for (const auto& button : tool_buttons_) keyed.push_back(button.hwnd());
  for (const auto& button : action_buttons_) keyed.push_back(button.hwnd());
  for (HWND control : keyed) {
    if (!win32_ui::install_window_subclass(control, &ScreenshotEditor::toolbar_control_subclass_proc,
                                           kToolbarControlSubclass,
                                           reinterpret_cast<DWORD_PTR>(&editor_))) {
      return false;
    }
  }
  // Tooltips are a help, not a part: the toolbar works without them.
  if (!create_tooltip()) return true;
  for (std::size_t index = 0; index < tool_buttons_.size(); ++index) {
    add_tooltip(tool_buttons_[index].hwnd(), tool_labels_[index]);
  }
  for (std::size_t index = 0; index < action_buttons_.size(); ++index) {
    add_tooltip(action_buttons_[index].hwnd(), action_labels_[index]);
  }
  add_tooltip(color_button_.hwnd(), color_tip_);
  return true;
}

bool ScreenshotEditor::ToolbarView::create_tooltip() {
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  return tooltip_ != nullptr;
}

bool ScreenshotEditor::ToolbarView::add_tooltip(HWND control, const std::wstring& text) {
  if (!tooltip_ || !control) return false;
  TTTOOLINFOW info{};
  // Without the trailing reserved pointer: the size comctl32 5 and 6 both take.
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = hwnd();
  info.uId = reinterpret_cast<UINT_PTR>(control);
  info.lpszText = const_cast<wchar_t*>(text.c_str());
  return SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

std::unique_ptr<win32_ui::layout::LayoutNode> ScreenshotEditor::ToolbarView::build_layout() {
  std::vector<GridLength> columns;
  for (float width : kColumnWidths) columns.push_back(GridLength::fixed(width));
  columns[kThicknessLabelColumn] = GridLength::fixed(thickness_column_);
  columns[kThicknessListColumn] = GridLength::fixed(thickness_list_column_);
  auto grid = std::make_unique<GridPanel>(
      std::move(columns), std::vector<GridLength>{GridLength::fixed(28)}, kColumnSpacing, 0.0f,
      win32_ui::layout::Thickness{kPadding, kPadding, kPadding, kPadding});
  std::uint64_t column = 0;
  const auto place = [&](std::unique_ptr<HwndElement> element) {
    grid->add_child(std::move(element), GridCell{column++, 0, 1, 1});
  };
  for (const auto& button : tool_buttons_) place(HwndElement::for_control(button));
  place(HwndElement::for_control(thickness_label_));
  place(HwndElement::for_control(thickness_list_, kThicknessDropDownHeight));
  place(HwndElement::for_control(color_button_));
  for (const auto& button : action_buttons_) place(HwndElement::for_control(button));
  return grid;
}

void ScreenshotEditor::ToolbarView::add_command(int id, std::wstring text,
                                                std::function<void()> action) {
  win32_ui::modern::Command command;
  command.id = static_cast<unsigned>(id);
  command.text = std::move(text);
  command.action = std::move(action);
  commands().add(std::move(command));
}

void ScreenshotEditor::ToolbarView::bind_commands() {
  auto& context = editor_.ui_context_;
  ScreenshotEditor& editor = editor_;
  for (std::size_t index = 0; index < kToolbarToolIds.size(); ++index) {
    const auto tool = static_cast<AnnotationTool>(index);
    add_command(kToolbarToolIds[index], std::wstring(), [&editor, tool] {
      editor.set_tool(tool);
      editor.invalidate_tool_buttons();
    });
  }
  add_command(kToolbarColorId, translate(context, L"editor.color"),
              [&editor] { editor.choose_color(); });
  add_command(kToolbarUndoId, translate(context, L"editor.undo"), [&editor] { editor.undo(); });
  add_command(kToolbarCopyId, translate(context, L"editor.copy"),
              [&editor] { editor.copy_to_clipboard(); });
  add_command(kToolbarSaveId, translate(context, L"editor.save_plain"),
              [&editor] { editor.save(); });
  add_command(kToolbarDoneId, translate(context, L"editor.done"), [&editor] { editor.finish(); });
}

void ScreenshotEditor::ToolbarView::refresh() {
  if (win32_ui::NativeThemeRegistry* registry = theme_registry()) {
    for (const auto& button : tool_buttons_) registry->set_owner_drawn(button.hwnd(), true);
    for (const auto& button : action_buttons_) registry->set_owner_drawn(button.hwnd(), true);
    registry->set_owner_drawn(color_button_.hwnd(), true);
  }
  invalidate_tool_buttons();
}

void ScreenshotEditor::ToolbarView::invalidate_tool_buttons() {
  for (const auto& button : tool_buttons_) {
    if (button.hwnd()) InvalidateRect(button.hwnd(), nullptr, FALSE);
  }
  if (color_button_.hwnd()) InvalidateRect(color_button_.hwnd(), nullptr, FALSE);
}

void ScreenshotEditor::ToolbarView::fit_thickness_columns(HFONT font, UINT dpi) {
  // The label's text differs by language: a fixed column that holds one
  // language's word cuts another's.
  const float label = column_for(text_width(window_text(thickness_label_.hwnd()), font), dpi,
                                 kColumnWidths[kThicknessLabelColumn]);
  // The themed list field draws its selection between its left text inset
  // and the gap before its arrow box; the widest item must fit there, or
  // "3 px" shows as "3...".
  int widest = 0;
  for (int pixels : kToolbarThicknesses) {
    widest = std::max(widest, text_width(thickness_item(pixels), font));
  }
  const win32_ui::ComboBoxStyle field = win32_ui::child_combo_style();
  const int field_pixels = widest + win32_ui::scale_metric(field.text_inset, dpi) +
                           win32_ui::scale_metric(field.arrow_gap + field.arrow_width, dpi);
  const float list = column_for(field_pixels, dpi, kColumnWidths[kThicknessListColumn]);
  if (label == thickness_column_ && list == thickness_list_column_) return;
  thickness_column_ = label;
  thickness_list_column_ = list;
  if (layout_host().root()) layout_host().set_root(build_layout());
}

float ScreenshotEditor::ToolbarView::row_width() const {
  float width = 2 * kPadding + kColumnSpacing * static_cast<float>(std::size(kColumnWidths) - 1);
  for (std::size_t index = 0; index < std::size(kColumnWidths); ++index) {
    width += index == kThicknessLabelColumn  ? thickness_column_
             : index == kThicknessListColumn ? thickness_list_column_
                                             : kColumnWidths[index];
  }
  return width;
}

void ScreenshotEditor::ToolbarView::set_controls_font(HFONT font) {
  for (auto& button : tool_buttons_) button.set_font(font, true);
  thickness_label_.set_font(font, true);
  thickness_list_.set_font(font, true);
  color_button_.set_font(font, true);
  for (auto& button : action_buttons_) button.set_font(font, true);
}

}  // namespace quorvel::windows
