#include "accounting/SeihinVersionList.h"

#include "core/TMojiBunkatu.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "platform/Registry.h"
#include "platform/Text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <stdexcept>

namespace kb {
namespace {

std::optional<std::int32_t> ToInt(const std::string& s)
{
    std::int32_t v = 0;
    const auto* end = s.data() + s.size();
    const auto r = std::from_chars(s.data(), end, v);
    if (s.empty() || r.ec != std::errc() || r.ptr != end) return std::nullopt;
    return v;
}

// "a.b.c" with exactly three parts and numeric first two: {a, b}; otherwise nothing.
std::optional<std::pair<std::int32_t, std::int32_t>> SplitVersion(const std::string& text)
{
    TMojiBunkatu split;
    split.Delimiter = '.';
    split.Bunkatu(text);
    if (split.Count != 3) return std::nullopt;
    const auto major = ToInt(split.GetMoji(0));
    const auto minor = ToInt(split.GetMoji(1));
    // A part that is not a number cannot name a version; such a key is left out.
    if (!major || !minor) return std::nullopt;
    return std::make_pair(*major, *minor);
}

} // namespace

TSeihinVersionList::TSeihinVersionList()
{
    switch (AppKind) {
    case 2: ProductName = AppInfo.AzimoRegKey; break;
    case 3: ProductName = AppInfo.ReruziroRegKey; break;
    default: ProductName = AppInfo.ZaimuRegKey; break;
    }
    Clear();
}

void TSeihinVersionList::Clear()
{
    Count = 0;
    Lines.clear();
    Entries.clear();
}

void TSeihinVersionList::Add(const TDataVersionRec& rec)
{
    Entries.push_back(rec);
    Lines.push_back(rec.TypeName);
}

void TSeihinVersionList::ReadVersionList(int sortFlag)
{
    Clear();
    if (!CurrentText.empty()) Add({0, 0, 0, CurrentText});
    if (OemFlag == 0) {
        for (const auto& b : SeihinBuiltInVersions)
            if (const auto v = SplitVersion(b.Version)) Add({v->first, v->second, 0, b.Name});
    }

    const std::string root = "HKEY_LOCAL_MACHINE\\" + AppInfo.ApplicationRegKey;
    const std::string product = AsciiUpper(ProductName);
    try {
        const Registry reg = RegistryRoot.empty() ? Registry::Open() : Registry(RegistryRoot);
        if (!AppInfo.ApplicationRegKey.empty() && reg.KeyExists(root)) {
            for (const auto& sub : reg.GetKeyNames(root)) {
                if (AsciiUpper(sub).find(product) == std::string::npos) continue;
                const std::string key = root + "\\" + sub;
                const auto v = SplitVersion(reg.ReadString(key, "Version").value_or(""));
                if (!v) continue;
                const bool known = std::any_of(Entries.begin(), Entries.end(), [&](const TDataVersionRec& e) {
                    return e.Major == v->first && e.Minor == v->second;
                });
                if (known) continue;
                Add({v->first, v->second, 0, reg.ReadString(key, "Type").value_or("")});
            }
        }
    } catch (const std::exception&) {
        // An unreadable (or unplaceable) store lists no installed editions, as a missing key does.
    }
    Count = static_cast<std::int32_t>(Lines.size());
    if (sortFlag == 1) Sort(1);
}

void TSeihinVersionList::Sort(int order)
{
    if (order == 0 || order == 1) {
        const std::size_t first = CurrentText.empty() ? 0 : 1;
        if (Entries.size() > first) {
            std::stable_sort(Entries.begin() + static_cast<std::ptrdiff_t>(first), Entries.end(),
                             [order](const TDataVersionRec& a, const TDataVersionRec& b) {
                                 const auto ka = std::make_pair(a.Major, a.Minor);
                                 const auto kb = std::make_pair(b.Major, b.Minor);
                                 return order == 0 ? ka < kb : kb < ka;
                             });
        }
    }
    Lines.clear();
    for (const auto& e : Entries) Lines.push_back(e.TypeName);
}

std::string TSeihinVersionList::GetText() const
{
    std::string text;
    for (const auto& l : Lines) text += l + "\r\n";
    return text;
}

std::string TSeihinVersionList::GetVersionText(int i) const
{
    if (i < 0 || i >= Count || i >= static_cast<int>(Entries.size())) return {};
    const auto& e = Entries[static_cast<std::size_t>(i)];
    if (e.Major == 0 && e.Minor == 0) return {};
    return std::to_string(e.Major) + "." + std::to_string(e.Minor);
}

std::string TSeihinVersionList::GetTypeName(int i) const
{
    if (i < 0 || i >= Count || i >= static_cast<int>(Entries.size())) return {};
    return Entries[static_cast<std::size_t>(i)].TypeName;
}

int TSeihinVersionList::IndexOfTypeName(const std::string& name) const
{
    for (std::size_t i = 0; i < Entries.size(); ++i)
        if (Entries[i].TypeName == name) return static_cast<int>(i);
    return -1;
}

} // namespace kb
