// Benchmark: constructing a path from a typical 60-character text.
#include "System/Path.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr const char16_t* kText = u"C:\\Users\\someone\\Documents\\Projects\\zipfile\\data\\reports.txt";
static_assert(std::char_traits<char16_t>::length(kText) == 60);

void constructPath(benchmark::State& state) {
    const Lang::String text = kText;
    for (auto _ : state) {
        System::Path path(text);
        benchmark::DoNotOptimize(path);
    }
}
BENCHMARK(constructPath);

} // namespace
