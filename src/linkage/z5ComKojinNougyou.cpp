#include "linkage/z5ComKojinNougyou.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <functional>

#include "core/uAccRecord.h"
#include "core/uAccTaxCmp.h"
#include "fb/Statement.h"

namespace kb {

namespace {

// Groups of the profit-and-loss lines: the line of the group's row 1, the rows the group has, and
// the sign mode of its amounts (closing inventories and rearing costs are subtracted by the totals).
struct TNougyouGroup {
    const char* Group;
    int Offset;
    int Rows;
    int SignMode;
};
constexpr TNougyouGroup kGroups[] = {
    {"4100", 0, 3, 0},  {"5100", 4, 1, 0},  {"5300", 5, 1, 1},  {"6100", 7, 23, 0}, {"6110", 31, 1, 0},
    {"6120", 32, 1, 1}, {"6130", 33, 1, 1}, {"7100", 36, 3, 0}, {"7200", 40, 4, 0},
};

bool AboveZero(const DateTime& d) { return !d.IsNull() && d.GetDate() > Date(1899, 12, 30); }

// A number column read as text: "0" means nothing was entered.
std::string NumberText(const std::string& t) { return t == "0" ? std::string() : t; }

Currency Smaller(Currency a, Currency b) { return a < b ? a : b; }

} // namespace

bool NougyouSonekiLine(const std::string& group, int subrec, int& line, int& signMode)
{
    for (const TNougyouGroup& g : kGroups) {
        if (group != g.Group) continue;
        if (subrec < 1 || subrec > g.Rows) return false;
        line = subrec + g.Offset;
        signMode = g.SignMode;
        return true;
    }
    return false;
}

std::string NougyouSyutokuYY(std::string_view yy, int mm, int dd, Date kimatu, const TGengoArray& eras)
{
    if (yy.empty()) return {};
    if (!std::isdigit(static_cast<unsigned char>(yy.front()))) return std::string(yy);
    int y = 0;
    const auto r = std::from_chars(yy.data(), yy.data() + yy.size(), y);
    if (r.ec != std::errc() || r.ptr != yy.data() + yy.size() || y <= 0 || y > 99) return {};
    // an acquisition lies in the past: the newest era that does not put it after the fiscal year
    for (const TGengoRec& g : eras) {
        TWarekiRec w;
        w.Name = g.Name;
        w.Sign = g.Sign;
        w.Year = static_cast<short>(y);
        w.Month = static_cast<short>(mm >= 1 && mm <= 12 ? mm : 1);
        w.Day = static_cast<short>(dd >= 1 ? dd : 1);
        TGengoArray one{g};
        Date d = WarekiToDate(w, one);
        if (d.IsNull()) {
            w.Day = 1; // a day the month does not have: the month still places the year
            d = WarekiToDate(w, one);
        }
        if (!d.IsNull() && (kimatu.IsNull() || d <= kimatu)) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%s%02d", g.Sign.c_str(), y);
            return buf;
        }
    }
    return {};
}

