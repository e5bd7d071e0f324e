// Factories of every view the setup window builders place: the product's
// own views and the toolkit's panels and widgets set up the way the setup
// windows show them. Each returns an owning pointer; UI thread.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/setup/link_button.h"
#include "app/setup/separator.h"
#include "app/setup/stream_secret_edit.h"
#include "ui/platform/hosting/win32_combo_box.h"
#include "ui/platform/layout/grid_tracks.h"
#include "ui/platform/layout/layout_types.h"
#include "ui/views/composite_view.h"
#include "ui/views/grid_panel.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/view.h"
#include "ui/views/widgets/button.h"
#include "ui/views/widgets/check_box.h"
#include "ui/views/widgets/icon.h"
#include "ui/views/widgets/text.h"

namespace quorvel::windows {

using GridTracks = std::vector<win32_ui::layout::GridLength>;

// Tracks of the given fixed sizes, in DIPs.
GridTracks fixed_tracks(std::initializer_list<float> sizes);

std::unique_ptr<win32_ui::modern::View> make_body_surface();
std::unique_ptr<win32_ui::modern::View> make_chrome_surface();
std::unique_ptr<Separator> make_separator(bool subtle_in_dark);

// The grid factories move the track lists into the panel.
std::unique_ptr<win32_ui::modern::GridPanel> make_grid_panel(GridTracks&& columns,
                                                             GridTracks&& rows);
std::unique_ptr<win32_ui::modern::GridPanel> make_grid_panel(GridTracks&& columns,
                                                             GridTracks&& rows,
                                                             float column_spacing);
std::unique_ptr<win32_ui::modern::GridPanel> make_grid_panel_named(GridTracks&& columns,
                                                                   GridTracks&& rows,
                                                                   float column_spacing,
                                                                   float row_spacing);
std::unique_ptr<win32_ui::modern::GridPanel> make_grid_panel(
    GridTracks&& columns, GridTracks&& rows, float column_spacing, float row_spacing,
    win32_ui::layout::Thickness padding);

std::unique_ptr<win32_ui::modern::OverlayPanel> make_overlay_panel();
std::unique_ptr<win32_ui::modern::Icon> make_icon(int icon_id);
std::unique_ptr<LinkButton> make_link_button(int control_id, std::wstring text);
std::unique_ptr<win32_ui::modern::Win32ComboBox> make_combo_box(int control_id);
std::unique_ptr<StreamSecretEdit> make_stream_secret_edit(int control_id,
                                                          std::wstring initial_text);

// A text of the given style, 0 x 32 DIP by default.
std::unique_ptr<win32_ui::modern::Text> make_text(std::wstring text, int text_style,
                                                  int control_id, bool enabled);
// A muted text: style 3 at opacity 0.9, any other style at 0.68.
std::unique_ptr<win32_ui::modern::Text> make_caption(std::wstring text, int text_style);
std::unique_ptr<win32_ui::modern::Button> make_button(int control_id, std::wstring text,
                                                      int variant, bool primary, bool enabled);
std::unique_ptr<win32_ui::modern::CheckBox> make_check_box(int control_id, std::wstring text,
                                                           bool checked, bool enabled,
                                                           std::function<void(bool)> on_change);
// A label above a slider: rows of 26, 8 and 32 DIP.
std::unique_ptr<win32_ui::modern::GridPanel> make_labelled_slider(
    int label_id, std::wstring label, int slider_id, float value, bool enabled,
    std::function<void(float)> on_change);
// The content laid over a card of its own size.
std::unique_ptr<win32_ui::modern::CompositeView> make_card_container(
    std::unique_ptr<win32_ui::modern::View> content, int control_id);

}  // namespace quorvel::windows
