// The whole application through its real window: start-up through the Setup dialog, driving
// with real key events, the camera keys and menu entries, training, AI Control, saving and
// reloading the driver, and the first start-up's Quit and failure paths. Time comes from a
// virtual clock that the test advances by one 60 Hz frame per frame.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QFileDialog>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QMessageBox>
#include <QPushButton>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <filesystem>

#include "ModalHelper.h"
#include "app/AppSettings.h"
#include "app/CMainFrame.h"
#include "app/CTorvaskView.h"
#include "app/CommandIds.h"
#include "app/DriverReportDialog.h"
#include "app/GenerateTrackDialog.h"
#include "app/IdleLoop.h"
#include "app/NetworkView.h"
#include "app/MessageBoxSink.h"
#include "app/SetupDialog.h"
#include "app/TorvaskApp.h"
#include "app/TrainingDialog.h"
#include "common/Messages.h"
#include "driver/Driver.h"
#include "neural/BackpropNetwork.h"
#include "physics/Car.h"
#include "render/CameraController.h"
#include "sim/CTorvaskDoc.h"
#include "support/TempDir.h"
#include "teach/DriveRecord.h"

namespace fs = std::filesystem;

namespace torvask {
namespace {

using torvask::testing::TempDir;
using torvask::testing::waitUntil;
using torvask::testing::whenModal;

constexpr std::uint32_t kFrameMs = 17;

using torvask::testing::screenshot;

// A program folder with the configuration, one sample track and the generated art.
class ProgramFolder {
public:
    ProgramFolder() {
        dir.write("Torvask.cfg",
                  "[Paths]\nTracksPath=tracks\nCarsPath=cars\nDriversPath=drivers\nEnviroPath=enviro\nTempPath=temp\n");
        const fs::path build(TORVASK_BUILD_DIR);
        fs::create_directories(dir.path() / "tracks");
        fs::create_directories(dir.path() / "drivers");
        fs::copy_file(fs::path(TORVASK_SOURCE_DIR) / "data/tracks/Oval.trn", dir.path() / "tracks/oval.trn");
        fs::copy_file(build / "tracks/track.dds", dir.path() / "tracks/track.dds");
        fs::copy_file(build / "tracks/startline.dds", dir.path() / "tracks/startline.dds");
        fs::copy(build / "enviro", dir.path() / "enviro", fs::copy_options::recursive);
        fs::copy(build / "cars", dir.path() / "cars", fs::copy_options::recursive);
    }
    std::string folder() const { return dir.str() + "/"; }
    TempDir dir;
};

// Types a name into the save dialog's file name field and presses Enter, as a user does.
void typeFileName(QFileDialog* fd, const QString& name) {
    auto* edit = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
    QTimer::singleShot(0, edit, [edit] { QTest::keyClick(edit, Qt::Key_Return); });
}

// Picks a track and a driver by their shown names in the next Setup dialog and presses OK.
std::shared_ptr<bool> chooseInSetup(const QString& track, const QString& driver, bool quit = false) {
    return whenModal([=](QWidget* w) {
        auto* d = qobject_cast<SetupDialog*>(w);
        if (!d || !d->isVisible()) return false;
        screenshot(quit ? "setup-quit" : "setup");
        if (quit) {
            QTimer::singleShot(0, d->quitButton(), &QPushButton::click);
            return true;
        }
        d->trackList()->setCurrentIndex(d->trackList()->findText(track));
        d->driverList()->setCurrentIndex(d->driverList()->findText(driver));
        if (d->trackList()->currentIndex() < 0 || d->driverList()->currentIndex() < 0) {
            // Not listed: a failure already; quit rather than leave the dialog open.
            ADD_FAILURE() << "not listed: " << track.toStdString() << " / " << driver.toStdString();
            QTimer::singleShot(0, d->quitButton(), &QPushButton::click);
            return true;
        }
        QTimer::singleShot(0, d->okButton(), &QPushButton::click);
        return true;
    });
}

class AppSession : public ::testing::Test {
protected:
    void SetUp() override {
        // Each session starts with the remembered choices a first run has.
        openSettings()->remove(QStringLiteral("driver/learnAtOnce"));
        auto clockOwned = std::make_unique<VirtualTickClock>(100000);
        clock = clockOwned.get();
        app = std::make_unique<TorvaskApp>(std::move(clockOwned));
        app->setProgramFolder(folder.folder());
        app->frame().resize(800, 650);
        app->frame().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&app->frame()));
    }
    void TearDown() override {
        // Nothing left to save: the window closes without a question.
        app.reset();
    }
    void frames(int count) {
        for (int i = 0; i < count; ++i) {
            clock->advance(kFrameMs);
            app->runFrame();
        }
    }
    // Esc held over one frame, as a person presses it: what it opens runs inside that frame.
    void pressEscape() {
        QTest::keyPress(&app->view(), Qt::Key_Escape);
        frames(1);
        QTest::keyRelease(&app->view(), Qt::Key_Escape);
    }
    void focusView() {
        for (int attempt = 0; attempt < 5; ++attempt) {
            app->frame().activateWindow();
            app->view().requestActivate();
            if (!waitUntil([this] { return QGuiApplication::focusWindow() == &app->view(); })) continue;
            // A focus change still on its way (the dialog that just closed handing the focus
            // back) would take it away again and clear the keys; let it arrive first.
            QTest::qWait(100);
            if (QGuiApplication::focusWindow() == &app->view()) return;
        }
        ADD_FAILURE() << "the view did not keep the keyboard focus";
    }
    // Holds W until a pattern is recorded, so that Esc offers training.
    void recordAPattern() {
        focusView();
        QTest::keyPress(&app->view(), Qt::Key_W);
        for (int i = 0; i < 60 && doc().getDriver()->getPatternCount() == 0; ++i) frames(1);
        QTest::keyRelease(&app->view(), Qt::Key_W);
        ASSERT_GT(doc().getDriver()->getPatternCount(), 0);
    }
    CTorvaskDoc& doc() { return app->document(); }

