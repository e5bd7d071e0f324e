// The App's microphone list, live target, watermark, pickers and output
// folder, as the main window's callbacks reach them.
#include <windows.h>
#include <objbase.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/readable_image.h"
#include "app/shell_file_picker.h"
#include "tests/app/app_test_fixture.h"
#include "tests/fakes/engine/fake_audio_endpoints.h"
#include "tests/support/png_maker.h"

namespace quorvel::windows {
namespace {


class AppSetupSettingsTest : public AppTest {
 protected:
  App& start_shown(AppPlatform platform) {
    app_ = std::make_unique<App>(GetModuleHandleW(nullptr), std::move(platform));
    app_->start_up(SW_SHOWNORMAL);
    messages_.clear();
    main_log_->refresh_log.clear();
    return *app_;
  }
  App& start_shown() { return start_shown(make_platform()); }
  MainWindowHandlers& handlers() { return main_log_->handlers; }
};

// A folder of the test's own with files it writes, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::filesystem::path(temp) /
            (L"quorvel-setup-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(GetTickCount64()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::wstring write(const std::wstring& name, const std::vector<uint8_t>& bytes) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return file.wstring();
  }
  std::wstring path() const { return path_.wstring(); }

 private:
  std::filesystem::path path_;
};

// COM on the test's thread, as the UI thread has it.
class ComScope {
 public:
  ComScope() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (initialized_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  bool initialized() const { return initialized_; }

 private:
  bool initialized_;
};

std::vector<uint8_t> small_png() {
  using win32_ui::ui::graphics::test::Bgra;
  return win32_ui::ui::graphics::test::encode_png(2, 3, std::vector<Bgra>(6, Bgra{1, 2, 3, 255}));
}

std::vector<uint8_t> text_bytes() { return {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'g'}; }

TEST_F(AppSetupSettingsTest, MicrophoneSelectionFollowsItsEndpointAcrossReEnumeration) {
  FakeAudioSystem audio;
  audio.add_device(L"mic-1", L"USB Microphone", eCapture);
  audio.add_device(L"mic-2", L"Headset Microphone", eCapture);
  audio.set_default(eCapture, L"mic-1");
  AppPlatform platform = make_platform();
  platform.audio_devices = audio.factory();
  App& app = start_shown(std::move(platform));

  EXPECT_EQ(app.setup_state().microphones,
            (std::vector<std::wstring>{L"Default microphone (system)",
                                       L"USB Microphone (current default)",
                                       L"Headset Microphone"}));
  EXPECT_EQ(app.setup_state().microphone_index, 0);

  handlers().microphone(2);
  EXPECT_EQ(app.selected_microphone_id(), L"mic-2");
  EXPECT_EQ(app.setup_state().microphone_label, L"Headset Microphone");
  EXPECT_TRUE(main_log_->refresh_log.empty());

  // A new default listed first moves the selection's entry, not its device.
  audio.add_device(L"mic-0", L"Studio Microphone", eCapture);
  audio.set_default(eCapture, L"mic-0");
  handlers().refresh_devices();
  EXPECT_EQ(main_log_->audio_device_updates, 1);
  EXPECT_EQ(app.selected_microphone_id(), L"mic-2");
  EXPECT_EQ(app.setup_state().microphone_label, L"Headset Microphone");

  // An index outside the list restores the window.
  handlers().microphone(9);
  ASSERT_EQ(main_log_->refresh_log.size(), 1u);
  EXPECT_TRUE(main_log_->refresh_log[0].second);

  // A device that went away falls back to the system default.
  audio.set_state(L"mic-2", DEVICE_STATE_DISABLED);
  handlers().refresh_devices();
  EXPECT_EQ(app.setup_state().microphone_index, 0);
  EXPECT_EQ(app.selected_microphone_id(), L"");
  EXPECT_EQ(app.setup_state().microphone_label, L"Default microphone (system)");
}

TEST_F(AppSetupSettingsTest, RealEnumerationWithoutASoundServerLeavesTheDefaultAlone) {
  App& app = start_shown();
  EXPECT_EQ(app.setup_state().microphones,
            std::vector<std::wstring>{L"Default microphone (system)"});
  EXPECT_EQ(app.setup_state().microphone_index, 0);
}

TEST_F(AppSetupSettingsTest, StreamTargetIsStoredOnlyWhenValid) {
  App& app = start_shown();
  const StreamSettings valid{false, L"rtmp://live.example.test/app", L"secret-key"};

  EXPECT_FALSE(handlers().save_stream_target({false, L"ftp://nowhere", L"key"}));
  EXPECT_EQ(message_keys(), std::vector<std::wstring>{L"stream.invalid"});
  EXPECT_EQ(messages_[0].flags, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_EQ(AppTestAccess::stream_target(app).server_url, L"");
  EXPECT_EQ(SettingsStore(key_.path()).read_stream_target().server_url, L"");

  messages_.clear();
  EXPECT_TRUE(handlers().save_stream_target(valid));
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(handlers().stream_target().server_url, valid.server_url);
  EXPECT_EQ(handlers().stream_target().stream_key, valid.stream_key);
  EXPECT_EQ(SettingsStore(key_.path()).read_stream_target().stream_key, valid.stream_key);

  const StreamSettings complete{true, L"rtmp://live.example.test/app/name", L""};
  EXPECT_TRUE(handlers().save_stream_target(complete));
  EXPECT_TRUE(handlers().stream_target().complete_url);
  EXPECT_EQ(handlers().stream_target().stream_key, L"");
}

TEST_F(AppSetupSettingsTest, StreamTargetTheStoreRefusesIsReportedAndNotKept) {
  App& app = start_shown(failing_store_platform());
  EXPECT_FALSE(
      handlers().save_stream_target({false, L"rtmp://live.example.test/app", L"secret-key"}));
  EXPECT_EQ(message_keys(), std::vector<std::wstring>{L"stream.save_failed"});
  EXPECT_EQ(messages_[0].flags, static_cast<unsigned>(MB_ICONERROR));
  EXPECT_EQ(AppTestAccess::stream_target(app).server_url, L"");
}

TEST_F(AppSetupSettingsTest, WatermarkIsCheckedBeforeItIsStored) {
  ComScope com;
  ASSERT_TRUE(com.initialized());
  ScratchFolder folder;
  const std::wstring png = folder.write(L"mark.png", small_png());
  const std::wstring fake_png = folder.write(L"text.png", text_bytes());
  App& app = start_shown();

  struct Case {
    const char* name;
    RecordingWatermark watermark;
    std::optional<std::wstring> refusal;  // empty: stored
  };
  const auto mark = [](bool enabled, int32_t mode, std::wstring text, std::wstring image) {
    RecordingWatermark watermark;
    watermark.enabled = enabled;
    watermark.mode = mode;
    watermark.text = std::move(text);
    watermark.image_path = std::move(image);
    return watermark;
  };
  const std::vector<Case> cases = {
      {"blank text", mark(true, 0, L" \t ", L""), L"message.watermark_text_required"},
      {"empty text", mark(true, 0, L"", L""), L"message.watermark_text_required"},
      {"text", mark(true, 0, L"  Quorvel\t", L""), std::nullopt},
      {"disabled blank text", mark(false, 0, L"\t", L""), std::nullopt},
      {"disabled missing image", mark(false, 1, L"x", folder.path() + L"\\gone.png"),
       std::nullopt},
      {"missing image", mark(true, 1, L"x", folder.path() + L"\\gone.png"),
       L"message.watermark_image_invalid"},
      {"unreadable image", mark(true, 1, L"x", fake_png), L"message.watermark_image_invalid"},
      {"image", mark(true, 1, L"x", png), std::nullopt},
      {"text of 320", mark(true, 0, std::wstring(320, L'w'), L""), std::nullopt},
      {"text of 321", mark(true, 0, std::wstring(321, L'w'), L""),
       L"message.watermark_text_too_long"},
      {"disabled text of 321", mark(false, 0, std::wstring(321, L'w'), L""),
       L"message.watermark_text_too_long"},
      {"path of 2049", mark(false, 1, L"x", std::wstring(2049, L'p')),
       L"message.watermark_image_invalid"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    messages_.clear();
    const RecordingWatermark before = AppTestAccess::watermark(app);
    const RecordingWatermark stored_before = SettingsStore(key_.path()).read_watermark();
    const bool saved = handlers().save_watermark(c.watermark);
    const RecordingWatermark kept = AppTestAccess::watermark(app);
    const RecordingWatermark stored = SettingsStore(key_.path()).read_watermark();
    if (c.refusal) {
      EXPECT_FALSE(saved);
      EXPECT_EQ(message_keys(), std::vector<std::wstring>{*c.refusal});
      EXPECT_EQ(messages_[0].flags, static_cast<unsigned>(MB_ICONWARNING));
      // The main window owns the watermark's messages.
      EXPECT_EQ(messages_[0].owner, main_log_->window);
      EXPECT_EQ(kept.text, before.text);
      EXPECT_EQ(kept.image_path, before.image_path);
      EXPECT_EQ(stored.text, stored_before.text);
      EXPECT_EQ(stored.enabled, stored_before.enabled);
    } else {
      EXPECT_TRUE(saved);
      EXPECT_TRUE(messages_.empty());
      EXPECT_EQ(kept.text, c.watermark.text);
      EXPECT_EQ(kept.image_path, c.watermark.image_path);
      EXPECT_EQ(kept.enabled, c.watermark.enabled);
      EXPECT_EQ(stored.text, c.watermark.text);
      EXPECT_EQ(stored.enabled, c.watermark.enabled);
      EXPECT_EQ(handlers().watermark().text, c.watermark.text);
    }
  }
}

TEST_F(AppSetupSettingsTest, WatermarkTheStoreRefusesIsReportedAndNotKept) {
  App& app = start_shown(failing_store_platform());
  RecordingWatermark watermark;
  watermark.enabled = true;
  watermark.text = L"Mine";
  EXPECT_FALSE(handlers().save_watermark(watermark));
  EXPECT_EQ(message_keys(), std::vector<std::wstring>{L"message.watermark_change_failed"});
  EXPECT_EQ(messages_[0].flags, static_cast<unsigned>(MB_ICONERROR));
  EXPECT_NE(AppTestAccess::watermark(app).text, L"Mine");
}

TEST_F(AppSetupSettingsTest, PickersGoThroughTheSeamsAndACancelChangesNothing) {
  std::optional<std::wstring> folder_answer;
  std::vector<std::wstring> folder_initials;
  std::vector<std::pair<HWND, std::wstring>> opened;
  AppPlatform platform = make_platform();
  platform.pick_folder = [&](HWND, const std::wstring& initial) {
    folder_initials.push_back(initial);
    return folder_answer;
  };
  platform.pick_image = [](HWND, const std::wstring&) {
    return std::optional<std::wstring>(L"C:\\pictures\\mark.png");
  };
  platform.open_folder = [&](HWND owner, const std::wstring& folder) {
    opened.emplace_back(owner, folder);
    return true;
  };
  App& app = start_shown(std::move(platform));
  const std::wstring videos = app.setup_state().output_folder;

  handlers().choose_folder();
  EXPECT_EQ(app.setup_state().output_folder, videos);
  EXPECT_TRUE(main_log_->refresh_log.empty());
  ASSERT_EQ(folder_initials.size(), 1u);
  EXPECT_EQ(folder_initials[0], videos);

  folder_answer = L"C:\\recordings";
  handlers().choose_folder();
  EXPECT_EQ(app.setup_state().output_folder, L"C:\\recordings");
  ASSERT_EQ(main_log_->refresh_log.size(), 1u);
  EXPECT_FALSE(main_log_->refresh_log[0].second);

  handlers().open_folder();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].first, main_log_->window);
  EXPECT_EQ(opened[0].second, L"C:\\recordings");

  EXPECT_EQ(handlers().choose_watermark_image(nullptr), L"C:\\pictures\\mark.png");
}

TEST_F(AppSetupSettingsTest, OpeningWithoutAFolderAsksForOneFirst) {
  std::optional<std::wstring> folder_answer;
  int opens = 0;
  AppPlatform platform = make_platform();
  platform.pick_folder = [&](HWND, const std::wstring&) { return folder_answer; };
  platform.open_folder = [&](HWND, const std::wstring&) { return ++opens, true; };
  App& app = start_shown(std::move(platform));
  app.set_output_folder(L"");

  handlers().open_folder();
  EXPECT_EQ(opens, 0);
  folder_answer = L"C:\\chosen";
  handlers().open_folder();
  EXPECT_EQ(opens, 1);
  EXPECT_EQ(app.setup_state().output_folder, L"C:\\chosen");

  // While busy with no folder nothing happens at all.
  app.set_output_folder(L"");
  AppTestAccess::recording(app) = true;
  handlers().open_folder();
  EXPECT_EQ(opens, 1);
  AppTestAccess::recording(app) = false;
}

TEST(ReadableImage, OnlyAFileThatDecodesToAPictureIsReadable) {
  ComScope com;
  ASSERT_TRUE(com.initialized());
  {
    ScratchFolder folder;
    EXPECT_TRUE(is_readable_image(folder.write(L"mark.png", small_png())));
    EXPECT_FALSE(is_readable_image(folder.write(L"text.png", text_bytes())));
    EXPECT_FALSE(is_readable_image(folder.path()));
    EXPECT_FALSE(is_readable_image(folder.path() + L"\\missing.png"));
    EXPECT_FALSE(is_readable_image(L""));
  }
}

TEST(ShellFilePicker, RealDialogTakesTheFolderAndImageSettings) {
  ComScope com;
  ASSERT_TRUE(com.initialized());
  {
    Microsoft::WRL::ComPtr<IFileOpenDialog> dialog;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_PPV_ARGS(&dialog))));
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    EXPECT_EQ(prepare_folder_dialog(dialog.Get(), L"Choose a recording output folder", temp),
              S_OK);
    FILEOPENDIALOGOPTIONS options = 0;
    ASSERT_EQ(dialog->GetOptions(&options), S_OK);
    EXPECT_EQ(options & (FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST),
              static_cast<FILEOPENDIALOGOPTIONS>(FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM |
                                                 FOS_PATHMUSTEXIST));

    Microsoft::WRL::ComPtr<IFileOpenDialog> image_dialog;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_PPV_ARGS(&image_dialog))));
    EXPECT_EQ(prepare_image_dialog(image_dialog.Get(), L"Choose a watermark image"), S_OK);
    ASSERT_EQ(image_dialog->GetOptions(&options), S_OK);
    EXPECT_EQ(options & FOS_FILEMUSTEXIST, static_cast<FILEOPENDIALOGOPTIONS>(FOS_FILEMUSTEXIST));
    EXPECT_EQ(options & FOS_PICKFOLDERS, 0u);
  }
}

}  // namespace
}  // namespace quorvel::windows
