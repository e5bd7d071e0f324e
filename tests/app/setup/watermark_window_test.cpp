// The watermark window over the preferences window on the test display:
// opening rules, the mode radios, the text limit, browsing, the hint timer
// and the whole-record save.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/setup/preferences_tree.h"
#include "app/setup/watermark_image_picker.h"
#include "app/setup/watermark_tree.h"
#include "tests/app/setup/preview_test_fixture.h"
#include "tests/app/setup/view_dump.h"
#include "tests/support/png_maker.h"

namespace quorvel::windows {
namespace {

using test::Calls;
using test::pump;
using win32_ui::ui::graphics::test::Bgra;
using win32_ui::ui::graphics::test::encode_png;

class WatermarkWindowTest : public test::PreviewFixture {
 protected:
  WatermarkWindowTest() {
    shell.watermark.enabled = false;
    shell.watermark.text = L"Mine";
    shell.watermark.opacity = 0.75f;
    shell.watermark.seed = 12345;
  }
  void open_watermark() {
    open();
    preview->open_preferences();
    pump();
    ASSERT_TRUE(preview->preferences_window().is_open());
    click(prefs(), kWatermarkConfigureButtonId);
    pump();
    ASSERT_TRUE(preview->watermark_window().is_open());
    shell.take();
  }
  win32_ui::modern::WindowHost& prefs() { return preview->preferences_window().host(); }
  win32_ui::modern::WindowHost& mark() { return preview->watermark_window().host(); }
  HWND mark_window() { return preview->watermark_window().hwnd(); }
  HWND edit() { return GetDlgItem(mark_window(), kWatermarkTextEditId); }
  WatermarkImagePicker* picker() {
    return dynamic_cast<WatermarkImagePicker*>(
        mark().surface().find_widget(kWatermarkImagePickerId));
  }
  bool checked(int id) { return mark().surface().find_widget(id)->is_checked(); }
  std::wstring png_file() {
    const auto path = std::filesystem::temp_directory_path() / L"quorvel_watermark_test.png";
    const std::vector<uint8_t> bytes =
        encode_png(8, 4, std::vector<Bgra>(32, Bgra{20, 120, 220, 255}));
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path.wstring();
  }
  void type_text(const std::wstring& typed) {
    SetFocus(edit());
    SendMessageW(edit(), EM_SETSEL, 0x7FFF, 0x7FFF);
    for (wchar_t c : typed) SendMessageW(edit(), WM_CHAR, c, 1);
  }
};

TEST_F(WatermarkWindowTest, OpensOnlyOverOpenPreferencesWithAGetter) {
  open();
  preview->show_watermark_window();
  EXPECT_FALSE(preview->watermark_window().is_open()) << "no preferences window";
  preview->open_preferences();
  pump();
  preview->set_watermark_handlers(nullptr, nullptr, nullptr);
  preview->show_watermark_window();
  EXPECT_FALSE(preview->watermark_window().is_open()) << "no getter";
}

TEST_F(WatermarkWindowTest, ReopeningOnlyActivatesAndKeepsTheEdits) {
  open_watermark();
  EXPECT_EQ(GetWindow(mark_window(), GW_OWNER), preview->preferences_window().hwnd());
  type_text(L"!");
  shell.watermark.text = L"Changed meanwhile";
  preview->show_watermark_window();
  pump();
  EXPECT_TRUE(shell.take().empty()) << "the getter is not asked again";
  EXPECT_EQ(test::window_text(edit()), L"Mine!");
  EXPECT_EQ(preview->edited_watermark().text, L"Mine!");
  EXPECT_EQ(GetForegroundWindow(), mark_window());
}

TEST_F(WatermarkWindowTest, TheModeRadiosSwitchBetweenTextAndImage) {
  open_watermark();
  EXPECT_TRUE(checked(kWatermarkTextRadioId));
  EXPECT_FALSE(checked(kWatermarkImageRadioId));
  EXPECT_TRUE(IsWindowEnabled(edit()));
  EXPECT_FALSE(picker()->is_enabled());
  type_text(L" typed");

  click(mark(), kWatermarkImageRadioId);
  EXPECT_FALSE(checked(kWatermarkTextRadioId));
  EXPECT_TRUE(checked(kWatermarkImageRadioId));
  EXPECT_FALSE(IsWindowEnabled(edit()));
  auto* edit_view = test::find_one<win32_ui::modern::View>(*mark().surface().root_view(),
                                                           kWatermarkTextEditId);
  ASSERT_NE(edit_view, nullptr);
  EXPECT_FALSE(edit_view->is_enabled());
  EXPECT_TRUE(picker()->is_enabled());
  EXPECT_EQ(preview->edited_watermark().mode, RecordingWatermark::kModeImage);

  click(mark(), kWatermarkTextRadioId);
  EXPECT_TRUE(checked(kWatermarkTextRadioId));
  EXPECT_FALSE(checked(kWatermarkImageRadioId));
  EXPECT_TRUE(IsWindowEnabled(edit()));
  EXPECT_TRUE(edit_view->is_enabled());
  EXPECT_FALSE(picker()->is_enabled());
  EXPECT_EQ(test::window_text(edit()), L"Mine typed");
  EXPECT_EQ(preview->edited_watermark().mode, RecordingWatermark::kModeText);
}

TEST_F(WatermarkWindowTest, TheTextStopsAt320Characters) {
  shell.watermark.text.clear();
  open_watermark();
  type_text(std::wstring(321, L'w'));
  EXPECT_EQ(test::window_text(edit()).size(), 320u);
  EXPECT_EQ(preview->edited_watermark().text.size(), 320u);
}

TEST_F(WatermarkWindowTest, BrowsingShowsTheChosenImageAndACancelChangesNothing) {
  shell.watermark.mode = RecordingWatermark::kModeImage;
  open_watermark();
  ASSERT_NE(picker(), nullptr);
  shell.browse_path.clear();
  click(mark(), kWatermarkImagePickerId);
  EXPECT_EQ(shell.take(), Calls{"browse_image()"});
  EXPECT_FALSE(picker()->image().valid());
  EXPECT_TRUE(preview->edited_watermark().image_path.empty());

  shell.browse_path = png_file();
  click(mark(), kWatermarkImagePickerId);
  EXPECT_EQ(shell.take(), Calls{"browse_image()"});
  EXPECT_TRUE(picker()->image().valid());
  EXPECT_EQ(picker()->path(), shell.browse_path);
  EXPECT_EQ(preview->edited_watermark().image_path, shell.browse_path);
  std::filesystem::remove(shell.browse_path);
}

TEST_F(WatermarkWindowTest, TheHintTimerFlipsThePromptOnlyWithoutAnImageInImageMode) {
  open_watermark();
  const auto tick = [this] { SendMessageW(mark_window(), WM_TIMER, kWatermarkHintTimerId, 0); };
  tick();
  EXPECT_FALSE(picker()->shows_alternate()) << "the picker is disabled in text mode";
  click(mark(), kWatermarkImageRadioId);
  tick();
  EXPECT_TRUE(picker()->shows_alternate());
  tick();
  EXPECT_FALSE(picker()->shows_alternate());
  tick();
  shell.browse_path = png_file();
  click(mark(), kWatermarkImagePickerId);
  const bool before = picker()->shows_alternate();
  tick();
  EXPECT_EQ(picker()->shows_alternate(), before) << "an image is shown";
  std::filesystem::remove(shell.browse_path);
}

TEST_F(WatermarkWindowTest, AnAcceptedSaveHandsTheWholeRecordAndClosesTheWindow) {
  open_watermark();
  click(mark(), kWatermarkEnableToggleId);
  type_text(L" and more");
  click(mark(), kWatermarkImageRadioId);
  shell.browse_path = L"C:\\marks\\logo.png";
  click(mark(), kWatermarkImagePickerId);
  shell.take();
  shell.settings.watermark_enabled = true;
  click(mark(), kWatermarkSaveButtonId);
  EXPECT_EQ(shell.take(), Calls{"save_watermark()"});
  const RecordingWatermark& saved = shell.saved_watermark;
  EXPECT_TRUE(saved.enabled);
  EXPECT_EQ(saved.mode, RecordingWatermark::kModeImage);
  EXPECT_EQ(saved.text, L"Mine and more");
  EXPECT_EQ(saved.image_path, L"C:\\marks\\logo.png");
  EXPECT_EQ(saved.opacity, 0.75f);
  EXPECT_EQ(saved.seed, 12345u);
  EXPECT_FALSE(IsWindowVisible(mark_window()));
  const auto texts = test::texts_of(*prefs().surface().root_view());
  EXPECT_NE(std::find(texts.begin(), texts.end(), L"On for new recordings"), texts.end());
  pump();
  EXPECT_FALSE(preview->watermark_window().is_open());
}

TEST_F(WatermarkWindowTest, ARefusedSaveKeepsTheWindowAndTheEdits) {
  shell.save_watermark_answer = false;
  open_watermark();
  type_text(L"?");
  click(mark(), kWatermarkSaveButtonId);
  pump();
  EXPECT_EQ(shell.take(), Calls{"save_watermark()"});
  EXPECT_EQ(shell.saved_watermark.text, L"Mine?");
  EXPECT_TRUE(preview->watermark_window().is_open());
  EXPECT_TRUE(IsWindowVisible(mark_window()));
  EXPECT_EQ(test::window_text(edit()), L"Mine?");
}

TEST_F(WatermarkWindowTest, TheWatermarkWindowLooksRight) {
  open_watermark();
  save_png(mark_window(), "watermark_window");
}

}  // namespace
}  // namespace quorvel::windows
