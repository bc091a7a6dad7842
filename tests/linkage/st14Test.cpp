// The income-tax data maker without a database: leaf conventions, every statement line's item, and
// what is written when nothing can be.

#include <gtest/gtest.h>

#include <map>

#include "core/uAccDateCmp.h"
#include "linkage/XMLSaveDoc.h"
#include "linkage/st14.h"
#include "linkage/z5ComKojinKessansyo.h"
#include "platform/Text.h"
#include "st14TestSupport.h"

using kb::Currency;
using kb::Date;
using namespace kbtest::linkage;

namespace {

Currency Yen(long long y) { return Currency::FromYen(y); }

TEST(DataMakeLeaves, AmountsAreWholeYenWithoutGroupingAndEmptyForZero)
{
    EXPECT_EQ(kb::CurrToLeaf(Currency()), "");
    EXPECT_EQ(kb::CurrToLeaf(Yen(12054000)), "12054000");
    EXPECT_EQ(kb::CurrToLeaf(Yen(-1234)), "-1234");
    EXPECT_EQ(kb::CurrToLeaf(Currency::FromRaw(4999)), "");     // 0.4999 yen shows as nothing
    EXPECT_EQ(kb::CurrToLeaf(Currency::FromRaw(-15000)), "-2"); // -1.5 yen, half away from zero
}

TEST(DataMakeLeaves, AccountNamesAreCutAtTwentyBytesWithoutSplittingACharacter)
{
    struct Case {
        const char* name;
        const char* leaf;
    } cases[] = {
        {"あいうえおかきくけこA", "あいうえおかきくけこ"},   // 21 bytes: the ASCII letter goes
        {"ﾘｰｽ料ｺﾋﾟｰ機の保守契約", "ﾘｰｽ料ｺﾋﾟｰ機の保守契"}, // the 20th byte opens 約: it goes whole
        {"  消耗品費　", "消耗品費　"},                     // blanks trimmed, a full-width blank kept
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kb::KamokuToLeaf(c.name), c.leaf) << c.name;
        EXPECT_LE(kb::sjis::ByteLength(kb::KamokuToLeaf(c.name)), 20u);
    }
    EXPECT_EQ(kb::FixTrim(std::string(100, 'x'), 80), std::string(80, 'x'));
}

TEST(DataMakeLeaves, SmallConverters)
{
    EXPECT_EQ(kb::IntToStrOrEmpty(0), "");
    EXPECT_EQ(kb::IntToStrOrEmpty(12), "12");
    EXPECT_EQ(kb::DateToYyyymm(kb::DateTime()), "");
    EXPECT_EQ(kb::DateToYyyymm(kb::DateTime(Date(2025, 3, 5))), "202503");
    EXPECT_EQ(kb::KuriireRituToStr(1), "2");
    EXPECT_EQ(kb::KuriireRituToStr(0), "1");
    EXPECT_EQ(kb::KuriireRituToStr(7), "1");
    const std::pair<int, const char*> koujo[] = {{0, "3"}, {1, "2"}, {2, "1"}, {3, "0"}, {-1, "0"}};
    for (const auto& [n, text] : koujo) EXPECT_EQ(kb::AoiroKoujoToStr(n), text) << n;
}

TEST(DataMakeLeaves, EraDatesFromTheirTexts)
{
    if (kb::GengoList.empty()) kb::InitGengoTable();
    const Date kishu(2025, 1, 1);
    EXPECT_EQ(kb::WarekiToYyyymmdd("R07", "4", "1", kishu), "20250401");
    EXPECT_EQ(kb::WarekiToYyyymmdd("H31", "4", "30", kishu), "20190430"); // the letter, not the period's era
    EXPECT_EQ(kb::WarekiToYyyymmdd("R07", "", "1", kishu), "");
    EXPECT_EQ(kb::WarekiToYyyymmdd("X07", "4", "1", kishu), "");
    EXPECT_EQ(kb::WarekiToYyyymmdd("R0x", "4", "1", kishu), "");
    EXPECT_EQ(kb::WarekiToYyyymmdd("R07", "2", "30", kishu), "");
}

// ---- items

struct Made {
    int result = 0;
    std::map<std::string, std::string> leaf; // path below the kind element -> text
    std::vector<std::string> lines;
};

