#pragma once
// The application: creates the main window, the view and the document once, gives the
// document its host (clock, OpenGL graphics, the view's keyboard, dialogs and questions),
// runs the first configuration and start-up, routes the menu commands, and drives the
// frame loop.
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <cstdint>
#include <string>

#include "common/TickClock.h"
#include "sim/Host.h"

namespace torvask {

class ExpertDriver;

class CameraController;
class DriveRecord;
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
    // Driver > Driver Report: the learned driver's current drive, from the start line. The record
    // is empty before the driver has driven.
    void showDriverReport();
    const DriveRecord* driveRecord() const { return record_.get(); }
    // The expert's best lap on the current track in ms (the person's own, driving it in User
    // Control, remembered), or 0 when not known.
    std::int64_t expertBestLapMs();

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
    // A new record whenever the driver takes the car from the start line.
    void startRecordIfNew();
    // After a frame: the frame into the record, the report offered after the third lap, the
    // person's best lap remembered.
    void observeDrive();
    // Hands the keyboard to the view once control is back in the event loop, if a scene runs
    // and nothing modal is open.
    void scheduleViewFocus();
    // Installs (or removes) the key filter through which the expert drives in User Control.
    void chooseExpert(bool chosen);
    // Keeps the expert's best lap on this track from the laps it drove whole.
    void noteExpertLap();

    std::unique_ptr<TickClock> clock_;
    std::unique_ptr<CMainFrame> frame_;
    CTorvaskView* view_ = nullptr;  // owned by its window container inside the frame
    std::unique_ptr<CTorvaskDoc> doc_;
    std::unique_ptr<IdleLoop> idle_;
    QTimer indicatorTimer_;
    SetupChoice lastSetup_;  // the last OK in Simulation Setup
    std::unique_ptr<DriveRecord> record_;
    std::uint64_t recordStart_ = 0;     // the document's AI Control start the record belongs to
    std::uint64_t recordScene_ = 0;     // and its scene generation
    std::uint32_t lastFrameTick_ = 0;   // the clock at the end of the previous frame
    std::uint32_t recordTick_ = 0;      // the clock at the record's last frame
    bool reportOffered_ = false;
    std::string expertTrack_;           // the track expertBestMs_ belongs to
    std::int64_t expertBestMs_ = 0;
    // "Expert demonstration" was chosen: the expert drives in User Control, made for each scene.
    bool expertChosen_ = false;
    std::unique_ptr<ExpertDriver> expert_;
    std::uint64_t expertScene_ = 0;
    // The lap the expert is driving: whether it has had the wheel all of it so far.
    std::uint64_t expertLapScene_ = ~std::uint64_t{0};
    std::int32_t expertLapsSeen_ = 0;
    bool expertLapWhole_ = false;
};

// The View > Camera command of the camera the controller runs, or 0 when it is none of the six.
int currentCameraCommand(const CameraController& controller);

// Splits a filter of the form "Name (*.a)|*.a|Other|*.*||" into Qt name filters.
QStringList qtNameFilters(const std::string& filter);

}  // namespace torvask
