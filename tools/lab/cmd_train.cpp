// torvask-lab train: trains a fresh driver on recorded pattern files and saves it.
#include <signal.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "LabCommand.h"
#include "common/Paths.h"
#include "driver/Driver.h"

namespace torvask::lab {
namespace {

// Set from the SIGINT handler; the progress callback turns it into a stop request.
volatile std::sig_atomic_t interruptRequested = 0;

extern "C" void onInterrupt(int) { interruptRequested = 1; }

struct TrainOptions {
    std::string prefix;
    std::string output;
    std::optional<long> stopAt;
    std::optional<std::string> lobeDir;
    std::optional<long> seed;
};

struct ProgressState {
    std::optional<long> stopAt;
};

bool parseCount(const char* text, long& value) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (*end != '\0' || errno != 0 || parsed < 0) return false;
    value = parsed;
    return true;
}

// Returns false (after saying why) on any argument it does not understand.
bool parseArguments(int argc, char** argv, TrainOptions& options) {
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--stop-at") == 0) {
            long value = 0;
            if (i + 1 >= argc || !parseCount(argv[i + 1], value)) {
                std::fprintf(stderr, "torvask-lab train: --stop-at needs a whole number of passes (0 or more)\n");
                return false;
            }
            options.stopAt = value;
            ++i;
        } else if (std::strcmp(arg, "--seed") == 0) {
            long value = 0;
            if (i + 1 >= argc || !parseCount(argv[i + 1], value) || value > 0x7fffffffL) {
                std::fprintf(stderr, "torvask-lab train: --seed needs a whole number from 0 to 2147483647\n");
                return false;
            }
            options.seed = value;
            ++i;
        } else if (std::strcmp(arg, "--lobe-dir") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                std::fprintf(stderr, "torvask-lab train: --lobe-dir needs a folder\n");
                return false;
            }
            options.lobeDir = argv[i + 1];
            ++i;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            std::fprintf(stderr, "torvask-lab train: unknown option '%s'\n", arg);
            return false;
        } else if (positional == 0) {
            options.prefix = arg;
            ++positional;
        } else if (positional == 1) {
            options.output = arg;
            ++positional;
        } else {
            std::fprintf(stderr, "torvask-lab train: unexpected argument '%s'\n", arg);
            return false;
        }
    }
    if (positional != 2 || options.prefix.empty() || options.output.empty()) {
        std::fprintf(stderr, "torvask-lab train: needs a pattern prefix and an output driver file\n");
        return false;
    }
    return true;
}

// The folder part of a path, with its trailing '/'; "" for a bare name (the current folder).
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

int reportProgress(const TrainingProgress& progress, void* user) {
    const auto* state = static_cast<const ProgressState*>(user);
    std::printf("iteration=%d good=%d/%d best=%d error=%.10f\n", progress.iteration, progress.goodPatterns,
                progress.numPatterns, progress.bestSoFar, progress.totalError);
    std::fflush(stdout);
    if (interruptRequested) return 1;
    if (state->stopAt && progress.iteration >= *state->stopAt) return 1;
    return 0;
}

int runTrain(int argc, char** argv);

const LabCommandRegistration registration({
    "train",
    "PREFIX OUT.driver [--stop-at N] [--lobe-dir DIR] [--seed N]",
    "trains a new driver on PREFIX.0, PREFIX.1, ... and saves it as OUT.driver; --seed starts the "
    "network from other random weights (without it, the program's own first driver's)",
    runTrain,
});

int runTrain(int argc, char** argv) {
    // Parsing draws no random numbers, so without --seed the driver's initial weights are the C
    // library's random sequence from the start of the process, the same as the program's first
    // driver. Training is deterministic from there; a seed gives another start, which is how the
    // lab tries several and keeps the one that drives best.
    TrainOptions options;
    if (!parseArguments(argc, argv, options)) {
        for (const auto& command : labCommands()) {
            if (command.name == "train") return printUsage(command);
        }
        return 2;
    }
    if (options.seed) std::srand(static_cast<unsigned>(*options.seed));
    Driver driver;
    const std::string lobeFolder =
        options.lobeDir ? withTrailingSeparator(*options.lobeDir) : folderOf(options.prefix);

    // A lobe folder named for this run is made when it is not there yet.
    std::error_code madeError;
    if (!lobeFolder.empty() && !std::filesystem::is_directory(lobeFolder, madeError) &&
        (std::filesystem::create_directories(lobeFolder, madeError), !std::filesystem::is_directory(lobeFolder, madeError))) {
        std::fprintf(stderr, "torvask-lab train: cannot create lobe folder '%s'\n", lobeFolder.c_str());
        return 1;
    }
    for (int i = 0; i < driver.getBrain().getNumLobes(); ++i) {
        const std::string name = patternFileName(options.prefix, i);
        if (std::FILE* file = name.empty() ? nullptr : std::fopen(name.c_str(), "r")) {
            std::fclose(file);
        } else {
            std::fprintf(stderr, "torvask-lab train: cannot read pattern file '%s'\n",
                         name.empty() ? (options.prefix + "." + std::to_string(i)).c_str() : name.c_str());
            return 1;
        }
    }

    ProgressState state{options.stopAt};
    interruptRequested = 0;
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = onInterrupt;
    action.sa_flags = SA_RESETHAND;  // a second Ctrl+C ends the process at once
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous);
    const int trained = driver.train(options.prefix, lobeFolder, reportProgress, &state);
    sigaction(SIGINT, &previous, nullptr);

    if (trained != 0) {
        std::fprintf(stderr, "torvask-lab train: training failed (result %d)\n", trained);
        return 1;
    }
    if (driver.save(options.output) != 0) {
        std::fprintf(stderr, "torvask-lab train: cannot save the driver to '%s'\n", options.output.c_str());
        return 1;
    }
    if (interruptRequested) std::fprintf(stderr, "torvask-lab train: stopped by interrupt; best driver saved\n");
    return 0;
}

}  // namespace
}  // namespace torvask::lab
