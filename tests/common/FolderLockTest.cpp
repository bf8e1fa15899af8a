#include <gtest/gtest.h>

#include "common/FolderLock.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

using Result = FolderLock::Result;

TEST(FolderLock, OneHolderAtATimeUntilReleased) {
    testing::TempDir dir;
    const std::string folder = dir.str() + "/";
    FolderLock first, second;
    EXPECT_EQ(first.tryLock(folder), Result::Held);
    EXPECT_EQ(second.tryLock(folder), Result::Busy) << "even from the same process";
    first.release();
    EXPECT_EQ(second.tryLock(folder), Result::Held);
    EXPECT_EQ(first.tryLock(folder + "missing/"), Result::Failed);
    EXPECT_EQ(makeUniqueFolder(folder + "missing/", "x"), "");
}

}  // namespace
}  // namespace torvask
