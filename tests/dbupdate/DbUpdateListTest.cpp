#include "common/TestDb.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "dataselect/registry/DataListRefresh.h"
#include "dataselect/registry/z5DataSentakuRules.h"
#include "dbupdate/z5DbUpdateList.h"
#include "dbupdate/z5MenuList.h"
#include "dbupdate/z5SystemDbUpdate.h"

#include <gtest/gtest.h>

using namespace kb;

namespace {

// Accounting list indexes of a few versions (62 steps, 0.1.1 first).
constexpr int kAcc303 = 24, kAccLast = 61;

TEST(DbUpdateList, ListsAreInAscendingOrderWithTheirBackups)
{
    TDbUpdatePlan plan;
    ASSERT_EQ(plan.SystemList.size(), 18u);
    ASSERT_EQ(plan.UserList.size(), 62u);
    for (const auto* list : {&plan.SystemList, &plan.UserList})
        for (std::size_t i = 1; i < list->size(); ++i)
            EXPECT_TRUE(IsVersionRecNewer(StrToVersionRec(VersionText((*list)[i])), StrToVersionRec(VersionText((*list)[i - 1]))))
                << VersionText((*list)[i]);
    EXPECT_EQ(VersionText(plan.SystemList.front()), "0.3.1");
    EXPECT_EQ(VersionText(plan.SystemList.back()), "12.0.0");
    EXPECT_EQ(VersionText(plan.UserList[kAcc303]), "3.0.3");
    EXPECT_EQ(VersionText(plan.UserList.back()), "15.0.0");
    int systemBackups = 0, userBackups = 0;
    for (const auto& s : plan.SystemList) systemBackups += s.NeedBackup;
    for (const auto& s : plan.UserList) userBackups += s.NeedBackup;
    EXPECT_EQ(systemBackups, 10); // 0.3.1, 4.0.0, 4.0.2, 5.0.0, 8.0.0 to 12.0.0
    EXPECT_EQ(userBackups, 58);   // all but 0.2.0, 0.3.0, 0.3.2 and 0.4.0
    // An accounting step that is not built yet fails loudly rather than pretending success.
    EXPECT_THROW(plan.UserList[0].ExecProc(), std::logic_error);
}

TEST(DbUpdateList, PendingRangeAndBackupCountFromAVersionText)
{
    struct Case {
        int kind;
        const char* text;
        bool need;
        int first, last, backups;
        const char* db;
    };
    const Case cases[] = {
        {1, "15.0.0", false, -1, -1, 0, "15.0.0"},
        {1, "16.0.0", false, -1, -1, 0, "16.0.0"},
        {1, "3.0.2", true, kAcc303, kAccLast, 38, "3.0.2"},   // 3.0.3 .. 15.0.0: 38 steps, each with a backup
        {1, "14.9.0", true, kAccLast, kAccLast, 1, "14.9.0"},   // only 15.0.0
        {1, "15.0", true, 0, kAccLast, 58, "0.0.0"},
        {1, "1.2.3.4", true, 0, kAccLast, 58, "0.0.0"},
        {1, "15.x.0", false, -1, -1, 0, "15.0.0"},
        {1, "0.2.0", true, 6, kAccLast, 53, "0.2.0"},        // 56 steps; 0.3.0, 0.3.2, 0.4.0 want none
        {0, "1.0.1", true, 4, 17, 9, "1.0.1"},                // first pending 3.0.0
        {0, "0.0.0", true, 0, 17, 10, "0.0.0"},
        {0, "12.0.0", false, -1, -1, 0, "12.0.0"},
        {0, "11.0.1", true, 17, 17, 1, "11.0.1"},
    };
    TDbUpdatePlan plan;
    for (const Case& c : cases) {
        plan.PrepareUpdate(c.kind, c.text, nullptr);
        EXPECT_EQ(plan.NeedUpdate, c.need) << c.text;
        EXPECT_EQ(plan.FirstPending, c.first) << c.text;
        EXPECT_EQ(plan.LastPending, c.last) << c.text;
        EXPECT_EQ(plan.BackupCount, c.backups) << c.text;
        EXPECT_EQ(VersionText(plan.DbVersion), c.db) << c.text;
        EXPECT_EQ(VersionText(plan.TargetVersion), c.kind == 0 ? "12.0.0" : "15.0.0");
    }
}

TEST(DbUpdateList, VersionReadFromTheDatabaseTablesHighestRowFirst)
{
    ResetAccRecord();
    kbtest::TempDir tmp;
    std::filesystem::create_directories(tmp / "sys");
    std::filesystem::create_directories(tmp / "data");
    kbtest::CreateDatabase(tmp / "sys" / "vqaccdef.fdb",
                           "CREATE TABLE VERSION (REC INTEGER, MAJOR INTEGER, MINOR1 INTEGER, MINOR2 INTEGER);\n"
                           "INSERT INTO VERSION VALUES (1, 0, 3, 3);\nINSERT INTO VERSION VALUES (2, 1, 0, 1);\n"
                           "INSERT INTO VERSION VALUES (3, 0, 3, 2);\nCOMMIT;\n");
    kbtest::CreateDatabase(tmp / "data" / "vqacc.fdb",
                           "CREATE TABLE ACCVERSION (REC INTEGER, MAJOR INTEGER, MINOR1 INTEGER, MINOR2 INTEGER);\n"
                           "INSERT INTO ACCVERSION VALUES (1, 14, 0, 0);\nCOMMIT;\n");
    SystemDef.SysDir = (tmp / "sys").string();
    SystemDef.DbUser = "SYSDBA";
    SystemDef.DbPassword = "masterkey";
    CreateDM();
    ASSERT_TRUE(DM->fnAccDefConnected("", true));
    ASSERT_TRUE(DM->fnAccDatConnected("", (tmp / "data").string(), false));
    TDbUpdatePlan plan;
    plan.PrepareUpdate(0, "", DM);
    EXPECT_EQ(VersionText(plan.DbVersion), "1.0.1");
    EXPECT_EQ(plan.FirstPending, 4); // 3.0.0
    plan.PrepareUpdate(1, "", DM);
    EXPECT_EQ(VersionText(plan.DbVersion), "14.0.0");
    EXPECT_EQ(VersionText(plan.CurrentList()[plan.FirstPending]), "15.0.0");
    // Without the table: reported, read as 0.0.0, everything pending.
    {
        fb::TransactionGuard g(DM->IBTransactionDEF);
        DM->IBSQLDEF.SetSQL("DROP TABLE VERSION");
        DM->IBSQLDEF.ExecQuery();
        g.Commit();
    }
    plan.PrepareUpdate(0, "", DM);
    EXPECT_EQ(plan.FirstPending, 0);
    EXPECT_FALSE(DM->IBTransactionDEF.InTransaction());
    DM->fnAccDatDisConnected((tmp / "data").string(), false, false);
    FreeDM();
    ResetAccRecord();
}

TEST(DbUpdateList, ListEndSeamStopsAListAtAVersion)
{
    SetDbUpdateListEnd(0, StrToVersionRec("11.0.1"));
    TDbUpdatePlan plan;
    SetDbUpdateListEnd(0, std::nullopt);
    ASSERT_EQ(plan.SystemList.size(), 17u);
    plan.PrepareUpdate(0, "5.0.0", nullptr);
    EXPECT_EQ(VersionText(plan.TargetVersion), "11.0.1");
    EXPECT_EQ(TDbUpdatePlan().SystemList.size(), 18u);
}

// The data selection greys a data set through the installed check: 0005 (14.9.0), not 0001 (15.0.0).
TEST(DbUpdateList, DataSelectionGreysOutdatedDataThroughTheHook)
{
    SetDataVersionCheck(AccountingDataNeedsUpdate);
    TDataListLine current, outdated;
    current.VersionText = "15.0.0";
    current.UpdateFlag = 1;
    outdated.VersionText = "14.9.0";
    outdated.UpdateFlag = 1;
    EXPECT_FALSE(LineNeedsUpdate(current));
    EXPECT_TRUE(LineNeedsUpdate(outdated));
    SetDataVersionCheck(nullptr);
}

TEST(MenuList, OldMenuNumbersGiveProgramIds)
{
    struct Case {
        int level, page, slot, oem;
        const char* id;
        const char* option;
    };
    const Case cases[] = {
        {9, 8, 11, 0, "SzDataTusin", "SyoriType=4"},   {9, 1, 0, 0, "SzSiwake", "SyoriType=1"},
        {1009, 2, 0, 0, "SzMBKessansyo", ""},          {9, 2, 0, 0, "SzHojinKessansyo", ""},
        {1000, 2, 0, 0, "SzHojinKessansyo", ""},       {1001, 2, 0, 0, "SzMBKessansyo", ""},
        {9, 2, 4, 0, "", ""},                           {9, 11, 0, 0, "", ""},
        {1009, 11, 19, 0, "SzFuzokuIkkatu", ""},       {1009, 12, 0, 0, "SzGenkaHaifuSettei", ""},
        {1009, 10, 0, 0, "", ""},                       {1009, 10, 10, 0, "SzHikakuSuiihyo", ""},
        {1009, 2, 9, 0, "SzTouzaChoseihyo", "SyoriType=0"}, {1009, 2, 11, 0, "SzKurikosiChosei", ""},
        {9, 7, 16, 0, "SzUtiwake17", ""},               {9, 1, 17, 1, "SzKobetuIchiranhyo", ""},
        {9, 1, 17, 0, "", ""},                          {9, 1, 15, 1, "SzVellmarkSiwake", "SyoriType=1"},
        {1009, 1, 17, 1, "", ""},
    };
    for (const Case& c : cases) {
        OemFlag = static_cast<std::uint8_t>(c.oem);
        std::string id = "x", option = "x", copy;
        GetProcIdFromMenuNo(c.level, c.page, c.slot, id, option, copy);
        EXPECT_EQ(id, c.id) << c.level << "/" << c.page << "/" << c.slot;
        EXPECT_EQ(option, c.option) << c.level << "/" << c.page << "/" << c.slot;
        EXPECT_EQ(copy, id);
    }
    OemFlag = 0;
}

TEST(SystemSteps, DataPlacesNameAndNumberTheFolder)
{
    const std::string folder40(40, 'a');
    EXPECT_EQ(DataPlaceName("/srv/data"), "/srv/data");
    EXPECT_EQ(DataPlaceName(std::string(20, 'a')), std::string(20, 'a'));
    EXPECT_EQ(DataPlaceName(std::string(21, 'a')), "標準の場所");  // longer than the name column
    EXPECT_EQ(DataPlaceName(folder40), "標準の場所");
    EXPECT_EQ(DataPlaceName("/データ/会計"), "/データ/会計");
    const auto rows = DataPlaceRows("/X/it's");
    ASSERT_EQ(rows.size(), 100u);
    EXPECT_EQ(rows[0], "INSERT INTO DATAPLACEMAN(REC,ORDERKBN,NAME,PATH) VALUES(0,1,'/X/it''s','/X/it''s');");
    EXPECT_EQ(rows[12], "INSERT INTO DATAPLACEMAN(REC,ORDERKBN,NAME,PATH) VALUES(12,13,'','/X/it''s12');");
}

} // namespace
