#include "ui/platform/theme/themed_menu_bar.h"

#include <algorithm>
#include <string>

namespace win32_ui {
namespace {

constexpr UINT kItemFields = MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_DATA | MIIM_FTYPE;

std::wstring item_text(HMENU menu, UINT position) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STRING;
  if (!GetMenuItemInfoW(menu, position, TRUE, &info) || info.cch == 0) return {};
  std::wstring text(info.cch + 1, L'\0');
  info.dwTypeData = text.data();
  info.cch = static_cast<UINT>(text.size());
  if (!GetMenuItemInfoW(menu, position, TRUE, &info)) return {};
  text.resize(info.cch);
  return text;
}

HFONT fallback_menu_font(UINT dpi) {
  return CreateFontW(-MulDiv(9, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                     FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI");
}

}  // namespace

ThemedMenuBar::ThemedMenuBar(HWND owner, HMENU menu_bar) : menu_bar_(menu_bar), owner_(owner) {
  if (menu_bar_ && IsMenu(menu_bar_)) record_menu(menu_bar_);
}

ThemedMenuBar::~ThemedMenuBar() {
  // Menus that outlive the bar must not keep a deleted brush.
  for (HMENU menu : menus_) {
    if (!IsMenu(menu)) continue;
    MENUINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = MIM_BACKGROUND;
    info.hbrBack = nullptr;
    SetMenuInfo(menu, &info);
  }
  if (background_) DeleteObject(background_);
  if (font_) DeleteObject(font_);
}

void ThemedMenuBar::record_menu(HMENU menu) {
  menus_.push_back(menu);
  const int count = GetMenuItemCount(menu);
  for (int position = 0; position < count; ++position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_SUBMENU;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) continue;
    auto record = std::make_unique<MenuItemData>();
    record->menu = menu;
    record->separator = (info.fType & MFT_SEPARATOR) != 0;
    record->menu_bar_item = menu == menu_bar_;
    record->has_submenu = info.hSubMenu != nullptr;
    record->radio = (info.fType & MFT_RADIOCHECK) != 0;
    if (!record->separator) record->text = item_text(menu, static_cast<UINT>(position));

    MENUITEMINFOW data{};
    data.cbSize = sizeof(data);
    data.fMask = MIIM_DATA;
    data.dwItemData = reinterpret_cast<ULONG_PTR>(record.get());
    if (!SetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &data)) continue;
    items_.push_back(std::move(record));
    if (info.hSubMenu &&
        std::find(menus_.begin(), menus_.end(), info.hSubMenu) == menus_.end()) {
      record_menu(info.hSubMenu);
    }
  }
}

const MenuItemData* ThemedMenuBar::record_of(ULONG_PTR item_data) const {
  // Item data of menus that are not ours may be anything: only our own
  // records are read.
  for (const auto& item : items_) {
    if (reinterpret_cast<ULONG_PTR>(item.get()) == item_data) return item.get();
  }
  return nullptr;
}

void ThemedMenuBar::set_theme(const Theme& theme) {
  theme_ = theme;
  HBRUSH brush = CreateSolidBrush(theme_.color(ThemeColor::window_background));
  if (brush) {
    for (HMENU menu : menus_) {
      MENUINFO info{};
      info.cbSize = sizeof(info);
      info.fMask = MIM_BACKGROUND;
      info.hbrBack = brush;
      SetMenuInfo(menu, &info);
    }
    if (background_) DeleteObject(background_);
    background_ = brush;
  }
  redraw_bar();
}

void ThemedMenuBar::make_owner_drawn() {
  for (const auto& record : items_) {
    HMENU menu = record->menu;
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
      MENUITEMINFOW info{};
      info.cbSize = sizeof(info);
      info.fMask = kItemFields;
      if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) ||
          info.dwItemData != reinterpret_cast<ULONG_PTR>(record.get())) {
        continue;
      }
      // RemoveMenu leaves the submenu alive; it is inserted again below.
      if (!RemoveMenu(menu, static_cast<UINT>(position), MF_BYPOSITION)) break;
      info.fMask = kItemFields;
      info.fType = MFT_OWNERDRAW | (record->separator ? MFT_SEPARATOR : 0) |
                   (info.fType & (MFT_RADIOCHECK | MFT_RIGHTJUSTIFY));
      std::wstring text = record->text;
      if (!record->separator) {
        info.fMask |= MIIM_STRING;
        info.dwTypeData = text.data();
        info.cch = static_cast<UINT>(text.size());
      }
      InsertMenuItemW(menu, static_cast<UINT>(position), TRUE, &info);
      break;
    }
  }
  redraw_bar();
}

bool ThemedMenuBar::measure_themed_menu_item(MEASUREITEMSTRUCT& measure, UINT dpi) {
  if (measure.CtlType != ODT_MENU || measure.itemData == 0) return false;
  const MenuItemData* record = record_of(measure.itemData);
  if (!record) return false;
  const SIZE size = menu_item_size(*record, menu_font(dpi), dpi);
  measure.itemWidth = static_cast<UINT>(std::max<LONG>(size.cx, 0));
  measure.itemHeight = static_cast<UINT>(std::max<LONG>(size.cy, 0));
  return true;
}

bool ThemedMenuBar::draw_themed_menu_item(const DRAWITEMSTRUCT& draw, UINT dpi,
                                          PaintBackend backend) {
  if (draw.CtlType != ODT_MENU || draw.itemData == 0 || !draw.hDC) return false;
  const MenuItemData* record = record_of(draw.itemData);
  if (!record) return false;
  const ThemedPicture picture = menu_item_picture(draw, *record, theme_, menu_font(dpi), dpi);
  paint_picture(draw.hDC, draw.rcItem, picture, backend);
  return true;
}

HFONT ThemedMenuBar::menu_font(UINT dpi) {
  if (font_ && font_dpi_ == dpi) return font_;
  if (font_) DeleteObject(font_);
  font_ = nullptr;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) {
    font_ = CreateFontIndirectW(&metrics.lfMenuFont);
  }
  if (!font_) font_ = fallback_menu_font(dpi);
  font_dpi_ = dpi;
  return font_;
}

void ThemedMenuBar::paint_menu_bar_line() {
  if (!owner_ || !IsWindow(owner_) || !menu_bar_ || GetMenu(owner_) != menu_bar_) return;
  MENUBARINFO bar{};
  bar.cbSize = sizeof(bar);
  RECT window{};
  if (!GetMenuBarInfo(owner_, OBJID_MENU, 0, &bar) || !GetWindowRect(owner_, &window)) return;
  const UINT dpi = GetDpiForWindow(owner_) ? GetDpiForWindow(owner_) : 96;
  const int band = 2 * std::max(MulDiv(1, static_cast<int>(dpi), 96), 1);
  const int bottom = bar.rcBar.bottom - window.top;
  const RECT line = {bar.rcBar.left - window.left, bottom - band / 2,
                     bar.rcBar.right - window.left, bottom - band / 2 + band};
  HDC dc = GetWindowDC(owner_);
  if (!dc) return;
  const COLORREF previous = SetDCBrushColor(dc, theme_.color(ThemeColor::window_background));
  FillRect(dc, &line, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SetDCBrushColor(dc, previous);
  ReleaseDC(owner_, dc);
}

void ThemedMenuBar::redraw_bar() {
  if (!owner_ || !IsWindow(owner_)) return;
  DrawMenuBar(owner_);
  paint_menu_bar_line();
}

}  // namespace win32_ui
