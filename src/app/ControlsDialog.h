#pragma once
// "Controls": the table of keys, and OK.
#include <QDialog>

class QTableWidget;

namespace torvask {

class ControlsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ControlsDialog(QWidget* parent = nullptr);
    QTableWidget* table() const { return table_; }

private:
    QTableWidget* table_ = nullptr;
};

}  // namespace torvask
