// Whole runs of the program: the e2e driver plays the user (or the calling application) against a
// data root built by the fixture builder, and the tests look at what it showed, the linkage file,
// the outcome a caller receives and the state the data sets are left in. Expected figures are the
// hand-written DATA of the general fixture (tests/linkage/expected, from tests/fixtures/README.md).

#include "FixtureBuilder.h"
#include "Isql.h"
#include "comm/xPzConv.h"
#include "common/CommPeer.h"
#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "core/z5EasyEncode.h"
#include "fb/Database.h"
#include "linkage/z5ComGenkaSyokyaku.h"
#include "linkage/st14TestSupport.h"
#include "platform/CallerWindow.h"
#include "platform/ChildProcess.h"
#include "platform/IniFile.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using kbtest::BuildDir;
using kbtest::SourceDir;
struct DriverRun {
    int exitCode = -1;
    std::string output;
    bool Shows(const std::string& text) const { return output.find(text) != std::string::npos; }
    int Count(const std::string& text) const
    {
        int n = 0;
        for (std::size_t p = output.find(text); p != std::string::npos; p = output.find(text, p + 1)) ++n;
        return n;
    }
};

class RendoRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = dir / "root";
        runtime = dir / "run";
        fs::create_directories(runtime);
        env.Set("KB_RUNTIME_DIR", runtime.string());
        kbtest::PrepareFirebird();
        kbtest::fixture::BuildDataRoot(root);
        // The association's name of the hand-written DATA (the fixture leaves it empty).
        Sql(fs::path(Data(1)) / "vqacc.fdb", "UPDATE ACCDEF1 SET AO_KANYU='新宿青色申告会';\nCOMMIT;\n");
        out = dir / "out";
        fs::create_directories(out);
    }

    // The driver started with args; its output goes to log.
    std::unique_ptr<kb::ChildProcess> Launch(std::vector<std::string> args, fs::path& log)
    {
        std::vector<std::string> argv = {(BuildDir() / "kb-e2e-driver").string(), "--root", root.string()};
        argv.insert(argv.end(), args.begin(), args.end());
        auto p = std::make_unique<kb::ChildProcess>(argv);
        p->SetEnv("QT_QPA_PLATFORM", "offscreen");
        p->SetEnv("KB_RUNTIME_DIR", runtime.string());
        p->SetEnv("KB_COMPUTER_NAME", "PC-A");
        log = dir / ("driver" + std::to_string(++runs) + ".log");
        p->SetOutputFile(log);
        p->Start();
        return p;
    }

    // Whether a driver started with --wait-at reached that point and still runs.
    static bool WaitUntilWaiting(kb::ChildProcess& p, const fs::path& log, const std::string& point)
    {
        const auto ready = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (kbtest::ReadFile(log).find("KB-WAITING " + point) == std::string::npos && p.Running() &&
               std::chrono::steady_clock::now() < ready)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return kbtest::ReadFile(log).find("KB-WAITING " + point) != std::string::npos && p.Running();
    }

    DriverRun Drive(std::vector<std::string> args)
    {
        fs::path log;
        const auto p = Launch(std::move(args), log);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
        p->WaitPolling([&] { return std::chrono::steady_clock::now() > deadline; }, std::chrono::milliseconds(50));
        DriverRun r;
        r.exitCode = p->ExitCode();
        r.output = kbtest::ReadFile(log);
        return r;
    }

    std::string Data(int n) const
    {
        char b[8];
        std::snprintf(b, sizeof b, "%04d", n);
        return (root / "data" / b).string();
    }

    std::string IniValue(const fs::path& folder, const char* section, const char* key) const
    {
        return kb::IniFile(folder / "vqacc.ini").ReadString(section, key, "?");
    }

    void Sql(const fs::path& db, const std::string& script) { kbtest::RunIsql(db, script); }

    // A cancelled run: no file, the data set free again, and the caller's last message the post
    // of outcome 1.
    void ExpectCancelledAndReleased(kb::CallerWindowReceiver& caller, const fs::path& file)
    {
        EXPECT_FALSE(fs::exists(file));
        EXPECT_EQ(IniValue(Data(1), "DATASTS", "STATUS"), "1");
        const auto msgs = caller.Drain();
        ASSERT_FALSE(msgs.empty());
        EXPECT_EQ(msgs.back().kind, kb::CallerWindowMessage::Kind::Post);
        EXPECT_EQ(msgs.back().lparam, 1);
    }

    kbtest::TempDir dir;
    kbtest::ScopedEnv env;
    fs::path root, runtime, out;
    int runs = 0;
};

// The DATA lines of a linkage file against the hand-written expectation.
void ExpectData(const fs::path& written, const fs::path& expected)
{
    using namespace kbtest::linkage;
    const XmlTree w(kbtest::ReadFile(written)), e(kbtest::ReadFile(expected));
    ASSERT_TRUE(w.Root()) << "not XML: " << written;
    auto dataOnly = [](std::vector<std::string> lines) {
        lines.erase(std::remove_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("REPORT/DATA", 0) != 0; }),
                    lines.end());
        return lines;
    };
    const auto a = dataOnly(Lines(e)), b = dataOnly(Lines(w));
    EXPECT_EQ(a, b) << LineDiff(a, b);
}

