// The stock of the rendered view as a height field on a regular X-Y grid: every move lowers it under the
// shape of the current cutter, so the surface shows the part the program would make. Plain data and
// arithmetic; the 3D scene and the picture writer only read it through Sample.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "machine/stock_sink.h"

namespace zorvan::display {

struct CamCell {
    float height = 0.0f;  // program units
    bool Cut = false;     // a rapid move removed material here
};

// Red, green, blue, alpha; nominally 0 to 1, but the height blend is not clamped.
struct CamColour {
    double r = 0, g = 0, b = 0, a = 1;
};

struct CamSample {
    double height = 0;  // program units
    CamColour colour;
};

// Columns first to last of one row of cells, both included.
struct CellSpan {
    int first = 0;
    int last = -1;
    bool empty() const { return last < first; }
};

// Rows and columns of cells, first to last, all included.
struct CellRect {
    int first_row = 0, last_row = -1;
    int first_column = 0, last_column = -1;
    bool empty() const { return last_row < first_row || last_column < first_column; }
};

class TCamGrid {
  public:
    // Marks a profile offset outside the cutter.
    static constexpr double OUTSIDE_CUTTER = -2000000000.0;
    // A profile wider than this many cells is refused: no cutter of a desktop mill is that many cells
    // across on a grid sized from the screen, and the profile would not fit in memory.
    static constexpr int MAX_CUTTER_CELLS = 4096;

    // Samples from lowest to highest X with step Resolution x x_step_base, Y likewise; the grid gets five
    // more cells than samples each way, every cell at height Zero and not Cut. A step that is not a
    // positive number gives one sample.
    void SetupStock(double x_low, double x_high, double y_low, double y_high, double x_step_base,
                    double y_step_base);

    // Style 0 End, 1 Ball, 2 Vee (angle: included angle in degrees), 3 Bull (angle: corner radius);
    // any other style cuts as End. A diameter of 0 stands for 0.25. Returns false and keeps the previous
    // cutter for a Bull whose corner radius exceeds its radius by more than 0.001, for a diameter that is
    // negative or not a number, and for a profile wider than MAX_CUTTER_CELLS.
    bool SetCutter(int style, double angle_or_radius, double diameter);

    void CutLine(double x0, double y0, double z0, double x1, double y1, double z1);
    // As CutLine, and marks Cut on every cell it lowers; returns whether it lowered any.
    bool CutRapid(double x0, double y0, double z0, double x1, double y1, double z1);
    // CutLine from the end of the last CutTo, then remembers the point.
    void CutTo(double x, double y, double z);
    // Angles in radians; the arc runs between the two angles at the one height z.
    void CutArcCCW(double z, double radius, double end_angle, double start_angle, double centre_y,
                   double centre_x);
    void CutArcCW(double z, double radius, double end_angle, double start_angle, double centre_y,
                  double centre_x);

    // The height and colour the scene shows at (x, y): the nearest cell's height (a point off the grid
    // takes the nearest edge cell; an empty grid gives Zero), yellow where Cut, else blue at height -1
    // blending to red at +1.
    CamSample Sample(double x, double y) const;
    // The colour Sample gives a point of that height, Cut or not.
    static CamColour ColourOf(double height, bool cut);

    // The samples the scene shows: those of the last SetupStock (the five spare cells beyond the highest
    // sample each way are not shown), or the 201 of -10 to 10 in steps of 0.1 before it.
    int SampleColumns() const { return sample_columns_; }
    int SampleRows() const { return sample_rows_; }

