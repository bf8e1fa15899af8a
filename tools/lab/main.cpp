// torvask-lab: the headless command-line companion of Torvask.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "LabCommand.h"

namespace torvask::lab {

std::vector<LabCommand>& labCommands() {
    static std::vector<LabCommand> commands;
    return commands;
}

int printUsage(const LabCommand& command) {
    std::fprintf(stderr, "usage: torvask-lab %s %s\n", command.name.c_str(), command.usage.c_str());
    return 2;
}

}  // namespace torvask::lab

namespace {

void printHelp(std::FILE* out) {
    std::fprintf(out, "usage: torvask-lab COMMAND [ARGS...]\n\nCommands:\n");
    auto commands = torvask::lab::labCommands();
    std::sort(commands.begin(), commands.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const auto& c : commands) {
        std::fprintf(out, "  %s %s\n      %s\n", c.name.c_str(), c.usage.c_str(), c.summary.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printHelp(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
        std::strcmp(argv[1], "help") == 0) {
        printHelp(stdout);
        return 0;
    }
    for (const auto& command : torvask::lab::labCommands()) {
        if (command.name == argv[1]) {
            for (int i = 2; i < argc; ++i) {
                if (std::strcmp(argv[i], "--help") == 0) {
                    std::printf("usage: torvask-lab %s %s\n%s\n", command.name.c_str(), command.usage.c_str(),
                                command.summary.c_str());
                    return 0;
                }
            }
            return command.run(argc - 1, argv + 1);
        }
    }
    std::fprintf(stderr, "torvask-lab: unknown command '%s'\n\n", argv[1]);
    printHelp(stderr);
    return 2;
}
