// torvask-lab train and drive, run as a user runs them: a real process, its output and exit code.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "driver/Driver.h"
#include "driver/ReferenceNetwork.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

using testing::ReferenceNetwork;
using testing::ReferencePattern;
using testing::ReferenceReport;
using testing::TempDir;

std::string labPath;

struct LabRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs torvask-lab with the given arguments and waits for it.
LabRun runLab(const std::vector<std::string>& args) {
    TempDir capture;
    const std::string outFile = capture.file("out"), errFile = capture.file("err");
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv{const_cast<char*>(labPath.c_str())};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(labPath.c_str(), argv.data());
        ::_exit(127);
    }
    LabRun run;
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = TempDir::read(outFile);
    run.err = TempDir::read(errFile);
    return run;
}

std::string progressLines(const std::vector<ReferenceReport>& reports) {
    std::string text;
    char line[200];
    for (const auto& r : reports) {
        std::snprintf(line, sizeof line, "iteration=%d good=%d/%d best=%d error=%.10f\n", r.iteration,
                      r.goodPatterns, r.numPatterns, r.bestSoFar, r.totalError);
        text += line;
    }
    return text;
}

std::string outputLine(const std::vector<double>& outputs) {
    char line[100];
    std::snprintf(line, sizeof line, "%.17g %.17g\n", outputs[0], outputs[1]);
    return line;
}

std::vector<std::string> asArgs(const std::vector<double>& values) {
    std::vector<std::string> args;
    char text[40];
    for (double v : values) {
        std::snprintf(text, sizeof text, "%.17g", v);
        args.push_back(text);
    }
    return args;
}

// The network a fresh torvask-lab process starts from: its first network's weights.
ReferenceNetwork freshNetwork() {
    ReferenceNetwork network;
    network.build({5, 14, 2}, testing::referenceInitialWeights(98), 0.3, 0.7);
    return network;
}

// Records a short demonstration with the program's own pattern writer and reads it back.
std::vector<ReferencePattern> recordPatterns(const std::string& prefix, int count) {
    Driver recorder;
    EXPECT_EQ(recorder.openPatternFiles(prefix), 0);
    for (int k = 0; k < count; ++k) {
        const double h1 = std::sin(0.9 * k), h2 = std::cos(1.3 * k), h3 = std::sin(0.4 * k + 1.0);
        const double turn = std::tanh(h1 - h2);
        EXPECT_EQ(recorder.recordPattern({0.05 + 0.07 * k, h1, h2, h3, turn},
                                         {0.5 + 0.4 * turn, 0.9 - 0.5 * std::fabs(turn)}),
                  0);
    }
    recorder.closePatternFiles();
    std::ifstream in(prefix + ".0");
    std::vector<ReferencePattern> patterns;
    int id = 0;
    while (in >> id) {
        ReferencePattern p{std::vector<double>(5), std::vector<double>(2)};
        for (double& v : p.inputs) in >> v;
        for (double& v : p.targets) in >> v;
        patterns.push_back(p);
    }
    return patterns;
}

const std::vector<std::vector<double>> kDriveInputs = {
    {0.0, 0.0, 0.0, 0.0, 0.0}, {0.5, 0.25, 0.0, 1.0, -0.125}, {0.9, -0.8, 0.3, -1.0, 0.6}};

