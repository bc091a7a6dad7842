// The transfer's reads and writes in a data set's own database (the general fixture data set),
// the version text and the comparison lines before a restore.

#include "comm/DataTusinDb.h"

#include "FixtureBuilder.h"
#include "Isql.h"
#include "accounting/DataInfomation.h"
#include "common/FakeUi.h"
#include "common/TestDb.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"

#include <gtest/gtest.h>

using namespace kb;
namespace fx = kbtest::fixture;

namespace {

struct GeneralSet {
    kbtest::TempDir dir;
    std::filesystem::path folder = dir / "0001";
    std::filesystem::path db = folder / "vqacc.fdb";
    TSystemDef saved = SystemDef;
    std::uint8_t mode = ConnectMode;
    GeneralSet()
    {
        kbtest::PrepareFirebird();
        fx::BuildGeneralDataSet(folder, 1);
        SystemDef.DbUser = "SYSDBA";
        SystemDef.DbPassword = "";
        ConnectMode = 0;
    }
    ~GeneralSet()
    {
        SystemDef = saved;
        ConnectMode = mode;
    }
    std::string One(const std::string& sql) const { return fx::Query(db, sql).at(0).begin()->second; }
};

} // namespace

TEST(DataTusinDb, VersionCloudColumnsAndConsolidationSettings)
{
    GeneralSet g;
    TDataTusinDb job(g.folder.string());
    int ma = 0, mi1 = 0, mi2 = 0;
    ASSERT_TRUE(job.GetDataVersion(1, ma, mi1, mi2));
    EXPECT_EQ((std::vector<int>{ma, mi1, mi2}), (std::vector<int>{15, 0, 0}));

    fx::RunIsql(g.db, "UPDATE ACCDEF1 SET CLOUD_LINE = 3 WHERE REC = 1;\nCOMMIT;\n");
    ASSERT_TRUE(job.SetCloudTime(DateTime(Date(2025, 6, 7), 8, 9, 10)));
    EXPECT_EQ(g.One("SELECT CLOUD_TIME FROM ACCDEF1 WHERE REC = 1").substr(0, 19), "2025-06-07 08:09:10");
    ASSERT_TRUE(job.GetDataVersion(0, ma, mi1, mi2));
    EXPECT_EQ(g.One("SELECT CLOUD_LINE FROM ACCDEF1 WHERE REC = 1"), "0");

    // Before 11.0.1 the columns are left alone (the program's schema has them; the old one did not).
    fx::RunIsql(g.db, "UPDATE ACCVERSION SET MAJOR = 11, MINOR1 = 0, MINOR2 = 0 WHERE REC = 1;\n"
                      "UPDATE ACCDEF1 SET CLOUD_LINE = 4, CLOUD_TIME = NULL WHERE REC = 1;\nCOMMIT;\n");
    EXPECT_TRUE(job.SetCloudTime(DateTime(Date(2025, 6, 7))));
    EXPECT_TRUE(job.GetDataVersion(0, ma, mi1, mi2));
    EXPECT_EQ(g.One("SELECT CLOUD_LINE FROM ACCDEF1 WHERE REC = 1"), "4");
    EXPECT_EQ(g.One("SELECT COALESCE(CAST(CLOUD_TIME AS VARCHAR(30)), 'null') AS T FROM ACCDEF1 WHERE REC = 1"), "null");

    fx::RunIsql(g.db, "UPDATE OR INSERT INTO ACCREG (AGROUP, ACODE, ATEXT) VALUES ('基本設定', '合算データ区分', '10');\n"
                      "UPDATE OR INSERT INTO ACCREG (AGROUP, ACODE, ATEXT) VALUES ('基本設定', '合算データ数', '3');\nCOMMIT;\n");
    std::string k, c;
    ASSERT_TRUE(job.ReadGassanSettings(k, c));
    EXPECT_EQ(k, "10");
    EXPECT_EQ(c, "3");
    ASSERT_TRUE(job.WriteGassanSettings("0", "0"));
    ASSERT_TRUE(job.ReadGassanSettings(k, c));
    EXPECT_EQ(k + "/" + c, "0/0");
    EXPECT_FALSE(job.HasApprovedSiwake());
}

TEST(DataTusinDb, AMissingDatabaseIsReportedOnceAndFails)
{
    kbtest::TempDir dir;
    kbtest::PrepareFirebird();
    kbtest::RecordingErrorUi ui;
    TScopedErrorUi install(&ui);
    TDataTusinDb job((dir / "none").string());
    int ma = 0, mi1 = 0, mi2 = 0;
    EXPECT_FALSE(job.GetDataVersion(1, ma, mi1, mi2));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].find("ユーザーデータベースの接続処理に失敗しました。"), std::string::npos);
}

TEST(DataTusinDb, VersionTextAndComparisonLines)
{
    struct V { int major, minor; const char* text; };
    for (const V& v : {V{15, 0, "23版"}, V{11, 1, "19消改版"}, V{6, 1, "14消改版"}, V{11, 2, "11.2"}, V{1, 0, "09版"}, V{2, 0, "10版"}})
        EXPECT_EQ(TDataTusinDb::GetVersionText(v.major, v.minor), v.text);
    EXPECT_FALSE(TDataTusinDb::CloudColumnsExist(11, 0, 0));
    EXPECT_TRUE(TDataTusinDb::CloudColumnsExist(11, 0, 1));
    EXPECT_TRUE(TDataTusinDb::CloudColumnsExist(11, 1, 0));
    EXPECT_TRUE(TDataTusinDb::CloudColumnsExist(12, 0, 0));
    EXPECT_FALSE(TDataTusinDb::CloudColumnsExist(10, 5, 5));

    TDataInfomationRec in, local;
    in.SHOUGOU = local.SHOUGOU = "青色商店";
    in.KISHU = local.KISHU = "2025/01/01";
    in.KIMATU = local.KIMATU = "2025/12/31";
    in.TOTALSIWAKE = 141;
    local.TOTALSIWAKE = 1142;
    std::string invalid;
    EXPECT_EQ(CompareDataInfoLines("復元", in, local, false, invalid),
              (std::vector<std::string>{"仕訳件数(修正・削除仕訳含む)が減っています。", "　【復元元】：141 件", "　【復元先】：1,142 件", ""}));
    in.TOTALSIWAKE = 2000;
    in.KISHU = "2024/01/01";
    EXPECT_EQ(CompareDataInfoLines("復元", in, local, false, invalid),
              (std::vector<std::string>{"期首に違いがありました。", "　【復元元】：2024/01/01", "　【復元先】：2025/01/01", ""}));
    EXPECT_TRUE(CompareDataInfoLines("復元", local, local, false, invalid).empty());
    EXPECT_TRUE(invalid.empty());
    TDataInfomationRec empty;
    EXPECT_TRUE(CompareDataInfoLines("復元", empty, local, false, invalid).empty());
    EXPECT_EQ(invalid, "復元処理元のデータ情報が不正です。");
    CompareDataInfoLines("復元", local, empty, false, invalid);
    EXPECT_EQ(invalid, "復元処理先のデータ情報が不正です。");
}