// Assets of every method added to the general data set: each declining-balance and straight-line
// generation at lives 4, 5, 7, 22, 39 and 60, a revised-rate case of each declining balance, the
// methods without a rate table, and one asset of every table method at every life from 2 to 100.
// The run goes through; each listed asset's figures are the published rates applied by hand
// (fiscal year 2025, twelve months of use, every product whole yen, so no rounding mode enters).
TEST_F(RendoRunTest, AssetsOfEveryMethodAndLifeAreDepreciatedFromThePublishedRates)
{
    struct Want {
        const char* name;
        int method, life;
        const char* acquired;
        long long cost, opening;
        double rate;        // Syouritu
        long long futu;     // ordinary depreciation
        long long hosyou;   // guarantee amount
        double kaitei;      // revised rate
        int jyokyo;
    };
    // 200 %: acquired this year, K = cost 1,000,000; guarantee = cost x guarantee rate.
    // Straight line (2007 rules): cost 1,000,000 x rate. 250 %: cost 2,000,000 of 2010, opening
    // 1,000,000: K x rate, guarantee 2,000,000 x rate. Old rules (2000): cost 1,000,000, opening
    // 800,000; straight line on 90 % = 900,000, declining balance on the opening value.
    const Want wants[] = {
        {"200%-4", 2, 4, "2025-01-01", 1000000, 0, 0.500, 500000, 124990, 1.000, 0},
        {"200%-5", 2, 5, "2025-01-01", 1000000, 0, 0.400, 400000, 108000, 0.500, 0},
        {"200%-7", 2, 7, "2025-01-01", 1000000, 0, 0.286, 286000, 86800, 0.334, 0},
        {"200%-22", 2, 22, "2025-01-01", 1000000, 0, 0.091, 91000, 31820, 0.100, 0},
        {"200%-39", 2, 39, "2025-01-01", 1000000, 0, 0.051, 51000, 18600, 0.053, 0},
        {"200%-60", 2, 60, "2025-01-01", 1000000, 0, 0.033, 33000, 12400, 0.034, 0},
        {"定額-4", 1, 4, "2025-01-01", 1000000, 0, 0.250, 250000, 0, 0, 0},
        {"定額-5", 1, 5, "2025-01-01", 1000000, 0, 0.200, 200000, 0, 0, 0},
        {"定額-7", 1, 7, "2025-01-01", 1000000, 0, 0.143, 143000, 0, 0, 0},
        {"定額-22", 1, 22, "2025-01-01", 1000000, 0, 0.046, 46000, 0, 0, 0},
        {"定額-39", 1, 39, "2025-01-01", 1000000, 0, 0.026, 26000, 0, 0, 0},
        {"定額-60", 1, 60, "2025-01-01", 1000000, 0, 0.017, 17000, 0, 0, 0},
        {"250%-4", 2, 4, "2010-01-01", 2000000, 1000000, 0.625, 625000, 105480, 1.000, 1},
        {"250%-5", 2, 5, "2010-01-01", 2000000, 1000000, 0.500, 500000, 124980, 1.000, 1},
        {"250%-7", 2, 7, "2010-01-01", 2000000, 1000000, 0.357, 357000, 109920, 0.500, 1},
        {"250%-22", 2, 22, "2010-01-01", 2000000, 1000000, 0.114, 114000, 45920, 0.125, 1},
        {"250%-39", 2, 39, "2010-01-01", 2000000, 1000000, 0.064, 64000, 27400, 0.067, 1},
        {"250%-60", 2, 60, "2010-01-01", 2000000, 1000000, 0.042, 42000, 17900, 0.044, 1},
        {"旧定額-4", 1, 4, "2000-01-01", 1000000, 800000, 0.250, 225000, 0, 0, 1},
        {"旧定額-5", 1, 5, "2000-01-01", 1000000, 800000, 0.200, 180000, 0, 0, 1},
        {"旧定額-7", 1, 7, "2000-01-01", 1000000, 800000, 0.142, 127800, 0, 0, 1},
        {"旧定額-22", 1, 22, "2000-01-01", 1000000, 800000, 0.046, 41400, 0, 0, 1},
        {"旧定額-39", 1, 39, "2000-01-01", 1000000, 800000, 0.026, 23400, 0, 0, 1},
        {"旧定額-60", 1, 60, "2000-01-01", 1000000, 800000, 0.017, 15300, 0, 0, 1},
        {"旧定率-4", 2, 4, "2000-01-01", 1000000, 800000, 0.438, 350400, 0, 0, 1},
        {"旧定率-5", 2, 5, "2000-01-01", 1000000, 800000, 0.369, 295200, 0, 0, 1},
        {"旧定率-7", 2, 7, "2000-01-01", 1000000, 800000, 0.280, 224000, 0, 0, 1},
        {"旧定率-22", 2, 22, "2000-01-01", 1000000, 800000, 0.099, 79200, 0, 0, 1},
        {"旧定率-39", 2, 39, "2000-01-01", 1000000, 800000, 0.057, 45600, 0, 0, 1},
        {"旧定率-60", 2, 60, "2000-01-01", 1000000, 800000, 0.038, 30400, 0, 0, 1},
        // Revised rate: 250 % life 22, opening 300,000: 300,000 x 0.114 = 34,200 is below the
        // guarantee 2,000,000 x 0.02296 = 45,920, so 300,000 x 0.125 = 37,500 (status 改定償却).
        {"250%-22改定", 2, 22, "2010-01-01", 2000000, 300000, 0.114, 37500, 45920, 0.125, 5},
        // 200 % life 60 of 2013, opening 300,000: 9,900 below 1,000,000 x 0.01240 = 12,400, so
        // 300,000 x 0.034 = 10,200.
        {"200%-60改定", 2, 60, "2013-01-01", 1000000, 300000, 0.033, 10200, 12400, 0.034, 5},
        // Equal amortisation over 4 years: 400,000 / 4; lump sum: 300,000 / 3; lease of 60
        // months: 600,000 x 12 / 60.
        {"均等-4", 3, 4, "2025-01-01", 400000, 0, 0, 100000, 0, 0, 0},
        {"一括", 4, 3, "2025-01-01", 300000, 0, 0, 100000, 0, 0, 0},
        {"リース-60", 6, 60, "2025-01-01", 600000, 0, 0, 120000, 0, 0, 0},
    };
    std::string script;
    int rec = 100;
    auto add = [&](const std::string& name, int method, int life, const std::string& acquired, long long cost,
                   long long opening) {
        ++rec;
        script += "INSERT INTO KS_SISAN (REC, KANRI, MEISYOU, SURYO, GSHOUHOU, SYUTODATE, SYUTOKIN, KISYUMISYOUKIN,"
                  " TAIYOUYY, SYOUKIKANSTR, SYOUKIKANEND, SYOUKINKEI, MATUMISYOUKIN, JIGYOUWARIAI_NEW) VALUES (" +
                  std::to_string(rec) + ", 'Z" + std::to_string(rec) + "', '" + name + "', 1, " + std::to_string(method) +
                  ", '" + acquired + "', " + std::to_string(cost) + ", " + std::to_string(opening) + ", " +
                  std::to_string(life) + ", 1, 12, 0, 1000, 100);\n";
    };
    for (const Want& w : wants) add(w.name, w.method, w.life, w.acquired, w.cost, w.opening);
    const char* generations[][2] = {{"2025-01-01", "n"}, {"2010-01-01", "k"}, {"2000-01-01", "o"}};
    for (int life = 2; life <= 100; ++life)
        for (const auto& [acquired, tag] : generations)
            for (int method : {1, 2})
                add(std::string("sweep-") + tag + std::to_string(method) + "-" + std::to_string(life), method, life,
                    acquired, 1000000, 500000);
    Sql(fs::path(Data(1)) / "vqacc.fdb", script + "COMMIT;\n");

    const fs::path file = out / "assets.xml";
    const DriverRun r = Drive({"--data", Data(1), "--details", "--output", file.string()});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_FALSE(r.Shows("償却率表に収録されていない")) << r.output;
    // The statement's amounts come from the ledger: the added register rows change none of them.
    ExpectData(file, SourceDir() / "tests/linkage/expected/ippan-general-fixture.xml");

    kb::fb::Connection db;
    kb::fb::Transaction tr;
    db.SetDatabaseName((fs::path(Data(1)) / "vqacc.fdb").string());
    db.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
    db.SetDefaultTransaction(&tr);
    tr.SetDefaultDatabase(&db);
    db.Open();
    const auto settei = kb::TGenkaSettei::ForYear(kb::Date(2025, 1, 1), kb::Date(2025, 12, 31), 99, 2, 0, 1, 0);
    const kb::TGenkaRowsLayout rows = kb::ReadGenkaRows(db, tr, settei, 11, true);
    EXPECT_EQ(rows.GenkaRows.size(), 3u + std::size(wants) + 99u * 6u);
    EXPECT_TRUE(rows.GenkaBessi);
    kb::TGenkaSyokyakuSisanCalc calc(settei, db, tr);
    for (std::size_t i = 0; i < std::size(wants); ++i) {
        const Want& w = wants[i];
        SCOPED_TRACE(w.name);
        kb::TGenkaSyokyakuSisanRec got;
        calc.Calc(static_cast<std::int32_t>(101 + i), got);
        EXPECT_EQ(got.TaiyouYY, w.life);
        EXPECT_EQ(got.Syouritu, kb::Currency::FromRaw(std::llround(w.rate * 10000)));
        EXPECT_EQ(got.FutuSyoukin, kb::Currency::FromYen(w.futu));
        EXPECT_EQ(got.Hosyougaku, static_cast<double>(w.hosyou));
        EXPECT_EQ(std::llround(got.KaiteiSyouritu * 1000), std::llround(w.kaitei * 1000));
        EXPECT_EQ(got.Jyokyo, w.jyokyo);
        // The statement row the reader listed carries the same figures.
        const auto row = std::find_if(rows.GenkaRows.begin(), rows.GenkaRows.end(),
                                      [&](const kb::TGenkaSyokyakuRec& g) { return g.Meisyou == w.name; });
        ASSERT_NE(row, rows.GenkaRows.end());
        EXPECT_EQ(row->FutuSyoukin, got.FutuSyoukin);
    }
    for (const kb::TGenkaSyokyakuRec& g : rows.GenkaRows)
        if (g.Meisyou.rfind("sweep-", 0) == 0) EXPECT_GT(g.FutuSyoukin, kb::Currency()) << g.Meisyou;
}

