// The parameter file: which lines set which parameters, and how start-up finds and reads it.
#include "interp/parameter_file.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace zorvan::interp::testing