    MessageBoxSink sink;
    ProgramFolder folder;
    VirtualTickClock* clock = nullptr;
    std::unique_ptr<TorvaskApp> app;
};

TEST_F(AppSession, DriveTrainTestSaveAndReload) {
    // Start on the sample track with a new driver.
    auto setup = chooseInSetup("Oval", "Train new driver");
    ASSERT_TRUE(app->initialUpdate());
    ASSERT_TRUE(*setup);
    ASSERT_TRUE(doc().isSceneReady());
    EXPECT_EQ(doc().getMode(), kModeUserControl);
    frames(2);
    EXPECT_EQ(statusText().rfind("Mode: User Control", 0), 0u);
    EXPECT_FALSE(app->frame().action(command::kFileSave)->isEnabled());
    focusView();

    // Hold W through real key events: the throttle ramps at 0.25 per second.
    QTest::keyPress(&app->view(), Qt::Key_W);
    frames(60);
    EXPECT_NEAR(doc().getThrottle(), 0.25 * 60 * kFrameMs / 1000.0, 0.01);
    EXPECT_TRUE(doc().isDrivingStarted());
    QTest::keyPress(&app->view(), Qt::Key_A);
    frames(120);
    EXPECT_DOUBLE_EQ(doc().getSteering(), -1.0 / 3.0);
    QTest::keyRelease(&app->view(), Qt::Key_A);
    frames(60);
    screenshot("driving");
    QTest::keyRelease(&app->view(), Qt::Key_W);
    frames(30);
    EXPECT_DOUBLE_EQ(doc().getThrottle(), 0.0);

    // F1 to F6 switch the cameras while held.
    // View > Camera marks the camera in use.
    EXPECT_TRUE(app->frame().action(command::kCameraChase)->isChecked()) << "User Control starts beside Chase";
    struct CameraKey {
        Qt::Key key;
        std::int32_t mode;
        Vector3 offset;
        int command;
    } cameraKeys[] = {
        {Qt::Key_F1, CameraController::kModeStatic, {}, command::kCameraLongshot},
        {Qt::Key_F2, CameraController::kModePath, {}, command::kCameraFollowTrack},
        {Qt::Key_F3, CameraController::kModeFollow, Vector3(2.5, 3.0, -8.0), command::kCameraChase},
        {Qt::Key_F4, CameraController::kModeFollow, Vector3(2.5, 2.0, 8.0), command::kCameraFront},
        {Qt::Key_F5, CameraController::kModeFollow, Vector3(5.0, 1.5, -12.0), command::kCameraSide},
        {Qt::Key_F6, CameraController::kModeFollow, Vector3(0.0, 40.0, 0.0), command::kCameraOverhead},
    };
    for (const CameraKey& c : cameraKeys) {
        SCOPED_TRACE(c.key);
        QTest::keyPress(&app->view(), c.key);
        frames(1);
        QTest::keyRelease(&app->view(), c.key);
        EXPECT_EQ(doc().getCameraController().mode(), c.mode);
        if (c.mode == CameraController::kModeFollow) {
            EXPECT_EQ(doc().getCameraController().offset(), c.offset);
        }
        EXPECT_TRUE(app->frame().action(c.command)->isChecked());
        frames(1);
    }
    // The View > Camera entries do the same.
    app->frame().action(command::kCameraFollowTrack)->trigger();
    EXPECT_EQ(doc().getCameraController().mode(), CameraController::kModePath);
    app->frame().action(command::kCameraChase)->trigger();
    EXPECT_EQ(doc().getCameraController().offset(), Vector3(2.5, 3.0, -8.0));

    // Esc, Yes, then train: Start, Stop after some progress, acknowledge, Test Driver.
    QString question;
    auto yes = testing::answerMessageBox("Train driver with collected data?", QMessageBox::Yes, &question,
                                         "question-train");
    bool stopped = false;
    bool sawComplete = false;
    QString progressAtStop;
    auto training = whenModal(
        [&](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                if (box->text() != QStringLiteral("Training Complete")) return false;
                sawComplete = true;
                screenshot("training-complete");
                QTimer::singleShot(0, box->button(QMessageBox::Ok), &QAbstractButton::click);
                return false;
            }
            auto* d = qobject_cast<TrainingDialog*>(w);
            if (!d) return false;
            if (d->startButton()->isEnabled()) {
                d->startButton()->click();
            } else if (!stopped && d->errorSeries()->count() >= 5) {
                progressAtStop = d->iterationsField()->text();
                screenshot("training");
                d->stopButton()->click();
                stopped = true;
            } else if (d->testDriverButton()->isEnabled()) {
                QTimer::singleShot(0, d->testDriverButton(), &QAbstractButton::click);
                return true;
            }
            return false;
        },
        120000);
    pressEscape();  // returns when training is over and the dialog has closed
    EXPECT_TRUE(*yes);
    EXPECT_EQ(question, QStringLiteral("Torvask")) << "the title of the question box";
    EXPECT_TRUE(*training);
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(sawComplete);
    EXPECT_FALSE(progressAtStop.isEmpty());
    EXPECT_EQ(doc().getMode(), kModeAIControl);
    EXPECT_TRUE(doc().isDriverModified());
    EXPECT_TRUE(fs::exists(folder.dir.path() / "temp/patterns.0"));
    frames(30);
    EXPECT_EQ(statusText().rfind("Mode: AI Control", 0), 0u);
    EXPECT_NE(doc().getLapText().find("Last Lap: 99:99.999"), std::string::npos);
    EXPECT_TRUE(app->frame().action(command::kFileSave)->isEnabled());
    screenshot("ai-control");

    // File > Save into the drivers folder; the extension is added.
    const fs::path saved = folder.dir.path() / "drivers/mine.driver";
    QString saveTitle;
    auto save = whenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        if (!fd || !fd->isVisible()) return false;
        saveTitle = fd->windowTitle();
        EXPECT_EQ(fs::path(fd->directory().absolutePath().toStdString()), folder.dir.path() / "drivers");
        EXPECT_EQ(fd->defaultSuffix(), QStringLiteral("driver"));
        EXPECT_EQ(fd->nameFilters(), (QStringList{"Torvask Files (*.driver)", "All Files (*)"}));
        screenshot("save-driver");
        typeFileName(fd, (folder.dir.path() / "drivers/mine").c_str());
        return true;
    });
    app->frame().action(command::kFileSave)->trigger();
    EXPECT_TRUE(*save);
    EXPECT_EQ(saveTitle, QStringLiteral("Save Driver"));
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_EQ(TempDir::read(saved.string()).rfind("BRAIN_FILE_VERSION_0001", 0), 0u);
    EXPECT_FALSE(doc().isDriverModified());

    // File > New and pick the saved driver: it starts in AI Control with that file.
    auto reload = chooseInSetup("Oval", "Mine");
    app->frame().action(command::kFileNew)->trigger();
    EXPECT_TRUE(*reload);
    EXPECT_EQ(fs::path(doc().getDriverFile()), saved);
    EXPECT_EQ(doc().getMode(), kModeAIControl);
    frames(10);
    EXPECT_EQ(statusText().rfind("Mode: AI Control", 0), 0u);

    // The next Simulation Setup comes back with that choice rather than "Train new driver".
    QString shownDriver;
    auto next = whenModal([&](QWidget* w) {
        auto* d = qobject_cast<SetupDialog*>(w);
        if (!d || !d->isVisible()) return false;
        shownDriver = d->driverList()->currentText();
        QTimer::singleShot(0, d->okButton(), &QPushButton::click);
        return true;
    });
    app->frame().action(command::kFileNew)->trigger();
    EXPECT_TRUE(*next);
    EXPECT_EQ(shownDriver, QStringLiteral("Mine"));
}

