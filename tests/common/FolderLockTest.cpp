#include <gtest/gtest.h>

#include <filesystem>

#include "common/FolderLock.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

using testing::TempDir;
using Result = FolderLock::Result;

TEST(FolderLock, OneHolderAtATimeUntilReleased) {
    TempDir dir;
    const std::string folder = dir.str() + "/";
    FolderLock first, second;
    EXPECT_EQ(first.tryLock(folder), Result::Held);
    EXPECT_EQ(second.tryLock(folder), Result::Busy) << "even from the same process";
    EXPECT_FALSE(second.held());
    EXPECT_TRUE(std::filesystem::exists(folder + "instance.lock"));
    first.release();
    EXPECT_EQ(second.tryLock(folder), Result::Held);
    {
        FolderLock third;
        EXPECT_EQ(third.tryLock(folder, "other.lock"), Result::Held) << "another lock file is another claim";
    }
    EXPECT_EQ(first.tryLock(dir.str() + "/missing/"), Result::Failed);
}

TEST(FolderLock, UniqueFoldersAreNewAndDistinct) {
    TempDir dir;
    const std::string a = makeUniqueFolder(dir.str() + "/", "instance-");
    const std::string b = makeUniqueFolder(dir.str() + "/", "instance-");
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b);
    EXPECT_EQ(a.rfind(dir.str() + "/instance-", 0), 0u);
    EXPECT_EQ(a.size(), dir.str().size() + 1 + 9 + 6 + 1);
    EXPECT_TRUE(std::filesystem::is_empty(a));
    EXPECT_EQ(makeUniqueFolder(dir.str() + "/missing/", "x"), "");
}

}  // namespace
}  // namespace torvask