Made Make(const kb::TKojinKessansyoRec& rec, int kind, bool details)
{
    kb::TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    doc.CreateRoot("REPORT");
    kb::TSyotokuZeiDataMake m;
    m.IppanRec = &rec;
    m.WithDetails = details;
    Made out;
    out.result = m.MakeData(doc, kind, 0);
    XmlTree t(doc.SaveToBytes());
    out.lines = Lines(t);
    for (const std::string& l : out.lines) {
        const auto eq = l.find(" = ");
        if (eq == std::string::npos) continue;
        const std::string prefix = "REPORT/DATA/";
        std::string path = l.substr(0, eq);
        path = path.substr(path.find('/', prefix.size()) + 1); // below the kind element
        out.leaf[path] = l.substr(eq + 3);
    }
    return out;
}

TEST(DataMakeItems, EveryProfitAndLossLineFeedsItsItem)
{
    kb::TKojinKessansyoRec r;
    for (int i = 1; i <= 45; ++i) r.Soneki[i].Kingaku = Yen(i * 1000);
    const std::pair<const char*, int> items[] = {
        {"URIAGEKINGAKU", 1}, {"KISYUSYOHINTANAOROSIDAKA", 2}, {"SIIREKINGAKU", 3}, {"KIMATUSYOHINTANAOROSIDAKA", 5},
        {"SOZEIKOUKA", 8}, {"NIZUKURIUNTIN", 9}, {"SUIDOUKOUNETUHI", 10}, {"RYOHIKOUTUUHI", 11}, {"TUUSINHI", 12},
        {"KOUKOKUSENDENHI", 13}, {"SETTAIKOUSAIHI", 14}, {"SONGAIHOKENRYOU", 15}, {"SYUUZENHI", 16},
        {"SYOUMOUHINHI", 17}, {"GENKASHOUKYAKUHI", 18}, {"FUKURIKOUSEIHI", 19}, {"KYUURYOUTINGIN", 20},
        {"GAICHUUKOUTIN", 21}, {"RISIWARIBIKIRYOU", 22}, {"TIDAIYATIN", 23}, {"KASIDAOREKIN", 24},
        {"KEIHI_YOBI1", 25}, {"KEIHI_YOBI2", 26}, {"KEIHI_YOBI3", 27}, {"KEIHI_YOBI4", 28}, {"KEIHI_YOBI5", 29},
        {"KEIHI_YOBI6", 30}, {"ZAPPI", 31}, {"KURIMODOSI_KASIDAOREHIKIATEKIN", 34}, {"KURIMODOSI_YOBI1", 35},
        {"KURIMODOSI_YOBI2", 36}, {"SENJYUUSYAKYUUYO", 38}, {"KURIIRE_KASIDAOREHIKIATEKIN", 39},
        {"KURIIRE_YOBI1", 40}, {"KURIIRE_YOBI2", 41}};
    const Made m = Make(r, 1, false);
    EXPECT_EQ(m.result, 1);
    for (const auto& [item, line] : items)
        EXPECT_EQ(m.leaf.at(std::string("SONEKIKEISANSYO/") + item), std::to_string(line * 1000)) << item;
}

TEST(DataMakeItems, EveryManufacturingLineFeedsItsItem)
{
    kb::TKojinKessansyoRec r;
    for (int i = 1; i <= 26; ++i) {
        r.Seizou[i].Kingaku = Yen(i * 100);
        r.Seizou[i].Name = "製造" + std::to_string(i);
    }
    const std::pair<const char*, int> items[] = {
        {"KISYUGENZAIRYOUTANAOROSIDAKA", 1}, {"GENZAIRYOUSIIREDAKA", 2}, {"KIMATUGENZAIRYOUTANAOROSIDAKA", 4},
        {"ROUMUHI", 6}, {"GAICHUUKOUTIN", 7}, {"DENNRYOKUHI", 8}, {"SUIDOUKOUNETUHI", 9}, {"SYUZENHI", 10},
        {"GENKASYOUKYAKUHI", 11}, {"SEIZOUKEIHI_YOBI1", 12}, {"SEIZOUKEIHI_YOBI2", 13}, {"SEIZOUKEIHI_YOBI3", 14},
        {"SEIZOUKEIHI_YOBI4", 15}, {"SEIZOUKEIHI_YOBI5", 16}, {"SEIZOUKEIHI_YOBI6", 17}, {"SEIZOUKEIHI_YOBI7", 18},
        {"SEIZOUKEIHI_YOBI8", 19}, {"ZAPPI", 20}, {"KISYUHANSEIHIN", 23}, {"KIMATUHANSEIHIN", 25}};
    const Made m = Make(r, 1, false);
    for (const auto& [item, line] : items)
        EXPECT_EQ(m.leaf.at(std::string("SEIZOUGENKA/") + item), std::to_string(line * 100)) << item;
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(m.leaf.at("SEIZOUGENKA/SEIZOUKEIHI_YOBI" + std::to_string(i) + "_KAMOKU"), "製造" + std::to_string(11 + i));
}

