#include "driver/Brain.h"

#include "driver/FileReplace.h"

#include <fstream>
#include <istream>
#include <locale>
#include <sstream>

namespace torvask {
namespace {

constexpr int kMaxLayers = 64;
// The header is read as at most this many characters up to the first line end.
constexpr int kHeaderReadLimit = 62;

// Reads the first line of a driver file the way the format allows: at most 62 characters up to
// the first LF, a CR before the LF belonging to the line end. False when no line end follows
// within the limit or the stream ends first.
bool readHeaderLine(std::istream& in, std::string& line) {
    line.clear();
    for (int i = 0; i <= kHeaderReadLimit; ++i) {
        const int c = in.get();
        if (c == std::char_traits<char>::eof()) return false;
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        if (i == kHeaderReadLimit) return false;
        line.push_back(static_cast<char>(c));
    }
    return false;
}

}  // namespace

Brain::Brain() = default;

Brain::~Brain() {
    lobes.clear();
    inputMap.clear();
    outputMap.clear();
}

int Brain::addLobe(const std::string& name, double learningRate, double momentum, const std::vector<int>& layerSizes) {
    if (layerSizes.size() < 2 || layerSizes.size() > static_cast<std::size_t>(kMaxLayers)) return -1;
    for (int size : layerSizes) {
        if (size < 1) return -1;
    }
    auto lobe = std::make_unique<Lobe>(name, learningRate, momentum, static_cast<int>(layerSizes.size()),
                                       layerSizes.data());
    if (!lobe->isUsable()) return -1;

    const int index = static_cast<int>(lobes.size());
    const int numInputs = lobe->getNumInputs();
    const int numOutputs = lobe->getNumOutputs();
    lobes.push_back(std::move(lobe));
    for (int i = 0; i < numInputs; ++i) inputMap.emplace_back(index, i);
    for (int i = 0; i < numOutputs; ++i) outputMap.emplace_back(index, i);
    return index;
}

Lobe* Brain::getLobe(int lobe) const {
    if (lobe < 0 || lobe >= getNumLobes()) return nullptr;
    return lobes[static_cast<std::size_t>(lobe)].get();
}

int Brain::getLobeNumInputs(int lobe) const {
    if (lobe < 0 || lobe >= getNumLobes()) return -1;
    return lobes[static_cast<std::size_t>(lobe)]->getNumInputs();
}

int Brain::getLobeNumOutputs(int lobe) const {
    if (lobe < 0 || lobe >= getNumLobes()) return -1;
    return lobes[static_cast<std::size_t>(lobe)]->getNumOutputs();
}

int Brain::setInput(double value, int index) {
    if (index < 0 || index >= getNumInputs()) return -1;
    const auto& [lobe, input] = inputMap[static_cast<std::size_t>(index)];
    return lobes[static_cast<std::size_t>(lobe)]->setInput(value, input);
}

double Brain::getOutput(int index) const {
    if (index < 0 || index >= getNumOutputs()) return -1.0;
    const auto& [lobe, output] = outputMap[static_cast<std::size_t>(index)];
    return lobes[static_cast<std::size_t>(lobe)]->getOutput(output);
}

int Brain::run() {
    for (auto& lobe : lobes) lobe->run();
    return 0;
}

int Brain::trainLobe(int lobe, const std::string& patternFile, const std::string& lobeFolder, double tolerance,
                     ProgressCallback callback, void* userData) {
    if (lobe < 0 || lobe >= getNumLobes()) return -1;
    return lobes[static_cast<std::size_t>(lobe)]->train(patternFile, lobeFolder, tolerance, callback, userData);
}

int Brain::save(const std::string& path) const {
    if (lobes.empty()) return -1;
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << kBrainFileHeader << '\n';
    int sum = 0;
    for (const auto& lobe : lobes) sum += lobe->save(out);
    if (sum == 0 && !out.good()) sum = -1;
    // Saving over a link writes the file it points to; an existing file keeps its permissions.
    if (sum == 0 && !replaceFileContents(path, out.str())) sum = -1;
    return sum;
}

int Brain::load(const std::string& path) {
    if (lobes.empty()) return -1;
    std::ifstream in(path);
    if (!in.is_open()) return -1;
    in.imbue(std::locale::classic());

    std::string header;
    if (!readHeaderLine(in, header) || header != kBrainFileHeader) return -1;

    // The networks load straight into the lobes: a placeholder lobe to read into would take a
    // random draw and node and link numbers of its own, and every driver made later in the process
    // would start from other weights. A bad file never leaves the brain half-loaded: the lobes
    // read so far get their networks back from a copy of their text (18 significant digits read
    // back to the same bits).
    std::vector<std::string> before;
    for (const auto& lobe : lobes) {
        std::ostringstream copy;
        copy.imbue(std::locale::classic());
        if (lobe->save(copy) != 0) return -1;
        before.push_back(copy.str());
    }
    // Lobes whose network was replaced; a record that fails to read leaves its lobe as it was.
    std::size_t changed = 0;
    bool good = true;
    while (good && changed < lobes.size()) {
        Lobe& lobe = *lobes[changed];
        const int numInputs = lobe.getNumInputs();
        const int numOutputs = lobe.getNumOutputs();
        if (lobe.load(in) != 0) {
            good = false;
            break;
        }
        ++changed;
        // A record must be followed by more text (at least its line end): a stream that ends
        // right after the last value is a cut file.
        good = in.good() && lobe.getNumInputs() == numInputs && lobe.getNumOutputs() == numOutputs;
    }
    if (good) return 0;
    for (std::size_t i = 0; i < changed; ++i) {
        std::istringstream copy(before[i]);
        copy.imbue(std::locale::classic());
        lobes[i]->load(copy);
    }
    return -1;
}

}  // namespace torvask
