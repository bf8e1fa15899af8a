// The main window's commands: ids, texts, accelerators, enable states across the driving
// modes, toolbar and status bar, and routing of commands and accelerators.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QPushButton>
#include <QTableWidget>

#include "ModalHelper.h"
#include "app/AboutDialog.h"
#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/ControlsDialog.h"

namespace torvask {
namespace {

using namespace torvask::command;

struct CommandCase {
    int id;
    const char* text;
    std::vector<QKeySequence> keys;
    bool enabledIdle;
    bool enabledUser;
    bool enabledAI;
};

const std::vector<CommandCase>& commandTable() {
    static const std::vector<CommandCase> table = {
        {kFileNew, "&New\tCtrl+N", {QKeySequence("Ctrl+N")}, true, true, true},
        {kFileOpen, "&Open...\tCtrl+O", {QKeySequence("Ctrl+O")}, false, false, false},
        {kFileSave, "&Save\tCtrl+S", {QKeySequence("Ctrl+S")}, false, false, true},
        {kFileSaveAs, "Save &As...", {}, false, false, true},
        {kFileRecent, "Recent File", {}, false, false, false},
        {kAppExit, "E&xit", {}, true, true, true},
        {kEditUndo, "&Undo Training\tCtrl+Z", {QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")}, false, false,
         false},
        {kDriverLearnAtOnce, "Learn at &Once", {}, true, true, true},
        {kEditCut, "Cu&t\tCtrl+X", {QKeySequence("Ctrl+X"), QKeySequence("Shift+Del")}, false, false, false},
        {kEditCopy, "&Copy\tCtrl+C", {QKeySequence("Ctrl+C"), QKeySequence("Ctrl+Ins")}, false, false, false},
        {kEditPaste, "&Paste\tCtrl+V", {QKeySequence("Ctrl+V"), QKeySequence("Shift+Ins")}, false, false, false},
        {kCameraLongshot, "Longshot\tF1", {}, true, true, true},
        {kCameraFollowTrack, "Follow Track\tF2", {}, true, true, true},
        {kCameraChase, "Chase\tF3", {}, true, true, true},
        {kCameraFront, "Front\tF4", {}, true, true, true},
        {kCameraSide, "Side\tF5", {}, true, true, true},
        {kCameraOverhead, "Overhead\tF6", {}, true, true, true},
        {kViewSensors, "Show &Sensors\tF7", {QKeySequence("F7")}, true, true, true},
        {kViewToolbar, "&Toolbar", {}, true, true, true},
        {kViewStatusBar, "&Status Bar", {}, true, true, true},
        {kHelpControls, "Controls", {}, true, true, true},
        {kAppAbout, "&About Torvask...", {}, true, true, true},
        {kFilePrint, "&Print...\tCtrl+P", {}, false, false, false},
        {kNextPane, "Next Pane", {QKeySequence("F6")}, false, false, false},
        {kPrevPane, "Previous Pane", {QKeySequence("Shift+F6")}, false, false, false},
    };
    return table;
}

QStringList menuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

QMenu* topMenu(CMainFrame& frame, const QString& title) {
    for (QAction* a : frame.menuBar()->actions()) {
        if (a->text() == title) return a->menu();
    }
    return nullptr;
}

TEST(MainFrame, CommandsHaveTheirIdsTextsAcceleratorsAndEnableStatesInEveryMode) {
    CMainFrame frame;
    int mode = 0;
    frame.setModeSource([&mode] { return mode; });
    for (int m : {0, 1, 2}) {
        mode = m;
        frame.updateCommandStates();
        for (const CommandCase& c : commandTable()) {
            SCOPED_TRACE(::testing::Message() << "mode " << m << " command " << c.id);
            QAction* act = frame.action(c.id);
            ASSERT_NE(act, nullptr);
            EXPECT_EQ(act->data().toInt(), c.id);
            EXPECT_EQ(act->text(), QString::fromLatin1(c.text));
            EXPECT_EQ(act->shortcuts(), QList<QKeySequence>(c.keys.begin(), c.keys.end()));
            const bool expected = m == 0 ? c.enabledIdle : (m == 1 ? c.enabledUser : c.enabledAI);
            EXPECT_EQ(act->isEnabled(), expected);
        }
    }
    EXPECT_EQ(frame.action(12345), nullptr);
}

TEST(MainFrame, UndoTrainingIsEnabledOnlyWithSomethingToUndoAndGoesToTheSimulation) {
    CMainFrame frame;
    bool canUndo = false;
    frame.setUndoSource([&canUndo] { return canUndo; });
    QSignalSpy commands(&frame, &CMainFrame::commandTriggered);
    QAction* undo = frame.action(kEditUndo);
    EXPECT_FALSE(undo->isEnabled());
    undo->trigger();  // a disabled action does nothing
    canUndo = true;
    emit topMenu(frame, "&Driver")->aboutToShow();
    EXPECT_TRUE(undo->isEnabled());
    undo->trigger();
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), kEditUndo);
}

TEST(MainFrame, WithoutAModeSourceSaveStaysDisabled) {
    CMainFrame frame;
    EXPECT_FALSE(frame.action(kFileSave)->isEnabled());
    EXPECT_FALSE(frame.action(kFileSaveAs)->isEnabled());
}

TEST(MainFrame, OpeningTheFileMenuRefreshesSaveFromTheMode) {
    CMainFrame frame;
    int mode = 1;
    frame.setModeSource([&mode] { return mode; });
    ASSERT_FALSE(frame.action(kFileSave)->isEnabled());
    mode = 2;  // changed behind the window's back, as a frame step does
    QMenu* file = topMenu(frame, QStringLiteral("&File"));
    ASSERT_NE(file, nullptr);
    emit file->aboutToShow();
    EXPECT_TRUE(frame.action(kFileSave)->isEnabled());
    EXPECT_TRUE(frame.action(kFileSaveAs)->isEnabled());
}

TEST(MainFrame, MenusHoldTheirEntriesInOrder) {
    CMainFrame frame;
    QStringList titles;
    for (QAction* a : frame.menuBar()->actions()) titles << a->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&View", "&Driver", "&Help"}));
    EXPECT_EQ(menuTexts(topMenu(frame, "&File")),
              (QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "&Save\tCtrl+S", "Save &As...", "-", "Recent File",
                           "-", "E&xit"}));
    EXPECT_EQ(menuTexts(topMenu(frame, "&Edit")),
              (QStringList{"&Undo Training\tCtrl+Z", "-", "Cu&t\tCtrl+X", "&Copy\tCtrl+C", "&Paste\tCtrl+V"}));
    EXPECT_EQ(menuTexts(topMenu(frame, "&Driver")),
              (QStringList{"&Undo Training\tCtrl+Z", "Learn at &Once", "-", "Driver &Report..."}));
    EXPECT_TRUE(frame.action(kDriverLearnAtOnce)->isChecked());
    EXPECT_EQ(menuTexts(topMenu(frame, "&View")),
              (QStringList{"Camera", "&Toolbar", "&Status Bar", "-", "Show &Sensors\tF7", "&Network\tF8",
                           "Show Status &Text\tF9"}));
    QMenu* camera = frame.findChild<QMenu*>(QStringLiteral("cameraMenu"));
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(menuTexts(camera), (QStringList{"Longshot\tF1", "Follow Track\tF2", "Chase\tF3", "Front\tF4",
                                              "Side\tF5", "Overhead\tF6"}));
    EXPECT_EQ(menuTexts(topMenu(frame, "&Help")), (QStringList{"Controls", "&About Torvask..."}));
}

