#pragma once
// TSeihinVersionList: the product editions ("版") that data versions belong to, so that a data
// version "major.minor" can be shown by its edition name: a few built-in editions and the editions
// installed on this computer as registry subkeys of the product.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kb {

struct TDataVersionRec {
    std::int32_t Major = 0;
    std::int32_t Minor = 0;
    std::int32_t Third = 0;  // always 0
    std::string TypeName;
};

class TSeihinVersionList {
public:
    // ProductName by AppKind: 2 [Azimo] RegKey, 3 [Reruziro] RegKey, otherwise [Zaimu] RegKey.
    TSeihinVersionList();

    std::string ProductName;
    // When not empty, ReadVersionList puts an entry with this name and version 0.0 first.
    std::string CurrentText;
    std::vector<TDataVersionRec> Entries;
    std::vector<std::string> Lines;
    std::int32_t Count = 0;
    // The registry store to read; empty: the installation's (Registry::Open()).
    std::filesystem::path RegistryRoot;

    void Clear();
    // sortFlag 1 sorts newest first.
    void ReadVersionList(int sortFlag);
    // 0 lower versions first, 1 higher first (stable; a CurrentText entry stays first);
    // any other value only rebuilds Lines.
    void Sort(int order);
    std::string GetText() const;
    // "%d.%d" of entry i; empty for 0.0 or out of range.
    std::string GetVersionText(int i) const;
    std::string GetTypeName(int i) const;
    int IndexOfTypeName(const std::string& name) const;

private:
    void Add(const TDataVersionRec& rec);
};

// The editions every list starts with (skipped in OEM editions): version text and name.
struct TSeihinBuiltIn {
    const char* Version;
    const char* Name;
};
inline constexpr TSeihinBuiltIn SeihinBuiltInVersions[] = {{"1.0.0", "09版"}, {"2.0.0", "10版"}, {"3.0.0", "11版"}};

} // namespace kb
