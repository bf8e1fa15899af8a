#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "driver/Driver.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

using testing::TempDir;

TEST(PatternRecording, FirstLineMatchesTheFormatByteForByte) {
    TempDir dir;
    testing::MessageRecorder messages;
    Driver driver;
    const std::string prefix = dir.file("patterns");
    ASSERT_EQ(driver.openPatternFiles(prefix), 0);
    EXPECT_TRUE(driver.patternFilesOpen());
    EXPECT_EQ(driver.recordPattern({0.5, 0.25, 0, 1, -0.125}, {0.5, 1}), 0);
    // Every line is flushed as it is written: the file holds it while still open.
    EXPECT_EQ(TempDir::read(prefix + ".0"), "1\t0.5\t0.25\t0\t1\t-0.125\t0.5\t1\n");
    EXPECT_EQ(driver.getPatternCount(), 1);
    EXPECT_TRUE(messages.messages.empty());
}

TEST(PatternRecording, ValuesUseTheDefaultSixDigitForm) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {1.0 / 3.0, "0.333333"}, {2.0 / 3.0, "0.666667"}, {0.0, "0"},           {-0.0, "-0"},
        {1e-7, "1e-07"},         {123456.0, "123456"},    {1234567.0, "1.23457e+06"}, {0.0001, "0.0001"},
        {0.00001, "1e-05"},      {-1.5, "-1.5"},          {0.1 + 0.2, "0.3"},     {100.0, "100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TempDir dir;
        Driver driver;
        ASSERT_EQ(driver.openPatternFiles(dir.file("p")), 0);
        ASSERT_EQ(driver.recordPattern({c.value, 0, 0, 0, c.value}, {c.value, 0}), 0);
        const std::string v = c.text;
        EXPECT_EQ(TempDir::read(dir.file("p.0")), "1\t" + v + "\t0\t0\t0\t" + v + "\t" + v + "\t0\n");
    }
}

TEST(PatternRecording, NumberingRestartsAndFilesAreEmptiedOnReopen) {
    TempDir dir;
    Driver driver;
    const std::string prefix = dir.file("patterns");
    ASSERT_EQ(driver.openPatternFiles(prefix), 0);
    for (int k = 0; k < 3; ++k) ASSERT_EQ(driver.recordPattern({0.5, 0, 0, 0, 0}, {0.25, 0.75}), 0);
    EXPECT_EQ(driver.getPatternCount(), 3);
    EXPECT_EQ(TempDir::read(prefix + ".0"),
              "1\t0.5\t0\t0\t0\t0\t0.25\t0.75\n2\t0.5\t0\t0\t0\t0\t0.25\t0.75\n3\t0.5\t0\t0\t0\t0\t0.25\t0.75\n");

    ASSERT_EQ(driver.openPatternFiles(prefix), 0);  // without closing first
    EXPECT_EQ(driver.getPatternCount(), 0);
    EXPECT_EQ(TempDir::read(prefix + ".0"), "");
    ASSERT_EQ(driver.recordPattern({1, 2, 3, 4, 5}, {0, 1}), 0);
    EXPECT_EQ(TempDir::read(prefix + ".0"), "1\t1\t2\t3\t4\t5\t0\t1\n");

    EXPECT_EQ(driver.closePatternFiles(), 0);
    EXPECT_EQ(driver.getPatternCount(), 0);
    EXPECT_FALSE(driver.patternFilesOpen());
    ASSERT_EQ(driver.openPatternFiles(prefix), 0);
    ASSERT_EQ(driver.recordPattern({6, 7, 8, 9, 10}, {1, 0}), 0);
    EXPECT_EQ(TempDir::read(prefix + ".0"), "1\t6\t7\t8\t9\t10\t1\t0\n");
}

TEST(PatternRecording, EachLobeGetsItsOwnSliceInItsOwnFile) {
    TempDir dir;
    Driver driver;
    ASSERT_EQ(driver.getBrain().addLobe("Second", 0.3, 0.7, {3, 4, 1}), 1);
    ASSERT_EQ(driver.getBrain().addLobe("Third", 0.3, 0.7, {1, 2}), 2);
    const std::string prefix = dir.file("multi");
    ASSERT_EQ(driver.openPatternFiles(prefix), 0);
    ASSERT_EQ(driver.recordPattern({1, 2, 3, 4, 5, 6, 7, 8, 9}, {0.1, 0.2, 0.3, 0.4, 0.5}), 0);
    ASSERT_EQ(driver.recordPattern({11, 12, 13, 14, 15, 16, 17, 18, 19}, {0.6, 0.7, 0.8, 0.9, 1.0}), 0);
    EXPECT_EQ(TempDir::read(prefix + ".0"), "1\t1\t2\t3\t4\t5\t0.1\t0.2\n2\t11\t12\t13\t14\t15\t0.6\t0.7\n");
    EXPECT_EQ(TempDir::read(prefix + ".1"), "1\t6\t7\t8\t0.3\n2\t16\t17\t18\t0.8\n");
    EXPECT_EQ(TempDir::read(prefix + ".2"), "1\t9\t0.4\t0.5\n2\t19\t0.9\t1\n");
}

