// The keyboard snapshot: scan codes of the keys, real key events on the view, auto-repeat,
// focus loss and the lost / not-acquired path.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <QOpenGLContext>
#include <algorithm>

#include "ModalHelper.h"
#include "app/CTorvaskView.h"
#include "app/KeyboardSnapshot.h"
#include "gl/GlDevice.h"

namespace torvask {
namespace {

struct KeyCase {
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    int scanCode;
};

TEST(ScanCodes, TheKeysTheSimulationReadsHaveTheirCodes) {
    const KeyCase cases[] = {
        {Qt::Key_F1, {}, 0x3B},     {Qt::Key_F2, {}, 0x3C},    {Qt::Key_F3, {}, 0x3D},
        {Qt::Key_F4, {}, 0x3E},     {Qt::Key_F5, {}, 0x3F},    {Qt::Key_F6, {}, 0x40},
        {Qt::Key_Escape, {}, 0x01}, {Qt::Key_W, {}, 0x11},     {Qt::Key_Up, {}, 0xC8},
        {Qt::Key_S, {}, 0x1F},      {Qt::Key_Down, {}, 0xD0},  {Qt::Key_A, {}, 0x1E},
        {Qt::Key_Left, {}, 0xCB},   {Qt::Key_D, {}, 0x20},     {Qt::Key_Right, {}, 0xCD},
        {Qt::Key_Space, {}, 0x39},  {Qt::Key_R, {}, 0x13},     {Qt::Key_Q, {}, 0x10},
        {Qt::Key_P, {}, 0x19},      {Qt::Key_L, {}, 0x26},     {Qt::Key_Z, {}, 0x2C},
        {Qt::Key_M, {}, 0x32},      {Qt::Key_1, {}, 0x02},     {Qt::Key_0, {}, 0x0B},
        {Qt::Key_F10, {}, 0x44},    {Qt::Key_F11, {}, 0x57},   {Qt::Key_F12, {}, 0x58},
        {Qt::Key_8, Qt::KeypadModifier, 0x48},                 {Qt::Key_Enter, Qt::KeypadModifier, 0x9C},
        {Qt::Key_unknown, {}, 0},   {Qt::Key_VolumeUp, {}, 0},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.qtKey);
        EXPECT_EQ(scanCodeFromQtKey(c.qtKey, c.modifiers), c.scanCode);
    }
}

TEST(ScanCodes, KernelCodesMapToTheSameCodesAsTheKeysThemselves) {
    // Kernel input codes of W, A, S, D, Esc, F1, F6, F12, the arrows, keypad enter.
    const std::pair<int, int> cases[] = {{17, 0x11}, {30, 0x1E}, {31, 0x1F}, {32, 0x20}, {1, 0x01},
                                         {59, 0x3B}, {64, 0x40}, {88, 0x58}, {103, 0xC8}, {105, 0xCB},
                                         {106, 0xCD}, {108, 0xD0}, {96, 0x9C}, {0, 0},     {89, 0},
                                         {300, 0}};
    for (const auto& [evdev, code] : cases) {
        SCOPED_TRACE(evdev);
        EXPECT_EQ(scanCodeFromEvdev(evdev), code);
    }
}

TEST(KeyboardSnapshot, AcquireReadAndLoss) {
    KeyboardSnapshot keys;
    bool focused = false;
    keys.setFocusSource([&focused] { return focused; });
    KeyState state{};
    EXPECT_EQ(keys.getState(state), kInputNotAcquired);
    EXPECT_EQ(keys.poll(), kInputNotAcquired);
    EXPECT_EQ(keys.acquire(), kInputFailed) << "no focus, no keyboard";
    focused = true;
    EXPECT_EQ(keys.acquire(), kInputOk);
    keys.press(dik::kW);
    keys.press(0);    // ignored
    keys.press(256);  // ignored
    ASSERT_EQ(keys.getState(state), kInputOk);
    EXPECT_EQ(state[dik::kW], kKeyDownBit);
    EXPECT_EQ(std::count(state.begin(), state.end(), 0), 255);

    keys.focusLost();
    EXPECT_EQ(keys.getState(state), kInputLost);
    EXPECT_FALSE(keys.isDown(dik::kW));
    EXPECT_EQ(keys.acquire(), kInputOk);
    ASSERT_EQ(keys.getState(state), kInputOk);
    EXPECT_EQ(state[dik::kW], 0) << "keys held before the loss are forgotten";

    auto device = keys.makeDevice();
    EXPECT_EQ(device->setDataFormat(), kInputOk);
    EXPECT_EQ(device->getState(state), kInputOk);
    device.reset();
    EXPECT_FALSE(keys.acquired()) << "the device gives the keyboard back when it goes";
}

// A tap between two reads: an edge key shows as down in the next read only, a held key is
// latched no more than it is held, and a drive key shows only while it is really down.
TEST(KeyboardSnapshot, EdgeKeysTappedBetweenReadsCountOnce) {
    struct Row { int code; bool edge; };
    const Row rows[] = {{dik::kEscape, true}, {dik::kF1, true}, {dik::kF6, true}, {dik::kR, true},
                        {dik::kSpace, true},  {dik::kW, false}, {dik::kLeft, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        KeyboardSnapshot keys;
        ASSERT_EQ(keys.acquire(), kInputOk);
        KeyState state{};
        keys.press(row.code);
        keys.release(row.code);
        ASSERT_EQ(keys.getState(state), kInputOk);
        EXPECT_EQ(state[static_cast<std::size_t>(row.code)], row.edge ? kKeyDownBit : 0);
        EXPECT_EQ(std::count(state.begin(), state.end(), 0), row.edge ? 255 : 256);
        ASSERT_EQ(keys.getState(state), kInputOk);
        EXPECT_EQ(state[static_cast<std::size_t>(row.code)], 0) << "counted once";
    }
}

// A view inside a window container in a top-level widget, as the main window holds it.
class ViewKeys : public ::testing::Test {
protected:
    void SetUp() override {
        view = new CTorvaskView;
        auto* layout = new QVBoxLayout(&host);
        layout->addWidget(view->createContainer(&host));
        host.resize(400, 300);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        host.activateWindow();
        view->requestActivate();
        ASSERT_TRUE(testing::waitUntil([this] { return QGuiApplication::focusWindow() == view; }));
        ASSERT_EQ(view->keyboard().acquire(), kInputOk);
    }
    QWidget host;
    CTorvaskView* view = nullptr;
};

TEST_F(ViewKeys, KeyEventsSetAndClearTheirBytes) {
    const std::pair<Qt::Key, int> keys[] = {{Qt::Key_W, dik::kW},       {Qt::Key_Up, dik::kUp},
                                            {Qt::Key_A, dik::kA},       {Qt::Key_Escape, dik::kEscape},
                                            {Qt::Key_F6, dik::kF6},     {Qt::Key_Space, dik::kSpace}};
    for (const auto& [key, code] : keys) {
        SCOPED_TRACE(code);
        QTest::keyPress(view, key);
        KeyState state{};
        ASSERT_EQ(view->keyboard().getState(state), kInputOk);
        EXPECT_EQ(state[code], kKeyDownBit);
        QTest::keyRelease(view, key);
        ASSERT_EQ(view->keyboard().getState(state), kInputOk);
        EXPECT_EQ(state[code], 0);
    }
}

TEST_F(ViewKeys, AutoRepeatChangesNothing) {
    QTest::keyPress(view, Qt::Key_D);
    ASSERT_TRUE(view->keyboard().isDown(dik::kD));
    // A held key on X11 repeats as release+press pairs marked as auto-repeat.
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_D, Qt::NoModifier, QString(), true);
    QGuiApplication::sendEvent(view, &release);
    EXPECT_TRUE(view->keyboard().isDown(dik::kD));
    QTest::keyRelease(view, Qt::Key_D);
    EXPECT_FALSE(view->keyboard().isDown(dik::kD));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_D, Qt::NoModifier, QString(), true);
    QGuiApplication::sendEvent(view, &press);
    EXPECT_FALSE(view->keyboard().isDown(dik::kD));
}