void NougyouSyukei(TNougyouKessansyoRec& d, const TGenkaRowsLayout& genka)
{
    // 1. farm products: amounts of the crops, fruit trees and special facilities; the area as read
    {
        TSyunyuKingakuRec& t = d.NousanKei[1];
        t.KisyuKingaku = t.Hanbaigaku = t.Kajisyohigaku = t.KimatuKingaku = Currency();
        auto add = [&](const TSyunyuKingakuRec& r) {
            t.KisyuKingaku += r.KisyuKingaku;
            t.Hanbaigaku += r.Hanbaigaku;
            t.Kajisyohigaku += r.Kajisyohigaku;
            t.KimatuKingaku += r.KimatuKingaku;
        };
        for (int i = 1; i <= 6; ++i) add(d.Tahata[i]);
        for (int i = 1; i <= 3; ++i) add(d.Kajyu[i]);
        for (int i = 1; i <= 3; ++i) add(d.Tokusyu[i]);
    }
    // 2. grand total with the livestock products
    {
        TSyunyuKingakuRec& g = d.SyunyuGokei[1];
        g.Hanbaigaku = d.NousanKei[1].Hanbaigaku;
        g.Kajisyohigaku = d.NousanKei[1].Kajisyohigaku;
        for (int i = 1; i <= 3; ++i) {
            g.Hanbaigaku += d.Tikusan[i].Hanbaigaku;
            g.Kajisyohigaku += d.Tikusan[i].Kajisyohigaku;
        }
    }
    // 3.
    d.Zassyu[4].Kingaku = d.Zassyu[1].Kingaku + d.Zassyu[2].Kingaku + d.Zassyu[3].Kingaku;
    // 4. inventories other than farm products (quantities added whatever their units)
    {
        TNousanIgaiTanaorosiRec& t = d.IgaiGokei[1];
        t.KisyuSuryo = t.KisyuKingaku = t.KimatuSuryo = t.KimatuKingaku = Currency();
        auto add = [&](const TNousanIgaiTanaorosiRec& r) {
            t.KisyuSuryo += r.KisyuSuryo;
            t.KisyuKingaku += r.KisyuKingaku;
            t.KimatuSuryo += r.KimatuSuryo;
            t.KimatuKingaku += r.KimatuKingaku;
        };
        for (int i = 1; i <= 5; ++i) add(d.Misyukaku[i]);
        for (int i = 1; i <= 5; ++i) add(d.HanbaiDoubutu[i]);
        for (int i = 1; i <= 8; ++i) add(d.Syubyou[i]);
        for (int i = 1; i <= 3; ++i) add(d.IgaiSonota[i]);
    }
    // 5. hired labour
    {
        TYatoininhiRec t;
        for (int i = 1; i <= 4; ++i) {
            TYatoininhiRec& r = d.Yatoinin[i];
            r.SikyuGokei = r.SikyuGenkin + r.SikyuGenbutu;
            t.Nisuu += r.Nisuu;
            t.SikyuGenkin += r.SikyuGenkin;
            t.SikyuGenbutu += r.SikyuGenbutu;
            t.SikyuGokei += r.SikyuGokei;
            t.Gensenzeigaku += r.Gensenzeigaku;
        }
        d.Yatoinin[5] = t;
    }
    // 6. family employees
    {
        TSenjyusyaKyuyoRec t;
        for (int i = 1; i <= 4; ++i) {
            TSenjyusyaKyuyoRec& r = d.Senjyusya[i];
            r.Goukei = r.Kyuyo + r.Shouyo;
            t.Tukisuu += r.Tukisuu;
            t.Kyuyo += r.Kyuyo;
            t.Shouyo += r.Shouyo;
            t.Goukei += r.Goukei;
            t.Gensen += r.Gensen;
        }
        d.Senjyusya[5] = t;
    }
    // 7. depreciation totals
    {
        const TGenkaSyokyakuRec t = GenkaTotalsRow(genka);
        TGenkaSyokyakuRec& row = d.GenkaSyokyaku[12];
        row.FutuSyoukin = t.FutuSyoukin;
        row.WariSyoukin = t.WariSyoukin;
        row.SyoukinKei = t.SyoukinKei;
        row.JigyouKin = t.JigyouKin;
        row.MatumiSyoukin = t.MatumiSyoukin;
    }
    // 8. rearing costs
    {
        TKajyuGyubaIkuseiRec t;
        for (int i = 1; i <= 2; ++i) {
            TKajyuGyubaIkuseiRec& r = d.KajyuGyuba[i];
            r.IkuseiSyokei = r.IkuseiSyubyouhi + r.IkuseiHiryouhi;
            r.IkuseiKasangaku = r.IkuseiSyokei - r.IkuseiSyunyugaku;
            r.YokunenKurikosigaku = r.ZennenKurikosigaku + r.IkuseiKasangaku - r.Syutokugaku;
            t.ZennenKurikosigaku += r.ZennenKurikosigaku;
            t.IkuseiSyubyouhi += r.IkuseiSyubyouhi;
            t.IkuseiHiryouhi += r.IkuseiHiryouhi;
            t.IkuseiSyokei += r.IkuseiSyokei;
            t.IkuseiSyunyugaku += r.IkuseiSyunyugaku;
            t.IkuseiKasangaku += r.IkuseiKasangaku;
            t.Syutokugaku += r.Syutokugaku;
            t.YokunenKurikosigaku += r.YokunenKurikosigaku;
        }
        d.KajyuGyuba[3] = t;
    }
    // 9. profit and loss
    auto& s = d.Soneki;
    auto sum = [&](int from, int to) {
        Currency c;
        for (int l = from; l <= to; ++l) c += s[l].Kingaku;
        return c;
    };
    s[4].Kingaku = sum(1, 3);
    s[7].Kingaku = s[4].Kingaku - s[5].Kingaku + s[6].Kingaku;
    s[31].Kingaku = sum(8, 30);
    s[35].Kingaku = s[31].Kingaku + s[32].Kingaku - s[33].Kingaku - s[34].Kingaku;
    s[36].Kingaku = s[7].Kingaku - s[35].Kingaku;
    s[40].Kingaku = sum(37, 39);
    s[45].Kingaku = sum(41, 44);
    s[46].Kingaku = s[36].Kingaku + s[40].Kingaku - s[45].Kingaku;
    s[48].Kingaku = s[46].Kingaku - s[47].Kingaku;
    // 10. bad-debt allowance: always 5.5 per cent, held to four decimals before the yen rounding
    d.Kuriire3 = HasuSyori(d.Hasuu, d.Kuriire2.MulDiv(55, 1000, RoundMode::HalfAwayFromZero));
    d.Kuriire5 = d.Kuriire1 + d.Kuriire4;
    // 11. blue-return deduction: real estate takes it first (Koujo6)
    d.Koujo7 = s[46].Kingaku < Currency() ? Currency() : s[46].Kingaku;
    d.Koujo8 = d.Koujo9 = d.Koujo10 = d.Koujo11 = Currency();
    if (d.KoujoKubun == 0 || d.KoujoKubun == 2) {
        const Currency limit = Currency::FromYen(d.KoujoKubun == 0 ? 550000 : 650000);
        d.Koujo8 = Smaller(d.Koujo6, limit);
        d.Koujo9 = Smaller(limit - d.Koujo8, d.Koujo7);
        s[47].Kingaku = d.Koujo9;
    } else if (d.KoujoKubun == 1) {
        const Currency limit = Currency::FromYen(100000);
        d.Koujo10 = Smaller(d.Koujo6, limit);
        d.Koujo11 = Smaller(limit - d.Koujo10, d.Koujo7);
        s[47].Kingaku = d.Koujo11;
    }
    // 12.
    s[48].Kingaku = s[46].Kingaku - s[47].Kingaku;
    d.Fusai[24].Kimatu = s[46].Kingaku;
    // 13. balance-sheet totals
    for (auto* side : {&d.Sisan, &d.Fusai}) {
        TTaisyakuTaisyouhyoRec& t = (*side)[25];
        t.Kisyu = t.Kimatu = Currency();
        for (int r = 1; r <= 24; ++r) {
            t.Kisyu += (*side)[r].Kisyu;
            t.Kimatu += (*side)[r].Kimatu;
        }
    }
}

