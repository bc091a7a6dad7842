#pragma once
// INI files with the Windows profile behaviour the family's programs share:
// CP932 on disk with CR LF, sections and keys matched without regard to case, values kept as
// written (only the blanks around "=" and at the line ends are dropped), comments and unknown lines
// kept. Like the Windows calls, every write goes to disk at once (atomically: a temporary file
// renamed over the old one) and every read sees the file as it is now.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kb {

class IniFile {
public:
    explicit IniFile(std::filesystem::path path);

    const std::filesystem::path& FileName() const { return path_; }

    std::string ReadString(const std::string& section, const std::string& key, const std::string& def = "") const;
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    // "1"/"0" as Delphi's TIniFile writes them; any other integer is true when non-zero.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    std::optional<std::string> Find(const std::string& section, const std::string& key) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

    void EraseKey(const std::string& section, const std::string& key);
    void EraseSection(const std::string& section);

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    std::vector<std::string> ReadSections() const;
    std::vector<std::string> ReadSection(const std::string& section) const; // the keys, in file order
    std::vector<std::pair<std::string, std::string>> ReadSectionValues(const std::string& section) const;

    // Throws std::runtime_error when the file cannot be written.
    static void SaveAtomically(const std::filesystem::path& path, const std::string& bytes);

private:
    struct Line {
        std::string text;         // the line as read (UTF-8), for comments and section heads
        std::string section;      // owning section (as written)
        std::string key, value;   // for key lines
        bool isKey = false;
        bool isSection = false;
    };
    std::vector<Line> Load() const;
    void Save(const std::vector<Line>& lines) const;

    std::filesystem::path path_;
};

// Case-insensitive (ASCII) equality, as the Windows profile calls match names.
bool SameText(const std::string& a, const std::string& b);

} // namespace kb
