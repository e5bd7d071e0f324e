#include <gtest/gtest.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/editor/screenshot_editor.h"
#include "app/editor/screenshot_output_format.h"
#include "tests/app/editor/editor_test_support.h"
#include "tests/fakes/editor/fake_imaging_factory.h"
#include "tests/support/test_support.h"

namespace quorvel::windows::test {
namespace {

using Microsoft::WRL::ComPtr;

const RECT kSelection{50, 60, 251, 161};
constexpr int kWidth = 201;
constexpr int kHeight = 101;
constexpr COLORREF kMarkColor = RGB(235, 48, 48);

// The selection of the pattern without marks, top row first.
std::vector<uint8_t> plain_crop() {
  std::vector<uint8_t> bytes;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const COLORREF c = pattern_color(x + 50, y + 60);
      bytes.insert(bytes.end(), {GetBValue(c), GetGValue(c), GetRValue(c), 255});
    }
  }
  return bytes;
}

std::vector<uint8_t> read_clipboard_dib() {
  std::vector<uint8_t> bytes;
  if (!OpenClipboard(nullptr)) return bytes;
  if (HANDLE data = GetClipboardData(CF_DIB)) {
    const auto* block = static_cast<const uint8_t*>(GlobalLock(data));
    if (block) {
      bytes.assign(block, block + GlobalSize(data));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return bytes;
}

void clear_clipboard() {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  CloseClipboard();
}

// The pixels of a PNG file decoded with WIC as 32bpp BGRA; empty on failure.
std::vector<uint8_t> decode_png(const std::filesystem::path& path, UINT& width, UINT& height) {
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&factory)))) {
    return {};
  }
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory->CreateDecoderFromFilename(path.wstring().c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnLoad, &decoder)) ||
      FAILED(decoder->GetFrame(0, &frame)) || FAILED(factory->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(frame->GetSize(&width, &height))) {
    return {};
  }
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  if (FAILED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size()),
                                   pixels.data()))) {
    return {};
  }
  return pixels;
}

void write_bytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The folder the native check reads the saved PNGs from, when it runs.
std::filesystem::path png_check_folder() {
  const std::wstring folder = quorvel::test::environment(L"QUORVEL_EDITOR_PNG_DIR");
  if (folder.empty()) return {};
  const std::filesystem::path path = quorvel::test::host_path(quorvel::test::utf8(folder));
  std::filesystem::create_directories(path);
  return path;
}

std::vector<uint8_t> file_bytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The clipboard's CF_DIB as another process reads it; empty on failure.
std::vector<uint8_t> read_clipboard_dib_in_helper() {
  wchar_t module[MAX_PATH]{};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  const std::filesystem::path helper =
      std::filesystem::path(module).parent_path() / L"clipboard_dib_reader.exe";
  quorvel::test::TempDir folder;
  const std::filesystem::path out = folder / L"dib.bin";
  std::wstring command = L"\"" + helper.wstring() + L"\" \"" + out.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(helper.wstring().c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &process)) {
    return {};
  }
  WaitForSingleObject(process.hProcess, 30000);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (code != 0) return {};
  return file_bytes(out);
}

// Holds the clipboard open from another thread while it lives.
class ClipboardHolder {
 public:
  ClipboardHolder() {
    thread_ = std::thread([this] {
      const bool opened = OpenClipboard(nullptr) != FALSE;
      std::unique_lock lock(mutex_);
      opened_ = opened;
      ready_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return release_; });
      if (opened) CloseClipboard();
    });
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return ready_; });
  }
  ~ClipboardHolder() {
    {
      std::lock_guard lock(mutex_);
      release_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  bool opened() {
    std::lock_guard lock(mutex_);
    return opened_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool ready_ = false;
  bool opened_ = false;
  bool release_ = false;
  std::thread thread_;
};

class EditorOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    clear_clipboard();
    ASSERT_TRUE(fixture_.open());
    fixture_.drag({50, 60}, {250, 160});
    ASSERT_TRUE(EqualRect(&fixture_.editor->selection(), &kSelection));
  }
  void TearDown() override {
    fixture_.editor.reset();
    CoUninitialize();
  }

  ScreenshotEditor& editor() { return *fixture_.editor; }
  void control_key(WPARAM key) {
    HeldKeys control({VK_CONTROL});
    fixture_.send(WM_KEYDOWN, key, 0);
  }
  // Saves through the dialog seam to `path` (nothing chosen when empty).
  void save_to(const std::wstring& path) {
    chosen_path_ = path;
    control_key('S');
  }

  EditorFixture fixture_;
  std::wstring chosen_path_;
  std::wstring offered_name_;
  std::wstring offered_folder_;
  int dialogs_ = 0;
};

