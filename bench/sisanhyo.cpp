// The linkage's balance step (AccZanSisanhyoReadAll + AccZanSisanhyoCalc over the closing-statement
// layout) on generated data sets of 10,000, 100,000 and (with KB_BENCH_MILLION=1, a few minutes
// to generate) 1,000,000 journal entries, beside a baseline that reads the same monthly sums with
// one plain SELECT ... GROUP BY on the same database in the same run.
//
// The data sets come from the fixture tool (kb-make-fixture --large N: 200 accounts, every 20th
// with ten sub-accounts); the benchmark gives every account a closing-statement line of its own.
// The journal count should not matter: the triggers keep the monthly sums.

#include <benchmark/benchmark.h>

#include "accounting/uAccBalanceSheet.h"
#include "accounting/uAccClasses.h"
#include "accounting/uAccSisanhyoDirect.h"
#include "accounting/uAccZanSisanhyo.h"
#include "core/DataModule.h"
#include "core/uAccRecord.h"
#include "core/uAccZanTable.h"
#include "fb/Database.h"
#include "fb/Statement.h"
#include "platform/FirebirdRuntime.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

fs::path Tool()
{
    if (const char* b = std::getenv("KB_BUILD_DIR"); b && *b) return fs::path(b) / "kb-make-fixture";
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "kb-make-fixture";
}

void Run(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) throw std::runtime_error("cannot start " + args[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(args[0] + " failed");
}

struct BenchRoot {
    fs::path base;
    std::map<long, fs::path> sets;
    BenchRoot()
    {
        std::string tmpl = (fs::temp_directory_path() / "kbbench-sisanhyo-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        base = tmpl;
    }
    ~BenchRoot()
    {
        std::error_code ec;
        fs::remove_all(base, ec);
    }
};

BenchRoot& Root()
{
    static BenchRoot root;
    return root;
}

void Connect(const fs::path& db)
{
    kb::CreateDM();
    auto& c = kb::DM->IBDatabaseDAT;
    c.SetDatabaseName(db.string());
    c.Params() = {"user_name=SYSDBA", "password=masterkey", "lc_ctype=SJIS_0208"};
    c.Open();
}

void Disconnect()
{
    kb::DM->IBDatabaseDAT.Close();
    kb::FreeDM();
}

// One closing-statement line per account: KGROUP its group, SUBREC its place in the group.
void AddLayout(const fs::path& db)
{
    Connect(db);
    {
        kb::fb::Transaction tr(&kb::DM->IBDatabaseDAT, kb::fb::Transaction::ReadCommitted());
        kb::fb::TransactionGuard g(tr);
        kb::fb::Statement read(kb::DM->IBDatabaseDAT, &tr);
        read.SetSQL("SELECT REC, GROUPM1, KNAME FROM KAMOKUMST ORDER BY REC");
        struct A { int rec; std::string group, name; };
        std::vector<A> accounts;
        for (read.ExecQuery(); !read.Eof(); read.Next())
            accounts.push_back({read.FieldByName("REC").AsInteger(), read.FieldByName("GROUPM1").AsString(),
                                read.FieldByName("KNAME").AsString()});
        kb::fb::Statement ins(kb::DM->IBDatabaseDAT, &tr);
        ins.SetSQL("INSERT INTO EXTERKS (REC, KUBUN, KGROUP, SUBREC, KNAME1) VALUES (:REC, 0, :KGROUP, :SUBREC, :KNAME1)");
        std::map<std::string, int> sub;
        for (const auto& a : accounts) {
            ins.ParamByName("REC").SetInteger(a.rec);
            ins.ParamByName("KGROUP").SetString(a.group);
            ins.ParamByName("SUBREC").SetInteger(++sub[a.group]);
            ins.ParamByName("KNAME1").SetString(a.name);
            ins.ExecQuery();
        }
        kb::fb::Statement upd(kb::DM->IBDatabaseDAT, &tr);
        upd.SetSQL("UPDATE KAMOKUMST SET EXT1_KS = REC");
        upd.ExecQuery();
        g.Commit();
    }
    Disconnect();
}

const fs::path& DataSet(long entries)
{
    auto& root = Root();
    auto it = root.sets.find(entries);
    if (it != root.sets.end()) return it->second;
    const fs::path folder = root.base / std::to_string(entries);
    Run({Tool().string(), "--large", std::to_string(entries), folder.string()});
    AddLayout(folder / "vqacc.fdb");
    return root.sets[entries] = folder / "vqacc.fdb";
}

void OpenDataSet(long entries)
{
    kb::FirebirdRuntime::Prepare();
    const fs::path& db = DataSet(entries);
    kb::ResetAccRecord();
    kb::AccZanSetTables(false);
    kb::AccInf.DATATYPE = 2;
    kb::AccInf.CODETYPE = 1;
    kb::AccInf.KAISINO = 1;
    Connect(db);
}

void BM_SisanhyoReadAllCalc(benchmark::State& state)
{
    try {
        OpenDataSet(state.range(0));
        std::vector<kb::TBALANCE> recs;
        std::vector<kb::TQSORT> sorts;
        for (auto _ : state) {
            const int last = kb::AccZanPrepareArrays(recs, sorts);
            kb::AccZanSisanhyoReadAll(recs, last, sorts, last, 1, 0, 0, 0);
            kb::AccZanSisanhyoCalc(recs, last, 0, -1, 1, 16, 0);
            benchmark::DoNotOptimize(recs[11].TOUZAN);
        }
        Disconnect();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

// The same account lines computed from the balance tables (the direct computation) and summarised.
void BM_SisanhyoDirectCalc(benchmark::State& state)
{
    try {
        OpenDataSet(state.range(0));
        std::vector<kb::TBALANCE> recs;
        std::vector<kb::TQSORT> sorts;
        kb::TCalcSisanhyoSettingRec s;
        s.Selection = 10;
        s.Layout = 4;
        s.StatementKind = 1;
        for (auto _ : state) {
            const int last = kb::AccZanPrepareArrays(recs, sorts);
            kb::AccSisanhyoDirect(recs, last, sorts, s, last);
            kb::pcBalanceSheet_Calcu(recs, last, 0, -1, 1, 16, {});
            benchmark::DoNotOptimize(recs[11].TOUZAN);
        }
        Disconnect();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

void BM_MonthlySumsGroupBy(benchmark::State& state)
{
    try {
        OpenDataSet(state.range(0));
        for (auto _ : state) {
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
        Disconnect();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

void Sizes(benchmark::internal::Benchmark* b)
{
    b->Arg(10000)->Arg(100000);
    if (const char* m = std::getenv("KB_BENCH_MILLION"); m && std::string(m) == "1") b->Arg(1000000);
}

} // namespace

BENCHMARK(BM_SisanhyoReadAllCalc)->Apply(Sizes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SisanhyoDirectCalc)->Apply(Sizes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MonthlySumsGroupBy)->Apply(Sizes)->Unit(benchmark::kMillisecond)->UseRealTime();
