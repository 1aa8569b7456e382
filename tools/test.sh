#!/usr/bin/env bash
# Builds and runs every test: a normal build, the same suite under ASan and UBSan, and a short
# run of each fuzz target (clang, libFuzzer, with the sanitizers).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps
(cd tools/charclass && npm ci --no-audit --no-fund --loglevel=error)

run_suite() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@"
    cmake --build "$dir"
    ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
}

run_suite build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_suite build/sanitize -DCMAKE_BUILD_TYPE=Debug -DZIPFILE_SANITIZE=ON -DZIPFILE_BENCH=OFF

CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZIPFILE_FUZZ=ON -DZIPFILE_SANITIZE=ON -DZIPFILE_BENCH=OFF
cmake --build build/fuzz --target PathFuzzer
ctest --test-dir build/fuzz --output-on-failure -R Fuzzer
echo "all test suites passed"
