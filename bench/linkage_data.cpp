// The linkage's ledger step (LedgerKessansyoBalance, as the general reader calls it) and the whole
// DATA of the linkage file (the general reader with its balance step, the reduced-rate journal sums,
// the statement tables and the data maker), each set against the GROUP BY baseline of the same run
// (see BenchDataSet.h), on data sets of 10^4, 10^5 and (KB_BENCH_MILLION=1) 10^6 journal entries,
// without our own indexes (the schema as the accounting application makes it) and with them.

#include "BenchDataSet.h"

#include "accounting/uAccClasses.h"
#include "core/DataModuleAccInfo.h"
#include "core/uAccRecord.h"
#include "core/uAccZanTable.h"
#include "linkage/ComRendo.h"
#include "linkage/XMLSaveDoc.h"
#include "linkage/z5ComKojinKessansyo.h"
#include "platform/FirebirdRuntime.h"

namespace {

void OpenDataSet(const benchmark::State& state)
{
    kb::FirebirdRuntime::Prepare();
    const auto& folder = kbbench::DataFolder(state.range(0), state.range(1) != 0);
    kb::ResetAccRecord();
    kb::AccZanSetTables(false);
    kbbench::Connect(folder / "vqacc.fdb");
    if (!kb::fnGetAccInfo(*kb::DM)) throw std::runtime_error("fnGetAccInfo failed");
}

void BM_LedgerStep(benchmark::State& state)
{
    std::vector<kb::TBALANCE> recs;
    std::vector<kb::TQSORT> sorts;
    kbbench::Measure(state, OpenDataSet, [&] {
        kb::AccZanPrepareArrays(recs, sorts);
        kb::LedgerKessansyoBalance(recs, sorts, 0, 0);
        benchmark::DoNotOptimize(recs[11].TOUZAN);
    });
}

void BM_WholeData(benchmark::State& state)
{
    kbbench::Measure(state, OpenDataSet, [&] {
        kb::TXmlSaveDoc doc("1.0", "", "Shift_JIS");
        doc.CreateRoot("REPORT");
        kb::SyotokuzeiWriteData(doc, {1, 1, true, 0});
        benchmark::DoNotOptimize(doc.Root());
    });
}

} // namespace

BENCHMARK(BM_LedgerStep)->Apply(kbbench::Sizes);
BENCHMARK(BM_WholeData)->Apply(kbbench::Sizes);
