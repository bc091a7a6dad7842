// The journal writer on copies of the general fixture (tests/fixtures/README.md): its checks with
// both wordings, writing, correcting, deleting and restoring entries, the one-shot AutoCommit and
// the wait for rows a second attachment holds. Sums are read back by isql (committed data only).

#include "DataSetWriter.h"
#include "FixtureBuilder.h"
#include "Isql.h"
#include "common/FakeUi.h"
#include "common/TestDb.h"

#include "accounting/z5SiwakeIO.h"
#include "core/DataModule.h"
#include "core/DataModuleAccInfo.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/uAccTaxCmp.h"
#include "fb/FbError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace fx = kbtest::fixture;
using kb::Currency;
using kb::Date;
using kb::DateTime;
using kb::TSWKREC;

namespace {

constexpr int kOperator = 100000010;

std::int64_t Yen(const std::string& v) { return std::stoll(v.substr(0, v.find('.'))); }

// What an entry moves: sums of the accounts and period it touches, the tax class sum, the count.
struct Sums {
    std::int64_t debitNuk, debitTax, creditNuk, taxKar, count;
    bool operator==(const Sums&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Sums& s)
{
    return os << "{" << s.debitNuk << ", " << s.debitTax << ", " << s.creditNuk << ", " << s.taxKar << ", " << s.count << "}";
}

class SiwakeWriter : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kbtest::PrepareFirebird();
        master_ = new kbtest::TempDir;
        fx::BuildGeneralDataSet(master_->path() / "0001", 1);
        // 水道光熱費 is kept per department as well, so an entry on it must name one
        fx::RunIsql(master_->path() / "0001" / "vqacc.fdb",
                    "INSERT INTO BUMONMST (BCODE, BNAME) VALUES ('01', '第一');\n"
                    "INSERT INTO KAMOKU_SZ (SCODE, KCODE, HCODE, BCODE) VALUES ('', 'K713', ' ', '01');\n"
                    "COMMIT;\n");
    }
    static void TearDownTestSuite()
    {
        delete master_;
        master_ = nullptr;
    }

    void SetUp() override
    {
        kb::ResetAccRecord();
        kb::ResetErrorReporter();
        kb::SetErrorUi(&ui);
        db = dir.path() / "vqacc.fdb";
        std::filesystem::copy_file(MasterDb(), db);
        kb::SystemDef.LogDir = (dir.path() / "log").string();
        std::filesystem::create_directories(kb::SystemDef.LogDir);
        kb::SystemDef.OpCode = kOperator;
        kb::SystemDef.JobLevel = 1;
        kb::SystemDef.PCName = "WS01";
        kb::CreateDM();
        Open(kb::DM->IBDatabaseDAT);
        ASSERT_TRUE(kb::fnGetAccInfo(*kb::DM));
        kb::InitZeiRituList(Date(2025, 1, 1));
        w.SetTransaction(kb::DM->IBTransactionDAT);
    }
    void TearDown() override
    {
        if (kb::DM->IBTransactionDAT.InTransaction()) kb::DM->IBTransactionDAT.Rollback();
        kb::DM->IBDatabaseDAT.Close();
        kb::FreeDM();
        kb::SetErrorUi(nullptr);
        kb::ResetErrorReporter();
        kb::ResetAccRecord();
    }

    virtual std::filesystem::path MasterDb() const { return master_->path() / "0001" / "vqacc.fdb"; }

    void Open(kb::fb::Connection& c) const
    {
        c.SetDatabaseName(db.string());
        c.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
        c.Open();
    }

    // A cash payment of travel costs in March (period 3), as the import fills it.
    TSWKREC Entry(std::int64_t yen = 7000)
    {
        TSWKREC r;
        w.InitSiwakeRec(r, 0, Date(2025, 3, 14));
        r.L.KCODE = "714";
        r.R.KCODE = "111";
        r.L.TAXCODE = r.R.TAXCODE = 810;
        r.KINGAKU = Currency::FromYen(yen);
        r.L.NUK = r.R.NUK = r.KINGAKU;
        r.TEKTEXT = "タクシー代";
        r.MNUM = 3; // as TestSiwake completes it
        return r;
    }

    Sums Read() const
    {
        const auto ms = [](const char* kcode, const char* column) {
            return std::string("(SELECT ") + column + " FROM KAMOKU_MS WHERE SCODE = '' AND HCODE = ' ' AND BCODE = ' ' AND MNUM = 3 "
                   "AND KCODE = '" + kcode + "')";
        };
        const auto row = fx::Query(db, "SELECT " + ms("K714", "KAR_NUK") + " AS DN, " + ms("K714", "KAR_TAX") + " AS DT, " +
                                           ms("K111", "KAS_NUK") + " AS CN, "
                                           "(SELECT KAR FROM KAMOKU_TAX WHERE SCODE = '' AND BCODE = ' ' AND KKUBUN = 2 AND MNUM = 3) AS TK, "
                                           "(SELECT SIWAKECOUNT FROM SISETUMST WHERE SCODE = '') AS N FROM RDB$DATABASE");
        const auto& r = row.at(0);
        return {Yen(r.at("DN")), Yen(r.at("DT")), Yen(r.at("CN")), Yen(r.at("TK")), std::stoll(r.at("N"))};
    }

