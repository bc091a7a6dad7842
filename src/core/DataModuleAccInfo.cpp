#include "core/DataModuleAccInfo.h"

#include "core/ErrorReporter.h"
#include "core/uAccDateCmp.h"
#include "core/uAccRecord.h"
#include "core/uAccSikinguriCmp.h"
#include "core/uAccTaxCmp.h"
#include "core/uAccZanTable.h"
#include "core/z5ComFunc.h"
#include "core/z5EasyEncode.h"
#include "platform/Text.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace kb {
namespace {

const char* const kMsgAccInfo = "基本情報の取得に失敗しました。\r";
const char* const kMsgSisetu = "通常使用するデータ（本・支店）の取得に失敗しました。";
const char* const kMsgNoDataType = "このプログラムでは、該当のデータタイプを処理することが出来ません。";
const char* const kMsgNoCodeType = "このプログラムでは、該当のコードタイプを処理することが出来ません。";

fb::Statement DataStatement(TDM& dm) { return fb::Statement(dm.IBDatabaseDAT, &dm.IBTransactionDAT); }
fb::Statement DefStatement(TDM& dm) { return fb::Statement(dm.IBDatabaseDEF, &dm.IBTransactionDEF); }

int ToIntOr0(const std::string& s)
{
    const std::string t = TrimBlanks(s);
    int v = 0;
    const auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    return (t.empty() || ec != std::errc() || p != t.data() + t.size()) ? 0 : v;
}

// Half- and full-width blanks removed at both ends.
std::string TrimHalfFull(std::string s)
{
    const std::string full = "　";
    for (bool changed = true; changed;) {
        changed = false;
        if (!s.empty() && s.front() == ' ') { s.erase(0, 1); changed = true; }
        if (!s.empty() && s.back() == ' ') { s.pop_back(); changed = true; }
        if (s.rfind(full, 0) == 0) { s.erase(0, full.size()); changed = true; }
        if (s.size() >= full.size() && s.compare(s.size() - full.size(), full.size(), full) == 0) {
            s.erase(s.size() - full.size());
            changed = true;
        }
    }
    return s;
}

bool IsPlainIdentifier(const std::string& s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isalnum(c) || c == '_' || c == '$'; });
}

