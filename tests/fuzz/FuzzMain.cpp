// The libFuzzer entry point; TORVASK_FUZZ_TARGET names the reader this executable drives.
#include <cstdlib>

#include "Harnesses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const torvask::fuzz::Harness run = torvask::fuzz::findTarget(TORVASK_FUZZ_TARGET);
    if (run == nullptr || !run(data, size)) std::abort();
    return 0;
}