    std::vector<fx::Row> Lines(int swkrec) const
    {
        return fx::Query(db, "SELECT REC, SWKNO, DELFLG, TAISHAKU, KINGAKU, \"COMMENT\", SDAYNUM FROM SIWAKE WHERE SWKREC = " +
                                 std::to_string(swkrec) + " ORDER BY REC");
    }

    // Every case in both wordings (a table of CheckCase rows, declared below).
    template <class Cases>
    void RunCheckCases(const Cases& cases)
    {
        const kb::TACCINF facts = kb::AccInf;
        for (const auto& c : cases) {
            for (std::uint8_t mode : {0, 1}) {
                SCOPED_TRACE(std::string(c.name) + (mode ? " (import)" : " (entry)"));
                kb::AccInf = facts;
                kb::TSiwakeWrite writer;
                writer.SetTransaction(kb::DM->IBTransactionDAT);
                writer.MessageMode = mode;
                writer.AutoCommit = 1;
                TSWKREC r = Entry();
                c.change(r, writer);
                int code = -1;
                std::string message = "previous";
                const bool ok = writer.TestSiwake(r, code, message);
                EXPECT_EQ(ok, c.code == 0);
                EXPECT_EQ(code, c.code);
                EXPECT_EQ(message, mode == 1 && !c.import.empty() ? c.import : c.entry);
                EXPECT_FALSE(kb::DM->IBTransactionDAT.InTransaction()); // the one-shot commit ended it
                EXPECT_EQ(writer.AutoCommit, 0);
            }
        }
        EXPECT_TRUE(ui.shown.empty());
    }

    int Put(TSWKREC& r)
    {
        w.AutoCommit = 1;
        return w.PutSiwake(r);
    }

    kbtest::RecordingErrorUi ui;
    kbtest::TempDir dir;
    std::filesystem::path db;
    kb::TSiwakeWrite w;
    static inline kbtest::TempDir* master_ = nullptr;
};

// Base before any write (hand figures of the fixture, March): 旅費交通費 debits 20,000 (03-12);
// 現金 credits 15,000 (utilities) + 20,000 (travel) = 35,000; no tax; 142 entries.
const Sums kBase{20000, 0, 35000, 0, 142};

// ---- TestSiwake

struct CheckCase {
    const char* name;
    std::function<void(TSWKREC&, kb::TSiwakeWrite&)> change;
    int code;
    std::string entry;  // MessageMode 0
    std::string import; // MessageMode 1; empty: as entry
};

