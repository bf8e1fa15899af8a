#include "neural/BpLink.h"

#include <iomanip>
#include <istream>
#include <ostream>

#include "neural/BaseNode.h"
#include "neural/LinkRecord.h"
#include "neural/RandomRange.h"

namespace torvask {

BP_LINK::BP_LINK(int valueSetSize) : BASE_LINK(valueSetSize) {
    // Drawn even when the set is too small to keep it, so every link consumes exactly one draw.
    const double weight = randomRange(-1.0, 1.0);
    setValue(weight, 0);
    setValue(0.0, 1);
}

void BP_LINK::save(std::ostream& out) {
    link_record::save(out, id, getValue(0), nodeIdOf(sourceNode), nodeIdOf(destNode));
}

void BP_LINK::load(std::istream& in) {
    int newId = 0;
    double weight = 0.0;
    if (link_record::load(in, newId, weight)) {
        id = newId;
        setValue(weight, 0);
    }
}

std::string BP_LINK::getName() { return "BP_LINK"; }

void BP_LINK::updateWeight(double delta) {
    const double alpha = destNode != nullptr ? destNode->getValue(2) : 0.0;
    const double previous = getValue(1);
    setValue((alpha * previous + delta) + getValue(0), 0);
    setValue(delta, 1);
}

}  // namespace torvask
