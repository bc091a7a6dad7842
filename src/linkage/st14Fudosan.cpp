// DATA of real-estate income: FUDOUSANSYOTOKU with the profit-and-loss and balance-sheet items and,
// with details, the property list (always 1,000 rows), wages, the family employee, rent, interest,
// fees and the special circumstances.

#include "linkage/st14Fudosan.h"

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "linkage/XMLSaveDoc.h"
#include "linkage/z5ComKojinFudosan.h"

namespace kb {

namespace {

constexpr int kFudosanXmlRows = 1000;   // property rows of the file, filled or empty

// Line index tables of the balance sheet: row r's opening item in entry r, its closing item in
// entry 25 + r. Assets: rows 1..23 both, row 24 closing only. Liabilities (items from 48): rows 1..21
// both, row 22 closing only, row 23 both, row 24 closing only. Row 25 (totals) feeds nothing.
constexpr std::array<std::int32_t, 50> kSisanIndex = {
    1,  3,  5,  7,  9,  11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31, 33, 35, 37, 39, 41, 43, 45, 99, 99,
    2,  4,  6,  8,  10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32, 34, 36, 38, 40, 42, 44, 46, 47, 99};
constexpr std::array<std::int32_t, 50> kFusaiIndex = {
    48, 50, 52, 54, 56, 58, 60, 62, 64, 66, 68, 70, 72, 74, 76, 78, 80, 82, 84, 86, 88, 99, 91, 99, 99,
    49, 51, 53, 55, 57, 59, 61, 63, 65, 67, 69, 71, 73, 75, 77, 79, 81, 83, 85, 87, 89, 90, 92, 93, 99};

constexpr std::array<const char*, 24> kSisanRows = {
    "GENKIN",         "FUTUUYOKIN",   "TEIKIYOKIN",           "SONOTANOYOKIN", "UKETORITEGATA",
    "MISYUUTINTAIRYO", "MISYUUKIN",   "YUUKASYOUKEN",         "MAEBARAIKIN",   "KASITUKEKIN",
    "TATEMONO",       "TATEMONOFUZOKUSETUBI", "KOUTIKUBUTU", "SENPAKU",       "KOUGUKIGUBIHIN",
    "TOTI",           "SYAKUTIKEN",   "KOUKYOUSISETUFUTANKIN", "SISAN_YOBI1",  "SISAN_YOBI2",
    "SISAN_YOBI3",    "SISAN_YOBI4",  "SISAN_YOBI5",          "JIGYOUNUSIKASI"};
constexpr std::array<const char*, 24> kFusaiRows = {
    "SYUKUNYUUKIN",      "MIBARAIKIN",        "HOSYOUKIN_SIKIKIN", "FUSAISIHON_YOBI1",  "FUSAISIHON_YOBI2",
    "FUSAISIHON_YOBI3",  "FUSAISIHON_YOBI4",  "FUSAISIHON_YOBI5",  "FUSAISIHON_YOBI6",  "FUSAISIHON_YOBI7",
    "FUSAISIHON_YOBI8",  "FUSAISIHON_YOBI9",  "FUSAISIHON_YOBI10", "FUSAISIHON_YOBI11", "FUSAISIHON_YOBI12",
    "FUSAISIHON_YOBI13", "FUSAISIHON_YOBI14", "FUSAISIHON_YOBI15", "FUSAISIHON_YOBI16", "FUSAISIHON_YOBI17",
    "FUSAISIHON_YOBI18", "JIGYOUNUSIKARI",    "MOTOIREKIN",        "KOUJYOMAESYOTOKUKINNGAKU"};

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

const std::array<const char*, 17> FudosanSonekiItems = {
    "TINTAIRYO",          "REIKIN_KENRIKIN_KOUSINRYOU", "SYUUNYUUKINGAKU_YOBI", "SOZEIKOUKA",
    "SONGAIHOKENRYOU",    "SYUUZENHI",                  "GENKASHOUKYAKUHI",     "SYAKUNYUUKINRISI",
    "TIDAIYATIN",         "KYUURYOUTINGIN",             "HITUYOUKEIHI_YOBI1",   "HITUYOUKEIHI_YOBI2",
    "HITUYOUKEIHI_YOBI3", "HITUYOUKEIHI_YOBI4",         "HITUYOUKEIHI_YOBI5",   "SONOTANOKEIHI",
    "SENJYUUSYAKYUUYO"};

const std::array<std::int32_t, 24> FudosanSonekiIndex = {1,  2,  3,  99, 4,  5,  6,  7,  8,  9,  10, 11,
                                                         12, 13, 14, 15, 16, 99, 99, 17, 99, 99, 99, 99};

const std::array<std::int32_t, 50> FudosanSisanIndex = kSisanIndex;
const std::array<std::int32_t, 50> FudosanFusaiIndex = kFusaiIndex;

std::vector<std::string> MakeTaisyakuItems(const std::array<const char*, 24>& sisan,
                                           const std::array<const char*, 24>& fusai)
{
    std::vector<std::string> items;
    auto add = [&](const char* base, bool opening) {
        if (opening) items.push_back(std::string(base) + "_KISYU");
        items.push_back(std::string(base) + "_KIMATU");
    };
    for (int r = 1; r <= 24; ++r) add(sisan[static_cast<std::size_t>(r - 1)], r != 24);
    for (int r = 1; r <= 24; ++r) add(fusai[static_cast<std::size_t>(r - 1)], r != 22 && r != 24);
    return items;
}

const std::vector<std::string>& FudosanTaisyakuItems()
{
    static const std::vector<std::string> items = MakeTaisyakuItems(kSisanRows, kFusaiRows);
    return items;
}

std::string MensekiToStr(Currency menseki)
{
    // hundredths, half away from zero as the "%6.2f" pattern rounds
    const std::int64_t h = DivRound(menseki.Raw(), Currency::kScale / 100, RoundMode::HalfAwayFromZero);
    const std::uint64_t a = static_cast<std::uint64_t>(h < 0 ? -h : h);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%llu.%02llu", h < 0 ? "-" : "", static_cast<unsigned long long>(a / 100),
                  static_cast<unsigned long long>(a % 100));
    std::string s = buf;
    if (s.size() < 6) s.insert(0, 6 - s.size(), ' ');
    return s;
}

void TSyotokuZeiDataMake::SetFudosanSoneki()
{
    const TFudosanKessansyoRec& r = Fudosan->Data;
    MapLines(23, FudosanSonekiIndex, SonekiValues, [&](int i) { return r.Soneki[i].Kingaku; });
}

void TSyotokuZeiDataMake::SetFudosanTaisyaku()
{
    const TFudosanKessansyoRec& r = Fudosan->Data;
    auto side = [&](const TLines<TTaisyakuTaisyouhyoRec, 25>& rows, const std::array<std::int32_t, 50>& index) {
        MapLines(50, index, TaisyakuValues, [&](int i) { return i <= 25 ? rows[i].Kisyu : rows[i - 25].Kimatu; });
    };
    side(r.Sisan, FudosanSisanIndex);
    side(r.Fusai, FudosanFusaiIndex);
}

void TSyotokuZeiDataMake::WriteFudosan(TXmlSaveDoc& doc, xmlNodePtr data)
{
    const TFudosanKessansyoRec& r = Fudosan->Data;
    const TFudosanSyotokuRecArray& rows = Fudosan->SyotokuRows;
    auto leaf = [&](xmlNodePtr parent, const std::string& name, const std::string& text) {
        doc.AddLeaf(parent, name, text);
    };
    auto amount = [&](xmlNodePtr parent, const std::string& name, Currency v) { leaf(parent, name, CurrToLeaf(v)); };
    auto kamoku = [&](xmlNodePtr parent, const std::string& name, const std::string& text) {
        leaf(parent, name, KamokuToLeaf(text));
    };

    xmlNodePtr top = doc.AddNode(data, SyotokuNodeNames[2]);

    xmlNodePtr soneki = doc.AddNode(top, "SONEKIKEISANSYO");
    for (std::size_t i = 0; i < FudosanSonekiItems.size(); ++i) amount(soneki, FudosanSonekiItems[i], SonekiValues[i]);
    kamoku(soneki, "SYUUNYUUKINGAKU_YOBI_KAMOKU", r.Soneki[3].Name);
    for (int i = 1; i <= 5; ++i) kamoku(soneki, "HITUYOUKEIHI_YOBI" + std::to_string(i) + "_KAMOKU", r.Soneki[11 + i].Name);
    leaf(soneki, "AOIROKOUJO_SENTAKU", AoiroKoujoToStr(r.KoujoKubun));
    amount(soneki, "FUSAIRISIGAKU", r.FusaiRisi);

    xmlNodePtr taisyaku = doc.AddNode(top, "TAISYAKUTAISYOUHYO");
    const std::vector<std::string>& items = FudosanTaisyakuItems();
    for (std::size_t i = 0; i < items.size(); ++i) amount(taisyaku, items[i], TaisyakuValues[i]);
    for (int i = 1; i <= 5; ++i) kamoku(taisyaku, "SISAN_YOBI" + std::to_string(i) + "_KAMOKU", r.Sisan[18 + i].Name);
    for (int i = 1; i <= 18; ++i)
        kamoku(taisyaku, "FUSAISIHON_YOBI" + std::to_string(i) + "_KAMOKU", r.Fusai[3 + i].Name);

    if (!WithDetails) return;

    xmlNodePtr syuunyuu = doc.AddNode(top, "FUDOUSANSYUUNYUU");
    for (int n = 1; n <= kFudosanXmlRows; ++n) {
        xmlNodePtr row = doc.AddNode(syuunyuu, "FUDOUSAN_UTIWAKE", std::to_string(n), "COUNT");
        // the file takes the whole list, not the 15 rows of the paper statement
        const TFudosanSyotokuRec empty;
        const bool has = static_cast<std::size_t>(n) <= rows.size();
        const TFudosanSyotokuRec& p = has ? rows[static_cast<std::size_t>(n - 1)] : empty;
        leaf(row, "KASIYA_KASITI", p.Kubun);
        leaf(row, "YOUTO", p.Youto);
        leaf(row, "SYOZAITI_JOUDAN", p.Shozaiti1);
        leaf(row, "SYOZAITI_GEDAN", p.Shozaiti2);
        leaf(row, "JUUSYO_SIMEI_JOUDAN", p.Tinsyaku1);
        leaf(row, "JUUSYO_SIMEI_GEDAN", p.Tinsyaku2);
        leaf(row, "KEIYAKUKIKAN_FROM", DateToYyyymm(p.TinsyakuKaisi));
        leaf(row, "KEIYAKUKIKAN_TO", DateToYyyymm(p.TinsyakuSyuuryou));
        leaf(row, "KASITUKEMENSEKI", has ? MensekiToStr(p.Menseki) : std::string());
        amount(row, "TINTAIRYOU_TUKIGAKU", p.Getugaku);
        amount(row, "TINTAIRYOU_NENGAKU", p.Nengaku);
        amount(row, "REIKIN", p.Reikin);
        amount(row, "KENRIKIN", p.Kenrikin);
        amount(row, "KOUSINRYOU", p.Kousinryou);
        amount(row, "MEIGISYOKANRYOU_SONOTA", p.Meigiryou);
        amount(row, "HOSYOUKIN_SIKIKIN", p.Sikikin);
    }

    xmlNodePtr kyuryo = doc.AddNode(top, "KYUURYOUTINGIN");
    for (int n = 1; n <= 2; ++n) {
        const TKyuyoChinginRec& k = r.Kyuyo[n];
        xmlNodePtr row = doc.AddNode(kyuryo, "KYUURYOU_UTIWAKE", std::to_string(n), "COUNT");
        leaf(row, "SIMEI", k.Simei);
        leaf(row, "NENREI", IntToStrOrEmpty(k.Nenrei));
        leaf(row, "JUUJITUKISUU", IntToStrOrEmpty(k.Tukisuu));
        amount(row, "KYUURYOU", k.Kyuyo);
        amount(row, "SYOUYO", k.Shouyo);
        amount(row, "GENSENZEIGAKU", k.Gensen);
    }

    xmlNodePtr senjyu = doc.AddNode(top, "SENJUUSYA");
    {
        const TSenjyusyaKyuyoRec& k = r.Senjyusya[1];
        leaf(senjyu, "SIMEI", k.Simei);
        leaf(senjyu, "ZOKUGARA", k.Tuzukigara);
        leaf(senjyu, "NENREI", IntToStrOrEmpty(k.Nenrei));
        leaf(senjyu, "JUUJITUKISUU", IntToStrOrEmpty(k.Tukisuu));
        amount(senjyu, "KYUURYOU", k.Kyuyo);
        amount(senjyu, "SYOUYO", k.Shouyo);
        amount(senjyu, "GENSENZEIGAKU", k.Gensen);
    }

    xmlNodePtr tidai = doc.AddNode(top, "TIDAIYATIN");
    for (int n = 1; n <= 2; ++n) {
        const TJidaiYachinRec& t = r.Tidai[n];
        xmlNodePtr row = doc.AddNode(tidai, "TIDAI_UTIWAKE", std::to_string(n), "COUNT");
        leaf(row, "JUUSYO_SIMEI_1", t.Siharaisaki1);
        leaf(row, "JUUSYO_SIMEI_2", t.Siharaisaki2);
        leaf(row, "JUUSYO_SIMEI_3", "");
        leaf(row, "JUUSYO_SIMEI_4", "");
        leaf(row, "TINSYAKUBUKKEN_1", t.Bukken1);
        leaf(row, "TINSYAKUBUKKEN_2", t.Bukken2);
        leaf(row, "TINSYAKUBUKKEN_3", "");
        leaf(row, "TINSYAKUBUKKEN_4", "");
        amount(row, "KENRIKIN", t.Kenri);
        amount(row, "KOUSINRYOU", t.Kousin);
        amount(row, "TINSYAKURYOU", t.Tinryou);
        amount(row, "HITUYOUKEIHIGAKU", t.Keihi);
    }

    xmlNodePtr kariire = doc.AddNode(top, "KARIIREKINRISI");
    for (int n = 1; n <= 3; ++n) {
        const TRisiWaribikiRec& k = r.Risi[n];
        xmlNodePtr row = doc.AddNode(kariire, "KARIIRE_UTIWAKE", std::to_string(n), "COUNT");
        leaf(row, "JUUSYO_SIMEI_JOUDAN", k.Siharaisaki1);
        leaf(row, "JUUSYO_SIMEI_GEDAN", k.Siharaisaki2);
        amount(row, "KARIIREKIN_KINGAKU", k.Kimatu);
        amount(row, "KARIIREKINRISI", k.Risi);
        amount(row, "HITUYOUKEIHIGAKU", k.Keihi);
    }

    xmlNodePtr zeirisi = doc.AddNode(top, "ZEIRISIHOUSYUU");
    for (int n = 1; n <= 2; ++n) {
        const TZeirisiHousyuuRec& z = r.Zeirisi[n];
        xmlNodePtr row = doc.AddNode(zeirisi, "ZEIRISI_UTIWAKE", std::to_string(n), "COUNT");
        leaf(row, "JUUSYO_SIMEI_JOUDAN", z.Siharaisaki1);
        leaf(row, "JUUSYO_SIMEI_GEDAN", z.Siharaisaki2);
        amount(row, "HOUSYUU_KINGAKU", z.Houshu);
        amount(row, "HITUYOUKEIHIGAKU", z.Keihi);
        amount(row, "GENSENZEIGAKU", z.Gensen);
    }

    xmlNodePtr tokusyu = doc.AddNode(top, "TOKUSYUJIJOU");
    for (int n = 1; n <= 25; ++n) leaf(tokusyu, "TOKUSYUJIJOU" + std::to_string(n), FixTrim(r.Note[n], 40));
}

} // namespace kb