// ---- TNougyouKessansyoIO

TNougyouKessansyoIO::TNougyouKessansyoIO() : TKojinKessansyoIO() { InitData(Data); }

TNougyouKessansyoIO::TNougyouKessansyoIO(fb::Connection& db, fb::Transaction& tr) : TKojinKessansyoIO(db, tr)
{
    InitData(Data);
}

void TNougyouKessansyoIO::InitData(TNougyouKessansyoRec& rec)
{
    rec = TNougyouKessansyoRec{};
    InitHeader(rec);
}

int TNougyouKessansyoIO::Select(int flag)
{
    InitData(Data);
    GenkaRows.clear();
    TokureiRows.clear();
    MakeBalance();
    return SelectNougyou(flag);
}

int TNougyouKessansyoIO::SelectNougyou(int flag)
{
    return ReadInTransaction(
        "TKojinKessansyoIO.SelectNougyou",
        [&] {
            ReadSinkoku();
            Data.KikanFrom = DateTime(AccInf.KISHU);
            Data.KikanTo = DateTime(AccInf.KIMATU);
            if (AccInf.PrintKikanUse > 1) {
                Data.KikanFrom = DateTime(AccInf.PrintKikanFrom);
                Data.KikanTo = DateTime(AccInf.PrintKikanTo);
            }
            ReadSyunyu();
            ReadIgai();
            ReadRows();
            PlaceBalances();
            Data.Sisan[24].Kisyu = Currency();
            Data.Fusai[22].Kisyu = Currency();
            Data.Fusai[24].Kisyu = Currency();
            ReadExterks(flag == 0 && Data.Tegaki == 1);
        },
        [&] { Syukei(); });
}

