// The toolkit's top-level window: a "Win32UiScaffoldWindow_v1" native window
// whose client area is a view surface (through its WindowHost), whose title
// is a LocalizedText kept in step with the application's language and
// catalogue, whose theme follows the Application, and whose close, resize,
// move and destroy events reach the program as callbacks.
//
// Registered with its Application from a successful create until the native
// window is gone; may be created again after a destruction, keeping its
// callbacks. The object must outlive its native window (its destructor
// destroys it). UI thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/platform/hosting/window_host.h"
#include "ui/platform/localized_text.h"
#include "ui/views/view.h"

namespace win32_ui::scaffold {

class Application;
class NativeWindow;

struct WindowOptions {
  // Replaced by the resolved title when `title` is set.
  std::wstring text;
  std::optional<modern::LocalizedText> title;
  // Owner of the window class; null is the program's own module.
  HINSTANCE instance = nullptr;
  // Also the centring reference when `center_on` is null.
  HWND owner = nullptr;
  HWND center_on = nullptr;
  DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  DWORD ex_style = 0;
  // Sent as both the big and the small icon.
  HICON icon = nullptr;
  // Client sizes in DIP.
  modern::ClientSize preferred_size{640.0f, 400.0f};
  modern::ClientSize minimum_size{};
  float margin = modern::WindowHost::kDefaultWorkAreaMargin;
  float zoom = 1.0f;
  // 0 system frame, 1 custom frame when possible, 2 custom frame required;
  // anything else counts as 0.
  std::int32_t chrome_mode = 0;
  // Fit and centre the window after creation.
  bool center = true;
};

// The close callback's answer.
enum class CloseAction : std::int32_t { close = 0, hide = 1, keep = 2 };

class Window {
 public:
  explicit Window(Application& application);
  // Destroys the native window first, so its destroyed callback runs here.
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Creates, themes, titles and registers the window without showing it.
  // False for a window that is still open or when any step fails (a
  // half-made window is destroyed again).
  bool create(const WindowOptions& options);

  // Each replaces the stored callback; an empty one clears it. They survive
  // re-creation. Only the close callback runs outside the created state.
  Window& on_close_requested(std::function<CloseAction()> callback);
  Window& on_resized(std::function<void(bool minimised)> callback);
  Window& on_moved(std::function<void()> callback);
  Window& on_destroyed(std::function<void()> callback);

  void set_content(std::unique_ptr<modern::View> view);
  modern::WindowHost& host() { return host_; }
  Application& application() const { return *application_; }
  HWND hwnd() const;

  bool is_open() const;
  bool is_visible() const;
  // ShowWindow with `command`, then UpdateWindow.
  void show(int command);
  // Restores or shows the window and brings it to the foreground.
  void activate();
  void hide();
  void destroy();

  // Resolves the title again through the surface's localization.
  void refresh_title();
  // Brings the host's mode and theme in line with the application's.
  void sync_theme();

 private:
  std::optional<LRESULT> handle_message(UINT message, WPARAM wparam, LPARAM lparam);
  void configure_host(const WindowOptions& options);
  void handle_size(WPARAM wparam);
  void handle_close();

  Application* application_;
  bool created_ = false;
  std::optional<modern::LocalizedText> title_;
  modern::WindowHost host_;
  std::function<CloseAction()> close_requested_;
  std::function<void(bool)> resized_;
  std::function<void()> moved_;
  std::function<void()> destroyed_;
  std::unique_ptr<NativeWindow> native_;
};

}  // namespace win32_ui::scaffold
