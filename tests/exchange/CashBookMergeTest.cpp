// Automatic merge of a client's copy into the open data set (copies of the general fixture): the
// open data set carries the master marks of a send; the received copy has one cash entry corrected
// (11-11 雑費 5,000 to 6,000), one deleted (02-18 消耗品費 30,000), one new (03-14 旅費交通費 7,000),
// a new sub-account of 普通預金 and other opening balances of the cash account.

#include "CashBookTestSupport.h"

#include "accounting/z5SiwakeIO.h"
#include "common/FakeUi.h"
#include "core/ErrorReporter.h"
#include "core/uAccTaxCmp.h"
#include "exchange/CashBookSender.h"
#include "exchange/z5CashBookLoader.h"

namespace {

using namespace kbtest::exchange;

const char* kClientChanges = R"(
UPDATE SIWAKE SET KINGAKU = 6000, TEKTEXT = '文具代', LINKREC = 1 WHERE SWKREC = (SELECT SWKREC FROM SIWAKE WHERE HIZUKE = '2025-11-11' AND TAISHAKU = 1);
UPDATE SIWAKE SET DELFLG = 1 WHERE SWKREC = (SELECT SWKREC FROM SIWAKE WHERE HIZUKE = '2025-02-18' AND TAISHAKU = 1);
INSERT INTO HOJOMST (KCODE, HCODE, HKANA, HNAME, BPFLG) VALUES ('K131', '3', 'ｼｰ', 'Ｃ銀行', '');
UPDATE HOJOMST SET HNAME = 'Ａ銀行本店', BPFLG = '9' WHERE KCODE = 'K131' AND HCODE = '1';
UPDATE KAMOKU_SZ SET KISHU_KOMI = 350000, KISHU_NUKI = 350000, KAISIZAN = 350000 WHERE KCODE = 'K111';
)";

class CashBookMerge : public OpenDataSet {
protected:
    void SetUp() override
    {
        open = GeneralCopy(tmp.path() / "data");
        OpenData(open.parent_path());
        kb::InitZeiRituList(kb::Date(2025, 1, 1));
        kb::SetErrorUi(&ui);
        kb::TCashBookSender sender;
        sender.Mode = 0;
        sender.Execute();
        ASSERT_EQ(sender.GetResultCode(), 1);
        // The client's copy: the data as sent, changed on the client's side.
        kb::DM->IBDatabaseDAT.Close();
        std::filesystem::create_directories(tmp.path() / "recv");
        received = tmp.path() / "recv" / "vqacc.fdb";
        std::filesystem::copy_file(open, received);
        fx::RunIsql(received, std::string(kClientChanges) + "COMMIT;\n");
        AddClientEntry();
        kb::DM->IBDatabaseDAT.Open();
    }
    void TearDown() override
    {
        kb::SetErrorUi(nullptr);
        OpenDataSet::TearDown();
    }

    // The new cash entry, written on the client's side by the journal writer.
    void AddClientEntry()
    {
        kb::fb::Connection c;
        c.SetDatabaseName(received.string());
        c.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
        c.Open();
        kb::fb::Transaction t(&c);
        clientRec = PostCashEntry(t, kb::Date(2025, 3, 14), 7000, "タクシー代");
    }

    int RunMerge(kb::TCashBookLoader& l)
    {
        l.AutoFlag = 1;
        l.MergeFlag = 1;
        l.SetReceiveFile(received.string());
        l.Run();
        return l.GetResultCode();
    }
    std::vector<std::string> Journal(const std::filesystem::path& db)
    {
        return Rows(db, "SELECT REC, SWKREC, DELFLG, HIZUKE, KINGAKU, TEKTEXT, RESERVE1, RESERVE2, LINKKEY, LINKKUB, LOCALFLG FROM SIWAKE ORDER BY REC",
                    {"REC", "SWKREC", "DELFLG", "HIZUKE", "KINGAKU", "TEKTEXT", "RESERVE1", "RESERVE2", "LINKKEY", "LINKKUB", "LOCALFLG"});
    }
    // Every table a merge writes, as text, for "as before" comparisons.
    std::vector<std::string> Tables(const std::filesystem::path& db)
    {
        auto all = Journal(db);
        for (auto rows : {Rows(db, "SELECT SCODE, KCODE, HCODE, BCODE, MNUM, KAR_NUK, KAS_NUK FROM KAMOKU_MS ORDER BY 1, 2, 3, 4, 5",
                               {"SCODE", "KCODE", "HCODE", "BCODE", "MNUM", "KAR_NUK", "KAS_NUK"}),
                          Rows(db, "SELECT KCODE, HCODE, BCODE, KISHU_KOMI, KAISIZAN FROM KAMOKU_SZ ORDER BY 1, 2, 3",
                               {"KCODE", "HCODE", "BCODE", "KISHU_KOMI", "KAISIZAN"}),
                          Rows(db, "SELECT KCODE, HCODE, HNAME, BPFLG FROM HOJOMST ORDER BY 1, 2", {"KCODE", "HCODE", "HNAME", "BPFLG"})})
            all.insert(all.end(), rows.begin(), rows.end());
        return all;
    }
    std::string One(const std::filesystem::path& db, const std::string& select)
    {
        return Rows(db, select, {"V"}).at(0);
    }
    std::vector<std::string> Messages(const kb::TCashBookLoader& l)
    {
        std::vector<std::string> m;
        for (const auto& e : l.Log) m.push_back(std::to_string(e.Code) + " " + e.Message);
        return m;
    }
    void CloseData()
    {
        if (kb::DM->IBDatabaseDAT.Connected()) kb::DM->IBDatabaseDAT.Close();
    }

