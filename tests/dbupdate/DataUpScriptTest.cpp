// The update script and the run of isql-fb over it: results 1, 16, 17 and 18, the logs of a failed
// run, and nothing left behind.
#include "common/TestDb.h"
#include "common/TestEnv.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "dbupdate/z5DataUpScript.h"
#include "platform/Text.h"
#include "ui/z5MessageDlg2.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace kb;

namespace {

class DataUpScript : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAccRecord();
        SetMessage2Interceptor([this](TMessage2InfoRec& r) {
            std::string text;
            for (const auto& l : r.Lines)
                if (!l.Text.empty()) text += (text.empty() ? "" : "\n") + l.Text;
            boxes.push_back(text);
            return 1;
        });
        for (const char* d : {"sys", "temp", "log"}) fs::create_directories(tmp / d);
        kbtest::CreateDatabase(tmp / "sys" / "vqaccdef.fdb",
                               "CREATE TABLE T (ID INTEGER, NAME VARCHAR(40) CHARACTER SET SJIS_0208);\nCOMMIT;\n");
        SystemDef.SysDir = (tmp / "sys").string();
        SystemDef.TempDir = (tmp / "temp").string();
        SystemDef.LogDir = (tmp / "log").string();
        SystemDef.DbUser = "SYSDBA";
        SystemDef.DbPassword = "Pw-Secret-7";
        SystemDef.PCName = "PC01";
        SystemDef.OpCode = 100012;
        SystemDef.OpNo = 12;
    }
    void TearDown() override
    {
        SetDataUpToolPath("");
        SetMessage2Interceptor(nullptr);
        ResetAccRecord();
    }
    std::vector<std::string> Names()
    {
        const std::string out = kbtest::RunIsqlOn((tmp / "sys" / "vqaccdef.fdb").string(),
                                                  "SET HEADING OFF;\nSELECT ID || ':' || NAME FROM T ORDER BY ID;\n");
        std::vector<std::string> rows;
        for (const std::string& l : SplitLines(out))
            if (!Trim(l).empty()) rows.push_back(Trim(l));
        return rows;
    }
    fs::path Script() const { return tmp / "temp" / "vqzdataup.sql"; }
    fs::path Log() const { return tmp / "temp" / "vqzdataup.log"; }

    kbtest::TempDir tmp;
    std::vector<std::string> boxes;
};

TEST_F(DataUpScript, ScriptFrameCarriesNoCredentialsAndQuotesLiterals)
{
    TDataUpScript s(0);
    s.Add("INSERT INTO T VALUES (1, " + SqlLiteral("山田's") + ");");
    s.AddVersionRecord(9, 0, 4, "memo's");
    s.Save();
    const std::string text = Cp932ToUtf8(kbtest::ReadFile(Script()));
    const auto lines = SplitLines(text);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0].rfind("/* ", 0), 0u);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 15), ",PC01,100012 */");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "CONNECT '" + (tmp / "sys" / "vqaccdef.fdb").string() + "';");
    EXPECT_EQ(lines[3], "INSERT INTO T VALUES (1, '山田''s');");
    EXPECT_EQ(lines[4], "INSERT INTO VERSION(MAJOR,MINOR1,MINOR2,MEMO) VALUES(9,0,4,'memo''s');");
    EXPECT_EQ(lines[5], "EXIT;");
    EXPECT_NE(text.find("\r\n"), std::string::npos);
    EXPECT_EQ(text.find("Pw-Secret-7"), std::string::npos);
    TDataUpScript a(1);
    a.AddVersionRecord(15, 0, 0, "m");
    EXPECT_EQ(a.Lines()[3], "UPDATE ACCVERSION SET MAJOR=15,MINOR1=0,MINOR2=0,MEMO='m'");
    EXPECT_EQ(a.Lines()[4], "WHERE REC=1;");
}

TEST_F(DataUpScript, OperatorMemoIsCutAt127BytesWithoutSplittingACharacter)
{
    SystemDef.OpName = "Yamada";
    const std::string memo = OperatorMemo();
    EXPECT_EQ(memo.size(), 19u + 15u);
    EXPECT_EQ(memo.substr(19), ",12,Yamada,PC01");
    SystemDef.OpName.clear();
    for (int i = 0; i < 60; ++i) SystemDef.OpName += "山";
    const std::string cut = OperatorMemo();
    // 19 bytes of time, ",12," and 52 two-byte characters: 127 bytes.
    std::string expected = ",12,";
    for (int i = 0; i < 52; ++i) expected += "山";
    EXPECT_EQ(cut.substr(19), expected);
    EXPECT_EQ(sjis::ByteLength(cut), 127u);
}

