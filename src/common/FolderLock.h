#pragma once
// An advisory, exclusive claim on a folder shared between running copies of the program: a
// lock file inside it, held for as long as the FolderLock lives. The lock goes with the process,
// so a copy that crashed leaves nothing stale behind.
#include <string>

namespace torvask {

class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    enum class Result { Held, Busy, Failed };
    // Claims folder (ending in a separator) through the file lockName inside it: Held when this
    // object now holds the claim, Busy when another holder has it, Failed when the lock file
    // cannot be opened (a read-only folder). A second call gives up the claim held before.
    Result tryLock(const std::string& folder, const char* lockName = "instance.lock");
    bool held() const { return fd_ >= 0; }
    void release();

private:
    int fd_ = -1;
};

// Makes a new, empty folder "parent + stem + six random characters + /" and returns its path, or
// an empty string when it cannot be made. parent ends in a separator.
std::string makeUniqueFolder(const std::string& parent, const std::string& stem);

}  // namespace torvask
