#include "app/TorvaskApp.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QOpenGLContext>
#include <QScreen>
#include <QStatusBar>
#include <filesystem>

#include "app/AppSettings.h"
#include "app/CMainFrame.h"
#include "app/AppSettings.h"
#include "app/CTorvaskView.h"
#include "app/AppSettings.h"
#include "app/CommandIds.h"
#include "app/DriverReportDialog.h"
#include "app/IdleLoop.h"
#include "app/NetworkView.h"
#include "app/SetupDialog.h"
#include "teach/ExpertDriver.h"
#include "app/TrainingDialog.h"
#include "driver/Driver.h"
#include "gl/GlDevice.h"
#include "neural/FlatNetwork.h"
#include "physics/Car.h"
#include "render/CameraController.h"
#include "sim/CTorvaskDoc.h"
#include "teach/DriveRecord.h"

namespace torvask {
namespace {

// Lock keys change rarely; four looks a second keep the indicators current.
constexpr int kIndicatorIntervalMs = 250;
// How long the status bar says a driver was saved.
constexpr int kSavedMessageMs = 4000;
// The Driver Report is offered once a drive has this many laps.
constexpr std::size_t kLapsBeforeReport = 3;

// The settings key of the expert demonstration's best lap on a track: its file's name, without
// case. (Earlier versions kept the person's own best lap under "expertLaps/".)
QString expertLapKey(const std::string& trackFile) {
    const std::string stem = std::filesystem::path(trackFile).stem().string();
    return QStringLiteral("expertDemoLaps/") + QString::fromStdString(stem).toLower();
}
const QString kShowSensorsKey = QStringLiteral("view/showSensors");
// One physics step per frame: below this the simulation runs slower than real time.
constexpr double kFrameRateTarget = 60.0;

class ViewGraphicsSystem final : public GraphicsSystem {
public:
    explicit ViewGraphicsSystem(TorvaskApp& app) : app_(app) {}

    bool queryDisplayMode() override { return QGuiApplication::primaryScreen() != nullptr; }

    std::unique_ptr<Device> createDevice(WindowHandle view, WindowHandle, std::int32_t* failureCode) override {
        // Failure codes: 1 no view, 2 no context, 3 the shaders or fixed objects failed.
        auto fail = [failureCode](std::int32_t code) -> std::unique_ptr<Device> {
            if (failureCode) *failureCode = code;
            return nullptr;
        };
        if (view != app_.viewWindow()) return fail(1);
        CTorvaskView& window = app_.view();
        window.create();
        if (!window.createContext() || !app_.makeViewCurrent()) return fail(2);
        auto device = std::make_unique<GlDevice>(window.context(), &window);
        if (!device->initialise()) return fail(3);
        // Without a GPU a large window cannot be filled 60 times a second: the device then draws
        // the scene at a lower resolution and scales it up (the text stays sharp).
        device->setFrameRateTarget(kFrameRateTarget);
        if (failureCode) *failureCode = 0;
        return device;
    }

private:
    TorvaskApp& app_;
};

class ViewInputSystem final : public InputSystem {
public:
    explicit ViewInputSystem(CTorvaskView& view) : view_(view) {}
    std::unique_ptr<KeyboardDevice> createKeyboard() override { return view_.keyboard().makeDevice(); }

private:
    CTorvaskView& view_;
};

}  // namespace

int currentCameraCommand(const CameraController& controller) {
    switch (controller.mode()) {
        case CameraController::kModeStatic: return command::kCameraLongshot;
        case CameraController::kModePath: return command::kCameraFollowTrack;
        default: break;
    }
    const Vector3& o = controller.offset();
    // The camera User Control starts with sits one unit beside Chase and looks the same.
    if (o == Vector3(2.5, 3.0, -8.0) || o == Vector3(1.0, 3.0, -8.0)) return command::kCameraChase;
    if (o == Vector3(2.5, 2.0, 8.0)) return command::kCameraFront;
    if (o == Vector3(5.0, 1.5, -12.0)) return command::kCameraSide;
    if (o == Vector3(0.0, 40.0, 0.0)) return command::kCameraOverhead;
    return 0;
}

QStringList qtNameFilters(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QString name = parts[i];
        const QString pattern = parts[i + 1];
        // "*.*" means every file, including names without a dot.
        QString qtPattern = pattern;
        qtPattern.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        qtPattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        const qsizetype open = name.indexOf(QLatin1Char('('));
        if (open >= 0) name.truncate(open);
        filters << QStringLiteral("%1(%2)").arg(name, qtPattern);
    }
    return filters;
}