TEST(DataMakeItems, EveryBalanceSheetRowFeedsItsOpeningAndClosingItems)
{
    kb::TKojinKessansyoRec r;
    for (int row = 1; row <= 25; ++row) {
        r.Sisan[row] = {0, "資産" + std::to_string(row), Yen(row * 10 + 1), Yen(row * 10 + 2)};
        r.Fusai[row] = {0, "負債" + std::to_string(row), Yen(row * 10 + 5), Yen(row * 10 + 6)};
    }
    const char* assets[] = {"GENKIN", "TOUZAYOKIN", "TEIKIYOKIN", "SONOTANOYOKIN", "UKETORITEGATA", "URIKAKEKIN",
                            "YUUKASYOUKEN", "TANAOROSISISAN", "MAEBARAIKIN", "KASITUKEKIN", "TATEMONO",
                            "TATEMONOFUZOKUSETUBI", "KIKAISOUTI", "SYARYOUUNPANGU", "KOUGUKIGUBIHIN", "TOTI",
                            "SISAN_YOBI1", "SISAN_YOBI2", "SISAN_YOBI3", "SISAN_YOBI4", "SISAN_YOBI5", "SISAN_YOBI6",
                            "SISAN_YOBI7", "JIGYOUNUSIKASI"};
    const char* liabilities[] = {"SIHARAITEGATA", "KAIKAKEKIN", "SYUKUNYUUKIN", "MIBARAIKIN", "MAIUKEKIN",
                                 "AZUKARIKIN", "FUSAISIHON_YOBI1", "FUSAISIHON_YOBI2", "FUSAISIHON_YOBI3",
                                 "FUSAISIHON_YOBI4", "FUSAISIHON_YOBI5", "FUSAISIHON_YOBI6", "FUSAISIHON_YOBI7",
                                 "KASIDAOREHIKIATEKIN", "FUSAISIHON_YOBI8", "FUSAISIHON_YOBI9", "FUSAISIHON_YOBI10",
                                 "FUSAISIHON_YOBI11", "FUSAISIHON_YOBI12", "FUSAISIHON_YOBI13", "FUSAISIHON_YOBI14",
                                 "JIGYOUNUSIKARI", "MOTOIREKIN", "KOUJYOMAESYOTOKUKINNGAKU"};
    const Made m = Make(r, 1, false);
    int items = 0;
    for (int row = 1; row <= 24; ++row) {
        const std::string a = std::string("TAISYAKUTAISYOUHYO/") + assets[row - 1];
        const std::string l = std::string("TAISYAKUTAISYOUHYO/") + liabilities[row - 1];
        auto check = [&](const std::string& item, int value) {
            ++items;
            EXPECT_EQ(m.leaf.at(item), std::to_string(value)) << item;
        };
        if (row != 24) check(a + "_KISYU", row * 10 + 1);
        check(a + "_KIMATU", row * 10 + 2);
        if (row != 22 && row != 24) check(l + "_KISYU", row * 10 + 5);
        check(l + "_KIMATU", row * 10 + 6);
    }
    EXPECT_EQ(items, 93);
    EXPECT_EQ(m.leaf.count("TAISYAKUTAISYOUHYO/JIGYOUNUSIKASI_KISYU"), 0u);
    for (int i = 1; i <= 7; ++i) {
        EXPECT_EQ(m.leaf.at("TAISYAKUTAISYOUHYO/SISAN_YOBI" + std::to_string(i) + "_KAMOKU"), "資産" + std::to_string(16 + i));
        EXPECT_EQ(m.leaf.at("TAISYAKUTAISYOUHYO/FUSAISIHON_YOBI" + std::to_string(i) + "_KAMOKU"),
                  "負債" + std::to_string(6 + i));
        EXPECT_EQ(m.leaf.at("TAISYAKUTAISYOUHYO/FUSAISIHON_YOBI" + std::to_string(7 + i) + "_KAMOKU"),
                  "負債" + std::to_string(14 + i));
    }
}

