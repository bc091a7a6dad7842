// The application INI and the dialog "データサーバーの設定": the defaults, the reading rules of a
// connection section, and the dialog's OK with its checks.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <string>
#include <vector>

#include "common/TestDb.h"
#include "core/uAccRecord.h"
#include "dataselect/AppIniCreate.h"
#include "platform/IniFile.h"
#include "ui/z5MessageDlg2.h"

namespace {

class AppIniCreateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kb::ResetAccRecord();
        kb::SystemDef.IniFile = (dir / "vqzaimu.ini").string();
        kb::SetMessage2Interceptor([this](kb::TMessage2InfoRec& rec) {
            std::string text;
            for (const auto& l : rec.Lines)
                if (!l.Text.empty()) text += (text.empty() ? "" : "\r") + l.Text;
            messages.push_back(text);
            return kb::mrYes;
        });
    }
    void TearDown() override
    {
        kb::SetMessage2Interceptor(nullptr);
        kb::ResetAccRecord();
    }
    kb::IniFile Ini() const { return kb::IniFile(kb::SystemDef.IniFile); }

    kbtest::TempDir dir;
    std::vector<std::string> messages;
};

TEST_F(AppIniCreateTest, DefaultsWriterResetsEverySectionButSbc)
{
    {
        kb::IniFile ini(kb::SystemDef.IniFile);
        ini.WriteString("DATABASE", "OLD", "1");
        ini.WriteString("MAINFORM", "OLD", "1");
        ini.WriteString("LOCAL", "HOSTNAME", "stale");
        ini.WriteString("SBC", "HOSTNAME", "sbc-host");
    }
    kb::SystemDef.HostName = "this-pc"; // cleared in stand-alone mode
    kb::SystemDef.SysDir = "/srv/Data";
    kb::SystemDef.DbUser = "PAVONA";
    kb::SystemDef.DbPassword = "mirlot";
    kb::TAppIniCreateBox box;
    ASSERT_TRUE(box.Initialized);
    EXPECT_TRUE(box.WriteIniFile(1));

    const kb::IniFile ini = Ini();
    EXPECT_FALSE(ini.SectionExists("DATABASE"));
    EXPECT_FALSE(ini.SectionExists("MAINFORM"));
    const std::vector<std::pair<std::string, std::string>> application = {
        {"TOP", "0"}, {"LEFT", "0"}, {"WIDTH", "1024"}, {"HEIGHT", "738"}, {"CONNECT", "0"}};
    EXPECT_EQ(ini.ReadSectionValues("APPLICATION"), application);
    const std::vector<std::pair<std::string, std::string>> local = {{"HOSTNAME", ""}, {"GOGLOBAL", "NO"},
        {"GROUP", "NO"}, {"SYSDIR", "/srv/Data"}, {"USER", "PAVONA"}, {"PASSWORD", "mirlot"}};
    EXPECT_EQ(ini.ReadSectionValues("LOCAL"), local);
    const std::vector<std::pair<std::string, std::string>> server = {{"HOSTNAME", ""}, {"GOGLOBAL", "NO"},
        {"GROUP", "NO"}, {"SYSDIR", ""}, {"USER", "PAVONA"}, {"PASSWORD", "mirlot"}};
    EXPECT_EQ(ini.ReadSectionValues("SERVER"), server);
    EXPECT_EQ(ini.ReadString("SBC", "HOSTNAME", ""), "sbc-host");
}

TEST_F(AppIniCreateTest, ReadingASectionAppliesCaseRulesAndDefaults)
{
    {
        kb::IniFile ini(kb::SystemDef.IniFile);
        ini.WriteString("SERVER", "HOSTNAME", "Server1");
        ini.WriteString("SERVER", "GOGLOBAL", "yes"); // compared exactly for a mode
        ini.WriteString("SERVER", "SYSDIR", "/Srv/Data");
        ini.WriteString("SERVER", "USER", "sysdba");
        ini.WriteString("SERVER", "PASSWORD", "MasterKey");
        ini.WriteString("APPLICATION", "CONNECT", "2");
    }
    kb::SystemDef.GroupMode = true;
    kb::TAppIniCreateBox box;
    EXPECT_EQ(box.ReadConnectSection(1), 1);
    EXPECT_EQ(kb::SystemDef.HostName, "Server1");
    EXPECT_FALSE(kb::SystemDef.GoGlobal);
    EXPECT_EQ(kb::SystemDef.SysDir, "/Srv/Data"); // folders keep their case on POSIX
    EXPECT_EQ(kb::SystemDef.DbUser, "SYSDBA");
    EXPECT_EQ(kb::SystemDef.DbPassword, "masterkey");
    EXPECT_FALSE(kb::SystemDef.GroupMode);
    EXPECT_EQ(box.ReadConnectMode(), 2);

    box.ReadConnectSection(0); // missing section: the defaults
    EXPECT_EQ(kb::SystemDef.HostName, "");
    EXPECT_EQ(kb::SystemDef.SysDir, "");
    EXPECT_EQ(kb::SystemDef.DbUser, "PAVONA");
    EXPECT_EQ(kb::SystemDef.DbPassword, "mirlot");

    for (const char* bad : {"", "x", "1x"}) {
        Ini().WriteString("APPLICATION", "CONNECT", bad);
        EXPECT_EQ(box.ReadConnectMode(), 0) << bad;
    }
    box.WriteConnectMode(1);
    EXPECT_EQ(Ini().ReadString("APPLICATION", "CONNECT", ""), "1");
    box.WriteConnectMode(3); // not a mode
    EXPECT_EQ(Ini().ReadString("APPLICATION", "CONNECT", ""), "1");
}

TEST_F(AppIniCreateTest, OkStoresTheServerSectionWithTheHostInLowerCase)
{
    Ini().WriteString("SERVER", "USER", "pavona");
    Ini().WriteString("SERVER", "PASSWORD", "Mirlot");
    kb::ConnectMode = 1;
    kb::TAppIniCreateBox box;
    box.show();
    box.txtHostName->setText("Server1");
    QTest::mouseClick(box.btnOK, Qt::LeftButton);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(box.result(), QDialog::Accepted);
    const kb::IniFile ini = Ini();
    EXPECT_EQ(ini.ReadString("SERVER", "HOSTNAME", ""), "server1");
    EXPECT_EQ(ini.ReadString("SERVER", "SYSDIR", ""), "/dadozizidiv/data");
    EXPECT_EQ(ini.ReadString("SERVER", "USER", ""), "PAVONA");
    EXPECT_EQ(ini.ReadString("SERVER", "PASSWORD", ""), "mirlot");
    EXPECT_FALSE(ini.SectionExists("LOCAL"));
}

TEST_F(AppIniCreateTest, OkRefusesMissingEntriesAndStaysOpen)
{
    struct Case {
        std::string host, user;
        std::string message;
    };
    const Case cases[] = {
        {"  ", "PAVONA", "コンピュータ名が指定されていません。\r入力してください。"},
        // a present but empty USER cannot be corrected in the dialog: its field is hidden
        {"server1", "", "データベースのユーザーが指定されていません。\r入力してください。"},
    };
    kb::ConnectMode = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        messages.clear();
        Ini().WriteString("SERVER", "USER", c.user);
        kb::TAppIniCreateBox box;
        box.show();
        box.txtHostName->setText(QString::fromStdString(c.host));
        QTest::keyClick(&box, Qt::Key_F12);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], c.message);
        EXPECT_TRUE(box.isVisible());
        EXPECT_FALSE(Ini().ValueExists("SERVER", "HOSTNAME"));
    }
}

} // namespace
