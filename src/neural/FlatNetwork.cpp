#include "neural/FlatNetwork.h"

#include <cmath>
#include <typeinfo>

#include "neural/BackpropNetwork.h"
#include "neural/BpLink.h"
#include "neural/BpNode.h"
#include "neural/InputNode.h"

namespace torvask {

namespace {

// Whether the list holds exactly the given links in this order.
bool listIs(LinkList& list, const std::vector<BASE_LINK*>& expected) {
    if (list.getCount() != static_cast<int>(expected.size())) return false;
    std::size_t i = 0;
    bool same = true;
    list.forEach([&](BASE_LINK* link) { same = same && link == expected[i++]; });
    return same && i == expected.size();
}

}  // namespace

bool FlatNetwork::capture(BACKPROP_NETWORK& net) {
    *this = FlatNetwork();
    const int layers = net.getNumLayers();
    if (!net.isComplete() || layers < 2 || net.getInLinks().getCount() != 0 || net.getOutLinks().getCount() != 0) {
        return false;
    }
    FlatNetwork flat;
    int nodes = 0;
    int links = 0;
    for (int k = 0; k < layers; ++k) {
        flat.sizes.push_back(net.getLayerSize(k));
        flat.nodeStart.push_back(nodes);
        nodes += flat.sizes[k];
        if (k >= 1) links += flat.sizes[k - 1] * flat.sizes[k];
        // Links are numbered destination-major from the first hidden layer on.
        flat.linkStart.push_back(k >= 2 ? flat.linkStart[k - 1] + flat.sizes[k - 2] * flat.sizes[k - 1] : 0);
    }
    if (nodes != net.getNumNodes() || links != net.getNumLinks() || net.getFirstMiddleNode() != flat.sizes[0] ||
        net.getFirstOutputNode() != flat.nodeStart[layers - 1]) {
        return false;
    }
    flat.firstOutput = flat.nodeStart[layers - 1];
    flat.value.resize(nodes);
    flat.error.assign(nodes, 0.0);
    flat.rate.assign(nodes, 0.0);
    flat.momentum.assign(nodes, 0.0);
    flat.weight.resize(links);
    flat.previous.resize(links);

    for (int n = 0; n < nodes; ++n) {
        BASE_NODE* node = net.getNode(n);
        const bool input = n < flat.sizes[0];
        const std::type_info& expected =
            input ? typeid(INPUT_NODE) : n >= flat.firstOutput ? typeid(BP_OUTPUT_NODE) : typeid(BP_MIDDLE_NODE);
        if (node == nullptr || typeid(*node) != expected || node->getValueSetSize() < (input ? 1 : 3) ||
            node->getErrorSetSize() < 1) {
            return false;
        }
        flat.value[n] = node->getValue(0);
        flat.error[n] = node->getError(0);
        if (!input) {
            flat.rate[n] = node->getValue(1);
            flat.momentum[n] = node->getValue(2);
        }
    }
    for (int j = 0; j < links; ++j) {
        BASE_LINK* link = net.getLink(j);
        if (link == nullptr || typeid(*link) != typeid(BP_LINK) || link->getValueSetSize() < 2) return false;
        flat.weight[j] = link->getValue(0);
        flat.previous[j] = link->getValue(1);
    }
    // Every walk the objects make must visit the links in the numbering the arrays use.
    std::vector<BASE_LINK*> expected;
    for (int k = 0; k < layers; ++k) {
        for (int i = 0; i < flat.sizes[k]; ++i) {
            BASE_NODE* node = net.getNode(flat.nodeStart[k] + i);
            expected.clear();
            if (k >= 1) {
                for (int s = 0; s < flat.sizes[k - 1]; ++s) {
                    BASE_LINK* link = net.getLink(flat.linkStart[k] + i * flat.sizes[k - 1] + s);
                    if (link->getSourceNode() != net.getNode(flat.nodeStart[k - 1] + s) || link->getDestNode() != node) {
                        return false;
                    }
                    expected.push_back(link);
                }
            }
            if (!listIs(node->getInLinks(), expected)) return false;
            expected.clear();
            if (k + 1 < layers) {
                for (int d = 0; d < flat.sizes[k + 1]; ++d) {
                    expected.push_back(net.getLink(flat.linkStart[k + 1] + d * flat.sizes[k] + i));
                }
            }
            if (!listIs(node->getOutLinks(), expected)) return false;
        }
    }
    *this = std::move(flat);
    return true;
}

void FlatNetwork::writeBack(BACKPROP_NETWORK& net) const {
    if (!isCaptured()) return;
    for (int n = 0; n < static_cast<int>(value.size()); ++n) {
        BASE_NODE* node = net.getNode(n);
        node->setValue(value[n], 0);
        if (n >= sizes[0]) node->setError(error[n], 0);
    }
    for (int j = 0; j < static_cast<int>(weight.size()); ++j) {
        BASE_LINK* link = net.getLink(j);
        link->setValue(weight[j], 0);
        link->setValue(previous[j], 1);
    }
}

// The expressions below are those of FEED_FORWARD_NODE::run, BP_NODE::transferFunction,
// BP_OUTPUT_NODE/BP_MIDDLE_NODE::computeError and learn, and BP_LINK::updateWeight, operand for
// operand: any change there must be made here too, or saved networks stop matching.
void FlatNetwork::run(const double* inputs) {
    double* v = value.data();
    for (int i = 0; i < sizes[0]; ++i) v[i] = inputs[i];
    const double* w = weight.data();
    const int layers = static_cast<int>(sizes.size());
    for (int k = 1; k < layers; ++k) {
        const double* __restrict src = v + nodeStart[k - 1];
        const int fanIn = sizes[k - 1];
        double* __restrict dst = v + nodeStart[k];
        // Four (then two) destinations at a time: independent sums, each added up in link order, so
        // the additions overlap in the pipeline without changing any of them.
        int d = 0;
        for (; d + 4 <= sizes[k]; d += 4) {
            const double* w0 = w;
            const double* w1 = w0 + fanIn;
            const double* w2 = w1 + fanIn;
            const double* w3 = w2 + fanIn;
            double sum0 = 0.0, sum1 = 0.0, sum2 = 0.0, sum3 = 0.0;
            for (int s = 0; s < fanIn; ++s) {
                const double x = src[s];
                sum0 = x * w0[s] + sum0;
                sum1 = x * w1[s] + sum1;
                sum2 = x * w2[s] + sum2;
                sum3 = x * w3[s] + sum3;
            }
            w += 4 * fanIn;
            dst[d] = 1.0 / (std::exp(-sum0) + 1.0);
            dst[d + 1] = 1.0 / (std::exp(-sum1) + 1.0);
            dst[d + 2] = 1.0 / (std::exp(-sum2) + 1.0);
            dst[d + 3] = 1.0 / (std::exp(-sum3) + 1.0);
        }
        for (; d + 2 <= sizes[k]; d += 2) {
            const double* w0 = w;
            const double* w1 = w0 + fanIn;
            double sum0 = 0.0, sum1 = 0.0;
            for (int s = 0; s < fanIn; ++s) {
                const double x = src[s];
                sum0 = x * w0[s] + sum0;
                sum1 = x * w1[s] + sum1;
            }
            w += 2 * fanIn;
            dst[d] = 1.0 / (std::exp(-sum0) + 1.0);
            dst[d + 1] = 1.0 / (std::exp(-sum1) + 1.0);
        }
        for (; d < sizes[k]; ++d) {
            double sum = 0.0;
            for (int s = 0; s < fanIn; ++s) sum = src[s] * w[s] + sum;
            w += fanIn;
            dst[d] = 1.0 / (std::exp(-sum) + 1.0);
        }
    }
}

void FlatNetwork::learn(const double* targets) {
    double* v = value.data();
    double* e = error.data();
    double* w = weight.data();
    double* p = previous.data();
    const int layers = static_cast<int>(sizes.size());
    for (int k = layers - 1; k >= 1; --k) {
        const int size = sizes[k];
        const int fanIn = sizes[k - 1];
        const double* __restrict out = v + nodeStart[k];
        double* __restrict err = e + nodeStart[k];
        // A layer's error terms read only the layer above, whose weights have all moved already, so
        // they can all be worked out before any of this layer's weights move.
        if (k == layers - 1) {
            for (int d = 0; d < size; ++d) {
                const double o = out[d];
                err[d] = ((targets[d] - o) * (1.0 - o)) * o;
            }
        } else {
            // Each node's sum runs over its out-links in destination order, as the node's list does;
            // going row by row adds the same terms to every sum in that same order.
            const int fanOut = sizes[k + 1];
            const double* __restrict destError = e + nodeStart[k + 1];
            const double* __restrict row = w + linkStart[k + 1];
            for (int d = 0; d < size; ++d) err[d] = 0.0;
            for (int n = 0; n < fanOut; ++n, row += size) {
                const double en = destError[n];
                for (int d = 0; d < size; ++d) err[d] = err[d] + en * row[d];
            }
            for (int d = 0; d < size; ++d) {
                const double o = out[d];
                err[d] = ((1.0 - o) * o) * err[d];
            }
        }
        const double* __restrict src = v + nodeStart[k - 1];
        const double* __restrict r = rate.data() + nodeStart[k];
        const double* __restrict alpha = momentum.data() + nodeStart[k];
        for (int d = size - 1; d >= 0; --d) {
            const double rd = r[d];
            const double delta = err[d];
            const double ad = alpha[d];
            double* __restrict wl = w + linkStart[k] + d * fanIn;
            double* __restrict pl = p + linkStart[k] + d * fanIn;
            for (int s = 0; s < fanIn; ++s) {
                const double change = (src[s] * rd) * delta;
                wl[s] = (ad * pl[s] + change) + wl[s];
                pl[s] = change;
            }
        }
    }
}

}  // namespace torvask
