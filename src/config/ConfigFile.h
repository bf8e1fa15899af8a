#pragma once
// A sectioned key/value text file read into memory. Names, keys and values are byte strings
// taken verbatim: no trimming, no case folding, no comments.
#include <map>
#include <string>

namespace torvask {

class ConfigFile {
public:
    // The longest line, not counting its line end (LF or CR LF).
    static constexpr std::size_t kMaxLineLength = 1023;

    // 0 on success, -1 on failure. A file that cannot be opened leaves the content as it was;
    // a line that is too long stops the load with -1, keeping the sections completed before it.
    int load(const std::string& path);

    // The value, or the empty string when the section or key does not exist.
    std::string lookup(const std::string& section, const std::string& key) const;

private:
    using KeyMap = std::map<std::string, std::string>;
    std::map<std::string, KeyMap> sections;
};

}  // namespace torvask
