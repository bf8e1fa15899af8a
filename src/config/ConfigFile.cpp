#include "config/ConfigFile.h"

#include <fstream>

namespace torvask {

int ConfigFile::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) return -1;
    // A folder opens but cannot be read: that is a file that cannot be opened, and the content
    // stays as it was.
    in.peek();
    if (in.bad()) return -1;

    sections.clear();
    std::string currentName;
    KeyMap currentKeys;

    auto closeSection = [&] {
        // emplace keeps an existing section of the same name whole: the later one is dropped.
        if (!currentName.empty()) sections.emplace(currentName, std::move(currentKeys));
        currentKeys.clear();
    };

    std::string line;
    while (true) {
        line.clear();
        bool sawLineEnd = false;
        char c;
        while (in.get(c)) {
            if (c == '\n') {
                sawLineEnd = true;
                break;
            }
            line.push_back(c);
            // One more than the limit plus a possible CR: the line is too long either way.
            if (line.size() > kMaxLineLength + 1) break;
        }
        if (in.bad()) return -1;
        if (!sawLineEnd && line.empty() && in.eof()) break;
        if (!line.empty() && line.back() == '\r' && (sawLineEnd || in.eof())) line.pop_back();
        if (line.size() > kMaxLineLength) return -1;

        // A last line without a line end is used like any other.
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            closeSection();
            currentName = line.substr(1, line.size() - 2);
        } else if (const auto eq = line.find('='); eq != std::string::npos) {
            currentKeys.emplace(line.substr(0, eq), line.substr(eq + 1));
        }
        if (!sawLineEnd) break;
    }
    closeSection();
    return 0;
}

std::string ConfigFile::lookup(const std::string& section, const std::string& key) const {
    const auto s = sections.find(section);
    if (s == sections.end()) return std::string();
    const auto k = s->second.find(key);
    if (k == s->second.end()) return std::string();
    return k->second;
}

}  // namespace torvask
