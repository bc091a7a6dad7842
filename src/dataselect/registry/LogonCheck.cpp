#include "dataselect/registry/LogonCheck.h"

#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "fb/Database.h"
#include "fb/Statement.h"

#include <stdexcept>

namespace kb {

TLogonOutcome LogonOutcomeOf(int num)
{
    switch (num) {
    case 0:
    case 1: return TLogonOutcome::LoggedOn;
    case -1: return TLogonOutcome::WrongCode;
    case -3: return TLogonOutcome::AlreadyLoggedOn;
    default: return TLogonOutcome::Refused;
    }
}

namespace {

// One OPERATOR row of the logged-on operator; fill reads its fields. False when it cannot be read.
template <class F>
bool ReadOperator(fb::Transaction& tr, const char* columns, int loginCode, F&& fill)
{
    try {
        fb::TransactionGuard guard(tr);
        fb::Statement q(DM->IBDatabaseDEF, &tr);
        q.SetSQL(std::string("SELECT ") + columns + " FROM OPERATOR WHERE (GROUPID=:GROUPID) AND (OPCODE=:OPCODE)");
        q.ParamByName("GROUPID").SetInteger(SystemDef.GroupId);
        q.ParamByName("OPCODE").SetInteger(loginCode);
        q.ExecQuery();
        if (!q.Eof()) fill(q);
        q.Close();
        guard.Commit();
        return true;
    } catch (const std::exception&) {
        return false; // the caller keeps its defaults: these facts are extras of the log-on
    }
}

} // namespace

TLogonCheck CheckLogon(int code, const std::string& password, int mode)
{
    if (!DM || !DM->IBDatabaseDEF.Connected()) throw std::runtime_error("システムデータベースに接続されていません。");
    fb::Transaction& tr = DM->IBTransactionDEF;
    TLogonCheck result;
    SystemDef.OpCode = 0;
    int loginCode = 0, jobLevel = 0;
    {
        fb::TransactionGuard guard(tr);
        fb::Statement q(DM->IBDatabaseDEF, &tr);
        q.SetSQL("SELECT NUM,LOGINCODE,JOBLEVEL FROM LOGONUSERTEST(:PCNAME,:GROUPID,:OPCODE,:APPVERSION,:PASWORD)");
        q.ParamByName("PCNAME").SetString(SystemDef.PCName);
        q.ParamByName("GROUPID").SetInteger(SystemDef.GroupId);
        q.ParamByName("OPCODE").SetInteger(code);
        q.ParamByName("APPVERSION").SetInteger(2);
        q.ParamByName("PASWORD").SetString(password);
        q.ExecQuery();
        if (!q.Eof()) {
            result.ResultCode = q.FieldByName("NUM").AsInteger();
            loginCode = q.FieldByName("LOGINCODE").AsInteger();
            jobLevel = q.FieldByName("JOBLEVEL").AsInteger();
        } else {
            result.ResultCode = -1;
        }
        q.Close();
        guard.Commit();
    }
    result.Outcome = LogonOutcomeOf(result.ResultCode);
    if (result.ResultCode == 1) result.Registered = SystemDef.GroupId * 10000 + loginCode;
    if (result.Outcome != TLogonOutcome::LoggedOn) return result;

    SystemDef.OpCode = SystemDef.GroupId * 10000 + loginCode;
    ReadOperator(tr, "OPNAME,JIMUSHO", loginCode, [](fb::Statement& q) {
        SystemDef.OpName = q.FieldByName("OPNAME").AsString();
        SystemDef.AllSisetu = q.FieldByName("JIMUSHO").AsInteger() == 1;
    });
    SystemDef.JobLevel = jobLevel;
    SystemDef.OpNo = loginCode;
    SystemDef.MyNumberAdmin = false;
    SystemDef.Approver = false;
    const bool rights = ReadOperator(tr, "MYNUMBER_ADM,SHONIN", loginCode, [](fb::Statement& q) {
        SystemDef.MyNumberAdmin = q.FieldByName("MYNUMBER_ADM").AsInteger() == 1;
        SystemDef.Approver = q.FieldByName("SHONIN").AsInteger() == 1;
    });
    if (!rights) SystemDef.MyNumberAdmin = SystemDef.Approver = false;
    SystemDef.ServerTempDir.clear();
    if (mode == 1) {
        // The "drive" of a POSIX folder is its root.
        std::string temp = ServerTempDirName;
        if (!temp.empty() && temp.front() == '/') temp.erase(0, 1);
        SystemDef.ServerTempDir = "/" + temp;
    }
    if (OemFlag == 2) {
        SystemDef.JobLevel = 0;
        SystemDef.AllSisetu = false;
    }
    return result;
}

} // namespace kb
