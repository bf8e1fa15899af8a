#include "app/SetupDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>
#include <vector>

#include "common/Paths.h"

namespace torvask {
namespace {

// Item data: the file's own name, so the chosen path is right even when the shown name
// differs from it in case or the file system tells case apart.
constexpr int kFileNameRole = Qt::UserRole + 1;

std::string joinChosen(const std::string& folder, const QVariant& fileName) {
    return joinPath(toNativeSeparators(folder), fileName.toString().toStdString());
}

// The entry whose file is path (as OK would give it), or -1 when none is.
int indexOfFile(const QComboBox* list, const std::string& folder, const std::string& path) {
    if (path.empty()) return -1;
    for (int i = 0; i < list->count(); ++i) {
        const QVariant name = list->itemData(i, kFileNameRole);
        if (name.isValid() && joinChosen(folder, name) == path) return i;
    }
    return -1;
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

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Select Track:"), this));
    layout->addWidget(trackList_);
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
    setMinimumWidth(300);
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

    // The track list is kept in sorted order regardless of how the folder lists its files.
    std::vector<std::pair<QString, std::string>> tracks;
    for (const std::string& file : listFilesWithExtension(toNativeSeparators(tracksFolder), ".trn")) {
        tracks.emplace_back(displayName(file), file);
    }
    std::stable_sort(tracks.begin(), tracks.end(), [](const auto& a, const auto& b) {
        const int c = QString::compare(a.first, b.first, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.first < b.first;
    });
    for (const auto& [shown, file] : tracks) {
        trackList_->addItem(shown);
        trackList_->setItemData(trackList_->count() - 1, QString::fromStdString(file), kFileNameRole);
    }
    if (trackList_->count() > 0) trackList_->setCurrentIndex(std::max(0, indexOfFile(trackList_, tracksFolder, trackFile)));

    driverList_->addItem(QStringLiteral("Train new driver"));
    for (const std::string& file : listFilesWithExtension(toNativeSeparators(driversFolder), ".driver")) {
        driverList_->addItem(displayName(file));
        driverList_->setItemData(driverList_->count() - 1, QString::fromStdString(file), kFileNameRole);
    }
    driverList_->setCurrentIndex(std::max(0, indexOfFile(driverList_, driversFolder, driverFile)));
}

void SetupDialog::onOk() {
    // With no track to choose the track stays empty, so start-up stops with its own message.
    const int track = trackList_->currentIndex();
    trackFile = track >= 0 ? joinChosen(tracksFolder, trackList_->itemData(track, kFileNameRole)) : std::string();
    const int driver = driverList_->currentIndex();
    driverFile = driver > 0 ? joinChosen(driversFolder, driverList_->itemData(driver, kFileNameRole)) : std::string();
    accept();
}

}  // namespace torvask
