#include "linkage/z5ComGenkaSyokyaku.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/uAccDateCmp.h"
#include "core/uAccRecord.h"
#include "core/uAccTaxCmp.h"
#include "fb/Database.h"
#include "fb/Statement.h"

namespace kb {

const char* const GenkaHouhouNames[7] = {"", "定額法", "定率法", "均等償却", "一括償却", "少額減価償却資産",
                                         "リース期間定額法"};
const char* const GenkaJyokyoNames[7] = {"新規取得", "償却中", "償却済", "除却", "売却", "改定償却", "再償却"};

namespace {

const Date D07(2007, 4, 1);
const Date D12(2012, 4, 1);
const Currency kOneYen = Currency::FromYen(1);

const char* ColumnName(int column)
{
    switch (column) {
    case 2: return "定額法の償却率";
    case 3: return "定率法の償却率";
    case 4: return "改定償却率";
    case 5: return "保証率";
    case 6: return "旧定額法の償却率";
    case 7: return "旧定率法の償却率";
    default: return "償却率";
    }
}

std::string AssetLabel(const std::string& kanri, const std::string& meisyou)
{
    return "資産「" + meisyou + "」（管理番号" + kanri + "）：";
}

std::string MissingMessage(int taiyou, int column, const std::string& kanri, const std::string& meisyou)
{
    return AssetLabel(kanri, meisyou) + "耐用年数" + std::to_string(taiyou) + "年の" + ColumnName(column) +
           "が償却率表に収録されていないため、減価償却費を計算できません。";
}

// amount × num / den to the nearest ten-thousandth of a yen, ties to even: the first of the two
// rounding steps of every product or quotient of amounts and rates.
Currency Prod(Currency amount, __int128 num, __int128 den)
{
    if (den < 0) { num = -num; den = -den; }
    return Currency::FromRaw(DivRound(static_cast<__int128>(amount.Raw()) * num, den, RoundMode::HalfEven));
}

// A table rate (at most five decimals) as an exact count of hundred-thousandths.
std::int64_t Rate5(double rate) { return std::llround(rate * 100000.0); }

// Rounded up at the third decimal, with the tolerance the rate tables were made with.
double Up3(double x) { return std::ceil(x * 1000.0 - 0.000001) / 1000.0; }

Currency Rate4(double rate) { return Currency::FromRaw(std::llround(rate * 10000.0)); }

} // namespace

TGenkaSettei TGenkaSettei::ForYear(Date kishu, Date kimatu, int sime, int dataType, int hasuu1, int hasuu2,
                                   int hasuu3)
{
    TGenkaSettei s;
    s.KISHU = kishu;
    s.KIMATU = kimatu;
    s.SIME = sime;
    s.DATATYPE = dataType;
    s.SDAI_HASUU1 = hasuu1;
    s.SDAI_HASUU2 = hasuu2;
    s.SDAI_HASUU3 = hasuu3;
    s.MonthNo = GetMonthNo(sime, kishu, kimatu);
    return s;
}

TGenkaSettei TGenkaSettei::FromAccInf(const TACCINF& a)
{
    return ForYear(a.KISHU, a.KIMATU, a.SIME, a.DATATYPE, a.SDAI_HASUU1, a.SDAI_HASUU2, a.SDAI_HASUU3);
}

EGenkaRateMissing::EGenkaRateMissing(const std::string& message, int taiyou, int column, int kubun,
                                     const std::string& kanri, const std::string& meisyou)
    : std::runtime_error(message), Taiyou(taiyou), Column(column), Kubun(kubun), Kanri(kanri), Meisyou(meisyou)
{
}

EGenkaRateMissing::EGenkaRateMissing(int taiyou, int column, int kubun, const std::string& kanri,
                                     const std::string& meisyou)
    : EGenkaRateMissing(MissingMessage(taiyou, column, kanri, meisyou), taiyou, column, kubun, kanri, meisyou)
{
}

EGenkaRateMissing EGenkaRateMissing::UnknownMethod(int gshouhou, int taiyou, int kubun, const std::string& kanri,
                                                   const std::string& meisyou)
{
    return EGenkaRateMissing(AssetLabel(kanri, meisyou) + "償却方法（" + std::to_string(gshouhou) +
                                 "）が不明なため、耐用年数" + std::to_string(taiyou) +
                                 "年の減価償却費を計算できません。",
                             taiyou, 0, kubun, kanri, meisyou);
}

TGenkaSyokyakuSisanCalc::TGenkaSyokyakuSisanCalc(const TGenkaSettei& accInf) : AccInf(accInf) {}

TGenkaSyokyakuSisanCalc::TGenkaSyokyakuSisanCalc(const TGenkaSettei& accInf, fb::Connection& db, fb::Transaction& tr)
    : AccInf(accInf), db_(&db), tr_(&tr), query_(std::make_unique<fb::Statement>(db, &tr))
{
    ReadSettei();
}

TGenkaSyokyakuSisanCalc::~TGenkaSyokyakuSisanCalc() = default;

void TGenkaSyokyakuSisanCalc::SetTransaction(fb::Transaction& tr)
{
    tr_ = &tr;
    if (query_) query_->SetTransaction(&tr);
}

namespace {

const char* const kSisanSql =
    "SELECT REC,SCODE,KANRI,KCODE,HCODE,BCODE,MEISYOU,SURYO,JYOKYO,GSKAHI,GSHOUHOU,GSSISANZEI,\n"
    "SYUTODATE,SYUTOSWK,SIHAKCODE,SIHAHCODE,KOUNYUTAXCODE,KOUNYUKIN,KOUNYUTAX,KOUNYUTAXCALCU,ISINPKOUNYUTAX,SYUTOKIN,"
    "ISINPSYUTOKIN,\n"
    "KISYUMISYOUKIN,KISOKIN,ISINPKISOKIN,TAIYOUYY,SYOURITU,ISINPSYOURITU,\n"
    "JYOBAI,GENSYODATE,GENSYOSWK,SYUNYUKCODE,SYUNYUHCODE,BAIKYAKUTAXCODE,BAIKYAKUKIN,BAIKYAKUTAX,BAIKYAKUTAXCALCU,"
    "ISINPBAIKYAKUTAX,\n"
    "SYOUKIKANSTR,SYOUKIKANEND,ISINPSYOUKIKAN,FUTUSYOUKIN,ISINPFUTUSYOUKIN,WARISYOUKIN,SYOUKINKEI,MATUMISYOUKIN,\n"
    "TEKIYO,TRANSKBN,ZANKAHOSYOUGAKU,JIGYOUWARIAI_NEW AS JIGYOUWARIAI,\n"
    "KAITEISYUTOKUKAGAKU,KAITEISYUTOKUKAGAKU_INPUT,ISINPKAITEISYUTOKUKAGAKU,TEIRITU250,TEIRITU200,TAIYONENSU200,"
    "SYUTOKUKAGAKUCHOSEI\n"
    "FROM KS_SISAN\n"
    "WHERE REC=:REC";

void FillRow(const fb::Statement& q, TKsSisanRow& r)
{
    r.REC = q.FieldByName("REC").AsInteger();
    r.SYUTODATE = q.FieldByName("SYUTODATE").AsDate();
    r.SYUTOKIN = q.FieldByName("SYUTOKIN").AsCurrency();
    r.KISYUMISYOUKIN = q.FieldByName("KISYUMISYOUKIN").AsCurrency();
    r.KISOKIN = q.FieldByName("KISOKIN").AsCurrency();
    r.ISINPKISOKIN = q.FieldByName("ISINPKISOKIN").AsInteger();
    r.TAIYOUYY = q.FieldByName("TAIYOUYY").AsInteger();
    r.SYOURITU = q.FieldByName("SYOURITU").AsCurrency();
    r.ISINPSYOURITU = q.FieldByName("ISINPSYOURITU").AsInteger();
    r.GSHOUHOU = q.FieldByName("GSHOUHOU").AsInteger();
    r.JYOBAI = q.FieldByName("JYOBAI").AsInteger();
    r.GENSYODATE = q.FieldByName("GENSYODATE").AsDate();
    r.SYOUKIKANSTR = q.FieldByName("SYOUKIKANSTR").AsInteger();
    r.SYOUKIKANEND = q.FieldByName("SYOUKIKANEND").AsInteger();
    r.FUTUSYOUKIN = q.FieldByName("FUTUSYOUKIN").AsCurrency();
    r.ISINPFUTUSYOUKIN = q.FieldByName("ISINPFUTUSYOUKIN").AsInteger();
    r.WARISYOUKIN = q.FieldByName("WARISYOUKIN").AsCurrency();
    r.SYOUKINKEI = q.FieldByName("SYOUKINKEI").AsCurrency();
    r.MATUMISYOUKIN = q.FieldByName("MATUMISYOUKIN").AsCurrency();
    r.ZANKAHOSYOUGAKU = q.FieldByName("ZANKAHOSYOUGAKU").AsCurrency();
    r.JIGYOUWARIAI = q.FieldByName("JIGYOUWARIAI").AsCurrency();
    r.KAITEISYUTOKUKAGAKU = q.FieldByName("KAITEISYUTOKUKAGAKU").AsCurrency();
    r.KAITEISYUTOKUKAGAKU_INPUT = q.FieldByName("KAITEISYUTOKUKAGAKU_INPUT").AsCurrency();
    r.ISINPKAITEISYUTOKUKAGAKU = q.FieldByName("ISINPKAITEISYUTOKUKAGAKU").AsInteger();
    r.TEIRITU250 = q.FieldByName("TEIRITU250").AsInteger();
    r.TEIRITU200 = q.FieldByName("TEIRITU200").AsInteger();
    r.TAIYONENSU200 = q.FieldByName("TAIYONENSU200").AsInteger();
    r.SYUTOKUKAGAKUCHOSEI = q.FieldByName("SYUTOKUKAGAKUCHOSEI").AsCurrency();
    r.MEISYOU = q.FieldByName("MEISYOU").AsString();
    r.SURYO = q.FieldByName("SURYO").AsDouble();
    r.TEKIYO = q.FieldByName("TEKIYO").AsString();
    r.KANRI = q.FieldByName("KANRI").AsString();
}

fb::Transaction& Checked(fb::Transaction* tr)
{
    if (!tr) throw std::logic_error("減価償却の計算にデータベースが指定されていません。");
    return *tr;
}

} // namespace

bool TGenkaSyokyakuSisanCalc::ReadKsSisan(std::int32_t rec, TKsSisanRow& row)
{
    fb::TransactionGuard guard(Checked(tr_));
    query_->SetSQL(kSisanSql);
    query_->ParamByName("REC").SetInteger(rec);
    query_->ExecQuery();
    const bool found = !query_->Eof();
    if (found) FillRow(*query_, row);
    query_->Close();
    // A read: ending it by commit or by rollback is the same; only what was started here is ended.
    guard.Commit();
    return found;
}

std::int32_t TGenkaSyokyakuSisanCalc::Calc(std::int32_t rec, TGenkaSyokyakuSisanRec& out)
{
    InitSisanRec(out);
    TKsSisanRow row;
    if (!ReadKsSisan(rec, row)) return 1;
    return CalcRow(row, out);
}

void TGenkaSyokyakuSisanCalc::ReadSettei()
{
    fb::TransactionGuard guard(Checked(tr_));
    fb::Statement q(*db_, tr_);
    auto read = [&](const char* key) {
        q.SetSQL("SELECT ATEXT FROM ACCREG WHERE AGROUP=:AGROUP AND ACODE=:ACODE");
        q.ParamByName("AGROUP").SetString("減価償却設定");
        q.ParamByName("ACODE").SetString(key);
        q.ExecQuery();
        if (!q.Eof()) {
            const std::string text = q.FieldByName("ATEXT").AsString();
            q.Close();
            try {
                return std::stoi(text);
            } catch (const std::exception&) {
                return 0; // an unreadable integer reads as its default
            }
        }
        q.Close();
        // A setting read for the first time is stored with its default.
        q.SetSQL("INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES (:AGROUP, :ACODE, :ATYPE, :ATEXT)");
        q.ParamByName("AGROUP").SetString("減価償却設定");
        q.ParamByName("ACODE").SetString(key);
        q.ParamByName("ATYPE").SetString("整数");
        q.ParamByName("ATEXT").SetString("0");
        q.ExecQuery();
        return 0;
    };
    Keika250 = read("250%定率法で償却する経過措置");
    Keika200 = read("200%定率法で償却する経過措置");
    guard.Commit();
}

void TGenkaSyokyakuSisanCalc::InitSisanRec(TGenkaSyokyakuSisanRec& rec) { rec = TGenkaSyokyakuSisanRec{}; }

void TGenkaSyokyakuSisanCalc::SelectRateTable(int kubun)
{
    table_ = kubun == 2 ? &GenkaRateTableNew : &GenkaRateTableOld;
}

void TGenkaSyokyakuSisanCalc::SetSyokyakuKubun()
{
    const Date& d = w_.SyutoDate;
    int kubun;
    if (AccInf.KIMATU >= D07 && d >= D12) {
        kubun = 2;
        if (w_.Teiritu250 == 1) {
            kubun = 1;
            if (w_.Teiritu200 == 1) kubun = 2;
        }
    } else if (AccInf.KIMATU >= D07 && d >= D07) {
        kubun = 1;
        if (w_.Teiritu200 == 1) kubun = 2;
    } else {
        kubun = 0;
    }
    w_.SyokyakuKubun = static_cast<std::uint8_t>(kubun);
    SelectRateTable(kubun);
}

double TGenkaSyokyakuSisanCalc::TableRate(int column, int taiyou) const
{
    // The published tables start at 2 years and end at 100: a rate of 0 for any other life would
    // leave a depreciable asset silently without depreciation.
    if (taiyou < kGenkaRateMinLife || taiyou > kGenkaRateMaxLife)
        throw EGenkaRateMissing(taiyou, column, w_.SyokyakuKubun, kanri_, meisyou_);
    const TGenkaRateRow& r = (*table_)[static_cast<size_t>(taiyou)];
    switch (column) {
    case 2: return r.Teigaku;
    case 3: return r.Teiritu;
    case 4: return r.Kaitei;
    case 5: return r.Hosyou;
    case 6: return r.OldTeigaku;
    case 7: return r.OldTeiritu;
    default: return 0;
    }
}

int TGenkaSyokyakuSisanCalc::Months() const
{
    // GetMonthNo gives -1 for a period over 12 months; no rate of the statute fits such a year.
    if (AccInf.MonthNo < 1 || AccInf.MonthNo > 12) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "会計期間の月数（%d）が1～12の範囲にないため、減価償却費を計算できません。",
                      AccInf.MonthNo);
        throw EGenkaSetteiError(buf);
    }
    return AccInf.MonthNo;
}

