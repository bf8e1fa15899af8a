#pragma once
// A tiny, independent model of the layered sigmoid network with momentum and of a lobe's
// training loop, written straight from the rules the learned driver relies on. Tests load it
// from a saved network text and compare its numbers with the real classes bit for bit.
#include <cmath>
#include <cstdlib>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace torvask::testing {

struct ReferencePattern {
    std::vector<double> inputs;
    std::vector<double> targets;
};

struct ReferenceReport {
    int iteration = 0;
    int numPatterns = 0;
    int goodPatterns = 0;
    int bestSoFar = 0;
    double totalError = 0.0;
};

class ReferenceNetwork {
public:
    // Reads one network record: id, layer count, layer sizes, node and link counts, node
    // records (id, values, errors), link records (id, weight, source id, destination id).
    bool read(std::istream& in) {
        int id = 0, layers = 0;
        if (!(in >> id >> layers) || layers < 2 || layers > 64) return false;
        sizes.assign(static_cast<std::size_t>(layers), 0);
        for (int& s : sizes) {
            if (!(in >> s) || s < 1 || s > 100000) return false;
        }
        int nodeCount = 0, linkCount = 0;
        if (!(in >> nodeCount >> linkCount)) return false;
        wire();
        if (nodeCount != static_cast<int>(value.size()) || linkCount != static_cast<int>(weight.size())) return false;
        for (std::size_t i = 0; i < value.size(); ++i) {
            int nodeId = 0, vn = 0, en = 0;
            if (!(in >> nodeId >> vn)) return false;
            std::vector<double> values(static_cast<std::size_t>(vn));
            for (double& v : values) in >> v;
            if (!(in >> en)) return false;
            std::vector<double> errors(static_cast<std::size_t>(en));
            for (double& e : errors) in >> e;
            if (!in) return false;
            value[i] = vn > 0 ? values[0] : 0.0;
            rate[i] = vn > 1 ? values[1] : 0.0;
            momentum[i] = vn > 2 ? values[2] : 0.0;
            error[i] = en > 0 ? errors[0] : 0.0;
        }
        for (std::size_t l = 0; l < weight.size(); ++l) {
            int linkId = 0, src = 0, dst = 0;
            if (!(in >> linkId >> weight[l] >> src >> dst)) return false;
            previous[l] = 0.0;  // the previous change is not stored
        }
        return true;
    }

    // Builds the layers with the given weights in link order (destination-major).
    void build(const std::vector<int>& layerSizes, const std::vector<double>& weights, double learningRate,
               double momentumRate) {
        sizes = layerSizes;
        wire();
        for (std::size_t i = firstMiddle; i < value.size(); ++i) {
            rate[i] = learningRate;
            momentum[i] = momentumRate;
        }
        weight = weights;
    }

    std::vector<double> forward(const std::vector<double>& inputs) {
        for (std::size_t i = 0; i < firstMiddle; ++i) value[i] = inputs[i];
        for (std::size_t i = firstMiddle; i < value.size(); ++i) {
            double sum = 0.0;
            for (std::size_t l : inLinks[i]) sum = value[source[l]] * weight[l] + sum;
            value[i] = 1.0 / (std::exp(-sum) + 1.0);
        }
        return outputs();
    }

    std::vector<double> outputs() const {
        return std::vector<double>(value.begin() + static_cast<std::ptrdiff_t>(firstOutput), value.end());
    }

    // One online step after forward(): output nodes from last to first, then hidden nodes
    // from last to first, each using the weights its successors have just changed.
    void learn(const std::vector<double>& targets) {
        for (std::size_t i = value.size(); i-- > firstMiddle;) {
            const double o = value[i];
            double delta;
            if (i >= firstOutput) {
                delta = ((targets[i - firstOutput] - o) * (1.0 - o)) * o;
            } else {
                double s = 0.0;
                for (std::size_t l : outLinks[i]) s = s + error[dest[l]] * weight[l];
                delta = ((1.0 - o) * o) * s;
            }
            error[i] = delta;
            for (std::size_t l : inLinks[i]) {
                const double change = (value[source[l]] * rate[i]) * delta;
                weight[l] = (momentum[dest[l]] * previous[l] + change) + weight[l];
                previous[l] = change;
            }
        }
    }

