// The data selection's decisions, from tables: parameter lines, the filter, the grey rule, the
// function-key captions, the incremental search and the search dialog's mappings.

#include "dataselect/z5DataListKensaku.h"
#include "dataselect/registry/DataSyosaiRules.h"
#include "dataselect/registry/z5DataSentakuRules.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace kb;

TEST(DataSentakuParams, WizardLinesAndEdgeCases)
{
    TDataSentakuParams p;
    ApplyDataSentakuParams(SplitParamLines("SyoriType=3\rJyokenSet=1\rDataType=2\rCodeType=0\rDataVerMajor=15\rFormStyle=2"), p);
    EXPECT_EQ(p.SyoriType, 3);
    EXPECT_EQ(p.FormStyle, TFormStyleKind::Normal);
    EXPECT_EQ(p.CallerJyoken.JYOKENUSE, 1);
    EXPECT_EQ(p.CallerJyoken.DATATYPE, 2);
    EXPECT_EQ(p.CallerJyoken.CODETYPE, 0);
    EXPECT_EQ(p.CallerJyoken.DATAVER, "15");
    EXPECT_EQ(p.CallerJyoken.VERKIND, 1);

    TDataSentakuParams q;
    ApplyDataSentakuParams({"SyoriType=-1", "FormStyle=7", "JyokenSet=1", "DataVerMajor=15", "DataVerMore=11.0"}, q);
    EXPECT_EQ(q.SyoriType, 0);
    EXPECT_EQ(q.FormStyle, TFormStyleKind::StayOnTop);
    EXPECT_EQ(q.CallerJyoken.DATAVER, "11.0");
    EXPECT_EQ(q.CallerJyoken.VERKIND, 2);

    TDataSentakuParams r;
    ApplyDataSentakuParams({"SyoriType=abc", "DataType=2"}, r);
    EXPECT_EQ(r.SyoriType, 0);
    EXPECT_EQ(r.FormStyle, TFormStyleKind::MdiChild);
    EXPECT_EQ(r.CallerJyoken.DATATYPE, 0) << "the conditions are read only with JyokenSet";

    TDataSentakuParams s;
    try {
        ApplyDataSentakuParams({"SyoriType=6"}, s);
        FAIL() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), kSyoriTypeRangeError);
    }

    // A type 5 set by an earlier call makes the take-out lines count.
    TDataSentakuParams t;
    t.SyoriType = 5;
    ApplyDataSentakuParams({"OnlySA_Syori=Restore", "OnlySA_BackupPath=/media/usb"}, t);
    EXPECT_EQ(t.OnlySAMode, 1);
    EXPECT_EQ(t.OnlySABackupPath, "/media/usb");
    TDataSentakuParams u;
    ApplyDataSentakuParams({"OnlySA_Syori=Restore"}, u);
    EXPECT_EQ(u.OnlySAMode, 0);
}

