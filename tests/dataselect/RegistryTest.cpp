// The data-set registry controller on real system databases of three shapes: 12.0.0 (the schema
// script), 11.0.1 (no READ_ONLY) and 10.x (neither CLOUD nor READ_ONLY). An older database has no
// such column at all, so a statement that named one would fail here.

#include "common/FakeUi.h"
#include "common/TestDb.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "accounting/DataInfomation.h"
#include "dataselect/registry/DataListRowUpdater.h"
#include "dataselect/registry/z5ComDataSentaku.h"
#include "dataselect/z5DataListKensaku.h"
#include "fb/Database.h"
#include "fb/Statement.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace kb;

namespace {

using RecordingUi = kbtest::RecordingErrorUi;

std::string ReadText(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

enum class Shape { V10, V11_0_1, V12 };

class RegistryTest : public ::testing::TestWithParam<Shape> {
protected:
    void SetUp() override
    {
        kbtest::PrepareFirebird();
        ResetAccRecord();
        ResetErrorReporter();
        SetErrorUi(&ui);
        std::filesystem::create_directories(tmp / "sys");
        std::filesystem::create_directories(tmp / "log");
        std::string script = ReadText(kbtest::SourceDir() / "db" / "system.sql");
        script += "\nINSERT INTO USERGROUP (GROUPID) VALUES (10000);\nCOMMIT;\n";
        const Shape shape = GetParam();
        if (shape != Shape::V12)
            for (const char* t : {"DATALIST", "DATALIST_EX", "CHILD_DATALIST", "SERVERDATALIST", "CHILD_SERVERDATALIST"})
                script += std::string("ALTER TABLE ") + t + " DROP READ_ONLY;\n";
        if (shape == Shape::V10)
            for (const char* t : {"DATALIST", "DATALIST_EX", "CHILD_DATALIST", "SERVERDATALIST", "CHILD_SERVERDATALIST"})
                script += std::string("ALTER TABLE ") + t + " DROP CLOUD;\n";
        script += "COMMIT;\n";
        kbtest::CreateDatabase(tmp / "sys" / "vqaccdef.fdb", script);
        SystemDef.SysDir = (tmp / "sys").string();
        SystemDef.LogDir = (tmp / "log").string();
        SystemDef.DbUser = "SYSDBA";
        SystemDef.DbPassword = "masterkey";
        SystemDef.GroupId = 10000;
        SystemDef.OpCode = 100001;
        SystemDef.SysDbMajor = shape == Shape::V10 ? 10 : shape == Shape::V11_0_1 ? 11 : 12;
        SystemDef.SysDbMinor1 = 0;
        SystemDef.SysDbMinor2 = shape == Shape::V11_0_1 ? 1 : 0;
        CreateDM();
        ASSERT_TRUE(DM->fnAccDefConnected("", true));
    }
    void TearDown() override
    {
        FreeDM();
        ResetErrorReporter();
        ResetAccRecord();
    }

    // A row written straight into a table, every value bound.
    void AddRow(const std::string& table, int rec, const std::string& name, const std::string& path, int netDrive = 0,
                int gassan = 0, int rowNo = 0)
    {
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        fb::TransactionGuard g(DM->IBTransactionDEF);
        const bool child = table == "CHILD_DATALIST";
        q.SetSQL("INSERT INTO " + table + "(REC," + (child ? "ROWNO," : "") +
                 "GROUPID,ENTTEXT,SHOUGOU,PASNAME,NETDRIVE,GASSAN,NENDO,KISHU,KIMATU) VALUES(:REC," +
                 (child ? ":ROWNO," : "") + ":GROUPID,:ENTTEXT,:SHOUGOU,:PASNAME,:NETDRIVE,:GASSAN,:NENDO,:KISHU,:KIMATU)");
        q.ParamByName("REC").SetInteger(rec);
        if (child) q.ParamByName("ROWNO").SetInteger(rowNo);
        q.ParamByName("GROUPID").SetInteger(10000);
        q.ParamByName("ENTTEXT").SetString(name);
        q.ParamByName("SHOUGOU").SetString(name.empty() ? "" : name + "商店");
        q.ParamByName("PASNAME").SetString(path);
        q.ParamByName("NETDRIVE").SetInteger(netDrive);
        q.ParamByName("GASSAN").SetInteger(gassan);
        q.ParamByName("NENDO").SetInteger(name.empty() ? 0 : 5);
        if (name.empty()) {
            q.ParamByName("KISHU").SetNull();
            q.ParamByName("KIMATU").SetNull();
        } else {
            q.ParamByName("KISHU").SetDate(Date(2025, 1, 1));
            q.ParamByName("KIMATU").SetDate(Date(2025, 12, 31));
        }
        q.ExecQuery();
        g.Commit();
    }

    std::vector<int> Recs(const std::string& table)
    {
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        fb::TransactionGuard g(DM->IBTransactionDEF);
        q.SetSQL("SELECT REC FROM " + table + " ORDER BY REC");
        std::vector<int> out;
        for (q.ExecQuery(); !q.Eof(); q.Next()) out.push_back(q.FieldByName("REC").AsInteger());
        q.Close();
        g.Commit();
        return out;
    }

    std::string Folder(int n) const
    {
        char b[16];
        std::snprintf(b, sizeof b, "%.4d", n);
        return (tmp / "data" / b).string();
    }

    kbtest::TempDir tmp;
    RecordingUi ui;
};

INSTANTIATE_TEST_SUITE_P(Shapes, RegistryTest, ::testing::Values(Shape::V10, Shape::V11_0_1, Shape::V12),
                         [](const auto& info) {
                             return std::string(info.param == Shape::V10 ? "v10" : info.param == Shape::V11_0_1 ? "v11_0_1" : "v12");
                         });

TEST_P(RegistryTest, VersionColumnsFollowTheSystemDatabase)
{
    TDataSentakuListCtl ctl;
    const Shape s = GetParam();
    EXPECT_EQ(ctl.HasCloudColumn, s == Shape::V10 ? 0 : 1);
    EXPECT_EQ(ctl.HasReadOnlyColumn, s == Shape::V12 ? 1 : 0);
    const std::string write = ctl.VersionSetLines() + ctl.VersionInsertColumns();
    EXPECT_EQ(write.find("CLOUD") != std::string::npos, s != Shape::V10);
    EXPECT_EQ(write.find("READ_ONLY") != std::string::npos, s == Shape::V12);
    EXPECT_NE(ctl.RowColumns().find(s == Shape::V10 ? "0 AS CLOUD" : ",CLOUD"), std::string::npos);
}

// Named rows by name, then the empty slots by number; the whole sort mixes them by number. Every
// read, update and delete runs on the shape: an older database would refuse a missing column.
TEST_P(RegistryTest, LoadSortUpdateAndDeleteOnEveryShape)
{
    for (int i = 1; i <= 120; ++i) AddRow("DATALIST", i, "", Folder(i));
    TDataSentakuListCtl ctl;
    TDataListRec r;
    ctl.InitDataListRec(r, Folder(7));
    r.REC = 7;
    r.ENTTEXT = "ぶどう";
    r.SHOUGOU = "ぶどう商店";
    r.KISHU = Date(2025, 1, 1);
    r.KIMATU = Date(2025, 12, 31);
    r.CLOUD = 1;
    r.READ_ONLY = 1;
    ASSERT_TRUE(ctl.UpdateDataListRecord(r, 0, true));
    ctl.InitDataListRec(r, Folder(3));
    r.REC = 3;
    r.ENTTEXT = "りんご";
    r.SHOUGOU = "りんご商店";
    r.KISHU = Date(2025, 4, 1);
    r.KIMATU = Date(2026, 3, 31);
    ASSERT_TRUE(ctl.UpdateDataListRecord(r, 0, true));
    ctl.InitDataListRec(r, Folder(90));
    r.REC = 90;
    r.ENTTEXT = "あんず";
    r.SHOUGOU = "あんず商店";
    r.KISHU = Date(2025, 1, 1);
    r.KIMATU = Date(2025, 12, 31);
    ASSERT_TRUE(ctl.UpdateDataListRecord(r, 0, true));
    EXPECT_TRUE(ui.shown.empty()) << ui.shown.front();

    ctl.Execute(0, 2, "", false);
    ASSERT_EQ(ctl.RowCount, 120);
    ASSERT_EQ(ctl.Rows.size(), 120u);
    // By CP932 bytes: あ 82A0, ぶ 82D4, り 82E8.
    EXPECT_EQ(ctl.Rows[0].DataRec.ENTTEXT, "あんず");
    EXPECT_EQ(ctl.Rows[1].DataRec.ENTTEXT, "ぶどう");
    EXPECT_EQ(ctl.Rows[2].DataRec.ENTTEXT, "りんご");
    EXPECT_EQ(ctl.Rows[3].DataRec.REC, 1);
    EXPECT_EQ(ctl.Rows[4].DataRec.REC, 2);
    EXPECT_EQ(ctl.Rows[5].DataRec.REC, 4);
    EXPECT_EQ(ctl.Rows[119].DataRec.REC, 120);
    const TDataListRec& b = ctl.Rows[1].DataRec;
    EXPECT_EQ(b.CLOUD, GetParam() == Shape::V10 ? 0 : 1);
    EXPECT_EQ(b.READ_ONLY, GetParam() == Shape::V12 ? 1 : 0);
    EXPECT_EQ(b.KIKANTEXT, "2025/01/01 ～ 2025/12/31");
    EXPECT_EQ(b.LOCALPATH, Folder(7));

    ctl.Execute(0, 1, "", false);
    ASSERT_EQ(ctl.Rows.size(), 120u);
    EXPECT_EQ(ctl.Rows[2].DataRec.ENTTEXT, "りんご");
    EXPECT_EQ(ctl.Rows[6].DataRec.ENTTEXT, "ぶどう");
    ctl.Execute(0, 1, "", true);
    EXPECT_EQ(ctl.Rows[0].DataRec.REC, 120);

    ctl.ListFilter = 1;
    ctl.Execute(0, 1, "", false);
    EXPECT_EQ(ctl.Rows.size(), 3u);

    // Emptying the slot again: the row is cleared, its members go with it.
    AddRow("CHILD_DATALIST", 7, "子", Folder(7) + "/001", 0, 10, 1);
    ctl.InitDataListRec(r, Folder(7));
    r.REC = 7;
    ASSERT_TRUE(ctl.UpdateDataListRecord(r, 0, true));
    EXPECT_TRUE(Recs("CHILD_DATALIST").empty());
    EXPECT_TRUE(ui.shown.empty());
}

// Stand-alone: the slots are the list, an insert writes nothing. Client/server: a new number after
// the highest, deleting only rows above the slot limit, packing closes the gaps in the old order.
TEST_P(RegistryTest, InsertDeleteAndPackInClientServerMode)
{
    TDataSentakuListCtl standAlone;
    TDataListRec r;
    standAlone.InitDataListRec(r, Folder(1));
    EXPECT_TRUE(standAlone.InsertDataListRecord(r, true));
    EXPECT_TRUE(Recs("DATALIST").empty());

    for (int i = 1; i <= 120; ++i) AddRow("DATALIST", i, "", Folder(i));
    AddRow("DATALIST", 121, "甲", "/srv/a");
    AddRow("DATALIST", 123, "乙", "/srv/b");
    AddRow("DATALIST", 130, "丙", "/srv/c");
    TDataSentakuListCtl ctl;
    ctl.Mode = 1;
    ctl.PackDataListRec();
    auto recs = Recs("DATALIST");
    ASSERT_EQ(recs.size(), 123u);
    EXPECT_EQ(recs[120], 121);
    EXPECT_EQ(recs[121], 122);
    EXPECT_EQ(recs[122], 123);
    ctl.Execute(0, 1, "", false);
    EXPECT_EQ(ctl.Rows[121].DataRec.PASNAME, "/srv/b");
    EXPECT_EQ(ctl.Rows[122].DataRec.PASNAME, "/srv/c");

    ctl.InitDataListRec(r, "/srv/d");
    r.ENTTEXT = "丁";
    ASSERT_TRUE(ctl.InsertDataListRecord(r, true));
    EXPECT_EQ(r.REC, 124);

    // A row whose number now carries another folder is left alone.
    TDataListRec stale;
    ctl.InitDataListRec(stale, "/srv/x");
    stale.REC = 122;
    stale.ENTTEXT = "変更";
    EXPECT_TRUE(ctl.UpdateDataListRecord(stale, 0, true));
    ctl.Execute(0, 1, "", false);
    EXPECT_EQ(ctl.Rows[121].DataRec.ENTTEXT, "乙");

    // Deleting a slot's folder keeps the slot; a row above the limit goes.
    TDataListRec slot;
    ctl.InitDataListRec(slot, Folder(5));
    slot.REC = 5;
    EXPECT_TRUE(ctl.DeleteDataListRecord(slot, true));
    TDataListRec above;
    ctl.InitDataListRec(above, "/srv/d");
    EXPECT_TRUE(ctl.DeleteDataListRecord(above, true));
    recs = Recs("DATALIST");
    EXPECT_EQ(recs.size(), 123u);
    EXPECT_EQ(std::count(recs.begin(), recs.end(), 5), 1);
    EXPECT_EQ(std::count(recs.begin(), recs.end(), 124), 0);
    EXPECT_TRUE(ui.shown.empty());
}

TEST_P(RegistryTest, ReadByNumberAndByPath)
{
    AddRow("DATALIST", 3, "三", Folder(3));
    AddRow("DATALIST", 7, "七", "/share/srv/sv0002", 1, 1);
    AddRow("CHILD_DATALIST", 7, "七の一", "/share/srv/sv0002/002", 1, 10, 1);
    TDataSentakuListCtl ctl;
    TDataListRec r;
    ctl.InitDataListRec(r, "");
    r.REC = 3;
    ctl.GetDataListRecord(0, r, true);
    EXPECT_EQ(r.ENTTEXT, "三");
    EXPECT_EQ(r.LOCALPATH, Folder(3));

    TDataSentakuRec byPath;
    EXPECT_EQ(ctl.GetDataListRecordByPath(Folder(3), byPath), 1);
    EXPECT_EQ(byPath.DataRec.REC, 3);

    ctl.Execute(0, 1, "", false);
    ASSERT_EQ(ctl.Rows.size(), 2u);
    const TDataSentakuRec& shared = ctl.Rows[1];
    EXPECT_EQ(shared.DataRec.LOCALPATH, (tmp / "sys").string() + "/0007");
    ASSERT_EQ(shared.ChildCount, 1);
    EXPECT_EQ(shared.ChildList[0].LOCALPATH, (tmp / "sys").string() + "/0007/002");
    EXPECT_EQ(ctl.GetDataFolderName(1), 8);
    EXPECT_TRUE(ctl.IsDataPathToroku(Folder(3)));
    EXPECT_FALSE(ctl.IsDataListEmpty());
    EXPECT_EQ(ctl.ConvSharePathToLocalPath("/share/srv/sv0002/002", 10), (tmp / "sys").string() + "/0007/002");
}

// Quotes, "_" and "%" in a shared folder's path are data: they neither break the statement nor
// widen the deletion to other folders.
TEST_P(RegistryTest, DeletingSharedChildrenTakesThePathLiterally)
{
    fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
    {
        fb::TransactionGuard g(DM->IBTransactionDEF);
        q.SetSQL("INSERT INTO SERVERDATALIST(GROUPID,DRIVELETTER,REC,PASNAME) VALUES(10000,'/',:REC,:PASNAME)");
        q.ParamByName("REC").SetInteger(1);
        q.ParamByName("PASNAME").SetString("/srv/o'k_1");
        q.ExecQuery();
        q.ParamByName("REC").SetInteger(2);
        q.ParamByName("PASNAME").SetString("/srv/oXkA1");
        q.ExecQuery();
        q.SetSQL("INSERT INTO CHILD_SERVERDATALIST(GROUPID,DRIVELETTER,REC,ROWNO,PASNAME) VALUES(10000,'/',:REC,1,:PASNAME)");
        q.ParamByName("REC").SetInteger(1);
        q.ParamByName("PASNAME").SetString("/srv/o'k_1/001");
        q.ExecQuery();
        q.ParamByName("REC").SetInteger(2);
        q.ParamByName("PASNAME").SetString("/srv/oXkA1/001");
        q.ExecQuery();
        g.Commit();
    }
    TDataSentakuListCtl ctl;
    TDataListRec parent;
    ctl.InitDataListRec(parent, "/srv/o'k_1");
    parent.REC = 9;
    parent.NETDRIVE = 1;
    parent.GASSAN = 1;
    EXPECT_TRUE(ctl.DeleteDataListChildRecord(parent, true));
    EXPECT_TRUE(ui.shown.empty());
    const auto left = Recs("CHILD_SERVERDATALIST");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0], 2);
}