// Start, a few passes (or until every pattern is learned), Stop, acknowledge, Test Driver: the
// training dialog as a user works it.
std::shared_ptr<bool> trainBriefly() {
    auto stopped = std::make_shared<bool>(false);
    return whenModal(
        [stopped](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                if (box->text() != QStringLiteral("Training Complete")) return false;
                QTimer::singleShot(0, box->button(QMessageBox::Ok), &QAbstractButton::click);
                return false;
            }
            auto* d = qobject_cast<TrainingDialog*>(w);
            if (!d) return false;
            if (d->startButton()->isEnabled()) {
                d->startButton()->click();
            } else if (!*stopped && d->errorSeries()->count() >= 3) {
                d->stopButton()->click();
                *stopped = true;
            } else if (d->testDriverButton()->isEnabled()) {  // stopped, or every pattern learned
                QTimer::singleShot(0, d->testDriverButton(), &QAbstractButton::click);
                return true;
            }
            return false;
        },
        120000);
}

TEST_F(AppSession, TakeTheWheelInAIControlAndTrainOnTheCorrection) {
    // With Driver > Learn at Once off, a correction waits for Esc.
    app->frame().action(command::kDriverLearnAtOnce)->setChecked(false);
    auto setup = chooseInSetup("Oval", "Train new driver");
    ASSERT_TRUE(app->initialUpdate());
    focusView();
    QTest::keyPress(&app->view(), Qt::Key_W);
    frames(60);
    QTest::keyRelease(&app->view(), Qt::Key_W);
    // Esc, Yes, train; then the same once more after a correction.
    for (int round = 0; round < 2; ++round) {
        auto yes = testing::answerMessageBox("Train driver with collected data?", QMessageBox::Yes);
        auto training = trainBriefly();
        pressEscape();
        ASSERT_TRUE(*yes && *training);
        ASSERT_EQ(doc().getMode(), kModeAIControl);
        EXPECT_TRUE(doc().getPendingCorrections().empty());
        if (round == 1) break;

        // A drive key hands the car over; a second after it is let go the driver takes it back.
        frames(30);
        focusView();
        QTest::keyPress(&app->view(), Qt::Key_D);
        frames(40);
        EXPECT_TRUE(doc().hasTheWheel());
        EXPECT_EQ(statusText().rfind("Mode: AI Control - you have the wheel\r\n", 0), 0u);
        screenshot("taking-the-wheel");
        QTest::keyRelease(&app->view(), Qt::Key_D);
        frames(50);  // 0.85 s
        EXPECT_TRUE(doc().hasTheWheel());
        frames(10);
        EXPECT_FALSE(doc().hasTheWheel());
        EXPECT_EQ(doc().getPendingCorrections().size(), 1u);
    }
    const std::string demonstration = TempDir::read((folder.dir.path() / "temp/patterns.0").string());
    const std::string joined = TempDir::read((folder.dir.path() / "temp/teaching.0").string());
    EXPECT_GT(joined.size(), demonstration.size());
    EXPECT_EQ(joined.substr(0, demonstration.size()), demonstration);
    frames(10);
    EXPECT_EQ(statusText().rfind("Mode: AI Control\r\n", 0), 0u);
    auto no = testing::answerMessageBox("Do you want to save the current driver?", QMessageBox::No);
    app->frame().close();
    EXPECT_TRUE(*no);
}

// The lobe's weights straight from its link objects, in link order.
std::vector<double> lobeWeights(Driver& driver) {
    BACKPROP_NETWORK& net = driver.getBrain().getLobe(0)->getNetwork();
    std::vector<double> weights;
    for (int k = 0; k < net.getNumLinks(); ++k) weights.push_back(net.getLink(k)->getValue(0));
    return weights;
}

