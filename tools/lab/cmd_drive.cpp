// torvask-lab drive: loads a driver file and prints its two outputs for five sensor values.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "LabCommand.h"
#include "driver/Driver.h"

namespace torvask::lab {
namespace {

// Stands in for the car: hands the driver fixed sensor values and keeps what it sends back.
class FixedInputsVehicle : public ControlledVehicle {
public:
    explicit FixedInputsVehicle(std::vector<double> inputs) : inputs_(std::move(inputs)) {}
    int isSlotTaken(int slot) const override { return slot == 0 ? taken_ : -1; }
    void takeSlot(int slot) override {
        if (slot == 0) taken_ = 1;
    }
    std::vector<double> getInputs(int) override { return inputs_; }
    void setOutputs(const std::vector<double>& values, int) override { outputs = values; }

    std::vector<double> outputs;

private:
    std::vector<double> inputs_;
    int taken_ = 0;
};

bool parseValue(const char* text, double& value) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text, &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

int runDrive(int argc, char** argv);

const LabCommandRegistration registration({
    "drive",
    "DRIVER v0 v1 v2 v3 v4",
    "loads DRIVER, feeds it the five sensor values and prints steering and throttle",
    runDrive,
});

int usage() {
    for (const auto& command : labCommands()) {
        if (command.name == "drive") return printUsage(command);
    }
    return 2;
}

int runDrive(int argc, char** argv) {
    constexpr int kSensorCount = 5;
    if (argc != 2 + kSensorCount) {
        std::fprintf(stderr, "torvask-lab drive: needs a driver file and %d sensor values\n", kSensorCount);
        return usage();
    }
    std::vector<double> inputs(kSensorCount);
    for (int k = 0; k < kSensorCount; ++k) {
        if (!parseValue(argv[2 + k], inputs[static_cast<std::size_t>(k)])) {
            std::fprintf(stderr, "torvask-lab drive: '%s' is not a finite number\n", argv[2 + k]);
            return usage();
        }
    }

    Driver driver;
    if (driver.load(argv[1]) != 0) {
        std::fprintf(stderr, "torvask-lab drive: cannot load driver file '%s'\n", argv[1]);
        return 1;
    }
    FixedInputsVehicle vehicle(inputs);
    if (driver.attach(&vehicle, 0) != 0 || driver.drive() != 0 || vehicle.outputs.size() != 2) {
        std::fprintf(stderr, "torvask-lab drive: the driver did not produce two outputs\n");
        return 1;
    }
    std::printf("%.17g %.17g\n", vehicle.outputs[0], vehicle.outputs[1]);
    return 0;
}

}  // namespace
}  // namespace torvask::lab
