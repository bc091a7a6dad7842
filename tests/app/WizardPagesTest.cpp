// The wizard pages' decisions without a window: kind of income, the options page, the output-file
// checks, the summary text, the order of the data checks and what a Finish result means.

#include "app/WizardPages.h"
#include "common/TestDb.h"
#include "common/TestEnv.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

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

namespace {

// The check as an ordinary user sees it: root may write anywhere, so as root the check runs in a
// child process that has become "nobody".
std::string CheckAsOrdinaryUser(const std::string& text, const std::string& docs)
{
    if (::geteuid() != 0) return CheckExportFile(text, docs);
    int fds[2];
    if (::pipe(fds) != 0) return "pipe failed";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        const std::string r = CheckExportFile(text, docs);
        const ssize_t n = ::write(fds[1], r.data(), r.size());
        ::_exit(n == static_cast<ssize_t>(r.size()) ? 0 : 3);
    }
    ::close(fds[1]);
    std::string out;
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : "child failed";
}

} // namespace

TEST(WizardPages, OutputFileChecksGiveEachReasonItsOwnMessage)
{
    kbtest::TempDir dir;
    const fs::path docs = dir.path() / "docs", home = dir.path() / "home";
    fs::create_directories(docs);
    fs::create_directories(home);
    kbtest::ScopedEnv env("HOME", home.string());
    std::ofstream(dir.path() / "plain") << "x";
    const std::string d = dir.path().string();
    const std::string next = "\r別のﾄﾞﾗｲﾌﾞまたはﾌｫﾙﾀﾞを指定してから[次へ]をｸﾘｯｸしてください。\r";
    const std::string notGiven = "中間ﾌｧｲﾙが指定されていません。\r指定してから[次へ]をｸﾘｯｸしてください。\r";
    struct Case {
        const char* name;
        std::string text, documents, want;
    };
    const Case cases[] = {
        {"empty", "", docs, notGiven},
        {"no file name part", d + "/sub/", docs, notGiven},
        {"bare name: the Documents folder", "a.xml", docs, ""},
        {"full path", d + "/a.xml", docs, ""},
        {"home folder", "~/x.xml", docs, ""},
        {"missing folder", d + "/missing/a.xml", docs, "指定されたﾌｫﾙﾀﾞ(" + d + "/missing)が見つかりません。" + next},
        {"bare name, Documents missing", "a.xml", d + "/nodocs", "指定されたﾌｫﾙﾀﾞ(" + d + "/nodocs)が見つかりません。" + next},
        {"a file as the folder", d + "/plain/a.xml", docs, "指定されたﾌｫﾙﾀﾞ(" + d + "/plain)はﾌｫﾙﾀﾞではありません。" + next},
        {"an existing folder as the file", docs.string(), docs,
         "指定された中間ﾌｧｲﾙ(" + docs.string() + ")は既存のﾌｫﾙﾀﾞです。\rﾌｫﾙﾀﾞの中のﾌｧｲﾙ名を指定してから[次へ]をｸﾘｯｸしてください。\r"},
        {"the home folder as the file", "~", docs,
         "指定された中間ﾌｧｲﾙ(" + home.string() + ")は既存のﾌｫﾙﾀﾞです。\rﾌｫﾙﾀﾞの中のﾌｧｲﾙ名を指定してから[次へ]をｸﾘｯｸしてください。\r"},
        {"the system drive's root", "/a.xml", docs, "ｼｽﾃﾑﾄﾞﾗｲﾌﾞ(/)直下にﾌｧｲﾙは指定できません。" + next},
    };
    for (const Case& c : cases) EXPECT_EQ(CheckExportFile(c.text, c.documents), c.want) << c.name;
    EXPECT_EQ(ResolveExportFile("a.xml", docs), (docs / "a.xml").string());
    EXPECT_EQ(ResolveExportFile("~/x.xml", docs), (home / "x.xml").string());
    EXPECT_EQ(ResolveExportFile("~user/x.xml", docs), "~user/x.xml");
    EXPECT_EQ(ResolveExportFile("/x/a.xml", docs), "/x/a.xml");

    // A folder the user may not write into.
    const fs::path ro = dir.path() / "ro";
    fs::create_directories(ro);
    fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(dir.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    EXPECT_EQ(CheckAsOrdinaryUser((ro / "a.xml").string(), docs.string()),
              "指定されたﾌｫﾙﾀﾞ(" + ro.string() + ")にﾌｧｲﾙを作成する権限がありません。" + next);
}

TEST(WizardPages, AFailedWriteIsExplainedFromTheFileAndItsFolder)
{
    kbtest::TempDir dir;
    fs::create_directories(dir.path() / "taken.xml");
    EXPECT_EQ(DiagnoseWriteFailure((dir.path() / "missing" / "a.xml").string()), ENOENT);
    EXPECT_EQ(DiagnoseWriteFailure((dir.path() / "taken.xml").string()), EISDIR);
    EXPECT_EQ(DiagnoseWriteFailure((dir.path() / "a.xml").string()), 0);
    EXPECT_EQ(WriteFailureText("/w/taken.xml", EISDIR),
              "中間ﾌｧｲﾙ(/w/taken.xml)を保存できませんでした。\r同じ名前のﾌｫﾙﾀﾞがあるため、ﾌｧｲﾙを作成できません。\r");
    EXPECT_EQ(WriteFailureText("/w/a.xml", ENOSPC), "中間ﾌｧｲﾙ(/w/a.xml)を保存できませんでした。\rﾃﾞｨｽｸの空き容量が足りません。\r");
    EXPECT_EQ(WriteFailureText("/w/a.xml", 0), "中間ﾌｧｲﾙ(/w/a.xml)を保存できませんでした。\rﾌｧｲﾙを書き込めませんでした。\r");
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
