// The watermark window's content: on or off, text or image mark, the text
// and the image picker, and the save button. The two mode radios do not
// exclude each other by themselves: the tree checks one, unchecks the other
// and enables the matching field. UI thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/setup/watermark_image_picker.h"
#include "engine/recording_options.h"
#include "ui/views/view.h"

namespace quorvel::windows {

inline constexpr int kWatermarkEnableToggleId = 34;
inline constexpr int kWatermarkTextRadioId = 35;
inline constexpr int kWatermarkImageRadioId = 36;
inline constexpr int kWatermarkTextEditId = 37;
inline constexpr int kWatermarkSaveButtonId = 39;
inline constexpr int kWatermarkTextMaxLength = 320;

// Texts are looked up in `language`. `picker`, when not null, receives the
// image picker the tree holds.
std::unique_ptr<win32_ui::modern::View> build_watermark_tree(
    const RecordingWatermark& watermark, std::wstring_view language,
    std::function<void(bool)> enabled_changed, std::function<void(int)> mode_chosen,
    std::function<void(std::wstring_view)> text_changed, std::function<std::wstring()> browse,
    std::function<void()> save, WatermarkImagePicker** picker);

}  // namespace quorvel::windows
