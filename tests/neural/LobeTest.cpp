#include "neural/Lobe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "ReferenceBackprop.h"
#include "neural/BaseLink.h"
#include "neural/Pattern.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

namespace fs = std::filesystem;

// Collects every progress report; stops the training at the first report whose iteration is stopAt
// or more (never when stopAt is negative). onReport runs before the decision.
struct Recorder {
    std::vector<TrainingProgress> reports;
    int stopAt = -1;
    std::function<void(const TrainingProgress&)> onReport;

    static int callback(const TrainingProgress& progress, void* userData) {
        auto* self = static_cast<Recorder*>(userData);
        self->reports.push_back(progress);
        if (self->onReport) self->onReport(progress);
        return self->stopAt >= 0 && progress.iteration >= self->stopAt ? 1 : 0;
    }
};

std::string patternText(std::vector<PATTERN> patterns) {
    std::ostringstream out;
    out.precision(17);
    for (PATTERN& p : patterns) p.save(out);
    return out.str();
}

std::string networkText(Lobe& lobe) {
    std::ostringstream out;
    lobe.getNetwork().save(out);
    return out.str();
}

void setAllWeights(Lobe& lobe, double w) {
    for (int j = 0; j < lobe.getNetwork().getNumLinks(); ++j) lobe.getNetwork().getLink(j)->setValue(w, 0);
}

TEST(LobeShape, CountsAndIndexChecks) {
    Lobe lobe("Brain", 0.3, 0.7, 3, 5, 14, 2);
    EXPECT_EQ(lobe.getName(), "Brain");
    EXPECT_TRUE(lobe.isUsable());
    EXPECT_EQ(lobe.getNumInputs(), 5);
    EXPECT_EQ(lobe.getNumOutputs(), 2);
    EXPECT_EQ(lobe.setInput(0.5, 4), 0);
    EXPECT_EQ(lobe.getNetwork().getNode(4)->getValue(0), 0.5);
    EXPECT_EQ(lobe.setInput(0.25, 5), -1);
    EXPECT_EQ(lobe.getNetwork().getNode(5)->getValue(0), 0.0);
    lobe.run();
    EXPECT_EQ(lobe.getOutput(1), lobe.getNetwork().getNode(20)->getValue(0));
    EXPECT_EQ(lobe.getOutput(2), -1.0);

    const int sizes[] = {2, 1};
    Lobe fromArray("A", 0.1, 0.2, 2, sizes);
    EXPECT_EQ(fromArray.getNumInputs(), 2);
    EXPECT_EQ(fromArray.getNumOutputs(), 1);
}

TEST(LobeShape, ImpossibleShapeGivesAnUnusableLobeThatRefusesToTrain) {
    std::vector<int> tooDeep(65, 1);
    Lobe lobe("Deep", 0.3, 0.7, 65, tooDeep.data());
    EXPECT_FALSE(lobe.isUsable());
    EXPECT_EQ(lobe.getNumInputs(), -1);
    EXPECT_EQ(lobe.setInput(1.0, 0), -1);
    testing::TempDir dir;
    const std::string file = dir.write("p.0", "1 0 0\n");
    Recorder rec;
    EXPECT_EQ(lobe.train(file, dir.str() + "/", 0.1, &Recorder::callback, &rec), -1);
    EXPECT_TRUE(rec.reports.empty());
    EXPECT_FALSE(fs::exists(dir.file("Deep.lobe")));
}

TEST(LobeStreams, LoadAndSaveReportTheStreamState) {
    Lobe lobe("L", 0.3, 0.7, 2, 1, 1);
    std::istringstream atEnd("");
    atEnd.get();  // now at end of input
    EXPECT_EQ(lobe.load(atEnd), -1);

    std::ostringstream bad;
    bad.setstate(std::ios::badbit);
    EXPECT_EQ(lobe.save(bad), -1);
    EXPECT_EQ(bad.str(), "");

    // A network of another shape changes the lobe's counts.
    Lobe other("O", 0.3, 0.7, 3, 3, 2, 2);
    std::stringstream text;
    ASSERT_EQ(other.save(text), 0);
    EXPECT_EQ(lobe.load(text), 0);
    EXPECT_EQ(lobe.getNumInputs(), 3);
    EXPECT_EQ(lobe.getNumOutputs(), 2);
    EXPECT_EQ(networkText(lobe), networkText(other));

    // The stream was not good before: nothing is read.
    std::istringstream failed("7\n2\n1\n1\n2\n1\n");
    failed.setstate(std::ios::failbit);
    EXPECT_EQ(lobe.load(failed), -1);
    EXPECT_EQ(lobe.getNumInputs(), 3);
}

