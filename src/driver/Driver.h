#pragma once
// The learned driver: holds one Brain (one lobe "Brain", 5-14-2, learning rate 0.3,
// momentum 0.7), steers the car it is attached to, records training patterns while the user
// drives, trains its lobes on them, and loads and saves itself as a driver file.
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "driver/Brain.h"
#include "driver/ControlledVehicle.h"

namespace torvask {

class Driver {
public:
    Driver();
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    // Takes control slot `slot` of the car. -1 (nothing changes) for an empty car or a slot that
    // is not free, including a slot number outside the car's table. The slot is never given back.
    int attach(ControlledVehicle* car, int slot);

    // One driving step: the car's sensor values in, one forward pass, the outputs to the car.
    // -1 when unattached (silently) or when the car gives the wrong number of inputs (reported
    // as "Driver ERROR: inputs set size does not match (%d != %d)"; nothing reaches the car).
    int drive();

    // Driver file; see Brain::load and Brain::save.
    int load(const std::string& path) { return brain.load(path); }
    int save(const std::string& path) const { return brain.save(path); }

    // Pattern recording: one file per lobe named prefix + "." + lobe index, truncated on open.
    // openPatternFiles returns -1 only when a stream cannot be created ("IOERR: Error creating
    // ofstream"); a file that cannot be opened leaves its stream failed and recording silent.
    int openPatternFiles(const std::string& prefix);
    // Opens the same files again to go on recording after count patterns: new lines are added
    // at their end and numbered on from count + 1, as if they had never been closed.
    int resumePatternFiles(const std::string& prefix, int count);
    int closePatternFiles();
    // Writes one numbered line per lobe with that lobe's slice of inputs and outputs, flushed.
    // Writes nothing while no pattern files are open. Returns -1 (writing nothing) when given
    // fewer values than the brain has inputs or outputs, else 0.
    int recordPattern(const std::vector<double>& inputs, const std::vector<double>& outputs);

    // Trains each lobe in turn on prefix + "." + its index with tolerance 0.1, keeping its best
    // network in lobeFolder (ending in a separator). The sum of the lobes' results.
    int train(const std::string& prefix, const std::string& lobeFolder, ProgressCallback callback, void* userData);

    Brain& getBrain() { return brain; }
    const Brain& getBrain() const { return brain; }
    ControlledVehicle* getCar() const { return car; }
    int getSlot() const { return slot; }
    int getPatternCount() const { return patternCount; }
    bool patternFilesOpen() const { return !patternStreams.empty(); }
    // True while pattern files are open and every one of them can still be written.
    bool patternFilesWritable() const;

private:
    int openPatternStreams(const std::string& prefix, std::ios::openmode mode, int count);

    Brain brain;
    ControlledVehicle* car = nullptr;
    int32_t slot = 0;
    std::vector<std::unique_ptr<std::ofstream>> patternStreams;
    int32_t patternCount = 0;
};

// Tolerance within which every output must match its target for a pattern to count as learned.
inline constexpr double kTrainingTolerance = 0.1;

// prefix + "." + index, the name of lobe `index`'s pattern file. Empty when the name would be
// longer than the 260 characters the program allows, so that it is never cut to another name.
std::string patternFileName(const std::string& prefix, int index);

}  // namespace torvask
