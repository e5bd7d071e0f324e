#include "tests/app/setup/view_dump.h"

#include <sstream>

#include "app/setup/app_logo.h"
#include "app/setup/body_surface.h"
#include "app/setup/chrome_surface.h"
#include "app/setup/link_button.h"
#include "app/setup/separator.h"
#include "tests/support/test_support.h"
#include "ui/platform/hosting/win32_combo_box.h"
#include "ui/platform/hosting/win32_edit.h"
#include "ui/views/composite_view.h"
#include "ui/views/grid_panel.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/widgets/button.h"
#include "ui/views/widgets/card.h"
#include "ui/views/widgets/check_box.h"
#include "ui/views/widgets/icon.h"
#include "ui/views/widgets/slider.h"
#include "ui/views/widgets/text.h"
#include "ui/views/widgets/toggle.h"

namespace quorvel::windows::test {
namespace {

using namespace win32_ui::modern;
using quorvel::test::utf8;

template <typename T>
bool is(const View& view) {
  return dynamic_cast<const T*>(&view) != nullptr;
}

std::string type_name(const View& view) {
  if (is<LinkButton>(view)) return "LinkButton";
  if (is<Button>(view)) return "Button";
  if (is<CheckBox>(view)) return "CheckBox";
  if (is<Toggle>(view)) return "Toggle";
  if (is<Slider>(view)) return "Slider";
  if (is<Text>(view)) return "Text";
  if (is<Icon>(view)) return "Icon";
  if (is<Card>(view)) return "Card";
  if (is<Win32ComboBox>(view)) return "ComboBox";
  if (is<Win32Edit>(view)) return "Edit";
  if (is<AppLogo>(view)) return "AppLogo";
  if (is<ChromeSurface>(view)) return "ChromeSurface";
  if (is<BodySurface>(view)) return "BodySurface";
  if (is<Separator>(view)) return "Separator";
  if (is<GridPanel>(view)) return "Grid";
  if (is<OverlayPanel>(view)) return "Overlay";
  if (is<CompositeView>(view)) return "Composite";
  return "View";
}

std::string tracks(const std::vector<win32_ui::layout::GridLength>& list) {
  std::ostringstream out;
  for (const auto& track : list) {
    out << (track.kind == win32_ui::layout::GridLength::kFixed ? "f" : "*") << track.value
        << ' ';
  }
  return out.str();
}

void dump_view(const View& view, const std::string& indent, const std::string& cell,
               std::vector<std::string>& lines) {
  std::ostringstream line;
  line << indent << type_name(view) << " id=" << control_id_of(view) << cell
       << " enabled=" << view.is_enabled() << " checked=" << view.is_checked()
       << " opacity=" << view.opacity();
  if (const auto* link = dynamic_cast<const LinkButton*>(&view)) {
    line << " link=\"" << utf8(link->link_text()) << '"';
  }
  if (const auto* widget = dynamic_cast<const Widget*>(&view)) {
    line << " text=\"" << utf8(widget->text()) << "\" style=" << widget->text_style();
  }
  if (const auto* combo = dynamic_cast<const Win32ComboBox*>(&view)) {
    line << " items=[";
    for (const auto& item : combo->items()) line << utf8(item) << '|';
    line << "] selected=" << combo->selected_index();
  }
  if (const auto* edit = dynamic_cast<const Win32Edit*>(&view)) {
    line << " text=\"" << utf8(edit->window_text()) << "\" read_only=" << edit->is_read_only()
         << " max=" << edit->max_length();
  }
  if (const auto* grid = dynamic_cast<const GridPanel*>(&view)) {
    const auto& padding = view.layout_params().padding;
    line << " columns=" << tracks(grid->columns()) << "rows=" << tracks(grid->rows())
         << "spacing=" << grid->column_spacing() << '/' << grid->row_spacing()
         << " padding=" << padding.left << ',' << padding.top << ',' << padding.right << ','
         << padding.bottom;
  }
  if (!view.tooltip().empty()) line << " tooltip=\"" << utf8(view.tooltip()) << '"';
  lines.push_back(line.str());

  const auto* group = dynamic_cast<const ViewGroup*>(&view);
  if (group == nullptr) return;
  const auto* grid = dynamic_cast<const GridPanel*>(&view);
  for (std::size_t i = 0; i < group->child_count(); ++i) {
    std::string child_cell;
    if (grid != nullptr && i < grid->cells().size()) {
      const auto& c = grid->cells()[i];
      child_cell = " cell=(" + std::to_string(c.column) + "," + std::to_string(c.row) + "," +
                   std::to_string(c.column_span) + "," + std::to_string(c.row_span) + ")";
    }
    dump_view(*group->child_at(i), indent + "  ", child_cell, lines);
  }
}

void collect(View& view, int control_id, std::vector<View*>& found) {
  if (control_id_of(view) == control_id) found.push_back(&view);
  if (auto* group = dynamic_cast<ViewGroup*>(&view)) {
    for (std::size_t i = 0; i < group->child_count(); ++i) {
      collect(*group->child_at(i), control_id, found);
    }
  }
}

void collect_texts(View& view, std::vector<std::wstring>& texts) {
  if (auto* text = dynamic_cast<Text*>(&view)) texts.emplace_back(text->text());
  if (auto* group = dynamic_cast<ViewGroup*>(&view)) {
    for (std::size_t i = 0; i < group->child_count(); ++i) {
      collect_texts(*group->child_at(i), texts);
    }
  }
}

}  // namespace

int control_id_of(const View& view) {
  if (const auto* widget = dynamic_cast<const Widget*>(&view)) return widget->control_id();
  if (const auto* host = dynamic_cast<const NativeHost*>(&view)) return host->control_id();
  return 0;
}

std::vector<std::string> dump_tree(const View& root) {
  std::vector<std::string> lines;
  dump_view(root, "", "", lines);
  return lines;
}

std::vector<View*> find_all(View& root, int control_id) {
  std::vector<View*> found;
  collect(root, control_id, found);
  return found;
}

std::vector<std::wstring> texts_of(View& root) {
  std::vector<std::wstring> texts;
  collect_texts(root, texts);
  return texts;
}

}  // namespace quorvel::windows::test
