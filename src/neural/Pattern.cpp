#include "neural/Pattern.h"

#include <iostream>
#include <utility>

namespace torvask {

PATTERN::PATTERN(int inSize_, int outSize_, std::istream& in)
    : inputs(inSize_ > 0 ? inSize_ : 0, 0.0),
      outputs(outSize_ > 0 ? outSize_ : 0, 0.0),
      inSize(inSize_ > 0 ? inSize_ : 0),
      outSize(outSize_ > 0 ? outSize_ : 0) {
    in >> id;
    load(in);
}

PATTERN::PATTERN(int id_, std::vector<double> inputs_, std::vector<double> outputs_)
    : inputs(std::move(inputs_)),
      outputs(std::move(outputs_)),
      id(id_),
      inSize(static_cast<int>(inputs.size())),
      outSize(static_cast<int>(outputs.size())) {}

double PATTERN::getIn(int i) { return i >= 0 && i < inSize ? inputs[i] : -1.0; }
double PATTERN::getOut(int i) { return i >= 0 && i < outSize ? outputs[i] : -1.0; }

void PATTERN::setIn(int i, double value) {
    if (i >= 0 && i < inSize) {
        inputs[i] = value;
    }
}

void PATTERN::setOut(int i, double value) {
    if (i >= 0 && i < outSize) {
        outputs[i] = value;
    }
}

int PATTERN::getInSize() { return inSize; }
int PATTERN::getOutSize() { return outSize; }

void PATTERN::save(std::ostream& out) {
    out << id << '\t';
    for (double v : inputs) {
        out << v << '\t';
    }
    for (int i = 0; i < outSize; ++i) {
        if (i > 0) {
            out << '\t';
        }
        out << outputs[i];
    }
    out << '\n';
}

void PATTERN::load(std::istream& in) {
    for (double& v : inputs) {
        in >> v;
    }
    for (double& v : outputs) {
        in >> v;
    }
    if (!in) {
        return;
    }
    // Consuming the line ends here makes the end of input visible right after the last record.
    // A peek on a stream already at its end would mark it failed, so stop there first.
    while (!in.eof()) {
        const int c = in.peek();
        if (c == '\n') {
            in.get();
        } else if (c == '\r') {
            in.get();
            const int after = in.peek();
            if (after == '\n') {
                in.get();
            } else if (after == std::char_traits<char>::eof()) {
                break;
            } else {
                in.clear(in.rdstate() & ~std::ios::eofbit);
                in.unget();
                break;
            }
        } else {
            break;
        }
    }
}

void PATTERN::print() {
    std::cout << "ID: " << id << "   In: ";
    for (double v : inputs) {
        std::cout << v << ' ';
    }
    std::cout << "   Out: ";
    for (double v : outputs) {
        std::cout << v << ' ';
    }
    std::cout << '\n';
}

int PATTERN::getId() { return id; }

void PATTERN::copyFrom(PATTERN& other) {
    if (other.getInSize() == inSize) {
        for (int i = 0; i < inSize; ++i) {
            inputs[i] = other.getIn(i);
        }
    }
    if (other.getOutSize() == outSize) {
        for (int i = 0; i < outSize; ++i) {
            outputs[i] = other.getOut(i);
        }
    }
}

}  // namespace torvask