TEST(LabTrain, EmptyPatternFileSavesTheFirstNetworkOfTheProcess) {
    TempDir dir;
    dir.write("p.0", "");
    const LabRun run = runLab({"train", dir.file("p"), dir.file("fresh.driver")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    std::ifstream in(dir.file("fresh.driver"));
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header, "BRAIN_FILE_VERSION_0001");
    ReferenceNetwork saved;
    ASSERT_TRUE(saved.read(in));
    EXPECT_EQ(saved.weight, testing::referenceInitialWeights(98));
    // --seed starts from that point of the generator's sequence instead.
    ASSERT_EQ(runLab({"train", dir.file("p"), dir.file("seeded.driver"), "--seed", "7"}).exitCode, 0);
    std::ifstream seededIn(dir.file("seeded.driver"));
    std::getline(seededIn, header);
    ASSERT_TRUE(saved.read(seededIn));
    EXPECT_EQ(saved.weight, testing::referenceInitialWeights(98, 7));
}

// Train, then drive: every progress line and both outputs against the reference model.
TEST(LabTrain, TrainThenDriveMatchTheReference) {
    TempDir dir;
    const std::vector<ReferencePattern> patterns = recordPatterns(dir.file("patterns"), 14);
    ASSERT_EQ(patterns.size(), 14u);
    const LabRun train = runLab({"train", dir.file("patterns"), dir.file("taught.driver"), "--stop-at", "25"});
    ASSERT_EQ(train.exitCode, 0) << train.err;

    ReferenceNetwork reference = freshNetwork();
    const std::vector<ReferenceReport> reports = reference.train(patterns, 0.1, 25);
    EXPECT_EQ(train.out, progressLines(reports));
    ASSERT_EQ(reports.size(), 4u);  // passes 0, 10, 20 and 30
    EXPECT_GT(reports.back().bestSoFar, 0);
    // Without --lobe-dir the best network is kept beside the patterns.
    EXPECT_TRUE(std::filesystem::exists(dir.file("Brain.lobe")));

    for (const auto& inputs : kDriveInputs) {
        std::vector<std::string> args{"drive", dir.file("taught.driver")};
        for (const auto& a : asArgs(inputs)) args.push_back(a);
        const LabRun drive = runLab(args);
        ASSERT_EQ(drive.exitCode, 0) << drive.err;
        EXPECT_EQ(drive.out, outputLine(reference.forward(inputs)));
    }
}

TEST(LabTrain, LobeDirHoldsTheBestNetwork) {
    TempDir dir;
    recordPatterns(dir.file("patterns"), 14);
    // The folder is made when it does not exist yet.
    const LabRun run = runLab({"train", dir.file("patterns"), dir.file("a.driver"), "--lobe-dir",
                               dir.file("lobes/new"), "--stop-at", "20"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(std::filesystem::exists(dir.file("lobes/new/Brain.lobe")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("Brain.lobe")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("a.driver")));
}

TEST(LabTrain, StopAtEndsAtTheFirstReportAtOrPastIt) {
    TempDir dir;
    const std::vector<ReferencePattern> patterns = recordPatterns(dir.file("patterns"), 6);
    struct Case {
        const char* stopAt;
        int lastIteration;
    };
    const Case cases[] = {{"0", 0}, {"1", 10}, {"10", 10}, {"11", 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stopAt);
        const LabRun run = runLab({"train", dir.file("patterns"), dir.file("s.driver"), "--stop-at", c.stopAt});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        ReferenceNetwork reference = freshNetwork();
        const auto reports = reference.train(patterns, 0.1, std::atoi(c.stopAt));
        EXPECT_EQ(run.out, progressLines(reports));
        ASSERT_FALSE(reports.empty());
        if (reports.back().goodPatterns < 6) {
            EXPECT_EQ(reports.back().iteration, c.lastIteration);
        }
    }
}

TEST(LabArguments, BadArgumentsPrintUsage) {
    TempDir dir;
    dir.write("p.0", "");
    const std::string p = dir.file("p"), o = dir.file("o.driver");
    struct Case {
        std::vector<std::string> args;
        const char* usage;
    };
    const char* trainUsage = "usage: torvask-lab train PREFIX OUT.driver [--stop-at N] [--lobe-dir DIR] [--seed N]\n";
    const char* driveUsage = "usage: torvask-lab drive DRIVER v0 v1 v2 v3 v4\n";
    const Case cases[] = {
        {{"train"}, trainUsage},
        {{"train", p}, trainUsage},
        {{"train", p, o, "extra"}, trainUsage},
        {{"train", p, o, "--stop-at"}, trainUsage},
        {{"train", p, o, "--stop-at", "-1"}, trainUsage},
        {{"train", p, o, "--stop-at", "1x"}, trainUsage},
        {{"train", p, o, "--stop-at", ""}, trainUsage},
        {{"train", p, o, "--stop-at", "99999999999999999999"}, trainUsage},
        {{"train", p, o, "--lobe-dir"}, trainUsage},
        {{"train", p, o, "--seed", "2147483648"}, trainUsage},
        {{"train", p, o, "--bogus"}, trainUsage},
        {{"drive"}, driveUsage},
        {{"drive", o, "1", "2", "3", "4"}, driveUsage},
        {{"drive", o, "1", "2", "3", "4", "5", "6"}, driveUsage},
        {{"drive", o, "1", "2", "x", "4", "5"}, driveUsage},
        {{"drive", o, "1", "2", "", "4", "5"}, driveUsage},
        {{"drive", o, "1", "2", "nan", "4", "5"}, driveUsage},
        {{"drive", o, "1", "2", "1e999", "4", "5"}, driveUsage},
        {{"drive", o, "1", "2", "3", "4", "5z"}, driveUsage},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const auto& a : c.args) joined += "[" + a + "]";
        SCOPED_TRACE(joined);
        const LabRun run = runLab(c.args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        ASSERT_GE(run.err.size(), std::string(c.usage).size());
        EXPECT_EQ(run.err.substr(run.err.size() - std::string(c.usage).size()), c.usage);
        EXPECT_NE(run.err.find("torvask-lab " + c.args[0] + ": "), std::string::npos);  // says what is wrong
    }
    EXPECT_FALSE(std::filesystem::exists(o));
}

// Whole-number options refuse fractions and values out of range, naming the option, before
// anything runs or is written.
TEST(LabArguments, NumberOptionsRefuseFractionsAndNameTheOption) {
    TempDir dir;
    const std::string t = dir.write("t.trn", "400 400 1 1\n0 100 0 100\n1 300 0 100\n2 300 0 300\n-1\n");
    const std::string o = dir.file("o.driver");
    struct Case {
        std::vector<std::string> args;
        const char* option;
    };
    const Case cases[] = {
        {{"teach", "--track", t, "--out", o, "--laps", "2.5"}, "--laps"},
        {{"teach", "--track", t, "--out", o, "--rounds", "1e1"}, "--rounds"},
        {{"teach", "--track", t, "--out", o, "--passes", "300.0"}, "--passes"},
        {{"teach", "--track", t, "--out", o, "--keep-correcting", "2"}, "--keep-correcting"},
        {{"eval", "--track", t, "--driver", o, "--laps", "0.5"}, "--laps"},
        {{"record", "--track", t, "--seconds", "5", "--out", o, "--laps", "1.5"}, "--laps"},
        {{"run", "--track", t, "--frames", "10.5"}, "--frames"},
        {{"gen-track", "--seed", "7.5", "--out", o}, "--seed"},
        {{"gen-track", "--seed", "4294967296", "--out", o}, "--seed"},
        {{"teach", "--track", t}, "--out"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.option);
        const LabRun run = runLab(c.args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("torvask-lab " + c.args[0] + ": ", 0), 0u) << run.err;
        EXPECT_NE(run.err.substr(0, run.err.find('\n')).find(c.option), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("usage: torvask-lab " + c.args[0] + " "), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(o));
}

TEST(LabArguments, HelpPrintsUsage) {
    const LabRun train = runLab({"train", "--help"});
    EXPECT_EQ(train.exitCode, 0);
    EXPECT_EQ(train.out.rfind("usage: torvask-lab train PREFIX OUT.driver [--stop-at N] [--lobe-dir DIR] [--seed N]\n", 0), 0u);
    const LabRun drive = runLab({"drive", "--help"});
    EXPECT_EQ(drive.exitCode, 0);
    EXPECT_EQ(drive.out.rfind("usage: torvask-lab drive DRIVER v0 v1 v2 v3 v4\n", 0), 0u);
    const LabRun all = runLab({"--help"});
    EXPECT_NE(all.out.find("  train PREFIX"), std::string::npos);
    EXPECT_NE(all.out.find("  drive DRIVER"), std::string::npos);
}

TEST(LabFailures, FailuresExitNonZeroWithAMessage) {
    TempDir dir;
    recordPatterns(dir.file("patterns"), 3);
    const std::string good = dir.file("good.driver");
    ASSERT_EQ(runLab({"train", dir.file("patterns"), good, "--stop-at", "0"}).exitCode, 0);
    dir.write("bad.driver", "BRAIN_FILE_VERSION_0002\n" + TempDir::read(good).substr(24));

    struct Case {
        std::vector<std::string> args;
        const char* message;
        bool trainsFirst;  // progress lines come before the failure
    };
    const Case cases[] = {
        {{"train", dir.file("absent"), dir.file("x.driver")}, "cannot read pattern file", false},
        {{"train", dir.file("patterns"), dir.file("no/such/x.driver"), "--stop-at", "0"}, "cannot save the driver",
         true},
        {{"train", dir.file("patterns"), dir.file("x.driver"), "--lobe-dir", dir.file("patterns.0/lobes")},
         "cannot create lobe folder", false},
        {{"drive", dir.file("absent.driver"), "0", "0", "0", "0", "0"}, "cannot load driver file", false},
        {{"drive", dir.file("bad.driver"), "0", "0", "0", "0", "0"}, "cannot load driver file", false},
        {{"drive", dir.file("patterns.0"), "0", "0", "0", "0", "0"}, "cannot load driver file", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1]);
        const LabRun run = runLab(c.args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out.empty(), !c.trainsFirst);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.driver")));
}

// Ctrl+C ends an endless training at its next report and still saves the best driver.
TEST(LabTrain, InterruptStopsCleanlyAndSaves) {
    TempDir dir;
    // The same inputs with opposite targets: the patterns can never all be learned.
    dir.write("p.0", "1\t0.5\t0.1\t0.2\t0.3\t0.4\t0.05\t0.05\n2\t0.5\t0.1\t0.2\t0.3\t0.4\t0.95\t0.95\n");
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const std::string prefix = dir.file("p"), out = dir.file("i.driver");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        ::close(pipeFds[0]);
        ::execl(labPath.c_str(), labPath.c_str(), "train", prefix.c_str(), out.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::string text;
    char buffer[4096];
    bool interrupted = false;
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (!interrupted && std::count(text.begin(), text.end(), '\n') >= 3) {
            ::kill(pid, SIGINT);
            interrupted = true;
        }
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(interrupted);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);

    // What it printed is an unbroken run of reports, the same as the reference's up to the last one.
    ASSERT_EQ(text.back(), '\n');
    const std::size_t lastStart = text.rfind("iteration=", text.size() - 2);
    const int last = std::atoi(text.c_str() + lastStart + 10);
    EXPECT_EQ(last % 10, 0);
    ReferenceNetwork reference = freshNetwork();
    const auto reports = reference.train(
        {{{0.5, 0.1, 0.2, 0.3, 0.4}, {0.05, 0.05}}, {{0.5, 0.1, 0.2, 0.3, 0.4}, {0.95, 0.95}}}, 0.1, last);
    EXPECT_EQ(text, progressLines(reports));

    Driver loaded;
    EXPECT_EQ(loaded.load(out), 0);
}

// The value of name=VALUE in a line of key=value fields; -1 when it is missing.
long fieldOf(const std::string& line, const std::string& name) {
    const std::size_t at = line.find(" " + name + "=");
    return at == std::string::npos ? -1 : std::strtol(line.c_str() + at + name.size() + 2, nullptr, 10);
}

TEST(LabTeach, ACorrectionRoundRetrainsOnTheDemonstrationPlusEveryCorrection) {
    TempDir dir;
    const std::string out = dir.file("taught.driver");
    // One pass after the demonstration leaves a driver that cannot drive: the round must correct it.
    const LabRun run = runLab({"teach", "--track", TORVASK_DATA_DIR "/tracks/Oval.trn", "--out", out, "--laps", "1",
                               "--rounds", "1", "--passes", "0", "--round-passes", "50", "--eval-laps", "1",
                               "--correct-laps", "1", "--max-seconds", "90"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::istringstream lines(run.out);
    std::string demo, round0, round1, kept, extra;
    ASSERT_TRUE(std::getline(lines, demo) && std::getline(lines, round0) && std::getline(lines, round1) &&
                std::getline(lines, kept))
        << run.out;
    EXPECT_FALSE(std::getline(lines, extra)) << extra;
    // The round kept is named with that round's own figures.
    ASSERT_EQ(kept.rfind("kept round=", 0), 0u) << kept;
    const std::string& keptRound = kept.rfind("kept round=1 ", 0) == 0 ? round1 : round0;
    EXPECT_EQ(kept.substr(kept.find(" laps=")), keptRound.substr(keptRound.find(" laps="))) << run.out;
    const std::regex figures(R"( laps=\d+ offtrack=\d+ maxdev=\d+\.\d\d meanspeed=\d+\.\d\d stuck=[01] )"
                             R"(best=(\d\d:\d\d\.\d\d\d|none)$)");
    ASSERT_EQ(demo.rfind("demo patterns=", 0), 0u) << demo;
    EXPECT_EQ(fieldOf(demo, "laps"), 1) << demo;
    EXPECT_EQ(fieldOf(demo, "offtrack"), 0) << demo;
    ASSERT_EQ(round0.rfind("round=0 ", 0), 0u) << round0;
    ASSERT_EQ(round1.rfind("round=1 ", 0), 0u) << round1;
    for (const std::string* line : {&demo, &round0, &round1}) EXPECT_TRUE(std::regex_search(*line, figures)) << *line;

    const long demonstrated = fieldOf(demo, "patterns");
    EXPECT_GT(demonstrated, 200);  // about 50 s at five a second
    EXPECT_EQ(fieldOf(round0, "patterns"), demonstrated);
    EXPECT_EQ(fieldOf(round0, "corrections"), 0);
    const long corrections = fieldOf(round1, "corrections");
    EXPECT_GE(fieldOf(round1, "takeovers"), 1);
    EXPECT_GT(corrections, 0);
    EXPECT_EQ(fieldOf(round1, "patterns"), demonstrated + corrections);

    Driver taught;
    EXPECT_EQ(taught.load(out), 0);
    const std::string teaching = TempDir::read(dir.file("taught.patterns"));
    EXPECT_EQ(std::count(teaching.begin(), teaching.end(), '\n'), demonstrated + corrections);
}

TEST(LabTeach, ADriverThatLapsCleanlyIsLeftAlone) {
    TempDir dir;
    // On the Technical track the teacher would still take the wheel from the sample driver three
    // times in a lap (--keep-correcting 1), although it laps cleanly.
    const LabRun run = runLab({"teach", "--track", TORVASK_DATA_DIR "/tracks/Technical.trn", "--driver",
                               TORVASK_DATA_DIR "/drivers/Demo.driver", "--out", dir.file("same.driver"), "--rounds",
                               "1", "--eval-laps", "1", "--correct-laps", "1"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::istringstream lines(run.out);
    std::string round0, round1;
    ASSERT_TRUE(std::getline(lines, round0) && std::getline(lines, round1)) << run.out;
    ASSERT_EQ(fieldOf(round0, "offtrack"), 0) << round0;
    EXPECT_EQ(fieldOf(round1, "takeovers"), 0) << round1;
    EXPECT_EQ(round1.substr(round1.find(" laps=")), round0.substr(round0.find(" laps=")));
}

}  // namespace
}  // namespace torvask

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: lab_tests PATH_TO_TORVASK_LAB\n");
        return 2;
    }
    torvask::labPath = argv[1];
    return RUN_ALL_TESTS();
}
