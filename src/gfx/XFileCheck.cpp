#include "gfx/XFileCheck.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace torvask {

namespace {

enum class Kind { Open, Close, Number, Name, String };

struct Token {
    Kind kind;
    std::string_view text;
};

// Deeper nesting than this is refused before anything walks the objects: real meshes nest
// frames a few levels deep, and both this check and the parser behind it recurse per level.
constexpr int kMaxNesting = 256;

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Splits the text into braces, numbers, names and strings; separators (';' ',') and comments
// are dropped, which is how a count-driven reader sees the file anyway. The parser skips the
// rest of the header line, so tokens start on the second line. Null on success, else why not.
const char* tokenise(const char* data, std::size_t size, std::vector<Token>& tokens) {
    const void* lineEnd = std::memchr(data, '\n', size);
    std::size_t i = lineEnd ? std::size_t(static_cast<const char*>(lineEnd) - data) + 1 : size;
    int depth = 0;
    while (i < size) {
        const char c = data[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ';' || c == ',') {
            ++i;
        } else if (c == '#' || (c == '/' && i + 1 < size && data[i + 1] == '/')) {
            while (i < size && data[i] != '\n') ++i;
        } else if (c == '{' || c == '}') {
            if (c == '{' && ++depth > kMaxNesting) return "objects are nested too deeply";
            if (c == '}' && depth > 0) --depth;
            tokens.push_back({c == '{' ? Kind::Open : Kind::Close, std::string_view(data + i, 1)});
            ++i;
        } else if (c == '"') {
            const std::size_t start = ++i;
            while (i < size && data[i] != '"') ++i;
            if (i >= size) return "a string is not closed";
            tokens.push_back({Kind::String, std::string_view(data + start, i - start)});
            ++i;
        } else if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.') {
            const std::size_t start = i;
            while (i < size && ((data[i] >= '0' && data[i] <= '9') || data[i] == '-' || data[i] == '+' ||
                                data[i] == '.' || data[i] == 'e' || data[i] == 'E')) {
                ++i;
            }
            tokens.push_back({Kind::Number, std::string_view(data + start, i - start)});
        } else if (c == '<') {
            // A template's GUID: hex digits and dashes up to '>'. Anything else would let the
            // scan run on across braces and lines that the parser reads as objects.
            const std::size_t start = i++;
            while (i < size && (isHexDigit(data[i]) || data[i] == '-' || data[i] == ' ' || data[i] == '\t')) ++i;
            if (i >= size || data[i] != '>') return "a template's GUID is not closed";
            ++i;
            tokens.push_back({Kind::Name, std::string_view(data + start, i - start)});
        } else if (c == '[') {
            // A template's restriction, "[...]" or "[Mesh <guid>]", on one line.
            const std::size_t start = i++;
            while (i < size && data[i] != ']' && data[i] != '\n' && data[i] != '{' && data[i] != '}') ++i;
            if (i >= size || data[i] != ']') return "a template's restriction is not closed";
            ++i;
            tokens.push_back({Kind::Name, std::string_view(data + start, i - start)});
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_') {
            const std::size_t start = i;
            while (i < size && ((data[i] >= 'a' && data[i] <= 'z') || (data[i] >= 'A' && data[i] <= 'Z') ||
                                (data[i] >= '0' && data[i] <= '9') || data[i] == '_' || data[i] == '-' ||
                                data[i] == '.')) {
                ++i;
            }
            tokens.push_back({Kind::Name, std::string_view(data + start, i - start)});
        } else {
            return "the file holds bytes that are not .x text";
        }
    }
    return nullptr;
}

class Checker {
public:
    explicit Checker(const std::vector<Token>& t) : tokens(t) {}

    bool file() {
        while (pos < tokens.size()) {
            if (!object(false)) return false;
        }
        return true;
    }

    std::string why;

private:
    bool failWith(const char* reason) {
        if (why.empty()) why = reason;
        return false;
    }
    bool at(Kind kind) const { return pos < tokens.size() && tokens[pos].kind == kind; }

