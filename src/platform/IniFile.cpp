#include "platform/IniFile.h"

#include "platform/Text.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace kb {
namespace {

} // namespace

bool SameText(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return false;
    }
    return true;
}

IniFile::IniFile(std::filesystem::path path) : path_(std::move(path)) {}

std::vector<IniFile::Line> IniFile::Load() const
{
    std::vector<Line> lines;
    std::ifstream in(path_, std::ios::binary);
    if (!in) return lines;
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string text = Cp932ToUtf8(ss.str());
    std::string current;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::string raw = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        pos = nl == std::string::npos ? text.size() : nl + 1;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        Line l;
        l.text = raw;
        const std::string t = TrimBlanks(raw);
        if (!t.empty() && t.front() == '[') {
            const auto close = t.find(']');
            current = TrimBlanks(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            l.isSection = true;
            l.section = current;
        } else {
            l.section = current;
            const auto eq = raw.find('=');
            if (eq != std::string::npos && !t.empty() && t.front() != ';') {
                l.isKey = true;
                l.key = TrimBlanks(raw.substr(0, eq));
                l.value = TrimBlanks(raw.substr(eq + 1));
            }
        }
        lines.push_back(std::move(l));
    }
    return lines;
}

void IniFile::SaveAtomically(const std::filesystem::path& path, const std::string& bytes)
{
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::random_device rd;
    const auto tmp = path.string() + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(rd());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) throw std::runtime_error("cannot write " + tmp);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            std::remove(tmp.c_str());
            throw std::runtime_error("cannot write " + tmp);
        }
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        std::remove(tmp.c_str());
        throw std::runtime_error("cannot replace " + path.string() + ": " + ec.message());
    }
}

void IniFile::Save(const std::vector<Line>& lines) const
{
    std::string out;
    for (const auto& l : lines) {
        if (l.isKey) out += l.key + "=" + l.value;
        else out += l.text;
        out += "\r\n";
    }
    SaveAtomically(path_, Utf8ToCp932(out));
}

std::optional<std::string> IniFile::Find(const std::string& section, const std::string& key) const
{
    for (const auto& l : Load())
        if (l.isKey && SameText(l.section, section) && SameText(l.key, key)) return l.value;
    return std::nullopt;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const
{
    auto v = Find(section, key);
    return v ? *v : def;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const
{
    auto v = Find(section, key);
    if (!v || v->empty()) return def;
    try {
        std::size_t used = 0;
        int base = 10;
        std::string s = *v;
        if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) base = 16;
        else if (!s.empty() && s[0] == '$') { s = s.substr(1); base = 16; }
        const long r = std::stol(s, &used, base);
        if (used != s.size()) return def;
        return static_cast<int>(r);
    } catch (const std::exception&) {
        return def;
    }
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    auto lines = Load();
    // Replace the existing key; else append after the section's last key line; else a new section.
    int lastInSection = -1;
    bool sectionFound = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto& l = lines[i];
        if (l.isSection && SameText(l.section, section)) {
            sectionFound = true;
            lastInSection = static_cast<int>(i);
        } else if (!l.isSection && SameText(l.section, section) && sectionFound) {
            if (l.isKey && SameText(l.key, key)) {
                l.value = value;
                Save(lines);
                return;
            }
            if (l.isKey) lastInSection = static_cast<int>(i);
        }
    }
    Line nl;
    nl.isKey = true;
    nl.key = key;
    nl.value = value;
    nl.section = section;
    if (sectionFound) {
        lines.insert(lines.begin() + lastInSection + 1, nl);
    } else {
        Line head;
        head.isSection = true;
        head.section = section;
        head.text = "[" + section + "]";
        lines.push_back(head);
        lines.push_back(nl);
    }
    Save(lines);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value)
{
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void IniFile::EraseKey(const std::string& section, const std::string& key)
{
    auto lines = Load();
    const auto before = lines.size();
    std::erase_if(lines, [&](const Line& l) { return l.isKey && SameText(l.section, section) && SameText(l.key, key); });
    if (lines.size() != before) Save(lines);
}

void IniFile::EraseSection(const std::string& section)
{
    auto lines = Load();
    const auto before = lines.size();
    std::erase_if(lines, [&](const Line& l) { return SameText(l.section, section) && (l.isSection || !l.section.empty()); });
    if (lines.size() != before) Save(lines);
}

bool IniFile::SectionExists(const std::string& section) const
{
    for (const auto& l : Load())
        if (l.isSection && SameText(l.section, section)) return true;
    return false;
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const { return Find(section, key).has_value(); }

std::vector<std::string> IniFile::ReadSections() const
{
    std::vector<std::string> out;
    for (const auto& l : Load())
        if (l.isSection) {
            bool seen = false;
            for (const auto& s : out) seen = seen || SameText(s, l.section);
            if (!seen) out.push_back(l.section);
        }
    return out;
}

std::vector<std::string> IniFile::ReadSection(const std::string& section) const
{
    std::vector<std::string> out;
    for (const auto& [k, v] : ReadSectionValues(section)) out.push_back(k);
    return out;
}

std::vector<std::pair<std::string, std::string>> IniFile::ReadSectionValues(const std::string& section) const
{
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& l : Load())
        if (l.isKey && SameText(l.section, section)) out.emplace_back(l.key, l.value);
    return out;
}

} // namespace kb
