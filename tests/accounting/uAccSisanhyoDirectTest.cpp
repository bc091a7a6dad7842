// The direct computation on a data set with departments: the common department's allocation by
// the ratios (the opening by the start month's period), department groups bound as values, the
// per-department second pass, shared layout lines and the part of an account without a
// sub-account. Figures in uAccZanSisanhyoTestDb.h.

#include "uAccZanSisanhyoTestDb.h"

#include "accounting/uAccSisanhyoDirect.h"
#include "accounting/uAccSisanhyou.h"
#include "accounting/uAccZanSisanhyo.h"

#include <gtest/gtest.h>

using namespace kb;

namespace {

Currency Yen(std::int64_t y) { return Currency::FromYen(y); }

class DirectDepartments : public kbtest::ledger::LedgerDb {
protected:
    static void SetUpTestSuite() { BuildSuite(kbtest::ledger::DataSetKind::Departments); }
    static void TearDownTestSuite() { FreeSuite(); }
    void SetUp() override
    {
        LedgerDb::SetUp();
        AccInf.KAISINO = 4;
        AccInf.BUMON = 1;
        last = AccZanPrepareArrays(recs, sorts);
    }

    const TBALANCE& Line(const std::string& kcode) const
    {
        for (int r = FirstAccountRow; r <= last; ++r)
            if (recs[r].KAMOKU.KCODE == kcode) return recs[r];
        throw std::runtime_error("no line " + kcode);
    }
    static TCalcSisanhyoSettingRec Setting(const std::string& bumon, int single, int haibun, int layout = 0, int selection = 0)
    {
        TCalcSisanhyoSettingRec s;
        s.SisetuCode = "S1";
        s.SisetuSingle = 1;
        s.BumonCode = bumon;
        s.BumonSingle = single;
        s.Haibun = haibun;
        s.Layout = layout;
        s.Selection = selection;
        return s;
    }

