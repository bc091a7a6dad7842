// TFtpWebDbSqlDump against the loopback peers: an upload stores 03/vqacc.zip holding only
// "vqacc.sql", which unzip extracts with the service's password (and not without it) and MariaDB
// loads; both requests reach the service as hand-written bytes; a table of failure points gives
// each status and message and leaves no file behind.

#include "ExchangeTestEnv.h"
#include "MariaDbServer.h"

#include "common/CommPeer.h"
#include "core/DataModuleAccReg.h"
#include "exchange/FtpWebDbSqlDump.h"
#include "platform/ChildProcess.h"
#include "platform/TempFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

using namespace kb;
using namespace kbtest;

namespace {

const std::string kId = "ABCD1234EFGH";

struct AzimoRequest {
    std::string Path;
    std::vector<std::string> Headers;
};

// The service's request log that comm_peer.py keeps beside the FTP homes.
std::vector<AzimoRequest> AzimoRequests(const CommPeer& peer)
{
    std::vector<AzimoRequest> out;
    std::ifstream in(peer.FtpHome(kId).parent_path().parent_path() / "azimo_requests.jsonl");
    for (std::string line; std::getline(in, line);) {
        const auto o = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        AzimoRequest r;
        r.Path = o.value("path").toString().toStdString();
        for (const auto& h : o.value("headers").toArray()) r.Headers.push_back(h.toString().toStdString());
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<std::string> WorkFolders()
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(TempFiles::PrivateTempDir()))
        if (e.path().filename().string().rfind("azimoban", 0) == 0) names.push_back(e.path().filename().string());
    return names;
}

class FtpWebDbSqlDumpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        PrepareFirebird();
        source_ = std::make_unique<TempDir>();
        fixture::BuildGeneralDataSet(source_->path() / "general", 1);
    }
    static void TearDownTestSuite() { source_.reset(); }

    // A copy of the general data set, opened, at the given version.
    void OpenCopy(const std::string& version = "")
    {
        const auto folder = env.dir / "data";
        std::filesystem::create_directories(folder);
        std::filesystem::copy_file(source_->path() / "general/vqacc.fdb", folder / "vqacc.fdb");
        if (!version.empty()) RunIsql(folder / "vqacc.fdb", version + "COMMIT;\n");
        env.Open(folder);
    }

    ExchangeEnv env;
    static std::unique_ptr<TempDir> source_;
};
std::unique_ptr<TempDir> FtpWebDbSqlDumpTest::source_;

} // namespace

