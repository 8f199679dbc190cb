// Text operations over long texts: replacing and trimming must grow linearly with the
// text (web pages and answers from the network pass through them).
#include <benchmark/benchmark.h>

#include "base/text.h"

namespace {

// Every other character is replaced; GBK characters in between.
void BM_ReplaceEveryOtherCharacter(benchmark::State& state) {
    Text text;
    for (int64_t i = 0; i < state.range(0); ++i) {
        text += i % 2 ? "a" : "中";
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(replace_text(text, "a", "bb"));
    }
    state.SetComplexityN(state.range(0));
}

void BM_TrimIdeographicSpaces(benchmark::State& state) {
    Text text = "x";
    for (int64_t i = 0; i < state.range(0); ++i) {
        text += "\xA1\xA1";
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(trim_text(text));
    }
    state.SetComplexityN(state.range(0));
}

}  // namespace

// Header-style text searched occurrence by occurrence, as the cookie helpers do.
void BM_FindEveryOccurrenceFromItsStart(benchmark::State& state) {
    Text text;
    for (int64_t i = 0; i < state.range(0); ++i) {
        text += "Set-Cookie: n" + std::to_string(i) + "=v; path=/\r\n";
    }
    for (auto _ : state) {
        int found = 0;
        for (int at = find_text(text, "Set-Cookie:"); at > 0;
             at = find_text(text, "Set-Cookie:", at + 1)) {
            ++found;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_ReplaceEveryOtherCharacter)->RangeMultiplier(4)->Range(1 << 8, 1 << 14)->Complexity();
BENCHMARK(BM_TrimIdeographicSpaces)->RangeMultiplier(4)->Range(1 << 8, 1 << 14)->Complexity();
BENCHMARK(BM_FindEveryOccurrenceFromItsStart)
    ->RangeMultiplier(4)
    ->Range(1 << 8, 1 << 14)
    ->Complexity();
BENCHMARK_MAIN();