    std::filesystem::path open, received;
    int clientRec = 0;
    kbtest::RecordingErrorUi ui;
};

TEST_F(CashBookMerge, AutomaticMergeTakesTheClientsChangesOnce)
{
    const std::string deletedSwk = One(open, "SELECT SWKREC AS V FROM SIWAKE WHERE HIZUKE = '2025-02-18' AND TAISHAKU = 1");
    const std::string correctedRec = One(open, "SELECT REC AS V FROM SIWAKE WHERE HIZUKE = '2025-11-11' AND TAISHAKU = 1");
    const std::string bpflg = One(open, "SELECT BPFLG AS V FROM HOJOMST WHERE KCODE = 'K131' AND HCODE = '1'");
    const auto receivedBefore = Tables(received);

    kb::TCashBookLoader l;
    ASSERT_EQ(RunMerge(l), 1) << ::testing::PrintToString(Messages(l));
    EXPECT_TRUE(kb::DM->IBDatabaseDAT.Connected());
    CloseData();
    const std::string correctedSwk = One(open, "SELECT SWKREC AS V FROM SIWAKE WHERE HIZUKE = '2025-11-11' AND TAISHAKU = 1 AND DELFLG = 0");
    EXPECT_EQ(Messages(l), (std::vector<std::string>{
                               "12 (仕訳番号:" + deletedSwk + " 日付:2025/02/18 相手科目:消耗品費 摘要:事務用品 金額:30,000) 受信データの削除仕訳が優先されました。",
                               "11 (仕訳番号:" + correctedSwk + " 日付:2025/11/11 相手科目:雑費 摘要:文具代 金額:6,000) 受信データの訂正仕訳が優先されました。",
                               "1 取り込み処理が成功しました。"}));

    // First-side lines of the three entries: DELFLG, KINGAKU, TEKTEXT, RESERVE1, RESERVE2, LINKKEY, LINKKUB, LOCALFLG.
    const auto first = [&](const std::string& date) {
        return Rows(open, "SELECT DELFLG, KINGAKU, TEKTEXT, RESERVE1, RESERVE2, LINKKEY, LINKKUB, LOCALFLG FROM SIWAKE WHERE TAISHAKU = 1 AND DELFLG < 2 AND HIZUKE = '" +
                              date + "' ORDER BY REC",
                    {"DELFLG", "KINGAKU", "TEKTEXT", "RESERVE1", "RESERVE2", "LINKKEY", "LINKKUB", "LOCALFLG"});
    };
    // The correction keeps the key the client knows (RESERVE1, LINKKEY) and notes the client's counter.
    EXPECT_EQ(first("2025-11-11"), (std::vector<std::string>{"0|6000.0000|文具代|" + correctedRec + "|1|" + correctedRec + "|10|10"}));
    const std::string deletedRec = One(open, "SELECT REC AS V FROM SIWAKE WHERE HIZUKE = '2025-02-18' AND TAISHAKU = 1");
    // Deleting an entry ends its cash-book link; the key stays in RESERVE1.
    EXPECT_EQ(first("2025-02-18"), (std::vector<std::string>{"1|30000.0000|事務用品|" + deletedRec + "|0||0|0"}));
    EXPECT_EQ(first("2025-03-14"), (std::vector<std::string>{"0|7000.0000|タクシー代|" + std::to_string(clientRec) + "|0||0|10"}));

    // Cash: opening 350,000 from the client; debits 354,000; credits 325,000 - 30,000 + 1,000 + 7,000.
    EXPECT_EQ(One(open, "SELECT SUM(KAS_NUK) AS V FROM KAMOKU_MS WHERE KCODE = 'K111'"), "303000.0000");
    EXPECT_EQ(One(open, "SELECT SUM(KAR_NUK) AS V FROM KAMOKU_MS WHERE KCODE = 'K111'"), "354000.0000");
    EXPECT_EQ(Rows(open, "SELECT KISHU_KOMI, KISHU_NUKI, KAISIZAN FROM KAMOKU_SZ WHERE KCODE = 'K111'", {"KISHU_KOMI", "KISHU_NUKI", "KAISIZAN"}),
              std::vector<std::string>{"350000.0000|350000.0000|0.0000"});
    EXPECT_EQ(Rows(open, "SELECT HCODE, HNAME, BPFLG FROM HOJOMST WHERE KCODE = 'K131' AND HCODE IN ('1', '2', '3') ORDER BY HCODE", {"HCODE", "HNAME", "BPFLG"}),
              (std::vector<std::string>{"1|Ａ銀行本店|" + bpflg, "2|Ｂ信用金庫|" + bpflg, "3|Ｃ銀行|"}));
    EXPECT_EQ(One(open, "SELECT COUNT(*) AS V FROM KAMOKU_SZ WHERE KCODE = 'K131' AND HCODE = '3'"), "1");
    EXPECT_EQ(Tables(received), receivedBefore); // the merge reads the received data only

    // The same data again: nothing changes and nothing is reported.
    const auto after = Tables(open);
    kb::DM->IBDatabaseDAT.Open();
    kb::TCashBookLoader again;
    ASSERT_EQ(RunMerge(again), 1);
    EXPECT_EQ(Messages(again), std::vector<std::string>{"1 取り込み処理が成功しました。"});
    CloseData();
    EXPECT_EQ(Tables(open), after);
}