// Reads every column of ACCDEF1 into AccInf.
void CopyAccDef1(const fb::Statement& q)
{
    TACCINF& a = AccInf;
    auto i = [&](const char* n) { return q.FieldByName(n).AsInteger(); };
    auto s = [&](const char* n) { return q.FieldByName(n).AsString(); };
    auto d = [&](const char* n) { return q.FieldByName(n).AsDate(); };
    a.GROUPID = i("GROUPID");
    a.ENTTEXT = s("ENTTEXT");
    a.SERIAL = s("SERIAL");
    a.TANTOU = i("TANTOU");
    a.GYOUSHU = i("GYOUSHU");
    a.DATATYPE = i("DATATYPE");
    GetDataTypeName(a.DATATYPE, a.DataTypeName);
    a.CODETYPE = i("CODETYPE");
    GetCodeTypeName(a.DATATYPE, a.CODETYPE, a.CodeTypeName, false);
    a.SCODE1 = s("SCODE1");
    a.SCODE2 = s("SCODE2");
    a.SKANA = s("SKANA");
    a.SHOUGOU = s("SHOUGOU");
    a.POST = s("POST");
    a.ADD1 = s("ADD1");
    a.ADD2 = s("ADD2");
    a.TEL = s("TEL");
    a.AO_ADD1 = s("AO_ADD1");
    a.AO_ADD2 = s("AO_ADD2");
    a.AO_KANA = s("AO_KANA");
    a.AO_SIMEI = s("AO_SIMEI");
    a.AO_GYOUSHU = s("AO_GYOUSHU");
    a.AO_YAGO = s("AO_YAGO");
    a.AO_KANYU = s("AO_KANYU");
    a.AO_TEL = s("AO_TEL");
    a.AO_SHOKUGYO1 = s("AO_SHOKUGYO1");
    a.AO_SHOKUGYO2 = s("AO_SHOKUGYO2");
    a.MAIL = s("MAIL");
    a.zzKISHU = d("ZZKISHU");
    a.zKISHU = d("ZKISHU");
    a.NENDO = i("NENDO");
    a.KISHU = d("KISHU");
    a.KIMATU = d("KIMATU");
    a.KAISI = d("KAISI");
    a.SIME = i("SIME");
    a.KAISINO = i("KAISINO");
    a.GENGOU_FLG = i("GENGOU_FLG");
    a.GENGOU_HOSEI = i("GENGOU_HOSEI");
    a.GENGOU_NAME = s("GENGOU_NAME");
    for (int k = 0; k < 3; ++k) a.YAKUMEI[k] = s(("YAKUMEI" + std::to_string(k + 1)).c_str());
    for (int k = 0; k < 5; ++k) {
        const std::string n = std::to_string(k + 1);
        a.OLD_TAX_RATE[k] = q.FieldByName("OLD_TAX_RATE" + n).AsCurrency();
        a.NEW_TAX_RATE[k] = q.FieldByName("NEW_TAX_RATE" + n).AsCurrency();
        a.CHG_DAYS[k] = q.FieldByName("CHG_DAYS" + n).AsDate();
    }
    a.KANSA_FIXDATE = d("KANSA_FIXDATE");
    a.KANSA_DATE = d("KANSA_DATE");
    a.CALCU = i("CALCU");
    a.TAXU_HASUU = i("TAXU_HASUU");
    a.TAXH_HASUU = i("TAXH_HASUU");
    a.TAXDEFUH = i("TAXDEFUH");
    a.TAXKANNI = i("TAXKANNI");
    a.TAXJIGYOU = i("TAXJIGYOU");
    a.GENKAPRINT = i("GENKAPRINT");
    a.KANSA_LOCK = i("KANSA_LOCK");
    a.TEGATADICSW = i("TEGATADICSW");
    // Columns that older data sets lack.
    if (q.HasField("KESSAN_KIKAN")) a.KESSAN_KIKAN = i("KESSAN_KIKAN");
    if (q.HasField("CASHFLOW_KIKAN1")) a.CASHFLOW_KIKAN1 = i("CASHFLOW_KIKAN1");
    if (q.HasField("CASHFLOW_KIKAN2")) a.CASHFLOW_KIKAN2 = i("CASHFLOW_KIKAN2");
    a.CASHFLOWSW = i("CASHFLOWSW");
    a.SDAI_HASUU1 = i("SDAI_HASUU1");
    a.SDAI_HASUU2 = i("SDAI_HASUU2");
    a.SDAI_HASUU3 = q.HasField("SDAI_HASUU3") ? i("SDAI_HASUU3") : 0;
    a.CONVERT = i("CONVERT");
    a.SHOUHYOU = i("SHOUHYOU");
    a.SITEN = i("SITEN");
    a.BUMON = i("BUMON");
    a.DATALOCK = i("DATALOCK");
    a.FUMEI_KCODE = s("FUMEI_KCODE");
    a.GENKA_USE = i("GENKA_USE");
    for (int k = 0; k < 5; ++k) a.GENKA_HWORD[k] = s(("GENKA_HWORD" + std::to_string(k + 1)).c_str());
    if (q.HasField("GENKA_HWORD6")) a.GENKA_HWORD6 = s("GENKA_HWORD6");
    a.Pasword = s("PASWORD");
    a.WebHolder = q.HasField("WEB_HOLDER") ? s("WEB_HOLDER") : std::string();
    // Each of the two cloud columns on its own: a data set may have the line without the time.
    a.CloudLine = q.HasField("CLOUD_LINE") ? i("CLOUD_LINE") : 0;
    a.CloudTime = q.HasField("CLOUD_LINE") && q.HasField("CLOUD_TIME") ? q.FieldByName("CLOUD_TIME").AsDateTime() : DateTime();
    a.ReadOnly = q.HasField("READ_ONLY") ? i("READ_ONLY") : 0;
    a.TaxDefUHList = {a.TAXDEFUH, q.HasField("KURIKOSI1") ? i("KURIKOSI1") : a.TAXDEFUH,
                      q.HasField("KURIKOSI2") ? i("KURIKOSI2") : a.TAXDEFUH};
}

std::int32_t RegInt(TDM& dm, const char* group, const char* key, const char* def = "0")
{
    return RegAsInteger(GetAccReg(dm, group, key, kRegInteger, def));
}

} // namespace

// ---- names of kinds

void GetDataTypeName(int kind, std::string& name)
{
    switch (kind) {
    case 1: name = "法人"; return;
    case 2: name = "個人"; return;
    case 3: name = "医療法人"; return;
    default: throw TDataKindError(std::string(kMsgNoDataType) + "(DataType=" + std::to_string(kind) + ")");
    }
}

