#pragma once
// The person's remembered choices (menu toggles, dialog values). One file for the whole
// program, in the user's configuration folder ($XDG_CONFIG_HOME/torvask/torvask.ini),
// so every window and dialog reads and writes the same keys.
#include <QSettings>

#include <memory>

namespace torvask {

std::unique_ptr<QSettings> openSettings();

}  // namespace torvask
