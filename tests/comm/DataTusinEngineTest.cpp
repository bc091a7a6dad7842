// Whole transfers against the loopback status and FTP peers: the requests around a send and a
// receive, the remote copy kept through every upload fault, and the receive's refusals.

#include "TusinTestSupport.h"

#include "comm/WenCipher.h"

#include <gtest/gtest.h>

#include <random>

using namespace kb;
using namespace kbtest;
namespace fs = std::filesystem;

namespace {

const std::string kId = "ABCD1234EFGH";

std::string Bytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() % 7 == 0 ? rng() & 0xFF : 'a' + rng() % 3);
    return s;
}

bool EmptyOrMissing(const fs::path& p) { return !fs::exists(p) || fs::is_empty(p); }

struct Office {
    TempDir temp;
    FileDataSide data;
    RecordingView view;
    TDataTusinEngine engine{view, data};
    explicit Office(const std::string& content)
    {
        data.DataFile = temp / "vqacc.fdb";
        WriteFile(data.DataFile, content);
        engine.PauseSeconds = 0;
    }
};

class Transfer : public ::testing::Test {
protected:
    CommPeer peer{kId, "ftp-pw"};
    TempDir shared;
    ScopedTusinRecords records{peer, shared.path()};
};

} // namespace

TEST_F(Transfer, RelaySendAndReceiveOverAnOlderCopy)
{
    Office sender(Bytes(400000, 1)), receiver(Bytes(100000, 2));
    SystemDef.TempDir = sender.temp.path().string();
    sender.engine.SyoriType = 1;
    sender.engine.SelectedRow = 2;
    ASSERT_TRUE(sender.engine.CheckServer()) << sender.view.Last();
    ASSERT_FALSE(sender.engine.SendData()) << sender.view.Last();
    EXPECT_EQ(sender.view.Last(), "I:　\r\nデータ送信処理が終了しました。\r\n ");
    EXPECT_TRUE(fs::exists(peer.FtpHome(kId) / "03" / "vqacc.wen"));

    SystemDef.TempDir = receiver.temp.path().string();
    receiver.engine.SyoriType = 2;
    receiver.engine.SelectedRow = 2;
    ASSERT_TRUE(receiver.engine.CheckServer());
    EXPECT_EQ(receiver.engine.ServerInfo[22], "青色一郎（一般）");
    EXPECT_EQ(receiver.engine.ServerInfo[32], "2025");
    EXPECT_EQ(receiver.engine.ServerInfo[42], "2025/01/01 00:00");
    ASSERT_FALSE(receiver.engine.ReceiveData()) << receiver.view.Last();
    EXPECT_EQ(ReadFile(receiver.data.DataFile), ReadFile(sender.data.DataFile));
    EXPECT_EQ(receiver.engine.Completed, 1);
    EXPECT_FALSE(receiver.view.EscEverOn && receiver.view.EscOn != 0);

    EXPECT_EQ(peer.RequestCodes(), (std::vector<std::string>{"1720", "1820", "1720", "1830"}));
    const auto reqs = peer.Requests();
    EXPECT_EQ(reqs[1].Params.at("sSno"), "SN-0001");
    EXPECT_EQ(reqs[1].Params.at("fSname"), "03");
    EXPECT_EQ(reqs[1].Params.at("fNe"), "2025");
    EXPECT_EQ(reqs[1].Params.at("fKis"), "202501010000");
    EXPECT_EQ(reqs[1].Params.at("fKie"), "202512310000");
    EXPECT_EQ(reqs[1].Params.at("fPa"), "abc123");
    EXPECT_EQ(reqs[1].Params.at("fYobi"), "0000");
    EXPECT_EQ(reqs[3].Params.at("fSname"), "03");
    for (const Office* o : {&sender, &receiver}) {
        EXPECT_TRUE(EmptyOrMissing(o->temp / "ComS"));
        EXPECT_TRUE(EmptyOrMissing(o->temp / "ComR"));
    }
}

