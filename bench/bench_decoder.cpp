// Throughput of decode_answer on a 1 MiB answer of many records.
#include "acquisition/core/answer_decoder.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

std::string one_mib_payload() {
    std::vector<answer_record> records;
    for (std::size_t i = 0, size = 0; size < (1u << 20); ++i) {
        records.push_back({"parameter_" + std::to_string(i % 5000), static_cast<double>(i) * 0.5});
        size += records.back().name.size() + 9;
    }
    return encode_records(records);
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
    std::vector<answer_record> records;
    for (const char* name : {"depth", "doloto_depth", "a_hook_load", "block", "pressure", "rop", "rpm", "wob"})
        records.push_back({name, 1234.5});
    const std::string payload = encode_records(records);
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