class LobeTraining : public ::testing::Test {
protected:
    testing::TempDir dir;
    std::string prefix() const { return dir.str() + "/run-"; }
};

TEST_F(LobeTraining, AnAlreadyLearnedSetTakesOnePassOneWriteAndOneReport) {
    Lobe lobe("Known", 0.3, 0.7, 3, 2, 3, 2);
    // Targets equal to the outputs make every error term exactly 0, so nothing moves.
    std::vector<PATTERN> patterns;
    const double inputs[][2] = {{0.1, 0.9}, {-0.5, 0.25}, {1.0, 0.0}};
    for (int k = 0; k < 3; ++k) {
        lobe.setInput(inputs[k][0], 0);
        lobe.setInput(inputs[k][1], 1);
        lobe.run();
        patterns.emplace_back(k + 1, std::vector<double>{inputs[k][0], inputs[k][1]},
                              std::vector<double>{lobe.getOutput(0), lobe.getOutput(1)});
    }
    const std::string file = dir.write("patterns.0", patternText(patterns));
    Recorder rec;
    ASSERT_EQ(lobe.train(file, prefix(), 0.1, &Recorder::callback, &rec), 0);
    ASSERT_EQ(rec.reports.size(), 1u);
    const TrainingProgress& r = rec.reports[0];
    EXPECT_EQ(r.lobeName, "Known");
    EXPECT_EQ(r.iteration, 0);
    EXPECT_EQ(r.numPatterns, 3);
    EXPECT_EQ(r.goodPatterns, 3);
    EXPECT_EQ(r.bestSoFar, 3);
    EXPECT_EQ(r.totalError, 0.0);
    // The lobe file holds exactly the network text, which is also what the lobe holds after the reload.
    ASSERT_TRUE(fs::exists(prefix() + "Known.lobe"));
    EXPECT_EQ(testing::TempDir::read(prefix() + "Known.lobe"), networkText(lobe));
    for (int j = 0; j < lobe.getNetwork().getNumLinks(); ++j) {
        EXPECT_EQ(lobe.getNetwork().getLink(j)->getValue(1), 0.0);  // reloaded: no previous change
    }
}

TEST_F(LobeTraining, AMissingPatternFileChangesNothing) {
    Lobe lobe("Brain", 0.3, 0.7, 2, 1, 1);
    const std::string before = networkText(lobe);
    Recorder rec;
    EXPECT_EQ(lobe.train(dir.file("nothing.0"), prefix(), 0.1, &Recorder::callback, &rec), -1);
    EXPECT_TRUE(rec.reports.empty());
    EXPECT_FALSE(fs::exists(prefix() + "Brain.lobe"));
    EXPECT_EQ(networkText(lobe), before);
}

struct EmptyCase {
    const char* name;
    std::string bytes;
};

TEST_F(LobeTraining, NoCompletePatternMeansNoPassAndNoFile) {
    const EmptyCase cases[] = {{"empty", ""}, {"blank lines", "\n\n"}, {"cut record", "1\t0.5"}};
    for (const EmptyCase& c : cases) {
        SCOPED_TRACE(c.name);
        Lobe lobe("Empty", 0.3, 0.7, 2, 1, 1);
        const std::string before = networkText(lobe);
        Recorder rec;
        EXPECT_EQ(lobe.train(dir.write("e.0", c.bytes), prefix(), 0.1, &Recorder::callback, &rec), 0);
        EXPECT_TRUE(rec.reports.empty());
        EXPECT_FALSE(fs::exists(prefix() + "Empty.lobe"));
        EXPECT_EQ(networkText(lobe), before);
    }
}

