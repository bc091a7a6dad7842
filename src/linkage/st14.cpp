#include "linkage/st14.h"

#include <charconv>
#include <cstdio>
#include <functional>

#include "core/uAccDateCmp.h"
#include "core/z5ComFunc.h"
#include "linkage/XMLSaveDoc.h"
#include "linkage/z5ComKojinKessansyo.h"

namespace kb {

const std::array<const char*, 4> SyotokuNodeNames = {"EIGYOUSYOTOKU", "SONOTASYOTOKU", "FUDOUSANSYOTOKU",
                                                     "NOUGYOUSYOTOKU"};
const std::array<const char*, 4> IppanBlockNames = {"SONEKIKEISANSYO", "TUKIBETUURIAGESHIIRE", "TAISYAKUTAISYOUHYO",
                                                    "SEIZOUGENKA"};

const std::array<const char*, 35> IppanSonekiItems = {
    "URIAGEKINGAKU", "KISYUSYOHINTANAOROSIDAKA", "SIIREKINGAKU", "KIMATUSYOHINTANAOROSIDAKA", "SOZEIKOUKA",
    "NIZUKURIUNTIN", "SUIDOUKOUNETUHI", "RYOHIKOUTUUHI", "TUUSINHI", "KOUKOKUSENDENHI", "SETTAIKOUSAIHI",
    "SONGAIHOKENRYOU", "SYUUZENHI", "SYOUMOUHINHI", "GENKASHOUKYAKUHI", "FUKURIKOUSEIHI", "KYUURYOUTINGIN",
    "GAICHUUKOUTIN", "RISIWARIBIKIRYOU", "TIDAIYATIN", "KASIDAOREKIN", "KEIHI_YOBI1", "KEIHI_YOBI2", "KEIHI_YOBI3",
    "KEIHI_YOBI4", "KEIHI_YOBI5", "KEIHI_YOBI6", "ZAPPI", "KURIMODOSI_KASIDAOREHIKIATEKIN", "KURIMODOSI_YOBI1",
    "KURIMODOSI_YOBI2", "SENJYUUSYAKYUUYO", "KURIIRE_KASIDAOREHIKIATEKIN", "KURIIRE_YOBI1", "KURIIRE_YOBI2"};

const std::array<const char*, 28> IppanTukibetuItems = {
    "URIAGEKINGAKU1",  "URIAGEKINGAKU2",  "URIAGEKINGAKU3",  "URIAGEKINGAKU4",          "URIAGEKINGAKU5",
    "URIAGEKINGAKU6",  "URIAGEKINGAKU7",  "URIAGEKINGAKU8",  "URIAGEKINGAKU9",          "URIAGEKINGAKU10",
    "URIAGEKINGAKU11", "URIAGEKINGAKU12", "KAJISYOUHI",      "ZATUSYUNYU",              "URIAGE_UTI_KEIGENZEIRITU",
    "SIIREKINGAKU1",   "SIIREKINGAKU2",   "SIIREKINGAKU3",   "SIIREKINGAKU4",           "SIIREKINGAKU5",
    "SIIREKINGAKU6",   "SIIREKINGAKU7",   "SIIREKINGAKU8",   "SIIREKINGAKU9",           "SIIREKINGAKU10",
    "SIIREKINGAKU11",  "SIIREKINGAKU12",  "SIIRE_UTI_KEIGENZEIRITU"};

const std::array<const char*, 93> IppanTaisyakuItems = {
    "GENKIN_KISYU", "GENKIN_KIMATU", "TOUZAYOKIN_KISYU", "TOUZAYOKIN_KIMATU", "TEIKIYOKIN_KISYU", "TEIKIYOKIN_KIMATU",
    "SONOTANOYOKIN_KISYU", "SONOTANOYOKIN_KIMATU", "UKETORITEGATA_KISYU", "UKETORITEGATA_KIMATU", "URIKAKEKIN_KISYU",
    "URIKAKEKIN_KIMATU", "YUUKASYOUKEN_KISYU", "YUUKASYOUKEN_KIMATU", "TANAOROSISISAN_KISYU", "TANAOROSISISAN_KIMATU",
    "MAEBARAIKIN_KISYU", "MAEBARAIKIN_KIMATU", "KASITUKEKIN_KISYU", "KASITUKEKIN_KIMATU", "TATEMONO_KISYU",
    "TATEMONO_KIMATU", "TATEMONOFUZOKUSETUBI_KISYU", "TATEMONOFUZOKUSETUBI_KIMATU", "KIKAISOUTI_KISYU",
    "KIKAISOUTI_KIMATU", "SYARYOUUNPANGU_KISYU", "SYARYOUUNPANGU_KIMATU", "KOUGUKIGUBIHIN_KISYU",
    "KOUGUKIGUBIHIN_KIMATU", "TOTI_KISYU", "TOTI_KIMATU", "SISAN_YOBI1_KISYU", "SISAN_YOBI1_KIMATU",
    "SISAN_YOBI2_KISYU", "SISAN_YOBI2_KIMATU", "SISAN_YOBI3_KISYU", "SISAN_YOBI3_KIMATU", "SISAN_YOBI4_KISYU",
    "SISAN_YOBI4_KIMATU", "SISAN_YOBI5_KISYU", "SISAN_YOBI5_KIMATU", "SISAN_YOBI6_KISYU", "SISAN_YOBI6_KIMATU",
    "SISAN_YOBI7_KISYU", "SISAN_YOBI7_KIMATU", "JIGYOUNUSIKASI_KIMATU",
    // liabilities and capital
    "SIHARAITEGATA_KISYU", "SIHARAITEGATA_KIMATU", "KAIKAKEKIN_KISYU", "KAIKAKEKIN_KIMATU", "SYUKUNYUUKIN_KISYU",
    "SYUKUNYUUKIN_KIMATU", "MIBARAIKIN_KISYU", "MIBARAIKIN_KIMATU", "MAIUKEKIN_KISYU", "MAIUKEKIN_KIMATU",
    "AZUKARIKIN_KISYU", "AZUKARIKIN_KIMATU", "FUSAISIHON_YOBI1_KISYU", "FUSAISIHON_YOBI1_KIMATU",
    "FUSAISIHON_YOBI2_KISYU", "FUSAISIHON_YOBI2_KIMATU", "FUSAISIHON_YOBI3_KISYU", "FUSAISIHON_YOBI3_KIMATU",
    "FUSAISIHON_YOBI4_KISYU", "FUSAISIHON_YOBI4_KIMATU", "FUSAISIHON_YOBI5_KISYU", "FUSAISIHON_YOBI5_KIMATU",
    "FUSAISIHON_YOBI6_KISYU", "FUSAISIHON_YOBI6_KIMATU", "FUSAISIHON_YOBI7_KISYU", "FUSAISIHON_YOBI7_KIMATU",
    "KASIDAOREHIKIATEKIN_KISYU", "KASIDAOREHIKIATEKIN_KIMATU", "FUSAISIHON_YOBI8_KISYU", "FUSAISIHON_YOBI8_KIMATU",
    "FUSAISIHON_YOBI9_KISYU", "FUSAISIHON_YOBI9_KIMATU", "FUSAISIHON_YOBI10_KISYU", "FUSAISIHON_YOBI10_KIMATU",
    "FUSAISIHON_YOBI11_KISYU", "FUSAISIHON_YOBI11_KIMATU", "FUSAISIHON_YOBI12_KISYU", "FUSAISIHON_YOBI12_KIMATU",
    "FUSAISIHON_YOBI13_KISYU", "FUSAISIHON_YOBI13_KIMATU", "FUSAISIHON_YOBI14_KISYU", "FUSAISIHON_YOBI14_KIMATU",
    "JIGYOUNUSIKARI_KIMATU", "MOTOIREKIN_KISYU", "MOTOIREKIN_KIMATU", "KOUJYOMAESYOTOKUKINNGAKU_KIMATU"};

const std::array<const char*, 20> IppanSeizouItems = {
    "KISYUGENZAIRYOUTANAOROSIDAKA", "GENZAIRYOUSIIREDAKA", "KIMATUGENZAIRYOUTANAOROSIDAKA", "ROUMUHI",
    "GAICHUUKOUTIN", "DENNRYOKUHI", "SUIDOUKOUNETUHI", "SYUZENHI", "GENKASYOUKYAKUHI", "SEIZOUKEIHI_YOBI1",
    "SEIZOUKEIHI_YOBI2", "SEIZOUKEIHI_YOBI3", "SEIZOUKEIHI_YOBI4", "SEIZOUKEIHI_YOBI5", "SEIZOUKEIHI_YOBI6",
    "SEIZOUKEIHI_YOBI7", "SEIZOUKEIHI_YOBI8", "ZAPPI", "KISYUHANSEIHIN", "KIMATUHANSEIHIN"};

const std::array<std::int32_t, 45> IppanSonekiIndex = {
    1,  2,  3,  99, 4,  99, 99, 5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
    21, 22, 23, 24, 25, 26, 27, 28, 99, 99, 29, 30, 31, 99, 32, 33, 34, 35, 99, 99, 99, 99};

const std::array<std::int32_t, 15> IppanUriageIndex = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 99};
const std::array<std::int32_t, 15> IppanSiireIndex = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 99, 99, 99};