std::vector<CheckCase> GeneralCases()
{
    using W = kb::TSiwakeWrite;
    const std::string zei700 = "税コードが[700番台]は、科目に仮払消費税を使用してください。";
    const std::string aite = "仮受消費税、仮払消費税の相手税コードは[810,910]を使用してください。";
    const std::string syokuti = "諸口の消費税コードは、[810,910]を使用してください。";
    const std::string tokutei = "特定課税仕入れ用の消費税コード[551,552,553,581,582,583]では税率[5%]は使用できません。";
    auto audit = [] {
        kb::AccInf.KANSA_LOCK = 1;
        kb::AccInf.KANSA_DATE = Date(2025, 7, 1);
        kb::AccInf.KANSA_FIXDATE = Date(2025, 6, 30);
    };
    return {
        {"valid", [](TSWKREC&, W&) {}, 0, "", ""},
        {"exactly ten digits", [](TSWKREC& r, W&) { r.KINGAKU = Currency::FromYen(9999999999LL); }, 0, "", ""},
        {"individual cost found", [](TSWKREC& r, W& w) {
             kb::AccInf.KobetuGenkaUse = 1;
             kb::AccInf.KobetuGenkaKeta = 1;
             w.KobetuGenkaList = {{"0012", "旧工事"}, {"0013", "本社改装"}};
             w.KobetuGenkaCount = 2;
             r.SNUM = 13;
         }, 0, "", ""},
        {"day after the year end", [](TSWKREC& r, W&) { r.HIZUKE = Date(2026, 1, 1); }, 1,
         "日付が会計期間外または、決算区分の指定が不正です。", "日付が会計期間外または、決算区分の設定が不正です。"},
        {"day before the start", [](TSWKREC& r, W&) { r.HIZUKE = Date(2024, 12, 31); }, 1,
         "日付が会計期間外または、決算区分の指定が不正です。", "日付が会計期間外または、決算区分の設定が不正です。"},
        {"audited entry", [&](TSWKREC& r, W&) { audit(); r.HIZUKE = Date(2025, 8, 1); r.CTIME = DateTime(Date(2025, 8, 2), 10); }, 2,
         "監査済みの仕訳は訂正できません。", "監査済みの仕訳が設定されました。"},
        {"audited day", [&](TSWKREC&, W&) { audit(); }, 3, "監査済みの日付は入力できません。", "日付に監査済みの日付が設定されました。"},
        {"individual cost missing", [](TSWKREC& r, W& w) {
             kb::AccInf.KobetuGenkaUse = 1;
             kb::AccInf.KobetuGenkaName = "工事";
             kb::AccInf.KobetuGenkaKeta = 1;
             w.KobetuGenkaList = {{"0012", "旧工事"}, {"0013", "本社改装"}};
             w.KobetuGenkaCount = 1; // only the first counts
             r.SNUM = 13;
         }, 4, "工事コードが見つかりません。", "工事コードの設定が不正です。"},
        {"branch missing", [](TSWKREC&, W&) { kb::AccInf.SITEN = 1; }, 5,
         "本・支店コードが不正です。データを選択し直してください。", "本・支店コードが不正です。"},
        {"facility missing (medical data)", [](TSWKREC&, W&) { kb::AccInf.SITEN = 1; kb::AccInf.DATATYPE = 3; }, 5,
         "施設コードが不正です。データを選択し直してください。", "施設コードが不正です。"},
        {"debit account unknown", [](TSWKREC& r, W&) { r.L.KCODE = "999"; }, 11,
         "借方の科目コードが見つかりません。", "借方の科目コードの設定が不正です。"},
        {"debit sub-account required", [](TSWKREC& r, W&) { r.L.KCODE = "131"; }, 11,
         "借方の補助コードを入力してください。", "借方の補助コードの設定が不正です。"},
        {"debit department missing", [](TSWKREC& r, W&) { r.L.KCODE = "713"; }, 11,
         "借方の部門コードが見つかりません。", "借方の部門コードの設定が不正です。"},
        {"debit tax code unknown", [](TSWKREC& r, W&) { r.L.TAXCODE = 999; }, 12,
         "借方の消費税コードを確認してください。", "借方の消費税コードの設定が不正です。"},
        {"debit input-tax code on a plain account", [](TSWKREC& r, W&) { r.L.TAXCODE = 711; }, 13, zei700, ""},
        {"debit tax account against a taxed side", [](TSWKREC& r, W&) {
             kb::AccInf.SysUserCode[1] = "714"; // as if 旅費交通費 were 仮払消費税
             r.R.TAXCODE = 110;
         }, 14, aite, ""},
        {"debit sundry account taxed", [](TSWKREC& r, W&) { kb::AccInf.SysUserCode[3] = "714"; r.L.TAXCODE = 511; }, 15, syokuti, ""},
        {"debit specific purchase at 5%", [](TSWKREC& r, W&) { r.L.TAXCODE = 551; r.OLDRATE = 2; }, 16, tokutei, ""},
        {"credit account unknown", [](TSWKREC& r, W&) { r.R.KCODE = "999"; }, 21,
         "貸方の科目コードが見つかりません。", "貸方の科目コードの設定が不正です。"},
        {"credit sub-account required", [](TSWKREC& r, W&) { r.R.KCODE = "131"; }, 21,
         "貸方の補助コードを入力してください。", "貸方の補助コードの設定が不正です。"},
        {"credit department missing", [](TSWKREC& r, W&) { r.R.KCODE = "713"; }, 21,
         "貸方の部門コードが見つかりません。", "貸方の部門コードの設定が不正です。"},
        {"credit tax code unknown", [](TSWKREC& r, W&) { r.R.TAXCODE = 999; }, 22,
         "貸方の消費税コードを確認してください。", "貸方の消費税コードの設定が不正です。"},
        {"credit input-tax code on a plain account", [](TSWKREC& r, W&) { r.R.TAXCODE = 711; }, 23, zei700, ""},
        {"credit tax account against a taxed side", [](TSWKREC& r, W&) {
             kb::AccInf.SysUserCode[2] = "111"; // as if 現金 were 仮受消費税
             r.L.TAXCODE = 511;
         }, 24, aite, ""},
        {"credit sundry account taxed", [](TSWKREC& r, W&) { kb::AccInf.SysUserCode[3] = "111"; r.R.TAXCODE = 110; }, 25, syokuti, ""},
        {"credit specific purchase at 5%", [](TSWKREC& r, W&) { r.R.TAXCODE = 551; r.OLDRATE = 2; }, 26, tokutei, ""},
        {"half a yen", [](TSWKREC& r, W&) { r.KINGAKU = Currency::FromRaw(5000); }, 31,
         "金額を入力してください。", "金額の設定が不正です。（０円 または null）"},
        {"negative amount", [](TSWKREC& r, W&) { r.KINGAKU = Currency::FromYen(-1); }, 31,
         "マイナス金額は入力できません。", "金額にマイナス値が設定されました。"},
        {"above ten digits by a fraction", [](TSWKREC& r, W&) { r.KINGAKU = Currency::FromRaw(99999999995000LL); }, 31,
         "金額桁数がオーバーしています。", "金額の設定が不正です。（桁数オーバー）"},
        {"approved entry", [](TSWKREC& r, W&) { r.SHONIN_HIZUKE = DateTime(Date(2025, 3, 20)); }, 40,
         "承認済みの仕訳は訂正できません。", "承認済みの仕訳が設定されました。"},
        {"rates differ", [](TSWKREC& r, W&) {
             r.L.RIT = Currency::FromYen(10);
             r.R.RIT = Currency::FromYen(8);
             r.L.RITUNO = 3;
             r.R.RITUNO = 4;
         }, 41, "借方と貸方の消費税率が違います。", ""},
    };
}

} // namespace

