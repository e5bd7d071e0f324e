#include "ui/platform/scaffold/window.h"

#include <utility>

#include "ui/platform/scaffold/application.h"
#include "ui/platform/scaffold/native_window.h"

namespace win32_ui::scaffold {
namespace {

// Runs a copy: a callback may replace or clear itself while it runs.
template <typename Callback, typename... Args>
void run_copy(const Callback& callback, Args... args) {
  if (!callback) return;
  const Callback copy = callback;
  copy(args...);
}

void refresh_application_theme(void* user_data, const Theme*) {
  static_cast<Window*>(user_data)->application().refresh_system_theme();
}

}  // namespace

Window::Window(Application& application)
    : application_(&application), host_(application.theme_system()) {}

Window::~Window() {
  destroy();
  native_.reset();
  close_requested_ = nullptr;
  resized_ = nullptr;
  moved_ = nullptr;
  destroyed_ = nullptr;
}

bool Window::create(const WindowOptions& options) {
  if (native_ && native_->is_open()) return false;
  if (!native_) native_ = std::make_unique<NativeWindow>();
  title_ = options.title;
  configure_host(options);

  NativeWindow::Hook hook = [this](UINT message, WPARAM wparam, LPARAM lparam) {
    return handle_message(message, wparam, lparam);
  };
  if (!native_->create(options.text, options.instance, options.owner, options.style,
                       options.ex_style, std::move(hook))) {
    return false;
  }
  HWND window = native_->hwnd();
  if (!host_.attach_themed(window, application_->theme_mode(), application_->accent_color())) {
    DestroyWindow(window);
    return false;
  }
  host_.set_theme_changed_callback(&refresh_application_theme, this);
  host_.surface().set_localization(application_->make_localization());
  if (IsWindow(window) && title_) {
    SetWindowTextW(window, host_.surface().localization().resolve(*title_).c_str());
  }
  if (options.icon != nullptr) {
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(options.icon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(options.icon));
  }
  application_->register_window(this);
  if (options.center) {
    host_.place_on_monitor(options.center_on != nullptr ? options.center_on : options.owner, true);
  }
  created_ = true;
  return true;
}

void Window::configure_host(const WindowOptions& options) {
  host_.set_zoom(options.zoom);
  host_.set_preferred_size(options.preferred_size.width, options.preferred_size.height);
  host_.set_minimum_size(options.minimum_size.width, options.minimum_size.height);
  host_.set_work_area_margin(options.margin);
  host_.set_chrome_mode(options.chrome_mode == 1 || options.chrome_mode == 2 ? options.chrome_mode
                                                                             : 0);
}

Window& Window::on_close_requested(std::function<CloseAction()> callback) {
  close_requested_ = std::move(callback);
  return *this;
}

Window& Window::on_resized(std::function<void(bool)> callback) {
  resized_ = std::move(callback);
  return *this;
}

Window& Window::on_moved(std::function<void()> callback) {
  moved_ = std::move(callback);
  return *this;
}

Window& Window::on_destroyed(std::function<void()> callback) {
  destroyed_ = std::move(callback);
  return *this;
}

void Window::set_content(std::unique_ptr<modern::View> view) { host_.set_content(std::move(view)); }

HWND Window::hwnd() const { return native_ ? native_->hwnd() : nullptr; }

bool Window::is_open() const { return native_ && native_->is_open(); }

bool Window::is_visible() const { return native_ && native_->is_visible(); }

void Window::show(int command) {
  if (native_) native_->show(command);
}

void Window::activate() {
  if (native_) native_->activate();
}

void Window::hide() {
  if (native_) native_->hide();
}

void Window::destroy() {
  if (native_) native_->destroy();
}

void Window::refresh_title() {
  if (!is_open() || !title_) return;
  SetWindowTextW(hwnd(), host_.surface().localization().resolve(*title_).c_str());
}

void Window::sync_theme() {
  if (!host_.is_attached()) return;
  const std::optional<ThemeMode> tracked = host_.tracked_mode();
  if (!tracked || *tracked != application_->theme_mode()) {
    host_.set_theme_mode(application_->theme_mode());
  }
  if (!(host_.surface().theme() == application_->theme())) host_.apply_theme(application_->theme());
}

std::optional<LRESULT> Window::handle_message(UINT message, WPARAM wparam, LPARAM lparam) {
  (void)lparam;
  switch (message) {
    case WM_DESTROY:
      if (created_) run_copy(destroyed_);
      created_ = false;
      host_.detach();
      return 0;
    case WM_MOVE:
      if (created_) run_copy(moved_);
      return 0;
    case WM_SIZE:
      handle_size(wparam);
      return 0;
    case WM_CLOSE:
      handle_close();
      return 0;
    case WM_NCDESTROY:
      host_.detach();
      application_->unregister_window(this);
      created_ = false;
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

// A window with a resized callback leaves the relayout to it.
void Window::handle_size(WPARAM wparam) {
  if (!created_ || !host_.is_attached()) return;
  const bool minimised = wparam == SIZE_MINIMIZED;
  if (resized_) {
    run_copy(resized_, minimised);
  } else if (!minimised) {
    host_.surface().refresh();
  }
}

void Window::handle_close() {
  HWND window = hwnd();
  if (!close_requested_) {
    DestroyWindow(window);
    return;
  }
  const std::function<CloseAction()> callback = close_requested_;
  switch (callback()) {
    case CloseAction::close:
      DestroyWindow(window);
      break;
    case CloseAction::hide:
      ShowWindow(window, SW_HIDE);
      break;
    default:
      break;
  }
}

}  // namespace win32_ui::scaffold