void GetCodeTypeName(int kind, int code, std::string& name, bool withKind)
{
    std::string kindName;
    GetDataTypeName(kind, kindName);
    std::string codeName;
    if (kind == 1 && code != 1) throw TDataKindError(std::string(kMsgNoDataType) + "(CodeType=" + std::to_string(code) + ")");
    if (kind == 3 && code != 1) throw TDataKindError(std::string(kMsgNoCodeType) + "(CodeType=" + std::to_string(code) + ")");
    if (kind == 2) {
        static const char* const names[] = {"一般", "不動産", "クリニック", "農業"};
        if (code < 1 || code > 4) throw TDataKindError(std::string(kMsgNoCodeType) + "(CodeType=" + std::to_string(code) + ")");
        codeName = names[code - 1];
    }
    if (withKind) name = codeName.empty() ? kindName : kindName + "／" + codeName;
    else name = codeName;
}

bool SetMedicalTables(int kind, int code)
{
    const bool medical = kind == 3 && code == 1;
    AccZanSetTables(medical);
    AccSikinguriSetTable(medical);
    return medical;
}

bool GetMedicalFlag() { return SetMedicalTables(AccInf.DATATYPE, AccInf.CODETYPE); }

// ---- small lookups

void fnGetAccTotalName(TDM& dm, const std::string& code, const std::string& column, std::string& value)
{
    // The column name is part of the statement text: only a plain name may go there.
    if (!IsPlainIdentifier(column)) throw std::invalid_argument("not a column name: " + column);
    fb::TransactionGuard guard(dm.IBTransactionDAT);
    try {
        fb::Statement q = DataStatement(dm);
        q.SetSQL("SELECT " + column + " FROM ACCTOTALNAME\nWHERE KGROUP=:KGROUP");
        q.ParamByName("KGROUP").SetString(code);
        for (q.ExecQuery(); !q.Eof(); q.Next()) value = q.FieldByName(column).AsString();
        q.Close();
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.fnGetAccTotalName", "集計名称の取得に失敗しました。");
    }
    guard.Commit();
}

void SetSystemCode(TDM& dm, const std::string& name, std::string& kcode, std::string& usercode)
{
    kcode.clear();
    usercode.clear();
    fb::TransactionGuard guard(dm.IBTransactionDAT);
    try {
        fb::Statement q = DataStatement(dm);
        q.SetSQL("SELECT A.KCODE,K.USERCODE FROM ACCDEF2 A\nINNER JOIN KAMOKUMST K ON (A.KCODE=K.KCODE)\nWHERE A.KNAME=:NAME");
        q.ParamByName("NAME").SetString(name);
        q.ExecQuery();
        if (!q.Eof()) {
            kcode = q.FieldByName("KCODE").AsString();
            usercode = q.FieldByName("USERCODE").AsString();
        }
        q.Close();
        guard.Commit();
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.SetSystemCode", "");
        guard.Rollback();
        throw;
    }
}

void GetUserCode(TDM& dm, const std::string& kcode, std::string& usercode)
{
    if (TrimBlanks(kcode).empty()) return;
    // its own transaction is committed also when the read fails; the error goes on to the caller
    fb::TransactionGuard guard(dm.IBTransactionDAT, fb::TransactionGuard::Unfinished::Commit);
    {
        fb::Statement q = DataStatement(dm);
        q.SetSQL("SELECT USERCODE FROM KAMOKUMST\nWHERE KCODE=:KCODE");
        q.ParamByName("KCODE").SetString(kcode);
        q.ExecQuery();
        if (!q.Eof()) usercode = q.FieldByName("USERCODE").AsString();
        q.Close();
    }
    guard.Commit();
}

void GetTusinID(TDM& dm, int rec, int slot)
{
    if (slot < 0 || slot >= static_cast<int>(AccInf.TusinHolder.size())) throw std::out_of_range("GetTusinID: slot");
    if (!fnExistence_Table(dm, "TUSIN_ID")) return;
    // its own transaction is committed also when the read fails; the error goes on to the caller
    fb::TransactionGuard guard(dm.IBTransactionDAT, fb::TransactionGuard::Unfinished::Commit);
    {
        fb::Statement q = DataStatement(dm);
        q.SetSQL("SELECT REC,HOLDER,PASWORD FROM TUSIN_ID\nWHERE REC=:REC");
        q.ParamByName("REC").SetInteger(rec);
        for (q.ExecQuery(); !q.Eof(); q.Next()) {
            AccInf.TusinHolder[slot] = q.FieldByName("HOLDER").AsString();
            AccInf.TusinPasword[slot] = q.FieldByName("PASWORD").AsString();
        }
        q.Close();
    }
    guard.Commit();
}

