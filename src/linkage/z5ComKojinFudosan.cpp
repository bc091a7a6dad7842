#include "linkage/z5ComKojinFudosan.h"

#include <algorithm>

#include "core/TMojiBunkatu.h"
#include "core/uAccRecord.h"
#include "fb/Statement.h"

namespace kb {

namespace {

constexpr const char* kBessiSansyou = "別紙参照";

Date EraDate(const TGengoRec& g, int yy, int mm)
{
    TWarekiRec w;
    w.Name = g.Name;
    w.Sign = g.Sign;
    w.Year = static_cast<short>(yy);
    w.Month = static_cast<short>(mm);
    w.Day = 1;
    TGengoArray one{g};
    return WarekiToDate(w, one);
}

// A timestamp column counts as a date when it holds a day after the day-zero date.
bool AboveZero(const DateTime& d) { return !d.IsNull() && d.GetDate() > Date(1899, 12, 30); }

} // namespace

void FudosanSplit(std::string_view text, int width, std::string& piece1, std::string& piece2)
{
    TMojiBunkatu m;
    m.BunkatuByLength(text, width);
    piece1 = m.GetMoji(0);
    piece2 = m.GetMoji(1);
}

Date FudosanKaisiDate(int yy, int mm, Date kimatu, const TGengoArray& eras)
{
    if (yy <= 0 || mm <= 0) return Date();
    // eras are newest first: the first that does not put the start after the year is the one
    for (const TGengoRec& g : eras) {
        const Date d = EraDate(g, yy, mm);
        if (!d.IsNull() && (kimatu.IsNull() || d <= kimatu)) return d;
    }
    return Date();
}

Date FudosanSyuuryouDate(int yy, int mm, Date from, Date kimatu, const TGengoArray& eras)
{
    if (yy <= 0 || mm <= 0) return Date();
    if (!from.IsNull()) {
        // compared by month: an end in the start's own month is on or after it
        const Date fromMonth = Date(from.Year(), from.Month(), 1);
        Date best;
        for (const TGengoRec& g : eras) {
            const Date d = EraDate(g, yy, mm);
            if (!d.IsNull() && d >= fromMonth && (best.IsNull() || d < best)) best = d;
        }
        if (!best.IsNull()) return best;
    }
    return FudosanKaisiDate(yy, mm, kimatu, eras);
}

Currency FudosanKoujoGendo(int koujoKubun)
{
    switch (koujoKubun) {
    case 0: return Currency::FromYen(550000);
    case 1: return Currency::FromYen(100000);
    case 2: return Currency::FromYen(650000);
    default: return Currency::FromYen(-1);
    }
}

void FudosanSyukei(TFudosanKessansyoRec& d, const TFudosanSyotokuRecArray& rows, const TGenkaRowsLayout& genka)
{
    // 1. properties: every row of the list, also those the statement does not show
    {
        TFudosanSyotokuRec& t = d.Fudosan[16];
        t.Nengaku = t.Reikin = t.Kenrikin = t.Kousinryou = t.Meigiryou = t.Sikikin = Currency();
        for (const TFudosanSyotokuRec& r : rows) {
            t.Nengaku += r.Nengaku;
            t.Reikin += r.Reikin;
            t.Kenrikin += r.Kenrikin;
            t.Kousinryou += r.Kousinryou;
            t.Meigiryou += r.Meigiryou;
            t.Sikikin += r.Sikikin;
        }
    }
    // 2. wages
    {
        TKyuyoChinginRec t;
        for (int r = 1; r <= 2; ++r) {
            TKyuyoChinginRec& k = d.Kyuyo[r];
            k.Goukei = k.Kyuyo + k.Shouyo;
            t.Tukisuu += k.Tukisuu;
            t.Kyuyo += k.Kyuyo;
            t.Shouyo += k.Shouyo;
            t.Goukei += k.Goukei;
            t.Gensen += k.Gensen;
        }
        d.Kyuyo[3] = t;
        d.Senjyusya[1].Goukei = d.Senjyusya[1].Kyuyo + d.Senjyusya[1].Shouyo;
    }
    // 3. depreciation totals
    {
        const TGenkaSyokyakuRec t = GenkaTotalsRow(genka);
        TGenkaSyokyakuRec& row = d.GenkaSyokyaku[13];
        row.FutuSyoukin = t.FutuSyoukin;
        row.WariSyoukin = t.WariSyoukin;
        row.SyoukinKei = t.SyoukinKei;
        row.JigyouKin = t.JigyouKin;
        row.MatumiSyoukin = t.MatumiSyoukin;
    }
    // 4. lines
    auto& s = d.Soneki;
    s[4].Kingaku = s[1].Kingaku + s[2].Kingaku + s[3].Kingaku;
    s[18].Kingaku = Currency();
    for (int l = 5; l <= 17; ++l) s[18].Kingaku += s[l].Kingaku;
    s[19].Kingaku = s[4].Kingaku - s[18].Kingaku;
    s[21].Kingaku = s[19].Kingaku - s[20].Kingaku;
    const Currency gendo = FudosanKoujoGendo(d.KoujoKubun);
    if (gendo >= Currency()) s[22].Kingaku = std::min(s[21].Kingaku, gendo);
    if (s[22].Kingaku < Currency()) s[22].Kingaku = Currency();
    s[23].Kingaku = s[21].Kingaku - s[22].Kingaku;
    // the interest on debt for land only reduces a loss
    if (s[23].Kingaku >= Currency()) d.FusaiRisi = Currency();
    // 5.
    d.Fusai[24].Kimatu = s[21].Kingaku;
    // 6. balance-sheet totals
    for (auto* side : {&d.Sisan, &d.Fusai}) {
        TTaisyakuTaisyouhyoRec& t = (*side)[25];
        t.Kisyu = t.Kimatu = Currency();
        for (int r = 1; r <= 24; ++r) {
            t.Kisyu += (*side)[r].Kisyu;
            t.Kimatu += (*side)[r].Kimatu;
        }
    }
}

// ---- TFudosanKessansyoIO

TFudosanKessansyoIO::TFudosanKessansyoIO() : TKojinKessansyoIO() { InitData(Data); }

TFudosanKessansyoIO::TFudosanKessansyoIO(fb::Connection& db, fb::Transaction& tr) : TKojinKessansyoIO(db, tr)
{
    InitData(Data);
}

void TFudosanKessansyoIO::InitData(TFudosanKessansyoRec& rec)
{
    rec = TFudosanKessansyoRec{};
    InitHeader(rec);
}

int TFudosanKessansyoIO::Select(int flag)
{
    InitData(Data);
    SyotokuRows.clear();
    GenkaRows.clear();
    TokureiRows.clear();
    MakeBalance();
    return SelectFudosan(flag);
}

int TFudosanKessansyoIO::SelectFudosan(int flag)
{
    return ReadInTransaction(
        "TKojinKessansyoIO.SelectFudosan",
        [&] {
            ReadSinkoku();
            Data.KikanFrom = DateTime(AccInf.KISHU);
            Data.KikanTo = DateTime(AccInf.KIMATU);
            // the real-estate statement takes the print period only above 1
            if (AccInf.PrintKikanUse > 1) {
                Data.KikanFrom = DateTime(AccInf.PrintKikanFrom);
                Data.KikanTo = DateTime(AccInf.PrintKikanTo);
            }
            SelectFudosanSyotoku();
            ReadKyuyo(0);
            ReadKyuyo(1);
            SelectGenkaSyokyaku();
            ReadBreakdowns();
            PlaceBalances();
            Data.Sisan[24].Kisyu = Currency();
            Data.Fusai[22].Kisyu = Currency();
            Data.Fusai[24].Kisyu = Currency();
            ReadExterks(flag == 0 && Data.Tegaki == 1);
        },
        [&] { Syukei(); });
}

void TFudosanKessansyoIO::ReadSinkoku()
{
    RunQuery("SELECT REC,TEGAKI,ZEIRISI_ADD1,ZEIRISI_ADD2,ZEIRISI_SIMEI1,ZEIRISI_SIMEI2,ZEIRISI_TEL,\n"
             "GYOUSHUKUBUN,KURIIRE1,KURIIRE2,KURIIRE3,KURIIRE4,KURIIRE5,HASUU,\n"
             "KOUJOKUBUN,KOUJO6,KOUJO7,KOUJO8,KOUJO9,\n"
             "HIZUKE,KISHU,KIMATU,YOUSI,COLOR,WAKU,FUSAIRISI\n"
             "FROM AO_SINKOKU\n"
             "ORDER BY REC",
             nullptr, [&](fb::Statement& q) {
                 Data.Tegaki = q.FieldByName("TEGAKI").AsInteger();
                 Data.ZeirisiAdd1 = q.FieldByName("ZEIRISI_ADD1").AsString();
                 Data.ZeirisiAdd2 = q.FieldByName("ZEIRISI_ADD2").AsString();
                 Data.ZeirisiSimei1 = q.FieldByName("ZEIRISI_SIMEI1").AsString();
                 Data.ZeirisiSimei2 = q.FieldByName("ZEIRISI_SIMEI2").AsString();
                 Data.ZeirisiTel = q.FieldByName("ZEIRISI_TEL").AsString();
                 Data.KoujoKubun = q.FieldByName("KOUJOKUBUN").AsInteger();
                 Data.HizukeUmu = 0;
                 Data.Hizuke = DateTime::Now();
                 const DateTime hizuke = q.FieldByName("HIZUKE").AsDateTime();
                 if (AboveZero(hizuke)) {
                     Data.HizukeUmu = 1;
                     Data.Hizuke = hizuke;
                 }
                 Data.FusaiRisi = q.FieldByName("FUSAIRISI").AsCurrency();
             });
}

void TFudosanKessansyoIO::SelectFudosanSyotoku()
{
    SyotokuRows.clear();
    std::int64_t count = 0;
    RunQuery("SELECT COUNT(REC) AS RECCNT FROM AO_FUDOUSAN", nullptr,
             [&](fb::Statement& q) { count = q.FieldByName("RECCNT").AsInteger(); });
    SyotokuRows.reserve(static_cast<std::size_t>(std::max<std::int64_t>(count, 0)));
    Data.FudosanBessi = count > kFudosanShownRows ? 1 : 0;

    const Date kishu = AccInf.KISHU;
    const Date kimatu = AccInf.KIMATU;
    RunQuery("SELECT REC,NUMBER,KUBUN,YOUTO,SHOZAITI,TINSYAKU,KAISI_YY,KAISI_MM,SHUURYOU_YY,SHUURYOU_MM,MENSEKI,"
             "GETUGAKU,NENGAKU,REIKIN,KENRIKIN,KOUSINRYOU,MEIGIRYOU,SIKIKIN\n"
             ",FTINSYAKU_KAISI,FTINSYAKU_SHUURYOU\n"
             "FROM AO_FUDOUSAN\n"
             "ORDER BY NUMBER",
             nullptr, [&](fb::Statement& q) {
                 TFudosanSyotokuRec r;
                 r.Rec = q.FieldByName("REC").AsInteger();
                 r.Number = q.FieldByName("NUMBER").AsInteger();
                 r.Kubun = q.FieldByName("KUBUN").AsString();
                 r.Youto = q.FieldByName("YOUTO").AsString();
                 FudosanSplit(q.FieldByName("SHOZAITI").AsString(), 22, r.Shozaiti1, r.Shozaiti2);
                 FudosanSplit(q.FieldByName("TINSYAKU").AsString(), 24, r.Tinsyaku1, r.Tinsyaku2);
                 r.KaisiYY = q.FieldByName("KAISI_YY").AsInteger();
                 r.KaisiMM = q.FieldByName("KAISI_MM").AsInteger();
                 r.SyuuryouYY = q.FieldByName("SHUURYOU_YY").AsInteger();
                 r.SyuuryouMM = q.FieldByName("SHUURYOU_MM").AsInteger();
                 r.Menseki = q.FieldByName("MENSEKI").AsCurrency();
                 r.Getugaku = q.FieldByName("GETUGAKU").AsCurrency();
                 r.Nengaku = q.FieldByName("NENGAKU").AsCurrency();
                 r.Reikin = q.FieldByName("REIKIN").AsCurrency();
                 r.Kenrikin = q.FieldByName("KENRIKIN").AsCurrency();
                 r.Kousinryou = q.FieldByName("KOUSINRYOU").AsCurrency();
                 r.Meigiryou = q.FieldByName("MEIGIRYOU").AsCurrency();
                 r.Sikikin = q.FieldByName("SIKIKIN").AsCurrency();
                 const DateTime kaisi = q.FieldByName("FTINSYAKU_KAISI").AsDateTime();
                 const DateTime syuuryou = q.FieldByName("FTINSYAKU_SHUURYOU").AsDateTime();
                 if (AboveZero(kaisi)) r.TinsyakuKaisi = kaisi;
                 if (AboveZero(syuuryou)) r.TinsyakuSyuuryou = syuuryou;

                 // Dates kept only as era year and month. Taking the era of today would move a
                 // contract of an earlier era decades ahead (平成28 as 令和28); the era is the one
                 // that fits the fiscal year instead.
                 auto backToEra = [](Date d, std::int32_t& yy, std::int32_t& mm) {
                     TWarekiRec w;
                     DateToWareki(d, w);
                     yy = w.Year;
                     mm = w.Month;
                 };
                 if (!AboveZero(r.TinsyakuKaisi) && r.KaisiYY > 0 && r.KaisiMM > 0) {
                     const Date d = FudosanKaisiDate(r.KaisiYY, r.KaisiMM, kimatu, GengoList);
                     if (!d.IsNull()) {
                         r.TinsyakuKaisi = DateTime(d);
                         backToEra(d, r.KaisiYY, r.KaisiMM);
                     }
                 }
                 if (!AboveZero(r.TinsyakuSyuuryou) && r.SyuuryouYY > 0 && r.SyuuryouMM > 0) {
                     const Date from = AboveZero(r.TinsyakuKaisi) ? r.TinsyakuKaisi.GetDate() : kishu;
                     const Date d = FudosanSyuuryouDate(r.SyuuryouYY, r.SyuuryouMM, from, kimatu, GengoList);
                     if (!d.IsNull()) {
                         r.TinsyakuSyuuryou = DateTime(d);
                         backToEra(d, r.SyuuryouYY, r.SyuuryouMM);
                     }
                 }
                 SyotokuRows.push_back(std::move(r));
             });

    if (Data.FudosanBessi == 1) {
        Data.Fudosan[1].Shozaiti1 = kBessiSansyou;
        return;
    }
    for (std::size_t i = 0; i < SyotokuRows.size() && i < static_cast<std::size_t>(kFudosanShownRows); ++i)
        Data.Fudosan[static_cast<int>(i) + 1] = SyotokuRows[i];
}

void TFudosanKessansyoIO::ReadKyuyo(int senjyu)
{
    RunQuery(std::string("SELECT REC,NUMBER,SENJYU,SIMEI,TUZUKIGARA,NENREI,TUKISUU,KYUUYO,SHOUYO,GOUKEI,GENSEN FROM "
                         "AO_KYUUYO\n") +
                 (senjyu == 0 ? "WHERE SENJYU=0\n" : "WHERE SENJYU=1\n") + "ORDER BY NUMBER",
             nullptr, [&](fb::Statement& q) {
                 const int n = q.FieldByName("NUMBER").AsInteger();
                 if (senjyu == 0) {
                     // row 3 is the totals row, never a person
                     if (n < 1 || n > 2) return;
                     TKyuyoChinginRec& r = Data.Kyuyo[n];
                     r.Simei = q.FieldByName("SIMEI").AsString();
                     r.Nenrei = q.FieldByName("NENREI").AsInteger();
                     r.Tukisuu = q.FieldByName("TUKISUU").AsInteger();
                     r.Kyuyo = q.FieldByName("KYUUYO").AsCurrency();
                     r.Shouyo = q.FieldByName("SHOUYO").AsCurrency();
                     r.Goukei = q.FieldByName("GOUKEI").AsCurrency();
                     r.Gensen = q.FieldByName("GENSEN").AsCurrency();
                 } else {
                     if (!Data.Senjyusya.Has(n)) return;
                     TSenjyusyaKyuyoRec& r = Data.Senjyusya[n];
                     r.Simei = q.FieldByName("SIMEI").AsString();
                     r.Tuzukigara = q.FieldByName("TUZUKIGARA").AsString();
                     r.Nenrei = q.FieldByName("NENREI").AsInteger();
                     r.Tukisuu = q.FieldByName("TUKISUU").AsInteger();
                     r.Kyuyo = q.FieldByName("KYUUYO").AsCurrency();
                     r.Shouyo = q.FieldByName("SHOUYO").AsCurrency();
                     r.Goukei = q.FieldByName("GOUKEI").AsCurrency();
                     r.Gensen = q.FieldByName("GENSEN").AsCurrency();
                 }
             });
}

void TFudosanKessansyoIO::SelectGenkaSyokyaku()
{
    const TGenkaRowsLayout layout = ReadGenkaRows(*db_, *tr_, TGenkaSettei::FromAccInf(AccInf),
                                                  TLines<TGenkaSyokyakuRec, 13>::Count - 1, true);
    PlaceGenkaLayout(layout, Data);
}

void TFudosanKessansyoIO::ReadBreakdowns()
{
    ReadRisiRows(SlotOf(Data.Risi));
    ReadTidaiRows(SlotOf(Data.Tidai));
    ReadHousyuRows(SlotOf(Data.Zeirisi));
    ReadNoteRows(30, SlotOf(Data.Note));
}

void TFudosanKessansyoIO::PlaceBalances()
{
    TFudosanKessansyoRec& d = Data;
    const std::size_t nSorts = std::min(Sorts.size(), static_cast<std::size_t>(std::max(MaxKamoku, 0)));
    for (std::size_t i = 0; i < nSorts; ++i) {
        const TQSORT& s = Sorts[i];
        if (s.QKEY == kAccZanEmptyKey) continue;
        if (s.QINDEX < 0 || static_cast<std::size_t>(s.QINDEX) >= Balances.size()) continue;
        const TBALANCE& b = Balances[static_cast<std::size_t>(s.QINDEX)];
        const std::string& code = b.KAMOKU.GROUPM1;
        const int q = b.SUBREC;
        const int side = b.KAMOKU.TAISHAKU;
        auto A = [&](Currency x) { return SideSign(0, x, side); };
        auto bs = [&](TLines<TTaisyakuTaisyouhyoRec, 25>& rows) {
            if (!rows.Has(q)) return;
            rows[q].Name = b.KAMOKU.KNAME;
            rows[q].Kisyu = A(b.ZENZAN);
            rows[q].Kimatu = A(b.TOUZAN);
        };
        auto pl = [&](int line) {
            if (!d.Soneki.Has(line)) return;
            d.Soneki[line].Name = b.KAMOKU.KNAME;
            d.Soneki[line].Kingaku = A(b.TOUZAN);
        };
        if (code >= "1100" && code <= "1900" && q > 0) bs(d.Sisan);
        else if (code >= "2100" && code < "4100" && q > 0) bs(d.Fusai);
        else if (code >= "4100" && code <= "8400") {
            // a line number outside the group's own lines would land on another group's line
            if (code == "4100" && q >= 1 && q <= 3) pl(q);
            else if (code == "6100" && q >= 1 && q <= 13) pl(q + 4);
            else if (code == "7200" && q == 1) pl(q + 19);
        }
    }
}

void TFudosanKessansyoIO::ReadExterks(bool tegaki)
{
    TFudosanKessansyoRec& d = Data;
    RunQuery("SELECT REC,KGROUP,SUBREC,KNAME1,KNAMELOCK,AO_KISHUZAN,AO_KIMATUZAN FROM EXTERKS\nORDER BY KGROUP,SUBREC",
             nullptr, [&](fb::Statement& q) {
                 const std::string g = q.FieldByName("KGROUP").AsString();
                 const int s = q.FieldByName("SUBREC").AsInteger();
                 const int rec = q.FieldByName("REC").AsInteger();
                 const Currency kisyu = q.FieldByName("AO_KISHUZAN").AsCurrency();
                 const Currency kimatu = q.FieldByName("AO_KIMATUZAN").AsCurrency();
                 auto bs = [&](TLines<TTaisyakuTaisyouhyoRec, 25>& rows) {
                     if (!rows.Has(s)) return;
                     rows[s].Rec = rec;
                     if (tegaki) {
                         rows[s].Kisyu = kisyu;
                         rows[s].Kimatu = kimatu;
                     }
                 };
                 auto pl = [&](int line) {
                     d.Soneki[line].Rec = rec;
                     if (tegaki) d.Soneki[line].Kingaku = kimatu;
                 };
                 if (g == "1100") bs(d.Sisan);
                 else if (g == "2100") bs(d.Fusai);
                 else if (g == "4100" && s >= 1 && s <= 3) pl(s);
                 else if (g == "6100" && s >= 1 && s <= 13) pl(s + 4);
                 else if (g == "7200" && s == 1) pl(s + 19);
             });
}

void TFudosanKessansyoIO::Syukei()
{
    TGenkaRowsLayout l;
    l.GenkaRows = GenkaRows;
    l.TokureiRows = TokureiRows;
    FudosanSyukei(Data, SyotokuRows, l);
}

} // namespace kb
