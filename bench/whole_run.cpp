// A whole wizard run through kb-e2e-driver (its own process: start, log-on, data selection, the
// linkage file written, close) on a data root whose data set 0001 is a generated one of N journal
// entries, set against attach + the GROUP BY baseline + detach of the same data set in this process,
// timed right after each run ("xGroupBy"). The run also pays the start of a process (Qt, the embedded
// database engine, log-on on the system database) that the in-process baseline does not; so each
// iteration also times an empty start of the same program (kb-e2e-driver --cancel-at page1: start,
// log-on, first page, cancel, no data set touched), and "xStartGroupBy" sets the run against that
// start plus attach + GROUP BY + detach. 10^4, 10^5 and (KB_BENCH_MILLION=1) 10^6 entries, without and with our
// own indexes (see BenchDataSet.h).

#include "BenchDataSet.h"

#include "FixtureBuilder.h"
#include "platform/FirebirdRuntime.h"

#include <cstdlib>

namespace {

namespace fs = std::filesystem;

// A data root of the fixtures with data set 0001 replaced by the generated one.
fs::path Root(long entries, bool ownIndexes)
{
    static std::map<std::pair<long, bool>, fs::path> roots;
    const auto key = std::make_pair(entries, ownIndexes);
    if (auto it = roots.find(key); it != roots.end()) return it->second;
    const fs::path root = kbbench::Root().base / ("root" + std::to_string(entries) + (ownIndexes ? "i" : ""));
    kbtest::fixture::BuildDataRoot(root);
    const fs::path data = root / "data" / "0001";
    const fs::path& generated = kbbench::DataFolder(entries, ownIndexes);
    fs::copy_file(generated / "vqacc.fdb", data / "vqacc.fdb", fs::copy_options::overwrite_existing);
    fs::remove(data / "vqacc.ini");
    return roots[key] = root;
}

void BM_WholeRun(benchmark::State& state)
{
    try {
        kb::FirebirdRuntime::Prepare();
        const fs::path root = Root(state.range(0), state.range(1) != 0);
        const fs::path data = root / "data" / "0001";
        const fs::path run = kbbench::Root().base / "run";
        fs::create_directories(run);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("KB_RUNTIME_DIR", run.c_str(), 1);
        ::setenv("KB_COMPUTER_NAME", "PC-BENCH", 1);
        const std::string driver = (kbbench::BuildDir() / "kb-e2e-driver").string();
        int n = 0;
        double runTotal = 0, startTotal = 0, attachTotal = 0;
        auto since = [](std::chrono::steady_clock::time_point t) {
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
        };
        kbbench::TimeAgainst(
            state,
            [&] {
                // a new file each run, so that no run is asked about overwriting
                const fs::path output = run / ("out" + std::to_string(++n) + ".xml");
                const auto a = std::chrono::steady_clock::now();
                kbbench::Run({driver, "--root", root.string(), "--data", data.string(), "--output", output.string()});
                runTotal += since(a);
            },
            [&] {
                const auto a = std::chrono::steady_clock::now();
                kbbench::Connect(data / "vqacc.fdb");
                kbbench::GroupBy();
                kbbench::Disconnect();
                attachTotal += since(a);
                const auto b = std::chrono::steady_clock::now();
                // cancelled on the first page: outcome 1
                kbbench::Run({driver, "--root", root.string(), "--data", data.string(), "--output",
                              (run / "cancelled.xml").string(), "--cancel-at", "page1"},
                             1);
                startTotal += since(b);
            });
        // TimeAgainst counted the empty start into its baseline: the ratios from the parts instead
        const double runs = static_cast<double>(state.iterations());
        state.counters["xGroupBy"] = attachTotal > 0 ? runTotal / attachTotal : 0;
        state.counters["GroupBy_ms"] = runs ? attachTotal * 1000 / runs : 0;
        state.counters["xStartGroupBy"] = attachTotal + startTotal > 0 ? runTotal / (attachTotal + startTotal) : 0;
        state.counters["EmptyStart_ms"] = runs ? startTotal * 1000 / runs : 0;
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

} // namespace

BENCHMARK(BM_WholeRun)->Apply(kbbench::Sizes)->Iterations(3);
