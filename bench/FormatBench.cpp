// The string front-end of the format engine against the C library's snprintf on typical lines.
#include "Lang/FormatString.h"

#include <benchmark/benchmark.h>

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

std::string viaEngine(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::string text = Lang::formatString(format, arguments);
    va_end(arguments);
    return text;
}

std::string viaSnprintf(const char* format, ...) {
    char buffer[256];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    return std::string(buffer, static_cast<std::size_t>(length));
}

using Formatter = std::string (*)(const char* format, ...);

template <Formatter format>
void integerLine(benchmark::State& state) {
    int count = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(format("%d items, %5d left, %x\n", count, 50000 - count, count * 7919));
        ++count;
    }
}

template <Formatter format>
void stringLine(benchmark::State& state) {
    const char* source = "Lang/Platform/Utf16(120) : Lang::Platform::decodeUtf16";
    const char* message = "Throwing std::invalid_argument(\"broken surrogate pair\")";
    for (auto _ : state) {
        benchmark::DoNotOptimize(format("%s: %s (%s)", source, message, "trace"));
    }
}

template <Formatter format>
void floatLine(benchmark::State& state) {
    double value = 3.14159;
    for (auto _ : state) {
        benchmark::DoNotOptimize(format("%f %.2f", value, value * 1000.0));
        value += 0.001;
    }
}

BENCHMARK_TEMPLATE(integerLine, viaEngine);
BENCHMARK_TEMPLATE(integerLine, viaSnprintf);
BENCHMARK_TEMPLATE(stringLine, viaEngine);
BENCHMARK_TEMPLATE(stringLine, viaSnprintf);
BENCHMARK_TEMPLATE(floatLine, viaEngine);
BENCHMARK_TEMPLATE(floatLine, viaSnprintf);

} // namespace