// Every case in both wordings; a data kind's own row set (medical data) runs through the same body.
TEST_F(SiwakeWriter, TestSiwakeRefusesEachFaultWithItsCodeInBothWordings) { RunCheckCases(GeneralCases()); }

namespace {

// The medical corporation's own rows: every entry names a facility; the hospital S1 keeps every
// account per department (01 to 03), the care home S3 without; 普通預金 of S2 has a sub-account.
std::vector<CheckCase> MedicalCases()
{
    using W = kb::TSiwakeWrite;
    auto at = [](const char* scode, const char* debit, const char* credit, const char* bcode = "") {
        return [=](TSWKREC& r, W&) {
            r.SCODE = scode;
            r.L.KCODE = debit;
            r.R.KCODE = credit;
            r.L.BCODE = r.R.BCODE = bcode;
        };
    };
    return {
        {"care home, no departments", at("S3", "721", "111"), 0, "", ""},
        {"hospital with a department on both sides", at("S1", "721", "111", "01"), 0, "", ""},
        {"no facility", at("", "721", "111"), 5,
         "施設コードが不正です。データを選択し直してください。", "施設コードが不正です。"},
        {"hospital without a department", at("S1", "721", "111"), 11,
         "借方の部門コードが見つかりません。", "借方の部門コードの設定が不正です。"},
        {"sub-account of the health centre missing", at("S2", "131", "411"), 11,
         "借方の補助コードを入力してください。", "借方の補助コードの設定が不正です。"},
        {"credit account unknown", at("S3", "721", "999"), 21,
         "貸方の科目コードが見つかりません。", "貸方の科目コードの設定が不正です。"},
    };
}

class MedicalSiwakeWriter : public SiwakeWriter {
protected:
    static void SetUpTestSuite()
    {
        kbtest::PrepareFirebird();
        medical_ = new kbtest::TempDir;
        fx::BuildMedicalDataSet(medical_->path() / "0006", 6);
    }
    static void TearDownTestSuite()
    {
        delete medical_;
        medical_ = nullptr;
    }
    std::filesystem::path MasterDb() const override { return medical_->path() / "0006" / "vqacc.fdb"; }
    static inline kbtest::TempDir* medical_ = nullptr;
};

} // namespace

TEST_F(MedicalSiwakeWriter, TestSiwakeRefusesEachFaultWithItsCodeInBothWordings)
{
    ASSERT_EQ(kb::AccInf.DATATYPE, 3);
    RunCheckCases(MedicalCases());
}

TEST_F(SiwakeWriter, TestSiwakeCompletesTheEntry)
{
    kb::DM->IBTransactionDAT.StartTransaction(); // AutoCommit 0: the caller's transaction is used and left open
    TSWKREC r = Entry();
    r.L.KCODE = "131";
    r.L.HCODE = "2";
    r.R.KCODE = "713";
    r.R.BCODE = "01";
    r.TEKTEXT = "振込\t手数料\r\n";
    r.TORTEXT = "㈱山田\n商会";
    r.L.TAXCODE = 511;
    r.OLDRATE = 3; // 8 %
    int code = -1;
    std::string message;
    ASSERT_TRUE(w.TestSiwake(r, code, message)) << message;
    EXPECT_TRUE(kb::DM->IBTransactionDAT.InTransaction());
    EXPECT_EQ(r.MNUM, 3);
    EXPECT_EQ(r.L.KGROUP, "1100");
    EXPECT_EQ(r.R.KGROUP, "6100");
    EXPECT_EQ(r.L.KNAME, "普通預金");
    EXPECT_EQ(r.L.HNAME, "Ｂ信用金庫");
    EXPECT_EQ(r.R.KNAME, "水道光熱費");
    EXPECT_EQ(r.R.BNAME, "第一");
    EXPECT_EQ(r.L.TAXUH, 2); // 511 taxable purchase, normally a debit
    EXPECT_EQ(r.L.TAXDC, 1);
    EXPECT_EQ(r.R.TAXUH, 0);
    EXPECT_EQ(r.TEKTEXT, "振込手数料");
    EXPECT_EQ(r.TORTEXT, "㈱山田商会");
    // both sides untaxed: the rate number in force on the date (10 % since 2019-10-01 is number 0)
    EXPECT_EQ(r.OLDRATE, 0);

    // a settlement entry on the year end is period 16
    TSWKREC s = Entry();
    s.HIZUKE = Date(2025, 12, 31);
    s.KESSAN = 1;
    ASSERT_TRUE(w.TestSiwake(s, code, message));
    EXPECT_EQ(s.MNUM, 16);
}