// An editor whose save dialog answers with chosen_path_.
class EditorSave : public EditorOutput {
 protected:
  void SetUp() override {
    EditorSeams seams;
    seams.exclude_from_capture = [](HWND) { return true; };
    seams.show_message = [this](HWND owner, std::wstring_view text) {
      fixture_.messages.push_back({owner, std::wstring(text)});
    };
    seams.choose_save_path = [this](HWND, const std::wstring& name, const std::wstring& folder) {
      ++dialogs_;
      offered_name_ = name;
      offered_folder_ = folder;
      return chosen_path_;
    };
    seams.now = [] { return std::chrono::system_clock::time_point{}; };
    if (fail_commit_) {
      seams.create_imaging_factory = [](IWICImagingFactory** factory) {
        return create_failing_commit_factory(WINCODEC_ERR_STREAMWRITE, factory);
      };
    }
    fixture_.editor = std::make_unique<ScreenshotEditor>(
        GetModuleHandleW(nullptr), DesktopSnapshot{}, POINT{0, 0}, L"C:\\", *fixture_.registry,
        fixture_.application, [this] { ++fixture_.closes; }, std::move(seams));
    EditorOutput::SetUp();
  }

  quorvel::test::TempDir folder_;
  bool fail_commit_ = false;
};

// The encoder's frame refuses its commit after the pixels were written.
class EditorSaveFailingCommit : public EditorSave {
 protected:
  EditorSaveFailingCommit() { fail_commit_ = true; }
};

TEST_F(EditorOutput, CopyPutsABottomUpDibOfTheAnnotatedSelection) {
  // Partly outside the selection on the right.
  fixture_.drag({200, 100}, {300, 140});
  ASSERT_EQ(editor().annotations().size(), 1u);
  control_key('C');
  EXPECT_TRUE(fixture_.messages.empty());
  EXPECT_TRUE(editor().is_open());

  const std::vector<uint8_t> dib = read_clipboard_dib();
  ASSERT_GE(dib.size(), 40u + kWidth * kHeight * 4);
  const int32_t header[10] = {40, kWidth, kHeight, 1 | (32 << 16), BI_RGB, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(dib.data(), header, 40), 0);
  const std::vector<uint8_t> plain = plain_crop();
  int marked = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const uint8_t* got = &dib[40 + (static_cast<size_t>(kHeight - 1 - y) * kWidth + x) * 4];
      ASSERT_EQ(got[3], 255) << x << "," << y;
      const bool near_mark = x + 50 >= 195 && y + 60 >= 95 && y + 60 <= 145;
      const COLORREF color = RGB(got[2], got[1], got[0]);
      if (!near_mark) {
        ASSERT_EQ(std::memcmp(got, &plain[(static_cast<size_t>(y) * kWidth + x) * 4], 4), 0)
            << x << "," << y;
      } else if (color == kMarkColor) {
        ++marked;
      }
    }
  }
  // The top edge runs from x 200 to the selection's right edge (51 pixels),
  // three pixels wide.
  EXPECT_GE(marked, 3 * 45);
  // The cut mark's top edge reaches the last column.
  const uint8_t* last = &dib[40 + (static_cast<size_t>(kHeight - 1 - 40) * kWidth + 200) * 4];
  EXPECT_EQ(RGB(last[2], last[1], last[0]), kMarkColor);
}

TEST_F(EditorOutput, AMarkStillBeingDraggedIsNotCopied) {
  fixture_.press(100, 100);
  fixture_.move(150, 140);
  ASSERT_TRUE(editor().is_drawing());
  control_key('C');
  const std::vector<uint8_t> dib = read_clipboard_dib();
  ASSERT_EQ(dib.size(), 40u + kWidth * kHeight * 4);
  const std::vector<uint8_t> expected = pack_clipboard_dib(
      DesktopSnapshot{kWidth, kHeight, kWidth * 4, plain_crop(), false});
  EXPECT_TRUE(dib == expected);
}

