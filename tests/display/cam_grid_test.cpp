#include "display/cam_grid.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "display/stock_picture.h"
#include "machine/canon.h"
#include "machine/operator_panel.h"
#include "machine/tool_path_sink.h"
#include "support/temp_dir.h"

namespace zorvan::display {
namespace {

constexpr double PI = std::numbers::pi;

// A grid of 0.1 cells from 0 to 2 in X and Y (21 samples, 26 cells each way).
TCamGrid fine_grid() {
    TCamGrid grid;
    grid.Resolution = 1.0;
    grid.SetupStock(0, 2, 0, 2, 0.1, 0.1);
    return grid;
}

// An End cutter one cell across: it lowers exactly the cell under its centre, so paths can be read
// cell by cell.
TCamGrid point_cutter_grid() {
    TCamGrid grid = fine_grid();
    EXPECT_TRUE(grid.SetCutter(config::StyleEnd, 0, 0.1));
    return grid;
}

int lowered_cells(const TCamGrid& grid) {
    int count = 0;
    for (const CamCell& cell : grid.Heights)
        count += cell.height < grid.Zero ? 1 : 0;
    return count;
}

int cut_cells(const TCamGrid& grid) {
    int count = 0;
    for (const CamCell& cell : grid.Heights)
        count += cell.Cut ? 1 : 0;
    return count;
}

double height_at(const TCamGrid& grid, double x, double y) {
    return grid.Sample(x, y).height;
}

TEST(CamGridSetupStock, SizesTheGridFromTheExtentsAndTheSteps) {
    struct Case {
        double x_low, x_high, y_low, y_high, x_base, y_base, resolution;
        int columns, rows;
        double x_step, y_step;
    };
    const Case cases[] = {
        {0, 2, 0, 2, 0.1, 0.1, 1.0, 26, 26, 0.1, 0.1},       // 21 samples each way, 5 more cells
        {-1, 1, 0, 0.5, 0.05, 0.05, 2.0, 26, 11, 0.1, 0.1},  // the step is Resolution times the base
        {0, 1, 0, 1, 0.3, 0.5, 1.0, 9, 8, 0.3, 0.5},         // 4 and 3 samples: the last step falls short
        {0, 0, 0, 0, 0.1, 0.1, 1.5, 6, 6, 0.15, 0.15},       // a single point still gets a grid
    };
    for (const Case& c : cases) {
        TCamGrid grid;
        grid.Resolution = c.resolution;
        grid.Zero = 0.5;
        grid.SetupStock(c.x_low, c.x_high, c.y_low, c.y_high, c.x_base, c.y_base);
        SCOPED_TRACE(c.x_high);
        EXPECT_EQ(grid.Columns(), c.columns);
        EXPECT_EQ(grid.Rows(), c.rows);
        EXPECT_DOUBLE_EQ(grid.XStep, c.x_step);
        EXPECT_DOUBLE_EQ(grid.YStep, c.y_step);
        EXPECT_DOUBLE_EQ(grid.XMin, c.x_low);
        EXPECT_DOUBLE_EQ(grid.YMin, c.y_low);
        ASSERT_EQ(grid.Heights.size(), static_cast<std::size_t>(c.columns * c.rows));
        for (const CamCell& cell : grid.Heights) {
            EXPECT_FLOAT_EQ(cell.height, 0.5f);
            EXPECT_FALSE(cell.Cut);
        }
    }
}

TEST(CamGridSetupStock, DiscardsTheCarvedSurface) {
    TCamGrid grid = point_cutter_grid();
    EXPECT_TRUE(grid.CutRapid(0, 0, -1, 1, 1, -1));
    grid.SetupStock(0, 2, 0, 2, 0.1, 0.1);
    EXPECT_EQ(lowered_cells(grid), 0);
    EXPECT_EQ(cut_cells(grid), 0);
}

TEST(CamGridSetCutter, BallOfHalfAUnitOnTenthCellsIsSevenBySeven) {
    TCamGrid grid = fine_grid();
    ASSERT_TRUE(grid.SetCutter(config::StyleBall, 0, 0.5));
    ASSERT_EQ(grid.CutterRows(), 7);
    ASSERT_EQ(grid.CutterColumns(), 7);
    EXPECT_DOUBLE_EQ(grid.CutterAt(3, 3), 0.0);
    // Rising toward the rim along the middle row, symmetric about the centre.
    EXPECT_LT(grid.CutterAt(3, 3), grid.CutterAt(3, 4));
    EXPECT_LT(grid.CutterAt(3, 4), grid.CutterAt(3, 5));
    EXPECT_DOUBLE_EQ(grid.CutterAt(3, 2), grid.CutterAt(3, 4));
    EXPECT_DOUBLE_EQ(grid.CutterAt(2, 3), grid.CutterAt(4, 3));
    // R - sqrt(R^2 - r^2) with R = 0.25, r = 0.2.
    EXPECT_NEAR(grid.CutterAt(3, 5), 0.25 - std::sqrt(0.25 * 0.25 - 0.04), 1e-12);
    // Three cells out lie exactly on the rim, which is outside; so do the corners.
    for (int corner_row : {0, 6})
        for (int corner_column : {0, 6})
            EXPECT_EQ(grid.CutterAt(corner_row, corner_column), TCamGrid::OUTSIDE_CUTTER);
    EXPECT_EQ(grid.CutterAt(3, 0), TCamGrid::OUTSIDE_CUTTER);
    EXPECT_EQ(grid.CutterAt(3, 6), TCamGrid::OUTSIDE_CUTTER);
}

TEST(CamGridSetCutter, ProfilesOfTheFourStyles) {
    // Diameter 0.5 on 0.1 cells; the value two cells right of the centre (r = 0.2) and one cell diagonal
    // (r = 0.1 * sqrt 2).
    struct Case {
        int style;
        double angle_or_radius;
        double at_two_cells, at_diagonal;
    };
    const double diagonal = 0.1 * std::sqrt(2.0);
    const Case cases[] = {
        {config::StyleEnd, 0, 0, 0},
        {config::StyleBall, 0, 0.25 - std::sqrt(0.0625 - 0.04), 0.25 - std::sqrt(0.0625 - 0.02)},
        {config::StyleVee, 90, 0.2, diagonal},                                    // tan 45 degrees = 1
        {config::StyleVee, 60, 0.2 * std::sqrt(3.0), diagonal * std::sqrt(3.0)},  // tan 60 degrees
        // Corner radius 0.1: flat out to r = 0.15, then a quarter circle.
        {config::StyleBull, 0.1, 0.1 - std::sqrt(0.01 - 0.0025), 0},
        {7, 0.3, 0, 0},  // an unknown style cuts as End
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        TCamGrid grid = fine_grid();
        ASSERT_TRUE(grid.SetCutter(c.style, c.angle_or_radius, 0.5));
        EXPECT_NEAR(grid.CutterAt(3, 5), c.at_two_cells, 1e-9);
        EXPECT_NEAR(grid.CutterAt(4, 4), c.at_diagonal, 1e-9);
        EXPECT_DOUBLE_EQ(grid.CutterAt(3, 3), 0.0);
        EXPECT_EQ(grid.CutterAt(0, 0), TCamGrid::OUTSIDE_CUTTER);
    }
}

TEST(CamGridSetCutter, BullWithCornerRadiusBeyondItsRadiusKeepsThePreviousCutter) {
    TCamGrid grid = fine_grid();
    ASSERT_TRUE(grid.SetCutter(config::StyleBall, 0, 0.5));
    const std::vector<double> ball = grid.Cutter;
    // Radius 0.25; a corner radius 0.2515 exceeds it by more than 0.001.
    EXPECT_FALSE(grid.SetCutter(config::StyleBull, 0.2515, 0.5));
    EXPECT_EQ(grid.Cutter, ball);
    EXPECT_EQ(grid.CutterRows(), 7);
    // Within the tolerance the Bull is taken.
    EXPECT_TRUE(grid.SetCutter(config::StyleBull, 0.2505, 0.5));
    EXPECT_NE(grid.Cutter, ball);
}

TEST(CamGridSetCutter, ZeroDiameterStandsForAQuarter) {
    TCamGrid grid;
    grid.Resolution = 1.0;
    grid.SetupStock(0, 1, 0, 1, 0.05, 0.05);
    ASSERT_TRUE(grid.SetCutter(config::StyleBall, 0, 0.25));
    const std::vector<double> quarter = grid.Cutter;
    ASSERT_TRUE(grid.SetCutter(config::StyleEnd, 0, 0.5));
    ASSERT_TRUE(grid.SetCutter(config::StyleBall, 0, 0));
    EXPECT_EQ(grid.CutterRows(), 7);  // 0.25 / 0.05 = 5, made even: 6, plus 1
    EXPECT_EQ(grid.Cutter, quarter);
}

TEST(CamGridSetCutter, CountsAcrossAreMadeEvenPerAxis) {
    TCamGrid grid;
    grid.Resolution = 1.0;
    grid.SetupStock(0, 1, 0, 1, 0.1, 0.05);
    ASSERT_TRUE(grid.SetCutter(config::StyleEnd, 0, 0.3));
    EXPECT_EQ(grid.CutterColumns(), 5);  // 3 made 4
    EXPECT_EQ(grid.CutterRows(), 7);     // 6
}

TEST(CamGridSetCutter, RefusesDiametersThatCannotBeACutter) {
    TCamGrid grid = fine_grid();
    ASSERT_TRUE(grid.SetCutter(config::StyleEnd, 0, 0.5));
    EXPECT_FALSE(grid.SetCutter(config::StyleEnd, 0, -1));
    EXPECT_FALSE(grid.SetCutter(config::StyleEnd, 0, std::nan("")));
    EXPECT_FALSE(grid.SetCutter(config::StyleEnd, 0, 1e9));
    EXPECT_EQ(grid.CutterRows(), 7);
}

TEST(CamGridCut, NothingIsCarvedBeforeTheFirstCutter) {
    TCamGrid grid = fine_grid();
    grid.CutLine(0, 0, -1, 2, 2, -1);
    EXPECT_FALSE(grid.CutRapid(0, 2, -1, 2, 0, -1));
    grid.CutArcCCW(-1, 0.5, PI, 0, 1, 1);
    EXPECT_EQ(lowered_cells(grid), 0);
}

TEST(CamGridCutLine, StampsEveryCellStepOnTheWayButNotAnEndBetweenSteps) {
    TCamGrid grid = point_cutter_grid();
    // 0.35 long: steps at t = 0, 2/7, 4/7, 6/7 land on x = 0, 0.1, 0.2, 0.3; x = 0.35 is never reached.
    grid.CutLine(0, 0.5, 0, 0.35, 0.5, -0.7);
    EXPECT_FLOAT_EQ(height_at(grid, 0.0, 0.5), 0.0f);
    EXPECT_NEAR(height_at(grid, 0.1, 0.5), -0.2, 1e-6);
    EXPECT_NEAR(height_at(grid, 0.2, 0.5), -0.4, 1e-6);
    EXPECT_NEAR(height_at(grid, 0.3, 0.5), -0.6, 1e-6);
    EXPECT_FLOAT_EQ(height_at(grid, 0.4, 0.5), 0.0f);
    EXPECT_EQ(lowered_cells(grid), 3);
}

TEST(CamGridCutLine, StampsTheEndWhenTheStepsReachIt) {
    TCamGrid grid = point_cutter_grid();
    grid.CutLine(0.5, 0.5, -1, 0.5, 0.9, -1);
    for (double y : {0.5, 0.6, 0.7, 0.8, 0.9})
        EXPECT_FLOAT_EQ(height_at(grid, 0.5, y), -1.0f) << y;
    EXPECT_EQ(lowered_cells(grid), 5);
}

TEST(CamGridCutLine, PurePlungeStampsAtTheStartAndTheEndHeightOnly) {
    TCamGrid grid = fine_grid();
    ASSERT_TRUE(grid.SetCutter(config::StyleBall, 0, 0.5));
    const unsigned long long before = grid.CellsStamped();
    grid.CutLine(1, 1, -0.5, 1, 1, -2);
    // 21 cells of the 7x7 Ball belong to the cutter (offsets within 2.5 cells); two stamps of them.
    EXPECT_EQ(grid.CellsStamped() - before, 2u * 21u);
    EXPECT_FLOAT_EQ(height_at(grid, 1, 1), -2.0f);
    EXPECT_NEAR(height_at(grid, 1.2, 1), -2.0 + grid.CutterAt(3, 5), 1e-6);
    EXPECT_EQ(lowered_cells(grid), 21);
}

TEST(CamGridCutLine, BallCarvesARoundedGroove) {
    TCamGrid grid = fine_grid();
    ASSERT_TRUE(grid.SetCutter(config::StyleBall, 0, 0.5));
    grid.CutLine(0.5, 1, -1, 1.5, 1, -1);
    // Across the groove the floor rises like the cutter's profile; along it, it stays level.
    for (double x : {0.6, 1.0, 1.4}) {
        EXPECT_FLOAT_EQ(height_at(grid, x, 1.0), -1.0f) << x;
        EXPECT_NEAR(height_at(grid, x, 1.1), -1.0 + grid.CutterAt(4, 3), 1e-6) << x;
        EXPECT_NEAR(height_at(grid, x, 1.2), -1.0 + grid.CutterAt(5, 3), 1e-6) << x;
        EXPECT_FLOAT_EQ(height_at(grid, x, 1.3), 0.0f) << x;
    }
}

TEST(CamGridCutLine, APointOffTheGridStampsTheNearestEdgeCell) {
    TCamGrid grid = point_cutter_grid();
    grid.CutLine(-5, 0.5, -1, -5, 1.0, -1);
    EXPECT_FLOAT_EQ(grid.Cell(5, 0).height, -1.0f);
    EXPECT_FLOAT_EQ(grid.Cell(10, 0).height, -1.0f);
    EXPECT_FLOAT_EQ(grid.Cell(10, 1).height, 0.0f);
    grid.CutLine(50, 50, -2, 50, 50, -2);
    EXPECT_FLOAT_EQ(grid.Cell(grid.Rows() - 1, grid.Columns() - 1).height, -2.0f);
}

TEST(CamGridCutLine, NeverRaisesTheSurface) {
    TCamGrid grid = point_cutter_grid();
    grid.CutLine(0, 1, -2, 2, 1, -2);
    grid.CutLine(0, 1, -1, 2, 1, -1);
    EXPECT_FLOAT_EQ(height_at(grid, 1, 1), -2.0f);
}

TEST(CamGridCutRapid, ThroughTheStockMarksWhatItLowers) {
    TCamGrid grid = fine_grid();
    ASSERT_TRUE(grid.SetCutter(config::StyleEnd, 0, 0.3));
    EXPECT_TRUE(grid.CutRapid(0.5, 1, -1, 1.5, 1, -1));
    EXPECT_EQ(cut_cells(grid), lowered_cells(grid));
    EXPECT_GT(cut_cells(grid), 0);
    const CamColour yellow = grid.Sample(1, 1).colour;
    EXPECT_DOUBLE_EQ(yellow.r, 1);
    EXPECT_DOUBLE_EQ(yellow.g, 1);
    EXPECT_DOUBLE_EQ(yellow.b, 0);
}

TEST(CamGridCutRapid, AboveTheStockLowersNothing) {
    TCamGrid grid = fine_grid();
    ASSERT_TRUE(grid.SetCutter(config::StyleBall, 0, 0.5));
    EXPECT_FALSE(grid.CutRapid(0, 0, 5, 2, 2, 5));
    EXPECT_FALSE(grid.CutRapid(1, 1, 5, 1, 1, 0));  // down to the surface, no deeper
    EXPECT_EQ(lowered_cells(grid), 0);
    EXPECT_EQ(cut_cells(grid), 0);
}

TEST(CamGridCutRapid, MarksOnlyTheCellsItLowersItself) {
    TCamGrid grid = point_cutter_grid();
    grid.CutLine(0.5, 1, -2, 1.0, 1, -2);  // feed groove, deeper than the rapid
    EXPECT_TRUE(grid.CutRapid(0.5, 1, -1, 1.5, 1, -1));
    EXPECT_FALSE(grid.Cell(10, 7).Cut);  // x = 0.7: fed deeper before
    EXPECT_TRUE(grid.Cell(10, 12).Cut);  // x = 1.2: only the rapid cut here
    EXPECT_FLOAT_EQ(grid.Cell(10, 7).height, -2.0f);
    // Along the floor the rapid left, a second one removes nothing.
    EXPECT_FALSE(grid.CutRapid(0.5, 1, -1, 1.5, 1, -1));
}

TEST(CamGridCutTo, CutsFromTheLastPointAndRemembersTheNewOne) {
    TCamGrid grid = point_cutter_grid();
    grid.LastX = 0.5f, grid.LastY = 0.5f, grid.LastZ = -1.0f;
    grid.CutTo(0.5, 1.0, -1);
    EXPECT_FLOAT_EQ(grid.LastX, 0.5f);
    EXPECT_FLOAT_EQ(grid.LastY, 1.0f);
    EXPECT_FLOAT_EQ(grid.LastZ, -1.0f);
    grid.CutTo(1.0, 1.0, -2);
    EXPECT_FLOAT_EQ(grid.LastX, 1.0f);
    EXPECT_FLOAT_EQ(grid.LastZ, -2.0f);
    // Up X = 0.5 from Y = 0.5 to 1, then along Y = 1 to X = 1 sinking to -2: six cells and five more.
    EXPECT_FLOAT_EQ(height_at(grid, 0.5, 0.7), -1.0f);
    EXPECT_FLOAT_EQ(height_at(grid, 0.5, 1.0), -1.0f);
    EXPECT_NEAR(height_at(grid, 0.8, 1.0), -1.6, 1e-6);
    EXPECT_FLOAT_EQ(height_at(grid, 1.0, 1.0), -2.0f);
    EXPECT_EQ(lowered_cells(grid), 11);
}

TEST(CamGridCutArc, BothDirectionsRunTheRimAtOneHeightAndStampTheirEnd) {
    // A half circle of radius 0.5 around (1, 1): counter-clockwise from 0 to pi ends at (0.5, 1),
    // clockwise from pi to 0 ends at (1.5, 1).
    TCamGrid ccw = point_cutter_grid();
    ccw.CutArcCCW(-1, 0.5, PI, 0, 1, 1);
    TCamGrid cw = point_cutter_grid();
    cw.CutArcCW(-1, 0.5, 0, PI, 1, 1);
    EXPECT_EQ(lowered_cells(ccw), lowered_cells(cw));
    for (const CamCell& cell : ccw.Heights) {
        if (cell.height < 0) {
            EXPECT_FLOAT_EQ(cell.height, -1.0f);
        }
    }
    EXPECT_FLOAT_EQ(height_at(ccw, 1.0, 1.5), -1.0f);  // top of the arc
    EXPECT_FLOAT_EQ(height_at(ccw, 0.5, 1.0), -1.0f);  // its end
    EXPECT_FLOAT_EQ(height_at(cw, 1.5, 1.0), -1.0f);   // the clockwise end
    EXPECT_FLOAT_EQ(height_at(ccw, 1.0, 0.5), 0.0f);   // the lower half is not cut
    EXPECT_FLOAT_EQ(height_at(ccw, 1.0, 1.0), 0.0f);   // nor the centre
    // About one cell per angle step along a rim of pi * 0.5 / 0.1 cells.
    EXPECT_GE(lowered_cells(ccw), 14);
    EXPECT_LE(lowered_cells(ccw), 17);
}

TEST(CamGridCutArc, StampsACellOnceEvenWhenSeveralStepsFallInIt) {
    // Rows four times taller than the columns are wide: many angle steps of a circle fall in one cell.
    TCamGrid grid;
    grid.Resolution = 1.0;
    grid.SetupStock(0, 2, 0, 2, 0.1, 0.4);
    ASSERT_TRUE(grid.SetCutter(config::StyleEnd, 0, 0.1));
    grid.CutArcCCW(-1, 0.5, 2 * PI, 0, 1, 1);  // 31 angle steps
    EXPECT_LT(grid.CellsStamped(), 31u);
    EXPECT_LE(grid.CellsStamped(), static_cast<unsigned long long>(lowered_cells(grid)) + 1u);
    // An arc shorter than a cell stamps only its end.
    TCamGrid tiny = point_cutter_grid();
    tiny.CutArcCCW(-1, 0.05, PI / 2, 0, 1, 1);
    EXPECT_EQ(tiny.CellsStamped(), 1u);
    EXPECT_FLOAT_EQ(height_at(tiny, 1.0, 1.05), -1.0f);
}

TEST(CamGridSample, ColourBlendsBlueToRedWithoutClamping) {
    struct Case {
        float height;
        double r, b;
    };
    const Case cases[] = {{-1, 0, 1}, {0, 0.5, 0.5}, {1, 1, 0}, {-3, -1, 2}, {2, 1.5, -0.5}};
    for (const Case& c : cases) {
        TCamGrid grid = fine_grid();
        grid.Heights[0].height = c.height;
        const CamSample sample = grid.Sample(0, 0);
        EXPECT_DOUBLE_EQ(sample.height, c.height);
        EXPECT_DOUBLE_EQ(sample.colour.r, c.r) << c.height;
        EXPECT_DOUBLE_EQ(sample.colour.g, 0);
        EXPECT_DOUBLE_EQ(sample.colour.b, c.b) << c.height;
        EXPECT_DOUBLE_EQ(sample.colour.a, 1);
    }
}

TEST(CamGridSample, RoundsHalvesToTheEvenCell) {
    TCamGrid grid;
    grid.Resolution = 1.0;
    grid.SetupStock(0, 2, 0, 2, 0.5, 0.5);
    for (int column = 0; column < grid.Columns(); ++column)
        grid.Heights[static_cast<std::size_t>(column)].height = static_cast<float>(-column);
    EXPECT_DOUBLE_EQ(grid.Sample(0.25, 0).height, 0);   // 0.5 cells: cell 0
    EXPECT_DOUBLE_EQ(grid.Sample(0.75, 0).height, -2);  // 1.5 cells: cell 2
    EXPECT_DOUBLE_EQ(grid.Sample(0.74, 0).height, -1);
    EXPECT_DOUBLE_EQ(grid.Sample(-9, 0).height, 0);  // off the grid: the edge cell
}

TEST(CamGridSample, AnEmptyGridShowsTheFreshHeight) {
    TCamGrid grid;
    grid.Zero = 0.25;
    EXPECT_DOUBLE_EQ(grid.Sample(3, 4).height, 0.25);
}

// Shapes the cutter from the tool table through a tool change and carves through the canonical
// functions, as the rendered preview does.
TEST(CamGridChanges, SetupStockMarksEveryCellAndClearForgetsThem) {
    TCamGrid grid;
    EXPECT_FALSE(grid.HasChanges());
    EXPECT_EQ(grid.SampleColumns(), 201);  // -10 to 10 in steps of 0.1 until the first set-up
    EXPECT_EQ(grid.SampleRows(), 201);
    grid.Resolution = 1.0;
    grid.SetupStock(0, 2, 0, 1, 0.1, 0.1);
    EXPECT_EQ(grid.SampleColumns(), 21);
    EXPECT_EQ(grid.SampleRows(), 11);
    const CellRect all = grid.ChangedBounds();
    EXPECT_EQ(all.first_row, 0);
    EXPECT_EQ(all.last_row, grid.Rows() - 1);
    EXPECT_EQ(all.first_column, 0);
    EXPECT_EQ(all.last_column, grid.Columns() - 1);
    grid.ClearChanged();
    EXPECT_FALSE(grid.HasChanges());
    EXPECT_TRUE(grid.ChangedBounds().empty());
    for (int row = 0; row < grid.Rows(); ++row)
        EXPECT_TRUE(grid.ChangedColumns(row).empty()) << row;
}

// Whatever a move does, each row's span runs exactly from its first to its last changed cell, so the
// scene uploads every change and little else.
TEST(CamGridChanges, EachRowSpansExactlyTheCellsAMoveChanged) {
    struct Case {
        const char* what;
        std::function<void(TCamGrid&)> before;  // not counted
        std::function<void(TCamGrid&)> move;
        int changed_cells;  // -1: not counted
    };
    const Case cases[] = {
        {"a groove along a row", [](TCamGrid&) {}, [](TCamGrid& g) { g.CutLine(0.2, 1, -1, 1.2, 1, -1); },
         11},
        {"a Ball groove on a slant", [](TCamGrid& g) { g.SetCutter(config::StyleBall, 0, 0.5); },
         [](TCamGrid& g) { g.CutLine(0.3, 0.4, -1, 1.5, 1.3, -0.5); }, -1},
        {"an arc", [](TCamGrid& g) { g.SetCutter(config::StyleEnd, 0, 0.3); },
         [](TCamGrid& g) { g.CutArcCCW(-0.5, 0.6, PI, 0, 1, 1); }, -1},
        {"a rapid through the stock", [](TCamGrid&) {},
         [](TCamGrid& g) { EXPECT_TRUE(g.CutRapid(0, 0, -1, 2, 2, -1)); }, 21},
        {"a rapid above the stock", [](TCamGrid&) {}, [](TCamGrid& g) { g.CutRapid(0, 0, 1, 2, 2, 1); }, 0},
        {"the same groove again", [](TCamGrid& g) { g.CutLine(0.2, 1, -1, 1.2, 1, -1); },
         [](TCamGrid& g) { g.CutLine(0.2, 1, -1, 1.2, 1, -1); }, 0},
        {"two cuts far apart", [](TCamGrid&) {},
         [](TCamGrid& g) {
             g.CutLine(0.1, 0.1, -1, 0.3, 0.1, -1);
             g.CutLine(1.8, 1.9, -1, 1.9, 1.9, -1);
         },
         -1},
        {"a cut beyond the edge", [](TCamGrid& g) { g.SetCutter(config::StyleEnd, 0, 0.5); },
         [](TCamGrid& g) { g.CutLine(-5, -5, -1, -5, -5, -1); }, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TCamGrid grid = point_cutter_grid();
        c.before(grid);
        const std::vector<CamCell> was = grid.Heights;
        grid.ClearChanged();
        c.move(grid);
        int changed_cells = 0;
        for (int row = 0; row < grid.Rows(); ++row) {
            int first = grid.Columns(), last = -1;
            for (int column = 0; column < grid.Columns(); ++column) {
                const CamCell& old = was[static_cast<std::size_t>(row * grid.Columns() + column)];
                const CamCell& now = grid.Cell(row, column);
                if (old.height == now.height && old.Cut == now.Cut) continue;
                first = std::min(first, column);
                last = column;
                ++changed_cells;
            }
            const CellSpan span = grid.ChangedColumns(row);
            if (last < 0) {
                EXPECT_TRUE(span.empty()) << "row " << row;
            } else {
                EXPECT_EQ(span.first, first) << "row " << row;
                EXPECT_EQ(span.last, last) << "row " << row;
            }
        }
        if (c.changed_cells >= 0) {
            EXPECT_EQ(changed_cells, c.changed_cells);
        }
        EXPECT_EQ(grid.HasChanges(), changed_cells > 0);
    }
}

TEST(CamGridStock, ToolChangeAndPreviewMovesCarveTheGrid) {
    testing::TempDir dir;
    dir.write("ZorvanNC.tbl",
              "SLOT    ID     LEN     DIAM    STYLE    ANG/RAD      COMMENT\r\n"
              "STYLE:  1=BALL  2=VEE   3=Bull   0=End\r\n\r\n"
              "0       0      0.0      0.0      0        0.0         Tool Reset\r\n"
              "1      1      2      0.5      1      0       Ball\r\n");
    machine::HeadlessOperatorPanel panel;
    machine::NullToolPathSink sink;
    machine::Canon canon(panel, sink);
    canon.init_canon((dir.path() / "ZorvanNC.Var").string());
    TCamGrid grid = fine_grid();
    CamGridStock stock(grid);
    int refreshes = 0;
    stock.on_refresh = [&refreshes] { ++refreshes; };
    canon.SetStockSink(&stock);
    canon.RenderedView = true;

    canon.select_tool(1);
    ASSERT_EQ(grid.CutterRows(), 7);  // the Ball of 0.5
    canon.straight_traverse(0.5, 1, 5);
    EXPECT_EQ(refreshes, 0);  // above the stock
    canon.straight_traverse(0.5, 1, -0.5);
    EXPECT_EQ(refreshes, 1);  // plunged through it
    EXPECT_DOUBLE_EQ(grid.Sample(0.5, 1).colour.g, 1);
    canon.straight_feed(1.5, 1, -0.5);
    EXPECT_FLOAT_EQ(height_at(grid, 1.0, 1.0), -0.5f);
    EXPECT_FALSE(grid.Cell(10, 10).Cut);
    canon.arc_feed(1.5, 1.8, 1.5, 1.4, 1, -0.5);  // half circle up to (1.5, 1.8)
    EXPECT_NEAR(height_at(grid, 1.9, 1.4), -0.5, 0.03);
}

TEST(StockPicture, ShowsUncutStockFeedFloorsAndRapidCutsInTheirColours) {
    TCamGrid grid = fine_grid();  // 26 x 26 cells of 0.1
    ASSERT_TRUE(grid.SetCutter(config::StyleEnd, 0, 0.5));
    grid.CutLine(0.5, 0.5, -1, 0.5, 1.5, -1);                // a feed groove at -1, blue
    EXPECT_TRUE(grid.CutRapid(1.5, 0.5, -1, 1.5, 1.5, -1));  // a rapid groove, yellow
    const QImage image = render_stock_picture(grid, 260, 300);
    ASSERT_EQ(image.width(), 260);
    ASSERT_EQ(image.height(), 300);
    // 10 pixels per cell; the grid is 260 pixels tall, centred: 20 pixels of background above and below.
    auto pixel_at = [&](double x, double y) {
        const int px = static_cast<int>((x + 0.05) * 100);
        const int py = 20 + static_cast<int>((2.55 - y) * 100);
        return image.pixel(px, py);
    };
    const QRgb floor = pixel_at(0.5, 1.0);
    EXPECT_LT(qRed(floor), 20);
    EXPECT_GT(qBlue(floor), 235);
    const QRgb rapid = pixel_at(1.5, 1.0);
    EXPECT_GT(qRed(rapid), 235);
    EXPECT_GT(qGreen(rapid), 235);
    EXPECT_LT(qBlue(rapid), 20);
    const QRgb stock = pixel_at(1.0, 2.0);  // level at 0: half red, half blue
    EXPECT_NEAR(qRed(stock), 128, 2);
    EXPECT_EQ(qGreen(stock), 0);
    EXPECT_NEAR(qBlue(stock), 128, 2);
    EXPECT_EQ(image.pixel(130, 5), image.pixel(5, 295));  // background, not stock
    EXPECT_NE(image.pixel(130, 5), stock);
    // The wall the light falls on is not darker than the one turned away.
    const QRgb lit_wall = pixel_at(0.8, 1.0), shadowed_wall = pixel_at(0.2, 1.0);
    EXPECT_GT(qRed(lit_wall) + qBlue(lit_wall), qRed(shadowed_wall) + qBlue(shadowed_wall));
}

TEST(StockPicture, AnEmptyGridIsAllBackground) {
    TCamGrid grid;
    const QImage image = render_stock_picture(grid, 40, 30);
    EXPECT_EQ(image.pixel(0, 0), image.pixel(20, 15));
}

TEST(StockPicture, SavesAPngThatReadsBackAndRefusesAnUnwritablePath) {
    testing::TempDir dir;
    TCamGrid grid = point_cutter_grid();
    grid.CutRapid(0, 1, -1, 2, 1, -1);
    const auto path = dir.path() / "stock.png";
    ASSERT_EQ(save_stock_picture(grid, 64, 48, path), std::nullopt);
    QImage back;
    ASSERT_TRUE(back.load(QString::fromStdString(path.string()), "PNG"));
    EXPECT_EQ(back.width(), 64);
    EXPECT_EQ(back.height(), 48);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "stock.png.tmp"));
    EXPECT_NE(save_stock_picture(grid, 64, 48, dir.path() / "missing" / "stock.png"), std::nullopt);
}

}  // namespace
}  // namespace zorvan::display
