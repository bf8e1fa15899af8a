#include "common/ProgramFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "common/Paths.h"

// The installed data folder seen from the installed executables' folder; the build system
// derives it from the install directories, so a different prefix or layout still agrees.
#ifndef TORVASK_INSTALLED_DATA_FROM_BIN
#define TORVASK_INSTALLED_DATA_FROM_BIN "../share/torvask"
#endif

namespace fs = std::filesystem;

namespace torvask {
namespace {

constexpr const char* kConfigName = "Torvask.cfg";
constexpr const char* kAppFolder = "torvask/";

bool isFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// "bin/../share/torvask/" read as "share/torvask/", so messages and lists show a plain path.
std::string normalFolder(const std::string& path) {
    return withTrailingSeparator(fs::path(path).lexically_normal().string());
}

}  // namespace

std::string xdgBaseFolder(const EnvironmentLookup& env, const char* variable, const char* fallbackUnderHome) {
    // A relative value is invalid by the base-folder rules and is ignored, like an empty one.
    const char* value = env(variable);
    if (value && value[0] == '/') return normalFolder(value);
    const char* home = env("HOME");
    if (!home || home[0] != '/') return std::string();
    return normalFolder(joinPath(home, fallbackUnderHome));
}

ProgramFolders resolveProgramFolders(const std::string& programFolder, const EnvironmentLookup& env) {
    ProgramFolders folders;
    folders.configFolder = withTrailingSeparator(programFolder);
    const std::string configHome = xdgBaseFolder(env, "XDG_CONFIG_HOME", ".config");
    if (!configHome.empty()) folders.settingsFile = configHome + kAppFolder + "torvask.ini";

    const std::string installed = normalFolder(joinPath(programFolder, TORVASK_INSTALLED_DATA_FROM_BIN));
    if (isFile(folders.configFolder + kConfigName) || !isFile(installed + kConfigName)) return folders;

    folders.layout = FolderLayout::Installed;
    folders.configFolder = installed;
    const std::string dataHome = xdgBaseFolder(env, "XDG_DATA_HOME", ".local/share");
    if (!dataHome.empty()) {
        folders.ownTracksFolder = dataHome + kAppFolder + "tracks/";
        folders.ownDriversFolder = dataHome + kAppFolder + "drivers/";
    }
    // Recordings are working files, worth keeping across a restart but not the person's work.
    const std::string stateHome = xdgBaseFolder(env, "XDG_STATE_HOME", ".local/state");
    if (!stateHome.empty()) folders.recordingFolder = stateHome + kAppFolder + "temp/";
    return folders;
}

ProgramFolders currentProgramFolders() {
    return resolveProgramFolders(programFolder(), [](const char* name) -> const char* {
        const char* value = std::getenv(name);
        if (value || std::string(name) != "HOME") return value;
        // No HOME: the password database knows the person's home folder.
        const passwd* entry = getpwuid(getuid());
        return entry ? entry->pw_dir : nullptr;
    });
}

bool makeOwnFolder(const std::string& folder) {
    if (folder.empty()) return false;
    const fs::path target = fs::path(folder).lexically_normal();
    // Missing folders from the outermost in, each private to the person, as the base-folder
    // rules ask for the folders they create.
    std::vector<fs::path> missing;
    std::error_code ec;
    for (fs::path p = target; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
        missing.push_back(p);
        if (p == p.parent_path()) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (it->filename().empty()) continue;  // "a/b/" is made as "a/b"
        if (::mkdir(it->c_str(), 0700) != 0 && !fs::is_directory(*it, ec)) return false;
    }
    return fs::is_directory(target, ec) && ::access(target.c_str(), W_OK | X_OK) == 0;
}

}  // namespace torvask