TEST_F(AppSession, TheNetworkDockFollowsTheCarAndTheTraining) {
    auto setup = chooseInSetup("Oval", "Train new driver");
    ASSERT_TRUE(app->initialUpdate());
    QDockWidget* dock = app->frame().networkDock();
    NetworkView* view = app->frame().networkView();
    QAction* toggle = app->frame().action(command::kViewNetwork);
    EXPECT_FALSE(dock->isVisible()) << "closed until asked for";
    frames(2);
    EXPECT_TRUE(view->layerSizes().empty()) << "not followed while closed";

    // F8 in the view opens it, and the choice is remembered.
    focusView();
    QTest::keyClick(&app->view(), Qt::Key_F8);
    ASSERT_TRUE(dock->isVisible());
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_TRUE(openSettings()->value("view/network").toBool());

    // User Control: the network answers what the car senses now, with the lobe's own weights.
    focusView();
    QTest::keyPress(&app->view(), Qt::Key_W);
    frames(90);
    QTest::keyRelease(&app->view(), Qt::Key_W);
    ASSERT_EQ(view->layerSizes(), (std::vector<int>{5, 14, 2}));
    const std::vector<double> inputs = doc().getCar()->getInputs(0);
    EXPECT_EQ(std::vector<double>(view->unitValues().begin(), view->unitValues().begin() + 5), inputs);
    EXPECT_GT(inputs[0], 0.0);
    const std::vector<double> untrained = lobeWeights(*doc().getDriver());
    EXPECT_EQ(view->weights(), untrained);

    // Training: the dock follows the weights while the dialog is open.
    bool followed = false;
    auto yes = testing::answerMessageBox("Train driver with collected data?", QMessageBox::Yes);
    auto training = whenModal(
        [&](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                if (box->text() != QStringLiteral("Training Complete")) return false;
                // The dialog showed its last report, and the dock the weights of that moment.
                followed = view->weights().size() == untrained.size() && view->weights() != untrained;
                screenshot("network-training");
                QTimer::singleShot(0, box->button(QMessageBox::Ok), &QAbstractButton::click);
                return false;
            }
            auto* d = qobject_cast<TrainingDialog*>(w);
            if (!d) return false;
            if (d->startButton()->isEnabled()) {
                d->startButton()->click();
            } else if (d->stopButton()->isEnabled() && d->iterationsField()->text().toInt() >= 10) {
                d->stopButton()->click();
            } else if (d->testDriverButton()->isEnabled()) {
                QTimer::singleShot(0, d->testDriverButton(), &QAbstractButton::click);
                return true;
            }
            return false;
        },
        120000);
    focusView();
    pressEscape();
    ASSERT_TRUE(*yes && *training);
    EXPECT_TRUE(followed);

    // AI Control: the units hold exactly what steered the car, and each disc shows its unit.
    frames(30);
    ASSERT_EQ(doc().getMode(), kModeAIControl);
    Brain& brain = doc().getDriver()->getBrain();
    EXPECT_EQ(view->unitValues()[19], brain.getOutput(0));
    EXPECT_EQ(view->unitValues()[20], brain.getOutput(1));
    EXPECT_EQ(view->weights(), lobeWeights(*doc().getDriver()));
    view->repaint();
    const QImage picture = view->grab().toImage();
    for (int unit : {0, 1}) {
        const QPoint centre = view->unitCentre(2, unit).toPoint();
        EXPECT_EQ(picture.pixelColor(centre), NetworkView::unitColour(brain.getOutput(unit))) << unit;
    }
    screenshot("network-ai-control");

    // View > Network closes it again; a new window opens it as it was left.
    toggle->trigger();
    EXPECT_FALSE(dock->isVisible());
    EXPECT_FALSE(openSettings()->value("view/network").toBool());
    openSettings()->setValue("view/network", true);
    CMainFrame next;
    next.show();
    EXPECT_TRUE(next.networkDock()->isVisible());
    EXPECT_TRUE(next.action(command::kViewNetwork)->isChecked());
    auto no = testing::answerMessageBox("Do you want to save the current driver?", QMessageBox::No);
    app->frame().close();
}

// The Demo driver's first lap of Oval in the window, with frames timed as torvask-lab's: the
// Driver Report, opened from the menu, gives eval's figures, and Save Trace eval's trace file.
TEST_F(AppSession, TheDriverReportAgreesWithTheLabsEval) {
    const fs::path source(TORVASK_SOURCE_DIR);
    fs::copy_file(source / "data/drivers/Demo.driver", folder.dir.path() / "drivers/Demo.driver");
    const fs::path labTrace = folder.dir.path() / "eval.csv";
    QProcess eval;
    eval.start(QString::fromStdString((fs::path(TORVASK_BUILD_DIR) / "torvask-lab").string()),
               {"eval", "--track", QString::fromStdString((source / "data/tracks/Oval.trn").string()), "--driver",
                QString::fromStdString((source / "data/drivers/Demo.driver").string()), "--laps", "1", "--trace",
                QString::fromStdString(labTrace.string())});
    ASSERT_TRUE(eval.waitForFinished(120000));
    const QStringList lines = QString::fromLocal8Bit(eval.readAllStandardOutput()).trimmed().split('\n');
    ASSERT_TRUE(lines.last().startsWith("laps=1 ")) << lines.last().toStdString();

    // A small view keeps the lap's 1,500 drawn frames quick on a software rasteriser.
    app->frame().resize(320, 260);
    auto setup = chooseInSetup("Oval", "Demo");
    ASSERT_TRUE(app->initialUpdate());
    ASSERT_EQ(doc().getMode(), kModeAIControl);
    double carry = 0.0;
    for (int frame = 0; frame < 20000; ++frame) {
        carry += 1000.0 / 60.0;
        const auto step = static_cast<std::uint32_t>(carry);
        carry -= step;
        clock->advance(step);
        app->runFrame();
        const DriveRecord* record = app->driveRecord();
        ASSERT_NE(record, nullptr);
        if (!record->monitor().laps().empty() || record->monitor().stuck()) break;
    }

    const fs::path saved = folder.dir.path() / "report.csv";
    QString summary;
    QString offTrack;
    auto report = whenModal([&](QWidget* w) {
        auto* d = qobject_cast<DriverReportDialog*>(w);
        if (!d || !d->isVisible()) return false;
        summary = d->figure("summary");
        offTrack = d->figure("offTrack");
        screenshot("driver-report");
        QTimer::singleShot(0, d->saveTraceButton(), &QPushButton::click);
        return true;
    });
    auto file = whenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        if (!fd || !fd->isVisible() || fd->windowTitle() != QStringLiteral("Save Trace")) return false;
        typeFileName(fd, saved.c_str());
        return true;
    });
    auto closed = whenModal([&](QWidget* w) {
        auto* d = qobject_cast<DriverReportDialog*>(w);
        if (!d || !fs::exists(saved)) return false;
        QTimer::singleShot(0, d, &QDialog::reject);
        return true;
    });
    app->frame().action(command::kDriverReport)->trigger();
    EXPECT_TRUE(*report && *file && *closed);
    EXPECT_EQ(summary, lines.last());
    EXPECT_TRUE(offTrack.endsWith(QStringLiteral(" of %1").arg(app->driveRecord()->monitor().frames())));
    EXPECT_EQ(TempDir::read(saved.string()), TempDir::read(labTrace.string()));
}

