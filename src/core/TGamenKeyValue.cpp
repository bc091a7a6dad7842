#include "core/TGamenKeyValue.h"

#include "core/TMojiBunkatu.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "core/z5ComFunc.h"
#include "fb/FbError.h"
#include "fb/Statement.h"
#include "platform/Text.h"

#include <fstream>
#include <iostream>
#include <stdexcept>

namespace kb {

namespace {

fb::Connection& SysDb()
{
    if (!DM)
        throw std::logic_error("the data module is not created");
    return DM->IBDatabaseDEF;
}
fb::Transaction& SysTr()
{
    if (!DM)
        throw std::logic_error("the data module is not created");
    return DM->IBTransactionDEF;
}

std::string UpperAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// A whole, valid number greater than 0, or 0.
int PositiveNumber(const std::string& s)
{
    if (s.empty() || s.size() > 9)
        return 0;
    for (char c : s)
        if (c < '0' || c > '9')
            return 0;
    return std::stoi(s);
}

std::string JoinCrLf(const std::vector<std::string>& lines)
{
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i)
        out += (i ? "\r\n" : "") + lines[i];
    return out;
}

void ShowInformation(const std::string& text)
{
    if (IErrorUi* ui = GetErrorUi())
        ui->ShowMessageBox(text, TMsgDlgType::mtInformation);
    else
        std::cerr << text << '\n';
}

// Reports a failure as every store of this unit does: database errors through the reporter,
// anything else with the detail box.
void Report(const std::string& context, const std::string& message)
{
    try {
        throw;
    } catch (const FbError& e) {
        ShowIBError(e, context, message);
    } catch (const std::exception& e) {
        ShowErrorDetail(message, e.what());
    }
}

} // namespace

std::string GamenStyleName(const std::string& prefix, const std::string& formName)
{
    return TrimZen(FixLeft(UpperAscii(prefix + formName), 40));
}

std::string GamenValueToStore(const std::string& value)
{
    std::string v = TrimZen(value);
    if (sjis::ByteLength(v) > 1024)
        v = TrimZen(sjis::Cut(v, 1024));
    return v;
}

TGamenKeyValue::TGamenKeyValue() : OpCode(SystemDef.OpCode), db_(&SysDb()), tr_(&SysTr()) {}

TGamenKeyValue::TGamenKeyValue(fb::Connection& db, fb::Transaction& tr, int opCode)
    : OpCode(opCode), db_(&db), tr_(&tr)
{
}

