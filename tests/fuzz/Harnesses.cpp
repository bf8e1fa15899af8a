#include "Harnesses.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "common/Messages.h"
#include "config/ConfigFile.h"
#include "driver/Driver.h"
#include "gfx/ImageDecoder.h"
#include "gfx/XFileCheck.h"
#include "gfx/XMesh.h"
#include "neural/Lobe.h"
#include "physics/Track.h"

namespace torvask::fuzz {

namespace {

// The readers that take a path get the bytes through a file in a folder of this process's own,
// in memory where the machine offers it. Made once and kept for the process's life.
const std::string& scratchFolder() {
    static const std::string folder = [] {
        std::error_code ec;
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : std::filesystem::temp_directory_path(ec);
        const std::filesystem::path own = base / ("torvask-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(own, ec);
        // Messages from the readers are expected by the thousand here; nobody reads them.
        setMessageSink([](const std::string&) {});
        return own.string() + "/";
    }();
    return folder;
}

std::string writeScratch(const char* leaf, const std::uint8_t* data, std::size_t size) {
    const std::string path = scratchFolder() + leaf;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return path;
}

bool configFile(const std::uint8_t* data, std::size_t size) {
    const std::string path = writeScratch("fuzz.cfg", data, size);
    // A line longer than the limit must fail the load; any other file loads.
    bool tooLong = false;
    std::size_t length = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            length = 0;
            continue;
        }
        ++length;
        const bool crBeforeEnd = data[i] == '\r' && (i + 1 == size || data[i + 1] == '\n');
        if (length > ConfigFile::kMaxLineLength + (crBeforeEnd ? 1 : 0)) tooLong = true;
    }
    ConfigFile config;
    const int result = config.load(path);
    return result == (tooLong ? -1 : 0);
}

bool trackFile(const std::uint8_t* data, std::size_t size) {
    const std::string path = writeScratch("fuzz.trn", data, size);
    Track track;
    if (track.load(path) != 0) return false;
    const std::size_t n = track.getWaypoints().size();
    if (n < 2) return true;
    return track.getLeftEdge().size() == n && track.getRightEdge().size() == n;
}

int stopAfterTenPasses(const TrainingProgress& progress, void*) { return progress.iteration >= 10 ? 1 : 0; }

bool networkText(const std::uint8_t* data, std::size_t size) {
    Lobe lobe("Brain", 0.3, 0.7, 3, 5, 14, 2);
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    if (lobe.load(in) != 0) return true;
    // Whatever shape the text gave, the network must run and write itself out again.
    for (int i = 0; i < lobe.getNumInputs(); ++i) lobe.setInput(0.5, i);
    lobe.run();
    std::ostringstream out;
    return lobe.save(out) == 0;
}

bool driverFile(const std::uint8_t* data, std::size_t size) {
    const std::string path = writeScratch("fuzz.driver", data, size);
    Driver driver;
    if (driver.load(path) != 0) return true;
    // A driver that loaded has the shape the car feeds it.
    Brain& brain = driver.getBrain();
    if (brain.getNumInputs() != 5 || brain.getNumOutputs() != 2) return false;
    for (int i = 0; i < brain.getNumInputs(); ++i) brain.setInput(0.25, i);
    return brain.run() == 0;
}

bool patternFile(const std::uint8_t* data, std::size_t size) {
    const std::string path = writeScratch("fuzz.pat", data, size);
    std::remove((scratchFolder() + "Brain.lobe").c_str());
    Lobe lobe("Brain", 0.3, 0.7, 3, 5, 14, 2);
    if (lobe.train(path, scratchFolder(), 0.05, stopAfterTenPasses, nullptr) != 0) return false;
    return lobe.getNumInputs() == 5 && lobe.getNumOutputs() == 2;
}

// A decoded picture's levels must hold exactly the bytes their sizes say, each half the last.
bool imageConsistent(const Image& image) {
    if (image.levels.empty()) return false;
    for (std::size_t i = 0; i < image.levels.size(); ++i) {
        const ImageLevel& level = image.levels[i];
        if (level.width <= 0 || level.height <= 0) return false;
        if (level.data.size() != levelByteSize(image.format, level.width, level.height)) return false;
        if (i > 0) {
            const ImageLevel& above = image.levels[i - 1];
            if (level.width != std::max(1, above.width / 2) || level.height != std::max(1, above.height / 2)) {
                return false;
            }
        }
    }
    return true;
}

template <bool (*Decode)(const std::uint8_t*, std::size_t, Image&, ImageError*)>
bool imageFile(const std::uint8_t* data, std::size_t size) {
    Image image;
    ImageError error = ImageError::None;
    if (!Decode(data, size, image, &error)) return error != ImageError::None && image.levels.empty();
    if (!imageConsistent(image)) return false;
    if (image.compressed()) {
        std::vector<std::uint8_t> rgba;
        if (!decompressDxtLevel(image.format, image.levels.back(), rgba)) return false;
    }
    return true;
}

bool xFile(const std::uint8_t* data, std::size_t size) {
    std::string why;
    const bool checked = checkTextXFile(reinterpret_cast<const char*>(data), size, &why);
    if (!checked && why.empty()) return false;
    XMeshData mesh;
    std::string error;
    if (!loadXMeshFromMemory(data, size, mesh, &error)) return !error.empty() && mesh.subsets.empty();
    if (!checked) return false;  // the loader must never take what the check refused
    if (mesh.subsets.size() != std::max<std::size_t>(1, mesh.materials.size())) return false;
    for (const XMeshSubset& subset : mesh.subsets) {
        if (subset.indices.size() % 3 != 0) return false;
        for (std::uint32_t index : subset.indices) {
            if (index >= subset.vertices.size()) return false;
        }
        if (subset.hasVertexColours && subset.vertexColours.size() != subset.vertices.size()) return false;
    }
    return true;
}

}  // namespace

const std::vector<Target>& targets() {
    static const std::vector<Target> all = {
        {"config", configFile},
        {"track", trackFile},
        {"network", networkText},
        {"driver", driverFile},
        {"pattern", patternFile},
        {"dds", imageFile<decodeDds>},
        {"png", imageFile<decodePng>},
        {"jpeg", imageFile<decodeJpeg>},
        {"xfile", xFile},
    };
    return all;
}

Harness findTarget(std::string_view name) {
    for (const Target& target : targets()) {
        if (name == target.name) return target.run;
    }
    return nullptr;
}

}  // namespace torvask::fuzz
