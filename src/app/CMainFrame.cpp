#include "app/CMainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include "app/AboutDialog.h"
#include "app/AppIcons.h"
#include "app/AppSettings.h"
#include "app/CommandIds.h"
#include "app/ControlsDialog.h"
#include "app/LockKeys.h"
#include "app/NetworkView.h"

namespace torvask {
namespace {

constexpr int kAIControl = 2;
const char* const kNetworkSetting = "view/network";
const QString kStatusTextKey = QStringLiteral("view/statusText");

// Commands the window passes on to the simulation.
bool isSimulationCommand(int id) {
    switch (id) {
        case command::kFileNew:
        case command::kFileSave:
        case command::kFileSaveAs:
        case command::kEditUndo:
        case command::kCameraLongshot:
        case command::kCameraFollowTrack:
        case command::kCameraChase:
        case command::kCameraFront:
        case command::kCameraSide:
        case command::kCameraOverhead:
        case command::kViewStatusText: return true;
        case command::kDriverReport: return true;
        default: return false;
    }
}

}  // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Torvask"));
    setWindowIcon(applicationIcon());
    createMenus();
    createToolBar();
    createStatusBar();
    createNetworkDock();
    updateCommandStates();
}

QAction* CMainFrame::addCommand(QMenu* menu, int id, const QString& text, const QList<QKeySequence>& keys) {
    auto* act = new QAction(text, this);
    act->setData(id);
    act->setObjectName(QStringLiteral("command%1").arg(id));
    if (!keys.isEmpty()) act->setShortcuts(keys);
    if (isSimulationCommand(id)) {
        connect(act, &QAction::triggered, this, [this, id] { emit commandTriggered(id); });
    }
    if (menu) menu->addAction(act);
    actions_[id] = act;
    return act;
}

