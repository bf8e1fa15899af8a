// The Simulation Setup dialog on a temporary folder: listing, names, order, OK and Quit.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QMessageBox>
#include <QSpinBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "ModalHelper.h"
#include "app/GenerateTrackDialog.h"
#include "app/SetupDialog.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

using torvask::testing::TempDir;

QStringList items(QComboBox* box) {
    QStringList list;
    for (int i = 0; i < box->count(); ++i) list << box->itemText(i);
    return list;
}

struct NameCase {
    const char* file;
    const char* shown;
};

TEST(SetupDialog, DisplayNamesDropTheLastExtensionAndCapitaliseTheFirstLetter) {
    const NameCase cases[] = {
        {"oval.trn", "Oval"},           {"my.best.driver", "My.best"}, {"fast.driver", "Fast"},
        {"Already.trn", "Already"},     {"noext", "Noext"},            {".hidden", ""},
        {"2fast.driver", "2fast"},      {"x.TRN", "X"},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(SetupDialog::displayName(c.file), QString::fromLatin1(c.shown));
    }
}

class SetupDialogFolder : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* f : {"tracks/oval.trn", "tracks/Alpine.TRN", "tracks/bend.trn", "tracks/readme.txt",
                              "tracks/track.dds", "drivers/fast.driver", "drivers/my.best.driver",
                              "drivers/notes.txt", "drivers/fast.patterns"}) {
            dir.write(f, "x");
        }
        dialog.tracksFolder = dir.str() + "/tracks/";
        dialog.driversFolder = dir.str() + "/drivers/";
    }
    TempDir dir;
    SetupDialog dialog;
};

TEST_F(SetupDialogFolder, ListsTracksSortedAndDriversAfterTrainNewDriver) {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Simulation Setup"));
    EXPECT_EQ(items(dialog.trackList()), (QStringList{"Alpine", "Bend", "Oval"}));
    EXPECT_EQ(dialog.trackList()->currentIndex(), 0);
    const QStringList drivers = items(dialog.driverList());
    EXPECT_EQ(drivers, (QStringList{"Train new driver", "Expert demonstration", "Fast", "My.best"}));
    EXPECT_EQ(dialog.driverList()->currentIndex(), 0);
    EXPECT_EQ(dialog.okButton()->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog.quitButton()->text(), QStringLiteral("Quit"));
    EXPECT_TRUE(dialog.okButton()->isDefault());
    EXPECT_FALSE(dialog.findChild<QComboBox*>(QStringLiteral("carList"))->isVisible());
}

struct OkCase {
    const char* track;   // shown name to choose
    const char* driver;  // shown name to choose
    const char* trackFile;
    const char* driverFile;  // "" for a new driver
    bool expert;
};

TEST_F(SetupDialogFolder, OkGivesPathsOfTheFilesOnDisk) {
    const OkCase cases[] = {
        {"Oval", "Train new driver", "tracks/oval.trn", "", false},
        {"Oval", "Expert demonstration", "tracks/oval.trn", "", true},
        {"Alpine", "Fast", "tracks/Alpine.TRN", "drivers/fast.driver", false},
        {"Bend", "My.best", "tracks/bend.trn", "drivers/my.best.driver", false},
    };
    for (const OkCase& c : cases) {
        SCOPED_TRACE(c.track);
        SetupDialog d;
        d.tracksFolder = dialog.tracksFolder;
        d.driversFolder = dialog.driversFolder;
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        d.trackList()->setCurrentIndex(d.trackList()->findText(c.track));
        d.driverList()->setCurrentIndex(d.driverList()->findText(c.driver));
        QTest::mouseClick(d.okButton(), Qt::LeftButton);
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_EQ(std::filesystem::path(d.trackFile), dir.path() / c.trackFile);
        EXPECT_TRUE(std::filesystem::exists(d.trackFile));
        EXPECT_EQ(d.expert, c.expert);
        if (c.driverFile[0] == '\0') {
            EXPECT_TRUE(d.driverFile.empty());
        } else {
            EXPECT_EQ(std::filesystem::path(d.driverFile), dir.path() / c.driverFile);
            EXPECT_TRUE(std::filesystem::exists(d.driverFile));
        }
    }
}

// A previous choice comes back; one no longer listed falls back to the first entries.
TEST_F(SetupDialogFolder, ShowsThePreviousChoiceFirst) {
    struct Row { std::string track, driver; int trackIndex, driverIndex; };
    const std::string f = dir.str();
    const Row rows[] = {{f + "/tracks/bend.trn", f + "/drivers/my.best.driver", 1, 3},
                        {f + "/tracks/gone.trn", f + "/drivers/gone.driver", 0, 0},
                        {f + "/tracks/oval.trn", "", 2, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.track);
        SetupDialog d;
        d.tracksFolder = dialog.tracksFolder;
        d.driversFolder = dialog.driversFolder;
        d.trackFile = row.track;
        d.driverFile = row.driver;
        d.populate();
        EXPECT_EQ(d.trackList()->currentIndex(), row.trackIndex);
        EXPECT_EQ(d.driverList()->currentIndex(), row.driverIndex);
    }
}

