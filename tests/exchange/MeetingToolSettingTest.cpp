// The web-meeting settings dialog: the enabling rules and every CheckInput message from tables,
// then the real form offscreen: ticking, the cloud-share lock, a save to ACCREG and ACCDEF1 in one
// transaction, a failed save that saves nothing and keeps the dialog open, the meeting-date
// panel (10:30:45 shown as 10:30:01), the question and reset around a send, and the URLs that open.

#include "ExchangeTestEnv.h"

#include "core/DataModuleAccReg.h"
#include "exchange/z5MeetingToolSetting.h"
#include "fb/Statement.h"
#include "ui/PavonaExDateEdit.h"
#include "ui/UiTestHelp.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace kb;
using namespace kbtest;

namespace {

const std::string kNoUrl = "Web会議のURLが入力されていません。";
const std::string kBadUrl = "Web会議のURLが \"https://\" 又は \"http://\" で始まっていません。";
const std::string kNoDate = "会議の開始日時が入力されていません。";

struct MeetingEnv : ExchangeEnv {
    std::vector<std::string> opened;
    MeetingEnv(const std::string& extraSql = "")
    {
        std::ifstream in(SourceDir() / "db/accounting.sql", std::ios::binary);
        std::stringstream schema;
        schema << in.rdbuf();
        const auto folder = dir / "data";
        std::filesystem::create_directories(folder);
        CreateDatabase(folder / "vqacc.fdb",
                       schema.str() +
                           "\nINSERT INTO ACCDEF1 (REC, ENTTEXT, DATATYPE, CODETYPE, NENDO, KISHU, KIMATU, PASWORD, WEB_HOLDER)"
                           " VALUES (1, '会議テスト', 2, 1, 7, '2025-01-01', '2025-12-31', 'abc123', 'ABCD1234EFGH');\n"
                           "INSERT INTO ACCVERSION (REC, MAJOR, MINOR1, MINOR2) VALUES (1, 15, 0, 0);\n" +
                           extraSql + "\nCOMMIT;\n");
        Open(folder);
        DM = dm.get();
        TMeetingToolSettingBox::UrlOpener() = [this](const std::string& u) { opened.push_back(u); };
    }
    ~MeetingEnv()
    {
        DM = nullptr;
        TMeetingToolSettingBox::UrlOpener() = [](const std::string&) {};
        ConnectMode = 0;
    }
    std::string Reg(const std::string& group, const std::string& key)
    {
        fb::Transaction tr(&dm->IBDatabaseDAT);
        tr.StartTransaction();
        fb::Statement q(dm->IBDatabaseDAT, &tr);
        q.SetSQL("SELECT ATEXT FROM ACCREG WHERE AGROUP=:G AND ACODE=:C");
        q.ParamByName("G").SetString(group);
        q.ParamByName("C").SetString(key);
        q.ExecQuery();
        return q.Eof() ? "<none>" : q.FieldByName("ATEXT").AsString();
    }
    std::string Holder()
    {
        fb::Transaction tr(&dm->IBDatabaseDAT);
        tr.StartTransaction();
        fb::Statement q(dm->IBDatabaseDAT, &tr);
        q.SetSQL("SELECT WEB_HOLDER, PASWORD FROM ACCDEF1 WHERE REC=1");
        q.ExecQuery();
        return q.FieldByName("WEB_HOLDER").AsString() + "/" + q.FieldByName("PASWORD").AsString();
    }
};

void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2)); }

} // namespace