TEST(DataMakeItems, ReducedRateItemsOnlyWhenTheStatementCarriesThem)
{
    kb::TKojinKessansyoRec r;
    r.UriageKeigen = Yen(54000);
    r.SiireKeigen = Yen(-300);
    r.Tukibetu[13].Siire = Yen(5);  // purchases of rows 13 to 15 feed nothing
    r.Tukibetu[15].Uriage = Yen(9);
    r.K8Kisai = 0;
    Made m = Make(r, 1, false);
    EXPECT_EQ(m.leaf.at("TUKIBETUURIAGESHIIRE/URIAGE_UTI_KEIGENZEIRITU"), "");
    EXPECT_EQ(m.leaf.at("TUKIBETUURIAGESHIIRE/SIIRE_UTI_KEIGENZEIRITU"), "");
    for (const auto& [path, text] : m.leaf)
        if (path.rfind("TUKIBETUURIAGESHIIRE/", 0) == 0) EXPECT_EQ(text, "") << path;
    r.K8Kisai = 1;
    m = Make(r, 1, false);
    EXPECT_EQ(m.leaf.at("TUKIBETUURIAGESHIIRE/URIAGE_UTI_KEIGENZEIRITU"), "54000");
    EXPECT_EQ(m.leaf.at("TUKIBETUURIAGESHIIRE/SIIRE_UTI_KEIGENZEIRITU"), "-300");
}

TEST(DataMakeItems, DetailBlocksWriteTheirFixedRowsAndCutTheNotes)
{
    kb::TKojinKessansyoRec r;
    r.Kyuyo[6].Simei = "3";
    r.Kyuyo[6].Tukisuu = 30;
    r.Kyuyo[7].Kyuyo = Yen(123); // the totals row is not written
    r.Tokusyu[2] = std::string(90, 'a');
    r.GyoushuKubun = 1;
    r.KoujoKubun = 2;
    r.Koujo6 = Yen(100000);
    const Made m = Make(r, 1, true);
    EXPECT_EQ(m.leaf.at("KYUURYOUTINGIN/SONOTA_NINBUN"), "3");
    EXPECT_EQ(m.leaf.at("KYUURYOUTINGIN/SONOTA_JUUJITUKISUU"), "30");
    EXPECT_EQ(m.leaf.at("KYUURYOUTINGIN/KYUURYOU_UTIWAKE[COUNT=5]/SIMEI"), "");
    EXPECT_EQ(m.leaf.at("SENJUUSYA/SENJUUSYA_UTIWAKE[COUNT=5]/ZOKUGARA"), "");
    EXPECT_EQ(m.leaf.at("TOKUSYUJIJOU/TOKUSYUJIJOU2"), std::string(80, 'a'));
    EXPECT_EQ(m.leaf.at("KASIDAOREKURIIRE/IKKATU_KURIIRERITU"), "2");
    EXPECT_EQ(m.leaf.at("AOIROKOUJO/AOIROKOUJO_SENTAKU"), "1");
    EXPECT_EQ(m.leaf.at("AOIROKOUJO/FUDOUSANSYOTOKU"), "100000");
    for (const auto& [path, text] : m.leaf) EXPECT_NE(text, "123") << path;
}

TEST(DataMakeItems, NothingIsWrittenForAKindWithoutItsStatement)
{
    kb::TKojinKessansyoRec r;
    for (int kind : {0, 3, 4, 5}) {
        const Made m = Make(r, kind, true);
        EXPECT_EQ(m.result, 3) << kind;
        EXPECT_EQ(m.lines, (std::vector<std::string>{"REPORT", "REPORT/DATA = "})) << kind;
    }
    // kind 1 without a statement record
    kb::TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    doc.CreateRoot("REPORT");
    kb::TSyotokuZeiDataMake m;
    EXPECT_EQ(m.MakeData(doc, 1, 0), 3);
}

} // namespace
