// The use recording of the data module on the general fixture data set: the folder information
// file while the data set is open and after it was closed, and the data-list row refresh.

#include "DataInfomationTestEnv.h"

#include "FixtureBuilder.h"
#include "Isql.h"
#include "accounting/DataSetUseRecorder.h"

using namespace kb;
using namespace kbtest;

namespace {

namespace fx = kbtest::fixture;

struct FixtureRoot {
    fx::DataRoot root;
    fx::DataSetInfo general;
};

FixtureRoot BuildGeneral(AccEnv& env)
{
    FixtureRoot f{fx::LayoutFor(env.dir / "root"), {}};
    std::filesystem::create_directories(f.root.sysDir);
    fx::WriteProductRegistry(f.root, "15.0.0");
    f.general = fx::BuildGeneralDataSet(f.root.sysDir / "0001", 1);
    fx::BuildSystemDatabase(f.root, {f.general});
    env.env.Set("KB_CONFIG_ROOT", f.root.configRoot.string());
    AppInfo.ApplicationRegKey = "\\SOFTWARE\\ZANDREL";
    AppInfo.ZaimuRegKey = "DADOZIZIDIV";
    SystemDef.SysDir = f.root.sysDir.string();
    return f;
}

// The information file as the family's programs read it (facts of tests/fixtures/README.md;
// the edition name comes from the product's registry key).
std::string ExpectedIni(const std::string& statusLines)
{
    const std::string text = "[DATASTS]\r\n" + statusLines +
                             "SHARE_STATUS=1\r\nUPDATE_LOCK=0\r\nREAD_ONLY=0\r\n"
                             "[DATAINFO]\r\nDATALISTNAME=青色一郎（一般）\r\nCODE=0001\r\nDATAKBN=2\r\nCODEKBN=1\r\n"
                             "SHOUGOU=青色商店\r\nKANA=ｱｵｲﾛｼｮｳﾃﾝ\r\nNENDO=7\r\nKISHU=2025/01/01\r\nKIMATU=2025/12/31\r\n"
                             "TANTO=0\r\nSITEN=0\r\nSITENCNT=0\r\nBUMON=0\r\nBUMONCNT=0\r\nSIWAKE=142\r\nTOTALSIWAKE=142\r\n"
                             "VERSION1=15.0.0\r\nVERSION2=パヴォナ財務１５\r\nGASSANKBN=0\r\nUSEMYNUMBER=0\r\nCLOUD_SHARE=0\r\n";
    return Utf8ToCp932(text);
}

fx::Row DataListRow(const FixtureRoot& f)
{
    const auto rows = fx::Query(f.root.sysDir / "vqaccdef.fdb",
                                "SELECT SHOUGOU, NENDO, DATACODE, VER_TEXT, VER_MAJOR, KISHU, ENTTEXT FROM DATALIST WHERE REC = 1");
    if (rows.size() != 1) throw std::runtime_error("no data-list row 1");
    return rows[0];
}

} // namespace

TEST(DataSetUseRecorder, StandAloneOpenAndCloseMarkTheFolderAndRefreshTheListRow)
{
    AccEnv env;
    const FixtureRoot f = BuildGeneral(env);
    const std::string folder = f.general.folder.string();
    // A stale list row, so that the refresh shows.
    fx::RunIsql(f.root.sysDir / "vqaccdef.fdb", "UPDATE DATALIST SET SHOUGOU = '古い名前', NENDO = 1, DATACODE = 'X' WHERE REC = 1;\nCOMMIT;\n");

    TDataSetUseRecorder recorder(*env.dm);
    SetDataSetUseRecorder(&recorder);
    ASSERT_TRUE(env.dm->fnAccDefConnected("", false));

    ASSERT_TRUE(env.dm->fnAccDatConnected("", folder, true));
    EXPECT_EQ(FileBytes(f.general.folder / "vqacc.ini"), ExpectedIni("STATUS=2\r\nOPCODE=100000010\r\nOPERATOR=山田太郎\r\n"));
    EXPECT_EQ(DataListRow(f).at("SHOUGOU"), "古い名前");  // opening leaves the list alone

    ASSERT_TRUE(env.dm->fnAccDatDisConnected(folder, true, true));
    EXPECT_FALSE(env.dm->IBDatabaseDAT.Connected());
    EXPECT_EQ(FileBytes(f.general.folder / "vqacc.ini"), ExpectedIni("STATUS=1\r\n"));
    const auto row = DataListRow(f);
    EXPECT_EQ(row.at("SHOUGOU"), "青色商店");
    EXPECT_EQ(row.at("NENDO"), "7");
    EXPECT_EQ(row.at("DATACODE"), "0001");
    EXPECT_EQ(row.at("VER_TEXT"), "パヴォナ財務１５");
    EXPECT_EQ(row.at("VER_MAJOR"), "15");
    EXPECT_EQ(row.at("ENTTEXT"), "青色一郎（一般）");  // the list's own name is not the header's to change
    EXPECT_TRUE(env.ui.shown.empty()) << env.ui.shown.front();
}