    // The cells whose height or Cut changed since the last ClearChanged, kept as one span of columns per
    // row, so that the scene uploads only what the moves changed. Every stamp widens the spans of the rows
    // it lowered; SetupStock marks the whole grid.
    const CellSpan& ChangedColumns(int row) const { return changed_[static_cast<std::size_t>(row)]; }
    // The smallest rectangle that holds every changed cell; empty when nothing changed.
    CellRect ChangedBounds() const;
    bool HasChanges() const { return changed_first_row_ <= changed_last_row_; }
    // For a caller that wrote into Heights itself.
    void MarkAllChanged();
    void ClearChanged();

    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    const CamCell& Cell(int row, int column) const {
        return Heights[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
                       static_cast<std::size_t>(column)];
    }
    // The cutter's profile, (CutterRows) x (CutterColumns); empty before the first SetCutter.
    int CutterRows() const { return cutter_rows_; }
    int CutterColumns() const { return cutter_columns_; }
    double CutterAt(int row, int column) const {
        return Cutter[static_cast<std::size_t>(row) * static_cast<std::size_t>(cutter_columns_) +
                      static_cast<std::size_t>(column)];
    }
    // Cells whose height a stamp has compared since the grid was made; the benchmark's count.
    unsigned long long CellsStamped() const { return cells_stamped_; }

    // Row-major, rows along Y; program units.
    std::vector<CamCell> Heights;
    std::vector<double> Cutter;
    // Until the first SetupStock the scene samples -10 to 10 in steps of 0.1.
    double XMin = -10.0, YMin = -10.0;
    double XStep = 0.1, YStep = 0.1;
    double Zero = 0.0;
    // Screen pixels per cell edge; the configuration refuses values below 1.5.
    double Resolution = 1.5;
    float LastX = 0.0f, LastY = 0.0f, LastZ = 0.0f;

  private:
    // The cutter's cells as runs along a row, so a stamp walks contiguous stock cells.
    struct ProfileRun {
        int row_offset = 0;           // cells from the centre
        int first_column_offset = 0;  // cells from the centre
        int length = 0;
        std::size_t first_lift = 0;  // index into lifts_
    };
    int ColumnOf(double x) const;
    int RowOf(double y) const;
    // Lowers the cells under the cutter with its tip at height z over cell (column, row); with mark_cut
    // the lowered cells are marked Cut. Returns whether any cell was lowered.
    bool Stamp(int column, int row, double z, bool mark_cut);
    bool Segment(double x0, double y0, double z0, double x1, double y1, double z1, bool mark_cut);
    void Arc(double z, double radius, double end_angle, double start_angle, double centre_y, double centre_x);

    void MarkChanged(int row, int first_column, int last_column);

    int rows_ = 0, columns_ = 0;
    int sample_rows_ = 201, sample_columns_ = 201;
    std::vector<CellSpan> changed_;  // one per row
    int changed_first_row_ = 0, changed_last_row_ = -1;
    int cutter_rows_ = 0, cutter_columns_ = 0;
    std::vector<ProfileRun> runs_;  // the cells of Cutter that belong to the cutter
    std::vector<float> lifts_;      // program units above the tip, run after run
    unsigned long long cells_stamped_ = 0;
};

// The grid seen through the canonical functions' stock seam: a tool change shapes the cutter from the
// tool entry, and every preview move carves.
class CamGridStock final : public machine::StockSink {
  public:
    explicit CamGridStock(TCamGrid& grid) : grid_(grid) {}
    void SetCutter(const config::ToolEntry& tool) override {
        grid_.SetCutter(tool.Style, tool.AngRad, tool.Diameter);
    }
    void CutLine(double x0, double y0, double z0, double x1, double y1, double z1) override {
        grid_.CutLine(x0, y0, z0, x1, y1, z1);
    }
    bool CutRapid(double x0, double y0, double z0, double x1, double y1, double z1) override {
        return grid_.CutRapid(x0, y0, z0, x1, y1, z1);
    }
    void CutArcCCW(double z, double radius, double end_angle, double start_angle, double centre_y,
                   double centre_x) override {
        grid_.CutArcCCW(z, radius, end_angle, start_angle, centre_y, centre_x);
    }
    void CutArcCW(double z, double radius, double end_angle, double start_angle, double centre_y,
                  double centre_x) override {
        grid_.CutArcCW(z, radius, end_angle, start_angle, centre_y, centre_x);
    }
    void Refresh() override {
        if (on_refresh) on_refresh();
    }
    // What a refresh does: the scene rebuilds its surface; headless, nothing.
    std::function<void()> on_refresh;

  private:
    TCamGrid& grid_;
};

}  // namespace zorvan::display
