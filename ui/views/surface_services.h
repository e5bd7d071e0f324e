// SurfaceServices names the platform reads and factories a Surface uses, so
// a test can hand it its own. Every member left empty means the real one:
// the plain UI Automation host, SystemParametersInfoW, the system's theme
// reads, the steady clock, GetPointerInfo and no owner-drawn painter.
// Copied into the surface at construction.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "ui/platform/accessibility/semantics_automation_host.h"
#include "ui/platform/theme/theme_system.h"
#include "ui/views/view_root.h"

namespace win32_ui::modern {

struct SurfaceServices {
  using AutomationHostFactory = std::function<std::unique_ptr<SemanticsAutomationHost>()>;
  // SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, enabled, 0).
  using ClientAreaAnimationRead = std::function<BOOL(BOOL* enabled)>;
  // GetPointerInfo(pointer_id, info), for the pointer messages.
  using PointerInfoRead = std::function<BOOL(UINT32 pointer_id, POINTER_INFO* info)>;
  // Paints an owner-drawn item of a hosted native control; true when it drew.
  using DrawItemPainter = std::function<bool(const DRAWITEMSTRUCT* item)>;

  // SemanticsAutomationHost::create when empty.
  AutomationHostFactory make_automation_host;
  ClientAreaAnimationRead read_client_area_animation;
  // The high-contrast read; windows_theme_system() when null. Must outlive
  // the surface.
  ThemeSystem* theme_system = nullptr;
  // The time animations start at and advance to at each paint.
  ViewRoot::TimeSource clock;
  PointerInfoRead read_pointer_info;
  // Nothing is drawn when empty.
  DrawItemPainter draw_item;
};

}  // namespace win32_ui::modern
