#pragma once
// The driver's brain: an ordered set of lobes seen from outside as one function from a flat
// list of input values to a flat list of output values. Brain inputs and outputs are the
// lobes' inputs and outputs concatenated in lobe order.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "neural/Lobe.h"

namespace torvask {

class Brain {
public:
    Brain();
    virtual ~Brain();
    Brain(const Brain&) = delete;
    Brain& operator=(const Brain&) = delete;

    // Appends a lobe with the given layer sizes, input layer first (2 to 64 layers, each at
    // least one unit). Returns the new lobe's index, or -1 (nothing changes) if it cannot be made.
    // The lobe's initial weights draw on the process-wide random sequence.
    int addLobe(const std::string& name, double learningRate, double momentum, const std::vector<int>& layerSizes);

    int getNumLobes() const { return static_cast<int>(lobes.size()); }
    int getNumInputs() const { return static_cast<int>(inputMap.size()); }
    int getNumOutputs() const { return static_cast<int>(outputMap.size()); }
    // -1 for an invalid lobe index.
    int getLobeNumInputs(int lobe) const;
    int getLobeNumOutputs(int lobe) const;

    // Brain input / output k through the maps; -1 (or -1.0) for an invalid index or when the
    // lobe rejects its own index.
    int setInput(double value, int index);
    double getOutput(int index) const;
    // The forward pass of every lobe in lobe order. Returns 0.
    int run();

    // Trains lobe `lobe` on patternFile, keeping its best network in lobeFolder + name + ".lobe"
    // (lobeFolder ends with a separator). The lobe's result, or -1 for an invalid index.
    int trainLobe(int lobe, const std::string& patternFile, const std::string& lobeFolder, double tolerance,
                  ProgressCallback callback, void* userData);

    // Driver file: the header line, then one network record per lobe. save writes a temporary
    // file beside the target and renames it over the target only when everything was written,
    // so a failed save leaves an existing file as it was; a link is followed and the file it names
    // is replaced, keeping its permissions. load reads every network first and
    // changes the brain only if the header is right, every record reads cleanly and every
    // network has its lobe's input and output counts. Both return 0 on success, non-zero else.
    int save(const std::string& path) const;
    int load(const std::string& path);

    // Lobe `lobe`, or null for an invalid index.
    Lobe* getLobe(int lobe) const;

    // (lobe index, index within that lobe) for brain input / output k.
    const std::vector<std::pair<int32_t, int32_t>>& getInputMap() const { return inputMap; }
    const std::vector<std::pair<int32_t, int32_t>>& getOutputMap() const { return outputMap; }

private:
    std::vector<std::unique_ptr<Lobe>> lobes;
    std::vector<std::pair<int32_t, int32_t>> inputMap;
    std::vector<std::pair<int32_t, int32_t>> outputMap;
};

// The first line of every driver file.
inline constexpr const char* kBrainFileHeader = "BRAIN_FILE_VERSION_0001";

}  // namespace torvask
