#include "sim/FrameTiming.h"

namespace torvask {

FrameTiming& frameTiming() {
    static FrameTiming timing;
    return timing;
}

void resetFrameTiming() { frameTiming() = FrameTiming{}; }

}  // namespace torvask
