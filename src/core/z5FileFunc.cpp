#include "core/z5FileFunc.h"

#include "platform/IniFile.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "platform/Text.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

namespace fs = std::filesystem;

namespace kb {
namespace {

bool Blank(const std::string& s) { return s.find_first_not_of(" \t\r\n") == std::string::npos; }

std::string OrProgramDir(const fs::path& p)
{
    return p.empty() ? GetProgramDir() : ExcludeSlash(p.string());
}

std::string UniqueSuffix()
{
    static thread_local std::mt19937_64 rng{std::random_device{}() ^ static_cast<std::uint64_t>(::getpid())};
    return std::to_string(::getpid()) + "-" + std::to_string(rng() % 1000000000000ULL);
}

bool HasMask(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

IWritableFolderAsk* g_ask = nullptr;

} // namespace

// ---- special folders and paths ----------------------------------------------------------------

std::string GetProgramDir()
{
    if (const char* d = std::getenv("KB_PROGRAM_DIR"); d && *d) return ExcludeSlash(d);
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path().string() : exe.parent_path().string();
}

void GetSystemDir(std::string& dir) { dir = ExcludeSlash(ShellFolders::SystemDir().string()); }

void GetMyDocumentsDir(std::string& dir) { dir = OrProgramDir(ShellFolders::DocumentsDir()); }

void GetAppDataDir(bool common, std::string& dir) { dir = OrProgramDir(ShellFolders::AppDataDir(common)); }

void GetSpecialFolderByName(const std::string& name, std::string& dir)
{
    const std::string n = AsciiLower(name);
    fs::path p;
    if (n == "desktop") p = ShellFolders::DesktopDir();
    else if (n == "mydocument") p = ShellFolders::DocumentsDir();
    else if (n == "programfiles") p = ShellFolders::ProgramFilesDir();
    dir = OrProgramDir(p);
}

void GetTempDir(const std::string& def, std::string& dir)
{
    const char* t = std::getenv("TEMP");
    std::error_code ec;
    if (t && *t && fs::is_directory(t, ec)) dir = ExcludeSlash(t);
    else dir = def;
}

void GetUNCPath(const std::string& path, std::string& unc) { unc = path; }

void GetShortPath(const std::string& longPath, std::string& shortPath)
{
    std::error_code ec;
    if (Blank(longPath) || !fs::exists(longPath, ec)) throw std::runtime_error("ファイルが見つかりません。");
    shortPath = longPath;
}

bool ForceDirs(const std::string& path)
{
    if (Blank(path)) return false;
    std::error_code ec;
    if (fs::is_directory(path, ec)) return true;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

std::string ExcludeSlash(const std::string& path)
{
    std::string s = path;
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

std::string IncludeSlash(const std::string& path)
{
    if (!path.empty() && path.back() == '/') return path;
    return path + "/";
}

void ExcludeSlash(const std::string& path, std::string& out) { out = ExcludeSlash(path); }
void IncludeSlash(const std::string& path, std::string& out) { out = IncludeSlash(path); }

void EnumSubDirs(const std::string& folder, int nameOnly, std::vector<std::string>& list)
{
    list.clear();
    std::error_code ec;
    if (Blank(folder) || !fs::is_directory(folder, ec)) return;
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_directory(ec)) names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    for (const auto& n : names) list.push_back(nameOnly == 1 ? n : IncludeSlash(folder) + n);
}

std::int64_t GetFirstFileSize(const std::string& pathOrMask)
{
    const fs::path p(pathOrMask);
    std::error_code ec;
    const std::string mask = p.filename().string();
    if (!HasMask(mask)) {
        if (fs::is_regular_file(p, ec)) {
            const auto size = fs::file_size(p, ec);
            return ec ? -1 : static_cast<std::int64_t>(size);
        }
        return 0;
    }
    const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    if (!fs::is_directory(dir, ec)) return 0;
    std::vector<fs::path> matches;
    fs::directory_iterator it(dir, ec);
    if (ec) return -1;
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) return -1;
        if (fnmatch(mask.c_str(), it->path().filename().c_str(), 0) == 0 && it->is_regular_file(ec)) matches.push_back(it->path());
    }
    if (matches.empty()) return 0;
    std::sort(matches.begin(), matches.end());
    const auto size = fs::file_size(matches.front(), ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
}

bool MoveFileOver(const std::string& source, const std::string& target)
{
    std::error_code ec;
    if (!fs::is_regular_file(source, ec)) return false;
    if (::rename(source.c_str(), target.c_str()) == 0) return true;
    if (errno != EXDEV) return false;
    // Another file system: a complete copy beside the target first, then one rename over it.
    const fs::path to(target);
    const fs::path part = to.parent_path() / ("." + to.filename().string() + "." + UniqueSuffix() + ".part");
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    const int out = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    std::vector<char> buf(1 << 16);
    for (;;) {
        const ssize_t n = ::read(in, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) { ok = false; break; }
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buf.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) { ok = false; break; }
            done += w;
        }
        if (!ok) break;
    }
    ::close(in);
    if (::fsync(out) != 0) ok = false;
    if (::close(out) != 0) ok = false;
    if (ok && ::rename(part.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) {
        fs::remove(part, ec);
        return false;
    }
    fs::remove(source, ec);
    return true;
}

// ---- TBufFileStream -----------------------------------------------------------------------------

TBufFileStream::TBufFileStream(const std::string& fileName, TOpenMode mode, int bufferKB)
{
    int flags = O_CLOEXEC;
    switch (mode) {
    case TOpenMode::Read: flags |= O_RDONLY; break;
    case TOpenMode::ReadWrite: flags |= O_RDWR; break;
    case TOpenMode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    fd_ = ::open(fileName.c_str(), flags, 0644);
    if (fd_ < 0) throw EBufFileStreamError(fileName + ": " + std::strerror(errno));
    buffer_.resize(static_cast<std::size_t>(std::clamp(bufferKB, 1, 255)) * 1024);
}

TBufFileStream::~TBufFileStream()
{
    if (fd_ >= 0) ::close(fd_);
}

namespace {
std::int64_t ReadFully(int fd, char* p, std::int64_t count)
{
    std::int64_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd, p + got, static_cast<std::size_t>(count - got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EBufFileStreamError(std::string("read: ") + std::strerror(errno));
        if (n == 0) break;
        got += n;
    }
    return got;
}
} // namespace

std::int64_t TBufFileStream::Read(void* buffer, std::int64_t count)
{
    const auto size = static_cast<std::int64_t>(buffer_.size());
    if (count > size) throw EBufFileStreamError("バッファの大きさを越えています。");
    if (count <= 0) return 0;
    if (bufFill_ - bufPos_ < count) {
        const std::int64_t left = bufFill_ - bufPos_;
        if (left > 0) std::memmove(buffer_.data(), buffer_.data() + bufPos_, static_cast<std::size_t>(left));
        const std::int64_t got = ReadFully(fd_, buffer_.data() + left, size - left);
        bufPos_ = 0;
        bufFill_ = left + got;
        if (bufFill_ == 0) return 0;
        if (bufFill_ < count) count = bufFill_;
    }
    std::memcpy(buffer, buffer_.data() + bufPos_, static_cast<std::size_t>(count));
    bufPos_ += count;
    logicalPos_ += count;
    return count;
}

std::int64_t TBufFileStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    off_t r;
    if (origin == TSeekOrigin::Current) r = ::lseek(fd_, static_cast<off_t>(logicalPos_ + offset), SEEK_SET);
    else r = ::lseek(fd_, static_cast<off_t>(offset), origin == TSeekOrigin::End ? SEEK_END : SEEK_SET);
    if (r < 0) throw EBufFileStreamError(std::string("seek: ") + std::strerror(errno));
    bufPos_ = bufFill_ = 0;
    logicalPos_ = r;
    return r;
}

std::int64_t TBufFileStream::Write(const void* buffer, std::int64_t count)
{
    // The file position sits behind the buffered bytes: write where the caller stands.
    if (bufFill_ > 0) Seek(0, TSeekOrigin::Current);
    const char* p = static_cast<const char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t w = ::write(fd_, p + done, static_cast<std::size_t>(count - done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) throw EBufFileStreamError(std::string("write: ") + std::strerror(errno));
        done += w;
    }
    logicalPos_ += done;
    return done;
}

std::int64_t TBufFileStream::Size() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return -1;
    return st.st_size;
}

