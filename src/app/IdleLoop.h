#pragma once
// The frame loop: a zero-interval timer on the GUI thread that runs one frame per pass of
// the event loop. While a modal dialog or message box is open it runs no frame and slows
// itself to 50 ms, so it neither steps the simulation nor spins meanwhile. A dialog opened
// from inside a frame holds the loop by itself, since the timer never re-enters its own slot.
#include <QObject>
#include <QTimer>
#include <functional>

namespace torvask {

class IdleLoop : public QObject {
    Q_OBJECT

public:
    static constexpr int kModalIntervalMs = 50;

    explicit IdleLoop(std::function<void()> frame, QObject* parent = nullptr);

    void start();
    void stop();
    bool isRunning() const { return timer_.isActive(); }
    int interval() const { return timer_.interval(); }
    // Frames run so far, and passes skipped because a modal window was open.
    long framesRun() const { return framesRun_; }
    long passesSkipped() const { return passesSkipped_; }

private:
    void pass();

    std::function<void()> frame_;
    QTimer timer_;
    long framesRun_ = 0;
    long passesSkipped_ = 0;
};

}  // namespace torvask