TEST(MeetingToolRules, EnablingAndInputMessages)
{
    struct E {
        bool use, mail;
        int cloudLine, connectMode;
        bool url, id, locked;
    };
    for (const E& e : {E{false, false, 0, 0, false, false, false}, E{false, true, 0, 0, false, false, false},
                       E{true, false, 0, 0, true, false, false}, E{true, true, 0, 0, true, true, false},
                       E{true, true, 3, 0, true, true, true}, E{true, true, 3, 2, true, true, false}}) {
        const auto r = MeetingEnabling(e.use, e.mail, e.cloudLine, e.connectMode);
        EXPECT_EQ(r.Url, e.url);
        EXPECT_EQ(r.Id, e.id);
        EXPECT_EQ(r.CloudLocked, e.locked);
    }

    struct C {
        TMeetingInput in;
        std::string message;
    };
    const auto type0 = [](bool use, std::string url, bool idOn = false, std::string id = "") {
        TMeetingInput i;
        i.MeetingUse = use;
        i.Url = std::move(url);
        i.IdEnabled = idOn;
        i.IdText = std::move(id);
        return i;
    };
    TMeetingInput dateless;
    dateless.SyoriType = 1;
    dateless.ContactHizuke = true;
    TMeetingInput dated = dateless;
    dated.Date = DateTime(Date(2025, 7, 8), 9, 0);
    TMeetingInput later = dateless;
    later.ContactHizuke = false;
    const C cases[] = {
        {type0(true, " 　"), kNoUrl},
        {type0(true, "ftp://x.example/m"), kBadUrl},
        {type0(true, "HTTPS://x.example/m"), kBadUrl},
        {type0(true, " https://x.example/m"), ""},
        {type0(true, "http://x.example/m"), ""},
        {type0(false, ""), ""},
        {type0(true, "https://x", true, "--"), kMeetingIdMessage},
        {type0(true, "https://x", true, "ABCD-1234-EFG"), kMeetingIdMessage},
        {type0(true, "https://x", true, "ABCD-1234-EFGH"), ""},
        {type0(true, "https://x", false, "--"), ""},
        {dateless, kNoDate},
        {dated, ""},
        {later, ""},
    };
    for (const auto& c : cases) {
        const auto r = CheckMeetingInput(c.in);
        EXPECT_EQ(r ? r->Message : std::string(), c.message) << c.in.Url << c.in.IdText;
    }
    EXPECT_TRUE(IsOpenableUrl("HTTPS://x"));
    EXPECT_FALSE(IsOpenableUrl("javascript:alert(1)"));
    EXPECT_FALSE(IsOpenableUrl("file:///etc/passwd"));
    EXPECT_EQ(MailAddressUrl("127.0.0.1:8443", "ABCD1234EFGH"), "https://127.0.0.1:8443/SzMailAccountEdit?fname=ABCD1234EFGH");
}

TEST(MeetingToolSetting, TickingEnablesAndASaveWritesAllFiveValues)
{
    MeetingEnv env;
    MessageCatcher boxes(mrYes);
    TMeetingToolSettingBox form;
    ASSERT_TRUE(form.Initialised);
    form.Setup(1);
    form.show();
    EXPECT_FALSE(form.MemoUrl->isEnabled());
    EXPECT_FALSE(form.txtConID->isEnabled());
    EXPECT_EQ(form.txtConID->text().toStdString(), "ABCD-1234-EFGH");

    Click(form.cboxMailSousin); // disabled: nothing happens
    EXPECT_FALSE(form.cboxMailSousin->isChecked());
    Click(form.cboxMeetingUse);
    EXPECT_TRUE(form.MemoUrl->isEnabled());
    EXPECT_FALSE(form.txtConID->isEnabled());
    Click(form.cboxMailSousin);
    EXPECT_TRUE(form.txtConID->isEnabled());
    EXPECT_TRUE(form.btnMailAddress->isEnabled());

    Click(form.btnOK); // empty URL
    ASSERT_EQ(boxes.Shown.size(), 1u);
    EXPECT_EQ(boxes.FirstLine(0), kNoUrl);

    form.MemoUrl->setPlainText(QStringLiteral(" https://x.example/m?a=1"));
    form.txtConID->setFocus();
    form.txtConID->selectAll();
    QTest::keyClicks(form.txtConID, "wxyz98765432");
    form.txtConPasswd->clear();
    QTest::keyClicks(form.txtConPasswd, "pw 9!Z");
    EXPECT_EQ(form.txtConPasswd->text().toStdString(), "pw9Z");
    Click(form.btnMailAddress);
    ASSERT_EQ(env.opened.size(), 1u);
    EXPECT_EQ(env.opened[0], "https://" + AppInfo.WebAzimobanServer + "/SzMailAccountEdit?fname=wxyz98765432");

    Click(form.btnOK);
    ASSERT_EQ(boxes.Shown.size(), 2u);
    EXPECT_EQ(boxes.FirstLine(1), "Web会議の情報を登録します。よろしいですか？");
    EXPECT_EQ(form.result(), mrOk);
    EXPECT_EQ(env.Reg("ＷＥＢ会議設定", "ＷＥＢ会議を行う"), "1");
    EXPECT_EQ(env.Reg("ＷＥＢ会議設定", "ＵＲＬ"), " https://x.example/m?a=1");
    EXPECT_EQ(env.Reg("通信設定", "クラウド区分"), "1");
    EXPECT_EQ(env.Holder(), "wxyz98765432/pw9Z");
    EXPECT_EQ(AccInf.WebHolder, "wxyz98765432");
    EXPECT_EQ(AccInf.CloudKubun, 1);
}