TEST_F(RendoRunTest, StartedByTheUserTheGeneralDataSetGivesTheHandComputedFile)
{
    const fs::path file = out / "kenbo.xml";
    const DriverRun r = Drive({"--data", Data(1), "--details", "--output", file.string()});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(r.Shows("KB-LIST データ区分=個人／一般")) << r.output;
    EXPECT_TRUE(r.Shows("KB-SUMMARY  所得種類      : 営業所得用"));
    EXPECT_TRUE(r.Shows("KB-SUMMARY  会計期間      : 2025年 1月 1日 ～ 2025年12月31日"));
    EXPECT_TRUE(r.Shows("KB-SUMMARY  " + file.string()));
    EXPECT_TRUE(r.Shows("KB-MESSAGE 2: 中間ファイルが作成されました。"));
    ExpectData(file, SourceDir() / "tests/linkage/expected/ippan-general-fixture.xml");
    // The envelope: who wrote it, for whom.
    using namespace kbtest::linkage;
    const XmlTree w(kbtest::ReadFile(file));
    const auto lines = Lines(w);
    for (const char* want : {"REPORT/SYSTEM/GYOUMUPREFIX = ST14", "REPORT/BASIC/KOMONSAKINAME = 青色商店",
                             "REPORT/BASIC/JIGYOUNENDOFROM = 20250101", "REPORT/BASIC/SYOTOKUSYURUI = 1"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), want), lines.end()) << want;
    // Use ended: the folder is free again.
    EXPECT_EQ(IniValue(Data(1), "DATASTS", "STATUS"), "1");
}

