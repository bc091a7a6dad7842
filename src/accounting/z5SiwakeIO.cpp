#include "accounting/z5SiwakeIO.h"

#include "core/DataModuleAccInfo.h"
#include "core/ErrorReporter.h"
#include "core/uAccDateCmp.h"
#include "core/uAccTaxCmp.h"
#include "core/z5ComFunc2.h"
#include "core/z5DateVersion.h"
#include "fb/FbError.h"
#include "platform/Text.h"

#include <stdexcept>
#include <thread>

namespace kb {

struct TSiwakeWrite::StoredNames {
    std::string KCODE, HCODE, BCODE, KNAME, HNAME, BNAME; // KCODE: the user code
};

namespace {

using Unfinished = fb::TransactionGuard::Unfinished;

// TestSiwake's texts: {code, variant, MessageMode 0, MessageMode 1}.
struct TMessageRow {
    int code;
    int variant;
    const char* entry;
    const char* import;
};

constexpr TMessageRow kMessages[] = {
    {1, 0, "日付が会計期間外または、決算区分の指定が不正です。", "日付が会計期間外または、決算区分の設定が不正です。"},
    {2, 0, "監査済みの仕訳は訂正できません。", "監査済みの仕訳が設定されました。"},
    {3, 0, "監査済みの日付は入力できません。", "日付に監査済みの日付が設定されました。"},
    {4, 0, "個別原価コードが見つかりません。", "個別原価コードの設定が不正です。"},
    {5, 0, "本・支店コードが不正です。データを選択し直してください。", "本・支店コードが不正です。"},
    {11, 0, "借方の科目コードが見つかりません。", "借方の科目コードの設定が不正です。"},
    {11, 1, "借方の補助コードを入力してください。", "借方の補助コードの設定が不正です。"},
    {11, 2, "借方の部門コードが見つかりません。", "借方の部門コードの設定が不正です。"},
    {12, 0, "借方の消費税コードを確認してください。", "借方の消費税コードの設定が不正です。"},
    {21, 0, "貸方の科目コードが見つかりません。", "貸方の科目コードの設定が不正です。"},
    {21, 1, "貸方の補助コードを入力してください。", "貸方の補助コードの設定が不正です。"},
    {21, 2, "貸方の部門コードが見つかりません。", "貸方の部門コードの設定が不正です。"},
    {22, 0, "貸方の消費税コードを確認してください。", "貸方の消費税コードの設定が不正です。"},
    {31, 0, "金額を入力してください。", "金額の設定が不正です。（０円 または null）"},
    {31, 1, "マイナス金額は入力できません。", "金額にマイナス値が設定されました。"},
    {31, 2, "金額桁数がオーバーしています。", "金額の設定が不正です。（桁数オーバー）"},
    {40, 0, "承認済みの仕訳は訂正できません。", "承認済みの仕訳が設定されました。"},
    {41, 0, "借方と貸方の消費税率が違います。", "借方と貸方の消費税率が違います。"},
};

constexpr const char* kPutParams =
    ":HIZUKE,:MNUM,:KESSAN,:SDAYNUM,:MDAYNUM,:DNUM,:SNUM,:SCODE,:L_KGROUP,:L_KCODE,:L_HCODE,:L_BCODE,:L_KNAME,"
    ":L_HNAME,:L_BNAME,:L_TAXCODE,:L_TAXUH,:L_TAXDC,:L_NUK,:L_ZEI,:L_RIT,:L_SIKIN,:R_KGROUP,:R_KCODE,:R_HCODE,"
    ":R_BCODE,:R_KNAME,:R_HNAME,:R_BNAME,:R_TAXCODE,:R_TAXUH,:R_TAXDC,:R_NUK,:R_ZEI,:R_RIT,:R_SIKIN,:KINGAKU,"
    ":ZEIGAKU,:ZEIRITUNO,:AUTCALCU,:TAXCALCU,:OLDRATE,:TEKCODE,:TEKTEXT,:TORCODE,:TORTEXT, :FUSEN1,:FUSEN2,"
    ":FUSEN3,:FUSEN4,:FUSEN5,:CTIME,:COMMENT,:AO_COMMENT,:LINKKEY,:LINKKUB,:LINKREC,:LOCALFLG,:Reserve1,"
    ":Reserve2,:OPNCODE ";

constexpr const char* kAccountJoin =
    " FROM KAMOKU_SZ SZ"
    " INNER JOIN SISETUMST SI ON (SZ.SCODE = SI.SCODE)"
    " INNER JOIN BUMONMST  BU ON (SZ.BCODE = BU.BCODE)"
    " INNER JOIN KAMOKUMST KM ON (SZ.KCODE = KM.KCODE)"
    " INNER JOIN HOJOMST   HM ON (SZ.KCODE = HM.KCODE AND SZ.HCODE=HM.HCODE)";

constexpr const char* kHojoCountSql =
    "SELECT COUNT(K.SCODE) FROM KAMOKU_SZ K INNER JOIN KAMOKUMST KM ON (K.KCODE=KM.KCODE)"
    " WHERE (K.SCODE=:SCODE) AND (KM.USERCODE=:USERCODE) AND (K.BCODE=' ')";
constexpr const char* kBumonCountSql =
    "SELECT COUNT(K.SCODE) FROM KAMOKU_SZ K INNER JOIN KAMOKUMST KM ON (K.KCODE=KM.KCODE)"
    " WHERE (K.SCODE=:SCODE) AND (KM.USERCODE=:USERCODE) AND (K.HCODE=' ') AND (K.BCODE<>' ')";

std::string DataVersionText()
{
    return std::to_string(AccInf.DataVerMajor) + "." + std::to_string(AccInf.DataVerMinor1) + "." +
           std::to_string(AccInf.DataVerMinor2);
}

bool HasRateKinds() { return IsVersionAtLeast(DataVersionText(), "11.1.0"); }

// The account columns of the facility's account join.
std::string AccountColumns()
{
    std::string cols =
        "SELECT SZ.SCODE,SZ.KCODE,SZ.HCODE,SZ.BCODE,KM.USERCODE,KM.REC,KM.GROUPM1,KM.GROUPM2,KM.KNAME,KM.BLDAC,KM.DAC,"
        "KM.DELFLG,KM.TAX_LCODE,KM.TAX_RCODE,KM.FUN_LCODE,KM.FUN_RCODE,KM.HOJOSW,KM.BPFLG,KM.KEIHKUBU,KM.EXT1_A4,"
        "KM.EXT1_A3,KM.EXT1_KS,HM.HNAME,HM.HKANA,HM.REC AS H_REC,HM.TAX_LCODE AS H_TAX_LCODE,"
        "HM.TAX_RCODE AS H_TAX_RCODE,SI.SNAME,SI.MB_JIGYOU,BU.BNAME";
    if (HasRateKinds()) cols += ",KM.ZEIRITUKBN,HM.ZEIRITUKBN AS H_ZEIRITUKBN";
    return cols;
}

void ReadAccount(const fb::Statement& q, TKMKREC& k, THOJREC& h, TBUMREC& b)
{
    k.KCODE = q.FieldByName("KCODE").AsString();
    k.USERCODE = q.FieldByName("USERCODE").AsString();
    k.REC = q.FieldByName("REC").AsInteger();
    k.GROUPM1 = q.FieldByName("GROUPM1").AsString();
    k.GROUPM2 = q.FieldByName("GROUPM2").AsString();
    k.KNAME = q.FieldByName("KNAME").AsString();
    k.BLDAC = q.FieldByName("BLDAC").AsInteger();
    k.TAISHAKU = q.FieldByName("DAC").AsInteger();
    k.DELFLG = q.FieldByName("DELFLG").AsInteger();
    k.TAX_LCODE = q.FieldByName("TAX_LCODE").AsInteger();
    k.TAX_RCODE = q.FieldByName("TAX_RCODE").AsInteger();
    k.FUN_LCODE = q.FieldByName("FUN_LCODE").AsInteger();
    k.FUN_RCODE = q.FieldByName("FUN_RCODE").AsInteger();
    k.HOJOSW = TrimBlanks(q.FieldByName("HOJOSW").AsString());
    k.BSPL = q.FieldByName("BPFLG").AsString();
    k.KEIHKUBU = TrimBlanks(q.FieldByName("KEIHKUBU").AsString());
    k.EXT1_A4 = q.FieldByName("EXT1_A4").AsInteger();
    k.EXT1_A3 = q.FieldByName("EXT1_A3").AsInteger();
    k.EXT1_KS = q.FieldByName("EXT1_KS").AsInteger();
    h.KCODE = k.KCODE;
    h.HCODE = q.FieldByName("HCODE").AsString();
    h.HNAME = q.FieldByName("HNAME").AsString();
    h.HKANA = q.FieldByName("HKANA").AsString();
    h.REC = q.FieldByName("H_REC").AsInteger();
    h.TAX_LCODE = q.FieldByName("H_TAX_LCODE").AsInteger();
    h.TAX_RCODE = q.FieldByName("H_TAX_RCODE").AsInteger();
    b.BCODE = q.FieldByName("BCODE").AsString();
    b.BNAME = q.FieldByName("BNAME").AsString();
    const bool kinds = q.HasField("ZEIRITUKBN");
    k.ZEIRITUKBN = kinds ? q.FieldByName("ZEIRITUKBN").AsInteger() : 0;
    h.ZEIRITUKBN = kinds ? q.FieldByName("H_ZEIRITUKBN").AsInteger() : 0;
}

// Codes compare without the blank that stands for "none".
bool SameCode(const std::string& a, const std::string& b) { return TrimControls(a) == TrimControls(b); }

// The entry's own columns, read by GetSiwake and bound by PutSiwake under the same names.
template <class Owner, class Value>
struct TColumn {
    const char* name;
    Value Owner::*field;
};
constexpr TColumn<TSWKREC, std::int32_t> kIntColumns[] = {
    {"MNUM", &TSWKREC::MNUM},         {"KESSAN", &TSWKREC::KESSAN},       {"SDAYNUM", &TSWKREC::SDAYNUM},
    {"MDAYNUM", &TSWKREC::MDAYNUM},   {"DNUM", &TSWKREC::DNUM},           {"SNUM", &TSWKREC::SNUM},
    {"ZEIRITUNO", &TSWKREC::ZEIRITUNO}, {"AUTCALCU", &TSWKREC::AUTCALCU}, {"TAXCALCU", &TSWKREC::TAXCALCU},
    {"OLDRATE", &TSWKREC::OLDRATE},   {"TEKCODE", &TSWKREC::TEKCODE},     {"TORCODE", &TSWKREC::TORCODE},
    {"FUSEN1", &TSWKREC::FUSEN1},     {"FUSEN2", &TSWKREC::FUSEN2},       {"FUSEN3", &TSWKREC::FUSEN3},
    {"FUSEN4", &TSWKREC::FUSEN4},     {"FUSEN5", &TSWKREC::FUSEN5},       {"LINKKUB", &TSWKREC::LINKKUB},
    {"LINKREC", &TSWKREC::LINKREC},   {"LOCALFLG", &TSWKREC::LOCALFLG},   {"RESERVE1", &TSWKREC::RESERVE1},
    {"RESERVE2", &TSWKREC::RESERVE2},
};
constexpr TColumn<TSWKREC, std::string> kTextColumns[] = {
    {"SCODE", &TSWKREC::SCODE},     {"TEKTEXT", &TSWKREC::TEKTEXT},       {"TORTEXT", &TSWKREC::TORTEXT},
    {"COMMENT", &TSWKREC::COMMENT}, {"AO_COMMENT", &TSWKREC::AO_COMMENT}, {"LINKKEY", &TSWKREC::LINKKEY},
};
constexpr TColumn<TSwkBalance, std::int32_t> kSideIntColumns[] = {
    {"TAXCODE", &TSwkBalance::TAXCODE}, {"TAXUH", &TSwkBalance::TAXUH}, {"TAXDC", &TSwkBalance::TAXDC},
    {"SIKIN", &TSwkBalance::SIKIN},
};
// KCODE travels as the user code: the procedures translate it, the views give it as USERCODE.
constexpr TColumn<TSwkBalance, std::string> kSideTextColumns[] = {
    {"KGROUP", &TSwkBalance::KGROUP}, {"HCODE", &TSwkBalance::HCODE}, {"BCODE", &TSwkBalance::BCODE},
    {"KNAME", &TSwkBalance::KNAME},   {"HNAME", &TSwkBalance::HNAME}, {"BNAME", &TSwkBalance::BNAME},
};
constexpr TColumn<TSwkBalance, Currency> kSideAmountColumns[] = {
    {"NUK", &TSwkBalance::NUK}, {"ZEI", &TSwkBalance::ZEI}, {"RIT", &TSwkBalance::RIT}};

void ReadSide(const fb::Statement& q, const std::string& prefix, const char* userCode, TSwkBalance& s)
{
    s.KCODE = q.FieldByName(userCode).AsString();
    for (const auto& c : kSideTextColumns) s.*c.field = q.FieldByName(prefix + c.name).AsString();
    for (const auto& c : kSideIntColumns) s.*c.field = q.FieldByName(prefix + c.name).AsInteger();
    for (const auto& c : kSideAmountColumns) s.*c.field = q.FieldByName(prefix + c.name).AsCurrency();
}

void ReadSiwake(const fb::Statement& q, TSWKREC& r)
{
    auto i = [&](const char* name) { return q.FieldByName(name).AsInteger(); };
    r.REC = i("REC");
    r.SITREC = q.HasField("SITREC") ? i("SITREC") : 0;
    r.SWKREC = i("SWKREC");
    r.SWKNO = i("SWKNO");
    r.DELFLG = i("DELFLG");
    r.TAISHAKU = i("TAISHAKU");
    r.HIZUKE = q.FieldByName("HIZUKE").AsDate();
    for (const auto& c : kIntColumns) r.*c.field = i(c.name);
    for (const auto& c : kTextColumns) r.*c.field = q.FieldByName(c.name).AsString();
    ReadSide(q, "", "USERCODE", r.L);
    ReadSide(q, "R_", "R_USERCODE", r.R);
    r.KINGAKU = q.FieldByName("KINGAKU").AsCurrency();
    r.ZEIGAKU = q.FieldByName("ZEIGAKU").AsCurrency();
    r.CTIME = q.FieldByName("CTIME").AsDateTime();
    r.RTIME = q.FieldByName("RTIME").AsDateTime();
    r.OPCODE = i("OPCODE");
    const fb::Field approved = q.FieldByName("SHONIN_HIZUKE");
    r.SHONIN_HIZUKE = approved.IsNull() ? DateTime() : approved.AsDateTime();
    r.SHONIN_OPCODE = i("SHONIN_OPCODE");
    r.SHONIN_NAME = q.FieldByName("SHONIN_NAME").AsString();
}

void BindSide(fb::Statement& q, const std::string& prefix, const TSwkBalance& s)
{
    q.ParamByName(prefix + "KCODE").SetString(s.KCODE);
    for (const auto& c : kSideTextColumns) q.ParamByName(prefix + c.name).SetString(s.*c.field);
    for (const auto& c : kSideIntColumns) q.ParamByName(prefix + c.name).SetInteger(s.*c.field);
    for (const auto& c : kSideAmountColumns) q.ParamByName(prefix + c.name).SetCurrency(s.*c.field);
}

void BindEntry(fb::Statement& q, const TSWKREC& r)
{
    q.ParamByName("HIZUKE").SetDate(r.HIZUKE);
    for (const auto& c : kIntColumns) q.ParamByName(c.name).SetInteger(r.*c.field);
    for (const auto& c : kTextColumns) q.ParamByName(c.name).SetString(r.*c.field);
    BindSide(q, "L_", r.L);
    BindSide(q, "R_", r.R);
    q.ParamByName("KINGAKU").SetCurrency(r.KINGAKU);
    q.ParamByName("ZEIGAKU").SetCurrency(r.ZEIGAKU);
    q.ParamByName("CTIME").SetDateTime(r.CTIME);
    q.ParamByName("OPNCODE").SetInteger(SystemDef.OpCode);
}

} // namespace

TSiwakeWrite::TSiwakeWrite() = default;
TSiwakeWrite::~TSiwakeWrite() = default;

void TSiwakeWrite::SetTransaction(fb::Transaction& transaction)
{
    statements_.clear();
    tr_ = &transaction;
}

fb::Statement& TSiwakeWrite::Sql(const std::string& text)
{
    if (!tr_ || !tr_->DefaultDatabase()) throw std::logic_error("TSiwakeWrite: no transaction was handed in");
    auto& slot = statements_[text];
    if (!slot) {
        slot = std::make_unique<fb::Statement>(*tr_->DefaultDatabase(), tr_);
        slot->SetSQL(text);
    }
    return *slot;
}

void TSiwakeWrite::TakeAutoCommit(std::optional<fb::TransactionGuard>& guard, Unfinished ending)
{
    if (AutoCommit == 0) return;
    if (!tr_) throw std::logic_error("TSiwakeWrite: no transaction was handed in");
    AutoCommit = 0;
    guard.emplace(*tr_, ending, fb::TransactionGuard::Owner::Active);
}

std::string TSiwakeWrite::Text(int code, int variant) const
{
    for (const auto& m : kMessages)
        if (m.code == code && m.variant == variant) return MessageMode == 1 ? m.import : m.entry;
    return {};
}

void TSiwakeWrite::InitSiwakeRec(TSWKREC& rec, int kessan, Date date)
{
    rec = TSWKREC{};
    rec.PCNAME = SystemDef.PCName;
    rec.HIZUKE = date;
    rec.KESSAN = kessan;
    rec.RTIME = DateTime::Now();
    rec.OPCODE = SystemDef.OpCode;
    rec.OLDRATE = GetZeiRituNo(0, date);
    rec.L.RITUNO = rec.OLDRATE;
    rec.R.RITUNO = rec.OLDRATE;
}

void TSiwakeWrite::GetSiwake(TSWKREC& rec, int recNo, bool useView)
{
    InitSiwakeRec(rec, 0, Date::Today());
    std::optional<fb::TransactionGuard> guard;
    try {
        TakeAutoCommit(guard, Unfinished::Commit);
        std::string sql;
        if (KakoKubun == 1) {
            sql = "SELECT * FROM KAKOSIWAKE1_VIEW WHERE REC=:REC";
        } else if (KakoKubun == 2) {
            sql = "SELECT * FROM KAKOSIWAKE2_VIEW WHERE REC=:REC";
        } else if (KakoKubun != 0) {
            throw std::invalid_argument("TSiwakeWrite.GetSiwake: KakoKubun must be 0, 1 or 2");
        } else if (useView) {
            sql = "SELECT * FROM SIWAKE_VIEW WHERE REC=:REC";
        } else {
            sql = "SELECT S.*,K1.USERCODE,K2.USERCODE AS R_USERCODE,"
                  "NULL AS SHONIN_HIZUKE,0 AS SHONIN_OPCODE, '' AS SHONIN_NAME"
                  " FROM SIWAKE S"
                  " INNER JOIN KAMOKUMST K1 ON (S.KCODE = K1.KCODE)"
                  " INNER JOIN KAMOKUMST K2 ON (S.R_KCODE = K2.KCODE)"
                  " WHERE S.REC=:REC";
        }
        fb::Statement& q = Sql(sql);
        q.ParamByName("REC").SetInteger(recNo);
        q.ExecQuery();
        if (!q.Eof()) {
            ReadSiwake(q, rec);
            rec.L.RITUNO = rec.OLDRATE;
            rec.R.RITUNO = rec.OLDRATE;
        }
        q.Close();
        if (guard) guard->Commit();
    } catch (const FbError& e) {
        ShowIBError(e, "TSiwakeWrite.GetSiwake", "");
        throw;
    }
}

int TSiwakeWrite::CountAccountRows(const char* sql, const std::string& scode, const std::string& userCode)
{
    fb::Statement& q = Sql(sql);
    q.ParamByName("SCODE").SetString(scode);
    q.ParamByName("USERCODE").SetString(userCode);
    q.ExecQuery();
    const int n = q.Eof() ? 0 : q.FieldAt(0).AsInteger();
    q.Close();
    return n;
}

bool TSiwakeWrite::TestSiwake(TSWKREC& rec, int& code, std::string& message)
{
    code = 0;
    message.clear();
    std::optional<fb::TransactionGuard> guard;
    try {
        TakeAutoCommit(guard, Unfinished::Commit);
        const bool ok = TestSiwakeRows(rec, code, message);
        if (guard) guard->Commit();
        return ok;
    } catch (const FbError& e) {
        ShowIBError(e, "TSiwakeWrite.TestSiwake", "");
        throw;
    }
}

bool TSiwakeWrite::TestSiwakeRows(TSWKREC& rec, int& code, std::string& message)
{
    auto fail = [&](int c, int variant = 0) {
        code = c;
        message = Text(c, variant);
        return false;
    };

    std::optional<StoredNames> stored[2];
    if (rec.REC != 0) {
        fb::Statement& q = Sql("SELECT KCODE,USERCODE,HCODE,BCODE,KNAME,HNAME,BNAME,R_KCODE,R_USERCODE,R_HCODE,R_BCODE,"
                               "R_KNAME,R_HNAME,R_BNAME FROM SIWAKE_VIEW WHERE REC=:REC");
        q.ParamByName("REC").SetInteger(rec.REC);
        q.ExecQuery();
        stored[0].emplace();
        stored[1].emplace();
        if (!q.Eof()) {
            for (int side = 0; side < 2; ++side) {
                const std::string p = side == 0 ? "" : "R_";
                StoredNames& s = *stored[side];
                s.KCODE = q.FieldByName(p + "USERCODE").AsString();
                s.HCODE = q.FieldByName(p + "HCODE").AsString();
                s.BCODE = q.FieldByName(p + "BCODE").AsString();
                s.KNAME = q.FieldByName(p + "KNAME").AsString();
                s.HNAME = q.FieldByName(p + "HNAME").AsString();
                s.BNAME = q.FieldByName(p + "BNAME").AsString();
            }
        }
        q.Close();
    }

    // period
    const int period = GetKikanNo(AccInf.SIME, rec.KESSAN, AccInf.KISHU, AccInf.KIMATU, rec.HIZUKE);
    if (period == -1 || (!AccInf.KAISI.IsNull() && rec.HIZUKE < AccInf.KAISI) ||
        (!AccInf.KIMATU.IsNull() && rec.HIZUKE > AccInf.KIMATU))
        return fail(1);
    rec.MNUM = period;

    // audit lock
    if (AccInf.KANSA_LOCK == 1) {
        if (!rec.CTIME.IsNull() && !(SystemDef.AllSisetu || SystemDef.JobLevel == 9)) return fail(2);
        if (IsOverLimit(rec.KESSAN, rec.HIZUKE)) return fail(3);
    }

    if (CheckShonin && !rec.SHONIN_HIZUKE.IsNull()) return fail(40);

    // individual cost
    if (AccInf.KobetuGenkaUse == 1 && CheckKobetuGenka && rec.SNUM != 0) {
        const int width = 3 + std::min<int>(AccInf.KobetuGenkaKeta, 3);
        if (!FindKobetuGenka(ZeroPadLeft(std::to_string(rec.SNUM), width))) {
            fail(4);
            message = ReplaceAll(message, "個別原価", AccInf.KobetuGenkaName);
            return false;
        }
    }

    // facility or branch
    if (AccInf.SITEN == 1 && TrimControls(rec.SCODE).empty()) {
        fail(5);
        if (AccInf.DATATYPE == 3) message = ReplaceAll(message, "本・支店", "施設");
        return false;
    }

    if (!TestSide(rec, true, stored[0] ? &*stored[0] : nullptr, code, message)) return false;
    if (!TestSideTax(rec, true, code, message)) return false;
    if (!TestSide(rec, false, stored[1] ? &*stored[1] : nullptr, code, message)) return false;
    if (!TestSideTax(rec, false, code, message)) return false;

    // rates
    if (rec.L.RIT > Currency() && rec.R.RIT > Currency() && rec.L.RITUNO != rec.R.RITUNO) return fail(41);
    if (rec.L.RIT.IsZero() && rec.R.RIT.IsZero()) rec.OLDRATE = GetZeiRituNo(0, rec.HIZUKE);

    // amount: at least 1 yen, at most ten digits (a fraction above counts)
    if (CheckKingaku) {
        if (rec.KINGAKU < Currency::FromYen(1)) return fail(31, rec.KINGAKU < Currency() ? 1 : 0);
        if (rec.KINGAKU > Currency::FromYen(9999999999LL)) return fail(31, 2);
    }

    if (CleanText) {
        rec.TEKTEXT = DelCtrlChars(rec.TEKTEXT);
        rec.TORTEXT = DelCtrlChars(rec.TORTEXT);
    }
    return true;
}

bool TSiwakeWrite::TestSide(TSWKREC& rec, bool debit, const StoredNames* stored, int& code, std::string& message)
{
    if (!CheckKamoku) return true;
    TSwkBalance& s = debit ? rec.L : rec.R;
    const int failCode = debit ? 11 : 21;
    auto fail = [&](int variant) {
        code = failCode;
        message = Text(failCode, variant);
        return false;
    };
    if (!FindKamokuRow(rec.SCODE, s.BCODE, s.KCODE, s.HCODE)) return fail(0);
    const TKMKREC& k = Kamoku.KAMOKU;
    s.KGROUP = k.GROUPM1;
    s.SIKIN = debit ? k.FUN_LCODE : k.FUN_RCODE;
    s.HCODE = Kamoku.HOJO.HCODE;
    s.BCODE = Kamoku.BUMON.BCODE;
    if (!stored) {
        s.KNAME = k.KNAME;
        s.HNAME = Kamoku.HOJO.HNAME;
        s.BNAME = Kamoku.BUMON.BNAME;
    } else {
        // a stored entry keeps a name only while it is the stored name of unchanged codes, so a
        // master renamed since keeps the entry's own wording
        const bool accountChanged = !SameCode(s.KCODE, stored->KCODE);
        if (s.KNAME != stored->KNAME || accountChanged) s.KNAME = k.KNAME;
        if (s.HNAME != stored->HNAME || accountChanged || !SameCode(s.HCODE, stored->HCODE)) s.HNAME = Kamoku.HOJO.HNAME;
        if (s.BNAME != stored->BNAME || !SameCode(s.BCODE, stored->BCODE)) s.BNAME = Kamoku.BUMON.BNAME;
    }
    if (CountAccountRows(kHojoCountSql, rec.SCODE, s.KCODE) > 1 && TrimControls(s.HCODE).empty()) return fail(1);
    if (CountAccountRows(kBumonCountSql, rec.SCODE, s.KCODE) > 0 && TrimControls(s.BCODE).empty()) return fail(2);
    return true;
}

bool TSiwakeWrite::TestSideTax(TSWKREC& rec, bool debit, int& code, std::string& message)
{
    if (!CheckZei) return true;
    TSwkBalance& s = debit ? rec.L : rec.R;
    TSwkBalance& other = debit ? rec.R : rec.L;
    const int base = debit ? 10 : 20;
    ConvZeiCode(s.TAXCODE);
    TZeiCodeInfo info;
    if (!GetZeiCodeInfo(s.TAXCODE, info)) {
        code = base + 2;
        message = Text(code);
        return false;
    }
    s.TAXUH = info.TAXUH;
    s.TAXDC = info.TAXDC;
    std::string refusal;
    auto refuse = [&](int c) {
        code = base + c;
        message = refusal;
        return false;
    };
    if (!CheckZeiKamoku(refusal, s.KCODE, s.TAXCODE)) return refuse(3);
    if (!CheckAiteZeiCode(refusal, s.KCODE, other.TAXCODE)) return refuse(4);
    if (!CheckSyokutiZeiCode(refusal, s.KCODE, s.TAXCODE)) return refuse(5);
    if (!CheckTokuteiSiire(refusal, s.TAXCODE, rec.OLDRATE, rec.HIZUKE)) return refuse(6);
    return true;
}

int TSiwakeWrite::ExecutePut(TSWKREC& rec)
{
    std::string sql;
    if (rec.REC == 0) {
        const bool oldData = AccInf.DataVerMajor < 6 || (AccInf.DataVerMajor == 6 && AccInf.DataVerMinor1 < 1);
        sql = std::string(oldData ? "SELECT NEWREC,NEWSWKREC,NEWSDAYNUM,0 AS NEWSITREC FROM SP_SIWAKE_INS("
                                  : "SELECT NEWREC,NEWSWKREC,NEWSDAYNUM,NEWSITREC FROM SP_SIWAKE_INS(") +
              kPutParams + ")";
    } else {
        sql = std::string("SELECT NEWREC,NEWSWKREC,NEWSWKNO,UPREC,NEWSDAYNUM FROM SP_SIWAKE_UPD(") +
              ":REC,:SWKREC,:SWKNO,:DELFLG," + kPutParams + ")";
    }
    fb::Statement& q = Sql(sql);
    try {
        BindEntry(q, rec);
        if (rec.REC != 0) {
            q.ParamByName("REC").SetInteger(rec.REC);
            q.ParamByName("SWKREC").SetInteger(rec.SWKREC);
            q.ParamByName("SWKNO").SetInteger(rec.SWKNO);
            q.ParamByName("DELFLG").SetInteger(rec.DELFLG);
        }
        q.ExecQuery();
        if (q.Eof()) throw std::runtime_error("TSiwakeWrite.PutSiwake: the journal procedure returned no row");
        int result = 0;
        if (rec.REC == 0) {
            rec.REC = q.FieldByName("NEWREC").AsInteger();
            rec.SWKREC = q.FieldByName("NEWSWKREC").AsInteger();
            rec.SDAYNUM = q.FieldByName("NEWSDAYNUM").AsInteger();
            rec.SWKNO = rec.SWKREC;
            rec.SITREC = q.FieldByName("NEWSITREC").AsInteger();
            rec.RTIME = DateTime::Now();
            result = rec.REC;
        } else {
            const int uprec = q.FieldByName("UPREC").AsInteger();
            if (uprec == -2) {
                rec.REC = q.FieldByName("NEWREC").AsInteger();
                result = -2;
            } else if (uprec == -1) {
                result = -1;
            } else {
                rec.REC = q.FieldByName("NEWREC").AsInteger();
                rec.SWKREC = q.FieldByName("NEWSWKREC").AsInteger();
                rec.SWKNO = q.FieldByName("NEWSWKNO").AsInteger();
                rec.SDAYNUM = q.FieldByName("NEWSDAYNUM").AsInteger();
                rec.RTIME = DateTime::Now();
            }
        }
        q.Close();
        return result;
    } catch (...) {
        q.Close();
        throw;
    }
}

int TSiwakeWrite::PutSiwake(TSWKREC& rec)
{
    std::optional<fb::TransactionGuard> guard;
    try {
        TakeAutoCommit(guard, Unfinished::Rollback);
    } catch (const FbError& e) {
        ShowIBError(e, "TSiwakeWrite.PutSiwake", "");
        throw;
    }
    const int tries = std::max(1, LockRetry.Tries);
    for (int attempt = 1;; ++attempt) {
        try {
            const int result = ExecutePut(rec);
            if (guard) guard->Commit();
            return result;
        } catch (const FbError& e) {
            ShowIBError(e, "TSiwakeWrite.PutSiwake", "");
            // Another workstation holds a row the procedure writes: wait a little and run it again.
            // The engine names a row held by a live transaction an update conflict ("deadlock")
            // rather than a lock conflict; both clear once the holder ends.
            const bool held = e.IBErrorCode() == isc::lock_conflict || e.IBErrorCode() == isc::deadlock;
            if (!held || attempt >= tries) throw;
            if (guard) {
                tr_->Rollback();
                tr_->StartTransaction();
            }
            if (LockRetry.Wait) LockRetry.Wait(LockRetry.Pause);
            else std::this_thread::sleep_for(LockRetry.Pause);
        }
    }
}

int TSiwakeWrite::DeleteSiwake(int swkrec)
{
    std::optional<fb::TransactionGuard> guard;
    try {
        TakeAutoCommit(guard, Unfinished::Rollback);
        fb::Statement& q = Sql("SELECT RESULT+1 AS RES FROM SP_SIWAKE_DEL(:SWKREC,:OPCODE)");
        q.ParamByName("SWKREC").SetInteger(swkrec);
        q.ParamByName("OPCODE").SetInteger(SystemDef.OpCode);
        q.ExecQuery();
        const int result = q.Eof() ? 0 : q.FieldByName("RES").AsInteger();
        q.Close();
        if (guard) guard->Commit();
        return result;
    } catch (const FbError& e) {
        ShowIBError(e, "TSiwakeWrite.DeleteSiwake", "");
        throw;
    }
}

int TSiwakeWrite::RestoreSiwake(int swkrec)
{
    std::optional<fb::TransactionGuard> guard;
    try {
        TakeAutoCommit(guard, Unfinished::Rollback);
        fb::Statement& line = Sql("SELECT HIZUKE,SDAYNUM,DELFLG FROM SIWAKE WHERE (SWKREC=:SWKREC) AND (TAISHAKU=1)");
        line.ParamByName("SWKREC").SetInteger(swkrec);
        line.ExecQuery();
        const bool deleted = !line.Eof() && line.FieldByName("DELFLG").AsInteger() == 1;
        const Date date = line.Eof() ? Date() : line.FieldByName("HIZUKE").AsDate();
        line.Close();
        // Only a deleted entry comes back. A replaced version (DELFLG 2) is history: the journal
        // triggers would never add it back into the sums, so making it live would corrupt them.
        int result = 0;
        if (deleted) {
            fb::Statement& top = Sql("SELECT MAX(SDAYNUM) AS MAX_SDAYNUM FROM SIWAKE WHERE (HIZUKE=:HIZUKE) AND (DELFLG=0)");
            top.ParamByName("HIZUKE").SetDate(date);
            top.ExecQuery();
            const int highest = top.Eof() ? 0 : top.FieldByName("MAX_SDAYNUM").AsInteger();
            top.Close();
            fb::Statement& upd = Sql("UPDATE SIWAKE SET DELFLG=0,OPCODE=:OPCODE,RTIME=:RTIME,SDAYNUM=:SDAYNUM"
                                     " WHERE (SWKREC=:SWKREC) AND (DELFLG=1)");
            upd.ParamByName("OPCODE").SetInteger(SystemDef.OpCode);
            upd.ParamByName("RTIME").SetDateTime(DateTime::Now());
            upd.ParamByName("SDAYNUM").SetInteger(highest > 0 ? highest + 1 : 0);
            upd.ParamByName("SWKREC").SetInteger(swkrec);
            upd.ExecQuery();
            result = upd.RowsAffected() > 0 ? 1 : 0;
        }
        if (guard) guard->Commit();
        return result;
    } catch (const FbError& e) {
        ShowIBError(e, "TSiwakeWrite.RestoreSiwake", "");
        throw;
    }
}

void TSiwakeWrite::SetScode(const std::string& scode)
{
    Scode = scode;
    GetKamokuArray(scode);
}

bool TSiwakeWrite::GetKamokuArray(const std::string& scode)
{
    std::optional<fb::TransactionGuard> guard;
    try {
        TakeAutoCommit(guard, Unfinished::Commit);
        fb::Statement& count = Sql(std::string("SELECT COUNT(SZ.SCODE) AS RECCNT") + kAccountJoin + " WHERE SZ.SCODE=:SCODE");
        count.ParamByName("SCODE").SetString(scode);
        count.ExecQuery();
        KamokuCount = count.Eof() ? 0 : count.FieldByName("RECCNT").AsInteger();
        count.Close();
        KamokuArray.assign(static_cast<std::size_t>(KamokuCount), TKamokuRec{});
        KamokuIndex.clear();
        if (KamokuCount > 0) {
            fb::Statement& q = Sql(AccountColumns() + kAccountJoin +
                                   " WHERE SZ.SCODE=:SCODE ORDER BY SZ.SCODE,SZ.KCODE,SZ.HCODE,SZ.BCODE");
            q.ParamByName("SCODE").SetString(scode);
            std::size_t row = 0, first = 0;
            for (q.ExecQuery(); !q.Eof() && row < KamokuArray.size(); q.Next(), ++row) {
                TKamokuRec& r = KamokuArray[row];
                ReadAccount(q, r.KAMOKU, r.HOJO, r.BUMON);
                if (row == 0 || r.KAMOKU.USERCODE != KamokuArray[row - 1].KAMOKU.USERCODE) {
                    first = row;
                    KamokuIndex.push_back(r.KAMOKU.USERCODE + "=" + std::to_string(row));
                }
                if (r.HOJO.HCODE != " ") KamokuArray[first].HasHojo = true;
                if (r.BUMON.BCODE != " ") KamokuArray[first].HasBumon = true;
            }
            q.Close();
            // rows that went away between the count and the read are not left as blanks
            KamokuArray.resize(row);
            KamokuCount = static_cast<int>(row);
        }
        if (guard) guard->Commit();
        return true;
    } catch (const FbError& e) {
        ShowIBError(e, "TSiwakeWrite.GetKamokuArray", "");
        throw;
    }
}

bool TSiwakeWrite::FindKamoku(const std::string& scode, const std::string& bcode, const std::string& userCode,
                              const std::string& hcode)
{
    std::optional<fb::TransactionGuard> guard;
    TakeAutoCommit(guard, Unfinished::Commit);
    const bool found = FindKamokuRow(scode, bcode, userCode, hcode);
    if (guard) guard->Commit();
    return found;
}

bool TSiwakeWrite::FindKamokuRow(const std::string& scode, const std::string& bcode, const std::string& userCode,
                                 const std::string& hcode)
{
    for (const std::string* c : {&scode, &bcode, &userCode, &hcode})
        if (sjis::ByteLength(*c) > swk_width::CODE) return false;
    Kamoku = TBALANCE{};
    const std::string h = hcode.empty() ? " " : hcode;
    Kamoku.SISETU.SCODE = scode;
    Kamoku.BUMON.BCODE = bcode;
    Kamoku.KAMOKU.USERCODE = userCode;
    Kamoku.HOJO.HCODE = h;
    std::string where = " WHERE SZ.SCODE=:SCODE AND KM.USERCODE=:USERCODE AND SZ.HCODE=:HCODE";
    if (!bcode.empty()) where += " AND SZ.BCODE=:BCODE";
    fb::Statement& q = Sql(AccountColumns() + kAccountJoin + where);
    q.ParamByName("SCODE").SetString(scode);
    q.ParamByName("USERCODE").SetString(userCode);
    q.ParamByName("HCODE").SetString(h);
    if (!bcode.empty()) q.ParamByName("BCODE").SetString(bcode);
    q.ExecQuery();
    const bool found = !q.Eof();
    if (found) {
        TKMKREC k;
        THOJREC hoj;
        TBUMREC b;
        ReadAccount(q, k, hoj, b);
        Kamoku.KAMOKU = k;
        Kamoku.KAMOKU.USERCODE = userCode;
        Kamoku.HOJO = hoj;
        Kamoku.HOJO.HCODE = h;
        Kamoku.BUMON.BNAME = b.BNAME;
        Kamoku.SISETU.SNAME = q.FieldByName("SNAME").AsString();
        Kamoku.SISETU.MB_JIGYOU = q.FieldByName("MB_JIGYOU").AsInteger();
    }
    q.Close();
    return found;
}

bool TSiwakeWrite::FindKobetuGenka(const std::string& code)
{
    const int n = std::min<int>(KobetuGenkaCount, static_cast<int>(KobetuGenkaList.size()));
    for (int i = 0; i < n; ++i) {
        if (KobetuGenkaList[static_cast<std::size_t>(i)].Code == code) {
            KobetuGenkaIndex = i;
            return true;
        }
    }
    KobetuGenkaIndex = 0;
    return false;
}

} // namespace kb
