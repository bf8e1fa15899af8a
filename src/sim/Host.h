#pragma once
// What the simulation document needs from the outside world, as small interfaces: the
// keyboard, the graphics layer, and the window system's dialogs and questions. The desktop
// application implements them with real windows; HeadlessHost implements them for tests and
// torvask-lab. Time comes from TickClock (common/TickClock.h).
#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace torvask {

class Device;     // render/Device.h
class TickClock;  // common/TickClock.h
class Driver;  // driver/Driver.h

// A native window handle (the view window, the main frame window). 0 means none.
using WindowHandle = std::uintptr_t;

// ---------------------------------------------------------------------------------------------
// Keyboard

// One byte per scan code; a key is down while bit 7 (0x80) of its byte is set.
inline constexpr std::size_t kKeyStateSize = 256;
using KeyState = std::array<std::uint8_t, kKeyStateSize>;
inline constexpr std::uint8_t kKeyDownBit = 0x80;

// The scan codes the simulation looks at (the keyboard's set-1 codes; extended keys have 0x80 added).
namespace dik {
inline constexpr std::uint8_t kEscape = 0x01;
inline constexpr std::uint8_t kW = 0x11;
inline constexpr std::uint8_t kR = 0x13;
inline constexpr std::uint8_t kA = 0x1E;
inline constexpr std::uint8_t kS = 0x1F;
inline constexpr std::uint8_t kD = 0x20;
inline constexpr std::uint8_t kSpace = 0x39;
inline constexpr std::uint8_t kF1 = 0x3B;
inline constexpr std::uint8_t kF2 = 0x3C;
inline constexpr std::uint8_t kF3 = 0x3D;
inline constexpr std::uint8_t kF4 = 0x3E;
inline constexpr std::uint8_t kF5 = 0x3F;
inline constexpr std::uint8_t kF6 = 0x40;
inline constexpr std::uint8_t kUp = 0xC8;
inline constexpr std::uint8_t kLeft = 0xCB;
inline constexpr std::uint8_t kRight = 0xCD;
inline constexpr std::uint8_t kDown = 0xD0;
}  // namespace dik

// Results of the keyboard operations: 0 is success, anything else a failure code. The two
// codes below are the ones the reader recovers from by acquiring the device again.
using InputResult = std::int32_t;
inline constexpr InputResult kInputOk = 0;
inline constexpr InputResult kInputLost = static_cast<InputResult>(0x8007001EU);
inline constexpr InputResult kInputNotAcquired = static_cast<InputResult>(0x8007000CU);
// Any other failure (the generic one hosts use when nothing more specific fits).
inline constexpr InputResult kInputFailed = static_cast<InputResult>(0x80004005U);

// The system keyboard as a source of 256-byte snapshots. Created unacquired: the first read
// fails with kInputNotAcquired and the reader acquires it then.
class KeyboardDevice {
public:
    virtual ~KeyboardDevice() = default;
    virtual InputResult setDataFormat() = 0;
    // Foreground, non-exclusive, on the main frame window.
    virtual InputResult setCooperativeLevel(WindowHandle frame) = 0;
    virtual InputResult acquire() = 0;
    virtual InputResult unacquire() = 0;
    virtual InputResult poll() = 0;
    // Fills all 256 bytes on success; on failure the contents of state are unspecified.
    virtual InputResult getState(KeyState& state) = 0;
};

// The input layer's interface object; it makes the keyboard device.
class InputSystem {
public:
    virtual ~InputSystem() = default;
    // Empty on failure.
    virtual std::unique_ptr<KeyboardDevice> createKeyboard() = 0;
};

class InputFactory {
public:
    virtual ~InputFactory() = default;
    // The input interface object; empty on failure.
    virtual std::unique_ptr<InputSystem> createInputSystem() = 0;
};

// ---------------------------------------------------------------------------------------------
// Graphics

// The version code a graphics layer reports when it offers everything start-up needs.
inline constexpr int kRequiredGraphicsVersion = 0x800;

// The graphics layer's interface object; it makes the rendering device.
class GraphicsSystem {
public:
    virtual ~GraphicsSystem() = default;
    // Whether the current display mode can be read (its format becomes the back buffer's).
    virtual bool queryDisplayMode() = 0;
    // A windowed device presenting into view, with a 16-bit depth buffer and a back buffer of
    // the window's client size. Empty on failure, with *failureCode set to a non-zero code.
    virtual std::unique_ptr<Device> createDevice(WindowHandle view, WindowHandle focus,
                                                 std::int32_t* failureCode) = 0;
};

class GraphicsFactory {
public:
    virtual ~GraphicsFactory() = default;
    // kRequiredGraphicsVersion or more when the graphics layer can run the simulation;
    // anything lower stops the configuration step.
    virtual int probeVersion() = 0;
    // The graphics interface object; empty on failure.
    virtual std::unique_ptr<GraphicsSystem> createGraphicsSystem() = 0;
};

// ---------------------------------------------------------------------------------------------
// Window system: questions, dialogs, closing

// What the Simulation Setup dialog returns.
struct SetupChoice {
    bool accepted = false;   // false: the user pressed Quit
    std::string trackFile;   // full path
    std::string driverFile;  // full path, empty for "Train new driver"
};

// The save-file dialog's fixed settings. The dialog hides read-only files, asks before
// overwriting an existing file and leaves the working folder alone.
struct SaveFileRequest {
    std::string defaultExtension;  // ".driver"
    std::string initialName;       // the current driver's file name, empty for a new driver
    std::string filter;            // "Torvask Files (*.driver)|*.driver|All Files (*.*)|*.*||"
    std::string title;             // "Save Driver"
    std::string initialFolder;     // the drivers folder
};

// The answers of a question that can also be called off.
enum class Answer { Yes, No, Cancel };

class Shell {
public:
    virtual ~Shell() = default;
    // A modal question with Yes and No buttons; true for Yes.
    virtual bool askYesNo(const std::string& question) = 0;
    // A modal question with Yes, No and Cancel buttons (Esc and closing the box are Cancel).
    virtual Answer askYesNoCancel(const std::string& question) = 0;
    // The modal Simulation Setup dialog listing "*.trn" in tracksFolder and "*.driver" in
    // driversFolder.
    virtual SetupChoice runSimulationSetup(const std::string& tracksFolder,
                                           const std::string& driversFolder) = 0;
    // The modal "Training Driver" dialog; returns when it has closed, for whatever reason:
    // true when training ran (the network may have changed), false when the dialog was closed
    // before Start.
    virtual bool runTrainingDialog(Driver& driver, const std::string& patternPrefix,
                                   const std::string& lobeFolder, const std::string& driversFolder) = 0;
    // The modal save-file dialog. True with *chosenPath set to a full path on OK; false on Cancel.
    virtual bool askSaveFile(const SaveFileRequest& request, std::string* chosenPath) = 0;
    // A driver was written to path (full path): the window tells the person so for a moment.
    virtual void driverSaved(const std::string& path) = 0;
    // Asks the main frame window to close once control returns to the event loop.
    virtual void requestClose() = 0;
    // The main frame window: the device's focus window and the keyboard's cooperative window.
    virtual WindowHandle frameWindow() = 0;
};

// Everything the document is given by its host. The objects outlive the document.
struct HostServices {
    TickClock* clock = nullptr;
    GraphicsFactory* graphics = nullptr;
    InputFactory* input = nullptr;
    Shell* shell = nullptr;
};

}  // namespace torvask
