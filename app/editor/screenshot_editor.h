// The screenshot editor over one monitor. Its canvas window starts as a
// transparent per-pixel-alpha layered window over the live desktop, where
// the selection follows the window under the cursor or a dragged rectangle;
// only when the user confirms is the monitor captured, and the canvas then
// shows the frozen image with the selection frame and its resize handles,
// where the user draws marks, with the tools of a small toolbar window
// beside the selection, and takes the annotated selection out to the
// clipboard or a PNG file.
//
// Owned by the application shell through a unique pointer, at most one at a
// time; it outlives its canvas (the shell destroys it on the next
// screenshot or at exit). The close callback runs once, when the canvas is
// destroyed, never from the editor's own destructor. UI thread only.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/editor/annotation.h"
#include "app/editor/copied_notice.h"
#include "app/editor/editor_seams.h"
#include "app/editor/memory_bitmap.h"
#include "engine/desktop_snapshot.h"
#include "ui/platform/theme/theme.h"
#include "ui/views/graphics/gdi_handles.h"

namespace win32_ui {
class NativeThemeRegistry;
}
namespace win32_ui::scaffold {
class Application;
}

namespace quorvel::windows {

inline constexpr wchar_t kScreenshotCanvasClass[] = L"QuorvelScreenshotCanvas";
inline constexpr wchar_t kScreenshotToolbarClass[] = L"QuorvelScreenshotToolbar";

// Canvas timers: the toolbar's wait for a possible second click, and the
// selecting-mode re-snap to the cursor.
inline constexpr UINT_PTR kToolbarDelayTimer = 71;
inline constexpr UINT_PTR kHoverSnapTimer = 72;
inline constexpr UINT kHoverSnapIntervalMs = 50;

// Selection handles of editing mode.
inline constexpr int kHandleNone = 0;
inline constexpr int kHandleLeft = 1;
inline constexpr int kHandleRight = 2;
inline constexpr int kHandleTop = 3;
inline constexpr int kHandleBottom = 4;

// The text box's control id.
inline constexpr int kTextBoxId = 108;

class ScreenshotEditor {
 public:
  class ToolbarView;

  ScreenshotEditor(HINSTANCE instance, DesktopSnapshot snapshot, POINT origin,
                   std::wstring save_folder, win32_ui::NativeThemeRegistry& theme_registry,
                   win32_ui::scaffold::Application& ui_context, std::function<void()> on_closed,
                   EditorSeams seams = {});
  ~ScreenshotEditor();
  ScreenshotEditor(const ScreenshotEditor&) = delete;
  ScreenshotEditor& operator=(const ScreenshotEditor&) = delete;

  // Opens the canvas over `screen_rect` in selecting mode. False, with no
  // window left and the provider dropped, when a canvas is already open, the
  // rectangle is empty, the provider is empty, the class cannot be
  // registered, the canvas cannot be made or it cannot be kept out of screen
  // captures.
  bool open(const RECT& screen_rect, SnapshotProvider provider);
  // Shows the canvas topmost and makes it the foreground window.
  void bring_to_front();
  void set_theme(const win32_ui::Theme& theme);
  // The canvas exists.
  bool is_open() const { return canvas_ != nullptr; }

  // Canvas client coordinates, which are image pixels; right and bottom
  // exclusive.
  const RECT& selection() const { return selection_; }
  bool is_selecting() const { return selecting_; }
  HWND canvas() const { return canvas_; }
  HWND toolbar() const { return toolbar_; }
  HWND text_box() const { return text_box_; }
  const ToolbarView* toolbar_view() const { return toolbar_view_.get(); }
  HFONT toolbar_font() const { return static_cast<HFONT>(toolbar_font_.get()); }

  // The handle (kHandle...) whose centre lies within the DPI-scaled
  // tolerance of the client point; the first of left, right, top, bottom.
  int hit_test_handle(POINT point) const;
  // Moves the active handle's edge to the client point, never letting the
  // selection become empty or leave the image.
  void resize_selection(POINT point);
  // The client point of `lparam` as an image point; true when it lies inside
  // the image. With `clamp` a point outside is pulled onto the image edge.
  bool to_image_point(LPARAM lparam, bool clamp, POINT& point) const;

  // The hint bar's text for the current drag state.
  std::wstring hint_text() const;
  // The screen rectangle to select for a screen point: the innermost visible
  // window under it (skipping `skip`), clipped to its parents' client areas
  // and to `bounds`; `bounds` itself when nothing fits.
  static RECT find_window_rect_at(POINT screen_point, const RECT& bounds, HWND skip);

  // Committed marks in drawing order, and the one being drawn or typed.
  const std::vector<Annotation>& annotations() const { return annotations_; }
  const Annotation& current_annotation() const { return current_annotation_; }
  bool is_drawing() const { return drawing_; }
  AnnotationTool tool() const { return tool_; }
  // A tool change drops an open text box without committing it.
  void set_tool(AnnotationTool tool);
  COLORREF color() const { return color_; }
  void set_color(COLORREF color) { color_ = color; }
  int thickness() const { return thickness_; }
  void set_thickness(int thickness) { thickness_ = thickness; }
  const CopiedNotice* notice() const { return notice_.get(); }

  // Opens the text box at an image point, dropping any open one.
  void open_text_box(POINT point);
  // Turns the open text box's text into a mark; an empty box leaves none.
  void commit_text_box();
  // Drops an open text box, then removes the last committed mark.
  void undo();

