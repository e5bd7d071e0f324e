#include "app/common/size_preset.h"

namespace quorvel::windows {

const std::array<SizePresetEntry, 5> size_preset_table = {{
    {L"main.preset_landscape_1080", 1920, 1080},
    {L"main.preset_portrait_1080", 1080, 1920},
    {L"main.preset_square_1080", 1080, 1080},
    {L"main.preset_landscape_1440", 2560, 1440},
    {L"main.preset_landscape_4k", 3840, 2160},
}};

}  // namespace quorvel::windows