TEST_P(RegistryTest, SharedServerListLoadsNamedAreasFirstAndRebuildsFromFolders)
{
    const std::filesystem::path root = tmp / "share";
    for (const char* d : {"sv0001", "sv0002", "sv0009", "DADOZIZIDIV_BACKUP"}) std::filesystem::create_directories(root / d);
    std::filesystem::create_directories(root / "sv0002" / "001");
    TDataSentakuListCtl ctl;
    ctl.ServerList = 1;
    TDataListRec r;
    for (const char* d : {"sv0009", "sv0001", "sv0002"}) {
        ctl.InitDataListRec(r, (root / d).string());
        r.NETDRIVE = 1;
        r.ENTTEXT = std::string(d) == "sv0001" ? "空き領域" : std::string(d) == "sv0002" ? "あ" : "い";
        r.KISHU = Date(2025, 1, 1);
        r.KIMATU = Date(2025, 12, 31);
        ASSERT_TRUE(ctl.UpdateServerDataListRecord(r, 1, true));
    }
    // The same folder again keeps its number.
    ctl.InitDataListRec(r, (root / "sv0002").string());
    r.NETDRIVE = 1;
    r.ENTTEXT = "あ";
    r.KISHU = Date(2025, 1, 1);
    r.KIMATU = Date(2025, 12, 31);
    ASSERT_TRUE(ctl.UpdateServerDataListRecord(r, 1, true));
    EXPECT_EQ(r.REC, 3);
    EXPECT_TRUE(ui.shown.empty());

    ctl.ServerExecute(0, root.string(), nullptr, false, 2);
    ASSERT_EQ(ctl.Rows.size(), 3u);
    EXPECT_EQ(ctl.Rows[0].DataRec.ENTTEXT, "あ");
    EXPECT_EQ(ctl.Rows[1].DataRec.ENTTEXT, "い");
    EXPECT_EQ(ctl.Rows[2].DataRec.ENTTEXT, "空き領域");
    ctl.ServerExecute(0, root.string(), nullptr, true, 1);
    EXPECT_EQ(LastFolderName(ctl.Rows[0].DataRec.PASNAME), "sv0001");
    EXPECT_EQ(ctl.GetNewServerFolderName(root.string(), 1), "sv0010");

    ctl.ServerExecute(1, root.string(), nullptr, false, 1);
    ASSERT_EQ(ctl.Rows.size(), 3u);
    EXPECT_EQ(ctl.Rows[1].DataRec.ENTTEXT, "空き領域");
    EXPECT_EQ(ctl.Rows[1].DataRec.KIKANTEXT, "～");
    EXPECT_EQ(ctl.Rows[1].ChildCount, 1);
    EXPECT_TRUE(Recs("SERVERDATALIST").empty());
    EXPECT_EQ(ctl.GetNewServerFolderName(root.string(), 1), "sv0001");
}

