// Throughput of decode_answer on a 1 MiB answer of many records.
#include "acquisition/core/answer_decoder.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

std::string one_mib_payload() {
    std::string payload;
    for (int i = 0; payload.size() < (1u << 20); ++i)
        payload += encode_records({{"parameter_" + std::to_string(i % 5000), i * 0.5}});
    return payload;
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
    std::string payload;
    for (const char* name : {"depth", "doloto_depth", "a_hook_load", "block", "pressure", "rop", "rpm", "wob"})
        payload += encode_records({{name, 1234.5}});
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
