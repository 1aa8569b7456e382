#!/usr/bin/env bash
# Builds the tool if needed and runs it: tools/run.sh FILE [true] packs FILE into FILE.zip beside it
# (moving it with the word true). Without FILE it packs a copy of a sample file in a temporary folder
# and lists the archive.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/tool
log=$build.log

"$root/tools/install-deps" >&2
mkdir -p "$build"
if ! { cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZIPFILE_BENCH=OFF &&
       cmake --build "$build" --target zipfile; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "run.sh: building the tool failed (log above, also in $log)" >&2
    exit 1
fi

if [ $# -gt 0 ]; then
    exec "$build/app/zipfile" "$@"
fi

folder=$(mktemp -d)
cp "$root/tools/sample/report.txt" "$folder/report.txt"
(cd "$folder" && "$build/app/zipfile" report.txt)
echo "Packed a copy of the sample file: $folder/report.txt.zip"
unzip -l "$folder/report.txt.zip"
