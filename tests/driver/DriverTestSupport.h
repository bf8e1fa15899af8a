#pragma once
// Shared helpers for the driver tests: reading a lobe's network into the reference model, and
// the driver's outputs for one set of inputs.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/Brain.h"
#include "driver/ReferenceNetwork.h"

namespace torvask::testing {

// The reference model of lobe `index` as it stands now (through its own network text).
inline ReferenceNetwork referenceOfLobe(Brain& brain, int index) {
    std::stringstream text;
    Lobe* lobe = brain.getLobe(index);
    EXPECT_NE(lobe, nullptr);
    ReferenceNetwork reference;
    if (lobe == nullptr) return reference;
    EXPECT_EQ(lobe->save(text), 0);
    EXPECT_TRUE(reference.read(text));
    return reference;
}

// The reference model of network record `index` of a driver file.
inline ReferenceNetwork referenceOfDriverFile(const std::string& path, int index = 0) {
    std::ifstream in(path);
    std::string header;
    std::getline(in, header);
    ReferenceNetwork reference;
    for (int i = 0; i <= index; ++i) EXPECT_TRUE(reference.read(in)) << "record " << i << " of " << path;
    return reference;
}

inline std::vector<double> brainOutputs(Brain& brain, const std::vector<double>& inputs) {
    for (int k = 0; k < static_cast<int>(inputs.size()); ++k) EXPECT_EQ(brain.setInput(inputs[k], k), 0);
    brain.run();
    std::vector<double> outputs;
    for (int k = 0; k < brain.getNumOutputs(); ++k) outputs.push_back(brain.getOutput(k));
    return outputs;
}

// Sensor values in the ranges the car produces: speed / 240 and four factors in [-1, 1].
inline const std::vector<std::vector<double>>& sampleInputs() {
    static const std::vector<std::vector<double>> samples = {
        {0.0, 0.0, 0.0, 0.0, 0.0},         {0.5, 0.25, 0.0, 1.0, -0.125}, {0.1, -0.9, 0.8, -0.3, 0.45},
        {0.95, 1.0, 1.0, 1.0, 1.0},        {0.33, -1.0, -1.0, -1.0, -1.0}, {0.02, 0.7, -0.2, 0.05, 0.99},
    };
    return samples;
}

}  // namespace torvask::testing