std::string TGamenKeyValue::FukugenValue(const std::string& formName)
{
    Value.clear();
    if (OpCode == 0 || formName.empty())
        return Value;
    StyleName = GamenStyleName(Prefix, formName);
    const bool wasActive = tr_->InTransaction();
    fb::TransactionGuard guard(*tr_, fb::TransactionGuard::Unfinished::Commit);
    try {
        fb::Statement q(*db_, tr_);
        q.SetSQL("SELECT SSTR FROM STYLECOLOR WHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        q.ParamByName("OPCODE").SetInteger(OpCode);
        q.ParamByName("STYLENAME").SetString(StyleName);
        q.ExecQuery();
        if (!q.Eof())
            Value = q.FieldByName("SSTR").AsString();
        q.Close();
        guard.Commit();
    } catch (...) {
        if (!wasActive)
            Report("TGamenValue.FukugenValue", "前回の画面値の取得に失敗しました。");
        Value.clear();
        // A read that failed changed nothing; the transaction ends as it would have.
        guard.EndUnfinished();
    }
    return Value;
}

void TGamenKeyValue::HozonValue(const std::string& formName, const std::string& value)
{
    if (OpCode == 0 || formName.empty())
        return;
    StyleName = GamenStyleName(Prefix, formName);
    Value = GamenValueToStore(value);
    const bool wasActive = tr_->InTransaction();
    fb::TransactionGuard guard(*tr_);
    try {
        fb::Statement q(*db_, tr_);
        q.SetSQL("SELECT COUNT(OPCODE) AS RECCNT FROM STYLECOLOR WHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        q.ParamByName("OPCODE").SetInteger(OpCode);
        q.ParamByName("STYLENAME").SetString(StyleName);
        q.ExecQuery();
        const bool exists = !q.Eof() && q.FieldByName("RECCNT").AsInteger() > 0;
        q.Close();
        fb::Statement w(*db_, tr_);
        if (exists)
            w.SetSQL("UPDATE STYLECOLOR SET OPCODE=:OPCODE,STYLENAME=:STYLENAME,LINECOLOR1=:LINECOLOR1,"
                     "LINECOLOR2=:LINECOLOR2,LINECOLOR3=:LINECOLOR3,LINECOLOR4=:LINECOLOR4,LINECOLOR5=:LINECOLOR5,"
                     "NETCOLOR1=:NETCOLOR1,NETCOLOR2=:NETCOLOR2,SSTR=:SSTR WHERE OPCODE=:OPCODE AND STYLENAME=:STYLENAME");
        else
            w.SetSQL("INSERT INTO STYLECOLOR(OPCODE,STYLENAME,LINECOLOR1,LINECOLOR2,LINECOLOR3,LINECOLOR4,LINECOLOR5,"
                     "NETCOLOR1,NETCOLOR2,SSTR) VALUES(:OPCODE,:STYLENAME,:LINECOLOR1,:LINECOLOR2,:LINECOLOR3,"
                     ":LINECOLOR4,:LINECOLOR5,:NETCOLOR1,:NETCOLOR2,:SSTR)");
        w.ParamByName("OPCODE").SetInteger(OpCode);
        w.ParamByName("STYLENAME").SetString(StyleName);
        for (const char* c : {"LINECOLOR1", "LINECOLOR2", "LINECOLOR3", "LINECOLOR4", "LINECOLOR5", "NETCOLOR1",
                              "NETCOLOR2"})
            w.ParamByName(c).SetInteger(-1);
        w.ParamByName("SSTR").SetString(Value);
        w.ExecQuery();
        guard.Commit();
    } catch (...) {
        if (!wasActive)
            Report("TGamenValue.HozonValue", "画面値の保存に失敗しました。");
        // Nothing half-written is kept: what this call started is rolled back by the guard.
    }
}

// --- code systems -----------------------------------------------------------------------------

int CodeTaikeiListOf(int t)
{
    if (t >= 1 && t <= 8) return t;
    if (t == 21 || t == 22) return 2;
    if (t >= 31 && t <= 34) return 3;
    if (t == 71) return 7;
    return 0;
}

void SortCodeTaikeiLines(const std::vector<std::string>& lines, TCodeTaikeiRec2& rec)
{
    TMojiBunkatu sp;
    sp.Delimiter = ',';
    for (const std::string& line : lines) {
        sp.Bunkatu(line);
        const int type = PositiveNumber(sp.GetMoji(0));
        const int list = CodeTaikeiListOf(type);
        if (list == 0)
            continue;
        if (type == 1) {
            rec.NAME = sp.GetMoji(1);
            rec.DATATYPE = PositiveNumber(sp.GetMoji(2));
            rec.CODETYPE = PositiveNumber(sp.GetMoji(3));
            if (sp.Count > 5)
                rec.SeihinKubun = sp.GetMoji(5);
        }
        rec.INIDAT[list - 1].push_back(line);
    }
}

std::optional<std::pair<int, int>> KubunSyufukuTarget(const std::string& inidat1)
{
    // The header is the first line of INIDAT1.
    const std::string header = inidat1.substr(0, inidat1.find_first_of("\r\n"));
    TMojiBunkatu sp;
    sp.Delimiter = ',';
    sp.Bunkatu(header);
    const int kind = PositiveNumber(sp.GetMoji(2));
    const int code = PositiveNumber(sp.GetMoji(3));
    if (kind <= 0 || code <= 0 || kind == 1)
        return std::nullopt;
    return std::make_pair(kind, code);
}

bool CheckSeihinKubunFor(const std::string& productKind, int oemFlag, const std::string& expected,
                         const std::string& appTitle, std::string& message)
{
    const bool ok = (oemFlag == 1 || oemFlag == 2) ? productKind == expected
                                                   : (productKind.empty() || productKind == expected);
    if (!ok)
        message = "このプログラムでは、該当のデータ（製品区分）を処理することが出来ません。" + appTitle +
                  "以外で作成されたデータの可能性があります。";
    return ok;
}

TCodeTaikeiIO::TCodeTaikeiIO() : db_(&SysDb()), tr_(&SysTr()) { KubunSyufuku(); }

TCodeTaikeiIO::TCodeTaikeiIO(fb::Connection& db, fb::Transaction& tr) : db_(&db), tr_(&tr) { KubunSyufuku(); }

bool TCodeTaikeiIO::UpDateRecored(const TCodeTaikeiRec2& rec)
{
    if (rec.NAME.empty() || rec.DATATYPE == 0 || rec.CODETYPE == 0)
        return false;
    fb::TransactionGuard guard(*tr_);
    try {
        fb::Statement q(*db_, tr_);
        q.SetSQL("UPDATE USERCODE SET NAME=:NAME,DATATYPE=:DATATYPE,CODETYPE=:CODETYPE,"
                 "INIDAT1=:INIDAT1,INIDAT2=:INIDAT2,INIDAT3=:INIDAT3,INIDAT4=:INIDAT4,INIDAT5=:INIDAT5,"
                 "INIDAT6=:INIDAT6,INIDAT7=:INIDAT7,INIDAT8=:INIDAT8 WHERE RECNO=:RECNO");
        q.ParamByName("NAME").SetString(rec.NAME);
        q.ParamByName("DATATYPE").SetInteger(rec.DATATYPE);
        q.ParamByName("CODETYPE").SetInteger(rec.CODETYPE);
        for (int n = 1; n <= 8; ++n)
            q.ParamByName("INIDAT" + std::to_string(n)).SetString(JoinCrLf(rec.INIDAT[n - 1]));
        q.ParamByName("RECNO").SetInteger(rec.RECNO);
        q.ExecQuery();
        guard.Commit();
        return true;
    } catch (...) {
        Report("TCodeTaikeiIO.UpDateRecored", "コード体系の更新に失敗しました。");
        guard.EndUnfinished();
        return false;
    }
}

bool TCodeTaikeiIO::ImportFromFile(const std::string& fileName, int recNo)
{
    TCodeTaikeiRec2 rec;
    rec.RECNO = recNo;
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        ShowErrorDetail("コード体系の更新に失敗しました。", fileName);
        return false;
    }
    std::vector<std::string> lines;
    for (std::string raw; std::getline(in, raw);) {
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        lines.push_back(Cp932ToUtf8(raw));
    }
    SortCodeTaikeiLines(lines, rec);
    std::string message;
    if (!CheckSeihinKubun(rec.SeihinKubun, message)) {
        ShowInformation(message);
        return false;
    }
    return UpDateRecored(rec);
}

void TCodeTaikeiIO::KubunSyufuku()
{
    fb::TransactionGuard guard(*tr_);
    try {
        std::vector<std::pair<int, std::pair<int, int>>> repairs;
        fb::Statement q(*db_, tr_);
        q.SetSQL("SELECT RECNO,INIDAT1 FROM USERCODE WHERE DATATYPE=1 AND CODETYPE=1");
        for (q.ExecQuery(); !q.Eof(); q.Next())
            if (auto t = KubunSyufukuTarget(q.FieldByName("INIDAT1").AsString()))
                repairs.push_back({q.FieldByName("RECNO").AsInteger(), *t});
        q.Close();
        fb::Statement u(*db_, tr_);
        u.SetSQL("UPDATE USERCODE SET DATATYPE=:DATATYPE,CODETYPE=:CODETYPE WHERE RECNO=:RECNO");
        for (const auto& [recNo, kinds] : repairs) {
            u.ParamByName("DATATYPE").SetInteger(kinds.first);
            u.ParamByName("CODETYPE").SetInteger(kinds.second);
            u.ParamByName("RECNO").SetInteger(recNo);
            u.ExecQuery();
        }
        guard.Commit();
    } catch (...) {
        Report("TCodeTaikeiIO.KubunSyufuku", "コード体系の区分修復に失敗しました。");
        guard.EndUnfinished();
    }
}

bool TCodeTaikeiIO::CheckSeihinKubun(const std::string& productKind, std::string& message)
{
    return CheckSeihinKubunFor(productKind, OemFlag, AppInfo.OEM + AppInfo.VerTest, AppInfo.ZaimuAppTitle, message);
}

} // namespace kb
