#include "ui/platform/layout/grid_layout.h"

#include <algorithm>
#include <cmath>

namespace win32_ui::layout {
namespace {

float spacing_value(float spacing) { return std::isfinite(spacing) ? non_negative(spacing) : 0.0f; }

// Whether [first, first + span) lies inside a list of `count` tracks. Written
// as a subtraction so that a huge span cannot wrap around.
bool span_fits(std::uint64_t first, std::uint64_t span, std::size_t count) {
  return first < count && span >= 1 && span <= count - first;
}

float spanned_length(const std::vector<float>& sizes, std::uint64_t first, std::uint64_t span,
                     float gap) {
  float total = grid_total_spacing(static_cast<std::size_t>(span), gap);
  for (std::uint64_t i = first; i < first + span; ++i) total += sizes[static_cast<std::size_t>(i)];
  return total;
}

std::vector<float> starting_sizes(const std::vector<GridLength>& tracks) {
  std::vector<float> sizes(tracks.size(), 0.0f);
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    sizes[i] = tracks[i].kind == GridLength::kFixed ? GridLength::clamp(tracks[i].value, tracks[i])
                                                    : non_negative(tracks[i].min);
  }
  return sizes;
}

// The leading edge of each track, from `start` forwards or, reversed, from
// `end` backwards.
std::vector<float> track_starts(const std::vector<float>& sizes, float start, float end, float gap,
                                bool reversed) {
  std::vector<float> starts(sizes.size(), start);
  float position = reversed ? end : start;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    if (reversed) {
      starts[i] = position - sizes[i];
      position = starts[i] - gap;
    } else {
      starts[i] = position;
      position += sizes[i] + gap;
    }
  }
  return starts;
}

}  // namespace

GridLayout::GridLayout(std::vector<GridLength> columns, std::vector<GridLength> rows,
                       float column_spacing, float row_spacing)
    : columns_(normalize_tracks(columns)),
      rows_(normalize_tracks(rows)),
      column_spacing_(spacing_value(column_spacing)),
      row_spacing_(spacing_value(row_spacing)) {}

void GridLayout::set_rows(const std::vector<GridLength>& rows) { rows_ = normalize_tracks(rows); }

void GridLayout::add_cell(GridCell cell) {
  cell.column_span = std::max<std::uint64_t>(cell.column_span, 1);
  cell.row_span = std::max<std::uint64_t>(cell.row_span, 1);
  cells_.push_back(cell);
}

void GridLayout::remove_last_cell() {
  if (!cells_.empty()) cells_.pop_back();
}

Size GridLayout::measure(std::size_t child_count, const ChildAccessor& child_at,
                         const SizeConstraint& content, const LayoutContext& context) {
  columns_ = normalize_tracks(columns_);
  rows_ = normalize_tracks(rows_);
  column_sizes_ = starting_sizes(columns_);
  row_sizes_ = starting_sizes(rows_);

  const std::size_t count = std::min(child_count, cells_.size());

  for (std::size_t i = 0; i < count; ++i) {
    const GridCell& cell = cells_[i];
    const Size desired = child_at(i)->measure(make_unbounded_size(kUnbounded, kUnbounded), context);
    if (span_fits(cell.column, cell.column_span, columns_.size())) {
      grid_distribute_span(column_sizes_, columns_, static_cast<std::size_t>(cell.column),
                           static_cast<std::size_t>(cell.column_span), desired.width,
                           column_spacing_);
    }
  }
  const std::vector<float> columns =
      grid_track_sizes(columns_, column_sizes_, content.max_width, column_spacing_);

  for (std::size_t i = 0; i < count; ++i) {
    const GridCell& cell = cells_[i];
    const float width = span_fits(cell.column, cell.column_span, columns_.size())
                            ? spanned_length(columns, cell.column, cell.column_span, column_spacing_)
                            : 0.0f;
    const Size desired = child_at(i)->measure(make_unbounded_size(width, kUnbounded), context);
    if (span_fits(cell.row, cell.row_span, rows_.size())) {
      grid_distribute_span(row_sizes_, rows_, static_cast<std::size_t>(cell.row),
                           static_cast<std::size_t>(cell.row_span), desired.height, row_spacing_);
    }
  }
  const std::vector<float> rows = grid_track_sizes(rows_, row_sizes_, content.max_height, row_spacing_);

  Size result{grid_total_spacing(columns.size(), column_spacing_),
              grid_total_spacing(rows.size(), row_spacing_)};
  for (const float size : columns) result.width += size;
  for (const float size : rows) result.height += size;
  return result;
}

void GridLayout::arrange(std::size_t child_count, const ChildAccessor& child_at,
                         const LayoutRect& content, const LayoutContext& context) {
  const std::vector<float> columns =
      grid_track_sizes(columns_, column_sizes_, content.width, column_spacing_);
  const std::vector<float> rows = grid_track_sizes(rows_, row_sizes_, content.height, row_spacing_);
  const bool right_to_left = context.direction == kLayoutRightToLeft;

  // Left edge of each column, top edge of each row.
  const std::vector<float> column_x = track_starts(columns, content.x, content.x + content.width,
                                                   column_spacing_, right_to_left);
  const std::vector<float> row_y =
      track_starts(rows, content.y, content.y + content.height, row_spacing_, false);

  const std::size_t count = std::min(child_count, cells_.size());
  for (std::size_t i = 0; i < count; ++i) {
    const GridCell& cell = cells_[i];
    LayoutRect rect{content.x, content.y, 0.0f, 0.0f};
    if (span_fits(cell.column, cell.column_span, columns.size()) &&
        span_fits(cell.row, cell.row_span, rows.size())) {
      const std::size_t first_column = static_cast<std::size_t>(cell.column);
      const std::size_t last_column = static_cast<std::size_t>(cell.column + cell.column_span - 1);
      rect.x = right_to_left ? column_x[last_column] : column_x[first_column];
      rect.y = row_y[static_cast<std::size_t>(cell.row)];
      rect.width = spanned_length(columns, cell.column, cell.column_span, column_spacing_);
      rect.height = spanned_length(rows, cell.row, cell.row_span, row_spacing_);
    }
    child_at(i)->arrange(rect, context);
  }
}

}  // namespace win32_ui::layout