int TGenkaSyokyakuSisanCalc::UseMonths() const
{
    const int m = w_.SyoukikanEnd - w_.SyoukikanStr + 1;
    return std::clamp(m, 0, Months());
}

Currency TGenkaSyokyakuSisanCalc::RoundSyoukin(Currency amount) const { return HasuSyori(AccInf.SDAI_HASUU1, amount); }

Currency TGenkaSyokyakuSisanCalc::GetGendoZan() const
{
    return HasuSyori(AccInf.SDAI_HASUU2, Prod(w_.Syutokin, 5, 100));
}

void TGenkaSyokyakuSisanCalc::GetSyouritu()
{
    SetSyokyakuKubun();
    const int kubun = w_.SyokyakuKubun;
    const int method = w_.Gshouhou;
    const int life = w_.TaiyouYY;
    const int b = Months();
    w_.KansanFlag = false;
    double rate = 0;
    if (kubun == 0 && method == 2 && b != 12) {
        // Short year under the old rules: the rate of the life converted to the short year.
        int converted = life * 12 / b;
        if (converted > 100) {
            w_.KansanFlag = true;
            converted = life;
        }
        rate = TableRate(7, converted);
    } else {
        if (method == 1) rate = TableRate(kubun == 0 ? 6 : 2, life);
        else if (method == 2) rate = TableRate(kubun == 0 ? 7 : 3, life);
        if (b != 12 && (method == 1 || method == 2)) rate = Up3(rate * b / 12.0);
    }
    w_.Syouritu = Rate4(rate);
}

