// Undo Training and learning corrections at once, while the learned driver keeps driving.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "common/Messages.h"
#include "driver/Driver.h"
#include "driver/PatternFiles.h"
#include "sim/CTorvaskDoc.h"
#include "sim/DriveControls.h"

namespace torvask {
bool CTorvaskDoc::saveUndoStep(UndoStep& step) {
    if (!driver) return false;
    const std::string prefix = formatBuffer("%sundo%d", tempPath.c_str(), ++undoStepsMade_);
    step = UndoStep{};
    step.networkFile = prefix + ".driver";
    if (driver->save(step.networkFile) != 0) return false;
    // The teaching file is rewritten by the next training, so the step keeps a copy of its own.
    if (!teachingFile_.empty()) {
        step.teachingFile = patternFileName(prefix, 0);
        if (step.teachingFile.empty() || joinPatternFiles({teachingFile_}, step.teachingFile) < 0) return false;
    }
    return true;
}

std::int32_t CTorvaskDoc::undoTraining() {
    cancelLearning();
    if (undoSteps_.empty() || !driver) return -1;
    const UndoStep step = undoSteps_.back();
    if (driver->load(step.networkFile) != 0) return -1;
    undoSteps_.pop_back();
    teachingFile_ = step.teachingFile;
    correctionsLearned_ -= step.correctionsLearned;
    // The network in memory is no longer the file's, so it must not be reloaded over, and it
    // is a change the save question asks about.
    trainedSinceLoad_ = true;
    driverModified = true;
    return 0;
}

void CTorvaskDoc::setLearnAtOnce(bool on) {
    learnAtOnce_ = on;
    if (!on) cancelLearning();
}

void CTorvaskDoc::cancelLearning() {
    learner_.cancel();
    learningFiles_.clear();
    learningIncludesCurrent_ = false;
}

void CTorvaskDoc::updateLearning() {
    if (!learnAtOnce_ || mode != kModeAIControl || !driver) return;
    const bool driveKey = isDriveKeyDown(keyState);
    if (learner_.busy()) {
        // A drive key again before the hand-back: the correction goes on, so what was learned
        // from its first part is out of date.
        if (learningIncludesCurrent_ && personDriving_ && driveKey) {
            cancelLearning();
        } else if (learner_.finished() && !(learningIncludesCurrent_ && personDriving_)) {
            finishLearning();
        }
        return;
    }
    // Nothing is recorded once the person lets go, so the correction is complete at that moment:
    // learning starts then and is usually ready when the wheel is handed back.
    const bool lettingGo = personDriving_ && !driveKey && !currentCorrection_.empty() &&
                           driver->getPatternCount() > 0 && correctionsStarted_ != learningRefused_;
    const bool waiting = !personDriving_ && !pendingCorrections_.empty() && correctionsStarted_ != learningRefused_;
    if (lettingGo || waiting) startLearning();
}

void CTorvaskDoc::startLearning() {
    // A failure here is not worth a message box in the middle of driving: the corrections stay
    // pending for Esc, and the next correction tries again.
    learningRefused_ = correctionsStarted_;
    const std::string prefix = tempPath + "learning";
    const std::string joined = patternFileName(prefix, 0);
    if (joined.empty() || !saveUndoStep(learningStep_) || joinPatternFiles(teachingSources(), joined) < 0) return;
    BackgroundTraining training;
    training.networkFile = learningStep_.networkFile;
    training.patternPrefix = prefix;
    training.lobeFolder = tempPath + "learning-lobes/";
    training.passes = kLearnAtOncePasses;
    training.outFile = tempPath + "learned.driver";
    if (!learner_.start(std::move(training))) return;
    learningFiles_ = pendingCorrections_;
    learningIncludesCurrent_ = personDriving_;
    if (personDriving_) learningFiles_.push_back(currentCorrection_);
    learningRefused_ = -1;
}

void CTorvaskDoc::finishLearning() {
    const std::vector<std::string> folded = std::move(learningFiles_);
    learningFiles_.clear();
    learningIncludesCurrent_ = false;
    if (!learner_.collect() || driver->load(tempPath + "learned.driver") != 0) {
        learningRefused_ = correctionsStarted_;
        return;
    }
    // What it learned from becomes the teaching, in the file the next training rewrites.
    const std::string teaching = patternFileName(tempPath + "teaching", 0);
    const std::string learned = patternFileName(tempPath + "learning", 0);
    std::error_code ec;
    std::filesystem::rename(learned, teaching, ec);
    teachingFile_ = ec ? learned : teaching;
    int count = 0;
    for (const std::string& file : folded) {
        const auto at = std::find(pendingCorrections_.begin(), pendingCorrections_.end(), file);
        if (at == pendingCorrections_.end()) continue;
        pendingCorrections_.erase(at);
        ++count;
    }
    learningStep_.correctionsLearned = count;
    undoSteps_.push_back(learningStep_);
    correctionsLearned_ += count;
    trainedSinceLoad_ = true;
    driverModified = true;
}

}  // namespace torvask
