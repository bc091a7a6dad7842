#pragma once
// The registry store: what the Windows registry gave the family's programs (installed product keys,
// versions, small settings), kept in files under the configuration root. Keys are addressed by their
// Windows paths, "HKEY_LOCAL_MACHINE\SOFTWARE\ZANDREL\...": a hive name (or its short form HKLM,
// HKCU, HKCR, HKU, HKCC), then key names separated by "\". Key and value names match without regard
// to ASCII case and keep the case they were created with. Values are strings, expandable strings
// and 32-bit integers. Each hive is one text file, <root>/<HIVE>.reg, in the format described in
// docs/platform.md; writes are atomic and serialised between processes by a lock file.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kb {

struct RegistryError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

enum class RegType { String, ExpandString, Integer };

struct RegValue {
    std::string name;      // "" is the key's default value
    RegType type = RegType::String;
    std::string text;      // String and ExpandString
    std::int32_t integer = 0; // Integer
};

class Registry {
public:
    // The store under root (one file per hive in it).
    explicit Registry(std::filesystem::path root);
    // The store of this installation: ShellFolders::ConfigRoot()/registry.
    static Registry Open();
    static std::filesystem::path DefaultRoot();
    const std::filesystem::path& Root() const { return root_; }

    // A key exists when it was created or when a key below it exists (as keys created with their
    // parents do on Windows). The hive itself always exists.
    bool KeyExists(const std::string& key) const;
    void CreateKey(const std::string& key);
    // Removes the key with every key below it; false when there was none.
    bool DeleteKey(const std::string& key);
    // Names of the keys directly below, sorted without regard to case.
    std::vector<std::string> GetKeyNames(const std::string& key) const;
    // Names of the key's values in the order they were first written.
    std::vector<std::string> GetValueNames(const std::string& key) const;

    std::optional<RegValue> ReadValue(const std::string& key, const std::string& name) const;
    bool ValueExists(const std::string& key, const std::string& name) const { return ReadValue(key, name).has_value(); }
    // The text of a string or expandable string (not expanded); empty when missing or of another type.
    std::optional<std::string> ReadString(const std::string& key, const std::string& name) const;
    // An integer value; empty when missing or of another type.
    std::optional<std::int32_t> ReadInteger(const std::string& key, const std::string& name) const;

    // Writing creates the key (and, implicitly, its parents) and replaces a value of any type.
    void WriteString(const std::string& key, const std::string& name, const std::string& text);
    void WriteExpandString(const std::string& key, const std::string& name, const std::string& text);
    void WriteInteger(const std::string& key, const std::string& name, std::int32_t value);
    void WriteValue(const std::string& key, const RegValue& value);
    // False when the value was not there.
    bool DeleteValue(const std::string& key, const std::string& name);

private:
    struct Path {
        std::string hive;               // canonical hive name
        std::vector<std::string> parts; // key names below the hive
        std::string joined;             // parts joined by "\"
    };
    struct Key {
        std::string path;  // below the hive, as first created
        std::vector<RegValue> values;
    };
    static Path ParsePath(const std::string& key);
    std::filesystem::path HiveFile(const std::string& hive) const;
    std::vector<Key> Load(const std::string& hive) const;
    void Save(const std::string& hive, const std::vector<Key>& keys) const;
    template <typename F> bool Modify(const std::string& hive, F&& change);

    std::filesystem::path root_;
};

} // namespace kb
