#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

using namespace kb;
namespace fs = std::filesystem;

namespace {
std::string ReadBytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
void Touch(const fs::path& p) { std::ofstream(p) << "x"; }

// A pid that ran and has ended.
pid_t DeadPid()
{
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}
} // namespace

TEST(AtomicFile, ReplacesWholeAndLeavesNoTemporaryFile)
{
    QTemporaryDir dir;
    const fs::path p = fs::path(dir.path().toStdString()) / "out.xml";
    WriteFileAtomically(p, "old");
    WriteFileAtomically(p, std::string(100000, 'n'));
    EXPECT_EQ(ReadBytes(p), std::string(100000, 'n'));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path().toStdString()), fs::directory_iterator()), 1);

    // A folder that does not take the file: an error, and nothing of ours is left there.
    const fs::path missing = fs::path(dir.path().toStdString()) / "file-not-folder";
    Touch(missing);
    EXPECT_THROW(WriteFileAtomically(missing / "x.ini", "y"), std::runtime_error);
}

TEST(AtomicFile, LeftoversOfDeadWritersGoOthersStay)
{
    QTemporaryDir dir;
    const fs::path d = dir.path().toStdString();
    const std::string dead = std::to_string(DeadPid());
    const std::string alive = std::to_string(::getppid());
    Touch(d / (".out.xml.kbtmp-" + dead + "-0badcafe"));      // goes
    Touch(d / (".vqacc.ini.kbtmp-" + dead + "-12345678"));    // goes
    Touch(d / (".out.xml.kbtmp-" + alive + "-0badcafe"));     // its writer runs
    Touch(d / ("out.xml.kbtmp-" + dead + "-0badcafe"));       // not hidden: not ours
    Touch(d / (".notes.kbtmp-x-1"));                          // no pid: not ours
    Touch(d / "vqacc.ini");
    fs::create_directory(d / (".dir.kbtmp-" + dead + "-1"));  // a folder is never ours
    EXPECT_EQ(RemoveAtomicLeftovers(d), 2);
    EXPECT_FALSE(fs::exists(d / (".out.xml.kbtmp-" + dead + "-0badcafe")));
    EXPECT_TRUE(fs::exists(d / (".out.xml.kbtmp-" + alive + "-0badcafe")));
    EXPECT_TRUE(fs::exists(d / ("out.xml.kbtmp-" + dead + "-0badcafe")));
    EXPECT_TRUE(fs::exists(d / ".notes.kbtmp-x-1"));
    EXPECT_TRUE(fs::exists(d / "vqacc.ini"));
    EXPECT_TRUE(fs::exists(d / (".dir.kbtmp-" + dead + "-1")));
}
