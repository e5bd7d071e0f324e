// The editor's ways out: the annotated selection to the clipboard, to a PNG
// file, and done (copy, close, the copied notice).
#include <shobjidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "app/common/translate.h"
#include "app/editor/png_file_writer.h"
#include "app/editor/screenshot_editor.h"
#include "app/editor/screenshot_output_format.h"

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;

bool consistent(const DesktopSnapshot& image) {
  return image.width != 0 && image.height != 0 && image.stride == image.width * 4 &&
         image.pixels.size() == static_cast<size_t>(image.height) * image.stride;
}

// Owns a clipboard opened by this thread until it is closed.
class OpenClipboardScope {
 public:
  explicit OpenClipboardScope(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~OpenClipboardScope() {
    if (open_) CloseClipboard();
  }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
  bool is_open() const { return open_; }

 private:
  bool open_;
};

// Frees a global block unless it was handed to the clipboard.
class GlobalBlock {
 public:
  explicit GlobalBlock(size_t size) : memory_(GlobalAlloc(GMEM_MOVEABLE, size)) {}
  ~GlobalBlock() {
    if (memory_) GlobalFree(memory_);
  }
  GlobalBlock(const GlobalBlock&) = delete;
  GlobalBlock& operator=(const GlobalBlock&) = delete;
  HGLOBAL get() const { return memory_; }
  HGLOBAL release() { return std::exchange(memory_, nullptr); }

 private:
  HGLOBAL memory_;
};

std::wstring show_save_dialog(HWND owner, const std::wstring& default_name,
                              const std::wstring& folder, const std::wstring& filter_name,
                              const std::wstring& title) {
  ComPtr<IFileSaveDialog> dialog;
  if (FAILED(CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&dialog)))) {
    return {};
  }
  const COMDLG_FILTERSPEC filter{filter_name.c_str(), L"*.png"};
  dialog->SetFileTypes(1, &filter);
  dialog->SetFileTypeIndex(1);
  dialog->SetDefaultExtension(L"png");
  dialog->SetTitle(title.c_str());
  dialog->SetFileName(default_name.c_str());
  if (!folder.empty()) {
    ComPtr<IShellItem> folder_item;
    if (SUCCEEDED(SHCreateItemFromParsingName(folder.c_str(), nullptr,
                                              IID_PPV_ARGS(&folder_item)))) {
      dialog->SetFolder(folder_item.Get());
    }
  }
  if (FAILED(dialog->Show(owner))) return {};
  ComPtr<IShellItem> result;
  if (FAILED(dialog->GetResult(&result))) return {};
  PWSTR path = nullptr;
  if (FAILED(result->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path) return {};
  std::wstring chosen(path);
  CoTaskMemFree(path);
  return chosen;
}

}  // namespace

DesktopSnapshot ScreenshotEditor::render_selection() const {
  const DesktopSnapshot& source = snapshot_;
  if (!consistent(source)) return {};
  const RECT s = selection_;
  if (s.left < 0 || s.top < 0 || s.left >= s.right || s.top >= s.bottom ||
      s.right > static_cast<LONG>(source.width) || s.bottom > static_cast<LONG>(source.height)) {
    return {};
  }
  HDC screen = GetDC(nullptr);
  if (!screen) return {};
  MemoryBitmap canvas;
  std::uint8_t* bits = nullptr;
  const bool made = canvas.create_dib(screen, static_cast<int>(source.width),
                                      static_cast<int>(source.height), &bits);
  ReleaseDC(nullptr, screen);
  if (!made) return {};
  std::memcpy(bits, source.pixels.data(), source.pixels.size());
  for (const Annotation& mark : annotations_) draw_annotation(canvas.dc(), mark, dpi(), image_size());
  GdiFlush();

  DesktopSnapshot out;
  out.width = static_cast<uint32_t>(s.right - s.left);
  out.height = static_cast<uint32_t>(s.bottom - s.top);
  out.stride = out.width * 4;
  out.hdr_source = source.hdr_source;
  out.pixels.resize(static_cast<size_t>(out.height) * out.stride);
  for (uint32_t row = 0; row < out.height; ++row) {
    const uint8_t* from = bits + (static_cast<size_t>(s.top) + row) * source.stride +
                          static_cast<size_t>(s.left) * 4;
    uint8_t* to = out.pixels.data() + static_cast<size_t>(row) * out.stride;
    std::memcpy(to, from, out.stride);
    // GDI leaves alpha undefined where it drew.
    for (uint32_t x = 0; x < out.width; ++x) to[x * 4 + 3] = 255;
  }
  return out;
}

bool ScreenshotEditor::put_on_clipboard() {
  const std::vector<uint8_t> dib = pack_clipboard_dib(render_selection());
  if (dib.empty()) return false;
  GlobalBlock block(dib.size());
  if (!block.get()) return false;
  void* target = GlobalLock(block.get());
  if (!target) return false;
  std::memcpy(target, dib.data(), dib.size());
  GlobalUnlock(block.get());
  OpenClipboardScope clipboard(canvas_);
  if (!clipboard.is_open() || !EmptyClipboard()) return false;
  if (!SetClipboardData(CF_DIB, block.get())) return false;
  // The clipboard owns the block now.
  block.release();
  return true;
}

void ScreenshotEditor::copy_to_clipboard() {
  commit_text_box();
  if (!put_on_clipboard()) report_error(L"editor.copy_failed");
}

void ScreenshotEditor::save() {
  commit_text_box();
  const std::wstring path = choose_save_path();
  if (path.empty()) return;
  if (!write_png(path)) report_error(L"editor.save_failed");
}

std::wstring ScreenshotEditor::choose_save_path() {
  const std::wstring name = default_screenshot_name(
      seams_.now ? seams_.now() : std::chrono::system_clock::now());
  HWND owner = toolbar_ ? toolbar_ : canvas_;
  if (seams_.choose_save_path) return seams_.choose_save_path(owner, name, save_folder_);
  return show_save_dialog(owner, name, save_folder_, translate(ui_context_, L"editor.png_image"),
                          translate(ui_context_, L"editor.save_title"));
}

bool ScreenshotEditor::write_png(const std::wstring& path) {
  const DesktopSnapshot image = render_selection();
  if (!consistent(image) || path.empty()) return false;
  ComPtr<IWICImagingFactory> factory;
  const HRESULT made =
      seams_.create_imaging_factory
          ? seams_.create_imaging_factory(&factory)
          : CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER,
                             IID_PPV_ARGS(&factory));
  if (FAILED(made) || !factory) return false;
  return SUCCEEDED(write_png_file(factory.Get(), path, image));
}

void ScreenshotEditor::finish() {
  commit_text_box();
  if (!put_on_clipboard()) {
    report_error(L"editor.copy_failed");
    return;
  }
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  const bool have_monitor =
      canvas_ && GetMonitorInfoW(MonitorFromWindow(canvas_, MONITOR_DEFAULTTONEAREST), &monitor);
  const int scale = std::max(96, static_cast<int>(dpi()));
  close();
  if (!have_monitor) return;
  notice_.reset();
  notice_ = std::make_unique<CopiedNotice>();
  notice_->show(instance_, monitor.rcMonitor, scale, translate(ui_context_, L"editor.copied"),
                theme_);
}

}  // namespace quorvel::windows