// The first reading of an operator's conditions stores a cleared row; the sort column travels
// through the stored codes.
TEST_P(RegistryTest, SearchConditionsStoredPerOperator)
{
    TDataListKensakuBox box;
    TDataKensakuRec rec;
    ASSERT_TRUE(box.SelectRecord(rec));
    EXPECT_EQ(rec.OPCODE, 100001);
    EXPECT_EQ(rec.JYOKENUSE, 0);
    EXPECT_EQ(rec.SORTCOL, 0);
    rec.SORTCOL = 1; // the code column, stored as 6
    rec.SORTTYPE = 1;
    rec.JYOKENUSE = 1;
    rec.DATATYPE = 2;
    rec.DATANAME = "青色";
    ASSERT_TRUE(box.UpdateRecord(rec));
    TDataKensakuRec again;
    ASSERT_TRUE(box.SelectRecord(again));
    EXPECT_EQ(again.SORTCOL, 1);
    EXPECT_EQ(again.SORTTYPE, 1);
    EXPECT_EQ(again.DATANAME, "青色");
    {
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        fb::TransactionGuard g(DM->IBTransactionDEF);
        q.SetSQL("SELECT SORTCOL FROM KENSAKUJYOKEN WHERE OPCODE=100001 AND LISTTYPE=0");
        q.ExecQuery();
        EXPECT_EQ(q.FieldByName("SORTCOL").AsInteger(), 6);
        q.Close();
        g.Commit();
    }
    again.SORTCOL = 2; // no stored code: 0
    ASSERT_TRUE(box.UpdateRecordSortField(again));
    ASSERT_TRUE(box.SelectRecord(again));
    EXPECT_EQ(again.SORTCOL, 0);
    EXPECT_EQ(again.DATANAME, "青色");
    EXPECT_TRUE(ui.shown.empty());
}