TorvaskApp::TorvaskApp(std::unique_ptr<TickClock> clock) : clock_(std::move(clock)) {
    if (!clock_) clock_ = std::make_unique<SteadyTickClock>();
    frame_ = std::make_unique<CMainFrame>();
    view_ = new CTorvaskView;
    frame_->setView(view_->createContainer(frame_.get()));
    view_->setSceneActiveSource([this] { return doc_ && doc_->isSceneReady(); });
    view_->setResizeHandler([this](int width, int height) {
        if (doc_) doc_->setViewSize(width, height);
    });

    HostServices services;
    services.clock = clock_.get();
    services.graphics = this;
    services.input = this;
    services.shell = this;
    doc_ = std::make_unique<CTorvaskDoc>(services);
    doc_->setViewSize(view_->width(), view_->height());
    // Whenever a dialog or message box over the running scene closes, or the main window itself
    // gets the focus back (a menu was dismissed), the keys belong to the view without a click
    // into it first. Without a window manager a closed box leaves no window focused at all, so
    // the closing is watched, not only the focus.
    qApp->installEventFilter(this);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) {
        if (window && window == frame_->windowHandle()) scheduleViewFocus();
    });

    frame_->setModeSource([this] { return doc_->getMode(); });
    frame_->setCameraSource([this] { return currentCameraCommand(doc_->getCameraController()); });
    frame_->setCloseGuard([this] { return doc_->CanCloseFrame(); });
    frame_->setUndoSource([this] { return doc_->canUndoTraining(); });
    QAction* sensors = frame_->action(command::kViewSensors);
    sensors->setChecked(openSettings()->value(kShowSensorsKey, false).toBool());
    doc_->setShowSensors(sensors->isChecked());
    connect(sensors, &QAction::toggled, this, [this](bool on) {
        doc_->setShowSensors(on);
        openSettings()->setValue(kShowSensorsKey, on);
    });
    connect(frame_.get(), &CMainFrame::commandTriggered, this, &TorvaskApp::onCommand);
    doc_->setStatusTextShown(frame_->action(command::kViewStatusText)->isChecked());
    // Learning at once is on unless the person switched it off, in this run or an earlier one.
    const bool learnAtOnce = openSettings()->value(QStringLiteral("driver/learnAtOnce"), true).toBool();
    doc_->setLearnAtOnce(learnAtOnce);
    frame_->action(command::kDriverLearnAtOnce)->setChecked(learnAtOnce);
    connect(frame_.get(), &CMainFrame::learnAtOnceToggled, this, [this](bool on) {
        doc_->setLearnAtOnce(on);
        openSettings()->setValue(QStringLiteral("driver/learnAtOnce"), on);
    });

    idle_ = std::make_unique<IdleLoop>([this] { runFrame(); });
    indicatorTimer_.setInterval(kIndicatorIntervalMs);
    connect(&indicatorTimer_, &QTimer::timeout, frame_.get(), &CMainFrame::refreshLockIndicators);
}

TorvaskApp::~TorvaskApp() {
    idle_->stop();
    // The device and its resources go with the document; they need their context current.
    makeViewCurrent();
    doc_.reset();
}

void TorvaskApp::setProgramFolder(const std::string& folder) { doc_->setProgramFolder(folder); }

void TorvaskApp::start() {
    frame_->resize(800, 650);
    frame_->show();
    view_->requestActivate();
    indicatorTimer_.start();
    QTimer::singleShot(0, this, [this] {
        if (initialUpdate()) idle_->start();
    });
}

bool TorvaskApp::initialUpdate() {
    if (!doc_->readConfiguration()) {
        requestClose();
        return false;
    }
    if (doc_->startScene(viewWindow()) != 0) {
        requestClose();
        return false;
    }
    refreshTitle();
    lastFrameTick_ = clock_->tickCount();
    // The keys work at once, without a click into the view first.
    frame_->activateWindow();
    view_->takeKeyboardFocus();
    return true;
}

