#pragma once
// A headless simulation for the lab commands: the real CTorvaskDoc on the HeadlessHost, in a
// private program folder (its own Torvask.cfg and temporary folder, removed afterwards), stepped
// at a fixed frame rate on the virtual clock. Keys are whatever the caller holds in host().keys.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim/CTorvaskDoc.h"
#include "sim/HeadlessHost.h"

namespace torvask::lab {

class LabSession {
public:
    // fps: frames per simulated second; the virtual clock advances by whole milliseconds with
    // the fractions carried, so the rate is exact on average.
    explicit LabSession(double fps = 60.0);
    ~LabSession();
    LabSession(const LabSession&) = delete;
    LabSession& operator=(const LabSession&) = delete;

    // Starts a scene on trackFile: User Control when driverFile is empty, else AI Control with
    // that driver loaded. False (with a message on standard error) when anything fails.
    bool start(const std::string& trackFile, const std::string& driverFile);

    // One frame; advances the clock first. Returns the milliseconds the frame stood for, or -1
    // when the document has no running simulation.
    int frame();

    CTorvaskDoc& doc() { return *doc_; }
    HeadlessHost& host() { return host_; }
    // The temporary folder of this session (holds the pattern files), with a trailing '/'.
    std::string tempFolder() const;
    double simulatedSeconds() const { return elapsedMs_ / 1000.0; }

private:
    std::string folder_;
    HeadlessHost host_;
    std::unique_ptr<CTorvaskDoc> doc_;
    double frameMs_;
    double carry_ = 0.0;
    std::uint64_t elapsedMs_ = 0;
};

// Parses "--name value" pairs after argv[0]; false (with a message) on an unknown name or a
// missing value.
bool parseOptions(int argc, char** argv, const std::vector<std::string>& names,
                  std::map<std::string, std::string>& out);
// A number within [lo, hi]; false (with a message naming option) otherwise.
bool parseNumberOption(const std::string& option, const std::string& text, double lo, double hi, double& out);

// "mm:ss.mmm" of a millisecond count, as the lap text shows times.
std::string formatLapTime(std::int64_t ms);

// Distance between two points in the ground plane (x, z), heights ignored.
double groundDistance(const Vector3& a, const Vector3& b);

// Distance in the ground plane (x, z) from p to the track's closed centre line.
double distanceFromCentreLine(const Track& track, const Vector3& p);

}  // namespace torvask::lab
