#include "neural/LinkRecord.h"

#include <iomanip>
#include <istream>
#include <ostream>

#include "neural/TextFormat.h"

namespace torvask::link_record {

void save(std::ostream& out, int id, double weight, int sourceId, int destId) {
    out.precision(text::kPrecision);
    out << std::setw(4) << id << ' ' << weight << ' ' << std::setw(4) << sourceId << ' ' << std::setw(4)
        << destId << '\n';
}

bool load(std::istream& in, int& id, double& weight) {
    int sourceId = 0;
    int destId = 0;
    return static_cast<bool>(in >> id >> weight >> sourceId >> destId);
}

}  // namespace torvask::link_record
