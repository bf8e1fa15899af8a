// Every file of the committed corpus goes through its reader's harness again: inputs that once
// crashed or confused a reader, and the seeds the fuzzers start from.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Harnesses.h"

namespace torvask::fuzz {
namespace {

class CorpusReplay : public ::testing::TestWithParam<Target> {};

TEST_P(CorpusReplay, EveryFileIsHandled) {
    const std::filesystem::path folder = std::filesystem::path(TORVASK_FUZZ_CORPUS) / GetParam().name;
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_TRUE(GetParam().run(bytes.data(), bytes.size())) << entry.path();
        ++files;
    }
    EXPECT_GT(files, 0) << "no corpus files in " << folder;
}

INSTANTIATE_TEST_SUITE_P(Readers, CorpusReplay, ::testing::ValuesIn(targets()),
                         [](const ::testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace torvask::fuzz
