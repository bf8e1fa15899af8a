// The widget tests need one QApplication for the whole run.
#include <gtest/gtest.h>

#include <QApplication>

#include "ModalHelper.h"

namespace {

// Every test starts with no modal-window handlers left over from the one before.
class CancelModalHandlers : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override { torvask::testing::cancelModalHandlers(); }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new CancelModalHandlers);
    return RUN_ALL_TESTS();
}