TEST_F(ViewKeys, FocusLossClearsAndTheNextReadReacquires) {
    QTest::keyPress(view, Qt::Key_W);
    QTest::keyPress(view, Qt::Key_Left);
    ASSERT_TRUE(view->keyboard().isDown(dik::kW));

    QWidget other;
    other.resize(100, 100);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    other.activateWindow();
    ASSERT_TRUE(testing::waitUntil([this] { return QGuiApplication::focusWindow() != view; }));
    EXPECT_FALSE(view->keyboard().isDown(dik::kW));
    EXPECT_FALSE(view->keyboard().isDown(dik::kLeft));
    KeyState state{};
    EXPECT_EQ(view->keyboard().getState(state), kInputLost);
    EXPECT_NE(view->keyboard().acquire(), kInputOk) << "cannot take the keyboard without focus";

    host.activateWindow();
    view->requestActivate();
    ASSERT_TRUE(testing::waitUntil([this] { return QGuiApplication::focusWindow() == view; }));
    EXPECT_EQ(view->keyboard().acquire(), kInputOk);
    EXPECT_EQ(view->keyboard().getState(state), kInputOk);
}

TEST(View, AskedForAnOpenGL33CoreContextWithDepth) {
    CTorvaskView view;
    const QSurfaceFormat format = view.requestedFormat();
    EXPECT_EQ(format.majorVersion(), 3);
    EXPECT_EQ(format.minorVersion(), 3);
    EXPECT_EQ(format.profile(), QSurfaceFormat::CoreProfile);
    EXPECT_GT(format.depthBufferSize(), 0);
    EXPECT_EQ(view.surfaceType(), QSurface::OpenGLSurface);
    // Under Xvfb Mesa's software renderer offers 3.3 core.
    EXPECT_TRUE(GlDevice::probe());
    ASSERT_TRUE(view.createContext());
    EXPECT_GE(view.context()->format().majorVersion(), 3);
}

}  // namespace
}  // namespace torvask
