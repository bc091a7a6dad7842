#include "platform/Registry.h"

#include "platform/AtomicFile.h"
#include "platform/IniFile.h"
#include "platform/ShellFolders.h"
#include "platform/Text.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace kb {
namespace {

constexpr const char* kHeader = "KB-REGISTRY 1";

bool SameOrBelow(const std::string& path, const std::string& key)
{
    // path equals key or lies below it (compared without case); "" is the hive itself.
    if (key.empty()) return true;
    if (path.size() < key.size()) return false;
    if (!SameText(path.substr(0, key.size()), key)) return false;
    return path.size() == key.size() || path[key.size()] == '\\';
}

std::string Quote(const std::string& s)
{
    std::string q = "\"";
    for (char c : s) {
        switch (c) {
        case '\\': q += "\\\\"; break;
        case '"': q += "\\\""; break;
        case '\n': q += "\\n"; break;
        case '\r': q += "\\r"; break;
        default: q += c;
        }
    }
    return q + "\"";
}

// Reads a quoted text starting at pos (which holds '"'); leaves pos after the closing quote.
bool Unquote(const std::string& line, std::size_t& pos, std::string& out)
{
    if (pos >= line.size() || line[pos] != '"') return false;
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos >= line.size()) return false;
            switch (line[pos]) {
            case '\\': out += '\\'; break;
            case '"': out += '"'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            default: return false;
            }
        } else {
            out += c;
        }
    }
    return false;
}

// One value line: @=... or "name"=..., then "text", expand:"text" or dword:xxxxxxxx.
bool ParseValue(const std::string& line, RegValue& v)
{
    std::size_t pos = 0;
    if (line.compare(0, 2, "@=") == 0) {
        v.name.clear();
        pos = 1;
    } else if (!Unquote(line, pos, v.name) || v.name.empty()) {
        return false;
    }
    if (pos >= line.size() || line[pos] != '=') return false;
    ++pos;
    if (line.compare(pos, 6, "dword:") == 0) {
        const std::string hex = line.substr(pos + 6);
        if (hex.size() != 8 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
        v.type = RegType::Integer;
        v.integer = static_cast<std::int32_t>(static_cast<std::uint32_t>(std::stoul(hex, nullptr, 16)));
        return true;
    }
    v.type = RegType::String;
    if (line.compare(pos, 7, "expand:") == 0) {
        v.type = RegType::ExpandString;
        pos += 7;
    }
    return Unquote(line, pos, v.text) && pos == line.size();
}

std::string FormatValue(const RegValue& v)
{
    std::string line = v.name.empty() ? "@" : Quote(v.name);
    line += '=';
    switch (v.type) {
    case RegType::String: line += Quote(v.text); break;
    case RegType::ExpandString: line += "expand:" + Quote(v.text); break;
    case RegType::Integer: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%08x", static_cast<std::uint32_t>(v.integer));
        line += "dword:";
        line += buf;
        break;
    }
    }
    return line;
}

struct FileLock {
    int fd = -1;
    explicit FileLock(const fs::path& file)
    {
        fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) throw RegistryError("cannot open " + file.string() + ": " + std::strerror(errno));
        while (::flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                const int err = errno;
                ::close(fd);
                throw RegistryError("cannot lock " + file.string() + ": " + std::strerror(err));
            }
        }
    }
    ~FileLock() { ::close(fd); }
};

} // namespace

Registry::Registry(fs::path root) : root_(std::move(root)) {}

fs::path Registry::DefaultRoot() { return ShellFolders::ConfigRoot() / "registry"; }

Registry Registry::Open() { return Registry(DefaultRoot()); }

Registry::Path Registry::ParsePath(const std::string& key)
{
    static const std::pair<const char*, const char*> hives[] = {
        {"HKEY_CLASSES_ROOT", "HKCR"}, {"HKEY_CURRENT_USER", "HKCU"}, {"HKEY_LOCAL_MACHINE", "HKLM"},
        {"HKEY_USERS", "HKU"},         {"HKEY_CURRENT_CONFIG", "HKCC"},
    };
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= key.size()) {
        const auto bs = key.find('\\', pos);
        std::string part = key.substr(pos, bs == std::string::npos ? std::string::npos : bs - pos);
        if (!part.empty()) parts.push_back(part);
        if (bs == std::string::npos) break;
        pos = bs + 1;
    }
    Path p;
    if (!parts.empty()) {
        const std::string first = AsciiUpper(parts.front());
        for (const auto& [name, abbr] : hives)
            if (first == name || first == abbr) p.hive = name;
    }
    if (p.hive.empty()) throw RegistryError("not a registry key path: " + key);
    for (std::size_t i = 1; i < parts.size(); ++i) {
        for (unsigned char c : parts[i])
            if (c < 0x20 || c == '[' || c == ']') throw RegistryError("invalid character in the key name " + parts[i]);
        p.parts.push_back(parts[i]);
        if (!p.joined.empty()) p.joined += '\\';
        p.joined += parts[i];
    }
    return p;
}

fs::path Registry::HiveFile(const std::string& hive) const { return root_ / (hive + ".reg"); }

std::vector<Registry::Key> Registry::Load(const std::string& hive) const
{
    std::vector<Key> keys;
    std::ifstream in(HiveFile(hive), std::ios::binary);
    if (!in) return keys;
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (first) {
            first = false;
            // A file of another format is never rewritten by us: that would lose what it holds.
            if (line != kHeader) throw RegistryError(HiveFile(hive).string() + " is not a registry file of this version");
            continue;
        }
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[' && line.back() == ']') {
            keys.push_back({line.substr(1, line.size() - 2), {}});
            continue;
        }
        RegValue v;
        if (keys.empty() || !ParseValue(line, v)) continue; // an unreadable line is left out, not fatal
        auto& values = keys.back().values;
        auto it = std::find_if(values.begin(), values.end(), [&](const RegValue& x) { return SameText(x.name, v.name); });
        if (it != values.end()) *it = v;
        else values.push_back(v);
    }
    return keys;
}

