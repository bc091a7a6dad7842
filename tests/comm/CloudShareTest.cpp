// The cloud-share calls: the current-copy decision as a table, and fetch, send and release of the
// general fixture data set's area 3 against the loopback peers.

#include "TusinDataSetSupport.h"

#include "comm/CloudShare.h"
#include "comm/xPzConv.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

using namespace kb;
using namespace kbtest;
namespace fs = std::filesystem;
namespace fx = kbtest::fixture;

namespace {

const DateTime kLocal(Date(2025, 6, 1), 10, 0, 0);
const std::string kSame = "2025/06/01 10:00:00";

} // namespace

TEST(CloudCopyDecision, CurrentCopyHolderModeAndKind)
{
    using A = TCloudCopyAction;
    struct Case {
        const char* why;
        std::string send;
        DateTime local;
        std::string status, holderOp, holderPc;
        int mode, appKind;
        bool check;
        A action;
    };
    const std::string me = "  10山田太郎", other = "  77鈴木一郎";
    const Case cases[] = {
        {"stand-alone, equal times", kSame, kLocal, "1", "", "", 0, 0, false, A::Notify},
        {"stand-alone ignores the holder", kSame, kLocal, "2", other, "PC-B", 0, 0, false, A::Notify},
        {"server mode, held elsewhere", kSame, kLocal, "2", other, "PC-B", 1, 0, false, A::InUse},
        {"server mode, held by another operator here", kSame, kLocal, "2", other, "PC-A", 1, 0, false, A::InUse},
        {"server mode, held by this operator and computer", kSame, kLocal, "2", me, "PC-A", 2, 0, false, A::Notify},
        {"server mode, free", kSame, kLocal, "1", "", "", 1, 0, false, A::Notify},
        {"never sent", "0000/00/00 00:00:00", kLocal, "1", "", "", 0, 0, false, A::Receive},
        {"never sent, in use", "0000/00/00 00:00:00", kLocal, "2", other, "PC-B", 0, 0, false, A::InUse},
        {"never sent, in use, check flag", "0000/00/00 00:00:00", kLocal, "2", other, "PC-B", 0, 0, true, A::Receive},
        {"newer copy", "2025/06/01 10:00:01", kLocal, "1", "", "", 0, 0, false, A::Receive},
        {"no local time", kSame, DateTime(), "1", "", "", 0, 0, false, A::Receive},
        {"short send time", "2025/06", kLocal, "1", "", "", 0, 0, false, A::Receive},
        {"read-only kind, current, in use", kSame, kLocal, "2", other, "PC-B", 0, 2, false, A::Nothing},
        {"read-only kind, current, free", kSame, kLocal, "1", "", "", 0, 2, false, A::Receive},
        {"read-only kind, newer, in use", "2025/07/01 00:00:00", kLocal, "2", other, "PC-B", 0, 2, false, A::Receive},
    };
    for (const Case& c : cases) {
        TCloudCopyFacts f;
        f.SendTime = c.send;
        f.LocalTime = c.local;
        f.Status = c.status;
        f.HolderOp = c.holderOp;
        f.HolderPc = c.holderPc;
        f.OwnOp = me;
        f.OwnPc = "PC-A";
        f.Mode = c.mode;
        f.AppKind = c.appKind;
        f.Check = c.check;
        EXPECT_EQ(DecideCloudCopy(f).Action, c.action) << c.why;
    }
    TCloudCopyFacts f;
    f.SendTime = kSame;
    EXPECT_EQ(DecideCloudCopy(f).ServerTime, kLocal);

    std::string code, name;
    SplitHolderText("  77鈴木一郎", code, name);
    EXPECT_EQ(code + "|" + name, "77|鈴木一郎");
    SplitHolderText("ab12鈴木", code, name);
    EXPECT_EQ(code + "|" + name, "|鈴木");
}

