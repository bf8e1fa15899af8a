#include "driver/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>

namespace torvask {
namespace {

// The file a path names after following every symbolic link, even when that file does not exist
// yet; the path itself when it is no link (or the links cannot be followed).
std::string followLinks(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec)) return path;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : resolved.string();
}

// Opens a new file beside target that no one else has; -1 on failure. It is created with the
// usual permissions, so a renamed new file gets them.
int createTemporaryBeside(const std::string& target, std::string& name) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        // A short name of its own, whatever the length of the target's name.
        char leaf[40];
        std::snprintf(leaf, sizeof leaf, ".torvask-%08x.tmp", static_cast<unsigned>(random()));
        name = folder + leaf;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool replaceFileContents(const std::string& path, const std::string& bytes) {
    const std::string target = followLinks(path);
    std::string temporary;
    const int fd = createTemporaryBeside(target, temporary);
    if (fd < 0) return false;
    struct stat existing;
    bool ok = true;
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    }
    ok = ok && writeAll(fd, bytes);
    // On the disk before the rename, so a crash never leaves an empty file in the target's place.
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) std::remove(temporary.c_str());
    return ok;
}

}  // namespace torvask