// ---- PutSiwake

TEST_F(SiwakeWriter, PutSiwakeInsertsKeepsKeysOnACommentAndReplacesOnAnAmount)
{
    ASSERT_EQ(Read(), kBase);
    TSWKREC r = Entry();
    int code = 0;
    std::string message;
    w.AutoCommit = 1;
    ASSERT_TRUE(w.TestSiwake(r, code, message)) << message;
    const int rec = Put(r);
    ASSERT_GT(rec, 0);
    EXPECT_EQ(r.REC, rec);
    EXPECT_EQ(rec, 2 * r.SWKREC - 1);
    EXPECT_EQ(r.SWKNO, r.SWKREC);
    EXPECT_FALSE(kb::DM->IBTransactionDAT.InTransaction());
    EXPECT_EQ(Read(), (Sums{27000, 0, 42000, 0, 143})); // committed: isql sees it
    auto lines = Lines(r.SWKREC);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].at("TAISHAKU"), "1");
    EXPECT_EQ(lines[1].at("REC"), std::to_string(rec + 1));
    const std::string day = lines[0].at("SDAYNUM");
    EXPECT_EQ(std::to_string(r.SDAYNUM), day);

    // only the comment: the pair keeps its keys
    TSWKREC again;
    w.AutoCommit = 1;
    w.GetSiwake(again, rec, true);
    EXPECT_EQ(again.SWKREC, r.SWKREC);
    EXPECT_EQ(again.L.KCODE, "714");
    EXPECT_EQ(again.R.KCODE, "111");
    EXPECT_EQ(again.KINGAKU, Currency::FromYen(7000));
    again.COMMENT = "確認済";
    w.AutoCommit = 1;
    ASSERT_TRUE(w.TestSiwake(again, code, message)) << message;
    EXPECT_EQ(Put(again), 0);
    EXPECT_EQ(again.REC, rec);
    EXPECT_EQ(again.SWKREC, r.SWKREC);
    lines = Lines(r.SWKREC);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].at("COMMENT"), "確認済");
    EXPECT_EQ(lines[0].at("DELFLG"), "0");
    EXPECT_EQ(Read(), (Sums{27000, 0, 42000, 0, 143}));

    // a new amount: a new pair 2w-1 / 2w, the old one kept as history (DELFLG 2)
    again.KINGAKU = again.L.NUK = again.R.NUK = Currency::FromYen(9000);
    const int oldSwk = again.SWKREC;
    EXPECT_EQ(Put(again), 0);
    EXPECT_GT(again.SWKREC, oldSwk);
    EXPECT_EQ(again.REC, 2 * again.SWKREC - 1);
    EXPECT_EQ(again.SWKNO, oldSwk); // same date: the history key stays
    for (const auto& l : Lines(oldSwk)) EXPECT_EQ(l.at("DELFLG"), "2");
    lines = Lines(again.SWKREC);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].at("DELFLG"), "0");
    EXPECT_EQ(lines[1].at("REC"), std::to_string(2 * again.SWKREC));
    EXPECT_EQ(Read(), (Sums{29000, 0, 44000, 0, 143}));
}

TEST_F(SiwakeWriter, PutSiwakeAnswersMinusOneAndTwoForEntriesChangedElsewhere)
{
    TSWKREC r = Entry();
    const int rec = Put(r);
    ASSERT_GT(rec, 0);

    kb::fb::Connection other;
    Open(other);
    kb::fb::Transaction otr(&other);
    other.SetDefaultTransaction(&otr);
    kb::TSiwakeWrite elsewhere;
    elsewhere.SetTransaction(otr);

    // corrected elsewhere: our stale copy learns the live version
    TSWKREC theirs;
    elsewhere.AutoCommit = 1;
    elsewhere.GetSiwake(theirs, rec, true);
    theirs.KINGAKU = theirs.L.NUK = theirs.R.NUK = Currency::FromYen(8000);
    elsewhere.AutoCommit = 1;
    ASSERT_EQ(elsewhere.PutSiwake(theirs), 0);
    TSWKREC stale = r;
    stale.COMMENT = "古い版";
    EXPECT_EQ(Put(stale), -2);
    EXPECT_EQ(stale.REC, theirs.REC);
    EXPECT_EQ(fx::Query(db, "SELECT COUNT(*) AS N FROM SIWAKE WHERE \"COMMENT\" = '古い版'").at(0).at("N"), "0");

    // deleted elsewhere: -1, the record untouched
    elsewhere.AutoCommit = 1;
    ASSERT_EQ(elsewhere.DeleteSiwake(theirs.SWKREC), 1);
    TSWKREC mine;
    w.AutoCommit = 1;
    w.GetSiwake(mine, theirs.REC, false);
    EXPECT_EQ(mine.DELFLG, 1);
    mine.DELFLG = 0; // as read before the deletion
    mine.KINGAKU = Currency::FromYen(1);
    const TSWKREC before = mine;
    EXPECT_EQ(Put(mine), -1);
    EXPECT_EQ(mine.REC, before.REC);
    EXPECT_EQ(mine.SWKREC, before.SWKREC);
    EXPECT_EQ(mine.RTIME, before.RTIME);
    EXPECT_EQ(Read(), kBase); // the deleted entry is out of the sums
    other.Close();
}