    bool count(std::uint64_t& value, std::uint64_t limit) {
        if (!at(Kind::Number)) return failWith("a count or index is missing");
        value = 0;
        for (char c : tokens[pos].text) {
            if (c < '0' || c > '9') return failWith("a count or index is not a whole number");
            value = value * 10 + std::uint64_t(c - '0');
            if (value > limit) return failWith("a count or index is out of range");
        }
        ++pos;
        return true;
    }
    bool numbers(std::uint64_t n) {
        // Each number is one token, so a count can never exceed what is left.
        if (n > tokens.size() - pos) return failWith("a list is shorter than its count");
        for (std::uint64_t k = 0; k < n; ++k) {
            if (!at(Kind::Number)) return failWith("a list is shorter than its count");
            ++pos;
        }
        return true;
    }
    // Skips one balanced { ... } block starting at the opening brace.
    bool skipBlock() {
        if (!at(Kind::Open)) return failWith("a brace is missing");
        int depth = 0;
        while (pos < tokens.size()) {
            if (tokens[pos].kind == Kind::Open) ++depth;
            if (tokens[pos].kind == Kind::Close && --depth == 0) {
                ++pos;
                return true;
            }
            ++pos;
        }
        return failWith("a block is not closed");
    }
    // A reference to a named object: { Name } or { Name <guid> }.
    bool reference() {
        ++pos;
        if (!at(Kind::Name)) return failWith("a reference is damaged");
        ++pos;
        if (at(Kind::Name) && tokens[pos].text.front() == '<') ++pos;
        if (!at(Kind::Close)) return failWith("a reference is damaged");
        ++pos;
        return true;
    }
    // The parser ends a template at its first closing brace, whatever came before: a brace
    // inside would make it read what follows as objects this check never saw.
    bool templateBody() {
        if (!at(Kind::Open)) return failWith("a brace is missing");
        for (++pos; pos < tokens.size(); ++pos) {
            if (at(Kind::Open)) return failWith("a template holds a brace");
            if (at(Kind::Close)) {
                ++pos;
                return true;
            }
        }
        return failWith("a template is not closed");
    }
    bool close() {
        if (!at(Kind::Close)) return failWith("unexpected data at the end of a block");
        ++pos;
        return true;
    }

    // One data object or reference: Name [name] { ... } or { name }.
    bool object(bool insideMesh) {
        if (at(Kind::Open)) return reference();
        if (!at(Kind::Name)) return failWith("a name is expected");
        const std::string_view type = tokens[pos++].text;
        if (type == "template") {
            if (at(Kind::Name)) ++pos;
            return templateBody();
        }
        if (at(Kind::Name)) ++pos;  // the object's own name
        if (!at(Kind::Open)) return failWith("a brace is missing");
        if (type == "Mesh") {
            ++pos;
            return mesh();
        }
        if (insideMesh) return failWith("unexpected nesting");
        ++pos;
        // Frames and other containers: numbers, strings and nested objects until the close.
        while (pos < tokens.size() && !at(Kind::Close)) {
            if (at(Kind::Number) || at(Kind::String)) {
                ++pos;
            } else if (!object(false)) {
                return false;
            }
        }
        return close();
    }

