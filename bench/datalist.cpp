// Refreshing a data list of 2,000 data sets (every line re-read from its folder, its database and
// its information file, and written back to the registry) beside the least such a refresh must do:
// attach and detach each data set's database once. The data sets are one small template database
// copied 2,000 times; the registry rows point at the copies.
//
//   kb_bench_datalist --benchmark_filter=.   (the data root is made once, in the temporary folder)

#include "FixtureBuilder.h"
#include "core/DataModule.h"
#include "core/ErrorReporter.h"
#include "core/uAccRecord.h"
#include "dataselect/z5DataSentaku.h"
#include "fb/Database.h"
#include "fb/Statement.h"
#include "platform/FirebirdRuntime.h"
#include "ui/xAnimeProgressDialog.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;
namespace fx = kbtest::fixture;
using namespace kb;

namespace {

constexpr int kDataSets = 2000;

struct Registry {
    fs::path root;
    fx::DataRoot layout;
    std::vector<std::string> folders;

    Registry()
    {
        FirebirdRuntime::Prepare();
        root = fs::temp_directory_path() / ("kb-bench-datalist-" + std::to_string(::getpid()));
        fs::remove_all(root);
        layout = fx::LayoutFor(root);
        fs::create_directories(layout.sysDir);
        const fs::path tmpl = root / "template";
        fx::BuildCorporationDataSet(tmpl, 1);
        fx::BuildSystemDatabase(layout, {});
        for (int i = 1; i <= kDataSets; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "%.4d", i);
            const fs::path f = layout.sysDir / name;
            fs::create_directories(f);
            fs::copy_file(tmpl / "vqacc.fdb", f / "vqacc.fdb", fs::copy_options::overwrite_existing);
            fs::copy_file(tmpl / "vqacc.ini", f / "vqacc.ini", fs::copy_options::overwrite_existing);
            folders.push_back(f.string());
        }
        SystemDef.SysDir = layout.sysDir.string();
        SystemDef.AppDataDir = layout.homeDir.string();
        SystemDef.LogDir = (root / "log").string();
        fs::create_directories(root / "log");
        SystemDef.DbUser = "SYSDBA";
        SystemDef.DbPassword = "masterkey";
        SystemDef.GroupId = 10000;
        SystemDef.OpCode = 100000010;
        SystemDef.SysDbMajor = 12;
        CreateDM();
        if (!DM->fnAccDefConnected("", true)) throw std::runtime_error("system database");
        fb::TransactionGuard g(DM->IBTransactionDEF);
        fb::Statement q(DM->IBDatabaseDEF, &DM->IBTransactionDEF);
        q.SetSQL("DELETE FROM DATALIST");
        q.ExecQuery();
        q.SetSQL("INSERT INTO DATALIST(REC,GROUPID,ENTTEXT,SHOUGOU,PASNAME,DATATYPE,CODETYPE,NENDO,KISHU,KIMATU,"
                 "VER_MAJOR,DATACODE) VALUES(:REC,10000,:ENTTEXT,:SHOUGOU,:PASNAME,1,1,12,:KISHU,:KIMATU,15,:DATACODE)");
        for (int i = 1; i <= kDataSets; ++i) {
            q.ParamByName("REC").SetInteger(i);
            q.ParamByName("ENTTEXT").SetString("データ" + std::to_string(i));
            q.ParamByName("SHOUGOU").SetString("株式会社見本");
            q.ParamByName("PASNAME").SetString(folders[static_cast<std::size_t>(i - 1)]);
            q.ParamByName("KISHU").SetDate(Date(2025, 1, 1));
            q.ParamByName("KIMATU").SetDate(Date(2025, 12, 31));
            char code[16];
            std::snprintf(code, sizeof code, "%.4d", i);
            q.ParamByName("DATACODE").SetString(code);
            q.ExecQuery();
        }
        g.Commit();
    }
    ~Registry()
    {
        FreeDM();
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

Registry& Reg()
{
    static int argc = 1;
    static char arg0[] = "kb_bench_datalist";
    static char* argv[] = {arg0, nullptr};
    static std::unique_ptr<QApplication> app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return std::make_unique<QApplication>(argc, argv);
    }();
    static Registry r;
    return r;
}

// The floor: each data set's database attached and detached once.
void BM_AttachDetachEach(benchmark::State& state)
{
    Registry& r = Reg();
    for (auto _ : state) {
        for (const auto& f : r.folders) {
            fb::Connection c;
            c.SetDatabaseName(TDM::ServerPath("", f, DataFileName));
            TDM::SetLoginParams(c);
            c.Open();
            c.Close();
        }
    }
    state.counters["data_sets"] = static_cast<double>(r.folders.size());
}

// The dialog's whole-list refresh, the event loop running after every line.
void BM_DataListRefresh(benchmark::State& state)
{
    Registry& r = Reg();
    {
        // A first refresh brings the registry rows and information files in step with the
        // databases; the timed ones find them so, as the list-update button usually does.
        TDataSentakuBox box;
        box.SetParams({"SyoriType=3", "FormStyle=2"});
        box.InitDisplay(1);
        box.DataListRefresh(-1);
    }
    for (auto _ : state) {
        state.PauseTiming();
        TDataSentakuBox box;
        box.SetParams({"SyoriType=3", "FormStyle=2"});
        box.InitDisplay(1);
        if (box.LineCount() != kDataSets) state.SkipWithError("the list is not complete");
        state.ResumeTiming();
        box.DataListRefresh(-1);
    }
    state.counters["data_sets"] = static_cast<double>(r.folders.size());
}

} // namespace

BENCHMARK(BM_AttachDetachEach)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_DataListRefresh)->Unit(benchmark::kMillisecond)->Iterations(2);
