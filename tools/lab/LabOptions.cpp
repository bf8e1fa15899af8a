#include "LabOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace torvask::lab {

namespace {

std::string wanted(const char* what, double lo, double hi, const std::string& text) {
    char line[160];
    std::snprintf(line, sizeof line, "needs %s from %.15g to %.15g, not '", what, lo, hi);
    return line + text + "'";
}

}  // namespace

CLI::Validator wholeNumber(long long lo, long long hi) {
    return CLI::Validator(
        [lo, hi](std::string& text) -> std::string {
            char* end = nullptr;
            errno = 0;
            const long long v = std::strtoll(text.c_str(), &end, 10);
            const bool whole = !text.empty() && end != text.c_str() && *end == '\0' && errno == 0;
            return whole && v >= lo && v <= hi ? std::string() : wanted("a whole number", lo, hi, text);
        },
        "INT");
}

CLI::Validator numberIn(double lo, double hi) {
    return CLI::Validator(
        [lo, hi](std::string& text) -> std::string {
            char* end = nullptr;
            errno = 0;
            const double v = std::strtod(text.c_str(), &end);
            const bool number = !text.empty() && end != text.c_str() && *end == '\0' && errno == 0;
            return number && v >= lo && v <= hi ? std::string() : wanted("a number", lo, hi, text);
        },
        "NUMBER");
}

bool parseCommandLine(CLI::App& app, const LabCommand& command, int argc, char** argv) {
    app.set_help_flag();
    // CLI11 reports a bad command line by throwing; the lab turns that into its usual message.
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "torvask-lab %s: %s\n", command.name.c_str(), e.what());
        printUsage(command);
        return false;
    }
    return true;
}

}  // namespace torvask::lab
