#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "driver/Driver.h"
#include "driver/DriverTestSupport.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

using testing::ReferencePattern;
using testing::ReferenceReport;
using testing::TempDir;

struct Recorded {
    std::string lobeName;
    ReferenceReport report;
};

struct CallbackState {
    std::optional<int> stopAt;
    std::vector<Recorded> seen;
};

int recordProgress(const TrainingProgress& p, void* user) {
    auto* state = static_cast<CallbackState*>(user);
    state->seen.push_back({p.lobeName, {p.iteration, p.numPatterns, p.goodPatterns, p.bestSoFar, p.totalError}});
    return state->stopAt && p.iteration >= *state->stopAt ? 1 : 0;
}

// Reads back a pattern file the way the lobe does: id, five inputs, two targets per record.
std::vector<ReferencePattern> readPatterns(const std::string& path) {
    std::ifstream in(path);
    std::vector<ReferencePattern> patterns;
    int id = 0;
    while (in >> id) {
        ReferencePattern p{std::vector<double>(5), std::vector<double>(2)};
        for (double& v : p.inputs) in >> v;
        for (double& v : p.targets) in >> v;
        if (!in) break;
        patterns.push_back(p);
    }
    return patterns;
}

// Writes patterns with every digit, so targets sit exactly where the test puts them.
void writeExactPatterns(const std::string& path, const std::vector<ReferencePattern>& patterns) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    int id = 1;
    for (const auto& p : patterns) {
        std::fprintf(file, "%d", id++);
        for (double v : p.inputs) std::fprintf(file, "\t%.17g", v);
        for (double v : p.targets) std::fprintf(file, "\t%.17g", v);
        std::fprintf(file, "\n");
    }
    std::fclose(file);
}

void expectSameReports(const std::vector<Recorded>& seen, const std::vector<ReferenceReport>& expected,
                       const std::string& lobeName) {
    ASSERT_EQ(seen.size(), expected.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE("report " + std::to_string(i));
        EXPECT_EQ(seen[i].lobeName, lobeName);
        EXPECT_EQ(seen[i].report.iteration, expected[i].iteration);
        EXPECT_EQ(seen[i].report.numPatterns, expected[i].numPatterns);
        EXPECT_EQ(seen[i].report.goodPatterns, expected[i].goodPatterns);
        EXPECT_EQ(seen[i].report.bestSoFar, expected[i].bestSoFar);
        EXPECT_EQ(seen[i].report.totalError, expected[i].totalError);
    }
}

std::vector<double> lobeFileWeights(const std::string& path) {
    std::ifstream in(path);
    testing::ReferenceNetwork network;
    EXPECT_TRUE(network.read(in)) << path;
    return network.weight;
}

// Recorded driving: a handful of sensor readings and the controls that went with them.
void recordDemonstration(Driver& driver, const std::string& prefix, int count) {
    ASSERT_EQ(driver.openPatternFiles(prefix), 0);
    for (int k = 0; k < count; ++k) {
        const double speed = 0.05 + 0.07 * k;
        const double h1 = std::sin(0.9 * k), h2 = std::cos(1.3 * k), h3 = std::sin(0.4 * k + 1.0);
        const double turn = std::tanh(h1 - h2);
        const double steering = 0.5 + 0.4 * turn;
        const double throttle = 0.9 - 0.5 * std::fabs(turn);
        ASSERT_EQ(driver.recordPattern({speed, h1, h2, h3, turn}, {steering, throttle}), 0);
    }
    ASSERT_EQ(driver.closePatternFiles(), 0);
}

// A stopped training run, pass for pass against the reference: every report, the lobe file's
// snapshot and the network the driver is left with.
TEST(DriverTrain, StoppedRunMatchesTheReferenceExactly) {
    TempDir dir;
    Driver driver;
    testing::ReferenceNetwork reference = testing::referenceOfLobe(driver.getBrain(), 0);
    const std::string prefix = dir.file("patterns");
    recordDemonstration(driver, prefix, 14);
    const std::vector<ReferencePattern> patterns = readPatterns(prefix + ".0");
    ASSERT_EQ(patterns.size(), 14u);

    CallbackState state{60, {}};
    EXPECT_EQ(driver.train(prefix, dir.str() + "/", recordProgress, &state), 0);
    const std::vector<ReferenceReport> expected = reference.train(patterns, 0.1, 60);
    expectSameReports(state.seen, expected, "Brain");

    // The run is a real one: it stopped on request, had good patterns and never learned them all.
    ASSERT_EQ(expected.size(), 7u);
    EXPECT_EQ(expected.back().iteration, 60);
    EXPECT_GT(expected.back().bestSoFar, 0);
    EXPECT_LT(expected.back().bestSoFar, 14);

    ASSERT_TRUE(reference.snapshot.has_value());
    EXPECT_EQ(lobeFileWeights(dir.file("Brain.lobe")), *reference.snapshot);
    for (const auto& inputs : testing::sampleInputs()) {
        EXPECT_EQ(testing::brainOutputs(driver.getBrain(), inputs), reference.forward(inputs));
    }
}