bool TorvaskApp::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->isWindow() && widget->isModal()) scheduleViewFocus();
    }
    return QObject::eventFilter(watched, event);
}

void TorvaskApp::scheduleViewFocus() {
    // After the event loop has finished closing whatever was open: a focus handed over while a
    // dialog is still being torn down is taken back by it.
    QTimer::singleShot(0, this, [this] {
        if (!doc_->isSceneReady() || QApplication::activeModalWidget() || QApplication::activePopupWidget()) return;
        if (QGuiApplication::focusWindow() == view_) return;
        view_->takeKeyboardFocus();
    });
}

void TorvaskApp::runFrame() {
    if (doc_->isSceneReady() && !makeViewCurrent()) return;
    startRecordIfNew();
    doc_->simulateFrame();
    frame_->updateCommandStates();
    followNetwork();
    refreshTitle();
    observeDrive();
}

void TorvaskApp::startRecordIfNew() {
    if (!doc_->isSceneReady() || doc_->getMode() != kModeAIControl) return;
    if (record_ && recordStart_ == doc_->getAIControlStarts() && recordScene_ == doc_->getSceneGeneration()) return;
    // The car stands on the start line: a drive begins, as torvask-lab eval's does.
    record_ = std::make_unique<DriveRecord>(*doc_);
    recordStart_ = doc_->getAIControlStarts();
    recordScene_ = doc_->getSceneGeneration();
    recordTick_ = lastFrameTick_;
    reportOffered_ = false;
}

void TorvaskApp::observeDrive() {
    const std::uint32_t tick = clock_->tickCount();
    lastFrameTick_ = tick;
    // A drive on another track (or an ended scene) is not this scene's to report.
    if (record_ && recordScene_ != doc_->getSceneGeneration()) record_.reset();
    if (!doc_->isSceneReady()) return;
    if (doc_->getMode() == kModeUserControl) noteExpertLap();
    if (doc_->getMode() != kModeAIControl || !record_ || recordStart_ != doc_->getAIControlStarts()) {
        // Started inside this frame: the drive is recorded from the next one.
        if (doc_->getMode() == kModeAIControl) {
            startRecordIfNew();
            recordTick_ = tick;
        }
        return;
    }
    // A frame that stood still (a box was open, the machine paused) counts as one short frame, as
    // the simulation counts it: the pause is not driving time, nor getting stuck.
    std::uint32_t ms = tick - recordTick_;
    if (ms > static_cast<std::uint32_t>(kStallLimitMs)) ms = kStallFrameMs;
    recordTick_ = tick;
    record_->observe(static_cast<int>(ms));
    if (!reportOffered_ && record_->monitor().laps().size() >= kLapsBeforeReport) {
        reportOffered_ = true;
        if (askYesNo("The driver has driven 3 laps. Show the Driver Report?")) showDriverReport();
    }
}

void TorvaskApp::noteExpertLap() {
    // Only a lap the expert drove from line to line is the expert's: one in which the person took
    // the wheel is theirs, and a person's lap is no yardstick for the driver.
    if (!expert_) return;
    if (expertLapScene_ != expertScene_) {
        expertLapScene_ = expertScene_;
        expertLapsSeen_ = doc_->getLapsCompleted();
        expertLapWhole_ = true;
    }
    if (expert_->personDriving()) expertLapWhole_ = false;
    const std::int32_t laps = doc_->getLapsCompleted();
    if (laps == expertLapsSeen_) return;
    if (laps == expertLapsSeen_ + 1 && expertLapWhole_) {
        const std::int64_t ms = lapTimeMilliseconds(doc_->getLastLap());
        const std::int64_t known = expertBestLapMs();
        if (ms > 0 && (known == 0 || ms < known)) {
            expertBestMs_ = ms;
            openSettings()->setValue(expertLapKey(expertTrack_), static_cast<qlonglong>(ms));
        }
    }
    expertLapsSeen_ = laps;
    expertLapWhole_ = !expert_->personDriving();
}

std::int64_t TorvaskApp::expertBestLapMs() {
    if (expertTrack_ != doc_->getTrackFile()) {
        expertTrack_ = doc_->getTrackFile();
        expertBestMs_ = openSettings()->value(expertLapKey(expertTrack_), 0).toLongLong();
    }
    return expertBestMs_;
}

