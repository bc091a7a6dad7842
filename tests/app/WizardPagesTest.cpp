// The wizard pages' decisions without a window: kind of income, the options page, the output-file
// checks, the summary text, the order of the data checks and what a Finish result means.

#include "app/WizardPages.h"
#include "common/TestDb.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace kb;

TEST(WizardPages, KindOfIncomeByDataKindAndCodeType)
{
    struct Case {
        int dataType, codeType;
        bool other;
        int want;
    };
    const Case cases[] = {
        {2, 1, false, 1}, {2, 1, true, 2},  {2, 3, false, 1}, {2, 3, true, 2}, {2, 9, false, 1},
        {2, 2, false, 3}, {2, 2, true, 3},  {2, 4, true, 4},  {1, 1, false, 0}, {3, 1, false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SyotokuSyuruiOf(c.dataType, c.codeType, c.other), c.want) << c.dataType << "/" << c.codeType << "/" << c.other;
    EXPECT_EQ(SyotokuSyuruiText(1), "営業所得用");
    EXPECT_EQ(SyotokuSyuruiText(2), "その他所得用");
    EXPECT_EQ(SyotokuSyuruiText(3), "不動産所得用");
    EXPECT_EQ(SyotokuSyuruiText(4), "農業所得用");
    EXPECT_EQ(SyotokuSyuruiText(0), "");
}

TEST(WizardPages, OptionsPageByKindOfIncome)
{
    for (int kind : {1, 2}) {
        const TOptionsLayout l = OptionsLayoutOf(kind);
        EXPECT_TRUE(l.IncomeGroupVisible);
        EXPECT_FALSE(l.TaxGroupMoved);
        EXPECT_EQ(l.DetailsCaption, "「給料賃金の内訳」を始めとした情報を含める");
    }
    EXPECT_FALSE(OptionsLayoutOf(3).IncomeGroupVisible);
    EXPECT_TRUE(OptionsLayoutOf(3).TaxGroupMoved);
    EXPECT_EQ(OptionsLayoutOf(3).DetailsCaption, "「給料賃金の内訳」を始めとした情報を含める");
    EXPECT_EQ(OptionsLayoutOf(4).DetailsCaption, "「収入金額の内訳」を始めとした情報を含める");
}

TEST(WizardPages, OutputFileChecks)
{
    kbtest::TempDir dir;
    const std::string docs = dir.path().string();
    const std::string notGiven = kNoExportFile;
    EXPECT_EQ(CheckExportFile("", docs), notGiven);
    EXPECT_EQ(CheckExportFile((dir / "sub/").string(), docs), notGiven);
    // Writable folders: a full path, and a bare name, which goes into the Documents folder.
    EXPECT_EQ(CheckExportFile((dir / "a.xml").string(), docs), "");
    EXPECT_EQ(CheckExportFile("a.xml", docs), "");
    EXPECT_EQ(ResolveExportFile("a.xml", docs), (dir / "a.xml").string());
    EXPECT_EQ(ResolveExportFile("/x/a.xml", docs), "/x/a.xml");
    // Folders nobody can write into: missing, or not a folder at all.
    const std::string missing = (dir / "missing").string();
    EXPECT_EQ(CheckExportFile(missing + "/a.xml", docs),
              "ｼｽﾃﾑﾄﾞﾗｲﾌﾞ(" + missing + ")直下にﾌｧｲﾙは指定できません。\r別のﾄﾞﾗｲﾌﾞまたはﾌｫﾙﾀﾞを指定してから[次へ]をｸﾘｯｸしてください。\r");
    std::ofstream(dir / "plain") << "x";
    EXPECT_NE(CheckExportFile((dir / "plain" / "a.xml").string(), docs), "");
    EXPECT_NE(CheckExportFile("a.xml", missing), "");
}

TEST(WizardPages, MonthOffsetsOfThePeriodPanel)
{
    const int want[16] = {1, 2, 3, 3, 4, 5, 6, 6, 7, 8, 9, 9, 10, 11, 12, 12};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(MonthOffsetOfPeriod(i), want[i]) << i;
    EXPECT_EQ(MonthOffsetOfPeriod(16), 0);
}

namespace {
TSummaryInput GeneralFixture()
{
    TSummaryInput in;
    in.KomonsakiName = "青色商店";
    in.Nendo = 7;
    in.JigyouNendoFrom = Date(2025, 1, 1);
    in.JigyouNendoTo = Date(2025, 12, 31);
    in.ClosingDay = 99;
    in.SyotokuSyurui = 1;
    in.Stno = 0;
    in.Edno = 15;
    in.LastNo = 15;
    in.TaxMode = 0;
    in.DocumentsDir = "/home/u/Documents";
    in.ExportFileText = "kenbo.xml";
    return in;
}
} // namespace

TEST(WizardPages, SummaryStartedByTheUser)
{
    EXPECT_EQ(MakeSummary(GeneralFixture()),
              (std::vector<std::string>{"【連動元情報】", " 会社名        : 青色商店", " 会計年度      : 7 期",
                                        " 会計期間      : 2025年 1月 1日 ～ 2025年12月31日", "", "【データ区分】",
                                        " 所得種類      : 営業所得用", "", "【計算条件】", " 計算対象期間  : 2025年 1月 ～ 25年12月",
                                        " 消費税計算区分: 税込み", "", "【中間ファイル】", " /home/u/Documents/kenbo.xml"}));
}

TEST(WizardPages, SummaryVariants)
{
    TSummaryInput in = GeneralFixture();
    in.StartedByUser = false;
    in.Nendo = 0;
    in.TaxMode = 1;
    in.SyotokuSyurui = 4;
    in.Stno = 4; // May
    in.Edno = 4;
    const std::vector<std::string> s = MakeSummary(in);
    ASSERT_EQ(s.size(), 11u); // no output-file block for a caller
    EXPECT_EQ(s[2], " 会計年度      : - 期");
    EXPECT_EQ(s[6], " 所得種類      : 農業所得用");
    EXPECT_EQ(s[9], " 計算対象期間  : 2025年 4月"); // one period: no end month
    EXPECT_EQ(s[10], " 消費税計算区分: 税抜き");
    // A year whose last period is not the settlement: the end month is one earlier.
    in.Stno = 0;
    in.Edno = 14;
    in.LastNo = 14;
    EXPECT_EQ(MakeSummary(in)[9], " 計算対象期間  : 2025年 1月 ～ 25年11月");
}

TEST(WizardPages, DataChecksRunInOrderAndStopAtTheFirstRefusal)
{
    struct Case {
        std::string version;
        bool password, operatorOk, branches;
        std::vector<std::string> wantCalls;
        std::vector<std::string> wantLines; // empty: accepted
    };
    const Case cases[] = {
        {"15.0.0", true, true, true, {"ver", "pw", "op", "br"}, {}},
        {"15.1", true, true, true, {"ver", "pw", "op", "br"}, {}},
        {"14.9.0", true, true, true, {"ver"},
         {"このプログラムで処理できるデータバージョンに達していません。", "データバージョン:15.0.0以降のデータを選択して下さい。"}},
        {"0.0.0", true, true, true, {"ver"}, {"このプログラムで処理できるデータバージョンに達していません。", "データバージョン:15.0.0以降のデータを選択して下さい。"}},
        {"15.0.0", false, true, true, {"ver", "pw"}, {"このデータに設定されている「パスワード」と一致しませんでした。"}},
        {"15.0.0", true, false, true, {"ver", "pw", "op"}, {"このデータを扱う権限がありません。"}},
        {"15.0.0", true, true, false, {"ver", "pw", "op", "br"},
         {"このデータを扱う権限が不足しています。（支店毎の処理権限をすべて有していない）"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> calls;
        TDataCheckSteps s;
        s.DataVersion = [&] { calls.push_back("ver"); return c.version; };
        s.CheckDataPassword = [&] { calls.push_back("pw"); return c.password; };
        s.OperatorMayUse = [&] { calls.push_back("op"); return c.operatorOk; };
        s.HasAllBranchRights = [&] { calls.push_back("br"); return c.branches; };
        const auto r = RunDataChecks(s, "15.0.0");
        EXPECT_EQ(calls, c.wantCalls) << c.version;
        EXPECT_EQ(r.value_or(std::vector<std::string>{}), c.wantLines) << c.version;
    }
}

TEST(WizardPages, FinishOutcomes)
{
    const TFinishOutcome userOk = FinishOutcomeOf(kRendoWritten, true);
    EXPECT_EQ(userOk.Outcome, 0);
    EXPECT_EQ(userOk.MessageKind, 2);
    EXPECT_EQ(userOk.Message, "中間ファイルが作成されました。\r");
    const TFinishOutcome callerOk = FinishOutcomeOf(kRendoWritten, false);
    EXPECT_EQ(callerOk.Outcome, 0);
    EXPECT_EQ(callerOk.MessageKind, -1); // no box for a caller
    for (bool user : {true, false}) {
        const TFinishOutcome failed = FinishOutcomeOf(kRendoFailed, user);
        EXPECT_EQ(failed.Outcome, 2);
        EXPECT_EQ(failed.MessageKind, 1);
        EXPECT_EQ(failed.Message, "中間ファイルの作成に失敗しました。\r");
    }
}