void TGenkaSyokyakuSisanCalc::GetKisokin()
{
    SetSyokyakuKubun();
    switch (w_.Gshouhou) {
    case 1:
        w_.Kisokin = w_.SyokyakuKubun == 0 ? Prod(w_.Syutokin, 9, 10).RoundYen(RoundMode::TowardZero) : w_.Syutokin;
        break;
    case 2: w_.Kisokin = w_.KisyuMisyoukin; break;
    case 3:
    case 4:
    case 5: w_.Kisokin = w_.Syutokin; break;
    case 6: w_.Kisokin = std::max(Currency(), w_.Syutokin - w_.ZankaHosyougaku); break;
    default: w_.Kisokin = Currency(); break;
    }
}

void TGenkaSyokyakuSisanCalc::GetFutuSyoukin()
{
    SetSyokyakuKubun();
    const Currency l = w_.SyokyakuKubun == 0 ? CalcSyoukinOld() : CalcSyoukinNew();
    w_.FutuSyoukin = RoundSyoukin(l);
}

// Methods 3 to 6, the same under every rule.
Currency TGenkaSyokyakuSisanCalc::CalcSyoukinOther()
{
    const Currency a = w_.TokiSyutoku ? w_.Syutokin : w_.KisyuMisyoukin;
    const Currency k = w_.Kisokin;
    const int life = w_.TaiyouYY;
    const int b = Months();
    const int m = UseMonths();
    Currency l;
    switch (w_.Gshouhou) {
    case 3:
        if (life <= 0) return Currency();
        l = RoundSyoukin(Prod(k, m, static_cast<__int128>(life) * 12));
        if (l > a) l = a;
        return l;
    case 4: {
        // The lump sum counts a year as 12 months, also in a short fiscal year (individuals).
        const int months = AccInf.DATATYPE == 2 ? 12 : b;
        l = RoundSyoukin(Prod(k, months, 36));
        if (a - l < Currency::FromYen(3)) l = a;
        return l;
    }
    case 5: return w_.TokiSyutoku ? w_.Syutokin : Currency();
    case 6: {
        Currency o;
        if (life > 0) {
            l = RoundSyoukin(Prod(k, m, life)); // K × (b / life) × (m / b)
            o = RoundSyoukin(Prod(k, 1, life));
        }
        if (o > a - l) l = a;
        return l;
    }
    default: return Currency();
    }
}

