#pragma once
// Replacing a file's whole content so that a failure at any point leaves the old file as it was:
// the bytes go to a new file beside the target, reach the disk, and only then take its place.
#include <string>

namespace torvask {

// Writes bytes over path. A path that is a symbolic link writes the file the link points to,
// and an existing file keeps its permissions. False (the old file untouched, no temporary file
// left behind) when anything fails.
bool replaceFileContents(const std::string& path, const std::string& bytes);

}  // namespace torvask
