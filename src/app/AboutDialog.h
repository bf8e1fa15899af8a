#pragma once
// "About Torvask": the icon, the version line and OK.
#include <QDialog>

namespace torvask {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace torvask
