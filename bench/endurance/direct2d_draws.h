// What the system's Direct2D keeps per draw call when nothing of the
// program's is kept: the same bitmap, brush and text format drawn COUNT
// times in a DC render target, as the toolkit paints. Where the cycles'
// heaps grow, this names the share that every paint costs the platform
// itself (Wine's Direct2D makes Direct3D buffers for each call).
#pragma once

namespace quorvel::bench {

// Prints "direct2d_<kind>_..._per_draw value unit" lines for each kind of
// draw; false when Direct2D cannot be set up.
bool run_direct2d_draws(int count);

}  // namespace quorvel::bench
