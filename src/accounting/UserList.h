#pragma once
// UserList: operators of the system database for pick lists. TUserList lists the registered
// operators of a group with their level, rights and flags; TLoginUserListOnDef lists the operators
// logged on now (LOGONUSERLIST), optionally without the caller. Both keep typed entries and a
// parallel list of lines that a combo box or list box takes as they are.
//
// The entries never carry another operator's password: a pick list has no use for it.

#include "core/DataModule.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kb {

struct TUseSitenRec {
    std::string SCODE;
};
using TUseSitenList = std::vector<TUseSitenRec>;

struct TUserListRec {
    std::int32_t GROUPID = 0;
    std::int32_t OPCODE = 0;     // operator code without the group
    std::string OPNAME;
    std::string PASWORD;         // always empty: passwords stay in the database
    std::int32_t JOBLEVEL = 0;
    std::string NAME;            // level name (LEVELNAME)
    std::uint8_t JIMUSHO = 0;
    std::uint8_t OKINIIRI = 0;
    std::uint8_t KANSA = 0;      // not kept by the list (0)
    TUseSitenList UseSiten;      // left empty here
    std::string Text;            // left empty here
    std::uint8_t MYNUMBER_ADM = 0;
    std::uint8_t SHONIN = 0;
};

class TUserList {
public:
    explicit TUserList(TDM& dm);

    fb::Transaction Transaction;  // "read_committed", "rec_version", "nowait" on the system database
    fb::Statement SysQuery;
    fb::Statement DataQuery;
    std::string FirstText;        // not empty: an extra first entry with this name
    std::int32_t GroupId = 0;
    std::vector<TUserListRec> Entries;
    std::vector<std::string> Lines;
    std::int32_t Count = 0;
    std::uint8_t QuotedLines = 0;
    std::uint8_t ApproversOnly = 0;

    void Clear();
    // Errors are reported (when the transaction was not active before) and swallowed; the list
    // keeps what was read.
    void Execute();
    std::int32_t GetOpCode(int i) const;
    std::string GetText() const;
    // which -1: both statements back on Transaction; 0: SysQuery on transaction; else DataQuery.
    void SetTransaction(fb::Transaction* transaction, int which);
    int IndexOfOpCode(std::int32_t code) const;

private:
    TDM& dm_;
};

struct TLoginUserListRec {
    std::int32_t OPERATORCODE = 0;
    std::string OPNAME;
    std::string PCNAME;
};

class TLoginUserList {
public:
    explicit TLoginUserList(fb::Connection& db, fb::Transaction* tr) : Query(db, tr) {}
    virtual ~TLoginUserList() = default;

    fb::Statement Query;
    std::vector<TLoginUserListRec> Entries;
    std::vector<std::string> Lines;
    std::int32_t Count = 0;
    std::int32_t GroupId = 0;
    std::int32_t OpCode = 0;      // full operator number (group × 10000 + code) to leave out
    std::uint8_t IncludeSelf = 0;

    void Clear();
    std::int32_t GetOpCode(int i) const;
    std::string GetOpName(int i) const;
};

class TLoginUserListOnDef : public TLoginUserList {
public:
    // On the system database and the data module's system transaction.
    explicit TLoginUserListOnDef(TDM& dm);
    // Errors are reported (when the transaction was not active before) and thrown on.
    void Execute(std::int32_t groupId, std::int32_t opCode, bool includeSelf);

private:
    TDM& dm_;
};

} // namespace kb
