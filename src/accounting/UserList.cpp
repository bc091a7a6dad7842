#include "accounting/UserList.h"

#include "core/ErrorReporter.h"

#include <optional>
#include <stdexcept>

namespace kb {
namespace {

const char* const kMsgUserList = "ユーザーリストの取得に失敗しました。";
const char* const kMsgLoginList = "ログインユーザーリストの取得に失敗しました。";

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

// The operator columns the list keeps. Passwords are not read: a pick list never holds them.
const char* const kOperatorColumns =
    "SELECT O.GROUPID,O.OPCODE,O.OPNAME,O.JOBLEVEL,L.NAME,O.JIMUSHO,O.OKINIIRI,O.KANSA,O.MYNUMBER_ADM,O.SHONIN\n";
// The same for system databases older than the columns MYNUMBER_ADM and SHONIN.
const char* const kOperatorColumnsOld =
    "SELECT O.GROUPID,O.OPCODE,O.OPNAME,O.JOBLEVEL,L.NAME,O.JIMUSHO,O.OKINIIRI,O.KANSA,0 AS MYNUMBER_ADM,0 AS SHONIN\n";
const char* const kOperatorFrom = "FROM OPERATOR O\nINNER JOIN LEVELNAME L ON (O.JOBLEVEL=L.LEVELNO)\n";
const char* const kOperatorWhere = "WHERE (O.GROUPID=:GROUPID) AND (O.OPCODE>=10)";

} // namespace

TUserList::TUserList(TDM& dm)
    : Transaction(&dm.IBDatabaseDEF, fb::Transaction::ReadCommitted())
    , SysQuery(dm.IBDatabaseDEF, &Transaction)
    // No operation of the list runs it; it stays on the data module's data transaction because
    // one transaction here spans one database.
    , DataQuery(dm.IBDatabaseDAT, &dm.IBTransactionDAT)
    , dm_(dm)
{
}

void TUserList::Clear()
{
    Entries.clear();
    Lines.clear();
    Count = 0;
}

void TUserList::SetTransaction(fb::Transaction* transaction, int which)
{
    if (which == -1) {
        SysQuery.SetTransaction(&Transaction);
        DataQuery.SetTransaction(&dm_.IBTransactionDAT);
    } else if (which == 0) {
        SysQuery.SetTransaction(transaction);
    } else {
        DataQuery.SetTransaction(transaction);
    }
}

void TUserList::Execute()
{
    Clear();
    if (!FirstText.empty()) {
        TUserListRec first;
        first.GROUPID = GroupId;
        first.OPNAME = FirstText;
        first.JOBLEVEL = 9;
        Entries.push_back(first);
        Lines.push_back(QuotedLines == 1 ? Quoted(FirstText) + "\t" + Quoted("") : FirstText);
    }
    fb::Transaction* tr = SysQuery.GetTransaction();
    const bool wasActive = tr->InTransaction();
    // A failed read still commits what it started (nothing to undo).
    std::optional<fb::TransactionGuard> guard;
    try {
        guard.emplace(*tr, fb::TransactionGuard::Unfinished::Commit);
        const std::string approvers = ApproversOnly == 1 ? "\nAND (SHONIN>0)" : "";
        SysQuery.SetSQL(std::string("SELECT COUNT(O.GROUPID) AS RECCNT FROM OPERATOR O\n") +
                        "INNER JOIN LEVELNAME L ON (O.JOBLEVEL=L.LEVELNO)\n" + kOperatorWhere + approvers);
        SysQuery.ParamByName("GROUPID").SetInteger(GroupId);
        SysQuery.ExecQuery();
        const int count = SysQuery.FieldByName("RECCNT").AsInteger();
        SysQuery.Close();
        if (count > 0) {
            Entries.reserve(Entries.size() + static_cast<std::size_t>(count));
            auto run = [this](const std::string& sql) {
                SysQuery.SetSQL(sql);
                SysQuery.ParamByName("GROUPID").SetInteger(GroupId);
                SysQuery.ExecQuery();
            };
            try {
                run(std::string(kOperatorColumns) + kOperatorFrom + kOperatorWhere + approvers + "\nORDER BY O.OPCODE");
            } catch (const FbError&) {
                bool ran = false;
                for (int attempt = 0; attempt < 3 && !ran; ++attempt) {
                    try {
                        run(std::string(kOperatorColumnsOld) + kOperatorFrom + kOperatorWhere + "\nORDER BY O.OPCODE");
                        ran = true;
                    } catch (const FbError&) {
                        // the older column list failed too: tried again, then refused below
                    }
                }
                if (!ran) throw std::runtime_error("OPERATORテーブル参照クエリーの作成エラー");
            }
            for (; !SysQuery.Eof(); SysQuery.Next()) {
                TUserListRec rec;
                rec.GROUPID = SysQuery.FieldByName("GROUPID").AsInteger();
                rec.OPCODE = SysQuery.FieldByName("OPCODE").AsInteger();
                rec.OPNAME = SysQuery.FieldByName("OPNAME").AsString();
                rec.JOBLEVEL = SysQuery.FieldByName("JOBLEVEL").AsInteger();
                rec.NAME = SysQuery.FieldByName("NAME").AsString();
                rec.JIMUSHO = static_cast<std::uint8_t>(SysQuery.FieldByName("JIMUSHO").AsInteger());
                rec.OKINIIRI = static_cast<std::uint8_t>(SysQuery.FieldByName("OKINIIRI").AsInteger());
                rec.MYNUMBER_ADM = static_cast<std::uint8_t>(SysQuery.FieldByName("MYNUMBER_ADM").AsInteger());
                rec.SHONIN = static_cast<std::uint8_t>(SysQuery.FieldByName("SHONIN").AsInteger());
                Entries.push_back(rec);
                Lines.push_back(QuotedLines == 1 ? Quoted(std::to_string(rec.OPCODE)) + "\t" + Quoted(rec.OPNAME)
                                                 : std::to_string(rec.OPCODE) + ":" + rec.OPNAME);
            }
            SysQuery.Close();
        }
        guard->Commit();
    } catch (const FbError& e) {
        if (!wasActive) {
            ShowIBError(e, "TUserList.Execute", kMsgUserList);
            if (guard) guard->EndUnfinished();
        }
    } catch (const std::exception& e) {
        if (!wasActive) {
            ShowErrorDetail(kMsgUserList, e.what());
            if (guard) guard->EndUnfinished();
        }
    }
    // Entries and lines stay parallel even when a read stopped half-way.
    Entries.resize(Lines.size());
    Count = static_cast<std::int32_t>(Lines.size());
}

std::int32_t TUserList::GetOpCode(int i) const
{
    return (i >= 0 && i < Count) ? Entries[static_cast<std::size_t>(i)].OPCODE : 0;
}

std::string TUserList::GetText() const
{
    std::string text;
    for (const auto& l : Lines) text += l + "\r\n";
    return text;
}

int TUserList::IndexOfOpCode(std::int32_t code) const
{
    for (std::size_t i = 0; i < Entries.size(); ++i)
        if (Entries[i].OPCODE == code) return static_cast<int>(i);
    return -1;
}

void TLoginUserList::Clear()
{
    Entries.clear();
    Lines.clear();
    Count = 0;
    OpCode = 0;
}

std::int32_t TLoginUserList::GetOpCode(int i) const
{
    return (i >= 0 && i < Count) ? Entries[static_cast<std::size_t>(i)].OPERATORCODE : 0;
}

std::string TLoginUserList::GetOpName(int i) const
{
    return (i >= 0 && i < Count) ? Entries[static_cast<std::size_t>(i)].OPNAME : std::string();
}

TLoginUserListOnDef::TLoginUserListOnDef(TDM& dm) : TLoginUserList(dm.IBDatabaseDEF, &dm.IBTransactionDEF), dm_(dm) {}

void TLoginUserListOnDef::Execute(std::int32_t groupId, std::int32_t opCode, bool includeSelf)
{
    Clear();
    GroupId = groupId;
    OpCode = opCode;
    IncludeSelf = includeSelf ? 1 : 0;
    fb::Transaction* tr = Query.GetTransaction();
    const bool wasActive = tr->InTransaction();
    // A failed read still commits what it started (nothing to undo).
    std::optional<fb::TransactionGuard> guard;
    try {
        guard.emplace(*tr, fb::TransactionGuard::Unfinished::Commit);
        Query.SetSQL(std::string("SELECT L.OPERATORCODE,L.PCNAME,O.OPNAME FROM LOGONUSERLIST L\n"
                                 "INNER JOIN OPERATOR O ON(L.GROUPID=O.GROUPID AND L.OPERATORCODE=O.OPCODE)\n"
                                 "WHERE L.GROUPID=:GROUPID") +
                     (includeSelf ? "" : "\nAND L.OPCODE<>:OPCODE") +
                     "\nGROUP BY L.OPERATORCODE,L.PCNAME,O.OPNAME\nORDER BY L.OPERATORCODE");
        Query.ParamByName("GROUPID").SetInteger(groupId);
        if (!includeSelf) Query.ParamByName("OPCODE").SetInteger(opCode);
        for (Query.ExecQuery(); !Query.Eof(); Query.Next()) {
            TLoginUserListRec rec;
            rec.OPERATORCODE = Query.FieldByName("OPERATORCODE").AsInteger();
            rec.OPNAME = Query.FieldByName("OPNAME").AsString();
            rec.PCNAME = Query.FieldByName("PCNAME").AsString();
            Entries.push_back(rec);
            Lines.push_back(std::to_string(rec.OPERATORCODE) + ":" + rec.OPNAME);
        }
        Query.Close();
        Count = static_cast<std::int32_t>(Lines.size());
        guard->Commit();
    } catch (const FbError& e) {
        Count = static_cast<std::int32_t>(Lines.size());
        if (!wasActive) {
            ShowIBError(e, "TLoginUserListOnDef.Execute", kMsgLoginList);
            if (guard) guard->EndUnfinished();
        }
        throw;
    } catch (const std::exception& e) {
        Count = static_cast<std::int32_t>(Lines.size());
        if (!wasActive) {
            ShowErrorDetail(kMsgLoginList, e.what());
            if (guard) guard->EndUnfinished();
        }
        throw;
    }
}

} // namespace kb