TEST_F(LobeTraining, TheLobeFileIsPrefixNameAndExtension) {
    Lobe lobe("Brain", 0.3, 0.7, 3, 5, 14, 2);
    setAllWeights(lobe, 0.0);  // every output 0.5
    const std::string file = dir.write("p.0", "1\t0\t0\t0\t0\t0\t0.5\t0.5\n");
    Recorder rec;
    ASSERT_EQ(lobe.train(file, dir.str() + "/P", 0.1, &Recorder::callback, &rec), 0);
    EXPECT_TRUE(fs::exists(dir.file("PBrain.lobe")));
    EXPECT_EQ(rec.reports.size(), 1u);
}

struct BoundaryCase {
    double tolerance;
    int good;
};

TEST_F(LobeTraining, AnOutputExactlyAtTheToleranceIsNotCorrect) {
    // Weight 0 and input 0: the output is exactly 0.5 and stays there.
    const BoundaryCase cases[] = {{0.25, 0}, {std::nextafter(0.25, 1.0), 1}, {0.5, 1}, {0.125, 0}};
    for (const BoundaryCase& c : cases) {
        SCOPED_TRACE(c.tolerance);
        Lobe lobe("Edge", 0.3, 0.7, 2, 1, 1);
        setAllWeights(lobe, 0.0);
        Recorder rec;
        rec.stopAt = 0;
        const std::string file = dir.write("b.0", "1 0 0.75\n");
        ASSERT_EQ(lobe.train(file, prefix(), c.tolerance, &Recorder::callback, &rec), 0);
        ASSERT_EQ(rec.reports.size(), 1u);
        EXPECT_EQ(rec.reports[0].goodPatterns, c.good);
        EXPECT_EQ(fs::exists(prefix() + "Edge.lobe"), c.good > 0);
        fs::remove(prefix() + "Edge.lobe");
    }
}

TEST_F(LobeTraining, StoppingAtTheFirstReportRunsExactlyOnePass) {
    Lobe lobe("Once", 0.3, 0.7, 2, 1, 1);
    setAllWeights(lobe, 0.0);
    // The second pattern can never be good (a sigmoid never reaches 2); the first always is.
    const std::string file = dir.write("o.0", "1 0 0.5\n2 1 2\n");
    Recorder rec;
    rec.stopAt = 0;
    ASSERT_EQ(lobe.train(file, prefix(), 0.1, &Recorder::callback, &rec), 0);
    ASSERT_EQ(rec.reports.size(), 1u);
    EXPECT_EQ(rec.reports[0].goodPatterns, 1);
    EXPECT_EQ(rec.reports[0].numPatterns, 2);
    // One pass: the second pattern moved the weight once, and the reload brought back that state.
    const double o = 0.5;  // f(0)
    const double delta = (1.0 * 0.3) * (((2.0 - o) * (1.0 - o)) * o);
    EXPECT_EQ(lobe.getNetwork().getLink(0)->getValue(0), (0.7 * 0.0 + delta) + 0.0);
    EXPECT_EQ(testing::TempDir::read(prefix() + "Once.lobe"), networkText(lobe));
}

