#include "platform/IniFile.h"

#include "platform/AtomicFile.h"
#include "platform/Text.h"

#include <fstream>
#include <sstream>

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

void IniFile::Save(const std::vector<Line>& lines) const
{
    std::string out;
    bool holdsPassword = false;
    for (const auto& l : lines) {
        if (l.isKey) out += l.key + "=" + l.value;
        else out += l.text;
        out += "\r\n";
        holdsPassword = holdsPassword || (l.isKey && SameText(l.key, "PASSWORD"));
    }
    // As the Windows calls, a write creates the file's folder.
    if (path_.has_parent_path()) std::filesystem::create_directories(path_.parent_path());
    // A file that holds a password is the user's alone.
    WriteFileAtomically(path_, Utf8ToCp932(out), holdsPassword ? FileAccess::Private : FileAccess::Keep);
}

std::string IniFile::FoldLineBreaks(const std::string& text)
{
    if (text.find_first_of("\r\n") == std::string::npos) return text;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out += (text[i] == '\r' || text[i] == '\n') ? ' ' : text[i];
    }
    return out;
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
    Batch(*this).WriteString(section, key, value).Commit();
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value)
{
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void IniFile::EraseKey(const std::string& section, const std::string& key) { Batch(*this).EraseKey(section, key).Commit(); }

void IniFile::EraseSection(const std::string& section) { Batch(*this).EraseSection(section).Commit(); }

IniFile::Batch::Batch(const IniFile& file) : file_(file), lines_(file.Load()) {}

IniFile::Batch& IniFile::Batch::WriteString(const std::string& rawSection, const std::string& rawKey,
                                            const std::string& rawValue)
{
    const std::string section = FoldLineBreaks(rawSection);
    const std::string key = FoldLineBreaks(rawKey);
    const std::string value = FoldLineBreaks(rawValue);
    changed_ = true;
    // Replace the existing key; else append after the section's last key line; else a new section.
    int lastInSection = -1;
    bool sectionFound = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        auto& l = lines_[i];
        if (l.isSection && SameText(l.section, section)) {
            sectionFound = true;
            lastInSection = static_cast<int>(i);
        } else if (!l.isSection && SameText(l.section, section) && sectionFound) {
            if (l.isKey && SameText(l.key, key)) {
                l.value = value;
                return *this;
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
        lines_.insert(lines_.begin() + lastInSection + 1, nl);
    } else {
        Line head;
        head.isSection = true;
        head.section = section;
        head.text = "[" + section + "]";
        lines_.push_back(head);
        lines_.push_back(nl);
    }
    return *this;
}

IniFile::Batch& IniFile::Batch::WriteInteger(const std::string& section, const std::string& key, int value)
{
    return WriteString(section, key, std::to_string(value));
}

IniFile::Batch& IniFile::Batch::WriteBool(const std::string& section, const std::string& key, bool value)
{
    return WriteString(section, key, value ? "1" : "0");
}

IniFile::Batch& IniFile::Batch::EraseKey(const std::string& section, const std::string& key)
{
    changed_ |= std::erase_if(lines_, [&](const Line& l) {
        return l.isKey && SameText(l.section, section) && SameText(l.key, key);
    }) > 0;
    return *this;
}

IniFile::Batch& IniFile::Batch::EraseSection(const std::string& section)
{
    changed_ |= std::erase_if(lines_, [&](const Line& l) {
        return SameText(l.section, section) && (l.isSection || !l.section.empty());
    }) > 0;
    return *this;
}

void IniFile::Batch::Commit()
{
    if (!changed_) return;
    file_.Save(lines_);
    changed_ = false;
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
