// The editor's marks: drags that draw them, the text box that types one,
// undo, and their painting on the canvas.
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "app/editor/screenshot_editor.h"
#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"

namespace quorvel::windows {
namespace {

constexpr UINT_PTR kTextBoxSubclass = 1;

RECT union_of(const RECT& a, const RECT& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

}  // namespace

SIZE ScreenshotEditor::image_size() const {
  return {static_cast<LONG>(snapshot_.width), static_cast<LONG>(snapshot_.height)};
}

void ScreenshotEditor::set_tool(AnnotationTool tool) {
  destroy_text_box();
  tool_ = tool;
}

void ScreenshotEditor::on_editing_press(LPARAM lparam) {
  const POINT client{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  const int handle = hit_test_handle(client);
  if (handle != kHandleNone) {
    commit_text_box();
    active_handle_ = handle;
    SetFocus(canvas_);
    SetCapture(canvas_);
    return;
  }
  if (swallow_next_click_) {
    swallow_next_click_ = false;
    return;
  }
  if (text_box_) {
    commit_text_box();
    SetFocus(canvas_);
    return;
  }
  POINT point{};
  if (!to_image_point(lparam, false, point)) return;
  if (point.x < selection_.left || point.x >= selection_.right || point.y < selection_.top ||
      point.y >= selection_.bottom) {
    return;
  }
  if (tool_ == kToolText) {
    open_text_box(point);
    return;
  }
  start_drag(point);
}

void ScreenshotEditor::start_drag(POINT point) {
  drawing_ = true;
  current_annotation_ = Annotation{tool_, point, point, {}, {}, color_, thickness_};
  if (tool_ == kToolPencil) current_annotation_.points.push_back(point);
  SetCapture(canvas_);
  invalidate_image_rect(annotation_bounds(current_annotation_, dpi()));
}

void ScreenshotEditor::extend_drag(LPARAM lparam) {
  POINT point{};
  to_image_point(lparam, true, point);
  Annotation& mark = current_annotation_;
  if (mark.tool == kToolPencil) {
    const bool append = mark.points.empty() || mark.points.back().x != point.x ||
                        mark.points.back().y != point.y;
    if (!append) return;
    // Only the new segment needs painting.
    Annotation segment{kToolPencil, point, mark.points.empty() ? point : mark.points.back(),
                       {}, {}, mark.color, mark.thickness};
    mark.points.push_back(point);
    mark.end = point;
    invalidate_image_rect(annotation_bounds(segment, dpi()));
    return;
  }
  const RECT before = annotation_bounds(mark, dpi());
  mark.end = point;
  invalidate_image_rect(union_of(before, annotation_bounds(mark, dpi())));
}

void ScreenshotEditor::end_drag(LPARAM lparam) {
  extend_drag(lparam);
  drawing_ = false;
  if (GetCapture() == canvas_) ReleaseCapture();
  const Annotation& mark = current_annotation_;
  const bool degenerate = mark.tool == kToolPencil
                              ? mark.points.size() < 2
                              : mark.end.x == mark.start.x && mark.end.y == mark.start.y;
  if (!degenerate) annotations_.push_back(std::move(current_annotation_));
  current_annotation_ = Annotation{};
  if (canvas_) InvalidateRect(canvas_, nullptr, FALSE);
}

void ScreenshotEditor::invalidate_image_rect(RECT rect) {
  if (canvas_) InvalidateRect(canvas_, &rect, FALSE);
}

void ScreenshotEditor::destroy_text_box() {
  // Forgotten first: destroying the focused box sends EN_KILLFOCUS to the
  // canvas, which must not take it for the box losing the focus.
  HWND box = std::exchange(text_box_, nullptr);
  if (box) DestroyWindow(box);
}

void ScreenshotEditor::open_text_box(POINT point) {
  destroy_text_box();
  current_annotation_ = Annotation{kToolText, point, point, {}, {}, color_, thickness_};
  const SIZE size = text_box_size(point, image_size(), dpi());
  HWND box = CreateWindowExW(
      WS_EX_CLIENTEDGE, L"EDIT", L"",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
      point.x, point.y, size.cx, size.cy, canvas_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextBoxId)), instance_, nullptr);
  if (!box) return;
  text_box_ = box;
  current_annotation_.end.x = point.x + size.cx;
  SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(toolbar_font_.get()), TRUE);
  if (!win32_ui::install_window_subclass(box, &ScreenshotEditor::text_box_subclass_proc,
                                         kTextBoxSubclass, reinterpret_cast<DWORD_PTR>(this))) {
    destroy_text_box();
    return;
  }
  SetFocus(box);
}

void ScreenshotEditor::commit_text_box() {
  if (!text_box_) return;
  HWND box = std::exchange(text_box_, nullptr);
  const int length = GetWindowTextLengthW(box);
  std::wstring text(static_cast<size_t>(std::max(0, length)) + 1, L'\0');
  const int read = GetWindowTextW(box, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(std::max(0, read)));
  DestroyWindow(box);
  if (text.empty()) return;
  current_annotation_.text = std::move(text);
  annotations_.push_back(std::move(current_annotation_));
  current_annotation_ = Annotation{};
  if (canvas_) InvalidateRect(canvas_, nullptr, FALSE);
}

void ScreenshotEditor::undo() {
  destroy_text_box();
  if (annotations_.empty()) return;
  annotations_.pop_back();
  if (canvas_) InvalidateRect(canvas_, nullptr, FALSE);
}

LRESULT CALLBACK ScreenshotEditor::text_box_subclass_proc(HWND window, UINT message,
                                                          WPARAM wparam, LPARAM lparam,
                                                          UINT_PTR id, DWORD_PTR reference) {
  auto* editor = reinterpret_cast<ScreenshotEditor*>(reference);
  switch (message) {
    case WM_KEYDOWN:
      if (wparam == VK_RETURN && GetKeyState(VK_CONTROL) < 0) {
        editor->commit_text_box();
        if (editor->canvas_) SetFocus(editor->canvas_);
        return 0;
      }
      if (wparam == VK_ESCAPE) {
        editor->destroy_text_box();
        if (editor->canvas_) SetFocus(editor->canvas_);
        return 0;
      }
      break;
    case WM_CHAR:
      // The consumed keys must not beep or type once their WM_KEYDOWN is
      // gone.
      if (wparam == VK_ESCAPE || (wparam == L'\n' && GetKeyState(VK_CONTROL) < 0)) return 0;
      break;
    case WM_KILLFOCUS:
      if (window == editor->text_box_ && reinterpret_cast<HWND>(wparam) == editor->canvas_) {
        editor->swallow_next_click_ = true;
      }
      break;
    case WM_NCDESTROY:
      win32_ui::remove_window_subclass(window, &ScreenshotEditor::text_box_subclass_proc, id);
      break;
    default:
      break;
  }
  return win32_ui::default_subclass_proc(window, message, wparam, lparam);
}

void ScreenshotEditor::draw_annotations(HDC dc) {
  const SIZE image = image_size();
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, 0, 0, image.cx, image.cy);
  for (const Annotation& mark : annotations_) draw_annotation(dc, mark, dpi(), image);
  if (drawing_) draw_annotation(dc, current_annotation_, dpi(), image);
  RestoreDC(dc, saved);
}

}  // namespace quorvel::windows