// Asset rows 1..23 have both items (opening 2r - 1, closing 2r); row 24 only its closing; 25 none.
const std::array<std::int32_t, 50> IppanSisanIndex = {
    1,  3,  5,  7,  9,  11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31, 33, 35, 37, 39, 41, 43, 45, 99, 99,
    2,  4,  6,  8,  10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32, 34, 36, 38, 40, 42, 44, 46, 47, 99};

// Liability rows follow from item 48: rows 1..21 both, row 22 closing only, row 23 both, row 24
// closing only, row 25 none.
const std::array<std::int32_t, 50> IppanFusaiIndex = {
    48, 50, 52, 54, 56, 58, 60, 62, 64, 66, 68, 70, 72, 74, 76, 78, 80, 82, 84, 86, 88, 99, 91, 99, 99,
    49, 51, 53, 55, 57, 59, 61, 63, 65, 67, 69, 71, 73, 75, 77, 79, 81, 83, 85, 87, 89, 90, 92, 93, 99};

const std::array<std::int32_t, 26> IppanSeizouIndex = {1,  2,  99, 3,  99, 4,  5,  6,  7,  8,  9,  10, 11,
                                                       12, 13, 14, 15, 16, 17, 18, 99, 99, 19, 99, 20, 99};

// ---- leaf conventions

