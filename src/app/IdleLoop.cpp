#include "app/IdleLoop.h"

#include <QApplication>

namespace torvask {

IdleLoop::IdleLoop(std::function<void()> frame, QObject* parent) : QObject(parent), frame_(std::move(frame)) {
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &IdleLoop::pass);
}

void IdleLoop::start() {
    timer_.setInterval(0);
    timer_.start();
}

void IdleLoop::stop() { timer_.stop(); }

void IdleLoop::pass() {
    if (QApplication::activeModalWidget() != nullptr) {
        ++passesSkipped_;
        if (timer_.interval() != kModalIntervalMs) timer_.setInterval(kModalIntervalMs);
        return;
    }
    if (timer_.interval() != 0) timer_.setInterval(0);
    ++framesRun_;
    if (frame_) frame_();
}

}  // namespace torvask
