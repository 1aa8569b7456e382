#!/usr/bin/env bash
# Builds and runs every test: a run of about 30 s of each fuzz target (clang, libFuzzer, with the
# sanitizers), the whole suite under ASan, UBSan and LeakSanitizer (but the slow group), the tests of the
# threaded code under ThreadSanitizer, then the whole suite in a Release build with the slow group; all
# with warnings as errors. Then the Debian package is
# built from the Release build, checked, installed, used and removed, and last the tool's own run
# command packs its sample file.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps
(cd tools/charclass && npm ci --no-audit --no-fund --loglevel=error)

run_suite() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DZIPFILE_WERROR=ON "$@"
    cmake --build "$dir"
    ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" ${CTEST_EXCLUDE:+-LE "$CTEST_EXCLUDE"}
}

CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZIPFILE_WERROR=ON \
    -DZIPFILE_FUZZ=ON -DZIPFILE_SANITIZE=ON -DZIPFILE_BENCH=OFF
fuzzers=(PathFuzzer PathOpsFuzzer Utf16Fuzzer StringCastFuzzer FormatFuzzer UncaughtLineFuzzer)
cmake --build build/fuzz --target "${fuzzers[@]}"
# libFuzzer prints a failing input only up to 256 bytes; the log gets every input a target left behind in
# base64, to reproduce with `base64 -d >input && build/fuzz/tests/<Target> input`.
artifacts=build/fuzz/tests/fuzz-artifacts
find "$artifacts" -type f -delete
if ! ctest --test-dir build/fuzz --output-on-failure -R Fuzzer; then
    find "$artifacts" -type f | sort | while read -r input; do
        echo "failing fuzz input $input (base64): $(base64 -w 0 "$input")"
    done
    exit 1
fi

# The slow group (label "slow": files around 4 GiB through every reader) runs in the Release build only.
CTEST_EXCLUDE=slow ASAN_OPTIONS=detect_leaks=1 run_suite build/sanitize -DCMAKE_BUILD_TYPE=Debug -DZIPFILE_SANITIZE=ON \
    -DZIPFILE_BENCH=OFF
# ThreadSanitizer over the tests of the threaded code: the parallel deflate and the archive update.
threaded=(Platform_Com_ParallelDeflateTest Platform_Com_ArchiveUpdateTest)
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZIPFILE_WERROR=ON -DZIPFILE_THREAD_SANITIZE=ON \
    -DZIPFILE_BENCH=OFF
cmake --build build/tsan --target "${threaded[@]}"
for test in "${threaded[@]}"; do
    TSAN_OPTIONS=halt_on_error=1 "build/tsan/tests/$test"
done
# The Release build takes the flags of a Debian package build (hardening included) at its first
# configure; tools/check-package then packs its tool and checks the package. The file-path map of those
# flags would win over the project's own, which names sources relative to the root in exception texts.
(eval "$(DEB_BUILD_MAINT_OPTIONS="hardening=+all reproducible=-fixfilepath" dpkg-buildflags --export=sh)"
    run_suite build/release -DCMAKE_BUILD_TYPE=Release)
tools/check-package build/release
# The newcomer's first command, as the README gives it, from this checkout.
bash tools/run.sh
echo "all test suites passed"