// ---- trailer ------------------------------------------------------------------------------------

void AppendTextToFile(const std::string& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error(path + ": " + std::strerror(errno));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            const int err = errno;
            ::close(fd);
            throw std::runtime_error(path + ": " + std::strerror(err));
        }
        done += static_cast<std::size_t>(w);
    }
    if (::close(fd) != 0) throw std::runtime_error(path + ": " + std::strerror(errno));
}

std::int64_t FindStrInFile(const std::string& path, const std::string& marker, std::string& text)
{
    text.clear();
    if (marker.empty()) return -1;
    try {
        TBufFileStream in(path, TBufFileStream::TOpenMode::Read, 16);
        const std::int64_t size = in.Size();
        const std::int64_t start = std::max<std::int64_t>(0, size - kTrailerSearchBytes);
        in.Seek(start, TBufFileStream::TSeekOrigin::Beginning);
        std::string tail;
        tail.reserve(static_cast<std::size_t>(size - start));
        char block[512];
        for (std::int64_t n; (n = in.Read(block, sizeof block)) > 0;) tail.append(block, static_cast<std::size_t>(n));
        const auto at = tail.rfind(marker);
        if (at == std::string::npos) return -1;
        const std::int64_t offset = start + static_cast<std::int64_t>(at);
        if (offset <= 0) return -1;
        std::string t = tail.substr(at, 512);
        if (const auto z = t.find('\0'); z != std::string::npos) t.resize(z);
        text = t;
        return offset;
    } catch (const std::exception&) {
        return -1;
    }
}