TEST(DataSetUseRecorder, ServerModesLeaveTheFileAloneAndListUpdateAloneTouchesOnlyTheRow)
{
    AccEnv env;
    const FixtureRoot f = BuildGeneral(env);
    const std::string folder = f.general.folder.string();
    const auto iniPath = f.general.folder / "vqacc.ini";
    fx::RunIsql(f.root.sysDir / "vqaccdef.fdb", "UPDATE DATALIST SET SHOUGOU = '古い名前' WHERE REC = 1;\nCOMMIT;\n");
    const std::string before = FileBytes(iniPath);

    TDataSetUseRecorder recorder(*env.dm);
    SetDataSetUseRecorder(&recorder);
    ASSERT_TRUE(env.dm->fnAccDefConnected("", false));

    // Client mode on this computer (no host): the database opens locally, nothing is written.
    ConnectMode = 1;
    ASSERT_TRUE(env.dm->fnAccDatConnected("", folder, true));
    ASSERT_TRUE(env.dm->fnAccDatDisConnected(folder, true, false));
    EXPECT_EQ(FileBytes(iniPath), before);
    EXPECT_EQ(DataListRow(f).at("SHOUGOU"), "古い名前");

    // Stand-alone, list update without the end of use: the row only.
    ConnectMode = 0;
    ASSERT_TRUE(env.dm->fnAccDatConnected("", folder, false));
    ASSERT_TRUE(env.dm->fnAccDatDisConnected(folder, false, true));
    EXPECT_EQ(FileBytes(iniPath), before);
    EXPECT_EQ(DataListRow(f).at("SHOUGOU"), "青色商店");
}

TEST(DataSetUseRecorder, ServerModeReadSeesTheLockOfTheDataList)
{
    AccEnv env;
    const FixtureRoot f = BuildGeneral(env);
    fx::RunIsql(f.root.sysDir / "vqaccdef.fdb", "UPDATE DATALIST SET DATALOCK = 10 WHERE REC = 1;\nCOMMIT;\n");
    ConnectMode = 1;
    TDataInfomation info(*env.dm);
    info.Mode = 1;
    TDataInfomationRec rec;
    EXPECT_FALSE(info.ReadIniFile("", f.general.folder.string(), rec));
    EXPECT_EQ(rec.STATUS, dsLocked);
    EXPECT_EQ(rec.OPCODE, 100000010);
    EXPECT_EQ(rec.OPERATOR, "山田太郎");
    EXPECT_EQ(rec.DATALISTNAME, "青色一郎（一般）");
    EXPECT_EQ(rec.KISHU, "2025/01/01");
    EXPECT_FALSE(env.dm->IBDatabaseDEF.Connected());  // connected by the call, so closed again

    // Unlocked: the facts come from the data set itself, and nobody else has it open.
    fx::RunIsql(f.root.sysDir / "vqaccdef.fdb", "UPDATE DATALIST SET DATALOCK = 0 WHERE REC = 1;\nCOMMIT;\n");
    EXPECT_TRUE(info.ReadIniFile("", f.general.folder.string(), rec));
    EXPECT_EQ(rec.STATUS, dsFree);
    EXPECT_EQ(rec.SIWAKE, 142);
    EXPECT_EQ(rec.SHOUGOU, "青色商店");
}

