#pragma once
// Shared by the linkage benchmarks: generated data sets of N journal entries (kb-make-fixture --large
// N: 200 accounts, every 20th with ten sub-accounts, each account on a closing-statement line of its
// own), in two shapes, and the baseline every figure is set against.
//
// Shapes: "without our indexes" is the schema as the accounting application makes it (the indexes
// that db/accounting.sql adds for this program's speed are dropped: IX_SIWAKE_OLDRATE and the KCODE
// indexes of KAMOKU_SZ, KAMOKU_MS, KAMOKU_PZ); "with" keeps db/accounting.sql as it is.
//
// Baseline: one plain SELECT KCODE, MNUM, SUM(...) FROM KAMOKU_MS GROUP BY KCODE, MNUM on the same
// connection, timed in every iteration right after the measured step, so that a ratio of the two
// is taken under the same load. Each benchmark reports its own time and the counter "xGroupBy".

#include <benchmark/benchmark.h>

#include "core/DataModule.h"
#include "fb/Database.h"
#include "fb/Statement.h"
#include "platform/Currency.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace kbbench {

namespace fs = std::filesystem;

inline fs::path BuildDir()
{
    if (const char* b = std::getenv("KB_BUILD_DIR"); b && *b) return b;
    // the benchmarks live in <build>/bench
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path();
}

// Runs a program and waits for it; an exit code other than `exitCode` fails.
inline void Run(const std::vector<std::string>& args, int exitCode = 0)
{
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) throw std::runtime_error("cannot start " + args[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != exitCode) throw std::runtime_error(args[0] + " failed");
}

inline void Connect(const fs::path& db)
{
    kb::CreateDM();
    auto& c = kb::DM->IBDatabaseDAT;
    c.SetDatabaseName(db.string());
    c.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
    c.Open();
}

inline void Disconnect()
{
    kb::DM->IBDatabaseDAT.Close();
    kb::FreeDM();
}

inline void Exec(const std::string& sql)
{
    kb::fb::TransactionGuard g(kb::DM->IBTransactionDAT);
    kb::fb::Statement q(kb::DM->IBDatabaseDAT, &kb::DM->IBTransactionDAT);
    q.SetSQL(sql);
    q.ExecQuery();
    g.Commit();
}

// One closing-statement line per account (its group, its place in the group).
inline void AddLayout()
{
    kb::fb::TransactionGuard g(kb::DM->IBTransactionDAT);
    kb::fb::Statement read(kb::DM->IBDatabaseDAT, &kb::DM->IBTransactionDAT);
    read.SetSQL("SELECT REC, GROUPM1 FROM KAMOKUMST ORDER BY REC");
    std::vector<std::pair<int, std::string>> accounts;
    for (read.ExecQuery(); !read.Eof(); read.Next())
        accounts.emplace_back(read.FieldByName("REC").AsInteger(), read.FieldByName("GROUPM1").AsString());
    read.Close();
    kb::fb::Statement ins(kb::DM->IBDatabaseDAT, &kb::DM->IBTransactionDAT);
    ins.SetSQL("INSERT INTO EXTERKS (REC, KUBUN, KGROUP, SUBREC, KNAME1) VALUES (:REC, 0, :KGROUP, :SUBREC, '')");
    std::map<std::string, int> sub;
    for (const auto& [rec, group] : accounts) {
        ins.ParamByName("REC").SetInteger(rec);
        ins.ParamByName("KGROUP").SetString(group);
        ins.ParamByName("SUBREC").SetInteger(++sub[group]);
        ins.ExecQuery();
    }
    kb::fb::Statement upd(kb::DM->IBDatabaseDAT, &kb::DM->IBTransactionDAT);
    upd.SetSQL("UPDATE KAMOKUMST SET EXT1_KS = REC");
    upd.ExecQuery();
    g.Commit();
}

