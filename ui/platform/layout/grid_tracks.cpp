#include "ui/platform/layout/grid_tracks.h"

#include <algorithm>
#include <cmath>

namespace win32_ui::layout {
namespace {

constexpr float kEpsilon = 0.001f;

float track_min(const GridLength& track) { return non_negative(track.min); }
float track_max(const GridLength& track) {
  return std::max(track_min(track), non_negative(track.max));
}

// Indices of the tracks of one kind among [first, first + span).
std::vector<std::size_t> tracks_of_kind(const std::vector<GridLength>& tracks, std::size_t first,
                                        std::size_t span, std::int32_t kind) {
  std::vector<std::size_t> found;
  for (std::size_t i = first; i < first + span; ++i) {
    if (tracks[i].kind == kind) found.push_back(i);
  }
  return found;
}

}  // namespace

GridLength GridLength::fixed(float value, float min, float max) {
  return GridLength{kFixed, non_negative(value), non_negative(min), non_negative(max)};
}

GridLength GridLength::automatic(float min, float max) {
  return GridLength{kAuto, 1.0f, non_negative(min), non_negative(max)};
}

GridLength GridLength::star(float weight, float min, float max) {
  return GridLength{kStar, non_negative(weight), non_negative(min), non_negative(max)};
}

float GridLength::clamp(float size, const GridLength& track) {
  return std::clamp(non_negative(size), track_min(track), track_max(track));
}

std::vector<GridLength> normalize_tracks(const std::vector<GridLength>& tracks) {
  if (tracks.empty()) return {GridLength::star(1.0f, 0.0f, kUnbounded)};
  return tracks;
}

float grid_total_spacing(std::size_t count, float gap) {
  if (count < 2) return 0.0f;
  return static_cast<float>(count - 1) * non_negative(gap);
}

void grid_distribute_span(std::vector<float>& sizes, const std::vector<GridLength>& tracks,
                          std::size_t first, std::size_t span, float desired, float gap) {
  const std::size_t count = std::min(sizes.size(), tracks.size());
  if (first >= count || span < 1 || span > count - first) return;

  float covered = grid_total_spacing(span, gap);
  for (std::size_t i = first; i < first + span; ++i) covered += sizes[i];
  float need = non_negative(desired) - covered;
  if (!(need > 0.0f)) return;

  for (const std::int32_t kind : {GridLength::kAuto, GridLength::kStar}) {
    std::vector<std::size_t> growing;
    for (const std::size_t i : tracks_of_kind(tracks, first, span, kind)) {
      if (sizes[i] < track_max(tracks[i])) growing.push_back(i);
    }
    while (need > kEpsilon && !growing.empty()) {
      const float share = need / static_cast<float>(growing.size());
      float growth = 0.0f;
      for (const std::size_t i : growing) {
        const float grown = GridLength::clamp(sizes[i] + share, tracks[i]);
        growth += grown - sizes[i];
        sizes[i] = grown;
      }
      if (growth <= kEpsilon) break;
      std::erase_if(growing, [&](std::size_t i) { return sizes[i] >= track_max(tracks[i]) - kEpsilon; });
      need -= growth;
    }
    if (need <= kEpsilon) return;
  }
}

void grid_shrink_tracks(std::vector<float>& sizes, const std::vector<GridLength>& tracks,
                        std::int32_t kind, float& excess) {
  const std::size_t count = std::min(sizes.size(), tracks.size());
  std::vector<std::size_t> shrinking;
  for (std::size_t i = 0; i < count; ++i) {
    if (tracks[i].kind == kind && sizes[i] > track_min(tracks[i])) shrinking.push_back(i);
  }
  while (excess > kEpsilon && !shrinking.empty()) {
    const float share = excess / static_cast<float>(shrinking.size());
    float removed = 0.0f;
    for (const std::size_t i : shrinking) {
      const float take = std::min(sizes[i] - track_min(tracks[i]), share);
      sizes[i] -= take;
      removed += take;
    }
    excess -= removed;
    if (removed <= kEpsilon) break;
    std::erase_if(shrinking, [&](std::size_t i) { return sizes[i] <= track_min(tracks[i]) + kEpsilon; });
  }
}

std::vector<float> grid_track_sizes(const std::vector<GridLength>& tracks,
                                    const std::vector<float>& measured, float available,
                                    float gap) {
  const bool bounded = std::isfinite(available);
  std::vector<float> sizes(tracks.size(), 0.0f);
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const GridLength& track = tracks[i];
    const float measured_size = i < measured.size() ? measured[i] : 0.0f;
    float size = measured_size;
    if (track.kind == GridLength::kFixed) {
      size = track.value;
    } else if (track.kind == GridLength::kStar && bounded) {
      size = track.min;
    }
    sizes[i] = GridLength::clamp(size, track);
  }
  if (!bounded) return sizes;

  const float space = non_negative(available - grid_total_spacing(tracks.size(), gap));
  float sum = 0.0f;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    // An unbounded track (a fixed length of +infinity) can take at most the
    // whole space; infinite arithmetic would leave NaN sizes behind.
    if (std::isinf(sizes[i])) sizes[i] = std::max(space, track_min(tracks[i]));
    sum += sizes[i];
  }

  if (space < sum) {
    float excess = sum - space;
    for (const std::int32_t kind : {GridLength::kStar, GridLength::kAuto, GridLength::kFixed}) {
      grid_shrink_tracks(sizes, tracks, kind, excess);
      if (excess <= kEpsilon) break;
    }
    return sizes;
  }

  float remaining = space - sum;
  std::vector<std::size_t> growing;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    if (tracks[i].kind == GridLength::kStar && sizes[i] < track_max(tracks[i])) growing.push_back(i);
  }
  while (remaining > kEpsilon && !growing.empty()) {
    float total_weight = 0.0f;
    for (const std::size_t i : growing) total_weight += non_negative(tracks[i].value);
    float added = 0.0f;
    for (const std::size_t i : growing) {
      const float share = total_weight > 0.0f
                              ? non_negative(tracks[i].value) * remaining / total_weight
                              : remaining / static_cast<float>(growing.size());
      const float grown = GridLength::clamp(sizes[i] + share, tracks[i]);
      added += grown - sizes[i];
      sizes[i] = grown;
    }
    if (added <= kEpsilon) break;
    std::erase_if(growing, [&](std::size_t i) { return sizes[i] >= track_max(tracks[i]) - kEpsilon; });
    remaining -= added;
  }
  return sizes;
}

}  // namespace win32_ui::layout