void TNougyouKessansyoIO::ReadSinkoku()
{
    RunQuery("SELECT REC,TEGAKI,ZEIRISI_ADD1,ZEIRISI_ADD2,ZEIRISI_SIMEI1,ZEIRISI_SIMEI2,ZEIRISI_TEL,\n"
             "GYOUSHUKUBUN,KURIIRE1,KURIIRE2,KURIIRE3,KURIIRE4,KURIIRE5,HASUU,\n"
             "KOUJOKUBUN,KOUJO6,KOUJO7,KOUJO8,KOUJO9,\n"
             "HIZUKE,KISHU,KIMATU,YOUSI,COLOR,WAKU,FUSAIRISI\n"
             "FROM AO_SINKOKU\n"
             "ORDER BY REC",
             nullptr, [&](fb::Statement& q) {
                 TNougyouKessansyoRec& d = Data;
                 d.Tegaki = q.FieldByName("TEGAKI").AsInteger();
                 d.ZeirisiAdd1 = q.FieldByName("ZEIRISI_ADD1").AsString();
                 d.ZeirisiAdd2 = q.FieldByName("ZEIRISI_ADD2").AsString();
                 d.ZeirisiSimei1 = q.FieldByName("ZEIRISI_SIMEI1").AsString();
                 d.ZeirisiSimei2 = q.FieldByName("ZEIRISI_SIMEI2").AsString();
                 d.ZeirisiTel = q.FieldByName("ZEIRISI_TEL").AsString();
                 d.GyoushuKubun = q.FieldByName("GYOUSHUKUBUN").AsInteger();
                 d.Hasuu = q.FieldByName("HASUU").AsInteger();
                 d.Kuriire1 = q.FieldByName("KURIIRE1").AsCurrency();
                 d.Kuriire2 = q.FieldByName("KURIIRE2").AsCurrency();
                 d.Kuriire3 = q.FieldByName("KURIIRE3").AsCurrency();
                 d.Kuriire4 = q.FieldByName("KURIIRE4").AsCurrency();
                 d.Kuriire5 = q.FieldByName("KURIIRE5").AsCurrency();
                 d.KoujoKubun = q.FieldByName("KOUJOKUBUN").AsInteger();
                 d.Koujo6 = q.FieldByName("KOUJO6").AsCurrency();
                 d.Koujo7 = q.FieldByName("KOUJO7").AsCurrency();
                 d.HizukeUmu = 0;
                 d.Hizuke = DateTime::Now();
                 const DateTime hizuke = q.FieldByName("HIZUKE").AsDateTime();
                 if (AboveZero(hizuke)) {
                     d.HizukeUmu = 1;
                     d.Hizuke = hizuke;
                 }
                 d.FusaiRisi = q.FieldByName("FUSAIRISI").AsCurrency();
             });
}

