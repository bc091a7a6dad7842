// The data set around a transfer on real data roots (the general fixture data set in slot 1 with
// its registry row, tests/fixtures/README.md: company "青色商店", 142 entries): the backup before a
// send, the restore after a receive with its checks, the registry row written back, and the
// restore's refusals, which leave the receiving data set whole.

#include "TusinDataSetSupport.h"

#include <gtest/gtest.h>

using namespace kb;
using namespace kbtest;
namespace fs = std::filesystem;
namespace fx = kbtest::fixture;

using DataAroundTransfer = OfficeTest;

TEST_F(DataAroundTransfer, RelayAndCloudRoundTripsRestoreTheSentDataSetOverAnOlderCopy)
{
    Office sender, receiver;
    receiver.DropNewestEntries();
    fx::RunIsql(receiver.root.sysDir / "vqaccdef.fdb", "UPDATE DATALIST SET ENTTEXT='旧データ' WHERE REC=1;\nCOMMIT;\n");
    ASSERT_EQ(receiver.Entries(), 140);

    Use(sender);
    EXPECT_EQ(AccInf.WebHolder, kDataSetId);
    auto send = EngineFor(1, sender, 2);
    ASSERT_TRUE(send->CheckServer()) << view.Last();
    ASSERT_FALSE(send->SendData()) << view.Last() << Shown();
    EXPECT_EQ(view.Last(), "I:　\r\nデータ送信処理が終了しました。\r\n ");
    EXPECT_EQ(sender.FolderState(), 1);

    Use(receiver);
    auto receive = EngineFor(2, receiver, 2);
    ASSERT_TRUE(receive->CheckServer()) << view.Last();
    ASSERT_FALSE(receive->ReceiveData()) << view.Last() << Shown();
    EXPECT_EQ(receive->Completed, 1);
    EXPECT_EQ(view.Last(), "I:　\r\nデータ受信処理が終了しました。\r\n ");

    // The close of the form connects the restored data set again.
    ASSERT_TRUE(side.ConnectData()) << view.Last();
    EXPECT_EQ(AccInf.SHOUGOU, "青色商店");
    EXPECT_EQ(AccInf.ENTTEXT, "青色一郎（一般）");
    EXPECT_EQ(receiver.Entries(), 142);
    side.DisconnectData();
    EXPECT_EQ(receiver.ListName(), "青色一郎（一般）");
    EXPECT_EQ(receiver.FolderState(), 1);
    EXPECT_EQ(peer.RequestCodes(), (std::vector<std::string>{"1720", "1820", "1720", "1830"}));
    EXPECT_TRUE(sender.WorkClean());
    EXPECT_TRUE(receiver.WorkClean());
    // No comparison was needed: same company and period, more entries than before.
    for (const auto& m : view.Messages) EXPECT_NE(m.substr(0, 2), "A:") << m;
    EXPECT_TRUE(env.ui.shown.empty()) << Shown();

    // Cloud area 3 the other way: the receiver's data set, renamed meanwhile, goes back to the
    // sender, which agrees to the difference of the company name.
    for (Office* o : {&sender, &receiver})
        fx::RunIsql(o->db, "UPDATE ACCDEF1 SET CLOUD_LINE=3 WHERE REC=1;\nCOMMIT;\n");
    fx::RunIsql(receiver.db, "UPDATE ACCDEF1 SET SHOUGOU='青色商店２' WHERE REC=1;\nCOMMIT;\n");
    peer.ClearRequests();
    Use(receiver);
    ASSERT_EQ(AccInf.CloudLine, 3);
    auto cloudSend = EngineFor(20, receiver);
    cloudSend->DataVerMajor = 15;
    ASSERT_TRUE(cloudSend->CheckServer()) << view.Last();
    ASSERT_FALSE(cloudSend->SendData()) << view.Last() << Shown();

    Use(sender);
    auto cloudReceive = EngineFor(21, sender);
    ASSERT_TRUE(cloudReceive->CheckServer()) << view.Last();
    ASSERT_FALSE(cloudReceive->ReceiveData()) << view.Last() << Shown();
    EXPECT_EQ(view.Last(), "A:復元|会社名に違いがありました。|　【復元元】：青色商店２|　【復元先】：青色商店|");
    EXPECT_EQ(peer.RequestCodes(), (std::vector<std::string>{"1725", "1833", "1725", "1823", "1725", "1833"}));
    ASSERT_TRUE(side.ConnectData());
    EXPECT_EQ(AccInf.SHOUGOU, "青色商店２");
    // The receive's start time is the copy's time in the data set.
    EXPECT_EQ(AccInf.CloudTime.ToString(), cloudReceive->ServerTime.ToString());
    EXPECT_FALSE(AccInf.CloudTime.IsNull());
    side.DisconnectData();
    EXPECT_TRUE(sender.WorkClean());
    EXPECT_TRUE(receiver.WorkClean());
}

