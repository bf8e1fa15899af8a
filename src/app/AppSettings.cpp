#include "app/AppSettings.h"

namespace torvask {

std::unique_ptr<QSettings> openSettings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("torvask"),
                                       QStringLiteral("torvask"));
}

}  // namespace torvask
