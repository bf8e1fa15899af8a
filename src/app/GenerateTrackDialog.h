#pragma once
// "Generate Track": a seed (typed, or a random one) and a style for a new generated track. The
// same seed and style always give the same track.
#include <QDialog>
#include <cstdint>

#include "teach/TrackGenerator.h"

class QComboBox;
class QPushButton;
class QSpinBox;

namespace torvask {

class GenerateTrackDialog : public QDialog {
    Q_OBJECT

public:
    explicit GenerateTrackDialog(QWidget* parent = nullptr);

    std::uint32_t seed() const;
    TrackStyle style() const;

    QSpinBox* seedBox() const { return seedBox_; }
    QPushButton* randomButton() const { return randomButton_; }
    QComboBox* styleList() const { return styleList_; }
    QPushButton* okButton() const { return okButton_; }

private:
    QSpinBox* seedBox_ = nullptr;
    QPushButton* randomButton_ = nullptr;
    QComboBox* styleList_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

}  // namespace torvask
