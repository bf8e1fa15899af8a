#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "common/ProgramFolders.h"
#include "support/TempDir.h"

namespace torvask {
namespace {

// A prefix P with P/bin/ and, as each row asks, Torvask.cfg beside the executables and/or in
// the installed data folder P/share/torvask/. "@" in an expected path or variable stands for P.
struct FoldersRow {
    const char* name;
    bool configBesideProgram;
    bool configInstalled;
    std::map<std::string, std::string> env;
    FolderLayout layout;
    const char* configFolder;
    const char* ownTracks;
    const char* ownDrivers;
    const char* recording;
    const char* settings;
};

std::string expand(const std::string& text, const std::string& prefix) {
    std::string out;
    for (char c : text) out += c == '@' ? prefix : std::string(1, c);
    return out;
}

TEST(ProgramFolders, ResolvedFromLayoutAndEnvironment) {
    const std::map<std::string, std::string> xdg{{"HOME", "@/home"},
                                                 {"XDG_DATA_HOME", "@/data"},
                                                 {"XDG_STATE_HOME", "@/state/"},
                                                 {"XDG_CONFIG_HOME", "@/conf"}};
    const FoldersRow rows[] = {
        {"build folder wins over an installed copy", true, true, xdg, FolderLayout::BuildFolder, "@/bin/",
         "", "", "", "@/conf/torvask/torvask.ini"},
        {"no configuration anywhere: the build folder reports it", false, false, xdg,
         FolderLayout::BuildFolder, "@/bin/", "", "", "", "@/conf/torvask/torvask.ini"},
        {"installed, XDG variables set", false, true, xdg, FolderLayout::Installed, "@/share/torvask/",
         "@/data/torvask/tracks/", "@/data/torvask/drivers/", "@/state/torvask/temp/",
         "@/conf/torvask/torvask.ini"},
        {"installed, XDG variables unset", false, true, {{"HOME", "@/home/"}}, FolderLayout::Installed,
         "@/share/torvask/", "@/home/.local/share/torvask/tracks/", "@/home/.local/share/torvask/drivers/",
         "@/home/.local/state/torvask/temp/", "@/home/.config/torvask/torvask.ini"},
        {"installed, relative or empty XDG values are ignored", false, true,
         {{"HOME", "@/home"}, {"XDG_DATA_HOME", "data"}, {"XDG_STATE_HOME", ""}, {"XDG_CONFIG_HOME", "./c"}},
         FolderLayout::Installed, "@/share/torvask/", "@/home/.local/share/torvask/tracks/",
         "@/home/.local/share/torvask/drivers/", "@/home/.local/state/torvask/temp/",
         "@/home/.config/torvask/torvask.ini"},
        {"installed, no home at all", false, true, {{"HOME", "relative"}}, FolderLayout::Installed,
         "@/share/torvask/", "", "", "", ""},
    };
    for (const FoldersRow& row : rows) {
        SCOPED_TRACE(row.name);
        testing::TempDir prefix;
        const std::string p = prefix.str();
        std::filesystem::create_directories(prefix.path() / "bin");
        if (row.configBesideProgram) prefix.write("bin/Torvask.cfg", "[Paths]\n");
        if (row.configInstalled) prefix.write("share/torvask/Torvask.cfg", "[Paths]\n");
        std::map<std::string, std::string> env;
        for (const auto& [name, value] : row.env) env[name] = expand(value, p);
        const ProgramFolders f = resolveProgramFolders(p + "/bin/", [&env](const char* name) -> const char* {
            const auto it = env.find(name);
            return it == env.end() ? nullptr : it->second.c_str();
        });
        EXPECT_EQ(f.layout, row.layout);
        EXPECT_EQ(f.configFolder, expand(row.configFolder, p));
        EXPECT_EQ(f.ownTracksFolder, expand(row.ownTracks, p));
        EXPECT_EQ(f.ownDriversFolder, expand(row.ownDrivers, p));
        EXPECT_EQ(f.recordingFolder, expand(row.recording, p));
        EXPECT_EQ(f.settingsFile, expand(row.settings, p));
    }
}

TEST(ProgramFolders, OwnFoldersAreMadePrivateUnlessTheHomeIsUnwritable) {
    testing::TempDir home;
    const std::string folder = home.str() + "/.local/state/torvask/temp/";
    ASSERT_TRUE(makeOwnFolder(folder));
    struct stat made{};
    ASSERT_EQ(::stat((home.str() + "/.local").c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 0777, 0700u) << "parents made on the way are private too";
    EXPECT_TRUE(makeOwnFolder(folder)) << "an existing folder is fine";
    // A home that is a file cannot hold folders, whoever runs the test.
    home.write("file-home", "");
    EXPECT_FALSE(makeOwnFolder(home.str() + "/file-home/.local/share/torvask/drivers/"));
    EXPECT_FALSE(makeOwnFolder(""));
}

}  // namespace
}  // namespace torvask
