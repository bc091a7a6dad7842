// The transfer package's -lh5- writer beside zlib's deflate at level 6 on the same 64 MiB of backup,
// in the same run: the writer should stay within 3 times deflate's time and 1.25 times its size.
// The bytes are a gbak backup of a generated data set (kb-make-fixture --large, 100,000 entries by
// default, KB_BENCH_LHA_ENTRIES to change), repeated up to 64 MiB; the backup is made once in the
// temporary folder. Counters: "xDeflateTime" (our time / deflate's, per iteration) and
// "xDeflateSize".
//
//   kb_bench_lha_writer --benchmark_filter=.

#include "FixtureBuilder.h"
#include "LargeData.h"
#include "comm/LhaArchive.h"
#include "platform/ChildProcess.h"
#include "platform/FirebirdRuntime.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string& Backup64()
{
    static const std::string bytes = [] {
        const char* env = std::getenv("KB_BENCH_LHA_ENTRIES");
        const long entries = env && *env ? std::atol(env) : 100000;
        const fs::path dir = fs::temp_directory_path() / ("kb-bench-lha-" + std::to_string(entries));
        const fs::path fbk = dir / "vqacc.fbk";
        if (!fs::exists(fbk)) {
            kb::FirebirdRuntime::Prepare();
            fs::remove_all(dir);
            fs::create_directories(dir);
            kbtest::fixture::BuildLargeDataSet(dir / "data", entries);
            kb::ChildProcess gbak({"gbak", "-b", "-user", "SYSDBA", (dir / "data" / "vqacc.fdb").string(),
                                   (dir / "part.fbk").string()});
            gbak.Start();
            if (gbak.Wait() != 0) throw std::runtime_error("gbak failed");
            fs::rename(dir / "part.fbk", fbk);
        }
        std::ifstream in(fbk, std::ios::binary);
        const std::string one((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string all;
        const std::size_t target = 64u << 20;
        all.reserve(target);
        while (all.size() < target) all += one.substr(0, target - all.size());
        return all;
    }();
    return bytes;
}

std::size_t Deflate6(const std::string& in)
{
    uLongf outLen = compressBound(static_cast<uLong>(in.size()));
    std::string out(outLen, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &outLen, reinterpret_cast<const Bytef*>(in.data()),
                  static_cast<uLong>(in.size()), 6)
        != Z_OK)
        throw std::runtime_error("deflate failed");
    return outLen;
}

void BM_Lh5BesideDeflate(benchmark::State& state)
{
    const std::string& data = Backup64();
    double ratioTime = 0, ratioSize = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const std::string packed = kb::lha::CompressLh5(data);
        const auto t1 = std::chrono::steady_clock::now();
        state.PauseTiming();
        const auto z0 = std::chrono::steady_clock::now();
        const std::size_t zsize = Deflate6(data);
        const auto z1 = std::chrono::steady_clock::now();
        state.ResumeTiming();
        ratioTime = std::chrono::duration<double>(t1 - t0).count() / std::chrono::duration<double>(z1 - z0).count();
        ratioSize = static_cast<double>(packed.size()) / static_cast<double>(zsize);
        benchmark::DoNotOptimize(packed.data());
    }
    state.counters["xDeflateTime"] = ratioTime;
    state.counters["xDeflateSize"] = ratioSize;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
}
BENCHMARK(BM_Lh5BesideDeflate)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