// Training that ends by itself reports the final all-good pass, whatever its number.
TEST(DriverTrain, RunToCompletionReportsTheFinalPass) {
    TempDir dir;
    Driver driver;
    testing::ReferenceNetwork reference = testing::referenceOfLobe(driver.getBrain(), 0);
    const std::vector<ReferencePattern> patterns = {
        {{0.1, 0.2, -0.3, 0.4, 0.0}, {0.3, 0.8}},
        {{0.6, -0.5, 0.1, 0.9, -0.7}, {0.7, 0.4}},
        {{0.3, 0.9, 0.9, -0.2, 0.5}, {0.5, 0.6}},
    };
    writeExactPatterns(dir.file("patterns.0"), patterns);

    CallbackState state{5000, {}};  // a guard only: the run ends long before
    EXPECT_EQ(driver.train(dir.file("patterns"), dir.str() + "/", recordProgress, &state), 0);
    const std::vector<ReferenceReport> expected = reference.train(patterns, 0.1, 5000);
    expectSameReports(state.seen, expected, "Brain");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(expected.back().goodPatterns, 3);
    EXPECT_EQ(expected.back().bestSoFar, 3);
    EXPECT_LT(expected.back().iteration, 5000);
    EXPECT_NE(expected.back().iteration % 10, 0);  // reported because every pattern was good
    EXPECT_EQ(lobeFileWeights(dir.file("Brain.lobe")), *reference.snapshot);
}

// A pattern is good only when every output is strictly within 0.1 of its target.
TEST(DriverTrain, ToleranceIsOneTenth) {
    struct Case {
        double offset0;
        double offset1;
        int good;
    };
    const Case cases[] = {
        {0.0, 0.0, 1},     {0.05, -0.05, 1},  {0.0999, 0.0, 1}, {-0.0999, 0.0999, 1},
        {0.1001, 0.0, 0},  {0.0, -0.1001, 0}, {0.3, 0.3, 0},    {-0.0999, 0.1001, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.offset0) + " " + std::to_string(c.offset1));
        TempDir dir;
        Driver driver;
        const std::vector<double> inputs = {0.4, -0.2, 0.7, 0.1, -0.5};
        const std::vector<double> outputs = testing::brainOutputs(driver.getBrain(), inputs);
        writeExactPatterns(dir.file("p.0"), {{inputs, {outputs[0] + c.offset0, outputs[1] + c.offset1}}});
        CallbackState state{0, {}};
        EXPECT_EQ(driver.train(dir.file("p"), dir.str() + "/", recordProgress, &state), 0);
        ASSERT_EQ(state.seen.size(), 1u);
        EXPECT_EQ(state.seen[0].report.iteration, 0);
        EXPECT_EQ(state.seen[0].report.numPatterns, 1);
        EXPECT_EQ(state.seen[0].report.goodPatterns, c.good);
        EXPECT_EQ(state.seen[0].report.bestSoFar, c.good);
        EXPECT_EQ(std::filesystem::exists(dir.file("Brain.lobe")), c.good == 1);
    }
}

// Each lobe trains on prefix.<index>; the result is the sum of the lobes' results.
TEST(DriverTrain, ResultIsTheSumOverLobes) {
    struct Case {
        bool first;
        bool second;
        int result;
        std::vector<std::string> lobesReporting;
    };
    const Case cases[] = {
        {false, false, -2, {}},
        {true, false, -1, {"Brain"}},
        {false, true, -1, {"Second"}},
        {true, true, 0, {"Brain", "Second"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + std::to_string(c.second));
        TempDir dir;
        Driver driver;
        ASSERT_EQ(driver.getBrain().addLobe("Second", 0.3, 0.7, {3, 4, 1}), 1);
        if (c.first) dir.write("p.0", "1\t0.1\t0.2\t0.3\t0.4\t0.5\t0.5\t0.5\n");
        if (c.second) dir.write("p.1", "1\t0.1\t0.2\t0.3\t0.5\n");
        CallbackState state{0, {}};
        EXPECT_EQ(driver.train(dir.file("p"), dir.str() + "/", recordProgress, &state), c.result);
        std::vector<std::string> names;
        for (const auto& r : state.seen) names.push_back(r.lobeName);
        EXPECT_EQ(names, c.lobesReporting);
    }
}

TEST(DriverTrain, MissingPatternFileTouchesNothing) {
    TempDir dir;
    Driver driver;
    const auto before = testing::brainOutputs(driver.getBrain(), testing::sampleInputs()[1]);
    CallbackState state{std::nullopt, {}};
    EXPECT_EQ(driver.train(dir.file("absent"), dir.str() + "/", recordProgress, &state), -1);
    EXPECT_TRUE(state.seen.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("Brain.lobe")));
    EXPECT_EQ(testing::brainOutputs(driver.getBrain(), testing::sampleInputs()[1]), before);
}

// The lobe file is the lobe folder followed directly by "Brain.lobe", and holds one network.
TEST(DriverTrain, LobeFileGoesIntoTheLobeFolder) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("lobes"));
    Driver driver;
    const std::vector<double> inputs = {0.4, -0.2, 0.7, 0.1, -0.5};
    const std::vector<double> outputs = testing::brainOutputs(driver.getBrain(), inputs);
    writeExactPatterns(dir.file("p.0"), {{inputs, outputs}});
    CallbackState state{0, {}};
    ASSERT_EQ(driver.train(dir.file("p"), dir.file("lobes") + "/", recordProgress, &state), 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("lobes/Brain.lobe")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("Brain.lobe")));
    const std::string text = TempDir::read(dir.file("lobes/Brain.lobe"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 168);

    // Without a separator at its end the folder is a name prefix, as the lobe forms it.
    TempDir second;
    Driver another;
    writeExactPatterns(second.file("p.0"), {{inputs, testing::brainOutputs(another.getBrain(), inputs)}});
    CallbackState secondState{0, {}};
    ASSERT_EQ(another.train(second.file("p"), second.file("best-"), recordProgress, &secondState), 0);
    ASSERT_EQ(secondState.seen.size(), 1u);
    EXPECT_EQ(secondState.seen[0].report.goodPatterns, 1);
    EXPECT_TRUE(std::filesystem::exists(second.file("best-Brain.lobe")));
}

}  // namespace
}  // namespace torvask
