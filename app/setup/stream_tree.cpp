#include "app/setup/stream_tree.h"

#include <utility>

#include "app/setup/quality_row.h"
#include "app/setup/setup_texts.h"
#include "app/setup/view_factories.h"

namespace quorvel::windows {
namespace {

using win32_ui::layout::GridLength;

constexpr int kTitleStyle = 0;
constexpr int kLabelStyle = 2;

}  // namespace

std::unique_ptr<win32_ui::modern::View> build_stream_tree(const RecordingSetupState& state,
                                                          const PreviewHandlers& handlers,
                                                          const StreamSettings& settings,
                                                          std::function<void(bool)> reveal,
                                                          std::function<void()> help,
                                                          std::function<void()> save) {
  const auto text = [&handlers](std::wstring_view key) { return setup_text(handlers, key); };
  GridTracks rows;
  for (float height : {50.0f, 28.0f, 40.0f, 62.0f, 38.0f, 32.0f, 40.0f, 32.0f, 40.0f, 38.0f,
                       54.0f, 42.0f}) {
    rows.push_back(GridLength::fixed(height));
  }
  auto root = make_grid_panel({GridLength::star(1.0f)}, std::move(rows), 0.0f, 8.0f,
                              {20.0f, 20.0f, 20.0f, 20.0f});
  root->add_child(make_text(text(L"main.stream_output"), kTitleStyle, 0, true), {0, 0, 1, 1});
  root->add_child(make_text(text(L"main.quality"), kLabelStyle, 0, true), {0, 1, 1, 1});
  root->add_child(build_quality_row(state, handlers, true), {0, 2, 1, 1});
  root->add_child(make_text(text(L"stream.instructions"), kLabelStyle, 0, true), {0, 3, 1, 1});
  // Read on save only: ticking it changes nothing yet.
  root->add_child(make_check_box(kStreamCompleteUrlBoxId, text(L"stream.full_url"),
                                 settings.complete_url, true, nullptr),
                  {0, 4, 1, 1});
  root->add_child(make_text(text(L"stream.address"), kLabelStyle, 0, true), {0, 5, 1, 1});
  root->add_child(make_stream_secret_edit(kStreamAddressEditId, settings.server_url),
                  {0, 6, 1, 1});
  root->add_child(make_text(text(L"stream.key"), kLabelStyle, 0, true), {0, 7, 1, 1});
  root->add_child(make_stream_secret_edit(kStreamKeyEditId, settings.stream_key), {0, 8, 1, 1});
  root->add_child(make_check_box(kStreamRevealBoxId, text(L"stream.reveal"), false, true,
                                 std::move(reveal)),
                  {0, 9, 1, 1});
  root->add_child(make_text(text(L"stream.privacy"), kLabelStyle, 0, true), {0, 10, 1, 1});
  auto buttons = make_grid_panel({GridLength::star(1.0f), GridLength::star(1.0f)},
                                 {GridLength::star(1.0f)}, 12.0f);
  auto help_button = make_button(kStreamHelpButtonId, text(L"stream.help"), 0, false, true);
  if (help) help_button->on_invoked(std::move(help));
  buttons->add_child(std::move(help_button), {0, 0, 1, 1});
  auto save_button = make_button(kStreamSaveButtonId, text(L"stream.save"), 0, true, true);
  if (save) save_button->on_invoked(std::move(save));
  buttons->add_child(std::move(save_button), {1, 0, 1, 1});
  root->add_child(std::move(buttons), {0, 11, 1, 1});
  return root;
}

}  // namespace quorvel::windows
