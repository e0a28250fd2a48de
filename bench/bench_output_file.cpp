// Cost of one rewrite of Borevane.bin, lock included: the atomic replacement the program uses
// (flushed to disk, and without the flush), against truncating and rewriting the file in place.
#include "acquisition/core/output_file.h"
#include "os/atomic_file.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

struct bench_files {
    bench_files() {
        char templ[] = "/tmp/bv-bench-XXXXXX";
        const char* made = ::mkdtemp(templ);
        dir = made ? made : "/tmp";
        bin = dir + "/Borevane.bin";
    }
    ~bench_files() {
        std::error_code ec;
        if (dir != "/tmp")
            std::filesystem::remove_all(dir, ec);
    }
    std::string dir;
    std::string bin;
};

ValueMap sample_answer() {
    ValueMap values;
    float v = 1500.0f;
    for (const char* name : output_names)
        values[name] = v += 1.25f;
    return values;
}

const std::string lock_name = "bv-bench-" + std::to_string(::getpid());

void BM_WriteOutputFile(benchmark::State& state) {
    bench_files files;
    lib::lock_object lock(lock_name.c_str());
    const ValueMap values = sample_answer();
    for (auto _ : state)
        write_output_file(values, files.bin, lock);
}

void BM_AtomicReplaceWithoutFlush(benchmark::State& state) {
    bench_files files;
    lib::lock_object lock(lock_name.c_str());
    const ValueMap values = sample_answer();
    for (auto _ : state) {
        const auto bytes = encode_output(values);
        lib::Locker hold(&lock);
        os::replace_file_atomically_unsynced(files.bin, bytes.data(), bytes.size());
    }
}

// The in-place rewrite that the atomic replacement supersedes.
void BM_TruncateAndWriteInPlace(benchmark::State& state) {
    bench_files files;
    lib::lock_object lock(lock_name.c_str());
    const ValueMap values = sample_answer();
    for (auto _ : state) {
        const auto bytes = encode_output(values);
        lib::Locker hold(&lock);
        if (std::FILE* f = std::fopen(files.bin.c_str(), "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
    }
}

void BM_LockAndUnlockOnly(benchmark::State& state) {
    lib::lock_object lock(lock_name.c_str());
    for (auto _ : state)
        lib::Locker hold(&lock);
}

constexpr int repetitions = 5;

BENCHMARK(BM_WriteOutputFile)->Unit(benchmark::kMicrosecond)->Repetitions(repetitions)->ReportAggregatesOnly(true);
BENCHMARK(BM_AtomicReplaceWithoutFlush)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(repetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_TruncateAndWriteInPlace)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(repetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_LockAndUnlockOnly)->Unit(benchmark::kMicrosecond)->Repetitions(repetitions)->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
