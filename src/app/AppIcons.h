#pragma once
// Icons drawn by the program itself, so the toolbar and dialogs look the same on every
// desktop, icon theme or none.
#include <QIcon>

namespace torvask {

// The application's icon: a steering wheel.
QIcon applicationIcon();

// The toolbar icon of a command id (New, Open, Save, Cut, Copy, Paste, Print, About);
// a null icon for any other id.
QIcon commandIcon(int commandId);

}  // namespace torvask