TEST(MeetingToolSetting, FailedSaveSavesNothingAndStaysOpen)
{
    MeetingEnv env("CREATE EXCEPTION E_NO_UPDATE 'no update';\n"
                   "SET TERM ^ ;\nCREATE TRIGGER T_ACCDEF1_LOCK FOR ACCDEF1 BEFORE UPDATE AS BEGIN EXCEPTION E_NO_UPDATE; END^\n"
                   "SET TERM ; ^\n");
    MessageCatcher boxes(mrYes);
    TMeetingToolSettingBox form;
    form.Setup(1);
    form.show();
    Click(form.cboxMeetingUse);
    form.MemoUrl->setPlainText(QStringLiteral("https://x.example/m"));
    Click(form.btnOK);
    EXPECT_TRUE(form.isVisible());
    EXPECT_NE(form.result(), mrOk);
    ASSERT_FALSE(env.ui.shown.empty());
    EXPECT_NE(env.ui.shown.back().find("設定情報の更新に失敗しました。"), std::string::npos);
    EXPECT_EQ(env.Reg("ＷＥＢ会議設定", "ＷＥＢ会議を行う"), "0");
    EXPECT_EQ(env.Reg("ＷＥＢ会議設定", "ＵＲＬ"), "");
    EXPECT_EQ(env.Reg("通信設定", "クラウド区分"), "0");
    EXPECT_EQ(env.Holder(), "ABCD1234EFGH/abc123");
    EXPECT_FALSE(env.dm->IBTransactionDAT.InTransaction());
}

TEST(MeetingToolSetting, CloudShareDataKeepsItsIdUnlessServerBased)
{
    MeetingEnv env("INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('ＷＥＢ会議設定', 'ＷＥＢ会議を行う', '整数', '1');\n"
                   "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('通信設定', 'クラウド区分', '整数', '1');\n");
    for (const int connectMode : {0, 2}) {
        ConnectMode = static_cast<std::uint8_t>(connectMode);
        AccInf.CloudLine = 3;
        TMeetingToolSettingBox form;
        form.Setup(1);
        EXPECT_TRUE(form.cboxMailSousin->isChecked());
        EXPECT_EQ(form.txtConID->isEnabled(), connectMode == 2);
        EXPECT_EQ(form.txtConPasswd->isEnabled(), connectMode == 2);
        EXPECT_EQ(form.Label6->text().toStdString() == "クラウドシェアデータのため変更できません", connectMode != 2);
        EXPECT_TRUE(form.btnMailAddress->isEnabled());
    }
}