TEST_F(RendoRunTest, StartedByTheCallerTheOutcomeZeroIsPostedAndNoBoxIsShown)
{
    const kb::WindowHandle handle = 424242;
    kb::CallerWindowReceiver caller(handle);
    const fs::path file = out / "caller.xml";
    const DriverRun r = Drive({"--data", Data(1), "--details", "--caller", std::to_string(handle) + ",1025,1," + file.string()});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_FALSE(r.Shows("中間ファイルが作成されました。"));
    EXPECT_FALSE(r.Shows("KB-PAGE page4"));
    EXPECT_FALSE(r.Shows("【中間ファイル】"));
    ExpectData(file, SourceDir() / "tests/linkage/expected/ippan-general-fixture.xml");
    EXPECT_EQ(IniValue(Data(1), "DATASTS", "STATUS"), "1");
    bool posted = false;
    for (const kb::CallerWindowMessage& m : caller.Drain())
        if (m.kind == kb::CallerWindowMessage::Kind::Post) {
            posted = true;
            EXPECT_EQ(m.message, 1025u);
            EXPECT_EQ(m.wparam, 1u);
            EXPECT_EQ(m.lparam, 0);
        }
    EXPECT_TRUE(posted);
}

TEST_F(RendoRunTest, CancellingAnswersOneAndWritesNothing)
{
    const kb::WindowHandle handle = 434343;
    kb::CallerWindowReceiver caller(handle);
    const fs::path file = out / "cancel.xml";
    const DriverRun r = Drive({"--data", Data(1), "--cancel-at", "page5", "--caller", std::to_string(handle) + ",1025,2," + file.string()});
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_TRUE(r.Shows("[キャンセル]ボタンが押されました。"));
    ExpectCancelledAndReleased(caller, file);
}

TEST_F(RendoRunTest, AFailureWhileWritingLeavesNoFileAndAnswersTwo)
{
    const kb::WindowHandle handle = 454545;
    kb::CallerWindowReceiver caller(handle);
    // The caller names a folder that is not there: nothing can be written.
    const fs::path file = out / "missing" / "a.xml";
    const DriverRun r = Drive({"--data", Data(1), "--caller", std::to_string(handle) + ",1025,1," + file.string()});
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_TRUE(r.Shows("KB-MESSAGE 1: 中間ファイルの作成に失敗しました。"));
    // The reason in the user's words, not the system's.
    EXPECT_TRUE(r.Shows("KB-MESSAGE 1: 中間ﾌｧｲﾙ(" + file.string() + ")を保存できませんでした。\r保存先のﾌｫﾙﾀﾞが見つかりません。\n"))
        << r.output;
    EXPECT_FALSE(r.Shows("KB-MESSAGE 1: 連動ファイル"));
    EXPECT_FALSE(r.Shows("中間ファイルが作成されました。"));
    EXPECT_FALSE(fs::exists(out / "missing"));
    const auto msgs = caller.Drain();
    ASSERT_FALSE(msgs.empty());
    EXPECT_EQ(msgs.back().lparam, 2);
}