    std::vector<TBALANCE> recs;
    std::vector<TQSORT> sorts;
    int last = 0;
};

TEST_F(DirectDepartments, StartMonthPeriodIsTheIndexOfTheOpeningRatio)
{
    const int expected[13] = {1, 1, 2, 3, 5, 6, 7, 9, 10, 11, 13, 14, 15};
    for (int m = 1; m <= 12; ++m) EXPECT_EQ(StartMonthPeriod(m), expected[m]) << m;
}

TEST_F(DirectDepartments, DepartmentTakesItsShareOfTheCommonDepartment)
{
    AccSisanhyoDirectCalc(recs, last, sorts, 1, Setting("01", 1, 1), last);
    // opening: own 200 + 1,000 x 50 % (the ratio of period 5, where month 4 lies; not period 4's 10 %)
    EXPECT_EQ(Line("K111").KAISIZAN, Yen(700));
    // 100,000 + 50,001 x 33.3333 % = 100,000 + 16,666.83 cut to 16,666
    EXPECT_EQ(Line("K726").KARI[33], Yen(116666));
    // a line without ratios adds nothing of the common department
    EXPECT_EQ(Line("K715").KARI[33], Yen(3000));
    EXPECT_EQ(Line("K726").RUIZAN[48], Yen(116666));
}

TEST_F(DirectDepartments, CommonDepartmentKeepsOnlyItsAllocatedShare)
{
    AccSisanhyoDirectCalc(recs, last, sorts, 1, Setting("00", 1, 1), last);
    EXPECT_EQ(Line("K111").KAISIZAN, Yen(200));   // 1,000 x 20 %
    EXPECT_EQ(Line("K726").KARI[33], Yen(5000));  // 50,001 x 10 % = 5,000.1 cut
    EXPECT_EQ(Line("K715").KARI[33], Currency()); // no ratio: nothing
}

TEST_F(DirectDepartments, WithoutAllocationADepartmentShowsItsOwnFigures)
{
    AccSisanhyoDirectCalc(recs, last, sorts, 1, Setting("01", 1, 0), last);
    EXPECT_EQ(Line("K111").KAISIZAN, Yen(200));
    EXPECT_EQ(Line("K726").KARI[33], Yen(100000));
}

TEST_F(DirectDepartments, GroupMembersTravelAsBoundValues)
{
    const auto c = BuildCodeCondition("BCODE", Setting("G1", 0, 0));
    EXPECT_EQ(c.Text, "(BCODE IN (:BCP0,:BCP1))");
    ASSERT_EQ(c.Params.size(), 2u);
    EXPECT_EQ(c.Params[1].second, "02");
    EXPECT_EQ(BuildCodeCondition("SCODE", Setting("G1", 0, 0)).Text, "(SCODE=:SCP0)");
    // the department "0'1" is a value, not SQL text
    AccSisanhyoDirectCalc(recs, last, sorts, 1, Setting("G2", 0, 0), last);
    EXPECT_EQ(Line("K726").KARI[33], Yen(7));
    AccZanInitRecords(recs, last, sorts);
    TCalcSisanhyoSettingRec single = Setting("0'1", 1, 0);
    AccSisanhyoDirectCalc(recs, last, sorts, 1, single, last);
    EXPECT_EQ(Line("K726").KARI[33], Yen(7));
}

TEST_F(DirectDepartments, GroupWithAllocationAddsEveryDepartmentsShare)
{
    TCalcSisanhyoSettingRec s = Setting("G1", 0, 1, 0, 6);
    s.SisetuCode.clear();
    s.SisetuSingle = 0;
    AccSisanhyoDirect(recs, last, sorts, s, last);
    // 01: 100,000 + 16,666; 02: 40,000 + 50,001 x 66.6667 % (33,334.02 cut to 33,334)
    EXPECT_EQ(Line("K726").KARI[33], Yen(190000));
    EXPECT_EQ(Line("K111").KAISIZAN, Yen(700)); // department 02 has no cash rows
}

TEST_F(DirectDepartments, SharedLayoutLineShowsNoSingleAccount)
{
    TCalcSisanhyoSettingRec s = Setting("", 0, 0, 4, 10);
    s.SisetuCode.clear();
    s.SisetuSingle = 0;
    const int r = AccSisanhyoDirect(recs, last, sorts, s, last);
    ASSERT_EQ(r, FirstAccountRow + 3); // lines 1, 3 (1100), 4 (2100) and 2 (6100)
    const TBALANCE& shared = recs[FirstAccountRow + 3];
    EXPECT_EQ(shared.MSTREC, 2);
    EXPECT_EQ(shared.KAMOKU.KCODE, "-");
    EXPECT_EQ(shared.KAMOKU.USERCODE, "-");
    EXPECT_EQ(shared.KAMOKU.KNAME, "通信費");
    EXPECT_EQ(shared.KARI[33], Yen(9999 + 3000 + 50001 + 100000 + 40000 + 7));
    EXPECT_EQ(sorts[FirstAccountRow + 3].QKEY, "610016");
}

TEST_F(DirectDepartments, TaxExcludedViewRebuildsTheProvisionalTaxAccountFromTheTaxSums)
{
    AccInf.SysKcode[2] = "K335"; // 仮受消費税
    // the department's own tax in full, the common department's by the ratio: 300 + 1,000 x 25 %
    TCalcSisanhyoSettingRec s = Setting("01", 1, 1);
    s.Tax = 1;
    AccSisanhyoDirectCalc(recs, last, sorts, 1, s, last);
    EXPECT_EQ(Line("K335").KASI[33], Yen(550));
    // without allocation: the department's own tax only
    AccZanInitRecords(recs, last, sorts);
    s.Haibun = 0;
    AccSisanhyoDirectCalc(recs, last, sorts, 1, s, last);
    EXPECT_EQ(Line("K335").KASI[33], Yen(300));
    // all departments: the same figure as the closing-statement procedure gives
    std::vector<TBALANCE> proc;
    std::vector<TQSORT> sp;
    AccZanPrepareArrays(proc, sp);
    AccZanSisanhyoReadAll(proc, last, sp, last, 1, 1, 0, 0);
    AccZanInitRecords(recs, last, sorts);
    TCalcSisanhyoSettingRec all = Setting("", 0, 0, 4, 10);
    all.SisetuCode.clear();
    all.SisetuSingle = 0;
    all.Tax = 1;
    AccSisanhyoDirect(recs, last, sorts, all, last);
    int found = 0;
    for (int r = FirstAccountRow; r <= last; ++r)
        if (proc[r].MSTREC == 4) {
            ++found;
            EXPECT_EQ(proc[r].KASI[33], Yen(1300));
        }
    EXPECT_EQ(found, 1);
    EXPECT_EQ(Line("K335").KASI[33], Yen(1300));
}

TEST_F(DirectDepartments, PartWithoutSubAccountBecomesAnEntryWhenItHoldsAnAmount)
{
    // the procedure and the direct computation give the same breakdown
    std::vector<TBALANCE> proc;
    std::vector<TQSORT> sp;
    AccZanPrepareArrays(proc, sp);
    AccZanSisanhyoRead(proc, last, sp, last, "", "", 0, 0, 0, 0, 0, 0, 0);
    AccZanSisanhyoRead(recs, last, sorts, last, "", "", 0, 6, 0, 0, 0, 0, 0);
    const TBALANCE& b = Line("K131");
    ASSERT_EQ(b.HOJCNT, 2);
    EXPECT_EQ(b.HOJUTIWAKE[0].HCODE, " ");
    EXPECT_EQ(b.HOJUTIWAKE[0].HNAME, "普通預金");
    EXPECT_EQ(b.HOJUTIWAKE[0].KAISIZAN, Yen(100));
    EXPECT_EQ(b.HOJUTIWAKE[1].HNAME, "Ａ銀行");
    EXPECT_EQ(b.HOJUTIWAKE[1].RUIZAN[16], Yen(1000));
    for (int r = FirstAccountRow; r <= last; ++r)
        if (proc[r].KAMOKU.KCODE == "K131") {
            ASSERT_EQ(proc[r].HOJCNT, 2);
            for (int j = 0; j < 2; ++j) {
                EXPECT_EQ(proc[r].HOJUTIWAKE[j].HCODE, b.HOJUTIWAKE[j].HCODE);
                EXPECT_EQ(proc[r].HOJUTIWAKE[j].HNAME, b.HOJUTIWAKE[j].HNAME);
                EXPECT_EQ(proc[r].HOJUTIWAKE[j].KAISIZAN, b.HOJUTIWAKE[j].KAISIZAN);
            }
        }
}

} // namespace
