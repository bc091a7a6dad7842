// The calculator on a real data-set database: an asset read by key, the election settings of the
// data set, and the depreciation rows of a statement in register order.

#include <gtest/gtest.h>

#include "common/TestDb.h"
#include "fb/Database.h"
#include "fb/Statement.h"
#include "linkage/z5ComGenkaSyokyaku.h"

using kb::Currency;
using kb::Date;

namespace {

// The register and settings tables as far as the calculator reads them.
const char* kSchema = R"(
CREATE TABLE KS_SISAN (
  REC INTEGER NOT NULL PRIMARY KEY, SCODE VARCHAR(12) DEFAULT '', KANRI VARCHAR(10) CHARACTER SET ASCII DEFAULT '',
  KCODE VARCHAR(6) DEFAULT '', HCODE VARCHAR(6) DEFAULT ' ', BCODE VARCHAR(6) DEFAULT '',
  MEISYOU VARCHAR(20) CHARACTER SET SJIS_0208 DEFAULT '', SURYO NUMERIC(16,4), JYOKYO INTEGER DEFAULT 1,
  GSKAHI INTEGER DEFAULT 0, GSHOUHOU INTEGER DEFAULT 1, GSSISANZEI INTEGER DEFAULT 0, SYUTODATE DATE,
  SYUTOSWK INTEGER DEFAULT 0, SIHAKCODE VARCHAR(6) DEFAULT '', SIHAHCODE VARCHAR(6) DEFAULT '',
  KOUNYUTAXCODE INTEGER, KOUNYUKIN NUMERIC(16,4), KOUNYUTAX NUMERIC(16,4), KOUNYUTAXCALCU INTEGER,
  ISINPKOUNYUTAX INTEGER DEFAULT 0, SYUTOKIN NUMERIC(16,4), ISINPSYUTOKIN INTEGER DEFAULT 0,
  KISYUMISYOUKIN NUMERIC(16,4), KISOKIN NUMERIC(16,4), ISINPKISOKIN INTEGER DEFAULT 0, TAIYOUYY INTEGER,
  SYOURITU NUMERIC(16,4), ISINPSYOURITU INTEGER DEFAULT 0, JYOBAI INTEGER DEFAULT 0, GENSYODATE DATE,
  GENSYOSWK INTEGER DEFAULT 0, SYUNYUKCODE VARCHAR(6) DEFAULT '', SYUNYUHCODE VARCHAR(6) DEFAULT '',
  BAIKYAKUTAXCODE INTEGER, BAIKYAKUKIN NUMERIC(16,4), BAIKYAKUTAX NUMERIC(16,4), BAIKYAKUTAXCALCU INTEGER,
  ISINPBAIKYAKUTAX INTEGER DEFAULT 0, SYOUKIKANSTR INTEGER, SYOUKIKANEND INTEGER, ISINPSYOUKIKAN INTEGER DEFAULT 0,
  FUTUSYOUKIN NUMERIC(16,4), ISINPFUTUSYOUKIN INTEGER DEFAULT 0, WARISYOUKIN NUMERIC(16,4),
  SYOUKINKEI NUMERIC(16,4), MATUMISYOUKIN NUMERIC(16,4), TEKIYO VARCHAR(50) CHARACTER SET SJIS_0208 DEFAULT '',
  TRANSKBN INTEGER, KAITEISYUTOKUKAGAKU NUMERIC(16,4) DEFAULT 0, KAITEISYUTOKUKAGAKU_INPUT NUMERIC(16,4) DEFAULT 0,
  ISINPKAITEISYUTOKUKAGAKU INTEGER DEFAULT 0, ZANKAHOSYOUGAKU NUMERIC(16,4) DEFAULT 0,
  JIGYOUWARIAI_NEW NUMERIC(16,4) DEFAULT 100, TEIRITU250 INTEGER DEFAULT 0, TEIRITU200 INTEGER DEFAULT 0,
  TAIYONENSU200 INTEGER DEFAULT 0, SYUTOKUKAGAKUCHOSEI NUMERIC(16,4) DEFAULT 0
);
CREATE TABLE ACCREG (
  AGROUP VARCHAR(40) CHARACTER SET SJIS_0208 NOT NULL, ACODE VARCHAR(60) CHARACTER SET SJIS_0208 NOT NULL,
  ATYPE VARCHAR(20) CHARACTER SET SJIS_0208, ATEXT VARCHAR(255) CHARACTER SET SJIS_0208,
  PRIMARY KEY (AGROUP, ACODE)
);
COMMIT;
)";

