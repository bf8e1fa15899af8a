// torvask-artgen <folder>: writes the bundled textures and car mesh under <folder>.
#include <cstdio>
#include <string>

#include "tools/artgen/ArtGenerator.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: torvask-artgen <output folder>\n");
        return 2;
    }
    std::string error;
    if (!torvask::artgen::writeAll(argv[1], &error)) {
        std::fprintf(stderr, "torvask-artgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