    // The lobe's training loop. stopAt: the first report whose iteration is at least this asks
    // to stop (none: train until every pattern is good). Returns the reports seen; `snapshot`
    // holds the weights at the end of the last pass that set a new best count.
    std::vector<ReferenceReport> train(const std::vector<ReferencePattern>& patterns, double tolerance,
                                       std::optional<int> stopAt, int passLimit = 1000000) {
        std::vector<ReferenceReport> reports;
        const int n = static_cast<int>(patterns.size());
        int best = 0;
        snapshot.reset();
        for (int iteration = 0; n > 0 && iteration < passLimit; ++iteration) {
            int good = 0;
            double totalError = 0.0;
            for (const ReferencePattern& p : patterns) {
                const std::vector<double> out = forward(p.inputs);
                learn(p.targets);
                int correct = 0;
                for (std::size_t i = 0; i < out.size(); ++i) {
                    if (std::fabs(out[i] - p.targets[i]) < tolerance) ++correct;
                    totalError += std::fabs(error[firstOutput + i]);
                }
                if (correct == static_cast<int>(out.size())) ++good;
            }
            if (good > best) {
                best = good;
                snapshot = weight;
            }
            if (iteration % 10 == 0 || good == n) {
                reports.push_back({iteration, n, good, best, totalError});
                if (stopAt && iteration >= *stopAt) break;
            }
            if (good >= n) break;
        }
        if (snapshot) {
            weight = *snapshot;
            std::fill(previous.begin(), previous.end(), 0.0);
        }
        return reports;
    }

    std::vector<int> sizes;
    std::vector<double> value, rate, momentum, error;
    std::vector<double> weight, previous;
    std::vector<std::size_t> source, dest;
    std::vector<std::vector<std::size_t>> inLinks, outLinks;
    std::size_t firstMiddle = 0, firstOutput = 0;
    std::optional<std::vector<double>> snapshot;

private:
    void wire() {
        std::size_t nodes = 0, links = 0;
        for (std::size_t k = 0; k < sizes.size(); ++k) {
            nodes += static_cast<std::size_t>(sizes[k]);
            if (k > 0) links += static_cast<std::size_t>(sizes[k - 1] * sizes[k]);
        }
        value.assign(nodes, 0.0);
        rate.assign(nodes, 0.0);
        momentum.assign(nodes, 0.0);
        error.assign(nodes, 0.0);
        weight.assign(links, 0.0);
        previous.assign(links, 0.0);
        source.assign(links, 0);
        dest.assign(links, 0);
        inLinks.assign(nodes, {});
        outLinks.assign(nodes, {});
        firstMiddle = static_cast<std::size_t>(sizes[0]);
        firstOutput = nodes - static_cast<std::size_t>(sizes.back());
        std::size_t link = 0, layerStart = 0;
        for (std::size_t k = 0; k + 1 < sizes.size(); ++k) {
            const std::size_t nextStart = layerStart + static_cast<std::size_t>(sizes[k]);
            for (std::size_t d = nextStart; d < nextStart + static_cast<std::size_t>(sizes[k + 1]); ++d) {
                for (std::size_t s = layerStart; s < nextStart; ++s) {
                    source[link] = s;
                    dest[link] = d;
                    outLinks[s].push_back(link);
                    inLinks[d].push_back(link);
                    ++link;
                }
            }
            layerStart = nextStart;
        }
    }
};

// The C generator's weights in [-1, 1): rand() mod 32767, scaled by the double 1/32767. Seed 1
// is the sequence from the start of a process that never seeded it.
inline std::vector<double> referenceInitialWeights(std::size_t count, unsigned seed = 1) {
    std::srand(seed);
    std::vector<double> weights;
    for (std::size_t i = 0; i < count; ++i) {
        const int r = std::rand() % 32767;
        weights.push_back(-1.0 + r * (1.0 / 32767) * (1.0 - -1.0));
    }
    return weights;
}

}  // namespace torvask::testing
