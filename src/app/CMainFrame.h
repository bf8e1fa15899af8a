#pragma once
// The main window: menu bar, toolbar and status bar around the 3-D view. It owns the
// commands (one QAction per command id); the ones that act on the simulation are passed
// on through commandTriggered, the window's own (Exit, bars, Controls, About) it handles.
#include <QMainWindow>
#include <functional>
#include <map>

class QAction;
class QDockWidget;
class QLabel;
class QMenu;
class QToolBar;

namespace torvask {

class NetworkView;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    explicit CMainFrame(QWidget* parent = nullptr);

    // The action of a command id, or nullptr for an id the window does not know.
    QAction* action(int commandId) const;

    // The driving mode (0 Idle, 1 User Control, 2 AI Control) decides whether Save and
    // Save As are enabled; without a source they stay disabled.
    void setModeSource(std::function<int()> modeSource);
    // The command id of the camera in use (one of the six View > Camera commands), or 0 for
    // none of them; View > Camera marks it.
    void setCameraSource(std::function<int()> cameraSource);
    // Whether there is a training to undo; Undo Training is enabled only then (never without a source).
    void setUndoSource(std::function<bool()> undoSource);
    // Brings the enable and check states up to date; cheap enough to call once per frame.
    void updateCommandStates();

    // The title "track — driver — Torvask", with "*" after the driver while modified; with an
    // empty track only "Torvask".
    void setDocumentTitle(const QString& track, const QString& driver, bool modified);
    static QString documentTitle(const QString& track, const QString& driver, bool modified);

    // Asked before the window closes; false keeps it open. Without a hook it closes.
    void setCloseGuard(std::function<bool()> guard);

    // Places the 3-D view (a window container) in the middle of the frame.
    void setView(QWidget* view);

    // View > Network: the driver's network in a dock beside the view, shown or not as the
    // person left it last time.
    QDockWidget* networkDock() const { return networkDock_; }
    NetworkView* networkView() const { return networkView_; }

    QToolBar* toolBar() const { return toolBar_; }
    QLabel* messagePane() const { return messagePane_; }
    // The three lock indicators, in the order caps, num, scroll.
    QLabel* indicator(int index) const;
    void setLockStates(bool caps, bool num, bool scroll);
    // Reads the lock states from the display server where it can tell them.
    void refreshLockIndicators();

    void showControlsDialog();
    void showAboutDialog();

signals:
    // A simulation command was chosen (File New, Save, Save As, Undo Training, the six cameras).
    void commandTriggered(int commandId);
    // Driver > Learn at Once was switched.
    void learnAtOnceToggled(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* addCommand(QMenu* menu, int id, const QString& text, const QList<QKeySequence>& keys = {});
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void createNetworkDock();

    std::map<int, QAction*> actions_;
    std::function<int()> modeSource_;
    std::function<int()> cameraSource_;
    std::function<bool()> undoSource_;
    std::function<bool()> closeGuard_;
    QToolBar* toolBar_ = nullptr;
    QDockWidget* networkDock_ = nullptr;
    NetworkView* networkView_ = nullptr;
    QLabel* messagePane_ = nullptr;
    QLabel* indicators_[3] = {nullptr, nullptr, nullptr};
};

}  // namespace torvask