TEST(MainFrame, ToolbarHoldsTheStandardButtonsWithIcons) {
    CMainFrame frame;
    std::vector<int> ids;
    for (QAction* a : frame.toolBar()->actions()) {
        ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
        if (!a->isSeparator()) {
            SCOPED_TRACE(a->data().toInt());
            EXPECT_FALSE(a->icon().isNull());
        }
    }
    EXPECT_EQ(ids, (std::vector<int>{kFileNew, kFileOpen, kFileSave, 0, kEditCut, kEditCopy, kEditPaste, 0,
                                     kFilePrint, 0, kAppAbout}));
    EXPECT_EQ(frame.action(kFileOpen)->toolTip(), QStringLiteral("Open"));
}

TEST(MainFrame, TitleStatusPaneAndIndicators) {
    CMainFrame frame;
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Torvask"));
    EXPECT_EQ(frame.messagePane()->text(), QStringLiteral("Ready"));
    const char* names[3] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(names[i]);
        ASSERT_NE(frame.indicator(i), nullptr);
        EXPECT_EQ(frame.indicator(i)->text(), QString::fromLatin1(names[i]));
    }
    EXPECT_EQ(frame.indicator(3), nullptr);
    frame.setLockStates(true, false, true);
    EXPECT_TRUE(frame.indicator(0)->isEnabled());
    EXPECT_FALSE(frame.indicator(1)->isEnabled());
    EXPECT_TRUE(frame.indicator(2)->isEnabled());
}