// ---- lock conflicts

TEST_F(SiwakeWriter, PutSiwakeWaitsForRowsASecondAttachmentHoldsAndGivesUpAfterTheBound)
{
    TSWKREC r = Entry();
    ASSERT_GT(Put(r), 0);

    kb::fb::Connection other;
    Open(other);
    kb::fb::Transaction otr(&other);
    auto hold = [&] {
        otr.StartTransaction();
        kb::fb::Statement q(other, &otr);
        q.SetSQL("UPDATE SIWAKE SET LOCALFLG = 1 WHERE SWKREC = :S");
        q.ParamByName("S").SetInteger(r.SWKREC);
        q.ExecQuery();
    };

    // the holder commits during the first pause: the second try goes through
    hold();
    int waits = 0;
    w.LockRetry.Tries = 3;
    w.LockRetry.Pause = std::chrono::milliseconds(5);
    w.LockRetry.Wait = [&](std::chrono::milliseconds pause) {
        EXPECT_EQ(pause.count(), 5);
        if (++waits == 1) otr.Commit();
    };
    TSWKREC changed = r;
    changed.KINGAKU = changed.L.NUK = changed.R.NUK = Currency::FromYen(9000);
    EXPECT_EQ(Put(changed), 0);
    EXPECT_EQ(waits, 1);
    EXPECT_NE(changed.SWKREC, r.SWKREC);
    EXPECT_EQ(Read(), (Sums{29000, 0, 44000, 0, 143}));
    std::ifstream log(kb::IBErrorLogPath());
    std::stringstream logText;
    logText << log.rdbuf();
    EXPECT_NE(logText.str().find("TSiwakeWrite.PutSiwake"), std::string::npos);

    // a holder that never lets go: the bound of tries, then the conflict is raised and rolled back
    r = changed;
    hold();
    waits = 0;
    w.LockRetry.Wait = [&](std::chrono::milliseconds) { ++waits; };
    changed.KINGAKU = changed.L.NUK = changed.R.NUK = Currency::FromYen(1000);
    w.AutoCommit = 1;
    try {
        w.PutSiwake(changed);
        ADD_FAILURE() << "a held row was written";
    } catch (const kb::FbError& e) {
        EXPECT_TRUE(e.IBErrorCode() == kb::isc::lock_conflict || e.IBErrorCode() == kb::isc::deadlock) << e.IBErrorCode();
    }
    EXPECT_EQ(waits, 2); // three tries, two pauses
    EXPECT_FALSE(kb::DM->IBTransactionDAT.InTransaction());
    otr.Rollback();
    EXPECT_EQ(Read(), (Sums{29000, 0, 44000, 0, 143}));
    EXPECT_EQ(w.AutoCommit, 0);
    other.Close();
}

// ---- DeleteSiwake and RestoreSiwake

TEST_F(SiwakeWriter, DeleteAndRestoreMoveTheSumsByExactlyTheEntry)
{
    // a taxed purchase: 11,000 of which 1,000 input tax on the debit (class 2)
    TSWKREC r = Entry(11000);
    r.L.TAXCODE = 511;
    r.L.NUK = Currency::FromYen(10000);
    r.L.ZEI = Currency::FromYen(1000);
    r.L.RIT = Currency::FromYen(10);
    int code = 0;
    std::string message;
    w.AutoCommit = 1;
    ASSERT_TRUE(w.TestSiwake(r, code, message)) << message;
    ASSERT_GT(Put(r), 0);
    const Sums with{30000, 1000, 46000, 1000, 143};
    ASSERT_EQ(Read(), with);

    w.AutoCommit = 1;
    EXPECT_EQ(w.DeleteSiwake(r.SWKREC), 1);
    EXPECT_EQ(Read(), kBase);
    w.AutoCommit = 1;
    EXPECT_EQ(w.RestoreSiwake(r.SWKREC), 1);
    EXPECT_EQ(Read(), with);
    // restored behind the live entries of its date (03-14 had none but this one was deleted: 0)
    EXPECT_EQ(Lines(r.SWKREC).at(0).at("SDAYNUM"), "0");
    EXPECT_EQ(Lines(r.SWKREC).at(1).at("DELFLG"), "0");

    // a replaced version is history: restoring it changes nothing and answers 0
    TSWKREC changed = r;
    changed.KINGAKU = changed.R.NUK = Currency::FromYen(12000);
    changed.L.NUK = Currency::FromYen(11000);
    EXPECT_EQ(Put(changed), 0);
    const Sums replaced{31000, 1000, 47000, 1000, 143};
    ASSERT_EQ(Read(), replaced);
    w.AutoCommit = 1;
    EXPECT_EQ(w.RestoreSiwake(r.SWKREC), 0);
    EXPECT_EQ(Read(), replaced);
    for (const auto& l : Lines(r.SWKREC)) EXPECT_EQ(l.at("DELFLG"), "2");
    // ... and so does restoring a live entry
    w.AutoCommit = 1;
    EXPECT_EQ(w.RestoreSiwake(changed.SWKREC), 0);
    EXPECT_EQ(Read(), replaced);
}

