// The program as installed: bundled data in a prefix's share folder, the person's own drivers
// in their data folder. Setup lists both (an own driver wins a clash, marked), the save dialog
// starts in the own drivers folder, the saved driver and its patterns land there and are
// listed at the next Setup, and nothing is written into the prefix.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "ModalHelper.h"
#include "app/AppSettings.h"
#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/MessageBoxSink.h"
#include "app/SetupDialog.h"
#include "app/TorvaskApp.h"
#include "common/ProgramFolders.h"
#include "sim/CTorvaskDoc.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace torvask {
namespace {

using torvask::testing::TempDir;
using torvask::testing::whenModal;

// Every entry under root with its modification time (a folder's changes when anything in it is
// added or removed).
std::map<std::string, fs::file_time_type> snapshot(const fs::path& root) {
    std::map<std::string, fs::file_time_type> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        entries[entry.path()] = entry.last_write_time();
    }
    return entries;
}

// The Setup dialog's lists as shown, then OK on the chosen driver.
std::shared_ptr<bool> setupChoosing(QStringList* drivers, const QString& driver) {
    return whenModal([=](QWidget* w) {
        auto* d = qobject_cast<SetupDialog*>(w);
        if (!d || !d->isVisible()) return false;
        testing::screenshot("setup-installed");
        for (int i = 0; i < d->driverList()->count(); ++i) *drivers << d->driverList()->itemText(i);
        d->driverList()->setCurrentIndex(d->driverList()->findText(driver));
        QTimer::singleShot(0, d->okButton(), &QPushButton::click);
        return true;
    });
}

TEST(InstalledLayout, BundledAndOwnDriversTogetherAndSavingGoesHome) {
    TempDir prefix, home;
    const fs::path share = prefix.path() / "share/torvask";
    const fs::path build(TORVASK_BUILD_DIR);
    fs::create_directories(prefix.path() / "bin");
    fs::create_directories(share / "drivers");
    for (const char* data :
         {"Torvask.cfg", "tracks", "cars", "enviro", "drivers/Demo.driver", "drivers/Demo.patterns"}) {
        fs::copy(build / data, share / data, fs::copy_options::recursive);
    }
    fs::copy_file(share / "drivers/Demo.driver", share / "drivers/Bundled.driver");
    // An own driver of the same name as a bundled one (in another case) wins and is marked.
    home.write(".local/share/torvask/drivers/bundled.driver",
               TempDir::read((share / "drivers/Demo.driver").string()));

    const std::map<std::string, std::string> env{{"HOME", home.str()}};
    const ProgramFolders folders =
        resolveProgramFolders(prefix.str() + "/bin/", [&env](const char* name) -> const char* {
            const auto it = env.find(name);
            return it == env.end() ? nullptr : it->second.c_str();
        });
    ASSERT_EQ(folders.layout, FolderLayout::Installed);
    const fs::path ownDrivers = home.path() / ".local/share/torvask/drivers";
    const auto before = snapshot(prefix.path());

    MessageBoxSink sink;
    TorvaskApp app(std::make_unique<VirtualTickClock>(100000));
    app.document().setProgramFolders(folders);
    app.frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app.frame()));
    QStringList shown;
    auto setup = setupChoosing(&shown, QStringLiteral("Demo"));
    ASSERT_TRUE(app.initialUpdate());
    EXPECT_TRUE(*setup);
    EXPECT_EQ(shown, (QStringList{"Train new driver", "Expert demonstration", "Bundled (own)", "Demo"}));
    EXPECT_EQ(fs::path(app.document().getDriverFile()), share / "drivers/Demo.driver");
    EXPECT_EQ(app.document().getTempPath(), home.str() + "/.local/state/torvask/temp/");

    app.runFrame();  // AI Control: the save commands are enabled
    QString startFolder;
    auto save = whenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        if (!fd || !fd->isVisible()) return false;
        startFolder = fd->directory().absolutePath();
        auto* edit = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!edit) return false;
        edit->setText(QStringLiteral("Mine"));
        QTimer::singleShot(0, edit, [edit] { QTest::keyClick(edit, Qt::Key_Return); });
        return true;
    });
    app.frame().action(command::kFileSaveAs)->trigger();
    ASSERT_TRUE(*save);
    EXPECT_EQ(fs::path(startFolder.toStdString()), ownDrivers);
    EXPECT_TRUE(fs::is_regular_file(ownDrivers / "Mine.driver"));
    EXPECT_EQ(TempDir::read((ownDrivers / "Mine.patterns").string()),
              TempDir::read((share / "drivers/Demo.patterns").string()));

    shown.clear();
    auto next = setupChoosing(&shown, QStringLiteral("Mine (own)"));
    app.frame().action(command::kFileNew)->trigger();
    EXPECT_TRUE(*next);
    EXPECT_EQ(shown, (QStringList{"Train new driver", "Expert demonstration", "Bundled (own)", "Demo", "Mine (own)"}));
    EXPECT_EQ(fs::path(app.document().getDriverFile()), ownDrivers / "Mine.driver");
    EXPECT_EQ(snapshot(prefix.path()), before) << "nothing is written into the installed folders";
}

// The window's settings file and Qt's data folder are the ones the shared folder rules name.
TEST(InstalledLayout, QtAgreesWithTheFolderRules) {
    EXPECT_EQ(openSettings()->fileName().toStdString(), currentProgramFolders().settingsFile);
    const EnvironmentLookup env = [](const char* name) -> const char* { return std::getenv(name); };
    EXPECT_EQ(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString() + "/",
              xdgBaseFolder(env, "XDG_DATA_HOME", ".local/share"));
}

}  // namespace
}  // namespace torvask