TEST(MainFrame, PromptsOfTheProgramsOwnCommandsShowInTheStatusBarAndReadyReturns) {
    CMainFrame frame;
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    const std::pair<int, const char*> prompts[] = {{kCameraFollowTrack, "Follow Race Track"},
                                                   {kHelpControls, "Display the list of controls"}};
    for (const auto& [id, text] : prompts) {
        SCOPED_TRACE(text);
        EXPECT_EQ(frame.action(id)->statusTip(), QString::fromLatin1(text));
        frame.action(id)->showStatusText(&frame);
        EXPECT_EQ(frame.statusBar()->currentMessage(), QString::fromLatin1(text));
        EXPECT_FALSE(frame.messagePane()->isVisible());
        frame.statusBar()->clearMessage();
        EXPECT_TRUE(frame.messagePane()->isVisible());
        EXPECT_EQ(frame.messagePane()->text(), QStringLiteral("Ready"));
    }
}

TEST(MainFrame, ViewEntriesToggleTheBars) {
    CMainFrame frame;
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    struct Toggle {
        int id;
        QWidget* bar;
    } toggles[] = {{kViewToolbar, frame.toolBar()}, {kViewStatusBar, frame.statusBar()}};
    for (const Toggle& t : toggles) {
        SCOPED_TRACE(t.id);
        QAction* act = frame.action(t.id);
        EXPECT_TRUE(act->isChecked());
        EXPECT_TRUE(t.bar->isVisible());
        act->trigger();
        EXPECT_FALSE(act->isChecked());
        EXPECT_FALSE(t.bar->isVisible());
        act->trigger();
        EXPECT_TRUE(act->isChecked());
        EXPECT_TRUE(t.bar->isVisible());
    }
    // Hiding the toolbar another way keeps the check mark in step.
    frame.toolBar()->hide();
    EXPECT_FALSE(frame.action(kViewToolbar)->isChecked());
}

TEST(MainFrame, SimulationCommandsArePassedOnWithTheirIds) {
    CMainFrame frame;
    frame.setModeSource([] { return 2; });
    QSignalSpy spy(&frame, &CMainFrame::commandTriggered);
    const int passed[] = {kFileNew, kFileSave, kFileSaveAs, kCameraLongshot, kCameraFollowTrack,
                          kCameraChase, kCameraFront, kCameraSide, kCameraOverhead};
    for (int id : passed) {
        SCOPED_TRACE(id);
        frame.action(id)->trigger();
        ASSERT_EQ(spy.count(), 1);
        EXPECT_EQ(spy.takeFirst().at(0).toInt(), id);
    }
    // The window's own commands are not passed on.
    frame.action(kViewToolbar)->trigger();
    frame.action(kViewToolbar)->trigger();
    EXPECT_EQ(spy.count(), 0);
}