bool fnExistence_Table(TDM& dm, const std::string& table)
{
    try {
        fb::TransactionGuard guard(dm.IBTransactionDAT);
        fb::Statement q = DataStatement(dm);
        q.SetSQL("SELECT Count(*) AS CNT FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME=:Table_NAME");
        q.ParamByName("Table_NAME").SetString(table);
        q.ExecQuery();
        const bool found = q.FieldByName("CNT").AsInteger() > 0;
        q.Close();
        guard.Commit();
        return found;
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.fnExistence_Table", "テーブルの存在情報の取得に失敗しました。");
    }
    return false;
}

bool fnExistence_Field(TDM& dm, const std::string& table, const std::string& field)
{
    try {
        fb::TransactionGuard guard(dm.IBTransactionDAT);
        fb::Statement q = DataStatement(dm);
        q.SetSQL("SELECT count(*) AS CNT FROM RDB$RELATION_FIELDS WHERE (RDB$RELATION_NAME=:TABLE_NAME) AND (RDB$FIELD_NAME=:FIELD_NAME )");
        q.ParamByName("TABLE_NAME").SetString(table);
        q.ParamByName("FIELD_NAME").SetString(field);
        q.ExecQuery();
        const bool found = q.FieldByName("CNT").AsInteger() > 0;
        q.Close();
        guard.Commit();
        return found;
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.fnExistence_Field", "テーブル項目の存在情報の取得に失敗しました。");
    }
    return false;
}

void fnGetDataBaseVer(TDM& dm, std::string& version)
{
    version = "0.0.0";
    try {
        // The version is read alone: whatever the caller has open is committed first.
        fb::TransactionGuard guard(dm.IBTransactionDAT, fb::TransactionGuard::Unfinished::Rollback,
                                   fb::TransactionGuard::Owner::Fresh);
        fb::Statement q = DataStatement(dm);
        q.SetSQL("SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION WHERE REC=1");
        q.ExecQuery();
        if (!q.Eof())
            version = std::to_string(q.FieldByName("MAJOR").AsInteger()) + "." + std::to_string(q.FieldByName("MINOR1").AsInteger()) +
                      "." + std::to_string(q.FieldByName("MINOR2").AsInteger());
        q.Close();
        guard.Commit();
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.fnGetDataBaseVer", "データベースのバージョンの取得に失敗しました。");
        version = "0.0.0";
    }
}

// ---- facilities

bool IsAllSisetuAllowed() { return SystemDef.AllSisetuSwitch == 1 || SystemDef.AllSisetu || SystemDef.JobLevel == 9; }

bool fnGetExistsOpeDefSisetu(TDM& dm)
{
    if (IsAllSisetuAllowed()) return true;
    fb::TransactionGuard guard(dm.IBTransactionDAT);
    bool found = false;
    try {
        fb::Statement q = DataStatement(dm);
        q.SetSQL("SELECT OD.OPCODE,OD.SCODE FROM OPDEFSISETU OD\nINNER JOIN OPLICENSE OL ON (OD.OPCODE=OL.OPCODE)\nWHERE OD.OPCODE=:OPCODE");
        q.ParamByName("OPCODE").SetInteger(SystemDef.OpCode);
        q.ExecQuery();
        found = !q.Eof();
        q.Close();
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.fnGetExistsOpeDefSisetu", kMsgSisetu);
        found = false;
    }
    guard.Commit();
    return found;
}

void GetSstrValue(const std::string& sstr, const std::string& key, TRegValue& value)
{
    value = std::int32_t{0};
    const std::string k = AsciiUpper(key);
    std::string text;
    bool found = false;
    std::size_t pos = 0;
    while (pos <= sstr.size()) {
        std::size_t end = sstr.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = sstr.size();
        const std::string line = sstr.substr(pos, end - pos);
        if (line.size() > k.size() && line[k.size()] == '=' && AsciiUpper(line.substr(0, k.size())) == k) {
            text = line.substr(k.size() + 1);
            found = true;
            break;
        }
        if (end >= sstr.size()) break;
        pos = end + 1;
    }
    if (!found) return;
    if (k != "COLOR") {
        value = text;
        return;
    }
    int colour = 0;
    if (!TrimBlanks(text).empty()) colour = ToIntOr0(text);
    value = std::int32_t{colour <= 0 ? 0xFFAF80 : colour};
}

