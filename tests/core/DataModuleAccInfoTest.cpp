// The open data set's facts: fnGetAccInfo on the general fixture data set (tests/fixtures/README.md)
// and on variations of it, and the small questions around it.

#include "DataModuleTestSupport.h"

#include "FixtureBuilder.h"
#include "core/DataModuleAccInfo.h"
#include "core/DataModuleAccReg.h"
#include "core/uAccDateCmp.h"
#include "core/uAccSikinguriCmp.h"
#include "core/uAccZanTable.h"

#include <gtest/gtest.h>

namespace kb {
namespace {

using kbtest::StoreEnvironment;

// Runs statements on a connection of their own and commits.
void Exec(const std::filesystem::path& file, const std::vector<std::string>& sqls)
{
    fb::Connection c;
    c.SetDatabaseName(file.string());
    TDM::SetLoginParams(c);
    c.Open();
    fb::Transaction tr(&c);
    tr.StartTransaction();
    for (const auto& sql : sqls) {
        fb::Statement q(c, &tr);
        q.SetSQL(sql);
        q.ExecQuery();
    }
    tr.Commit();
}

int Count(const std::filesystem::path& file, const std::string& sql)
{
    fb::Connection c;
    c.SetDatabaseName(file.string());
    TDM::SetLoginParams(c);
    c.Open();
    fb::Transaction tr(&c);
    tr.StartTransaction();
    fb::Statement q(c, &tr);
    q.SetSQL(sql);
    q.ExecQuery();
    const int n = q.FieldAt(0).AsInteger();
    q.Close();
    tr.Commit();
    return n;
}

class AccInfoLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        kbtest::fixture::BuildGeneralDataSet(env.dir / "0001", 1);
        file = env.dir / "0001" / "vqacc.fdb";
        // The fixture has no system-account names and no data password: the rows the accounting
        // application keeps for them. "eMPpOsnd" is "pass1234" under the built-in key.
        Exec(file, {"INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES ('K111', '現金')",
                    "INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES ('K181', '事業主貸')",
                    "INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES ('K391', '事業主借')",
                    "INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES ('K411', '元入金')",
                    "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('基本設定', 'データパスワード', '文字', 'old')",
                    "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('基本設定', 'データパスワードV2', '文字', '　eMPpOsnd ')"});
    }
    void TearDown() override
    {
        ResetAccZanTables();
        AccSikinguriItems.clear();
    }
    bool Load()
    {
        if (!env.dm->IBDatabaseDAT.Connected()) env.OpenData(file);
        return fnGetAccInfo(*env.dm);
    }

    StoreEnvironment env;
    std::filesystem::path file;
};

