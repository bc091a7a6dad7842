// Replace mode: the sender's database, adapted, takes the place of the open data set's file. The
// open data set is a copy of the general fixture with its list name, lock and dictionaries; the
// received one another copy named 受信商店 with a communication ID, password, read-only flag and
// operator rows of its own.

#include "CashBookTestSupport.h"

#include "common/FakeUi.h"
#include "common/TestEnv.h"
#include "core/ErrorReporter.h"
#include "exchange/z5CashBookLoader.h"
#include "fb/HoldingProcess.h"
#include "platform/TempFiles.h"

#include <chrono>
#include <thread>

namespace {

using namespace kbtest::exchange;

const char* kOpen = R"(
UPDATE ACCDEF1 SET ENTTEXT = 'うちの一覧名', DATALOCK = 1;
INSERT INTO TEKDICTI (CREC, SCODE, SORTCODE, TEXT) VALUES (100, '', 1, '売上');
INSERT INTO TEKDIC (TEKCODE, CREC, SCODE, KANA, TEXT, KAR_KCODE, KAR_TAXCODE, KAS_KCODE, KAS_TAXCODE)
  VALUES (1, 100, '', 'ｳﾘｱｹﾞ', '商品売上', 'K111', 810, 'K511', 810);
)";

const char* kReceived = R"(
UPDATE ACCDEF1 SET SHOUGOU = '受信商店', ENTTEXT = '相手の名', DATALOCK = 0, PASWORD = 'pw', WEB_HOLDER = 'id', READ_ONLY = 1;
INSERT INTO TEKDICTI (CREC, SCODE, SORTCODE, TEXT) VALUES (500, '', 1, '相手の分類');
INSERT INTO TEKDIC (TEKCODE, CREC, SCODE, KANA, TEXT) VALUES (9, 500, '', 'ｱｲﾃ', '相手の摘要');
INSERT INTO OPINF (REC, OPCODE, JOBNAME) VALUES (1, 100000010, 'SzSiwake');
INSERT INTO OPHIST (REC, OPCODE) VALUES (1, 100000010);
INSERT INTO OPLICENSE (OPCODE, SCODE) VALUES (100000010, '');
INSERT INTO ACCREG (AGROUP, ACODE, ATEXT) VALUES ('基本設定', '合算データ区分', '1');
INSERT INTO ACCREG (AGROUP, ACODE, ATEXT) VALUES ('基本設定', '合算データ数', '2');
INSERT INTO ACCREG (AGROUP, ACODE, ATEXT) VALUES ('基本設定', '別の設定', '3');
)";

struct Stop : std::runtime_error {
    Stop() : std::runtime_error("stopped by the test") {}
};

class CashBookReplace : public OpenDataSet {
protected:
    void SetUp() override
    {
        data = GeneralCopy(tmp.path() / "data", kOpen);
        received = GeneralCopy(tmp.path() / "recv", kReceived);
        OpenData(data.parent_path());
        kb::SetErrorUi(&ui);
    }
    void TearDown() override
    {
        kb::SetErrorUi(nullptr);
        OpenDataSet::TearDown();
    }
    int Replace(kb::TCashBookLoader& l)
    {
        l.AutoFlag = 1;
        l.MergeFlag = 0;
        l.SetReceiveFile(received.string());
        l.Run();
        return l.GetResultCode();
    }
    std::string Shougou()
    {
        return Rows(data, "SELECT SHOUGOU FROM ACCDEF1 WHERE REC = 1", {"SHOUGOU"}).at(0);
    }
    // Files of the data folder other than the data file and its settings.
    std::vector<std::string> Leftovers()
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(data.parent_path()))
            if (e.path().filename() != "vqacc.fdb") names.push_back(e.path().filename().string());
        return names;
    }
    void CloseData()
    {
        if (kb::DM->IBDatabaseDAT.Connected()) kb::DM->IBDatabaseDAT.Close();
    }

    std::filesystem::path data, received;
    kbtest::RecordingErrorUi ui;
};

