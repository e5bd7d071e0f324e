#include "app/microphone_list.h"

#include <gtest/gtest.h>

#include "app/common/translate.h"

namespace quorvel::windows {
namespace {

std::wstring english(std::wstring_view key, std::vector<std::wstring> arguments) {
  return translate_for_locale(L"en-US", key, std::move(arguments));
}

const std::vector<AudioDeviceInfo> kDevices = {
    {L"{mic-a}", L"Headset", true, true},
    {L"{mic-b}", L"Desk microphone", false, false},
    {L"{mic-c}", L"Camera microphone", true, false},
    {L"{mic-d}", L"Line in", false, true},
};

TEST(MicrophoneList, DefaultSuffixComesBeforeTheReconnectSuffix) {
  const MicrophoneList list = build_microphone_list(kDevices, L"", english);
  EXPECT_EQ(list.texts, (std::vector<std::wstring>{
                            L"Default microphone (system)",
                            L"Headset (current default)",
                            L"Desk microphone (waiting to reconnect)",
                            L"Camera microphone (current default) (waiting to reconnect)",
                            L"Line in",
                        }));
  EXPECT_EQ(list.index, 0);
}

TEST(MicrophoneList, SelectsTheEntryOfTheSelectedEndpoint) {
  struct Case {
    std::wstring selected;
    int32_t index;
  };
  for (const Case& c : {Case{L"{mic-d}", 4}, Case{L"{mic-b}", 2}, Case{L"{gone}", 0},
                        Case{L"{mic-d", 0}, Case{L"", 0}}) {
    EXPECT_EQ(build_microphone_list(kDevices, c.selected, english).index, c.index)
        << std::string(c.selected.begin(), c.selected.end());
  }
}

TEST(MicrophoneList, NoDevicesLeavesTheDefaultEntryChosen) {
  const MicrophoneList list = build_microphone_list({}, L"{mic-a}", english);
  EXPECT_EQ(list.texts, std::vector<std::wstring>{L"Default microphone (system)"});
  EXPECT_EQ(list.index, 0);
}

}  // namespace
}  // namespace quorvel::windows