    bool mesh() {
        constexpr std::uint64_t kLimit = 1u << 24;
        std::uint64_t vertices = 0;
        std::uint64_t faces = 0;
        if (!count(vertices, kLimit) || !numbers(vertices * 3) || !count(faces, kLimit)) return false;
        std::vector<std::uint32_t> corners;
        corners.reserve(std::size_t(faces));
        for (std::uint64_t f = 0; f < faces; ++f) {
            std::uint64_t n = 0;
            if (!count(n, 64)) return false;
            if (n < 3) return failWith("a face has fewer than three corners");
            corners.push_back(std::uint32_t(n));
            for (std::uint64_t k = 0; k < n; ++k) {
                std::uint64_t index = 0;
                if (!count(index, kLimit)) return false;
                if (index >= vertices) return failWith("a face refers to a vertex that does not exist");
            }
        }
        while (pos < tokens.size() && !at(Kind::Close)) {
            if (!at(Kind::Name)) return failWith("unexpected data in a mesh");
            const std::string_view type = tokens[pos].text;
            if (type == "MeshNormals" || type == "MeshTextureCoords" || type == "MeshMaterialList" ||
                type == "MeshVertexColors") {
                ++pos;
                if (at(Kind::Name)) ++pos;
                if (!at(Kind::Open)) return failWith("a brace is missing");
                ++pos;
                bool ok = false;
                if (type == "MeshNormals") ok = normals(corners);
                if (type == "MeshTextureCoords") ok = textureCoords(vertices);
                if (type == "MeshMaterialList") ok = materialList(faces);
                if (type == "MeshVertexColors") ok = vertexColours(vertices);
                if (!ok || !close()) return false;
            } else if (!object(true) && !skipUnknown()) {
                return false;
            }
        }
        return close();
    }
    bool skipUnknown() {
        // Other data objects inside a mesh (skin weights, declarations): skipped whole.
        why.clear();
        return skipBlock();
    }
    bool normals(const std::vector<std::uint32_t>& corners) {
        std::uint64_t n = 0;
        std::uint64_t faces = 0;
        if (!count(n, 1u << 24) || !numbers(n * 3) || !count(faces, 1u << 24)) return false;
        if (faces != corners.size()) return failWith("normals are given for a different number of faces");
        for (std::uint32_t expected : corners) {
            std::uint64_t k = 0;
            if (!count(k, 64)) return false;
            if (k != expected) return failWith("a face's normals do not match its corners");
            for (std::uint64_t i = 0; i < k; ++i) {
                std::uint64_t index = 0;
                if (!count(index, 1u << 24)) return false;
                if (index >= n) return failWith("a face refers to a normal that does not exist");
            }
        }
        return true;
    }
    bool textureCoords(std::uint64_t vertices) {
        std::uint64_t n = 0;
        if (!count(n, 1u << 24)) return false;
        if (n != vertices) return failWith("texture coordinates do not match the vertices");
        return numbers(n * 2);
    }
    bool vertexColours(std::uint64_t vertices) {
        std::uint64_t n = 0;
        if (!count(n, 1u << 24)) return false;
        for (std::uint64_t i = 0; i < n; ++i) {
            std::uint64_t index = 0;
            if (!count(index, 1u << 24)) return false;
            if (index >= vertices) return failWith("a colour refers to a vertex that does not exist");
            if (!numbers(4)) return false;
        }
        return true;
    }
    bool materialList(std::uint64_t faces) {
        std::uint64_t materials = 0;
        std::uint64_t entries = 0;
        if (!count(materials, 1u << 16) || !count(entries, 1u << 24)) return false;
        if (entries == 0 || entries > faces) return failWith("the material list does not match the faces");
        for (std::uint64_t i = 0; i < entries; ++i) {
            std::uint64_t index = 0;
            if (!count(index, 1u << 16)) return false;
            if (index >= materials) return failWith("a face uses a material that does not exist");
        }
        std::uint64_t found = 0;
        while (pos < tokens.size() && !at(Kind::Close)) {
            if (at(Kind::Open)) {
                // A reference must be exactly { Name }.
                if (pos + 2 >= tokens.size() || tokens[pos + 1].kind != Kind::Name || tokens[pos + 2].kind != Kind::Close) {
                    return failWith("a material reference is damaged");
                }
                pos += 3;
            } else if (at(Kind::Name) && tokens[pos].text == "Material") {
                ++pos;
                if (at(Kind::Name)) ++pos;
                if (!skipBlock()) return false;
            } else {
                return failWith("unexpected data in a material list");
            }
            ++found;
        }
        if (found != materials) return failWith("the material list names a different number of materials");
        return true;
    }

    const std::vector<Token>& tokens;
    std::size_t pos = 0;
};

}  // namespace

bool checkTextXFile(const char* data, std::size_t size, std::string* why) {
    auto failWith = [&](const std::string& reason) {
        if (why) *why = reason;
        return false;
    };
    if (data == nullptr || size < 16 || std::memcmp(data, "xof ", 4) != 0) return failWith("not an .x file");
    if (std::memcmp(data + 8, "txt ", 4) != 0) return failWith("only the text form of .x files is read");
    std::vector<Token> tokens;
    if (const char* reason = tokenise(data, size, tokens)) return failWith(reason);
    Checker checker(tokens);
    if (!checker.file()) return failWith(checker.why.empty() ? "damaged file" : checker.why);
    return true;
}

}  // namespace torvask
