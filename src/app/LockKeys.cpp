#include "app/LockKeys.h"

#include <QGuiApplication>

#if defined(TORVASK_HAVE_X11)
#include <X11/XKBlib.h>
#endif

namespace torvask {

bool queryLockKeys(LockKeyStates& states) {
#if defined(TORVASK_HAVE_X11)
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return false;
    unsigned int bits = 0;
    if (XkbGetIndicatorState(display, XkbUseCoreKbd, &bits) != Success) return false;
    // The core keyboard's standard indicator order: Caps Lock, Num Lock, Scroll Lock.
    states.caps = (bits & 0x1) != 0;
    states.num = (bits & 0x2) != 0;
    states.scroll = (bits & 0x4) != 0;
    return true;
#else
    (void)states;
    return false;
#endif
}

}  // namespace torvask