Currency TGenkaSyokyakuSisanCalc::CalcSyoukinNew()
{
    const int method = w_.Gshouhou;
    if (method != 1 && method != 2) return CalcSyoukinOther();
    const Currency a = w_.TokiSyutoku ? w_.Syutokin : w_.KisyuMisyoukin;
    const Currency k = w_.Kisokin;
    const std::int64_t r = w_.Syouritu.Raw();
    const int b = Months();
    const int m = UseMonths();
    if (r == 0) return Currency();
    Currency l;
    if (method == 1) {
        l = RoundSyoukin(Prod(k, static_cast<__int128>(r) * m, static_cast<__int128>(10000) * b));
    } else {
        const Currency t = RoundSyoukin(Prod(k, static_cast<__int128>(r) * m, static_cast<__int128>(10000) * b));
        // The year's amount at the full-year rate, compared with the guarantee amount.
        const Currency u = Prod(k, Rate5(TableRate(3, w_.TaiyouYY)), 100000);
        w_.Hosyouritu = TableRate(5, w_.TaiyouYY);
        const Currency guarantee = GetHosyougaku();
        if (guarantee > u) {
            if (w_.KaiteiSyutokuKagaku.IsZero()) w_.KaiteiSyutokuKagaku = a;
            w_.KaiteiFlag = true;
            const Currency kr = GetKaiteiSyouritu();
            l = RoundSyoukin(Prod(w_.KaiteiSyutokuKagaku, static_cast<__int128>(kr.Raw()) * m,
                                  static_cast<__int128>(10000) * b));
        } else {
            w_.KaiteiSyutokuKagaku = Currency();
            l = t;
        }
    }
    // Memorandum value: one yen stays on the books.
    if (a <= kOneYen) l = Currency();
    else if (l >= a) l = a - kOneYen;
    return l;
}

