// Benchmark: writing and reading a 1 GiB file in 64 KiB blocks through System::Io::File and through
// plain stdio, in the system's temporary folder (TMPDIR chooses another). Rates are per CPU second, which
// other work on the machine disturbs less than elapsed time. Compare medians:
//     FileBench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include "System/Io/File.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace System::Io;

constexpr int kBlockSize = 64 << 10;
constexpr long long kFileSize = 1LL << 30;
constexpr long long kBlocks = kFileSize / kBlockSize;

// The benchmark's file, written once with plain stdio and removed at exit; its Win32 path text names it too.
struct BenchFile {
    BenchFile()
        : posix(std::filesystem::temp_directory_path() /
                ("zipfile-bench-" + std::to_string(std::random_device()()) + ".bin")) {
        const std::string text = posix.string();
        Lang::String win32Text(text.begin(), text.end());
        for (char16_t& unit : win32Text)
            unit = unit == u'/' ? u'\\' : unit;
        path = System::Path(win32Text);
        const std::vector<char> block(kBlockSize, 'x');
        std::FILE* file = std::fopen(posix.c_str(), "wb");
        for (long long i = 0; i < kBlocks; ++i)
            std::fwrite(block.data(), 1, kBlockSize, file);
        std::fclose(file);
    }
    ~BenchFile() { std::filesystem::remove(posix); }

    std::filesystem::path posix;
    System::Path path;
};

const BenchFile& benchFile() {
    static const BenchFile file;
    return file;
}

void setBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kFileSize);
}

void writeFile(benchmark::State& state) {
    const std::vector<char> block(kBlockSize, 'x');
    for (auto _ : state) {
        Rc::Local<File> file;
        file.open(benchFile().path, OpenDisposition::CreateAlways, AccessMode::Write, ShareMode::None,
                  OpenFlags::None);
        for (long long i = 0; i < kBlocks; ++i)
            file.write(block.data(), kBlockSize);
        file.close();
    }
    setBytes(state);
}

void writeStdio(benchmark::State& state) {
    const std::vector<char> block(kBlockSize, 'x');
    for (auto _ : state) {
        std::FILE* file = std::fopen(benchFile().posix.c_str(), "wb");
        for (long long i = 0; i < kBlocks; ++i)
            std::fwrite(block.data(), 1, kBlockSize, file);
        std::fclose(file);
    }
    setBytes(state);
}

void readFile(benchmark::State& state) {
    std::vector<char> block(kBlockSize);
    for (auto _ : state) {
        Rc::Local<File> file;
        file.open(benchFile().path, OpenDisposition::OpenExisting, AccessMode::Read, ShareMode::Read,
                  OpenFlags::None);
        while (file.read(block.data(), kBlockSize) == kBlockSize)
            benchmark::DoNotOptimize(block.data());
        file.close();
    }
    setBytes(state);
}

void readStdio(benchmark::State& state) {
    std::vector<char> block(kBlockSize);
    for (auto _ : state) {
        std::FILE* file = std::fopen(benchFile().posix.c_str(), "rb");
        while (std::fread(block.data(), 1, kBlockSize, file) == kBlockSize)
            benchmark::DoNotOptimize(block.data());
        std::fclose(file);
    }
    setBytes(state);
}

// Each pair runs side by side so that both meet the same state of the page cache.
BENCHMARK(writeStdio)->Unit(benchmark::kMillisecond);
BENCHMARK(writeFile)->Unit(benchmark::kMillisecond);
BENCHMARK(readStdio)->Unit(benchmark::kMillisecond);
BENCHMARK(readFile)->Unit(benchmark::kMillisecond);

} // namespace
