#include "ui/platform/accessibility/automation_roles.h"

#include <array>
#include <cstddef>

namespace win32_ui::modern {
namespace {

constexpr int kCustom = 50025;

constexpr std::array<AutomationRole, 21> kRoles = {{
    {L"win32_ui.View", kCustom},
    {L"win32_ui.Group", 50026},
    {L"win32_ui.Text", 50020},
    {L"win32_ui.Image", 50006},
    {L"win32_ui.Button", 50000},
    {L"win32_ui.Switch", 50000},
    {L"win32_ui.CheckBox", 50002},
    {L"win32_ui.RadioButton", 50013},
    {L"win32_ui.Slider", 50015},
    {L"win32_ui.Edit", 50004},
    {L"win32_ui.ComboBox", 50003},
    {L"win32_ui.Status", 50020},
    {L"win32_ui.LoadingIndicator", 50012},
    {L"win32_ui.Separator", 50038},
    {L"win32_ui.Table", kCustom},
    {L"win32_ui.TableRow", kCustom},
    {L"win32_ui.TableColumnHeader", 50035},
    {L"win32_ui.TableCell", kCustom},
    {L"win32_ui.Tree", 50023},
    {L"win32_ui.TreeItem", 50024},
    {L"win32_ui.NativeHost", kCustom},
}};

}  // namespace

AutomationRole automation_role(ElementRole role) {
  const auto index = static_cast<std::size_t>(static_cast<int>(role));
  return index < kRoles.size() ? kRoles[index] : kRoles[0];
}

}  // namespace win32_ui::modern