TEST(DataSetUseRecorder, DataPlaceOfTheServerModesRefreshesItsOwnListRow)
{
    AccEnv env;
    const FixtureRoot f = BuildGeneral(env);
    const std::string folder = f.general.folder.string();
    fx::RunIsql(f.root.sysDir / "vqaccdef.fdb",
                "INSERT INTO DATAPLACEMAN (REC, ORDERKBN, NAME, PATH) VALUES (1, 2, '別の場所', '/srv');\n"
                "INSERT INTO DATALIST_EX (DATAPLACEREC, REC, GROUPID, ENTTEXT, SHOUGOU, PASNAME) VALUES (1, 7, 10000, '別', '古い名前', " +
                    fx::Literal(folder) + ");\n"
                "UPDATE DATALIST SET SHOUGOU = '古い名前' WHERE REC = 1;\nCOMMIT;\n");
    TDataSetUseRecorder recorder(*env.dm);
    SetDataSetUseRecorder(&recorder);
    ConnectMode = 1;
    SystemDef.DataPlaceRec = 1;
    ASSERT_TRUE(env.dm->fnAccDefConnected("", false));
    ASSERT_TRUE(env.dm->fnAccDatConnected("", folder, false));
    ASSERT_TRUE(env.dm->fnAccDatDisConnected(folder, false, true));
    const auto ex = fx::Query(f.root.sysDir / "vqaccdef.fdb", "SELECT SHOUGOU, NENDO, ENTTEXT FROM DATALIST_EX WHERE REC = 7");
    ASSERT_EQ(ex.size(), 1u);
    EXPECT_EQ(ex[0].at("SHOUGOU"), "青色商店");
    EXPECT_EQ(ex[0].at("NENDO"), "7");
    EXPECT_EQ(ex[0].at("ENTTEXT"), "別");
    EXPECT_EQ(DataListRow(f).at("SHOUGOU"), "古い名前");
    EXPECT_TRUE(env.ui.shown.empty()) << env.ui.shown.front();
}

// Counting the replaced and deleted entries reads every journal line: one run (open with use
// recording, close with the end of use and the list refresh) counts once, a second run over the
// unchanged journal not at all, and a deletion while the data set is open is counted at the close.
TEST(DataSetUseRecorder, ARunCountsTheJournalOnceAndAgainOnlyAfterItChanged)
{
    AccEnv env;
    const FixtureRoot f = BuildGeneral(env);
    const std::string folder = f.general.folder.string();
    const auto iniPath = f.general.folder / "vqacc.ini";
    TDataSetUseRecorder recorder(*env.dm);
    SetDataSetUseRecorder(&recorder);
    ASSERT_TRUE(env.dm->fnAccDefConnected("", false));

    const std::int64_t before = SiwakeScanCount();
    ASSERT_TRUE(env.dm->fnAccDatConnected("", folder, true));
    EXPECT_EQ(SiwakeScanCount() - before, 1);
    ASSERT_TRUE(env.dm->fnAccDatDisConnected(folder, true, true));
    EXPECT_EQ(SiwakeScanCount() - before, 1);
    EXPECT_EQ(FileBytes(iniPath), ExpectedIni("STATUS=1\r\n"));

    ASSERT_TRUE(env.dm->fnAccDatConnected("", folder, true));
    EXPECT_EQ(SiwakeScanCount() - before, 1);
    {
        // the first live entry deleted, both its lines, as the accounting application does
        fb::TransactionGuard g(env.dm->IBTransactionDAT);
        fb::Statement q(env.dm->IBDatabaseDAT, &env.dm->IBTransactionDAT);
        q.SetSQL("UPDATE SIWAKE SET DELFLG = 2 WHERE SWKREC = (SELECT MIN(SWKREC) FROM SIWAKE WHERE DELFLG = 0)");
        q.ExecQuery();
        g.Commit();
    }
    ASSERT_TRUE(env.dm->fnAccDatDisConnected(folder, true, true));
    EXPECT_EQ(SiwakeScanCount() - before, 2);
    const std::string ini = FileBytes(iniPath);
    EXPECT_NE(ini.find("\r\nSIWAKE=141\r\nTOTALSIWAKE=142\r\n"), std::string::npos) << ini;
    EXPECT_TRUE(env.ui.shown.empty()) << env.ui.shown.front();
}