bool TGenkaSyokyakuSisanCalc::IsKansanOver() const
{
    const int b = Months();
    return w_.Gshouhou == 2 && b != 12 && w_.TaiyouYY * 12 / b > 100;
}

Currency TGenkaSyokyakuSisanCalc::CalcSyoukinOld()
{
    const int method = w_.Gshouhou;
    if (method != 1 && method != 2) return CalcSyoukinOther();
    const Currency a = w_.TokiSyutoku ? w_.Syutokin : w_.KisyuMisyoukin;
    const Currency k = w_.Kisokin;
    const std::int64_t r = w_.Syouritu.Raw();
    const int b = Months();
    const int m = UseMonths();
    const Currency floor = GetGendoZan();
    w_.KansanFlag = IsKansanOver();
    const int eDen = w_.KansanFlag ? 12 : b;
    if (r == 0) return Currency();
    Currency l = RoundSyoukin(Prod(k, static_cast<__int128>(r) * m, static_cast<__int128>(10000) * eDen));
    if (floor >= a) {
        // At the 5 per cent floor: nothing before 2007/4; afterwards written down to one yen over
        // 60 months.
        if (AccInf.KISHU < D07 || AccInf.KIMATU < D07) return Currency();
        w_.SaisyokyakuFlag = true;
        if (a <= kOneYen) return Currency();
        const Currency writeDown = Prod(floor - kOneYen, m, 60);
        l = AccInf.DATATYPE == 2 ? RoundSyoukin(writeDown) : writeDown.RoundYen(RoundMode::TowardZero);
        if (l >= a) l = a - kOneYen;
    } else if (floor > a - l) {
        l = a - floor;
    }
    return l;
}

