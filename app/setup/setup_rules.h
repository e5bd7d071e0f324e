// The value rules of the main window's controls: slider positions stored in
// fixed steps, and the output mode the two output switches lead to. Pure
// functions; any thread.
#pragma once

#include "app/common/recording_setup_state.h"

namespace quorvel::windows {

// `value` x `steps` rounded to the nearest step and clamped to 0..steps.
// Follow strength uses 100 steps, the gains 200.
int slider_step(float value, int steps);

// The mode after the record-to-file switch (`file_switch`) or the live
// switch was turned to `on` in mode `current`.
OutputMode switched_output_mode(OutputMode current, bool file_switch, bool on);

}  // namespace quorvel::windows
