#include "app/SetupDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>
#include <vector>

#include "app/GenerateTrackDialog.h"
#include "common/Paths.h"

namespace torvask {
namespace {

// Item data: the chosen file's full path, built from the file's own name, so it is right even
// when the shown name differs from it in case or the file system tells case apart.
constexpr int kFilePathRole = Qt::UserRole + 1;
// The driver list's second entry, after "Train new driver".
constexpr int kExpertEntry = 1;

// The entry whose file is path (as OK would give it), or -1 when none is.
int indexOfFile(const QComboBox* list, const std::string& path) {
    if (path.empty()) return -1;
    for (int i = 0; i < list->count(); ++i) {
        const QVariant file = list->itemData(i, kFilePathRole);
        if (file.isValid() && file.toString().toStdString() == path) return i;
    }
    return -1;
}

struct Entry {
    QString shown;
    std::string path;
};

// The files with extension in folder and, when it is another folder, in ownFolder. An own file
// replaces a bundled one of the same name (without regard to case) and is marked as the person's.
std::vector<Entry> listEntries(const std::string& folder, const std::string& ownFolder,
                               const char* extension) {
    std::vector<Entry> entries;
    const std::string bundled = withTrailingSeparator(toNativeSeparators(folder));
    const std::string own = withTrailingSeparator(toNativeSeparators(ownFolder));
    std::vector<std::string> ownNames;
    if (!own.empty() && own != bundled) {
        for (const std::string& file : listFilesWithExtension(own, extension)) {
            ownNames.push_back(asciiLower(file));
            entries.push_back(
                {SetupDialog::displayName(file) + QLatin1String(SetupDialog::kOwnMark), joinPath(own, file)});
        }
    }
    for (const std::string& file : listFilesWithExtension(bundled, extension)) {
        if (std::find(ownNames.begin(), ownNames.end(), asciiLower(file)) != ownNames.end()) continue;
        entries.push_back({SetupDialog::displayName(file), joinPath(bundled, file)});
    }
    // In order of the shown names, wherever the files came from and however a folder lists them.
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const int c = QString::compare(a.shown, b.shown, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.shown < b.shown;
    });
    return entries;
}

}  // namespace

QString SetupDialog::displayName(const std::string& fileName) {
    QString name = QString::fromStdString(fileName);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) name.truncate(dot);
    if (!name.isEmpty()) name[0] = name[0].toUpper();
    return name;
}

SetupDialog::SetupDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Simulation Setup"));
    trackList_ = new QComboBox(this);
    trackList_->setObjectName(QStringLiteral("trackList"));
    driverList_ = new QComboBox(this);
    driverList_->setObjectName(QStringLiteral("driverList"));
    // The car entry exists but nothing reads it: the car is always the default one.
    carList_ = new QComboBox(this);
    carList_->setObjectName(QStringLiteral("carList"));
    carList_->hide();
    carLabel_ = new QLabel(QStringLiteral("Select Car:"), this);
    carLabel_->hide();

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("okButton"));
    okButton_->setDefault(true);
    quitButton_ = new QPushButton(QStringLiteral("Quit"), this);
    quitButton_->setObjectName(QStringLiteral("quitButton"));
    connect(okButton_, &QPushButton::clicked, this, &SetupDialog::onOk);
    connect(quitButton_, &QPushButton::clicked, this, &QDialog::reject);
    generateButton_ = new QPushButton(QStringLiteral("Generate..."), this);
    generateButton_->setObjectName(QStringLiteral("generateButton"));
    generateButton_->setToolTip(QStringLiteral("Make a new track from a seed and keep it with your tracks"));
    connect(generateButton_, &QPushButton::clicked, this, &SetupDialog::onGenerate);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Select Track:"), this));
    auto* trackRow = new QHBoxLayout;
    trackRow->addWidget(trackList_, 1);
    trackRow->addWidget(generateButton_);
    layout->addLayout(trackRow);
    layout->addSpacing(8);
    layout->addWidget(new QLabel(QStringLiteral("Select Driver:"), this));
    layout->addWidget(driverList_);
    layout->addWidget(carLabel_);
    layout->addWidget(carList_);
    layout->addSpacing(12);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(okButton_);
    buttons->addStretch(1);
    buttons->addWidget(quitButton_);
    layout->addLayout(buttons);
    setMinimumWidth(360);
}

void SetupDialog::showEvent(QShowEvent* event) {
    if (!populated_) populate();
    QDialog::showEvent(event);
}

void SetupDialog::populate() {
    populated_ = true;
    trackList_->clear();
    driverList_->clear();
    if (tracksFolder.empty() || driversFolder.empty()) return;

    for (const Entry& entry : listEntries(tracksFolder, ownTracksFolder, ".trn")) {
        trackList_->addItem(entry.shown);
        trackList_->setItemData(trackList_->count() - 1, QString::fromStdString(entry.path), kFilePathRole);
    }
    if (trackList_->count() > 0) trackList_->setCurrentIndex(std::max(0, indexOfFile(trackList_, trackFile)));

    driverList_->addItem(QStringLiteral("Train new driver"));
    driverList_->addItem(QStringLiteral("Expert demonstration"));
    driverList_->setItemData(kExpertEntry, QStringLiteral("The built-in expert drives and records; any drive key takes over"),
                             Qt::ToolTipRole);
    for (const Entry& entry : listEntries(driversFolder, ownDriversFolder, ".driver")) {
        driverList_->addItem(entry.shown);
        driverList_->setItemData(driverList_->count() - 1, QString::fromStdString(entry.path), kFilePathRole);
    }
    const int chosen = indexOfFile(driverList_, driverFile);
    driverList_->setCurrentIndex(chosen >= 0 ? chosen : (expert && driverFile.empty() ? kExpertEntry : 0));
}

void SetupDialog::onGenerate() {
    GenerateTrackDialog dialog(this);
    if (dialog.exec() == QDialog::Accepted) generateTrack(dialog.seed(), dialog.style());
}

bool SetupDialog::generateTrack(std::uint32_t seed, TrackStyle style) {
    const std::string folder = withTrailingSeparator(toNativeSeparators(ownTracksFolder.empty() ? tracksFolder : ownTracksFolder));
    std::string path, error;
    if (!saveGeneratedTrack(seed, style, folder, path, error)) {
        QMessageBox::warning(this, QStringLiteral("Torvask"), QString::fromStdString(error));
        return false;
    }
    // Listed again with the new file chosen, keeping the driver choice as it stands.
    const int driver = driverList_->currentIndex();
    trackFile = path;
    populate();
    driverList_->setCurrentIndex(driver);
    return indexOfFile(trackList_, path) >= 0 && trackList_->currentIndex() == indexOfFile(trackList_, path);
}

void SetupDialog::onOk() {
    // With no track to choose the track stays empty, so start-up stops with its own message.
    const int track = trackList_->currentIndex();
    trackFile =
        track >= 0 ? trackList_->itemData(track, kFilePathRole).toString().toStdString() : std::string();
    const int driver = driverList_->currentIndex();
    expert = driver == kExpertEntry;
    driverFile = driver > kExpertEntry ? driverList_->itemData(driver, kFilePathRole).toString().toStdString()
                                       : std::string();
    accept();
}

}  // namespace torvask
