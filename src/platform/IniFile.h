#pragma once
// INI files with the Windows profile behaviour the family's programs share:
// CP932 on disk with CR LF, sections and keys matched without regard to case, values kept as
// written (only the blanks around "=" and at the line ends are dropped), comments and unknown lines
// kept. Like the Windows calls, every write goes to disk at once and every read sees the file as it
// is now. A write replaces the whole file through WriteFileAtomically (platform/AtomicFile.h), so
// the file holds either its old or its new record; several keys and sections that make one record
// go through one Batch, read once and saved once. A line break in a name or value would add lines
// or sections: each CR LF, CR or LF is written as one blank instead.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kb {

class IniFile {
    struct Line {
        std::string text;         // the line as read (UTF-8), for comments and section heads
        std::string section;      // owning section (as written)
        std::string key, value;   // for key lines
        bool isKey = false;
        bool isSection = false;
    };

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

    // Several changes on one reading of the file, written by Commit in one save (nothing is
    // written before, and nothing when nothing changed). Throws std::runtime_error when the file
    // cannot be written; the file then keeps its old content.
    class Batch {
    public:
        explicit Batch(const IniFile& file);
        Batch& WriteString(const std::string& section, const std::string& key, const std::string& value);
        Batch& WriteInteger(const std::string& section, const std::string& key, int value);
        Batch& WriteBool(const std::string& section, const std::string& key, bool value);
        Batch& EraseKey(const std::string& section, const std::string& key);
        Batch& EraseSection(const std::string& section);
        void Commit();

    private:
        const IniFile& file_;
        std::vector<Line> lines_;
        bool changed_ = false;
    };

    // A name or value as it is written: line breaks folded to blanks.
    static std::string FoldLineBreaks(const std::string& text);

private:
    std::vector<Line> Load() const;
    void Save(const std::vector<Line>& lines) const;

    std::filesystem::path path_;
};

// Case-insensitive (ASCII) equality, as the Windows profile calls match names.
bool SameText(const std::string& a, const std::string& b);

} // namespace kb
