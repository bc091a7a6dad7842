// The status server's request path and the reading of its raw replies, including hostile ones.

#include "comm/StatusReply.h"
#include "comm/xPzConv.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <random>

using namespace kb;

namespace {

// Header lines as the server writes them: status line, two headers, the blank line; line 5 is the
// first line of the body.
std::string Head() { return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n"; }

// One relay (9 lines) or cloud (12 lines) record with a name, or an empty one.
std::string Record(int n, bool cloud, const std::string& nameB64, const std::string& send, const std::string& recv,
                   const std::string& status = "1", const std::string& opB64 = "", const std::string& pcB64 = "")
{
    char num[8];
    std::snprintf(num, sizeof num, "%02d", n);
    std::string r;
    r += "FolderNo   : " + std::string(num) + "\n";     // value from 14
    r += "DataName: " + nameB64 + "\n";                 // from 11
    r += "Nendo   : 2024\n";                             // from 11
    r += "KikanSta  : 2024/04/01 00:00\n";               // from 12
    r += "KikanEnd  : 2025/03/31 00:00\n";               // from 12
    r += "SendTime: " + send + "\n";                     // from 11
    r += "DataPass: abc123\n";                           // from 11
    r += "Version    : 1501\n";                          // from 13
    r += "RecvTime: " + recv + "\n";                     // from 11
    if (cloud) {
        r += "ShareStat  : " + status + "\n";            // from 14
        r += "ShareOpName : " + opB64 + "\n";            // from 15
        r += "SharePcName : " + pcB64 + "\n";            // from 15
    }
    return r;
}

std::string CheckReply(bool cloud, const std::string& code = "000", int namedRecords = 1)
{
    std::string r = Head();
    r += "ResultCd: " + code + "\n";
    r += "FtpHst: ftp.example.invalid\n";
    r += "FtpPas: s3cret\n";
    r += "Reserved\n";
    for (int i = 0; i < 10; ++i) {
        const std::string name = i < namedRecords ? TxPzConv::EncodeBase64(Utf8ToCp932("会社①")) : "";
        r += Record(i + 1, cloud, name, "2024/05/01 10:20:30", "2024/05/02 08:00:00", i == 0 ? "2" : "1",
                    TxPzConv::EncodeBase64(Utf8ToCp932("担当者")), TxPzConv::EncodeBase64("PC-01"));
    }
    return r;
}

} // namespace

TEST(Base64, MatchesTheStandardAndKeepsTheOldDecoderHabits)
{
    EXPECT_EQ(TxPzConv::EncodeBase64(""), "");
    EXPECT_EQ(TxPzConv::EncodeBase64("f"), "Zg==");
    EXPECT_EQ(TxPzConv::EncodeBase64("fo"), "Zm8=");
    EXPECT_EQ(TxPzConv::EncodeBase64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(TxPzConv::EncodeBase64("\xfb\xff"), "+/8=");
    EXPECT_EQ(TxPzConv::DecodeBase64("Zm9vYmFy"), "foobar");
    EXPECT_EQ(TxPzConv::DecodeBase64("Zg=="), "f");
    EXPECT_EQ(TxPzConv::DecodeBase64("+/8="), "\xfb\xff");
    // A zero second or third byte of a group is dropped; an incomplete group gives nothing.
    EXPECT_EQ(TxPzConv::DecodeBase64(TxPzConv::EncodeBase64(std::string("a\0b", 3))), "ab");
    EXPECT_EQ(TxPzConv::DecodeBase64("Zm9"), "");
    // A line break takes a place in the grouping: "Zm\n9v" groups as "Zm\n9" + "v".
    EXPECT_EQ(TxPzConv::DecodeBase64("Zm\n9vYmFy").substr(0, 1), "f");
    EXPECT_NE(TxPzConv::DecodeBase64("Zm\n9vYmFy"), "foobar");
}

TEST(StatusRequest, PathCarriesTheParametersInOrderAndEscapesWhatCouldBreakIt)
{
    const std::string path = BuildStatusPath(1820, {{"sSno", "SN 1&2#"},
                                                    {"sFName", "ABCD1234EFGH"},
                                                    {"fSname", "03"},
                                                    {"fSg", "\xe3\x81\x82", TStatusParam::Base64Text},
                                                    {"fPa", "p=ä"}});
    // "あ" in CP932 is 82 A0, Base64 "gqA=", the "=" escaped as %3d.
    EXPECT_EQ(path, "/request.php?Scode=1820&sSno=SN%201%262%23&sFName=ABCD1234EFGH&fSname=03&fSg=gqA%3d"
                    "&fPa=p%3D%C3%A4");
    EXPECT_EQ(UrlEscape("a+b=c/d"), "a%2bb%3dc/d");
    const std::string req = BuildStatusRequest("status.example.invalid", 1830, {{"sSno", "1"}});
    EXPECT_EQ(req, "GET /request.php?Scode=1830&sSno=1 HTTP/1.0\r\nHost: status.example.invalid\r\n"
                   "User-Agent: Lumora\r\nConnection: Close\r\n\r\n");
}

TEST(StatusReply, LinesStartAtTheFirstNonEmptyLineAndPositionsCountBytes)
{
    const TStatusReply r("\r\n\nHTTP/1.0 200 OK\r\nX\r\n\r\n\r\nResultCd: 920\r\nshort\n");
    EXPECT_EQ(r.Code(5), "920");
    EXPECT_EQ(r.Value(5, 11), "920");
    EXPECT_EQ(r.Value(6, 3), "ort");
    EXPECT_EQ(r.Value(6, 9), "");
    EXPECT_EQ(r.Code(6), "");
    EXPECT_EQ(r.Value(60, 1), "");
    EXPECT_EQ(r.Value(0, 1), "");
}

TEST(StatusReply, RelayCheckFillsTheTableAndKeepsOldValuesOfEmptyFolders)
{
    TServerInfo info;
    TCloudTimes times;
    info[31] = "old";
    const TCheckReply c = ReadCheckReply(TStatusReply(CheckReply(false)), false, false, info, times);
    ASSERT_EQ(c.Result, TReplyResult::Ok);
    EXPECT_EQ(info[kInfoFtpHost], "ftp.example.invalid");
    EXPECT_EQ(info[kInfoFtpPassword], "s3cret");
    EXPECT_EQ(info[0], "01");
    EXPECT_EQ(info[20], "会社①");
    EXPECT_EQ(info[30], "2024");
    EXPECT_EQ(info[40], "2024/04/01 00:00");
    EXPECT_EQ(info[60], "2025/03/31 00:00");
    EXPECT_EQ(info[80], "2024/05/01 10:20");
    EXPECT_EQ(info[100], "2024/05/02 08:00");
    EXPECT_EQ(info[110], "2024/05/02 08:00");
    EXPECT_EQ(info[120], "abc123");
    EXPECT_EQ(info[130], "1501");
    EXPECT_EQ(info[9], "10");
    EXPECT_EQ(info[21], "");
    EXPECT_EQ(info[31], "old");
    EXPECT_TRUE(times[1].empty()); // relay checks leave the cloud times alone
}

TEST(StatusReply, CloudCheckReadsHoldersOnlyForAreasInUse)
{
    TServerInfo info;
    TCloudTimes times;
    info[151] = "stale";
    const TCheckReply c = ReadCheckReply(TStatusReply(CheckReply(true, "000", 2)), true, false, info, times);
    ASSERT_EQ(c.Result, TReplyResult::Ok);
    EXPECT_EQ(info[140], "2");
    EXPECT_EQ(info[150], "担当者");
    EXPECT_EQ(info[160], "PC-01");
    EXPECT_EQ(info[141], "1");
    EXPECT_EQ(info[151], "");
    EXPECT_EQ(times[1], "2024/05/01 10:20:30");
}

TEST(StatusReply, ReceiveTimeBeforeSendTimeOrYearZeroShowsADash)
{
    struct Case { const char* send; const char* recv; const char* shown; };
    const Case cases[] = {
        {"2024/05/01 10:20:30", "2024/05/02 08:00:00", "2024/05/02 08:00"},
        {"2024/05/03 10:20:30", "2024/05/02 08:00:00", "-"},
        {"2024/05/01 10:20:30", "0000/00/00 00:00:00", "-"},
    };
    for (const Case& k : cases) {
        std::string r = Head() + "ResultCd: 000\nFtpHst: h\nFtpPas: p\nx\n";
        for (int i = 0; i < 10; ++i) r += Record(i + 1, false, i == 0 ? "QQ==" : "", k.send, k.recv);
        TServerInfo info;
        TCloudTimes times;
        ASSERT_EQ(ReadCheckReply(TStatusReply(r), false, false, info, times).Result, TReplyResult::Ok);
        EXPECT_EQ(info[110], k.shown) << k.send << " / " << k.recv;
    }
}

TEST(StatusReply, FailuresAreTheServerErrorOrAReadFailure)
{
    TServerInfo info;
    TCloudTimes times;
    EXPECT_EQ(ReadCheckReply(TStatusReply(CheckReply(false, "920")), false, false, info, times).Result,
              TReplyResult::ServerError);
    EXPECT_EQ(ReadCheckReply(TStatusReply(Head() + "short\n"), false, false, info, times).Result,
              TReplyResult::ServerError);
    EXPECT_EQ(ReadCheckReply(TStatusReply(""), true, false, info, times).Result, TReplyResult::ServerError);
    std::string cut = CheckReply(true);
    cut.resize(cut.size() / 2);
    EXPECT_EQ(ReadCheckReply(TStatusReply(cut), true, false, info, times).Result, TReplyResult::ReadFailure);
    // Replies beyond the limit are read only to it.
    std::string huge = Head() + "ResultCd: 000\n" + std::string(kMaxStatusReplyBytes, 'x') + "\n" + CheckReply(false);
    EXPECT_EQ(ReadCheckReply(TStatusReply(huge), false, false, info, times).Result, TReplyResult::ReadFailure);
}

TEST(StatusReply, TimesOfTheStartAndEndRequests)
{
    struct Case { int code; const char* line5; const char* text; };
    const Case cases[] = {
        {1833, "SrvTim:2024-06-07 08:09:10", "2024/06/07 08:09:10"},
        {1823, "SrvTim:20240607080910", "2024/06/07 08:09:10"},
        {1820, "SndTim:202406070809", "2024/06/07 08:09"},
        {1830, "RcvTim:202406070809", "2024/06/07 08:09"},
        {1833, "SrvTim:2024-13-07 08:09:10", ""},
        {1823, "SrvTim:2024O607080910", ""},
        {1830, "RcvTim:", ""},
    };
    for (const Case& k : cases) {
        const TTimeReply t = ReadTimeReply(TStatusReply(Head() + k.line5 + "\nResultCd: 000\n"), k.code);
        EXPECT_EQ(t.Code, "000");
        EXPECT_EQ(t.TimeText, k.text) << k.line5;
        EXPECT_EQ(t.Time.IsNull(), std::string(k.text).empty());
    }
    EXPECT_EQ(ReadCodeLine5(TStatusReply(Head() + "ResultCd: 000\n")), "000");
}

TEST(StatusReply, OddBytesAndSeededMutationsNeverCrash)
{
    TServerInfo info;
    TCloudTimes times;
    // Bad Base64 and bytes that are not CP932 decode to replacement characters, not faults.
    std::string r = CheckReply(false);
    const auto at = r.find("DataName: ") + 10;
    r.replace(at, 4, "\x82\xff!*");
    EXPECT_EQ(ReadCheckReply(TStatusReply(r), false, true, info, times).Result, TReplyResult::Ok);
    EXPECT_EQ(ReadCheckReply(TStatusReply(std::string("\0\0\r\r\n\xff\n", 7)), true, true, info, times).Result,
              TReplyResult::ServerError);

    const std::string seeds[] = {CheckReply(false), CheckReply(true, "000", 10),
                                 Head() + "SrvTim:2024-06-07 08:09:10\nResultCd: 000\n"};
    std::mt19937 rng(20240607);
    for (int n = 0; n < 100000; ++n) {
        std::string m = seeds[n % 3];
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits && !m.empty(); ++e) {
            const std::size_t p = rng() % m.size();
            switch (rng() % 4) {
            case 0: m[p] = static_cast<char>(rng() & 0xFF); break;
            case 1: m.erase(p, 1 + rng() % 40); break;
            case 2: m.insert(p, 1, "\r\n\0\xff=+/"[rng() % 7]); break;
            default: m.resize(p); break;
            }
        }
        const TStatusReply reply(m);
        const TCheckReply c = ReadCheckReply(reply, n % 2 == 1, n % 5 == 0, info, times);
        if (c.Result == TReplyResult::Ok) {
            EXPECT_EQ(c.Code, "000");
        }
        const TTimeReply t = ReadTimeReply(reply, (n & 1) ? 1833 : 1823);
        if (!t.TimeText.empty()) {
            EXPECT_FALSE(t.Time.IsNull());
        }
    }
}