TEST_F(AppSession, AFailedSaveShowsErrorSavingDriver) {
    auto setup = chooseInSetup("Oval", "Train new driver");
    ASSERT_TRUE(app->initialUpdate());
    auto trainYes = testing::answerMessageBox("Train driver with collected data?", QMessageBox::Yes);
    auto training = trainBriefly();
    recordAPattern();
    pressEscape();
    ASSERT_EQ(doc().getMode(), kModeAIControl);

    auto save = whenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        if (!fd || !fd->isVisible()) return false;
        typeFileName(fd, (folder.dir.path() / "no-such-folder/x.driver").c_str());
        return true;
    });
    QString errorTitle;
    const QString unwritable = QString::fromStdString((folder.dir.path() / "no-such-folder/x.driver").string());
    auto error = testing::answerMessageBox("Error saving driver\n\n" + unwritable + "\nNo such file or directory",
                                           QMessageBox::Ok, &errorTitle, "message-save-error");
    app->frame().action(command::kFileSaveAs)->trigger();
    EXPECT_TRUE(*save);
    EXPECT_TRUE(*error);
    EXPECT_EQ(errorTitle, QStringLiteral("Torvask"));
    EXPECT_TRUE(doc().isDriverModified());

    // Closing asks once; No closes without saving.
    QString asked;
    auto no = testing::answerMessageBox("Do you want to save the current driver?", QMessageBox::No, &asked);
    app->frame().close();
    EXPECT_TRUE(*no);
    EXPECT_FALSE(app->frame().isVisible());
    EXPECT_TRUE(fs::is_empty(folder.dir.path() / "drivers"));
}

TEST_F(AppSession, FileNewAsksToSaveAChangedDriverAndCancelStays) {
    auto setup = chooseInSetup("Oval", "Train new driver");
    ASSERT_TRUE(app->initialUpdate());
    recordAPattern();
    auto yes = testing::answerMessageBox("Train driver with collected data?", QMessageBox::Yes);
    auto training = trainBriefly();
    pressEscape();
    ASSERT_TRUE(*yes && *training);
    ASSERT_TRUE(doc().isDriverModified());

    // Through the real menu: File, then New.
    auto openMenu = [this] {
        QMenu* file = nullptr;
        for (QAction* a : app->frame().menuBar()->actions()) {
            if (a->text() == QStringLiteral("&File")) file = a->menu();
        }
        ASSERT_NE(file, nullptr);
        app->frame().menuBar()->setActiveAction(file->menuAction());
        ASSERT_TRUE(waitUntil([file] { return file->isVisible(); }));
        QTest::keyClick(file, Qt::Key_N);  // the entry's mnemonic
    };
    int setups = 0;
    auto countSetups = whenModal(
        [&setups](QWidget* w) {
            if (qobject_cast<SetupDialog*>(w)) ++setups;
            return false;
        },
        3000);
    auto cancel = testing::answerMessageBox("Do you want to save the current driver?", QMessageBox::Cancel);
    openMenu();
    ASSERT_TRUE(waitUntil([&] { return *cancel; }));
    QTest::qWait(100);
    EXPECT_EQ(setups, 0) << "Cancel stays";
    EXPECT_EQ(doc().getMode(), kModeAIControl);
    EXPECT_TRUE(doc().isDriverModified());

    auto no = testing::answerMessageBox("Do you want to save the current driver?", QMessageBox::No);
    auto again = chooseInSetup("Oval", "Train new driver");
    openMenu();
    ASSERT_TRUE(waitUntil([&] { return *no && *again; }));
    EXPECT_EQ(doc().getMode(), kModeUserControl) << "No drops the driver";
    EXPECT_FALSE(doc().isDriverModified());
    EXPECT_TRUE(fs::is_empty(folder.dir.path() / "drivers"));
}