TEST_F(EditorOutput, ABusyClipboardReportsAndKeepsTheEditorOpen) {
  ClipboardHolder holder;
  ASSERT_TRUE(holder.opened());
  control_key('C');
  ASSERT_EQ(fixture_.messages.size(), 1u);
  EXPECT_EQ(fixture_.messages[0].text, L"Could not copy the screenshot to the clipboard.");
  EXPECT_TRUE(editor().is_open());

  fixture_.send(WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_EQ(fixture_.messages.size(), 2u);
  EXPECT_EQ(fixture_.messages[1].text, L"Could not copy the screenshot to the clipboard.");
  EXPECT_TRUE(editor().is_open());
  EXPECT_EQ(fixture_.closes, 0);
  EXPECT_EQ(editor().notice(), nullptr);
}

TEST_F(EditorOutput, FinishCopiesClosesAndShowsTheCopiedNotice) {
  fixture_.drag({100, 100}, {150, 140});
  HWND canvas = editor().canvas();
  const std::vector<uint8_t> expected = pack_clipboard_dib(editor().render_selection());
  ASSERT_EQ(expected.size(), 40u + kWidth * kHeight * 4);
  {
    HeldKeys control({VK_CONTROL});
    fixture_.send(WM_KEYDOWN, VK_RETURN, 0);
  }
  EXPECT_FALSE(IsWindow(canvas));
  EXPECT_EQ(fixture_.closes, 1);
  EXPECT_TRUE(fixture_.messages.empty());
  EXPECT_TRUE(read_clipboard_dib() == expected);
  // Still there for another process once the canvas that set it is gone.
  EXPECT_TRUE(read_clipboard_dib_in_helper() == expected);

  ASSERT_NE(editor().notice(), nullptr);
  HWND notice = editor().notice()->hwnd();
  ASSERT_NE(notice, nullptr);
  wchar_t name[64]{};
  GetClassNameW(notice, name, 64);
  EXPECT_EQ(std::wstring(name), kScreenshotNoticeClass);
  const LONG_PTR expected_ex =
      WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT | WS_EX_TOPMOST;
  EXPECT_EQ(GetWindowLongPtrW(notice, GWL_EXSTYLE) & expected_ex, expected_ex);
  RECT rect{};
  GetWindowRect(notice, &rect);
  EXPECT_EQ(rect.left, 770);
  EXPECT_EQ(rect.top, 508);
  EXPECT_EQ(rect.right - rect.left, 380);
  EXPECT_EQ(rect.bottom - rect.top, 64);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(notice, region), ERROR);
  DeleteObject(region);
  wchar_t text[64]{};
  GetWindowTextW(notice, text, 64);
  EXPECT_EQ(std::wstring(text), L"Screenshot copied to clipboard.");
  EXPECT_TRUE(IsWindowVisible(notice));
  EXPECT_NE(GetForegroundWindow(), notice);
  EXPECT_NE(GetFocus(), notice);
  EXPECT_EQ(SendMessageW(notice, WM_NCHITTEST, 0, MAKELPARAM(900, 540)), HTTRANSPARENT);
  EXPECT_EQ(SendMessageW(notice, WM_MOUSEACTIVATE, 0, 0), MA_NOACTIVATE);

  SendMessageW(notice, WM_TIMER, kNoticeCloseTimer, 0);
  EXPECT_FALSE(IsWindow(notice));
  EXPECT_EQ(editor().notice()->hwnd(), nullptr);
}

