// The command side of Surface::Impl: shortcuts run commands before any view
// sees the key, invoked command-bearing widgets run theirs, and widgets
// whose command cannot run are input-disabled at every relayout.
#include "ui/views/surface_impl.h"
#include "ui/views/widgets/interactive.h"

namespace win32_ui::modern {
namespace {

// A command that exists consumes its shortcut even when it refuses to run.
bool ran_or_refused(int result) {
  return result == CommandTable::kRefused || result == CommandTable::kExecuted;
}

}  // namespace

void Surface::Impl::run_shortcut(KeyEvent& event) {
  shortcuts.dispatch(event, [this](unsigned command_id) {
    return command_table != nullptr && ran_or_refused(command_table->execute(command_id));
  });
}

// Every invoked event of a command-bearing widget runs the command, also
// when a handler stopped it: the handler and the command are both the
// widget's reaction.
void Surface::Impl::run_command_of_source(Event& event) {
  if (event.kind != Event::kInvoked || command_table == nullptr) return;
  const auto* interactive = dynamic_cast<const Interactive*>(event.source);
  if (interactive == nullptr || !interactive->command()) return;
  command_table->execute(static_cast<unsigned>(*interactive->command()));
}

void Surface::Impl::apply_command_state(Interactive& interactive) {
  const std::optional<int> command = interactive.command();
  const bool enabled = !command || (command_table != nullptr &&
                                    command_table->can_execute(static_cast<unsigned>(*command)));
  interactive.set_input_enabled(enabled);
}

void Surface::Impl::dispatch_event(Event& event, std::optional<unsigned> command_id) {
  view_root.dispatch_event(event, [this, command_id](Event& dispatched) {
    if (dispatched.kind == Event::kInvoked && command_id && command_table != nullptr) {
      command_table->execute(*command_id);
    }
  });
}

}  // namespace win32_ui::modern
