#pragma once
// One entry point per file reader, fed arbitrary bytes. The same functions run under libFuzzer
// (one executable per reader) and, in every normal build, over the committed corpus, so an input
// that once broke a reader keeps being tried.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace torvask::fuzz {

// False when the reader accepted the data but what it produced breaks its own contract; a crash,
// a sanitizer report, a leak or a hang shows up by itself.
using Harness = bool (*)(const std::uint8_t* data, std::size_t size);

struct Target {
    const char* name;  // also the corpus folder's name
    Harness run;
};

const std::vector<Target>& targets();
// Null for an unknown name.
Harness findTarget(std::string_view name);

}  // namespace torvask::fuzz
