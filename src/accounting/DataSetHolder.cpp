#include "accounting/DataSetHolder.h"

#include "accounting/DataInfomation.h"
#include "core/uAccRecord.h"
#include "platform/AtomicFile.h"
#include "platform/IniFile.h"
#include "platform/ShellFolders.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <mutex>

namespace kb {
namespace {

std::mutex heldLock;
std::map<std::string, int>& Held()  // folder -> open, locked holder file of this process
{
    static std::map<std::string, int> held;
    return held;
}

} // namespace

std::string DataSetHolder::FileName(const std::string& folder)
{
    return (std::filesystem::path(folder) / ".vqacc.inuse").string();
}

bool DataSetHolder::Take(const std::string& folder)
{
    std::lock_guard guard(heldLock);
    if (Held().count(folder)) return true;
    RemoveAtomicLeftovers(folder);  // an information file half written by a run that was killed
    const std::string path = FileName(folder);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    const std::string text = "COMPUTER=" + ShellFolders::ComputerName() + "\r\nPID=" + std::to_string(::getpid()) + "\r\n";
    const bool written = ::ftruncate(fd, 0) == 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (!written) {
        ::close(fd);
        return false;
    }
    Held()[folder] = fd;
    return true;
}

void DataSetHolder::Release(const std::string& folder)
{
    std::lock_guard guard(heldLock);
    const auto it = Held().find(folder);
    if (it == Held().end()) return;
    ::unlink(FileName(folder).c_str());  // while still locked: nobody judges a half-removed holder
    ::close(it->second);
    Held().erase(it);
}

bool IsStaleInUseMark(const std::string& folder)
{
    const std::string ini = TDataInfomation::IniFileName(folder);
    if (IniFile(ini).ReadInteger(kSectionDataSts, "STATUS", dsFree) != dsInUse) return false;
    {
        std::lock_guard guard(heldLock);
        if (Held().count(folder)) return false;  // we hold it ourselves
    }
    const std::string path = DataSetHolder::FileName(folder);
    const IniFile holder(path);  // "KEY=value" lines without a section
    std::string computer;
    for (const auto& [k, v] : holder.ReadSectionValues(""))
        if (SameText(k, "COMPUTER")) computer = v;
    if (computer.empty() || !SameText(computer, ShellFolders::ComputerName())) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;  // a live holder keeps it locked
    ::close(fd);
    return free;
}

bool ClearStaleInUseMark(const std::string& folder)
{
    if (!(ConnectMode == 0 || ConnectMode > 2) || !IsStaleInUseMark(folder)) return false;
    const IniFile file(TDataInfomation::IniFileName(folder));
    IniFile::Batch ini(file);
    ini.WriteInteger(kSectionDataSts, "STATUS", dsFree);
    ini.EraseKey(kSectionDataSts, "OPCODE");
    ini.EraseKey(kSectionDataSts, "OPERATOR");
    ini.Commit();
    ::unlink(DataSetHolder::FileName(folder).c_str());
    return true;
}

} // namespace kb