// A logout, a caller ending us or Ctrl+C while the data set is held: the run ends as Cancel ends
// it, without the question, within seconds; the data set is free and the caller hears "cancelled".
TEST_F(RendoRunTest, SigtermAndSigintEndTheRunAsCancelAndReleaseTheDataSet)
{
    for (const int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig == SIGTERM ? "SIGTERM" : "SIGINT");
        const kb::WindowHandle handle = 474700 + sig;
        kb::CallerWindowReceiver caller(handle);
        const fs::path file = out / "signal.xml";
        fs::path log;
        const auto p = Launch({"--data", Data(1), "--wait-at", "page3", "--caller", std::to_string(handle) + ",1025,1," + file.string()}, log);
        ASSERT_TRUE(WaitUntilWaiting(*p, log, "page3")) << kbtest::ReadFile(log);
        EXPECT_EQ(IniValue(Data(1), "DATASTS", "STATUS"), "2");  // held

        p->Signal(sig);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        const bool endedByItself =
            p->WaitPolling([&] { return std::chrono::steady_clock::now() > deadline; }, std::chrono::milliseconds(50));
        const std::string output = kbtest::ReadFile(log);
        ASSERT_TRUE(endedByItself) << output;
        EXPECT_EQ(p->ExitCode(), 1) << output;
        ExpectCancelledAndReleased(caller, file);
    }
}

// Every key a whole record of each INI file the run touches holds ("vqacc.ini": [DATASTS] names the
// operator only while held). A file that is not there yet counts as its old record.
void ExpectWholeIniRecords(const fs::path& file, const std::vector<std::pair<std::string, std::vector<std::string>>>& sections)
{
    SCOPED_TRACE(file.string());
    if (!fs::exists(file)) return;
    const kb::IniFile ini(file);
    for (const auto& [section, keys] : sections) {
        const std::vector<std::string> have = ini.ReadSection(section);
        for (const std::string& key : keys)
            EXPECT_NE(std::find(have.begin(), have.end(), key), have.end()) << "[" << section << "] lacks " << key;
    }
}

// A power cut or a SIGKILL at any point of a run: the next run on this computer opens the same data
// set (a stale in-use mark of a dead run is cleared), and every INI file holds a whole record.
TEST_F(RendoRunTest, KilledAtAnyPointTheNextRunOpensTheDataSetAndEveryIniFileIsWhole)
{
    const fs::path dataIni = fs::path(Data(1)) / "vqacc.ini";
    const auto layout = kbtest::fixture::LayoutFor(root);
    const fs::path appIni = layout.homeDir / "vqzaimu.ini", kenboIni = layout.homeDir / "ini" / "Kenbo.ini";
    const std::vector<std::string> connection = {"HOSTNAME", "GOGLOBAL", "GROUP", "SYSDIR", "USER", "PASSWORD"};
    auto expectWhole = [&] {
        std::vector<std::string> sts = {"STATUS", "SHARE_STATUS", "UPDATE_LOCK", "READ_ONLY"};
        if (IniValue(Data(1), "DATASTS", "STATUS") == "2") sts.insert(sts.end(), {"OPCODE", "OPERATOR"});
        ExpectWholeIniRecords(dataIni, {{"DATASTS", sts},
                                        {"DATAINFO", {"DATALISTNAME", "CODE", "DATAKBN", "CODEKBN", "SHOUGOU", "KANA", "NENDO",
                                                      "KISHU", "KIMATU", "TANTO", "SITEN", "SITENCNT", "BUMON", "BUMONCNT",
                                                      "SIWAKE", "TOTALSIWAKE", "VERSION1", "VERSION2", "GASSANKBN",
                                                      "USEMYNUMBER", "CLOUD_SHARE"}}});
        ExpectWholeIniRecords(kenboIni, {{"SYOTOKUZEI", {"DATA", "KOMONSAKI", "EXPORTFILE"}}});
        ExpectWholeIniRecords(appIni, {{"APPLICATION", {"TOP", "LEFT", "WIDTH", "HEIGHT", "CONNECT"}},
                                       {"LOCAL", connection},
                                       {"SERVER", connection}});
    };
    auto leftovers = [&] {
        std::vector<std::string> found;
        for (const fs::path& folder : {fs::path(Data(1)), out, layout.homeDir, layout.homeDir / "ini"})
            for (const auto& e : fs::directory_iterator(folder))
                if (e.path().filename().string().find(".kbtmp-") != std::string::npos) found.push_back(e.path().string());
        return found;
    };
    ASSERT_TRUE(fs::exists(appIni));
    // From before the data set is chosen to after the linkage file is written and before release.
    // The data set is held from its choice on.
    const struct {
        const char* point;
        bool held;
    } points[] = {{"page1", false}, {"page2", false},    {"selection", false}, {"selected", true},
                  {"page3", true},  {"page4", true},     {"page5", true},      {"finished", true}};
    for (const auto& [point, held] : points) {
        SCOPED_TRACE(point);
        const fs::path file = out / (std::string(point) + ".xml");
        fs::path log;
        const auto p = Launch({"--data", Data(1), "--output", file.string(), "--wait-at", point}, log);
        ASSERT_TRUE(WaitUntilWaiting(*p, log, point)) << kbtest::ReadFile(log);
        EXPECT_EQ(IniValue(Data(1), "DATASTS", "STATUS"), held ? "2" : "1") << kbtest::ReadFile(log);
        p->Signal(SIGKILL);
        p->Wait();
        expectWhole();

        const fs::path again = out / (std::string(point) + "-again.xml");
        const DriverRun r = Drive({"--data", Data(1), "--output", again.string()});
        EXPECT_EQ(r.exitCode, 0) << r.output;
        EXPECT_FALSE(r.Shows("使用中")) << r.output;
        EXPECT_TRUE(fs::exists(again));
        EXPECT_EQ(IniValue(Data(1), "DATASTS", "STATUS"), "1");
        expectWhole();
        EXPECT_EQ(leftovers(), std::vector<std::string>());
    }
}

