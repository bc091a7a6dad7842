#include "core/TGamenKeyValue.h"
#include "common/FakeUi.h"
#include "common/TestDb.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "core/z5AppInfo.h"
#include "fb/Statement.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <tuple>

using namespace kb;

namespace {

// The two system-database tables these stores use, as the system defines their columns.
// The project's own system-database schema.
std::string SystemSchema()
{
    std::ifstream in(kbtest::SourceDir() / "db" / "system.sql", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

using Ui = kbtest::RecordingErrorUi;

class CodeAndScreenStores : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAccRecord();
        ResetErrorReporter();
        SetErrorUi(&ui);
        SystemDef.LogDir = tmp.path().string();
        kbtest::PrepareFirebird();
        const auto file = kbtest::CreateDatabase(tmp / "vqaccdef.fdb", SystemSchema());
        db.SetDatabaseName(file.string());
        db.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
        db.Open();
        tr.SetDefaultDatabase(&db);
        const std::tuple<int, const char*, int, const char*> rows[] = {
            {1, "個人", 1, "1,個人,1,1,x,PRO"}, {2, "法人", 1, "1,法人,2,3,x"}, {3, "空見出し", 1, ""},
            {4, "文字", 1, "1,文字,abc,2"}, {5, "医療", 2, "1,医療,3,4"}};
        fb::Transaction t(&db);
        t.StartTransaction();
        fb::Statement q(db, &t);
        q.SetSQL("INSERT INTO USERCODE (RECNO, NAME, DATATYPE, CODETYPE, INIDAT1) VALUES (:R, :N, :D, 1, :I)");
        for (const auto& [r, n, d, i] : rows) {
            q.ParamByName("R").SetInteger(r);
            q.ParamByName("N").SetString(n);
            q.ParamByName("D").SetInteger(d);
            q.ParamByName("I").SetString(i);
            q.ExecQuery();
        }
        t.Commit();
    }
    void TearDown() override
    {
        if (tr.InTransaction())
            tr.Rollback();
        db.Close();
        ResetErrorReporter();
        ResetAccRecord();
    }
    std::pair<int, int> Kinds(int recNo)
    {
        fb::Transaction t(&db);
        t.StartTransaction();
        fb::Statement q(db, &t);
        q.SetSQL("SELECT DATATYPE, CODETYPE FROM USERCODE WHERE RECNO=:R");
        q.ParamByName("R").SetInteger(recNo);
        q.ExecQuery();
        auto r = std::make_pair(q.FieldByName("DATATYPE").AsInteger(), q.FieldByName("CODETYPE").AsInteger());
        t.Commit();
        return r;
    }
    int StyleRows()
    {
        fb::Transaction t(&db);
        t.StartTransaction();
        fb::Statement q(db, &t);
        q.SetSQL("SELECT COUNT(*) AS N FROM STYLECOLOR");
        q.ExecQuery();
        const int n = q.FieldByName("N").AsInteger();
        t.Commit();
        return n;
    }
    kbtest::TempDir tmp;
    Ui ui;
    fb::Connection db;
    fb::Transaction tr;
};

} // namespace

TEST(ScreenValues, StyleNameAndValueRules)
{
    EXPECT_EQ(GamenStyleName("020-", "frmDataSentaku"), "020-FRMDATASENTAKU");
    const std::string longName(50, 'x');
    const std::string s = GamenStyleName("020-", longName);
    EXPECT_EQ(s, "020-" + std::string(36, 'X'));
    EXPECT_EQ(GamenStyleName("020-", longName + "a"), s); // differing only beyond: one row
    // A double-byte character that would straddle byte 40 is left out.
    EXPECT_EQ(sjis::ByteLength(GamenStyleName("020-", std::string(35, 'a') + "漢字")), 39u);

    EXPECT_EQ(GamenValueToStore("\u3000 値 \u3000"), "値");
    const std::string ascii(2000, 'a');
    EXPECT_EQ(GamenValueToStore(ascii), std::string(1024, 'a'));
    const std::string odd = std::string(1023, 'a') + "漢字";
    EXPECT_EQ(GamenValueToStore(odd), std::string(1023, 'a')); // byte 1024 would split 漢
}

TEST(CodeSystems, FileLinesSortIntoTheirLists)
{
    EXPECT_EQ(CodeTaikeiListOf(1), 1);
    EXPECT_EQ(CodeTaikeiListOf(8), 8);
    EXPECT_EQ(CodeTaikeiListOf(21), 2);
    EXPECT_EQ(CodeTaikeiListOf(22), 2);
    EXPECT_EQ(CodeTaikeiListOf(34), 3);
    EXPECT_EQ(CodeTaikeiListOf(71), 7);
    EXPECT_EQ(CodeTaikeiListOf(9), 0);
    EXPECT_EQ(CodeTaikeiListOf(35), 0);

    TCodeTaikeiRec2 rec;
    SortCodeTaikeiLines({"1,一般,1,2,1.0", "2,100,現金", "21,a", "99,ignored", "22,b", "71,z"}, rec);
    EXPECT_EQ(rec.NAME, "一般");
    EXPECT_EQ(rec.DATATYPE, 1);
    EXPECT_EQ(rec.CODETYPE, 2);
    EXPECT_EQ(rec.SeihinKubun, "-"); // five items: no product kind
    EXPECT_EQ(rec.INIDAT[1], (std::vector<std::string>{"2,100,現金", "21,a", "22,b"}));
    EXPECT_EQ(rec.INIDAT[6], (std::vector<std::string>{"71,z"}));
    EXPECT_EQ(rec.INIDAT[0].size(), 1u);

    TCodeTaikeiRec2 six;
    SortCodeTaikeiLines({"1,一般,1,2,1.0,PRO"}, six);
    EXPECT_EQ(six.SeihinKubun, "PRO");
}

