#include "common/FakeUi.h"
#include "common/TestDb.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

using namespace kb;

namespace {

using RecordingUi = kbtest::RecordingErrorUi;

std::string ReadCp932(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return Cp932ToUtf8(ss.str());
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto end = text.find("\r\n", pos);
        out.push_back(text.substr(pos, end - pos));
        if (end == std::string::npos) break;
        pos = end + 2;
    }
    return out;
}

class ErrorReporterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAccRecord();
        ResetErrorReporter();
        SetErrorUi(&ui);
        SystemDef.LogDir = tmp.path().string();
        SystemDef.PCName = "PC01";
        SystemDef.OpCode = 100003;
        SystemDef.SerialText = "S-1";
        SystemDef.HostName = "srv";
    }
    void TearDown() override
    {
        ResetErrorReporter();
        ResetAccRecord();
    }
    kbtest::TempDir tmp;
    RecordingUi ui;
};

} // namespace

TEST_F(ErrorReporterTest, OrdinaryErrorIsLoggedAndShownWithDetail)
{
    const FbError e(335544345, -901, "lock conflict on no wait transaction\ndeadlock", "Statement::ExecQuery");
    ShowIBError(e, "TDM.fnGetSysDef", "システム情報の取得に失敗しました。");

    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0],
              "システム情報の取得に失敗しました。\r\r[詳細情報]\rIBXエラーコード:335544345\r"
              "lock conflict on no wait transaction\ndeadlock\r（NO WAIT トランザクションのロックが衝突しています）");
    EXPECT_EQ(ui.types[0], TMsgDlgType::mtError);
    EXPECT_EQ(ui.terminate, 0);
    EXPECT_FALSE(IBErrorShown);

    const auto log = Lines(ReadCp932(tmp / "ErrFbAccess.log"));
    ASSERT_EQ(log.size(), 2u);
    EXPECT_TRUE(std::regex_match(log[0], std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d,PC01,100003,Serial=S-1,AppVer=,DBName=srv:,DataVer=)")))
        << log[0];
    EXPECT_EQ(log[1], "Error=TDM.fnGetSysDef [335544345] (-901) （NO WAIT トランザクションのロックが衝突しています）,"
                      "lock conflict on no wait transaction\ndeadlock");

    // A second report: the log grows by two lines, the txt holds only the last record.
    ShowIBError(FbError(1, -1, "x", ""), "TDM.B", "");
    EXPECT_EQ(Lines(ReadCp932(tmp / "ErrFbAccess.log")).size(), 4u);
    const auto txt = Lines(ReadCp932(tmp / "ErrFbAccess.txt"));
    ASSERT_EQ(txt.size(), 2u);
    // Unknown code: a single blank as description, so two blanks stand before the comma.
    EXPECT_EQ(txt[1], "Error=TDM.B [1] (-1)  ,x");
    EXPECT_EQ(ui.shown.size(), 1u); // empty message: logged, not shown
}

TEST_F(ErrorReporterTest, LostConnectionIsFatalOnceAndSilencesLaterReports)
{
    ConnectMode = 0;
    ShowIBError(FbError(335544721, -902, "Unable to complete network request", ""), "TDM.X", "呼び出し元の文");
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0],
              "何らかの原因でネットワークが物理的に切断されている か Firebirdサービス(RDBMS)との通信が切断されました。"
              "\r\r[OK]ボタンを押すとアプリケーションの終了処理に入ります。（[OK]後、何回かメッセージが表示される場合があります）"
              "\rアプリケーションが終了しましたら再起動して下さい。\r"
              "\r※注意 共有サーバーのデータ利用時は自動保管されません。\r");
    EXPECT_EQ(ui.terminate, 1);
    EXPECT_TRUE(IBErrorShown);
    EXPECT_TRUE(TerminateRequested());

    ShowIBError(FbError(335544345, -901, "again", ""), "TDM.Y", "表示しない");
    EXPECT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.terminate, 1);
    EXPECT_EQ(Lines(ReadCp932(tmp / "ErrFbAccess.log")).size(), 2u); // no further log lines
}

TEST_F(ErrorReporterTest, ConsistencyCheckShowsDescriptionAndEnds)
{
    ConnectMode = 1; // no shared-data note in server modes
    ShowIBError(FbError(335544333, -902, "internal Firebird consistency check", ""), "TDM.X", "");
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0],
              "（isc 内部のソフトウェア一貫性チェック）"
              "\r\r[OK]ボタンを押すとアプリケーションの終了処理に入ります。（[OK]後、何回かメッセージが表示される場合があります）"
              "\rアプリケーションが終了しましたら再起動して下さい。\r");
    EXPECT_EQ(ui.terminate, 1);
    const auto log = Lines(ReadCp932(tmp / "ErrFbAccess.log"));
    EXPECT_EQ(log[1], "Error=TDM.X [335544333] (-902) （isc 内部のソフトウェア一貫性チェック）,internal Firebird consistency check");
}

