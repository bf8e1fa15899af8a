#include "app/KeyboardSnapshot.h"

#include <QGuiApplication>
#include <QKeyEvent>

namespace torvask {
namespace {

struct KeyCode {
    int qtKey;
    int scanCode;
};

// Keys outside the main block, whose codes do not follow from a contiguous range.
constexpr KeyCode kQtKeys[] = {
    {Qt::Key_Escape, 0x01},     {Qt::Key_Minus, 0x0C},      {Qt::Key_Equal, 0x0D},
    {Qt::Key_Backspace, 0x0E},  {Qt::Key_Tab, 0x0F},        {Qt::Key_Backtab, 0x0F},
    {Qt::Key_BracketLeft, 0x1A}, {Qt::Key_BracketRight, 0x1B}, {Qt::Key_Return, 0x1C},
    {Qt::Key_Control, 0x1D},    {Qt::Key_Semicolon, 0x27},  {Qt::Key_Apostrophe, 0x28},
    {Qt::Key_QuoteLeft, 0x29},  {Qt::Key_Shift, 0x2A},      {Qt::Key_Backslash, 0x2B},
    {Qt::Key_Comma, 0x33},      {Qt::Key_Period, 0x34},     {Qt::Key_Slash, 0x35},
    {Qt::Key_Asterisk, 0x37},   {Qt::Key_Alt, 0x38},        {Qt::Key_Space, 0x39},
    {Qt::Key_CapsLock, 0x3A},   {Qt::Key_NumLock, 0x45},    {Qt::Key_ScrollLock, 0x46},
    {Qt::Key_F11, 0x57},        {Qt::Key_F12, 0x58},        {Qt::Key_Enter, 0x9C},
    {Qt::Key_Pause, 0xC5},      {Qt::Key_Home, 0xC7},       {Qt::Key_Up, 0xC8},
    {Qt::Key_PageUp, 0xC9},     {Qt::Key_Left, 0xCB},       {Qt::Key_Right, 0xCD},
    {Qt::Key_End, 0xCF},        {Qt::Key_Down, 0xD0},       {Qt::Key_PageDown, 0xD1},
    {Qt::Key_Insert, 0xD2},     {Qt::Key_Delete, 0xD3},     {Qt::Key_Meta, 0xDB},
    {Qt::Key_Menu, 0xDD},
};

// Letters in the order of their scan codes, row by row.
constexpr struct {
    const char* letters;
    int firstCode;
} kLetterRows[] = {{"QWERTYUIOP", 0x10}, {"ASDFGHJKL", 0x1E}, {"ZXCVBNM", 0x2C}};

// Keypad digits 7-8-9, 4-5-6, 1-2-3, 0 and the point.
constexpr KeyCode kKeypad[] = {{Qt::Key_7, 0x47}, {Qt::Key_8, 0x48}, {Qt::Key_9, 0x49}, {Qt::Key_4, 0x4B},
                               {Qt::Key_5, 0x4C}, {Qt::Key_6, 0x4D}, {Qt::Key_1, 0x4F}, {Qt::Key_2, 0x50},
                               {Qt::Key_3, 0x51}, {Qt::Key_0, 0x52}, {Qt::Key_Period, 0x53},
                               {Qt::Key_Minus, 0x4A}, {Qt::Key_Plus, 0x4E}, {Qt::Key_Asterisk, 0x37},
                               {Qt::Key_Slash, 0xB5}, {Qt::Key_Enter, 0x9C}};

// Codes of the extended keys from Linux input event codes 96 and up.
constexpr KeyCode kEvdevExtended[] = {{96, 0x9C},  {97, 0x9D},  {98, 0xB5},  {99, 0xB7},  {100, 0xB8},
                                      {102, 0xC7}, {103, 0xC8}, {104, 0xC9}, {105, 0xCB}, {106, 0xCD},
                                      {107, 0xCF}, {108, 0xD0}, {109, 0xD1}, {110, 0xD2}, {111, 0xD3},
                                      {119, 0xC5}, {125, 0xDB}, {126, 0xDC}, {127, 0xDD}};

bool onX11() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

}  // namespace

int scanCodeFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        for (const KeyCode& k : kKeypad) {
            if (k.qtKey == qtKey) return k.scanCode;
        }
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        for (const auto& row : kLetterRows) {
            for (int i = 0; row.letters[i] != '\0'; ++i) {
                if (Qt::Key_A + (row.letters[i] - 'A') == qtKey) return row.firstCode + i;
            }
        }
    }
    if (qtKey >= Qt::Key_1 && qtKey <= Qt::Key_9) return 0x02 + (qtKey - Qt::Key_1);
    if (qtKey == Qt::Key_0) return 0x0B;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F10) return 0x3B + (qtKey - Qt::Key_F1);
    for (const KeyCode& k : kQtKeys) {
        if (k.qtKey == qtKey) return k.scanCode;
    }
    return 0;
}