  // The selection with the committed marks burnt in, alpha 255; empty on
  // failure.
  DesktopSnapshot render_selection() const;
  bool put_on_clipboard();
  void copy_to_clipboard();
  void save();
  std::wstring choose_save_path();
  bool write_png(const std::wstring& path);
  // Copies, closes the canvas and shows the copied notice; on a failed copy
  // reports it and stays open.
  void finish();

  // Shows the toolbar beside the selection without taking the focus,
  // creating it first; a toolbar that cannot be made is reported once per
  // attempt and editing goes on with the keyboard.
  void show_toolbar();
  // Puts the toolbar below the selection, or above it when the work area
  // has no room below, always on the work area.
  void place_toolbar();

  static bool register_window_classes(HINSTANCE instance);
  static LRESULT CALLBACK canvas_window_proc(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam);
  static LRESULT CALLBACK toolbar_window_proc(HWND window, UINT message, WPARAM wparam,
                                              LPARAM lparam);

 private:
  static BOOL CALLBACK find_top_window_at(HWND window, LPARAM search);
  static LRESULT CALLBACK text_box_subclass_proc(HWND window, UINT message, WPARAM wparam,
                                                 LPARAM lparam, UINT_PTR id, DWORD_PTR editor);

  static LRESULT CALLBACK toolbar_control_subclass_proc(HWND window, UINT message, WPARAM wparam,
                                                        LPARAM lparam, UINT_PTR id,
                                                        DWORD_PTR editor);

  LRESULT handle_message(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT handle_toolbar_message(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT handle_toolbar_control_key(HWND control, WPARAM wparam, LPARAM lparam);
  bool create_toolbar();
  HWND create_toolbar_window(UINT dpi);
  // Makes the toolbar font for `dpi` and hands it to the controls and an
  // open text box; then sizes the toolbar window to its columns.
  void update_toolbar_font(UINT dpi);
  // Gives the toolbar window the width of its row of columns at `dpi`,
  // keeping its position and height.
  void fit_toolbar_width(UINT dpi);
  void invalidate_tool_buttons();
  bool draw_item(const DRAWITEMSTRUCT& item);
  void choose_color();
  LRESULT handle_key_down(WPARAM wparam, LPARAM lparam);
  void on_mouse_move(WPARAM wparam, LPARAM lparam);
  void on_left_button_down(LPARAM lparam);
  void on_left_button_up(WPARAM wparam, LPARAM lparam);
  void on_timer(UINT_PTR id);
  void set_cursor_for_position();
  void on_destroy();
  void close();
  UINT dpi() const;

  void update_hover_selection(POINT screen_point);
  void render_overlay();
  // Captures the monitor and enters editing mode; on failure reports it and
  // stays selecting. `finish_now` marks the confirmations that also mean "copy
  // and close" (Enter, double-click); `clicked` one without a drag, after
  // which the toolbar waits for a possible second click.
  void confirm_selection(bool finish_now, bool clicked);
  bool accept_capture(const DesktopSnapshot& captured) const;
  bool create_snapshot_bitmap();
  void leave_selecting_mode();
  // The toolbar comes up now or after the double-click time.
  void schedule_toolbar(bool clicked);
  void report_error(std::wstring_view key);
  bool exclude_from_capture(HWND window);

  void start_drag(POINT point);
  void extend_drag(LPARAM lparam);
  void end_drag(LPARAM lparam);
  void invalidate_image_rect(RECT rect);
  void destroy_text_box();
  void on_editing_press(LPARAM lparam);
  SIZE image_size() const;

  void paint();
  void draw_annotations(HDC dc);
  bool ensure_back_buffer(HDC window_dc, const RECT& client);
  void draw_selection_frame(HDC dc);

  HINSTANCE instance_;
  win32_ui::NativeThemeRegistry& theme_registry_;
  win32_ui::scaffold::Application& ui_context_;
  DesktopSnapshot snapshot_;
  POINT origin_;
  RECT selection_{};
  SIZE canvas_size_{};
  SnapshotProvider provider_;
  bool selecting_ = false;
  bool select_button_down_ = false;
  bool select_dragged_ = false;
  bool toolbar_pending_ = false;
  POINT drag_start_{};
  int active_handle_ = kHandleNone;
  std::wstring save_folder_;
  std::function<void()> on_closed_;
  HWND canvas_ = nullptr;
  HWND toolbar_ = nullptr;
  HWND text_box_ = nullptr;
  MemoryBitmap snapshot_bitmap_;
  MemoryBitmap back_buffer_;
  win32_ui::Theme theme_;
  bool swallow_next_click_ = false;
  win32_ui::modern::detail::UniqueGdiObject toolbar_font_;
  std::unique_ptr<ToolbarView> toolbar_view_;
  // Kept for the editor's lifetime, so colours defined in one colour dialog
  // are offered by the next.
  std::array<COLORREF, 16> custom_colors_{};
  std::unique_ptr<CopiedNotice> notice_;
  std::vector<Annotation> annotations_;
  Annotation current_annotation_;
  AnnotationTool tool_ = kToolRectangle;
  COLORREF color_ = kDefaultAnnotationColor;
  int thickness_ = kDefaultAnnotationThickness;
  bool drawing_ = false;
  bool close_notified_ = false;
  EditorSeams seams_;
};

}  // namespace quorvel::windows