TEST(DataSentakuFilter, ConditionsTable)
{
    auto row = [](int type, int code, int major, int minor, const std::string& name, const std::string& dataCode) {
        TDataListRec r;
        r.DATATYPE = type;
        r.CODETYPE = code;
        r.VER_MAJOR = major;
        r.VER_MINOR1 = minor;
        r.ENTTEXT = name;
        r.DATACODE = dataCode;
        return r;
    };
    TDataKensakuRec wizard;
    wizard.DATATYPE = 2;
    wizard.DATAVER = "15";
    wizard.VERKIND = 1;
    struct Case {
        TDataListRec r;
        TDataKensakuRec j;
        bool pass;
    };
    TDataKensakuRec realEstate;
    realEstate.DATATYPE = 2;
    realEstate.CODETYPE = 2;
    TDataKensakuRec corporate;
    corporate.DATATYPE = -13;
    TDataKensakuRec newer;
    newer.DATAVER = "14.9";
    newer.VERKIND = 2;
    TDataKensakuRec exact;
    exact.DATAVER = "15.0";
    TDataKensakuRec name;
    name.DATANAME = "abc";
    TDataKensakuRec code;
    code.DATACODE = "12 ";
    const Case cases[] = {
        {row(2, 1, 15, 0, "青色一郎", "0001"), wizard, true},
        {row(2, 4, 15, 2, "農業", "0003"), wizard, true},
        {row(1, 1, 15, 0, "株式会社", "0004"), wizard, false},
        {row(2, 1, 14, 9, "旧版", "0005"), wizard, false},
        {row(0, 0, 0, 0, "", ""), wizard, false},
        {row(2, 2, 15, 0, "x", ""), realEstate, true},
        {row(2, 1, 15, 0, "x", ""), realEstate, false},
        {row(3, 1, 15, 0, "x", ""), corporate, true},
        {row(2, 1, 15, 0, "x", ""), corporate, false},
        {row(2, 1, 14, 9, "x", ""), newer, true},
        {row(2, 1, 14, 8, "x", ""), newer, false},
        {row(2, 1, 15, 0, "x", ""), exact, true},
        {row(2, 1, 15, 1, "x", ""), exact, false},
        {row(2, 1, 15, 0, "ＸＡＢＣＹ", ""), name, true},
        {row(2, 1, 15, 0, "xyz", ""), name, false},
        {row(2, 1, 15, 0, "x", "123"), code, true},
        {row(2, 1, 15, 0, "x", "1"), code, false},
    };
    int i = 0;
    for (const auto& c : cases) EXPECT_EQ(PassesJyoken(c.r, c.j), c.pass) << "case " << i++;
}

TEST(DataSentakuLineColour, DamagedAndAlternateLines)
{
    EXPECT_EQ(LineBackColor(3, 1, 0xFFFFFF, 0xE1F0FF), 0x0000FFu);
    EXPECT_EQ(LineBackColor(3, 0, 0xFFFFFF, 0xE1F0FF), 0xE1F0FFu);
    EXPECT_EQ(LineBackColor(2, 0, 0xFFFFFF, 0xE1F0FF), 0xFFFFFFu);
}

