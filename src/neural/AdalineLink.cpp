#include "neural/AdalineLink.h"

#include "neural/LinkRecord.h"
#include "neural/RandomRange.h"

namespace torvask {

ADALINE_LINK::ADALINE_LINK() : BASE_LINK(1) { valueSet[0] = randomRange(-1.0, 1.0); }

void ADALINE_LINK::save(std::ostream& out) {
    link_record::save(out, id, getValue(0), nodeIdOf(sourceNode), nodeIdOf(destNode));
}

void ADALINE_LINK::load(std::istream& in) {
    int newId = 0;
    double weight = 0.0;
    if (link_record::load(in, newId, weight)) {
        id = newId;
        setValue(weight, 0);
    }
}

std::string ADALINE_LINK::getName() { return "ADALINE_LINK"; }

}  // namespace torvask
