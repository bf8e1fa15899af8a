#include "neural/BaseNode.h"

#include <iomanip>
#include <istream>
#include <ostream>

#include "neural/BaseLink.h"
#include "neural/TextFormat.h"

namespace torvask {

namespace {
// Process-wide and never reset: ids are part of every saved network text.
int nodeIdCounter = -1;
}  // namespace

BASE_NODE::BASE_NODE(int valueSetSize_, int errorSetSize_)
    : id(++nodeIdCounter),
      valueSet(valueSetSize_ > 0 ? valueSetSize_ : 0, 0.0),
      valueSetSize(valueSetSize_ > 0 ? valueSetSize_ : 0),
      errorSet(errorSetSize_ > 0 ? errorSetSize_ : 0, 0.0),
      errorSetSize(errorSetSize_ > 0 ? errorSetSize_ : 0) {}

BASE_NODE::~BASE_NODE() = default;

int BASE_NODE::lastNodeId() { return nodeIdCounter; }

void BASE_NODE::run(int) {}
void BASE_NODE::learn(int) {}
void BASE_NODE::epoch(int) {}

void BASE_NODE::load(std::istream& in) {
    int newId = 0;
    std::vector<double> newValues;
    std::vector<double> newErrors;
    if (!(in >> newId) || !text::readDoubleSet(in, kMaxSetSize, newValues) ||
        !text::readDoubleSet(in, kMaxSetSize, newErrors)) {
        return;
    }
    id = newId;
    valueSet = std::move(newValues);
    valueSetSize = static_cast<int>(valueSet.size());
    errorSet = std::move(newErrors);
    errorSetSize = static_cast<int>(errorSet.size());
}

void BASE_NODE::save(std::ostream& out) {
    out.precision(text::kPrecision);
    out << std::setw(4) << id << '\n';
    text::writeDoubleSet(out, valueSet);
    text::writeDoubleSet(out, errorSet);
}

double BASE_NODE::getValue(int index) {
    return index >= 0 && index < valueSetSize ? valueSet[index] : -1.0;
}

void BASE_NODE::setValue(double value, int index) {
    if (index >= 0 && index < valueSetSize) {
        valueSet[index] = value;
    }
}

double BASE_NODE::getError(int index) {
    return index >= 0 && index < errorSetSize ? errorSet[index] : -1.0;
}

void BASE_NODE::setError(double value, int index) {
    if (index >= 0 && index < errorSetSize) {
        errorSet[index] = value;
    }
}

std::string BASE_NODE::getName() { return "BASE_NODE"; }

namespace {
void printLinkValues(std::ostream& out, BASE_LINK* link) {
    out << "  Value Set: ";
    const int size = link->getValueSetSize();
    for (int i = 0; i < size; ++i) {
        out << link->getValue(i) << ' ';
    }
    out << '\n';
}

int idOf(BASE_NODE* node) { return node != nullptr ? node->getId() : -1; }
}  // namespace

void BASE_NODE::print(std::ostream& out) {
    out << "Node ID: " << id << "   Node Name: " << getName() << '\n';
    out << "Value Set: ";
    for (double v : valueSet) {
        out << v << ' ';
    }
    out << '\n';
    out << "Error Set: ";
    for (double e : errorSet) {
        out << e << ' ';
    }
    out << '\n';
    inLinks.forEach([&out](BASE_LINK* link) {
        out << "   In Link ID : " << link->getId() << "  Link Name: " << link->getName()
            << "  Source Node: " << idOf(link->getSourceNode());
        printLinkValues(out, link);
    });
    outLinks.forEach([&out](BASE_LINK* link) {
        out << "   Out Link ID: " << link->getId() << "  Link Name: " << link->getName()
            << "  Dest Node  : " << idOf(link->getDestNode());
        printLinkValues(out, link);
    });
    out << '\n';
}

void connect(BASE_NODE* from, BASE_NODE* to, BASE_LINK* link) {
    from->getOutLinks().append(link);
    to->getInLinks().append(link);
    link->setSourceNode(from);
    link->setDestNode(to);
}

}  // namespace torvask