TEST(DataSentakuKeys, CaptionsByStateTable)
{
    auto keys = [](TFunctionKeyInput in) { return ComputeFunctionKeys(in); };
    TFunctionKeyInput named;
    named.HasCurrentLine = true;
    named.ENTTEXT = "青色";
    named.VER_MAJOR = 15;

    // This program's type 3: only ESC and F12 act, search is off.
    auto t3 = named;
    t3.SyoriType = 3;
    auto s = keys(t3);
    EXPECT_EQ(s.KeyState, 1);
    for (int k = fkF1; k <= fkF8; ++k) EXPECT_EQ(s.Captions[static_cast<std::size_t>(k)], BareCaptions()[static_cast<std::size_t>(k)]);
    EXPECT_EQ(s.Captions[fkESC], "ESC:ｷｬﾝｾﾙ");
    EXPECT_EQ(s.Captions[fkF12], "F12:選択");
    EXPECT_FALSE(s.SearchEnabled);

    // Type 0, stand-alone, a named local row: no new data over it, no release.
    s = keys(named);
    EXPECT_EQ(s.Captions[fkF2], "F2:コピー");
    EXPECT_EQ(s.Captions[fkF3], "F3:");
    EXPECT_EQ(s.Captions[fkF4], "F4:");
    EXPECT_EQ(s.Captions[fkF5], "F5:ﾃﾞｰﾀ削除");
    EXPECT_TRUE(s.CloudEnabled);

    // An empty slot: nothing to copy, delete or save; the share fetch is offered.
    auto empty = named;
    empty.ENTTEXT.clear();
    s = keys(empty);
    EXPECT_EQ(s.Captions[fkF2], "F2:");
    EXPECT_EQ(s.Captions[fkF3], "F3:新規作成");
    EXPECT_EQ(s.Captions[fkF5], "F5:");
    EXPECT_EQ(s.Captions[fkF6], "F6:");
    EXPECT_TRUE(s.KyoyuDownEnabled);

    // Damaged: nothing but delete, restore, print and ESC.
    auto damaged = named;
    damaged.DATA_STATUS = 1;
    s = keys(damaged);
    for (TFuncKey k : {fkF2, fkF3, fkF4, fkF6, fkF12}) EXPECT_EQ(s.Captions[k], BareCaptions()[k]);
    EXPECT_EQ(s.Captions[fkF5], "F5:ﾃﾞｰﾀ削除");
    EXPECT_FALSE(s.CloudEnabled);

    // Kept on the share with the auto box unticked: cannot be chosen.
    auto kept = named;
    kept.NETDRIVE = 1;
    s = keys(kept);
    EXPECT_EQ(s.Captions[fkF12], "F12:");
    EXPECT_TRUE(s.KyoyuDownEnabled);
    kept.AutoShareFlag = 1;
    EXPECT_EQ(keys(kept).Captions[fkF12], "F12:選択");

    // Fetched by this operator, a consolidated parent: distributed member.
    auto held = named;
    held.NETDRIVE = 1;
    held.KYOYULOCK = 1;
    held.GASSAN = 1;
    s = keys(held);
    EXPECT_EQ(s.Captions[fkF3], "F3:分散追加");
    EXPECT_TRUE(s.KyoyuUpEnabled);

    // Paste pending.
    auto paste = named;
    paste.CopyPending = true;
    s = keys(paste);
    EXPECT_EQ(s.KeyState, 2);
    EXPECT_EQ(s.Captions[fkF2], "F2:貼り付け");
    EXPECT_TRUE(s.CloudEnabled);

    // Client/server, a named row.
    auto server = named;
    server.ConnectMode = 1;
    s = keys(server);
    EXPECT_EQ(s.Captions[fkF3], "F3:持ち出し");
    EXPECT_EQ(s.Captions[fkF4], "F4:領域追加");

    // No line, or a disabled grid.
    TFunctionKeyInput none;
    s = keys(none);
    EXPECT_EQ(s.KeyState, 0);
    for (TFuncKey k : {fkF2, fkF3, fkF4, fkF5, fkF6, fkF7}) EXPECT_EQ(s.Captions[k], BareCaptions()[k]);
    auto disabled = named;
    disabled.GridEnabled = false;
    s = keys(disabled);
    EXPECT_EQ(s.Captions[fkF8], "F8:");
    EXPECT_EQ(s.Captions[fkF12], "F12:");
}

TEST(DataSentakuIncSearch, KeysLinesAndTimer)
{
    const std::pair<int, char> keys[] = {{'7', '7'}, {'K', 'K'}, {96, '0'}, {105, '9'}, {106, '*'}, {111, '/'},
                                         {186, ':'}, {187, ';'}, {189, '-'}, {192, '@'}, {219, '['}, {220, '\\'},
                                         {222, '^'}, {225, '['}, {226, '\\'}};
    for (const auto& [k, c] : keys) EXPECT_EQ(IncSearchChar(k), c) << k;
    EXPECT_FALSE(IncSearchChar(13).has_value());
    const std::vector<std::string> codes = {"1200", "0001", "1234", "ab12", "1299"};
    const std::vector<bool> visible = {true, true, true, true, true};
    EXPECT_EQ(FindIncSearchLine(codes, visible, 0, "12"), 2);
    EXPECT_EQ(FindIncSearchLine(codes, visible, 4, "12"), 0) << "wraps to the top";
    EXPECT_EQ(FindIncSearchLine(codes, visible, 1, "AB"), 3) << "letter case ignored";
    EXPECT_EQ(FindIncSearchLine(codes, visible, 0, "9"), -1);
    EXPECT_EQ(NextIncSearchInterval(0), 500);
    EXPECT_EQ(NextIncSearchInterval(500), 1000);
    EXPECT_EQ(NextIncSearchInterval(1000), 1000);
    EXPECT_EQ(SortKeyOfColumn(3), 2);
    EXPECT_EQ(SortKeyOfColumn(-1), 1);
    EXPECT_EQ(SortKeyOfColumn(1), 7);
    EXPECT_EQ(DisplayFolder("/Home/U/APP/data/0001", "/home/u/app"), "~/data/0001");
}

