#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "common/TestDb.h"
#include "core/z5AppInfo.h"
#include "platform/Text.h"

namespace {

namespace fs = std::filesystem;

// Writes AppInfo.ini as the installer does: CP932 with CR LF.
void WriteIni(const fs::path& dir, const std::string& utf8Lines)
{
    std::string crlf;
    for (char c : utf8Lines) {
        if (c == '\n') crlf += "\r\n";
        else crlf += c;
    }
    std::ofstream(dir / "AppInfo.ini", std::ios::binary) << kb::Utf8ToCp932(crlf);
}

class AppInfoFile : public ::testing::Test {
protected:
    void SetUp() override { unsetenv("KB_APPINFO_DIR"); }
    void TearDown() override { unsetenv("KB_APPINFO_DIR"); }
    kbtest::TempDir dir;
    fs::path program() const { return dir / "kenbo-rendo"; }
};

TEST_F(AppInfoFile, MissingFileLeavesTheRecordUntouched)
{
    kb::TAppInfoRec rec;
    rec.OEM = "keep";
    EXPECT_EQ(kb::LoadAppInfo(program(), rec), 0);
    EXPECT_EQ(rec.OEM, "keep");
}

TEST_F(AppInfoFile, WithoutOemGivesTheBuiltInDefaults)
{
    WriteIni(dir.path(), "[Application]\nSince=1999\n[Zaimu]\nAppTitle=別名\n");
    kb::TAppInfoRec rec;
    EXPECT_EQ(kb::LoadAppInfo(program(), rec), -1);
    EXPECT_EQ(rec.OEM, "-");
    EXPECT_EQ(rec.Since, "2009-2019");
    EXPECT_EQ(rec.ZaimuAppTitle, "パヴォナ財務");
    EXPECT_EQ(rec.ApplicationRegKey, "\\SOFTWARE\\ZANDREL");
    EXPECT_EQ(rec.DataFile, "vqacc.fdb");
    EXPECT_EQ(rec.DataInitFile, "acc%d.gbk");
    EXPECT_EQ(rec.DataListCnt, 120);
    EXPECT_EQ(rec.DataConQiv02, "Ｑｉｖ復元");
    EXPECT_TRUE(rec.QuorviMenuLimit);
    // An empty OEM value counts as missing.
    WriteIni(dir.path(), "[Application]\nOEM=\n");
    EXPECT_EQ(kb::LoadAppInfo(program(), rec), -1);
}

TEST_F(AppInfoFile, OnlyOemLoadsWithEmptyValues)
{
    WriteIni(dir.path(), "[Application]\nOEM=Vellmark\n");
    kb::TAppInfoRec rec;
    kb::SetDefaultAppInfo(rec);
    EXPECT_EQ(kb::LoadAppInfo(program(), rec), 1);
    EXPECT_EQ(rec.OEM, "Vellmark");
    EXPECT_EQ(rec.ZaimuAppTitle, "");
    EXPECT_EQ(rec.DataFile, "");
    EXPECT_EQ(rec.CompanyName, "");
    EXPECT_EQ(rec.VerMajorDiff, 0);
    EXPECT_EQ(rec.DataListCnt, 120);
    EXPECT_TRUE(rec.QuorviMenuLimit);
}

TEST_F(AppInfoFile, ReadsEveryValueAsWritten)
{
    WriteIni(dir.path(),
             "[Application]\nOEM=-\nRegKey=\\SOFTWARE\\OTHER\nVerMajorDiff=x1\nVerRevDiff= 3\nVerTest=Pro\n"
             "WebAzimobanServer=azimo.example\n"
             "[company]\nName=株式会社テスト①\nURL=https://t.example/\n"
             "[Zaimu]\nAppTitle=テスト財務\nHomeDir=maker\\product\nServerDir=\\product\\data\nDataListCnt=abc\n"
             "DataBackupFile=z.fbk\n"
             "[Reruziro]\nDataBackupFile=r.fbk\n"
             "[Menu]\nQuorviMenuLimit=FALSE\nDataCon01=送る\n");
    kb::TAppInfoRec rec;
    ASSERT_EQ(kb::LoadAppInfo(program(), rec), 1);
    EXPECT_EQ(rec.ApplicationRegKey, "\\SOFTWARE\\OTHER"); // registry keys keep their "\"
    EXPECT_EQ(rec.VerMajorDiff, 0);
    EXPECT_EQ(rec.VerRevDiff, 3);
    EXPECT_EQ(rec.VerTest, "Pro");
    EXPECT_EQ(rec.WebAzimobanServer, "azimo.example");
    EXPECT_EQ(rec.CompanyName, "株式会社テスト①");
    EXPECT_EQ(rec.CompanyUrl, "https://t.example/");
    EXPECT_EQ(rec.ZaimuAppTitle, "テスト財務");
    EXPECT_EQ(rec.ZaimuHomeDir, "maker/product"); // folders are POSIX inside
    EXPECT_EQ(rec.ServerDir, "/product/data");
    EXPECT_EQ(rec.DataListCnt, 120);
    EXPECT_EQ(rec.ZaimuDataBackupFile, "z.fbk");
    EXPECT_EQ(rec.ReruziroDataBackupFile, "r.fbk");
    EXPECT_FALSE(rec.QuorviMenuLimit);
    EXPECT_EQ(rec.DataCon01, "送る");

    WriteIni(dir.path(), "[Application]\nOEM=-\n[Menu]\nQuorviMenuLimit=0\n");
    ASSERT_EQ(kb::LoadAppInfo(program(), rec), 1);
    EXPECT_TRUE(rec.QuorviMenuLimit);
}

TEST_F(AppInfoFile, UnreadableFileGivesMinusTen)
{
    fs::create_directory(dir / "AppInfo.ini");
    kb::TAppInfoRec rec;
    EXPECT_EQ(kb::LoadAppInfo(program(), rec), -10);
}

TEST_F(AppInfoFile, EnvironmentNamesAnotherFolder)
{
    fs::create_directory(dir / "elsewhere");
    WriteIni(dir / "elsewhere", "[Application]\nOEM=Other\n");
    setenv("KB_APPINFO_DIR", (dir / "elsewhere").c_str(), 1);
    kb::TAppInfoRec rec;
    EXPECT_EQ(kb::LoadAppInfo(program(), rec), 1);
    EXPECT_EQ(rec.OEM, "Other");
    EXPECT_EQ(kb::AppInfoFilePath(program()), dir / "elsewhere" / "AppInfo.ini");
}

} // namespace
