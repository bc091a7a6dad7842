#include "accounting/SwkRec.h"

#include <gtest/gtest.h>

using namespace kb;

TEST(SwkRec, FixedDefaultsOfANewRecord)
{
    const TSWKREC e;
    EXPECT_EQ(e.TAISHAKU, 1);
    EXPECT_EQ(e.L.TAXCODE, 910); // class not yet decided
    EXPECT_EQ(e.R.TAXCODE, 910);
    EXPECT_EQ(e.REC, 0);         // a new entry
    EXPECT_EQ(e.DELFLG, 0);
    EXPECT_TRUE(e.HIZUKE.IsNull());
    EXPECT_TRUE(e.CTIME.IsNull()); // not audited
    EXPECT_TRUE(e.SHONIN_HIZUKE.IsNull()); // not approved
    EXPECT_TRUE(e.KINGAKU.IsZero());
    EXPECT_TRUE(e.L.RIT.IsZero());
    EXPECT_TRUE(e.L.HCODE.empty());
}
