#pragma once
// A driver's teaching on disk: the pattern file kept beside a driver file, and joining the
// pattern files of several recordings into one file to train on.
#include <string>
#include <vector>

namespace torvask {

// The file beside a driver file that holds the patterns it was taught with: the driver
// file's name with its ".driver" extension (any case) replaced by ".patterns", or with
// ".patterns" added when it has another extension or none.
std::string siblingPatternsFile(const std::string& driverFile);

// Writes the complete records (lines ending in a line feed) of every source, in order, to
// target, numbered again from 1; the values are copied byte for byte. A record cut short
// at the end of a source is left out, so that it cannot run into the next source's first
// record. The target is replaced only once everything is written (a temporary file beside
// it, then a rename), so a source may be the target itself. Returns the number of records
// written, or -1 (target untouched) when a source cannot be read or target cannot be written.
int joinPatternFiles(const std::vector<std::string>& sources, const std::string& target);

// Complete records in a pattern file; -1 when it cannot be read.
int countPatternRecords(const std::string& file);

}  // namespace torvask