void TNougyouKessansyoIO::ReadSyunyu()
{
    auto readItem = [&](const char* item, const std::function<void(int, fb::Statement&)>& place) {
        int n = 0;
        RunQuery(
            "SELECT REC,ITEM,KUBUN1,KUBUN2,MENSEKI,SYUUKAKURYO,KISHU_SURYO,KISHU_KINGAKU,HANBAIGAKU,KAJISYOHIGAKU,\n"
            "KIMATU_SURYO,KIMATU_KINGAKU FROM AO_SYUNYU\n"
            "WHERE ITEM=:ITEM\n"
            "ORDER BY REC",
            [&](fb::Statement& q) { q.ParamByName("ITEM").SetString(item); },
            [&](fb::Statement& q) { place(++n, q); });
    };
    auto into = [](auto& rows) {
        return [&rows](int n, fb::Statement& q) {
            if (!rows.Has(n)) return; // more rows than the statement has lines
            TSyunyuKingakuRec& r = rows[n];
            r.Kubun1 = q.FieldByName("KUBUN1").AsString();
            r.Kubun2 = q.FieldByName("KUBUN2").AsString();
            r.Menseki = q.FieldByName("MENSEKI").AsCurrency();
            r.Syuukakuryo = q.FieldByName("SYUUKAKURYO").AsCurrency();
            r.KisyuSuryo = q.FieldByName("KISHU_SURYO").AsCurrency();
            r.KisyuKingaku = q.FieldByName("KISHU_KINGAKU").AsCurrency();
            r.Hanbaigaku = q.FieldByName("HANBAIGAKU").AsCurrency();
            r.Kajisyohigaku = q.FieldByName("KAJISYOHIGAKU").AsCurrency();
            r.KimatuSuryo = q.FieldByName("KIMATU_SURYO").AsCurrency();
            r.KimatuKingaku = q.FieldByName("KIMATU_KINGAKU").AsCurrency();
        };
    };
    readItem("TAHATA", into(Data.Tahata));
    readItem("KAJYU", into(Data.Kajyu));
    readItem("TOKUSYU", into(Data.Tokusyu));
    readItem("NOUSANKEI", [&](int n, fb::Statement& q) {
        if (Data.NousanKei.Has(n)) Data.NousanKei[n].Menseki = q.FieldByName("MENSEKI").AsCurrency();
    });
    readItem("TIKUSAN", into(Data.Tikusan));

    int n = 0;
    RunQuery("SELECT REC,KUBUN,KINGAKU FROM AO_SYUNYU_ZASHUU\nORDER BY REC", nullptr, [&](fb::Statement& q) {
        // row 4 is the total
        if (++n > 3) return;
        Data.Zassyu[n].Kubun = q.FieldByName("KUBUN").AsString();
        Data.Zassyu[n].Kingaku = Currency::FromYen(q.FieldByName("KINGAKU").AsInteger());
    });
}

void TNougyouKessansyoIO::ReadIgai()
{
    auto readItem = [&](const char* item, auto& rows) {
        int n = 0;
        RunQuery("SELECT REC,ITEM,KUBUN,KISHU_SURYO,KISHU_TANI,KISHU_KINGAKU,KIMATU_SURYO,KIMATU_TANI,KIMATU_KINGAKU "
                 "FROM AO_NOUSANBUTUIGAI\n"
                 "WHERE ITEM=:ITEM\n"
                 "ORDER BY REC",
                 [&](fb::Statement& q) { q.ParamByName("ITEM").SetString(item); },
                 [&](fb::Statement& q) {
                     if (!rows.Has(++n)) return;
                     TNousanIgaiTanaorosiRec& r = rows[n];
                     r.Kubun = q.FieldByName("KUBUN").AsString();
                     r.KisyuSuryo = q.FieldByName("KISHU_SURYO").AsCurrency();
                     r.KisyuTani = q.FieldByName("KISHU_TANI").AsString();
                     r.KisyuKingaku = q.FieldByName("KISHU_KINGAKU").AsCurrency();
                     r.KimatuSuryo = q.FieldByName("KIMATU_SURYO").AsCurrency();
                     r.KimatuTani = q.FieldByName("KIMATU_TANI").AsString();
                     r.KimatuKingaku = q.FieldByName("KIMATU_KINGAKU").AsCurrency();
                 });
    };
    readItem("MISYUKAKU", Data.Misyukaku);
    readItem("HANBAI", Data.HanbaiDoubutu);
    readItem("SYUBYOU", Data.Syubyou);
    readItem("SONOTA", Data.IgaiSonota);
}

