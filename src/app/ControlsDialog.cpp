#include "app/ControlsDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace torvask {
namespace {

struct ControlRow {
    const char* action;
    const char* primary;
    const char* secondary;
};

constexpr ControlRow kRows[] = {
    {"Drive Car: Accelerate", "W", "Up Arrow"},
    {"Drive Car: Brake", "S", "Down Arrow"},
    {"Drive Car: Steer Left", "A", "Left Arrow"},
    {"Drive Car: Steer Right", "D", "Right Arrow"},
    {"Centre the Steering", "Space", ""},
    {"Reset Car", "R", ""},
    {"Stop Training Session", "Esc", ""},
    {"Exit AI Control Mode", "Esc", ""},
    // Any drive key; the driver takes the car back about a second after the last one is let go.
    {"Take the Wheel (AI Control)", "W, A, S, D", "Arrow Keys"},
    {"Camera Angles", "F1 - F6", ""},
    {"Show Sensors", "F7", ""},
    {"Network View", "F8", ""},
    {"Show Status Text", "F9", ""},
    {"New Simulation", "Ctrl+N", ""},
    {"Save Driver", "Ctrl+S", ""},
    {"Undo Training", "Ctrl+Z", ""},
};

}  // namespace

ControlsDialog::ControlsDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Controls"));
    table_ = new QTableWidget(static_cast<int>(std::size(kRows)), 3, this);
    table_->setObjectName(QStringLiteral("controlsTable"));
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Action"), QStringLiteral("Primary Key"), QStringLiteral("Secondary Key")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setFrameShape(QFrame::Box);
    for (int r = 0; r < table_->rowCount(); ++r) {
        const char* cells[3] = {kRows[r].action, kRows[r].primary, kRows[r].secondary};
        for (int c = 0; c < 3; ++c) table_->setItem(r, c, new QTableWidgetItem(QString::fromLatin1(cells[c])));
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    int width = table_->frameWidth() * 2;
    for (int c = 0; c < 3; ++c) width += table_->columnWidth(c) + 16;
    int height = table_->horizontalHeader()->sizeHint().height() + table_->frameWidth() * 2;
    for (int r = 0; r < table_->rowCount(); ++r) height += table_->rowHeight(r);
    table_->setFixedSize(width, height);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    // The dialog has a Cancel button that is never shown; Escape still closes it.
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->hide();
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
}

}  // namespace torvask
