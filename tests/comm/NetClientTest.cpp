// The libcurl client against the loopback peers: verified TLS, the raw reply, FTP operations.

#include "comm/StatusReply.h"
#include "common/CommPeer.h"
#include "common/TestEnv.h"
#include "platform/NetClient.h"
#include "platform/TempFiles.h"

#include <gtest/gtest.h>

using namespace kb;
using kbtest::CommPeer;

namespace {
const std::vector<std::string> kHeaders = {"Host: 127.0.0.1", "User-Agent: Lumora", "Connection: Close"};
}

TEST(NetClient, HttpsTrustsOnlyAVerifiedPeerAndReturnsTheRawReply)
{
    CommPeer peer("ABCD1234EFGH", "ftppw");
    const std::string path = BuildStatusPath(1730, {{"sSno", "S-1"}, {"sFName", "ABCD1234EFGH"}, {"fSname", "03"}});
    const std::string raw = net::HttpsGetRaw("127.0.0.1", peer.HttpsPort(), path, kHeaders, kMaxStatusReplyBytes);
    EXPECT_EQ(raw.rfind("HTTP/1.0 200 OK\r\n", 0), 0u);
    EXPECT_EQ(ReadCodeLine5(TStatusReply(raw)), "000");
    const auto reqs = peer.Requests();
    ASSERT_EQ(reqs.size(), 1u);
    EXPECT_EQ(reqs[0].Params.at("sSno"), "S-1");
    // Only the three lines the server knows are sent.
    EXPECT_EQ(reqs[0].Headers, (std::vector<std::string>{"Host: 127.0.0.1", "User-Agent: Lumora", "Connection: Close"}));

    // Without the test's certificate the peer is not trusted; a host name the certificate does not
    // carry is refused too.
    {
        kbtest::ScopedEnv noCa("KB_TEST_CA_FILE", std::nullopt);
        EXPECT_THROW(net::HttpsGetRaw("127.0.0.1", peer.HttpsPort(), path, kHeaders, kMaxStatusReplyBytes), net::NetError);
    }
    EXPECT_THROW(net::HttpsGetRaw("localhost", peer.HttpsPort(), path, kHeaders, kMaxStatusReplyBytes), net::NetError);
    // A reply beyond the limit and a dropped link are failures.
    EXPECT_THROW(net::HttpsGetRaw("127.0.0.1", peer.HttpsPort(), path, kHeaders, 20), net::NetError);
    peer.Control(R"({"drop": ["1730"]})");
    EXPECT_THROW(net::HttpsGetRaw("127.0.0.1", peer.HttpsPort(), path, kHeaders, kMaxStatusReplyBytes), net::NetError);
}

TEST(NetClient, FtpSizeRenameDeleteUploadDownload)
{
    CommPeer peer("ABCD1234EFGH", "ftppw");
    const auto dir = TempFiles::CreateTempDir("kb-ftp");
    std::string bytes(300000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + (i >> 9));
    bytes[10] = '\r';
    bytes[11] = '\n'; // binary mode: line ends travel untouched
    kbtest::WriteFile(dir / "a.bin", bytes);

    net::TFtpClient ftp("127.0.0.1", net::FtpPort(), "ABCD1234EFGH", "ftppw");
    ftp.Connect();
    EXPECT_FALSE(ftp.ChangeDir("11"));
    ASSERT_TRUE(ftp.ChangeDir("03"));
    EXPECT_EQ(ftp.Size("x.wen"), -1);
    ftp.Upload(dir / "a.bin", "x.wen");
    EXPECT_EQ(ftp.Size("x.wen"), static_cast<std::int64_t>(bytes.size()));
    ftp.Rename("x.wen", "x.wenbak");
    EXPECT_EQ(ftp.Size("x.wen"), -1);
    EXPECT_TRUE(std::filesystem::exists(peer.FtpHome("ABCD1234EFGH") / "03" / "x.wenbak"));
    ftp.Download("x.wenbak", dir / "b.bin");
    EXPECT_EQ(kbtest::ReadFile(dir / "b.bin"), bytes);
    ftp.Delete("x.wenbak");
    EXPECT_EQ(ftp.Size("x.wenbak"), -1);
    EXPECT_THROW(ftp.Download("none.wen", dir / "c.bin"), net::NetError);

    net::TFtpClient wrong("127.0.0.1", net::FtpPort(), "ABCD1234EFGH", "bad");
    EXPECT_THROW(wrong.Connect(), net::NetError);
    std::filesystem::remove_all(dir);
}