// Esc before Start in "Training Driver": back to User Control where the car stood, recording on
// into the same file, and the next training reads all of it.
TEST_F(AppSession, ClosingTheTrainingDialogBeforeStartDrivesOnIntoTheSameRecording) {
    auto setup = chooseInSetup("Oval", "Train new driver");
    ASSERT_TRUE(app->initialUpdate());
    recordAPattern();
    const int firstPart = doc().getDriver()->getPatternCount();
    const Vector3 stoodAt = doc().getCar()->getPosition();
    auto yes = testing::answerMessageBox("Train driver with collected data?", QMessageBox::Yes);
    auto closed = whenModal([](QWidget* w) {
        auto* d = qobject_cast<TrainingDialog*>(w);
        if (!d || !d->isVisible()) return false;
        QTest::keyClick(d, Qt::Key_Escape);
        return true;
    });
    pressEscape();
    ASSERT_TRUE(*yes && *closed);
    EXPECT_EQ(doc().getMode(), kModeUserControl);
    EXPECT_FALSE(doc().isDriverModified());
    EXPECT_LT((doc().getCar()->getPosition() - stoodAt).length(), 0.5) << "where the person left off";
    EXPECT_EQ(app->frame().windowTitle(), QStringLiteral("Oval \u2014 New driver \u2014 Torvask"));

    QTest::keyPress(&app->view(), Qt::Key_W);
    for (int i = 0; i < 60 && doc().getDriver()->getPatternCount() == firstPart; ++i) frames(1);
    QTest::keyRelease(&app->view(), Qt::Key_W);
    const int total = doc().getDriver()->getPatternCount();
    ASSERT_GT(total, firstPart);
    const std::string recording = TempDir::read((folder.dir.path() / "temp/patterns.0").string());
    EXPECT_EQ(std::count(recording.begin(), recording.end(), '\n'), total);
    std::string nextLine = std::to_string(firstPart + 1);
    nextLine.insert(0, 1, '\n');
    nextLine.push_back('\t');
    EXPECT_NE(recording.find(nextLine), std::string::npos) << "numbered on after the first part";

    QString readPatterns;
    auto yesAgain = testing::answerMessageBox("Train driver with collected data?", QMessageBox::Yes);
    auto training = whenModal(
        [&readPatterns](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                if (box->text() == QStringLiteral("Training Complete")) {
                    QTimer::singleShot(0, box->button(QMessageBox::Ok), &QAbstractButton::click);
                }
                return false;
            }
            auto* d = qobject_cast<TrainingDialog*>(w);
            if (!d) return false;
            if (d->startButton()->isEnabled()) {
                d->iterationLimitBox()->setValue(100);
                d->startButton()->click();
            } else if (d->testDriverButton()->isEnabled()) {
                readPatterns = d->goodPatternsField()->text().section(QLatin1Char('/'), 1);
                QTimer::singleShot(0, d->testDriverButton(), &QAbstractButton::click);
                return true;
            }
            return false;
        },
        120000);
    pressEscape();
    ASSERT_TRUE(*yesAgain && *training);
    EXPECT_EQ(readPatterns, QString::number(total));
    EXPECT_EQ(doc().getMode(), kModeAIControl);
    auto no = testing::answerMessageBox("Do you want to save the current driver?", QMessageBox::No);
    app->frame().close();
}

// Save As names the file once; from then on Save writes there without asking, the status bar
// confirms each save and the title shows the names and a "*" while changes are unsaved.
TEST_F(AppSession, SaveWritesToTheDriversFileAndTheTitleShowsUnsavedChanges) {
    auto setup = chooseInSetup("Oval", "Train new driver");
    ASSERT_TRUE(app->initialUpdate());
    EXPECT_EQ(app->frame().windowTitle(), QStringLiteral("Oval \u2014 New driver \u2014 Torvask"));
    recordAPattern();
    auto yes = testing::answerMessageBox("Train driver with collected data?", QMessageBox::Yes);
    auto training = trainBriefly();
    pressEscape();
    ASSERT_TRUE(*yes && *training);
    frames(1);
    EXPECT_EQ(app->frame().windowTitle(), QStringLiteral("Oval \u2014 New driver* \u2014 Torvask"));
    screenshot("title-unsaved");

    // A new driver has no file yet: Save asks, with no name to start from.
    QString offeredName = QStringLiteral("?");
    auto save = whenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        if (!fd || !fd->isVisible()) return false;
        offeredName = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        typeFileName(fd, (folder.dir.path() / "drivers/mine").c_str());
        return true;
    });
    app->frame().action(command::kFileSave)->trigger();
    ASSERT_TRUE(*save);
    EXPECT_EQ(offeredName, QString());
    EXPECT_EQ(app->frame().statusBar()->currentMessage(), QStringLiteral("Saved mine.driver"));
    EXPECT_EQ(app->frame().windowTitle(), QStringLiteral("Oval \u2014 Mine \u2014 Torvask"));

    // A correction changes the driver again; Ctrl+S writes it to mine.driver without a dialog.
    const fs::path sibling = folder.dir.path() / "drivers/mine.patterns";
    const auto siblingBefore = fs::file_size(sibling);
    focusView();
    QTest::keyPress(&app->view(), Qt::Key_D);
    frames(40);
    QTest::keyRelease(&app->view(), Qt::Key_D);
    frames(1);
    ASSERT_TRUE(doc().isDriverModified());
    EXPECT_EQ(app->frame().windowTitle(), QStringLiteral("Oval \u2014 Mine* \u2014 Torvask"));
    int dialogs = 0;
    auto watch = whenModal(
        [&dialogs](QWidget* w) {
            if (qobject_cast<QFileDialog*>(w)) ++dialogs;
            return false;
        },
        1000);
    app->frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&app->frame()));
    QTest::keyClick(&app->frame(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogs, 0);
    EXPECT_FALSE(doc().isDriverModified());
    EXPECT_GT(fs::file_size(sibling), siblingBefore) << "the correction was saved with it";
    EXPECT_EQ(app->frame().windowTitle(), QStringLiteral("Oval \u2014 Mine \u2014 Torvask"));
    EXPECT_EQ(fs::path(doc().getDriverFile()), folder.dir.path() / "drivers/mine.driver");

    // Save As still asks, starting from the current name.
    auto saveAs = whenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        if (!fd || !fd->isVisible()) return false;
        offeredName = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        QTimer::singleShot(0, fd, &QDialog::reject);
        return true;
    });
    app->frame().action(command::kFileSaveAs)->trigger();
    ASSERT_TRUE(*saveAs);
    EXPECT_EQ(offeredName, QStringLiteral("mine.driver"));
}

