// torvask-artgen <folder>: writes the bundled textures and car mesh under <folder>.
// torvask-artgen --icons <theme folder> <name>: writes the application icon into an icon theme.
#include <cstdio>
#include <string>

#include "tools/artgen/ArtGenerator.h"

int main(int argc, char** argv) {
    std::string error;
    if (argc == 4 && std::string(argv[1]) == "--icons") {
        if (torvask::artgen::writeIcons(argv[2], argv[3], &error)) return 0;
        std::fprintf(stderr, "torvask-artgen: %s\n", error.c_str());
        return 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: torvask-artgen <output folder>\n       torvask-artgen --icons <theme folder> <name>\n");
        return 2;
    }
    if (!torvask::artgen::writeAll(argv[1], &error)) {
        std::fprintf(stderr, "torvask-artgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
