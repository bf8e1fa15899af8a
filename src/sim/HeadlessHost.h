#pragma once
// A host with no window, GPU or keyboard: a virtual clock, a scripted keyboard, the recording
// NullDevice, and scripted answers to every dialog and question. Used by the tests and by
// torvask-lab to run the real document. Every step the real host can fail at can be made to
// fail here on purpose.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/TickClock.h"
#include "render/NullDevice.h"
#include "sim/Host.h"

namespace torvask {

// Which host-side start-up steps fail.
struct HeadlessFailures {
    bool graphicsSystem = false;
    bool displayMode = false;
    bool device = false;
    std::int32_t deviceFailureCode = -2005530516;  // the "invalid call" code of the graphics layer
    bool inputSystem = false;
    bool keyboard = false;
    bool dataFormat = false;
    bool cooperativeLevel = false;
};

// What the training dialog was asked to do.
struct TrainingRequest {
    Driver* driver = nullptr;
    std::string patternPrefix;
    std::string lobeFolder;
    std::string driversFolder;
};

class HeadlessHost final : public GraphicsFactory, public InputFactory, public Shell {
public:
    explicit HeadlessHost(std::uint32_t startTick = 1000);
    ~HeadlessHost() override;

    HostServices services();

    // --- Clock ------------------------------------------------------------------------------
    VirtualTickClock clock;

    // --- Keyboard ---------------------------------------------------------------------------
    // The keys held now; keyScript, when set, may change them before every snapshot.
    KeyState keys{};
    std::function<void(KeyState& keys)> keyScript;
    // Results the next getState calls return instead of a snapshot, first to last (kInputOk
    // entries give the snapshot). When empty, an unacquired device reports kInputNotAcquired.
    std::deque<InputResult> scriptedReadResults;
    InputResult acquireResult = kInputOk;
    bool keyboardAcquired = false;
    int pollCount = 0;
    int acquireCount = 0;
    int unacquireCount = 0;
    int keyboardsCreated = 0;
    int keyboardsAlive = 0;
    WindowHandle cooperativeWindow = 0;
    void press(std::uint8_t code) { keys[code] = kKeyDownBit; }
    void release(std::uint8_t code) { keys[code] = 0; }
    void releaseAll() { keys.fill(0); }

    // --- Graphics ---------------------------------------------------------------------------
    HeadlessFailures failures;
    int probeResult = kRequiredGraphicsVersion;
    // Options of every device made from now on. By default texture and mesh loads accept any
    // path, so a run needs no art files.
    NullDeviceOptions deviceOptions;
    // The log of the last device made (it outlives the device), and that device while it lives.
    std::shared_ptr<DeviceLog> deviceLog;
    NullDevice* device = nullptr;
    int devicesCreated = 0;
    int graphicsSystemsAlive = 0;
    WindowHandle deviceView = 0;
    WindowHandle deviceFocus = 0;

    // --- Shell ------------------------------------------------------------------------------
    std::deque<bool> yesNoAnswers;  // first to last; when empty, defaultAnswer
    bool defaultAnswer = false;
    std::vector<std::string> questions;
    std::deque<SetupChoice> setupChoices;  // when empty, Quit
    int setupDialogs = 0;
    std::string setupTracksFolder;
    std::string setupDriversFolder;
    std::function<void(const TrainingRequest&)> trainingHandler;
    // What the training dialog reports: whether training ran (false: closed before Start).
    bool trainingRuns = true;
    // Answers of the three-way questions, first to last; when empty, those of askYesNo.
    std::deque<Answer> yesNoCancelAnswers;
    std::vector<std::string> savedDrivers;  // every path driverSaved was told, in order
    std::vector<TrainingRequest> trainingRequests;
    std::deque<std::optional<std::string>> saveAnswers;  // nullopt = Cancel; when empty, Cancel
    std::vector<SaveFileRequest> saveRequests;
    int closeRequests = 0;
    WindowHandle mainFrame = 0x2;

    // GraphicsFactory
    int probeVersion() override { return probeResult; }
    std::unique_ptr<GraphicsSystem> createGraphicsSystem() override;
    // InputFactory
    std::unique_ptr<InputSystem> createInputSystem() override;
    // Shell
    bool askYesNo(const std::string& question) override;
    Answer askYesNoCancel(const std::string& question) override;
    SetupChoice runSimulationSetup(const std::string& tracksFolder, const std::string& driversFolder) override;
    bool runTrainingDialog(Driver& driver, const std::string& patternPrefix, const std::string& lobeFolder,
                           const std::string& driversFolder) override;
    bool askSaveFile(const SaveFileRequest& request, std::string* chosenPath) override;
    void driverSaved(const std::string& path) override { savedDrivers.push_back(path); }
    void requestClose() override { ++closeRequests; }
    WindowHandle frameWindow() override { return mainFrame; }

private:
    friend class HeadlessKeyboard;
    friend class HeadlessGraphicsSystem;
};

}  // namespace torvask
