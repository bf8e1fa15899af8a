#include "teach/ExpertDriver.h"

#include "common/Messages.h"
#include "sim/DriveControls.h"

namespace torvask {

void ExpertDriver::apply(CTorvaskDoc& doc, KeyState& keys, std::uint32_t nowMs, double dt) {
    if (isDriveKeyDown(keys)) {
        personDriving_ = true;
        lastPersonKeyMs_ = nowMs;
    } else if (personDriving_ && nowMs - lastPersonKeyMs_ >= kHandBackDelayMs) {
        personDriving_ = false;
    }
    if (personDriving_) {
        appendStatus("Expert demonstration - you have the wheel\r\n");
        return;
    }
    appendStatus("Expert demonstration - any drive key takes over\r\n");
    const KeyState chosen = demoKeyState(demonstrator_.decide(doc, dt));
    for (std::uint8_t code : {dik::kW, dik::kS, dik::kA, dik::kD}) keys[code] = chosen[code];
}

}  // namespace torvask
