#pragma once
// "Simulation Setup": choose a track (or generate one) and either a saved driver, "Train new
// driver" or "Expert demonstration". The creator sets the folders before showing it; OK fills
// trackFile, driverFile and expert.
#include <QDialog>
#include <cstdint>
#include <string>

#include "teach/TrackGenerator.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace torvask {

class SetupDialog : public QDialog {
    Q_OBJECT

public:
    explicit SetupDialog(QWidget* parent = nullptr);

    // Set by the creator; both must be non-empty for the lists to be filled.
    std::string tracksFolder;
    std::string driversFolder;
    // The person's own tracks and drivers, listed too when they are other folders; an own file
    // wins over a bundled one of the same name and is shown with kOwnMark.
    std::string ownTracksFolder;
    std::string ownDriversFolder;
    static constexpr const char* kOwnMark = " (own)";
    // Results of OK: the chosen track's full path (empty with no track to choose) and the
    // chosen driver's full path (empty for "Train new driver"). Quit leaves them alone.
    // Set before the lists are filled, they choose the entries shown first (a previous choice
    // comes back); a file no longer listed leaves the first entry chosen.
    std::string trackFile;
    std::string driverFile;
    // OK with "Expert demonstration": a new driver (driverFile empty) that the built-in
    // demonstrator teaches by driving in User Control. Set before the lists are filled, it
    // chooses that entry.
    bool expert = false;

    // Fills the lists from the folders; showing the dialog does it on its first show.
    void populate();

    QComboBox* trackList() const { return trackList_; }
    QComboBox* driverList() const { return driverList_; }
    QPushButton* generateButton() const { return generateButton_; }
    QPushButton* okButton() const { return okButton_; }
    QPushButton* quitButton() const { return quitButton_; }

    // The name a file is listed under: without the part from its last '.', first letter upper-cased.
    static QString displayName(const std::string& fileName);

    // Generates the track of seed and style into the person's own tracks folder (the tracks
    // folder without one) and chooses it; a folder that cannot take it is reported in a message
    // box. True when the track is listed and chosen.
    bool generateTrack(std::uint32_t seed, TrackStyle style);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onOk();
    void onGenerate();

    QComboBox* trackList_ = nullptr;
    QComboBox* driverList_ = nullptr;
    QComboBox* carList_ = nullptr;
    QLabel* carLabel_ = nullptr;
    QPushButton* generateButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* quitButton_ = nullptr;
    bool populated_ = false;
};

}  // namespace torvask
