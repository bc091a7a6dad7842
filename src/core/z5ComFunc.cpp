#include "core/z5ComFunc.h"

#include <algorithm>

#include <fnmatch.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/z5DateVersion.h"

extern char** environ;

namespace kb {

namespace fs = std::filesystem;

namespace {
constexpr std::string_view kZenSpace = "\xE3\x80\x80"; // "　" in UTF-8

std::string Format1(std::string_view fmt, const std::string& a)
{
    std::string s(fmt);
    const auto p = s.find("%s");
    if (p != std::string::npos) s.replace(p, 2, a);
    return s;
}
} // namespace

// ---- text ------------------------------------------------------------------------------------

std::string TrimZen(std::string_view t)
{
    bool changed = true;
    while (changed && !t.empty()) {
        changed = false;
        while (!t.empty() && static_cast<unsigned char>(t.front()) <= 32) { t.remove_prefix(1); changed = true; }
        while (!t.empty() && static_cast<unsigned char>(t.back()) <= 32) { t.remove_suffix(1); changed = true; }
        while (t.substr(0, 3) == kZenSpace) { t.remove_prefix(3); changed = true; }
        while (t.size() >= 3 && t.substr(t.size() - 3) == kZenSpace) { t.remove_suffix(3); changed = true; }
    }
    return std::string(t);
}

std::string DelAllSpace(std::string_view t)
{
    std::string r;
    for (std::size_t i = 0; i < t.size();) {
        if (t[i] == ' ') { ++i; continue; }
        if (t.substr(i, 3) == kZenSpace) { i += 3; continue; }
        r += t[i++];
    }
    return r;
}

std::string SpaceStr(int n) { return (n >= 1 && n <= 510) ? std::string(static_cast<std::size_t>(n), ' ') : std::string(); }

std::string FixLeft(std::string_view text, int n)
{
    // Padding is not bound to SpaceStr's 510: a wider field still gets exactly n bytes.
    if (n <= 0) return "";
    return sjis::PadRight(text, static_cast<std::size_t>(n));
}

std::string FixRight(std::string_view text, int n)
{
    if (n <= 0) return "";
    const std::size_t w = static_cast<std::size_t>(n);
    const std::size_t len = sjis::ByteLength(text);
    if (len <= w) return std::string(w - len, ' ') + std::string(text);
    // The last n bytes; a character that straddles the cut cannot be half kept, so it becomes a blank.
    std::string tail = sjis::After(text, len - w);
    if (sjis::ByteLength(tail) > w) tail = sjis::After(text, len - w + 1);
    const std::size_t tl = sjis::ByteLength(tail);
    return std::string(w - tl, ' ') + tail;
}

bool IsKanjiLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsKanjiTrail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

std::string FixKanjiCut(std::string_view cp932)
{
    std::string s(cp932);
    for (std::size_t i = 0; i < s.size();) {
        if (IsKanjiLead(static_cast<unsigned char>(s[i]))) {
            if (i + 1 >= s.size()) { s[i] = ' '; break; }
            if (!IsKanjiTrail(static_cast<unsigned char>(s[i + 1]))) { s[i] = ' '; s[i + 1] = ' '; }
            i += 2;
        } else {
            ++i;
        }
    }
    return s;
}

bool IsKanjiLeadAt(std::string_view cp932, int position)
{
    if (cp932.empty()) return false;
    std::size_t pos = (position <= 0 || static_cast<std::size_t>(position) > cp932.size())
        ? cp932.size() - 1 : static_cast<std::size_t>(position - 1);
    std::size_t i = 0;
    while (i < cp932.size()) {
        const bool lead = IsKanjiLead(static_cast<unsigned char>(cp932[i]));
        if (i == pos) return lead;
        i += lead ? 2 : 1;
        if (i > pos) return false; // pos is the trail byte of the character at i - 2
    }
    return false;
}

int SplitStr(std::string_view line, char separator, std::vector<std::string>& parts)
{
    const auto cmt = line.find("//");
    if (cmt != std::string_view::npos) line = line.substr(0, cmt);
    if (line.empty()) return 0;
    parts.clear();
    std::size_t pos = 0;
    while (true) {
        const auto q = line.find(separator, pos);
        if (q == std::string_view::npos) break;
        parts.emplace_back(line.substr(pos, q - pos));
        pos = q + 1;
    }
    parts.emplace_back(line.substr(pos));
    return static_cast<int>(parts.size()) - 1;
}

// ---- conversions -----------------------------------------------------------------------------

std::string DateToStrType(int kind, const DateTime& date)
{
    if (date.IsNull()) return "";
    if (kind == 2) return FormatDatePattern("yy/mm/dd", date);
    if (kind == 4) return FormatDatePattern("yyyy/mm/dd", date);
    return FormatDatePattern("yyyy/mm/dd hh:nn", date);
}

Currency RoundCurr(int mode, Currency amount)
{
    switch (mode) {
    case 0: return amount.RoundYen(RoundMode::TowardZero);
    case 1: return amount.RoundYen(RoundMode::AwayFromZero);
    default: return amount.RoundYen(RoundMode::HalfAwayFromZero);
    }
}

std::int64_t RoundToInt(double value) { return static_cast<std::int64_t>(std::nearbyint(value)); }

Currency StrToCurr0(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
    return Currency::Parse(text).value_or(Currency());
}

Date StrToDate0(std::string_view text)
{
    if (text.find(':') != std::string_view::npos) return Date();
    return StrToDateTimeSafe(text).GetDate();
}

// ---- sorting ---------------------------------------------------------------------------------

namespace detail {
void QuickSortKeys(std::vector<std::string>& keys, std::vector<int>& perm, int first, int last)
{
    // The pivot is a copy of the middle key, as the lists have always been sorted.
    while (first < last) {
        int i = first, j = last;
        const std::string pivot = keys[static_cast<std::size_t>((first + last) / 2)];
        do {
            while (keys[static_cast<std::size_t>(i)] < pivot) ++i; // std::string compares unsigned
            while (keys[static_cast<std::size_t>(j)] > pivot) --j;
            if (i <= j) {
                std::swap(keys[static_cast<std::size_t>(i)], keys[static_cast<std::size_t>(j)]);
                std::swap(perm[static_cast<std::size_t>(i)], perm[static_cast<std::size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (first < j) QuickSortKeys(keys, perm, first, j);
        first = i; // the second recursion, as a loop
    }
}
} // namespace detail

void SortNameRecs(std::vector<TNameRec>& items, int first, int last)
{
    SortNameRecs(items, first, last, [](const TNameRec& r) -> const std::string& { return r.Name; });
}

// ---- machine and messages --------------------------------------------------------------------

std::string GetPCName(int connectMode, const std::string& logonUser)
{
    if (connectMode == 2) return logonUser.empty() ? "ANONYMOUS" : logonUser;
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) != 0 || buf[0] == '\0') return "PCNAME-ERROR";
    return buf;
}

namespace {
std::mutex g_hookMutex;
TMessageLinesHook g_messageHook;
TUrlOpener g_urlOpener;
std::vector<fs::path> g_safeRoots;
} // namespace

void SetMessageLinesHook(TMessageLinesHook hook)
{
    std::lock_guard lock(g_hookMutex);
    g_messageHook = std::move(hook);
}

TMessageLinesHook GetMessageLinesHook()
{
    std::lock_guard lock(g_hookMutex);
    return g_messageHook;
}

void MessageDlgLines(std::string_view text, TMessageLinesKind kind)
{
    std::vector<std::string> parts;
    const int last = SplitStr(text, ',', parts);
    std::string shown;
    for (int i = 0; i <= last && i < static_cast<int>(parts.size()); ++i) shown += parts[static_cast<std::size_t>(i)] + "\r";
    TMessageLinesHook hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = g_messageHook;
    }
    if (hook) hook(shown, kind);
    else std::cerr << shown << std::endl;
}

// ---- folders and files -----------------------------------------------------------------------

namespace {

fs::path Canon(const fs::path& p)
{
    std::error_code ec;
    fs::path c = fs::weakly_canonical(p, ec);
    if (ec) return {};
    // weakly_canonical keeps a trailing separator as an empty last part: drop it.
    if (!c.empty() && !c.has_filename() && c != c.root_path()) c = c.parent_path();
    return c;
}

// a lies within b or equals it.
bool Within(const fs::path& a, const fs::path& b)
{
    auto ai = a.begin();
    for (auto bi = b.begin(); bi != b.end(); ++bi, ++ai) {
        if (ai == a.end() || *ai != *bi) return false;
    }
    return true;
}

fs::path HomeDir()
{
    if (const char* h = std::getenv("HOME"); h && *h) return Canon(h);
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return Canon(pw->pw_dir);
    return {};
}

bool IsSystemFolder(const fs::path& p)
{
    static const char* const kExact[] = {"/bin", "/boot", "/dev", "/etc", "/home", "/lib", "/lib32", "/lib64",
        "/libx32", "/media", "/mnt", "/opt", "/proc", "/root", "/run", "/sbin", "/srv", "/sys", "/tmp", "/usr",
        "/usr/bin", "/usr/lib", "/usr/local", "/usr/sbin", "/usr/share", "/var", "/var/lib", "/var/tmp"};
    static const char* const kTrees[] = {"/proc", "/sys", "/dev", "/boot", "/etc", "/bin", "/sbin"};
    for (const char* e : kExact)
        if (p == fs::path(e)) return true;
    for (const char* t : kTrees)
        if (Within(p, t)) return true;
    return false;
}

// "a/b/" and "a/b" name the same folder; the trash and the copy need its name.
fs::path Named(const std::string& path)
{
    fs::path p = fs::path(path).lexically_normal();
    if (!p.has_filename() && p != p.root_path()) p = p.parent_path();
    return p;
}

bool HasMask(const fs::path& p)
{
    const std::string n = p.filename().string();
    return n.find_first_of("*?") != std::string::npos;
}

// Moves into the freedesktop trash of the user, so the deletion can be undone.
void MoveToTrash(const fs::path& p)
{
    fs::path base;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) base = x;
    else base = HomeDir() / ".local" / "share";
    const fs::path files = base / "Trash" / "files", info = base / "Trash" / "info";
    fs::create_directories(files);
    fs::create_directories(info);
    std::string name = p.filename().string();
    for (int n = 2; fs::exists(fs::symlink_status(files / name)) || fs::exists(info / (name + ".trashinfo")); ++n)
        name = p.filename().string() + "." + std::to_string(n);
    {
        std::time_t t = std::time(nullptr);
        std::tm tm{};
        localtime_r(&t, &tm);
        char when[32];
        std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%S", &tm);
        std::ofstream out(info / (name + ".trashinfo"), std::ios::binary);
        out << "[Trash Info]\nPath=" << p.string() << "\nDeletionDate=" << when << "\n";
        if (!out) throw fs::filesystem_error("trash info", info / name, std::make_error_code(std::errc::io_error));
    }
    std::error_code ec;
    fs::rename(p, files / name, ec);
    if (ec == std::errc::cross_device_link) {
        fs::copy(p, files / name, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        fs::remove_all(p);
    } else if (ec) {
        fs::remove(info / (name + ".trashinfo"));
        throw fs::filesystem_error("move to trash", p, ec);
    }
}

void CopyOrMove(const fs::path& from, const fs::path& to, int mode)
{
    if (mode == 1) {
        std::error_code ec;
        fs::rename(from, to, ec);
        if (!ec) return;
        if (ec != std::errc::cross_device_link) throw fs::filesystem_error("move", from, to, ec);
    }
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing | fs::copy_options::copy_symlinks);
    if (mode == 1) fs::remove_all(from);
}

} // namespace

void SetSafeRoots(std::vector<fs::path> roots)
{
    std::vector<fs::path> canon;
    for (const auto& r : roots) {
        if (!r.is_absolute()) continue;
        const fs::path c = Canon(r);
        if (!c.empty() && c != c.root_path()) canon.push_back(c);
    }
    std::lock_guard lock(g_hookMutex);
    g_safeRoots = std::move(canon);
}

std::vector<fs::path> SafeRoots()
{
    std::lock_guard lock(g_hookMutex);
    return g_safeRoots;
}

void AllowShareFolder(const std::string& share)
{
    std::string s = share;
    std::replace(s.begin(), s.end(), '\\', '/');
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    const fs::path parent = fs::path(s).parent_path();
    if (!parent.is_absolute() || parent == parent.root_path()) return;
    std::vector<fs::path> roots = SafeRoots();
    const fs::path c = Canon(parent);
    if (std::find(roots.begin(), roots.end(), c) != roots.end()) return;
    roots.push_back(parent);
    SetSafeRoots(std::move(roots));
}

bool IsSafeDirectory(const std::string& path)
{
    if (TrimZen(path).empty()) return false;
    const fs::path given(path);
    if (!given.is_absolute()) return false;
    const fs::path p = Canon(given);
    if (p.empty() || p == p.root_path()) return false;
    const fs::path home = HomeDir();
    if (!home.empty() && Within(home, p)) return false; // the home folder or one above it
    if (IsSystemFolder(p)) return false;
    for (const auto& root : SafeRoots())
        if (p != root && Within(p, root)) return true;
    return false;
}

bool DeleteDirectory(const std::string& path, bool allowUndo, bool showErrors)
{
    if (!IsSafeDirectory(path)) {
        MessageDlgLines(Format1("ルート・システムディレクトリは、削除できません。<%s> ", path), TMessageLinesKind::Error);
        return false;
    }
    try {
        const fs::path p = Named(path);
        if (!fs::exists(fs::symlink_status(p))) return false;
        if (allowUndo) MoveToTrash(p);
        else fs::remove_all(p);
        return true;
    } catch (const std::exception& e) {
        if (showErrors) MessageDlgLines(e.what(), TMessageLinesKind::Error);
        return false;
    }
}

bool CopyMoveDirectory(const std::string& source, const std::string& target, int mode)
{
    if (mode != 1 && mode != 2) return false;
    if (!IsSafeDirectory(source) || !IsSafeDirectory(target)) {
        MessageDlgLines("指定ディレクトリ[" + source + "->" + target + "]の複写・移動はできません。 ", TMessageLinesKind::Error);
        return false;
    }
    try {
        const fs::path src = Named(source), dst = Named(target);
        std::vector<fs::path> items;
        bool intoTarget = true;
        if (HasMask(src)) {
            const fs::path dir = src.parent_path();
            if (!fs::is_directory(dir)) return false;
            const std::string mask = src.filename().string();
            for (const auto& e : fs::directory_iterator(dir))
                if (fnmatch(mask.c_str(), e.path().filename().c_str(), 0) == 0) items.push_back(e.path());
            fs::create_directories(dst);
        } else {
            if (!fs::exists(fs::symlink_status(src))) return false;
            items.push_back(src);
            intoTarget = fs::is_directory(dst);
            if (!intoTarget && dst.has_parent_path()) fs::create_directories(dst.parent_path());
        }
        for (const auto& item : items) {
            const fs::path to = intoTarget ? dst / item.filename() : dst;
            // A folder copied into itself would never end.
            if (fs::is_directory(item) && Within(Canon(to), Canon(item)))
                throw fs::filesystem_error("copy into itself", item, to, std::make_error_code(std::errc::invalid_argument));
            CopyOrMove(item, to, mode);
        }
        return true;
    } catch (const std::exception& e) {
        MessageDlgLines(e.what(), TMessageLinesKind::Error);
        return false;
    }
}

bool CopyFileOver(const std::string& source, const std::string& target)
{
    std::error_code ec;
    if (!fs::is_regular_file(source, ec)) return false;
    return fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec) && !ec;
}

