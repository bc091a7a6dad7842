// The balance step as the accounting layer offers it (AccZanSisanhyoReadAll + AccZanSisanhyoCalc
// over the closing-statement layout) and the direct computation over the same lines, each set
// against the GROUP BY baseline of the same run (see BenchDataSet.h), on data sets of 10^4, 10^5
// and (KB_BENCH_MILLION=1) 10^6 journal entries, without and with our own indexes.

#include "BenchDataSet.h"

#include "accounting/uAccBalanceSheet.h"
#include "accounting/uAccClasses.h"
#include "accounting/uAccSisanhyoDirect.h"
#include "accounting/uAccSisanhyoKessan.h"
#include "accounting/uAccZanSisanhyo.h"
#include "core/uAccRecord.h"
#include "core/uAccZanTable.h"
#include "platform/FirebirdRuntime.h"

namespace {

void OpenDataSet(const benchmark::State& state)
{
    kb::FirebirdRuntime::Prepare();
    const auto& folder = kbbench::DataFolder(state.range(0), state.range(1) != 0);
    kb::ResetAccRecord();
    kb::AccZanSetTables(false);
    kb::AccInf.DATATYPE = 2;
    kb::AccInf.CODETYPE = 1;
    kb::AccInf.KAISINO = 1;
    kbbench::Connect(folder / "vqacc.fdb");
}

// The closing-statement rows alone (the grouped reads and their assembly).
// The closing-statement rows alone (the grouped reads and their assembly).
void BM_KessanRows(benchmark::State& state)
{
    kbbench::Measure(state, OpenDataSet, [&] {
        kb::fb::TransactionGuard g(kb::DM->IBTransactionDATSS);
        auto rows = kb::AccSisanhyoKessanRows(kb::DM->IBDatabaseDAT, kb::DM->IBTransactionDATSS, 0);
        benchmark::DoNotOptimize(rows.data());
        g.Commit();
    });
}

// The summary computation alone, over records read once.
void BM_SisanhyoCalc(benchmark::State& state)
{
    std::vector<kb::TBALANCE> recs;
    std::vector<kb::TQSORT> sorts;
    int last = 0;
    auto open = [&](const benchmark::State& st) {
        OpenDataSet(st);
        last = kb::AccZanPrepareArrays(recs, sorts);
        kb::AccZanSisanhyoReadAll(recs, last, sorts, last, 1, 0, 0, 0);
    };
    kbbench::Measure(state, open, [&] {
        kb::AccZanSisanhyoCalc(recs, last, 0, -1, 1, 16, 0);
        benchmark::DoNotOptimize(recs[11].TOUZAN);
    });
}

void BM_SisanhyoReadAllCalc(benchmark::State& state)
{
    std::vector<kb::TBALANCE> recs;
    std::vector<kb::TQSORT> sorts;
    kbbench::Measure(state, OpenDataSet, [&] {
        const int last = kb::AccZanPrepareArrays(recs, sorts);
        kb::AccZanSisanhyoReadAll(recs, last, sorts, last, 1, 0, 0, 0);
        kb::AccZanSisanhyoCalc(recs, last, 0, -1, 1, 16, 0);
        benchmark::DoNotOptimize(recs[11].TOUZAN);
    });
}

// The direct computation over the same lines, summarised.
void BM_SisanhyoDirectCalc(benchmark::State& state)
{
    std::vector<kb::TBALANCE> recs;
    std::vector<kb::TQSORT> sorts;
    kb::TCalcSisanhyoSettingRec s;
    s.Selection = 10;
    s.Layout = 4;
    s.StatementKind = 1;
    kbbench::Measure(state, OpenDataSet, [&] {
        const int last = kb::AccZanPrepareArrays(recs, sorts);
        kb::AccSisanhyoDirect(recs, last, sorts, s, last);
        kb::pcBalanceSheet_Calcu(recs, last, 0, -1, 1, 16, {});
        benchmark::DoNotOptimize(recs[11].TOUZAN);
    });
}

} // namespace

BENCHMARK(BM_KessanRows)->Apply(kbbench::Sizes);
BENCHMARK(BM_SisanhyoCalc)->Apply(kbbench::Sizes);
BENCHMARK(BM_SisanhyoReadAllCalc)->Apply(kbbench::Sizes);
BENCHMARK(BM_SisanhyoDirectCalc)->Apply(kbbench::Sizes);
