#include "neural/Lobe.h"

#include <cmath>
#include <fstream>
#include <locale>
#include <memory>

#include "neural/FlatNetwork.h"
#include "neural/Pattern.h"

namespace torvask {

Lobe::Lobe(const std::string& name_, double learningRate, double momentum, int numLayers,
           const int* layerSizes)
    : name(name_), network(learningRate, momentum, numLayers, layerSizes) {}

Lobe::~Lobe() = default;

int Lobe::getNumInputs() { return network.getLayerSize(0); }

int Lobe::getNumOutputs() { return network.getLayerSize(network.getNumLayers() - 1); }

int Lobe::setInput(double value, int index) {
    if (index >= getNumInputs()) {
        return -1;
    }
    network.setValue(value, index);
    return 0;
}

double Lobe::getOutput(int index) {
    if (index >= getNumOutputs()) {
        return -1.0;
    }
    return network.getValue(index);
}

void Lobe::run() { network.run(0); }

int Lobe::train(const std::string& patternFile, const std::string& prefix, double tolerance,
                ProgressCallback callback, void* userData) {
    // An unbuilt network would never make a pattern good, so training could not end.
    if (!network.isComplete()) {
        return -1;
    }
    const int nIn = getNumInputs();
    const int nOut = getNumOutputs();
    const std::string lobeFile = prefix + name + ".lobe";

    std::ifstream patternStream(patternFile);
    if (!patternStream.is_open()) {
        return -1;
    }
    patternStream.imbue(std::locale::classic());
    std::vector<PATTERN> patterns;
    while (!patternStream.eof() && !patternStream.fail()) {
        PATTERN pattern(nIn, nOut, patternStream);
        // A record cut short (the last line of a file whose writer stopped mid-line) is dropped.
        if (patternStream.fail()) {
            break;
        }
        patterns.push_back(pattern);
    }
    patternStream.close();

    const int n = static_cast<int>(patterns.size());
    // The flat copy runs the same operations as the objects; they get its state back before anyone
    // can look at them (a snapshot, a progress report, the end).
    FlatNetwork flat;
    bool useFlat = flatTraining && n > 0 && flat.capture(network);
    std::vector<double> inputs;
    std::vector<double> targets;
    if (useFlat) {
        inputs.reserve(static_cast<std::size_t>(n) * nIn);
        targets.reserve(static_cast<std::size_t>(n) * nOut);
        for (PATTERN& p : patterns) {
            for (int i = 0; i < nIn; ++i) inputs.push_back(p.getIn(i));
            for (int i = 0; i < nOut; ++i) targets.push_back(p.getOut(i));
        }
    }
    int best = 0;
    int iteration = 0;
    bool wroteSnapshot = false;
    if (n > 0) {
        int good = 0;
        do {
            good = 0;
            double totalError = 0.0;
            if (useFlat) {
                const double* in = inputs.data();
                const double* target = targets.data();
                const double* out = flat.outputs();
                const double* err = flat.errorTerms();
                for (int k = 0; k < n; ++k, in += nIn, target += nOut) {
                    flat.run(in);
                    flat.learn(target);
                    int correct = 0;
                    for (int i = 0; i < nOut; ++i) {
                        if (std::fabs(out[i] - target[i]) < tolerance) {
                            ++correct;
                        }
                        totalError += std::fabs(err[i]);
                    }
                    if (correct == nOut) {
                        ++good;
                    }
                }
            } else {
                for (PATTERN& p : patterns) {
                    network.setInputs(p);
                    network.run(0);
                    network.setTargets(p);
                    network.learn(0);
                    int correct = 0;
                    for (int i = 0; i < nOut; ++i) {
                        if (std::fabs(network.getValue(i) - p.getOut(i)) < tolerance) {
                            ++correct;
                        }
                        totalError += std::fabs(network.getError(i));
                    }
                    if (correct == nOut) {
                        ++good;
                    }
                }
            }
            if (good > best) {
                best = good;
                flat.writeBack(network);
                // A snapshot that cannot be written is not reported; training goes on.
                std::ofstream snapshot(lobeFile, std::ios::out | std::ios::trunc);
                if (snapshot.is_open()) {
                    snapshot.imbue(std::locale::classic());
                    network.save(snapshot);
                    snapshot.close();
                    wroteSnapshot = wroteSnapshot || !snapshot.fail();
                }
            }
            if (callback != nullptr && (iteration % 10 == 0 || good == n)) {
                // The callback may look at the network, and even change it: training goes on from
                // whatever the objects hold afterwards (on the objects, if the copy no longer fits).
                flat.writeBack(network);
                const TrainingProgress progress{name, iteration, n, good, best, totalError};
                const int stop = callback(progress, userData);
                if (useFlat) {
                    useFlat = flat.capture(network);
                }
                if (stop != 0) {
                    break;
                }
            }
            ++iteration;
        } while (good < n);
    }
    flat.writeBack(network);

    // Only a snapshot this training wrote is read back: a file left by an earlier training may
    // hold another driver's network or another shape. Without one the trained weights stay, and
    // a damaged one leaves them too.
    if (wroteSnapshot) {
        std::ifstream restore(lobeFile);
        if (restore.is_open()) {
            restore.imbue(std::locale::classic());
            load(restore);
        }
    }
    return 0;
}

int Lobe::load(std::istream& in) {
    if (!in.good()) {
        return -1;
    }
    network.load(in);
    return in.fail() || in.bad() ? -1 : 0;
}

int Lobe::save(std::ostream& out) {
    if (!out.good()) {
        return -1;
    }
    network.save(out);
    return out.good() ? 0 : -1;
}

}  // namespace torvask