TEST_F(DataAroundTransfer, RefusedOrFailedRestoresLeaveTheDataSetWhole)
{
    Office office, fewer;
    fewer.DropNewestEntries();
    auto engine = EngineFor(2, office);

    // A backup of the data set with two entries fewer, made the way a send makes it.
    Use(fewer);
    const fs::path received = office.root.tempDir / "ComR" / "vqacc.fbk";
    fs::create_directories(received.parent_path());
    const fs::path kept = office.dir / "fewer.fbk";
    ASSERT_TRUE(side.SaveSendData(kept)) << view.Last() << Shown();

    struct Case {
        const char* why;
        std::string bytes; // empty: no received file
        bool consolidated;
        std::string message;
    };
    std::string garbage(300000, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919) >> 3);
    const std::string backup = ReadFile(kept);
    const Case cases[] = {
        {"declined comparison", backup, false,
         "A:復元|仕訳件数(修正・削除仕訳含む)が減っています。|　【復元元】：140 件|　【復元先】：142 件|"},
        {"consolidated data set", backup, true,
         "W:現在の処理データは、合算データですが、受信したデータは、通常データなので、復元出来ません。"},
        {"no backup", "", false, "I:この場所には、バックアップファイル(vqacc.fbk)がありませんでした。\r"},
    };
    view.Answer = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Use(office);
        AccInf.GassanKubun = c.consolidated ? 1 : 0;
        fs::remove(received);
        if (!c.bytes.empty()) WriteFile(received, c.bytes);
        EXPECT_FALSE(side.RestoreReceivedData(received));
        EXPECT_EQ(view.Last(), c.message);
        EXPECT_EQ(office.Entries(), 142);
        // Free again after a restore that stopped; still in use (connected) when none began.
        EXPECT_EQ(office.FolderState(), c.bytes.empty() ? 2 : 1);
        EXPECT_FALSE(fs::exists(office.root.tempDir / "work" / "vqacc.fbk"));
    }

    // A file that is no backup at all has no trailer: the trial restore in the work folder fails
    // and says why, before anything touches the data set.
    Use(office);
    WriteFile(received, garbage);
    const std::size_t before = view.Messages.size();
    EXPECT_FALSE(side.RestoreReceivedData(received));
    ASSERT_EQ(view.Messages.size(), before + 1);
    EXPECT_EQ(view.Last().substr(0, 2), "W:");
    EXPECT_EQ(office.Entries(), 142);
    EXPECT_FALSE(fs::exists(office.root.tempDir / "work" / "vqacc.fdb"));

    // Agreeing to the difference restores the received data set.
    Use(office);
    view.Answer = true;
    WriteFile(received, backup);
    EXPECT_TRUE(side.RestoreReceivedData(received)) << view.Last() << Shown();
    EXPECT_EQ(office.Entries(), 140);
    EXPECT_EQ(office.FolderState(), 1);
}

TEST(GassanRefusal, ALocalConsolidatedDataSetTakesOnlyItsOwnKind)
{
    const std::string head = "現在の処理データは、";
    const std::string tail = "なので、復元出来ません。";
    struct Case { int local, received; std::string text; };
    const Case cases[] = {
        {1, 0, head + "合算データですが、受信したデータは、通常データ" + tail},
        {1, 2, head + "合算データですが、受信したデータは、合算本支店データ" + tail},
        {1, 10, head + "合算データですが、受信したデータは、分散データ" + tail},
        {2, 0, head + "合算本支店データですが、受信したデータは、通常データ" + tail},
        {2, 1, head + "合算本支店データですが、受信したデータは、合算データ" + tail},
        {2, 10, head + "合算本支店データですが、受信したデータは、分散データ" + tail},
        {1, 1, ""}, {2, 2, ""}, {0, 1, ""}, {10, 2, ""}, {0, 10, ""}, {1, 5, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(GassanRefusal(c.local, c.received), c.text) << c.local << " " << c.received;
}
