#!/usr/bin/env bash
# Times zipfile against zip -6 (also made durable, as zipfile's archives are: `&& sync item.zip .`),
# bsdtar --format zip, pigz -6 -K and Python's zipfile (zlib level 6) in one run, on the pinned corpus (250,000,000 bytes, the same on every machine) and on a 1 KiB file:
# wall time, archive size and peak memory, each as a ratio to zip -6, and CPU time (user + system).
# zipfile runs twice: on every core, and held to one core with taskset, as one worker would be.
# usage: bench/compare-zip.sh [ZIPFILE_BINARY] [CORPUS]   (defaults: build/release/app/zipfile, /tmp/corpus.bin)
# With BASELINE=<another zipfile binary> (an earlier build, say) that one runs in the same tables too.
set -euo pipefail
cd "$(dirname "$0")/.."
zipfile=$(realpath "${1:-build/release/app/zipfile}")
corpus=${2:-/tmp/corpus.bin}
small_runs=${SMALL_RUNS:-100}
baseline=${BASELINE:+$(realpath "$BASELINE")}
shared=${SHARED_DIR:-../shared}
bash "$shared/tools/make-corpus" "$corpus"
for tool in zip bsdtar pigz python3 taskset /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "compare-zip: $tool is needed" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# measure NAME INPUT COMMAND...: runs COMMAND in $work on a fresh copy named item, prints
# "NAME seconds bytes peak-KiB cpu-seconds" where bytes is the size of item.zip.
measure() {
    local name=$1 input=$2
    shift 2
    rm -f "$work/item" "$work/item.zip"
    cp "$input" "$work/item"
    sync
    local start end
    start=$(date +%s.%N)
    (cd "$work" && /usr/bin/time -f '%M %U %S' -o "$work/usage" "$@" >/dev/null)
    end=$(date +%s.%N)
    local peak user system
    read -r peak user system <"$work/usage"
    printf '%s %s %s %s %s\n' "$name" "$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')" \
        "$(stat -c %s "$work/item.zip")" "$peak" "$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')"
}

run_all() {
    local input=$1
    measure "zip -6" "$input" zip -q -6 item.zip item
    # zip made as durable as zipfile is: `sync` with names syncs those files and the folder.
    measure "zip -6 && sync" "$input" sh -c 'zip -q -6 item.zip item && sync item.zip .'
    measure "zipfile" "$input" "$zipfile" item
    measure "zipfile, one core" "$input" taskset -c 0 "$zipfile" item
    if [ -n "$baseline" ]; then
        measure "zipfile baseline" "$input" "$baseline" item
        measure "zipfile baseline, one core" "$input" taskset -c 0 "$baseline" item
    fi
    measure "bsdtar --format zip" "$input" bsdtar --format zip -cf item.zip item
    measure "pigz -6 -K" "$input" sh -c 'pigz -6 -K -c item > item.zip'
    measure "python zipfile 6" "$input" python3 -c \
        'import zipfile,sys; zipfile.ZipFile(sys.argv[1],"w",zipfile.ZIP_DEFLATED,compresslevel=6).write(sys.argv[2])' \
        item.zip item
}

report() {
    awk 'NR == 1 { t0 = $(NF-3); s0 = $(NF-2); m0 = $(NF-1) }
         { name = $1; for (i = 2; i <= NF - 4; i++) name = name " " $i
           printf "| %s | %.3f s | %.2fx | %d | %.4fx | %d KiB | %.2fx | %.2f s |\n", name, $(NF-3), $(NF-3) / t0, $(NF-2), $(NF-2) / s0, $(NF-1), $(NF-1) / m0, $NF }'
}

echo "corpus: $(stat -c %s "$corpus") bytes, $(nproc) cores, load average $(cut -d" " -f1 /proc/loadavg)"
echo "| tool | wall | vs zip -6 | bytes | vs zip -6 | peak memory | vs zip -6 | CPU |"
echo "|---|---|---|---|---|---|---|---|"
run_all "$corpus" | report
head -c 1024 "$corpus" >"$work/small.bin"
echo
echo "1 KiB file:"
echo "| tool | wall | vs zip -6 | bytes | vs zip -6 | peak memory | vs zip -6 | CPU |"
echo "|---|---|---|---|---|---|---|---|"
run_all "$work/small.bin" | report

# Short runs are timed from start to exit over many runs, without the shell and timing tool of the
# tables above (a few milliseconds of their own), each row in turn, round after round.
small_names=() small_words=()
small_row() {
    small_names+=("$1")
    shift
    [ "${#small_words[@]}" -eq 0 ] || small_words+=("::")
    small_words+=("$@")
}
small_row "zip -6" zip -q -6 item.zip item
small_row "zip -6 && sync" zip -q -6 item.zip item '&&' sync item.zip .
small_row "zipfile" "$zipfile" item
[ -z "$baseline" ] || small_row "zipfile baseline" "$baseline" item
small_row "zip -6 -m && sync (move)" zip -q -6 -m item.zip item '&&' sync item.zip .
small_row "zipfile (move)" "$zipfile" item true
[ -z "$baseline" ] || small_row "zipfile baseline (move)" "$baseline" item true
small_row "bsdtar --format zip" bsdtar --format zip -cf item.zip item
small_row "pigz -6 -K" sh -c 'pigz -6 -K -c item > item.zip'
echo
echo "1 KiB file, wall time over $small_runs runs (ms), each as a ratio to zip -6 && sync:"
echo "| tool | median | mean | vs zip -6 && sync |"
echo "|---|---|---|---|"
python3 bench/spawn-time.py "$small_runs" "$work/small.bin" "$work" "${small_words[@]}" >"$work/small-times"
durable=$(sed -n 2p "$work/small-times" | cut -d" " -f1)
printf '%s\n' "${small_names[@]}" | paste -d" " "$work/small-times" - | awk -v d="$durable" \
    '{ name = $3; for (i = 4; i <= NF; i++) name = name " " $i
       printf "| %s | %.2f | %.2f | %.2fx |\n", name, $1, $2, $1 / d }'