// The whole teaching loop as a person meets it: a hard track from Generate..., the expert's
// demonstration, training, a correction learned at once without any dialog, Undo Training back
// to the exact network, and saving.
TEST_F(AppSession, GenerateExpertTrainCorrectLearnUndoAndSave) {
    auto setup = whenModal([step = 0](QWidget* w) mutable {
        auto* setupDialog = qobject_cast<SetupDialog*>(w);
        auto* generate = qobject_cast<GenerateTrackDialog*>(w);
        if (step == 0 && setupDialog && setupDialog->isVisible()) {
            QTimer::singleShot(0, setupDialog->generateButton(), &QPushButton::click);
            step = 1;
        } else if (step == 1 && generate && generate->isVisible()) {
            generate->seedBox()->setValue(5);
            generate->styleList()->setCurrentIndex(generate->styleList()->findData(static_cast<int>(TrackStyle::Hard)));
            screenshot("setup-generate");
            QTimer::singleShot(0, generate->okButton(), &QPushButton::click);
            step = 2;
        } else if (step == 2 && setupDialog && setupDialog->trackList()->currentText() == "Generated 5") {
            setupDialog->driverList()->setCurrentIndex(setupDialog->driverList()->findText("Expert demonstration"));
            QTimer::singleShot(0, setupDialog->okButton(), &QPushButton::click);
            return true;
        }
        return false;
    });
    ASSERT_TRUE(app->initialUpdate() && *setup);
    frames(600);  // the expert drives and is recorded, one pattern every 200 ms
    EXPECT_NE(statusText().find("Expert demonstration - any drive key takes over"), std::string::npos);
    EXPECT_GT(doc().getDriver()->getPatternCount(), 40);
    screenshot("expert-driving");

    auto yes = testing::answerMessageBox("Train driver with collected data?", QMessageBox::Yes);
    auto training = trainBriefly();
    focusView();
    pressEscape();
    ASSERT_TRUE(*yes && *training);
    frames(60);
    const std::vector<double> taught = lobeWeights(*doc().getDriver());

    int dialogs = 0;
    auto watch = whenModal([&dialogs](QWidget*) { return ++dialogs, false; }, 30000);
    focusView();
    QTest::keyPress(&app->view(), Qt::Key_A);
    frames(40);
    QTest::keyRelease(&app->view(), Qt::Key_A);
    ASSERT_TRUE(waitUntil([&] { return frames(1), doc().getCorrectionsLearned() == 1 && !doc().isLearning(); }, 30000));
    frames(1);  // the status text of a frame after the one that learned
    EXPECT_NE(statusText().find("Corrections learned: 1\r\n"), std::string::npos);
    EXPECT_EQ(doc().getMode(), kModeAIControl);
    EXPECT_EQ(dialogs, 0);
    EXPECT_NE(lobeWeights(*doc().getDriver()), taught);
    screenshot("learned-correction");

    app->frame().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&app->frame()));
    QTest::keyClick(&app->frame(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(lobeWeights(*doc().getDriver()), taught);

    auto save = whenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        return fd && fd->isVisible() && (typeFileName(fd, (folder.dir.path() / "drivers/taught").c_str()), true);
    });
    app->frame().action(command::kFileSave)->trigger();
    ASSERT_TRUE(*save);
    EXPECT_TRUE(fs::exists(folder.dir.path() / "drivers/taught.patterns"));
}

// F9 over the running scene hides the status text and shows it again; the choice outlives the window.
TEST_F(AppSession, F9TogglesTheStatusTextAndIsRemembered) {
    auto setup = chooseInSetup("Oval", "Train new driver");
    ASSERT_TRUE(app->initialUpdate());
    focusView();
    QAction* toggle = app->frame().action(command::kViewStatusText);
    ASSERT_TRUE(toggle->isChecked());
    QTest::keyClick(&app->view(), Qt::Key_F9);
    EXPECT_FALSE(doc().isStatusTextShown());
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_FALSE(CMainFrame().action(command::kViewStatusText)->isChecked()) << "remembered";
    QTest::keyClick(&app->view(), Qt::Key_F9);
    EXPECT_TRUE(doc().isStatusTextShown());
    EXPECT_TRUE(CMainFrame().action(command::kViewStatusText)->isChecked());
}

// What a person does first: OK in Setup, then keys at once (no click into the view), a quick Esc
// tap that starts and ends between two frames, and the keys again after the message box.
TEST_F(AppSession, KeysNeedNoClickAndAQuickEscBetweenFramesActs) {
    auto setup = chooseInSetup("Oval", "Train new driver");
    ASSERT_TRUE(app->initialUpdate());
    ASSERT_TRUE(waitUntil([this] { return QGuiApplication::focusWindow() == &app->view(); }));
    frames(2);

    auto told = testing::answerMessageBox("No training data was recorded: drive first", QMessageBox::Ok);
    QTest::keyPress(QGuiApplication::focusWindow(), Qt::Key_Escape);
    QTest::keyRelease(QGuiApplication::focusWindow(), Qt::Key_Escape);
    frames(1);
    EXPECT_TRUE(*told);
    EXPECT_EQ(doc().getMode(), kModeUserControl);

    // The box has closed: the view has the keys back and W drives.
    ASSERT_TRUE(waitUntil([this] { return QGuiApplication::focusWindow() == &app->view(); }));
    QTest::keyPress(QGuiApplication::focusWindow(), Qt::Key_W);
    frames(20);
    QTest::keyRelease(&app->view(), Qt::Key_W);
    EXPECT_TRUE(doc().isDrivingStarted());
    EXPECT_GT(doc().getThrottle(), 0.0);
}

// The projection takes the view's shape, also after the window changes shape.
TEST_F(AppSession, TheProjectionFollowsTheViewShape) {
    auto setup = chooseInSetup("Oval", "Train new driver");
    ASSERT_TRUE(app->initialUpdate());
    app->frame().resize(500, 900);  // a tall window
    ASSERT_TRUE(waitUntil([this] { return app->view().height() > app->view().width(); }));
    QTest::qWait(50);
    EXPECT_EQ(doc().getViewAspect(), static_cast<float>(app->view().width()) / static_cast<float>(app->view().height()));
}