TEST_F(CashBookReplace, TheAdaptedReceivedDatabaseBecomesTheDataFile)
{
    std::vector<std::string> status;
    kb::HostStatusTextHook = [&](int panel, const std::string& text) { status.push_back(std::to_string(panel) + ":" + text); };
    kb::HostStatusFlagHook = [&](int panel, int flag) { status.push_back(std::to_string(panel) + "=" + std::to_string(flag)); };
    kb::TCashBookLoader l;
    const int result = Replace(l);
    kb::HostStatusTextHook = nullptr;
    kb::HostStatusFlagHook = nullptr;
    ASSERT_EQ(result, 1);
    // The host's status bar hears of the new data set.
    ASSERT_EQ(status.size(), 4u);
    EXPECT_EQ(status[0].rfind("0:受信商店 0 ", 0), 0u) << status[0];
    EXPECT_EQ(status[1].rfind("1:", 0), 0u);
    EXPECT_EQ(std::vector<std::string>(status.begin() + 2, status.end()), (std::vector<std::string>{"0=0", "1=0"}));
    ASSERT_EQ(l.Log.size(), 1u);
    EXPECT_EQ(l.Log[0].Message, "取り込み処理が成功しました。");
    EXPECT_TRUE(kb::DM->IBDatabaseDAT.Connected());
    EXPECT_EQ(kb::AccInf.SHOUGOU, "受信商店"); // the facts were read again
    CloseData();
    EXPECT_EQ(Rows(data, "SELECT SHOUGOU, ENTTEXT, DATALOCK, PASWORD, WEB_HOLDER, READ_ONLY FROM ACCDEF1 WHERE REC = 1",
                   {"SHOUGOU", "ENTTEXT", "DATALOCK", "PASWORD", "WEB_HOLDER", "READ_ONLY"}),
              std::vector<std::string>{"受信商店|うちの一覧名|1|||0"});
    EXPECT_EQ(Rows(data,
                   "SELECT (SELECT COUNT(*) FROM OPINF) + (SELECT COUNT(*) FROM OPHIST) + (SELECT COUNT(*) FROM OPLICENSE) "
                   "+ (SELECT COUNT(*) FROM OPDEFSISETU) AS N FROM RDB$DATABASE",
                   {"N"}),
              std::vector<std::string>{"0"});
    // The combined-data keys went; reading the facts again afterwards writes their defaults (0).
    auto keys = Rows(data, "SELECT ACODE, ATEXT FROM ACCREG WHERE AGROUP = '基本設定' AND ACODE IN ('合算データ区分', '合算データ数', '別の設定')",
                     {"ACODE", "ATEXT"});
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"別の設定|3", "合算データ区分|0", "合算データ数|0"}));
    // The open data set's dictionaries, tab by tab, in the received tabs.
    EXPECT_EQ(Rows(data, "SELECT T.CREC, T.TEXT, H.KANA, H.TEXT AS HTEXT, H.KAR_KCODE FROM TEKDIC H JOIN TEKDICTI T ON (T.CREC = H.CREC)",
                   {"CREC", "TEXT", "KANA", "HTEXT", "KAR_KCODE"}),
              std::vector<std::string>{"500|売上|ｳﾘｱｹﾞ|商品売上|K111"});
    EXPECT_TRUE(Leftovers().empty()) << ::testing::PrintToString(Leftovers());
    // The exchange file went to the private temporary folder and is gone.
    for (const auto& e : std::filesystem::directory_iterator(kb::TempFiles::PrivateTempDir()))
        EXPECT_EQ(e.path().filename().string().rfind("vqzjisyo", 0), std::string::npos) << e.path();
}

