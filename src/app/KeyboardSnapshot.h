#pragma once
// The 256-byte keyboard snapshot indexed by DIK scan codes, fed by the view's key events.
// It behaves like a foreground, non-exclusive keyboard device: it must be acquired before
// it can be read, it is lost (and cleared) when the view loses focus, and acquiring only
// succeeds while the view has focus.
#include <Qt>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "sim/Host.h"

class QKeyEvent;

namespace torvask {

// The DIK scan code of a key: from the X11 key code when the event carries one (so the keys
// keep their place whatever the layout), else from the Qt key. 0 for a key with no code.
int scanCodeFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers);
int scanCodeFromEvdev(int evdevCode);
int scanCodeForEvent(const QKeyEvent& event);

class KeyboardSnapshot {
public:
    using Bytes = KeyState;

    // Key events from the view; auto-repeats change nothing.
    void keyPressed(const QKeyEvent& event);
    void keyReleased(const QKeyEvent& event);
    void press(int scanCode);
    void release(int scanCode);
    // Focus went elsewhere: every key is up and the device counts as lost.
    void focusLost();

    // Tells whether the view has focus now; acquiring fails without it. Defaults to yes.
    void setFocusSource(std::function<bool()> hasFocus) { hasFocus_ = std::move(hasFocus); }
    // A keyboard device for the document that reads this snapshot; it releases the
    // acquisition when destroyed. The snapshot must outlive it.
    std::unique_ptr<KeyboardDevice> makeDevice();

    InputResult acquire();
    InputResult unacquire();
    bool acquired() const { return acquired_; }
    // Copies the snapshot into out; kInputNotAcquired or kInputLost when the device must be
    // acquired first (out is left alone then). An edge key (Esc, F1-F6, R, Space) pressed since
    // the last read counts as down in this read even if it was released meanwhile: the
    // simulation samples once a frame, and a quick tap between two slow frames must not be lost.
    InputResult getState(KeyState& out);
    // Whether the key acts once per press rather than while held, and so is latched.
    static bool isEdgeKey(int scanCode);
    // Nothing to fetch (events fill the snapshot), but it fails like getState when unacquired.
    InputResult poll() const;

    const Bytes& bytes() const { return bytes_; }
    bool isDown(int scanCode) const { return scanCode > 0 && scanCode < 256 && (bytes_[scanCode] & 0x80); }

private:
    Bytes bytes_{};
    Bytes latched_{};  // edge keys pressed since the last read
    bool acquired_ = false;
    bool lost_ = false;
    std::function<bool()> hasFocus_;
};

}  // namespace torvask
