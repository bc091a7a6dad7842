// The registry table of a data folder: the table whose row holds the folder, whatever the path
// looks like.

#include "DataInfomationTestEnv.h"

#include "FixtureBuilder.h"
#include "Isql.h"
#include "accounting/DataListTable.h"

using namespace kb;
using namespace kbtest;
namespace fx = kbtest::fixture;

TEST(DataListTable, TheTableWhoseRowHoldsTheFolder)
{
    AccEnv env;
    fx::DataRoot root = fx::LayoutFor(env.dir / "root");
    std::filesystem::create_directories(root.sysDir);
    fx::WriteProductRegistry(root, "15.0.0");
    fx::BuildSystemDatabase(root, {});
    SystemDef.SysDir = root.sysDir.string();
    // A data place whose path has nothing of "data" in it, and one whose name does.
    fx::RunIsql(root.sysDir / "vqaccdef.fdb",
                "INSERT INTO DATAPLACEMAN (REC, ORDERKBN, NAME, PATH) VALUES (1, 2, '別の場所', '/srv/data');\n"
                "INSERT INTO DATALIST_EX (DATAPLACEREC, REC, GROUPID, ENTTEXT, SHOUGOU, PASNAME) "
                "VALUES (1, 7, 10000, '別', '別', '/srv/data/0007');\nCOMMIT;\n");
    ASSERT_TRUE(env.dm->fnAccDefConnected("", false));
    fb::TransactionGuard guard(env.dm->IBTransactionDEF);
    struct Case { std::string folder; const char* table; };
    const Case cases[] = {
        {(root.sysDir / "0001").string(), "DATALIST"},
        {(root.sysDir / "0120").string(), "DATALIST"},
        {"/srv/data/0007", "DATALIST_EX"},
        {"/SRV/DATA/0007", "DATALIST_EX"},
        {"/srv/data/0008", "DATALIST"},
        {"", "DATALIST"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DataListTableOf(env.dm->IBDatabaseDEF, env.dm->IBTransactionDEF, c.folder), c.table) << c.folder;
}
