#pragma once
// Where the program reads its bundled data and where it keeps what the person makes.
// Run from a build folder (Torvask.cfg beside the executable) everything lives beside the
// executable, as the configuration says. Installed (no Torvask.cfg beside the executable, one in
// the installed data folder), the bundled data is read from the installed data folder and
// the person's own drivers, tracks and recordings go to the XDG base folders of their home,
// so an upgrade or a read-only system folder never touches them. The window and the lab use
// the same rules; the window's QSettings file agrees with settingsFile.
#include <functional>
#include <string>

namespace torvask {

enum class FolderLayout { BuildFolder, Installed };

struct ProgramFolders {
    FolderLayout layout = FolderLayout::BuildFolder;
    // Holds Torvask.cfg, and the bundled tracks, drivers, cars and environments it names.
    std::string configFolder;
    // The person's own folders. Empty in a build folder, where the configured folders are the
    // person's own, and empty when no home folder is known.
    std::string ownTracksFolder;   // tracks the person made or generated
    std::string ownDriversFolder;  // saved drivers and their .patterns
    std::string recordingFolder;   // the temporary folder: recorded patterns, lobes, the lock
    // Remembered settings ($XDG_CONFIG_HOME/torvask/torvask.ini); empty with no home folder.
    std::string settingsFile;
};
// Every folder above ends in '/'.

// The value of an environment variable, or nullptr when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// The folders for a program whose executable sits in programFolder (ending in '/'), with the
// XDG variables and HOME read through env. Build-folder layout when programFolder holds
// Torvask.cfg or when no installed data folder holds one either (start-up then reports the
// missing file as ever).
ProgramFolders resolveProgramFolders(const std::string& programFolder, const EnvironmentLookup& env);

// The folders of the running program: its own folder, the process environment, and the
// password database's home folder when HOME is unset.
ProgramFolders currentProgramFolders();

// An XDG base folder ("XDG_DATA_HOME", ".local/share"): the variable when it holds an absolute
// path, else home + fallback; with a trailing '/'. Empty when neither gives a folder.
std::string xdgBaseFolder(const EnvironmentLookup& env, const char* variable, const char* fallbackUnderHome);

// Makes folder and any missing parents, new ones readable by the person alone. True when it is
// a folder this process may write into afterwards.
bool makeOwnFolder(const std::string& folder);

}  // namespace torvask
