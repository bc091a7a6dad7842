// Sender marks on copies of the general fixture, whose cash account K111 has 21 entries (twelve
// utilities, four travel, two supplies, one miscellaneous payment, the owner's contribution of
// 07-01 and the sale of 08-08).

#include "CashBookTestSupport.h"

#include "accounting/z5SiwakeIO.h"
#include "common/FakeUi.h"
#include "core/ErrorReporter.h"
#include "core/uAccTaxCmp.h"
#include "exchange/CashBookSender.h"

namespace {

using namespace kbtest::exchange;

// The owner's contribution (07-01) is deleted on the sending side; a non-cash entry (the first
// communication charge) still carries a change counter.
const char* kChanges = R"(
UPDATE SIWAKE SET DELFLG = 1 WHERE SWKREC = (SELECT SWKREC FROM SIWAKE WHERE TAISHAKU = 1 AND KCODE = 'K111' AND R_KCODE = 'K391');
UPDATE SIWAKE SET LINKREC = 5, RESERVE1 = 77, LINKKUB = 3, LINKKEY = 'x', LOCALFLG = 10
  WHERE SWKREC = (SELECT MIN(SWKREC) FROM SIWAKE WHERE KCODE = 'K715');
)";

class CashBookSender : public OpenDataSet {
protected:
    void SetUp() override
    {
        db = GeneralCopy(tmp.path() / "0001", kChanges);
        OpenData(db.parent_path());
        kb::SetErrorUi(&ui);
    }
    void TearDown() override
    {
        kb::SetErrorUi(nullptr);
        OpenDataSet::TearDown();
    }
    int Run(int mode)
    {
        kb::TCashBookSender s;
        s.Mode = mode;
        s.Execute();
        return s.GetResultCode();
    }
    // Lines of an entry (first side first): RESERVE1, RESERVE2, LINKKEY, LINKKUB, LINKREC, LOCALFLG.
    std::vector<std::string> Links(const std::string& where)
    {
        return Rows(db,
                    "SELECT S.RESERVE1 - F.REC AS R1, S.RESERVE2, CASE WHEN S.LINKKEY = CAST(F.REC AS VARCHAR(20)) THEN 'REC' "
                    "ELSE '[' || S.LINKKEY || ']' END AS LK, S.LINKKUB, S.LINKREC, S.LOCALFLG FROM SIWAKE S "
                    "JOIN SIWAKE F ON (F.SWKREC = S.SWKREC AND F.TAISHAKU = 1) WHERE " + where + " ORDER BY S.TAISHAKU",
                    {"R1", "RESERVE2", "LK", "LINKKUB", "LINKREC", "LOCALFLG"});
    }
    std::string Count(const std::string& where)
    {
        return Rows(db, "SELECT COUNT(*) AS N FROM SIWAKE WHERE " + where, {"N"}).at(0);
    }

    std::filesystem::path db;
    kbtest::RecordingErrorUi ui;
};

TEST_F(CashBookSender, MasterThenIncrementalMarks)
{
    ASSERT_EQ(Run(0), 1);
    // RESERVE1 is shown as its difference to the first side's REC.
    const std::vector<std::string> linked = {"0|0|REC|10|0|0", "0|0|REC|10|0|0"};
    EXPECT_EQ(Links("F.HIZUKE = '2025-08-08'"), linked);
    EXPECT_EQ(Links("F.HIZUKE = '2025-11-11'"), linked);
    EXPECT_EQ(Links("F.KCODE = 'K111' AND F.R_KCODE = 'K391'"), (std::vector<std::string>{"0|0|[]|0|0|0", "0|0|[]|0|0|0"}));
    const auto nonCash = Links("F.SWKREC = (SELECT MIN(SWKREC) FROM SIWAKE WHERE KCODE = 'K715')");
    ASSERT_EQ(nonCash.size(), 2u);
    for (const auto& l : nonCash) EXPECT_EQ(l.substr(l.find('|')), "|0|[]|0|0|0"); // RESERVE1 0
    EXPECT_EQ(Count("RESERVE1 = 77"), "0");
    EXPECT_EQ(Count("LINKKUB = 10"), "40"); // 20 live cash entries, both lines
    EXPECT_EQ(Count("LINKKUB = 10 AND KCODE <> 'K111' AND R_KCODE <> 'K111'"), "0");
    EXPECT_TRUE(ui.shown.empty());

    // A cash entry made after the master send, then an incremental send: only it is linked, and
    // its RESERVE1 stays 0 (a line the other side does not know yet).
    kb::InitZeiRituList(kb::Date(2025, 1, 1));
    ASSERT_GT(PostCashEntry(kb::DM->IBTransactionDAT, kb::Date(2025, 3, 14), 7000, ""), 0);

    ASSERT_EQ(Run(1), 1);
    const auto fresh = Rows(db, "SELECT RESERVE1, LINKKEY, LINKKUB, REC FROM SIWAKE WHERE HIZUKE = '2025-03-14' ORDER BY TAISHAKU",
                            {"RESERVE1", "LINKKEY", "LINKKUB", "REC"});
    ASSERT_EQ(fresh.size(), 2u);
    const std::string rec = fresh[0].substr(fresh[0].rfind('|') + 1);
    EXPECT_EQ(fresh[0], "0|" + rec + "|10|" + rec);
    EXPECT_EQ(fresh[1].substr(0, fresh[1].rfind('|')), "0|" + rec + "|10");
    EXPECT_EQ(Count("LINKKUB = 10"), "42");
}

TEST_F(CashBookSender, AFailingUpdateLeavesNoMark)
{
    // The 12-12 travel payment refuses its update half-way through the run.
    fx::RunIsql(db, "CREATE EXCEPTION E_TEST 'refused by the test';\nSET TERM ^ ;\n"
                    "CREATE TRIGGER T_REFUSE FOR SIWAKE BEFORE UPDATE AS BEGIN\n"
                    "  IF (NEW.HIZUKE = '2025-12-12' AND NEW.LINKKUB = 10) THEN EXCEPTION E_TEST;\nEND^\nSET TERM ; ^\nCOMMIT;\n");
    kb::DM->IBDatabaseDAT.Close();
    kb::DM->IBDatabaseDAT.Open();
    kb::TCashBookSender s;
    s.Mode = 0;
    s.Execute();
    EXPECT_EQ(s.GetResultCode(), -100);
    ASSERT_EQ(s.Log.size(), 1u);
    EXPECT_EQ(s.Log[0].Kind, 3);
    EXPECT_EQ(s.Log[0].Message.rfind("出納帳データの送信処理に失敗しました。 原因: ", 0), 0u) << s.Log[0].Message;
    EXPECT_NE(s.Log[0].Message.find("refused by the test"), std::string::npos);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].rfind("出納帳データの送信処理中にエラーが発生しました。\r\r原因: ", 0), 0u);
    EXPECT_FALSE(kb::DM->IBTransactionDAT.InTransaction());
    EXPECT_EQ(Count("LINKKUB = 10"), "0");
    EXPECT_EQ(Count("RESERVE1 = 77"), "2");
}

TEST_F(CashBookSender, ACallersTransactionHoldsTheMarks)
{
    kb::DM->IBTransactionDAT.StartTransaction();
    ASSERT_EQ(Run(0), 1);
    EXPECT_TRUE(kb::DM->IBTransactionDAT.InTransaction());
    kb::DM->IBTransactionDAT.Rollback();
    EXPECT_EQ(Count("LINKKUB = 10"), "0");
}

} // namespace
