#include "driver/Brain.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cerrno>
#include <fstream>
#include <istream>
#include <locale>
#include <random>

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

// Creates a new, empty file beside `target` that no one else has, and returns its name (empty on
// failure). The file is created with the usual permissions so the renamed driver file has them.
std::string createTemporaryBeside(const std::string& target) {
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        // A short name of its own in the target's folder, whatever the length of the target's name.
        char leaf[40];
        std::snprintf(leaf, sizeof leaf, ".driver-%08x.tmp", static_cast<unsigned>(random()));
        const std::size_t slash = target.rfind('/');
        const std::string name = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + leaf;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST) return std::string();
    }
    return std::string();
}

// Pushes the written bytes to the disk, so that the rename never exposes an empty file after a crash.
bool syncFile(const std::string& name) {
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
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
    const std::string temporary = createTemporaryBeside(path);
    if (temporary.empty()) return -1;

    int sum = 0;
    {
        std::ofstream out(temporary, std::ios::out | std::ios::trunc);
        if (!out.is_open()) {
            std::remove(temporary.c_str());
            return -1;
        }
        out.imbue(std::locale::classic());
        out << kBrainFileHeader << '\n';
        for (const auto& lobe : lobes) sum += lobe->save(out);
        out.flush();
        if (!out.good() && sum == 0) sum = -1;
        out.close();
        if (out.fail() && sum == 0) sum = -1;
    }
    if (sum == 0 && !syncFile(temporary)) sum = -1;
    if (sum == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) sum = -1;
    if (sum != 0) std::remove(temporary.c_str());
    return sum;
}

int Brain::load(const std::string& path) {
    if (lobes.empty()) return -1;
    std::ifstream in(path);
    if (!in.is_open()) return -1;
    in.imbue(std::locale::classic());

    std::string header;
    if (!readHeaderLine(in, header) || header != kBrainFileHeader) return -1;

    // Each network is read into a lobe of its own first; the brain takes them only when all
    // are whole and shaped like the lobes they replace, so a bad file never leaves it half-loaded.
    std::vector<std::unique_ptr<Lobe>> loaded;
    int sum = 0;
    // The smallest network will do as a placeholder: loading replaces its shape.
    static constexpr int kPlaceholderShape[] = {1, 1};
    for (std::size_t i = 0; i < lobes.size(); ++i) {
        BACKPROP_NETWORK& current = lobes[i]->getNetwork();
        auto candidate = std::make_unique<Lobe>(lobes[i]->getName(), current.getLearningRate(), current.getMomentum(),
                                                2, kPlaceholderShape);
        if (!candidate->isUsable()) return -1;
        // A record must be followed by more text (at least its line end): a stream that ends
        // right after the last value is a cut file.
        const bool read = candidate->load(in) == 0 && in.good();
        const bool shaped = read && candidate->getNumInputs() == lobes[i]->getNumInputs() &&
                            candidate->getNumOutputs() == lobes[i]->getNumOutputs();
        sum += shaped ? 0 : -1;
        loaded.push_back(std::move(candidate));
    }
    if (sum != 0) return sum;
    for (std::size_t i = 0; i < lobes.size(); ++i) lobes[i] = std::move(loaded[i]);
    return 0;
}

}  // namespace torvask
