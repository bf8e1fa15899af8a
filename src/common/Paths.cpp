#include "common/Paths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace torvask {

std::string programFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return std::string();
    return withTrailingSeparator(exe.parent_path().string());
}

std::string toNativeSeparators(const std::string& path) {
    std::string out = path;
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

std::string withTrailingSeparator(const std::string& folder) {
    if (folder.empty() || folder.back() == '/') return folder;
    return folder + '/';
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    std::size_t start = 0;
    while (start < name.size() && name[start] == '/') ++start;
    return withTrailingSeparator(folder) + name.substr(start);
}

std::string asciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::vector<std::string> listFilesWithExtension(const std::string& folder, const std::string& ext) {
    std::vector<std::string> names;
    std::error_code ec;
    const std::string wanted = asciiLower(ext);
    for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeEc;
        if (!it->is_regular_file(typeEc)) continue;
        const std::string name = it->path().filename().string();
        if (name.size() > wanted.size() &&
            asciiLower(name.substr(name.size() - wanted.size())) == wanted) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string findFileNoCase(const std::string& folder, const std::string& name) {
    std::error_code ec;
    const std::string exact = joinPath(folder, name);
    if (fs::exists(exact, ec)) return exact;
    const std::string wanted = asciiLower(name);
    std::vector<std::string> matches;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (asciiLower(entry) == wanted) matches.push_back(entry);
    }
    if (matches.empty()) return std::string();
    std::sort(matches.begin(), matches.end());
    return joinPath(folder, matches.front());
}

}  // namespace torvask