Currency TGenkaSyokyakuSisanCalc::GetHosyougaku()
{
    SetSyokyakuKubun();
    w_.Hosyougaku = 0;
    if (w_.Gshouhou != 2 || w_.SyokyakuKubun == 0) return Currency();
    const double rate = TableRate(5, w_.TaiyouYY);
    w_.Hosyouritu = rate;
    const Currency base = w_.Teiritu200 == 1 ? w_.SyutokuKagakuChosei : w_.Syutokin;
    const Currency exact = Prod(base, Rate5(rate), 100000);
    const Currency amount = AccInf.DATATYPE == 2 ? RoundSyoukin(exact) : exact.RoundYen(RoundMode::TowardZero);
    w_.Hosyougaku = static_cast<double>(amount.ToYen());
    return amount;
}

Currency TGenkaSyokyakuSisanCalc::GetKaiteiSyouritu()
{
    SetSyokyakuKubun();
    double rate = 0;
    if (w_.SyokyakuKubun != 0 && w_.Gshouhou == 2) {
        rate = TableRate(4, w_.TaiyouYY);
        const int b = Months();
        if (b != 12) rate = Up3(b / 12.0 * rate);
    }
    w_.KaiteiSyouritu = rate;
    return Rate4(rate);
}

std::int32_t TGenkaSyokyakuSisanCalc::GetJyokyo()
{
    const Date& d = w_.SyutoDate;
    const int method = w_.Gshouhou;
    if (method < 1 || method > 6) return 0;
    const bool newRules = AccInf.KIMATU >= D07 && (d >= D07 || AccInf.KISHU >= D07);
    const Currency threshold = newRules ? kOneYen : GetGendoZan();
    std::int32_t st = 0;
    Currency v;
    if (AccInf.KISHU <= d && d <= AccInf.KIMATU) {
        st = 0;
        v = w_.Syutokin;
    } else if (d < AccInf.KISHU) {
        st = 1;
        v = w_.KisyuMisyoukin;
        GetFutuSyoukin();
        if (w_.KaiteiFlag) st = 5;
        if (w_.SaisyokyakuFlag) st = 6;
    }
    if (w_.Jyobai == 1) return 3;
    if (w_.Jyobai == 2) return 4;
    if (method == 1 || method == 2) {
        if (st == 1 && w_.MatumiSyoukin > threshold) return 1;
        if (v <= threshold) st = 2;
    } else {
        if (!(st == 1 && w_.MatumiSyoukin >= Currency()) && v.IsZero()) st = 2;
    }
    if (method == 5 && !w_.TokiSyutoku) st = 2;
    return st;
}

