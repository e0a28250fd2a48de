// Throughput of decode_answer on a 1 MiB answer of many records.
#include "acquisition/core/answer_decoder.h"
#include "library/binary_buffer.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

std::vector<char> one_mib_payload() {
    lib::OutputBinaryBuffer out;
    for (int i = 0; out.get_data().size() < (1u << 20); ++i) {
        out.write_string("parameter_" + std::to_string(i % 5000));
        out.write(i * 0.5);
    }
    return out.get_data();
}

void BM_DecodeOneMiB(benchmark::State& state) {
    const auto payload = one_mib_payload();
    for (auto _ : state) {
        ValueMap values;
        decode_answer(payload.data(), payload.size(), values);
        benchmark::DoNotOptimize(values);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(payload.size()));
}
BENCHMARK(BM_DecodeOneMiB)->Unit(benchmark::kMillisecond);

// A realistic answer: the six names and a few others.
void BM_DecodeTypicalAnswer(benchmark::State& state) {
    lib::OutputBinaryBuffer out;
    for (const char* name : {"depth", "doloto_depth", "a_hook_load", "block", "pressure", "rop", "rpm", "wob"}) {
        out.write_string(name);
        out.write(1234.5);
    }
    const auto payload = out.get_data();
    for (auto _ : state) {
        ValueMap values;
        decode_answer(payload.data(), payload.size(), values);
        benchmark::DoNotOptimize(values);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(payload.size()));
}
BENCHMARK(BM_DecodeTypicalAnswer);

} // namespace

BENCHMARK_MAIN();
