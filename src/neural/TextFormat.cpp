#include "neural/TextFormat.h"

#include <istream>
#include <ostream>

namespace torvask::text {

void writeDoubleSet(std::ostream& out, const std::vector<double>& values) {
    out << values.size();
    for (double v : values) {
        out << ' ' << v;
    }
    out << '\n';
}

bool readDoubleSet(std::istream& in, int maxCount, std::vector<double>& values) {
    int count = 0;
    if (!(in >> count)) {
        return false;
    }
    if (count < 0 || count > maxCount) {
        in.setstate(std::ios::failbit);
        return false;
    }
    values.clear();
    for (int i = 0; i < count; ++i) {
        double v = 0.0;
        if (!(in >> v)) {
            return false;
        }
        values.push_back(v);
    }
    return true;
}

}  // namespace torvask::text