TEST_F(LobeTraining, AnEqualCountDoesNotRewriteAndWithoutAFileTheTrainedWeightsStay) {
    Lobe lobe("Same", 0.3, 0.7, 2, 1, 1);
    setAllWeights(lobe, 0.0);
    const std::string file = dir.write("s.0", "1 0 0.5\n2 1 2\n");
    const std::string lobeFile = prefix() + "Same.lobe";
    Recorder rec;
    rec.stopAt = 10;
    // Removing the snapshot after pass 0 shows whether any later pass (all with the same good count)
    // writes it again.
    rec.onReport = [&lobeFile](const TrainingProgress& p) {
        if (p.iteration == 0) {
            ASSERT_TRUE(fs::exists(lobeFile));
            fs::remove(lobeFile);
        }
    };
    ASSERT_EQ(lobe.train(file, prefix(), 0.1, &Recorder::callback, &rec), 0);
    ASSERT_EQ(rec.reports.size(), 2u);
    EXPECT_EQ(rec.reports[0].iteration, 0);
    EXPECT_EQ(rec.reports[1].iteration, 10);
    EXPECT_EQ(rec.reports[1].goodPatterns, 1);
    EXPECT_EQ(rec.reports[1].bestSoFar, 1);
    EXPECT_FALSE(fs::exists(lobeFile));

    // Nothing to reload: the weight is the one of eleven passes, computed here independently.
    testing::ReferenceBackprop ref{{1, 1}, {0.0}, {0.0}, {0.0, 0.0}, {0.0, 0.0}, 0.3, 0.7};
    for (int pass = 0; pass <= 10; ++pass) {
        ref.step({0.0}, {0.5});
        ref.step({1.0}, {2.0});
    }
    EXPECT_EQ(lobe.getNetwork().getLink(0)->getValue(0), ref.weight[0]);
    EXPECT_EQ(lobe.getNetwork().getLink(0)->getValue(1), ref.previous[0]);
}

// A lobe file this training did not write (another driver's, another shape) is never read back.
TEST_F(LobeTraining, WithNoNewSnapshotAnEarlierLobeFileIsLeftAlone) {
    Lobe earlier("Old", 0.3, 0.7, 3, 1, 2, 1);
    const std::string lobeFile = prefix() + "Old.lobe";
    {
        std::ofstream out(lobeFile);
        ASSERT_EQ(earlier.save(out), 0);
    }
    const std::string earlierText = testing::TempDir::read(lobeFile);
    Lobe lobe("Old", 0.3, 0.7, 2, 1, 1);
    const std::string file = dir.write("n.0", "1 1 2\n");  // never good
    Recorder rec;
    rec.stopAt = 0;
    ASSERT_EQ(lobe.train(file, prefix(), 0.1, &Recorder::callback, &rec), 0);
    EXPECT_EQ(rec.reports[0].bestSoFar, 0);
    EXPECT_EQ(lobe.getNetwork().getNumLayers(), 2);
    EXPECT_NE(networkText(lobe), networkText(earlier));
    EXPECT_EQ(testing::TempDir::read(lobeFile), earlierText);
}

// Pattern files are read in the C locale whatever the process's locale says.
TEST_F(LobeTraining, PatternsReadTheSameUnderACommaDecimalLocale) {
    struct Comma : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new Comma));
    Lobe lobe("Loc", 0.3, 0.7, 2, 1, 1);
    Recorder rec;
    rec.stopAt = 0;
    const int result = lobe.train(dir.write("l.0", "1 0.5 0.25\n2 0.75 0.5\n"), prefix(), 0.1, &Recorder::callback,
                                  &rec);
    std::locale::global(previous);
    ASSERT_EQ(result, 0);
    ASSERT_EQ(rec.reports.size(), 1u);
    EXPECT_EQ(rec.reports[0].numPatterns, 2);
}

TEST_F(LobeTraining, ADamagedSnapshotKeepsTheTrainedWeights) {
    const std::string lobeFile = prefix() + "Dmg.lobe";
    testing::TempDir::read(lobeFile);
    {
        std::ofstream out(lobeFile);
        out << "1\n2\n1\n1\n2\n1\n   2\n1 0";  // cut short
    }
    Lobe lobe("Dmg", 0.3, 0.7, 2, 1, 1);
    setAllWeights(lobe, 0.0);
    Recorder rec;
    rec.stopAt = 0;
    ASSERT_EQ(lobe.train(dir.write("d.0", "1 1 2\n"), prefix(), 0.1, &Recorder::callback, &rec), 0);
    const double o = 0.5;
    EXPECT_EQ(lobe.getNetwork().getLink(0)->getValue(0), (1.0 * 0.3) * (((2.0 - o) * (1.0 - o)) * o));
}

