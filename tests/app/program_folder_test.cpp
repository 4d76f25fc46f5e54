// Where the program finds its configuration: its own folder in a build or a hand-made install, the
// user's folder, filled once from the template, when the program is installed as a package.
#include "app/program_folder.h"

#include <gtest/gtest.h>

#include <fstream>

#include "config/text_file.h"
#include "support/temp_dir.h"

namespace zorvan::app {
namespace {

class ProgramFolder : public ::testing::Test {
  protected:
    ProgramFolder() {
        std::filesystem::create_directories(exe);
        std::filesystem::create_directories(sample);
        put(sample / "ZorvanNC.Ini", "[MACHINE]\nMAXX=200\n");
        put(sample / "pocket.ngc", "M2\n");
    }
    static void put(const std::filesystem::path& file, const std::string& text) {
        std::ofstream(file) << text;
    }
    static std::string text_of(const std::filesystem::path& file) {
        return config::read_text_file(file).value_or("(missing)");
    }
    zorvan::testing::TempDir temp;
    const std::filesystem::path exe = temp.path() / "usr/lib/zorvannc";
    const std::filesystem::path sample = temp.path() / "usr/share/zorvannc/machine";
    const std::filesystem::path user = temp.path() / "home/.config/ZorvanNC";
};

TEST_F(ProgramFolder, ABuildTreeKeepsItsOwnFolder) {
    put(exe / "ZorvanNC.Ini", "[MACHINE]\nMAXX=50\n");
    EXPECT_EQ(choose_program_folder({exe, sample, user}), exe);
    EXPECT_FALSE(std::filesystem::exists(user));
    // Without a template a writable folder is the program's even without a configuration yet.
    std::filesystem::remove(exe / "ZorvanNC.Ini");
    EXPECT_EQ(choose_program_folder({exe, temp.path() / "none", user}), exe);
}

TEST_F(ProgramFolder, AnInstalledProgramCopiesTheTemplateOnceAndKeepsTheOperatorsFiles) {
    std::string note;
    EXPECT_EQ(choose_program_folder({exe, sample, user}, &note), user);
    EXPECT_EQ(note, "");
    EXPECT_EQ(text_of(user / "ZorvanNC.Ini"), "[MACHINE]\nMAXX=200\n");
    EXPECT_EQ(text_of(user / "pocket.ngc"), "M2\n");
    // The operator changes the configuration and deletes a program; the next start restores only the
    // missing program.
    put(user / "ZorvanNC.Ini", "[MACHINE]\nMAXX=180\n");
    std::filesystem::remove(user / "pocket.ngc");
    EXPECT_EQ(choose_program_folder({exe, sample, user}), user);
    EXPECT_EQ(text_of(user / "ZorvanNC.Ini"), "[MACHINE]\nMAXX=180\n");
    EXPECT_EQ(text_of(user / "pocket.ngc"), "M2\n");
}

TEST_F(ProgramFolder, AUserFolderThatCannotBeMadeFallsBackToTheProgramsFolder) {
    std::filesystem::create_directories(temp.path() / "home");
    put(temp.path() / "home/.config", "a file where the folder should be");
    std::string note;
    EXPECT_EQ(choose_program_folder({exe, sample, user}, &note), exe);
    EXPECT_NE(note.find("cannot make"), std::string::npos);
}

// Installed, the guide lies beside the sample machine's folder; from a build tree it is read from the
// sources; when neither has it, the installed place is named.
TEST_F(ProgramFolder, TheUserGuideIsFoundInstalledOrInTheSources) {
    const std::filesystem::path from_program = "../../share/doc/zorvannc/guide";
    const auto installed = temp.path() / "usr/share/doc/zorvannc/guide/index.html";
    const auto sources = temp.path() / "src/docs/guide";
    EXPECT_EQ(user_guide(exe, from_program, sources), installed);
    std::filesystem::create_directories(sources);
    put(sources / "index.html", "<html></html>");
    EXPECT_EQ(user_guide(exe, from_program, sources), sources / "index.html");
    std::filesystem::create_directories(installed.parent_path());
    put(installed, "<html></html>");
    EXPECT_EQ(user_guide(exe, from_program, sources), installed);
}

}  // namespace
}  // namespace zorvan::app
