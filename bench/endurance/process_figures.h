// What a long-running Quorvel holds, read from inside its own process: the
// figures that must come back to where they were after every cycle of use,
// and the censuses that name the owner when one does not.
//
// Any thread; each call reads the process anew.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quorvel::bench {

struct ProcessFigures {
  uint64_t private_bytes = 0;
  uint32_t handles = 0;
  uint32_t gdi_objects = 0;
  uint32_t user_objects = 0;
  uint32_t threads = 0;
  // Bytes in use in the process's heaps (HeapWalk): what the program and
  // the system's libraries hold, without the heaps' free and spare pages.
  uint64_t heap_busy_bytes = 0;
};

ProcessFigures read_process_figures();

// Open handles of this process by object type name ("Event", "File", ...).
std::map<std::string, int> handle_census();

// GDI objects of this process by kind ("bitmap", "font", "dc", ...), read
// from the GDI handle table the system maps into the process, stock objects
// left out. Works where GetGuiResources answers 0 (Wine).
std::map<std::string, int> gdi_census();

// Blocks in use in the process's heaps by size in bytes: where the heaps
// grow, the sizes that gained blocks hint at what was kept.
std::map<std::string, int> heap_block_census();

// Top-level and child windows of this process by class name.
std::map<std::string, int> window_census();

// The slope of the least-squares line through (x[i], y[i]); 0 for fewer
// than two points.
double least_squares_slope(const std::vector<double>& x, const std::vector<double>& y);

// "name before -> after" lines for every key whose count differs.
std::string census_difference(const std::map<std::string, int>& before,
                              const std::map<std::string, int>& after);

}  // namespace quorvel::bench