void TorvaskApp::showDriverReport() {
    if (!record_ || record_->monitor().frames() == 0) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Torvask"),
                        QStringLiteral("No drive to report yet: the report follows the learned driver in AI Control "
                                       "from the start line."),
                        QMessageBox::Ok, frame_.get());
        box.exec();
        return;
    }
    const std::string trackName = std::filesystem::path(doc_->getTrackFile()).stem().string();
    DriverReportDialog dialog(*record_, doc_->getTrack(), trackName, expertBestLapMs(), frame_.get());
    dialog.exec();
}

void TorvaskApp::followNetwork() {
    // Closed, the dock costs the frame nothing.
    if (!frame_->networkDock()->isVisible()) return;
    Driver* driver = doc_->isSceneReady() ? doc_->getDriver() : nullptr;
    Lobe* lobe = driver ? driver->getBrain().getLobe(0) : nullptr;
    FlatNetwork network;
    if (!lobe || !network.capture(lobe->getNetwork())) {
        frame_->networkView()->clear();
        return;
    }
    // While the driver drives, its units hold exactly what steered the car this frame; otherwise
    // (the person drives) the picture shows what the network would answer to the car's sensors.
    if (doc_->getMode() == kModeAIControl && !doc_->hasTheWheel()) {
        frame_->networkView()->showNetwork(network);
    } else {
        showNetworkOnCar(network);
    }
}

void TorvaskApp::showNetworkOnCar(FlatNetwork& network) {
    Car* car = doc_->getCar();
    if (car) {
        const std::vector<double> inputs = car->getInputs(0);
        if (static_cast<int>(inputs.size()) == network.getNumInputs()) network.run(inputs.data());
    }
    frame_->networkView()->showNetwork(network);
}

void TorvaskApp::refreshTitle() {
    if (!doc_->isSceneReady()) {
        frame_->setDocumentTitle(QString(), QString(), false);
        return;
    }
    const std::string& driverFile = doc_->getDriverFile();
    const QString driver = driverFile.empty()
                               ? QStringLiteral("New driver")
                               : SetupDialog::displayName(std::filesystem::path(driverFile).filename().string());
    frame_->setDocumentTitle(SetupDialog::displayName(std::filesystem::path(doc_->getTrackFile()).filename().string()),
                             driver, doc_->isDriverModified());
}

void TorvaskApp::onCommand(int commandId) {
    switch (commandId) {
        case command::kFileNew: doc_->newSimulation(); break;
        case command::kFileSave: doc_->saveCurrentDriver(); break;
        case command::kFileSaveAs: doc_->saveDriver(); break;
        case command::kEditUndo: doc_->undoTraining(); break;
        case command::kCameraLongshot: doc_->showLongShot(); break;
        case command::kCameraFollowTrack: doc_->showFollowTrack(); break;
        case command::kCameraChase: doc_->showCarCamera(Vector3(2.5, 3.0, -8.0), 0); break;
        case command::kCameraFront: doc_->showCarCamera(Vector3(2.5, 2.0, 8.0), 0); break;
        case command::kCameraSide: doc_->showCarCamera(Vector3(5.0, 1.5, -12.0), 0); break;
        case command::kCameraOverhead: doc_->showCarCamera(Vector3(0.0, 40.0, 0.0), 0); break;
        case command::kViewStatusText:
            doc_->setStatusTextShown(frame_->action(command::kViewStatusText)->isChecked());
            break;
        case command::kDriverReport: showDriverReport(); break;
        default: break;
    }
    frame_->updateCommandStates();
    refreshTitle();
}

int TorvaskApp::probeVersion() {
    // Anything below the required code stops the configuration step with its message.
    return GlDevice::probe() ? kRequiredGraphicsVersion : kRequiredGraphicsVersion - 0x100;
}

std::unique_ptr<GraphicsSystem> TorvaskApp::createGraphicsSystem() {
    return std::make_unique<ViewGraphicsSystem>(*this);
}

std::unique_ptr<InputSystem> TorvaskApp::createInputSystem() { return std::make_unique<ViewInputSystem>(*view_); }

bool TorvaskApp::askYesNo(const std::string& question) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Torvask"), QString::fromStdString(question),
                    QMessageBox::Yes | QMessageBox::No, frame_.get());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