struct BenchRoot {
    fs::path base;
    std::map<std::pair<long, bool>, fs::path> sets;
    BenchRoot()
    {
        std::string tmpl = (fs::temp_directory_path() / "kbbench-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        base = tmpl;
    }
    ~BenchRoot()
    {
        std::error_code ec;
        fs::remove_all(base, ec);
    }
};

inline BenchRoot& Root()
{
    static BenchRoot root;
    return root;
}

// The data folder of N entries in the given shape: the set as db/accounting.sql makes it is
// generated once per run; the one without our indexes is a copy of it with them dropped.
inline const fs::path& DataFolder(long entries, bool ownIndexes)
{
    auto& root = Root();
    const auto key = std::make_pair(entries, ownIndexes);
    if (auto it = root.sets.find(key); it != root.sets.end()) return it->second;
    const fs::path folder = root.base / (std::to_string(entries) + (ownIndexes ? "i" : ""));
    if (ownIndexes) {
        Run({(BuildDir() / "kb-make-fixture").string(), "--large", std::to_string(entries), folder.string()});
        Connect(folder / "vqacc.fdb");
        AddLayout();
        Disconnect();
    } else {
        const fs::path& full = DataFolder(entries, true);
        fs::create_directories(folder);
        for (const auto& f : fs::directory_iterator(full)) fs::copy(f.path(), folder / f.path().filename());
        Connect(folder / "vqacc.fdb");
        for (const char* ix : {"IX_SIWAKE_OLDRATE", "IX_KAMOKU_SZ_KCODE", "IX_KAMOKU_MS_KCODE", "IX_KAMOKU_PZ_KCODE"})
            Exec(std::string("DROP INDEX ") + ix);
        Disconnect();
    }
    return root.sets[key] = folder;
}

// The baseline read on the open data set.
inline void GroupBy()
{
    kb::fb::TransactionGuard g(kb::DM->IBTransactionDATSS);
    kb::fb::Statement q(kb::DM->IBDatabaseDAT, &kb::DM->IBTransactionDATSS);
    q.SetSQL("SELECT KCODE, MNUM, SUM(KAR_NUK + KAR_TAX) AS KAR, SUM(KAS_NUK + KAS_TAX) AS KAS FROM KAMOKU_MS "
             "GROUP BY KCODE, MNUM");
    kb::Currency total;
    for (q.ExecQuery(); !q.Eof(); q.Next()) total += q.FieldByName("KAR").AsCurrency() - q.FieldByName("KAS").AsCurrency();
    benchmark::DoNotOptimize(total);
    q.Close();
    g.Commit();
}

// Runs step and then baseline in every iteration; the benchmark's time is the step's, the counter
// "xGroupBy" the ratio of the two totals. Register with UseManualTime().
template <class Step, class Baseline>
void TimeAgainst(benchmark::State& state, Step&& step, Baseline&& baseline)
{
    using clock = std::chrono::steady_clock;
    double stepTotal = 0, baseTotal = 0;
    for (auto _ : state) {
        const auto a = clock::now();
        step();
        const auto b = clock::now();
        baseline();
        const auto c = clock::now();
        const double s = std::chrono::duration<double>(b - a).count();
        stepTotal += s;
        baseTotal += std::chrono::duration<double>(c - b).count();
        state.SetIterationTime(s);
    }
    state.counters["xGroupBy"] = baseTotal > 0 ? stepTotal / baseTotal : 0;
    state.counters["GroupBy_ms"] = state.iterations() ? baseTotal * 1000 / static_cast<double>(state.iterations()) : 0;
}

// Opens the data set (open(state)), times step against the baseline and disconnects; a failure
// skips the benchmark with its message.
template <class Open, class Step>
void Measure(benchmark::State& state, Open&& open, Step&& step)
{
    try {
        open(state);
        TimeAgainst(state, step, GroupBy);
        Disconnect();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

// 10^4 and 10^5 entries, 10^6 with KB_BENCH_MILLION=1; second argument 0 without our indexes, 1 with.
inline void Sizes(benchmark::internal::Benchmark* b)
{
    std::vector<long> n = {10000, 100000};
    if (const char* m = std::getenv("KB_BENCH_MILLION"); m && std::string(m) == "1") n.push_back(1000000);
    for (long e : n)
        for (int ix : {0, 1}) b->Args({e, ix});
    b->ArgNames({"entries", "ownIndexes"})->Unit(benchmark::kMillisecond)->UseManualTime();
}

} // namespace kbbench