// Names holding a character XML 1.0 cannot carry (U+000B, stored as the CP932 byte 0x0B): the run
// succeeds and the linkage file is one a strict reader accepts, the character a blank. U+FFFE cannot
// be stored through CP932 at all, so only the writer's own test (XmlSave) can feed it.
TEST_F(RendoRunTest, NamesWithAControlCharacterGiveAFileAStrictReaderAccepts)
{
    Sql(fs::path(Data(1)) / "vqacc.fdb", "UPDATE ACCDEF1 SET AO_KANYU='新宿\v青色申告会';\n"
                                         "UPDATE AO_KYUUYO SET SIMEI='田中\v一郎' WHERE NUMBER=1;\n"
                                         "COMMIT;\n");
    const fs::path file = out / "control.xml";
    const DriverRun r = Drive({"--data", Data(1), "--details", "--output", file.string()});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(r.Shows("KB-MESSAGE 2: 中間ファイルが作成されました。")) << r.output;
    ASSERT_TRUE(fs::exists(file));
    EXPECT_TRUE(kbtest::linkage::StrictReaderAcceptsAsCp932(file, dir.path()));
    using namespace kbtest::linkage;
    const XmlTree w(kbtest::ReadFile(file));
    const auto lines = Lines(w);
    for (const char* want : {"新宿 青色申告会", "田中 一郎"})
        EXPECT_NE(std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(want) != std::string::npos; }),
                  lines.end())
            << want;
}

// The selection lists only individuals' data sets of version 15; a registry row out of step with
// its data set (here: rows that claim an individual's data of version 15) is caught by the
// wizard's own checks.
TEST_F(RendoRunTest, ACorporationsDataSetIsRefusedOnLeavingTheDataPage)
{
    Sql(root / "data/vqaccdef.fdb", "UPDATE DATALIST SET DATATYPE=2 WHERE REC=4;\nCOMMIT;\n");
    kb::IniFile(fs::path(Data(4)) / "vqacc.ini").WriteString("DATAINFO", "DATAKBN", "2");
    const DriverRun r = Drive({"--data", Data(4), "--output", (out / "corp.xml").string()});
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_TRUE(r.Shows("KB-MESSAGE 0: 指定された会計データは個人データではありません。\rもう一度、選びなおしてください。"))
        << r.output;
    EXPECT_TRUE(r.Shows("KB-STAYED page2"));
    EXPECT_FALSE(fs::exists(out / "corp.xml"));
}

TEST_F(RendoRunTest, AnOldVersionIsRefusedAndTheSelectionReopens)
{
    Sql(root / "data/vqaccdef.fdb", "UPDATE DATALIST SET VER_MAJOR=15, VER_MINOR1=0, VER_MINOR2=0 WHERE REC=5;\nCOMMIT;\n");
    kb::IniFile(fs::path(Data(5)) / "vqacc.ini").WriteString("DATAINFO", "VERSION1", "15.0.0");
    // Refused, chosen again: the general data set, which then runs through.
    const fs::path file = out / "second.xml";
    const DriverRun r = Drive({"--data", Data(5), "--reselect", Data(1), "--details", "--output", file.string()});
    EXPECT_TRUE(r.Shows("このプログラムで処理できるデータバージョンに達していません。\rデータバージョン:15.0.0以降のデータを選択して下さい。\rデータ選択画面を開き、別のデータを選択しますか？"))
        << r.output;
    EXPECT_TRUE(r.Shows("KB-SELECTION 2 " + Data(1)));
    EXPECT_EQ(r.exitCode, 0);
    ExpectData(file, SourceDir() / "tests/linkage/expected/ippan-general-fixture.xml");
    EXPECT_EQ(IniValue(Data(5), "DATASTS", "STATUS"), "1");
    EXPECT_EQ(IniValue(Data(1), "DATASTS", "STATUS"), "1");
}

