// The MySQL import script writer on the generated data set of 100,000 journal entries, set against
// a baseline that runs the same 46 queries in the same snapshot and only fetches the rows, timed in
// the same iteration. Counters: "xFetch" (writer / baseline, aimed within 2), "Script_MB" and
// "MaxRSS_MB" (the peak resident size; rows are streamed, so it stays flat as the set grows).

#include "BenchDataSet.h"

#include "core/uAccRecord.h"
#include "exchange/WebDbSqlDump.h"
#include "platform/FirebirdRuntime.h"

#include <sys/resource.h>

namespace {

double MaxRssMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

void BM_WebDbSqlDump(benchmark::State& state)
{
    try {
        kb::FirebirdRuntime::Prepare();
        const auto& folder = kbbench::DataFolder(state.range(0), true);
        kb::ResetAccRecord();
        kb::AccInf.DATATYPE = 2;
        kb::AccInf.DataVerMajor = 15;
        const char* src = std::getenv("KB_SOURCE_DIR");
        kb::SystemDef.BaseDir =
            ((src && *src ? kbbench::fs::path(src) : kbbench::BuildDir().parent_path()) / "tests/fixtures/webdb").string();
        kbbench::Connect(folder / "vqacc.fdb");
        const auto out = folder / "dump";
        const auto run = [&](bool fetchOnly) {
            kb::TWebDbSqlDump w(*kb::DM);
            w.DatabaseName = "azim_d_BENCH0000000_1";
            w.FetchOnly = fetchOnly;
            w.SetWorkFolder(out);
            if (!w.WriteSqlDump()) throw std::runtime_error("dump failed: " + w.ErrorText);
        };
        using clock = std::chrono::steady_clock;
        double writer = 0, fetch = 0;
        for (auto _ : state) {
            const auto a = clock::now();
            run(false);
            const auto b = clock::now();
            state.counters["Script_MB"] = static_cast<double>(kbbench::fs::file_size(out / "vqacc.sql")) / 1e6;
            run(true);
            const auto c = clock::now();
            writer += std::chrono::duration<double>(b - a).count();
            fetch += std::chrono::duration<double>(c - b).count();
            state.SetIterationTime(std::chrono::duration<double>(b - a).count());
        }
        state.counters["xFetch"] = fetch > 0 ? writer / fetch : 0;
        state.counters["MaxRSS_MB"] = MaxRssMb();
        kbbench::Disconnect();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

} // namespace

BENCHMARK(BM_WebDbSqlDump)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