TEST_F(SiwakeWriter, RestoreSiwakePlacesTheEntryAfterTheLiveEntriesOfItsDate)
{
    // 2025-03-12 holds the travel entry of the fixture; a second one that day is deleted and back
    TSWKREC r = Entry();
    r.HIZUKE = Date(2025, 3, 12);
    ASSERT_GT(Put(r), 0);
    const int first = std::stoi(fx::Query(db, "SELECT MIN(SDAYNUM) AS S FROM SIWAKE WHERE HIZUKE = '2025-03-12'")[0].at("S"));
    w.AutoCommit = 1;
    ASSERT_EQ(w.DeleteSiwake(r.SWKREC), 1);
    w.AutoCommit = 1;
    ASSERT_EQ(w.RestoreSiwake(r.SWKREC), 1);
    EXPECT_EQ(Lines(r.SWKREC).at(0).at("SDAYNUM"), std::to_string(first + 1));
}

// ---- AutoCommit and the caller's transaction

TEST_F(SiwakeWriter, WithoutAutoCommitTheCallersTransactionDecidesAndWithItEvenACallersIsCommitted)
{
    auto& tr = kb::DM->IBTransactionDAT;
    tr.StartTransaction();
    TSWKREC a = Entry();
    ASSERT_GT(w.PutSiwake(a), 0); // AutoCommit 0
    EXPECT_TRUE(tr.InTransaction());
    EXPECT_EQ(Read(), kBase); // not committed
    tr.Rollback();
    EXPECT_EQ(Read(), kBase);

    tr.StartTransaction();
    TSWKREC b = Entry();
    ASSERT_GT(w.PutSiwake(b), 0);
    TSWKREC c = Entry(3000);
    w.AutoCommit = 1;
    ASSERT_GT(w.PutSiwake(c), 0); // commits b with it
    EXPECT_FALSE(tr.InTransaction());
    EXPECT_EQ(Read(), (Sums{30000, 0, 45000, 0, 144}));
    EXPECT_EQ(w.AutoCommit, 0);

    // a failed write under AutoCommit rolls back the caller's work too
    tr.StartTransaction();
    TSWKREC d = Entry();
    ASSERT_GT(w.PutSiwake(d), 0);
    TSWKREC bad = Entry();
    bad.L.KCODE = "999"; // the procedure refuses an unknown account
    w.AutoCommit = 1;
    EXPECT_THROW(w.PutSiwake(bad), kb::FbError);
    EXPECT_FALSE(tr.InTransaction());
    EXPECT_EQ(Read(), (Sums{30000, 0, 45000, 0, 144}));
}

TEST_F(SiwakeWriter, InitAndGetSiwakeDefaults)
{
    TSWKREC r;
    w.InitSiwakeRec(r, 1, Date(2018, 5, 1)); // 8 % in force then: rate number 3
    EXPECT_EQ(r.PCNAME, "WS01");
    EXPECT_EQ(r.OPCODE, kOperator);
    EXPECT_EQ(r.KESSAN, 1);
    EXPECT_EQ(r.TAISHAKU, 1);
    EXPECT_EQ(r.L.TAXCODE, 910);
    EXPECT_EQ(r.R.TAXCODE, 910);
    EXPECT_FALSE(r.RTIME.IsNull());
    EXPECT_EQ(r.OLDRATE, 3);
    EXPECT_EQ(r.L.RITUNO, 3);
    EXPECT_EQ(r.R.RITUNO, 3);

    TSWKREC missing;
    missing.REC = 77;
    w.AutoCommit = 1;
    w.GetSiwake(missing, 999999, false);
    EXPECT_EQ(missing.REC, 0);
    EXPECT_EQ(missing.HIZUKE, Date::Today());
    EXPECT_EQ(missing.KESSAN, 0);

    // the fixture's 05-31 tax payment, read through the plain query (no view)
    const auto row = fx::Query(db, "SELECT REC FROM SIWAKE WHERE HIZUKE = '2025-05-31' AND TAISHAKU = 1");
    TSWKREC tax;
    w.AutoCommit = 1;
    w.GetSiwake(tax, std::stoi(row.at(0).at("REC")), false);
    EXPECT_EQ(tax.L.KCODE, "711");
    EXPECT_EQ(tax.R.KCODE, "131");
    EXPECT_EQ(tax.R.HCODE, "1");
    EXPECT_EQ(tax.KINGAKU, Currency::FromYen(50000));
    EXPECT_EQ(tax.MNUM, 6);
    EXPECT_TRUE(tax.SHONIN_HIZUKE.IsNull());
    EXPECT_FALSE(kb::DM->IBTransactionDAT.InTransaction());
}