// The data module's row update after a data set was used, on every shape of the registry.
TEST_P(RegistryTest, RowUpdateAfterUseFollowsTheShape)
{
    AddRow("DATALIST", 3, "三", Folder(3));
    TDataInfomationRec info;
    TDataInfomation::ClearDataInfoRec(info);
    info.SHOUGOU = "青色商店";
    info.CODE = "0003";
    info.NENDO = 8;
    info.KISHU = "2026/01/01";
    info.KIMATU = "2026/12/31";
    info.DATAKBN = 2;
    info.CODEKBN = 1;
    info.MAJOR = 15;
    info.CLOUD_SHARE = 1;
    TDataListCtlRowUpdater updater;
    updater.UpdateDataListRow(*DM, Folder(3), info);
    EXPECT_TRUE(ui.shown.empty()) << ui.shown.front();
    TDataSentakuListCtl ctl;
    TDataListRec r;
    ctl.InitDataListRec(r, "");
    r.REC = 3;
    ctl.GetDataListRecord(0, r, true);
    EXPECT_EQ(r.ENTTEXT, "三") << "the list name stays";
    EXPECT_EQ(r.SHOUGOU, "青色商店");
    EXPECT_EQ(r.NENDO, 8);
    EXPECT_EQ(r.KISHU, Date(2026, 1, 1));
    EXPECT_EQ(r.VER_MAJOR, 15);
    EXPECT_EQ(r.DATACODE, "0003");
    EXPECT_EQ(r.CLOUD, GetParam() == Shape::V10 ? 0 : 1);
}

} // namespace