std::int64_t ReadFileTrailer(const std::string& path, const std::string& marker, std::string& text, bool cut)
{
    const std::int64_t offset = FindStrInFile(path, marker, text);
    if (offset <= 0 || !cut) return offset;
    const std::string work = fs::path(path).replace_extension(".wk_").string();
    std::error_code ec;
    fs::remove(work, ec);
    if (::rename(path.c_str(), work.c_str()) != 0) return offset;
    {
        TBufFileStream in(work, TBufFileStream::TOpenMode::Read, 16);
        TBufFileStream out(path, TBufFileStream::TOpenMode::Create, 16);
        char block[512];
        for (std::int64_t left = offset; left > 0;) {
            const std::int64_t n = in.Read(block, std::min<std::int64_t>(left, sizeof block));
            if (n <= 0) throw std::runtime_error(work + ": unexpected end of file");
            out.Write(block, n);
            left -= n;
        }
    }
    fs::remove(work, ec);
    return offset;
}

// ---- INI and registry ---------------------------------------------------------------------------

bool WriteIniValue(const std::string& iniPath, const std::string& section, const std::string& key, bool deleteKey,
                   const TIniValue& value)
{
    bool ok = true;
    try {
        IniFile ini(iniPath);
        if (deleteKey) ini.EraseKey(section, key);
        else if (const auto* s = std::get_if<std::string>(&value)) ini.WriteString(section, key, *s);
        else if (const auto* i = std::get_if<int>(&value)) ini.WriteInteger(section, key, *i);
        else ini.WriteBool(section, key, std::get<bool>(value));
    } catch (const std::exception&) {
        ok = false;
    }
    return ok;
}

void ReadIniSection(const std::string& iniPath, const std::string& section, std::string& text)
{
    if (iniPath.empty() || section.empty()) return;
    text.clear();
    for (const auto& [k, v] : IniFile(iniPath).ReadSectionValues(section)) text += k + "=" + v + "\r\n";
}

void WriteIniSection(const std::string& iniPath, const std::string& section, const std::vector<std::string>& lines)
{
    if (iniPath.empty() || section.empty()) return;
    const IniFile file(iniPath);
    IniFile::Batch ini(file);  // the section is replaced in one save
    ini.EraseSection(section);
    for (const auto& line : lines) {
        const auto eq = line.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        ini.WriteString(section, line.substr(0, eq), line.substr(eq + 1));
    }
    ini.Commit();
}

TRegValue ReadRegValue(const std::string& rootKey, const std::string& keyPath, const std::string& valueName)
{
    try {
        std::string key = rootKey;
        if (!keyPath.empty()) key += (keyPath.front() == '\\' ? "" : "\\") + keyPath;
        const auto v = Registry::Open().ReadValue(key, valueName);
        if (!v) return 0;
        if (v->type == RegType::Integer) return static_cast<int>(v->integer);
        return v->text;
    } catch (const std::exception&) {
        return 0;
    }
}

// ---- writable-folder check ----------------------------------------------------------------------

void SetWritableFolderAsk(IWritableFolderAsk* ask) { g_ask = ask; }
IWritableFolderAsk* GetWritableFolderAsk() { return g_ask; }

bool IsProtectedFolder(const std::string& folder)
{
    if (Blank(folder)) return false;
    fs::path p = fs::absolute(ExcludeSlash(folder)).lexically_normal();
    // The root folder stands where the system drive's root stood: never a place to save into.
    if (p == p.root_path()) return true;
    std::error_code ec;
    while (!fs::exists(p, ec) && p.has_parent_path() && p.parent_path() != p) p = p.parent_path();
    return ::access(p.c_str(), W_OK | X_OK) != 0;
}

bool CheckWritableFolder(std::string& folder)
{
    const std::string withSlash = IncludeSlash(folder);
    if (!IsProtectedFolder(withSlash)) {
        folder = withSlash;
        return true;
    }
    if (!g_ask || !g_ask->AskUseDocuments()) return false;
    std::string docs;
    GetMyDocumentsDir(docs);
    folder = IncludeSlash(docs);
    return true;
}

bool CheckWritableFile(std::string& path)
{
    const fs::path p(path);
    std::string folder = p.parent_path().string();
    if (!CheckWritableFolder(folder)) return false;
    path = IncludeSlash(folder) + p.filename().string();
    return true;
}

} // namespace kb
