#pragma once
// A headless simulation: the real CTorvaskDoc on the HeadlessHost, in a private program folder
// (its own Torvask.cfg and temporary folder, removed afterwards), stepped at a fixed frame rate
// on the virtual clock. Keys are whatever the caller holds in host().keys. Messages go to
// standard error and every question is answered No unless the caller says otherwise.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/CTorvaskDoc.h"
#include "sim/HeadlessHost.h"
#include "teach/TeachHost.h"

namespace torvask {

class HeadlessSession final : public TeachHost {
public:
    // fps: frames per simulated second; the virtual clock advances by whole milliseconds with
    // the fractions carried, so the rate is exact on average.
    explicit HeadlessSession(double fps = 60.0);
    ~HeadlessSession();
    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;

    // Starts a scene on trackFile: User Control when driverFile is empty, else AI Control with
    // that driver loaded. False (with a message on standard error) when anything fails.
    bool start(const std::string& trackFile, const std::string& driverFile);

    // One frame; advances the clock first. Returns the milliseconds the frame stood for, or -1
    // when the document has no running simulation.
    int frame() override;

    CTorvaskDoc& doc() override { return *doc_; }
    void holdKeys(const DemoKeys& keys) override { host_.keys = demoKeyState(keys); }
    bool escapeAndTrain(long passes, int& patterns) override;
    bool saveDriverAs(const std::string& path) override;
    void report(const std::string& line) override;
    void fail(const std::string& line) override;
    HeadlessHost& host() { return host_; }
    // The temporary folder of this session (holds the pattern files), with a trailing '/'.
    std::string tempFolder() const;
    double simulatedSeconds() const override { return elapsedMs_ / 1000.0; }

private:
    std::string folder_;
    HeadlessHost host_;
    std::unique_ptr<CTorvaskDoc> doc_;
    double frameMs_;
    double carry_ = 0.0;
    std::uint64_t elapsedMs_ = 0;
};

}  // namespace torvask
