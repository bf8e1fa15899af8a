#pragma once
// The application: creates the main window, the view and the document once, gives the
// document its host (clock, OpenGL graphics, the view's keyboard, dialogs and questions),
// runs the first configuration and start-up, routes the menu commands, and drives the
// frame loop.
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <string>

#include "common/TickClock.h"
#include "sim/Host.h"

namespace torvask {

class CameraController;
class FlatNetwork;
class CMainFrame;
class CTorvaskDoc;
class CTorvaskView;
class IdleLoop;

class TorvaskApp : public QObject, public GraphicsFactory, public InputFactory, public Shell {
    Q_OBJECT

public:
    // clock: the frame timing source; the real steady clock when empty.
    explicit TorvaskApp(std::unique_ptr<TickClock> clock = nullptr);
    ~TorvaskApp() override;

    // The folder that holds "Torvask.cfg"; the program's own folder unless set before start().
    void setProgramFolder(const std::string& folder);

    // Shows the main window with the view focused and schedules the first update (configuration,
    // Simulation Setup, start-up) and the frame loop. A failed first update closes the window.
    void start();
    // The first update itself: false when the window was asked to close.
    bool initialUpdate();

    CTorvaskDoc& document() { return *doc_; }
    CMainFrame& frame() { return *frame_; }
    CTorvaskView& view() { return *view_; }
    IdleLoop& idleLoop() { return *idle_; }
    // One frame as the idle loop runs it.
    void runFrame();
    // A menu or toolbar command by id.
    void onCommand(int commandId);
    // The window title from the document: "TRACK — DRIVER — Torvask", with a "*" after the
    // driver while it has unsaved changes; "Torvask" without a running scene. Every frame and
    // every command refreshes it; call it after changing the document from elsewhere.
    void refreshTitle();

    // GraphicsFactory
    int probeVersion() override;
    std::unique_ptr<GraphicsSystem> createGraphicsSystem() override;
    // InputFactory
    std::unique_ptr<InputSystem> createInputSystem() override;
    // Shell
    bool askYesNo(const std::string& question) override;
    Answer askYesNoCancel(const std::string& question) override;
    SetupChoice runSimulationSetup(const std::string& tracksFolder, const std::string& driversFolder) override;
    bool runTrainingDialog(Driver& driver, const std::string& patternPrefix, const std::string& lobeFolder,
                           const std::string& driversFolder) override;
    bool askSaveFile(const SaveFileRequest& request, std::string* chosenPath) override;
    void driverSaved(const std::string& path) override;
    void requestClose() override;
    WindowHandle frameWindow() override;

    WindowHandle viewWindow() const;
    // Makes the view's context current if it is not; false without a context.
    bool makeViewCurrent();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The network dock, when shown, follows the driver's network after every frame.
    void followNetwork();
    // Runs a copy of the driver's network on what the car senses now and shows it.
    void showNetworkOnCar(FlatNetwork& network);
    // Hands the keyboard to the view once control is back in the event loop, if a scene runs
    // and nothing modal is open.
    void scheduleViewFocus();

    std::unique_ptr<TickClock> clock_;
    std::unique_ptr<CMainFrame> frame_;
    CTorvaskView* view_ = nullptr;  // owned by its window container inside the frame
    std::unique_ptr<CTorvaskDoc> doc_;
    std::unique_ptr<IdleLoop> idle_;
    QTimer indicatorTimer_;
    SetupChoice lastSetup_;  // the last OK in Simulation Setup
};

// The View > Camera command of the camera the controller runs, or 0 when it is none of the six.
int currentCameraCommand(const CameraController& controller);

// Splits a filter of the form "Name (*.a)|*.a|Other|*.*||" into Qt name filters.
QStringList qtNameFilters(const std::string& filter);

}  // namespace torvask
