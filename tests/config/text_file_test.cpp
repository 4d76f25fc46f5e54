#include "config/text_file.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace zorvan::config {
namespace {

class AtomicWrite : public ::testing::Test {
  protected:
    std::size_t files_in_dir() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
    }
    zorvan::testing::TempDir temp;
    const std::filesystem::path& dir = temp.path();
};

TEST_F(AtomicWrite, CreatesAndReplacesWithoutLeavingATemporaryFile) {
    const auto path = dir / "ZorvanNC.tbl";
    EXPECT_EQ(write_text_file_atomically(path, "first\r\n"), std::nullopt);
    EXPECT_EQ(read_text_file(path), "first\r\n");
    EXPECT_EQ(write_text_file_atomically(path, ""), std::nullopt);
    EXPECT_EQ(read_text_file(path), "");
    EXPECT_EQ(files_in_dir(), 1u);
}

TEST_F(AtomicWrite, AReplacedFileKeepsItsPermissionsAndALinkStaysALink) {
    const auto path = dir / "ZorvanNC.Ini";
    std::ofstream(path) << "old";
    ::chmod(path.c_str(), 0640);
    std::filesystem::create_symlink(path, dir / "link.Ini");

    EXPECT_EQ(write_text_file_atomically(dir / "link.Ini", "new"), std::nullopt);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.Ini"));
    EXPECT_EQ(read_text_file(path), "new");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(files_in_dir(), 2u);
}

// The third file cannot be written (its folder is a plain file): the first gets its old text back and the
// second, which was not there, goes again.
TEST_F(AtomicWrite, SeveralFilesAreWrittenAllOrNothing) {
    std::ofstream(dir / "ZorvanNC.Ini") << "old";
    std::ofstream(dir / "plain") << "plain";
    std::vector<FileText> files = {
        {dir / "ZorvanNC.Ini", "new"}, {dir / "Mill.Ini", "new"}, {dir / "plain" / "ZorvanNC.tbl", "new"}};
    const auto failure = write_text_files_atomically(files);
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find("ZorvanNC.tbl"), std::string::npos) << *failure;
    EXPECT_EQ(read_text_file(dir / "ZorvanNC.Ini"), "old");
    EXPECT_FALSE(std::filesystem::exists(dir / "Mill.Ini"));

    files[2].path = dir / "ZorvanNC.tbl";
    EXPECT_EQ(write_text_files_atomically(files), std::nullopt);
    for (const FileText& file : files)
        EXPECT_EQ(read_text_file(file.path), "new");

    // A file there that cannot be read could not be put back: nothing is written.
    std::filesystem::create_directory(dir / "Lathe.Ini");
    EXPECT_TRUE(write_text_files_atomically({{dir / "ZorvanNC.Ini", "newer"}, {dir / "Lathe.Ini", "x"}}));
    EXPECT_EQ(read_text_file(dir / "ZorvanNC.Ini"), "new");
}

TEST_F(AtomicWrite, AFailureIsReportedAndTheOldFileStaysWhole) {
    const auto missing_folder = write_text_file_atomically(dir / "none" / "ZorvanNC.Ini", "x");
    ASSERT_TRUE(missing_folder);
    EXPECT_NE(missing_folder->find("none/ZorvanNC.Ini"), std::string::npos) << *missing_folder;

    std::filesystem::create_directory(dir / "Mill.Ini");
    std::ofstream(dir / "Mill.Ini" / "inside") << "kept";
    EXPECT_TRUE(write_text_file_atomically(dir / "Mill.Ini", "x"));
    EXPECT_EQ(read_text_file(dir / "Mill.Ini" / "inside"), "kept");
    EXPECT_EQ(files_in_dir(), 1u);
}

// Every byte comes back, whether the file is empty, just around the first read's size, large, or says it is
// empty while it is not (the kernel's own files).
TEST(ReadTextFile, ReadsEveryByteOfFilesOfAnySize) {
    zorvan::testing::TempDir temp;
    std::string all_bytes;
    for (int i = 0; i < (1 << 20) + 3; ++i)
        all_bytes += static_cast<char>(i * 7);
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4095}, std::size_t{4096},
                                   std::size_t{4097}, all_bytes.size()}) {
        const std::string text = all_bytes.substr(0, size);
        const auto path = temp.path() / ("file" + std::to_string(size));
        std::ofstream(path, std::ios::binary) << text;
        EXPECT_EQ(read_text_file(path), text) << size;
    }
    const auto status = read_text_file("/proc/self/status");
    ASSERT_TRUE(status);
    EXPECT_NE(status->find("VmRSS:"), std::string::npos);
    EXPECT_EQ(read_text_file(temp.path()), std::nullopt);
    EXPECT_EQ(read_text_file(temp.path() / "missing"), std::nullopt);
}

}  // namespace
}  // namespace zorvan::config
