#pragma once
// SitenList: TSitenList, the branches (本・支店) of the open data set, or for medical-corporation
// data its facilities (施設) with their business divisions, as pick-list entries and display lines,
// restricted to what an operator may use (OPLICENSE). The same list built for all branches and for
// one operator has the same length only when the operator may use every branch: CheckSitenRange
// and the data-set information's permission test rely on that.
//
// It works on the open data database and reads the open data set's facts from AccInf (SITEN,
// BUMON, DATATYPE, SHOUGOU, IryouHoujin).

#include "core/DataModule.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kb {

struct TSitenListRec {
    std::string Code;          // " " for the total and the business-division entries
    std::string Name;
    std::int32_t Kind = 0;     // 0 total, 1 group (normal) or business division (medical), 2 branch or
                               // facility, 3 one with its own departments, 5 facility group (medical)
    std::int32_t Jigyou = 0;   // MB_JIGYOU bit; 1 for every normal-mode entry; 0 medical total and groups
    std::int32_t BUMEX = 0;
    std::int32_t Color = 0;    // COLOR of the branch's settings text
    std::int32_t Reserve1 = 0;
    std::int32_t Reserve2 = 0;
};

// Options bits.
enum : std::uint8_t { slTotal = 1, slGroups = 2, slBranches = 4, slOwnDepartments = 8 };

class TSitenList {
public:
    explicit TSitenList(TDM& dm);

    fb::Statement Query;
    std::vector<TSitenListRec> Entries;
    std::vector<std::string> Lines;
    std::int32_t Count = 0;
    std::uint8_t Options = 0;
    std::int32_t OpCode = 0;        // the operator the list was built for; -1 all
    std::int32_t JigyouFilter = 0;  // > 0: medical facility queries restricted to that division
    std::uint8_t QuotedLines = 0;   // 1: three tab-separated double-quoted fields per line
    std::uint8_t IncludeCode00 = 1; // 0: the facility "00" is left out of the medical lists

    void Clear();
    void SetTransaction(fb::Transaction& transaction);
    std::string GetCode(int i) const;
    // Pass -1 for all branches. Database errors are reported and thrown on.
    void Execute(int opCode);

private:
    void ExecuteSiten();
    void ExecuteSisetu();
    bool Restricted() const { return OpCode != -1; }
    std::string Title() const;
    void Add(const TSitenListRec& rec, const std::string& plain, const std::string& f1, const std::string& f2,
             const std::string& f3);
    void AddTotal(std::int32_t jigyou, std::int32_t bumex);
    bool TotalPermitted();
    void AddGroups(std::int32_t kind, std::int32_t jigyou);
    void AddBranches(bool ownDepartments, bool medical);

    TDM& dm_;
};

// True when the data set does not use branches, or when the operator may use every branch.
// Errors are reported by the list and answer false.
bool CheckSitenRange(TDM& dm, int opcode);


} // namespace kb
