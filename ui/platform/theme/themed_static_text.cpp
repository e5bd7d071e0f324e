#include "ui/platform/theme/themed_static_text.h"

#include <string>

#include "ui/platform/theme/subclass_tags.h"
#include "ui/platform/theme/window_subclass.h"

namespace win32_ui {
namespace {

struct StaticState {
  Theme theme;
  PaintBackend backend = PaintBackend::kDirect2d;
};

bool is_text_static(LONG_PTR style) {
  switch (style & SS_TYPEMASK) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP:
      return true;
    default:
      return false;
  }
}

std::wstring window_text(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

void paint_static(HWND label, const StaticState& state, HDC dc) {
  RECT client{};
  if (!GetClientRect(label, &client)) return;
  const ThemedPicture picture = static_text_picture(
      client, window_text(label), reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)),
      GetWindowLongPtrW(label, GWL_STYLE), IsWindowEnabled(label) != FALSE, state.theme);
  paint_double_buffered(dc, client,
                        [&](HDC target) { paint_picture(target, client, picture, state.backend); });
}

LRESULT handle_static_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                              StaticState& state) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      if (HDC dc = BeginPaint(window, &paint)) {
        paint_static(window, state, dc);
        EndPaint(window, &paint);
      }
      return 0;
    }
    case WM_PRINTCLIENT:
      paint_static(window, state, reinterpret_cast<HDC>(wparam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    default:
      break;
  }
  const LRESULT result = default_subclass_proc(window, message, wparam, lparam);
  switch (message) {
    case WM_SIZE:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_SETFONT:
    case WM_DPICHANGED_AFTERPARENT:
      InvalidateRect(window, nullptr, FALSE);
      break;
    default:
      break;
  }
  return result;
}

}  // namespace

UINT static_text_format(LONG_PTR style) {
  UINT format = 0;
  const LONG_PTR type = style & SS_TYPEMASK;
  if (type == SS_CENTER) format |= DT_CENTER;
  if (type == SS_RIGHT) format |= DT_RIGHT;
  if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
  if (style & SS_CENTERIMAGE) {
    format |= DT_SINGLELINE | DT_VCENTER;
  } else if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP) {
    format |= DT_SINGLELINE;
  } else {
    format |= DT_WORDBREAK;
  }
  switch (style & SS_ELLIPSISMASK) {
    case SS_ENDELLIPSIS:
      format |= DT_END_ELLIPSIS;
      break;
    case SS_PATHELLIPSIS:
      format |= DT_PATH_ELLIPSIS;
      break;
    case SS_WORDELLIPSIS:
      format |= DT_WORD_ELLIPSIS;
      break;
    default:
      break;
  }
  return format;
}

ThemedPicture static_text_picture(const RECT& client, std::wstring_view text, HFONT font,
                                  LONG_PTR style, bool enabled, const Theme& theme) {
  ThemedPicture picture;
  picture.add(PictureFill{client, theme.color(ThemeColor::window_background)});
  if (!text.empty()) {
    picture.add(PictureText{
        std::wstring(text), client, font,
        theme.color(enabled ? ThemeColor::text : ThemeColor::text_disabled),
        static_text_format(style)});
  }
  return picture;
}

bool theme_static_text(HWND label, const Theme& theme, PaintBackend backend) {
  if (!label || !is_text_static(GetWindowLongPtrW(label, GWL_STYLE))) return false;
  if (auto* state = find_subclass_state<StaticState>(label, &static_text_subclass_procedure,
                                                     kStaticThemeSubclass)) {
    state->theme = theme;
    state->backend = backend;
  } else if (!install_subclass_state(label, &static_text_subclass_procedure,
                                     kStaticThemeSubclass, StaticState{theme, backend})) {
    return false;
  }
  InvalidateRect(label, nullptr, FALSE);
  return true;
}

LRESULT CALLBACK static_text_subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                                LPARAM lparam, UINT_PTR id, DWORD_PTR reference) {
  auto* state = reinterpret_cast<StaticState*>(reference);
  if (message == WM_NCDESTROY) {
    remove_window_subclass(window, &static_text_subclass_procedure, id);
    delete state;
    return default_subclass_proc(window, message, wparam, lparam);
  }
  return guarded_subclass_call(window, message, wparam, lparam, [&] {
    return handle_static_message(window, message, wparam, lparam, *state);
  });
}

}  // namespace win32_ui
