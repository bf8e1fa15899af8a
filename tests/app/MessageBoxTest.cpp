// formatMessage in the application: a modal box titled "Torvask" with one OK button, from
// the GUI thread and from another thread alike; the caller waits until it is closed.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTest>
#include <atomic>
#include <thread>

#include "ModalHelper.h"
#include "app/MessageBoxSink.h"
#include "common/Messages.h"

namespace torvask {
namespace {

struct BoxSeen {
    QString title;
    QString text;
    int buttons = 0;
    bool okPresent = false;
};

std::shared_ptr<bool> inspectAndClose(BoxSeen& seen, int holdMs = 0) {
    return testing::whenModal([&seen, holdMs](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) return false;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.buttons = static_cast<int>(box->buttons().size());
        seen.okPresent = box->button(QMessageBox::Ok) != nullptr;
        if (holdMs) QTest::qWait(holdMs);
        box->button(QMessageBox::Ok)->click();
        return true;
    });
}

TEST(MessageBoxSink, FormatMessageShowsAModalTorvaskBox) {
    MessageBoxSink sink;
    struct Case {
        const char* expected;
        std::function<void()> call;
    } cases[] = {
        {"APPERR: Failed to load config file", [] { formatMessage("APPERR: Failed to load config file"); }},
        {"D3DERROR: Failed to create device (-7)", [] { formatMessage("D3DERROR: Failed to create device (%d)", -7); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        BoxSeen seen;
        auto handled = inspectAndClose(seen);
        c.call();  // returns only after the box is closed
        EXPECT_TRUE(*handled);
        EXPECT_EQ(seen.title, QStringLiteral("Torvask"));
        EXPECT_EQ(seen.text, QString::fromLatin1(c.expected));
        EXPECT_EQ(seen.buttons, 1);
        EXPECT_TRUE(seen.okPresent);
    }
}

TEST(MessageBoxSink, AnotherThreadWaitsForTheBoxShownByTheGuiThread) {
    MessageBoxSink sink;
    std::atomic<bool> returned{false};
    bool returnedWhileOpen = true;
    QString text;
    auto handled = testing::whenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) return false;
        text = box->text();
        QTest::qWait(150);
        returnedWhileOpen = returned.load();
        box->button(QMessageBox::Ok)->click();
        return true;
    });
    std::thread worker([&returned] {
        formatMessage("IOERR: from the training thread");
        returned = true;
    });
    ASSERT_TRUE(testing::waitUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_TRUE(*handled);
    EXPECT_FALSE(returnedWhileOpen) << "the caller must wait while the box is open";
    EXPECT_EQ(text, QStringLiteral("IOERR: from the training thread"));
}

TEST(MessageBoxSink, RestoresThePreviousSinkWhenDestroyed) {
    std::vector<std::string> recorded;
    MessageSink before = setMessageSink([&recorded](const std::string& t) { recorded.push_back(t); });
    {
        MessageBoxSink sink;
        BoxSeen seen;
        auto handled = inspectAndClose(seen);
        formatMessage("boxed");
        EXPECT_TRUE(*handled);
        EXPECT_TRUE(recorded.empty());
    }
    formatMessage("recorded");
    EXPECT_EQ(recorded, std::vector<std::string>{"recorded"});
    setMessageSink(before);
}

}  // namespace
}  // namespace torvask
