#pragma once
// The lab commands' options, parsed by CLI11: whole-number options refuse fractions, numbers are
// checked against their ranges, and every error names the option it is about.
#include <CLI/CLI.hpp>

#include "LabCommand.h"

namespace torvask::lab {

// Checks for an option's text: a whole number (no fraction, no exponent) within [lo, hi], and
// any number within [lo, hi]. The error says what was wanted and what was given.
CLI::Validator wholeNumber(long long lo, long long hi);
CLI::Validator numberIn(double lo, double hi);

// Parses argv (argv[0] is the command's name) with the options added to app; app's own help flag
// is removed (the lab's main answers --help from the usage line). False after printing
// "torvask-lab NAME: what is wrong" and the usage line; the command then exits with 2.
bool parseCommandLine(CLI::App& app, const LabCommand& command, int argc, char** argv);

}  // namespace torvask::lab
