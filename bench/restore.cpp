// The road of a data set's restore from the data selection (copy of the backup into the work
// folder, trailer read and stripped, restore by the backup worker into a new file and moved over
// the data set) beside a plain gbak restore of the same backup, in the same run; goal: within 1.5
// times. The backup is a gbak backup of a generated data set (100,000 entries by default,
// KB_BENCH_RESTORE_ENTRIES to change) with the information trailer appended, made once in the
// temporary folder. Counter "xGbak": the road's time / gbak's (per iteration).
//
//   kb_bench_restore --benchmark_filter=.

#include "LargeData.h"
#include "accounting/BackupRestoreThread.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "platform/ChildProcess.h"
#include "platform/FirebirdRuntime.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;
using namespace kb;

namespace {

struct Setup {
    fs::path dir, backup, work, target;
    Setup()
    {
        // The worker hands its steps to the application's thread, as in the program.
        static int argc = 1;
        static char name[] = "kb_bench_restore";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
        const char* env = std::getenv("KB_BENCH_RESTORE_ENTRIES");
        const long entries = env && *env ? std::atol(env) : 100000;
        dir = fs::temp_directory_path() / ("kb-bench-restore-" + std::to_string(entries));
        backup = dir / "save" / "vqacc.fbk";
        work = dir / "work";
        target = dir / "target";
        FirebirdRuntime::Prepare();
        if (!fs::exists(backup)) {
            fs::remove_all(dir);
            fs::create_directories(dir / "save");
            kbtest::fixture::BuildLargeDataSet(dir / "data", entries);
            ChildProcess gbak({"gbak", "-b", "-user", "SYSDBA", (dir / "data" / "vqacc.fdb").string(), backup.string()});
            gbak.Start();
            if (gbak.Wait() != 0) throw std::runtime_error("gbak failed");
            CreateDM();
            TBackupRestoreThread trailer(*DM);
            trailer.SHOUGOU = "ベンチ商店";
            trailer.KISHU = "2025/01/01";
            trailer.KIMATU = "2025/12/31";
            trailer.SIWAKE = static_cast<std::int32_t>(entries);
            trailer.TOTALSIWAKE = static_cast<std::int32_t>(entries);
            trailer.DATAVARSION = "15.0.0";
            trailer.WriteZoneInfo(backup.string());
        }
        fs::create_directories(work);
        fs::create_directories(target);
        SystemDef.DbUser = "SYSDBA";
        SystemDef.DbPassword = "masterkey";
        SystemDef.LogDir = dir.string();
        CreateDM();
    }
};

Setup& TheSetup()
{
    static Setup s;
    return s;
}

double Seconds(const std::chrono::steady_clock::time_point& from)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// The selection's road: work copy, trailer strip, the worker's restore (new file, then moved).
double RestoreRoad(Setup& s)
{
    const auto t0 = std::chrono::steady_clock::now();
    const fs::path copy = s.work / "vqacc.fbk";
    fs::copy_file(s.backup, copy, fs::copy_options::overwrite_existing);
    TBackupRestoreThread job(*DM);
    if (!job.ReadZoneInfo(copy.string(), true)) throw std::runtime_error("no trailer");
    job.ProcessName = "データ選択";
    job.Mode = 1;
    job.Route = 0;
    job.DatabaseFile = (s.target / "vqacc.fdb").string();
    job.BackupFile = copy.string();
    job.CheckMyNumberFlag = 0;
    if (!RunBackupRestoreJob(job, "bench")) throw std::runtime_error(JobErrorText(job));
    return Seconds(t0);
}

// The same backup restored by gbak alone (the trailer is beyond the end gbak reads).
double PlainGbak(Setup& s)
{
    const auto t0 = std::chrono::steady_clock::now();
    ChildProcess gbak({"gbak", "-rep", "-user", "SYSDBA", s.backup.string(), (s.target / "plain.fdb").string()});
    gbak.Start();
    if (gbak.Wait() != 0) throw std::runtime_error("gbak restore failed");
    return Seconds(t0);
}

void BM_RestoreRoadBesideGbak(benchmark::State& state)
{
    Setup& s = TheSetup();
    double road = 0, plain = 0;
    for (auto _ : state) {
        const double r = RestoreRoad(s);
        road += r;
        plain += PlainGbak(s);
        state.SetIterationTime(r);
    }
    state.counters["xGbak"] = plain > 0 ? road / plain : 0;
    state.counters["gbakSeconds"] = plain / static_cast<double>(state.iterations());
}

} // namespace

BENCHMARK(BM_RestoreRoadBesideGbak)->Unit(benchmark::kSecond)->Iterations(3)->UseManualTime();
