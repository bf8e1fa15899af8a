// The widget tests need one QApplication for the whole run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include <cstdlib>

#include "ModalHelper.h"

namespace {

// Every test starts with no modal-window handlers left over from the one before.
class CancelModalHandlers : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override { torvask::testing::cancelModalHandlers(); }
};

}  // namespace

int main(int argc, char** argv) {
    // Remembered settings and the person's own folders go to a folder of this run, never to
    // the home folder of whoever runs the tests.
    QTemporaryDir home;
    if (!home.isValid()) return 1;
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"}) {
        const QByteArray folder = (home.path() + "/" + name).toUtf8();
        setenv(name, folder.constData(), 1);
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new CancelModalHandlers);
    return RUN_ALL_TESTS();
}