TEST_F(EditorOutput, TheNoticeSpeaksTheApplicationsLanguage) {
  fixture_.application.set_language(L"zh-CN");
  fixture_.send(WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_NE(editor().notice(), nullptr);
  ASSERT_NE(editor().notice()->hwnd(), nullptr);
  wchar_t text[64]{};
  GetWindowTextW(editor().notice()->hwnd(), text, 64);
  EXPECT_EQ(quorvel::test::utf8(text), quorvel::test::utf8(L"\u622a\u56fe\u5df2\u590d\u5236\u5230\u526a\u8d34\u677f\u3002"));
}

TEST_F(EditorOutput, TheEditingDoubleClickCommitsTheTextAndFinishes) {
  editor().set_tool(kToolText);
  fixture_.press(60, 70);
  ASSERT_NE(editor().text_box(), nullptr);
  SetWindowTextW(editor().text_box(), L"Hi");
  fixture_.send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(120, 120));
  EXPECT_FALSE(editor().is_open());
  EXPECT_EQ(fixture_.closes, 1);
  ASSERT_EQ(editor().annotations().size(), 1u);
  EXPECT_EQ(editor().annotations().front().text, L"Hi");
  EXPECT_GE(read_clipboard_dib().size(), 40u + kWidth * kHeight * 4);
}

TEST(CopiedNoticeShow, ASecondShowLeavesOneNoticeWindow) {
  EditorFixture fixture;
  CopiedNotice notice;
  const RECT monitor{0, 0, 1920, 1080};
  notice.show(GetModuleHandleW(nullptr), monitor, 96, L"one", fixture.registry->theme());
  HWND first = notice.hwnd();
  ASSERT_NE(first, nullptr);
  notice.show(GetModuleHandleW(nullptr), monitor, 96, L"two", fixture.registry->theme());
  EXPECT_FALSE(IsWindow(first));
  ASSERT_NE(notice.hwnd(), nullptr);
  int windows = 0;
  for (HWND w = FindWindowExW(nullptr, nullptr, kScreenshotNoticeClass, nullptr); w;
       w = FindWindowExW(nullptr, w, kScreenshotNoticeClass, nullptr)) {
    ++windows;
  }
  EXPECT_EQ(windows, 1);
  // Scaled for 144 DPI and centred.
  notice.show(GetModuleHandleW(nullptr), monitor, 144, L"three", fixture.registry->theme());
  RECT rect{};
  GetWindowRect(notice.hwnd(), &rect);
  EXPECT_EQ(rect.right - rect.left, 570);
  EXPECT_EQ(rect.bottom - rect.top, 96);
  EXPECT_EQ(rect.left, (1920 - 570) / 2);
}

TEST(SelectingDoubleClick, CopiesTheSnappedCropAndClosesWithoutAToolbar) {
  clear_clipboard();
  EditorFixture fixture;
  auto decoy = DecoyWindow::popup({300, 200, 500, 350});
  ASSERT_TRUE(fixture.open({400, 270}));
  fixture.send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 220));
  EXPECT_FALSE(fixture.editor->is_open());
  EXPECT_EQ(fixture.closes, 1);
  EXPECT_EQ(fixture.editor->toolbar(), nullptr);
  const std::vector<uint8_t> dib = read_clipboard_dib();
  ASSERT_EQ(dib.size(), 40u + 200u * 150u * 4u);
  const int32_t* header = reinterpret_cast<const int32_t*>(dib.data());
  EXPECT_EQ(header[1], 200);
  EXPECT_EQ(header[2], 150);
  // The top-left pixel of the crop is image pixel (200, 150); the last row
  // in memory.
  const uint8_t* top_left = &dib[40 + static_cast<size_t>(149) * 200 * 4];
  EXPECT_EQ(RGB(top_left[2], top_left[1], top_left[0]), pattern_color(200, 150));
}

