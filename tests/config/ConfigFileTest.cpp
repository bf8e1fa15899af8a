#include "config/ConfigFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempDir.h"

namespace torvask {
namespace {

struct Lookup {
    std::string section;
    std::string key;
    std::string expected;
};

struct LoadCase {
    const char* name;
    std::string bytes;
    int result;
    std::vector<Lookup> lookups;
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

class ConfigFileLoad : public ::testing::TestWithParam<LoadCase> {};

TEST_P(ConfigFileLoad, GivesTheseValues) {
    const LoadCase& c = GetParam();
    testing::TempDir dir;
    ConfigFile config;
    EXPECT_EQ(config.load(dir.write("Torvask.cfg", c.bytes)), c.result);
    for (const Lookup& l : c.lookups) {
        SCOPED_TRACE("[" + l.section + "] " + l.key);
        EXPECT_EQ(config.lookup(l.section, l.key), l.expected);
    }
}

const std::string k1023(1023, 'v');

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigFileLoad,
    ::testing::Values(
        LoadCase{"Empty", "", 0, {{"Paths", "TempPath", ""}, {"", "", ""}}},
        LoadCase{"KeysWithoutHeaderAreDropped", "TempPath=temp\nA=1\n", 0, {{"", "TempPath", ""}}},
        LoadCase{"ExactAndCaseSensitive",
                 "[Paths]\nTempPath=temp\n",
                 0,
                 {{"Paths", "TempPath", "temp"}, {"paths", "TempPath", ""}, {"Paths", "temppath", ""}}},
        LoadCase{"BlanksAreVerbatim",
                 "[Paths]\nTempPath = temp\n",
                 0,
                 {{"Paths", "TempPath", ""}, {"Paths", "TempPath ", " temp"}}},
        LoadCase{"RepeatedSectionKeepsTheFirstWhole",
                 "[Paths]\nA=1\n[Paths]\nA=2\nB=3\n",
                 0,
                 {{"Paths", "A", "1"}, {"Paths", "B", ""}}},
        LoadCase{"RepeatedKeyKeepsTheFirst", "[S]\nA=1\nA=2\n", 0, {{"S", "A", "1"}}},
        LoadCase{"SplitAtTheFirstEquals",
                 "[S]\na=b=c\nempty=\n=novalue\n;x=1\n",
                 0,
                 {{"S", "a", "b=c"}, {"S", "empty", ""}, {"S", "", "novalue"}, {"S", ";x", "1"}}},
        LoadCase{"HeaderNamesAreVerbatim",
                 "[a]b]\nk=1\n[ spaced ]\nk=2\n [x]\nk=3\n",
                 0,
                 {{"a]b", "k", "1"}, {" spaced ", "k", "2"}}},
        LoadCase{"EmptyHeaderDropsItsKeys", "[A]\nk=1\n[]\nk=2\n[B]\nk=3\n", 0,
                 {{"A", "k", "1"}, {"", "k", ""}, {"B", "k", "3"}}},
        LoadCase{"LinesWithoutEqualsAreIgnored", "[S]\n\njust text\n[bad\nk=v\n", 0, {{"S", "k", "v"}}},
        LoadCase{"CrLfLineEnds", "[Paths]\r\nTempPath=temp\r\nCarsPath=cars\r\n", 0,
                 {{"Paths", "TempPath", "temp"}, {"Paths", "CarsPath", "cars"}}},
        LoadCase{"CrInsideALineStays", "[S]\nk=a\rb\n", 0, {{"S", "k", "a\rb"}}},
        LoadCase{"LastLineWithoutLineEndIsUsed", "[Paths]\nTempPath=temp", 0, {{"Paths", "TempPath", "temp"}}},
        LoadCase{"LastCrLfLineWithoutLfIsUsed", "[Paths]\r\nTempPath=temp\r", 0,
                 {{"Paths", "TempPath", "temp"}}},
        LoadCase{"HeaderOnLastLineWithoutLineEnd", "[A]\nk=1\n[B]", 0, {{"A", "k", "1"}, {"B", "k", ""}}},
        LoadCase{"Line1023Loads", "[S]\nk=" + k1023.substr(2) + "\n", 0, {{"S", "k", k1023.substr(2)}}},
        LoadCase{"Line1023WithCrLfLoads", "[S]\nk=" + k1023.substr(2) + "\r\n", 0,
                 {{"S", "k", k1023.substr(2)}}},
        LoadCase{"Line1024Fails", "[S]\nk=" + k1023.substr(1) + "\nj=2\n", -1, {{"S", "k", ""}}},
        LoadCase{"Line1024WithoutLineEndFails", "[S]\nk=" + k1023.substr(1), -1, {{"S", "k", ""}}},
        LoadCase{"LongLineKeepsCompletedSections",
                 "[Done]\na=1\n[Current]\nb=2\n" + std::string(5000, 'x') + "\n[Later]\nc=3\n",
                 -1,
                 {{"Done", "a", "1"}, {"Current", "b", ""}, {"Later", "c", ""}}}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST(ConfigFile, MissingFileKeepsEarlierContentThenValidFileReplacesIt) {
    testing::TempDir dir;
    ConfigFile config;
    ASSERT_EQ(config.load(dir.write("a.cfg", "[Paths]\nTempPath=temp\n")), 0);
    EXPECT_EQ(config.load(dir.file("missing.cfg")), -1);
    EXPECT_EQ(config.lookup("Paths", "TempPath"), "temp");
    ASSERT_EQ(config.load(dir.write("b.cfg", "[Other]\nX=1\n")), 0);
    EXPECT_EQ(config.lookup("Paths", "TempPath"), "");
    EXPECT_EQ(config.lookup("Other", "X"), "1");
}

TEST(ConfigFile, AFolderIsNotAFile) {
    testing::TempDir dir;
    ConfigFile config;
    EXPECT_EQ(config.load(dir.str()), -1);
    // Like a file that cannot be opened, it keeps what was loaded before.
    ASSERT_EQ(config.load(dir.write("a.cfg", "[Paths]\nTempPath=temp\n")), 0);
    EXPECT_EQ(config.load(dir.str()), -1);
    EXPECT_EQ(config.lookup("Paths", "TempPath"), "temp");
}

}  // namespace
}  // namespace torvask
