// The whole DATA of the linkage file (the general reader with its balance step, the reduced-rate
// journal sums, the statement tables and the data maker) on generated data sets of 10,000 and
// 100,000 (with KB_BENCH_MILLION=1 also 1,000,000) journal entries, beside the balance step alone
// as the baseline, and once more with an index on SIWAKE.OLDRATE, which the reduced-rate sums
// otherwise read by scanning every journal line.
//
// The data sets come from the fixture tool (kb-make-fixture --large N); every account gets a
// closing-statement line, so the sales accounts (group 4100) link the reduced-rate query.

#include <benchmark/benchmark.h>

#include "accounting/uAccClasses.h"
#include "core/DataModule.h"
#include "core/DataModuleAccInfo.h"
#include "core/uAccRecord.h"
#include "core/uAccZanTable.h"
#include "fb/Database.h"
#include "fb/Statement.h"
#include "linkage/ComRendo.h"
#include "linkage/XMLSaveDoc.h"
#include "linkage/z5ComKojinKessansyo.h"
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
    std::map<std::pair<long, bool>, fs::path> sets;
    BenchRoot()
    {
        std::string tmpl = (fs::temp_directory_path() / "kbbench-linkage-XXXXXX").string();
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

void Exec(const std::string& sql)
{
    kb::fb::TransactionGuard g(kb::DM->IBTransactionDAT);
    kb::fb::Statement q(kb::DM->IBDatabaseDAT, &kb::DM->IBTransactionDAT);
    q.SetSQL(sql);
    q.ExecQuery();
    g.Commit();
}

// One closing-statement line per account (its group, its place in the group); optionally the index.
void Prepare(const fs::path& db, bool oldrateIndex)
{
    Connect(db);
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
    if (oldrateIndex) Exec("CREATE INDEX IX_SIWAKE_OLDRATE ON SIWAKE (OLDRATE)");
    Disconnect();
}

const fs::path& DataSet(long entries, bool oldrateIndex)
{
    auto& root = Root();
    const auto key = std::make_pair(entries, oldrateIndex);
    if (auto it = root.sets.find(key); it != root.sets.end()) return it->second;
    const fs::path folder = root.base / (std::to_string(entries) + (oldrateIndex ? "i" : ""));
    // the same generated journal for both variants: copy the first one made
    if (auto other = root.sets.find(std::make_pair(entries, !oldrateIndex)); other != root.sets.end()) {
        fs::create_directories(folder);
        fs::copy_file(other->second, folder / "vqacc.fdb");
        Connect(folder / "vqacc.fdb");
        if (oldrateIndex) Exec("CREATE INDEX IX_SIWAKE_OLDRATE ON SIWAKE (OLDRATE)");
        else Exec("DROP INDEX IX_SIWAKE_OLDRATE");
        Disconnect();
    } else {
        Run({Tool().string(), "--large", std::to_string(entries), folder.string()});
        Prepare(folder / "vqacc.fdb", oldrateIndex);
    }
    return root.sets[key] = folder / "vqacc.fdb";
}

void OpenDataSet(long entries, bool oldrateIndex)
{
    kb::FirebirdRuntime::Prepare();
    const fs::path& db = DataSet(entries, oldrateIndex);
    kb::ResetAccRecord();
    kb::AccZanSetTables(false);
    Connect(db);
    if (!kb::fnGetAccInfo(*kb::DM)) throw std::runtime_error("fnGetAccInfo failed");
}

void BM_BalanceStep(benchmark::State& state)
{
    try {
        OpenDataSet(state.range(0), false);
        std::vector<kb::TBALANCE> recs;
        std::vector<kb::TQSORT> sorts;
        for (auto _ : state) {
            kb::AccZanPrepareArrays(recs, sorts);
            kb::LedgerKessansyoBalance(recs, sorts, 0, 0);
            benchmark::DoNotOptimize(recs[11].TOUZAN);
        }
        Disconnect();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

void WholeData(benchmark::State& state, bool oldrateIndex)
{
    try {
        OpenDataSet(state.range(0), oldrateIndex);
        for (auto _ : state) {
            kb::TXmlSaveDoc doc("1.0", "", "Shift_JIS");
            doc.CreateRoot("REPORT");
            kb::SyotokuzeiWriteData(doc, {1, 1, true, 0});
            benchmark::DoNotOptimize(doc.Root());
        }
        Disconnect();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

void BM_WholeData(benchmark::State& state) { WholeData(state, false); }
void BM_WholeDataOldrateIndex(benchmark::State& state) { WholeData(state, true); }

void Sizes(benchmark::internal::Benchmark* b)
{
    b->Arg(10000)->Arg(100000);
    if (const char* m = std::getenv("KB_BENCH_MILLION"); m && std::string(m) == "1") b->Arg(1000000);
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_BalanceStep)->Apply(Sizes);
BENCHMARK(BM_WholeData)->Apply(Sizes);
BENCHMARK(BM_WholeDataOldrateIndex)->Apply(Sizes);

} // namespace
