#pragma once
// Shared pieces of the network text format (internal to the library).
#include <iosfwd>
#include <vector>

namespace torvask::text {

// Doubles in node and link records carry 18 significant digits, which is enough for every double to
// read back to the same bits.
constexpr int kPrecision = 18;

// "count value value ...\n" with one space before each value.
void writeDoubleSet(std::ostream& out, const std::vector<double>& values);

// Reads a count and that many doubles. A negative count or one above maxCount fails the stream.
// Entries are appended as they are read, so memory follows the text actually present.
bool readDoubleSet(std::istream& in, int maxCount, std::vector<double>& values);

}  // namespace torvask::text
