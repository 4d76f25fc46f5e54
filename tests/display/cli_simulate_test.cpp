#include "app/cli_simulate.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace zorvan::app {
namespace {

struct Outcome {
    int status = 0;
    std::string out, err;
};

std::string read_all(std::FILE* file) {
    std::rewind(file);
    std::string text;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    return text;
}

Outcome simulate(const std::vector<std::string>& args) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    Outcome outcome;
    outcome.status = run_simulate_command(args, out, err);
    outcome.out = read_all(out);
    outcome.err = read_all(err);
    std::fclose(out);
    std::fclose(err);
    return outcome;
}

// A machine folder with a 2 mm End mill 35 mm long as tool 1.
class SimulateCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        dir.write("ZorvanNC.Ini", "[RS274NGC]\r\nVARIABLE_FILE=ZorvanNC.Var\r\nUNITS=G21\r\n");
        dir.write("ZorvanNC.tbl",
                  "SLOT    ID     LEN     DIAM    STYLE    ANG/RAD      COMMENT\r\n"
                  "STYLE:  1=BALL  2=VEE   3=Bull   0=End\r\n\r\n"
                  "0       0      0.0      0.0      0        0.0         Tool Reset\r\n"
                  "1      1      35      2      0      0       Flat 2\r\n");
    }
    std::string png() const { return (dir.path() / "stock.png").string(); }
    testing::TempDir dir;
};

TEST_F(SimulateCommand, UsageErrorsReturnTwo) {
    const std::string program = dir.write("p.ngc", "M2\n");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {program},                                         // no picture named
        {"--png", png()},                                  // no program
        {program, "--png", png(), "--size", "0x10"},       // an empty picture
        {program, "--png", png(), "--size", "800"},        // no height
        {program, "--png", png(), "--resolution", "0"},    // no cells
        {program, "--png", png(), "--resolution", "abc"},  // not a number
        {program, "--png", png(), "--shaded"},             // an unknown option
        {program, program, "--png", png()},                // two programs
        {program, "--png"},                                // a flag without its value
    };
    for (const auto& args : cases) {
        const Outcome outcome = simulate(args);
        EXPECT_EQ(outcome.status, 2) << args.size();
        EXPECT_NE(outcome.err.find("usage: zorvannc-cli simulate"), std::string::npos);
    }
}

TEST_F(SimulateCommand, UnreadableProgramOrUnwritablePictureReturnsTwo) {
    const std::string program = dir.write("p.ngc", "M2\n");
    Outcome outcome =
        simulate({(dir.path() / "none.ngc").string(), "--png", png(), "--config-dir", dir.path().string()});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find("cannot read"), std::string::npos);
    outcome = simulate({program, "--png", (dir.path() / "no" / "such" / "dir.png").string(), "--config-dir",
                        dir.path().string()});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find("cannot write"), std::string::npos);
}

// A feed groove along Y = 0 and a rapid through the stock along Y = 10, both 2 mm deep, with the tool's
// length offset in force. The stock spans X -1 to 21 and Y -1 to 11 (the path widened by the cutter's
// radius); 220 cells across make 0.1 mm cells, and a picture of 226 x 126 gives each cell one pixel.
TEST_F(SimulateCommand, CarvesFeedsAndRapidsWithTheSelectedCutter) {
    const std::string program = dir.write("p.ngc",
                                          "T1 M6\nG43 H1\nG0 X0 Y0 Z1\nG1 Z-2 F100\nG1 X20\nG0 Z5\n"
                                          "G0 X0 Y10\nG0 Z-2\nG0 X20\nG0 Z5\nM2\n");
    const Outcome outcome = simulate({program, "--png", png(), "--size", "226x126", "--resolution=220",
                                      "--config-dir", dir.path().string()});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(png()), "PNG"));
    ASSERT_EQ(image.width(), 226);
    ASSERT_EQ(image.height(), 126);
    // Pixel of (x, y): column (x + 1) / 0.1, and rows counted from the bottom.
    auto pixel_at = [&](double x, double y) {
        return image.pixel(static_cast<int>(std::lround((x + 1) * 10)),
                           125 - static_cast<int>(std::lround((y + 1) * 10)));
    };
    const QRgb feed = pixel_at(10, 0);
    EXPECT_LT(qRed(feed), 20);
    EXPECT_GT(qBlue(feed), 235);
    const QRgb rapid = pixel_at(10, 10);
    EXPECT_GT(qRed(rapid), 235);
    EXPECT_GT(qGreen(rapid), 235);
    EXPECT_LT(qBlue(rapid), 20);
    const QRgb stock = pixel_at(10, 5);
    EXPECT_NEAR(qRed(stock), 128, 2);
    EXPECT_NEAR(qBlue(stock), 128, 2);
    EXPECT_EQ(pixel_at(10, 2), stock);  // the 2 mm cutter leaves the stock beyond 1 mm alone
}

TEST_F(SimulateCommand, ReportsInterpreterErrorsAndStillSavesThePicture) {
    const std::string program = dir.write("p.ngc", "T1\nG1 X5 F100\nG1 Q7\n");
    const Outcome outcome = simulate({program, "--png", png(), "--config-dir", dir.path().string()});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    // The same lines as check prints.
    EXPECT_EQ(outcome.out,
              "error(2): Q word on line with no G83 cycle that uses it\n"
              "error(2): File ended with no stopping command given\n");
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(png()), "PNG"));
    EXPECT_EQ(image.width(), 800);
    EXPECT_EQ(image.height(), 600);
}

TEST_F(SimulateCommand, WithoutAToolChangeTheStockStaysWhole) {
    const std::string program = dir.write("p.ngc", "G1 Z-1 F100\nG1 X10 Y10\nM2\n");
    ASSERT_EQ(
        simulate({program, "--png", png(), "--size", "100x100", "--config-dir", dir.path().string()}).status,
        0);
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(png()), "PNG"));
    EXPECT_EQ(image.pixel(50, 50), image.pixel(10, 90));
}

}  // namespace
}  // namespace zorvan::app
