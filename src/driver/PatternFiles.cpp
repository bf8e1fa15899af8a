#include "driver/PatternFiles.h"

#include "driver/FileReplace.h"

#include <fstream>
#include <iterator>
#include <string_view>

namespace torvask {
namespace {

constexpr const char* kDriverExtension = ".driver";
constexpr const char* kPatternsExtension = ".patterns";

bool readWhole(const std::string& file, std::string& text) {
    std::ifstream in(file, std::ios::binary);
    if (!in.is_open()) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Appends the complete lines of text to out with fresh numbers; returns how many.
int appendRenumbered(const std::string& text, int firstNumber, std::string& out) {
    int count = 0;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        const std::string_view line(text.data() + start, end - start + 1);
        start = end + 1;
        const std::size_t tab = line.find('\t');
        // A line without its number is not a record the trainer could read.
        if (tab == std::string_view::npos) continue;
        out += std::to_string(firstNumber + count);
        out.append(line.substr(tab));
        ++count;
    }
    return count;
}

}  // namespace

std::string siblingPatternsFile(const std::string& driverFile) {
    const std::size_t extLength = std::char_traits<char>::length(kDriverExtension);
    const std::size_t slash = driverFile.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (driverFile.size() >= nameStart + extLength + 1) {
        const std::size_t at = driverFile.size() - extLength;
        bool same = true;
        for (std::size_t i = 0; i < extLength; ++i) {
            const char c = driverFile[at + i];
            const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
            same = same && lower == kDriverExtension[i];
        }
        if (same) return driverFile.substr(0, at) + kPatternsExtension;
    }
    return driverFile + kPatternsExtension;
}

int joinPatternFiles(const std::vector<std::string>& sources, const std::string& target) {
    std::string joined;
    int count = 0;
    for (const std::string& source : sources) {
        std::string text;
        if (!readWhole(source, text)) return -1;
        count += appendRenumbered(text, count + 1, joined);
    }
    return replaceFileContents(target, joined) ? count : -1;
}

int countPatternRecords(const std::string& file) {
    std::string text;
    if (!readWhole(file, text)) return -1;
    std::string ignored;
    return appendRenumbered(text, 1, ignored);
}

}  // namespace torvask
