#pragma once
// TJisyoLoader: the description dictionary (TEKDICTI tabs, TEKDIC entries) and the business-partner
// dictionary (TORDICTI, TORDIC) of one or all branches, exported to and imported from the
// dictionary exchange file (docs/formats.md). Tab rows are never created or deleted: an import
// fills the tabs a branch has, by position, and the entries of tabs it does not have are dropped.

#include "core/uAccRecord.h"
#include "exchange/BaseLoader.h"

#include <map>
#include <string>
#include <vector>

namespace kb {

class TJisyoLoader : public TBaseLoader {
public:
    TJisyoLoader();

    int Selector = 0;   // 0 both dictionaries, 1 descriptions only, 2 partners only
    int AllBranches = 1;
    std::string Scode;  // the branch when AllBranches is 0

    // Record codes of the version (the text is stored unchanged; writing always uses 1.2's codes).
    void SetFileVersion(const std::string& version);
    bool SaveToFile(const std::string& path);
    bool LoadFromFile(const std::string& path);
    void Clear();
    int CountRecords() override;

    // Import steps: the account cache of a branch, and one side's codes resolved against it
    // (account code replaced by the internal code; codes that do not resolve emptied).
    void LoadKamokuCodes(const std::string& scode);
    void ResolveKamokuCode(const std::string& recordCode, std::string& kcode, std::string& hcode, std::string& bcode);

private:
    enum Row { TekTab, TekEntry, TorTab, TorEntry };
    const std::string& CodeFor(Row row, int column) const { return codes_[row][column]; }
    int VersionColumn() const; // -1 for a version other than 1.0, 1.1, 1.2

    void ExportDictionary(bool partner);
    void ImportDictionary(bool partner);
    std::string BranchOf(const std::string& field) const;

    static const std::string codes_[4][3];
    std::map<std::string, int> tabKeys_;   // "<file tab key>-<branch>" = database tab key (0: none)
    std::vector<TKamokuCodeRec> cache_;
    std::string cacheScode_ = "**";
};

} // namespace kb
