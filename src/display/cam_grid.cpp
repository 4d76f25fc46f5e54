#include "display/cam_grid.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace zorvan::display {
namespace {

// Column or row of a coordinate: the nearest cell, halves to even, held inside 0..count-1. A coordinate
// that is not a number takes cell 0.
int nearest_cell(double coordinate, double origin, double step, int count) {
    const double index = std::nearbyint((coordinate - origin) / step);
    if (!(index > 0)) return 0;
    if (index >= count - 1) return std::max(count - 1, 0);
    return static_cast<int>(index);
}

int samples_between(double low, double high, double step) {
    if (!(step > 0) || !std::isfinite(step) || !(high >= low)) return 1;
    // A span that is a whole number of steps keeps its last sample despite rounding in the division.
    const double count = std::floor((high - low) / step * (1.0 + 1e-12)) + 1.0;
    if (!(count < static_cast<double>(std::numeric_limits<int>::max() / 2))) return 1;
    return static_cast<int>(count);
}

}  // namespace

void TCamGrid::SetupStock(double x_low, double x_high, double y_low, double y_high, double x_step_base,
                          double y_step_base) {
    XStep = Resolution * x_step_base;
    YStep = Resolution * y_step_base;
    XMin = x_low;
    YMin = y_low;
    sample_columns_ = samples_between(x_low, x_high, XStep);
    sample_rows_ = samples_between(y_low, y_high, YStep);
    columns_ = sample_columns_ + 5;
    rows_ = sample_rows_ + 5;
    CamCell fresh;
    fresh.height = static_cast<float>(Zero);
    Heights.assign(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns_), fresh);
    MarkAllChanged();
}

void TCamGrid::MarkAllChanged() {
    changed_.assign(static_cast<std::size_t>(rows_), CellSpan{0, columns_ - 1});
    changed_first_row_ = 0;
    changed_last_row_ = rows_ - 1;
}

void TCamGrid::ClearChanged() {
    for (int row = changed_first_row_; row <= changed_last_row_; ++row)
        changed_[static_cast<std::size_t>(row)] = CellSpan{};
    changed_first_row_ = 0;
    changed_last_row_ = -1;
}

void TCamGrid::MarkChanged(int row, int first_column, int last_column) {
    CellSpan& span = changed_[static_cast<std::size_t>(row)];
    if (span.empty()) {
        span = {first_column, last_column};
    } else {
        span.first = std::min(span.first, first_column);
        span.last = std::max(span.last, last_column);
    }
    if (!HasChanges()) {
        changed_first_row_ = changed_last_row_ = row;
    } else {
        changed_first_row_ = std::min(changed_first_row_, row);
        changed_last_row_ = std::max(changed_last_row_, row);
    }
}

CellRect TCamGrid::ChangedBounds() const {
    CellRect bounds;
    if (!HasChanges()) return bounds;
    bounds.first_row = changed_first_row_;
    bounds.last_row = changed_last_row_;
    bounds.first_column = columns_;
    for (int row = changed_first_row_; row <= changed_last_row_; ++row) {
        const CellSpan& span = changed_[static_cast<std::size_t>(row)];
        if (span.empty()) continue;
        bounds.first_column = std::min(bounds.first_column, span.first);
        bounds.last_column = std::max(bounds.last_column, span.last);
    }
    return bounds;
}

// The profile holds, for each cell offset from the cutter's centre, how far the cutter's surface stands
// above its tip there; offsets beyond the radius are not part of the cutter. Counts across are even, so
// the centre falls on a cell.
bool TCamGrid::SetCutter(int style, double angle_or_radius, double diameter) {
    if (!(diameter >= 0)) return false;
    const double D = diameter == 0 ? 0.25 : diameter;
    const double R = D / 2;
    const double a = angle_or_radius;
    if (style == config::StyleBull && R - a < -0.001) return false;
    double nx = std::nearbyint(D / XStep);
    double ny = std::nearbyint(D / YStep);
    if (!(nx >= 0 && nx <= MAX_CUTTER_CELLS && ny >= 0 && ny <= MAX_CUTTER_CELLS)) return false;
    if (std::fmod(nx, 2.0) != 0) nx += 1;
    if (std::fmod(ny, 2.0) != 0) ny += 1;
    const int columns = static_cast<int>(nx) + 1;
    const int rows = static_cast<int>(ny) + 1;
    const double vee_slope = std::tan((90.0 - a / 2) * std::numbers::pi / 180.0);

    Cutter.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns), OUTSIDE_CUTTER);
    runs_.clear();
    lifts_.clear();
    cutter_rows_ = rows;
    cutter_columns_ = columns;
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            const double dx = (j - columns / 2) * XStep;
            const double dy = (i - rows / 2) * YStep;
            const double r2 = dx * dx + dy * dy;
            if (r2 >= R * R) continue;
            const double r = std::sqrt(r2);
            double lift = 0;
            switch (style) {
                case config::StyleBall:
                    lift = R - std::sqrt(R * R - r2);
                    break;
                case config::StyleVee:
                    lift = vee_slope * r;
                    break;
                case config::StyleBull: {
                    const double q = r - (R - a);
                    lift = q <= 0 ? 0 : a - std::sqrt(a * a - q * q);
                    break;
                }
                default:
                    lift = 0;
                    break;
            }
            if (!(lift >= 0)) lift = 0;
            Cutter[static_cast<std::size_t>(i) * static_cast<std::size_t>(columns) +
                   static_cast<std::size_t>(j)] = lift;
            const bool continues_run =
                !runs_.empty() && runs_.back().row_offset == i - rows / 2 &&
                runs_.back().first_column_offset + runs_.back().length == j - columns / 2;
            if (!continues_run) runs_.push_back({i - rows / 2, j - columns / 2, 0, lifts_.size()});
            ++runs_.back().length;
            lifts_.push_back(static_cast<float>(lift));
        }
    }
    return true;
}

