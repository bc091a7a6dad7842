#include "platform/ShellFolders.h"
#include "platform/TempFiles.h"

#include "common/TestDb.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <set>

using kb::ShellFolders;
namespace fs = std::filesystem;

namespace {
mode_t Mode(const fs::path& p)
{
    struct stat st {};
    ::lstat(p.c_str(), &st);
    return st.st_mode & 0777;
}
} // namespace

// Every root is redirected by its variable, so tests and the demonstration stay in their own folders.
TEST(ShellFolders, EveryRootFollowsItsVariable)
{
    struct Case {
        const char* var;
        fs::path (*get)();
    };
    const Case cases[] = {
        {"KB_DOCUMENTS_DIR", &ShellFolders::DocumentsDir},
        {"KB_DESKTOP_DIR", &ShellFolders::DesktopDir},
        {"KB_APPDATA_DIR", [] { return ShellFolders::AppDataDir(false); }},
        {"KB_COMMON_APPDATA_DIR", [] { return ShellFolders::AppDataDir(true); }},
        {"KB_SYSTEM_DIR", &ShellFolders::SystemDir},
        {"KB_PROGRAM_FILES_DIR", &ShellFolders::ProgramFilesDir},
        {"KB_CONFIG_ROOT", &ShellFolders::ConfigRoot},
    };
    for (const auto& c : cases) {
        kbtest::ScopedEnv env(c.var, std::string("/srv/kb/") + c.var + "/");
        EXPECT_EQ(c.get(), fs::path(std::string("/srv/kb/") + c.var)) << c.var; // no trailing "/"
    }
    kbtest::ScopedEnv env;
    env.Set("KB_COMPUTER_NAME", std::string("KEIRI-PC01"));
    env.Set("KB_USER_NAME", std::string("山田"));
    EXPECT_EQ(ShellFolders::ComputerName(), "KEIRI-PC01");
    EXPECT_EQ(ShellFolders::UserName(), "山田");
}

TEST(ShellFolders, XdgDefaults)
{
    kbtest::TempDir dir;
    kbtest::ScopedEnv env;
    for (const char* v : {"KB_DOCUMENTS_DIR", "KB_DESKTOP_DIR", "KB_APPDATA_DIR", "KB_CONFIG_ROOT", "XDG_DOCUMENTS_DIR",
                          "XDG_DESKTOP_DIR", "XDG_DATA_HOME", "KB_COMPUTER_NAME", "KB_USER_NAME"})
        env.Set(v, std::nullopt);
    env.Set("HOME", dir.path().string());
    env.Set("XDG_CONFIG_HOME", (dir / "cfg").string());
    // Without user-dirs.dirs, Documents is the home folder (as xdg-user-dir answers).
    EXPECT_EQ(ShellFolders::DocumentsDir(), dir.path());
    EXPECT_EQ(ShellFolders::DesktopDir(), dir / "Desktop");
    fs::create_directories(dir / "cfg");
    kbtest::WriteFile(dir / "cfg" / "user-dirs.dirs", "# comment\nXDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\n"
                                                      "XDG_DOCUMENTS_DIR=\"$HOME/ドキュメント\"\n");
    EXPECT_EQ(ShellFolders::DocumentsDir(), dir / "ドキュメント");
    EXPECT_EQ(ShellFolders::DesktopDir(), dir / "デスクトップ");
    env.Set("XDG_DOCUMENTS_DIR", std::string("/data/docs"));
    EXPECT_EQ(ShellFolders::DocumentsDir(), fs::path("/data/docs"));
    EXPECT_EQ(ShellFolders::AppDataDir(false), dir / ".local" / "share");
    EXPECT_EQ(ShellFolders::ConfigRoot(), dir / "cfg" / "kenbo-rendo");

    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    const std::string h = host;
    EXPECT_EQ(ShellFolders::ComputerName(), h.substr(0, h.find('.')));
    EXPECT_FALSE(ShellFolders::UserName().empty());
}

TEST(ShellFolders, RuntimeDirIsPrivate)
{
    kbtest::TempDir dir;
    kbtest::ScopedEnv env("KB_RUNTIME_DIR", (dir / "a" / "run").string());
    EXPECT_EQ(ShellFolders::RuntimeDir(), dir / "a" / "run");
    EXPECT_EQ(Mode(dir / "a" / "run"), 0700u);
    env.Set("KB_RUNTIME_DIR", std::nullopt);
    env.Set("XDG_RUNTIME_DIR", (dir / "xdg").string());
    EXPECT_EQ(ShellFolders::RuntimeDir(), dir / "xdg" / "kenbo-rendo");
}

TEST(TempFiles, PrivateFolderAndUniqueNames)
{
    kbtest::TempDir dir;
    kbtest::ScopedEnv env("KB_TEMP_DIR", dir.path().string());
    const fs::path priv = kb::TempFiles::PrivateTempDir();
    EXPECT_EQ(priv, dir / ("kenbo-rendo-" + std::to_string(::geteuid())));
    EXPECT_EQ(Mode(priv), 0700u);

    // A folder left too open (by an old version, or by hand) is tightened.
    ASSERT_EQ(::chmod(priv.c_str(), 0755), 0);
    kb::TempFiles::PrivateTempDir();
    EXPECT_EQ(Mode(priv), 0700u);

    std::set<fs::path> names;
    for (int i = 0; i < 50; ++i) {
        const fs::path p = kb::TempFiles::UniqueTempPath("bk", ".fbk");
        EXPECT_EQ(p.parent_path(), priv);
        EXPECT_EQ(p.extension(), ".fbk");
        EXPECT_EQ(p.filename().string().rfind("bk", 0), 0u);
        EXPECT_FALSE(fs::exists(p));
        names.insert(p);
    }
    EXPECT_EQ(names.size(), 50u);

    const fs::path f = kb::TempFiles::CreateTempFile("script", ".sql");
    EXPECT_TRUE(fs::is_regular_file(f));
    EXPECT_EQ(Mode(f), 0600u);
    const fs::path d = kb::TempFiles::CreateTempDir("work");
    EXPECT_TRUE(fs::is_directory(d));
    EXPECT_EQ(Mode(d), 0700u);
}

// A link planted where our private folder goes must not lead our files elsewhere.
TEST(TempFiles, RefusesALinkInPlaceOfThePrivateFolder)
{
    kbtest::TempDir dir;
    kbtest::ScopedEnv env("KB_TEMP_DIR", dir.path().string());
    fs::create_directories(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", dir / ("kenbo-rendo-" + std::to_string(::geteuid())));
    EXPECT_THROW(kb::TempFiles::PrivateTempDir(), std::runtime_error);
    EXPECT_THROW(kb::TempFiles::CreateTempFile("x"), std::runtime_error);
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
}
