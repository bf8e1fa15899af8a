#include "LabSession.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>

#include "common/Messages.h"
#include "sim/FrameTiming.h"

namespace torvask::lab {

LabSession::LabSession(double fps) : frameMs_(1000.0 / fps) {
    std::string pattern = (std::filesystem::temp_directory_path() / "torvask-lab-XXXXXX").string();
    if (char* made = mkdtemp(pattern.data())) folder_ = std::string(made) + "/";
    // Headless: messages go to standard error, and every question is answered No.
    setMessageSink([](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });
    host_.defaultAnswer = false;
    // Nothing here reads the device's calls, and keeping them would grow by tens of kilobytes a frame.
    host_.deviceOptions.keepCalls = false;
    resetFrameTiming();
}

LabSession::~LabSession() {
    doc_.reset();
    setMessageSink({});
    if (!folder_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
}

std::string LabSession::tempFolder() const { return folder_ + "temp/"; }

bool LabSession::start(const std::string& trackFile, const std::string& driverFile) {
    if (folder_.empty()) {
        std::fprintf(stderr, "torvask-lab: cannot create a temporary folder\n");
        return false;
    }
    {
        std::ofstream cfg(folder_ + "Torvask.cfg", std::ios::binary);
        cfg << "[Paths]\nTracksPath=tracks\nCarsPath=cars\nDriversPath=drivers\nEnviroPath=enviro\nTempPath=temp\n";
        if (!cfg) {
            std::fprintf(stderr, "torvask-lab: cannot write %sTorvask.cfg\n", folder_.c_str());
            return false;
        }
    }
    std::error_code ec;
    const std::string track = std::filesystem::absolute(trackFile, ec).string();
    const std::string driver = driverFile.empty() ? std::string() : std::filesystem::absolute(driverFile, ec).string();
    if (!std::filesystem::is_regular_file(track)) {
        std::fprintf(stderr, "torvask-lab: no track file %s\n", trackFile.c_str());
        return false;
    }
    if (!driver.empty() && !std::filesystem::is_regular_file(driver)) {
        std::fprintf(stderr, "torvask-lab: no driver file %s\n", driverFile.c_str());
        return false;
    }
    host_.setupChoices.push_back(SetupChoice{true, track, driver});
    doc_ = std::make_unique<CTorvaskDoc>(host_.services());
    doc_->setProgramFolder(folder_);
    if (!doc_->readConfiguration() || doc_->startScene(1) != 0) return false;
    return true;
}

int LabSession::frame() {
    carry_ += frameMs_;
    const auto step = static_cast<std::uint32_t>(carry_);
    carry_ -= step;
    host_.clock.advance(step);
    elapsedMs_ += step;
    if (!doc_ || doc_->simulateFrame() != 0) return -1;
    return static_cast<int>(step);
}

bool parseOptions(int argc, char** argv, const std::vector<std::string>& names,
                  std::map<std::string, std::string>& out) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        bool known = false;
        for (const std::string& n : names) known = known || n == name;
        if (!known) {
            std::fprintf(stderr, "torvask-lab %s: unknown option '%s'\n", argv[0], name.c_str());
            return false;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "torvask-lab %s: %s needs a value\n", argv[0], name.c_str());
            return false;
        }
        out[name] = argv[++i];
    }
    return true;
}

bool parseNumberOption(const std::string& option, const std::string& text, double lo, double hi, double& out) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end == text.c_str() || *end != '\0' || !(v >= lo && v <= hi)) {
        std::fprintf(stderr, "torvask-lab: %s needs a number from %g to %g, not '%s'\n", option.c_str(), lo, hi,
                     text.c_str());
        return false;
    }
    out = v;
    return true;
}

std::string formatLapTime(std::int64_t ms) {
    if (ms < 0) ms = 0;
    const std::int64_t minutes = ms / 60000;
    const std::int64_t rest = ms - minutes * 60000;
    const std::int64_t seconds = rest / 1000;
    char text[64];
    std::snprintf(text, sizeof text, "%02lld:%02lld.%03lld", static_cast<long long>(minutes),
                  static_cast<long long>(seconds), static_cast<long long>(rest - seconds * 1000));
    return text;
}

double groundDistance(const Vector3& a, const Vector3& b) { return std::hypot(a.x - b.x, a.z - b.z); }

double distanceFromCentreLine(const Track& track, const Vector3& p) {
    const auto& w = track.getWaypoints();
    if (w.empty()) return 0.0;
    // The smallest squared distance, rooted once: the square root is monotonic and correctly rounded,
    // so this is the smallest of the rooted distances to the bit.
    double best = std::numeric_limits<double>::infinity();
    const std::size_t n = w.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Vector3& a = w[i];
        const Vector3& b = w[(i + 1) % n];
        const double abx = b.x - a.x, abz = b.z - a.z;
        const double apx = p.x - a.x, apz = p.z - a.z;
        const double len2 = abx * abx + abz * abz;
        double t = len2 > 0.0 ? (apx * abx + apz * abz) / len2 : 0.0;
        // Clamped to [0, 1]; a NaN becomes 1, as fmin(1, NaN) makes it.
        t = t < 1.0 ? t : 1.0;
        t = t > 0.0 ? t : 0.0;
        const double dx = apx - t * abx, dz = apz - t * abz;
        const double d2 = dx * dx + dz * dz;
        if (d2 < best) best = d2;
    }
    return std::sqrt(best);
}

}  // namespace torvask::lab