class GenkaDb : public ::testing::Test {
protected:
    void SetUp() override
    {
        file = kbtest::CreateDatabase(tmp / "vqacc.fdb", kSchema);
        db.SetDatabaseName(file.string());
        db.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
        db.SetDefaultTransaction(&tr);
        tr.SetDefaultDatabase(&db);
        db.Open();
        Fill();
        settei = kb::TGenkaSettei::ForYear(Date(2024, 1, 1), Date(2024, 12, 31), 99, 2, 0, 1, 0);
    }

    struct Asset {
        int rec;
        const char* kanri;
        const char* name;
        double suryo;
        int method;
        Date acquired;
        long long cost, opening;
        int life, from, to;
        long long total, closing, share;
        const char* tekiyo;
    };

    // Rows go in through the access layer, as the program's own texts do (CP932 via SJIS_0208).
    void Fill()
    {
        kb::fb::TransactionGuard g(tr);
        kb::fb::Statement q(db, &tr);
        q.SetSQL("INSERT INTO ACCREG VALUES (:G, :K, :T, :V)");
        q.ParamByName("G").SetString("減価償却設定");
        q.ParamByName("K").SetString("200%定率法で償却する経過措置");
        q.ParamByName("T").SetString("整数");
        q.ParamByName("V").SetString("1");
        q.ExecQuery();
        // KANRI orders the register: "A" comes first although its key is last.
        const Asset assets[] = {
            {1, "B", "営業車①", 1, 2, Date(2020, 1, 1), 1000000, 262144, 10, 1, 12, 65536, 196608, 50, "200%"},
            {2, "C", "椅子", 3, 5, Date(2024, 5, 1), 250000, 0, 0, 5, 12, 250000, 0, 100, ""},
            {3, "D", "机", 1, 5, Date(2023, 5, 1), 200000, 0, 0, 1, 12, 0, 0, 100, ""},
            {4, "A", "パソコン", 2, 1, Date(2024, 4, 10), 1000000, 0, 10, 4, 12, 75000, 925000, 100, "事務用"},
        };
        q.SetSQL("INSERT INTO KS_SISAN (REC, KANRI, MEISYOU, SURYO, GSHOUHOU, SYUTODATE, SYUTOKIN, KISYUMISYOUKIN, "
                 "TAIYOUYY, SYOUKIKANSTR, SYOUKIKANEND, SYOUKINKEI, MATUMISYOUKIN, JIGYOUWARIAI_NEW, TEKIYO) VALUES "
                 "(:REC, :KANRI, :MEISYOU, :SURYO, :GSHOUHOU, :SYUTODATE, :SYUTOKIN, :KISYUMISYOUKIN, :TAIYOUYY, "
                 ":SYOUKIKANSTR, :SYOUKIKANEND, :SYOUKINKEI, :MATUMISYOUKIN, :JIGYOUWARIAI, :TEKIYO)");
        for (const Asset& a : assets) {
            q.ParamByName("REC").SetInteger(a.rec);
            q.ParamByName("KANRI").SetString(a.kanri);
            q.ParamByName("MEISYOU").SetString(a.name);
            q.ParamByName("SURYO").SetDouble(a.suryo);
            q.ParamByName("GSHOUHOU").SetInteger(a.method);
            q.ParamByName("SYUTODATE").SetDate(a.acquired);
            q.ParamByName("SYUTOKIN").SetCurrency(Currency::FromYen(a.cost));
            q.ParamByName("KISYUMISYOUKIN").SetCurrency(Currency::FromYen(a.opening));
            q.ParamByName("TAIYOUYY").SetInteger(a.life);
            q.ParamByName("SYOUKIKANSTR").SetInteger(a.from);
            q.ParamByName("SYOUKIKANEND").SetInteger(a.to);
            q.ParamByName("SYOUKINKEI").SetCurrency(Currency::FromYen(a.total));
            q.ParamByName("MATUMISYOUKIN").SetCurrency(Currency::FromYen(a.closing));
            q.ParamByName("JIGYOUWARIAI").SetCurrency(Currency::FromYen(a.share));
            q.ParamByName("TEKIYO").SetString(a.tekiyo);
            q.ExecQuery();
        }
        g.Commit();
    }

