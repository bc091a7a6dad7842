// Time to build a large data set of 100,000 journal entries (200 accounts, ten sub-accounts on every
// 20th) with the fixture tool: schema, masters, and the entries generated inside the server with the
// journal triggers keeping the monthly sums.

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

fs::path Tool()
{
    if (const char* b = std::getenv("KB_BUILD_DIR"); b && *b) return fs::path(b) / "kb-make-fixture";
    // the benchmark lives in <build>/bench, the tool in <build>
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "kb-make-fixture";
}

void Run(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + args[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(args[0] + " failed");
}

void BM_BuildLargeDataSet(benchmark::State& state)
{
    const fs::path tool = Tool();
    std::string tmpl = (fs::temp_directory_path() / "kbbench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        state.SkipWithError("mkdtemp failed");
        return;
    }
    const fs::path base = tmpl;
    int n = 0;
    for (auto _ : state) {
        const fs::path folder = base / std::to_string(++n);
        Run({tool.string(), "--large", std::to_string(state.range(0)), folder.string()});
        state.PauseTiming();
        fs::remove_all(folder);
        state.ResumeTiming();
    }
    fs::remove_all(base);
    state.counters["entries/s"] = benchmark::Counter(static_cast<double>(state.range(0)) * state.iterations(),
                                                     benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_BuildLargeDataSet)->Arg(100000)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