TEST_F(Transfer, CloudAreaSendAndReceiveMarkTheArea)
{
    Office sender(Bytes(200000, 3)), receiver(Bytes(1000, 4));
    SystemDef.TempDir = sender.temp.path().string();
    sender.engine.SyoriType = 20;
    sender.engine.FileName = "xqacc.fbk";
    sender.engine.DataVerMajor = 15;
    ASSERT_TRUE(sender.engine.CheckServer());
    ASSERT_FALSE(sender.engine.SendData()) << sender.view.Last();
    EXPECT_TRUE(fs::exists(peer.FtpHome(kId) / "03" / "xqacc.wen"));
    EXPECT_FALSE(sender.data.CloudTimesSet.empty());

    SystemDef.TempDir = receiver.temp.path().string();
    receiver.engine.SyoriType = 21;
    receiver.engine.FileName = "xqacc.fbk";
    ASSERT_TRUE(receiver.engine.CheckServer());
    ASSERT_FALSE(receiver.engine.ReceiveData()) << receiver.view.Last();
    EXPECT_EQ(ReadFile(receiver.data.DataFile), ReadFile(sender.data.DataFile));

    EXPECT_EQ(peer.RequestCodes(), (std::vector<std::string>{"1725", "1833", "1725", "1823", "1725", "1833"}));
    EXPECT_EQ(peer.Requests()[3].Params.at("fYobi"), "1500");
    for (const Office* o : {&sender, &receiver}) {
        EXPECT_TRUE(EmptyOrMissing(o->temp / "ComS"));
        EXPECT_TRUE(EmptyOrMissing(o->temp / "ComR"));
    }
}

TEST_F(Transfer, UploadFaultsKeepTheOldRemoteCopy)
{
    Office first(Bytes(150000, 5));
    SystemDef.TempDir = first.temp.path().string();
    first.engine.SelectedRow = 0;
    ASSERT_TRUE(first.engine.CheckServer());
    ASSERT_FALSE(first.engine.SendData());
    const fs::path remote = peer.FtpHome(kId) / "01" / "vqacc.wen";
    const std::string old = ReadFile(remote);

    struct Case { const char* control; const char* message; };
    const Case cases[] = {
        {R"({"ftp": {"short_stor": true}})", "E:送信処理に失敗しました。ウイルス対策ソフトを実行中の場合は、終了してから再度送信を行ってください。"},
        {R"({"ftp": {"refuse_rename": true}})", "E:　\r\nデータの送信に失敗しました。\r\n "},
        {R"({"ftp": {"drop_stor": true}})", "E:　\r\nデータの送信に失敗しました。\r\n "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        Office next(Bytes(180000, 6));
        SystemDef.TempDir = next.temp.path().string();
        next.engine.SelectedRow = 0;
        ASSERT_TRUE(next.engine.CheckServer());
        peer.Control(c.control);
        EXPECT_TRUE(next.engine.SendData());
        peer.Control("{}");
        EXPECT_EQ(next.view.Last(), c.message);
        EXPECT_EQ(ReadFile(remote), old);
        EXPECT_FALSE(fs::exists(peer.FtpHome(kId) / "01" / "vqacc.wenbak"));
        EXPECT_TRUE(EmptyOrMissing(next.temp / "ComS"));
    }
    // No end request followed any of the failed sends.
    const auto codes = peer.RequestCodes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), "1820"), 1);
}

TEST_F(Transfer, ForeignOrDamagedPackagesStopAtTheCipher)
{
    Office sender(Bytes(120000, 7));
    SystemDef.TempDir = sender.temp.path().string();
    sender.engine.SelectedRow = 4;
    ASSERT_TRUE(sender.engine.CheckServer());
    ASSERT_FALSE(sender.engine.SendData());
    const fs::path remote = peer.FtpHome(kId) / "05" / "vqacc.wen";
    const std::string good = ReadFile(remote);

    TempDir scratch;
    WriteFile(scratch / "a.lzh", "not an archive");
    ASSERT_TRUE(wen::EncryptFile(scratch / "a.lzh", scratch / "other.wen", wen::PackagePassword("zzz999"), 1000));
    std::string flipped = good;
    flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x10);
    const std::pair<const char*, std::string> cases[] = {
        {"other password", ReadFile(scratch / "other.wen")},
        {"flipped byte", flipped},
        {"foreign file", std::string(5000, 'L')},
    };
    for (const auto& [why, bytes] : cases) {
        SCOPED_TRACE(why);
        WriteFile(remote, bytes);
        Office receiver("local data");
        SystemDef.TempDir = receiver.temp.path().string();
        receiver.engine.SyoriType = 2;
        receiver.engine.SelectedRow = 4;
        ASSERT_TRUE(receiver.engine.CheckServer());
        EXPECT_TRUE(receiver.engine.ReceiveData());
        EXPECT_EQ(receiver.view.Last(), "E:　\r\n暗号解読失敗\r\n ");
        EXPECT_EQ(ReadFile(receiver.data.DataFile), "local data");
        EXPECT_TRUE(EmptyOrMissing(receiver.temp / "ComR"));
    }
}

