#include "core/uAccRecord.h"

#include <gtest/gtest.h>

using namespace kb;

TEST(uAccRecord, ResetRestoresLoadState)
{
    ConnectMode = 2;
    OemFlag = 1;
    IBErrorShown = true;
    SystemDef.OpCode = 100001;
    SystemDef.LogDir = "/x";
    SystemDef.Reserve4Bits[5] = 2;
    AccInf.SHOUGOU = "㈱テスト";
    AccInf.NendoKishu[1] = Date(2023, 4, 1);
    AppInfo.QuorviMenuLimit = false;
    DataFileName = "other.fdb";
    HostMenuHook = [](int, const std::string&) { return 5; };
    DataDamageCheckHook = [](const std::string&, const std::string&, int) { return 0; };

    ResetAccRecord();

    EXPECT_EQ(ConnectMode, 0);
    EXPECT_EQ(OemFlag, 0);
    EXPECT_FALSE(IBErrorShown);
    EXPECT_EQ(SystemDef.OpCode, 0);
    EXPECT_EQ(SystemDef.LogDir, "");
    EXPECT_EQ(SystemDef.Reserve4Bits[5], 0);
    EXPECT_EQ(AccInf.SHOUGOU, "");
    EXPECT_TRUE(AccInf.NendoKishu[1].IsNull());
    EXPECT_TRUE(AppInfo.QuorviMenuLimit);
    EXPECT_EQ(AppInfo.DataListCnt, 120);
    EXPECT_EQ(DataFileName, "vqacc.fdb");
    EXPECT_EQ(DataDefFileName, "vqaccdef.fdb");
    EXPECT_FALSE(HostMenuHook);
    EXPECT_FALSE(DataDamageCheckHook);
    EXPECT_FALSE(OpenRegisteredFormHook);
}

TEST(uAccRecord, FixedDateAndTimeFormats)
{
    EXPECT_EQ(Date(2024, 2, 9).ToString(), "2024/02/09");
    EXPECT_EQ(LongDateText(Date(2024, 2, 9)), "2024年02月09日");
    EXPECT_EQ(LongDateText(Date()), "");
    const DateTime t(Date(2024, 2, 9), 7, 5, 3);
    EXPECT_EQ(t.ShortTime(), "07:05");
    EXPECT_EQ(t.TimeString(), "07:05:03");
}