TEST_F(RendoRunTest, AWrongDataPasswordThreeTimesRefusesTheDataSet)
{
    kb::TEasyEncodeInfo enc;
    enc.PadLength = 8;
    enc.TextLength = 8;
    enc.Key = kb::kEasyEncodeKey;
    enc.PlainText = "pass01";
    ASSERT_TRUE(kb::EasyEncode(enc));
    std::string coded;
    for (char c : enc.CodedText) coded += c == '\'' ? std::string("''") : std::string(1, c);
    Sql(fs::path(Data(1)) / "vqacc.fdb",
        "UPDATE OR INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('基本設定', 'データパスワードV2', '文字', '" + coded +
            "') MATCHING (AGROUP, ACODE);\nCOMMIT;\n");
    const DriverRun r = Drive({"--data", Data(1), "--password", "x,y,z", "--output", (out / "pw.xml").string()});
    EXPECT_EQ(r.Count("KB-PASSWORD-PROMPT"), 3) << r.output;
    EXPECT_TRUE(r.Shows("このデータに設定されている「パスワード」と一致しませんでした。\rデータ選択画面を開き、別のデータを選択しますか？"));
    EXPECT_TRUE(r.Shows("KB-STAYED page2"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(fs::exists(out / "pw.xml"));
    EXPECT_EQ(IniValue(Data(1), "DATASTS", "STATUS"), "1");

    // The right password on the second try lets the run through.
    const DriverRun ok = Drive({"--data", Data(1), "--password", "x,pass01", "--output", (out / "pw.xml").string()});
    EXPECT_EQ(ok.exitCode, 0) << ok.output;
    EXPECT_TRUE(fs::exists(out / "pw.xml"));
}

// A data set kept on a shared drive (a folder standing in for it): its row names the share, the
// local folder 0006 holds an old working copy. The run fetches the share's copy first and stores
// it back afterwards, releasing the share.
TEST_F(RendoRunTest, ASharedDataSetIsFetchedBeforeTheRunAndStoredBackAfterIt)
{
    const fs::path share = dir / "share" / "kyoyu01";
    fs::create_directories(share);
    for (const char* f : {"vqacc.fdb", "vqacc.ini"}) fs::copy_file(fs::path(Data(1)) / f, share / f);
    // The stale working copy: another data set altogether.
    fs::create_directories(Data(6));
    for (const char* f : {"vqacc.fdb", "vqacc.ini"}) fs::copy_file(fs::path(Data(3)) / f, fs::path(Data(6)) / f);
    Sql(root / "data/vqaccdef.fdb",
        "UPDATE DATALIST SET ENTTEXT='共有一郎', SHOUGOU='青色商店', DATATYPE=2, CODETYPE=1, VER_MAJOR=15, VER_MINOR1=0, "
        "VER_MINOR2=0, NENDO=7, KISHU='2025-01-01', KIMATU='2025-12-31', DATACODE='0006', NETDRIVE=1, KYOYULOCK=0, PASNAME='" +
            share.string() + "' WHERE REC=6;\nCOMMIT;\n");
    const fs::path file = out / "shared.xml";
    const DriverRun r = Drive({"--data", Data(6), "--auto-share", "--details", "--output", file.string()});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    // The general figures, not the stale copy's.
    ExpectData(file, SourceDir() / "tests/linkage/expected/ippan-general-fixture.xml");
    // Stored back and released: the share is free, the row no longer held.
    EXPECT_EQ(IniValue(share, "DATASTS", "SHARE_STATUS"), "1") << r.output;
    EXPECT_EQ(IniValue(Data(6), "DATASTS", "STATUS"), "1");
    const std::string lock =
        kbtest::RunIsqlOn((root / "data/vqaccdef.fdb").string(), "SET HEADING OFF;\nSELECT 'LOCK:' || KYOYULOCK FROM DATALIST WHERE REC=6;\n");
    EXPECT_NE(lock.find("LOCK:0"), std::string::npos) << lock;
    // The local copy is the share's data set now.
    EXPECT_EQ(IniValue(Data(6), "DATAINFO", "CODE"), IniValue(share, "DATAINFO", "CODE"));
}

TEST_F(RendoRunTest, AMissingOutputFolderIsRefusedOnTheFilePage)
{
    const fs::path missing = out / "missing";
    const DriverRun r = Drive({"--data", Data(1), "--output", (missing / "a.xml").string()});
    EXPECT_TRUE(r.Shows("KB-MESSAGE 0: 指定されたﾌｫﾙﾀﾞ(" + missing.string() +
                        ")が見つかりません。\r別のﾄﾞﾗｲﾌﾞまたはﾌｫﾙﾀﾞを指定してから[次へ]をｸﾘｯｸしてください。"))
        << r.output;
    EXPECT_TRUE(r.Shows("KB-STAYED page4"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(fs::exists(missing));
}

// A data set kept in cloud-share area 3 whose local copy is the area's: the run takes the area (no
// download), reads the data set, and at the close sends it back, which frees the area; the data
// set keeps the end request's time. An empty area stops the run before the data set is read.
TEST_F(RendoRunTest, ACloudShareDataSetIsTakenAndReturnedAroundTheRun)
{
    const std::string id = "ABCD1234EFGH";
    kbtest::CommPeer peer(id, "ftp-pw");
    {
        kb::IniFile appInfo(root / "program" / "AppInfo.ini");
        appInfo.WriteString("Application", "StatusServer", "127.0.0.1");
        appInfo.WriteString("Application", "StatusServerPort", std::to_string(peer.HttpsPort()));
        appInfo.WriteString("Application", "Serial", "SN-0001");
    }
    const fs::path db = fs::path(Data(1)) / "vqacc.fdb";
    Sql(db, "UPDATE ACCDEF1 SET CLOUD_LINE=3, WEB_HOLDER='" + id + "', PASWORD='abc123', "
            "CLOUD_TIME='2025-06-01 10:00:00';\nCOMMIT;\n");

    peer.Control(R"({"clock": "2026-01-02 03:04:05", "areas": {")" + id + R"(": {"03": {"name": "青色一郎（一般）",
        "pa": "abc123", "send": "2025/06/01 10:00:00", "share": "1"}}}})");
    const fs::path file = out / "cloud.xml";
    const DriverRun r = Drive({"--data", Data(1), "--output", file.string()});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(peer.RequestCodes(), (std::vector<std::string>{"1725", "1833", "1725", "1833", "1725", "1823"}));
    const auto reqs = peer.Requests();
    ASSERT_EQ(reqs.size(), 6u);
    EXPECT_EQ(reqs[1].Params.at("fSname"), "03");
    EXPECT_EQ(kb::Cp932ToUtf8(kb::TxPzConv::DecodeBase64(reqs[1].Params.at("fPcName"))), "PC-A");
    EXPECT_EQ(reqs[5].Params.at("sSno"), "SN-0001");
    EXPECT_EQ(kbtest::fixture::Query(db, "SELECT CLOUD_TIME FROM ACCDEF1 WHERE REC=1").at(0).begin()->second.substr(0, 19),
              "2026-01-02 03:04:05");
    EXPECT_EQ(IniValue(Data(1), "DATASTS", "STATUS"), "1");

    peer.ClearRequests();
    peer.Control(R"({"areas": {")" + id + R"(": {"03": {"name": ""}}}})");
    fs::remove(file);
    const DriverRun empty = Drive({"--data", Data(1), "--output", file.string()});
    EXPECT_TRUE(empty.Shows("KB-MESSAGE 2: 設定された領域にはデータがありません。")) << empty.output;
    EXPECT_TRUE(empty.Shows("KB-SELECTION 2 cancel"));
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(peer.RequestCodes(), std::vector<std::string>{"1725"});
}

} // namespace