void TNougyouKessansyoIO::ReadRows()
{
    TNougyouKessansyoRec& d = Data;
    RunQuery("SELECT REC,SIMEI,NISUU,SIKYU_GENKIN,SIKYU_GENBUTU,SIKYU_GOKEI,GENSENZEIGAKU FROM AO_YATOININHI\n"
             "ORDER BY REC",
             nullptr, [&](fb::Statement& q) {
                 const int n = q.FieldByName("REC").AsInteger();
                 if (n < 1 || n > 4) return; // row 5 is the total
                 TYatoininhiRec& r = d.Yatoinin[n];
                 r.Simei = q.FieldByName("SIMEI").AsString();
                 r.Nisuu = q.FieldByName("NISUU").AsInteger();
                 r.SikyuGenkin = q.FieldByName("SIKYU_GENKIN").AsCurrency();
                 r.SikyuGenbutu = q.FieldByName("SIKYU_GENBUTU").AsCurrency();
                 r.SikyuGokei = q.FieldByName("SIKYU_GOKEI").AsCurrency();
                 r.Gensenzeigaku = q.FieldByName("GENSENZEIGAKU").AsCurrency();
             });
    RunQuery("SELECT REC,NUMBER,SENJYU,SIMEI,TUZUKIGARA,NENREI,TUKISUU,KYUUYO,SHOUYO,GOUKEI,GENSEN FROM AO_KYUUYO\n"
             "WHERE SENJYU=1\n"
             "ORDER BY NUMBER",
             nullptr, [&](fb::Statement& q) {
                 const int n = q.FieldByName("NUMBER").AsInteger();
                 if (n < 1 || n > 4) return;
                 TSenjyusyaKyuyoRec& r = d.Senjyusya[n];
                 r.Simei = q.FieldByName("SIMEI").AsString();
                 r.Tuzukigara = q.FieldByName("TUZUKIGARA").AsString();
                 r.Nenrei = q.FieldByName("NENREI").AsInteger();
                 r.Tukisuu = q.FieldByName("TUKISUU").AsInteger();
                 r.Kyuyo = q.FieldByName("KYUUYO").AsCurrency();
                 r.Shouyo = q.FieldByName("SHOUYO").AsCurrency();
                 r.Goukei = q.FieldByName("GOUKEI").AsCurrency();
                 r.Gensen = q.FieldByName("GENSEN").AsCurrency();
             });
    SelectGenkaSyokyaku();

    const Date kimatu = AccInf.KIMATU;
    RunQuery("SELECT REC,MEISHOU1,MEISHOU2,SYUTOKUHIZUKE_YY,SYUTOKUHIZUKE_MM,SYUTOKUHIZUKE_DD,ZENNENKURIKOSIGAKU,"
             "IKUSEI_SYUBYOUHI,\n"
             "IKUSEI_HIRYOUHI,IKUSEI_SYOKEI,IKUSEI_SYUNYUGAKU,IKUSEI_KASANGAKU,SYUTOKUGAKU,YOKUNENKURIKOSIGAKU FROM "
             "AO_KAJYU\n"
             "ORDER BY REC",
             nullptr, [&](fb::Statement& q) {
                 const int n = q.FieldByName("REC").AsInteger();
                 if (n < 1 || n > 2) return; // row 3 is the total
                 TKajyuGyubaIkuseiRec& r = d.KajyuGyuba[n];
                 r.Meishou1 = q.FieldByName("MEISHOU1").AsString();
                 r.Meishou2 = q.FieldByName("MEISHOU2").AsString();
                 r.SyutokuHizukeMM = NumberText(q.FieldByName("SYUTOKUHIZUKE_MM").AsString());
                 r.SyutokuHizukeDD = NumberText(q.FieldByName("SYUTOKUHIZUKE_DD").AsString());
                 // the accounting application stores the era letter with the year ("H03"); a bare
                 // year ("6") gets the letter the linkage's date conversion needs
                 r.SyutokuHizukeYY = NougyouSyutokuYY(NumberText(q.FieldByName("SYUTOKUHIZUKE_YY").AsString()),
                                                      q.FieldByName("SYUTOKUHIZUKE_MM").AsInteger(),
                                                      q.FieldByName("SYUTOKUHIZUKE_DD").AsInteger(), kimatu, GengoList);
                 r.ZennenKurikosigaku = q.FieldByName("ZENNENKURIKOSIGAKU").AsCurrency();
                 r.IkuseiSyubyouhi = q.FieldByName("IKUSEI_SYUBYOUHI").AsCurrency();
                 r.IkuseiHiryouhi = q.FieldByName("IKUSEI_HIRYOUHI").AsCurrency();
                 r.IkuseiSyokei = q.FieldByName("IKUSEI_SYOKEI").AsCurrency();
                 r.IkuseiSyunyugaku = q.FieldByName("IKUSEI_SYUNYUGAKU").AsCurrency();
                 r.IkuseiKasangaku = q.FieldByName("IKUSEI_KASANGAKU").AsCurrency();
                 r.Syutokugaku = q.FieldByName("SYUTOKUGAKU").AsCurrency();
                 r.YokunenKurikosigaku = q.FieldByName("YOKUNENKURIKOSIGAKU").AsCurrency();
             });
    RunQuery("SELECT REC,KEISANHOUHOU FROM AO_KAJYU_KEISAN\nORDER BY REC", nullptr, [&](fb::Statement& q) {
        const int n = q.FieldByName("REC").AsInteger();
        if (d.KeisanHouhou.Has(n)) d.KeisanHouhou[n] = q.FieldByName("KEISANHOUHOU").AsString();
    });
    RunQuery("SELECT REC,JYUSHO1,JYUSHO2,KOSAKURYO,MENSEKI,SHIHARAIGAKU FROM AO_TIDAI_CHINSHAKU\nORDER BY REC", nullptr,
             [&](fb::Statement& q) {
                 const int n = q.FieldByName("REC").AsInteger();
                 if (!d.Chinsyaku.Has(n)) return;
                 TJidaiChinsyakuRec& r = d.Chinsyaku[n];
                 r.Jyusho1 = q.FieldByName("JYUSHO1").AsString();
                 r.Jyusho2 = q.FieldByName("JYUSHO2").AsString();
                 r.Kosakuryo = q.FieldByName("KOSAKURYO").AsString(); // what is leased ("田"), as stored
                 r.Menseki = q.FieldByName("MENSEKI").AsCurrency();
                 r.Shiharaigaku = q.FieldByName("SHIHARAIGAKU").AsCurrency();
             });
    ReadRisiRows(SlotOf(d.Risi));
    ReadHousyuRows(SlotOf(d.Zeirisi));
    ReadNoteRows(10, SlotOf(d.Note));
}