TEST(DataListKensaku, SortCodesAndKinds)
{
    const std::pair<int, int> stored[] = {{1, 3}, {2, 4}, {3, 5}, {4, 6}, {5, 7}, {6, 1}, {0, 0}, {9, 0}};
    for (const auto& [s, c] : stored) EXPECT_EQ(SortColFromStored(s), c) << s;
    EXPECT_EQ(SortColToStored(2), 0);
    EXPECT_EQ(SortColToStored(1), 6);
    EXPECT_EQ(GetKindIndex(3, 2), 4);
    EXPECT_EQ(GetKindIndex(1, 9), 1);
    EXPECT_EQ(GetKindIndex(2, 4), 6);
    EXPECT_EQ(GetKindIndex(2, 9), 0);
    EXPECT_STREQ(KindChoices()[4].Text, "医療法人");
}

TEST(DataSentakuChecks, GassanPatternsCollationAndSetting)
{
    const std::tuple<int, int, bool> patterns[] = {{0, 1, true},  {0, 2, true},  {10, 1, true}, {1, 2, true}, {2, 1, true},
                                                   {0, 0, false}, {1, 1, false}, {0, 10, false}, {10, 0, false}};
    for (const auto& [s, d, refused] : patterns) EXPECT_EQ(IsForbiddenGassanPattern(s, d), refused) << s << "->" << d;

    TDataFolderInfoRec src, dst;
    src.SHOUGOU = dst.SHOUGOU = "青色商店";
    src.KISHU = dst.KISHU = "2025/01/01";
    src.KIMATU = dst.KIMATU = "2025/12/31";
    src.TOTALSIWAKE = 150;
    dst.TOTALSIWAKE = 142;
    EXPECT_TRUE(CollationLines("貼り付け", src, dst, 0).empty()) << "a larger source count is no difference";
    src.TOTALSIWAKE = 1200;
    dst.TOTALSIWAKE = 1500;
    dst.SHOUGOU = "別会社";
    dst.GASSANKBN = 1;
    dst.KISHU = "bad";
    const std::vector<std::string> expected = {
        "会社名に違いがありました。", "　【復元元】：青色商店", "　【復元先】：別会社",
        "　注）復元を続行した場合は配下の分散データは削除されます。", "", "期首に違いがありました。",
        "　【復元元】：2025/01/01", "　【復元先】：1899/12/30", "仕訳件数(修正・削除仕訳含む)が減っています。",
        "　【復元元】：1,200 件", "　【復元先】：1,500 件"};
    EXPECT_EQ(CollationLines("復元", src, dst, 0), expected);
    EXPECT_EQ(CollationLines("復元", src, dst, 1).size(), expected.size() - 2) << "the note only in stand-alone mode";

    using P = std::optional<std::pair<int, int>>;
    EXPECT_EQ(GassanSettingToWrite(0, 10, 0, 0), (P{{10, 0}}));
    EXPECT_EQ(GassanSettingToWrite(0, 0, 0, 0), P{});
    EXPECT_EQ(GassanSettingToWrite(1, 2, 3, 0), (P{{2, 3}}));
    EXPECT_EQ(GassanSettingToWrite(10, 1, 3, 0), (P{{0, 0}}));
    EXPECT_EQ(GassanSettingToWrite(10, 10, 0, 0), P{});
    EXPECT_EQ(GassanSettingToWrite(1, 2, 3, 1), (P{{0, 0}}));
}

