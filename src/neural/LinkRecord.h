#pragma once
// The one-line link record shared by the ADALINE and backpropagation links (internal to the library):
// id (width 4), weight, source id (width 4), destination id (width 4).
#include <iosfwd>

namespace torvask::link_record {

void save(std::ostream& out, int id, double weight, int sourceId, int destId);
// Reads id and weight and discards the two node ids; false (stream failed) when any is missing.
bool load(std::istream& in, int& id, double& weight);

}  // namespace torvask::link_record