TEST_F(ErrorReporterTest, UnwritableLogDoesNotHideTheErrorOrTheFatalEnd)
{
    SystemDef.LogDir = (tmp / "missing" / "log").string();
    ShowIBError(FbError(335544344, -902, "I/O error", ""), "TDM.fnAccDatConnected", "接続に失敗しました。");
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].rfind("接続に失敗しました。\r\r[詳細情報]\rIBXエラーコード:335544344", 0), 0u);

    ShowIBError(FbError(335544721, -902, "lost", ""), "TDM.X", "");
    EXPECT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.terminate, 1);
    EXPECT_TRUE(IBErrorShown);
}

TEST_F(ErrorReporterTest, ShowErrorDetailComposesTextAndDetail)
{
    ShowErrorDetail("", "");
    EXPECT_TRUE(ui.shown.empty());
    ShowErrorDetail("本文", "");
    ShowErrorDetail("本文", "詳細");
    ShowErrorDetail("", "詳細だけ");
    ASSERT_EQ(ui.shown.size(), 3u);
    EXPECT_EQ(ui.shown[0], "本文");
    EXPECT_EQ(ui.shown[1], "本文\r\r[詳細情報]\r詳細");
    EXPECT_EQ(ui.shown[2], "\r\r[詳細情報]\r詳細だけ");
}

TEST_F(ErrorReporterTest, WriteFbErrorTextWritesBothFilesInLogDir)
{
    SystemDef.AppVersion = "";
    WriteFbErrorText(FbError(335544580, -204, "Table unknown\nSISANHYO", ""), "試算表の読込に失敗しました。");
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0], "試算表の読込に失敗しました。\r\nErrCode<335544580>  SQLCODE<-204>\r\nTable unknown\nSISANHYO\r\r\n（未知のテーブルです）\r\n");
    EXPECT_FALSE(IBErrorShown);
    const auto lines = Lines(ReadCp932(tmp / "FB_ERROR.TXT"));
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[0], "試算表の読込に失敗しました。");
    EXPECT_EQ(lines[1], "ErrCode<335544580>  SQLCODE<-204>");
    EXPECT_EQ(lines[2], "Table unknown");
    EXPECT_EQ(lines[3], "SISANHYO");
    EXPECT_EQ(lines[4], ""); // the empty line between the server text and the description
    EXPECT_EQ(lines[5], "（未知のテーブルです）");
    EXPECT_EQ(lines[6], "PG_VERSION[]");
    EXPECT_EQ(lines[7], "DB_VERSION[]");
    EXPECT_EQ(lines[8], "Serial[S-1]");
    EXPECT_EQ(lines[9], "Server[srv]");
    EXPECT_EQ(lines[10], "DatabaseName[]");
    EXPECT_EQ(lines[12], "PC01");
    EXPECT_EQ(lines[13], "100003");
    WriteFbErrorText(FbError(1, 2, "m", ""), "");
    EXPECT_EQ(Lines(ReadCp932(tmp / "FB_ERROR.LOG")).size(), 14u + 13u);
    EXPECT_EQ(Lines(ReadCp932(tmp / "FB_ERROR.TXT")).size(), 13u);
}

TEST(GetIscErrorText, TableIsCompleteAndConditionedRowsNeedTheirSqlCode)
{
    EXPECT_EQ(IscErrorTextCount(), 368u);
    struct Case {
        std::int32_t code, sql;
        const char* text;
    };
    const Case cases[] = {
        {335544321, 0, "（算術式の例外，数値のオーバーフロー，文字列の切り捨てのいずれかが発生しました）"},
        {335544323, 0, "（ファイル<\"\"> は有効なデータベースではありません）"},
        {335544335, 0, "（データベースファイルが破損している可能性があります"},
        {335544344, -902, "（ファイルの入出力エラーが発生しました）"},
        {335544450, 0, " "},
        {335544466, 0, "（他のテーブルが参照しているか？ 又は、マスターが登録されていません。,『キーの追加・削除・変更はできません』）"},
        {335544665, -803, "（同じコードが登録されています。「PRIMARY KEY またはUNIQUE KEY 制約に違反」）"},
        {335544788, -901, "（操作を実行することができません。データベースのSYSDBAか所有者のどちらかでなければなりません。）"},
        {335544788, -902, " "},
        {336330766, 0, "（データベースの上書きはできません。）"},
        {336330817, -902, "（ディレクトリ名・データーベスに全角文字は使用できません。）"},
        {336330817, -901, " "},
        {335544721, -902, " "}, // lost connection has no row
        {335544379, 0, " "},    // a gap of the published list
        {335544702, 0, " "},
    };
    for (const auto& c : cases) EXPECT_EQ(GetIscErrorText(c.code, c.sql), c.text) << c.code;

    // Every row is a parenthesised text (one row lacks its closing parenthesis, one is a blank).
    int rows = 0;
    for (std::int32_t code = 335544321; code <= 335544701; ++code) {
        const std::string t = GetIscErrorText(code, 0);
        if (t == " ") continue;
        ++rows;
        EXPECT_EQ(t.rfind("（", 0), 0u) << code;
        if (code != 335544335) {
            EXPECT_EQ(t.substr(t.size() - 3), "）") << code;
        }
    }
    EXPECT_EQ(rows, 364); // 365 codes in this range, one of them a blank
}