void GetOpeDefSisetu(TDM& dm, std::string& name)
{
    const bool medical = AccInf.IryouHoujin;
    const char* const medicalSelect = "SELECT SCODE,SNAME,MB_JIGYOU AS JIGYOKBN,XSTR FROM SISETUMST\n";
    fb::TransactionGuard guard(dm.IBTransactionDAT);
    try {
        auto take = [&](fb::Statement& q) {
            bool any = false;
            for (q.ExecQuery(); !q.Eof(); q.Next()) {
                std::string code = q.FieldByName("SCODE").AsString();
                if (code.empty()) code = " ";
                SystemDef.SisetuCode = code;
                SystemDef.DefSisetuCode = code;
                SystemDef.DefJigyoKbn = q.FieldByName("JIGYOKBN").AsInteger();
                TRegValue colour;
                GetSstrValue(q.FieldByName("XSTR").AsString(), "COLOR", colour);
                SystemDef.DefSisetuColor = RegAsInteger(colour);
                name = q.FieldByName("SNAME").AsString();
                any = true;
            }
            q.Close();
            return any;
        };
        fb::Statement q = DataStatement(dm);
        if (IsAllSisetuAllowed()) {
            if (!medical) {
                q.SetSQL(AccInf.SITEN != 0
                             ? "SELECT SCODE,SNAME,1 AS JIGYOKBN,XSTR FROM SISETUMST\nWHERE SCODE=(SELECT MIN(SCODE) FROM SISETUMST WHERE SCODE<>'')"
                             : "SELECT '' AS SCODE,SHOUGOU AS SNAME,1 AS JIGYOKBN,0 AS XSTR FROM ACCDEF1");
            } else {
                if (AccInf.SITEN == 0)
                    throw std::runtime_error("このデータは医療法人データですが、施設管理がおこなわれていません。\rデータが損傷している可能性があります。");
                q.SetSQL(std::string(medicalSelect) + "WHERE SCODE=(SELECT MIN(SCODE) FROM SISETUMST WHERE (SCODE<>'') AND (SCODE<>'00'))");
            }
        } else {
            q.SetSQL(std::string(medical ? "SELECT O.SCODE,S.SNAME,S.MB_JIGYOU AS JIGYOKBN,S.XSTR FROM OPDEFSISETU O\n"
                                         : "SELECT O.SCODE,S.SNAME,1 AS JIGYOKBN,S.XSTR FROM OPDEFSISETU O\n") +
                     "INNER JOIN SISETUMST S ON (O.SCODE=S.SCODE)\nWHERE OPCODE=:OPCODE");
            q.ParamByName("OPCODE").SetInteger(SystemDef.OpCode);
        }
        const bool any = take(q);
        if (medical && !any) {
            fb::Statement m = DataStatement(dm);
            m.SetSQL(std::string(medicalSelect) + "WHERE SCODE='00'");
            take(m);
        }
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.GetOpeDefSisetu", kMsgSisetu);
    } catch (const std::exception& e) {
        ShowErrorDetail(kMsgSisetu, e.what());
    }
    guard.Commit();
}

// ---- modes

bool IsReadOnlyData()
{
    if (AppKind == 1 || AppKind == 2) return true;
    return AccInf.ReadOnly == 1;
}

bool IsCloudShareMode(int flag)
{
    if (OemFlag != 0) return false;
    bool result = (AppKind == 0 || AppKind == 2) ? ConnectMode != 2 : false;
    if (flag == 1 && AppKind == 2) result = false;
    return result;
}

bool IsOverLimit(int flag, Date date)
{
    const TACCINF& a = AccInf;
    if (date.IsNull() || a.KANSA_DATE.IsNull() || a.KANSA_FIXDATE.IsNull() || a.KANSA_LOCK == 0) return false;
    if ((SystemDef.AllSisetu || SystemDef.JobLevel == 9) && AppKind != 3) return false;
    if (a.KansaKessanInclude) return date <= a.KANSA_FIXDATE;
    return date < a.KANSA_FIXDATE || (date == a.KANSA_FIXDATE && flag == 0);
}

