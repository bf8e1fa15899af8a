#pragma once
// A plain-array backpropagation network written from the description of the algorithm, independent
// of the library's classes, for checking the library's results to the last bit.
#include <cmath>
#include <vector>

namespace torvask::testing {

struct ReferenceBackprop {
    std::vector<int> sizes;
    std::vector<double> weight;    // destination-major, as the library numbers links
    std::vector<double> previous;  // previous change per link
    std::vector<double> out;       // node outputs
    std::vector<double> err;       // node error entries
    double eta;
    double alpha;

    int start(int layer) const {
        int s = 0;
        for (int k = 0; k < layer; ++k) s += sizes[k];
        return s;
    }
    int linkStart(int layer) const {  // first link into layer
        int s = 0;
        for (int k = 1; k < layer; ++k) s += sizes[k - 1] * sizes[k];
        return s;
    }
    void step(const std::vector<double>& in, const std::vector<double>& target) {
        const int layers = static_cast<int>(sizes.size());
        for (int i = 0; i < sizes[0]; ++i) out[i] = in[i];
        for (int k = 1; k < layers; ++k) {
            for (int d = 0; d < sizes[k]; ++d) {
                double sum = 0.0;
                for (int s = 0; s < sizes[k - 1]; ++s) {
                    sum = out[start(k - 1) + s] * weight[linkStart(k) + d * sizes[k - 1] + s] + sum;
                }
                out[start(k) + d] = 1.0 / (std::exp(-sum) + 1.0);
            }
        }
        for (int i = 0; i < sizes[layers - 1]; ++i) err[start(layers - 1) + i] = target[i];
        for (int k = layers - 1; k >= 1; --k) {
            for (int d = sizes[k] - 1; d >= 0; --d) {
                const int node = start(k) + d;
                const double o = out[node];
                if (k == layers - 1) {
                    err[node] = ((err[node] - o) * (1.0 - o)) * o;
                } else {
                    double s = 0.0;
                    for (int n = 0; n < sizes[k + 1]; ++n) {
                        s = s + err[start(k + 1) + n] * weight[linkStart(k + 1) + n * sizes[k] + d];
                    }
                    err[node] = ((1.0 - o) * o) * s;
                }
                for (int s = 0; s < sizes[k - 1]; ++s) {
                    const int l = linkStart(k) + d * sizes[k - 1] + s;
                    const double delta = (out[start(k - 1) + s] * eta) * err[node];
                    weight[l] = (alpha * previous[l] + delta) + weight[l];
                    previous[l] = delta;
                }
            }
        }
    }
};


}  // namespace torvask::testing
