// The parameter file: which lines set which parameters, and how start-up finds and reads it.
#include "interp/parameter_file.h"

#include <gtest/gtest.h>

#include "config/text_file.h"
#include "interp/interpreter_test_support.h"

namespace zorvan::interp::testing {
namespace {

struct FileLine {
    const char* text;
    int parameter;  // -1: the line sets nothing
    double value;
};

TEST(ParameterFile, EachLineSetsTheParameterItNames) {
    const FileLine cases[] = {
        {"5221 12.5", 5221, 12.5},
        {"5222\t-3", 5222, -3.0},
        {"5223 = 7.25 mm", 5223, 7.25},
        {"12 value: -0.5", 12, -0.5},
        {"5399 1", 5399, 1.0},
        {"0 4", 0, 4.0},
        {"5224", 522, 4.0},  // the last character never belongs to the number
        {"x5221 1", -1, 0},
        {" 5221 1", -1, 0},
        {"5400 1", -1, 0},
        {"99999999999999999999999 1", -1, 0},
        {"5221 -", -1, 0},
        {"5221 1-2", -1, 0},
        {"5221 abc", -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::array<double, PARAMETER_COUNT> parameters;
        parameters.fill(-99.0);
        parse_parameter_file(c.text, parameters, '.');
        int changed = 0;
        for (int i = 0; i < PARAMETER_COUNT; ++i) {
            if (parameters[i] != -99.0) {
                ++changed;
                EXPECT_EQ(i, c.parameter);
                EXPECT_EQ(parameters[i], c.value);
            }
        }
        EXPECT_EQ(changed, c.parameter == -1 ? 0 : 1);
    }
}

TEST(ParameterFile, LinesEndInLineFeedsOrCarriageReturnLineFeeds) {
    std::array<double, PARAMETER_COUNT> parameters{};
    parse_parameter_file("5221 1\r\n(comment)\r\n5222 2\n\n5223 3", parameters, '.');
    EXPECT_EQ(parameters[5221], 1.0);
    EXPECT_EQ(parameters[5222], 2.0);
    EXPECT_EQ(parameters[5223], 3.0);
}

TEST(ParameterFile, ACommaSeparatorStillReadsPointValues) {
    std::array<double, PARAMETER_COUNT> parameters{};
    parse_parameter_file("5221 12.5\n5222 -1,25\n", parameters, ',');
    EXPECT_EQ(parameters[5221], 12.5);
    EXPECT_EQ(parameters[5222], -1.25);
}

using ParameterFileStartUp = InterpreterTest;

TEST_F(ParameterFileStartUp, ClearsTheOffsetParametersThenReadsTheFile) {
    settings().parameters[1] = 5.0;
    settings().parameters[5161] = 5.0;
    settings().parameters[5386] = 5.0;
    settings().parameters[5387] = 5.0;
    dir.write("ZorvanNC.Var", "5241 10\n");
    restart();
    EXPECT_EQ(interp.parameter_file_path(), dir.path() / "ZorvanNC.Var");
    const auto& p = settings().parameters;
    EXPECT_EQ(p[1], 5.0);
    EXPECT_EQ(p[5161], 0.0);
    EXPECT_EQ(p[5386], 0.0);
    EXPECT_EQ(p[5387], 5.0);
    EXPECT_EQ(p[5241], 10.0);
}

TEST_F(ParameterFileStartUp, TheConfigurationNamesTheFile) {
    dir.write("ZorvanNC.Ini", "[RS274NGC]\r\nVARIABLE_FILE=Mill.Var\r\n");
    dir.write("Mill.Var", "5221 3\n");
    dir.write("ZorvanNC.Var", "5221 4\n");
    restart();
    EXPECT_EQ(interp.parameter_file_path(), dir.path() / "Mill.Var");
    EXPECT_EQ(settings().origin_offset_x, 3.0);
    // Without the key the name held so far stays.
    dir.write("ZorvanNC.Ini", "[RS274NGC]\r\nUNITS=G21\r\n");
    restart();
    EXPECT_EQ(interp.parameter_file_path(), dir.path() / "Mill.Var");
}

// Stored parameters replace the lines that set them; every other line, a "5162" that sets 516 among
// them, stays as it was, and the values are written so that the reader gets them back exactly.
TEST(ParameterFile, StoringRewritesOnlyTheStoredParameters) {
    TempDir dir;
    const std::filesystem::path path = dir.write("ZorvanNC.Var", "5221 10\r\n5161 1\n(note)\n5161 2\n5162\n");
    std::array<double, PARAMETER_COUNT> parameters{};
    parameters[5161] = 0.1 + 0.2;
    parameters[5162] = -2.5e-12;
    parameters[5163] = 1e20;
    ASSERT_TRUE(store_parameters_in_file(path, 5161, 3, parameters, '.'));
    EXPECT_EQ(config::read_text_file(path),
              "5221 10\r\n5161 0.30000000000000004\n(note)\n"
              "5161 0.30000000000000004\n5162\n5162 -0.0000000000025\n"
              "5163 100000000000000000000\n");
    std::array<double, PARAMETER_COUNT> read{};
    ASSERT_TRUE(read_parameter_file(path, read, '.'));
    for (int number : {5161, 5162, 5163}) {
        EXPECT_EQ(read[number], parameters[number]) << number;
    }
    EXPECT_EQ(read[516], 2.0);
    EXPECT_EQ(read[5221], 10.0);
}

}  // namespace
}  // namespace zorvan::interp::testing