TEST_F(Transfer, ServerAnswersThatEndARun)
{
    Office office("data");
    SystemDef.TempDir = office.temp.path().string();
    struct Case { const char* control; int type; const char* message; };
    const Case cases[] = {
        {R"({"codes": {"1720": "920"}})", 1, "E:　\r\nサーバーに接続出来ません、通信IDを確認して下さい。\r\n "},
        {R"({"codes": {"1725": "510"}})", 20, "E:　\r\nサーバーエラー(510)\r\n "},
        {R"({"drop": ["1720"]})", 1, "E:　\r\nサーバーに接続出来ません。\r\n "},
        {R"({"cut": ["1725"]})", 20, "E:　\r\nサーバーに接続出来ません。\r\n "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        peer.Control(c.control);
        office.engine.SyoriType = c.type;
        EXPECT_FALSE(office.engine.CheckServer());
        EXPECT_EQ(office.view.Last(), c.message);
    }
    // A cut start reply of a cloud receive is said, and the area is released again.
    peer.Control("{}");
    office.engine.SyoriType = 21;
    office.engine.FileName = "xqacc.fbk";
    ASSERT_TRUE(office.engine.CheckServer());
    office.engine.ServerInfo[122] = "abc123";
    peer.ClearRequests();
    peer.Control(R"({"cut": ["1833"]})");
    EXPECT_TRUE(office.engine.ReceiveData());
    EXPECT_EQ(office.view.Last(), "E:　\r\n受信開始処理エラー\r\n ");
}

TEST_F(Transfer, RelaySendWithTheAnalysisCloudFailsClearlyAndARefusedRestoreKeepsTheData)
{
    Office office("data");
    SystemDef.TempDir = office.temp.path().string();
    office.engine.CloudKubun = 1;
    ASSERT_TRUE(office.engine.CheckServer());
    EXPECT_TRUE(office.engine.SendData());
    EXPECT_EQ(office.view.Last(), "E:クラウド連携（経営分析）の送信は、このプログラムではまだ利用できません。");
    EXPECT_EQ(peer.RequestCodes(), std::vector<std::string>{"1720"});

    office.engine.CloudKubun = 0;
    ASSERT_FALSE(office.engine.SendData());
    Office receiver("old data");
    SystemDef.TempDir = receiver.temp.path().string();
    receiver.data.FailRestore = true;
    receiver.engine.SyoriType = 2;
    ASSERT_TRUE(receiver.engine.CheckServer());
    EXPECT_TRUE(receiver.engine.ReceiveData());
    EXPECT_EQ(ReadFile(receiver.data.DataFile), "old data");
    EXPECT_EQ(receiver.engine.Completed, 0);
    const auto codes = peer.RequestCodes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), "1830"), 0);
    EXPECT_TRUE(EmptyOrMissing(receiver.temp / "ComR"));
}

TEST_F(Transfer, ValuesThatCouldBreakTheRequestArriveIntact)
{
    Office office("data");
    AccInf.WebHolder = "AB&C D#1=ä";
    SystemDef.SerialText = "S/N 1+2";
    EXPECT_FALSE(office.engine.CheckServer()); // an ID the server does not know: 920
    const auto reqs = peer.Requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].Path, "/request.php");
    EXPECT_EQ(reqs[0].Params.at("sFName"), "AB&C D#1=ä");
    EXPECT_EQ(reqs[0].Params.at("sSno"), "S/N 1+2");
    EXPECT_EQ(reqs[0].Params.at("Scode"), "1720");
}
