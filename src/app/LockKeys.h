#pragma once
// The caps, num and scroll lock states for the status-bar indicators. Qt offers no portable
// way to read them; on X11 the keyboard extension tells.

namespace torvask {

struct LockKeyStates {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// Fills states and returns true when the display server could be asked; false leaves it unchanged.
bool queryLockKeys(LockKeyStates& states);

}  // namespace torvask