TEST(MainFrame, AcceleratorsFollowTheEnableStates) {
    CMainFrame frame;
    int mode = 1;
    frame.setModeSource([&mode] { return mode; });
    frame.show();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    QSignalSpy spy(&frame, &CMainFrame::commandTriggered);

    QTest::keyClick(&frame, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(spy.count(), 0) << "Ctrl+S must do nothing in User Control";
    QTest::keyClick(&frame, Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.takeFirst().at(0).toInt(), kFileNew);

    mode = 2;
    frame.updateCommandStates();
    QTest::keyClick(&frame, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.takeFirst().at(0).toInt(), kFileSave);
}

TEST(MainFrame, CloseGuardDecidesWhetherTheWindowCloses) {
    CMainFrame frame;
    int asked = 0;
    bool allow = false;
    frame.setCloseGuard([&] {
        ++asked;
        return allow;
    });
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    frame.action(kAppExit)->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(frame.isVisible());
    allow = true;
    frame.action(kAppExit)->trigger();
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(frame.isVisible());
}

TEST(MainFrame, HelpEntriesOpenTheControlsAndAboutDialogs) {
    CMainFrame frame;
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    struct Case {
        int id;
        const char* title;
    } cases[] = {{kHelpControls, "Controls"}, {kAppAbout, "About Torvask"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        QString seen;
        auto handled = testing::whenModal([&seen](QWidget* w) {
            seen = w->windowTitle();
            testing::screenshot(qPrintable(QStringLiteral("dialog-") + w->windowTitle().replace(' ', '-')));
            auto* ok = w->findChild<QPushButton*>(QStringLiteral("okButton"));
            if (!ok) return false;
            QTimer::singleShot(0, ok, [ok] { ok->click(); });
            return true;
        });
        frame.action(c.id)->trigger();  // returns once the dialog is closed
        EXPECT_TRUE(*handled);
        EXPECT_EQ(seen, QString::fromLatin1(c.title));
    }
}

TEST(Dialogs, ControlsTableHoldsTheKeys) {
    ControlsDialog dialog;
    QTableWidget* t = dialog.table();
    // Every key the program reads, the drive keys one by one.
    const char* expected[][3] = {{"Drive Car: Accelerate", "W", "Up Arrow"},
                                 {"Drive Car: Brake", "S", "Down Arrow"},
                                 {"Drive Car: Steer Left", "A", "Left Arrow"},
                                 {"Drive Car: Steer Right", "D", "Right Arrow"},
                                 {"Centre the Steering", "Space", ""},
                                 {"Reset Car", "R", ""},
                                 {"Stop Training Session", "Esc", ""},
                                 {"Exit AI Control Mode", "Esc", ""},
                                 {"Take the Wheel (AI Control)", "W, A, S, D", "Arrow Keys"},
                                 {"Camera Angles", "F1 - F6", ""},
                                 {"Show Sensors", "F7", ""},
                                 {"Network View", "F8", ""},
                                 {"Show Status Text", "F9", ""},
                                 {"New Simulation", "Ctrl+N", ""},
                                 {"Save Driver", "Ctrl+S", ""},
                                 {"Undo Training", "Ctrl+Z", ""}};
    const int rows = static_cast<int>(std::size(expected));
    ASSERT_EQ(t->rowCount(), rows);
    ASSERT_EQ(t->columnCount(), 3);
    const char* headings[3] = {"Action", "Primary Key", "Secondary Key"};
    for (int c = 0; c < 3; ++c) EXPECT_EQ(t->horizontalHeaderItem(c)->text(), QString::fromLatin1(headings[c]));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 3; ++c) {
            SCOPED_TRACE(::testing::Message() << r << "," << c);
            EXPECT_EQ(t->item(r, c)->text(), QString::fromLatin1(expected[r][c]));
        }
    }
    dialog.show();
    EXPECT_FALSE(dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"))->isVisible());
    EXPECT_TRUE(dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->isVisible());
}

TEST(Dialogs, AboutShowsTheVersion) {
    AboutDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About Torvask"));
    auto* text = dialog.findChild<QLabel*>(QStringLiteral("aboutText"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), QStringLiteral("Torvask Version 1.1.0.3"));
    auto* icon = dialog.findChild<QLabel*>(QStringLiteral("aboutIcon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
}

}  // namespace
}  // namespace torvask
