#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/Driver.h"
#include "driver/DriverTestSupport.h"
#include "neural/BaseLink.h"
#include "neural/BaseNode.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

using testing::TempDir;

std::vector<std::vector<double>> outputsFor(Brain& brain) {
    std::vector<std::vector<double>> all;
    for (const auto& inputs : testing::sampleInputs()) all.push_back(testing::brainOutputs(brain, inputs));
    return all;
}

std::vector<std::string> folderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

int lineCount(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

// A driver file from a brain of the given lobe shapes.
std::string driverTextOf(const std::vector<std::vector<int>>& shapes) {
    TempDir dir;
    Brain brain;
    for (const auto& shape : shapes) EXPECT_GE(brain.addLobe("Brain", 0.3, 0.7, shape), 0);
    EXPECT_EQ(brain.save(dir.file("x.driver")), 0);
    return TempDir::read(dir.file("x.driver"));
}

TEST(DriverFile, SavedFileIsTheHeaderAndOneNetworkRecord) {
    TempDir dir;
    Driver driver;
    ASSERT_EQ(driver.save(dir.file("a.driver")), 0);
    const std::string text = TempDir::read(dir.file("a.driver"));
    EXPECT_EQ(text.substr(0, 24), "BRAIN_FILE_VERSION_0001\n");
    EXPECT_EQ(lineCount(text), 169);
    EXPECT_EQ(text.back(), '\n');
    // The body is exactly the lobe's own network text.
    std::stringstream network;
    ASSERT_EQ(driver.getBrain().getLobe(0)->save(network), 0);
    EXPECT_EQ(text.substr(24), network.str());
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"a.driver"}));
}

TEST(DriverFile, RoundTripGivesTheSameOutputs) {
    TempDir dir;
    Driver original;
    ASSERT_EQ(original.save(dir.file("a.driver")), 0);
    const auto expected = outputsFor(original.getBrain());

    Driver copy;  // built with other random weights
    ASSERT_NE(outputsFor(copy.getBrain()), expected);
    ASSERT_EQ(copy.load(dir.file("a.driver")), 0);
    // Saving the loaded driver again writes the same bytes (node values included).
    ASSERT_EQ(copy.save(dir.file("b.driver")), 0);
    EXPECT_EQ(TempDir::read(dir.file("b.driver")), TempDir::read(dir.file("a.driver")));
    EXPECT_EQ(outputsFor(copy.getBrain()), expected);
}

TEST(DriverFile, SaveReplacesAnExistingFile) {
    TempDir dir;
    const std::string path = dir.write("a.driver", "old contents\n");
    Driver driver;
    ASSERT_EQ(driver.save(path), 0);
    EXPECT_EQ(TempDir::read(path).substr(0, 24), "BRAIN_FILE_VERSION_0001\n");
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"a.driver"}));
}

// The temporary file needs no longer name than the target itself.
TEST(DriverFile, LongestFileNamesSave) {
    TempDir dir;
    const std::string path = dir.file(std::string(248, 'd') + ".driver");  // 255 characters, the most a name holds
    Driver driver;
    ASSERT_EQ(driver.save(path), 0);
    Driver copy;
    EXPECT_EQ(copy.load(path), 0);
    EXPECT_EQ(folderEntries(dir.path()).size(), 1u);
}

