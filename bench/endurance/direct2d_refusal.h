// Makes the system's Direct2D refuse every render target from now on, so
// that the toolkit paints every window with its GDI back end (as it does
// where Direct2D fails). Run with the cycles, it shows what the program
// itself keeps per cycle apart from what the platform's Direct2D keeps per
// draw (Wine's makes Direct3D buffers for each call).
#pragma once

namespace quorvel::bench {

// False when the factory's table of methods cannot be changed.
bool refuse_direct2d_render_targets();

}  // namespace quorvel::bench