TEST(PatternRecording, MissingFolderRecordsSilentlyIntoNothing) {
    TempDir dir;
    testing::MessageRecorder messages;
    Driver driver;
    const std::string prefix = dir.file("no-such-folder/patterns");
    EXPECT_EQ(driver.openPatternFiles(prefix), 0);
    EXPECT_TRUE(driver.patternFilesOpen());
    EXPECT_EQ(driver.recordPattern({0.5, 0.25, 0, 1, -0.125}, {0.5, 1}), 0);
    EXPECT_EQ(driver.recordPattern({0.5, 0.25, 0, 1, -0.125}, {0.5, 1}), 0);
    EXPECT_EQ(driver.getPatternCount(), 2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("no-such-folder")));
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(driver.closePatternFiles(), 0);
}

TEST(PatternRecording, ClosedFilesTakeNothing) {
    TempDir dir;
    Driver driver;
    EXPECT_EQ(driver.recordPattern({1, 2, 3, 4, 5}, {0, 1}), 0);  // never opened
    EXPECT_EQ(driver.getPatternCount(), 0);
    const std::string prefix = dir.file("patterns");
    ASSERT_EQ(driver.openPatternFiles(prefix), 0);
    ASSERT_EQ(driver.recordPattern({1, 2, 3, 4, 5}, {0, 1}), 0);
    EXPECT_EQ(driver.closePatternFiles(), 0);
    EXPECT_EQ(driver.closePatternFiles(), 0);  // twice is harmless
    EXPECT_EQ(driver.recordPattern({6, 7, 8, 9, 10}, {1, 0}), 0);
    EXPECT_EQ(driver.getPatternCount(), 0);
    EXPECT_EQ(TempDir::read(prefix + ".0"), "1\t1\t2\t3\t4\t5\t0\t1\n");  // the file stays after closing
}

TEST(PatternRecording, TooFewValuesWriteNothing) {
    const std::vector<std::pair<std::vector<double>, std::vector<double>>> cases = {
        {{1, 2, 3, 4}, {0, 1}}, {{1, 2, 3, 4, 5}, {0}}, {{}, {}}, {{1, 2, 3, 4, 5}, {}},
    };
    for (const auto& [inputs, outputs] : cases) {
        SCOPED_TRACE(inputs.size() * 10 + outputs.size());
        TempDir dir;
        Driver driver;
        ASSERT_EQ(driver.openPatternFiles(dir.file("p")), 0);
        EXPECT_EQ(driver.recordPattern(inputs, outputs), -1);
        EXPECT_EQ(driver.getPatternCount(), 0);
        EXPECT_EQ(TempDir::read(dir.file("p.0")), "");
        // Extra values beyond the brain's counts are simply not part of any slice.
        EXPECT_EQ(driver.recordPattern({1, 2, 3, 4, 5, 6}, {0, 1, 2}), 0);
        EXPECT_EQ(TempDir::read(dir.file("p.0")), "1\t1\t2\t3\t4\t5\t0\t1\n");
    }
}

TEST(PatternRecording, DestroyingTheDriverKeepsWhatWasWritten) {
    TempDir dir;
    {
        Driver driver;
        ASSERT_EQ(driver.openPatternFiles(dir.file("p")), 0);
        ASSERT_EQ(driver.recordPattern({1, 2, 3, 4, 5}, {0, 1}), 0);
        ASSERT_EQ(driver.recordPattern({1, 2, 3, 4, 5}, {1, 0}), 0);
    }
    EXPECT_EQ(TempDir::read(dir.file("p.0")), "1\t1\t2\t3\t4\t5\t0\t1\n2\t1\t2\t3\t4\t5\t1\t0\n");
}

TEST(PatternRecording, FileNamesAreNumberedAndNeverCut) {
    struct Case {
        std::string prefix;
        int index;
        std::string expected;
    };
    const Case cases[] = {
        {"patterns", 0, "patterns.0"},
        {"/tmp/t/patterns", 12, "/tmp/t/patterns.12"},
        {"", 3, ".3"},
        {std::string(258, 'a'), 0, std::string(258, 'a') + ".0"},
        {std::string(259, 'a'), 0, ""},
        {std::string(257, 'a'), 10, std::string(257, 'a') + ".10"},
        {std::string(258, 'a'), 10, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix.size());
        EXPECT_EQ(patternFileName(c.prefix, c.index), c.expected);
    }
}

}  // namespace
}  // namespace torvask