void TNougyouKessansyoIO::SelectGenkaSyokyaku()
{
    const TGenkaRowsLayout layout = ReadGenkaRows(*db_, *tr_, TGenkaSettei::FromAccInf(AccInf),
                                                  TLines<TGenkaSyokyakuRec, 12>::Count - 1, true);
    PlaceGenkaLayout(layout, Data);
}

void TNougyouKessansyoIO::PlaceBalances()
{
    TNougyouKessansyoRec& d = Data;
    const std::size_t nSorts = std::min(Sorts.size(), static_cast<std::size_t>(std::max(MaxKamoku, 0)));
    for (std::size_t i = 0; i < nSorts; ++i) {
        const TQSORT& s = Sorts[i];
        if (s.QKEY == kAccZanEmptyKey) continue;
        if (s.QINDEX < 0 || static_cast<std::size_t>(s.QINDEX) >= Balances.size()) continue;
        const TBALANCE& b = Balances[static_cast<std::size_t>(s.QINDEX)];
        const std::string& code = b.KAMOKU.GROUPM1;
        const int q = b.SUBREC;
        const int side = b.KAMOKU.TAISHAKU;
        auto bs = [&](TLines<TTaisyakuTaisyouhyoRec, 25>& rows) {
            if (!rows.Has(q)) return;
            rows[q].Name = b.KAMOKU.KNAME;
            rows[q].Kisyu = SideSign(0, b.ZENZAN, side);
            rows[q].Kimatu = SideSign(0, b.TOUZAN, side);
        };
        if (code >= "1100" && code <= "1900" && q > 0) bs(d.Sisan);
        else if (code >= "2100" && code < "4100" && q > 0) bs(d.Fusai);
        else if (code >= "4100" && code <= "8400") {
            int line = 0, mode = 0;
            if (!NougyouSonekiLine(code, q, line, mode)) continue;
            d.Soneki[line].Name = b.KAMOKU.KNAME;
            d.Soneki[line].Kingaku = SideSign(mode, b.TOUZAN, side);
        }
    }
}

void TNougyouKessansyoIO::ReadExterks(bool tegaki)
{
    TNougyouKessansyoRec& d = Data;
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
                 if (g == "1100") bs(d.Sisan);
                 else if (g == "2100") bs(d.Fusai);
                 else {
                     int line = 0, mode = 0;
                     if (!NougyouSonekiLine(g, s, line, mode)) return;
                     d.Soneki[line].Rec = rec;
                     if (tegaki) d.Soneki[line].Kingaku = kimatu; // stored as shown: no sign rule
                 }
             });
}

void TNougyouKessansyoIO::Syukei()
{
    TGenkaRowsLayout l;
    l.GenkaRows = GenkaRows;
    l.TokureiRows = TokureiRows;
    NougyouSyukei(Data, l);
}

} // namespace kb