// ---- online manual ---------------------------------------------------------------------------

void SetUrlOpener(TUrlOpener opener)
{
    std::lock_guard lock(g_hookMutex);
    g_urlOpener = std::move(opener);
}

int OpenOnlineManual(const std::string& page, const std::string& helpDir, int appKind)
{
    if (page.empty()) return 0;
    std::string path;
    if (page == "olm.html" || page == "ecbolm.html" || page == "azbolm.html" || page == "csbolm.html")
        path = helpDir + "/" + page;
    else if (appKind >= 0 && appKind <= 2)
        path = helpDir + "/olm.files/" + page;
    else if (appKind == 3)
        path = helpDir + "/csbolm.files/" + page;
    else
        return 0;
    TUrlOpener opener;
    {
        std::lock_guard lock(g_hookMutex);
        opener = g_urlOpener;
    }
    if (opener) {
        opener(path);
        return 0;
    }
    // An argument vector, never a shell; the browser's outcome is not waited for.
    pid_t pid = 0;
    const char* argv[] = {"xdg-open", path.c_str(), nullptr};
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ) == 0) {
        // Reap it in the background so no zombie stays.
        std::thread([pid] { int st = 0; waitpid(pid, &st, 0); }).detach();
    }
    return 0;
}

} // namespace kb
