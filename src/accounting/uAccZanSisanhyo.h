#pragma once
// uAccZanSisanhyo: the three entry points through which every caller outside the accounting
// subsystem reads a trial balance and computes its figures. The medical-corporation flag of the
// open data set (AccInf.IryouHoujin) chooses the path: the normal reader (AccSisanhyoRead) and
// computation (pcBalanceSheet_Calcu), or the medical-corporation variants (uAccMbSisanhyou), which
// alone receive MedicalArg, the business division.
//
// Failures raise (after the readers have reported them): the caller ends its work with a failure
// and never uses partly filled arrays.

#include "accounting/uAccClasses.h"

#include <string>
#include <vector>

namespace kb {

void AccZanSisanhyoRead(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts, int LastSort,
                        const std::string& SisetuCode, const std::string& BumonCode, int Tax, int Selection, int Layout,
                        int StatementKind, int Haibun, int MedicalArg, int PrevTax);

// The whole year as the income-tax linkage reads it: medical data with the medical reader's
// defaults; other data the closing-statement layout (4), statement kind 1, selection Kind x 10.
void AccZanSisanhyoReadAll(std::vector<TBALANCE>& Recs, int LastRec, std::vector<TQSORT>& Sorts, int LastSort, int Kind,
                           int Tax, int MedicalArg, int PrevTax);

void AccZanSisanhyoCalc(std::vector<TBALANCE>& Recs, int LastRec, int OpeningZero, int Selector, int FirstPeriod,
                        int LastPeriod, int MedicalArg);

} // namespace kb
