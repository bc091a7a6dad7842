#pragma once
// The operator check of the log-on, apart from its box (TLogonBox only shows the outcome): the
// procedure LOGONUSERTEST checks the operator code and password and registers the log-on in
// LOGONUSERLIST; on success the operator's facts are read and SystemDef's operator fields filled.

#include <string>

namespace kb {

enum class TLogonOutcome {
    LoggedOn,        // NUM 0 or 1
    WrongCode,       // NUM -1, or no answer: unknown code or wrong password
    AlreadyLoggedOn, // NUM -3: the operator is logged on at another computer
    Refused,         // any other NUM: refused with its code
};

struct TLogonCheck {
    TLogonOutcome Outcome = TLogonOutcome::Refused;
    int ResultCode = 0;  // the procedure's NUM (-1 when it answered no row)
    int Registered = 0;  // operator number of the log-on record the procedure wrote (0: none)
};

// The outcome of the procedure's NUM.
TLogonOutcome LogonOutcomeOf(int num);

// Runs the check for operator code and password on the data module's connected system database
// (mode 1: client of a database server). SystemDef.OpCode is 0 until the operator is logged on;
// then OpCode, OpNo, JobLevel, OpName, AllSisetu, MyNumberAdmin, Approver and ServerTempDir are
// set (the name and the rights are extras: an operator row that cannot be read leaves them).
// A database failure of the procedure throws FbError, with its transaction ended.
TLogonCheck CheckLogon(int code, const std::string& password, int mode);

} // namespace kb
