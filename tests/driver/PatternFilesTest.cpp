#include <gtest/gtest.h>

#include "driver/PatternFiles.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

using testing::TempDir;

TEST(PatternFiles, SiblingName) {
    EXPECT_EQ(siblingPatternsFile("/d/Demo.DRIVER"), "/d/Demo.patterns");
    EXPECT_EQ(siblingPatternsFile("/d/Demo"), "/d/Demo.patterns");
    EXPECT_EQ(siblingPatternsFile("/d/.driver"), "/d/.driver.patterns");  // no name before the extension
}

TEST(PatternFiles, JoinRenumbersCompleteRecordsKeepsValuesAndMayReadItsTarget) {
    TempDir dir;
    const std::string a = dir.write("a.0", "1\t0.5\t1e-07\t-0\n");
    // A record cut short by a writer that stopped, and a line with no number.
    const std::string t = dir.write("t.0", "7\t0.125\t0.5\nstray\n8\t0.3\t0.");
    EXPECT_EQ(joinPatternFiles({t, a}, t), 2);
    EXPECT_EQ(TempDir::read(t), "1\t0.125\t0.5\n2\t0.5\t1e-07\t-0\n");
    EXPECT_EQ(joinPatternFiles({a, dir.file("missing.0")}, t), -1);
    EXPECT_EQ(TempDir::read(t), "1\t0.125\t0.5\n2\t0.5\t1e-07\t-0\n");
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()),
        2);
}

}  // namespace
}  // namespace torvask