Answer TorvaskApp::askYesNoCancel(const std::string& question) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Torvask"), QString::fromStdString(question),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, frame_.get());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        default: return Answer::Cancel;
    }
}

SetupChoice TorvaskApp::runSimulationSetup(const std::string& tracksFolder, const std::string& driversFolder) {
    SetupDialog dialog(frame_.get());
    dialog.tracksFolder = tracksFolder;
    dialog.driversFolder = driversFolder;
    dialog.ownTracksFolder = doc_->getOwnTracksPath();
    dialog.ownDriversFolder = doc_->getOwnDriversPath();
    // The dialog comes back with the last choice rather than the first track and a new driver.
    dialog.trackFile = lastSetup_.trackFile;
    dialog.driverFile = lastSetup_.driverFile;
    dialog.expert = expertChosen_;
    SetupChoice choice;
    choice.accepted = dialog.exec() == QDialog::Accepted;
    if (choice.accepted) {
        choice.trackFile = dialog.trackFile;
        choice.driverFile = dialog.driverFile;
        lastSetup_ = choice;
        expertChosen_ = dialog.expert;
        chooseExpert(expertChosen_);
    }
    return choice;
}

void TorvaskApp::chooseExpert(bool chosen) {
    // Only the expert's filter: without it the keys stay as read, frozen while the window has no keyboard.
    if (!chosen) {
        doc_->setKeyFilter({});
        expert_.reset();
        return;
    }
    doc_->setKeyFilter([this](KeyState& keys, double dt) {
        if (doc_->getMode() != kModeUserControl || !doc_->getCar()) return;
        if (!expert_ || expertScene_ != doc_->getSceneGeneration()) {
            expert_ = std::make_unique<ExpertDriver>(doc_->getTrack());
            expertScene_ = doc_->getSceneGeneration();
        }
        expert_->apply(*doc_, keys, clock_->tickCount(), dt);
    });
}

bool TorvaskApp::runTrainingDialog(Driver& driver, const std::string& patternPrefix, const std::string& lobeFolder,
                                   const std::string& driversFolder) {
    TrainingDialog dialog(frame_.get());
    dialog.driver = &driver;
    dialog.patternPrefix = patternPrefix;
    dialog.lobeFolder = lobeFolder;
    dialog.driversFolder = driversFolder;
    dialog.setTrainer([&driver](const std::string& prefix, const std::string& folder, ProgressCallback callback,
                                void* user) { return driver.train(prefix, folder, callback, user); });
    // The network dock follows the weights as they learn.
    if (frame_->networkDock()->isVisible()) {
        dialog.setNetworkWatcher([this](FlatNetwork& network) { showNetworkOnCar(network); });
    }
    dialog.exec();
    return dialog.hasTrained();
}

bool TorvaskApp::askSaveFile(const SaveFileRequest& request, std::string* chosenPath) {
    QFileDialog dialog(frame_.get(), QString::fromStdString(request.title),
                       QString::fromStdString(request.initialFolder));
    dialog.setObjectName(QStringLiteral("saveDriverDialog"));
    // Qt's own dialog everywhere: the same look, and the default extension is always applied.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(qtNameFilters(request.filter));
    QString suffix = QString::fromStdString(request.defaultExtension);
    if (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    if (!request.initialName.empty()) dialog.selectFile(QString::fromStdString(request.initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    if (chosenPath) *chosenPath = dialog.selectedFiles().first().toStdString();
    return true;
}

void TorvaskApp::driverSaved(const std::string& path) {
    frame_->statusBar()->showMessage(
        QStringLiteral("Saved %1").arg(QString::fromStdString(std::filesystem::path(path).filename().string())),
        kSavedMessageMs);
    refreshTitle();
}

void TorvaskApp::requestClose() {
    QMetaObject::invokeMethod(frame_.get(), &QWidget::close, Qt::QueuedConnection);
}

WindowHandle TorvaskApp::frameWindow() { return reinterpret_cast<WindowHandle>(frame_.get()); }

WindowHandle TorvaskApp::viewWindow() const { return reinterpret_cast<WindowHandle>(view_); }

bool TorvaskApp::makeViewCurrent() {
    QOpenGLContext* context = view_->context();
    if (!context) return false;
    if (QOpenGLContext::currentContext() == context && context->surface() == view_) return true;
    return context->makeCurrent(view_);
}

}  // namespace torvask