// The details dialog's rule: who may clear a status that hangs, what may be changed, what is shown.
TEST(DataSyosaiRules, StatusClearEditingAndButtons)
{
    const int me = 10000 * 10000 + 10, other = 10000 * 10000 + 11;
    const struct {
        int mode, status, opcode;
        bool all;
        int clear, editable;
        bool ok;
    } cases[] = {
        {0, 1, 0, false, 0, 1, true},       // free
        {0, 2, other, false, 0, 1, true},   // in use by another operator: not this one's to clear
        {0, 2, me, false, 1, 0, true},      // left in use by this operator
        {0, 2, other, true, 1, 0, true},    // an operator who may use every data set
        {1, 2, other, false, 0, 1, true},   // in use counts as free on a server
        {1, 4, me, false, 1, 0, true},      // saving, left by this operator
        {0, 3, me, false, 1, 0, true},      // data lock: never editable
        {0, 10, me, false, 1, 0, false},    // damaged: neither OK nor the clear box
        {0, 0, 0, false, 0, 0, false},      // cannot be opened
    };
    for (const auto& c : cases) {
        TSyosaiInput in;
        in.HasCompany = true;
        in.ConnectMode = c.mode;
        in.Info.STATUS = static_cast<std::uint8_t>(c.status);
        in.Info.OPCODE = c.opcode;
        in.Info.MAJOR = 15;
        in.AllSisetuAllowed = c.all;
        in.OpCode = me;
        in.GroupId = 10000;
        const TSyosaiState s = SyosaiStateOf(in);
        const std::string at = "mode " + std::to_string(c.mode) + " status " + std::to_string(c.status);
        EXPECT_EQ(s.StatusClearAllowed, c.clear) << at;
        EXPECT_EQ(s.Editable, c.editable) << at;
        EXPECT_EQ(s.OkVisible, c.ok) << at;
        EXPECT_EQ(s.StatusClearVisible, c.clear == 1 && c.status != 10) << at;
    }

    // Journal entry can be forbidden from data version 12.0.0 on; a row without company is fixed.
    TSyosaiInput in;
    in.HasCompany = true;
    in.Info.MAJOR = 11;
    in.Info.MINOR2 = 1;
    EXPECT_FALSE(SyosaiStateOf(in).ReadOnlyEnabled);
    in.Info.MAJOR = 12;
    in.Info.MINOR2 = 0;
    EXPECT_TRUE(SyosaiStateOf(in).ReadOnlyEnabled);
    in.HasCompany = false;
    EXPECT_EQ(SyosaiStateOf(in).Editable, 0);
    EXPECT_FALSE(SyosaiStateOf(in).ReadOnlyEnabled);

    // Rebuilding: local rows and shares held here; on the shared list, areas not taken out.
    const struct {
        int list, netdrive, kyoyulock, shareStatus, allowed;
    } rebuild[] = {{0, 0, 0, 1, 1}, {0, 1, 0, 1, 0}, {0, 1, 1, 2, 1}, {1, 1, 0, 1, 1}, {1, 1, 0, 2, 0}};
    for (const auto& r : rebuild) {
        TSyosaiInput x;
        x.HasCompany = true;
        x.ListType = r.list;
        x.NETDRIVE = r.netdrive;
        x.KYOYULOCK = r.kyoyulock;
        x.Info.SHARE_STATUS = static_cast<std::uint8_t>(r.shareStatus);
        EXPECT_EQ(SyosaiStateOf(x).RebuildAllowed, r.allowed) << r.list << r.netdrive << r.kyoyulock << r.shareStatus;
    }
    EXPECT_EQ(DataKbnText(2, 4), "個人(農業)");
    EXPECT_EQ(DataKbnText(3, 2), "設定なし");
    EXPECT_EQ(SyosaiDisplayPath("/home/u/.local/share/zandrel/data/0001", "/home/u/.local/share/zandrel", "パヴォナ財務"),
              "[パヴォナ財務のデータ]/data/0001");
}
