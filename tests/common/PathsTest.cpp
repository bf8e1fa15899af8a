#include "common/Paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"

namespace torvask {
namespace {

TEST(Paths, BackslashesReadAsSeparators) {
    EXPECT_EQ(toNativeSeparators("desert\\ground.dds"), "desert/ground.dds");
    EXPECT_EQ(toNativeSeparators("a/b\\c\\"), "a/b/c/");
}

TEST(Paths, JoinPutsExactlyOneSeparator) {
    EXPECT_EQ(joinPath("a", "b"), "a/b");
    EXPECT_EQ(joinPath("a/", "b"), "a/b");
    EXPECT_EQ(joinPath("a/", "/b"), "a/b");
    EXPECT_EQ(joinPath("", "b"), "b");
    EXPECT_EQ(withTrailingSeparator(""), "");
    EXPECT_EQ(withTrailingSeparator("x"), "x/");
    EXPECT_EQ(withTrailingSeparator("x/"), "x/");
}

TEST(Paths, ProgramFolderIsTheTestExecutablesFolder) {
    const std::string folder = programFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST(Paths, ListsByExtensionWithoutRegardToCaseSorted) {
    testing::TempDir dir;
    dir.write("oval.trn", "");
    dir.write("Big.TRN", "");
    dir.write("notes.txt", "");
    dir.write(".trn", "");
    std::filesystem::create_directories(dir.path() / "folder.trn");
    EXPECT_EQ(listFilesWithExtension(dir.str(), ".trn"), (std::vector<std::string>{"Big.TRN", "oval.trn"}));
    EXPECT_TRUE(listFilesWithExtension(dir.file("missing"), ".trn").empty());
}

TEST(Paths, FindsFilesWithoutRegardToCase) {
    testing::TempDir dir;
    dir.write("My.Best.driver", "");
    EXPECT_EQ(findFileNoCase(dir.str(), "my.best.driver"), dir.file("My.Best.driver"));
    EXPECT_EQ(findFileNoCase(dir.str(), "My.Best.driver"), dir.file("My.Best.driver"));
    EXPECT_EQ(findFileNoCase(dir.str(), "other.driver"), "");
}

}  // namespace
}  // namespace torvask