TEST(CloudShareIdentity, OperatorRightAlignedInFourAndComputerCutToFifteenBytes)
{
    RecordingView view;
    FileDataSide data;
    TDM dm;
    TTusinDataSide side{dm, view};
    TDataTusinEngine engine{view, data};
    TCloudShareOps ops{engine, side, view};
    const TSystemDef saved = SystemDef;
    struct Case { int op; const char* computer; const char* opText; const char* pcText; };
    const Case cases[] = {
        {7, "PC-A", "   7山田", "PC-A"},
        {12345, "ABCDEFGHIJKLMNOPQRS", "2345山田", "ABCDEFGHIJKLMNO"},
        // 14 bytes fit; the 15th is the first half of a double-byte character and becomes a blank.
        {10, "ABCDEFGHIJKLMN経理", "  10山田", "ABCDEFGHIJKLMN"},
        {10, "経理課のＰＣ", "  10山田", "経理課のＰＣ"},
    };
    for (const Case& c : cases) {
        ScopedEnv env("KB_COMPUTER_NAME", std::string(c.computer));
        SystemDef.OpCode = c.op;
        SystemDef.OpName = "山田";
        ASSERT_TRUE(ops.GetOperatorAndPcName());
        EXPECT_EQ(engine.OpText, c.opText);
        EXPECT_EQ(engine.PcText, c.pcText) << c.computer;
        EXPECT_EQ(Cp932ToUtf8(TxPzConv::DecodeBase64(engine.PcTextEnc)), c.pcText);
    }
    SystemDef = saved;
}

namespace {

class CloudShareCalls : public OfficeTest {
protected:
    Office office;
    TDataTusinEngine engine{view, side};
    TCloudShareOps ops{engine, side, view};
    std::string folder = office.folder.string();

    CloudShareCalls()
    {
        engine.PauseSeconds = 0;
        SystemDef.OpCode = 10;
        SystemDef.OpName = "山田太郎";
        fx::RunIsql(office.db, "UPDATE ACCDEF1 SET CLOUD_LINE=3 WHERE REC=1;\nCOMMIT;\n");
        Use(office);
        side.DisconnectData();
    }
    // Area 3 of the ID as the server is to show it.
    void Area(const std::string& fields)
    {
        peer.Control(R"({"areas": {")" + kDataSetId + R"(": {"03": {)" + fields + "}}}}");
    }
    std::string Shougou() const
    {
        return fx::Query(office.db, "SELECT SHOUGOU FROM ACCDEF1 WHERE REC=1").at(0).begin()->second;
    }
};

} // namespace

TEST_F(CloudShareCalls, SendThenFetchOfACurrentCopyOnlyTakesTheArea)
{
    ASSERT_EQ(ops.CloudShareSend(folder, "", 1), 0) << view.Last() << Shown();
    EXPECT_EQ(peer.RequestCodes(), (std::vector<std::string>{"1725", "1833", "1725", "1823"}));
    const auto sent = peer.Requests();
    EXPECT_EQ(sent[3].Params.at("fYobi"), "1500");
    ASSERT_TRUE(fs::exists(peer.FtpHome(kDataSetId) / "03" / "xqacc.wen"));

    // The local copy is the area's: one 1833 takes the area, nothing is downloaded.
    fx::RunIsql(office.db, "UPDATE ACCDEF1 SET SHOUGOU='手元の変更' WHERE REC=1;\nCOMMIT;\n");
    peer.ClearRequests();
    EXPECT_EQ(ops.CloudShareReceive(folder, 1, 0), 0) << view.Last();
    EXPECT_EQ(peer.RequestCodes(), (std::vector<std::string>{"1725", "1833"}));
    EXPECT_EQ(Shougou(), "手元の変更");
    const auto taken = peer.Requests().back();
    EXPECT_EQ(Cp932ToUtf8(TxPzConv::DecodeBase64(taken.Params.at("fOpName"))), "  10山田太郎");
    EXPECT_FALSE(env.dm->IBDatabaseDAT.Connected());

    // The next check shows the area held by this operator and computer.
    peer.ClearRequests();
    engine.SyoriType = 21;
    ASSERT_TRUE(engine.CheckServer());
    EXPECT_EQ(engine.ServerInfo[142], "2");
    EXPECT_EQ(engine.ServerInfo[152], "  10山田太郎");
    EXPECT_EQ(engine.ServerInfo[162], engine.PcText);

    // Release frees it again.
    EXPECT_EQ(ops.ReleaseCloudShare(folder), 0);
    EXPECT_EQ(peer.RequestCodes().back(), "1730");
    EXPECT_EQ(peer.Requests().back().Params.at("fShare"), "1");
}

