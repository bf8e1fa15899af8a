#include "teach/HeadlessSession.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>

#include "common/Messages.h"
#include "driver/Driver.h"
#include "sim/FrameTiming.h"

namespace torvask {

HeadlessSession::HeadlessSession(double fps) : frameMs_(1000.0 / fps) {
    std::string pattern = (std::filesystem::temp_directory_path() / "torvask-lab-XXXXXX").string();
    if (char* made = mkdtemp(pattern.data())) folder_ = std::string(made) + "/";
    // Headless: messages go to standard error, and every question is answered No.
    setMessageSink([](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });
    host_.defaultAnswer = false;
    // Nothing here reads the device's calls, and keeping them would grow by tens of kilobytes a frame.
    host_.deviceOptions.keepCalls = false;
    resetFrameTiming();
}

HeadlessSession::~HeadlessSession() {
    doc_.reset();
    setMessageSink({});
    if (!folder_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
}

std::string HeadlessSession::tempFolder() const { return folder_ + "temp/"; }

bool HeadlessSession::start(const std::string& trackFile, const std::string& driverFile) {
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

int HeadlessSession::frame() {
    carry_ += frameMs_;
    const auto step = static_cast<std::uint32_t>(carry_);
    carry_ -= step;
    host_.clock.advance(step);
    elapsedMs_ += step;
    if (!doc_ || doc_->simulateFrame() != 0) return -1;
    return static_cast<int>(step);
}

namespace {

// Stops the training once it has run the passes asked for, noting how many patterns it had.
struct TrainingBound {
    long passes = 0;
    int patterns = 0;
};

int stopAtBound(const TrainingProgress& progress, void* user) {
    auto* bound = static_cast<TrainingBound*>(user);
    bound->patterns = progress.numPatterns;
    return progress.iteration >= bound->passes ? 1 : 0;
}

}  // namespace

bool HeadlessSession::escapeAndTrain(long passes, int& patterns) {
    TrainingBound bound{passes, patterns};
    const std::size_t asked = host_.questions.size();
    const std::size_t trained = host_.trainingRequests.size();
    host_.trainingHandler = [&bound](const TrainingRequest& request) {
        request.driver->train(request.patternPrefix, request.lobeFolder, stopAtBound, &bound);
    };
    host_.yesNoAnswers.assign(1, true);
    host_.releaseAll();
    host_.press(dik::kEscape);
    const int ms = frame();
    host_.releaseAll();
    host_.yesNoAnswers.clear();
    host_.trainingHandler = nullptr;
    patterns = bound.patterns;
    const bool askedToTrain = host_.questions.size() == asked + 1 && host_.questions.back() == kTrainQuestion;
    return ms >= 0 && askedToTrain && host_.trainingRequests.size() == trained + 1 &&
           doc_->getMode() == kModeAIControl;
}

bool HeadlessSession::saveDriverAs(const std::string& path) {
    host_.saveAnswers.assign(1, path);
    return doc_->saveDriver() == 0 && host_.saveAnswers.empty();
}

void HeadlessSession::report(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void HeadlessSession::fail(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

}  // namespace torvask