int scanCodeFromEvdev(int evdevCode) {
    // The main block, the function keys up to F12 and the keypad share their numbers with
    // the scan codes.
    if (evdevCode >= 1 && evdevCode <= 88) return evdevCode;
    for (const KeyCode& k : kEvdevExtended) {
        if (k.qtKey == evdevCode) return k.scanCode;
    }
    return 0;
}

int scanCodeForEvent(const QKeyEvent& event) {
    // X11 key codes are the kernel's input codes plus 8; synthesised events carry none.
    const quint32 native = event.nativeScanCode();
    if (native > 8 && native < 256 && onX11()) {
        const int code = scanCodeFromEvdev(static_cast<int>(native) - 8);
        if (code != 0) return code;
    }
    return scanCodeFromQtKey(event.key(), event.modifiers());
}

void KeyboardSnapshot::keyPressed(const QKeyEvent& event) {
    if (event.isAutoRepeat()) return;
    press(scanCodeForEvent(event));
}

void KeyboardSnapshot::keyReleased(const QKeyEvent& event) {
    if (event.isAutoRepeat()) return;
    release(scanCodeForEvent(event));
}

bool KeyboardSnapshot::isEdgeKey(int scanCode) {
    switch (scanCode) {
        case dik::kEscape:
        case dik::kF1:
        case dik::kF2:
        case dik::kF3:
        case dik::kF4:
        case dik::kF5:
        case dik::kF6:
        case dik::kR:
        case dik::kSpace: return true;
        default: return false;
    }
}

void KeyboardSnapshot::press(int scanCode) {
    if (scanCode <= 0 || scanCode >= 256) return;
    bytes_[scanCode] = 0x80;
    if (isEdgeKey(scanCode)) latched_[scanCode] = 0x80;
}

void KeyboardSnapshot::release(int scanCode) {
    if (scanCode > 0 && scanCode < 256) bytes_[scanCode] = 0;
}

void KeyboardSnapshot::focusLost() {
    bytes_.fill(0);
    latched_.fill(0);
    if (acquired_) lost_ = true;
    acquired_ = false;
}

InputResult KeyboardSnapshot::acquire() {
    // Foreground cooperation: the keyboard belongs to the program only while its view has focus.
    if (hasFocus_ && !hasFocus_()) return kInputFailed;
    acquired_ = true;
    lost_ = false;
    return kInputOk;
}

InputResult KeyboardSnapshot::unacquire() {
    acquired_ = false;
    lost_ = false;
    return kInputOk;
}

InputResult KeyboardSnapshot::poll() const {
    if (!acquired_) return lost_ ? kInputLost : kInputNotAcquired;
    return kInputOk;
}

InputResult KeyboardSnapshot::getState(KeyState& out) {
    if (!acquired_) return lost_ ? kInputLost : kInputNotAcquired;
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = bytes_[i] | latched_[i];
    latched_.fill(0);
    return kInputOk;
}

namespace {

class SnapshotDevice final : public KeyboardDevice {
public:
    explicit SnapshotDevice(KeyboardSnapshot& snapshot) : snapshot_(snapshot) {}
    ~SnapshotDevice() override { snapshot_.unacquire(); }
    InputResult setDataFormat() override { return kInputOk; }
    InputResult setCooperativeLevel(WindowHandle) override { return kInputOk; }
    InputResult acquire() override { return snapshot_.acquire(); }
    InputResult unacquire() override { return snapshot_.unacquire(); }
    InputResult poll() override { return snapshot_.poll(); }
    InputResult getState(KeyState& state) override { return snapshot_.getState(state); }

private:
    KeyboardSnapshot& snapshot_;
};

}  // namespace

std::unique_ptr<KeyboardDevice> KeyboardSnapshot::makeDevice() {
    return std::make_unique<SnapshotDevice>(*this);
}

}  // namespace torvask