TEST_F(AccInfoLoad, GeneralFixtureFillsTheFactsAndASecondOpeningFindsTheDefaults)
{
    ASSERT_TRUE(Load()) << (env.ui.shown.empty() ? "" : env.ui.shown.back());
    EXPECT_TRUE(env.ui.shown.empty());
    EXPECT_FALSE(env.dm->IBTransactionDAT.InTransaction());

    const TACCINF& a = AccInf;
    EXPECT_EQ(a.ENTTEXT, "青色一郎（一般）");
    EXPECT_EQ(a.SHOUGOU, "青色商店");
    EXPECT_EQ(a.SKANA, "ｱｵｲﾛｼｮｳﾃﾝ");
    EXPECT_EQ(a.DATATYPE, 2);
    EXPECT_EQ(a.DataTypeName, "個人");
    EXPECT_EQ(a.CODETYPE, 1);
    EXPECT_EQ(a.CodeTypeName, "一般");
    EXPECT_FALSE(a.IryouHoujin);
    // fiscal year and periods
    EXPECT_EQ(a.NENDO, 7);
    EXPECT_EQ(a.KISHU, Date(2025, 1, 1));
    EXPECT_EQ(a.KIMATU, Date(2025, 12, 31));
    EXPECT_EQ(a.SIME, 99);
    EXPECT_EQ(a.KaisiKikanIdx, 0);
    EXPECT_EQ(a.KimatuKikanNo, 15); // the last month period of a year-end closing
    EXPECT_EQ(a.KaisiMonths, 0);
    EXPECT_EQ(a.KimatuMonths, 11);
    EXPECT_EQ(a.NendoKishu[1], Date(2024, 1, 1));
    EXPECT_EQ(a.NendoKishu[2], Date(2023, 1, 1));
    EXPECT_EQ(a.NendoKimatu[1], Date(2024, 12, 31));
    EXPECT_EQ(a.NendoKimatu[2], Date(2023, 12, 31));
    EXPECT_EQ(a.NendoKaisi[0], Date(2025, 1, 1));
    EXPECT_EQ(a.QuarterEnd, (std::array<Date, 4>{Date(2025, 3, 31), Date(2025, 6, 30), Date(2025, 9, 30), Date(2025, 12, 31)}));
    // tax mode
    EXPECT_EQ(a.TAXDEFUH, 0);
    EXPECT_EQ(a.TaxDefUHList, (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(a.ZeirituUse, (std::array<bool, 5>{false, false, true, true, true}));
    // the owner's accounts
    EXPECT_EQ(a.SysKcode[0], "K111");
    EXPECT_EQ(a.SysUserCode[0], "111");
    EXPECT_EQ(a.SysKcode[5], "K181");
    EXPECT_EQ(a.SysUserCode[5], "181");
    EXPECT_EQ(a.SysKcode[6], "K391");
    EXPECT_EQ(a.SysUserCode[6], "391");
    EXPECT_EQ(a.SysKcode[7], "K411");
    EXPECT_EQ(a.SysUserCode[7], "411");
    EXPECT_EQ(a.SysKcode[1], ""); // not named in ACCDEF2
    EXPECT_EQ(a.SysKcode[8], "");
    EXPECT_EQ(a.SysCodeLoaded, 1);
    // version and password (V2 wins from version 7 on)
    EXPECT_EQ(a.DataVerMajor, 15);
    EXPECT_EQ(a.DataVerMinor1, 0);
    EXPECT_EQ(a.DataPassword, "pass1234");
    // summary-line names and the tables of the kind
    EXPECT_EQ(a.PlusName[0], "当期製造原価");
    EXPECT_EQ(a.PlusName[1], "材料費");
    EXPECT_EQ(a.PlusName[2], "労務費");
    EXPECT_EQ(a.PlusName6, "");
    EXPECT_EQ(AccZanLineCodes[84], "8400");
    EXPECT_EQ(AccSikinguriItems.size(), 39u);
    // settings read with their defaults
    EXPECT_EQ(a.KobetuGenkaName, "個別原価");
    EXPECT_TRUE(a.PrintKikanFrom.IsNull());
    EXPECT_FALSE(a.KansaKessanInclude);
    EXPECT_EQ(a.BumonCount, 0);
    EXPECT_EQ(DataReadOnly, 0);

    // the defaults were stored; a second opening reads them instead of inserting again
    const int rows = Count(file, "SELECT COUNT(*) FROM ACCREG");
    EXPECT_GE(rows, 22);
    EXPECT_EQ(Count(file, "SELECT COUNT(*) FROM ACCREG WHERE ACODE='監査処理＿決算仕訳含む' AND ATEXT='FALSE'"), 1);
    env.dm->IBDatabaseDAT.Close();
    Exec(file, {"UPDATE ACCREG SET ATEXT='3' WHERE AGROUP='基本設定' AND ACODE='合算データ数'",
                "UPDATE ACCREG SET ATEXT='原価B' WHERE ACODE='個別原価別名'"});
    ResetAccRecord();
    ASSERT_TRUE(Load());
    EXPECT_EQ(AccInf.GassanCount, 3);
    EXPECT_EQ(AccInf.KobetuGenkaName, "原価B");
    EXPECT_EQ(Count(file, "SELECT COUNT(*) FROM ACCREG"), rows);
}

TEST_F(AccInfoLoad, OlderDataWithoutOptionalColumnsLoadsWithTheirDefaults)
{
    Exec(file, {"ALTER TABLE ACCDEF1 DROP WEB_HOLDER", "ALTER TABLE ACCDEF1 DROP CLOUD_LINE", "ALTER TABLE ACCDEF1 DROP READ_ONLY",
                "ALTER TABLE ACCDEF1 DROP KURIKOSI1", "ALTER TABLE ACCDEF1 DROP KURIKOSI2",
                "ALTER TABLE ACCDEF1 DROP SDAI_HASUU3"});
    Exec(file, {"UPDATE ACCDEF1 SET TAXDEFUH=1, SDAI_HASUU1=2, KANSA_FIXDATE='2025-06-30'",
                "UPDATE ACCVERSION SET MAJOR=6, MINOR1=5, MINOR2=1",
                "UPDATE ACCREG SET ATEXT='　abc ' WHERE ACODE='データパスワード'"});
    AccInf.WebHolder = "stale";
    AccInf.CloudLine = 4;
    AccInf.ReadOnly = 1;
    AccInf.SDAI_HASUU3 = 9;
    ASSERT_TRUE(Load()) << (env.ui.shown.empty() ? "" : env.ui.shown.back());
    EXPECT_EQ(AccInf.WebHolder, "");
    EXPECT_EQ(AccInf.CloudLine, 0);
    EXPECT_TRUE(AccInf.CloudTime.IsNull());
    EXPECT_EQ(AccInf.ReadOnly, 0);
    EXPECT_EQ(AccInf.SDAI_HASUU3, 0);
    EXPECT_EQ(AccInf.TaxDefUHList, (std::array<int, 3>{1, 1, 1}));
    EXPECT_EQ(AccInf.DataVerMajor, 6);
    EXPECT_EQ(AccInf.DataPassword, "abc"); // before version 7 the plain value, blanks trimmed
    // an audit fixed on a quarter end includes the settlement entries by default
    EXPECT_TRUE(AccInf.KansaKessanInclude);
}

TEST_F(AccInfoLoad, MedicalCorporationSwitchesTheTablesAndItsAccounts)
{
    Exec(file, {"UPDATE ACCDEF1 SET DATATYPE=3, CODETYPE=1, READ_ONLY=1",
                "INSERT INTO KAMOKUMST (KCODE, USERCODE, KNAME) VALUES ('K901', '901', '給料')",
                "INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES ('K901', '給料')",
                "INSERT INTO KAMOKUMST (KCODE, USERCODE, KNAME) VALUES ('K902', '902', '前期繰越')",
                "INSERT INTO ACCDEF2 (KCODE, KNAME) VALUES ('K902', '前期繰越利益')"});
    ASSERT_TRUE(Load()) << (env.ui.shown.empty() ? "" : env.ui.shown.back());
    EXPECT_TRUE(AccInf.IryouHoujin);
    EXPECT_EQ(AccInf.DataTypeName, "医療法人");
    EXPECT_EQ(AccInf.CodeTypeName, "");
    EXPECT_EQ(AccZanLineCodes[84], "9280");
    EXPECT_EQ(AccSikinguriItems.size(), 38u);
    EXPECT_EQ(AccInf.SysKcode[4], "K902");
    EXPECT_EQ(AccInf.SysKcode[8], "K901");
    EXPECT_EQ(AccInf.SysUserCode[8], "901");
    EXPECT_EQ(AccInf.SysKcode[5], ""); // the owner's accounts are for individuals only
    EXPECT_EQ(DataReadOnly, 1);
}

TEST_F(AccInfoLoad, FailuresAreReportedAndTheLoadAnswersFalse)
{
    Exec(file, {"UPDATE ACCDEF1 SET DATATYPE=5"});
    EXPECT_FALSE(Load());
    ASSERT_FALSE(env.ui.shown.empty());
    EXPECT_NE(env.ui.shown.back().find("基本情報の取得に失敗しました。"), std::string::npos);
    EXPECT_NE(env.ui.shown.back().find("該当のデータタイプを処理することが出来ません。(DataType=5)"), std::string::npos);
    EXPECT_FALSE(env.dm->IBTransactionDAT.InTransaction());

    Exec(file, {"DELETE FROM ACCDEF1"});
    EXPECT_FALSE(Load());
    EXPECT_NE(env.ui.shown.back().find("基本設定(ACCDEF1)のレコードが見つかりませんでした。"), std::string::npos);
    EXPECT_FALSE(env.dm->IBTransactionDAT.InTransaction());
}

// The version is read alone: the caller's open work is committed before the read, so a failing
// read rolls back only its own transaction.
TEST_F(AccInfoLoad, FailedVersionReadKeepsTheCallersEarlierWork)
{
    Exec(file, {"DROP TABLE ACCVERSION"});
    env.OpenData(file);
    env.dm->IBTransactionDAT.StartTransaction();
    PutAccReg(*env.dm, "基本設定", "前の作業", kRegText, std::string("1"));
    std::string version = "15.0.0";
    fnGetDataBaseVer(*env.dm, version);
    EXPECT_EQ(version, "0.0.0");
    EXPECT_FALSE(env.dm->IBTransactionDAT.InTransaction());
    ASSERT_EQ(env.ui.shown.size(), 1u);
    EXPECT_NE(env.ui.shown[0].find("データベースのバージョンの取得に失敗しました。"), std::string::npos);
    // a lost row would come back as the inserted default
    EXPECT_EQ(RegAsString(GetAccReg(*env.dm, "基本設定", "前の作業", kRegText, "0")), "1");
}

TEST_F(AccInfoLoad, VersionExistenceAndFacilityQuestions)
{
    env.OpenData(file);
    std::string version;
    env.dm->IBTransactionDAT.StartTransaction(); // ended first: the check runs alone
    fnGetDataBaseVer(*env.dm, version);
    EXPECT_EQ(version, "15.0.0");
    EXPECT_FALSE(env.dm->IBTransactionDAT.InTransaction());

    EXPECT_TRUE(fnExistence_Table(*env.dm, "TUSIN_ID"));
    EXPECT_FALSE(fnExistence_Table(*env.dm, "NO_SUCH_TABLE"));
    EXPECT_TRUE(fnExistence_Field(*env.dm, "ACCDEF1", "CLOUD_LINE"));
    EXPECT_TRUE(fnExistence_Field(*env.dm, "ACCDEF1", "CLOUD_TIME"));
    EXPECT_FALSE(fnExistence_Field(*env.dm, "ACCDEF1", "NO_SUCH_COLUMN"));

    std::string name;
    SystemDef.JobLevel = 9;
    ASSERT_TRUE(Load());
    GetOpeDefSisetu(*env.dm, name);
    EXPECT_EQ(name, "青色商店"); // no branches: the data set itself
    EXPECT_EQ(SystemDef.SisetuCode, " ");
    EXPECT_EQ(SystemDef.DefJigyoKbn, 1);

    AccInf.IryouHoujin = true; // a medical corporation must keep facilities
    GetOpeDefSisetu(*env.dm, name);
    EXPECT_NE(env.ui.shown.back().find("施設管理がおこなわれていません。"), std::string::npos);
    EXPECT_FALSE(env.dm->IBTransactionDAT.InTransaction());

    std::string value = "x";
    fnGetAccTotalName(*env.dm, "4800", "KOUMOKU", value);
    EXPECT_EQ(value, "純売上高");
    EXPECT_THROW(fnGetAccTotalName(*env.dm, "4800", "KOUMOKU FROM ACCDEF1 --", value), std::invalid_argument);
}

TEST_F(AccInfoLoad, OperatorsDefaultFacility)
{
    Exec(file, {"INSERT INTO SISETUMST (SCODE, SNAME, XSTR) VALUES ('01', '本店', 'COLOR=255')",
                "INSERT INTO OPDEFSISETU (OPCODE, SCODE) VALUES (100000011, '01')",
                "INSERT INTO OPLICENSE (OPCODE) VALUES (100000011)"});
    ASSERT_TRUE(Load());
    SystemDef.JobLevel = 1;
    SystemDef.OpCode = 100000011;
    EXPECT_TRUE(fnGetExistsOpeDefSisetu(*env.dm));
    std::string name;
    GetOpeDefSisetu(*env.dm, name);
    EXPECT_EQ(name, "本店");
    EXPECT_EQ(SystemDef.DefSisetuCode, "01");
    EXPECT_EQ(SystemDef.DefSisetuColor, 255);
    SystemDef.OpCode = 100000012;
    EXPECT_FALSE(fnGetExistsOpeDefSisetu(*env.dm));
    SystemDef.AllSisetuSwitch = 1; // every operator may use every facility
    EXPECT_TRUE(fnGetExistsOpeDefSisetu(*env.dm));
    EXPECT_TRUE(env.ui.shown.empty());
    EXPECT_FALSE(env.dm->IBTransactionDAT.InTransaction());
}

TEST(AccInfoNames, KindsAndCodeTypes)
{
    const struct {
        int kind, code;
        const char* plain;
        const char* withKind;
    } cases[] = {
        {1, 1, "", "法人"},         {2, 1, "一般", "個人／一般"},         {2, 2, "不動産", "個人／不動産"},
        {2, 3, "クリニック", "個人／クリニック"}, {2, 4, "農業", "個人／農業"}, {3, 1, "", "医療法人"},
    };
    for (const auto& c : cases) {
        std::string n;
        GetCodeTypeName(c.kind, c.code, n, false);
        EXPECT_EQ(n, c.plain);
        GetCodeTypeName(c.kind, c.code, n, true);
        EXPECT_EQ(n, c.withKind);
    }
    const struct {
        int kind, code;
        const char* message;
    } bad[] = {
        {0, 1, "データタイプを処理することが出来ません。(DataType=0)"},
        {1, 2, "データタイプを処理することが出来ません。(CodeType=2)"},
        {2, 5, "コードタイプを処理することが出来ません。(CodeType=5)"},
        {3, 2, "コードタイプを処理することが出来ません。(CodeType=2)"},
    };
    for (const auto& b : bad) {
        std::string n;
        try {
            GetCodeTypeName(b.kind, b.code, n, true);
            ADD_FAILURE() << b.kind << "/" << b.code;
        } catch (const TDataKindError& e) {
            EXPECT_NE(std::string(e.what()).find(b.message), std::string::npos) << e.what();
        }
    }
}

TEST(AccInfoModes, AuditLockOfJournalDates)
{
    ResetAccRecord();
    AccInf.KANSA_DATE = Date(2025, 7, 10);
    AccInf.KANSA_FIXDATE = Date(2025, 6, 30);
    AccInf.KANSA_LOCK = 1;
    const Date before(2025, 6, 29), on(2025, 6, 30), after(2025, 7, 1);
    const struct {
        bool include;
        int flag;
        Date date;
        bool locked;
    } cases[] = {
        {false, 0, before, true}, {false, 0, on, true},   {false, 1, on, false}, {false, 0, after, false},
        {true, 1, on, true},      {true, 1, after, false}, {false, 0, Date(), false},
    };
    for (const auto& c : cases) {
        AccInf.KansaKessanInclude = c.include;
        EXPECT_EQ(IsOverLimit(c.flag, c.date), c.locked) << c.date.ToString() << " flag " << c.flag;
    }
    SystemDef.JobLevel = 9; // every right, except in the cash book
    EXPECT_FALSE(IsOverLimit(0, before));
    AppKind = 3;
    EXPECT_TRUE(IsOverLimit(0, before));
    ResetAccRecord();
    AccInf.KANSA_LOCK = 0;
    EXPECT_FALSE(IsOverLimit(0, before));
}

TEST(AccInfoModes, CloudShareAndReadOnly)
{
    ResetAccRecord();
    const struct {
        int oem, app, connect, flag;
        bool cloud;
    } cases[] = {
        {0, 0, 0, 0, true}, {0, 0, 2, 0, false}, {0, 2, 1, 0, true}, {0, 2, 1, 1, false},
        {0, 1, 0, 0, false}, {1, 0, 0, 0, false}, {2, 0, 0, 0, false},
    };
    for (const auto& c : cases) {
        OemFlag = static_cast<std::uint8_t>(c.oem);
        AppKind = static_cast<std::uint8_t>(c.app);
        ConnectMode = static_cast<std::uint8_t>(c.connect);
        EXPECT_EQ(IsCloudShareMode(c.flag), c.cloud) << c.oem << c.app << c.connect << c.flag;
    }
    ResetAccRecord();
    EXPECT_FALSE(IsReadOnlyData());
    AccInf.ReadOnly = 1;
    EXPECT_TRUE(IsReadOnlyData());
    AccInf.ReadOnly = 0;
    AppKind = 1;
    EXPECT_TRUE(IsReadOnlyData());
    ResetAccRecord();
}

TEST(AccInfoPaths, DataListIdentityOfAFolder)
{
    const struct {
        const char* path;
        const char* group;
        const char* data;
    } cases[] = {
        {"/srv/x/DATA/0001/0003", "0001", "0003"}, {"/srv/x/data/ 0002 /00　04", "0002", "0004"},
        {"/srv/cb_data/0009", "0009", ""},         {"/srv/x/0001/0003", "", ""},
        {"/DATA", "", ""},
    };
    for (const auto& c : cases) {
        std::string g = "x", d = "y";
        GetDataPathCodes(c.path, g, d);
        EXPECT_EQ(g, c.group) << c.path;
        EXPECT_EQ(d, c.data) << c.path;
    }
    ResetAccRecord();
    TDM dm; // stand-alone mode needs no database
    int rec = -1, rowno = -1;
    GetDataListRec(dm, "/srv/x/DATA/0001/0003", rec, rowno);
    EXPECT_EQ(rec, 1);
    EXPECT_EQ(rowno, 3);
    GetDataListRec(dm, "/srv/x/0001/0003", rec, rowno);
    EXPECT_EQ(rec, 0);
    EXPECT_EQ(rowno, 0);
}

TEST(AccInfoPaths, DataListRowFromTheSystemDatabaseInServerModes)
{
    StoreEnvironment env;
    const auto sys = env.dir / "vqaccdef.fdb";
    kbtest::CreateDatabase(sys, kbtest::SchemaText("system.sql"));
    Exec(sys, {"INSERT INTO DATALIST (REC, GROUPID, PASNAME) VALUES (7, 10000, '/srv/Data/0007')",
               "INSERT INTO DATALIST (REC, GROUPID, PASNAME) VALUES (8, 20000, '/srv/Data/0007')"});
    env.OpenSystem(sys);
    ConnectMode = 1;
    SystemDef.GroupId = 10000;
    int rec = -1, rowno = -1;
    GetDataListRec(*env.dm, "/SRV/DATA/0007", rec, rowno);
    EXPECT_EQ(rec, 7);
    EXPECT_EQ(rowno, 0);
    GetDataListRec(*env.dm, "/srv/data/0099", rec, rowno);
    EXPECT_EQ(rec, 0);

    // the era table of the same database, newest first; without rows the built-in one
    Exec(sys, {"INSERT INTO GENGO (GNAME, GSIGN, STARTDATE, YEAROFFSET) VALUES ('平成', 'H', '1989-01-08', 1989)",
               "INSERT INTO GENGO (GNAME, GSIGN, STARTDATE, YEAROFFSET) VALUES ('令和', 'R', '2019-05-01', 2019)"});
    LoadGengo(*env.dm);
    ASSERT_EQ(GengoList.size(), 2u);
    EXPECT_EQ(GengoList[0].Name, "令和");
    EXPECT_EQ(GengoList[0].StartDate, Date(2019, 5, 1));
    EXPECT_EQ(GengoList[1].StartYear, 1989);
    Exec(sys, {"DELETE FROM GENGO"});
    LoadGengo(*env.dm);
    EXPECT_EQ(GengoList.size(), 5u);
    EXPECT_FALSE(env.dm->IBTransactionDEF.InTransaction());
    GengoList.clear();
}

TEST(AccInfoPaths, SstrValues)
{
    TRegValue v;
    GetSstrValue("A=1\r\ncolor=255", "COLOR", v);
    EXPECT_EQ(v, TRegValue(std::int32_t{255}));
    GetSstrValue("COLOR=-5", "COLOR", v);
    EXPECT_EQ(v, TRegValue(std::int32_t{0xFFAF80}));
    GetSstrValue("COLOR=red", "COLOR", v);
    EXPECT_EQ(v, TRegValue(std::int32_t{0xFFAF80}));
    GetSstrValue("NAME=本店", "name", v);
    EXPECT_EQ(v, TRegValue(std::string("本店")));
    GetSstrValue("NAME=本店", "TEL", v);
    EXPECT_EQ(v, TRegValue(std::int32_t{0}));
}

} // namespace
} // namespace kb