// A whole training run checked against the plain-array reference: every report, and the restored
// best snapshot.
struct RunCase {
    const char* name;
    double tolerance;
    int stopAt;
    bool endsAllGood;
};

class LobeTrainingRun : public LobeTraining, public ::testing::WithParamInterface<RunCase> {};

TEST_P(LobeTrainingRun, ReportsAndTheRestoredSnapshotAgreeWithAnIndependentRun) {
    const std::vector<int> sizes = {2, 3, 1};
    Lobe lobe("Ref", 0.3, 0.7, 3, sizes.data());
    std::vector<PATTERN> patterns;
    const double data[][3] = {{0, 0, 0.2}, {0, 1, 0.4}, {1, 0, 0.6}, {1, 1, 0.8}, {0.5, 0.5, 0.5}};
    for (int k = 0; k < 5; ++k) patterns.emplace_back(k, std::vector<double>{data[k][0], data[k][1]},
                                                      std::vector<double>{data[k][2]});
    const std::string file = dir.write("r.0", patternText(patterns) + "6\t0.25");  // cut last record

    testing::ReferenceBackprop ref{sizes, {}, {}, std::vector<double>(6, 0.0), std::vector<double>(6, 0.0),
                                   0.3, 0.7};
    // Fixed starting weights, so the scenario does not depend on what other tests drew before.
    for (int j = 0; j < lobe.getNetwork().getNumLinks(); ++j) {
        lobe.getNetwork().getLink(j)->setValue(0.5 * std::sin(j + 1.0), 0);
        ref.weight.push_back(lobe.getNetwork().getLink(j)->getValue(0));
    }
    ref.previous.assign(ref.weight.size(), 0.0);

    const double tolerance = GetParam().tolerance;
    const int stopAt = GetParam().stopAt;
    std::vector<TrainingProgress> expected;
    std::vector<double> bestWeights;
    int best = 0;
    int improvements = 0;
    for (int iteration = 0;; ++iteration) {
        int good = 0;
        double totalError = 0.0;
        for (int k = 0; k < 5; ++k) {
            ref.step({data[k][0], data[k][1]}, {data[k][2]});
            const double o = ref.out[5];
            if (std::fabs(o - data[k][2]) < tolerance) ++good;
            totalError += std::fabs(ref.err[5]);
        }
        if (good > best) {
            best = good;
            bestWeights = ref.weight;
            ++improvements;
        }
        if (iteration % 10 == 0 || good == 5) {
            expected.push_back({"Ref", iteration, 5, good, best, totalError});
            if (iteration >= stopAt) break;
        }
        if (good == 5) break;
    }
    ASSERT_GE(improvements, 2) << "the scenario should improve more than once";
    ASSERT_EQ(best == 5, GetParam().endsAllGood);
    if (GetParam().endsAllGood) {
        ASSERT_NE(expected.back().iteration % 10, 0) << "the final report should fall between the tens";
    }

    Recorder rec;
    rec.stopAt = stopAt;
    ASSERT_EQ(lobe.train(file, prefix(), tolerance, &Recorder::callback, &rec), 0);
    ASSERT_EQ(rec.reports.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rec.reports[i].lobeName, expected[i].lobeName);
        EXPECT_EQ(rec.reports[i].iteration, expected[i].iteration);
        EXPECT_EQ(rec.reports[i].numPatterns, expected[i].numPatterns);
        EXPECT_EQ(rec.reports[i].goodPatterns, expected[i].goodPatterns);
        EXPECT_EQ(rec.reports[i].bestSoFar, expected[i].bestSoFar);
        EXPECT_EQ(rec.reports[i].totalError, expected[i].totalError);
    }
    for (int j = 0; j < lobe.getNetwork().getNumLinks(); ++j) {
        SCOPED_TRACE(j);
        EXPECT_EQ(lobe.getNetwork().getLink(j)->getValue(0), bestWeights[j]);
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, LobeTrainingRun,
                         ::testing::Values(RunCase{"StoppedByTheCallback", 0.05, 300, false},
                                           RunCase{"EveryPatternGood", 0.15, 100000, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace torvask