// Generate... through the real buttons: the track is written into the tracks folder under its
// seed's name, listed and chosen, and the driver choice stays.
TEST_F(SetupDialogFolder, GenerateWritesTheTrackAndSelectsIt) {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.driverList()->setCurrentIndex(dialog.driverList()->findText("Fast"));
    auto handled = testing::whenModal([](QWidget* w) {
        auto* g = qobject_cast<GenerateTrackDialog*>(w);
        if (!g) return false;
        g->seedBox()->setValue(7);
        g->styleList()->setCurrentIndex(g->styleList()->findText("Starts in a bend"));
        QTest::mouseClick(g->okButton(), Qt::LeftButton);
        return true;
    });
    QTest::mouseClick(dialog.generateButton(), Qt::LeftButton);
    ASSERT_TRUE(*handled);
    GeneratedTrack expected;
    ASSERT_TRUE(generateTrack(7, TrackStyle::BendStart, expected));
    EXPECT_EQ(TempDir::read(dir.str() + "/tracks/Generated 7.trn"), trackFileText(expected));
    EXPECT_EQ(items(dialog.trackList()), (QStringList{"Alpine", "Bend", "Generated 7", "Oval"}));
    EXPECT_EQ(dialog.trackList()->currentText(), QStringLiteral("Generated 7"));
    EXPECT_EQ(dialog.driverList()->currentText(), QStringLiteral("Fast"));
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    EXPECT_EQ(std::filesystem::path(dialog.trackFile), dir.path() / "tracks/Generated 7.trn");
}

// A folder that cannot take the track, or holds another of that name, is said in a message box
// and nothing is written or chosen.
TEST_F(SetupDialogFolder, GenerateRefusesAMissingFolderAndAnotherTrackOfThatName) {
    dir.write("tracks/Generated 9.trn", "a track the person wrote");
    const std::pair<std::string, const char*> cases[] = {
        {dir.str() + "/no such folder/", "does not exist"},
        {dir.str() + "/tracks/", "A different track named \"Generated 9.trn\""},
    };
    for (const auto& [folder, message] : cases) {
        SCOPED_TRACE(folder);
        SetupDialog d;
        d.tracksFolder = folder;
        d.driversFolder = dialog.driversFolder;
        d.populate();
        const QString before = d.trackList()->currentText();
        QString shown;
        auto handled = testing::whenModal([&shown](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box) return false;
            shown = box->text();
            box->accept();
            return true;
        });
        EXPECT_FALSE(d.generateTrack(9, TrackStyle::Normal));
        EXPECT_TRUE(*handled);
        EXPECT_TRUE(shown.contains(QString::fromLatin1(message))) << shown.toStdString();
        EXPECT_EQ(d.trackList()->currentText(), before);
    }
    EXPECT_EQ(TempDir::read(dir.str() + "/tracks/Generated 9.trn"), "a track the person wrote");
}

TEST_F(SetupDialogFolder, QuitRejectsAndLeavesTheResultsAlone) {
    dialog.trackFile = "before.trn";
    dialog.driverFile = "before.driver";
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(dialog.quitButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.trackFile, "before.trn");
    EXPECT_EQ(dialog.driverFile, "before.driver");
}

TEST_F(SetupDialogFolder, ExecReturnsOnOkThroughTheRealButtons) {
    auto handled = testing::whenModal([](QWidget* w) {
        auto* d = qobject_cast<SetupDialog*>(w);
        if (!d) return false;
        d->driverList()->setCurrentIndex(2);
        QTimer::singleShot(0, d->okButton(), [d] { QTest::mouseClick(d->okButton(), Qt::LeftButton); });
        return true;
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_TRUE(*handled);
    EXPECT_EQ(std::filesystem::path(dialog.driverFile), dir.path() / "drivers/fast.driver");
}

TEST(SetupDialogEmpty, FoldersWithoutFilesGiveOnlyTrainNewDriverAndAnEmptyTrack) {
    TempDir dir;
    SetupDialog dialog;
    dialog.tracksFolder = dir.str() + "/";
    dialog.driversFolder = dir.str() + "/";
    dialog.trackFile = "stale.trn";
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.trackList()->count(), 0);
    EXPECT_EQ(items(dialog.driverList()), (QStringList{"Train new driver", "Expert demonstration"}));
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.trackFile.empty());
    EXPECT_TRUE(dialog.driverFile.empty());
}

TEST(SetupDialogEmpty, AnEmptyFolderFieldLeavesBothListsEmpty) {
    TempDir dir;
    dir.write("a.trn", "x");
    const std::pair<std::string, std::string> cases[] = {{"", dir.str() + "/"}, {dir.str() + "/", ""}};
    for (const auto& [tracks, drivers] : cases) {
        SCOPED_TRACE(tracks + "|" + drivers);
        SetupDialog dialog;
        dialog.tracksFolder = tracks;
        dialog.driversFolder = drivers;
        dialog.populate();
        EXPECT_EQ(dialog.trackList()->count(), 0);
        EXPECT_EQ(dialog.driverList()->count(), 0);
    }
}

TEST(SetupDialogEmpty, BackslashSeparatorsInTheFoldersAreReadAsSeparators) {
    TempDir dir;
    dir.write("t/oval.trn", "x");
    SetupDialog dialog;
    dialog.tracksFolder = dir.str() + "\\t\\";
    dialog.driversFolder = dir.str() + "\\t\\";
    dialog.populate();
    EXPECT_EQ(items(dialog.trackList()), (QStringList{"Oval"}));
}

}  // namespace
}  // namespace torvask