    std::string Setting(const std::string& key)
    {
        kb::fb::Transaction t(&db);
        kb::fb::TransactionGuard g(t);
        kb::fb::Statement q(db, &t);
        q.SetSQL("SELECT ATEXT FROM ACCREG WHERE AGROUP=:G AND ACODE=:K");
        q.ParamByName("G").SetString("減価償却設定");
        q.ParamByName("K").SetString(key);
        q.ExecQuery();
        return q.Eof() ? "<none>" : q.FieldByName("ATEXT").AsString();
    }

    kbtest::TempDir tmp;
    std::filesystem::path file;
    kb::fb::Connection db;
    kb::fb::Transaction tr;
    kb::TGenkaSettei settei;
};

} // namespace

TEST_F(GenkaDb, AnAssetIsReadByKeyAndComputed)
{
    kb::TGenkaSyokyakuSisanCalc calc(settei, db, tr);
    kb::TGenkaSyokyakuSisanRec r;
    EXPECT_EQ(calc.Calc(1, r), 1);
    // 262,144 x 0.200 is below the guarantee 65,520: revised, 262,144 x 0.250.
    EXPECT_EQ(r.FutuSyoukin, Currency::FromYen(65536));
    EXPECT_EQ(r.Jyokyo, 5);
    EXPECT_EQ(r.JigyouWariai, Currency::FromYen(50));
    EXPECT_EQ(r.JigyouKin, Currency::FromYen(32768));
    EXPECT_FALSE(tr.InTransaction()) << "the transaction it started is ended again";

    // An unknown key leaves the record as initialised.
    EXPECT_EQ(calc.Calc(99, r), 1);
    EXPECT_EQ(r.SyokyakuKubun, 2);
    EXPECT_EQ(r.JigyouWariai, Currency::FromYen(100));
    EXPECT_EQ(r.FutuSyoukin, Currency());

    // Inside the caller's transaction it stays the caller's.
    tr.StartTransaction();
    calc.Calc(4, r);
    EXPECT_TRUE(tr.InTransaction());
    EXPECT_EQ(r.FutuSyoukin, Currency::FromYen(75000));
    tr.Commit();
}

TEST_F(GenkaDb, ElectionSettingsAreReadAndAMissingOneIsStoredWithItsDefault)
{
    EXPECT_EQ(Setting("250%定率法で償却する経過措置"), "<none>");
    kb::TGenkaSyokyakuSisanCalc calc(settei, db, tr);
    EXPECT_EQ(calc.Keika200, 1);
    EXPECT_EQ(calc.Keika250, 0);
    EXPECT_EQ(Setting("250%定率法で償却する経過措置"), "0");
    EXPECT_EQ(Setting("200%定率法で償却する経過措置"), "1");
}

TEST_F(GenkaDb, StatementRowsInRegisterOrder)
{
    const auto l = kb::ReadGenkaRows(db, tr, settei, 11, true);
    ASSERT_EQ(l.GenkaRows.size(), 2u);
    EXPECT_EQ(l.GenkaRows[0].Meisyou, "パソコン") << "KANRI orders the rows";
    EXPECT_EQ(l.GenkaRows[0].Tekiyo, "事務用");
    EXPECT_DOUBLE_EQ(l.GenkaRows[0].Suryo, 2.0);
    EXPECT_EQ(l.GenkaRows[1].Meisyou, "営業車①");
    EXPECT_EQ(l.GenkaRows[1].FutuSyoukin, Currency::FromYen(65536));
    ASSERT_EQ(l.TokureiRows.size(), 1u) << "the small asset of 2023 is not listed";
    EXPECT_TRUE(l.GenkaTokurei);
    EXPECT_FALSE(l.GenkaBessi);
    EXPECT_EQ(l.Shown[2].Tekiyo, "措法28の2");
    EXPECT_EQ(l.Shown[2].Meisyou, "椅子");
    EXPECT_EQ(l.Shown[2].Syutokin, Currency::FromYen(250000));
    EXPECT_EQ(kb::GenkaTotalsRow(l).JigyouKin, Currency::FromYen(75000 + 32768 + 250000));
    EXPECT_FALSE(tr.InTransaction());
}