int TCamGrid::ColumnOf(double x) const {
    return nearest_cell(x, XMin, XStep, columns_);
}
int TCamGrid::RowOf(double y) const {
    return nearest_cell(y, YMin, YStep, rows_);
}

bool TCamGrid::Stamp(int column, int row, double z, bool mark_cut) {
    bool lowered = false;
    for (const ProfileRun& run : runs_) {
        const int w = row + run.row_offset;
        if (w < 0 || w >= rows_) continue;
        const int first = column + run.first_column_offset;
        const int begin = std::max(first, 0);
        const int end = std::min(first + run.length, columns_);
        if (begin >= end) continue;
        cells_stamped_ += static_cast<unsigned long long>(end - begin);
        CamCell* cells = &Heights[static_cast<std::size_t>(w) * static_cast<std::size_t>(columns_)];
        const float* lift = &lifts_[run.first_lift + static_cast<std::size_t>(begin - first)];
        int first_lowered = end, last_lowered = -1;
        for (int c = begin; c < end; ++c, ++lift) {
            const float bottom = static_cast<float>(z + *lift);
            CamCell& cell = cells[c];
            if (bottom < cell.height) {
                cell.height = bottom;
                if (mark_cut) cell.Cut = true;
                if (first_lowered == end) first_lowered = c;
                last_lowered = c;
            }
        }
        if (last_lowered >= 0) {
            lowered = true;
            MarkChanged(w, first_lowered, last_lowered);
        }
    }
    return lowered;
}

// Stamps at points no farther apart than the smaller cell edge, so that the carved groove has no gaps;
// the end point itself only when the steps land on it exactly, since the next move's start covers it.
bool TCamGrid::Segment(double x0, double y0, double z0, double x1, double y1, double z1, bool mark_cut) {
    const double g = std::min(XStep, YStep);
    if (g == 0 || Heights.empty()) return false;
    double delta = g / std::hypot(x1 - x0, y1 - y0);
    if (!(delta <= 1)) delta = 1;
    bool lowered = false;
    int last_column = -1, last_row = -1;
    double last_z = 0;
    for (long long k = 0;; ++k) {
        const double t = static_cast<double>(k) * delta;
        if (!(t <= 1)) break;
        const int column = ColumnOf(x0 + t * (x1 - x0));
        const int row = RowOf(y0 + t * (y1 - y0));
        const double z = z0 + t * (z1 - z0);
        // A stamp on the same cell no lower than the last one there cannot lower anything.
        if (column == last_column && row == last_row && z >= last_z) continue;
        if (Stamp(column, row, z, mark_cut)) lowered = true;
        last_column = column, last_row = row, last_z = z;
    }
    return lowered;
}

void TCamGrid::CutLine(double x0, double y0, double z0, double x1, double y1, double z1) {
    Segment(x0, y0, z0, x1, y1, z1, false);
}

bool TCamGrid::CutRapid(double x0, double y0, double z0, double x1, double y1, double z1) {
    return Segment(x0, y0, z0, x1, y1, z1, true);
}

void TCamGrid::CutTo(double x, double y, double z) {
    CutLine(LastX, LastY, LastZ, x, y, z);
    LastX = static_cast<float>(x);
    LastY = static_cast<float>(y);
    LastZ = static_cast<float>(z);
}

// Angle steps of about one cell along the rim; a cell is stamped once even when several steps fall in it,
// and the end angle always.
void TCamGrid::Arc(double z, double radius, double end_angle, double start_angle, double centre_y,
                   double centre_x) {
    if (Heights.empty()) return;
    const double lo = std::min(end_angle, start_angle);
    const double hi = std::max(end_angle, start_angle);
    const double sweep = hi - lo;
    const double pieces = std::nearbyint(sweep * radius / XStep);
    double step = pieces > 0 ? sweep / pieces : sweep;
    if (!(step >= 0.01)) step = 0.01;
    int last_column = -1, last_row = -1;
    for (long long k = 1;; ++k) {
        const double theta = lo + static_cast<double>(k) * step;
        if (!(theta < hi)) break;
        const int column = ColumnOf(centre_x + radius * std::cos(theta));
        const int row = RowOf(centre_y + radius * std::sin(theta));
        if (column == last_column && row == last_row) continue;
        Stamp(column, row, z, false);
        last_column = column, last_row = row;
    }
    Stamp(ColumnOf(centre_x + radius * std::cos(end_angle)), RowOf(centre_y + radius * std::sin(end_angle)),
          z, false);
}

void TCamGrid::CutArcCCW(double z, double radius, double end_angle, double start_angle, double centre_y,
                         double centre_x) {
    Arc(z, radius, end_angle, start_angle, centre_y, centre_x);
}

void TCamGrid::CutArcCW(double z, double radius, double end_angle, double start_angle, double centre_y,
                        double centre_x) {
    Arc(z, radius, end_angle, start_angle, centre_y, centre_x);
}

CamSample TCamGrid::Sample(double x, double y) const {
    CamSample sample;
    sample.height = Zero;
    bool cut = false;
    if (!Heights.empty()) {
        const CamCell& cell = Cell(RowOf(y), ColumnOf(x));
        sample.height = cell.height;
        cut = cell.Cut;
    }
    sample.colour = ColourOf(sample.height, cut);
    return sample;
}

CamColour TCamGrid::ColourOf(double height, bool cut) {
    if (cut) return {1, 1, 0, 1};
    const double t = (height + 1) / 2;
    return {t, 0, 1 - t, 1};
}

}  // namespace zorvan::display