TEST_F(FtpWebDbSqlDumpTest, UploadStoresThePasswordZipAndReportsItWithTheMeeting)
{
    if (!MariaDbServer::Available()) GTEST_SKIP() << "MariaDB server (mariadb-server-core) is not installed";
    OpenCopy();
    CommPeer peer(kId, "ftp-pw-1");
    AppInfo.WebAzimobanServer = "127.0.0.1:" + std::to_string(peer.HttpsPort());
    PutAccReg(*env.dm, "ＷＥＢ会議設定", "ＷＥＢ会議を行う", kRegInteger, std::int32_t{1});
    PutAccReg(*env.dm, "ＷＥＢ会議設定", "ＵＲＬ", kRegText, std::string(" https://m.example/j/1?pwd=a#b&c+d\\e "));
    PutAccReg(*env.dm, "ＷＥＢ会議設定", "開催日時を指定", kRegInteger, std::int32_t{1});
    PutAccReg(*env.dm, "ＷＥＢ会議設定", "開催日時", kRegDateTime, DateTime(Date(2025, 7, 8), 9, 5, 1));

    TFtpWebDbSqlDump up(*env.dm);
    ASSERT_EQ(up.SendSqlDump("ABCD-1234-EFGH", 3), "000") << (env.ui.shown.empty() ? "" : env.ui.shown.back());
    EXPECT_EQ(TFtpWebDbSqlDump::GetStatusMessage(up.Status), "正常終了");
    EXPECT_EQ(up.DatabaseName, "azim_d_ABCD1234EFGH_3");

    const auto requests = AzimoRequests(peer);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Path, "/request.php?pmd=1000&fnm=ABCD1234EFGH");
    EXPECT_EQ(requests[1].Path,
              "/request.php?pmd=1100&fnm=ABCD1234EFGH&dno=3&dvr=15.0.0&fpa=Qpgymj8755"
              "&meeting_url=https://m.example/j/1?pwd=a%23b%26c%2Bd%5Ce&meeting_date=7%8C%8E8%93%FA%81@09%81F05");
    for (const auto& r : requests) EXPECT_NE(std::find(r.Headers.begin(), r.Headers.end(), "User-Agent: Lumora"), r.Headers.end());

    // Only the archive reached the folder of list 3; script and archive are gone locally.
    const auto zip = peer.FtpHome(kId) / "03/vqacc.zip";
    ASSERT_TRUE(std::filesystem::exists(zip));
    for (const char* other : {"01", "02", "04", "10"}) EXPECT_TRUE(std::filesystem::is_empty(peer.FtpHome(kId) / other));
    EXPECT_TRUE(WorkFolders().empty());

    const auto out = env.dir / "unzipped";
    std::filesystem::create_directories(out);
    EXPECT_EQ(RunChildProcess({"unzip", "-Z1", zip.string()}, {}, env.dir / "list.txt"), 0);
    EXPECT_EQ(ReadFile(env.dir / "list.txt"), "vqacc.sql\n");
    EXPECT_NE(RunChildProcess({"unzip", "-P", "wrong-pass", "-d", (env.dir / "bad").string(), zip.string()}, {},
                              env.dir / "bad.txt"),
              0);
    ASSERT_EQ(RunChildProcess({"unzip", "-P", "Qpgymj8755", "-d", out.string(), zip.string()}, {}, env.dir / "ok.txt"), 0);
    MariaDbServer server;
    std::string log;
    ASSERT_EQ(server.Load(out / "vqacc.sql", &log), 0) << log;
    EXPECT_EQ(server.Scalar("azim_d_ABCD1234EFGH_3", "SELECT COUNT(*) FROM SIWAKE"),
              std::to_string([&] {
                  fb::Transaction tr(&env.dm->IBDatabaseDAT);
                  tr.StartTransaction();
                  fb::Statement q(env.dm->IBDatabaseDAT, &tr);
                  q.SetSQL("SELECT COUNT(*) AS N FROM SIWAKE");
                  q.ExecQuery();
                  return q.FieldByName("N").AsInt64();
              }()));
    // The meeting group travels with the data set when the meeting is on.
    EXPECT_EQ(server.Scalar("azim_d_ABCD1234EFGH_3", "SELECT ATEXT FROM ACCREG WHERE ACODE='開催日時を指定'"), "1");
}

TEST_F(FtpWebDbSqlDumpTest, DataSetAt750ReportsVersion800WithoutMeeting)
{
    OpenCopy("UPDATE ACCVERSION SET MAJOR=7, MINOR1=5, MINOR2=0;\n");
    CommPeer peer(kId, "ftp-pw-1");
    AppInfo.WebAzimobanServer = "127.0.0.1:" + std::to_string(peer.HttpsPort());
    PutAccReg(*env.dm, "ＷＥＢ会議設定", "ＷＥＢ会議を行う", kRegInteger, std::int32_t{1});
    PutAccReg(*env.dm, "ＷＥＢ会議設定", "ＵＲＬ", kRegText, std::string("https://m.example/x"));
    TFtpWebDbSqlDump up(*env.dm);
    ASSERT_EQ(up.SendSqlDump(kId, 10), "000");
    const auto requests = AzimoRequests(peer);
    ASSERT_EQ(requests.size(), 2u);
    // Date mode 0 (the uploader's default): the report ends after fpa.
    EXPECT_EQ(requests[1].Path, "/request.php?pmd=1100&fnm=ABCD1234EFGH&dno=10&dvr=8.0.0&fpa=Qpgymj8755");
    EXPECT_TRUE(std::filesystem::exists(peer.FtpHome(kId) / "10/vqacc.zip"));
}

