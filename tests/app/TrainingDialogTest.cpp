// The "Training Driver" dialog: button states through a training run, the fields and their
// formats, Stop, closing while training, and the chart. The trainer here is a scripted
// stand-in that reports like a lobe does (after pass k when k is a multiple of 10 or every
// pattern was good; it stops when the callback says so or every pattern is good).
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QLineSeries>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QValueAxis>
#include <cmath>
#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>
#include <mutex>

#include <QSpinBox>

#include "ModalHelper.h"
#include "app/AppSettings.h"
#include "app/TrainingDialog.h"

namespace torvask {
namespace {

struct ScriptedLobe {
    std::string name;
    int numPatterns = 25;
    int allGoodAt = -1;  // pass at which every pattern becomes good; -1 never
    int passDelayUs = 200;
};

// Records what each lobe reported and how it ended; shared with the training thread.
struct Script {
    std::vector<ScriptedLobe> lobes;
    std::mutex mutex;
    std::vector<std::pair<std::string, int>> reports;  // (lobe, iteration)
    std::vector<int> endedAt;                           // per lobe, the last pass run
    std::atomic<int> passes{0};

    TrainingDialog::Trainer trainer() {
        return [this](const std::string& prefix, const std::string& folder, ProgressCallback cb, void* user) {
            EXPECT_EQ(prefix, "/tmp/x/patterns");
            EXPECT_EQ(folder, "/tmp/x/");
            for (const ScriptedLobe& lobe : lobes) {
                int best = 0;
                for (int k = 0;; ++k) {
                    ++passes;
                    std::this_thread::sleep_for(std::chrono::microseconds(lobe.passDelayUs));
                    const bool allGood = lobe.allGoodAt >= 0 && k >= lobe.allGoodAt;
                    const int good = allGood ? lobe.numPatterns : std::min(lobe.numPatterns - 1, k / 3);
                    best = std::max(best, good);
                    if (k % 10 == 0 || allGood) {
                        TrainingProgress p;
                        p.lobeName = lobe.name;
                        p.iteration = k;
                        p.numPatterns = lobe.numPatterns;
                        p.goodPatterns = good;
                        p.bestSoFar = best;
                        p.totalError = 0.5 + 10.0 / (k + 1);
                        {
                            std::lock_guard<std::mutex> lock(mutex);
                            reports.emplace_back(lobe.name, k);
                        }
                        const int stop = cb(p, user);
                        if (stop != 0 || allGood) {
                            std::lock_guard<std::mutex> lock(mutex);
                            endedAt.push_back(k);
                            break;
                        }
                    }
                }
            }
            return 0;
        };
    }
};

class TrainingDialogRun : public ::testing::Test {
protected:
    // Each test starts from the default "Stop after".
    void SetUp() override { openSettings()->remove(QStringLiteral("training/iterationLimit")); }
    void prepare(TrainingDialog& d, Script& script) {
        d.patternPrefix = "/tmp/x/patterns";
        d.lobeFolder = "/tmp/x/";
        d.driversFolder = "/tmp/drivers/";
        d.setTrainer(script.trainer());
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    }
    struct Buttons {
        bool start, stop, test;
        bool operator==(const Buttons&) const = default;
    };
    static Buttons buttons(const TrainingDialog& d) {
        return {d.startButton()->isEnabled(), d.stopButton()->isEnabled(), d.testDriverButton()->isEnabled()};
    }
    // Acknowledges "Training Complete" and records that it was seen.
    std::shared_ptr<bool> acknowledgeComplete(Buttons* statesWhileShown = nullptr, TrainingDialog* d = nullptr) {
        return testing::whenModal([statesWhileShown, d](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || box->text() != QStringLiteral("Training Complete")) return false;
            if (statesWhileShown && d) *statesWhileShown = buttons(*d);
            box->button(QMessageBox::Ok)->click();
            return true;
        });
    }
};

TEST_F(TrainingDialogRun, StartsReadyWithEmptyFields) {
    Script script;
    TrainingDialog d;
    prepare(d, script);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Training Driver"));
    EXPECT_EQ(buttons(d), (Buttons{true, false, false}));
    EXPECT_TRUE(d.startButton()->isDefault());
    for (QLineEdit* f : {d.iterationsField(), d.goodPatternsField(), d.bestField(), d.totalErrorField()}) {
        SCOPED_TRACE(f->objectName().toStdString());
        EXPECT_TRUE(f->text().isEmpty());
        EXPECT_TRUE(f->isReadOnly());
        EXPECT_TRUE(f->isVisible());
    }
    EXPECT_FALSE(d.lobeField()->isVisible());
    EXPECT_FALSE(d.findChild<QPushButton*>(QStringLiteral("cancelButton"))->isVisible());
    // The empty chart's iteration ticks are whole numbers (the labels print them as integers).
    const QValueAxis* axis = d.iterationAxis();
    const double step = (axis->max() - axis->min()) / (axis->tickCount() - 1);
    for (int i = 0; i < axis->tickCount(); ++i) {
        const double tick = axis->min() + i * step;
        EXPECT_EQ(tick, std::round(tick)) << i;
    }
}

TEST_F(TrainingDialogRun, WithoutADriverTheButtonsStayAsBuilt) {
    TrainingDialog d;
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_EQ(buttons(d), (Buttons{true, true, true}));
}

TEST_F(TrainingDialogRun, RunsToTheEndWhenEveryPatternIsGood) {
    Script script;
    script.lobes = {{"Brain", 25, 37, 200}};
    TrainingDialog d;
    prepare(d, script);
    Buttons whileComplete{};
    auto complete = acknowledgeComplete(&whileComplete, &d);
    QTest::mouseClick(d.startButton(), Qt::LeftButton);
    EXPECT_EQ(buttons(d), (Buttons{false, true, false}));
    ASSERT_TRUE(testing::waitUntil([&] { return *complete && d.testDriverButton()->isEnabled(); }));
    EXPECT_EQ(whileComplete, (Buttons{false, true, false})) << "the states change only after the box is closed";
    EXPECT_EQ(buttons(d), (Buttons{false, false, true}));
    std::vector<int> iterations;
    for (const auto& r : script.reports) iterations.push_back(r.second);
    EXPECT_EQ(iterations, (std::vector<int>{0, 10, 20, 30, 37}));
    EXPECT_EQ(d.iterationsField()->text(), QStringLiteral("37"));
    EXPECT_EQ(d.goodPatternsField()->text(), QStringLiteral("25/25"));
    EXPECT_EQ(d.bestField()->text(), QStringLiteral("25"));
    EXPECT_EQ(d.totalErrorField()->text(), TrainingDialog::formatTotalError(0.5 + 10.0 / 38));
    EXPECT_EQ(d.lobeField()->text(), QStringLiteral("Brain"));
    ASSERT_EQ(d.errorSeries()->count(), 5);
    EXPECT_DOUBLE_EQ(d.errorSeries()->at(4).x(), 37.0);
    EXPECT_DOUBLE_EQ(d.goodShareSeries()->at(4).y(), 100.0);
    EXPECT_DOUBLE_EQ(d.goodShareSeries()->at(1).y(), 100.0 * 3 / 25);
    QTest::mouseClick(d.testDriverButton(), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_FALSE(d.isVisible());
    EXPECT_FALSE(d.startButton()->isEnabled()) << "a dialog trains at most once";
}

TEST_F(TrainingDialogRun, ReportsFasterThanTheScreenEndWithTheLastOneShownAndABoundedChart) {
    Script script;
    // 20,001 reports back to back: the callback must not wait for the GUI thread for each one.
    script.lobes = {{"Brain", 25, 200000, 0}};
    TrainingDialog d;
    prepare(d, script);
    d.iterationLimitBox()->setValue(0);  // no limit
    EXPECT_EQ(d.iterationLimitBox()->text(), QStringLiteral("no limit"));
    auto complete = acknowledgeComplete();
    QTest::mouseClick(d.startButton(), Qt::LeftButton);
    ASSERT_TRUE(testing::waitUntil([&] { return d.testDriverButton()->isEnabled(); }));
    EXPECT_TRUE(*complete);
    EXPECT_EQ(script.reports.size(), 20001u);
    EXPECT_EQ(d.iterationsField()->text(), QStringLiteral("200000"));
    EXPECT_EQ(d.goodPatternsField()->text(), QStringLiteral("25/25"));
    const int points = d.errorSeries()->count();
    EXPECT_LE(points, 2000);
    EXPECT_GE(points, 1000);
    // The ends and the peak of the curve survive the thinning.
    EXPECT_EQ(d.errorSeries()->at(0), QPointF(0, 10.5));
    EXPECT_EQ(d.errorSeries()->at(points - 1).x(), 200000.0);
    EXPECT_EQ(d.goodShareSeries()->at(d.goodShareSeries()->count() - 1).y(), 100.0);
}

TEST_F(TrainingDialogRun, EveryLobeStopsAtTheRememberedIterationLimit) {
    {
        TrainingDialog first;
        EXPECT_EQ(first.iterationLimitBox()->value(), TrainingDialog::kDefaultIterationLimit);
        EXPECT_EQ(first.iterationLimitBox()->text(), QStringLiteral("1000 iterations"));
        first.iterationLimitBox()->setValue(205);
    }
    Script script;
    script.lobes = {{"Brain", 25, -1, 0}, {"Second", 25, -1, 0}};
    TrainingDialog d;
    prepare(d, script);
    EXPECT_EQ(d.iterationLimitBox()->value(), 205);
    auto complete = acknowledgeComplete();
    QTest::mouseClick(d.startButton(), Qt::LeftButton);
    ASSERT_TRUE(testing::waitUntil([&] { return d.testDriverButton()->isEnabled(); }));
    EXPECT_TRUE(*complete);
    // Lobes report every tenth pass: the first report at or past the limit ends each one.
    EXPECT_EQ(script.endedAt, (std::vector<int>{210, 210}));
    EXPECT_EQ(d.iterationsField()->text(), QStringLiteral("210"));
    EXPECT_TRUE(d.hasTrained());
}

TEST_F(TrainingDialogRun, StopEndsTheLobeAtItsNextReport) {
    Script script;
    script.lobes = {{"Brain", 25, -1, 300}};
    TrainingDialog d;
    prepare(d, script);
    auto complete = acknowledgeComplete();
    QTest::mouseClick(d.startButton(), Qt::LeftButton);
    ASSERT_TRUE(testing::waitUntil([&] { return script.passes.load() > 25; }));
    QTest::mouseClick(d.stopButton(), Qt::LeftButton);
    ASSERT_TRUE(testing::waitUntil([&] { return d.testDriverButton()->isEnabled(); }));
    EXPECT_TRUE(*complete);
    ASSERT_EQ(script.endedAt.size(), 1u);
    EXPECT_EQ(script.endedAt[0] % 10, 0);
    EXPECT_GE(script.endedAt[0], 20);
    EXPECT_EQ(d.iterationsField()->text(), QString::number(script.endedAt[0]));
    EXPECT_EQ(buttons(d), (Buttons{false, false, true}));
}

TEST_F(TrainingDialogRun, StopTwiceBeforeAReportStopsOnlyTheLobeInTraining) {
    Script script;
    // The first lobe is slow to its first report, so both presses land before it.
    script.lobes = {{"First", 10, -1, 100000}, {"Second", 10, 12, 100}};
    TrainingDialog d;
    prepare(d, script);
    auto complete = acknowledgeComplete();
    QTest::mouseClick(d.startButton(), Qt::LeftButton);
    QTest::mouseClick(d.stopButton(), Qt::LeftButton);
    QTest::mouseClick(d.stopButton(), Qt::LeftButton);
    ASSERT_TRUE(testing::waitUntil([&] { return d.testDriverButton()->isEnabled(); }));
    ASSERT_EQ(script.endedAt.size(), 2u);
    EXPECT_EQ(script.endedAt[0], 0) << "stopped at its first report";
    EXPECT_EQ(script.endedAt[1], 12) << "the second lobe trained to its end";
    EXPECT_EQ(d.goodPatternsField()->text(), QStringLiteral("10/10"));
    EXPECT_EQ(d.errorSeries()->count(), 3) << "the chart restarts for the second lobe: 0, 10, 12";
}

TEST_F(TrainingDialogRun, ClosingWhileTrainingStopsAndClosesOnceTheThreadHasEnded) {
    Script script;
    script.lobes = {{"First", 25, -1, 2000}, {"Second", 25, -1, 2000}};
    TrainingDialog d;
    prepare(d, script);
    bool sawComplete = false;
    auto watcher = testing::whenModal(
        [&sawComplete](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box) {
                sawComplete = true;
                box->button(QMessageBox::Ok)->click();
            }
            return false;
        },
        3000);
    QTest::mouseClick(d.startButton(), Qt::LeftButton);
    ASSERT_TRUE(testing::waitUntil([&] { return !d.iterationsField()->text().isEmpty(); }));
    QTest::keyClick(&d, Qt::Key_Escape);
    // Still open: the thread runs until its next report, and the GUI keeps working meanwhile.
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(d.isTraining());
    ASSERT_TRUE(testing::waitUntil([&] { return !d.isVisible(); }));
    EXPECT_FALSE(d.isTraining());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    ASSERT_EQ(script.endedAt.size(), 2u) << "every lobe stops, not only the one in training";
    EXPECT_EQ(script.endedAt[1], 0);
    QTest::qWait(100);
    EXPECT_FALSE(sawComplete) << "no \"Training Complete\" after the user closed the dialog";
}

TEST_F(TrainingDialogRun, DestroyingTheDialogMidTrainingWaitsForTheThread) {
    Script script;
    script.lobes = {{"Brain", 25, -1, 500}};
    auto d = std::make_unique<TrainingDialog>();
    prepare(*d, script);
    QTest::mouseClick(d->startButton(), Qt::LeftButton);
    ASSERT_TRUE(testing::waitUntil([&] { return script.passes.load() > 3; }));
    d.reset();
    ASSERT_EQ(script.endedAt.size(), 1u);
    const int passes = script.passes.load();
    QTest::qWait(50);
    EXPECT_EQ(script.passes.load(), passes) << "nothing runs after the dialog is gone";
}

// Destroyed in the middle of a long pass, the dialog sleeps until the thread ends instead of
// polling for events on a core of its own.
TEST_F(TrainingDialogRun, DestroyingMidPassWaitsWithoutSpinning) {
    std::atomic<bool> inPass{false};
    auto d = std::make_unique<TrainingDialog>();
    d->patternPrefix = "/tmp/x/patterns";
    d->lobeFolder = "/tmp/x/";
    d->setTrainer([&inPass](const std::string&, const std::string&, ProgressCallback, void*) {
        inPass = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        return 0;
    });
    d->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d.get()));
    QTest::mouseClick(d->startButton(), Qt::LeftButton);
    ASSERT_TRUE(testing::waitUntil([&] { return inPass.load(); }));
    timespec cpuBefore{}, cpuAfter{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuBefore);
    const auto wallBefore = std::chrono::steady_clock::now();
    d.reset();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpuAfter);
    const double cpu = double(cpuAfter.tv_sec - cpuBefore.tv_sec) + double(cpuAfter.tv_nsec - cpuBefore.tv_nsec) / 1e9;
    ASSERT_GT(wall, 0.2);
    EXPECT_LT(cpu, wall / 4) << "cpu " << cpu << " s of " << wall << " s waiting";
}

TEST(TrainingDialogFormat, TotalErrorHasTenDecimalsAndAtLeastTenCharacters) {
    const std::pair<double, const char*> cases[] = {
        {0.5, "0.5000000000"}, {0.0, "0.0000000000"}, {12.25, "12.2500000000"},
        {1e-11, "0.0000000000"}, {123456.000000000049, "123456.0000000000"}, {-0.25, "-0.2500000000"},
    };
    for (const auto& [value, text] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(TrainingDialog::formatTotalError(value), QString::fromLatin1(text));
    }
}

TEST(TrainingDialogCallback, AnEmptyUserValueAsksToStop) {
    TrainingProgress p;
    EXPECT_EQ(TrainingDialog::progressCallback(p, nullptr), -1);
}

}  // namespace
}  // namespace torvask
