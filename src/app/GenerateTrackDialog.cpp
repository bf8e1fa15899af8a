#include "app/GenerateTrackDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QVBoxLayout>
#include <limits>

namespace torvask {

GenerateTrackDialog::GenerateTrackDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Generate Track"));
    seedBox_ = new QSpinBox(this);
    seedBox_->setObjectName(QStringLiteral("seedBox"));
    seedBox_->setRange(0, std::numeric_limits<int>::max());
    seedBox_->setValue(static_cast<int>(QRandomGenerator::global()->bounded(100000)));
    randomButton_ = new QPushButton(QStringLiteral("Random"), this);
    randomButton_->setObjectName(QStringLiteral("randomButton"));
    connect(randomButton_, &QPushButton::clicked, this, [this] {
        seedBox_->setValue(static_cast<int>(QRandomGenerator::global()->bounded(100000)));
    });
    styleList_ = new QComboBox(this);
    styleList_->setObjectName(QStringLiteral("styleList"));
    styleList_->addItem(QStringLiteral("Normal"), static_cast<int>(TrackStyle::Normal));
    styleList_->addItem(QStringLiteral("Starts in a bend"), static_cast<int>(TrackStyle::BendStart));
    styleList_->addItem(QStringLiteral("Hard (hairpins, a corner at the start)"), static_cast<int>(TrackStyle::Hard));

    auto* seedRow = new QHBoxLayout;
    seedRow->addWidget(seedBox_, 1);
    seedRow->addWidget(randomButton_);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Seed:"), seedRow);
    form->addRow(QStringLiteral("Style:"), styleList_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    okButton_ = buttons->button(QDialogButtonBox::Ok);
    okButton_->setObjectName(QStringLiteral("okButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(QStringLiteral("The same seed and style always make the same track."), this);
    note->setWordWrap(true);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
    setMinimumWidth(320);
}

std::uint32_t GenerateTrackDialog::seed() const { return static_cast<std::uint32_t>(seedBox_->value()); }

TrackStyle GenerateTrackDialog::style() const { return static_cast<TrackStyle>(styleList_->currentData().toInt()); }

}  // namespace torvask
