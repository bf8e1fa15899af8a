#include "common/FolderLock.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <vector>

namespace torvask {

FolderLock::~FolderLock() { release(); }

FolderLock::Result FolderLock::tryLock(const std::string& folder, const char* lockName) {
    release();
    const std::string path = folder + lockName;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return Result::Failed;
    // flock, not fcntl locks: those belong to the process, and a second claim from this same
    // process would silently succeed.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return busy ? Result::Busy : Result::Failed;
    }
    fd_ = fd;
    return Result::Held;
}

void FolderLock::release() {
    if (fd_ < 0) return;
    ::close(fd_);  // closing the last descriptor drops the lock
    fd_ = -1;
}

std::string makeUniqueFolder(const std::string& parent, const std::string& stem) {
    std::string pattern = parent + stem + "XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) return {};
    return std::string(buffer.data()) + "/";
}

}  // namespace torvask