std::int32_t TGenkaSyokyakuSisanCalc::CalcRow(const TKsSisanRow& row, TGenkaSyokyakuSisanRec& rec)
{
    InitSisanRec(rec);
    InitSisanRec(w_);
    SelectRateTable(2);
    kanri_ = row.KANRI;
    meisyou_ = row.MEISYOU;

    Date d = row.SYUTODATE;
    if (d > AccInf.KIMATU) d = AccInf.KISHU; // dated after the year: taken as acquired at its start
    const bool toki = AccInf.KISHU <= d && d <= AccInf.KIMATU;
    Date g;
    if (row.JYOBAI != 0) {
        g = row.GENSYODATE;
        if (g < AccInf.KISHU || g > AccInf.KIMATU) g = AccInf.KIMATU;
    }
    w_.Teiritu250 = row.TEIRITU250;
    w_.Teiritu200 = row.TEIRITU200;
    w_.SyutokuKagakuChosei = row.SYUTOKUKAGAKUCHOSEI;
    w_.TaiyoNensu200 = row.TAIYONENSU200;

    // The asset's facts are loaded once, before any step, so that an asset whose rate, base and
    // ordinary amount are all stored still gets its guarantee amount and status from its own
    // method and life.
    w_.TokiSyutoku = toki;
    w_.SyutoDate = d;
    w_.Gshouhou = row.GSHOUHOU;
    w_.TaiyouYY = row.TAIYOUYY;
    w_.Jyobai = row.JYOBAI;
    w_.GensyoDate = g;
    w_.Syutokin = row.SYUTOKIN;
    w_.KisyuMisyoukin = toki ? row.SYUTOKIN : row.KISYUMISYOUKIN;
    w_.ZankaHosyougaku = row.ZANKAHOSYOUGAKU;
    w_.SyoukikanStr = row.SYOUKIKANSTR;
    w_.SyoukikanEnd = row.SYOUKIKANEND;

    // 0 is a method column left empty (listed, nothing to depreciate); a code beyond 6 is a method
    // no rule here knows, and guessing 0 would understate the year's expenses.
    if (row.GSHOUHOU < 0 || row.GSHOUHOU > 6) {
        SetSyokyakuKubun();
        throw EGenkaRateMissing::UnknownMethod(row.GSHOUHOU, row.TAIYOUYY, w_.SyokyakuKubun, kanri_, meisyou_);
    }

    if (row.ISINPSYOURITU != 0) w_.Syouritu = row.SYOURITU;
    else GetSyouritu();

    if (row.ISINPKISOKIN != 0) w_.Kisokin = row.KISOKIN;
    else GetKisokin();

    if (row.ISINPFUTUSYOUKIN == 0) GetFutuSyoukin();
    else w_.FutuSyoukin = row.FUTUSYOUKIN;

    GetHosyougaku();

    w_.KaiteiSyutokuKagaku = row.ISINPKAITEISYUTOKUKAGAKU != 0 ? row.KAITEISYUTOKUKAGAKU_INPUT : row.KAITEISYUTOKUKAGAKU;

    w_.WariSyoukin = row.WARISYOUKIN;
    w_.SyoukinKei = row.SYOUKINKEI;
    w_.MatumiSyoukin = row.MATUMISYOUKIN;

    w_.Jyokyo = GetJyokyo();
    GetKaiteiSyouritu();

    if (row.ISINPFUTUSYOUKIN != 0) {
        // The stored ordinary amount wins over the recomputation of the status step.
        w_.SyoukikanStr = row.SYOUKIKANSTR;
        w_.SyoukikanEnd = row.SYOUKIKANEND;
        w_.FutuSyoukin = row.FUTUSYOUKIN;
    }

    w_.JigyouWariai = row.JIGYOUWARIAI;
    w_.JigyouKin = HasuSyori(AccInf.SDAI_HASUU3,
                             Prod(w_.SyoukinKei, w_.JigyouWariai.Raw(), static_cast<__int128>(100) * Currency::kScale));
    rec = w_;
    return 1;
}

TGenkaSyokyakuRec MakeGenkaRow(const TGenkaSyokyakuSisanRec& r, const TKsSisanRow& row, bool withElections)
{
    TGenkaSyokyakuRec g;
    g.SyokyakuKubun = r.SyokyakuKubun;
    g.Meisyou = row.MEISYOU;
    g.Suryo = row.SURYO;
    g.SyutoDate = r.SyutoDate;
    g.Syutokin = r.Syutokin;
    g.Hosyougaku = Currency::FromDouble(r.Hosyougaku);
    g.Kisokin = r.Kisokin;
    g.Gshouhou = r.Gshouhou;
    g.TaiyouYY = r.TaiyouYY;
    g.Syouritu = r.Syouritu.ToDouble();
    g.SyoukikanTukisu = r.SyoukikanEnd - r.SyoukikanStr + 1;
    g.FutuSyoukin = r.FutuSyoukin;
    g.WariSyoukin = r.WariSyoukin;
    g.SyoukinKei = r.SyoukinKei;
    g.JigyouWariai = r.JigyouWariai.ToDouble();
    g.JigyouKin = r.JigyouKin;
    g.MatumiSyoukin = r.MatumiSyoukin;
    g.Tekiyo = row.TEKIYO;
    g.KisyuMisyoukin = r.KisyuMisyoukin;
    g.KaiteiSyutokuKagaku = r.KaiteiSyutokuKagaku;
    g.KaiteiSyouritu = Currency::FromDouble(r.KaiteiSyouritu);
    g.GokeiFlag = 0;
    if (withElections) {
        g.Teiritu250 = r.Teiritu250;
        g.Teiritu200 = r.Teiritu200;
        g.SyutokuKagakuChosei = r.SyutokuKagakuChosei;
    }
    return g;
}

