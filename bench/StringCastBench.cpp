// Throughput of the wide <-> narrow conversions on 1 MiB of mixed text.
#include "Lang/StringCast.h"

#include <benchmark/benchmark.h>

namespace {

constexpr std::size_t kTextBytes = 1 << 20;

// ASCII, Latin-1, Windows-1252 remapped characters, CJK and a supplementary character, repeated
// up to kTextBytes bytes of UTF-16.
Lang::String makeMixedText() {
    const Lang::String sample = u"The quick brown fox jumps over the lazy dog. "
                                u"Caf\u00E9 na\u00EFve \u00FC\u00DF\u00F1 "
                                u"\u20AC5 \u201Equoted\u201C \u2122 \u2026 "
                                u"\u4E2D\u6587\u5B57 "
                                u"\xD83D\xDE00 ";
    Lang::String text;
    text.reserve(kTextBytes / sizeof(char16_t));
    while (text.size() + sample.size() <= kTextBytes / sizeof(char16_t))
        text += sample;
    return text;
}

void wideToNarrow(benchmark::State& state) {
    const Lang::String source = makeMixedText();
    for (auto _ : state)
        benchmark::DoNotOptimize(Xtl::string_cast<std::string>(source));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(source.size() * sizeof(char16_t)));
}

void narrowToWide(benchmark::State& state) {
    const std::string source = Xtl::string_cast<std::string>(makeMixedText());
    for (auto _ : state)
        benchmark::DoNotOptimize(Xtl::string_cast<Lang::String>(source));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(source.size()));
}

BENCHMARK(wideToNarrow);
BENCHMARK(narrowToWide);

} // namespace
