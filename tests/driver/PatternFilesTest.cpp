#include "driver/PatternFiles.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace torvask {
namespace {

using testing::TempDir;

TEST(PatternFiles, SiblingName) {
    const struct { const char* driver; const char* sibling; } rows[] = {
        {"/d/Demo.driver", "/d/Demo.patterns"},
        {"/d/Demo.DRIVER", "/d/Demo.patterns"},
        {"/d/Demo", "/d/Demo.patterns"},
        {"/d/Demo.drv", "/d/Demo.drv.patterns"},
        {"/d/.driver", "/d/.driver.patterns"},  // no name before the extension
        {"/d.driver/x", "/d.driver/x.patterns"},
    };
    for (const auto& row : rows) EXPECT_EQ(siblingPatternsFile(row.driver), row.sibling) << row.driver;
}

TEST(PatternFiles, JoinRenumbersCompleteRecordsAndCopiesValuesByteForByte) {
    TempDir dir;
    const std::string a = dir.write("a.0", "1\t0.5\t1e-07\t-0\t0.25\n2\t1\t2\t3\t4\n");
    // A record cut short by a writer that stopped, and a line with no number.
    const std::string b = dir.write("b.0", "7\t0.125\t0.5\t0.75\t1\nstray\n8\t0.3\t0.");
    const std::string target = dir.file("t.0");
    EXPECT_EQ(joinPatternFiles({a, b}, target), 3);
    EXPECT_EQ(TempDir::read(target), "1\t0.5\t1e-07\t-0\t0.25\n2\t1\t2\t3\t4\n3\t0.125\t0.5\t0.75\t1\n");
    EXPECT_EQ(countPatternRecords(b), 1);

    // The target may be one of its own sources.
    EXPECT_EQ(joinPatternFiles({target, a}, target), 5);
    EXPECT_EQ(TempDir::read(target).substr(TempDir::read(target).rfind("4\t")), "4\t0.5\t1e-07\t-0\t0.25\n5\t1\t2\t3\t4\n");
}

TEST(PatternFiles, UnreadableSourceOrTargetLeavesTheTargetAlone) {
    TempDir dir;
    const std::string a = dir.write("a.0", "1\t0\t0\t0\t0\t0\t0\n");
    const std::string target = dir.write("t.0", "old\n");
    EXPECT_EQ(joinPatternFiles({a, dir.file("missing.0")}, target), -1);
    EXPECT_EQ(TempDir::read(target), "old\n");
    EXPECT_EQ(joinPatternFiles({a}, dir.file("no/such/folder/t.0")), -1);
    EXPECT_EQ(countPatternRecords(dir.file("missing.0")), -1);
    // Nothing but the target and the source is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 2);
}

}  // namespace
}  // namespace torvask
