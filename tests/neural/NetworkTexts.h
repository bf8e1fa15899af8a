#pragma once
// Network texts written by hand for the neural tests.
#include <string>

namespace torvask::testing {

// A 1-2-1 backpropagation network: id 100, nodes 101..104, links 20..23.
inline const std::string kOneTwoOne =
    "100\n"
    "3\n"
    "1\n"
    "2\n"
    "1\n"
    "4\n"
    "4\n"
    " 101\n"
    "1 0.25\n"
    "1 0\n"
    " 102\n"
    "3 0.622459331201854593 0.299999999999999989 0.699999999999999956\n"
    "1 0.0125000000000000007\n"
    " 103\n"
    "3 0.4375 0.299999999999999989 0.699999999999999956\n"
    "1 -0.03125\n"
    "12345\n"
    "3 0.5 0.25 0.5\n"
    "1 0.125\n"
    "  20 0.5  101  102\n"
    "  21 -1.00000000000000008e-05  101  103\n"
    "  22 0.75  102 12345\n"
    "  23 -0.999969481490524004  103 12345\n";

}  // namespace torvask::testing
