// A start on a machine without Media Foundation (Windows N editions before
// the Media Feature Pack): the App says what is missing and starts nothing.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/media_foundation_library.h"
#include "tests/app/held_hotkey.h"
#include "tests/app/recording/app_recording_fixture.h"
#include "tests/fakes/engine/fake_library_loader.h"
#include "tests/support/test_support.h"

namespace quorvel::windows {
namespace {

namespace fs = std::filesystem;

struct OutputCase {
  const char* name;
  OutputMode mode;
  // The stream's quality level; another than the file's gives the stream an
  // encoder of its own.
  uint32_t stream_level;
};

class AppRecordingWithoutMediaFoundationTest : public AppRecordingTest,
                                               public testing::WithParamInterface<OutputCase> {
 protected:
  void SetUp() override {
    AppRecordingTest::SetUp();
    platform_changes_ = [this](AppPlatform& platform) {
      platform.load_media_foundation = [] {
        return MediaFoundationLibrary(test::no_media_foundation_loader()).status();
      };
      platform.sessions.writers.sink_writers.create_encoding_writer =
          [this](IMFMediaSink*, IMFAttributes*, IMFSinkWriter** out) {
            ++*encoders_made_;
            *out = nullptr;
            return E_FAIL;
          };
      platform.pick_folder = [this](HWND, const std::wstring&) -> std::optional<std::wstring> {
        ++*folders_asked_;
        return std::nullopt;
      };
    };
  }

  std::shared_ptr<int> encoders_made_ = std::make_shared<int>(0);
  std::shared_ptr<int> folders_asked_ = std::make_shared<int>(0);
};

TEST_P(AppRecordingWithoutMediaFoundationTest, NamesTheMediaFeaturePackAndStartsNothing) {
  App& app = start_app();
  if (GetParam().mode != OutputMode::kFileOnly) {
    go_live(*this, app, GetParam().mode, GetParam().stream_level);
  }
  // Without Media Foundation even the question for a folder would be wasted.
  change_setup([](RecordingSetupState& s) { s.output_folder.clear(); });

  app.start_recording();

  ASSERT_EQ(message_keys(), std::vector<std::wstring>{L"message.media_feature_pack_required"});
  EXPECT_EQ(messages_[0].flags & MB_ICONMASK, static_cast<unsigned>(MB_ICONERROR));
  const std::wstring text = app.localized_text(L"message.media_feature_pack_required", {});
  EXPECT_NE(text.find(L"Media Feature Pack"), std::wstring::npos) << quorvel::test::utf8(text);
  EXPECT_FALSE(app.busy());
  EXPECT_FALSE(AppTestAccess::recording(app));
  EXPECT_FALSE(AppTestAccess::file_session(app).is_active());
  EXPECT_FALSE(AppTestAccess::live_session(app).is_active());
  EXPECT_EQ(AppTestAccess::streamer_status(app).state,
            static_cast<uint32_t>(LiveStreamState::Idle));
  EXPECT_EQ(*encoders_made_, 0);
  EXPECT_EQ(*folders_asked_, 0);
  EXPECT_EQ(AppTestAccess::control_window(app), nullptr);
  EXPECT_TRUE(AppTestAccess::overlay_interactive(app));
  EXPECT_FALSE(fs::exists(session_folder()));
  EXPECT_TRUE(quorvel::test::hotkey_is_free(MOD_CONTROL, VK_F12));
  // The region stays chosen: installing the pack and starting again needs
  // no new selection.
  EXPECT_TRUE(AppTestAccess::region_ready(app));
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, AppRecordingWithoutMediaFoundationTest,
    testing::Values(OutputCase{"File", OutputMode::kFileOnly, 1},
                    OutputCase{"LiveOnly", OutputMode::kLiveOnly, 1},
                    OutputCase{"FileAndLiveWithTwoEncoders", OutputMode::kFileAndLive, 2}),
    [](const testing::TestParamInfo<OutputCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel::windows