void Registry::Save(const std::string& hive, const std::vector<Key>& keys) const
{
    std::string out = std::string(kHeader) + "\n";
    for (const auto& k : keys) {
        out += "\n[" + k.path + "]\n";
        for (const auto& v : k.values) out += FormatValue(v) + "\n";
    }
    const auto file = HiveFile(hive);
    std::filesystem::create_directories(file.parent_path());
    WriteFileAtomically(file, out);
}

template <typename F>
bool Registry::Modify(const std::string& hive, F&& change)
{
    std::error_code ec;
    fs::create_directories(root_, ec);
    FileLock lock(root_ / (hive + ".lock"));
    auto keys = Load(hive);
    const bool changed = change(keys);
    if (changed) Save(hive, keys);
    return changed;
}

bool Registry::KeyExists(const std::string& key) const
{
    const Path p = ParsePath(key);
    if (p.parts.empty()) return true;
    for (const auto& k : Load(p.hive))
        if (SameOrBelow(k.path, p.joined)) return true;
    return false;
}

void Registry::CreateKey(const std::string& key)
{
    const Path p = ParsePath(key);
    if (p.parts.empty()) return;
    Modify(p.hive, [&](std::vector<Key>& keys) {
        for (const auto& k : keys)
            if (SameText(k.path, p.joined)) return false;
        keys.push_back({p.joined, {}});
        return true;
    });
}

bool Registry::DeleteKey(const std::string& key)
{
    const Path p = ParsePath(key);
    if (p.parts.empty()) throw RegistryError("a hive cannot be deleted: " + key);
    return Modify(p.hive, [&](std::vector<Key>& keys) {
        const auto n = keys.size();
        std::erase_if(keys, [&](const Key& k) { return SameOrBelow(k.path, p.joined); });
        return keys.size() != n;
    });
}

std::vector<std::string> Registry::GetKeyNames(const std::string& key) const
{
    const Path p = ParsePath(key);
    std::vector<std::string> names;
    for (const auto& k : Load(p.hive)) {
        if (!SameOrBelow(k.path, p.joined) || k.path.size() == p.joined.size()) continue;
        const std::string rest = k.path.substr(p.joined.empty() ? 0 : p.joined.size() + 1);
        const std::string child = rest.substr(0, rest.find('\\'));
        if (std::none_of(names.begin(), names.end(), [&](const std::string& n) { return SameText(n, child); }))
            names.push_back(child);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return AsciiUpper(a) < AsciiUpper(b); });
    return names;
}

std::vector<std::string> Registry::GetValueNames(const std::string& key) const
{
    const Path p = ParsePath(key);
    std::vector<std::string> names;
    for (const auto& k : Load(p.hive))
        if (SameText(k.path, p.joined))
            for (const auto& v : k.values) names.push_back(v.name);
    return names;
}

std::optional<RegValue> Registry::ReadValue(const std::string& key, const std::string& name) const
{
    const Path p = ParsePath(key);
    for (const auto& k : Load(p.hive)) {
        if (!SameText(k.path, p.joined)) continue;
        for (const auto& v : k.values)
            if (SameText(v.name, name)) return v;
    }
    return std::nullopt;
}

std::optional<std::string> Registry::ReadString(const std::string& key, const std::string& name) const
{
    auto v = ReadValue(key, name);
    if (!v || v->type == RegType::Integer) return std::nullopt;
    return v->text;
}

std::optional<std::int32_t> Registry::ReadInteger(const std::string& key, const std::string& name) const
{
    auto v = ReadValue(key, name);
    if (!v || v->type != RegType::Integer) return std::nullopt;
    return v->integer;
}

void Registry::WriteValue(const std::string& key, const RegValue& value)
{
    const Path p = ParsePath(key);
    if (p.parts.empty()) throw RegistryError("values cannot be written into a hive itself: " + key);
    Modify(p.hive, [&](std::vector<Key>& keys) {
        auto k = std::find_if(keys.begin(), keys.end(), [&](const Key& x) { return SameText(x.path, p.joined); });
        if (k == keys.end()) {
            keys.push_back({p.joined, {}});
            k = keys.end() - 1;
        }
        auto v = std::find_if(k->values.begin(), k->values.end(), [&](const RegValue& x) { return SameText(x.name, value.name); });
        if (v != k->values.end()) {
            const std::string keepName = v->name;
            *v = value;
            v->name = keepName;
        } else {
            k->values.push_back(value);
        }
        return true;
    });
}

void Registry::WriteString(const std::string& key, const std::string& name, const std::string& text)
{
    WriteValue(key, RegValue{name, RegType::String, text, 0});
}

void Registry::WriteExpandString(const std::string& key, const std::string& name, const std::string& text)
{
    WriteValue(key, RegValue{name, RegType::ExpandString, text, 0});
}

void Registry::WriteInteger(const std::string& key, const std::string& name, std::int32_t value)
{
    WriteValue(key, RegValue{name, RegType::Integer, {}, value});
}

bool Registry::DeleteValue(const std::string& key, const std::string& name)
{
    const Path p = ParsePath(key);
    return Modify(p.hive, [&](std::vector<Key>& keys) {
        for (auto& k : keys) {
            if (!SameText(k.path, p.joined)) continue;
            const auto n = k.values.size();
            std::erase_if(k.values, [&](const RegValue& v) { return SameText(v.name, name); });
            return k.values.size() != n;
        }
        return false;
    });
}

} // namespace kb
