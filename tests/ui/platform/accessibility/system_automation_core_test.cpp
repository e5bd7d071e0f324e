// End to end with the system's UI Automation core: a client thread asks the
// core for the node of a surface window and reads its properties; the core
// gets the surface's root provider through WM_GETOBJECT while the UI thread
// pumps. Wine has a client-side core but no UIA client object, so this uses
// the core's flat node functions, loaded at run time like the provider side.
#include "ui/platform/accessibility/automation_core.h"

#include <gtest/gtest.h>

#include <oleauto.h>

#include <string>
#include <thread>

#include "engine/com_apartment.h"
#include "engine/unique_handle.h"
#include "tests/ui/platform/accessibility/automation_test_surface.h"
#include "ui/platform/accessibility/automation_ids.h"

namespace win32_ui::modern {
namespace {

namespace ids = automation;
using quorvel::windows::ComApartment;
using quorvel::windows::UniqueEvent;

using NodeHandle = void*;
using NodeFromHandle = HRESULT(WINAPI*)(HWND, NodeHandle*);
using GetPropertyValue = HRESULT(WINAPI*)(NodeHandle, int, VARIANT*);
using NodeRelease = BOOL(WINAPI*)(NodeHandle);

struct ClientFunctions {
  NodeFromHandle node_from_handle = nullptr;
  GetPropertyValue get_property_value = nullptr;
  NodeRelease node_release = nullptr;

  bool complete() const { return node_from_handle && get_property_value && node_release; }
};

template <typename Function>
Function find_export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

ClientFunctions client_functions() {
  const HMODULE module = LoadLibraryW(L"uiautomationcore.dll");
  if (module == nullptr) return {};
  return {find_export<NodeFromHandle>(module, "UiaNodeFromHandle"),
          find_export<GetPropertyValue>(module, "UiaGetPropertyValue"),
          find_export<NodeRelease>(module, "UiaNodeRelease")};
}

struct ClientReadings {
  HRESULT node = E_PENDING;
  HRESULT name = E_PENDING;
  HRESULT type = E_PENDING;
  HRESULT class_name = E_PENDING;
  std::wstring name_text;
  int control_type = 0;
  std::wstring class_text;
};

std::wstring string_of(const VARIANT& value) {
  return value.vt == VT_BSTR && value.bstrVal != nullptr
             ? std::wstring(value.bstrVal, SysStringLen(value.bstrVal))
             : std::wstring(L"<vt " + std::to_wstring(value.vt) + L">");
}

void read_as_client(const ClientFunctions& client, HWND window, ClientReadings& out) {
  ComApartment apartment(COINIT_MULTITHREADED);
  NodeHandle node = nullptr;
  out.node = client.node_from_handle(window, &node);
  if (FAILED(out.node) || node == nullptr) return;
  VARIANT value;
  VariantInit(&value);
  out.name = client.get_property_value(node, ids::kNameProperty, &value);
  out.name_text = string_of(value);
  VariantClear(&value);
  out.type = client.get_property_value(node, ids::kControlTypeProperty, &value);
  out.control_type = value.vt == VT_I4 ? value.lVal : -1;
  VariantClear(&value);
  out.class_name = client.get_property_value(node, ids::kClassNameProperty, &value);
  out.class_text = string_of(value);
  VariantClear(&value);
  client.node_release(node);
}

TEST(SystemAutomationCoreTest, ClientReadsTheSurfaceThroughItsRootProvider) {
  const ClientFunctions client = client_functions();
  ASSERT_TRUE(client.complete()) << "uiautomationcore lacks the client node functions";
  ComApartment apartment(COINIT_APARTMENTTHREADED);
  {
    testing::AutomationTestSurface surface(320, 240, system_automation_core());
    SetWindowTextW(surface.hwnd(), L"Quorvel Recorder");
    surface.add(std::make_unique<testing::DescribedView>(
                    testing::element(ElementRole::kButton, ElementAction::kInvoke, L"Record")),
                10, 10, 100, 30);
    ASSERT_TRUE(surface.attach());

    ClientReadings readings;
    UniqueEvent done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread reader([&] {
      read_as_client(client, surface.hwnd(), readings);
      SetEvent(done.get());
    });
    const bool finished = testing::pump_until(done.get());
    reader.join();
    ASSERT_TRUE(finished);
    ASSERT_EQ(readings.node, S_OK);
    EXPECT_EQ(readings.name, S_OK);
    EXPECT_EQ(readings.name_text, L"Quorvel Recorder");
    EXPECT_EQ(readings.type, S_OK);
    EXPECT_EQ(readings.control_type, ids::kPaneControlType);
    EXPECT_EQ(readings.class_name, S_OK);
    EXPECT_EQ(readings.class_text, L"win32_ui.Surface");
  }
}

}  // namespace
}  // namespace win32_ui::modern