TGenkaSyokyakuRec MakeSyougakuRow(const std::vector<TGenkaSyokyakuRec>& tokureiRows, Date kimatu,
                                  Currency smallCost, Currency smallJigyou)
{
    TGenkaSyokyakuRec g;
    if (!tokureiRows.empty()) g.Meisyou = tokureiRows.front().Meisyou;
    g.SyutoDate = kimatu;
    g.Syutokin = smallCost;
    g.Gshouhou = 5;
    g.JigyouKin = smallJigyou;
    g.Tekiyo = "措法28の2";
    g.GokeiFlag = 1;
    return g;
}

} // namespace kb

namespace kb {

TGenkaRowsLayout LayoutGenkaRows(const std::vector<TGenkaComputed>& assets, int shownRows, bool withElections,
                                 Date kimatu)
{
    TGenkaRowsLayout out;
    Currency smallCost;
    Currency smallJigyou;
    // The arrays grow with what the calculator decides, so an asset the count queries would have
    // missed (a method left empty, a small asset dated after the year) is still listed.
    for (const TGenkaComputed& a : assets) {
        if (a.Result.Gshouhou == 5) {
            if (!a.Result.TokiSyutoku) continue;
            out.TokureiRows.push_back(MakeGenkaRow(a.Result, a.Row, false));
            smallCost += a.Result.Syutokin;
            smallJigyou += a.Result.JigyouKin;
        } else {
            out.GenkaRows.push_back(MakeGenkaRow(a.Result, a.Row, withElections));
        }
    }
    out.GenkaTokurei = !out.TokureiRows.empty();
    const size_t n = out.GenkaRows.size();
    const size_t shown = static_cast<size_t>(std::max(shownRows, 0));
    out.GenkaBessi = n + (out.GenkaTokurei ? 1 : 0) > shown;
    out.Shown.assign(shown, TGenkaSyokyakuRec{});
    const TGenkaSyokyakuRec summary =
        out.GenkaTokurei ? MakeSyougakuRow(out.TokureiRows, kimatu, smallCost, smallJigyou) : TGenkaSyokyakuRec{};
    if (out.GenkaBessi) {
        if (!out.Shown.empty()) out.Shown[0].Meisyou = "別紙参照";
        if (out.GenkaTokurei) out.GenkaRows.push_back(summary);
    } else {
        std::copy(out.GenkaRows.begin(), out.GenkaRows.begin() + static_cast<std::ptrdiff_t>(n), out.Shown.begin());
        if (out.GenkaTokurei) out.Shown[n] = summary;
    }
    return out;
}

TGenkaSyokyakuRec GenkaTotalsRow(const TGenkaRowsLayout& layout)
{
    TGenkaSyokyakuRec t;
    for (const TGenkaSyokyakuRec& g : layout.GenkaRows) {
        if (g.Gshouhou == 5) continue; // the summary row of the small assets
        t.FutuSyoukin += g.FutuSyoukin;
        t.WariSyoukin += g.WariSyoukin;
        t.SyoukinKei += g.SyoukinKei;
        t.JigyouKin += g.JigyouKin;
        t.MatumiSyoukin += g.MatumiSyoukin;
    }
    for (const TGenkaSyokyakuRec& g : layout.TokureiRows) t.JigyouKin += g.JigyouKin;
    return t;
}

} // namespace kb

namespace kb {

TGenkaRowsLayout ReadGenkaRows(fb::Connection& db, fb::Transaction& tr, const TGenkaSettei& accInf, int shownRows,
                               bool withElections)
{
    fb::TransactionGuard guard(tr);
    TGenkaSyokyakuSisanCalc calc(accInf, db, tr);
    std::vector<TGenkaComputed> assets;
    {
        fb::Statement list(db, &tr);
        list.SetSQL("SELECT REC,MEISYOU,SURYO,TEKIYO FROM KS_SISAN\nORDER BY KANRI,REC");
        std::vector<std::int32_t> keys;
        for (list.ExecQuery(); !list.Eof(); list.Next()) keys.push_back(list.FieldByName("REC").AsInteger());
        list.Close();
        for (std::int32_t rec : keys) {
            TGenkaComputed a;
            if (!calc.ReadKsSisan(rec, a.Row)) continue; // deleted meanwhile
            calc.CalcRow(a.Row, a.Result);
            assets.push_back(std::move(a));
        }
    }
    guard.Commit();
    return LayoutGenkaRows(assets, shownRows, withElections, accInf.KIMATU);
}

} // namespace kb
