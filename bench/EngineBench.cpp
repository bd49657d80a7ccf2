// The engine's bulk paths against the standard library doing the same job.
#include "DistinctSample.h"
#include "MersenneTwister.h"
#include "NumberText.h"
#include "ShuffleRandom.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <numeric>
#include <random>
#include <vector>

namespace {

constexpr std::int32_t fillMin = 1;
constexpr std::int32_t fillMax = 1000000;

void BM_MtNext(benchmark::State& state)
{
    mizel::mtSeed(4357);
    for (auto _ : state)
        benchmark::DoNotOptimize(mizel::mtNext());
}
BENCHMARK(BM_MtNext);

void BM_RandomBelow(benchmark::State& state)
{
    mizel::mtSeed(4357);
    for (auto _ : state)
        benchmark::DoNotOptimize(mizel::randomBelow(fillMax));
}
BENCHMARK(BM_RandomBelow);

void BM_FillRandomBelow(benchmark::State& state)
{
    std::vector<std::int32_t> values(static_cast<std::size_t>(state.range(0)));
    mizel::mtSeed(4357);
    for (auto _ : state) {
        mizel::fillRandomBelow(values.data(), values.data() + values.size(), fillMin, fillMax - fillMin + 1);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FillRandomBelow)->Arg(10'000'000)->Arg(100'000'000)->Unit(benchmark::kMillisecond);

void BM_StdUniformFill(benchmark::State& state)
{
    std::vector<std::int32_t> values(static_cast<std::size_t>(state.range(0)));
    std::mt19937 generator(4357);
    std::uniform_int_distribution<int> distribution(fillMin, fillMax);
    for (auto _ : state) {
        for (auto& v : values)
            v = distribution(generator);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StdUniformFill)->Arg(10'000'000)->Arg(100'000'000)->Unit(benchmark::kMillisecond);

// Fill with consecutive values and shuffle, as the no-duplicates list is made.
void BM_ShuffleValues(benchmark::State& state)
{
    std::vector<std::int32_t> values(static_cast<std::size_t>(state.range(0)));
    mizel::shuffleSeed(4357);
    for (auto _ : state) {
        std::iota(values.begin(), values.end(), 0);
        mizel::shuffleValues(values.data(), values.data() + values.size());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ShuffleValues)->Arg(10'000'000)->Arg(100'000'000)->Unit(benchmark::kMillisecond);

void BM_StdShuffle(benchmark::State& state)
{
    std::vector<std::int32_t> values(static_cast<std::size_t>(state.range(0)));
    std::mt19937 generator(4357);
    for (auto _ : state) {
        std::iota(values.begin(), values.end(), 0);
        std::shuffle(values.begin(), values.end(), generator);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StdShuffle)->Arg(10'000'000)->Arg(100'000'000)->Unit(benchmark::kMillisecond);

void BM_SampleDistinct(benchmark::State& state)
{
    std::vector<std::int32_t> values(static_cast<std::size_t>(state.range(0)));
    mizel::shuffleSeed(4357);
    for (auto _ : state) {
        mizel::sampleDistinct(values.data(), state.range(0), 1, 2147483647);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SampleDistinct)->Arg(10)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);

// Values as the program makes them: the full signed range (mostly 9 and 10
// digits, either sign) and a range of small positive numbers.
std::vector<std::int32_t> formatInput(std::int64_t kind)
{
    std::vector<std::int32_t> values(4096);
    mizel::mtSeed(99);
    if (kind == 0)
        mizel::fillRandomBelow(values.data(), values.data() + values.size(), INT32_MIN, std::int64_t{1} << 32);
    else
        mizel::fillRandomBelow(values.data(), values.data() + values.size(), fillMin, fillMax);
    return values;
}

void BM_FormatNumber(benchmark::State& state)
{
    const auto values = formatInput(state.range(0));
    char buffer[16];
    for (auto _ : state) {
        for (const std::int32_t v : values) {
            benchmark::DoNotOptimize(mizel::formatNumber(buffer, v));
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
BENCHMARK(BM_FormatNumber)->Arg(0)->Arg(1);

void BM_ToChars(benchmark::State& state)
{
    const auto values = formatInput(state.range(0));
    char buffer[16];
    for (auto _ : state) {
        for (const std::int32_t v : values) {
            benchmark::DoNotOptimize(std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
BENCHMARK(BM_ToChars)->Arg(0)->Arg(1);

// A whole list in the text format, as Copy and Save write it.
void BM_FormatTextLines(benchmark::State& state)
{
    const auto values = formatInput(state.range(0));
    std::vector<char> text(values.size() * mizel::maxTextLineLength);
    for (auto _ : state) {
        benchmark::DoNotOptimize(mizel::formatTextLines(text.data(), values.data(), values.data() + values.size()));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
BENCHMARK(BM_FormatTextLines)->Arg(0)->Arg(1);

void BM_ToCharsTextLines(benchmark::State& state)
{
    const auto values = formatInput(state.range(0));
    std::vector<char> text(values.size() * mizel::maxTextLineLength);
    for (auto _ : state) {
        char* out = text.data();
        for (const std::int32_t v : values) {
            out = std::to_chars(out, out + mizel::maxNumberTextLength, v).ptr;
            *out++ = '\r';
            *out++ = '\n';
        }
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
BENCHMARK(BM_ToCharsTextLines)->Arg(0)->Arg(1);

} // namespace
