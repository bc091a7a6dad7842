// DATA of agriculture income: NOUGYOUSYOTOKU with the profit-and-loss and balance-sheet items, with
// details the revenue and inventory breakdowns, labour, family employees, rearing costs, rent,
// interest, fees, the allowance, the deduction and the notes, and always OTHER with the farm name.

#include "linkage/st14Nougyou.h"

#include <functional>

#include "core/uAccRecord.h"
#include "linkage/XMLSaveDoc.h"
#include "linkage/st14Fudosan.h"
#include "linkage/z5ComKojinNougyou.h"

namespace kb {

namespace {

constexpr std::array<const char*, 24> kSisanRows = {
    "GENKIN",         "FUTUUYOKIN",     "TEIKIYOKIN",  "SONOTANOYOKIN", "URIKAKEKIN",
    "MISYUUKIN",      "YUUKASYOUKEN",   "NOUSANBUTUTO", "MISYUKAKUNOUSANBUTUTO", "MISEIJYUKUNOKAJYU",
    "HIRYOUSONOTANOTYOZOUHIN", "MAEBARAIKIN", "KASITUKEKIN", "TATEMONO_KOUTIKUBUTU", "NOUKIGUTO",
    "KAJYU_GYUUBATO", "TOTI", "TOTIKAIRYOUJIGYOU_JYUEKISYAFUTANKIN", "SISAN_YOBI1", "SISAN_YOBI2",
    "SISAN_YOBI3",    "SISAN_YOBI4",    "SISAN_YOBI5", "JIGYOUNUSIKASI"};
constexpr std::array<const char*, 24> kFusaiRows = {
    "KAIKAKEKIN",        "SYUKUNYUUKIN",      "MIBARAIKIN",        "MAIUKEKIN",         "AZUKARIKIN",
    "FUSAISIHON_YOBI1",  "FUSAISIHON_YOBI2",  "FUSAISIHON_YOBI3",  "FUSAISIHON_YOBI4",  "FUSAISIHON_YOBI5",
    "FUSAISIHON_YOBI6",  "FUSAISIHON_YOBI7",  "FUSAISIHON_YOBI8",  "KASIDAOREHIKIATEKIN", "FUSAISIHON_YOBI9",
    "FUSAISIHON_YOBI10", "FUSAISIHON_YOBI11", "FUSAISIHON_YOBI12", "FUSAISIHON_YOBI13", "FUSAISIHON_YOBI14",
    "FUSAISIHON_YOBI15", "JIGYOUNUSIKARI",    "MOTOIREKIN",        "KOUJYOMAESYOTOKUKINNGAKU"};

template <std::size_t N>
void MapLines(int lines, const std::array<std::int32_t, N>& index, std::vector<Currency>& values,
              const std::function<Currency(int)>& amount)
{
    for (int i = 1; i <= lines && i <= static_cast<int>(N); ++i) {
        const int pos = index[static_cast<std::size_t>(i - 1)];
        if (pos == kNoItem || pos < 1 || pos > static_cast<int>(values.size())) continue;
        values[static_cast<std::size_t>(pos - 1)] = amount(i);
    }
}

} // namespace

const std::array<const char*, 38> NougyouSonekiItems = {
    "HANBAIKINGAKU",
    "KAJISYOUHI_JIGYOUSYOUHIKINGAKU",
    "ZASYUUNYUU",
    "NOUSANBUTUNOTANAOROSIDAKA_KISYU",
    "NOUSANBUTUNOTANAOROSIDAKA_KIMATU",
    "SOZEIKOUKA",
    "SYUBYOUHI",
    "SOTIKUHI",
    "HIRYOUHI",
    "SIRYOUHI",
    "NOUGUHI",
    "NOUYAKUEISEIHI",
    "SYOZAIRYOUHI",
    "SYUUZENHI",
    "DOURYOKUKOUNETUHI",
    "SAGYOUYOUIRYOUHI",
    "NOUGYOUKYOUSAIKAKEKIN",
    "GENKASHOUKYAKUHI",
    "NIZUKURIUNTINTESUURYOU",
    "KONINHI",
    "RISIWARIBIKIRYOU",
    "TIDAI_TINSYAKURYOU",
    "TOTIKAIRYOUHI",
    "KEIHI_YOBI1",
    "KEIHI_YOBI2",
    "KEIHI_YOBI3",
    "KEIHI_YOBI4",
    "ZAPPI",
    "NOUSANBUTUIGAINOTANAOROSIDAKA_KISYU",
    "NOUSANBUTUIGAINOTANAOROSIDAKA_KIMATU",
    "KAJYUGYUUBATONOIKUSEIHIYOU",
    "KURIMODOSI_KASIDAOREHIKIATEKIN",
    "KURIMODOSI_YOBI1",
    "KURIMODOSI_YOBI2",
    "SENJYUUSYAKYUUYO",
    "KURIIRE_KASIDAOREHIKIATEKIN",
    "KURIIRE_YOBI1",
    "KURIIRE_YOBI2",
};

// Lines 4, 7, 31, 35, 36, 40 and 45..48 are computed and feed no item.
const std::array<std::int32_t, 48> NougyouSonekiIndex = {
    1,  2,  3,  99, 4,  5,  99, 6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22,
    23, 24, 25, 26, 27, 28, 99, 29, 30, 31, 99, 99, 32, 33, 34, 99, 35, 36, 37, 38, 99, 99, 99, 99};

const std::array<std::int32_t, 50> NougyouSisanIndex = FudosanSisanIndex;
const std::array<std::int32_t, 50> NougyouFusaiIndex = FudosanFusaiIndex;

const std::vector<std::string>& NougyouTaisyakuItems()
{
    static const std::vector<std::string> items = MakeTaisyakuItems(kSisanRows, kFusaiRows);
    return items;
}

void TSyotokuZeiDataMake::SetNougyouSoneki()
{
    const TNougyouKessansyoRec& r = Nougyou->Data;
    MapLines(48, NougyouSonekiIndex, SonekiValues, [&](int i) { return r.Soneki[i].Kingaku; });
}

void TSyotokuZeiDataMake::SetNougyouTaisyaku()
{
    const TNougyouKessansyoRec& r = Nougyou->Data;
    auto side = [&](const TLines<TTaisyakuTaisyouhyoRec, 25>& rows, const std::array<std::int32_t, 50>& index) {
        MapLines(50, index, TaisyakuValues, [&](int i) { return i <= 25 ? rows[i].Kisyu : rows[i - 25].Kimatu; });
    };
    side(r.Sisan, NougyouSisanIndex);
    side(r.Fusai, NougyouFusaiIndex);
}

void TSyotokuZeiDataMake::WriteNougyou(TXmlSaveDoc& doc, xmlNodePtr data)
{
    const TNougyouKessansyoRec& r = Nougyou->Data;
    auto leaf = [&](xmlNodePtr parent, const std::string& name, const std::string& text) {
        doc.AddLeaf(parent, name, text);
    };
    auto amount = [&](xmlNodePtr parent, const std::string& name, Currency v) { leaf(parent, name, CurrToLeaf(v)); };
    auto kamoku = [&](xmlNodePtr parent, const std::string& name, const std::string& text) {
        leaf(parent, name, KamokuToLeaf(text));
    };
    auto row = [&](xmlNodePtr parent, const char* name, int n) {
        return doc.AddNode(parent, name, std::to_string(n), "COUNT");
    };

    xmlNodePtr top = doc.AddNode(data, SyotokuNodeNames[3]);

    xmlNodePtr soneki = doc.AddNode(top, "SONEKIKEISANSYO");
    for (std::size_t i = 0; i < NougyouSonekiItems.size(); ++i) amount(soneki, NougyouSonekiItems[i], SonekiValues[i]);
    for (int i = 1; i <= 4; ++i) kamoku(soneki, "KEIHI_YOBI" + std::to_string(i) + "_KAMOKU", r.Soneki[25 + i].Name);
    kamoku(soneki, "KURIMODOSI_YOBI1_KAMOKU", r.Soneki[38].Name);
    kamoku(soneki, "KURIMODOSI_YOBI2_KAMOKU", r.Soneki[39].Name);
    kamoku(soneki, "KURIIRE_YOBI1_KAMOKU", r.Soneki[43].Name);
    kamoku(soneki, "KURIIRE_YOBI2_KAMOKU", r.Soneki[44].Name);
    amount(soneki, "NIKUYOUGYUU_TOKUREI", r.FusaiRisi);

    xmlNodePtr taisyaku = doc.AddNode(top, "TAISYAKUTAISYOUHYO");
    const std::vector<std::string>& items = NougyouTaisyakuItems();
    for (std::size_t i = 0; i < items.size(); ++i) amount(taisyaku, items[i], TaisyakuValues[i]);
    for (int i = 1; i <= 5; ++i) kamoku(taisyaku, "SISAN_YOBI" + std::to_string(i) + "_KAMOKU", r.Sisan[18 + i].Name);
    for (int i = 1; i <= 8; ++i)
        kamoku(taisyaku, "FUSAISIHON_YOBI" + std::to_string(i) + "_KAMOKU", r.Fusai[5 + i].Name);
    for (int i = 9; i <= 15; ++i)
        kamoku(taisyaku, "FUSAISIHON_YOBI" + std::to_string(i) + "_KAMOKU", r.Fusai[6 + i].Name);

    if (WithDetails) {
        xmlNodePtr syuunyuu = doc.AddNode(top, "SYUUNYUUKINGAKU");
        // quantities use the amount pattern too: a fractional quantity is written as whole units
        auto syunyu = [&](const char* name, const auto& rows, bool stock) {
            for (int n = 1; n <= rows.Count; ++n) {
                const TSyunyuKingakuRec& s = rows[n];
                xmlNodePtr e = row(syuunyuu, name, n);
                leaf(e, "KUBUN_JOUDAN", s.Kubun1);
                leaf(e, "KUBUN_GEDAN", s.Kubun2);
                amount(e, "SAKUDUKEMENSEKI", s.Menseki);
                amount(e, "SYUUKAKURYOU", s.Syuukakuryo);
                if (stock) {
                    amount(e, "KISYU_SUURYOU", s.KisyuSuryo);
                    amount(e, "KISYU_KINGAKU", s.KisyuKingaku);
                }
                amount(e, "HANBAIKINGAKU", s.Hanbaigaku);
                amount(e, "KAJISYOUHI", s.Kajisyohigaku);
                if (stock) {
                    amount(e, "KIMATU_SUURYOU", s.KimatuSuryo);
                    amount(e, "KIMATU_KINGAKU", s.KimatuKingaku);
                }
            }
        };
        syunyu("TAHATA_UTIWAKE", r.Tahata, true);
        syunyu("KAJU_UTIWAKE", r.Kajyu, true);
        syunyu("TOKUSYUSISETU_UTIWAKE", r.Tokusyu, true);
        syunyu("TIKUSANBUTU_UTIWAKE", r.Tikusan, false);
        for (int n = 1; n <= 3; ++n) {
            xmlNodePtr e = row(syuunyuu, "ZATU_UTIWAKE", n);
            leaf(e, "KUBUN", r.Zassyu[n].Kubun);
            amount(e, "KINGAKU", r.Zassyu[n].Kingaku);
        }

        xmlNodePtr igai = doc.AddNode(top, "NOUSANBUTUIGAITANAOROSI");
        auto tanaorosi = [&](const char* name, const auto& rows) {
            for (int n = 1; n <= rows.Count; ++n) {
                const TNousanIgaiTanaorosiRec& t = rows[n];
                xmlNodePtr e = row(igai, name, n);
                leaf(e, "KUBUN", t.Kubun);
                amount(e, "KISYU_SUURYOU", t.KisyuSuryo);
                leaf(e, "KISYU_TANNI", t.KisyuTani);
                amount(e, "KISYU_KINGAKU", t.KisyuKingaku);
                amount(e, "KIMATU_SUURYOU", t.KimatuSuryo);
                leaf(e, "KIMATU_TANNI", t.KimatuTani);
                amount(e, "KIMATU_KINGAKU", t.KimatuKingaku);
            }
        };
        tanaorosi("MISYUUKAKU_UTIWAKE", r.Misyukaku);
        tanaorosi("HANBAIDOUBUTU_UTIWAKE", r.HanbaiDoubutu);
        tanaorosi("SYUBYOU_UTIWAKE", r.Syubyou);
        tanaorosi("SONOTA_UTIWAKE", r.IgaiSonota);

        xmlNodePtr yatoi = doc.AddNode(top, "YATOININHI");
        for (int n = 1; n <= 3; ++n) {
            const TYatoininhiRec& y = r.Yatoinin[n];
            xmlNodePtr e = row(yatoi, "YATOININHI_UTIWAKE", n);
            leaf(e, "SIMEI_JUUSYO_JOUDAN", y.Simei);
            leaf(e, "SIMEI_JUUSYO_GEDAN", "");
            leaf(e, "NISSUU", IntToStrOrEmpty(y.Nisuu));
            amount(e, "GENKIN", y.SikyuGenkin);
            amount(e, "GENBUTU", y.SikyuGenbutu);
            amount(e, "GENSENZEIGAKU", y.Gensenzeigaku);
        }
        {
            const TYatoininhiRec& y = r.Yatoinin[4];
            leaf(yatoi, "SONOTA_NINBUN", y.Simei);
            leaf(yatoi, "SONOTA_NISSUU", IntToStrOrEmpty(y.Nisuu));
            amount(yatoi, "SONOTA_GENKIN", y.SikyuGenkin);
            amount(yatoi, "SONOTA_GENBUTU", y.SikyuGenbutu);
            amount(yatoi, "SONOTA_GENSENZEIGAKU", y.Gensenzeigaku);
        }

        xmlNodePtr senjyu = doc.AddNode(top, "SENJUUSYA");
        for (int n = 1; n <= 4; ++n) {
            const TSenjyusyaKyuyoRec& k = r.Senjyusya[n];
            xmlNodePtr e = row(senjyu, "SENJUUSYA_UTIWAKE", n);
            leaf(e, "SIMEI", k.Simei);
            leaf(e, "ZOKUGARA", k.Tuzukigara);
            leaf(e, "NENREI", IntToStrOrEmpty(k.Nenrei));
            leaf(e, "JUUJITUKISUU", IntToStrOrEmpty(k.Tukisuu));
            amount(e, "KYUURYOU", k.Kyuyo);
            amount(e, "SYOUYO", k.Shouyo);
            amount(e, "GENSENZEIGAKU", k.Gensen);
        }

        xmlNodePtr kajyu = doc.AddNode(top, "KAJUGYUUBAHIYOU");
        for (int n = 1; n <= 2; ++n) {
            const TKajyuGyubaIkuseiRec& k = r.KajyuGyuba[n];
            xmlNodePtr e = row(kajyu, "KAJUGYUUBA_UTIWAKE", n);
            leaf(e, "MEISYOU_JOUDAN", k.Meishou1);
            leaf(e, "MEISYOU_GEDAN", k.Meishou2);
            leaf(e, "SYUTOKU_NENGAPPI",
                 WarekiToYyyymmdd(k.SyutokuHizukeYY, k.SyutokuHizukeMM, k.SyutokuHizukeDD, AccInf.KISHU));
            amount(e, "KURIKOSIGAKU", k.ZennenKurikosigaku);
            amount(e, "SYUBYOUHI_TANETUKERYOU", k.IkuseiSyubyouhi);
            amount(e, "HIRYOU_TOUKAHIYOU", k.IkuseiHiryouhi);
            amount(e, "SYUUNYUU", k.IkuseiSyunyugaku);
            amount(e, "SYUTOKUKAGAKU", k.Syutokugaku);
        }
        for (int n = 1; n <= 4; ++n) leaf(kajyu, "KEISANHOUHOU" + std::to_string(n), r.KeisanHouhou[n]);

        xmlNodePtr tinsyaku = doc.AddNode(top, "TINSYAKURYOU");
        for (int n = 1; n <= 2; ++n) {
            const TJidaiChinsyakuRec& c = r.Chinsyaku[n];
            xmlNodePtr e = row(tinsyaku, "TINSYAKURYOU_UTIWAKE", n);
            leaf(e, "JUUSYO_SIMEI_JOUDAN", c.Jyusho1);
            leaf(e, "JUUSYO_SIMEI_GEDAN", c.Jyusho2);
            leaf(e, "KOSAKURYOU_TINKOURYOU", c.Kosakuryo);
            amount(e, "MENSEKISUURYOU", c.Menseki);
            amount(e, "SIHARAIGAKU", c.Shiharaigaku);
        }

        xmlNodePtr risi = doc.AddNode(top, "RISIWARIBIKIRYOU");
        for (int n = 1; n <= 2; ++n) {
            const TRisiWaribikiRec& k = r.Risi[n];
            xmlNodePtr e = row(risi, "RISI_UTIWAKE", n);
            leaf(e, "JUUSYO_SIMEI_JOUDAN", k.Siharaisaki1);
            leaf(e, "JUUSYO_SIMEI_GEDAN", k.Siharaisaki2);
            amount(e, "KARIIREKIN_KINGAKU", k.Kimatu);
            amount(e, "RISIWARIBIKIRYOU", k.Risi);
            amount(e, "HITUYOUKEIHIGAKU", k.Keihi);
        }

        xmlNodePtr zeirisi = doc.AddNode(top, "ZEIRISIHOUSYUU");
        for (int n = 1; n <= 2; ++n) {
            const TZeirisiHousyuuRec& z = r.Zeirisi[n];
            xmlNodePtr e = row(zeirisi, "ZEIRISI_UTIWAKE", n);
            leaf(e, "JUUSYO_SIMEI_JOUDAN", z.Siharaisaki1);
            leaf(e, "JUUSYO_SIMEI_GEDAN", z.Siharaisaki2);
            amount(e, "HOUSYUU_KINGAKU", z.Houshu);
            amount(e, "HITUYOUKEIHIGAKU", z.Keihi);
            amount(e, "GENSENZEIGAKU", z.Gensen);
        }

        xmlNodePtr kuriire = doc.AddNode(top, "KASIDAOREKURIIRE");
        amount(kuriire, "KOBETU_KURIIREGAKU", r.Kuriire1);
        amount(kuriire, "IKKATU_KURIIREGOUKEIGAKU", r.Kuriire2);
        amount(kuriire, "IKKATU_KURIIREGAKU", r.Kuriire4);

        xmlNodePtr koujo = doc.AddNode(top, "AOIROKOUJO");
        amount(koujo, "FUDOUSANSYOTOKU", r.Koujo6);
        leaf(koujo, "AOIROKOUJO_SENTAKU", AoiroKoujoToStr(r.KoujoKubun));

        xmlNodePtr tokusyu = doc.AddNode(top, "TOKUSYUJIJOU");
        for (int n = 1; n <= 10; ++n) leaf(tokusyu, "TOKUSYUJIJOU" + std::to_string(n), FixTrim(r.Note[n], 56));
    }

    xmlNodePtr other = doc.AddNode(top, "OTHER");
    leaf(other, "NOUENMEI", r.AoYago);
}

} // namespace kb
