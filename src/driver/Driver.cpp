#include "driver/Driver.h"

#include <locale>
#include <new>

#include "common/Messages.h"

namespace torvask {
namespace {

// The longest pattern file name the program forms.
constexpr std::size_t kMaxPatternFileName = 260;

}  // namespace

std::string patternFileName(const std::string& prefix, int index) {
    std::string name = prefix + "." + std::to_string(index);
    if (name.size() > kMaxPatternFileName) return std::string();
    return name;
}

Driver::Driver() {
    brain.addLobe("Brain", 0.3, 0.7, {5, 14, 2});
}

Driver::~Driver() {
    closePatternFiles();
    car = nullptr;
}

int Driver::attach(ControlledVehicle* vehicle, int slotNumber) {
    if (vehicle == nullptr || vehicle->isSlotTaken(slotNumber) != 0) return -1;
    car = vehicle;
    car->takeSlot(slotNumber);
    slot = slotNumber;
    return 0;
}

int Driver::drive() {
    if (car == nullptr) return -1;
    const int numInputs = brain.getNumInputs();
    const int numOutputs = brain.getNumOutputs();
    std::vector<double> outputs(static_cast<std::size_t>(numOutputs), 0.0);

    const std::vector<double> inputs = car->getInputs(slot);
    if (static_cast<int>(inputs.size()) != numInputs) {
        formatMessage("Driver ERROR: inputs set size does not match (%d != %d)", static_cast<int>(inputs.size()),
                      numInputs);
        return -1;
    }
    for (int k = 0; k < numInputs; ++k) brain.setInput(inputs[static_cast<std::size_t>(k)], k);
    brain.run();
    for (int k = 0; k < numOutputs; ++k) outputs[static_cast<std::size_t>(k)] = brain.getOutput(k);
    car->setOutputs(outputs, slot);
    return 0;
}

int Driver::openPatternFiles(const std::string& prefix) { return openPatternStreams(prefix, std::ios::trunc, 0); }

int Driver::resumePatternFiles(const std::string& prefix, int count) {
    return openPatternStreams(prefix, std::ios::app, count);
}

int Driver::openPatternStreams(const std::string& prefix, std::ios::openmode mode, int count) {
    closePatternFiles();
    for (int i = 0; i < brain.getNumLobes(); ++i) {
        std::unique_ptr<std::ofstream> stream(new (std::nothrow) std::ofstream);
        if (!stream) {
            formatMessage("IOERR: Error creating ofstream");
            return -1;
        }
        // Numbers are written as the C locale writes them whatever the process locale is.
        stream->imbue(std::locale::classic());
        const std::string name = patternFileName(prefix, i);
        if (name.empty()) {
            stream->setstate(std::ios::failbit);
        } else {
            stream->open(name, std::ios::out | mode);
        }
        patternStreams.push_back(std::move(stream));
    }
    patternCount = count;
    return 0;
}

bool Driver::patternFilesWritable() const {
    if (patternStreams.empty()) return false;
    for (const auto& stream : patternStreams) {
        if (!stream->is_open() || !stream->good()) return false;
    }
    return true;
}

int Driver::closePatternFiles() {
    for (auto& stream : patternStreams) {
        if (stream->is_open()) stream->close();
    }
    patternStreams.clear();
    patternCount = 0;
    return 0;
}

int Driver::recordPattern(const std::vector<double>& inputs, const std::vector<double>& outputs) {
    if (patternStreams.empty()) return 0;
    if (static_cast<int>(inputs.size()) < brain.getNumInputs() ||
        static_cast<int>(outputs.size()) < brain.getNumOutputs()) {
        return -1;
    }
    ++patternCount;
    std::size_t a = 0;
    std::size_t b = 0;
    for (int i = 0; i < brain.getNumLobes() && i < static_cast<int>(patternStreams.size()); ++i) {
        std::ofstream& out = *patternStreams[static_cast<std::size_t>(i)];
        const auto n = static_cast<std::size_t>(brain.getLobeNumInputs(i));
        const auto m = static_cast<std::size_t>(brain.getLobeNumOutputs(i));
        out << patternCount << '\t';
        for (std::size_t j = 0; j < n; ++j) out << inputs[a + j] << '\t';
        for (std::size_t j = 0; j < m; ++j) {
            out << outputs[b + j];
            out << (j + 1 < m ? '\t' : '\n');
        }
        out.flush();
        a += n;
        b += m;
    }
    return 0;
}

int Driver::train(const std::string& prefix, const std::string& lobeFolder, ProgressCallback callback,
                  void* userData) {
    int sum = 0;
    for (int i = 0; i < brain.getNumLobes(); ++i) {
        const std::string name = patternFileName(prefix, i);
        if (name.empty()) {
            sum += -1;
            continue;
        }
        sum += brain.trainLobe(i, name, lobeFolder, kTrainingTolerance, callback, userData);
    }
    return sum;
}

}  // namespace torvask
