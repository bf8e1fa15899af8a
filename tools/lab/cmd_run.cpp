// torvask-lab run: the real simulation document on the headless host, for a given number of
// frames at a given frame rate, then the three status texts of the last frame.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "LabCommand.h"
#include "common/Messages.h"
#include "sim/CTorvaskDoc.h"
#include "sim/FrameTiming.h"
#include "sim/HeadlessHost.h"

namespace torvask::lab {
namespace {

struct RunOptions {
    std::string track;
    std::string driver;
    long frames = 600;
    double fps = 60.0;
};

bool parseNumber(const char* text, double& out) {
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0';
}

// The texts keep their window line ends; a terminal wants plain ones.
std::string withUnixLineEnds(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

// A private program folder with its own configuration and temporary folder, removed at exit.
class RunFolder {
public:
    RunFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "torvask-run-XXXXXX").string();
        if (char* made = mkdtemp(pattern.data())) path_ = made;
    }
    ~RunFolder() {
        if (path_.empty()) return;
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;
    bool ok() const { return !path_.empty(); }
    std::string folder() const { return path_ + "/"; }

private:
    std::string path_;
};

int runSimulation(int argc, char** argv);

const char* const kUsage = "--track FILE [--driver FILE] [--frames N] [--fps F]";

const LabCommandRegistration kRegistration(
    {"run", kUsage,
     "runs the simulation headless (W held in User Control) and prints the last frame's status, FPS and lap texts",
     &runSimulation});

int runSimulation(int argc, char** argv) {
    const LabCommand self{"run", kUsage, "", nullptr};
    RunOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return printUsage(self);
        const char* value = argv[++i];
        double number = 0.0;
        if (arg == "--track") {
            options.track = value;
        } else if (arg == "--driver") {
            options.driver = value;
        } else if (arg == "--frames") {
            if (!parseNumber(value, number) || number < 1 || number > 1e7 || number != static_cast<long>(number)) {
                std::fprintf(stderr, "torvask-lab run: --frames needs a whole number from 1 to 10000000\n");
                return 2;
            }
            options.frames = static_cast<long>(number);
        } else if (arg == "--fps") {
            if (!parseNumber(value, number) || !(number >= 1.0 && number <= 1000.0)) {
                std::fprintf(stderr, "torvask-lab run: --fps needs a number from 1 to 1000\n");
                return 2;
            }
            options.fps = number;
        } else {
            return printUsage(self);
        }
    }
    if (options.track.empty()) return printUsage(self);

    std::error_code ec;
    const std::string trackFile = std::filesystem::absolute(options.track, ec).string();
    const std::string driverFile =
        options.driver.empty() ? std::string() : std::filesystem::absolute(options.driver, ec).string();
    if (!std::filesystem::is_regular_file(trackFile)) {
        std::fprintf(stderr, "torvask-lab run: no track file %s\n", trackFile.c_str());
        return 1;
    }
    if (!driverFile.empty() && !std::filesystem::is_regular_file(driverFile)) {
        std::fprintf(stderr, "torvask-lab run: no driver file %s\n", driverFile.c_str());
        return 1;
    }

    RunFolder folder;
    if (!folder.ok()) {
        std::fprintf(stderr, "torvask-lab run: cannot create a temporary folder\n");
        return 1;
    }
    {
        std::ofstream cfg(folder.folder() + "Torvask.cfg", std::ios::binary);
        cfg << "[Paths]\nTracksPath=tracks\nCarsPath=cars\nDriversPath=drivers\nEnviroPath=enviro\nTempPath=temp\n";
    }

    // Messages of a headless run go to standard error; no one is there to close a box.
    setMessageSink([](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });

    HeadlessHost host;
    host.setupChoices.push_back(SetupChoice{true, trackFile, driverFile});
    host.defaultAnswer = false;  // no training, no saving: Esc is never pressed anyway
    host.press(dik::kW);
    resetFrameTiming();

    int exitCode = 0;
    {
        CTorvaskDoc doc(host.services());
        doc.setProgramFolder(folder.folder());
        if (!doc.readConfiguration() || doc.startScene(1) != 0) {
            exitCode = 1;
        } else {
            const double frameMs = 1000.0 / options.fps;
            double due = 0.0;
            for (long frame = 0; frame < options.frames; ++frame) {
                // Whole milliseconds, with the fractions carried so the rate is exact on average.
                due += frameMs;
                const auto step = static_cast<std::uint32_t>(due);
                due -= step;
                host.clock.advance(step);
                if (doc.simulateFrame() != 0) {
                    std::fprintf(stderr, "torvask-lab run: the simulation stopped at frame %ld\n", frame);
                    exitCode = 1;
                    break;
                }
            }
            std::printf("%s\n", withUnixLineEnds(doc.getFpsText()).c_str());
            std::printf("%s\n", withUnixLineEnds(statusText()).c_str());
            std::printf("%s\n", withUnixLineEnds(doc.getLapText()).c_str());
        }
    }
    setMessageSink({});
    return exitCode;
}

}  // namespace
}  // namespace torvask::lab