TEST_F(CashBookReplace, AFailedOrRefusedSwapKeepsTheOldFileWhole)
{
    const std::string copyFailed = "-100 受信データの移行処理後のコピーに失敗しました。";
    std::unique_ptr<kbtest::HoldingProcess> holder;
    const struct {
        const char* name;
        std::function<void(kb::TCashBookLoader&)> arrange;
        std::string lastEntry;
    } cases[] = {
        {"the copy fails half-way",
         [](kb::TCashBookLoader& l) {
             l.SwapSeam = [](const std::string& step, const std::string& target) {
                 if (step != "copy") return true;
                 kbtest::WriteFile(target, std::string(4096, 'x')); // part of the file, then a full disk
                 return false;
             };
         },
         copyFailed},
        {"the safety copy fails", [](kb::TCashBookLoader& l) { l.SwapSeam = [](const std::string& step, const std::string&) { return step != "safety"; }; },
         copyFailed},
        {"another process attaches during the run",
         [&](kb::TCashBookLoader& l) {
             l.OnLabel = [&](const std::string& label) {
                 if (label != "データ確定中です…" || holder) return;
                 holder = std::make_unique<kbtest::HoldingProcess>(data.string());
                 // wait until the engine lists it beside our own attachment
                 for (int i = 0; i < 100; ++i) {
                     const auto n = Rows(data, "SELECT COUNT(*) AS N FROM MON$ATTACHMENTS WHERE MON$SYSTEM_FLAG = 0", {"N"}).at(0);
                     if (std::stoi(n) >= 3) break;
                     std::this_thread::sleep_for(std::chrono::milliseconds(100));
                 }
             };
         },
         copyFailed + " 現在、他のユーザーがデータを使用中です。他のユーザーがデータを使用している間は現金出納帳の取り込みは行えません。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        kb::TCashBookLoader l;
        c.arrange(l);
        EXPECT_EQ(Replace(l), -100);
        ASSERT_EQ(l.Log.size(), 2u);
        EXPECT_EQ(l.Log[0].Code, 1); // the success summary, then the failed swap
        EXPECT_EQ(std::to_string(l.Log[1].Code) + " " + l.Log[1].Message, c.lastEntry);
        holder.reset();
        CloseData();
        EXPECT_EQ(Shougou(), "青色商店");
        EXPECT_EQ(Rows(data, "SELECT ENTTEXT FROM ACCDEF1", {"ENTTEXT"}), std::vector<std::string>{"うちの一覧名"});
        EXPECT_TRUE(Leftovers().empty()) << ::testing::PrintToString(Leftovers());
        kb::DM->IBDatabaseDAT.Open();
    }
}

TEST_F(CashBookReplace, AStopBetweenSwapStepsLeavesAWholeDataFile)
{
    for (const std::string stopAt : {"copy", "safety", "rename", "cleanup"}) {
        SCOPED_TRACE(stopAt);
        // A fresh received file and old data file for each stop.
        CloseData();
        GeneralCopy(tmp.path() / "data", kOpen);
        GeneralCopy(tmp.path() / "recv", kReceived);
        for (const auto& f : Leftovers()) std::filesystem::remove(data.parent_path() / f);
        kb::DM->IBDatabaseDAT.Open();
        kb::TCashBookLoader l;
        l.SwapSeam = [&](const std::string& step, const std::string&) {
            if (step == stopAt) throw Stop();
            return true;
        };
        EXPECT_THROW(Replace(l), Stop);
        CloseData();
        EXPECT_EQ(Shougou(), stopAt == "cleanup" ? "受信商店" : "青色商店");
    }
}

TEST_F(CashBookReplace, AMissingReceivedFileChangesNothing)
{
    kb::TCashBookLoader l;
    l.AutoFlag = 1;
    l.MergeFlag = 0;
    l.SetReceiveFile((tmp.path() / "none.fdb").string());
    l.Run();
    EXPECT_EQ(l.GetResultCode(), -100);
    ASSERT_EQ(l.Log.size(), 1u);
    EXPECT_EQ(l.Log[0].Message, "会計データの接続に失敗しました。");
    EXPECT_TRUE(kb::DM->IBDatabaseDAT.Connected());
    CloseData();
    EXPECT_EQ(Shougou(), "青色商店");
}

} // namespace