TEST(MeetingToolSetting, MeetingDatePanelAndTheQuestionAroundASend)
{
    MeetingEnv env("INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('ＷＥＢ会議設定', 'ＷＥＢ会議を行う', '整数', '1');\n"
                   "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('ＷＥＢ会議設定', '開催日時を指定', '整数', '1');\n"
                   "INSERT INTO ACCREG (AGROUP, ACODE, ATYPE, ATEXT) VALUES ('ＷＥＢ会議設定', '開催日時', '日時', '2025/07/08 10:30:45');\n");
    MessageCatcher boxes(mrYes);
    {
        // No URL, then no cloud upload: nothing is asked.
        TMeetingToolSettingBox form;
        EXPECT_EQ(form.AskMeetingDate(), 0);
        EXPECT_EQ(form.ResetMeetingDate(), 1);
        EXPECT_EQ(env.Reg("ＷＥＢ会議設定", "開催日時を指定"), "1");
    }
    PutAccReg(*env.dm, "ＷＥＢ会議設定", "ＵＲＬ", kRegText, std::string("https://x.example/m"));
    {
        TMeetingToolSettingBox form;
        EXPECT_EQ(form.AskMeetingDate(), 0); // クラウド区分 0
    }
    PutAccReg(*env.dm, "通信設定", "クラウド区分", kRegInteger, std::int32_t{1});

    TMeetingToolSettingBox form;
    form.SyoriType = 1;
    form.Setup(1);
    form.show();
    EXPECT_EQ(form.Settings.MeetingDate, DateTime(Date(2025, 7, 8), 10, 30, 1));
    EXPECT_TRUE(form.btnContactHizuke->isChecked());
    EXPECT_TRUE(form.txtContactHizuke->isEnabled());
    EXPECT_EQ(form.txtContactHizuke->HourEdit()->text().toStdString(), "10");
    EXPECT_EQ(form.txtContactHizuke->MinuteEdit()->text().toStdString(), "30");
    EXPECT_EQ(form.btnOK->text().toStdString(), "ＯＫ");
    EXPECT_FALSE(form.F1->isVisible());
    Click(form.btnContactLater);
    EXPECT_FALSE(form.txtContactHizuke->isEnabled());
    Click(form.btnContactHizuke);
    Click(form.btnHizukeClear);
    Click(form.btnOK);
    ASSERT_FALSE(boxes.Shown.empty());
    EXPECT_EQ(boxes.FirstLine(boxes.Shown.size() - 1), kNoDate);

    form.txtContactHizuke->SetDate(DateTime(Date(2025, 9, 1), 14, 5));
    Click(form.btnOK);
    EXPECT_EQ(form.result(), mrOk);
    EXPECT_EQ(env.Reg("ＷＥＢ会議設定", "開催日時を指定"), "1");
    EXPECT_EQ(env.Reg("ＷＥＢ会議設定", "開催日時").substr(0, 16), "2025/09/01 14:05");

    // After the send: asked afresh next time.
    EXPECT_EQ(form.ResetMeetingDate(), 1);
    EXPECT_EQ(env.Reg("ＷＥＢ会議設定", "開催日時を指定"), "2");
}

TEST(MeetingToolSetting, OnlyWebAddressesOpen)
{
    MeetingEnv env;
    MessageCatcher boxes(mrYes);
    struct Case {
        int use;
        std::string url;
        bool opens;
        std::string message;
    };
    const Case cases[] = {
        {1, "https://x.example/m", true, ""},
        {0, "https://x.example/m", false, "Web会議が設定されていません。"},
        {1, "javascript:alert(1)", false, kBadUrl},
        {1, "file:///etc/passwd", false, kBadUrl},
    };
    for (const auto& c : cases) {
        env.opened.clear();
        boxes.Shown.clear();
        PutAccReg(*env.dm, "ＷＥＢ会議設定", "ＷＥＢ会議を行う", kRegInteger, std::int32_t{c.use});
        PutAccReg(*env.dm, "ＷＥＢ会議設定", "ＵＲＬ", kRegText, c.url);
        TMeetingToolSettingBox form;
        form.SetParams({"SyoriType=2"});
        EXPECT_EQ(form.Execute(1), -1);
        EXPECT_EQ(env.opened, c.opens ? std::vector<std::string>{c.url} : std::vector<std::string>{}) << c.url;
        EXPECT_EQ(boxes.Shown.empty() ? std::string() : boxes.FirstLine(0), c.message) << c.url;
    }
    // The guide link opens the configured page, and nothing when none is configured.
    TMeetingToolSettingBox form;
    env.opened.clear();
    form.lblLinkUrlClick();
    EXPECT_TRUE(env.opened.empty());
    AppInfo.MeetingGuideUrl = "https://guide.example/zoom";
    form.lblLinkUrlClick();
    EXPECT_EQ(env.opened, std::vector<std::string>{"https://guide.example/zoom"});
}

TEST(MeetingToolSetting, RegisteredByName)
{
    ResetFormRegistry();
    RegisterExchangeForms();
    const auto* c = FindFormClass("SzMeetingToolSetting");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->ClassName, "TMeetingToolSettingBox");
    ResetFormRegistry();
}
