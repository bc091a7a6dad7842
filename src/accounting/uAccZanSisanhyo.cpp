#include "accounting/uAccZanSisanhyo.h"

#include "accounting/uAccBalanceSheet.h"
#include "accounting/uAccMbSisanhyou.h"
#include "accounting/uAccSisanhyou.h"
#include "core/uAccRecord.h"

namespace kb {

void AccZanSisanhyoRead(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts, int LastSort,
                        const std::string& SisetuCode, const std::string& BumonCode, int Tax, int Selection, int Layout,
                        int StatementKind, int Haibun, int MedicalArg, int PrevTax)
{
    // held for the whole call: a caller may pass texts that the read itself changes
    const std::string sisetu = SisetuCode;
    const std::string bumon = BumonCode;
    if (AccInf.IryouHoujin) {
        AccMbSisanhyoRead(Recs, LastRec, Sorts, LastSort, sisetu, bumon, Tax, Selection, Layout, StatementKind, Haibun,
                          MedicalArg);
        return;
    }
    AccSisanhyoRead(Recs, LastRec, Sorts, LastSort, sisetu, bumon, Tax, Selection, Layout, StatementKind, Haibun, PrevTax);
}

void AccZanSisanhyoReadAll(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts, int LastSort, int Kind,
                           int Tax, int MedicalArg, int PrevTax)
{
    if (AccInf.IryouHoujin)
        AccZanSisanhyoRead(Recs, LastRec, Sorts, LastSort, "", "", Tax, 0, 3, 1, 0, MedicalArg, 0);
    else
        AccZanSisanhyoRead(Recs, LastRec, Sorts, LastSort, "dummy", "dummy", Tax, Kind * 10, 4, 1, 0, MedicalArg, PrevTax);
}

void AccZanSisanhyoCalc(std::vector<TBALANCE>& Recs, int LastRec, int OpeningZero, int Selector, int FirstPeriod,
                        int LastPeriod, int MedicalArg)
{
    if (AccInf.IryouHoujin) {
        AccMbSisanhyoCalc(Recs, LastRec, OpeningZero, Selector, FirstPeriod, LastPeriod, MedicalArg);
        return;
    }
    pcBalanceSheet_Calcu(Recs, LastRec, OpeningZero, Selector, FirstPeriod, LastPeriod);
}

} // namespace kb
