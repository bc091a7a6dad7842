// The cloud-share line of a data set, on small data-set databases at 11.0.0 (no line yet) and
// 11.0.1, connected by the operation itself or already connected.

#include "common/TestDb.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "dataselect/registry/z5ComCloudShare.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kb;

namespace {

class CloudShareTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kbtest::PrepareFirebird();
        ResetAccRecord();
        ResetErrorReporter();
        SystemDef.DbUser = "SYSDBA";
        SystemDef.DbPassword = "masterkey";
        SystemDef.LogDir = tmp.path().string();
        CreateDM();
    }
    void TearDown() override
    {
        FreeDM();
        ResetAccRecord();
    }
    std::string Make(const std::string& name, const char* version, int line)
    {
        const auto folder = tmp / name;
        std::filesystem::create_directories(folder);
        std::string v = version;
        for (char& c : v)
            if (c == '.') c = ',';
        kbtest::CreateDatabase(folder / "vqacc.fdb",
                               "CREATE TABLE ACCVERSION (REC INTEGER, MAJOR INTEGER, MINOR1 INTEGER, MINOR2 INTEGER);\n"
                               "CREATE TABLE ACCDEF1 (REC INTEGER, CLOUD_LINE INTEGER);\nCOMMIT;\n"
                               "INSERT INTO ACCVERSION VALUES (1, 10, 0, 4);\n"
                               "INSERT INTO ACCVERSION VALUES (2, " + v + ");\n"
                               "INSERT INTO ACCDEF1 VALUES (1, " + std::to_string(line) + ");\nCOMMIT;\n");
        IniFile(folder / "vqacc.ini").WriteInteger("DATAINFO", "CLOUD_SHARE", line > 0 ? 1 : 0);
        return folder.string();
    }
    kbtest::TempDir tmp;
};

TEST_F(CloudShareTest, LineFromVersion11_0_1AndTheInformationFileInStandAloneMode)
{
    const std::string old = Make("old", "11.0.0", 5);
    const std::string cur = Make("cur", "11.0.1", 3);
    TCloudShareIO io;
    EXPECT_EQ(io.GetSetting("", old), 0);
    EXPECT_TRUE(io.SetSetting("", old, 7));
    EXPECT_EQ(IniFile(old + "/vqacc.ini").ReadInteger("DATAINFO", "CLOUD_SHARE", -1), 1) << "below 11.0.1 nothing is written";
    EXPECT_EQ(io.GetSetting("", cur), 3);
    EXPECT_FALSE(DM->IBDatabaseDAT.Connected()) << "connected by the operation, disconnected after it";
    EXPECT_TRUE(io.ClearSetting("", cur));
    EXPECT_EQ(io.GetSetting("", cur), 0);
    EXPECT_EQ(IniFile(cur + "/vqacc.ini").ReadInteger("DATAINFO", "CLOUD_SHARE", -1), 0);

    // Server modes never write the information file; an open data set stays open.
    ConnectMode = 1;
    ASSERT_TRUE(io.SetSetting("", cur, 4));
    EXPECT_EQ(IniFile(cur + "/vqacc.ini").ReadInteger("DATAINFO", "CLOUD_SHARE", -1), 0);
    ConnectMode = 0;
    ASSERT_TRUE(DM->fnAccDatConnected("", cur, false));
    EXPECT_EQ(io.GetSetting("", cur), 4);
    EXPECT_TRUE(DM->IBDatabaseDAT.Connected());
}

} // namespace