TEST_F(DataUpScript, ACleanRunIsDoneWhateverWordsTheScriptHolds)
{
    kbtest::WriteFile(Log(), "left over: failed Error\n"); // an earlier output must not be judged again
    TDataUpScript s(0);
    s.Add("/* nothing failed here, no Error either */");
    s.Add("INSERT INTO T VALUES (1, " + SqlLiteral("Error: failed") + ");");
    s.Add("COMMIT;");
    s.Save();
    EXPECT_EQ(RunDataUpScript("9.9.9"), 1);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_EQ(Names(), std::vector<std::string>{"1:Error: failed"});
    EXPECT_FALSE(fs::exists(Script()));
    EXPECT_FALSE(fs::exists(Log()));
    EXPECT_FALSE(fs::exists(tmp / "log" / "ErrDataup.txt"));
}

TEST_F(DataUpScript, AFailedStatementStopsTheScriptAndIsLogged)
{
    auto run = [&](int id) {
        TDataUpScript s(0);
        s.Add("INSERT INTO NO_SUCH_TABLE VALUES (1);");
        s.Add("INSERT INTO T VALUES (" + std::to_string(id) + ", 'after');");
        s.Add("COMMIT;");
        s.Save();
        return RunDataUpScript("9.0.4");
    };
    EXPECT_EQ(run(2), 16);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Ver 9.0.4のデータベース更新に失敗しました。");
    EXPECT_TRUE(Names().empty()); // nothing after the failed statement ran
    const std::string first = kbtest::ReadFile(tmp / "log" / "ErrDataup.txt");
    EXPECT_NE(first.find("NO_SUCH_TABLE"), std::string::npos) << first;
    EXPECT_EQ(first.find("Pw-Secret-7"), std::string::npos);
    EXPECT_EQ(run(3), 16);
    EXPECT_EQ(kbtest::ReadFile(tmp / "log" / "ErrDataup.log"), first + kbtest::ReadFile(tmp / "log" / "ErrDataup.txt"));
    EXPECT_FALSE(fs::exists(Script()));
    EXPECT_FALSE(fs::exists(Log()));
}

TEST_F(DataUpScript, MissingScriptToolOrOutput)
{
    // No script: 18, no tool started.
    EXPECT_EQ(RunDataUpScript("1.0.1"), 18);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "更新ファイル(" + Script().string() + ")が見つかりません。\n処理を中止します。");

    // No tool: 17, the script stays, no output.
    TDataUpScript s(0);
    s.Add("COMMIT;");
    s.Save();
    SetDataUpToolPath((tmp / "no-such-isql").string());
    EXPECT_EQ(RunDataUpScript("1.0.1"), 17);
    EXPECT_EQ(boxes.at(1), "ISQL.EXEが起動できません。\n処理を中止します。");
    EXPECT_TRUE(fs::exists(Script()));
    EXPECT_FALSE(fs::exists(Log()));

    // A tool that ends well without writing its output: failed, not done.
    SetDataUpToolPath("/bin/true");
    EXPECT_EQ(RunDataUpScript("1.0.1"), 16);
    EXPECT_EQ(boxes.at(2), "Ver 1.0.1のデータベース更新に失敗しました。");
    EXPECT_TRUE(fs::exists(tmp / "log" / "ErrDataup.txt"));
    EXPECT_FALSE(fs::exists(Script()));

    // A tool that fails with an output: judged by its exit status.
    s.Save();
    kbtest::WriteFile(tmp / "tool.sh", "#!/bin/sh\nwhile [ \"$1\" != \"-o\" ]; do shift; done\necho 'all fine' > \"$2\"\nexit 3\n");
    fs::permissions(tmp / "tool.sh", fs::perms::owner_all);
    SetDataUpToolPath((tmp / "tool.sh").string());
    EXPECT_EQ(RunDataUpScript("1.0.1"), 16);
    EXPECT_NE(kbtest::ReadFile(tmp / "log" / "ErrDataup.txt").find("all fine"), std::string::npos);
    EXPECT_FALSE(fs::exists(Log()));
}

} // namespace