namespace {

// A write that fails at Finish (a folder took the file's name after page 4): the reason in
// Japanese, outcome 2, and the linkage settings file as it was before the run.
TEST_F(RendoRunTest, AFailedFinishLeavesTheSettingsFileAsItWas)
{
    const fs::path kenbo = root / "common/zandrel/dadozizidiv/ini/Kenbo.ini";
    {
        kb::IniFile ini(kenbo);
        ini.WriteString("SYOTOKUZEI", "DATA", "他のプログラムの値");
        ini.WriteString("SYOTOKUZEI", "KOMONSAKI", "前回の顧問先");
        ini.WriteString("SYOTOKUZEI", "EXPORTFILE", (out / "last.xml").string());
    }
    const fs::path file = out / "taken.xml";
    const DriverRun r = Drive({"--data", Data(1), "--output", file.string(), "--block-output"});
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_TRUE(r.Shows("KB-MESSAGE 1: 中間ファイルの作成に失敗しました。"));
    EXPECT_TRUE(r.Shows("KB-MESSAGE 1: 中間ﾌｧｲﾙ(" + file.string() +
                        ")を保存できませんでした。\r同じ名前のﾌｫﾙﾀﾞがあるため、ﾌｧｲﾙを作成できません。\n"))
        << r.output;
    const kb::IniFile ini(kenbo);
    EXPECT_EQ(ini.ReadString("SYOTOKUZEI", "DATA", "?"), "他のプログラムの値");
    EXPECT_EQ(ini.ReadString("SYOTOKUZEI", "KOMONSAKI", "?"), "前回の顧問先");
    EXPECT_EQ(ini.ReadString("SYOTOKUZEI", "EXPORTFILE", "?"), (out / "last.xml").string());
}

} // namespace
