// What the system's graphics libraries keep per call when nothing of the
// program's is kept: paints of one bitmap, one rounded rectangle or one
// text, with the same bitmap, brush and text format each time, in a DC
// render target bound to the paint's device context, as the toolkit
// paints; the program's snapshot shader compiled again and again, as each
// screenshot does; a Direct3D device made and released, as a recording
// does. Where the cycles' heaps grow, this names the share that the
// platform itself keeps for the work every cycle does (Wine's Direct2D
// makes Direct3D buffers for each call).
#pragma once

namespace quorvel::bench {

// Prints "<kind>_heap_bytes_per_<unit> value bytes" and
// "<kind>_private_bytes_per_<unit> value bytes" lines for COUNT paints of
// each kind and COUNT / 20 (at least 10) shader compiles and devices;
// false when something cannot be set up.
bool run_platform_costs(int count);

}  // namespace quorvel::bench