std::string CurrToLeaf(Currency amount)
{
    const std::int64_t yen = amount.ToYen(RoundMode::HalfAwayFromZero);
    if (yen == 0) return {};
    return std::to_string(yen);
}

std::string FixTrim(std::string_view text, int width)
{
    const std::string fixed = FixLeft(text, width);
    std::size_t b = 0, e = fixed.size();
    while (b < e && static_cast<unsigned char>(fixed[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(fixed[e - 1]) <= 0x20) --e;
    return fixed.substr(b, e - b);
}

std::string KamokuToLeaf(std::string_view name) { return FixTrim(name, 20); }

std::string IntToStrOrEmpty(std::int64_t n) { return n == 0 ? std::string() : std::to_string(n); }

std::string DateToYyyymm(const DateTime& date)
{
    if (date.IsNull() || !(date.GetDate() > Date(1899, 12, 30))) return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d", date.GetDate().Year(), date.GetDate().Month());
    return buf;
}

std::string KuriireRituToStr(int n) { return n == 1 ? "2" : "1"; }

std::string AoiroKoujoToStr(int n)
{
    switch (n) {
    case 0: return "3";
    case 1: return "2";
    case 2: return "1";
    default: return "0";
    }
}

namespace {

bool ToInt(std::string_view t, int& out)
{
    if (t.empty()) return false;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), out);
    return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

} // namespace

std::string WarekiToYyyymmdd(std::string_view eraYear, std::string_view month, std::string_view day, Date kishu)
{
    if (eraYear.empty() || month.empty() || day.empty()) return {};
    TWarekiRec w;
    DateToWareki(kishu, w);
    // the era letter is the first character; the era year the two characters after it
    w.Sign = std::string(eraYear.substr(0, 1));
    int y = 0, m = 0, d = 0;
    if (eraYear.size() < 2 || !ToInt(eraYear.substr(1, 2), y) || !ToInt(month, m) || !ToInt(day, d)) return {};
    w.Year = static_cast<short>(y);
    w.Month = static_cast<short>(m);
    w.Day = static_cast<short>(d);
    // the era is named by its letter alone: the name taken over from the period start must not win
    w.Name.clear();
    const Date date = WarekiToDate(w);
    if (date.IsNull()) return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", date.Year(), date.Month(), date.Day());
    return buf;
}

// ---- TSyotokuZeiDataMake

namespace {

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

void TSyotokuZeiDataMake::SetIppanSoneki()
{
    const TKojinKessansyoRec& r = *IppanRec;
    MapLines(45, IppanSonekiIndex, SonekiValues, [&](int i) { return r.Soneki[i].Kingaku; });
}

void TSyotokuZeiDataMake::SetIppanTukibetu()
{
    const TKojinKessansyoRec& r = *IppanRec;
    MapLines(15, IppanUriageIndex, TukibetuValues, [&](int i) { return r.Tukibetu[i].Uriage; });
    MapLines(15, IppanSiireIndex, TukibetuValues, [&](int i) { return r.Tukibetu[i].Siire; });
    TukibetuValues[14] = r.K8Kisai == 1 ? r.UriageKeigen : Currency();
    TukibetuValues[27] = r.K8Kisai == 1 ? r.SiireKeigen : Currency();
}

void TSyotokuZeiDataMake::SetIppanTaisyaku()
{
    const TKojinKessansyoRec& r = *IppanRec;
    auto side = [&](const TLines<TTaisyakuTaisyouhyoRec, 25>& rows, const std::array<std::int32_t, 50>& index) {
        MapLines(50, index, TaisyakuValues, [&](int i) { return i <= 25 ? rows[i].Kisyu : rows[i - 25].Kimatu; });
    };
    side(r.Sisan, IppanSisanIndex);
    side(r.Fusai, IppanFusaiIndex);
}

void TSyotokuZeiDataMake::SetIppanSeizou()
{
    const TKojinKessansyoRec& r = *IppanRec;
    MapLines(26, IppanSeizouIndex, SeizouValues, [&](int i) { return r.Seizou[i].Kingaku; });
}

int TSyotokuZeiDataMake::MakeData(TXmlSaveDoc& doc, int kind, int taxMode)
{
    Result = 3;
    Kind = kind;
    TaxMode = taxMode;
    if (Ippan && !IppanRec) IppanRec = &Ippan->Data;
    const bool ippan = (kind == 1 || kind == 2) && IppanRec != nullptr;
    if (ippan) {
        SonekiValues.assign(IppanSonekiItems.size(), Currency());
        TukibetuValues.assign(IppanTukibetuItems.size(), Currency());
        TaisyakuValues.assign(IppanTaisyakuItems.size(), Currency());
        SeizouValues.assign(IppanSeizouItems.size(), Currency());
        SetIppanSoneki();
        SetIppanTukibetu();
        SetIppanTaisyaku();
        SetIppanSeizou();
        Result = 1;
    }
    const bool fudosan = kind == 3 && Fudosan != nullptr;
    const bool nougyou = kind == 4 && Nougyou != nullptr;
    if (fudosan) {
        SonekiValues.assign(17, Currency());
        TaisyakuValues.assign(93, Currency());
        SetFudosanSoneki();
        SetFudosanTaisyaku();
        Result = 1;
    } else if (nougyou) {
        SonekiValues.assign(38, Currency());
        TaisyakuValues.assign(93, Currency());
        SetNougyouSoneki();
        SetNougyouTaisyaku();
        Result = 1;
    }
    xmlNodePtr data = doc.AddNode(nullptr, "DATA");
    if (ippan) WriteIppan(doc, data);
    else if (fudosan) WriteFudosan(doc, data);
    else if (nougyou) WriteNougyou(doc, data);
    return Result;
}

void TSyotokuZeiDataMake::WriteIppan(TXmlSaveDoc& doc, xmlNodePtr data)
{
    const TKojinKessansyoRec& r = *IppanRec;
    xmlNodePtr top = doc.AddNode(data, SyotokuNodeNames[static_cast<std::size_t>(Kind - 1)]);
    auto amounts = [&](xmlNodePtr parent, const auto& items, const std::vector<Currency>& values) {
        for (std::size_t i = 0; i < items.size(); ++i) doc.AddLeaf(parent, items[i], CurrToLeaf(values[i]));
    };
    auto name = [&](xmlNodePtr parent, const std::string& item, const std::string& text) {
        doc.AddLeaf(parent, item, KamokuToLeaf(text));
    };

    xmlNodePtr soneki = doc.AddNode(top, IppanBlockNames[0]);
    amounts(soneki, IppanSonekiItems, SonekiValues);
    for (int i = 1; i <= 6; ++i) name(soneki, "KEIHI_YOBI" + std::to_string(i) + "_KAMOKU", r.Soneki[24 + i].Name);
    name(soneki, "KURIMODOSI_YOBI1_KAMOKU", r.Soneki[35].Name);
    name(soneki, "KURIMODOSI_YOBI2_KAMOKU", r.Soneki[36].Name);
    name(soneki, "KURIIRE_YOBI1_KAMOKU", r.Soneki[40].Name);
    name(soneki, "KURIIRE_YOBI2_KAMOKU", r.Soneki[41].Name);

    xmlNodePtr tukibetu = doc.AddNode(top, IppanBlockNames[1]);
    amounts(tukibetu, IppanTukibetuItems, TukibetuValues);

    xmlNodePtr taisyaku = doc.AddNode(top, IppanBlockNames[2]);
    amounts(taisyaku, IppanTaisyakuItems, TaisyakuValues);
    for (int i = 1; i <= 7; ++i) name(taisyaku, "SISAN_YOBI" + std::to_string(i) + "_KAMOKU", r.Sisan[16 + i].Name);
    for (int i = 1; i <= 7; ++i) name(taisyaku, "FUSAISIHON_YOBI" + std::to_string(i) + "_KAMOKU", r.Fusai[6 + i].Name);
    for (int i = 8; i <= 14; ++i) name(taisyaku, "FUSAISIHON_YOBI" + std::to_string(i) + "_KAMOKU", r.Fusai[7 + i].Name);

    xmlNodePtr seizou = doc.AddNode(top, IppanBlockNames[3]);
    amounts(seizou, IppanSeizouItems, SeizouValues);
    for (int i = 1; i <= 8; ++i) name(seizou, "SEIZOUKEIHI_YOBI" + std::to_string(i) + "_KAMOKU", r.Seizou[11 + i].Name);

    if (WithDetails) {
        xmlNodePtr kyuryo = doc.AddNode(top, "KYUURYOUTINGIN");
        for (int n = 1; n <= 5; ++n) {
            const TKyuyoChinginRec& k = r.Kyuyo[n];
            xmlNodePtr row = doc.AddNode(kyuryo, "KYUURYOU_UTIWAKE", std::to_string(n), "COUNT");
            doc.AddLeaf(row, "SIMEI", k.Simei);
            doc.AddLeaf(row, "NENREI", IntToStrOrEmpty(k.Nenrei));
            doc.AddLeaf(row, "JUUJITUKISUU", IntToStrOrEmpty(k.Tukisuu));
            doc.AddLeaf(row, "KYUURYOU", CurrToLeaf(k.Kyuyo));
            doc.AddLeaf(row, "SYOUYO", CurrToLeaf(k.Shouyo));
            doc.AddLeaf(row, "GENSENZEIGAKU", CurrToLeaf(k.Gensen));
        }
        const TKyuyoChinginRec& other = r.Kyuyo[6];
        doc.AddLeaf(kyuryo, "SONOTA_NINBUN", other.Simei);
        doc.AddLeaf(kyuryo, "SONOTA_JUUJITUKISUU", IntToStrOrEmpty(other.Tukisuu));
        doc.AddLeaf(kyuryo, "SONOTA_KYUURYOU", CurrToLeaf(other.Kyuyo));
        doc.AddLeaf(kyuryo, "SONOTA_SYOUYO", CurrToLeaf(other.Shouyo));
        doc.AddLeaf(kyuryo, "SONOTA_GENSENZEIGAKU", CurrToLeaf(other.Gensen));

        xmlNodePtr senjyu = doc.AddNode(top, "SENJUUSYA");
        for (int n = 1; n <= 5; ++n) {
            const TSenjyusyaKyuyoRec& k = r.Senjyusya[n];
            xmlNodePtr row = doc.AddNode(senjyu, "SENJUUSYA_UTIWAKE", std::to_string(n), "COUNT");
            doc.AddLeaf(row, "SIMEI", k.Simei);
            doc.AddLeaf(row, "ZOKUGARA", k.Tuzukigara);
            doc.AddLeaf(row, "NENREI", IntToStrOrEmpty(k.Nenrei));
            doc.AddLeaf(row, "JUUJITUKISUU", IntToStrOrEmpty(k.Tukisuu));
            doc.AddLeaf(row, "KYUURYOU", CurrToLeaf(k.Kyuyo));
            doc.AddLeaf(row, "SYOUYO", CurrToLeaf(k.Shouyo));
            doc.AddLeaf(row, "GENSENZEIGAKU", CurrToLeaf(k.Gensen));
        }

        xmlNodePtr kuriire = doc.AddNode(top, "KASIDAOREKURIIRE");
        doc.AddLeaf(kuriire, "KOBETU_KURIIREGAKU", CurrToLeaf(r.Kuriire[1]));
        doc.AddLeaf(kuriire, "IKKATU_KURIIREGOUKEIGAKU", CurrToLeaf(r.Kuriire[2]));
        doc.AddLeaf(kuriire, "IKKATU_KURIIRERITU", KuriireRituToStr(r.GyoushuKubun));
        doc.AddLeaf(kuriire, "IKKATU_KURIIREGENDOGAKU", CurrToLeaf(r.Kuriire[3]));
        doc.AddLeaf(kuriire, "IKKATU_KURIIREGAKU", CurrToLeaf(r.Kuriire[4]));

        xmlNodePtr koujo = doc.AddNode(top, "AOIROKOUJO");
        doc.AddLeaf(koujo, "FUDOUSANSYOTOKU", CurrToLeaf(r.Koujo6));
        doc.AddLeaf(koujo, "AOIROKOUJO_SENTAKU", AoiroKoujoToStr(r.KoujoKubun));

        xmlNodePtr risi = doc.AddNode(top, "RISIWARIBIKIRYOU");
        for (int n = 1; n <= 2; ++n) {
            const TRisiWaribikiRec& k = r.Risi[n];
            xmlNodePtr row = doc.AddNode(risi, "RISI_UTIWAKE", std::to_string(n), "COUNT");
            doc.AddLeaf(row, "JUUSYO_SIMEI_JOUDAN", k.Siharaisaki1);
            doc.AddLeaf(row, "JUUSYO_SIMEI_GEDAN", k.Siharaisaki2);
            doc.AddLeaf(row, "KARIIREKIN_KINGAKU", CurrToLeaf(k.Kimatu));
            doc.AddLeaf(row, "RISIWARIBIKIRYOU", CurrToLeaf(k.Risi));
            doc.AddLeaf(row, "HITUYOUKEIHIGAKU", CurrToLeaf(k.Keihi));
        }

        xmlNodePtr tidai = doc.AddNode(top, "TIDAIYATIN");
        for (int n = 1; n <= 2; ++n) {
            const TJidaiYachinRec& k = r.Tidai[n];
            xmlNodePtr row = doc.AddNode(tidai, "TIDAI_UTIWAKE", std::to_string(n), "COUNT");
            doc.AddLeaf(row, "JUUSYO_SIMEI_JOUDAN", k.Siharaisaki1);
            doc.AddLeaf(row, "JUUSYO_SIMEI_GEDAN", k.Siharaisaki2);
            doc.AddLeaf(row, "TINSYAKUBUKKEN_JOUDAN", k.Bukken1);
            doc.AddLeaf(row, "TINSYAKUBUKKEN_GEDAN", k.Bukken2);
            doc.AddLeaf(row, "KENRIKIN", CurrToLeaf(k.Kenri));
            doc.AddLeaf(row, "KOUSINRYOU", CurrToLeaf(k.Kousin));
            doc.AddLeaf(row, "TINSYAKURYOU", CurrToLeaf(k.Tinryou));
            doc.AddLeaf(row, "HITUYOUKEIHIGAKU", CurrToLeaf(k.Keihi));
        }

        xmlNodePtr zeirisi = doc.AddNode(top, "ZEIRISIHOUSYUU");
        for (int n = 1; n <= 2; ++n) {
            const TZeirisiHousyuuRec& k = r.Zeirisi[n];
            xmlNodePtr row = doc.AddNode(zeirisi, "ZEIRISI_UTIWAKE", std::to_string(n), "COUNT");
            doc.AddLeaf(row, "JUUSYO_SIMEI_JOUDAN", k.Siharaisaki1);
            doc.AddLeaf(row, "JUUSYO_SIMEI_GEDAN", k.Siharaisaki2);
            doc.AddLeaf(row, "HOUSYUU_KINGAKU", CurrToLeaf(k.Houshu));
            doc.AddLeaf(row, "HITUYOUKEIHIGAKU", CurrToLeaf(k.Keihi));
            doc.AddLeaf(row, "GENSENZEIGAKU", CurrToLeaf(k.Gensen));
        }

        xmlNodePtr tokusyu = doc.AddNode(top, "TOKUSYUJIJOU");
        for (int n = 1; n <= 5; ++n) doc.AddLeaf(tokusyu, "TOKUSYUJIJOU" + std::to_string(n), FixTrim(r.Tokusyu[n], 80));
    }

    xmlNodePtr other = doc.AddNode(top, "OTHER");
    doc.AddLeaf(other, "KANYUUDANTAIMEI", r.AoKanyu);
}

} // namespace kb
