#pragma once
// torvask-lab subcommands register themselves here: one source file per subcommand
// (cmd_<name>.cpp), each holding one static LabCommandRegistration.
#include <string>
#include <vector>

namespace torvask::lab {

struct LabCommand {
    std::string name;
    std::string usage;    // one line: arguments after the subcommand name
    std::string summary;  // one line: what it does
    // argv[0] is the subcommand name. Returns the process exit code.
    int (*run)(int argc, char** argv);
};

std::vector<LabCommand>& labCommands();

struct LabCommandRegistration {
    explicit LabCommandRegistration(LabCommand command) { labCommands().push_back(std::move(command)); }
};

// Prints "usage: torvask-lab NAME USAGE" to standard error; returns 2 for the caller to exit with.
int printUsage(const LabCommand& command);

}  // namespace torvask::lab
