// Decoding speed of the texture formats the scene loads at start-up, and the .x car.
#include <benchmark/benchmark.h>

#include <vector>

#include "gfx/DdsWriter.h"
#include "gfx/DxtEncoder.h"
#include "gfx/ImageDecoder.h"
#include "gfx/XMesh.h"
#include "tools/artgen/ArtGenerator.h"

namespace torvask {
namespace {

ImageLevel noise(int size) {
    ImageLevel level;
    level.width = size;
    level.height = size;
    level.data.resize(std::size_t(size) * size * 4);
    std::uint32_t state = 12345;
    for (auto& byte : level.data) {
        state = state * 1664525u + 1013904223u;
        byte = std::uint8_t(state >> 24);
    }
    return level;
}

void BM_DecodeDdsDxt1WithMips(benchmark::State& state) {
    const std::vector<std::uint8_t> file = encodeDds(compressDxt1WithMips(noise(int(state.range(0)))));
    for (auto _ : state) {
        Image image;
        benchmark::DoNotOptimize(decodeDds(file.data(), file.size(), image));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file.size()));
}
BENCHMARK(BM_DecodeDdsDxt1WithMips)->Arg(256)->Arg(1024);

void BM_DecodeDdsBgr24WithMips(benchmark::State& state) {
    const std::vector<std::uint8_t> file = encodeDds(rgbaWithMips(noise(int(state.range(0)))), DdsLayout::Bgr24);
    for (auto _ : state) {
        Image image;
        benchmark::DoNotOptimize(decodeDds(file.data(), file.size(), image));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file.size()));
}
BENCHMARK(BM_DecodeDdsBgr24WithMips)->Arg(512);

void BM_DecompressDxt1(benchmark::State& state) {
    const ImageLevel blocks = compressDxt1Level(noise(int(state.range(0))));
    std::vector<std::uint8_t> rgba;
    for (auto _ : state) benchmark::DoNotOptimize(decompressDxtLevel(PixelFormat::Dxt1, blocks, rgba));
    state.SetItemsProcessed(std::int64_t(state.iterations()) * state.range(0) * state.range(0));
}
BENCHMARK(BM_DecompressDxt1)->Arg(1024);

void BM_LoadCarMesh(benchmark::State& state) {
    const std::string text = artgen::carMeshText();
    for (auto _ : state) {
        XMeshData mesh;
        benchmark::DoNotOptimize(loadXMeshFromMemory(text.data(), text.size(), mesh));
    }
}
BENCHMARK(BM_LoadCarMesh);

}  // namespace
}  // namespace torvask