TEST_F(CashBookMerge, ARefusedEntryOrAFailureHalfWayLeavesBothDatabasesAsBefore)
{
    struct Case {
        const char* name;
        std::string script; // on the open data set
        int jobLevel;
        int outcome;
        std::string firstError;
    } cases[] = {
        {"audited until 03-31", "UPDATE ACCDEF1 SET KANSA_LOCK = 1, KANSA_DATE = '2025-03-31', KANSA_FIXDATE = '2025-03-31';", 1, -111,
         "-111 (仕訳番号:-  日付:2025/03/14 相手科目:旅費交通費 摘要:タクシー代 金額:7,000) 日付に監査済みの日付が設定されました。"},
        {"error at the link mark of the correction",
         "CREATE EXCEPTION E_TEST 'refused by the test';\nSET TERM ^ ;\nCREATE TRIGGER T_REFUSE FOR SIWAKE BEFORE UPDATE AS BEGIN\n"
         "  IF (NEW.RESERVE2 = 1) THEN EXCEPTION E_TEST;\nEND^\nSET TERM ; ^\n",
         9, -100, "-100 「現金仕訳の取り込み」に失敗しました。 原因: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CloseData();
        fx::RunIsql(open, c.script + "\nCOMMIT;\n");
        const auto openBefore = Tables(open);
        const auto receivedBefore = Tables(received);
        kb::DM->IBDatabaseDAT.Open();
        kb::fnGetAccInfo(*kb::DM);
        kb::SystemDef.JobLevel = c.jobLevel;
        kb::TCashBookLoader l;
        EXPECT_EQ(RunMerge(l), c.outcome);
        const auto m = Messages(l);
        ASSERT_FALSE(m.empty());
        const auto error = std::find_if(m.begin(), m.end(), [](const std::string& t) { return t[0] == '-'; });
        ASSERT_NE(error, m.end());
        EXPECT_EQ(error->substr(0, c.firstError.size()), c.firstError);
        EXPECT_TRUE(kb::DM->IBDatabaseDAT.Connected());
        CloseData();
        EXPECT_EQ(Tables(open), openBefore);
        EXPECT_EQ(Tables(received), receivedBefore);
        fx::RunIsql(open, "UPDATE ACCDEF1 SET KANSA_LOCK = 0;\nCOMMIT;\n");
        kb::DM->IBDatabaseDAT.Open();
    }
}

} // namespace