TEST_F(CloudShareCalls, FetchRefusalsAndANeverSentArea)
{
    ASSERT_EQ(ops.CloudShareSend(folder, "", 1), 0) << view.Last() << Shown();
    const std::string name = R"("name": "青色一郎（一般）", "pa": "abc123")";

    // Held by someone else with a copy newer than ours: refused with the holder.
    Area(name + R"(, "send": "2030/01/01 00:00:00", "share": "2", "op": "  77鈴木一郎", "pc": "OTHER-PC")");
    EXPECT_EQ(ops.CloudShareReceive(folder, 1, 0), 1);
    EXPECT_EQ(view.Last(), "I:現在使用中のため選択できません。\r\nオペレータコード: [ 77 ]\r\nオペレータ名:     [ 鈴木一郎 ]\r\n"
                           "コンピュータ名:   [ OTHER-PC ]");

    // No data in the area.
    Area(R"("name": "", "send": "2030/01/01 00:00:00")");
    EXPECT_EQ(ops.CloudShareReceive(folder, 1, 0), 1);
    EXPECT_EQ(view.Last(), "I:設定された領域にはデータがありません。 ");

    // Never sent by the status server's record: downloaded and restored over the local change.
    fx::RunIsql(office.db, "UPDATE ACCDEF1 SET SHOUGOU='手元の変更' WHERE REC=1;\nCOMMIT;\n");
    Area(name + R"(, "send": "0000/00/00 00:00:00", "share": "1")");
    view.Answer = true; // the company name differs: agreed
    peer.ClearRequests();
    EXPECT_EQ(ops.CloudShareReceive(folder, 1, 0), 0) << view.Last() << Shown();
    EXPECT_EQ(Shougou(), "青色商店");
    EXPECT_EQ(peer.RequestCodes(), (std::vector<std::string>{"1725", "1833"}));

    // A package gone from the area after the start request: 1, and the area is released again.
    fs::remove(peer.FtpHome(kDataSetId) / "03" / "xqacc.wen");
    Area(name + R"(, "send": "2031/01/01 00:00:00", "share": "1")");
    peer.ClearRequests();
    EXPECT_EQ(ops.CloudShareReceive(folder, 1, 0), 1);
    EXPECT_EQ(view.Last(), "W:　\r\nダウンロードファイルが見つかりません。\r\n ");
    EXPECT_EQ(peer.RequestCodes(), (std::vector<std::string>{"1725", "1833", "1730"}));
    EXPECT_EQ(peer.Requests().back().Params.at("fShare"), "1");
    EXPECT_EQ(Shougou(), "青色商店");

    // Without the automatic flag the settings are checked first.
    fx::RunIsql(office.db, "UPDATE ACCDEF1 SET PASWORD='' WHERE REC=1;\nCOMMIT;\n");
    EXPECT_EQ(ops.CloudShareReceive(folder, 0, 0), 1);
    EXPECT_EQ(view.Last(), "W:　\r\nパスワードが設定されてません。クラウドシェア設定で設定して下さい。\r\n ");
    EXPECT_EQ(ops.CloudShareReceive("", 1, 0), 1);
}