TEST(DriverFile, SavedFileHasTheUsualPermissions) {
    TempDir dir;
    const mode_t previous = ::umask(022);
    Driver driver;
    const int result = driver.save(dir.file("a.driver"));
    ::umask(previous);
    ASSERT_EQ(result, 0);
    struct stat info {};
    ASSERT_EQ(::stat(dir.file("a.driver").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST(DriverFile, SavingThroughALinkReplacesTheLinkedFileAndKeepsItsMode) {
    TempDir dir;
    const std::string real = dir.write("store/real.driver", "old");
    ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
    std::filesystem::create_symlink(real, dir.file("link.driver"));
    Driver driver;
    ASSERT_EQ(driver.save(dir.file("link.driver")), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.driver")));
    EXPECT_EQ(TempDir::read(real).rfind(kBrainFileHeader, 0), 0u);
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(folderEntries(dir.file("store")), std::vector<std::string>{"real.driver"});
}

// Loading takes from the random sequence and the node and link numbering exactly what building
// the loaded network takes, so a driver made afterwards starts from the weights it would have.
TEST(DriverFile, LoadingTakesOnlyTheLoadedNetworksDraws) {
    TempDir dir;
    Driver saved;
    ASSERT_EQ(saved.save(dir.file("a.driver")), 0);
    Driver driver;
    const int links = 5 * 14 + 14 * 2;
    const int nodes = 5 + 14 + 2;
    std::srand(99);
    const int nodeBefore = BASE_NODE::lastNodeId();
    const int linkBefore = BASE_LINK::lastLinkId();
    ASSERT_EQ(driver.load(dir.file("a.driver")), 0);
    const int nextDraw = std::rand();
    EXPECT_EQ(BASE_NODE::lastNodeId() - nodeBefore, nodes);
    EXPECT_EQ(BASE_LINK::lastLinkId() - linkBefore, links);
    std::srand(99);
    for (int i = 0; i < links; ++i) std::rand();
    EXPECT_EQ(nextDraw, std::rand());
}

struct HeaderCase {
    const char* name;
    std::string header;  // replaces the first line, line end included
    int expected;
};

class DriverFileHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(DriverFileHeader, OnlyTheExactHeaderLoads) {
    const HeaderCase& c = GetParam();
    TempDir dir;
    Driver source;
    ASSERT_EQ(source.save(dir.file("good.driver")), 0);
    const std::string good = TempDir::read(dir.file("good.driver"));
    const std::string path = dir.write("case.driver", c.header + good.substr(24));

    Driver driver;
    const auto before = outputsFor(driver.getBrain());
    EXPECT_EQ(driver.load(path), c.expected);
    EXPECT_EQ(outputsFor(driver.getBrain()), c.expected == 0 ? outputsFor(source.getBrain()) : before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DriverFileHeader,
    ::testing::Values(HeaderCase{"exact", "BRAIN_FILE_VERSION_0001\n", 0},
                      HeaderCase{"carriage return before the line end", "BRAIN_FILE_VERSION_0001\r\n", 0},
                      HeaderCase{"other version", "BRAIN_FILE_VERSION_0002\n", -1},
                      HeaderCase{"lower case", "brain_file_version_0001\n", -1},
                      HeaderCase{"trailing blank", "BRAIN_FILE_VERSION_0001 \n", -1},
                      HeaderCase{"leading blank", " BRAIN_FILE_VERSION_0001\n", -1},
                      HeaderCase{"trailing tab", "BRAIN_FILE_VERSION_0001\t\n", -1},
                      HeaderCase{"digit missing", "BRAIN_FILE_VERSION_000\n", -1},
                      HeaderCase{"two carriage returns", "BRAIN_FILE_VERSION_0001\r\r\n", -1},
                      HeaderCase{"empty line", "\n", -1},
                      HeaderCase{"no header", "", -1},
                      HeaderCase{"line longer than 62 characters", std::string(80, 'x') + "\n", -1},
                      HeaderCase{"header after 62 characters",
                                 std::string(62, ' ') + "BRAIN_FILE_VERSION_0001\n", -1}),
    [](const ::testing::TestParamInfo<HeaderCase>& info) {
        std::string name = info.param.name;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    });

TEST(DriverFile, DamagedFilesFailAndLeaveTheBrainAsItWas) {
    TempDir dir;
    Driver source;
    ASSERT_EQ(source.save(dir.file("good.driver")), 0);
    const std::string good = TempDir::read(dir.file("good.driver"));
    std::string crlf;
    for (char ch : good) {
        if (ch == '\n') crlf += '\r';
        crlf += ch;
    }
    // Cut after the first 100 lines.
    std::size_t cut = 0;
    for (int i = 0; i < 100; ++i) cut = good.find('\n', cut) + 1;

    struct Case {
        const char* name;
        std::string text;
        int expected;
    };
    const Case cases[] = {
        {"whole file", good, 0},
        {"carriage returns throughout", crlf, 0},
        {"header only", "BRAIN_FILE_VERSION_0001\n", -1},
        {"header only without line end", "BRAIN_FILE_VERSION_0001", -1},
        {"empty file", "", -1},
        {"no final line end", good.substr(0, good.size() - 1), -1},
        {"cut after 100 lines", good.substr(0, cut), -1},
        {"a weight that is not a number", good.substr(0, cut) + "  70 x 0 5\n" + good.substr(cut), -1},
        {"wrong input count", driverTextOf({{4, 14, 2}}), -1},
        {"wrong output count", driverTextOf({{5, 14, 3}}), -1},
        {"other hidden layer", driverTextOf({{5, 8, 2}}), 0},
        {"two hidden layers", driverTextOf({{5, 6, 6, 2}}), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.write("case.driver", c.text);
        Driver driver;
        const auto before = outputsFor(driver.getBrain());
        EXPECT_EQ(driver.load(path), c.expected);
        if (c.expected != 0) {
            EXPECT_EQ(outputsFor(driver.getBrain()), before);
        } else {
            testing::ReferenceNetwork reference = testing::referenceOfDriverFile(path);
            for (const auto& inputs : testing::sampleInputs()) {
                EXPECT_EQ(testing::brainOutputs(driver.getBrain(), inputs), reference.forward(inputs));
            }
        }
        EXPECT_EQ(driver.getBrain().getLobeNumInputs(0), 5);
        EXPECT_EQ(driver.getBrain().getLobeNumOutputs(0), 2);
    }
}

TEST(DriverFile, MissingFileAndEmptyBrainFail) {
    TempDir dir;
    Driver driver;
    EXPECT_EQ(driver.load(dir.file("missing.driver")), -1);
    EXPECT_EQ(driver.save(dir.file("no/such/folder/a.driver")), -1);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{});

    ASSERT_EQ(driver.save(dir.file("a.driver")), 0);
    const std::string saved = TempDir::read(dir.file("a.driver"));
    Brain empty;
    EXPECT_EQ(empty.load(dir.file("a.driver")), -1);
    EXPECT_EQ(empty.save(dir.file("a.driver")), -1);
    EXPECT_EQ(TempDir::read(dir.file("a.driver")), saved);
}

// With several lobes a bad second record changes nothing, not even the first lobe.
TEST(DriverFile, TwoLobesLoadTogetherOrNotAtAll) {
    TempDir dir;
    Driver source;
    ASSERT_EQ(source.getBrain().addLobe("Second", 0.3, 0.7, {3, 4, 1}), 1);
    ASSERT_EQ(source.save(dir.file("two.driver")), 0);
    const std::string two = TempDir::read(dir.file("two.driver"));
    EXPECT_EQ(lineCount(two), 169 + 7 + 8 * 3 + 16);

    Driver copy;
    ASSERT_EQ(copy.getBrain().addLobe("Second", 0.3, 0.7, {3, 4, 1}), 1);
    const std::vector<double> inputs = {0.5, 0.25, 0.0, 1.0, -0.125, 0.9, -0.4, 0.3};
    const auto expected = testing::brainOutputs(source.getBrain(), inputs);
    ASSERT_EQ(copy.load(dir.file("two.driver")), 0);
    EXPECT_EQ(testing::brainOutputs(copy.getBrain(), inputs), expected);

    // Second record of the wrong shape: 3 inputs but 2 outputs.
    const std::string oneLobe = driverTextOf({{5, 14, 2}});
    const std::string wrongSecond = driverTextOf({{5, 14, 2}, {3, 4, 2}});
    Driver third;
    ASSERT_EQ(third.getBrain().addLobe("Second", 0.3, 0.7, {3, 4, 1}), 1);
    const auto before = testing::brainOutputs(third.getBrain(), inputs);
    EXPECT_NE(third.load(dir.write("wrong.driver", wrongSecond)), 0);
    EXPECT_EQ(third.load(dir.write("short.driver", oneLobe)), -1);
    EXPECT_EQ(testing::brainOutputs(third.getBrain(), inputs), before);
}

// The old driver file survives a save that cannot write everything.
TEST(DriverFile, FailedSaveKeepsTheOldFile) {
    TempDir dir;
    Driver first;
    const std::string path = dir.file("keep.driver");
    ASSERT_EQ(first.save(path), 0);
    const std::string old = TempDir::read(path);

    // The process may write at most 2000 bytes per file: the new file breaks off part-way.
    struct rlimit previousLimit {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previousLimit), 0);
    struct sigaction ignore {};
    struct sigaction previousAction {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previousAction), 0);
    struct rlimit small = previousLimit;
    small.rlim_cur = 2000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Driver second;
    const int result = second.save(path);
    ::setrlimit(RLIMIT_FSIZE, &previousLimit);
    ::sigaction(SIGXFSZ, &previousAction, nullptr);

    EXPECT_NE(result, 0);
    EXPECT_EQ(TempDir::read(path), old);
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"keep.driver"}));

    // A target that cannot be replaced (a folder) fails too and leaves no temporary file.
    std::filesystem::create_directory(dir.file("folder.driver"));
    EXPECT_NE(second.save(dir.file("folder.driver")), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.driver")));
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"folder.driver", "keep.driver"}));
}

}  // namespace
}  // namespace torvask