// A stored entry keeps its own names while their codes stay; a changed code takes the master's.
TEST_F(SiwakeWriter, TestSiwakeKeepsStoredNamesOfUnchangedCodes)
{
    TSWKREC r = Entry();
    r.L.KCODE = "131";
    r.L.HCODE = "1";
    int code = 0;
    std::string message;
    w.AutoCommit = 1;
    ASSERT_TRUE(w.TestSiwake(r, code, message)) << message;
    ASSERT_GT(Put(r), 0);
    fx::RunIsql(db, "UPDATE KAMOKUMST SET KNAME = '普通預金口座' WHERE KCODE = 'K131';\n"
                    "UPDATE HOJOMST SET HNAME = 'Ａ銀行本店' WHERE KCODE = 'K131' AND HCODE = '1';\n"
                    "COMMIT;\n");

    auto check = [&](const std::function<void(TSWKREC&)>& change) {
        TSWKREC s;
        w.AutoCommit = 1;
        w.GetSiwake(s, r.REC, true);
        change(s);
        w.AutoCommit = 1;
        EXPECT_TRUE(w.TestSiwake(s, code, message)) << message;
        return s;
    };
    TSWKREC same = check([](TSWKREC&) {});
    EXPECT_EQ(same.L.KNAME, "普通預金");
    EXPECT_EQ(same.L.HNAME, "Ａ銀行");

    TSWKREC otherSub = check([](TSWKREC& s) { s.L.HCODE = "2"; });
    EXPECT_EQ(otherSub.L.KNAME, "普通預金");
    EXPECT_EQ(otherSub.L.HNAME, "Ｂ信用金庫");

    TSWKREC renamed = check([](TSWKREC& s) { s.L.KNAME = "預金"; });
    EXPECT_EQ(renamed.L.KNAME, "普通預金口座");
    EXPECT_EQ(renamed.L.HNAME, "Ａ銀行");
}

TEST_F(SiwakeWriter, GetKamokuArrayListsTheFacilitysAccountRows)
{
    w.AutoCommit = 1;
    w.SetScode("");
    EXPECT_FALSE(kb::DM->IBTransactionDAT.InTransaction());
    // 29 accounts, two more rows for the sub-accounts of 普通預金, one for the department of 水道光熱費
    EXPECT_EQ(w.KamokuCount, 32);
    ASSERT_EQ(w.KamokuArray.size(), 32u);
    EXPECT_EQ(w.KamokuIndex.size(), 29u);
    auto first = [&](const std::string& user) -> const kb::TKamokuRec* {
        for (const auto& line : w.KamokuIndex)
            if (line.rfind(user + "=", 0) == 0) return &w.KamokuArray.at(std::stoul(line.substr(user.size() + 1)));
        return nullptr;
    };
    const auto* bank = first("131");
    ASSERT_NE(bank, nullptr);
    EXPECT_TRUE(bank->HasHojo);
    EXPECT_FALSE(bank->HasBumon);
    EXPECT_EQ(bank->KAMOKU.KNAME, "普通預金");
    EXPECT_EQ(bank[1].HOJO.HNAME, "Ａ銀行");
    EXPECT_EQ(bank[2].HOJO.HNAME, "Ｂ信用金庫");
    const auto* water = first("713");
    ASSERT_NE(water, nullptr);
    EXPECT_FALSE(water->HasHojo);
    EXPECT_TRUE(water->HasBumon);
    EXPECT_EQ(water[1].BUMON.BNAME, "第一");
    const auto* cash = first("111");
    ASSERT_NE(cash, nullptr);
    EXPECT_FALSE(cash->HasHojo || cash->HasBumon);

    // FindKamoku: a code wider than the column finds nothing without asking
    w.AutoCommit = 1;
    EXPECT_TRUE(w.FindKamoku("", "", "131", "2"));
    EXPECT_EQ(w.Kamoku.HOJO.HNAME, "Ｂ信用金庫");
    EXPECT_EQ(w.Kamoku.KAMOKU.GROUPM1, "1100");
    EXPECT_FALSE(w.FindKamoku("", "", "1310000", "2"));
}
