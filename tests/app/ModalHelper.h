#pragma once
// Answers modal windows that the code under test opens and waits on: a handler is polled
// from the event loop (which the modal window's own loop keeps running) until it has dealt
// with one window.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <ostream>

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace torvask::testing {

// Calls handler(activeModalWidget) every 10 ms while one is open, until it returns true or
// timeoutMs has passed. Returns a flag that becomes true once handled.
inline constexpr const char* kModalHandlerName = "torvask-when-modal";

inline std::shared_ptr<bool> whenModal(std::function<bool(QWidget*)> handler, int timeoutMs = 10000) {
    auto handled = std::make_shared<bool>(false);
    auto* timer = new QTimer(qApp);
    timer->setObjectName(QString::fromLatin1(kModalHandlerName));
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, handler, handled, clock, timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && handler(modal)) {
            *handled = true;
            timer->stop();
            timer->deleteLater();
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
    return handled;
}

// Drops every handler still waiting. A handler outlives the test that set it when its window
// never came; left alone it would answer a later test's window with references into a stack
// frame that is gone. The test main calls this after every test.
inline void cancelModalHandlers() {
    const auto timers =
        qApp->findChildren<QTimer*>(QString::fromLatin1(kModalHandlerName), Qt::FindDirectChildrenOnly);
    for (QTimer* timer : timers) {
        timer->stop();
        delete timer;
    }
}

// Presses the button with the given standard role on the next message box whose text is text.
inline void screenshot(const char* name);

inline std::shared_ptr<bool> answerMessageBox(const QString& text, QMessageBox::StandardButton button,
                                              QString* seenTitle = nullptr, const char* shotName = nullptr) {
    return whenModal([text, button, seenTitle, shotName](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || box->text() != text) return false;
        if (shotName) screenshot(shotName);
        if (seenTitle) *seenTitle = box->windowTitle();
        QAbstractButton* b = box->button(button);
        if (!b) return false;
        QTimer::singleShot(0, b, [b] { b->click(); });
        return true;
    });
}

// Saves a picture of the whole screen when TORVASK_SCREENSHOTS names a folder.
inline void screenshot(const char* name) {
    const QByteArray folder = qgetenv("TORVASK_SCREENSHOTS");
    if (folder.isEmpty()) return;
    QTest::qWait(50);
    QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromUtf8(folder) + "/" + name + ".png");
}

// Spins the event loop until pred holds or timeoutMs has passed; returns pred().
inline bool waitUntil(const std::function<bool()>& pred, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!pred() && clock.elapsed() < timeoutMs) QTest::qWait(5);
    return pred();
}

}  // namespace torvask::testing
