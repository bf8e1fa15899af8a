#pragma once
// File-system helpers: the program's folder, separators, and case-insensitive lookups
// where the program relies on names matching regardless of case.
#include <string>
#include <vector>

namespace torvask {

// The folder that holds the running executable, with a trailing '/'. Empty if unknown.
std::string programFolder();

// Reads a backslash as a folder separator.
std::string toNativeSeparators(const std::string& path);

// Joins folder and name with exactly one '/' between them (folder may be empty).
std::string joinPath(const std::string& folder, const std::string& name);

// Adds a trailing '/' unless the folder is empty or already ends with one.
std::string withTrailingSeparator(const std::string& folder);

// The regular files in folder whose extension equals ext (e.g. ".trn"), compared without
// regard to case; names only, sorted byte-wise. A missing folder gives an empty list.
std::vector<std::string> listFilesWithExtension(const std::string& folder, const std::string& ext);

// The path of an existing entry in folder whose name equals name without regard to case;
// an exact match wins. Empty when there is none.
std::string findFileNoCase(const std::string& folder, const std::string& name);

// Lower-cases ASCII letters only.
std::string asciiLower(std::string text);

}  // namespace torvask
