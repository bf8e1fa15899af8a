#pragma once
// A named, trainable backpropagation network: the unit the driver's brain is made of. It trains itself
// from a pattern file, keeps the best network seen in a lobe file (prefix + name + ".lobe") and restores
// it at the end.
#include <concepts>
#include <iosfwd>
#include <string>
#include <vector>

#include "neural/BackpropNetwork.h"

namespace torvask {

// What the progress callback is told after a pass.
struct TrainingProgress {
    std::string lobeName;
    int iteration = 0;       // the pass just finished, from 0
    int numPatterns = 0;     // patterns read
    int goodPatterns = 0;    // good patterns in the pass just finished
    int bestSoFar = 0;       // highest good count of this training
    double totalError = 0.0; // sum of |error term| over all patterns and outputs of the pass
};

// Called on the training thread; a non-zero result asks the training to stop.
using ProgressCallback = int (*)(const TrainingProgress& progress, void* userData);

class Lobe {
public:
    // At most BACKPROP_NETWORK::kMaxLayers layers; an impossible shape gives a lobe that is not usable.
    Lobe(const std::string& name, double learningRate, double momentum, int numLayers,
         const int* layerSizes);
    // The same with the sizes written out: Lobe("Brain", 0.3, 0.7, 3, 5, 14, 2).
    template <std::convertible_to<int>... Sizes>
    Lobe(const std::string& name, double learningRate, double momentum, int numLayers, int firstSize,
         Sizes... sizes)
        : name(name), network(learningRate, momentum, numLayers, firstSize, sizes...) {}
    virtual ~Lobe();
    Lobe(const Lobe&) = delete;
    Lobe& operator=(const Lobe&) = delete;

    int getNumInputs();
    int getNumOutputs();
    // -1 and no change for an index past the last input.
    int setInput(double value, int index);
    // -1.0 for an index past the last output.
    double getOutput(int index);
    void run();

    // Passes of online backpropagation over every pattern of patternFile until every pattern is good
    // (each output strictly within tolerance of its target) or the callback returns non-zero; the
    // callback sees passes 0, 10, 20, ... and the final all-good pass. The network is written to
    // prefix + name + ".lobe" whenever a pass beats the best good count, and reloaded from there at
    // the end when this training wrote it (otherwise the trained weights stay; a file left by an
    // earlier training is never read). An incomplete last pattern
    // record is dropped. 0 when training ran or there was nothing to train on; -1 when the pattern
    // file cannot be opened or the network is not usable.
    int train(const std::string& patternFile, const std::string& prefix, double tolerance,
              ProgressCallback callback, void* userData);

    // 0 on success; -1 when the stream was not good before, or failed while reading (the network then
    // stays as it was). Reaching the end of input right after a complete network text is success.
    int load(std::istream& in);
    // 0 on success; -1 when the stream was not good before or after writing.
    int save(std::ostream& out);

    // Training runs on a flat copy of the network by default; off, it walks the node and link objects.
    // Both give the same weights to the last bit.
    void setFlatTraining(bool on) { flatTraining = on; }

    const std::string& getName() const { return name; }
    BACKPROP_NETWORK& getNetwork() { return network; }
    // False when the network could not be built.
    bool isUsable() const { return network.isComplete(); }

private:
    std::string name;
    BACKPROP_NETWORK network;
    bool flatTraining = true;
};

}  // namespace torvask