int FixTaxCalcKbn(int kind) { return kind; }
std::string FixOptionKbn(const std::string& value) { return value; }

// ---- eras

void LoadGengo(TDM& dm)
{
    GengoList.clear();
    try {
        fb::TransactionGuard guard(dm.IBTransactionDEF);
        try {
            fb::Statement c = DefStatement(dm);
            c.SetSQL("SELECT COUNT(*) AS RECCNT FROM GENGO");
            c.ExecQuery();
            GengoList.reserve(static_cast<std::size_t>(std::max(0, c.FieldByName("RECCNT").AsInteger())));
            c.Close();
            fb::Statement q = DefStatement(dm);
            q.SetSQL("SELECT GNAME,GSIGN,STARTDATE,YEAROFFSET FROM GENGO\nORDER BY YEAROFFSET DESC");
            for (q.ExecQuery(); !q.Eof(); q.Next()) {
                TGengoRec r;
                r.Name = q.FieldByName("GNAME").AsString();
                r.Sign = q.FieldByName("GSIGN").AsString();
                r.StartDate = q.FieldByName("STARTDATE").AsDate();
                r.StartYear = q.FieldByName("YEAROFFSET").AsInteger();
                GengoList.push_back(r);
            }
            q.Close();
        } catch (const std::exception&) {
            // an unreadable era table falls back to the built-in one below
        }
        guard.Commit();
    } catch (const std::exception&) {
    }
    if (GengoList.empty()) InitGengoTable();
}

// ---- data-list identity

void GetDataPathCodes(const std::string& path, std::string& groupText, std::string& dataText)
{
    groupText.clear();
    dataText.clear();
    std::string p = path;
    for (const char* blank : {"　", " "})
        for (std::size_t at; (at = p.find(blank)) != std::string::npos;) p.erase(at, std::char_traits<char>::length(blank));
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto slash = p.find('/', start);
        parts.push_back(p.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const std::string u = AsciiUpper(parts[k]);
        if (u == "DATA" || u == "CB_DATA") {
            if (k + 1 < parts.size()) groupText = parts[k + 1];
            if (k + 2 < parts.size()) dataText = parts[k + 2];
            return;
        }
    }
}

void GetDataListRec(TDM& dm, const std::string& path, int& rec, int& rowno)
{
    rec = 0;
    rowno = 0;
    if (TrimBlanks(path).empty()) return;
    if (ConnectMode == 0) {
        std::string group, data;
        GetDataPathCodes(path, group, data);
        rec = ToIntOr0(group);
        rowno = ToIntOr0(data);
        return;
    }
    try {
        fb::TransactionGuard guard(dm.IBTransactionDEF);
        try {
            fb::Statement q = DefStatement(dm);
            q.SetSQL("SELECT REC FROM DATALIST\nWHERE (GROUPID=:GROUPID) AND (UPPER(PASNAME)=:PASNAME)");
            q.ParamByName("GROUPID").SetInteger(SystemDef.GroupId);
            q.ParamByName("PASNAME").SetString(AsciiUpper(path));
            for (q.ExecQuery(); !q.Eof(); q.Next()) rec = q.FieldByName("REC").AsInteger();
            q.Close();
        } catch (const std::exception&) {
        }
        guard.Commit();
    } catch (const std::exception&) {
    }
}

// ---- fnGetAccInfo