TEST_F(EditorSave, SavesWhatRenderSelectionGivesAndThePlainCropAfterUndo) {
  fixture_.drag({100, 100}, {150, 140});
  editor().set_tool(kToolArrow);
  fixture_.drag({60, 150}, {240, 70});
  const std::filesystem::path marked = folder_ / L"marked.png";
  save_to(marked.wstring());
  EXPECT_TRUE(fixture_.messages.empty());
  EXPECT_TRUE(editor().is_open());
  EXPECT_EQ(offered_name_, L"Quorvel 1970-01-01 00-00-00.0000000.png");
  EXPECT_EQ(offered_folder_, L"C:\\");
  UINT width = 0;
  UINT height = 0;
  const std::vector<uint8_t> decoded = decode_png(marked, width, height);
  EXPECT_EQ(width, static_cast<UINT>(kWidth));
  EXPECT_EQ(height, static_cast<UINT>(kHeight));
  EXPECT_TRUE(decoded == editor().render_selection().pixels);
  EXPECT_FALSE(decoded == plain_crop());

  editor().undo();
  editor().undo();
  const std::filesystem::path plain = folder_ / L"plain.png";
  save_to(plain.wstring());
  EXPECT_TRUE(decode_png(plain, width, height) == plain_crop());
  // Nothing else was left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()),
                          std::filesystem::directory_iterator()),
            2);

  // For the native check: the PNGs as saved, and the pixels each must hold
  // (the plain one straight from the pattern formula).
  const std::filesystem::path check = png_check_folder();
  if (check.empty()) return;
  std::filesystem::copy_file(marked, check / "marked.png",
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::copy_file(plain, check / "plain.png",
                             std::filesystem::copy_options::overwrite_existing);
  write_bytes(check / "marked.bgra", decoded);
  write_bytes(check / "plain.bgra", plain_crop());
}

TEST_F(EditorSave, ACancelledDialogDoesNothing) {
  fixture_.drag({100, 100}, {150, 140});
  save_to(std::wstring());
  EXPECT_EQ(dialogs_, 1);
  EXPECT_TRUE(fixture_.messages.empty());
  EXPECT_TRUE(editor().is_open());
  EXPECT_TRUE(std::filesystem::is_empty(folder_.path()));
}

TEST_F(EditorSave, SavingOverAnExistingFileReplacesItWithoutAnErrorOrATemporaryFile) {
  // The older picture, annotated and so different from the one that replaces it.
  fixture_.drag({100, 100}, {150, 140});
  const std::filesystem::path target = folder_ / L"shot.png";
  save_to(target.wstring());
  ASSERT_TRUE(fixture_.messages.empty());
  UINT width = 0;
  UINT height = 0;
  ASSERT_FALSE(decode_png(target, width, height) == plain_crop());

  // The user confirmed the replacement in the dialog, which then names the same file.
  editor().undo();
  save_to(target.wstring());
  EXPECT_TRUE(fixture_.messages.empty());
  EXPECT_TRUE(editor().is_open());
  const std::vector<uint8_t> decoded = decode_png(target, width, height);
  EXPECT_EQ(width, static_cast<UINT>(kWidth));
  EXPECT_EQ(height, static_cast<UINT>(kHeight));
  EXPECT_TRUE(decoded == plain_crop());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(EditorSave, AFailedSaveKeepsTheOldFileAndLeavesNoTemporaryFile) {
  const std::filesystem::path target = folder_ / L"old.png";
  {
    std::ofstream old(target, std::ios::binary);
    old << "previous picture bytes";
  }
  HANDLE held = CreateFileW(target.wstring().c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  save_to(target.wstring());
  CloseHandle(held);
  ASSERT_EQ(fixture_.messages.size(), 1u);
  EXPECT_EQ(fixture_.messages[0].text, L"Could not save the PNG file.");
  EXPECT_TRUE(editor().is_open());
  const std::vector<uint8_t> bytes = file_bytes(target);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "previous picture bytes");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(EditorSaveFailingCommit, KeepsTheOldFileAndLeavesNoTemporaryFile) {
  const std::filesystem::path target = folder_ / L"old.png";
  {
    std::ofstream old(target, std::ios::binary);
    old << "previous picture bytes";
  }
  fixture_.drag({100, 100}, {150, 140});
  save_to(target.wstring());
  ASSERT_EQ(fixture_.messages.size(), 1u);
  EXPECT_EQ(fixture_.messages[0].text, L"Could not save the PNG file.");
  const std::vector<uint8_t> bytes = file_bytes(target);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "previous picture bytes");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(EditorSave, AMissingFolderReportsAndCreatesNothing) {
  const std::filesystem::path missing = folder_ / L"missing";
  save_to((missing / L"shot.png").wstring());
  ASSERT_EQ(fixture_.messages.size(), 1u);
  EXPECT_EQ(fixture_.messages[0].text, L"Could not save the PNG file.");
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_TRUE(std::filesystem::is_empty(folder_.path()));
}

}  // namespace
}  // namespace quorvel::windows::test
