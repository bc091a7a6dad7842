// The summary-line tables and their switch by data kind.

#include "core/uAccZanTable.h"

#include <gtest/gtest.h>

namespace kb {
namespace {

class AccZanTables : public ::testing::Test {
protected:
    void TearDown() override { ResetAccZanTables(); }
};

// Entry of general-layout row r (r = 1..45, where the layout has it).
int GeneralEntryOfRow(int r)
{
    if (r <= 22) return 2 * r - 1;
    if (r <= 27) return 2 * r + 2;
    if (r <= 38) return 2 * r + 9;
    if (r <= 44) return 2 * r + 18;
    return 109;
}

TEST_F(AccZanTables, GeneralRowsReachEveryRowAtItsEntryInPairs)
{
    AccZanSetTables(false);
    for (int r = 1; r <= 45; ++r) {
        const int e = GeneralEntryOfRow(r);
        EXPECT_EQ(AccZanLineRows[e], r) << "row " << r;
        EXPECT_EQ(AccZanLineRows[e - 1], r) << "row " << r; // the first entry of the pair
    }
    // the bounds of the hidden ranges
    EXPECT_EQ(AccZanLineRows[0], 1);
    EXPECT_EQ(AccZanLineRows[55], 27);
    EXPECT_EQ(AccZanLineRows[101], 42);
    EXPECT_EQ(AccZanLineRows[108], 45);
    int nonZero = 0;
    for (auto v : AccZanLineRows) nonZero += v != 0;
    EXPECT_EQ(nonZero, 90); // 45 rows, two entries each
}

TEST_F(AccZanTables, SwitchingWritesEveryEntry)
{
    AccZanSetTables(true);
    EXPECT_EQ(AccZanLineCodes[84], "9280");
    EXPECT_EQ(AccZanLineCodes[148], "****");
    EXPECT_EQ(AccZanLineCodes[72], "6950");
    EXPECT_EQ(AccZanLineCodes[88], "3450");
    EXPECT_EQ(AccZanLineCodes[141], "9600");
    EXPECT_EQ(AccZanLineCodes[146], "9600");
    EXPECT_EQ(AccZanLineRows[26], 0);
    EXPECT_EQ(AccZanLineRows[85], 42);
    EXPECT_EQ(AccZanLineRows[114], 53);

    AccZanSetTables(false);
    EXPECT_EQ(AccZanLineCodes[84], "8400");
    EXPECT_EQ(AccZanLineCodes[148], "5510");
    EXPECT_EQ(AccZanLineCodes[72], "6200");
    EXPECT_EQ(AccZanLineCodes[146], "8400");
    for (int e = 88; e <= 141; ++e) EXPECT_EQ(AccZanLineCodes[e], "****") << e;
    EXPECT_EQ(AccZanLineRows[26], 14);
}

TEST_F(AccZanTables, InitialValuesAreGeneralWithTheMedicalMiddle)
{
    ResetAccZanTables();
    // the codes the linkage and the loader look for
    const struct { int e; const char* code; } cases[] = {
        {0, "1100"},  {20, "1900"}, {21, "2100"}, {38, "3340"}, {48, "4100"}, {60, "5580"}, {62, "5680"},
        {64, "5780"}, {65, "5790"}, {68, "5880"}, {84, "8400"}, {87, "5688"}, {88, "3450"}, {141, "9600"},
        {142, "1900"}, {149, "5820"},
    };
    for (const auto& c : cases) EXPECT_EQ(AccZanLineCodes[c.e], c.code) << c.e;
    EXPECT_EQ(AccZanLineRows[109], 45);
}

} // namespace
} // namespace kb