bool fnGetAccInfo(TDM& dm)
{
    TACCINF& a = AccInf;
    // What the load started is committed also after a failure: the defaults it inserted stay.
    fb::TransactionGuard guard(dm.IBTransactionDAT, fb::TransactionGuard::Unfinished::Commit);
    bool ok = false;
    try {
        fb::Statement& q = dm.IBQACC1;
        q.SetTransaction(&dm.IBTransactionDAT);
        q.SetSQL("SELECT * FROM ACCDEF1");
        q.ExecQuery();
        if (q.Eof()) {
            q.Close();
            throw std::runtime_error("基本設定(ACCDEF1)のレコードが見つかりませんでした。");
        }
        CopyAccDef1(q);
        DataReadOnly = IsReadOnlyData() ? 1 : 0;

        // The six summary-line names as the line tables hold their codes at this moment.
        static const int entries[6] = {68, 60, 62, 64, 65, 87};
        for (int k = 0; k < 5; ++k) fnGetAccTotalName(dm, AccZanLineCodes[entries[k]], "PLUSNAME", a.PlusName[k]);
        fnGetAccTotalName(dm, AccZanLineCodes[entries[5]], "PLUSNAME", a.PlusName6);
        a.SysCodeLoaded = 1;
        a.IryouHoujin = GetMedicalFlag();
        q.Close();

        a.KaisiKikanIdx = KikanNoToMonthIdx(a.KAISINO);
        a.KimatuKikanNo = GetKikanNo(a.SIME, 0, a.KISHU, a.KIMATU, a.KIMATU);
        a.KaisiMonths = GetMonthCount(a.SIME, a.KISHU, a.KAISI);
        a.KimatuMonths = GetMonthCount(a.SIME, a.KISHU, a.KIMATU);

        // System accounts by role.
        for (int k = 5; k <= 11; ++k) {
            a.SysKcode[k].clear();
            a.SysUserCode[k].clear();
        }
        const char* common[5] = {"現金", "仮払消費税", "仮受消費税", "諸口", a.IryouHoujin ? "前期繰越利益" : "繰越利益剰余金"};
        for (int k = 0; k < 5; ++k) SetSystemCode(dm, common[k], a.SysKcode[k], a.SysUserCode[k]);
        if (a.DATATYPE == 2) {
            const char* owner[3] = {"事業主貸", "事業主借", "元入金"};
            for (int k = 0; k < 3; ++k) SetSystemCode(dm, owner[k], a.SysKcode[5 + k], a.SysUserCode[5 + k]);
        }
        if (a.IryouHoujin) {
            const char* pay[4] = {"給料", "賞与", "賞与引当金繰入額", "退職給付費用"};
            for (int k = 0; k < 4; ++k) SetSystemCode(dm, pay[k], a.SysKcode[8 + k], a.SysUserCode[8 + k]);
        }
        if (a.DATATYPE == 1) {
            const char* notes[3] = {"受取手形", "割引手形", "裏書手形"};
            for (int k = 0; k < 3; ++k) SetSystemCode(dm, notes[k], a.TegataKcode[k], a.TegataUserCode[k]);
        }
        a.FumeiUserCode.clear();
        GetUserCode(dm, a.FUMEI_KCODE, a.FumeiUserCode);

        a.TusinHolder[0] = a.WebHolder;
        a.TusinPasword[0] = a.Pasword;
        GetTusinID(dm, 1, 1);

        // This year and the two before it.
        a.NendoKishu[0] = a.KISHU;
        a.NendoKishu[1] = a.zKISHU.IsNull() ? a.KISHU.AddMonths(-12) : a.zKISHU;
        a.NendoKishu[2] = a.zzKISHU.IsNull() ? a.NendoKishu[1].AddMonths(-12) : a.zzKISHU;
        a.NendoKimatu[0] = a.KIMATU;
        a.NendoKimatu[1] = a.NendoKishu[0].IsNull() ? Date() : a.NendoKishu[0].AddDays(-1);
        a.NendoKimatu[2] = a.NendoKishu[1].IsNull() ? Date() : a.NendoKishu[1].AddDays(-1);
        a.NendoKaisi = {a.KAISI, a.NendoKishu[1], a.NendoKishu[2]};

        const char* basic = "基本設定";
        a.KakoMeisai = RegInt(dm, basic, "過去明細取り込み");
        try {
            a.GassanKubun = static_cast<std::uint8_t>(RegInt(dm, basic, "合算データ区分"));
        } catch (const std::exception&) {
            a.GassanKubun = 0;
        }
        a.GassanCount = RegInt(dm, basic, "合算データ数");
        a.IkkatuZeinuki = RegInt(dm, basic, "一括税抜処理");
        a.IkkatuZeinuki = 0;
        a.KamokuCodeKeta = static_cast<std::uint8_t>(RegInt(dm, basic, "科目コード桁数"));
        a.HojoCodeKeta = static_cast<std::uint8_t>(RegInt(dm, basic, "補助コード桁数"));
        a.BumonCodeKeta = static_cast<std::uint8_t>(RegInt(dm, basic, "部門コード桁数"));
        // read so that they exist; other programs use them
        RegInt(dm, "減価償却設定", "250%定率法で償却する経過措置");
        RegInt(dm, "減価償却設定", "200%定率法で償却する経過措置");
        a.PrintKikanUse = RegInt(dm, basic, "印刷用期間使用区分");
        a.PrintKikanFrom = RegAsDate(GetAccReg(dm, basic, "印刷用期間（期首）", kRegDate, "0"));
        a.PrintKikanTo = RegAsDate(GetAccReg(dm, basic, "印刷用期間（期末）", kRegDate, "0"));
        a.KobetuGenkaUse = RegInt(dm, basic, "個別原価使用区分");
        a.KobetuGenkaName = RegAsString(GetAccReg(dm, basic, "個別原価別名", kRegText, "個別原価"));
        a.KobetuGenkaKeta = static_cast<std::uint8_t>(RegInt(dm, basic, "個別原価コード桁数"));
        a.MyNumberUse = RegInt(dm, basic, "＃USE");
        a.MyNumberKey = RegAsString(GetAccReg(dm, basic, "＃KEY", kRegText, ""));
        a.MyNumberValue = RegAsString(GetAccReg(dm, basic, "＃VALUE", kRegText, ""));
        a.CloudKubun = RegInt(dm, "通信設定", "クラウド区分");
        if (!a.MyNumberKey.empty()) a.MyNumberKey = DecodeProtectText(a.MyNumberKey);
        if (!a.MyNumberValue.empty()) a.MyNumberValue = DecodeProtectText(a.MyNumberValue);

        a.BumonCount = 0;
        if (a.BUMON != 0) {
            fb::Statement b = DataStatement(dm);
            b.SetSQL("SELECT COUNT(BCODE) AS RECCNT FROM BUMONMST\nWHERE BCODE<>''");
            b.ExecQuery();
            a.BumonCount = b.FieldByName("RECCNT").AsInteger();
            b.Close();
        }

        a.DataVerMajor = a.DataVerMinor1 = a.DataVerMinor2 = 0;
        {
            fb::Statement v = DataStatement(dm);
            v.SetSQL("SELECT MAJOR,MINOR1,MINOR2 FROM ACCVERSION\nORDER BY MAJOR DESC,MINOR1 DESC,MINOR2 DESC");
            v.ExecQuery();
            if (!v.Eof()) {
                a.DataVerMajor = v.FieldByName("MAJOR").AsInteger();
                a.DataVerMinor1 = v.FieldByName("MINOR1").AsInteger();
                a.DataVerMinor2 = v.FieldByName("MINOR2").AsInteger();
            }
            v.Close();
        }
        guard.Commit();

        a.DataPassword = TrimHalfFull(RegAsString(GetAccReg(dm, basic, "データパスワード", kRegText, "")));
        if (a.DataVerMajor >= 7) {
            TEasyEncodeInfo info;
            info.PadLength = 8;
            info.TextLength = 8;
            info.Key = kEasyEncodeKey;
            info.CodedText = TrimHalfFull(RegAsString(GetAccReg(dm, basic, "データパスワードV2", kRegText, "")));
            a.DataPassword = EasyDecode(info) ? info.PlainText : std::string();
        }

        a.ZeirituUse = {RegAsBool(GetAccReg(dm, basic, "使用税率3%", kRegBool, "FALSE")),
                        RegAsBool(GetAccReg(dm, basic, "使用税率5%", kRegBool, "FALSE")),
                        RegAsBool(GetAccReg(dm, basic, "使用税率8%", kRegBool, "TRUE")), true, true};
        InitZeiRituList(a.KIMATU);

        const Date d = a.NendoKishu[0];
        a.QuarterEnd = {GetSimeDate(2, a.SIME, d), GetSimeDate(5, a.SIME, d), GetSimeDate(8, a.SIME, d), a.NendoKimatu[0]};
        const bool onQuarterEnd = !a.KANSA_FIXDATE.IsNull() &&
                                  std::find(a.QuarterEnd.begin(), a.QuarterEnd.end(), a.KANSA_FIXDATE) != a.QuarterEnd.end();
        a.KansaKessanInclude = RegAsBool(GetAccReg(dm, basic, "監査処理＿決算仕訳含む", kRegBool, onQuarterEnd ? "TRUE" : "FALSE"));
        ok = true;
    } catch (const FbError& e) {
        ShowIBError(e, "TDM.fnGetAccInfo", kMsgAccInfo);
    } catch (const std::exception& e) {
        ShowErrorDetail(kMsgAccInfo, e.what());
    }
    if (!ok) {
        dm.IBQACC1.Close();
        guard.EndUnfinished();
    }
    return ok;
}

} // namespace kb
