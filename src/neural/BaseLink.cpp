#include "neural/BaseLink.h"

#include <istream>
#include <ostream>

#include "neural/BaseNode.h"
#include "neural/TextFormat.h"

namespace torvask {

namespace {
// Process-wide and never reset: ids are part of every saved network text.
int linkIdCounter = -1;
}  // namespace

BASE_LINK::BASE_LINK(int valueSetSize_)
    : id(++linkIdCounter),
      valueSet(valueSetSize_ > 0 ? valueSetSize_ : 0, 0.0),
      valueSetSize(valueSetSize_ > 0 ? valueSetSize_ : 0) {}

BASE_LINK::~BASE_LINK() = default;

int BASE_LINK::lastLinkId() { return linkIdCounter; }

int BASE_LINK::nodeIdOf(BASE_NODE* node) { return node != nullptr ? node->getId() : -1; }

void BASE_LINK::save(std::ostream& out) {
    out.precision(text::kPrecision);
    out << id << '\n';
    text::writeDoubleSet(out, valueSet);
}

void BASE_LINK::load(std::istream& in) {
    int newId = 0;
    std::vector<double> newValues;
    if (!(in >> newId) || !text::readDoubleSet(in, BASE_NODE::kMaxSetSize, newValues)) {
        return;
    }
    id = newId;
    valueSet = std::move(newValues);
    valueSetSize = static_cast<int>(valueSet.size());
}

double BASE_LINK::getValue(int index) {
    return index >= 0 && index < valueSetSize ? valueSet[index] : -1.0;
}

void BASE_LINK::setValue(double value, int index) {
    if (index >= 0 && index < valueSetSize) {
        valueSet[index] = value;
    }
}

void BASE_LINK::setSourceNode(BASE_NODE* node) { sourceNode = node; }
void BASE_LINK::setDestNode(BASE_NODE* node) { destNode = node; }
BASE_NODE* BASE_LINK::getSourceNode() { return sourceNode; }
BASE_NODE* BASE_LINK::getDestNode() { return destNode; }
std::string BASE_LINK::getName() { return "BASE_LINK"; }

void BASE_LINK::updateWeight(double delta) {
    if (valueSetSize > 0) {
        valueSet[0] += delta;
    }
}

double BASE_LINK::getSourceValue(int index) {
    return sourceNode != nullptr ? sourceNode->getValue(index) : -1.0;
}
double BASE_LINK::getDestValue(int index) {
    return destNode != nullptr ? destNode->getValue(index) : -1.0;
}
double BASE_LINK::getSourceError(int index) {
    return sourceNode != nullptr ? sourceNode->getError(index) : -1.0;
}
double BASE_LINK::getDestError(int index) {
    return destNode != nullptr ? destNode->getError(index) : -1.0;
}
double BASE_LINK::getWeightedSourceValue(int index) { return getSourceValue(index) * getValue(0); }
double BASE_LINK::getWeightedDestValue(int index) { return getDestValue(index) * getValue(0); }
double BASE_LINK::getWeightedSourceError(int index) { return getSourceError(index) * getValue(0); }
double BASE_LINK::getWeightedDestError(int index) { return getDestError(index) * getValue(0); }
int BASE_LINK::getValueSetSize() { return valueSetSize; }
void BASE_LINK::epoch(int) {}

}  // namespace torvask