void CMainFrame::createMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    addCommand(file, command::kFileNew, QStringLiteral("&New\tCtrl+N"), {QKeySequence(Qt::CTRL | Qt::Key_N)});
    addCommand(file, command::kFileOpen, QStringLiteral("&Open...\tCtrl+O"),
               {QKeySequence(Qt::CTRL | Qt::Key_O)});
    addCommand(file, command::kFileSave, QStringLiteral("&Save\tCtrl+S"), {QKeySequence(Qt::CTRL | Qt::Key_S)});
    addCommand(file, command::kFileSaveAs, QStringLiteral("Save &As..."));
    file->addSeparator();
    // The recent-file list stays empty: no document file is ever opened.
    addCommand(file, command::kFileRecent, QStringLiteral("Recent File"));
    file->addSeparator();
    QAction* exitAction = addCommand(file, command::kAppExit, QStringLiteral("E&xit"));
    connect(exitAction, &QAction::triggered, this, &QWidget::close);
    // Save's enable state follows the driving mode, so refresh it whenever the menu opens.
    connect(file, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    addCommand(edit, command::kEditUndo, QStringLiteral("&Undo Training\tCtrl+Z"),
               {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    edit->addSeparator();
    addCommand(edit, command::kEditCut, QStringLiteral("Cu&t\tCtrl+X"),
               {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    addCommand(edit, command::kEditCopy, QStringLiteral("&Copy\tCtrl+C"),
               {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    addCommand(edit, command::kEditPaste, QStringLiteral("&Paste\tCtrl+V"),
               {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QMenu* camera = view->addMenu(QStringLiteral("Camera"));
    camera->setObjectName(QStringLiteral("cameraMenu"));
    // The F-keys are shown, not bound: the view reads them from its own keyboard snapshot, and
    // a window shortcut would take them away from it.
    addCommand(camera, command::kCameraLongshot, QStringLiteral("Longshot\tF1"));
    addCommand(camera, command::kCameraFollowTrack, QStringLiteral("Follow Track\tF2"))
        ->setStatusTip(QStringLiteral("Follow Race Track"));
    addCommand(camera, command::kCameraChase, QStringLiteral("Chase\tF3"));
    addCommand(camera, command::kCameraFront, QStringLiteral("Front\tF4"));
    addCommand(camera, command::kCameraSide, QStringLiteral("Side\tF5"));
    addCommand(camera, command::kCameraOverhead, QStringLiteral("Overhead\tF6"));
    auto* cameras = new QActionGroup(this);
    for (QAction* act : camera->actions()) {
        act->setCheckable(true);
        cameras->addAction(act);
    }
    // Exclusive, but with none marked while the camera is none of the six.
    cameras->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    connect(camera, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
    QAction* toolbarToggle = addCommand(view, command::kViewToolbar, QStringLiteral("&Toolbar"));
    QAction* statusToggle = addCommand(view, command::kViewStatusBar, QStringLiteral("&Status Bar"));
    toolbarToggle->setCheckable(true);
    toolbarToggle->setChecked(true);
    statusToggle->setCheckable(true);
    statusToggle->setChecked(true);
    connect(toolbarToggle, &QAction::toggled, this, [this](bool on) { toolBar_->setVisible(on); });
    connect(statusToggle, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    view->addSeparator();
    // Bound, unlike the camera keys: the view has no use of its own for F7.
    QAction* sensors = addCommand(view, command::kViewSensors, QStringLiteral("Show &Sensors\tF7"),
                                  {QKeySequence(Qt::Key_F7)});
    sensors->setCheckable(true);
    sensors->setStatusTip(QStringLiteral("Mark where the driver's sensors look on the road"));
    // Reaches the window from the view too, which has the keyboard focus while driving.
    addAction(sensors);
    // Bound as a shortcut, unlike the camera keys: the simulation does not read F8.
    addCommand(view, command::kViewNetwork, QStringLiteral("&Network\tF8"), {QKeySequence(Qt::Key_F8)})
        ->setStatusTip(QStringLiteral("Show the driver's network at work"));
    // The texts over the scene (frame rate, mode, laps), for a picture without them.
    QAction* statusTextToggle = addCommand(view, command::kViewStatusText, QStringLiteral("Show Status &Text\tF9"),
                                           {QKeySequence(Qt::Key_F9)});
    statusTextToggle->setCheckable(true);
    statusTextToggle->setChecked(openSettings()->value(kStatusTextKey, true).toBool());
    connect(statusTextToggle, &QAction::toggled, this,
            [](bool on) { openSettings()->setValue(kStatusTextKey, on); });

    // The driver's teaching: Undo Training is the Edit menu's action, offered here as well.
    QMenu* driverMenu = menuBar()->addMenu(QStringLiteral("&Driver"));
    driverMenu->setObjectName(QStringLiteral("driverMenu"));
    driverMenu->addAction(action(command::kEditUndo));
    QAction* learnAtOnce = addCommand(driverMenu, command::kDriverLearnAtOnce, QStringLiteral("Learn at &Once"));
    learnAtOnce->setCheckable(true);
    learnAtOnce->setChecked(true);
    learnAtOnce->setStatusTip(QStringLiteral("Learn each correction as soon as you hand the wheel back"));
    connect(learnAtOnce, &QAction::toggled, this, &CMainFrame::learnAtOnceToggled);
    driverMenu->addSeparator();
    connect(driverMenu, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
    connect(edit, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
    addCommand(driverMenu, command::kDriverReport, QStringLiteral("Driver &Report..."))
        ->setStatusTip(QStringLiteral("How the driver drove since it last left the start line"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    addCommand(help, command::kHelpControls, QStringLiteral("Controls"))
        ->setStatusTip(QStringLiteral("Display the list of controls"));
    addCommand(help, command::kAppAbout, QStringLiteral("&About Torvask..."));
    connect(action(command::kHelpControls), &QAction::triggered, this, &CMainFrame::showControlsDialog);
    connect(action(command::kAppAbout), &QAction::triggered, this, &CMainFrame::showAboutDialog);

    // Print is a toolbar button only; the pane commands are accelerators only. None has a
    // handler, so all stay disabled, and F6 therefore still reaches the view as a camera key.
    addCommand(nullptr, command::kFilePrint, QStringLiteral("&Print...\tCtrl+P"));
    addAction(addCommand(nullptr, command::kNextPane, QStringLiteral("Next Pane"), {QKeySequence(Qt::Key_F6)}));
    addAction(addCommand(nullptr, command::kPrevPane, QStringLiteral("Previous Pane"),
                         {QKeySequence(Qt::SHIFT | Qt::Key_F6)}));
    for (int id : {command::kFileOpen, command::kFileRecent, command::kEditCut,
                   command::kEditCopy, command::kEditPaste, command::kFilePrint, command::kNextPane,
                   command::kPrevPane}) {
        action(id)->setEnabled(false);
    }
}

void CMainFrame::createToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Standard"));
    toolBar_->setObjectName(QStringLiteral("standardToolBar"));
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setMovable(true);
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    const int layout[] = {command::kFileNew,   command::kFileOpen, command::kFileSave, 0,
                          command::kEditCut,   command::kEditCopy, command::kEditPaste, 0,
                          command::kFilePrint, 0,                  command::kAppAbout};
    for (int id : layout) {
        if (id == 0) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* act = action(id);
        act->setIcon(commandIcon(id));
        QString tip = act->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
        if (tip.endsWith(QLatin1String("..."))) tip.chop(3);
        act->setToolTip(tip);
        toolBar_->addAction(act);
    }
    // Hiding the bar from its context menu must keep the View entry's check mark right.
    connect(toolBar_, &QToolBar::visibilityChanged, this, [this](bool visible) {
        if (!isHidden()) action(command::kViewToolbar)->setChecked(visible);
    });
}

void CMainFrame::createStatusBar() {
    QStatusBar* bar = statusBar();
    messagePane_ = new QLabel(QStringLiteral("Ready"), bar);
    messagePane_->setObjectName(QStringLiteral("messagePane"));
    // A normal widget: status-bar prompts cover it while shown and it returns afterwards.
    bar->addWidget(messagePane_, 1);
    const char* names[3] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
        indicators_[i] = new QLabel(QString::fromLatin1(names[i]), bar);
        indicators_[i]->setObjectName(QStringLiteral("indicator%1").arg(names[i]));
        indicators_[i]->setAlignment(Qt::AlignCenter);
        indicators_[i]->setFrameShape(QFrame::Panel);
        indicators_[i]->setFrameShadow(QFrame::Sunken);
        indicators_[i]->setMinimumWidth(indicators_[i]->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 10);
        bar->addPermanentWidget(indicators_[i]);
    }
    setLockStates(false, false, false);
    refreshLockIndicators();
}

void CMainFrame::createNetworkDock() {
    networkDock_ = new QDockWidget(QStringLiteral("Network"), this);
    networkDock_->setObjectName(QStringLiteral("networkDock"));
    networkDock_->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    networkView_ = new NetworkView(networkDock_);
    networkDock_->setWidget(networkView_);
    addDockWidget(Qt::RightDockWidgetArea, networkDock_);
    QAction* toggle = action(command::kViewNetwork);
    toggle->setCheckable(true);
    const bool shown = openSettings()->value(QLatin1String(kNetworkSetting), false).toBool();
    toggle->setChecked(shown);
    networkDock_->setVisible(shown);
    connect(toggle, &QAction::toggled, this, [this](bool on) {
        networkDock_->setVisible(on);
        openSettings()->setValue(QLatin1String(kNetworkSetting), on);
    });
    // Closed by its own title-bar button: the menu's check mark and the setting follow.
    connect(networkDock_, &QDockWidget::visibilityChanged, this, [this, toggle](bool visible) {
        if (!visible && !isHidden() && networkDock_->isHidden()) toggle->setChecked(false);
    });
}

QAction* CMainFrame::action(int commandId) const {
    auto it = actions_.find(commandId);
    return it == actions_.end() ? nullptr : it->second;
}

QLabel* CMainFrame::indicator(int index) const {
    return (index >= 0 && index < 3) ? indicators_[index] : nullptr;
}

void CMainFrame::setLockStates(bool caps, bool num, bool scroll) {
    const bool on[3] = {caps, num, scroll};
    for (int i = 0; i < 3; ++i) indicators_[i]->setEnabled(on[i]);
}

void CMainFrame::refreshLockIndicators() {
    LockKeyStates states;
    if (queryLockKeys(states)) setLockStates(states.caps, states.num, states.scroll);
}

void CMainFrame::setModeSource(std::function<int()> modeSource) {
    modeSource_ = std::move(modeSource);
    updateCommandStates();
}

void CMainFrame::updateCommandStates() {
    const bool aiControl = modeSource_ && modeSource_() == kAIControl;
    action(command::kFileSave)->setEnabled(aiControl);
    action(command::kFileSaveAs)->setEnabled(aiControl);
    action(command::kEditUndo)->setEnabled(undoSource_ && undoSource_());
    const int current = cameraSource_ ? cameraSource_() : 0;
    for (int id : {command::kCameraLongshot, command::kCameraFollowTrack, command::kCameraChase, command::kCameraFront,
                   command::kCameraSide, command::kCameraOverhead}) {
        QAction* act = action(id);
        if (act->isChecked() != (id == current)) act->setChecked(id == current);
    }
}

void CMainFrame::setCameraSource(std::function<int()> cameraSource) {
    cameraSource_ = std::move(cameraSource);
    updateCommandStates();
}

QString CMainFrame::documentTitle(const QString& track, const QString& driver, bool modified) {
    if (track.isEmpty()) return QStringLiteral("Torvask");
    return QStringLiteral("%1 \u2014 %2%3 \u2014 Torvask").arg(track, driver, modified ? QStringLiteral("*") : QString());
}

void CMainFrame::setDocumentTitle(const QString& track, const QString& driver, bool modified) {
    const QString title = documentTitle(track, driver, modified);
    if (windowTitle() != title) setWindowTitle(title);
}

void CMainFrame::setUndoSource(std::function<bool()> undoSource) {
    undoSource_ = std::move(undoSource);
    updateCommandStates();
}

void CMainFrame::setCloseGuard(std::function<bool()> guard) { closeGuard_ = std::move(guard); }

void CMainFrame::setView(QWidget* view) { setCentralWidget(view); }

void CMainFrame::showControlsDialog() {
    ControlsDialog dialog(this);
    dialog.exec();
}

void CMainFrame::showAboutDialog() {
    AboutDialog dialog(this);
    dialog.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (closeGuard_ && !closeGuard_()) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace torvask