TEST(RegistryValues, StatusNamesAndPaths)
{
    const std::pair<int, const char*> cases[] = {{0, "－"}, {1, "－"}, {2, "使用中"}, {3, "データロック中"}, {10, "破損"},
                                                 {11, "状態不明"}, {-1, "状態不明"}};
    for (const auto& [s, text] : cases) EXPECT_EQ(GetDataStatusName(s), text) << s;
    EXPECT_EQ(NormalizeDataPath("X:\\data\\0003\\"), "X:/data/0003");
    EXPECT_EQ(OperatorCodeOf(10000 * 10000 + 12, 10000), 12);
    EXPECT_EQ(OperatorCodeOf(12, 0), 12);
    const auto [n, c] = TDataSentakuListCtl::SplitDataPath("/home/u/Data/0007/002");
    EXPECT_EQ(n, "0007");
    EXPECT_EQ(c, "002");
}

TEST(RegistryValues, SwitchBetweenServerAndLocalData)
{
    ResetAccRecord();
    ConnectMode = 1;
    SystemDef.HostName = "srv";
    SystemDef.SysDir = "/srv/sys";
    SystemDef.DataDir = "/srv/sys/0003";
    SystemDef.AppDataDir = "/home/u/app/";
    SystemDef.SysDbMajor = 12;
    SwitchDataSource("backup");
    SwitchDataSource("local");
    EXPECT_EQ(ConnectMode, 0);
    EXPECT_EQ(SystemDef.HostName, "");
    EXPECT_EQ(SystemDef.SysDir, "/home/u/app/data");
    EXPECT_EQ(SystemDef.AllSisetuSwitch, 1);
    SystemDef.DataDir = "/home/u/app/data/0001";
    SystemDef.SysDbMajor = 9;
    SwitchDataSource("server");
    EXPECT_EQ(ConnectMode, 1);
    EXPECT_EQ(SystemDef.HostName, "srv");
    EXPECT_EQ(SystemDef.SysDir, "/srv/sys");
    EXPECT_EQ(SystemDef.DataDir, "/srv/sys/0003");
    EXPECT_EQ(SystemDef.SysDbMajor, 12);
    EXPECT_EQ(SystemDef.AllSisetuSwitch, 0);
    EXPECT_THROW(SwitchDataSource("elsewhere"), std::invalid_argument);
    ResetAccRecord();
}
