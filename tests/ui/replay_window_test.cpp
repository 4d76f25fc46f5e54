// A whole preview drawn again from its record for a new view: the picture must be the one a new pass of
// the interpreter draws, and anything that changes what the program draws must make the pass run anew.
#include <QImage>
#include <QTimer>

#include "main_window_fixture.h"

namespace zorvan::ui {
namespace {

constexpr const char* kProgram =
    "G21 G90 G17 F500\nG0 X10 Y10 Z5\nG1 Z-1\nG2 X30 Y10 I10 J0\nG3 X10 Y10 R10\nG1 X40 Y35\n"
    "G91 G1 X-5 Y-5\nG90 G18 G2 X40 Z-6 I5 K0\nG17 G0 Z5\nG0 X0 Y0\nM2\n";

class ReplayWindow : public MainWindow {
  protected:
    void SetUp() override {
        WriteIni("[SCREEN]\nAutoRedraw=0\n[MACHINE]\nMINX=-20\nMAXX=80\nMINY=-20\nMAXY=60\nMINZ=-10\n");
        Start(false);
        LoadProgram(kProgram);
    }
    QImage Picture() { return window->View().ShowPicture(); }
    // The picture a new pass of the interpreter draws in the view as it stands.
    QImage Interpreted() {
        window->Runner().ForgetRecordedPass();
        window->btnAllClick();
        return Picture();
    }
    long Replays() const { return window->Runner().ReplayedPasses; }
};

TEST_F(ReplayWindow, ANewViewIsDrawnFromTheRecordExactlyAsANewPassDrawsIt) {
    // The first pass starts where the machine stood after the opening, the second where the program
    // left it: only from then on does each pass start alike.
    window->btnAllClick();
    window->btnAllClick();
    ASSERT_EQ(Replays(), 0);
    auto& view = window->View();
    const struct {
        const char* name;
        std::function<void()> change;
    } views[] = {
        {"zoomed in",
         [&] {
             view.FitWindow({5, 25, 5, 20, -5, 5, 0, 0, 0}, 20, true, 20);
         }},
        {"panned",
         [&] {
             view.FitWindow({20, 60, 0, 40, -5, 5, 0, 0, 0}, 20, true, 20);
         }},
        {"zoomed far out",
         [&] {
             view.FitWindow({-500, 500, -500, 500, -5, 5, 0, 0, 0}, 20, true, 20);
         }},
        {"turned to the front", [&] { view.ViewFront(); }},
        {"turned isometric", [&] { view.ViewIsometric(); }},
        {"back on top", [&] { view.ViewTop(); }},
    };
    for (const auto& v : views) {
        SCOPED_TRACE(v.name);
        v.change();
        const long before = Replays();
        window->btnAllClick();
        EXPECT_EQ(Replays(), before + 1);
        const QImage replayed = Picture();
        EXPECT_TRUE(replayed == Interpreted());
        EXPECT_EQ(window->StatusPanelText(1).toStdString().find("File ended"), std::string::npos);
    }
}

TEST_F(ReplayWindow, WhatChangesTheDrawingRunsThePassAnew) {
    window->btnAllClick();
    window->btnAllClick();
    const struct {
        const char* name;
        std::function<void()> change;
    } changes[] = {
        {"the text", [&] { TypeProgram(std::string(kProgram) + "G0 X50 Y50\nM2\n"); }},
        {"an offset typed on the command line", [&] { window->Interpreter().execute_direct("G92 X5"); }},
        {"the units", [&] { window->Interpreter().execute_direct("G20"); }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.name);
        window->btnAllClick();
        const long kept = Replays();
        window->btnAllClick();
        ASSERT_GT(Replays(), kept) << "no record to begin with";
        c.change();
        const long before = Replays();
        window->btnAllClick();
        EXPECT_EQ(Replays(), before) << "drawn from a record that no longer holds";
    }
}

// Drawing a large record lets the window's messages run as a pass does, so the emergency stop cancels
// it; the record stays, and the next All draws the whole picture from it.
TEST_F(ReplayWindow, ADrawingFromTheRecordCanBeCancelled) {
    std::string program = "G21 G90 F500\n";
    for (int i = 0; i < 250000; ++i)
        program += "G1 X" + std::to_string(i % 40) + " Y" + std::to_string(i / 10000) + "\n";
    TypeProgram(program + "M2\n");
    window->View().FitWindow({-5, 45, -5, 45, -5, 5, 0, 0, 0}, 20, true, 20);
    window->btnAllClick();
    window->btnAllClick();
    window->btnAllClick();
    const long replays = Replays();
    ASSERT_GT(replays, 0);
    const QImage whole = Picture();
    messages.clear();
    QTimer::singleShot(0, [this] { window->Controller().EStopActive = true; });  // Escape, as it were
    window->btnAllClick();
    EXPECT_EQ(Replays(), replays);
    EXPECT_EQ(messages, Messages{"Preview Cancelled."});
    EXPECT_FALSE(window->Controller().EStopActive);
    EXPECT_FALSE(Picture() == whole) << "the whole picture was drawn";
    window->btnAllClick();
    EXPECT_EQ(Replays(), replays + 1);
    EXPECT_TRUE(Picture() == whole);
}

// A pass that did not end (an error, a missing stop) is not kept: every All reports it again.
TEST_F(ReplayWindow, APassWithAnErrorIsNotKept) {
    TypeProgram("G21 G90\nG1 X10 F100\nG2 X20\n");
    window->btnAllClick();
    window->btnAllClick();
    EXPECT_EQ(Replays(), 0);
}

// GO's grey preview may be drawn from the record; it must still find the program leaving the table and
// ask, as often as GO is pressed.
TEST_F(MainWindow, GoAsksAboutTheTableAlsoWhenItsPreviewIsDrawnFromTheRecord) {
    WriteIni(
        "[TRAJ]\nAXES=3\n[SCREEN]\nAutoRedraw=0\n[MACHINE]\nMINX=0\nMAXX=20\nMINY=0\nMAXY=20\nMINZ=-5\n");
    Start(true);
    window->btnStopClick();
    LoadProgram("G21 G90\nG0 X25\nG0 X1\nM2\n");
    run_anyway = false;
    for (int press = 0; press < 4; ++press)
        window->btnGoClick();
    EXPECT_GT(window->Runner().ReplayedPasses, 0);
    EXPECT_EQ(travel_questions.size(), 4u);
    EXPECT_EQ(BoardPosition(*board), (std::array<std::int32_t, 4>{0, 0, 0, 0}));
}

}  // namespace
}  // namespace zorvan::ui