TEST_F(FtpWebDbSqlDumpTest, FailurePointsGiveTheirStatusAndLeaveNoFile)
{
    OpenCopy();
    CommPeer peer(kId, "ftp-pw-1");
    AppInfo.WebAzimobanServer = "127.0.0.1:" + std::to_string(peer.HttpsPort());
    const std::string base = SystemDef.BaseDir;
    struct Case {
        const char* name;
        std::string id;
        int list;
        std::string control;
        std::function<void()> before, after;
        std::string status, message;
        std::size_t requests;
    };
    std::optional<ScopedEnv> noCa;
    const std::vector<Case> cases = {
        {"no ID", "", 3, "{}", {}, {}, "801", "通信IDなし", 0},
        {"ID with a quote", "ABCD-1234-EFG'", 3, "{}", {}, {}, "801", "通信IDなし", 0},
        {"list 11", kId, 11, "{}", {}, {}, "802", "データリスト番号不正", 0},
        {"list 0", kId, 0, "{}", {}, {}, "802", "データリスト番号不正", 0},
        {"missing installed file", kId, 3, "{}", [&] { SystemDef.BaseDir = (env.dir / "nowhere").string(); },
         [&] { SystemDef.BaseDir = base; }, "811", "SQLDumpファイル作成失敗", 0},
        {"HTTP 500", kId, 3, R"({"azimo": {"http": {"1000": 500}}})", {}, {}, "831", "HTTP GET失敗", 1},
        {"untrusted certificate", kId, 3, "{}", [&] { noCa.emplace("KB_TEST_CA_FILE", std::nullopt); },
         [&] { noCa.reset(); }, "831", "HTTP GET失敗", 0},
        {"no X-Status", kId, 3, R"({"azimo": {"no_status": ["1000"]}})", {}, {}, "", "原因不明のエラー発生", 1},
        {"refused login", kId, 3, R"({"azimo": {"pas": "wrong"}})", {}, {}, "821", "FTP コネクト失敗", 1},
        {"missing folder", kId, 3, "{}", [&] { std::filesystem::remove_all(peer.FtpHome(kId) / "03"); },
         [&] { std::filesystem::create_directories(peer.FtpHome(kId) / "03"); }, "823", "FTP ディレクトリ移動失敗", 1},
        {"X-Status 922", kId, 3, R"({"azimo": {"status": {"1100": "922"}}})", {}, {}, "922", "Zip解凍パスワード失敗", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(peer.FtpHome(kId).parent_path().parent_path() / "azimo_requests.jsonl");
        peer.Control(c.control);
        if (c.before) c.before();
        TFtpWebDbSqlDump up(*env.dm);
        const std::string status = up.SendSqlDump(c.id, c.list);
        if (c.after) c.after();
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(TFtpWebDbSqlDump::GetStatusMessage(status), c.message);
        EXPECT_EQ(AzimoRequests(peer).size(), c.requests);
        EXPECT_TRUE(WorkFolders().empty());
        EXPECT_FALSE(env.dm->IBTransactionDATSS.InTransaction());
    }
    EXPECT_EQ(TFtpWebDbSqlDump::GetStatusMessage("825"), "FTP ダウンロード失敗");
    EXPECT_EQ(TFtpWebDbSqlDump::GetStatusMessage("123"), "原因不明のエラー発生");
}

TEST(FtpWebDbSqlDumpPieces, HeadersSplitAtTheirFirstColonAndValuesEncodeOnce)
{
    const auto h = TFtpWebDbSqlDump::ParseHeaders("HTTP/1.0 200 OK\r\nx-add: host:2121\r\nX-Status:  000 \r\n\r\nbody: x\r\n");
    EXPECT_EQ(TFtpWebDbSqlDump::HeaderValue(h, "X-Add"), "host:2121");
    EXPECT_EQ(TFtpWebDbSqlDump::HeaderValue(h, "X-STATUS"), "000");
    EXPECT_EQ(TFtpWebDbSqlDump::HeaderValue(h, "body"), "");

    struct Case {
        std::string in;
        bool strict;
        std::string out;
    };
    const Case cases[] = {
        {"a b*%<>[]", false, "a%20b%2A%25%3C%3E%5B%5D"},
        {"&=?/:+#", false, "&=?/:+#"},
        {"&+#\\", true, "%26%2B%23%5C"},
        {"c:\\x", false, "c:/x"},
        {"表", false, "%95\\"}, // the trail byte 0x5C is part of the character, not a separator
        {"表", true, "%95%5C"},
    };
    for (const auto& c : cases) EXPECT_EQ(TFtpWebDbSqlDump::EncodeQueryValue(c.in, c.strict), c.out) << c.in;

    EXPECT_EQ(TFtpWebDbSqlDump::ReportVersionOf(7, 5, 0), "8.0.0");
    EXPECT_EQ(TFtpWebDbSqlDump::ReportVersionOf(8, 0, 1), "8.0.0");
    EXPECT_EQ(TFtpWebDbSqlDump::ReportVersionOf(8, 0, 2), "8.0.0");
    EXPECT_EQ(TFtpWebDbSqlDump::ReportVersionOf(8, 1, 0), "8.1.0");
    EXPECT_EQ(TFtpWebDbSqlDump::ReportVersionOf(15, 0, 3), "15.0.0");
    EXPECT_EQ(TFtpWebDbSqlDump::MeetingDateText(DateTime(Date(2025, 12, 1), 14, 30, 0)), "12月1日　14：30");
}