TEST(CodeSystems, ProductKindCheck)
{
    std::string m;
    EXPECT_TRUE(CheckSeihinKubunFor("", 0, "", "会計", m));
    EXPECT_TRUE(CheckSeihinKubunFor("PRO", 0, "PRO", "会計", m));
    EXPECT_FALSE(CheckSeihinKubunFor("-", 0, "", "会計", m)); // a five-item header keeps "-"
    EXPECT_EQ(m, "このプログラムでは、該当のデータ（製品区分）を処理することが出来ません。会計以外で作成されたデータの可能性があります。");
    m.clear();
    EXPECT_FALSE(CheckSeihinKubunFor("", 1, "VM", "会計", m));
    EXPECT_TRUE(CheckSeihinKubunFor("VM", 2, "VM", "会計", m));
}

TEST(CodeSystems, RepairTargets)
{
    EXPECT_EQ(KubunSyufukuTarget("1,法人,2,3,x"), std::make_optional(std::make_pair(2, 3)));
    EXPECT_EQ(KubunSyufukuTarget("1,個人,1,1"), std::nullopt);  // kind 1: nothing to repair
    EXPECT_EQ(KubunSyufukuTarget(""), std::nullopt);            // empty header: left alone
    EXPECT_EQ(KubunSyufukuTarget("1,文字,abc,2"), std::nullopt); // not numeric: left alone
    EXPECT_EQ(KubunSyufukuTarget("1,零,0,2"), std::nullopt);
    EXPECT_EQ(KubunSyufukuTarget("1,負,-2,2"), std::nullopt);
    EXPECT_EQ(KubunSyufukuTarget("1,法人,2,3\r\n2,next"), std::make_optional(std::make_pair(2, 3)));
}

TEST_F(CodeAndScreenStores, ScreenValueRoundTripPerOperator)
{
    TGamenKeyValue a(db, tr, 10001);
    EXPECT_EQ(a.FukugenValue("frmKensaku"), "");
    a.HozonValue("frmKensaku", " 2026/04/01,東京 ");
    EXPECT_EQ(a.FukugenValue("frmKensaku"), "2026/04/01,東京");
    a.HozonValue("frmKensaku", "更新");
    EXPECT_EQ(a.FukugenValue("frmKensaku"), "更新");
    EXPECT_EQ(StyleRows(), 1);

    TGamenKeyValue b(db, tr, 10002);
    EXPECT_EQ(b.FukugenValue("frmKensaku"), "");

    TGamenKeyValue none(db, tr, 0); // no operator: the database is not touched
    none.HozonValue("frmKensaku", "x");
    EXPECT_EQ(none.FukugenValue("frmKensaku"), "");
    EXPECT_EQ(StyleRows(), 1);
    EXPECT_FALSE(tr.InTransaction());
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(CodeAndScreenStores, CallersTransactionIsLeftOpen)
{
    tr.StartTransaction();
    TGamenKeyValue a(db, tr, 10001);
    a.HozonValue("frmA", "v");
    EXPECT_TRUE(tr.InTransaction());
    EXPECT_EQ(a.FukugenValue("frmA"), "v");
    tr.Rollback();
    EXPECT_EQ(a.FukugenValue("frmA"), "");
}

TEST_F(CodeAndScreenStores, RepairOnCreationTouchesOnlyValidRows)
{
    TCodeTaikeiIO io(db, tr);
    EXPECT_EQ(Kinds(1), std::make_pair(1, 1));
    EXPECT_EQ(Kinds(2), std::make_pair(2, 3));
    EXPECT_EQ(Kinds(3), std::make_pair(1, 1)); // empty header: not turned into kind 0
    EXPECT_EQ(Kinds(4), std::make_pair(1, 1));
    EXPECT_EQ(Kinds(5), std::make_pair(2, 1)); // not a DATATYPE 1 row
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(CodeAndScreenStores, ImportFileChecksTheProductKind)
{
    AppInfo.OEM = "";
    AppInfo.VerTest = "";
    AppInfo.ZaimuAppTitle = "会計";
    const auto write = [&](const std::string& name, const std::string& utf8) {
        std::ofstream(tmp / name, std::ios::binary) << Utf8ToCp932(utf8);
        return (tmp / name).string();
    };
    TCodeTaikeiIO io(db, tr);
    // five items: the kind stays "-" and the empty expected kind refuses it
    EXPECT_FALSE(io.ImportFromFile(write("a.txt", "1,新体系,1,2,1.0\r\n2,100\r\n"), 1));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].find("会計以外で作成されたデータ"), std::string::npos);

    EXPECT_TRUE(io.ImportFromFile(write("b.txt", "1,新体系,1,2,1.0,\r\n2,100,現金\r\n21,口座\r\n"), 1));
    EXPECT_EQ(Kinds(1), std::make_pair(1, 2));
    fb::Transaction t(&db);
    t.StartTransaction();
    fb::Statement q(db, &t);
    q.SetSQL("SELECT NAME, INIDAT2 FROM USERCODE WHERE RECNO=1");
    q.ExecQuery();
    EXPECT_EQ(q.FieldByName("NAME").AsString(), "新体系");
    EXPECT_EQ(q.FieldByName("INIDAT2").AsString(), "2,100,現金\r\n21,口座");
    t.Commit();

    TCodeTaikeiRec2 bad;
    bad.NAME = "x";
    bad.DATATYPE = 1;
    EXPECT_FALSE(io.UpDateRecored(bad)); // CODETYPE 0
}