TEST_F(AppSession, QuitInTheFirstSetupClosesWithoutAMessage) {
    int boxes = 0;
    auto watch = whenModal(
        [&boxes](QWidget* w) {
            if (qobject_cast<QMessageBox*>(w)) ++boxes;
            return false;
        },
        1000);
    auto quit = chooseInSetup("", "", true);
    EXPECT_FALSE(app->initialUpdate());
    EXPECT_TRUE(*quit);
    ASSERT_TRUE(waitUntil([this] { return !app->frame().isVisible(); }));
    EXPECT_EQ(boxes, 0);
    EXPECT_FALSE(doc().isSceneReady());
}

TEST_F(AppSession, AMissingConfigurationShowsItsMessageAndCloses) {
    fs::remove(folder.dir.path() / "Torvask.cfg");
    QString title;
    auto box = testing::answerMessageBox("APPERR: Failed to load config file", QMessageBox::Ok, &title,
                                         "message-config");
    EXPECT_FALSE(app->initialUpdate());
    EXPECT_TRUE(*box);
    EXPECT_EQ(title, QStringLiteral("Torvask"));
    ASSERT_TRUE(waitUntil([this] { return !app->frame().isVisible(); }));
}

TEST_F(AppSession, TheIdleLoopRunsFramesButNoneWhileAQuestionIsOpen) {
    auto setup = chooseInSetup("Oval", "Train new driver");
    ASSERT_TRUE(app->initialUpdate());
    std::int32_t lapProgressBefore = 0;
    (void)lapProgressBefore;
    recordAPattern();
    // Real frames from the idle loop, with the virtual clock standing still: only the count moves.
    app->idleLoop().start();
    ASSERT_TRUE(waitUntil([this] { return app->idleLoop().framesRun() > 20; }));
    long framesWhileOpen = -1;
    auto answered = whenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) return false;
        const long before = app->idleLoop().framesRun();
        QTest::qWait(300);
        framesWhileOpen = app->idleLoop().framesRun() - before;
        screenshot("question-yes-no");
        box->button(QMessageBox::No)->click();
        return true;
    });
    // The question comes from inside a frame (Esc in User Control); No restarts: Setup again.
    auto again = chooseInSetup("Oval", "Train new driver");
    focusView();
    QTest::keyPress(&app->view(), Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return *answered && *again; }));
    QTest::keyRelease(&app->view(), Qt::Key_Escape);
    EXPECT_EQ(framesWhileOpen, 0);
    ASSERT_TRUE(waitUntil([this] { return doc().getMode() == kModeUserControl; }));
    const long after = app->idleLoop().framesRun();
    ASSERT_TRUE(waitUntil([&] { return app->idleLoop().framesRun() > after + 10; }));
    app->idleLoop().stop();
}

}  // namespace
}  // namespace torvask

namespace torvask {
namespace {

// Opens View with the mouse and clicks Show Sensors in it, as a person does.
void clickShowSensorsInTheViewMenu(CMainFrame& frame) {
    QMenuBar* bar = frame.menuBar();
    QAction* viewMenu = nullptr;
    for (QAction* a : bar->actions()) viewMenu = a->text() == QStringLiteral("&View") ? a : viewMenu;
    ASSERT_NE(viewMenu, nullptr);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(viewMenu).center());
    QMenu* menu = viewMenu->menu();
    ASSERT_TRUE(waitUntil([menu] { return menu->isVisible(); }));
    QAction* sensors = frame.action(command::kViewSensors);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(sensors).center());
    ASSERT_TRUE(waitUntil([menu] { return !menu->isVisible(); }));
}

// View > Show Sensors: off at first, on from the menu (marks drawn while driving), off with F7
// in the view, and remembered by the next start.
TEST_F(AppSession, ShowSensorsFromTheMenuAndF7IsRemembered) {
    // A fresh start (the window the fixture made has read the settings already).
    auto restart = [this] {
        app.reset();
        auto clockOwned = std::make_unique<VirtualTickClock>(100000);
        clock = clockOwned.get();
        app = std::make_unique<TorvaskApp>(std::move(clockOwned));
        app->setProgramFolder(folder.folder());
        app->frame().show();
    };
    openSettings()->remove(QStringLiteral("view/showSensors"));
    restart();
    auto setup = chooseInSetup("Oval", "Train new driver");
    ASSERT_TRUE(app->initialUpdate());
    QAction* sensors = app->frame().action(command::kViewSensors);
    EXPECT_FALSE(sensors->isChecked());
    EXPECT_FALSE(doc().isShowingSensors());

    clickShowSensorsInTheViewMenu(app->frame());
    EXPECT_TRUE(sensors->isChecked());
    EXPECT_TRUE(doc().isShowingSensors());
    focusView();
    QTest::keyPress(&app->view(), Qt::Key_W);
    frames(40);
    QTest::keyRelease(&app->view(), Qt::Key_W);
    EXPECT_TRUE(doc().getSensorMarks().hasMarks());
    screenshot("show-sensors");

    restart();  // closes with nothing to save
    auto again = chooseInSetup("Oval", "Train new driver");
    ASSERT_TRUE(app->initialUpdate());
    EXPECT_TRUE(app->frame().action(command::kViewSensors)->isChecked());
    EXPECT_TRUE(doc().isShowingSensors());
    focusView();
    QTest::keyClick(&app->view(), Qt::Key_F7);
    EXPECT_FALSE(doc().isShowingSensors());
    EXPECT_FALSE(openSettings()->value(QStringLiteral("view/showSensors")).toBool());
}

TEST(SaveFilter, PipeSeparatedFiltersBecomeQtNameFilters) {
    const std::pair<const char*, QStringList> cases[] = {
        {"Torvask Files (*.driver)|*.driver|All Files (*.*)|*.*||",
         {"Torvask Files (*.driver)", "All Files (*)"}},
        {"Text (*.txt;*.log)|*.txt;*.log||", {"Text (*.txt *.log)"}},
        {"No Pattern Given", {}},
        {"", {}},
    };
    for (const auto& [filter, expected] : cases) {
        SCOPED_TRACE(filter);
        EXPECT_EQ(qtNameFilters(filter), expected);
    }
}

}  // namespace
}  // namespace torvask
