#include "ui/platform/layout/hwnd_element.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <string>

#include "ui/platform/theme/theme.h"

namespace win32_ui::layout {
namespace {

// Releases a window's device context, restoring the font it had.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_ == nullptr) return;
    if (old_font_ != nullptr) SelectObject(dc_, old_font_);
    ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const { return dc_; }
  void select_font(HFONT font) {
    if (font == nullptr) return;
    HGDIOBJ old = SelectObject(dc_, font);
    if (old_font_ == nullptr) old_font_ = old;
  }

 private:
  HWND window_;
  HDC dc_;
  HGDIOBJ old_font_ = nullptr;
};

LONG round_edge(float value) {
  if (!std::isfinite(value)) return 0;
  const double rounded = std::round(static_cast<double>(value));
  constexpr double kMin = static_cast<double>(std::numeric_limits<LONG>::min());
  constexpr double kMax = static_cast<double>(std::numeric_limits<LONG>::max());
  return static_cast<LONG>(std::clamp(rounded, kMin, kMax));
}

bool same_class(const wchar_t* a, const wchar_t* b) { return _wcsicmp(a, b) == 0; }

}  // namespace

HwndElement::HwndElement(HWND window, MeasureFunction measure)
    : window_(window), measure_(std::move(measure)) {}

void HwndElement::set_window_height(std::optional<float> height) {
  if (height) height = non_negative(*height);
  window_height_ = height;
}

Size HwndElement::measure_override(const SizeConstraint& content, const LayoutContext& context) {
  if (measure_) return measure_(window_, content, context);
  return measure_by_class(window_, content, context);
}

void HwndElement::arrange_override(const LayoutRect&, const LayoutContext&) {}

Size HwndElement::measure_by_class(HWND window, const SizeConstraint& constraint,
                                   const LayoutContext& context) {
  if (window == nullptr || !IsWindow(window)) return Size{};

  wchar_t class_name[65] = {};
  GetClassNameW(window, class_name, static_cast<int>(std::size(class_name)));
  const Size text = measure_window_text(window, constraint);

  const float padding = context.theme != nullptr
                            ? static_cast<float>(context.theme->metric(ThemeMetric::padding_x))
                            : 12.0f;
  const float height = context.theme != nullptr
                           ? static_cast<float>(context.theme->metric(ThemeMetric::control_height))
                           : 32.0f;

  if (same_class(class_name, L"Button")) return Size{2 * padding + text.width, height};
  if (same_class(class_name, L"Edit")) return Size{std::max(2 * padding + text.width, 80.0f), height};
  if (same_class(class_name, L"ComboBox")) {
    return Size{std::max(2 * padding + text.width + 24.0f, 80.0f), height};
  }
  if (same_class(class_name, L"msctls_trackbar32")) return Size{120.0f, height};
  if (same_class(class_name, L"Static")) return text;

  RECT rect{};
  if (!GetWindowRect(window, &rect)) return Size{};
  const float scale = 96.0f / static_cast<float>(std::max<std::uint32_t>(context.dpi, 1));
  return Size{static_cast<float>(rect.right - rect.left) * scale,
              static_cast<float>(rect.bottom - rect.top) * scale};
}

Size measure_window_text(HWND window, const SizeConstraint& constraint) {
  WindowDc dc(window);
  if (dc.get() == nullptr) return Size{};
  dc.select_font(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));

  std::wstring text(static_cast<std::size_t>(std::max(GetWindowTextLengthW(window), 0)) + 1, L'\0');
  const int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(length, 0)));

  const float dpi = static_cast<float>(std::max<UINT>(GetDpiForWindow(window), 1));
  UINT format = DT_CALCRECT | DT_NOPREFIX;
  RECT rect{0, 0, 0, 0};
  const float max_width = constraint.max_width;
  if (std::isfinite(max_width) && max_width > 0.0f) {
    format |= DT_WORDBREAK;
    rect.right = static_cast<LONG>(std::min(std::ceil(max_width * dpi / 96.0f), 1.0e9f));
  } else {
    format |= DT_SINGLELINE;
  }
  DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &rect, format);

  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  const float height_px = static_cast<float>(std::max<LONG>(rect.bottom - rect.top, metrics.tmHeight));
  const float width_px = static_cast<float>(std::max<LONG>(rect.right - rect.left, 0));
  return Size{width_px * 96.0f / dpi, height_px * 96.0f / dpi};
}

void collect_native_placements(const LayoutNode& node, std::vector<LayoutPlacement>& placements) {
  if (const auto* element = dynamic_cast<const HwndElement*>(&node)) {
    LayoutRect rect = element->surface_bounds();
    if (element->window_height()) rect.height = *element->window_height();
    placements.push_back(LayoutPlacement{element->hwnd(), rect, element->layout_params().visibility});
    return;
  }
  if (const auto* panel = dynamic_cast<const Panel*>(&node)) {
    for (std::size_t i = 0; i < panel->child_count(); ++i) {
      collect_native_placements(*panel->child_at(i), placements);
    }
  }
}

RECT dip_rect_to_pixels(const LayoutRect& rect, std::uint32_t dpi) {
  const float scale = static_cast<float>(std::max<std::uint32_t>(dpi, 1)) / 96.0f;
  return RECT{round_edge(rect.x * scale), round_edge(rect.y * scale),
              round_edge((rect.x + rect.width) * scale), round_edge((rect.y + rect.height) * scale)};
}

}  // namespace win32_ui::layout
