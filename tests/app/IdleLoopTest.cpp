// The frame loop: frames back to back, none while a modal window is open, no spinning then.
#include <gtest/gtest.h>

#include <QDialog>
#include <QMessageBox>
#include <QTest>

#include "ModalHelper.h"
#include "app/IdleLoop.h"
#include "app/MessageBoxSink.h"
#include "common/Messages.h"

namespace torvask {
namespace {

TEST(IdleLoop, RunsFramesBackToBack) {
    long frames = 0;
    IdleLoop loop([&frames] { ++frames; });
    EXPECT_FALSE(loop.isRunning());
    loop.start();
    EXPECT_EQ(loop.interval(), 0);
    QTest::qWait(200);
    loop.stop();
    // A zero-interval timer runs far more often than any fixed pace would.
    EXPECT_GT(frames, 20);
    EXPECT_EQ(frames, loop.framesRun());
    const long stopped = frames;
    QTest::qWait(50);
    EXPECT_EQ(frames, stopped);
}

TEST(IdleLoop, NoFrameWhileAMessageBoxIsOpenAndNoSpinning) {
    long frames = 0;
    IdleLoop loop([&frames] { ++frames; });
    loop.start();
    QTest::qWait(20);
    long framesWhileOpen = -1;
    int intervalWhileOpen = -1;
    long skippedWhileOpen = -1;
    auto handled = testing::whenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) return false;
        // Let the loop see the box for a while, then close it.
        const long before = frames;
        const long skippedBefore = loop.passesSkipped();
        QTest::qWait(300);
        framesWhileOpen = frames - before;
        skippedWhileOpen = loop.passesSkipped() - skippedBefore;
        intervalWhileOpen = loop.interval();
        box->button(QMessageBox::Ok)->click();
        return true;
    });
    QMessageBox box(QMessageBox::NoIcon, "Torvask", "open", QMessageBox::Ok);
    box.exec();
    EXPECT_TRUE(*handled);
    EXPECT_EQ(framesWhileOpen, 0);
    EXPECT_EQ(intervalWhileOpen, IdleLoop::kModalIntervalMs);
    // 300 ms at 50 ms a pass: a handful of passes, not thousands.
    EXPECT_GE(skippedWhileOpen, 1);
    EXPECT_LE(skippedWhileOpen, 10);
    const long after = frames;
    QTest::qWait(100);
    EXPECT_GT(frames, after) << "frames resume once the box is closed";
    EXPECT_EQ(loop.interval(), 0);
}

TEST(IdleLoop, AMessageBoxOpenedInsideAFrameHoldsTheLoop) {
    MessageBoxSink sink;
    long frames = 0;
    int nested = 0;
    int deepest = 0;
    IdleLoop loop([&] {
        ++frames;
        ++nested;
        deepest = std::max(deepest, nested);
        if (frames == 3) formatMessage("ERROR: %s", "inside a frame");
        --nested;
    });
    long framesAtOpen = -1;
    long framesAtClose = -1;
    QString title;
    auto handled = testing::whenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) return false;
        title = box->windowTitle();
        framesAtOpen = frames;
        QTest::qWait(200);
        framesAtClose = frames;
        box->button(QMessageBox::Ok)->click();
        return true;
    });
    loop.start();
    ASSERT_TRUE(testing::waitUntil([&] { return *handled && frames > 10; }));
    loop.stop();
    EXPECT_EQ(title, QStringLiteral("Torvask"));
    EXPECT_EQ(framesAtOpen, 3);
    EXPECT_EQ(framesAtClose, 3);
    EXPECT_EQ(deepest, 1) << "a frame never starts inside another";
}

}  // namespace
}  // namespace torvask
